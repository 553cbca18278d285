// The portable XML reader and writer: enough of XML 1.0 for the program's
// files, held to the same contract as the system's parser. UTF-8 only; no
// document type declaration, so the only entities are the five predefined
// ones and character references. Namespaces are not checked: a prefixed name
// is known by its local part. The screen (xml_screen.h) has held every
// document to its characters, its nesting, its sizes and each attribute
// once in its tag before this reader parses it.
#include <algorithm>
#include <vector>

#include "assoc_xml/xml_codec.h"
#include "assoc_xml/xml_screen.h"

#include "common/ansi_codepage.h"

namespace hollin::cli {
namespace {


bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Names: ASCII letters, '_' and ':' begin one, digits, '-' and '.' go on
// with it; any character beyond ASCII is taken as a letter.
bool IsNameStart(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || u >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

std::string LocalName(const std::string& qualified) {
  const size_t colon = qualified.rfind(':');
  return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

class Reader {
 public:
  Reader(std::string_view text, const std::function<void(const XmlElement&)>& onElement)
      : s_(text), onElement_(onElement) {}

  void Run() {
    ScreenXml(s_);
    if (s_.size() >= 2 &&
        ((s_[0] == '\xFF' && s_[1] == '\xFE') || (s_[0] == '\xFE' && s_[1] == '\xFF')))
      Fail(XmlProblem::Utf16Only);
    if (s_.substr(0, 3) == "\xEF\xBB\xBF") s_.remove_prefix(3);
    if (s_.substr(0, 5) == "<?xml" && s_.size() > 5 && (IsSpace(s_[5]) || s_[5] == '?'))
      XmlDeclaration();
    Misc();
    if (AtEnd()) Fail(XmlProblem::NoRoot);
    if (Peek() != '<' || !IsNameStart(Peek(1))) Fail(XmlProblem::OutsideRoot);
    Elements();
    Misc();
    if (!AtEnd())
      Fail(Peek() == '<' && IsNameStart(Peek(1)) ? XmlProblem::SecondRoot : XmlProblem::OutsideRoot);
  }

 private:
  [[noreturn]] void Fail(XmlProblem problem, XmlFacts facts = {}) const {
    throw XmlSyntaxError(line_, column_, problem, std::move(facts));
  }

  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek(size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
  bool LooksAt(std::string_view what) const { return s_.substr(pos_, what.size()) == what; }

  // One byte on, keeping the line and the column: CR LF, CR and LF each end
  // a line; a column counts characters, not bytes.
  void Step() {
    const char c = s_[pos_++];
    if (c == '\r' || (c == '\n' && (pos_ < 2 || s_[pos_ - 2] != '\r'))) {
      ++line_;
      column_ = 1;
    } else if (c != '\n' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++column_;
    }
  }
  void Step(size_t n) {
    while (n-- > 0) Step();
  }
  bool SkipSpace() {
    const size_t start = pos_;
    while (!AtEnd() && IsSpace(Peek())) Step();
    return pos_ != start;
  }
  void Expect(std::string_view what, XmlProblem problem, XmlFacts facts = {}) {
    if (AtEnd()) Fail(problem, std::move(facts.Early(true)));
    if (!LooksAt(what)) Fail(problem, std::move(facts));
    Step(what.size());
  }

  std::string Name(XmlProblem problem, XmlFacts facts = {}) {
    if (AtEnd() || !IsNameStart(Peek())) Fail(problem, std::move(facts));
    const size_t start = pos_;
    while (!AtEnd() && IsNameChar(Peek())) Step();
    std::string name(s_.substr(start, pos_ - start));
    // As the system's parser reads names with namespaces: at most one colon,
    // with a prefix before it and a local part after it that begins as a
    // name begins ("a:" would be read as a name of nothing, "a:.b" as ".b":
    // no writer can give either back).
    const size_t colon = name.find(':');
    if (colon != std::string::npos &&
        (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != std::string::npos ||
         !IsNameStart(name[colon + 1])))
      Fail(XmlProblem::BadName, XmlFacts().Name(name));
    return name;
  }

  // "&...;" at the reader's place, appended to out resolved.
  void Reference(std::string& out) {
    Step();  // '&'
    if (Peek() == '#') {
      Step();
      const bool hex = Peek() == 'x';
      if (hex) Step();
      char32_t cp = 0;
      size_t digits = 0;
      for (; !AtEnd() && Peek() != ';'; Step(), ++digits)
        if (!AddReferenceDigit(cp, Peek(), hex)) Fail(XmlProblem::RefNotDigits);
      if (AtEnd()) Fail(XmlProblem::RefNotClosed);
      if (digits == 0 || !IsXmlChar(cp)) Fail(XmlProblem::RefNotXmlChar);
      Step();
      AppendUtf8(out, cp);
      return;
    }
    const std::string name = Name(XmlProblem::AmpersandAlone);
    if (Peek() != ';') Fail(XmlProblem::EntityRefNotClosed);
    Step();
    static const struct {
      const char* name;
      char c;
    } kPredefined[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& e : kPredefined)
      if (name == e.name) return out.push_back(e.c);
    Fail(XmlProblem::UndeclaredEntity, XmlFacts().Name(name));
  }

  // A quoted value: of an attribute, with its references resolved and each
  // line break or tab turned into a blank, as XML reads it.
  std::string QuotedValue(const std::string& attribute) {
    const char quote = Peek();
    if (quote != '"' && quote != '\'') Fail(XmlProblem::ValueNotQuoted, XmlFacts().Name(attribute));
    Step();
    std::string value;
    for (;;) {
      if (AtEnd()) Fail(XmlProblem::EndsInsideValue, XmlFacts().Name(attribute));
      const char c = Peek();
      if (c == quote) break;
      if (c == '<') Fail(XmlProblem::LtInValue, XmlFacts().Name(attribute));
      if (c == '&') {
        Reference(value);
        continue;
      }
      if (c == '\r' && Peek(1) == '\n') Step();
      value.push_back(IsSpace(c) ? ' ' : c);
      Step();
    }
    Step();
    return value;
  }

  void XmlDeclaration() {
    Step(5);
    bool versionSeen = false;
    for (;;) {
      const bool blank = SkipSpace();
      if (LooksAt("?>")) break;
      if (!blank) Fail(XmlProblem::XmlDeclNotWellFormed);
      const std::string name = Name(XmlProblem::XmlDeclNotWellFormed);
      SkipSpace();
      Expect("=", XmlProblem::XmlDeclNotWellFormed);
      SkipSpace();
      std::string value = QuotedValue(name);
      if (name == "version") {
        versionSeen = true;
      } else if (name == "encoding") {
        std::transform(value.begin(), value.end(), value.begin(), [](char c) {
          return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        });
        if (value != "UTF-8")
          Fail(XmlProblem::OtherEncoding, XmlFacts().Name(value));
      } else if (name != "standalone") {
        Fail(XmlProblem::XmlDeclUnknownPart, XmlFacts().Name(name));
      }
    }
    if (!versionSeen) Fail(XmlProblem::XmlDeclNoVersion);
    Step(2);
  }

  void Comment() {
    Step(4);  // "<!--"
    for (;;) {
      if (AtEnd()) Fail(XmlProblem::EndsInsideComment);
      if (LooksAt("--")) {
        if (Peek(2) != '>') Fail(XmlProblem::DashDashInComment);
        Step(3);
        return;
      }
      Step();
    }
  }

  void ProcessingInstruction() {
    Step(2);  // "<?"
    const std::string target = Name(XmlProblem::PiNoName);
    std::string folded = target;
    std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    if (folded == "xml") Fail(XmlProblem::XmlDeclElsewhere);
    while (!LooksAt("?>")) {
      if (AtEnd()) Fail(XmlProblem::EndsInsidePi);
      Step();
    }
    Step(2);
  }

  // Blanks, comments and processing instructions before and after the root.
  void Misc() {
    for (;;) {
      SkipSpace();
      if (LooksAt("<!--"))
        Comment();
      else if (LooksAt("<?"))
        ProcessingInstruction();
      else if (LooksAt("<!DOCTYPE"))
        Fail(XmlProblem::Doctype);
      else
        return;
    }
  }

  // A start tag at the reader's place; true when it is an empty-element tag.
  bool StartTag(int depth, std::string& qualifiedName) {
    XmlElement element;
    element.depth = depth;
    Step();  // '<'
    element.line = line_;
    element.column = column_;
    qualifiedName = Name(XmlProblem::LtNoName);
    bool empty = false;
    for (;;) {
      const bool blank = SkipSpace();
      if (AtEnd()) Fail(XmlProblem::EndsInsideTag, XmlFacts().Name(qualifiedName));
      if (LooksAt("/>")) {
        Step(2);
        empty = true;
        break;
      }
      if (Peek() == '>') {
        Step();
        break;
      }
      if (!blank) Fail(XmlProblem::TagGoesOn, XmlFacts().Name(qualifiedName));
      const std::string name = Name(XmlProblem::TagHoldsOther, XmlFacts().Name(qualifiedName));
      SkipSpace();
      Expect("=", XmlProblem::NoEquals, XmlFacts().Name(name));
      SkipSpace();
      std::string value = QuotedValue(name);
      if (name == "xmlns" || name.rfind("xmlns:", 0) == 0) continue;
      element.attributes.push_back({LocalName(name), std::move(value)});
    }
    element.name = LocalName(qualifiedName);
    onElement_(element);
    return empty;
  }

  // The root element with everything in it.
  void Elements() {
    std::vector<std::string> open;
    std::string name;
    if (!StartTag(0, name)) open.push_back(name);
    while (!open.empty()) {
      if (AtEnd()) Fail(XmlProblem::EndsBeforeEndTag, XmlFacts().Name(open.back()));
      if (LooksAt("</")) {
        Step(2);
        const std::string end = Name(XmlProblem::EndTagNoName);
        if (end != open.back()) Fail(XmlProblem::EndTagMismatch, XmlFacts().Name(end).Other(open.back()));
        SkipSpace();
        Expect(">", XmlProblem::EndTagNotClosed, XmlFacts().Name(end));
        open.pop_back();
      } else if (LooksAt("<!--")) {
        Comment();
      } else if (LooksAt("<![CDATA[")) {
        Step(9);
        while (!LooksAt("]]>")) {
          if (AtEnd()) Fail(XmlProblem::EndsInsideCdata);
          Step();
        }
        Step(3);
      } else if (LooksAt("<?")) {
        ProcessingInstruction();
      } else if (LooksAt("<!")) {
        Fail(XmlProblem::MarkupInElement);
      } else if (Peek() == '<') {
        if (!StartTag(static_cast<int>(open.size()), name)) open.push_back(name);
      } else if (Peek() == '&') {
        std::string ignored;
        Reference(ignored);
      } else {
        if (LooksAt("]]>")) Fail(XmlProblem::CdataEndInText);
        Step();
      }
    }
  }

  std::string_view s_;
  const std::function<void(const XmlElement&)>& onElement_;
  size_t pos_ = 0;
  int line_ = 1;
  int column_ = 1;
};


void WriteNode(std::string& out, const XmlNode& node, int level) {
  out.append(2 * static_cast<size_t>(level), ' ');
  out += '<';
  out += node.name;
  for (const auto& a : node.attributes) {
    out += ' ';
    out += a.name;
    out += "=\"";
    out += EscapeXmlAttribute(a.value);
    out += '"';
  }
  if (node.children.empty()) {
    out += " />\r\n";
    return;
  }
  out += ">\r\n";
  for (const auto& child : node.children) WriteNode(out, child, level + 1);
  out.append(2 * static_cast<size_t>(level), ' ');
  out += "</" + node.name + ">\r\n";
}

class PortableXmlCodec : public IXmlCodec {
 public:
  void Read(std::string_view bytes,
            const std::function<void(const XmlElement&)>& onElement) override {
    Reader(bytes, onElement).Run();
  }
  std::string Write(const XmlNode& root) override {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    WriteNode(out, root, 0);
    return out;
  }
};

}  // namespace

XmlSyntaxError::XmlSyntaxError(int line, int column, XmlProblem problem, XmlFacts facts)
    : std::runtime_error(std::string()),
      line_(line),
      column_(column),
      problem_(problem),
      facts_(std::move(facts)) {}

XmlCodecError::XmlCodecError(XmlCodecProblem problem, std::string call, std::uint64_t number)
    : std::runtime_error(call), problem_(problem), call_(std::move(call)), number_(number) {}

const std::string* XmlElement::Attribute(std::string_view attributeName) const {
  for (const auto& a : attributes)
    if (a.name == attributeName) return &a.value;
  return nullptr;
}

bool IsWritableXmlText(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    if (!DecodeUtf8(text, i, cp) || cp < 0x20 || cp == 0xFFFE || cp == 0xFFFF) return false;
  }
  return true;
}

std::unique_ptr<IXmlCodec> MakePortableXmlCodec() { return std::make_unique<PortableXmlCodec>(); }

#ifndef _WIN32
std::unique_ptr<IXmlCodec> MakeSystemXmlCodec() { return MakePortableXmlCodec(); }
#endif

std::string EscapeXmlAttribute(std::string_view value) {
  std::string out;
  for (const char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

}  // namespace hollin::cli

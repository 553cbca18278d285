#include "assoc_xml/xml_screen.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "assoc_xml/xml_codec.h"
#include "common/ansi_codepage.h"

namespace hollin::cli {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// What ends a name in a tag. Which characters a name may hold is the
// readers' affair; the screen only has to find where it ends.
bool EndsName(char c) {
  return IsBlank(c) || c == '=' || c == '/' || c == '>' || c == '<' || c == '"' || c == '\'';
}

class Screen {
 public:
  Screen(std::string_view s, const char* encoding) : s_(s), encoding_(encoding) {}

  void Run() {
    if (LooksAt("\xEF\xBB\xBF")) pos_ = 3;
    while (!AtEnd()) {
      if (Peek() != '<') {
        Text();
      } else if (LooksAt("<!--")) {
        Delimited(4, "-->", XmlProblem::EndsInsideComment, XmlProblem::CommentTooLong);
      } else if (LooksAt("<?")) {
        Delimited(2, "?>", XmlProblem::EndsInsidePi, XmlProblem::PiTooLong);
      } else if (LooksAt("<![CDATA[")) {
        Delimited(9, "]]>", XmlProblem::EndsInsideCdata, XmlProblem::CdataTooLong);
      } else if (LooksAt("<!DOCTYPE")) {
        Fail(XmlProblem::Doctype);
      } else if (LooksAt("<!")) {
        Fail(XmlProblem::MarkupNotWellFormed);
      } else if (LooksAt("</")) {
        EndTag();
      } else {
        StartTag();
      }
    }
    if (!open_.empty()) Fail(XmlProblem::EndsBeforeEndTag, XmlFacts().Name(std::string(open_.back())));
    if (!rootSeen_) Fail(XmlProblem::NoRoot);
  }

 private:
  struct Place {
    int line, column;
  };

  [[noreturn]] void Fail(XmlProblem problem, XmlFacts facts = {}) const { FailAt(Here(), problem, std::move(facts)); }
  [[noreturn]] static void FailAt(Place at, XmlProblem problem, XmlFacts facts = {}) {
    throw XmlSyntaxError(at.line, at.column, problem, std::move(facts));
  }
  Place Here() const { return {line_, column_}; }
  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek(size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
  bool LooksAt(std::string_view what) const { return s_.substr(pos_, what.size()) == what; }

  // One character on: every character of the file passes here, and is
  // checked on its way. CR LF, CR and LF each end a line.
  void Step() {
    char32_t cp = static_cast<unsigned char>(s_[pos_]);
    size_t next = pos_ + 1;
    if (cp >= 0x80) {
      next = pos_;
      if (!DecodeUtf8(s_, next, cp)) Fail(XmlProblem::BadBytes, XmlFacts().Name(encoding_));
    }
    if (!IsXmlChar(cp)) Fail(XmlProblem::NotXmlChar, XmlFacts().Number(cp));
    if (cp == '\r' || (cp == '\n' && (pos_ == 0 || s_[pos_ - 1] != '\r'))) {
      ++line_;
      column_ = 1;
    } else if (cp != '\n') {
      ++column_;
    }
    pos_ = next;
  }
  void Step(size_t n) {
    while (n-- > 0) Step();
  }
  bool SkipBlanks() {
    const size_t start = pos_;
    while (!AtEnd() && IsBlank(Peek())) Step();
    return pos_ != start;
  }
  void Limit(size_t start, Place at, XmlProblem tooLong, std::string_view name = {}) const {
    if (pos_ - start > kMaxXmlTextBytes)
      FailAt(at, tooLong, XmlFacts().Name(std::string(name)).Number(kMaxXmlTextBytes >> 10));
  }

  // A comment, processing instruction or CDATA section, up to its end.
  void Delimited(size_t opening, std::string_view closing, XmlProblem endsInside, XmlProblem tooLong) {
    const Place at = Here();
    Step(opening);
    const size_t start = pos_;
    const bool comment = closing == "-->";
    while (!LooksAt(closing)) {
      if (AtEnd()) Fail(endsInside);
      if (comment && LooksAt("--")) Fail(XmlProblem::DashDashInComment);
      Step();
      Limit(start, at, tooLong);
    }
    Step(closing.size());
  }

  // "&" in text or in a value. A character reference must name a character
  // XML allows; an entity's name is left to the reader.
  void Reference() {
    const Place at = Here();
    Step();
    if (Peek() != '#') return;
    Step();
    const bool hex = Peek() == 'x';
    if (hex) Step();
    char32_t cp = 0;
    size_t digits = 0;
    for (; Peek() != ';'; Step(), ++digits) {
      if (AtEnd()) Fail(XmlProblem::EndsInsideCharRef);
      if (!AddReferenceDigit(cp, Peek(), hex)) Fail(XmlProblem::RefNotDigits);
    }
    if (digits == 0 || !IsXmlChar(cp)) FailAt(at, XmlProblem::RefNotXmlChar);
    Step();
  }

  // Text between tags.
  void Text() {
    const Place at = Here();
    const size_t start = pos_;
    bool blank = true;
    while (!AtEnd() && Peek() != '<') {
      if (Peek() == '&') {
        Reference();
        blank = false;
      } else {
        blank = blank && IsBlank(Peek());
        Step();
      }
      if (!blank) Limit(start, at, XmlProblem::TextTooLong);
    }
  }

  std::string_view Name(XmlProblem problem, XmlFacts facts = {}) {
    const size_t start = pos_;
    while (!AtEnd() && !EndsName(Peek())) Step();
    if (pos_ == start) Fail(problem, std::move(facts));
    return s_.substr(start, pos_ - start);
  }

  void Value(std::string_view attribute) {
    const std::string name(attribute);
    const char quote = Peek();
    if (quote != '"' && quote != '\'') Fail(XmlProblem::ValueNotQuoted, XmlFacts().Name(name));
    const Place at = Here();
    Step();
    const size_t start = pos_;
    while (Peek() != quote) {
      if (AtEnd()) Fail(XmlProblem::EndsInsideValue, XmlFacts().Name(name));
      if (Peek() == '<') Fail(XmlProblem::LtInValue, XmlFacts().Name(name));
      if (Peek() == '&')
        Reference();
      else
        Step();
      Limit(start, at, XmlProblem::ValueTooLong, name);
    }
    Step();
  }

  void StartTag() {
    Step();  // '<'
    const Place at = Here();
    const std::string_view name = Name(XmlProblem::LtNoName);
    const std::string tag(name);
    if (open_.size() >= static_cast<size_t>(kMaxXmlDepth)) FailAt(at, XmlProblem::TooDeep, XmlFacts().Number(kMaxXmlDepth));
    std::unordered_set<std::string_view> seen;
    for (;;) {
      const bool blank = SkipBlanks();
      if (AtEnd()) Fail(XmlProblem::EndsInsideTag, XmlFacts().Name(tag));
      if (LooksAt("/>")) {
        Step(2);
        break;
      }
      if (Peek() == '>') {
        Step();
        open_.push_back(name);
        break;
      }
      if (!blank) Fail(XmlProblem::TagGoesOn, XmlFacts().Name(tag));
      const Place attributeAt = Here();
      const std::string_view attribute = Name(XmlProblem::TagHoldsOther, XmlFacts().Name(tag));
      if (!seen.insert(attribute).second)
        FailAt(attributeAt, XmlProblem::AttributeTwice, XmlFacts().Name(std::string(attribute)));
      SkipBlanks();
      if (AtEnd()) Fail(XmlProblem::EndsInsideTag, XmlFacts().Name(tag));
      if (Peek() != '=') Fail(XmlProblem::NoEquals, XmlFacts().Name(std::string(attribute)));
      Step();
      SkipBlanks();
      Value(attribute);
    }
    rootSeen_ = true;
  }

  void EndTag() {
    Step(2);  // "</"
    const Place at = Here();
    const std::string name(Name(XmlProblem::EndTagNoName));
    SkipBlanks();
    if (AtEnd()) Fail(XmlProblem::EndsInsideEndTag, XmlFacts().Name(name));
    if (Peek() != '>') Fail(XmlProblem::EndTagNotClosed, XmlFacts().Name(name));
    Step();
    if (open_.empty()) FailAt(at, XmlProblem::ClosesNothing, XmlFacts().Name(name));
    if (open_.back() != name)
      FailAt(at, XmlProblem::EndTagMismatch, XmlFacts().Name(name).Other(std::string(open_.back())));
    open_.pop_back();
  }

  std::string_view s_;
  const char* encoding_;
  size_t pos_ = 0;
  int line_ = 1;
  int column_ = 1;
  std::vector<std::string_view> open_;  // the elements open, the root first
  bool rootSeen_ = false;
};

// UTF-16 after its byte-order mark as UTF-8, each unit that is not
// well-formed UTF-16 (a lone surrogate, a last odd byte) as a byte that is
// not UTF-8 either, so that the screen finds it in its place.
std::string Utf16AsUtf8(std::string_view bytes) {
  const bool little = bytes[0] == '\xFF';
  const auto unit = [&](size_t at) -> char32_t {
    const auto lo = static_cast<unsigned char>(bytes[at + (little ? 0 : 1)]);
    const auto hi = static_cast<unsigned char>(bytes[at + (little ? 1 : 0)]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  std::string out;
  out.reserve(bytes.size());
  size_t at = 2;
  for (; at + 1 < bytes.size(); at += 2) {
    const char32_t u = unit(at);
    if (u >= 0xD800 && u <= 0xDBFF && at + 3 < bytes.size()) {
      const char32_t low = unit(at + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        at += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF)
      out += '\xFF';
    else
      AppendUtf8(out, u);
  }
  if (at < bytes.size()) out += '\xFF';
  return out;
}

}  // namespace

void ScreenXml(std::string_view bytes) {
  if (bytes.size() >= 2 &&
      ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    const std::string utf8 = Utf16AsUtf8(bytes);
    Screen(utf8, "UTF-16").Run();
  } else {
    Screen(bytes, "UTF-8").Run();
  }
}

}  // namespace hollin::cli

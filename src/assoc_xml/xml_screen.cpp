#include "assoc_xml/xml_screen.h"

#include <algorithm>
#include <cstdio>
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

const std::string kLimit = std::to_string(kMaxXmlTextBytes >> 10) + " KiB";

class Screen {
 public:
  Screen(std::string_view s, const char* encoding) : s_(s), encoding_(encoding) {}

  void Run() {
    if (LooksAt("\xEF\xBB\xBF")) pos_ = 3;
    while (!AtEnd()) {
      if (Peek() != '<') {
        Text();
      } else if (LooksAt("<!--")) {
        Delimited(4, "-->", "a comment");
      } else if (LooksAt("<?")) {
        Delimited(2, "?>", "a processing instruction");
      } else if (LooksAt("<![CDATA[")) {
        Delimited(9, "]]>", "a CDATA section");
      } else if (LooksAt("<!DOCTYPE")) {
        Fail("the file has a document type declaration, which is not read");
      } else if (LooksAt("<!")) {
        Fail("markup that is not well-formed");
      } else if (LooksAt("</")) {
        EndTag();
      } else {
        StartTag();
      }
    }
    if (!open_.empty()) Fail("the file ends before </" + std::string(open_.back()) + ">");
    if (!rootSeen_) Fail("the file has no root element");
  }

 private:
  struct Place {
    int line, column;
  };

  [[noreturn]] void Fail(const std::string& problem) const { FailAt(Here(), problem); }
  [[noreturn]] static void FailAt(Place at, const std::string& problem) {
    throw XmlSyntaxError(at.line, at.column, problem);
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
      if (!DecodeUtf8(s_, next, cp))
        Fail(std::string("bytes that are not well-formed ") + encoding_);
    }
    if (!IsXmlChar(cp)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
      Fail(std::string("a character that XML does not allow (") + code + ")");
    }
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
  void Limit(size_t start, Place at, const std::string& what) const {
    if (pos_ - start > kMaxXmlTextBytes) FailAt(at, what + " is longer than " + kLimit);
  }

  // A comment, processing instruction or CDATA section, up to its end.
  void Delimited(size_t opening, std::string_view closing, const std::string& what) {
    const Place at = Here();
    Step(opening);
    const size_t start = pos_;
    const bool comment = closing == "-->";
    while (!LooksAt(closing)) {
      if (AtEnd()) Fail("the file ends inside " + what);
      if (comment && LooksAt("--")) Fail("\"--\" stands inside a comment");
      Step();
      Limit(start, at, what);
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
      if (AtEnd()) Fail("the file ends inside a character reference");
      if (!AddReferenceDigit(cp, Peek(), hex)) Fail("a character reference holds something other than digits");
    }
    if (digits == 0 || !IsXmlChar(cp))
      FailAt(at, "a character reference names a character that XML does not allow");
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
      if (!blank) Limit(start, at, "text between tags");
    }
  }

  std::string_view Name(const std::string& problem) {
    const size_t start = pos_;
    while (!AtEnd() && !EndsName(Peek())) Step();
    if (pos_ == start) Fail(problem);
    return s_.substr(start, pos_ - start);
  }

  void Value(std::string_view attribute) {
    const std::string name(attribute);
    const char quote = Peek();
    if (quote != '"' && quote != '\'') Fail("the value of " + name + " is not in quotes");
    const Place at = Here();
    Step();
    const size_t start = pos_;
    while (Peek() != quote) {
      if (AtEnd()) Fail("the file ends inside the value of " + name);
      if (Peek() == '<') Fail("'<' stands in the value of " + name + " (write &lt;)");
      if (Peek() == '&')
        Reference();
      else
        Step();
      Limit(start, at, "the value of " + name);
    }
    Step();
  }

  void StartTag() {
    Step();  // '<'
    const Place at = Here();
    const std::string_view name = Name("'<' is not followed by a name");
    const std::string tag = "<" + std::string(name) + ">";
    if (open_.size() >= static_cast<size_t>(kMaxXmlDepth))
      FailAt(at, "elements nest deeper than " + std::to_string(kMaxXmlDepth) + " levels");
    std::unordered_set<std::string_view> seen;
    for (;;) {
      const bool blank = SkipBlanks();
      if (AtEnd()) Fail("the file ends inside the tag " + tag);
      if (LooksAt("/>")) {
        Step(2);
        break;
      }
      if (Peek() == '>') {
        Step();
        open_.push_back(name);
        break;
      }
      if (!blank)
        Fail("the tag " + tag + " goes on with something other than a blank, '>' or '/>'");
      const Place attributeAt = Here();
      const std::string_view attribute =
          Name("the tag " + tag + " holds something other than attributes");
      if (!seen.insert(attribute).second)
        FailAt(attributeAt,
               "the attribute " + std::string(attribute) + " appears twice in one tag");
      SkipBlanks();
      if (AtEnd()) Fail("the file ends inside the tag " + tag);
      if (Peek() != '=') Fail("the attribute " + std::string(attribute) + " has no '=' and value");
      Step();
      SkipBlanks();
      Value(attribute);
    }
    rootSeen_ = true;
  }

  void EndTag() {
    Step(2);  // "</"
    const Place at = Here();
    const std::string name(Name("'</' is not followed by a name"));
    SkipBlanks();
    if (AtEnd()) Fail("the file ends inside the end tag </" + name + ">");
    if (Peek() != '>') Fail("the end tag </" + name + "> is not closed by '>'");
    Step();
    if (open_.empty()) FailAt(at, "</" + name + "> closes no element");
    if (open_.back() != name)
      FailAt(at, "</" + name + "> stands where </" + std::string(open_.back()) + "> was due");
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

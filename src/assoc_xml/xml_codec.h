// The XML that the command line reads and writes, behind one seam: on
// Windows the system's own parser and writer (XmlLite, win32_xmllite.cpp);
// in the native build a small portable reader and writer with the same
// contract (xml_portable.cpp), which the Windows tests run as well.
//
// Text is UTF-8 on both sides of the seam. Documents are read whole; only
// start tags and their attributes reach the caller, as that is all the
// program's files carry: text, comments, CDATA sections and processing
// instructions are checked for well-formedness and skipped.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hollin::cli {

// How deep elements may nest (the root is level 1). The program's files need
// two levels; a document nested deeper is refused before it can cost much.
inline constexpr int kMaxXmlDepth = 32;

struct XmlAttribute {
  std::string name;   // the local name, without a prefix
  std::string value;  // entity and character references resolved
};

// A start tag (or an empty-element tag) as the reader meets it.
struct XmlElement {
  std::string name;                      // the local name, without a prefix
  std::vector<XmlAttribute> attributes;  // in document order, without xmlns declarations
  int depth = 0;                         // 0 for the root
  int line = 0;                          // where the element's name begins (just after its "<"),
  int column = 0;                        // both counted from 1, as XmlLite tells it

  // The value of the attribute of that name, or nullptr.
  const std::string* Attribute(std::string_view attributeName) const;
};

// An element to write, with its attributes and the elements within it.
struct XmlNode {
  std::string name;
  std::vector<XmlAttribute> attributes;
  std::vector<XmlNode> children;
};

// What is not well-formed XML, or what the reader refuses (a document type
// declaration, what the screen of xml_screen.h refuses: elements nested
// deeper than kMaxXmlDepth, a comment or a text too long), and where it was
// found: line and column counted from 1, or 0 when the reader could not say.
class XmlSyntaxError : public std::runtime_error {
 public:
  XmlSyntaxError(int line, int column, const std::string& problem);
  int line() const { return line_; }
  int column() const { return column_; }
  const std::string& problem() const { return problem_; }

 private:
  int line_;
  int column_;
  std::string problem_;
};

class IXmlCodec {
 public:
  virtual ~IXmlCodec() = default;

  // Reads a whole document and calls onElement for each start tag, in
  // document order; the read always ends. Every document passes the screen
  // (ScreenXml) before it is parsed. Throws XmlSyntaxError at the first
  // thing that is not well-formed or that the screen refuses; a document
  // type declaration is refused, never read, so no entity can be declared.
  // Whatever onElement throws passes through.
  virtual void Read(std::string_view bytes,
                    const std::function<void(const XmlElement&)>& onElement) = 0;

  // A whole document in UTF-8: the XML declaration, then root, each element
  // on a line of its own, indented by level; attribute values escaped so
  // that Read gives them back unchanged. Every name and value must pass
  // IsWritableXmlText (the caller checks).
  virtual std::string Write(const XmlNode& root) = 0;
};

// The portable reader and writer. It reads UTF-8 only (with or without a
// byte-order mark); a document that declares another encoding is refused.
std::unique_ptr<IXmlCodec> MakePortableXmlCodec();

#ifdef _WIN32
// The system's XmlLite: xmllite.dll, loaded from the system folder (never
// from beside the program) when the codec is made. Throws
// std::runtime_error when the library cannot be loaded.
std::unique_ptr<IXmlCodec> MakeXmlLiteCodec();

// Should XmlLite crash all the same on a document the screen let through,
// onCrash is told the exception's code while a document is read; it says so
// and ends the process (the command line: a message and its exit code for
// failures). Without one, or should it return, the process ends with
// EXIT_FAILURE.
void SetXmlCrashHandler(void (*onCrash)(unsigned long exceptionCode));
#endif

// The codec the program uses: XmlLite on Windows, the portable one elsewhere.
std::unique_ptr<IXmlCodec> MakeSystemXmlCodec();

// Whether text is well-formed UTF-8 that an attribute carries unchanged
// through any writer and reader: no control characters at all (XML has no
// room for most, and a reader turns a tab or a line break written as it is
// into a blank), and neither U+FFFE nor U+FFFF.
// An attribute value with &, <, > and " as the references XML reads back.
std::string EscapeXmlAttribute(std::string_view value);

bool IsWritableXmlText(std::string_view text);

}  // namespace hollin::cli

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

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
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

// What a reader or the screen refuses. Where the portable reader, the
// screen and the system's reader find the same fault, they name it alike.
// The facts each uses are named beside it (see XmlFacts).
enum class XmlProblem : std::uint8_t {
  // Found by the screen or the portable reader
  NoRoot,
  OutsideRoot,
  SecondRoot,
  Doctype,
  MarkupNotWellFormed,
  MarkupInElement,
  XmlDeclNotWellFormed,
  XmlDeclElsewhere,
  XmlDeclUnknownPart,      // name: the part
  XmlDeclNoVersion,
  Utf16Only,
  OtherEncoding,           // name: the encoding declared
  BadBytes,                // name: the encoding the bytes should have
  NotXmlChar,              // number: the code point
  BadName,                 // name
  AmpersandAlone,
  RefNotDigits,
  RefNotClosed,
  RefNotXmlChar,
  EntityRefNotClosed,
  UndeclaredEntity,        // name: the entity
  EndsInsideCharRef,
  ValueNotQuoted,          // name: the attribute
  EndsInsideValue,         // name: the attribute
  LtInValue,               // name: the attribute
  NoEquals,                // name: the attribute
  AttributeTwice,          // name: the attribute
  LtNoName,
  EndTagNoName,
  PiNoName,
  TagHoldsOther,           // name: the tag
  TagGoesOn,               // name: the tag
  EndsInsideTag,           // name: the tag
  EndsInsideEndTag,        // name: the tag
  EndTagNotClosed,         // name: the tag
  EndsBeforeEndTag,        // name: the element open
  EndTagMismatch,          // name: the end tag, other: the element open
  ClosesNothing,           // name: the end tag
  EndsInsideComment,
  EndsInsidePi,
  EndsInsideCdata,
  DashDashInComment,
  CdataEndInText,
  CommentTooLong,          // number: the limit in KiB
  PiTooLong,               // number: the limit in KiB
  CdataTooLong,            // number: the limit in KiB
  TextTooLong,             // number: the limit in KiB
  ValueTooLong,            // name: the attribute, number: the limit in KiB
  TooDeep,                 // number: the levels allowed
  // Told by the system's reader
  InputEnds,
  EncodingMismatch,
  EncodingSwitch,
  UnknownEncoding,
  ElementMismatch,
  NotQuoted,
  NoGreaterThan,
  NoBlank,
  NoEqualsSign,
  LessThan,
  NoSemicolon,
  EntityNotDeclared,
  Character,
  NameCharacter,
  Name,
  UniqueAttribute,
  RootElement,
  Comment,
  ReaderFailed,            // number: the reader's error code
  DocumentTooLarge,
  ReaderStuck,
};
inline constexpr int kXmlProblems = static_cast<int>(XmlProblem::ReaderStuck) + 1;

struct XmlFacts {
  std::string name;
  std::string other;
  std::uint64_t number = 0;
  bool early = false;  // found as the file ended too soon

  XmlFacts& Name(std::string v) { name = std::move(v); return *this; }
  XmlFacts& Other(std::string v) { other = std::move(v); return *this; }
  XmlFacts& Number(std::uint64_t v) { number = v; return *this; }
  XmlFacts& Early(bool v) { early = v; return *this; }
};

// What is not well-formed XML, or what the reader refuses (a document type
// declaration, what the screen of xml_screen.h refuses: elements nested
// deeper than kMaxXmlDepth, a comment or a text too long), and where it was
// found: line and column counted from 1, or 0 when the reader could not say.
// The messages word it (msg::XmlSyntaxText).
class XmlSyntaxError : public std::runtime_error {
 public:
  XmlSyntaxError(int line, int column, XmlProblem problem, XmlFacts facts = {});
  int line() const { return line_; }
  int column() const { return column_; }
  XmlProblem problem() const { return problem_; }
  const XmlFacts& facts() const { return facts_; }

 private:
  int line_;
  int column_;
  XmlProblem problem_;
  XmlFacts facts_;
};

// What fails in the system's reader or writer without a document's fault:
// the library cannot be loaded, a call fails, memory runs out.
enum class XmlCodecProblem : std::uint8_t {
  NotLoaded,    // number: the system's error
  NoFunctions,
  CallFailed,   // name: the call, number: its result
  NoMemory,
};

class XmlCodecError : public std::runtime_error {
 public:
  XmlCodecError(XmlCodecProblem problem, std::string call = std::string(), std::uint64_t number = 0);
  XmlCodecProblem problem() const { return problem_; }
  const std::string& call() const { return call_; }
  std::uint64_t number() const { return number_; }

 private:
  XmlCodecProblem problem_;
  std::string call_;
  std::uint64_t number_;
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
// from beside the program) when the codec is made. Throws XmlCodecError
// when the library cannot be loaded.
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

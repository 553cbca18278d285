#include "messages/xml_texts.h"

#include <cstdio>

namespace hollin::msg {
namespace {

std::string Hex(std::uint64_t code) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

std::string Tag(const std::string& name) { return "<" + name + ">"; }
std::string EndTag(const std::string& name) { return "</" + name + ">"; }
std::string Limit(std::uint64_t kib) { return " is longer than " + std::to_string(kib) + " KiB"; }

std::string Problem(cli::XmlProblem problem, const cli::XmlFacts& f) {
  using P = cli::XmlProblem;
  switch (problem) {
    case P::NoRoot: return "the file has no root element";
    case P::OutsideRoot: return "text or markup stands outside the root element";
    case P::SecondRoot: return "a second root element follows the first";
    case P::Doctype: return "the file has a document type declaration, which is not read";
    case P::MarkupNotWellFormed: return "markup that is not well-formed";
    case P::MarkupInElement: return "markup that may not stand inside an element";
    case P::XmlDeclNotWellFormed: return "the XML declaration is not well-formed";
    case P::XmlDeclElsewhere: return "an XML declaration stands elsewhere than at the very start";
    case P::XmlDeclUnknownPart: return "the XML declaration has an unknown part \"" + f.name + "\"";
    case P::XmlDeclNoVersion: return "the XML declaration has no version";
    case P::Utf16Only: return "the file is UTF-16; this reader reads UTF-8 only";
    case P::OtherEncoding: return "the file declares the encoding \"" + f.name + "\"; this reader reads UTF-8 only";
    case P::BadBytes: return "bytes that are not well-formed " + f.name;
    case P::NotXmlChar: {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(f.number));
      return std::string("a character that XML does not allow (") + code + ")";
    }
    case P::BadName: return "the name " + f.name + " is not a prefix and a local part joined by one colon";
    case P::AmpersandAlone: return "'&' begins neither an entity nor a character reference (write &amp;)";
    case P::RefNotDigits: return "a character reference holds something other than digits";
    case P::RefNotClosed: return "a character reference is not closed by ';'";
    case P::RefNotXmlChar: return "a character reference names a character that XML does not allow";
    case P::EntityRefNotClosed: return "a reference to an entity is not closed by ';'";
    case P::UndeclaredEntity:
      return "the entity &" + f.name + "; is not declared (a file without a document type declares none)";
    case P::EndsInsideCharRef: return "the file ends inside a character reference";
    case P::ValueNotQuoted: return "the value of " + f.name + " is not in quotes";
    case P::EndsInsideValue: return "the file ends inside the value of " + f.name;
    case P::LtInValue: return "'<' stands in the value of " + f.name + " (write &lt;)";
    case P::NoEquals: return "the attribute " + f.name + " has no '=' and value";
    case P::AttributeTwice: return "the attribute " + f.name + " appears twice in one tag";
    case P::LtNoName: return "'<' is not followed by a name";
    case P::EndTagNoName: return "'</' is not followed by a name";
    case P::PiNoName: return "a processing instruction has no name";
    case P::TagHoldsOther: return "the tag " + Tag(f.name) + " holds something other than attributes";
    case P::TagGoesOn: return "the tag " + Tag(f.name) + " goes on with something other than a blank, '>' or '/>'";
    case P::EndsInsideTag: return "the file ends inside the tag " + Tag(f.name);
    case P::EndsInsideEndTag: return "the file ends inside the end tag " + EndTag(f.name);
    case P::EndTagNotClosed: return "the end tag " + EndTag(f.name) + " is not closed by '>'";
    case P::EndsBeforeEndTag: return "the file ends before " + EndTag(f.name);
    case P::EndTagMismatch: return EndTag(f.name) + " stands where " + EndTag(f.other) + " was due";
    case P::ClosesNothing: return EndTag(f.name) + " closes no element";
    case P::EndsInsideComment: return "the file ends inside a comment";
    case P::EndsInsidePi: return "the file ends inside a processing instruction";
    case P::EndsInsideCdata: return "the file ends inside a CDATA section";
    case P::DashDashInComment: return "\"--\" stands inside a comment";
    case P::CdataEndInText: return "\"]]>\" stands in text";
    case P::CommentTooLong: return "a comment" + Limit(f.number);
    case P::PiTooLong: return "a processing instruction" + Limit(f.number);
    case P::CdataTooLong: return "a CDATA section" + Limit(f.number);
    case P::TextTooLong: return "text between tags" + Limit(f.number);
    case P::ValueTooLong: return "the value of " + f.name + Limit(f.number);
    case P::TooDeep: return "elements nest deeper than " + std::to_string(f.number) + " levels";
    case P::InputEnds: return "the file ends before its root element does";
    case P::EncodingMismatch: return "bytes that do not fit the file's encoding";
    case P::EncodingSwitch: return "the file declares an encoding that its bytes do not have";
    case P::UnknownEncoding: return "the file declares an encoding that the reader does not know";
    case P::ElementMismatch: return "an end tag does not match its start tag";
    case P::NotQuoted: return "a value is not in quotes";
    case P::NoGreaterThan: return "a tag is not closed by '>'";
    case P::NoBlank: return "a blank is missing";
    case P::NoEqualsSign: return "an attribute has no '=' and value";
    case P::LessThan: return "'<' stands where it may not (write &lt;)";
    case P::NoSemicolon: return "a reference is not closed by ';'";
    case P::EntityNotDeclared: return "an entity is not declared (a file without a document type declares none)";
    case P::Character: return "a character that XML does not allow";
    case P::NameCharacter: return "a name holds a character that names may not";
    case P::Name: return "a name is missing or not well-formed";
    case P::UniqueAttribute: return "an attribute appears twice in one tag";
    case P::RootElement: return "the file has no root element, or more than one";
    case P::Comment: return "a comment is not well-formed";
    case P::ReaderFailed: return "the XML reader failed with error " + Hex(f.number);
    case P::DocumentTooLarge: return "the document is too large for the XML reader";
    case P::ReaderStuck: return "the XML reader gets no further (the file may end too soon)";
  }
  return std::string();
}

std::string Where(const std::string& source, int line, int column) {
  if (source.empty()) return std::string();
  if (line <= 0) return source + ": ";
  return source + ", line " + std::to_string(line) + ", column " + std::to_string(column) + ": ";
}

std::string AssociationsText(const cli::AssociationsFileError& e, const std::string& source) {
  using R = cli::AssociationsReason;
  const std::string where = Where(source, e.line(), e.column());
  const std::string notWritten = "the associations cannot be written: ";
  const std::string association = "the association of \"" + e.name() + "\" cannot be written: ";
  switch (e.reason()) {
    case R::TooLarge:
      return where + "the file has " + std::to_string(e.number()) + " bytes; an associations file may have at most " +
             std::to_string(cli::kMaxAssociationsFileBytes >> 20) + " MiB";
    case R::NotWellFormed:
      return where + "not well-formed XML: " + (e.xml() ? XmlProblemText(*e.xml()) : std::string());
    case R::WrongRoot:
      return where + "the root element is <" + e.name() + ">; an associations file has <DefaultAssociations>";
    case R::NoRoot: return where + "the file has no <DefaultAssociations> root element";
    case R::NoIdentifier: return where + "an Association has no Identifier";
    case R::NoProgId: return where + "the Association of \"" + e.name() + "\" has no ProgId";
    case R::TypeTwice:
    case R::ProtocolTwice:
      return where + (e.reason() == R::TypeTwice ? "the type \"" : "the protocol \"") + e.name() +
             "\" is named a second time (first on line " + std::to_string(e.number()) + ")";
    case R::NeedsIdentifier: return association + "an association needs an Identifier and a ProgId";
    case R::UnwritableName: return association + "its " + e.other() + " is not UTF-8 or holds control characters";
    case R::ReadsBackRefused:
      return notWritten + (e.readBack() ? AssociationsText(*e.readBack(), "the file written") : std::string());
    case R::ReadsBackOtherwise: return notWritten + "the file written does not read back as they were";
  }
  return where;
}

}  // namespace

std::string XmlProblemText(const cli::XmlSyntaxError& e) {
  const std::string problem = Problem(e.problem(), e.facts());
  return e.facts().early ? "the file ends too soon: " + problem : problem;
}

std::string XmlSyntaxText(const cli::XmlSyntaxError& e) {
  const std::string problem = XmlProblemText(e);
  if (e.line() <= 0) return problem;
  return "line " + std::to_string(e.line()) + ", column " + std::to_string(e.column()) + ": " + problem;
}

std::string AssociationsFileText(const cli::AssociationsFileError& e) { return AssociationsText(e, e.source()); }

std::string XmlCodecText(const cli::XmlCodecError& e) {
  using P = cli::XmlCodecProblem;
  switch (e.problem()) {
    case P::NotLoaded: return "XmlLite (xmllite.dll) cannot be loaded: error " + std::to_string(e.number());
    case P::NoFunctions: return "xmllite.dll has no CreateXmlReader or CreateXmlWriter";
    case P::CallFailed: return "XmlLite: " + e.call() + " failed with error " + Hex(e.number());
    case P::NoMemory: return "XmlLite: no memory for the document";
  }
  return std::string();
}

}  // namespace hollin::msg

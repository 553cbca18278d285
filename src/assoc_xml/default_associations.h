// Default associations files: the XML in which administrators describe the
// associations they want, as the system's image servicing tool exports them
// and Group Policy deploys them:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <DefaultAssociations>
//     <Association Identifier=".txt" ProgId="txtfile" ApplicationName="Notes" />
//     <Association Identifier="http" ProgId="..." ApplicationName="..." />
//   </DefaultAssociations>
//
// An Identifier is a file type (".txt") or a protocol ("http"); the program
// checks both, and names neither twice. The
// Associations are the root's own children; attributes and elements the
// program does not know are passed over, with whatever they hold. What is
// not well-formed XML is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "assoc_xml/xml_codec.h"

namespace hollin::cli {

struct DefaultAssociation {
  std::string identifier;       // ".txt" or "http"
  std::string progId;           // never empty
  std::string applicationName;  // "" when the file gives none
  bool operator==(const DefaultAssociation&) const = default;
};

// A file larger than this is refused before any of it is parsed.
inline constexpr size_t kMaxAssociationsFileBytes = 16u << 20;

enum class AssociationsProblem {
  TooLarge,          // more than kMaxAssociationsFileBytes
  NotWellFormed,     // not well-formed XML, a document type declaration, nested too deep
  NoRoot,            // the root element is not DefaultAssociations
  MissingAttribute,  // an Association without an Identifier or a ProgId
  TypeTwice,         // one file type or protocol named by two Associations (letter case aside)
  Unwritable,        // an association whose names XML cannot carry (writing)
};

// What is wrong, in detail, with the facts each uses.
enum class AssociationsReason : std::uint8_t {
  TooLarge,             // number: the file's bytes
  NotWellFormed,        // xml(): what the reader refused
  WrongRoot,            // name: the root element
  NoRoot,
  NoIdentifier,
  NoProgId,             // name: the Identifier
  TypeTwice,            // name: the type, number: the line that named it first
  ProtocolTwice,        // name: the protocol, number: the line that named it first
  NeedsIdentifier,      // name: the Identifier (writing)
  UnwritableName,       // name: the Identifier, other: the attribute (writing)
  ReadsBackRefused,     // readBack(): the refusal of the file written
  ReadsBackOtherwise,   // (writing)
};

// Where it was found: source names the file ("" when writing), line and
// column are those of the element, or 0 when the problem has no place in the
// file. The messages word it (msg::AssociationsFileText).
class AssociationsFileError : public std::runtime_error {
 public:
  AssociationsFileError(AssociationsReason reason, std::string source, int line, int column,
                        std::string name = std::string(), std::string other = std::string(),
                        std::uint64_t number = 0);
  AssociationsProblem problem() const;
  AssociationsReason reason() const { return reason_; }
  const std::string& source() const { return source_; }
  int line() const { return line_; }
  int column() const { return column_; }
  const std::string& name() const { return name_; }
  const std::string& other() const { return other_; }
  std::uint64_t number() const { return number_; }
  // What the XML reader refused (NotWellFormed).
  const std::shared_ptr<const XmlSyntaxError>& xml() const { return xml_; }
  // Why the file written does not read back (ReadsBackRefused).
  const std::shared_ptr<const AssociationsFileError>& readBack() const { return readBack_; }

  static AssociationsFileError NotWellFormed(std::string source, const XmlSyntaxError& e);
  static AssociationsFileError ReadsBackRefused(const AssociationsFileError& e);

 private:
  AssociationsReason reason_;
  std::string source_;
  int line_;
  int column_;
  std::string name_;
  std::string other_;
  std::uint64_t number_;
  std::shared_ptr<const XmlSyntaxError> xml_;
  std::shared_ptr<const AssociationsFileError> readBack_;
};

// The Associations of a file, in file order, through the system's XML
// reader. sourceName names the file in errors. Throws AssociationsFileError
// at the first problem; nothing is returned then.
std::vector<DefaultAssociation> ReadDefaultAssociations(const std::string& xmlBytes,
                                                        const std::string& sourceName);
std::vector<DefaultAssociation> ReadDefaultAssociations(const std::string& xmlBytes,
                                                        const std::string& sourceName,
                                                        IXmlCodec& codec);

// The file of associations, in UTF-8 with the XML declaration, one
// Association element for each entry in list order, each with its three
// attributes. Throws AssociationsFileError (Unwritable) for an entry
// without an Identifier or a ProgId, or with names that are not UTF-8 or
// hold control characters, for a list that names a type twice, and whenever
// the text written does not read back as the list: no file is made that
// ReadDefaultAssociations would refuse or read otherwise.
std::string WriteDefaultAssociations(const std::vector<DefaultAssociation>& list);
std::string WriteDefaultAssociations(const std::vector<DefaultAssociation>& list, IXmlCodec& codec);

}  // namespace hollin::cli

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

// what() is "<source>, line <l>, column <c>: <detail>", or "<source>:
// <detail>" when the problem has no place in the file (line() is then 0),
// or only the detail when there is no file (writing).
class AssociationsFileError : public std::runtime_error {
 public:
  AssociationsFileError(AssociationsProblem problem, std::string source, int line, int column,
                        const std::string& detail);
  AssociationsProblem problem() const { return problem_; }
  const std::string& source() const { return source_; }
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  AssociationsProblem problem_;
  std::string source_;
  int line_;
  int column_;
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

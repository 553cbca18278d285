// What the XML readers and the associations file's checks say, wherever
// they are shown: the command line, and the reports that hold its failures.
#pragma once

#include <string>

#include "assoc_xml/default_associations.h"
#include "assoc_xml/xml_codec.h"

namespace hollin::msg {

// What the reader refused, without its place ("a comment is not
// well-formed").
std::string XmlProblemText(const cli::XmlSyntaxError& e);
// The same after its place: "line 3, column 7: ...", or only the problem
// where the reader could not say where.
std::string XmlSyntaxText(const cli::XmlSyntaxError& e);
// "<source>, line <l>, column <c>: <what>", or "<source>: <what>" where the
// problem has no place in the file, or only what is wrong when there is no
// file (writing).
std::string AssociationsFileText(const cli::AssociationsFileError& e);
// Why the system's XML reader or writer could not be used.
std::string XmlCodecText(const cli::XmlCodecError& e);

}  // namespace hollin::msg

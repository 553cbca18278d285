// The context map of a compiled HTML Help file, set after chmcmd.
//
// chmcmd (Free Pascal 3.2.2) records each topic of the project's [MAP] with
// the project's absolute folder in front of the page's name
// ("/home/.../topic-3.htm"), a page no viewer finds in the file: HTML Help
// then opens an empty page for HH_HELP_CONTEXT. SetChmContextMap writes the
// map anew, each number pointing at its page's own name, which the file's
// string table (#STRINGS) holds as the tail of chmcmd's string. The new map
// (#IVB) is appended to the uncompressed section and its directory entry
// pointed there; the old one stays, unreferenced, in the compressed section.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace hollin::helpgen {

class ChmError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// chm: the compiled file; strings: its #STRINGS (as chmls extracts it);
// numbers: the topics to map, each to ChmPage(number). Returns the file
// with the new map; raises ChmError where the file is not one this can
// change (not ITSF version 3, a directory of more than one chunk, no #IVB)
// or a page's name is not in the strings.
std::string SetChmContextMap(std::string chm, const std::string& strings,
                             const std::vector<int>& numbers);

}  // namespace hollin::helpgen

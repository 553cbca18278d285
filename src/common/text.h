// Text helpers shared by the registry store and the association collection.
// Registry names are compared without regard to letter case. Names are ANSI
// bytes (Windows-1252 on the machines we target): ASCII letters and the
// Latin-1 letters of that code page fold; every other byte stands for itself.
#pragma once

#include <string>
#include <string_view>

namespace hollin {

// Lower-case form of one ANSI byte.
char FoldChar(char c);

// Lower-case form of a whole name; two names are the same name exactly when
// their folded forms are equal.
std::string FoldCase(std::string_view s);

bool EqualsNoCase(std::string_view a, std::string_view b);

// Order of the folded forms, compared by the characters the bytes stand for
// (their Windows-1252 code points, so that e.g. 0x80, the euro sign, sorts
// after every Latin-1 letter): the order in which the registry enumerates
// subkeys. For ASCII this is the plain order of the folded bytes.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace hollin

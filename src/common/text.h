// Text helpers shared by the registry store and the association collection.
// Registry names are compared without regard to letter case, as the registry
// compares them: two names are the same name when the system's upper-case
// table (case_table.h) makes the same of them, one UTF-16 unit at a time;
// characters beyond the BMP stay as they are, and so does a lone surrogate.
// Names are WTF-8 (wtf8.h); a byte that begins no character is read as a
// Windows-1252 character.
#pragma once

#include <string>
#include <string_view>

namespace hollin {

// Lower-case form of one ASCII byte; any other byte stays as it is.
char FoldChar(char c);

// The folded form of a whole name, well-formed WTF-8: each character is
// replaced by the one that stands for all that upcase alike (for ASCII
// letters, the lower-case letter). Two names are the same name exactly when
// their folded forms are equal.
std::string FoldCase(std::string_view s);

bool EqualsNoCase(std::string_view a, std::string_view b);

// Capital-letter form of a text, by the system's upper-case table.
std::string UpperCase(std::string_view s);

// Order of the folded forms, compared UTF-16 unit by unit (a character
// beyond the BMP, a surrogate pair, sorts between U+D7FF and U+E000, among
// the lone surrogates): the
// order in which the registry enumerates subkeys. For ASCII this is the plain
// order of the folded bytes.
int CompareNoCase(std::string_view a, std::string_view b);

// The program's texts break lines at a carriage return alone; Windows'
// controls and message boxes want CR LF: a line feed after each CR that has
// none.
std::string WithLineFeeds(std::string_view text);

// A count with its thousands grouped: "2,000", "1,234,567".
std::string GroupedCount(size_t n);

}  // namespace hollin

// The screen every document passes before a reader parses it, whichever
// reader that is (xml_screen.cpp). It holds a document to what any XML
// reader can take without running away: well-formed UTF-8, or UTF-16 after
// a byte-order mark; only the characters XML allows, raw or as a character
// reference; markup that begins and ends (comments, processing
// instructions, CDATA sections, tags, quoted values), each attribute once in
// its tag, end tags that close the element open, at most kMaxXmlDepth levels,
// an end of the file after the root's end tag; and no comment, processing
// instruction, CDATA section, attribute value or text between tags longer
// than kMaxXmlTextBytes (blanks between tags count for nothing). The
// system's reader on Windows loops or crashes on some of what is refused
// here. What the screen lets through is still parsed in full: the XML
// declaration, names, entities, what stands outside the root.
#pragma once

#include <cstddef>
#include <string_view>

namespace hollin::cli {

// The longest comment, processing instruction, CDATA section, attribute
// value or text that a document may hold, in bytes of UTF-8.
inline constexpr size_t kMaxXmlTextBytes = 64u << 10;

// The characters an XML 1.0 document may hold.
constexpr bool IsXmlChar(char32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// A character reference ("&#65;", "&#x41;") one digit further: the value
// so far with digit c added, held at 0x110000 (past every character) so
// that no number overflows; false where c is no digit of the reference.
constexpr bool AddReferenceDigit(char32_t& cp, char c, bool hex) {
  int d;
  if (c >= '0' && c <= '9') d = c - '0';
  else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
  else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
  else return false;
  const char32_t next = cp * (hex ? 16 : 10) + static_cast<char32_t>(d);
  cp = next < 0x110000 ? next : 0x110000;
  return true;
}

// Throws XmlSyntaxError at the first thing refused, with its line and
// column, counted as the readers count them (a column counts characters).
void ScreenXml(std::string_view bytes);

}  // namespace hollin::cli

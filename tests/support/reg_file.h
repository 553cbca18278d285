// Registry export text files: what the system's registry editor and
// "reg export" write, and what RegistryStore keeps its tree in.
//
// Read: "REGEDIT4" and "Windows Registry Editor Version 5.00", as UTF-16 LE
// with a byte-order mark, or as WTF-8 (UTF-8 that keeps lone surrogates,
// common/wtf8.h; with or without a byte-order mark); a file in neither is
// refused. Text is converted to the bytes the registry layer gives, WTF-8; in a version 5
// file the hex(1), hex(2) and hex(7) data are UTF-16 LE and are converted the
// same way, in a REGEDIT4 file they are those bytes already.
//
// Written: always REGEDIT4, UTF-8 (WTF-8 where a lone surrogate is kept),
// CRLF line ends, because REGEDIT4 carries the store's bytes without any
// conversion. A string that a quoted form cannot give back byte for byte (no
// single terminating NUL, embedded NULs, CR or LF, bytes that are no WTF-8)
// is written as hex(1):..., a REG_DWORD of other than 4 bytes as
// hex(4):..., so that reading the output gives back exactly the same keys,
// types and bytes.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "registry/reg_types.h"

namespace hollin {

// A file that cannot be read as a registry export, or a tree that cannot be
// written as one. what() is "<source>, line <n>: <problem>" (without the line
// when the problem is not tied to one).
class RegFileError : public std::runtime_error {
 public:
  RegFileError(const std::string& source, int line, const std::string& problem);
  int line() const { return line_; }  // 1-based; 0 when not tied to a line

 private:
  int line_;
};

struct RegFileValue {
  std::string name;     // "" is the default value ("@")
  bool remove = false;  // "name"=-
  DWORD type = REG_NONE;
  std::string data;  // the bytes RegQueryValueExA of the registry layer gives
};

struct RegFileKey {
  HKEY root = HKEY_CLASSES_ROOT;
  std::string path;     // below the root, '\'-separated, no leading '\'
  bool remove = false;  // [-...]: delete the key with everything below it
  std::vector<RegFileValue> values;
};

// The entries of a file in file order.
struct RegFileContent {
  std::vector<RegFileKey> keys;
};

// The registry's limits, which a file is held to: a key name of at most 255
// characters, a value name of at most 16,383 (both counted in UTF-16 units,
// as Windows counts them), a key at most 512 levels below its root key.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
inline constexpr int kMaxKeyDepth = 512;

// Parses a whole file. source names it in error messages. Throws
// RegFileError at the first malformed line, and for whatever FormatRegFile
// could not write back (a line break in a key or value name), for a name or
// a depth beyond the registry's limits, and for UTF-16 (a file, or the data
// of a text value in a version 5 file) of an odd number of bytes.
RegFileContent ParseRegFile(std::string_view bytes, const std::string& source);

// The REGEDIT4 text of content. Throws RegFileError for a name that the
// format cannot hold (a CR or LF in a key or value name).
std::string FormatRegFile(const RegFileContent& content);

// "HKEY_CLASSES_ROOT" etc. for the four roots the store keeps; nullptr for
// any other handle.
const char* RootKeyName(HKEY root);

}  // namespace hollin

#include "support/reg_file.h"

#include <cstdint>
#include <cstdio>

#include "common/text.h"
#include "common/wtf8.h"

namespace hollin {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

struct RootName {
  const char* longName;
  const char* shortName;
  HKEY key;
};

const RootName* Roots() {
  static const RootName roots[] = {
      {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
      {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
      {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
      {"HKEY_USERS", "HKU", HKEY_USERS},
      {nullptr, nullptr, nullptr}};
  return roots;
}

// ---- Decoding to WTF-8 ---------------------------------------------------

// UTF-16 LE bytes (an even number) as WTF-8, as the registry layer converts
// registry text: a lone surrogate kept.
std::string Utf16ToWtf8(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return Wtf8FromUtf16(units.data(), units.size());
}

// The file's text as UTF-8 (WTF-8), from UTF-16 or UTF-8. A UTF-16 file of
// an odd number of bytes is cut short, and refused, as is one in neither.
std::string DecodeText(std::string_view bytes, const std::string& source) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0)
      throw RegFileError(source, 0, "a UTF-16 file with an odd number of bytes (cut short?)");
    return Utf16ToWtf8(bytes.substr(2));
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (!IsWtf8(bytes)) throw RegFileError(source, 0, "the file is neither UTF-8 nor UTF-16");
  return std::string(bytes);
}

// ---- Parsing ----------------------------------------------------------------

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  out.append(s);
  out.push_back('"');
  return out;
}

class Parser {
 public:
  Parser(std::string text, const std::string& source)
      : text_(std::move(text)), source_(source) {}

  RegFileContent Run() {
    SplitLines();
    size_t i = 0;
    while (i < lines_.size() && Trim(lines_[i]).empty()) ++i;
    if (i == lines_.size()) Fail(1, "the file is empty; expected \"REGEDIT4\" or \"" +
                                        std::string(kHeader5) + "\"");
    const std::string_view header = Trim(lines_[i]);
    if (header == kHeader5) {
      unicode_ = true;
    } else if (header != kHeader4) {
      Fail(static_cast<int>(i + 1), "expected \"REGEDIT4\" or \"" + std::string(kHeader5) +
                                        "\" as the first line");
    }
    for (++i; i < lines_.size(); ++i) {
      const int lineNo = static_cast<int>(i + 1);
      const std::string_view line = Trim(lines_[i]);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        KeyLine(line, lineNo);
        continue;
      }
      ValueEntry(i);
    }
    return std::move(content_);
  }

 private:
  struct Segment {
    std::string_view text;
    int line;
  };

  [[noreturn]] void Fail(int line, const std::string& problem) const {
    throw RegFileError(source_, line, problem);
  }

  void SplitLines() {
    std::string_view all(text_);
    while (true) {
      const size_t nl = all.find('\n');
      std::string_view line = all.substr(0, nl);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.find('\0') != std::string_view::npos)
        Fail(static_cast<int>(lines_.size() + 1), "a NUL character in the text");
      lines_.push_back(line);
      if (nl == std::string_view::npos) break;
      all.remove_prefix(nl + 1);
      if (all.empty()) break;  // the last line's own line end
    }
  }

  void KeyLine(std::string_view line, int lineNo) {
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos) Fail(lineNo, "a key line without a closing ']'");
    if (!Trim(line.substr(close + 1)).empty())
      Fail(lineNo, "unexpected text after the key's closing ']'");
    std::string_view name = line.substr(1, close - 1);
    RegFileKey key;
    if (!name.empty() && name.front() == '-') {
      key.remove = true;
      name.remove_prefix(1);
    }
    const size_t slash = name.find('\\');
    const std::string_view rootName = name.substr(0, slash);
    const RootName* root = Roots();
    while (root->key && !EqualsNoCase(rootName, root->longName) &&
           !EqualsNoCase(rootName, root->shortName))
      ++root;
    if (!root->key) Fail(lineNo, "unknown root key " + Quote(rootName));
    key.root = root->key;
    std::string_view rest = slash == std::string_view::npos ? "" : name.substr(slash + 1);
    if (rest.find('\r') != std::string_view::npos)
      Fail(lineNo, "a key name holds a line break");
    // Empty components (a doubled or trailing backslash) are dropped, as the
    // registry does when it opens a path. Names and depth are held to the
    // registry's limits.
    int depth = 0;
    while (!rest.empty()) {
      const size_t s = rest.find('\\');
      const std::string_view part = rest.substr(0, s);
      if (!part.empty()) {
        if (Utf16Length(part) > kMaxKeyNameLength)
          Fail(lineNo, "a key name longer than " + std::to_string(kMaxKeyNameLength) +
                           " characters");
        if (++depth > kMaxKeyDepth)
          Fail(lineNo, "a key deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        if (!key.path.empty()) key.path.push_back('\\');
        key.path.append(part);
      }
      if (s == std::string_view::npos) break;
      rest.remove_prefix(s + 1);
    }
    if (key.remove && key.path.empty()) Fail(lineNo, "a root key cannot be deleted");
    content_.keys.push_back(std::move(key));
  }

  // 1 to 8 hex digits as a number; what and the name it is refused as.
  std::uint32_t Hex32(std::string_view digits, int lineNo, const char* what, const char* name) const {
    if (digits.empty() || digits.size() > 8) Fail(lineNo, std::string(what) + " needs 1 to 8 hex digits");
    std::uint32_t v = 0;
    for (char c : digits) {
      if (HexDigit(c) < 0) Fail(lineNo, "invalid hex digit in " + std::string(name) + " " + Quote(digits));
      v = (v << 4) | static_cast<std::uint32_t>(HexDigit(c));
    }
    return v;
  }

  // Parses a quoted string at the front of s (which starts with '"'),
  // unescaping it; s is left after the closing quote.
  std::string QuotedString(std::string_view& s, int lineNo, const char* what) const {
    std::string out;
    size_t i = 1;
    for (; i < s.size() && s[i] != '"'; ++i) {
      if (s[i] != '\\') {
        out.push_back(s[i]);
        continue;
      }
      if (++i == s.size()) break;
      switch (s[i]) {
        case '\\': out.push_back('\\'); break;
        case '"': out.push_back('"'); break;
        case 'n': out.push_back('\n'); break;  // written so by some exporters
        case 'r': out.push_back('\r'); break;
        default:
          Fail(lineNo, std::string("unknown escape \"\\") + s[i] + "\" in " + what);
      }
    }
    if (i >= s.size()) Fail(lineNo, std::string("unterminated quoted ") + what);
    s.remove_prefix(i + 1);
    return out;
  }

  // A value entry at line i; hex data may go on over the following lines,
  // each but the last ending with '\\'. Leaves i at the entry's last line.
  void ValueEntry(size_t& i) {
    const int lineNo = static_cast<int>(i + 1);
    std::string_view s = Trim(lines_[i]);
    RegFileValue value;
    if (s.front() == '@') {
      s.remove_prefix(1);
    } else if (s.front() == '"') {
      value.name = QuotedString(s, lineNo, "value name");
      if (value.name.find_first_of("\r\n") != std::string::npos)
        Fail(lineNo, "a value name holds a line break");
      if (Utf16Length(value.name) > kMaxValueNameLength)
        Fail(lineNo, "a value name longer than " + std::to_string(kMaxValueNameLength) + " characters");
    } else {
      Fail(lineNo, "unrecognised line (expected a [key], a \"name\"=value or @=value)");
    }
    s = Trim(s);
    if (s.empty() || s.front() != '=') Fail(lineNo, "expected '=' after the value name");
    s = Trim(s.substr(1));
    if (content_.keys.empty()) Fail(lineNo, "a value before the first [key] line");
    if (content_.keys.back().remove) Fail(lineNo, "a value under a key that is being deleted");

    if (s == "-") {
      value.remove = true;
    } else if (!s.empty() && s.front() == '"') {
      value.type = REG_SZ;
      value.data = QuotedString(s, lineNo, "string");
      value.data.push_back('\0');
      if (!Trim(s).empty()) Fail(lineNo, "unexpected text after the closing quote");
    } else if (StartsWithNoCase(s, "dword:")) {
      const std::uint32_t v = Hex32(s.substr(6), lineNo, "a dword", "the dword");
      value.type = REG_DWORD;
      for (int k = 0; k < 4; ++k) value.data.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
    } else if (StartsWithNoCase(s, "hex")) {
      std::vector<Segment> segments{{s, lineNo}};
      while (!segments.back().text.empty() && segments.back().text.back() == '\\') {
        segments.back().text.remove_suffix(1);
        if (++i == lines_.size())
          Fail(segments.back().line, "a line continuation ('\\') at the end of the file");
        segments.push_back({Trim(lines_[i]), static_cast<int>(i + 1)});
      }
      HexValue(segments, value);
    } else {
      Fail(lineNo, "unrecognised value data " + Quote(s));
    }
    content_.keys.back().values.push_back(std::move(value));
  }

  void HexValue(const std::vector<Segment>& segments, RegFileValue& value) {
    const int lineNo = segments.front().line;
    std::string_view s = segments.front().text.substr(3);  // after "hex"
    value.type = REG_BINARY;
    if (!s.empty() && s.front() == '(') {
      const size_t close = s.find(')');
      if (close == std::string_view::npos) Fail(lineNo, "a hex(type) without its ')'");
      value.type = Hex32(s.substr(1, close - 1), lineNo, "a hex(type)", "the type");
      s.remove_prefix(close + 1);
    }
    if (s.empty() || s.front() != ':') Fail(lineNo, "expected ':' after hex");
    s.remove_prefix(1);
    std::string bytes;
    bool needByte = false;  // after a comma: a byte must follow
    for (size_t k = 0; k < segments.size(); ++k) {
      std::string_view part = k == 0 ? s : segments[k].text;
      const int partLine = segments[k].line;
      while (true) {
        part = Trim(part);
        if (part.empty()) break;
        if (part.size() < 2 || HexDigit(part[0]) < 0 || HexDigit(part[1]) < 0 ||
            (part.size() > 2 && part[2] != ',' && !IsBlank(part[2])))
          Fail(partLine, "invalid hex byte " + Quote(part.substr(0, part.find(','))));
        bytes.push_back(static_cast<char>(HexDigit(part[0]) * 16 + HexDigit(part[1])));
        part = Trim(part.substr(2));
        needByte = false;
        if (part.empty()) break;
        if (part.front() != ',') Fail(partLine, "expected ',' between hex bytes");
        part.remove_prefix(1);
        needByte = true;
      }
      if (needByte && k + 1 == segments.size()) Fail(partLine, "a hex list ending with ','");
    }
    const bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ ||
                      value.type == REG_MULTI_SZ;
    if (text && unicode_ && bytes.size() % 2 != 0)
      Fail(lineNo, "UTF-16 text data of an odd number of bytes");
    value.data = (text && unicode_) ? Utf16ToWtf8(bytes) : std::move(bytes);
  }

  std::string text_;
  const std::string& source_;
  std::vector<std::string_view> lines_;
  bool unicode_ = false;
  RegFileContent content_;
};

// ---- Writing ----------------------------------------------------------------

void CheckWritableName(std::string_view name, const char* what) {
  if (name.find_first_of("\r\n") != std::string_view::npos)
    throw RegFileError("", 0, std::string("the ") + what + " " + Quote(name) +
                                  " holds a line break and cannot be written");
}

void AppendEscaped(std::string& out, std::string_view s) {
  out.push_back('"');
  for (char c : s) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

// A string the quoted form gives back byte for byte: one NUL, at the end, no
// line breaks, and well-formed WTF-8 (which a file must be).
bool QuotedFormFits(const std::string& data) {
  return !data.empty() && data.back() == '\0' &&
         data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1 && IsWtf8(data);
}

void AppendHex(std::string& out, size_t lineStart, std::string_view data) {
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(data[i]);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
    if (i + 1 == data.size()) break;
    out.push_back(',');
    if (out.size() - lineStart > 74) {
      out.append("\\\r\n  ");
      lineStart = out.size() - 2;
    }
  }
}

void AppendValue(std::string& out, const RegFileValue& v) {
  CheckWritableName(v.name, "value name");
  const size_t lineStart = out.size();
  if (v.name.empty()) {
    out.push_back('@');
  } else {
    AppendEscaped(out, v.name);
  }
  out.push_back('=');
  char prefix[24];
  if (v.remove) {
    out.push_back('-');
  } else if (v.type == REG_SZ && QuotedFormFits(v.data)) {
    AppendEscaped(out, std::string_view(v.data).substr(0, v.data.size() - 1));
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    std::uint32_t n = 0;
    for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<unsigned char>(v.data[k]);
    std::snprintf(prefix, sizeof prefix, "dword:%08lx", static_cast<unsigned long>(n));
    out.append(prefix);
  } else {
    if (v.type == REG_BINARY) {
      out.append("hex:");
    } else {
      std::snprintf(prefix, sizeof prefix, "hex(%lx):", static_cast<unsigned long>(v.type));
      out.append(prefix);
    }
    AppendHex(out, lineStart, v.data);
  }
  out.append("\r\n");
}

}  // namespace

RegFileError::RegFileError(const std::string& source, int line, const std::string& problem)
    : std::runtime_error((source.empty() ? std::string("registry file") : source) +
                         (line > 0 ? ", line " + std::to_string(line) : std::string()) +
                         ": " + problem),
      line_(line) {}

const char* RootKeyName(HKEY root) {
  for (const RootName* r = Roots(); r->key; ++r)
    if (r->key == root) return r->longName;
  return nullptr;
}

RegFileContent ParseRegFile(std::string_view bytes, const std::string& source) {
  return Parser(DecodeText(bytes, source), source).Run();
}

std::string FormatRegFile(const RegFileContent& content) {
  std::string out(kHeader4);
  out.append("\r\n\r\n");
  for (const RegFileKey& key : content.keys) {
    const char* root = RootKeyName(key.root);
    if (!root) throw RegFileError("", 0, "a key under a root the format does not name");
    CheckWritableName(key.path, "key name");
    out.push_back('[');
    if (key.remove) out.push_back('-');
    out.append(root);
    if (!key.path.empty()) out.append("\\").append(key.path);
    out.append("]\r\n");
    for (const RegFileValue& v : key.values) AppendValue(out, v);
    out.append("\r\n");
  }
  return out;
}

}  // namespace hollin

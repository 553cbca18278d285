// Every sentence a user reads is worded in src/messages (or the resource
// script): this check reads every .cpp and .h under src/ outside
// src/messages and fails on each string literal that reads as English,
// naming its file and line.
//
// The rule, applied to a literal's text (adjacent literals joined into one,
// escapes decoded, printf conversions such as %s, %ls, %08lX and
// placeholders in braces taken out):
//   - two words in a row, the second in lower case ("cannot be written: ",
//     "The base file \"", "no changes"); a word is two or more letters, with
//     an apostrophe inside ("Explorer's") and separated from the next by
//     spaces, a comma or a colon and spaces;
//   - or three words in a row, whatever their case ("Error Opening
//     Registry Key Entry");
//   - or the whole text one capitalised word and a colon, a label
//     ("User: ", "Error:").
// What does not read so passes: registry paths and value names
// ("Software\\Classes", "UserChoice", "Windows NT"), switches ("--check"),
// file extensions, report field names and format keys ("\"type\": "),
// printf formats ("%s: %lu") and single words.
//
// A literal that must stay as it is where it stands (a registry name with
// spaces, a report's field, the words of a file format, a developer's
// assertion) carries the one-word comment "verbatim" on a line it spans:
//     const char* kKey = "App Paths";  // verbatim
//
// Usage: sentence_check <src folder>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Literal {
  int firstLine = 0;
  int lastLine = 0;
  std::string text;  // decoded
};

struct Scanned {
  std::vector<Literal> literals;
  std::set<int> markedLines;  // lines with a comment "verbatim"
};

bool IsMarker(std::string comment) {
  const auto start = comment.find_first_not_of(" \t*/");
  if (start == std::string::npos) return false;
  comment = comment.substr(start);
  return comment.rfind("verbatim", 0) == 0 && (comment.size() == 8 || !std::isalpha(static_cast<unsigned char>(comment[8])));
}

// The literals and the marked lines of one source file. Comments, character
// literals and preprocessor directives that take a file name (#include) are
// passed over; raw literals are read whole.
Scanned Scan(const std::string& src) {
  Scanned out;
  int line = 1;
  size_t i = 0;
  const size_t n = src.size();
  bool lineStart = true;   // nothing but blanks since the line began
  int joinUntil = -1;      // index in out.literals of a literal that the next one continues
  bool lastWasLiteral = false;
  const auto advance = [&](size_t to) {
    for (; i < to && i < n; ++i)
      if (src[i] == '\n') ++line;
  };
  while (i < n) {
    const char c = src[i];
    if (c == '\n') {
      ++line;
      ++i;
      lineStart = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && src[i + 1] == '/') {
      const size_t end = src.find('\n', i);
      const std::string comment = src.substr(i + 2, (end == std::string::npos ? n : end) - i - 2);
      if (IsMarker(comment)) out.markedLines.insert(line);
      i = end == std::string::npos ? n : end;
      continue;
    }
    if (c == '/' && i + 1 < n && src[i + 1] == '*') {
      const size_t end = src.find("*/", i + 2);
      const size_t stop = end == std::string::npos ? n : end + 2;
      if (IsMarker(src.substr(i + 2, stop - i - 4))) out.markedLines.insert(line);
      advance(stop);
      continue;
    }
    if (lineStart && c == '#') {
      // #include <...> and "..." name files; other directives are read on.
      size_t j = i + 1;
      while (j < n && (src[j] == ' ' || src[j] == '\t')) ++j;
      if (src.compare(j, 7, "include") == 0 || src.compare(j, 6, "pragma") == 0) {
        const size_t end = src.find('\n', i);
        i = end == std::string::npos ? n : end;
        continue;
      }
    }
    lineStart = false;
    if (c == '\'') {
      // A character literal (or a digit separator, which the next quote of
      // a number never pairs with a backslash).
      size_t j = i + 1;
      while (j < n && src[j] != '\'' && src[j] != '\n') j += src[j] == '\\' ? 2 : 1;
      i = j + 1;
      lastWasLiteral = false;
      continue;
    }
    // A literal's prefix: L, u8, u, U, and R for raw.
    size_t j = i;
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      const size_t wordStart = i;
      while (j < n && (std::isalnum(static_cast<unsigned char>(src[j])) || src[j] == '_')) ++j;
      const std::string word = src.substr(wordStart, j - wordStart);
      const bool prefix = word == "L" || word == "u8" || word == "u" || word == "U" || word == "R" || word == "LR" ||
                          word == "u8R" || word == "uR" || word == "UR";
      if (!(prefix && j < n && src[j] == '"')) {
        i = j;
        lastWasLiteral = false;
        continue;
      }
    }
    if (src[j] != '"') {
      ++i;
      lastWasLiteral = false;
      continue;
    }
    const bool raw = j > i && src[j - 1] == 'R';
    const int first = line;
    std::string text;
    if (raw) {
      const size_t open = src.find('(', j);
      const std::string delim = ")" + src.substr(j + 1, open - j - 1) + "\"";
      const size_t close = src.find(delim, open);
      const size_t stop = close == std::string::npos ? n : close;
      text = src.substr(open + 1, stop - open - 1);
      advance(stop + delim.size());
    } else {
      size_t k = j + 1;
      while (k < n && src[k] != '"' && src[k] != '\n') {
        if (src[k] == '\\' && k + 1 < n) {
          const char e = src[k + 1];
          text += e == 'n' || e == 'r' || e == 't' ? ' ' : e;
          k += 2;
          // \x.. and octal escapes: their digits are no words.
          if (e == 'x' || std::isdigit(static_cast<unsigned char>(e))) {
            text.pop_back();
            while (k < n && std::isxdigit(static_cast<unsigned char>(src[k]))) ++k;
          }
        } else {
          text += src[k++];
        }
      }
      i = k + 1;
    }
    if (lastWasLiteral && joinUntil >= 0) {
      out.literals[joinUntil].text += text;
      out.literals[joinUntil].lastLine = line;
    } else {
      out.literals.push_back({first, line, text});
      joinUntil = static_cast<int>(out.literals.size()) - 1;
    }
    lastWasLiteral = true;
    // Only blanks and comments may stand between two literals that join.
    size_t k = i;
    while (k < n) {
      if (src[k] == ' ' || src[k] == '\t' || src[k] == '\r' || src[k] == '\n') {
        ++k;
      } else if (src.compare(k, 2, "//") == 0) {
        k = src.find('\n', k);
        if (k == std::string::npos) k = n;
      } else if (src.compare(k, 2, "/*") == 0) {
        k = src.find("*/", k + 2);
        k = k == std::string::npos ? n : k + 2;
      } else {
        break;
      }
    }
    const bool next = k < n && (src[k] == '"' || src.compare(k, 2, "L\"") == 0 || src.compare(k, 3, "u8\"") == 0);
    if (!next) lastWasLiteral = false;
  }
  return out;
}

// The literal's text without printf conversions and {placeholders}.
std::string WithoutFormats(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      size_t j = i + 1;
      while (j < text.size() && std::strchr("-+ #0123456789.*", text[j])) ++j;
      while (j < text.size() && std::strchr("hlLzjtqI", text[j])) ++j;
      if (j < text.size() && std::strchr("diouxXeEfgGaAcCsSpn%", text[j])) {
        out += ' ';
        i = j;
        continue;
      }
    }
    if (text[i] == '{') {
      const size_t close = text.find('}', i);
      if (close != std::string::npos && text.find(' ', i) > close) {
        out += ' ';
        i = close;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

bool ReadsAsEnglish(const std::string& literal) {
  const std::string text = WithoutFormats(literal);
  // A label: one capitalised word and a colon.
  {
    size_t a = text.find_first_not_of(' ');
    size_t b = text.find_last_not_of(' ');
    if (a != std::string::npos && b > a + 1 && text[b] == ':' && std::isupper(static_cast<unsigned char>(text[a]))) {
      bool word = true;
      for (size_t k = a; k < b; ++k) word = word && IsLetter(text[k]);
      if (word) return true;
    }
  }
  // Two words in a row, the second in lower case.
  struct Word {
    size_t start, end;
  };
  std::vector<Word> words;
  for (size_t i = 0; i < text.size();) {
    if (!IsLetter(text[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && (IsLetter(text[j]) || (text[j] == '\'' && j + 1 < text.size() && IsLetter(text[j + 1]))))
      ++j;
    // A word stands alone: not part of a name with digits, underscores,
    // dots, slashes or backslashes.
    const auto joined = [](char c) {
      return std::isdigit(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '\\' || c == '/' || c == '-' ||
             c == '=' || c == '@' || c == '$';
    };
    const bool alone = (i == 0 || !joined(text[i - 1])) && (j == text.size() || !joined(text[j]) ||
                                                           (text[j] == '.' && (j + 1 == text.size() || text[j + 1] == ' ')));
    if (alone && j - i >= 2) words.push_back({i, j});
    else words.push_back({i, i});  // a break in the run of words
    i = j;
  }
  int run = 1;  // words in a row, whatever their case
  for (size_t k = 1; k < words.size(); ++k) {
    const Word& a = words[k - 1];
    const Word& b = words[k];
    const std::string between = a.end == a.start || b.end == b.start ? "" : text.substr(a.end, b.start - a.end);
    if (between != " " && between != ", " && between != ": " && between != "  ") {
      run = 1;
      continue;
    }
    if (++run >= 3) return true;
    bool lower = true;
    for (size_t c = b.start; c < b.end; ++c) lower = lower && !std::isupper(static_cast<unsigned char>(text[c]));
    if (lower) return true;
  }
  return false;
}

// The rule's own cases: what must be caught and what must pass.
bool RuleHolds() {
  const char* const sentences[] = {"cannot be written: ", "The base file \"", "no changes", "User: ", "Error:",
                                   "Explorer's choice", "%s could not be read", "Access is denied.",
                                   "the file %ls is, over {count} MiB, too large", "Stopped, nothing",
                                   "Error Opening Registry Key Entry:"};
  const char* const names[] = {"Software\\Classes", "UserChoice", "Windows NT", "--check", ".txt", "\"type\": ",
                               "%s: %lu", "%08lX", "HKEY_CURRENT_USER\\Software", "open", "App Paths",
                               "{count}", "type,change,written", "Z:", "http:", "a b", "\\shell\\open\\command",
                               "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "kernel32.dll", "x-y z"};
  bool ok = true;
  for (const char* s : sentences)
    if (!ReadsAsEnglish(s)) {
      std::cerr << "the rule misses the sentence \"" << s << "\"\n";
      ok = false;
    }
  for (const char* s : names)
    if (ReadsAsEnglish(s)) {
      std::cerr << "the rule takes the name \"" << s << "\" for a sentence\n";
      ok = false;
    }
  // The scanner: joined literals, comments, character literals, markers.
  const Scanned s = Scan(
      "// \"a comment is no literal\"\n"
      "const char c = '\"'; auto x = \"one\"\n"
      "  \" two words\";\n"
      "auto y = L\"wide words here\";  // verbatim\n"
      "auto z = R\"(raw \"words\" here)\";\n"
      "#include \"some header.h\"\n");
  if (s.literals.size() != 3 || s.literals[0].text != "one two words" || s.literals[0].firstLine != 2 ||
      s.literals[0].lastLine != 3 || s.literals[1].firstLine != 4 || s.literals[2].text != "raw \"words\" here" ||
      s.markedLines != std::set<int>{4}) {
    std::cerr << "the scanner misreads its sample (" << s.literals.size() << " literals)\n";
    ok = false;
  }
  return ok;
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: sentence_check <src folder>\n";
    return 2;
  }
  if (!RuleHolds()) return 1;
  const fs::path src = fs::weakly_canonical(argv[1]);
  const fs::path root = src.parent_path();
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    const auto ext = e.path().extension();
    if (e.is_regular_file() && (ext == ".cpp" || ext == ".h")) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  int found = 0, files_seen = 0;
  for (const auto& f : files) {
    const std::string rel = fs::relative(f, root).generic_string();
    if (rel.rfind("src/messages/", 0) == 0) continue;
    ++files_seen;
    const Scanned s = Scan(Read(f));
    for (const Literal& l : s.literals) {
      if (!ReadsAsEnglish(l.text)) continue;
      bool marked = false;
      for (int k = l.firstLine; k <= l.lastLine; ++k) marked = marked || s.markedLines.count(k);
      if (marked) continue;
      std::cout << rel << ":" << l.firstLine << ": \"" << l.text
                << "\" reads as a sentence: word it in src/messages, or mark the line // verbatim where it must stay\n";
      ++found;
    }
  }
  std::cout << files_seen << " files read, " << found << " finding(s)\n";
  return found ? 1 : 0;
}

#include "help_source.h"

#include <algorithm>
#include <map>

namespace hollin::helpgen {

const Topic* HelpDoc::Find(int number) const {
  for (const Topic& t : topics)
    if (t.number == number) return &t;
  return nullptr;
}

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsSpace(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A decimal number of at most five digits and nothing else, or -1.
int ParseNumber(std::string_view s) {
  if (s.empty() || s.size() > 5) return -1;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

class Parser {
 public:
  explicit Parser(const std::string& source) : source_(source) {}

  HelpDoc Run(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    for (size_t pos = 0; pos < text.size();) {
      const size_t nl = std::min(text.find('\n', pos), text.size());
      ++lineNo_;
      Line(text.substr(pos, nl - pos));
      pos = nl + 1;
    }
    if (doc_.topics.empty()) Fail(lineNo_, "no @topic in the help source");
    for (const auto& [line, target] : jumps_)
      if (!doc_.Find(target)) Fail(line, "=> " + std::to_string(target) + ": there is no such topic");
    if (doc_.title.empty()) doc_.title = doc_.topics.front().title;
    return std::move(doc_);
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& what) {
    throw HelpSourceError(source_, line, what);
  }

  void Line(std::string_view raw) {
    if (!raw.empty() && raw.front() == '#') return;
    const std::string_view line = Trim(raw);
    if (line.empty()) {
      open_ = nullptr;
      return;
    }
    if (line.front() == '@') return Directive(line);
    if (doc_.topics.empty()) Fail(lineNo_, "text before the first @topic");
    std::vector<Block>& blocks = doc_.topics.back().blocks;
    if (line.substr(0, 2) == "! ") {
      blocks.push_back({BlockKind::Bold, std::string(Trim(line.substr(2))), -1});
      open_ = nullptr;
    } else if (line.substr(0, 2) == "* ") {
      blocks.push_back({BlockKind::Bullet, std::string(Trim(line.substr(2))), -1});
      open_ = &blocks.back();
    } else if (line.substr(0, 2) == "=>") {
      const int target = ParseNumber(Trim(line.substr(2)));
      if (target < 0) Fail(lineNo_, "a jump line is '=> N', N the number of a topic");
      blocks.push_back({BlockKind::Jump, "", target});
      jumps_.emplace_back(lineNo_, target);
      open_ = nullptr;
    } else if (open_ && (open_->kind == BlockKind::Paragraph || IsSpace(raw.front()))) {
      open_->text.append(" ").append(line);
    } else {
      blocks.push_back({BlockKind::Paragraph, std::string(line), -1});
      open_ = &blocks.back();
    }
  }

  void Directive(std::string_view line) {
    open_ = nullptr;
    if (line.substr(0, 7) == "@title " || line == "@title") {
      const std::string_view title = Trim(line.substr(6));
      if (!doc_.topics.empty() || !doc_.title.empty())
        Fail(lineNo_, "@title stands once, before the first @topic");
      if (title.empty()) Fail(lineNo_, "@title needs a text");
      doc_.title = title;
      return;
    }
    if (line.substr(0, 7) != "@topic " && line != "@topic")
      Fail(lineNo_, "unknown line '" + std::string(line.substr(0, line.find(' '))) + "'");
    std::string_view rest = Trim(line.substr(6));
    const size_t space = rest.find_first_of(" \t");
    const int number = ParseNumber(rest.substr(0, space));
    const std::string_view title =
        space == std::string_view::npos ? std::string_view() : Trim(rest.substr(space));
    if (number < 0 || title.empty())
      Fail(lineNo_, "a topic line is '@topic N Title', N a number from 0 to " +
                        std::to_string(kMaxTopicNumber));
    if (const auto [it, fresh] = numbers_.emplace(number, lineNo_); !fresh)
      Fail(lineNo_, "topic " + std::to_string(number) + " is defined already on line " +
                        std::to_string(it->second));
    doc_.topics.push_back({number, std::string(title), {}});
  }

  const std::string& source_;
  HelpDoc doc_;
  Block* open_ = nullptr;  // the paragraph or bullet that further lines continue
  std::map<int, int> numbers_;  // topic number -> line
  std::vector<std::pair<int, int>> jumps_;  // line, target
  int lineNo_ = 0;
};

}  // namespace

HelpDoc ParseHelpSource(std::string_view text, const std::string& source) {
  return Parser(source).Run(text);
}

}  // namespace hollin::helpgen

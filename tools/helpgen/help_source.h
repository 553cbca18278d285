// The help source (res/help/hollin_help.txt): topics with a context number
// and a title, each a list of blocks. The markup is described at the top of
// that file; ParseHelpSource reads it and refuses, naming the line, what it
// cannot read.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hollin::helpgen {

enum class BlockKind { Paragraph, Bold, Bullet, Jump };

struct Block {
  BlockKind kind = BlockKind::Paragraph;
  std::string text;  // UTF-8; empty for a jump
  int target = -1;   // the topic a jump leads to
};

struct Topic {
  int number = 0;  // the context number
  std::string title;
  std::vector<Block> blocks;
};

struct HelpDoc {
  std::string title;          // the help file's title
  std::vector<Topic> topics;  // the first is the contents

  const Topic* Find(int number) const;
};

// The largest context number a topic may have.
inline constexpr int kMaxTopicNumber = 99999;

class HelpSourceError : public std::runtime_error {
 public:
  HelpSourceError(const std::string& source, int line, const std::string& what)
      : std::runtime_error(source + ":" + std::to_string(line) + ": " + what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// Reads the help source `text`; `source` names it in error messages.
HelpDoc ParseHelpSource(std::string_view text, const std::string& source);

}  // namespace hollin::helpgen

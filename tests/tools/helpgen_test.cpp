// The help generator: the built Hollin.hlp read back through a reader of the
// help file's internal file system written here (header, directory, context
// map, |CONTEXT, the topic records across blocks, with topic offsets counted
// as the viewer counts them), the built Hollin.htm, and the help sources
// that the generator refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "help_source.h"
#include "hlp_writer.h"
#include "support/test_support.h"

namespace hollin::helpgen {
namespace {

uint32_t U16(const std::string& s, size_t at) {
  if (at + 2 > s.size()) throw std::out_of_range("read past the end");
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | U16(s, at + 2) << 16; }

struct TopicSeen {
  std::string title;
  std::string text;      // the strings of its text records
  std::string commands;  // their format parts
};

class HlpReader {
 public:
  explicit HlpReader(std::string bytes) : data_(std::move(bytes)) {
    if (U32(data_, 0) != 0x00035F3F) throw std::runtime_error("no help file magic");
    if (U32(data_, 12) != data_.size()) throw std::runtime_error("file size differs");
    std::string last;  // the viewer's search needs the names in order
    for (const std::string& entry : LeafEntries(File(U32(data_, 4)), "z4")) {
      const std::string name = entry.c_str();
      if (name <= last) throw std::runtime_error("directory out of order at " + name);
      last = name;
      files_[name] = File(U32(entry, name.size() + 1));
    }
  }

  const std::map<std::string, std::string>& files() const { return files_; }
  const std::string& Get(const std::string& name) const { return files_.at(name); }

  // |CTXOMAP: context number -> topic offset.
  std::map<uint32_t, uint32_t> ContextMap() const {
    const std::string& m = Get("|CTXOMAP");
    std::map<uint32_t, uint32_t> out;
    for (uint32_t i = 0; i < U16(m, 0); ++i) out[U32(m, 2 + 8 * i)] = U32(m, 6 + 8 * i);
    return out;
  }

  // |CONTEXT: hash -> topic offset, in the order stored.
  std::vector<std::pair<int32_t, uint32_t>> Contexts() const {
    std::vector<std::pair<int32_t, uint32_t>> out;
    for (const std::string& e : LeafEntries(Get("|CONTEXT"), "L4"))
      out.emplace_back(static_cast<int32_t>(U32(e, 0)), U32(e, 4));
    return out;
  }

  // The topics by topic offset: the record chain of |TOPIC from its first
  // record, a topic's offset being block * 0x8000 plus the shown characters
  // of the text records begun earlier in the block.
  std::map<uint32_t, TopicSeen> Topics() const {
    const std::string& t = Get("|TOPIC");
    if (t.size() % 4096) throw std::runtime_error("|TOPIC is not whole blocks");
    std::string stream;
    for (size_t b = 0; b < t.size(); b += 4096) stream += t.substr(b + 12, 4084);
    std::map<uint32_t, TopicSeen> out;
    TopicSeen* current = nullptr;
    uint32_t shown = 0, block = UINT32_MAX;
    for (uint32_t ref = 12; ref != 0xFFFFFFFF;) {
      const size_t pos = (ref >> 14) * 4084 + (ref & 0x3FFF) - 12;
      if (pos / 4084 != block) block = static_cast<uint32_t>(pos / 4084), shown = 0;
      const std::string d1 = stream.substr(pos + 0x15, U32(stream, pos + 0x10) - 0x15);
      const std::string d2 = stream.substr(pos + U32(stream, pos + 0x10), U32(stream, pos + 4));
      if (U32(stream, pos) != 0x15 + d1.size() + d2.size()) throw std::runtime_error("record size");
      if (stream[pos + 0x14] == 0x02) {
        current = &out[block * 0x8000 + shown];
        current->title = d2;
      } else if (stream[pos + 0x14] == 0x20 && current) {
        const size_t at = (d1[0] & 1) ? 4 : 2;  // past the text size
        shown += (d1[at] & 1) ? U16(d1, at) / 2 : static_cast<unsigned char>(d1[at]) / 2;
        for (char c : d2) current->text += c ? c : '|';
        current->commands += d1;
      } else {
        throw std::runtime_error("unexpected record");
      }
      ref = U32(stream, pos + 0x0C);
    }
    return out;
  }

 private:
  // An internal file's contents, checked against its header and the file.
  std::string File(size_t at) const {
    const uint32_t reserved = U32(data_, at), used = U32(data_, at + 4);
    if (used + 9 > reserved || at + reserved > data_.size()) throw std::runtime_error("bad file");
    return data_.substr(at + 9, used);
  }

  // The entries of a B+ tree of one leaf page, each cut at its size.
  static std::vector<std::string> LeafEntries(const std::string& tree, const std::string& kind) {
    if (U16(tree, 0) != 0x293B || tree.substr(6, kind.size()) != kind || U16(tree, 32) != 1)
      throw std::runtime_error("not a one-level B+ tree of " + kind);
    const size_t page = 38 + U16(tree, 26) * U16(tree, 4);
    std::vector<std::string> out;
    size_t at = page + 8;
    for (uint32_t i = 0; i < U16(tree, page + 2); ++i) {
      const size_t len = kind == "z4" ? tree.find('\0', at) + 1 - at + 4 : 8;
      out.push_back(tree.substr(at, len));
      at += len;
    }
    return out;
  }

  std::string data_;
  std::map<std::string, std::string> files_;
};

const std::map<uint32_t, std::string> kTitles = {
    {0, "Hollin Help Topics"},
    {1, "About Hollin"},
    {2, "The views and Refresh"},
    {3, "Accepting the current settings"},
    {4, "Restoring the base and the warning"},
    {5, "What opens a file on Windows 8 to 11"},
    {6, "The command line for administrators"}};

TEST(HelpFile, BuiltFileOpensAtTheContentsAndFindsEveryTopicByNumber) {
  const HlpReader hlp(test::ReadFileBytes(HOLLIN_HELP_DIR "/Hollin.hlp"));
  for (const char* name : {"|CONTEXT", "|CTXOMAP", "|FONT", "|SYSTEM", "|TOPIC"})
    EXPECT_EQ(hlp.files().count(name), 1u) << name;
  const std::string& sys = hlp.Get("|SYSTEM");
  EXPECT_EQ(U16(sys, 0), 0x036Cu);
  EXPECT_EQ(U16(sys, 2), 21u);  // 3.1
  EXPECT_EQ(U16(sys, 4), 1u);
  EXPECT_EQ(U16(sys, 10), 0u);  // uncompressed topics
  EXPECT_EQ(U16(sys, 12), 1u);  // the title record
  EXPECT_EQ(sys.substr(16, U16(sys, 14)), std::string("Hollin Help", 12));

  const auto topics = hlp.Topics();
  ASSERT_EQ(topics.size(), kTitles.size());
  EXPECT_EQ(topics.begin()->second.title, kTitles.at(0));  // the first topic: the contents
  const auto map = hlp.ContextMap();
  const auto contexts = hlp.Contexts();
  for (const auto& [number, title] : kTitles) {
    ASSERT_EQ(map.count(number), 1u) << number;
    ASSERT_EQ(topics.count(map.at(number)), 1u) << number;
    const TopicSeen& seen = topics.at(map.at(number));
    EXPECT_EQ(seen.title, title);
    EXPECT_NE(seen.text.find(title), std::string::npos) << "no heading in topic " << number;
    // The context string (the number in decimal) leads to the same topic.
    const int32_t hash = ContextHash(std::to_string(number));
    bool found = false;
    for (const auto& [h, offset] : contexts) found |= h == hash && offset == map.at(number);
    EXPECT_TRUE(found) << number;
  }
  for (size_t i = 1; i < contexts.size(); ++i) EXPECT_LT(contexts[i - 1].first, contexts[i].first);
  // The contents jumps to each topic by its hash.
  const std::string& contents = topics.begin()->second.commands;
  for (uint32_t n = 1; n <= 4; ++n) {
    const int32_t hash = ContextHash(std::to_string(n));
    EXPECT_NE(contents.find(std::string("\xE3", 1) + std::string(reinterpret_cast<const char*>(&hash), 4)),
              std::string::npos)
        << n;
  }
}

TEST(HelpFile, BuiltPageHasAnAnchorPerTopic) {
  const std::string htm = test::ReadFileBytes(HOLLIN_HELP_DIR "/Hollin.htm");
  EXPECT_NE(htm.find("<meta charset=\"utf-8\">"), std::string::npos);
  for (const auto& [number, title] : kTitles) {
    const size_t at = htm.find("id=\"topic-" + std::to_string(number) + "\"");
    ASSERT_NE(at, std::string::npos) << number;
    EXPECT_EQ(htm.find(title, at), htm.find('>', htm.find("<h", at)) + 1) << number;
  }
}

TEST(HelpFile, TopicsAcrossBlocksAndTextOutsideTheCodePage) {
  // Long topics push the later ones into further blocks; each must still be
  // found by its number, and its text converted to code page 1252.
  std::string src = "@topic 7 Start\n=> 30\n";
  for (int t : {30, 12, 5}) {
    src += "@topic " + std::to_string(t) + " Topic " + std::to_string(t) + " caf\xC3\xA9 \xE2\x86\x92\n";
    for (int line = 0; line < 120; ++line) src += "Words that fill this topic's text, line after line.\n";
    src += "\n* a bullet \xE2\x80\x94 dash\n";
  }
  const HlpReader hlp(WriteHlp(ParseHelpSource(src, "t")));
  EXPECT_GE(hlp.Get("|TOPIC").size(), 3u * 4096);
  const auto topics = hlp.Topics();
  const auto map = hlp.ContextMap();
  ASSERT_EQ(topics.size(), 4u);
  ASSERT_EQ(map.size(), 4u);
  for (int t : {30, 12, 5}) {
    const TopicSeen& seen = topics.at(map.at(t));
    EXPECT_EQ(seen.title, "Topic " + std::to_string(t) + " caf\xE9 ?");
    EXPECT_NE(seen.text.find("a bullet \x97 dash"), std::string::npos);
  }
  EXPECT_EQ(ToCp1252("\xE2\x82\xAC \xC3\xBF \xF0\x9F\x98\x80 \xC3 \x80"), "\x80 \xFF ? ? ?");
}

TEST(HelpSource, RefusedNamingTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"@topic 0 Contents\ntext\n@topic x About\n", "a topic line is"},
      {"@topic 0 Contents\n\n@topic 1\n", "a topic line is"},
      {"@topic 0 Contents\n\n@topic 123456 Big\n", "a topic line is"},
      {"@topic 0 Contents\n=> 1\n@topic 0 Again\n", "defined already on line 1"},
      {"# note\n\ntext before\n", "text before the first @topic"},
      {"@topic 0 Contents\n\n=> 9\n", "there is no such topic"},
      {"@topic 0 Contents\n\n@topics 1 A\n", "unknown line '@topics'"},
      {"@topic 0 Contents\n\n@title Late\n", "@title stands once"},
  };
  for (const auto& [src, what] : cases) {
    try {
      ParseHelpSource(src, "help.txt");
      ADD_FAILURE() << "accepted: " << src;
    } catch (const HelpSourceError& e) {
      EXPECT_EQ(e.line(), 3) << src;
      EXPECT_EQ(std::string(e.what()).rfind("help.txt:3: ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace hollin::helpgen

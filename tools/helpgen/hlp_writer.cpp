// What WriteHlp writes: a WinHelp 3.1 file (|SYSTEM version 1.21) with
// uncompressed topics (no phrases, no LZ77), one face in three sizes and no
// pictures, keywords or macros. All numbers are little-endian.
//
//   File header (16 bytes): magic 0x00035F3F, offset of the directory, -1
//   (no free blocks), size of the whole file.
//
//   Internal files, each after a 9-byte header (space reserved including
//   this header, space used, flags 4), in the order of their names:
//     |SYSTEM   header (magic 0x036C, minor 21, major 1, date 0, flags 0:
//               uncompressed topics in 4096-byte blocks), then records of
//               (type, size, data): 1 the title, 3 the topic offset of the
//               contents (the first topic).
//     |FONT     one face name ("Tahoma", 20 bytes) and three 11-byte
//               descriptors: 0 normal 10 pt, 1 bold 10 pt (bold lines),
//               2 bold 14 pt (topic headings); black on white.
//     |TOPIC    4096-byte blocks: a 12-byte block header (the last record
//               begun before the block, the first begun in it, the last
//               topic header begun before it) and 4084 bytes of the record
//               stream; records may run on into the next block, the last
//               block is padded with zeros. Every topic is a topic header
//               record (type 2: title, topic number, next topic) followed by
//               one text record (type 0x20) per heading, paragraph, bold
//               line, bullet and jump. A record's position (TOPICPOS) is
//               block * 0x4000 + 12 + offset in the block's data.
//     |CONTEXT  a B+ tree of one leaf page: (hash of the context string,
//               topic offset), sorted by hash. Topic N's context string is N
//               in decimal, so a viewer opens it by that string (winhlp32
//               -i N) and jumps in the text find it.
//     |CTXOMAP  the context map: count, then (context number, topic offset)
//               for every topic, sorted by number: what HELP_CONTEXT uses.
//   Directory: a B+ tree of one leaf page (page size 1024, "z4"): the names
//   of the internal files, sorted, each with its file offset.
//
// A topic offset is block * 0x8000 + the characters shown (the text record's
// length field) by the text records begun earlier in that block: the numbers
// by which the viewer tells its topics apart.
#include "hlp_writer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace hollin::helpgen {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kBlockSize = 4096;
constexpr size_t kBlockHeader = 12;
constexpr size_t kBlockData = kBlockSize - kBlockHeader;
constexpr size_t kPageSize = 1024;

class Bytes {
 public:
  Bytes& U8(unsigned v) {
    s_.push_back(static_cast<char>(v & 0xFF));
    return *this;
  }
  Bytes& U16(unsigned v) { return U8(v).U8(v >> 8); }
  Bytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& Str(std::string_view v) {
    s_.append(v);
    return *this;
  }
  Bytes& Zeros(size_t n) {
    s_.append(n, '\0');
    return *this;
  }
  size_t Size() const { return s_.size(); }
  const std::string& Data() const { return s_; }
  void PutU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s_[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }

 private:
  std::string s_;
};

// The variable-length numbers of a text record's format part: the low bit of
// the first byte tells the long form.
void CompressedLong(Bytes& b, uint32_t v) {
  if (v < 0x4000) b.U16(0x8000 + 2 * v);
  else b.U32(0x80000000u + 2 * v + 1);
}
void CompressedUShort(Bytes& b, unsigned v) {
  if (v < 0x80) b.U8(2 * v);
  else b.U16(2 * v + 1);
}
// Negative values only in the short form: the viewers differ in how they
// halve a negative long form.
void CompressedShort(Bytes& b, int v) {
  if (v >= -64 && v < 64) b.U8(static_cast<unsigned>(0x80 + 2 * v));
  else if (v > 0 && v < 0x4000) b.U16(static_cast<unsigned>(0x8000 + 2 * v + 1));
  else throw std::logic_error("paragraph measure out of range");
}

// The topic position of the record that begins at `pos` in the record stream.
uint32_t TopicPos(size_t pos) {
  return static_cast<uint32_t>(((pos / kBlockData) << 14) + kBlockHeader + pos % kBlockData);
}

// One text record: its strings (each ended by a zero byte) and, after each
// string, one formatting command.
struct TextRecord {
  Bytes strings, commands;
  unsigned shown = 0;  // characters shown: text and breaks

  void Add(std::string_view text, std::string_view command) {
    strings.Str(text).U8(0);
    commands.Str(command);
    shown += static_cast<unsigned>(text.size());
  }
};

std::string Font(unsigned f) { return {'\x80', static_cast<char>(f), '\0'}; }
const std::string kEndParagraph = "\x82";
const std::string kTab = "\x83";
const std::string kEndJump = "\x89";
const std::string kEnd = "\xFF";
enum : unsigned { kFontNormal = 0, kFontBold = 1, kFontHeading = 2 };

// Paragraph attributes (the "bits" word and its values).
struct Layout {
  int spaceBefore = 0, spaceAfter = 0, leftIndent = 0, firstIndent = 0, tabStop = 0;
};

struct Record {
  uint8_t type = 0;
  std::string linkData1, linkData2;
  unsigned shown = 0;
  int topic = 0;  // index of the topic it belongs to
  size_t pos = 0;
  size_t Size() const { return 0x15 + linkData1.size() + linkData2.size(); }
};

Record MakeText(TextRecord& t, const Layout& l) {
  t.Add("", kEnd);
  Bytes d1;
  CompressedLong(d1, static_cast<uint32_t>(t.strings.Size()));
  CompressedUShort(d1, t.shown);
  d1.Zeros(4);  // skipped by the viewers
  unsigned bits = 0;
  if (l.spaceBefore) bits |= 0x0002;
  if (l.spaceAfter) bits |= 0x0004;
  if (l.leftIndent) bits |= 0x0010;
  if (l.firstIndent) bits |= 0x0040;
  if (l.tabStop) bits |= 0x0200;
  d1.U16(bits);
  if (l.spaceBefore) CompressedShort(d1, l.spaceBefore);
  if (l.spaceAfter) CompressedShort(d1, l.spaceAfter);
  if (l.leftIndent) CompressedShort(d1, l.leftIndent);
  if (l.firstIndent) CompressedShort(d1, l.firstIndent);
  if (l.tabStop) {
    CompressedShort(d1, 1);
    CompressedUShort(d1, static_cast<unsigned>(l.tabStop));
  }
  d1.Str(t.commands.Data());
  Record r;
  r.type = 0x20;
  r.linkData1 = d1.Data();
  r.linkData2 = t.strings.Data();
  r.shown = t.shown;
  return r;
}

std::vector<Record> TopicRecords(const HelpDoc& doc, const Topic& topic) {
  std::vector<Record> out;
  Record header;
  header.type = 0x02;
  header.linkData1.assign(28, '\0');  // filled in once the positions are known
  header.linkData2 = ToCp1252(topic.title);
  out.push_back(std::move(header));

  TextRecord heading;
  heading.Add("", Font(kFontHeading));
  heading.Add(ToCp1252(topic.title), kEndParagraph);
  heading.shown += 1;
  out.push_back(MakeText(heading, {0, 12, 0, 0, 0}));
  for (const Block& b : topic.blocks) {
    TextRecord t;
    Layout l{0, 12, 0, 0, 0};
    switch (b.kind) {
      case BlockKind::Paragraph:
      case BlockKind::Bold:
        t.Add("", Font(b.kind == BlockKind::Bold ? kFontBold : kFontNormal));
        t.Add(ToCp1252(b.text), kEndParagraph);
        t.shown += 1;
        if (b.kind == BlockKind::Bold) l = {8, 2, 0, 0, 0};
        break;
      case BlockKind::Bullet:
        t.Add("", Font(kFontNormal));
        // The bullet, then a tab to the hanging indent: half an inch at 96
        // dots per inch, where the viewer's first default tab stop stands.
        t.Add("\x95", kTab);
        t.Add(ToCp1252(b.text), kEndParagraph);
        t.shown += 2;
        l = {0, 4, 96, -48, 96};
        break;
      case BlockKind::Jump: {
        const int32_t hash = ContextHash(ContextString(b.target));
        std::string jump = "\xE3";
        for (int i = 0; i < 4; ++i) jump.push_back(static_cast<char>((hash >> (8 * i)) & 0xFF));
        t.Add("", Font(kFontNormal));
        t.Add("", jump);
        t.Add(ToCp1252(doc.Find(b.target)->title), kEndJump);
        t.Add("", kEndParagraph);
        t.shown += 1;
        l = {0, 4, 12, 0, 0};
        break;
      }
    }
    out.push_back(MakeText(t, l));
  }
  return out;
}

std::string InternalFile(std::string_view content) {
  Bytes b;
  b.U32(static_cast<uint32_t>(content.size() + 9)).U32(static_cast<uint32_t>(content.size())).U8(4);
  b.Str(content);
  return b.Data();
}

// A B+ tree of one leaf page holding `entries` (each already encoded).
std::string OneLeafTree(unsigned flags, std::string_view structure,
                        const std::vector<std::string>& entries) {
  Bytes page;
  size_t used = 8;
  for (const std::string& e : entries) used += e.size();
  if (used > kPageSize) throw std::runtime_error("too many entries for one B+ tree page");
  page.U16(static_cast<unsigned>(kPageSize - used))
      .U16(static_cast<unsigned>(entries.size()))
      .U16(0xFFFF)
      .U16(0xFFFF);
  for (const std::string& e : entries) page.Str(e);
  page.Zeros(kPageSize - used);
  Bytes b;
  b.U16(0x293B).U16(flags).U16(kPageSize);
  b.Str(structure).Zeros(16 - structure.size());
  b.U16(0).U16(0).U16(0).U16(0xFFFF).U16(1).U16(1).U32(static_cast<uint32_t>(entries.size()));
  b.Str(page.Data());
  return b.Data();
}

}  // namespace

std::string ContextString(int number) { return std::to_string(number); }

int32_t ContextHash(std::string_view context) {
  uint32_t hash = 0;
  for (char c : context) {
    unsigned x = 0;
    if (c >= 'A' && c <= 'Z') x = c - 'A' + 17;
    if (c >= 'a' && c <= 'z') x = c - 'a' + 17;
    if (c >= '1' && c <= '9') x = c - '0';
    if (c == '0') x = 10;
    if (c == '.') x = 12;
    if (c == '_') x = 13;
    if (x) hash = hash * 43 + x;
  }
  return static_cast<int32_t>(hash);
}

std::string ToCp1252(std::string_view utf8) {
  // Code page 1252's bytes 0x80 to 0x9F; 0 where it has none.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    size_t len = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    bool ok = len != 0 && i + len <= utf8.size();
    for (size_t k = 1; ok && k < len; ++k) {
      const auto bk = static_cast<unsigned char>(utf8[i + k]);
      ok = (bk & 0xC0) == 0x80;
      cp = (cp << 6) | (bk & 0x3F);
    }
    if (!ok) {
      out.push_back('?');
      ++i;
      continue;
    }
    i += len;
    char c = '?';
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      c = static_cast<char>(cp);
    } else {
      for (unsigned k = 0; k < 32; ++k)
        if (kHigh[k] && kHigh[k] == cp) c = static_cast<char>(0x80 + k);
    }
    out.push_back(c == '\0' ? '?' : c);
  }
  return out;
}

std::string WriteHlp(const HelpDoc& doc) {
  // The record stream: each topic's header and text records.
  std::vector<Record> records;
  std::vector<size_t> headerIndex;
  for (size_t t = 0; t < doc.topics.size(); ++t) {
    headerIndex.push_back(records.size());
    for (Record& r : TopicRecords(doc, doc.topics[t])) {
      r.topic = static_cast<int>(t);
      records.push_back(std::move(r));
    }
  }
  size_t pos = 0;
  for (Record& r : records) {
    r.pos = pos;
    pos += r.Size();
  }
  const size_t streamSize = pos;
  if (streamSize / kBlockData >= 0x40000) throw std::runtime_error("too much text");

  // Topic offsets, counted as the viewer counts them.
  std::vector<uint32_t> topicOffset(doc.topics.size());
  size_t block = SIZE_MAX;
  uint32_t shown = 0;
  for (const Record& r : records) {
    if (r.pos / kBlockData != block) {
      block = r.pos / kBlockData;
      shown = 0;
    }
    if (r.type == 0x02) topicOffset[r.topic] = static_cast<uint32_t>(block * 0x8000 + shown);
    else shown += r.shown;
    if (shown >= 0x8000) throw std::runtime_error("too much text in one block");
  }

  // The stream's bytes.
  Bytes stream;
  for (size_t i = 0; i < records.size(); ++i) {
    Record& r = records[i];
    if (r.type == 0x02) {
      const size_t t = static_cast<size_t>(r.topic);
      const size_t end = t + 1 < doc.topics.size() ? records[headerIndex[t + 1]].pos : streamSize;
      Bytes h;
      h.U32(static_cast<uint32_t>(end - r.pos))  // the topic's size
          .U32(kNone)                             // browse back
          .U32(kNone)                             // browse forward
          .U32(static_cast<uint32_t>(t))          // topic number
          .U32(kNone)                             // non-scrolling region: none
          .U32(TopicPos(records[i + 1].pos))      // scrolling region
          .U32(t + 1 < doc.topics.size() ? TopicPos(end) : kNone);  // next topic
      r.linkData1 = h.Data();
    }
    stream.U32(static_cast<uint32_t>(r.Size()))
        .U32(static_cast<uint32_t>(r.linkData2.size()))
        .U32(i ? TopicPos(records[i - 1].pos) : kNone)
        .U32(i + 1 < records.size() ? TopicPos(records[i + 1].pos) : kNone)
        .U32(static_cast<uint32_t>(0x15 + r.linkData1.size()))
        .U8(r.type)
        .Str(r.linkData1)
        .Str(r.linkData2);
  }

  // |TOPIC: the stream cut into blocks.
  Bytes topic;
  const size_t blocks = (streamSize + kBlockData - 1) / kBlockData;
  for (size_t k = 0; k < blocks; ++k) {
    uint32_t lastLink = kNone, firstLink = kNone, lastHeader = kNone;
    for (const Record& r : records) {
      const size_t rb = r.pos / kBlockData;
      if (rb < k) {
        lastLink = TopicPos(r.pos);
        if (r.type == 0x02) lastHeader = TopicPos(r.pos);
      } else if (rb == k && firstLink == kNone) {
        firstLink = TopicPos(r.pos);
      }
    }
    topic.U32(lastLink).U32(firstLink).U32(lastHeader);
    const std::string_view data = std::string_view(stream.Data()).substr(k * kBlockData, kBlockData);
    topic.Str(data).Zeros(kBlockData - data.size());
  }

  Bytes system;
  const std::string title = ToCp1252(doc.title);
  system.U16(0x036C).U16(21).U16(1).U32(0).U16(0);
  system.U16(1).U16(static_cast<unsigned>(title.size() + 1)).Str(title).U8(0);
  system.U16(3).U16(4).U32(topicOffset[0]);

  Bytes font;
  const std::string face = "Tahoma";
  font.U16(1).U16(3).U16(8).U16(8 + 20);
  font.Str(face).Zeros(20 - face.size());
  for (const auto& [attributes, halfPoints] : {std::pair{0u, 20u}, {1u, 20u}, {1u, 28u}})
    font.U8(attributes).U8(halfPoints).U8(0x03).U16(0).Zeros(3).U8(0xFF).U8(0xFF).U8(0xFF);

  // |CONTEXT and |CTXOMAP.
  std::vector<std::pair<int32_t, uint32_t>> byHash;
  std::vector<std::pair<uint32_t, uint32_t>> byNumber;
  for (size_t t = 0; t < doc.topics.size(); ++t) {
    byHash.emplace_back(ContextHash(ContextString(doc.topics[t].number)), topicOffset[t]);
    byNumber.emplace_back(static_cast<uint32_t>(doc.topics[t].number), topicOffset[t]);
  }
  std::sort(byHash.begin(), byHash.end());
  std::sort(byNumber.begin(), byNumber.end());
  for (size_t i = 1; i < byHash.size(); ++i)
    if (byHash[i].first == byHash[i - 1].first)
      throw std::runtime_error("two topics' context strings have the same hash");
  std::vector<std::string> contextEntries;
  for (const auto& [hash, offset] : byHash) {
    Bytes e;
    e.U32(static_cast<uint32_t>(hash)).U32(offset);
    contextEntries.push_back(e.Data());
  }
  Bytes map;
  map.U16(static_cast<unsigned>(byNumber.size()));
  for (const auto& [number, offset] : byNumber) map.U32(number).U32(offset);

  // The file: header, internal files, directory.
  std::vector<std::pair<std::string, std::string>> files = {
      {"|SYSTEM", system.Data()},
      {"|FONT", font.Data()},
      {"|TOPIC", topic.Data()},
      {"|CONTEXT", OneLeafTree(0x0002, "L4", contextEntries)},
      {"|CTXOMAP", map.Data()}};
  Bytes out;
  out.U32(0x00035F3F).U32(0).U32(kNone).U32(0);
  std::vector<std::string> dirEntries;
  std::sort(files.begin(), files.end());
  for (const auto& [name, content] : files) {
    Bytes e;
    e.Str(name).U8(0).U32(static_cast<uint32_t>(out.Size()));
    dirEntries.push_back(e.Data());
    out.Str(InternalFile(content));
  }
  out.PutU32(4, static_cast<uint32_t>(out.Size()));
  out.Str(InternalFile(OneLeafTree(0x0402, "z4", dirEntries)));
  out.PutU32(12, static_cast<uint32_t>(out.Size()));
  return out.Data();
}

}  // namespace hollin::helpgen

// The parts of the ITSF container read and written here (all numbers little
// endian unless said):
//   0x00 "ITSF", version 3, header length ...
//   0x38 header section 0: offset, length (QWORDs); its QWORD at +8 is the
//        file's size
//   0x48 header section 1, the directory: offset, length
//   0x58 the offset of content section 0 (uncompressed)
// The directory: an "ITSP" header (chunk size at +0x10, quickref density at
// +0x14, index depth at +0x18, chunk count at +0x2C, its length at +0x08),
// then the chunks. A listing chunk: "PMGL", free space, 0, previous and next
// chunk (-1), the entries from byte 20 (name length, name, section, offset,
// length; every number an ENCINT: 7 bits a byte, high bits first, the top
// bit set on all but the last), and at its end, backwards, the entry count
// (WORD) and the offset (from byte 20) of every (1 + 2^density)-th entry.
#include "chm_map.h"

#include <cstdint>

#include "chm_writer.h"

namespace hollin::helpgen {

namespace {

uint64_t Get(const std::string& s, size_t at, int bytes) {
  if (at + bytes > s.size()) throw ChmError("the file ends inside its header or directory");
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

void Put(std::string& s, size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i, v >>= 8) s[at + i] = static_cast<char>(v & 0xFF);
}

uint64_t GetEncInt(const std::string& s, size_t& at, size_t end) {
  uint64_t v = 0;
  for (int n = 0; n < 10; ++n) {
    if (at >= end) break;
    const unsigned char b = static_cast<unsigned char>(s[at++]);
    v = v << 7 | (b & 0x7F);
    if (!(b & 0x80)) return v;
  }
  throw ChmError("a directory entry runs past its chunk");
}

void PutEncInt(std::string& out, uint64_t v) {
  std::string bytes(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  out += bytes;
}

struct Entry {
  std::string name;
  uint64_t section, offset, length;
};

}  // namespace

std::string SetChmContextMap(std::string chm, const std::string& strings,
                             const std::vector<int>& numbers) {
  if (chm.compare(0, 4, "ITSF") != 0 || Get(chm, 4, 4) != 3)
    throw ChmError("not an ITSF file of version 3");
  const uint64_t sizeField = Get(chm, 0x38, 8) + 8;
  const uint64_t dir = Get(chm, 0x48, 8);
  const uint64_t content = Get(chm, 0x58, 8);
  if (Get(chm, sizeField, 8) != chm.size())
    throw ChmError("the file's size differs from its header");
  if (chm.compare(dir, 4, "ITSP") != 0) throw ChmError("no directory");
  const uint64_t chunkSize = Get(chm, dir + 0x10, 4), density = Get(chm, dir + 0x14, 4);
  if (Get(chm, dir + 0x18, 4) != 1 || Get(chm, dir + 0x2C, 4) != 1)
    throw ChmError("a directory of more than one chunk");
  const uint64_t chunk = dir + Get(chm, dir + 0x08, 4);
  if (chunk + chunkSize > content || chm.compare(chunk, 4, "PMGL") != 0 || density > 8 ||
      chunkSize < 64)
    throw ChmError("no listing chunk");

  const uint64_t count = Get(chm, chunk + chunkSize - 2, 2);
  const size_t end = chunk + chunkSize - 2;
  std::vector<Entry> entries;
  size_t at = chunk + 20;
  for (uint64_t i = 0; i < count; ++i) {
    Entry e;
    const uint64_t n = GetEncInt(chm, at, end);
    if (n > end - at) throw ChmError("a directory entry runs past its chunk");
    e.name = chm.substr(at, n);
    at += n;
    e.section = GetEncInt(chm, at, end);
    e.offset = GetEncInt(chm, at, end);
    e.length = GetEncInt(chm, at, end);
    entries.push_back(e);
  }

  // The map: a DWORD with the length of what follows, then each number and
  // the offset of its page's name in #STRINGS.
  std::string ivb(4, '\0');
  for (int number : numbers) {
    const std::string page = ChmPage(number);
    size_t found = std::string::npos;
    for (size_t p = strings.find(page + '\0'); p != std::string::npos;
         p = strings.find(page + '\0', p + 1))
      if (p > 0 && (strings[p - 1] == '/' || strings[p - 1] == '\0')) {
        found = p;
        break;
      }
    if (found == std::string::npos) throw ChmError("the strings hold no " + page);
    std::string pair(8, '\0');
    Put(pair, 0, static_cast<uint64_t>(number), 4);
    Put(pair, 4, found, 4);
    ivb += pair;
  }
  Put(ivb, 0, ivb.size() - 4, 4);

  bool replaced = false;
  for (Entry& e : entries)
    if (e.name == "/#IVB") {
      e = {e.name, 0, chm.size() - content, ivb.size()};
      replaced = true;
    }
  if (!replaced) throw ChmError("the file has no #IVB (a project without [MAP])");

  // The chunk written anew: the entries, the quickref area, the count.
  const uint64_t every = 1 + (uint64_t{1} << density);
  std::string body;
  std::vector<uint64_t> quickref;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    const size_t start = body.size();
    PutEncInt(body, e.name.size());
    body += e.name;
    PutEncInt(body, e.section);
    PutEncInt(body, e.offset);
    PutEncInt(body, e.length);
    if ((i + 1) % every == 0) quickref.push_back(start);
  }
  if (20 + body.size() + 2 * (quickref.size() + 1) > chunkSize)
    throw ChmError("the directory chunk is full");
  std::string newChunk(chunkSize, '\0');
  newChunk.replace(0, 20, chm, chunk, 20);
  Put(newChunk, 4, chunkSize - 20 - body.size(), 4);
  newChunk.replace(20, body.size(), body);
  for (size_t q = 0; q < quickref.size(); ++q) Put(newChunk, chunkSize - 4 - 2 * q, quickref[q], 2);
  Put(newChunk, chunkSize - 2, entries.size(), 2);
  chm.replace(chunk, chunkSize, newChunk);

  chm += ivb;
  Put(chm, sizeField, chm.size(), 8);
  return chm;
}

}  // namespace hollin::helpgen

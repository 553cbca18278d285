// The base file's text form, pinned from outside the program: a file written
// by hand from the format's description loads as meant, a save writes that
// text byte for byte, and base files written by earlier versions (golden/)
// load unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "base_test_util.h"

#ifndef HOLLIN_GOLDEN_DIR
#error "the build names the folder of the golden base files"
#endif

namespace hollin::test {
namespace {

// Ext, Path, Key and ProgID of each record, one after the other (as Flatten).
using Records = std::vector<std::string>;
// A record's values as a data file lists them (data/*.records): Ext, Path,
// Key, ProgID, and where the record has layers, Machine, User, Choice,
// Command, Opener and its value types (four, six where it read its verb),
// and where it read its verb or knows the place of Explorer's choice, Verb,
// VerbCommand, Handler, VerbAt and ChoiceAt, and where it could hold the
// Explorer's choice Windows did not honour, that too.
using Rows = std::vector<std::vector<std::string>>;

// The rows of a data file: a record a line, its values between tabs, \xNN
// for the byte NN; lines that begin with # are notes.
Rows RowsOf(const std::string& name) {
  Rows rows;
  std::istringstream in(Data(name));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    rows.emplace_back(1);
    for (size_t i = 0; i < line.size(); ++i) {
      std::string& value = rows.back().back();
      if (line[i] == '\t') rows.back().emplace_back();
      else if (line.compare(i, 2, "\\x") == 0) value += char(std::stoi(line.substr(i + 2, 2), nullptr, 16)), i += 3;
      else value += line[i];
    }
  }
  return rows;
}

const char* const kVerbAt[] = {"", "machine", "user"};

Rows RowsOf(const AssocEntries& entries) {
  Rows rows;
  for (const auto& e : entries) {
    rows.push_back({e->Ext(), e->ProgramFullPath(), e->OpenCmdRegKey(), e->ProgramID()});
    std::string types;
    for (int t = 0; t < (e->VerbsRead() ? 6 : 4); ++t)
      types.append(t ? " " : "").append(std::to_string(e->ValueType(AssocEntry::TypeSlot(t))));
    const std::vector<std::string> layers{e->MachineProgID(), e->UserProgID(), e->ChoiceProgID(),
                                          e->OpenerCommand(), e->OpenerName(),  types};
    // A record without layers shows none; any it holds all the same are a fault.
    if (e->Layered() || layers != std::vector<std::string>{"", "", "", "", "", "0 0 0 0"})
      rows.back().insert(rows.back().end(), layers.begin(), layers.end());
    if (!e->Layered() && rows.back().size() > 4) rows.back().push_back("(not layered)");
    static const char* const kPlaces[] = {"", "UserChoiceLatest\\ProgId", "UserChoiceLatest", "UserChoice"};
    if (e->VerbsRead() || e->ChoiceAt() != AssocEntry::ChoicePlace::None || e->IgnoredRead())
      rows.back().insert(rows.back().end(), {e->Verb(), e->VerbCommand(), e->Handler(),
                                             kVerbAt[static_cast<int>(e->VerbAt())],
                                             kPlaces[static_cast<int>(e->ChoiceAt())]});
    if (e->IgnoredRead()) rows.back().push_back(e->IgnoredChoice());
    else if (!e->IgnoredChoice().empty()) rows.back().push_back("(not read)");
  }
  return rows;
}

std::shared_ptr<AssocEntries> EntriesOf(const Rows& rows) {
  auto entries = std::make_shared<AssocEntries>();
  for (const auto& r : rows) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(r[0]);
    e->ProgramFullPath(r[1]);
    e->OpenCmdRegKey(r[2]);
    e->ProgramID(r[3]);
    if (r.size() > 4) {
      e->MachineProgID(r[4]);
      e->UserProgID(r[5]);
      e->ChoiceProgID(r[6]);
      e->OpenerCommand(r[7]);
      e->OpenerName(r[8]);
      std::istringstream types(r[9]);
      int read = 0;
      for (std::uint32_t type = 0; read < 6 && types >> type; ++read) e->ValueType(AssocEntry::TypeSlot(read), type);
      e->Layered(true);
      e->VerbsRead(read == 6);
    }
    if (r.size() > 10) {
      e->Verb(r[10]);
      e->VerbCommand(r[11]);
      e->Handler(r[12]);
      e->VerbAt(r[13] == "user" ? AssocEntry::VerbSource::User
                : r[13] == "machine" ? AssocEntry::VerbSource::Machine : AssocEntry::VerbSource::None);
      e->ChoiceAt(r[14] == "UserChoiceLatest\\ProgId" ? AssocEntry::ChoicePlace::LatestProgId
                  : r[14] == "UserChoiceLatest"       ? AssocEntry::ChoicePlace::Latest
                  : r[14] == "UserChoice"             ? AssocEntry::ChoicePlace::Legacy
                                                      : AssocEntry::ChoicePlace::None);
    }
    if (r.size() > 15) {
      e->IgnoredRead(true);
      e->IgnoredChoice(r[15]);
    }
    entries->Add(e, e->Ext());
  }
  return entries;
}

// Compares two lists of records and names the first value that differs (a
// whole list of thousands would drown the message).
void ExpectRecords(const Records& got, const Records& want) {
  ASSERT_EQ(got.size(), want.size());
  const auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin());
  if (g != got.end())
    ADD_FAILURE() << "record " << (g - got.begin()) / 4 << ", field " << (g - got.begin()) % 4 << ": "
                  << testing::PrintToString(*g) << " instead of " << testing::PrintToString(*w);
}

// Written from the format's description (data/hand_written_v1.isd, and the
// same records with layers in version 2); the checksum is XXH64 of every byte
// before its hex digits, as xxhsum -H1 gives it.
TEST(Format, FilesWrittenByHandLoadAsMeant) {
  InFreshFolder here;
  const Rows rows = RowsOf("hand_written.records");
  Rows withoutLayers;
  for (const auto& r : rows) withoutLayers.emplace_back(r.begin(), r.begin() + 4);
  WriteFileBytes("Prev.isd", Data("hand_written_v1.isd"));
  Store s;
  s.Load();
  EXPECT_FALSE(s.created);
  EXPECT_EQ(RowsOf(*s.g.BaseEntries), withoutLayers);

  WriteFileBytes("Prev.isd", Data("hand_written_v2.isd"));
  s.Load();
  EXPECT_EQ(RowsOf(*s.g.BaseEntries), rows);

  // Format version 3: the verbs, where Explorer's choice was read, and
  // protocols ("http", "mailto") beside the file types.
  WriteFileBytes("Prev.isd", Data("hand_written_v3.isd"));
  s.Load();
  EXPECT_EQ(RowsOf(*s.g.BaseEntries), RowsOf("hand_written_v3.records"));
  EXPECT_EQ(s.g.BaseFormat, 3);

  // Format version 4: the Explorer's choice Windows did not honour.
  WriteFileBytes("Prev.isd", Data("hand_written_v4.isd"));
  s.Load();
  EXPECT_EQ(RowsOf(*s.g.BaseEntries), RowsOf("hand_written_v4.records"));
  EXPECT_EQ(s.g.BaseFormat, 4);
}

TEST(Format, ASaveWritesExactlyTheDescribedText) {
  InFreshFolder here;
  SaveBase(EntriesOf(RowsOf("hand_written_v4.records")));
  EXPECT_EQ(ReadFileBytes("Prev.isd"), Data("hand_written_v4.isd"));
}

// The large golden file: records made by rule, so that the test can list
// them without holding them literally.
Records LargeRecords() {
  Records out;
  for (int i = 0; i < 2400; ++i) {
    const std::string n = std::to_string(i);
    std::string path = "\"C:\\Program Files\\Vendor " + std::to_string(i % 50) + "\\app" +
                       std::to_string(i % 13) + ".exe\" /open \"%1\"";
    if (i % 97 == 5) path += "\t/tab `grave`";
    if (i % 101 == 7) path = "C:\\Программы\\Δ" + n + ".exe %1";
    const std::string progId = i % 9 == 4 ? "" : "Vendor" + std::to_string(i % 50) + ".File." + n;
    const std::string ext = ".x" + n;
    out.insert(out.end(), {ext, path, (progId.empty() ? ext : progId) + "\\shell\\open\\command", progId});
  }
  return out;
}

TEST(Format, BaseFilesOfEarlierVersionsLoadUnchanged) {
  const Records large = LargeRecords();
  Records few, text;  // written out in data/
  for (const auto& [rows, flat] : {std::pair(RowsOf("few.records"), &few), {RowsOf("text.records"), &text}})
    for (const auto& r : rows) flat->insert(flat->end(), r.begin(), r.end());
  const std::pair<const char*, const Records*> golden[] = {
      {"empty.isd", nullptr}, {"few.isd", &few}, {"text.isd", &text}, {"large.isd", &large}};
  for (const auto& [name, records] : golden) {
    SCOPED_TRACE(name);
    const std::string bytes = ReadFileBytes(std::string(HOLLIN_GOLDEN_DIR "/") + name);
    InFreshFolder here;
    WriteFileBytes("Prev.isd", bytes);
    Store s;
    s.Load();
    EXPECT_FALSE(s.created);
    ExpectRecords(Flatten(*s.g.BaseEntries), records ? *records : Records());
    EXPECT_EQ(ReadFileBytes("Prev.isd"), bytes) << "a load changes nothing";
    for (const auto& e : *s.g.BaseEntries) ASSERT_FALSE(e->Layered()) << e->Ext();
    // The first save writes this version's format and keeps the file as it
    // was as the backup.
    s.g.CurrentEntries = s.g.BaseEntries;
    s.Save();
    EXPECT_EQ(ReadFileBytes("Prev.isd").rfind("HOLLINBASE\t4\n", 0), 0u);
    if (records) {
      EXPECT_EQ(ReadFileBytes("Prev.isd.bak"), bytes);
    }
    s.Load();
    ExpectRecords(Flatten(*s.g.BaseEntries), records ? *records : Records());
  }
}

// The golden files of format versions 2 to 4: their records with their
// layers, those of version 3 with their verbs and protocols, those of
// version 4 with the Explorer's choices Windows did not honour, written out
// in data/*.records.
TEST(Format, BaseFilesOfVersions2To4LoadWithWhatTheyRecorded) {
  for (const auto& [golden, records, format] : {std::tuple{"layers-v2.isd", "layers-v2.records", 2},
                                                std::tuple{"links-v3.isd", "links-v3.records", 3},
                                                std::tuple{"set-aside-v4.isd", "set-aside-v4.records", 4}}) {
    SCOPED_TRACE(golden);
    const std::string bytes = ReadFileBytes(std::string(HOLLIN_GOLDEN_DIR "/") + golden);
    InFreshFolder here;
    WriteFileBytes("Prev.isd", bytes);
    Store s;
    s.Load();
    EXPECT_EQ(ReadFileBytes("Prev.isd"), bytes);
    const Rows rows = RowsOf(*s.g.BaseEntries);
    EXPECT_EQ(rows, RowsOf(records));
    EXPECT_EQ(s.g.BaseFormat, format);
    if (format < 3) continue;
    for (const auto& e : *s.g.BaseEntries) EXPECT_EQ(e->IgnoredRead(), format >= 4 && e->Layered()) << e->Ext();
    // This version's own save writes the file of its version byte for byte;
    // a record of version 3 gains only an empty choice set aside.
    s.g.CurrentEntries = s.g.BaseEntries;
    s.Save();
    if (format == 4) {
      EXPECT_EQ(ReadFileBytes("Prev.isd"), bytes);
    }
    s.Load();
    EXPECT_EQ(s.g.BaseFormat, 4);
    Rows saved = RowsOf(*s.g.BaseEntries);
    ASSERT_EQ(saved.size(), rows.size());
    for (size_t i = 0; i < rows.size() && format == 3; ++i) {
      ASSERT_GE(saved[i].size(), rows[i].size());
      for (size_t k = rows[i].size(); k < saved[i].size(); ++k) EXPECT_EQ(saved[i][k], "") << saved[i][0];
      saved[i].resize(rows[i].size());
    }
    EXPECT_EQ(saved, rows);
  }
}

}  // namespace
}  // namespace hollin::test

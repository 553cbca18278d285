// The base file's text form, pinned from outside the program: a file written
// by hand from the format's description loads as meant, a save writes that
// text byte for byte, and base files written by earlier versions (golden/)
// load unchanged.
#include <gtest/gtest.h>

#include <algorithm>

#include "base_test_util.h"

#ifndef HOLLIN_GOLDEN_DIR
#error "the build names the folder of the golden base files"
#endif

namespace hollin::test {
namespace {

// Ext, Path, Key and ProgID of each record, one after the other (as Flatten).
using Records = std::vector<std::string>;

std::shared_ptr<cRegEntries> EntriesOf(const Records& flat) {
  auto entries = std::make_shared<cRegEntries>();
  for (size_t i = 0; i + 3 < flat.size(); i += 4) {
    auto e = std::make_shared<cRegEntry>();
    e->Ext(flat[i]);
    e->ProgramFullPath(flat[i + 1]);
    e->OpenCmdRegKey(flat[i + 2]);
    e->ProgramID(flat[i + 3]);
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

// Written from the format's description; the checksum is XXH64 of every byte
// before its hex digits, as xxhsum -H1 gives it.
const std::string kHandWritten =
    "HOLLINBASE\t1\n"
    "layout\t$*256$$$\n"
    "fields\tExt\tPath\tKey\tProgID\n"
    ".txt\t%SystemRoot%\\system32\\NOTEPAD.EXE %1\ttxtfile\\shell\\open\\command\ttxtfile\n"
    ".log\t\"C:\\Program Files\\Log `60Viewer`60\\lv.exe\" /tab`09\"%1\"\t.log\\shell\\open\\command\t\n"
    ".ru\tC:\\Программы\\日本.exe %1\tΈγγραφο`01`1F`7F\\shell\\open\\command\tΈγγραφο`0D`0A\n"
    "end\t3 records\txxh64 e7f30a64ead2bc07\n";

const Records kHandWrittenRecords = {
    ".txt", "%SystemRoot%\\system32\\NOTEPAD.EXE %1", "txtfile\\shell\\open\\command", "txtfile",
    ".log", "\"C:\\Program Files\\Log `Viewer`\\lv.exe\" /tab\t\"%1\"", ".log\\shell\\open\\command", "",
    ".ru", "C:\\Программы\\日本.exe %1", "Έγγραφο\x01\x1F\x7F\\shell\\open\\command", "Έγγραφο\r\n",
};

// The same records in format version 2, the first and last with their
// layers (a packaged app chosen in Explorer; an Applications entry chosen
// over the user classes), the second as a version 1 record reads.
const std::string kHandWrittenV2 =
    "HOLLINBASE\t2\n"
    "layout\t$*256$$$$$$$$$\n"
    "fields\tExt\tPath\tKey\tProgID\tMachine\tUser\tChoice\tCommand\tOpener\tTypes\n"
    ".txt\t%SystemRoot%\\system32\\NOTEPAD.EXE %1\ttxtfile\\shell\\open\\command\ttxtfile\ttxtfile\t\tAppXdn5b\t"
    "\tNotepad\t1 2 1 0\n"
    ".log\t\"C:\\Program Files\\Log `60Viewer`60\\lv.exe\" /tab`09\"%1\"\t.log\\shell\\open\\command\t\t\t\t\t\t\t\n"
    ".ru\tC:\\Программы\\日本.exe %1\tΈγγραφο`01`1F`7F\\shell\\open\\command\tΈγγραφο`0D`0A\tΈγγραφο`0D`0A\t"
    "Applications\\ed.exe\tApplications\\ed.exe\tC:\\ed.exe \"%1\"\t\t7 1 1 2\n"
    "end\t3 records\txxh64 6ee86bcc130df8b8\n";

// Layers of the records of kHandWrittenV2: machine, user, choice, command,
// opener, types.
struct Layers {
  std::string machine, user, choice, command, opener;
  std::uint32_t types[4];
};
const Layers kHandWrittenLayers[] = {
    {"txtfile", "", "AppXdn5b", "", "Notepad", {1, 2, 1, 0}},
    {},
    {"Έγγραφο\r\n", "Applications\\ed.exe", "Applications\\ed.exe", "C:\\ed.exe \"%1\"", "", {7, 1, 1, 2}},
};

TEST(Format, FilesWrittenByHandLoadAsMeant) {
  InFreshFolder here;
  WriteFileBytes("Prev.isd", kHandWritten);
  Store s;
  s.Load();
  EXPECT_FALSE(s.created);
  EXPECT_EQ(Flatten(*s.g.BaseEntries), kHandWrittenRecords);
  for (const auto& e : *s.g.BaseEntries) EXPECT_FALSE(e->Layered()) << e->Ext();

  WriteFileBytes("Prev.isd", kHandWrittenV2);
  s.Load();
  EXPECT_EQ(Flatten(*s.g.BaseEntries), kHandWrittenRecords);
  for (int i = 0; i < 3; ++i) {
    const cRegEntry& e = *s.g.BaseEntries->Item(i + 1);
    const Layers& l = kHandWrittenLayers[i];
    EXPECT_EQ(e.Layered(), i != 1) << i;
    EXPECT_EQ(std::vector<std::string>({e.MachineProgID(), e.UserProgID(), e.ChoiceProgID(), e.OpenerCommand(),
                                        e.OpenerName()}),
              std::vector<std::string>({l.machine, l.user, l.choice, l.command, l.opener}))
        << i;
    for (int t = 0; t < 4; ++t) EXPECT_EQ(e.ValueType(cRegEntry::TypeSlot(t)), l.types[t]) << i << " " << t;
  }
}

TEST(Format, ASaveWritesExactlyTheDescribedText) {
  InFreshFolder here;
  auto entries = EntriesOf(kHandWrittenRecords);
  for (int i = 0; i < 3; ++i) {
    if (i == 1) continue;
    cRegEntry& e = *entries->Item(i + 1);
    const Layers& l = kHandWrittenLayers[i];
    e.MachineProgID(l.machine);
    e.UserProgID(l.user);
    e.ChoiceProgID(l.choice);
    e.OpenerCommand(l.command);
    e.OpenerName(l.opener);
    for (int t = 0; t < 4; ++t) e.ValueType(cRegEntry::TypeSlot(t), l.types[t]);
    e.Layered(true);
  }
  SaveBase(entries);
  EXPECT_EQ(ReadFileBytes("Prev.isd"), kHandWrittenV2);
}

// The golden files: what each holds, written out here independently of the
// program that wrote them.
const Records kFew = {
    ".txt", "%SystemRoot%\\system32\\edit.exe %1", "txtfile\\shell\\open\\command", "txtfile",
    ".htm", "\"C:\\Program Files\\Web Viewer\\viewer.exe\" -nohome \"%1\"",
    "htmlfile\\shell\\open\\command", "htmlfile",
    ".bat", "\"%1\" %*", "batfile\\shell\\open\\command", "batfile",
    ".zip", "C:\\Tools\\unpack.exe \"%1\"", ".zip\\shell\\open\\command", "",
    ".doc", "\"C:\\Program Files\\Writer\\write.exe\" /n /dde", "Writer.Document.8\\shell\\open\\command",
    "Writer.Document.8",
};

const Records kText = {
    ".ru", "C:\\Программы\\日本.exe %1", "Программа.Файл\\shell\\open\\command", "Программа.Файл",
    ".gr", "\"D:\\Εφαρμογές\\προβολή.exe\" \"%1\"", "Προβολή.Έγγραφο\\shell\\open\\command",
    "Προβολή.Έγγραφο",
    ".jp", "C:\\ツール\\表示.exe /open \"%1\"", ".jp\\shell\\open\\command", "",
    ".résumé", "\"C:\\Bureau\\éditeur.exe\" «%1»", "Éditeur.CV\\shell\\open\\command", "Éditeur.CV",
    ".tab", "viewer.exe\t/x \"%1\"", "`quoted`\\shell\\open\\command", std::string("a\x01\x1F\x7F\r\nz\0!", 9),
    ".esc", "looks like an escape: `41 `09", "\\\\server\\share\\a b.exe", "%1%2",
};

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
  // The rule, checked against a few records spelt out.
  ASSERT_EQ(large.size(), 2400u * 4);
  EXPECT_EQ(Records(large.begin() + 4 * 4, large.begin() + 4 * 6),
            (Records{".x4", "\"C:\\Program Files\\Vendor 4\\app4.exe\" /open \"%1\"", ".x4\\shell\\open\\command", "",
                     ".x5", "\"C:\\Program Files\\Vendor 5\\app5.exe\" /open \"%1\"\t/tab `grave`",
                     "Vendor5.File.5\\shell\\open\\command", "Vendor5.File.5"}));
  EXPECT_EQ(Records(large.begin() + 4 * 1017, large.begin() + 4 * 1018),
            (Records{".x1017", "C:\\Программы\\Δ1017.exe %1", "Vendor17.File.1017\\shell\\open\\command",
                     "Vendor17.File.1017"}));
  EXPECT_EQ(Records(large.end() - 4, large.end()),
            (Records{".x2399", "\"C:\\Program Files\\Vendor 49\\app7.exe\" /open \"%1\"",
                     "Vendor49.File.2399\\shell\\open\\command", "Vendor49.File.2399"}));

  const std::pair<const char*, const Records*> golden[] = {
      {"empty.isd", nullptr}, {"few.isd", &kFew}, {"text.isd", &kText}, {"large.isd", &large}};
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
    EXPECT_EQ(ReadFileBytes("Prev.isd").rfind("HOLLINBASE\t2\n", 0), 0u);
    if (records) {
      EXPECT_EQ(ReadFileBytes("Prev.isd.bak"), bytes);
    }
    s.Load();
    ExpectRecords(Flatten(*s.g.BaseEntries), records ? *records : Records());
  }
}

// The golden file of format version 2: its records and their layers,
// written out here.
TEST(Format, BaseFilesOfVersion2LoadWithTheirLayers) {
  const std::string bytes = ReadFileBytes(HOLLIN_GOLDEN_DIR "/layers-v2.isd");
  InFreshFolder here;
  WriteFileBytes("Prev.isd", bytes);
  Store s;
  s.Load();
  EXPECT_EQ(ReadFileBytes("Prev.isd"), bytes);
  struct Row {
    const char* ext;
    std::vector<std::string> values;  // path, key, id, machine, user, choice, command, opener
    std::vector<std::uint32_t> types;
    bool layered;
  };
  const Row rows[] = {
      {".txt",
       {"%SystemRoot%\\system32\\NOTEPAD.EXE %1", "txtfile\\shell\\open\\command", "txtfile", "txtfile", "",
        "AppXdn5b2kzhy4x7nw4r7c2c2s9pjnyv1kh", "", "Microsoft.WindowsNotepad"},
       {1, 2, 1, 0}, true},
      {".pdf",
       {"\"C:\\Program Files\\Reader\\reader.exe\" \"%1\"", "Reader.Document\\shell\\open\\command", "Reader.Document",
        "Reader.Document", "", "MSEdgePDF", "\"C:\\Program Files (x86)\\Browser\\browser.exe\" --single-argument %1", ""},
       {1, 1, 1, 0}, true},
      {".log",
       {"C:\\Tools\\logview.exe /open \"%1\"", "logfile\\shell\\open\\command", "logfile", "logfile", "logfile.user", "",
        "C:\\Users\\Me\\logview.exe \"%1\"", ""},
       {1, 1, 1, 1}, true},
      {".md",
       {"C:\\Ed\\ed.exe %1", ".md\\shell\\open\\command", "", "", "", "Applications\\ed.exe", "\"C:\\Ed\\ed.exe\" \"%1\"", ""},
       {1, 1, 0, 0}, true},
      {".ру",
       {"C:\\Программы\\日本.exe %1", "Программа.Файл\\shell\\open\\command", "Программа.Файл", "Программа.Файл", "",
        "Gone.Doc", "", "Gone.Doc (not registered)"},
       {2, 7, 2, 0}, true},
      {".old", {"old.exe %1", "oldfile\\shell\\open\\command", "oldfile", "", "", "", "", ""}, {0, 0, 0, 0}, false},
  };
  ASSERT_EQ(s.g.BaseEntries->Count(), 6);
  for (int i = 0; i < 6; ++i) {
    const cRegEntry& e = *s.g.BaseEntries->Item(i + 1);
    const Row& r = rows[i];
    EXPECT_EQ(e.Ext(), r.ext);
    EXPECT_EQ(std::vector<std::string>({e.ProgramFullPath(), e.OpenCmdRegKey(), e.ProgramID(), e.MachineProgID(),
                                        e.UserProgID(), e.ChoiceProgID(), e.OpenerCommand(), e.OpenerName()}),
              r.values)
        << r.ext;
    std::vector<std::uint32_t> types;
    for (int t = 0; t < 4; ++t) types.push_back(e.ValueType(cRegEntry::TypeSlot(t)));
    EXPECT_EQ(types, r.types) << r.ext;
    EXPECT_EQ(e.Layered(), r.layered) << r.ext;
  }
}

}  // namespace
}  // namespace hollin::test

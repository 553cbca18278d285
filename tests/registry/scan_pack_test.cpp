// A scan handed from one process to another: all of it arrives, or none of
// it is taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/scan_pack.h"

namespace hollin {
namespace {

using namespace std::string_literals;

// Every field of an entry as text, in one list.
std::vector<std::string> Fields(const AssocEntry& e) {
  std::vector<std::string> f{e.Ext(),         e.ProgramFullPath(), e.OpenCmdRegKey(), e.ProgramID(),
                             e.MachineProgID(), e.UserProgID(),     e.ChoiceProgID(),  e.IgnoredChoice(),
                             e.OpenerCommand(), e.OpenerName(),     e.Verb(),          e.VerbCommand(),
                             e.Handler(),       e.UnreadablePath()};
  for (int slot = 0; slot < AssocEntry::kTypeSlots; ++slot)
    f.push_back(std::to_string(e.ValueType(static_cast<AssocEntry::TypeSlot>(slot))));
  for (const int v : {int(e.Layered()), int(e.VerbsRead()), int(e.IgnoredRead()), int(e.Unreadable()),
                      int(e.ChoiceAt()), int(e.VerbAt()), int(e.UnreadableAt())})
    f.push_back(std::to_string(v));
  return f;
}

// A scan whose entries set every field, each to a value of its own (a text
// with a zero character and one beyond ASCII among them), an entry whose key
// may not be read, and names and keys the scan passed over.
ScanResult Sample() {
  ScanResult s;
  s.entries = std::make_shared<AssocEntries>();
  auto type = std::make_shared<AssocEntry>();
  type->Ext(".txt");
  type->ProgramFullPath("C:\\Edit\\edit.exe \"%1\"");
  type->OpenCmdRegKey("txtfile\\shell\\open\\command");
  type->ProgramID("txtfile");
  type->MachineProgID("Machine.Txt");
  type->UserProgID("User.Txt");
  type->ChoiceProgID("Choice.Txt");
  type->IgnoredChoice("Ignored.Txt");
  type->OpenerCommand("C:\\Edit\\opener.exe \"%1\"");
  type->OpenerName("\xC3\x89" "diteur");
  type->Verb("edit");
  type->VerbCommand("C:\\Edit\\edit.exe /e \"%1\"\0tail"s);
  type->Handler("{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}");
  for (int slot = 0; slot < AssocEntry::kTypeSlots; ++slot)
    type->ValueType(static_cast<AssocEntry::TypeSlot>(slot), 100u + static_cast<unsigned>(slot));
  type->Layered(true);
  type->VerbsRead(true);
  type->IgnoredRead(true);
  type->ChoiceAt(AssocEntry::ChoicePlace::Latest);
  type->VerbAt(AssocEntry::VerbSource::User);
  s.entries->Add(type, type->Ext());
  auto link = std::make_shared<AssocEntry>();
  link->Ext("mailto");
  link->ProgramFullPath("mail.exe %1");
  link->ChoiceAt(AssocEntry::ChoicePlace::Legacy);
  link->VerbAt(AssocEntry::VerbSource::Machine);
  s.entries->Add(link, link->Ext());
  auto refused = std::make_shared<AssocEntry>();
  refused->Ext(".doc");
  refused->Unreadable(AssocEntry::Layer::User, "Word.Document\\shell");
  s.entries->Add(refused, refused->Ext());
  s.unreadableNames = {{"secret", AssocEntry::Layer::Machine}, {"other", AssocEntry::Layer::User}};
  s.skipped = {{7, "", ERROR_ACCESS_DENIED}, {9, ".TXT", ERROR_SUCCESS}};
  return s;
}

TEST(ScanPack, CarriesEveryFieldOfAScan) {
  const ScanResult sent = Sample();
  ScanResult got;
  ASSERT_TRUE(UnpackScan(PackScan(sent), got));
  ASSERT_EQ(got.entries->Count(), sent.entries->Count());
  for (int i = 1; i <= sent.entries->Count(); ++i) {
    EXPECT_EQ(Fields(*got.entries->Item(i)), Fields(*sent.entries->Item(i))) << i;
    EXPECT_EQ(got.entries->Lookup(sent.entries->Item(i)->Ext()), got.entries->Item(i).get()) << "found by its name";
  }
  ASSERT_EQ(got.unreadableNames.size(), 2u);
  EXPECT_EQ(got.unreadableNames[1].name, "other");
  EXPECT_EQ(got.unreadableNames[1].at, AssocEntry::Layer::User);
  ASSERT_EQ(got.skipped.size(), 2u);
  EXPECT_EQ(got.skipped[0].index, 7u);
  EXPECT_EQ(got.skipped[0].status, ERROR_ACCESS_DENIED);
  EXPECT_EQ(got.skipped[1].name, ".TXT");

  ScanResult none;
  ASSERT_TRUE(UnpackScan(PackScan(ScanResult{}), none)) << "a scan that found nothing is an answer too";
  EXPECT_EQ(none.entries->Count(), 0);
}

TEST(ScanPack, RefusesAnythingButOneWholePack) {
  const std::string bytes = PackScan(Sample());
  ScanResult kept;
  kept.skipped = {{1, "kept", ERROR_SUCCESS}};
  const auto refused = [&](std::string_view b) {
    const bool taken = UnpackScan(b, kept);
    return !taken && kept.skipped.size() == 1 && !kept.entries;  // left as it was
  };
  for (size_t n = 0; n < bytes.size(); ++n) EXPECT_TRUE(refused(bytes.substr(0, n))) << "cut to " << n;
  EXPECT_TRUE(refused(bytes + '\0'));
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::string changed = bytes;
    changed[i] = static_cast<char>(changed[i] ^ 0x10);
    EXPECT_TRUE(refused(changed)) << "byte " << i << " changed";
  }
}

}  // namespace
}  // namespace hollin

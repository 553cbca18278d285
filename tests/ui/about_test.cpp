// Help and About on the headless backend: the About box and its base file,
// the system-information tool and the click-through links as the programs
// they would start, and which help opens where.
#include <gtest/gtest.h>

#include "ui/ui_fixture.h"

namespace hollin {
namespace {

class AboutTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Start();
    about = std::make_unique<ui::FrmAbout>(backend, reg, platform, box);
    main->frmAbout = about.get();
  }
  std::unique_ptr<ui::FrmAbout> about;
};

// Help > About shows the box, which names the base file read; its
// system-information button and links start what the registry says.
TEST_F(AboutTest, NamesTheBaseFileAndStartsWhatTheRegistrySays) {
  ui::FrmAbout* shown = nullptr;
  backend.onModal = [&](ui::Form& f) { shown = static_cast<ui::FrmAbout*>(&f); };
  main->mnuHlpAbout.UserChoose();
  ASSERT_EQ(shown, about.get());
  EXPECT_EQ(about->lblBase.Caption(), "Base file: Prev.isd");
  backend.onModal = nullptr;

  struct Case {
    const char* name;
    const char* registry;
    std::vector<std::string> files, startable;
    std::vector<std::string> started;
    bool unavailable;
  };
  const char* kPath = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n\"PATH\"=\"C:\\\\Info\\\\info.exe\"\n";
  const char* kLocation =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n\"MSINFO\"=\"C:\\\\Tools\"\n";
  const char* kEmpty = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n\"PATH\"=hex:\n";
  const Case cases[] = {
      {"the path value is run without a look for its file", kPath, {}, {"C:\\Info"}, {"1: C:\\Info\\info.exe"}, false},
      {"the path value that cannot start", kPath, {}, {}, {"1: C:\\Info\\info.exe"}, true},
      {"the tool's folder, with the tool in it", kLocation, {"C:\\Tools\\MSINFO32.EXE"}, {"C:\\Tools"},
       {"1: C:\\Tools\\MSINFO32.EXE"}, false},
      {"the tool's folder, without the tool", kLocation, {}, {"C:\\Tools"}, {}, true},
      {"a value of no data", kEmpty, {}, {""}, {}, true},
      {"nothing in the registry", "", {}, {""}, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegistryStore r;
    r.LoadText(std::string("REGEDIT4\n") + c.registry, "case");
    // As a standard user: the machine's keys may only be read.
    for (const char* key : {"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "SOFTWARE\\Microsoft\\Shared Tools Location"})
      r.AllowOnly(HKEY_LOCAL_MACHINE, key, KEY_READ);
    test::FakePlatform p;
    p.files = c.files;
    p.startable = c.startable;
    test::ScriptedMessageBox b;
    ui::FrmAbout a(backend, r, p, b);
    a.Load();
    a.cmdSysInfo.UserClick();
    EXPECT_EQ(p.started, c.started);
    const std::vector<MessageBoxRequest> unavailable{
        {"System Information Is Unavailable At This Time", MbButtons::Ok, MbIcon::None, MbDefault::First,
         "Brellmark"}};
    EXPECT_EQ(b.shown, c.unavailable ? unavailable : std::vector<MessageBoxRequest>{});
  }
  // The links run the class's open command with the caption in quotes; a
  // class whose command begins with its placeholder does nothing.
  reg.LoadText(R"(REGEDIT4
[HKEY_CLASSES_ROOT\mailto\shell\open\command]
@="\"C:\\Mail\\mail.exe\" \"%1\""
[HKEY_CLASSES_ROOT\htmlfile\shell\open\command]
@="%1"
)", "links");
  platform.startable = {"\"C:\\Mail"};
  reg.AllowOnly(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", KEY_READ);
  about->Load();
  about->lblClickThru0.UserClick();
  about->lblClickThru1.UserClick();
  EXPECT_EQ(platform.started,
            (std::vector<std::string>{"1: \"C:\\Mail\\mail.exe\" \"hollin@nordane.example.com\""}));
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(AboutTest, HelpOpensWhatTheSystemCanShow) {
  struct Case {
    const char* name;
    int version;  // the system's real major version
    std::vector<std::string> files, startable;
    bool htmlHelpOpens, openable;
    int topic;
    std::vector<std::string> tried;
    const char* box;
  };
  const std::string hlp = ".\\Hollin.hlp", chm = ".\\Hollin.chm", htm = ".\\Hollin.htm";
  const std::vector<std::string> all{hlp, chm, htm};
  const std::string winhelp = "2: winhelp.exe \".\\Hollin.hlp\"", winhlp32 = "2: winhlp32.exe \".\\Hollin.hlp\"";
  const std::string page = "open: .\\Hollin.htm";
  const Case cases[] = {
      // Earlier Windows: the help viewers first.
      {"7: the first viewer", 6, all, {"winhelp.exe"}, true, true, 0, {winhelp}, nullptr},
      {"7: the second viewer, at a topic", 6, all, {"winhlp32.exe"}, true, true, 4,
       {"2: winhelp.exe -i 4 \".\\Hollin.hlp\"", "2: winhlp32.exe -i 4 \".\\Hollin.hlp\""}, nullptr},
      {"7: no viewer: HTML Help", 6, all, {}, true, true, 4,
       {"2: winhelp.exe -i 4 \".\\Hollin.hlp\"", "2: winhlp32.exe -i 4 \".\\Hollin.hlp\"",
        "htmlhelp: 4 .\\Hollin.chm"}, nullptr},
      {"7: no viewer, no HTML Help: the web page", 6, all, {}, false, true, 0,
       {winhelp, winhlp32, "htmlhelp: 0 .\\Hollin.chm", page}, nullptr},
      {"version unknown: as earlier Windows", 0, {hlp, htm}, {}, false, true, 0, {winhelp, winhlp32, page}, nullptr},
      {"7: nothing opens", 6, {hlp, htm}, {}, false, false, 0, {winhelp, winhlp32, page},
       "Help cannot be shown: neither winhelp.exe nor winhlp32.exe could be started for \".\\Hollin.hlp\", and no "
       "program opens \".\\Hollin.htm\"."},
      {"7: no help file", 6, {}, {"winhelp.exe"}, true, true, 0, {}, "The help file \".\\Hollin.hlp\" is missing."},
      // Windows 10 and 11: the stub viewer that starts is never asked.
      {"10: HTML Help at a topic", 10, all, {"winhelp.exe", "winhlp32.exe"}, true, true, 4,
       {"htmlhelp: 4 .\\Hollin.chm"}, nullptr},
      {"11: HTML Help's contents", 10, all, {"winhlp32.exe"}, true, true, 0, {"htmlhelp: 0 .\\Hollin.chm"}, nullptr},
      {"10: no HTML Help: the web page", 10, all, {"winhlp32.exe"}, false, true, 0,
       {"htmlhelp: 0 .\\Hollin.chm", page}, nullptr},
      {"10: no compiled help: the web page", 10, {hlp, htm}, {"winhlp32.exe"}, true, true, 4, {page}, nullptr},
      {"10: nothing opens", 10, all, {"winhlp32.exe"}, false, false, 0, {"htmlhelp: 0 .\\Hollin.chm", page},
       "Help cannot be shown: HTML Help could not open \".\\Hollin.chm\", and no program opens "
       "\".\\Hollin.htm\"."},
      {"10: only the old help file", 10, {hlp}, {"winhlp32.exe"}, true, true, 0, {},
       "The help file \".\\Hollin.chm\" is missing."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform.windowsVersion = c.version;
    platform.files = c.files;
    platform.startable = c.startable;
    platform.htmlHelpOpens = c.htmlHelpOpens;
    platform.openable = c.openable;
    platform.started.clear();
    box.shown.clear();
    if (c.topic) main->UserAsksHelp(&main->mnuRestore);  // F1 on "Restore Base for Selected Type(s)"
    else main->mnuHlpCont.UserChoose();
    EXPECT_EQ(platform.started, c.tried);
    ASSERT_EQ(box.shown.size(), c.box ? 1u : 0u);
    if (c.box) {
      EXPECT_EQ(box.shown[0].text, c.box);
    }
  }
}

// F1 in a box the main window shows opens the topic of what the box is for.
TEST_F(AboutTest, F1InEachBoxOpensItsTopic) {
  platform.windowsVersion = 10;
  platform.files = {".\\Hollin.chm"};
  platform.htmlHelpOpens = true;
  ui::FrmDetails details{backend};
  main->frmDetails = &details;
  backend.onModal = [&](ui::Form& f) { f.UserAsksHelp(nullptr); };
  main->mnuHlpAbout.UserChoose();
  main->optView1.UserClick();
  main->lvwMain.UserActivateRow(1);  // Enter on a row: its Details window
  main->mnuOptWarn.Checked(true);
  main->cmdRestore_Click();  // the warning (closed by its frame: nothing restored)
  backend.onModal = nullptr;
  EXPECT_EQ(platform.started,
            (std::vector<std::string>{"htmlhelp: 1 .\\Hollin.chm", "htmlhelp: 2 .\\Hollin.chm", "htmlhelp: 4 .\\Hollin.chm"}));
}

}  // namespace
}  // namespace hollin

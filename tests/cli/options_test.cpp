// The command line of a run for scripts: how arguments split, which command
// lines are such runs, and what each option and each wrong one gives.
#include <gtest/gtest.h>

#include "cli/options.h"

namespace hollin::cli {
namespace {

using Args = std::vector<std::string>;

TEST(Options, ArgumentsSplitAsTheStartUpCodeSplitsThem) {
  EXPECT_EQ(SplitArguments("  --check   --report \"C:\\My Reports\\r.json\" x\"y z\"w"),
            (Args{"--check", "--report", "C:\\My Reports\\r.json", "xy zw"}));
  EXPECT_EQ(SplitArguments(R"(a\\\"b c\\"d e" \\x)"), (Args{"a\\\"b", "c\\d e", "\\\\x"}));
  EXPECT_EQ(SplitArguments(""), Args{});
}

TEST(Options, OnlyItsOptionsMakeARunForScripts) {
  for (const Args& yes : {Args{"--check"}, Args{"/CHECK"}, Args{"--bogus"}, Args{"-h", "--help"}, Args{"/?"}})
    EXPECT_TRUE(IsCommandLineRun(yes)) << yes[0];
  for (const Args& no : {Args{}, Args{"-h"}, Args{"/x"}, Args{"-H", "/h"}, Args{"C:\\Tools-Hub\\file.txt"}})
    EXPECT_FALSE(IsCommandLineRun(no)) << (no.empty() ? "(none)" : no[0]);
}

TEST(Options, EveryOptionAndEveryMistake) {
  struct Case {
    Args args;
    Action action;
    std::string error;  // a part of it; "" for none
  };
  const Case cases[] = {
      {{"--check"}, Action::Check, ""},
      {{"/Check", "/FORMAT", "JSON", "/report", "r.json"}, Action::Check, ""},
      {{"--accept", "--base", "D:\\b.isd"}, Action::Accept, ""},
      {{"--restore", "all"}, Action::Restore, ""},
      {{"--restore", "txt,.PDF,,"}, Action::Restore, ""},
      {{"--export-defaults", "a.xml"}, Action::ExportDefaults, ""},
      {{"--help"}, Action::Help, ""},
      {{"/?"}, Action::Help, ""},
      {{"--version"}, Action::Version, ""},
      {{"--check", "--accept"}, Action::Accept, "cannot be combined"},
      {{"--restore"}, Action::Restore, "needs the types"},
      {{"--restore", "--check"}, Action::Check, "needs the types"},
      {{"--check", "--format", "xml"}, Action::Check, "json, csv or text"},
      {{"--check", "--report"}, Action::Check, "needs the file"},
      {{"--check", "--nonsense"}, Action::Check, "\"--nonsense\" is not an option"},
      {{"--format", "csv"}, Action::None, "Say what to do"},
      {{"--accept", "--base", "defaults.XML"}, Action::Accept, "only read"},
      {{"--restore", ".txt", "--base", "d.xml"}, Action::Restore, "only read"},
      {{"--export-defaults", "e.xml", "--base", "d.xml"}, Action::ExportDefaults, "no base to export"},
      // An empty value is no value (a script's unset variable).
      {{"--restore", ""}, Action::Restore, "not an empty text"},
      {{"--check", "--format", ""}, Action::Check, "not an empty text"},
      {{"--check", "--report", ""}, Action::Check, "not an empty text"},
      {{"--check", "--base", ""}, Action::Check, "not an empty text"},
      {{"--export-defaults", ""}, Action::ExportDefaults, "not an empty text"},
      // A file or a format given twice would leave one of the two out.
      {{"--check", "--report", "a.json", "--report", "b.json"}, Action::Check, "given twice"},
      {{"--check", "--format", "json", "/FORMAT", "csv"}, Action::Check, "given twice"},
      {{"--check", "--base", "a.isd", "--base", "b.isd"}, Action::Check, "given twice"},
      {{"--export-defaults", "a.xml", "--export-defaults", "b.xml"}, Action::ExportDefaults, "given twice"},
      // "all" in a list is neither every change nor the type ".all".
      {{"--restore", "all,.txt"}, Action::Restore, "\"all\" restores every changed type and link, so it stands alone"},
      {{"--restore", ".txt,ALL"}, Action::Restore, "(\".all\")"},
      {{"--restore", ".all,.txt"}, Action::Restore, ""},
      // A script that asks for a report must not find none where it looks.
      {{"--version", "--report", "r.txt"}, Action::Version, "write no report"},
      {{"--report", "r.txt", "/?"}, Action::Help, "write no report"},
  };
  for (const auto& c : cases) {
    const Options o = ParseOptions(c.args);
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    EXPECT_EQ(o.action, c.action);
    if (c.error.empty()) EXPECT_EQ(o.error, "");
    else EXPECT_NE(o.error.find(c.error), std::string::npos) << o.error;
  }
  // Names as given: which is a type and which a protocol is told when the
  // base and the registry are read ("txt" is ".txt" unless a protocol of
  // that name is known).
  const Options list = ParseOptions({"--restore", "txt,.PDF,,http"});
  EXPECT_EQ(list.restoreTypes, (Args{"txt", ".PDF", "http"}));
  EXPECT_FALSE(list.restoreAll);
  const Options report = ParseOptions({"/Check", "/FORMAT", "JSON", "/report", "r.json"});
  EXPECT_EQ(report.format, Format::Json);
  EXPECT_EQ(report.reportPath, "r.json");
  EXPECT_TRUE(ParseOptions({"--restore", "ALL"}).restoreAll);
}

// A generation's number as a script may write it: leading zeros are the
// same number, and a number the history cannot have is left to the run to
// refuse (exit code 5, "there is no generation"), not taken for a mistake
// in the command line.
TEST(Options, AGenerationIsANumberWithItsLeadingZeros) {
  EXPECT_EQ(ParseOptions({"--restore-from", "01"}).restoreFrom, 1);
  EXPECT_EQ(ParseOptions({"--restore-from", "00002"}).error, "");
  EXPECT_EQ(ParseOptions({"--restore-from", "00002"}).restoreFrom, 2);
  EXPECT_EQ(ParseOptions({"--restore-from", "12345"}).restoreFrom, 12345);
  for (const char* wrong : {"0", "000", "1x", "-1", "+1", " 1", "1234567890"})
    EXPECT_NE(ParseOptions({"--restore-from", wrong}).error.find("not \"" + std::string(wrong) + "\""),
              std::string::npos)
        << wrong;
}

// The guard is hollin.exe's, started by --guard first: anywhere else, and in
// hollinc.exe, the command line says how to run it, and the usage names it.
TEST(Options, TheGuardIsNamedWhereItIsAskedForWrongly) {
  for (const Args& args : {Args{"--guard"}, Args{"--check", "/GUARD"}, Args{"--guard", "--nonsense"}}) {
    const Options o = ParseOptions(args);
    EXPECT_NE(o.error.find("hollin.exe --guard starts the guard, hollin.exe --guard --stop ends it"),
              std::string::npos)
        << o.error;
  }
  EXPECT_NE(UsageText().find("  hollin.exe --guard --stop "), std::string::npos);
}

}  // namespace
}  // namespace hollin::cli

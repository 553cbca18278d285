// The main of every test executable. The tests of a folder are linked into
// one executable; "--hollin_sources=a_test.cpp,b_test.cpp" runs only the
// tests defined in those files (ctest runs each group of them so), and a
// group that finds none fails rather than passing empty.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"

namespace {
std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// "Suite.Name:..." for the tests of the listed files ("" when none).
std::string FilterOfFiles(std::string_view list) {
  std::vector<std::string_view> files;
  for (size_t at = 0; at <= list.size();) {
    size_t end = list.find(',', at);
    if (end == std::string_view::npos) end = list.size();
    if (end > at) files.push_back(BaseName(list.substr(at, end - at)));
    at = end + 1;
  }
  std::string filter;
  const auto& unit = *testing::UnitTest::GetInstance();
  for (int i = 0; i < unit.total_test_suite_count(); ++i) {
    const auto& suite = *unit.GetTestSuite(i);
    for (int j = 0; j < suite.total_test_count(); ++j) {
      const auto& info = *suite.GetTestInfo(j);
      const auto file = BaseName(info.file());
      for (auto f : files) {
        if (f != file) continue;
        if (!filter.empty()) filter += ':';
        filter.append(info.test_suite_name()).append(".").append(info.name());
        break;
      }
    }
  }
  return filter;
}
}  // namespace

int main(int argc, char** argv) {
  if (const auto hook = hollin::test::GetStartHook()) {
    if (const int rc = hook(argc, argv); rc != -1) return rc;
  }
  testing::InitGoogleTest(&argc, argv);
  constexpr std::string_view kSources = "--hollin_sources=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, kSources.size()) != kSources) continue;
    if (GTEST_FLAG_GET(filter) != "*") break;  // the caller's own filter wins
    const auto filter = FilterOfFiles(arg.substr(kSources.size()));
    if (filter.empty()) {
      std::fprintf(stderr, "no tests in %s\n", argv[i] + kSources.size());
      return 1;
    }
    GTEST_FLAG_SET(filter, filter);
  }
  return RUN_ALL_TESTS();
}

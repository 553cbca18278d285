// What crosses to the notice's process: the view it shows comes back as it
// was packed, and bytes any other process might send it show nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "guard/notice.h"

namespace hollin::guard {
namespace {

TEST(NoticeView, ComesBackAsPacked) {
  const std::string text = "2 file types now open with Grab (.pdf, .txt).\nRestored: .r\xC3\xA9s\n";
  for (int flags = 0; flags < 8; ++flags)
    for (const std::string& t : {text, std::string()}) {
      const NoticeView view{t, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
      const auto back = UnpackNoticeView(PackNoticeView(view));
      ASSERT_TRUE(back) << flags;
      EXPECT_EQ(back->text, t);
      EXPECT_EQ(back->answers, view.answers) << flags;
      EXPECT_EQ(back->settings, view.settings) << flags;
      EXPECT_EQ(back->forward, view.forward) << flags;
    }
  // A text of 1 MB is the longest shown; a NUL inside it stays.
  const std::string long1 = std::string(1 << 20, 'x');
  ASSERT_TRUE(UnpackNoticeView(PackNoticeView({long1, true, false, false})));
  EXPECT_EQ(UnpackNoticeView(PackNoticeView({std::string("a\0b", 3), false, false, false}))->text.size(), 3u);
}

TEST(NoticeView, OtherBytesAreNone) {
  const std::string good = PackNoticeView({"text", true, true, false});
  EXPECT_FALSE(UnpackNoticeView(""));
  EXPECT_FALSE(UnpackNoticeView(good.substr(0, 4)));  // no flags
  std::string mark = good;
  mark[0] = 'X';
  EXPECT_FALSE(UnpackNoticeView(mark));
  std::string flags = good;
  flags[4] = 8;
  EXPECT_FALSE(UnpackNoticeView(flags));
  flags[4] = static_cast<char>(0xFF);
  EXPECT_FALSE(UnpackNoticeView(flags));
  EXPECT_FALSE(UnpackNoticeView(PackNoticeView({std::string((1 << 20) + 1, 'x'), false, false, false})));
}

// A program whose command names a program of a million characters still
// has its notice shown: the text crosses whole, far below the limit.
TEST(NoticeView, AHugeProgramNameStillCrosses) {
  auto entry = std::make_shared<AssocEntry>();
  entry->Ext(".big");
  entry->ProgramFullPath("C:\\" + std::string(1100000, 'a') + ".exe %1");
  Notice notice;
  notice.types = {".big"};
  notice.now = {entry};
  const auto back = UnpackNoticeView(PackNoticeView({NoticeText(notice), true, false, false}));
  ASSERT_TRUE(back);
  EXPECT_LT(back->text.size(), 200u);
}

}  // namespace
}  // namespace hollin::guard

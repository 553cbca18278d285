#include "guard/notice.h"

#include "common/text.h"
#include "messages/guard_texts.h"

namespace hollin::guard {

std::string Count(size_t n) { return GroupedCount(n); }

std::string NoticeText(const Notice& notice) {
  return msg::GuardNotice(notice.types, notice.now, notice.restored, notice.refused, notice.choices, notice.problem);
}

void Merge(Notice& into, const Notice& later) {
  for (size_t i = 0; i < later.types.size(); ++i) {
    bool found = false;
    for (size_t j = 0; j < into.types.size() && !found; ++j)
      if (EqualsNoCase(into.types[j], later.types[i])) {
        into.now[j] = later.now[i];
        found = true;
      }
    if (!found) {
      into.types.push_back(later.types[i]);
      into.now.push_back(later.now[i]);
    }
  }
  auto add = [](std::vector<std::string>& to, const std::vector<std::string>& from) {
    for (const auto& t : from) {
      bool known = false;
      for (const auto& x : to) known = known || EqualsNoCase(x, t);
      if (!known) to.push_back(t);
    }
  };
  add(into.restored, later.restored);
  add(into.refused, later.refused);
  add(into.choices, later.choices);
  if (!later.problem.empty()) into.problem = later.problem;
  into.seconds = later.seconds;
}

namespace {
constexpr std::string_view kViewMark = "HGN1";
constexpr size_t kMaxViewText = 1 << 20;
}  // namespace

std::string PackNoticeView(const NoticeView& view) {
  std::string bytes(kViewMark);
  bytes.push_back(static_cast<char>((view.answers ? 1 : 0) | (view.settings ? 2 : 0) | (view.forward ? 4 : 0)));
  bytes += view.text;
  return bytes;
}

std::optional<NoticeView> UnpackNoticeView(std::string_view bytes) {
  if (bytes.size() < kViewMark.size() + 1 || bytes.substr(0, kViewMark.size()) != kViewMark) return std::nullopt;
  const auto flags = static_cast<unsigned char>(bytes[kViewMark.size()]);
  const std::string_view text = bytes.substr(kViewMark.size() + 1);
  if (flags > 7 || text.size() > kMaxViewText) return std::nullopt;
  NoticeView view;
  view.text = text;
  view.answers = flags & 1;
  view.settings = flags & 2;
  view.forward = flags & 4;
  return view;
}

}  // namespace hollin::guard

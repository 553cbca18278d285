#include "guard/notice.h"

#include "common/text.h"
#include "compare/changes.h"

namespace hollin::guard {
namespace {

constexpr size_t kNamed = 10;  // types named in one sentence, then how many more

// The names, a link as its links begin ("http:").
std::string Types(const std::vector<std::string>& types) {
  std::string text = "(";
  for (size_t i = 0; i < types.size() && i < kNamed; ++i)
    text.append(i ? ", " : "").append(types[i]).append(IsLinkName(types[i]) ? ":" : "");
  if (types.size() > kNamed) text.append(" and ").append(Count(types.size() - kNamed)).append(" more");
  return text + ")";
}

// "3 file types", "1 link", "2 file types and 1 link": links (URL protocols)
// counted apart.
std::string FileTypes(const std::vector<std::string>& names) {
  size_t links = 0;
  for (const auto& name : names) links += IsLinkName(name) ? 1 : 0;
  const size_t types = names.size() - links;
  const std::string t = Count(types) + (types == 1 ? " file type" : " file types");
  const std::string l = Count(links) + (links == 1 ? " link" : " links");
  return links == 0 ? t : types == 0 ? l : t + " and " + l;
}

}  // namespace

std::string Count(size_t n) { return GroupedCount(n); }

std::string NoticeText(const Notice& notice) {
  std::vector<std::string> lines;
  if (!notice.types.empty()) {
    // The programs that open them now, each once, in the order met.
    std::vector<std::string> openers;
    bool gone = false;
    for (const auto& entry : notice.now) {
      if (!entry) {
        gone = true;
        continue;
      }
      const std::string opener = OpenerOf(*entry);
      bool known = false;
      for (const auto& o : openers) known = known || EqualsNoCase(o, opener);
      if (!known) openers.push_back(opener);
    }
    const size_t n = notice.types.size();
    std::string line = FileTypes(notice.types);
    if (openers.empty()) {
      line += n == 1 ? " no longer opens with anything " : " no longer open with anything ";
    } else {
      line += n == 1 ? " now opens with " : " now open with ";
      line += openers.size() == 1 && !gone ? openers[0]
              : openers.size() == 1      ? openers[0] + " or nothing"
                                         : openers[0] + " and " + Count(openers.size() - 1 + (gone ? 1 : 0)) +
                                          " other program" + (openers.size() - 1 + (gone ? 1 : 0) == 1 ? "" : "s");
      line += " ";
    }
    lines.push_back(line + Types(notice.types));
  }
  if (!notice.restored.empty())
    lines.push_back("Restored as your base has " + std::string(notice.restored.size() == 1 ? "it: " : "them: ") +
                    FileTypes(notice.restored) + " " + Types(notice.restored));
  if (!notice.refused.empty())
    lines.push_back("Not restored, the registry refused it: " + FileTypes(notice.refused) + " " +
                    Types(notice.refused));
  if (!notice.choices.empty())
    lines.push_back("Explorer's choice changed for " + FileTypes(notice.choices) + " " +
                    Types(notice.choices) + ": only Windows may set it back, in Settings");
  if (!notice.problem.empty()) lines.push_back(notice.problem);
  std::string text;
  for (const auto& l : lines)
    text.append(text.empty() ? "" : "\r\n").append(l).append(l.ends_with('.') ? "" : ".");
  return text;
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

}  // namespace hollin::guard

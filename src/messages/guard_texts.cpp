#include "messages/guard_texts.h"

#include <cstdio>

#include "common/names.h"
#include "common/text.h"
#include "compare/changes.h"
#include "messages/shared_texts.h"

namespace hollin::msg {
namespace {

constexpr size_t kNamed = 10;  // types named in one sentence, then how many more
// The longest name of a type or program the notice shows whole: whoever
// registers a type chooses both, and one long name would push the rest of
// the notice out of its window.
constexpr size_t kLongestName = 80;

// The names, a link as its links begin ("http:").
std::string Types(const std::vector<std::string>& types) {
  std::string text = "(";
  for (size_t i = 0; i < types.size() && i < kNamed; ++i)
    text.append(i ? ", " : "").append(InTextLine(types[i], kLongestName)).append(IsLinkName(types[i]) ? ":" : "");
  if (types.size() > kNamed) text.append(" and ").append(GroupedCount(types.size() - kNamed)).append(" more");
  return text + ")";
}

// "3 file types", "1 link", "2 file types and 1 link": links (URL protocols)
// counted apart.
std::string FileTypes(const std::vector<std::string>& names) {
  size_t links = 0;
  for (const auto& name : names) links += IsLinkName(name) ? 1 : 0;
  const size_t types = names.size() - links;
  const std::string t = GroupedCount(types) + (types == 1 ? " file type" : " file types");
  const std::string l = GroupedCount(links) + (links == 1 ? " link" : " links");
  return links == 0 ? t : types == 0 ? l : t + " and " + l;
}

}  // namespace

std::string GuardNotice(const std::vector<std::string>& types, const std::vector<std::shared_ptr<const AssocEntry>>& now,
                        const std::vector<std::string>& restored, const std::vector<std::string>& refused,
                        const std::vector<std::string>& choices, const std::string& problem) {
  std::vector<std::string> lines;
  // The types whose key cannot be read are said apart: what opens them is
  // unknown.
  std::vector<std::string> changedTypes, unreadable;
  for (size_t i = 0; i < types.size(); ++i)
    (i < now.size() && now[i] && now[i]->Unreadable() ? unreadable : changedTypes).push_back(types[i]);
  if (!changedTypes.empty()) {
    const std::vector<std::string>& types = changedTypes;
    // The programs that open them now, each once, in the order met.
    std::vector<std::string> openers;
    bool gone = false;
    for (const auto& entry : now) {
      if (entry && entry->Unreadable()) continue;
      if (!entry) {
        gone = true;
        continue;
      }
      const std::string opener = OpenerOf(*entry);
      bool known = false;
      for (const auto& o : openers) known = known || EqualsNoCase(o, opener);
      if (!known) openers.push_back(opener);
    }
    const size_t n = types.size();
    std::string line = FileTypes(types);
    if (openers.empty()) {
      line += n == 1 ? " no longer opens with anything " : " no longer open with anything ";
    } else {
      line += n == 1 ? " now opens with " : " now open with ";
      const std::string first = InTextLine(openers[0], kLongestName);
      line += openers.size() == 1 && !gone ? first
              : openers.size() == 1      ? first + " or nothing"
                                         : first + " and " + GroupedCount(openers.size() - 1 + (gone ? 1 : 0)) +
                                          " other program" + (openers.size() - 1 + (gone ? 1 : 0) == 1 ? "" : "s");
      line += " ";
    }
    lines.push_back(line + Types(types));
  }
  if (!unreadable.empty())
    lines.push_back(FileTypes(unreadable) + " cannot be read with your rights, so what opens " +
                    (unreadable.size() == 1 ? "it" : "them") + " now is unknown " + Types(unreadable) +
                    ": look at the key's permissions with the system's registry editor");
  if (!restored.empty())
    lines.push_back("Restored as your base has " + std::string(restored.size() == 1 ? "it: " : "them: ") +
                    FileTypes(restored) + " " + Types(restored));
  if (!refused.empty())
    lines.push_back("Not restored, the registry refused it: " + FileTypes(refused) + " " + Types(refused));
  if (!choices.empty())
    lines.push_back("Explorer's choice changed for " + FileTypes(choices) + " " + Types(choices) +
                    ": only Windows may set it back, in Settings");
  if (!problem.empty()) lines.push_back(problem);
  std::string text;
  for (const auto& l : lines) text.append(text.empty() ? "" : "\r\n").append(l).append(l.ends_with('.') ? "" : ".");
  return text;
}

std::string GuardTip(size_t types, const std::string& lastCheck) {
  std::string tip = std::string(kAppTitle) + " guards what opens " + GroupedCount(types) + " file types";
  if (!lastCheck.empty()) tip += "\nLast check: " + lastCheck;
  return tip;
}
std::string GuardLastCheck(size_t changed) {
  return changed ? GroupedCount(changed) + " changed" : std::string("no changes");
}
std::string GuardTipStopped() { return std::string(kAppTitle) + ": stopped - open " + kAppTitle + " to see why"; }
std::string GuardTipPaused() {
  return std::string(kAppTitle) + " is paused for an hour; changes are checked when it ends";
}
std::string GuardMenuOpen() { return std::string("&Open ") + kAppTitle; }
const char* const kGuardMenuCheckNow = "&Check now";
const char* const kGuardMenuPause = "&Pause for 1 hour";
const char* const kGuardMenuResume = "&Resume";
const char* const kGuardMenuExit = "E&xit";
const char* const kNoticeReview = "&Review";
const char* const kNoticeKeep = "&Keep";
const char* const kNoticeSettings = "&Settings";
const char* const kNoticeClose = "Close";
std::string GuardLatent(const std::vector<std::string>& types) {
  std::string t = "Latent (a layer that does not decide now changed):";
  for (const auto& type : types) t.append(" ").append(type);
  return t;
}

std::string GuardKept(size_t types) {
  return "Kept as the base: " + GroupedCount(types) + " file types as they open now.";
}

std::string GuardBaseGone(const std::string& path, size_t types) {
  return "The base file \"" + path + "\" is gone: " + NowTheBase(types) +
         " A change made before then is in it and is not told; the earlier bases are in View > History.";
}

std::string GuardNotStarted(long shellError) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(shellError));
  return std::string("The guard did not start: it was started with an administrator's full rights, which it does "
                     "not run with, and ") +
         (shellError ? std::string("the desktop's shell did not start it with the user's own rights (error ") + code +
                           ")."
                     : std::string("the rights of the desktop's shell could not be read to hand it the start.")) +
         " Start it without administrator rights; where it is set to start at logon, it starts at the next logon.";
}

}  // namespace hollin::msg

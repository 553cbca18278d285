#include "app/startup.h"

#include <algorithm>
#include <cctype>

#include "messages/messages.h"
#include "ui/settings_box.h"

namespace hollin {

LeadingDecimal LeadingNumber(const std::string& text) {
  LeadingDecimal number;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const auto digit = [&](size_t at) { return at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); };
  // The digits before and after the point, leading zeros dropped: each
  // digit before the point moves it right, each zero after it left while
  // no other digit came.
  bool any = false;
  for (; digit(i); ++i, any = true)
    if (!number.digits.empty() || text[i] != '0') {
      number.digits.push_back(text[i]);
      ++number.point;
    }
  if (i < text.size() && text[i] == '.')
    for (++i; digit(i); ++i, any = true) {
      if (number.digits.empty() && text[i] == '0') --number.point;
      else number.digits.push_back(text[i]);
    }
  if (!any) return {};
  // An exponent counts only when digits follow it; past any number a
  // double can hold it only says "huge" or "nothing".
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    size_t j = i + 1;
    const bool negative = j < text.size() && text[j] == '-';
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    long long exponent = 0;
    for (; digit(j); ++j) exponent = std::min(exponent * 10 + (text[j] - '0'), 1000000LL);
    number.point += negative ? -exponent : exponent;
  }
  while (!number.digits.empty() && number.digits.back() == '0') number.digits.pop_back();
  if (number.digits.empty()) number.point = 0;
  return number;
}

int WarnValue(bool readOk, const SettingValue& value) {
  if (!readOk) return 1;
  if (const auto* n = std::get_if<std::int32_t>(&value)) return *n == 0 ? 0 : 1;
  const auto* text = std::get_if<std::string>(&value);
  if (!text) return 1;
  // The number read as the nearest double and rounded half to even is 0
  // (the only value in 0..1 that turns warnings off) exactly when its size
  // is at most the midpoint between 0.5 and the next double above it,
  // 0.5 + 2^-54: 0.5 itself rounds to 0, everything above to 1 or more.
  const LeadingDecimal number = LeadingNumber(*text);
  if (number.digits.empty() || number.point < 0) return 0;
  if (number.point > 0) return 1;
  return number.digits <= "500000000000000055511151231257827021181583404541015625" ? 0 : 1;
}

void Main(Associations& appState, IPlatform& platform, IRegistry& reg,
          IMessageBox& box, IStartupWindows& windows, const AccountFacts& account) {
  // 0. The settings checked must be a user's.
  const AccountCheck check = CheckAccount(account);
  if (check.refused()) {
    box.Show({msg::AccountRefusedBox(check), MbButtons::Ok, MbIcon::Critical, MbDefault::First, kProductName});
    platform.EndProcess();
    return;
  }
  if (check.other())
    box.Show({msg::OtherAccountBox(check), MbButtons::Ok, MbIcon::Information, MbDefault::First, kProductName});
  // 1. A second copy runs only when the user says so.
  if (platform.AnotherInstanceRunning()) {
    const MbAnswer answer =
        box.Show({msg::AlreadyRunning(), MbButtons::YesNo, MbIcon::Question, MbDefault::Second, msg::kBoxTitle});
    if (answer != MbAnswer::Yes) {
      platform.EndProcess();
      return;
    }
  }
  // 2. Busy until the main window's load step ends.
  platform.SetMousePointer(MousePointer::Hourglass);
  // 3. The base lives beside the program or in the user's own folder.
  const std::string folder = platform.ProgramFolder();
  platform.ChangeCurrentFolder(folder);
  const BaseLocation base = LocateBase(platform, folder);
  appState.BaseFile = base.file;
  appState.FormerBaseFile = base.readFirst;
  // 4.
  if (const LONG status = WriteSetting(reg, "InstallPath", folder); status != ERROR_SUCCESS)
    box.Show({msg::RefusedSetting("InstallPath", status), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
              msg::kBoxTitle});
  // 5.
  SettingValue warn;
  const bool readOk = ui::ReadSettingOrTell(reg, box, "warn", 1, warn, false);
  const int warnValue = WarnValue(readOk, warn);
  // 6. Checked when warnings are off.
  windows.SetWarnCheckBox(1 - warnValue);
  // 7.
  windows.LoadMainWindow();
}

}  // namespace hollin

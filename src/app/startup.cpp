#include "app/startup.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdlib>

#include "messages/messages.h"
#include "ui/settings_box.h"

namespace hollin {

double LeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digitsStart = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  size_t mantissaDigits = i - digitsStart;
  if (i < text.size() && text[i] == '.') {
    ++i;
    const size_t fractionStart = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    mantissaDigits += i - fractionStart;
  }
  if (mantissaDigits == 0) return 0;
  size_t end = i;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const size_t expDigits = j;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    if (j > expDigits) end = j;
  }
  std::string number = text.substr(start, end - start);
  for (char& c : number)
    if (c == 'd' || c == 'D') c = 'e';
  return std::strtod(number.c_str(), nullptr);
}

int WarnValue(bool readOk, const SettingValue& value) {
  if (!readOk) return 1;
  double number = 0;
  if (const auto* text = std::get_if<std::string>(&value)) number = LeadingNumber(*text);
  else if (const auto* n = std::get_if<std::int32_t>(&value)) number = *n;
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(number);
  std::fesetround(saved);
  if (!(rounded >= 0 && rounded <= 1)) return 1;
  return static_cast<int>(rounded);
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

#include "ui/settings_box.h"

#include "messages/window_texts.h"

namespace hollin::ui {

void ShowSettingFailure(IMessageBox& box, const SettingFailure& failure) {
  if (failure.kind == SettingFailure::Kind::None) return;
  const bool unexpected = failure.kind == SettingFailure::Kind::Unexpected;
  box.Show({msg::SettingNotRead(failure), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
            unexpected ? msg::kBoxTitle : msg::kRegistryBoxTitle});
}

bool ReadSettingOrTell(IRegistry& reg, IMessageBox& box, const std::string& name, std::int16_t requestedType,
                       SettingValue& value, bool showErrors) {
  SettingFailure failure;
  if (ReadSetting(reg, name, requestedType, value, &failure)) return true;
  if (showErrors || failure.kind == SettingFailure::Kind::Unexpected) ShowSettingFailure(box, failure);
  return false;
}

}  // namespace hollin::ui

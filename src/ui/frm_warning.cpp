#include "ui/frm_warning.h"

#include "messages/messages.h"
#include "registry/settings.h"

namespace hollin::ui {

void SaveWarnSetting(IRegistry& reg, IMessageBox& box, const MenuItem& mnuOptWarn) {
  const LONG status = WriteSetting(reg, "Warn", mnuOptWarn.Checked() ? "1" : "0");
  if (status != ERROR_SUCCESS)
    box.Show({msg::RefusedSetting("Warn", status), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
              msg::kBoxTitle});
}

FrmWarning::FrmWarning(Backend& backend, IRegistry& reg)
    : Form(backend, "frmWarning", FormStyle::FixedDialog), reg_(reg) {
  OnDesign = [this] { Design(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  chkWarn.Click = [this] { chkWarn_Click(); };
}

void FrmWarning::Design() {
  Caption(msg::kWarningTitle);
  ClientSize(5280, 3195);
  constexpr Color kNavy = Rgb(0, 0, 128);
  lblWarning0.Move(330, 210, 4620, 345);
  lblWarning0.Caption(msg::kWarningHeading);
  lblWarning0.Alignment(Align::Center);
  lblWarning0.Font({"MS Sans Serif", 9.75, true});  // verbatim
  lblWarning0.Colors(kNavy, kSystemColor);
  cmdOK.Move(3840, 2250, 1095, 375);
  cmdOK.Caption(msg::kWarningOK);
  cmdCancel.Move(3840, 2670, 1095, 375);
  cmdCancel.Caption(msg::kWarningCancel);
  cmdCancel.Default = true;
  cmdCancel.Cancel = true;
  chkWarn.Move(120, 2760, 3660, 225);  // beside the Cancel button, not under it
  chkWarn.Caption(msg::kWarningDontShow);
  chkWarn.Value(0);
  lblWarning2.Move(480, 2235, 3240, 495);
  lblWarning2.Caption(msg::kWarningClickOK);
  lblWarning2.Alignment(Align::Right);
  lblWarning2.Colors(kNavy, kSystemColor);
  lblWarning1.Move(330, 600, 4620, 1605);
  lblWarning1.Caption("");
}

bool FrmWarning::Ask(const std::string& title, const std::string& warning) {
  confirmed_ = false;
  Load();
  Caption(title);
  lblWarning1.Caption(warning);
  ShowModal();
  return confirmed_;
}

void FrmWarning::cmdOK_Click() {
  confirmed_ = true;
  Unload();
}

void FrmWarning::cmdCancel_Click() { Unload(); }

void FrmWarning::chkWarn_Click() {
  if (!mnuOptWarn || !box) return;
  mnuOptWarn->Checked(chkWarn.Value() != 1);
  SaveWarnSetting(reg_, *box, *mnuOptWarn);
}

}  // namespace hollin::ui

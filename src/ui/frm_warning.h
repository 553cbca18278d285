// frmWarning: the modal question before a restore writes BASE settings into
// the registry. OK goes ahead; Cancel, Esc and the window frame change
// nothing. Its check box switches the warning off for future restores; it
// mirrors the main window's "&Warn Before Restoring" check mark, and every
// change of the option is stored at once ("Warn" under the settings key).
// Each load brings the design values back (caption, empty message, box clear).
#pragma once

#include "common/message_box.h"
#include "registry/registry.h"
#include "ui/controls.h"

namespace hollin::ui {

// Stores the warning option as the menu item's check mark says: "1" or "0";
// says so in a box where the registry refuses it.
void SaveWarnSetting(IRegistry& reg, IMessageBox& box, const MenuItem& mnuOptWarn);

class FrmWarning : public Form {
 public:
  FrmWarning(Backend& backend, IRegistry& reg);

  // In tab order.
  Label lblWarning0{*this, "lblWarning", 0};
  CommandButton cmdOK{*this, "cmdOK"};
  CommandButton cmdCancel{*this, "cmdCancel"};
  CheckBox chkWarn{*this, "chkWarn"};
  Label lblWarning2{*this, "lblWarning", 2};
  Label lblWarning1{*this, "lblWarning", 1};

  // The main window's menu item that holds the option, and its message box.
  MenuItem* mnuOptWarn = nullptr;
  IMessageBox* box = nullptr;

  // Loads the window with a title and the warning, shows it modally and
  // returns the answer: true for OK.
  bool Ask(const std::string& title, const std::string& warning);

  void cmdOK_Click();
  void cmdCancel_Click();
  void chkWarn_Click();

 private:
  void Design();
  IRegistry& reg_;
  bool confirmed_ = false;
};

}  // namespace hollin::ui

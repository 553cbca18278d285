// frmAbout: the program's title, version and description, its maker, a
// button that starts the system-information tool, and two click-through
// labels that open a mail to the maker and the maker's web page with the
// programs registered for "mailto" and "htmlfile", and the base file in use.
// Shown modally; nothing of it persists.
#pragma once

#include "common/message_box.h"
#include "common/platform.h"
#include "registry/registry.h"
#include "ui/controls.h"

namespace hollin::ui {

// The maker, as the About box shows it.
inline constexpr const char* kMakerMail = "hollin@nordane.example.com";
inline constexpr const char* kMakerWeb = "www.nordane.example.com";

class FrmAbout : public Form {
 public:
  FrmAbout(Backend& backend, IRegistry& reg, IPlatform& platform, IMessageBox& box);

  CommandButton cmdOK{*this, "cmdOK"};
  CommandButton cmdSysInfo{*this, "cmdSysInfo"};
  Label lblClickThru0{*this, "lblClickThru", 0};
  Label lblClickThru1{*this, "lblClickThru", 1};
  Image imgIcon{*this, "imgIcon"};
  Line Line2{*this, "Line2"};
  Line Line1_0{*this, "Line1", 0};
  Line Line1_1{*this, "Line1", 1};
  Label lblDescription{*this, "lblDescription"};
  Label lblTitle{*this, "lblTitle"};
  Label lblVersion{*this, "lblVersion"};
  Label lblDisclaimer{*this, "lblDisclaimer"};
  Label lblBase{*this, "lblBase"};

  // The base file in use, as the main window describes it before showing
  // the box.
  std::string BaseFile;

  void Form_Load();
  void cmdOK_Click() { Unload(); }
  void cmdSysInfo_Click() { StartSysInfo(); }
  void lblClickThru_Click(int Index);
  // Starts the system-information tool where the registry says it is; when
  // it cannot, says so.
  void StartSysInfo();

 private:
  void Design();
  IRegistry& reg_;
  IPlatform& platform_;
  IMessageBox& box_;
};

}  // namespace hollin::ui

#include "ui/frm_about.h"

#include <algorithm>
#include <cmath>

#include "common/names.h"
#include "messages/messages.h"
#include "registry/open_command.h"

namespace hollin::ui {

FrmAbout::FrmAbout(Backend& backend, IRegistry& reg, IPlatform& platform, IMessageBox& box)
    : Form(backend, "frmAbout", FormStyle::FixedDialog), reg_(reg), platform_(platform), box_(box) {
  OnDesign = [this] { Design(); };
  OnLoad = [this] { Form_Load(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdSysInfo.Click = [this] { cmdSysInfo_Click(); };
  lblClickThru0.Click = [this] { lblClickThru_Click(0); };
  lblClickThru1.Click = [this] { lblClickThru_Click(1); };
}

void FrmAbout::Design() {
  Caption(msg::kAboutDesignCaption);
  ClientSize(6120, 5040);
  imgIcon.Move(240, 240, 480, 480);
  lblTitle.Move(960, 240, 3600, 600);
  lblTitle.Font({"MS Sans Serif", 12, true});  // verbatim
  lblVersion.Move(960, 1200, 3600, 240);
  lblDescription.Move(960, 1500, 4920, 780);
  const FontSpec link{"MS Sans Serif", 8, false, true};  // verbatim
  for (Label* l : {&lblClickThru0, &lblClickThru1}) {
    l->Font(link);
    l->Colors(Rgb(0, 0, 255), kSystemColor);
  }
  lblClickThru0.Move(960, 2400, 2400, 240);
  lblClickThru0.Caption(kMakerMail);
  lblClickThru0.ToolTipText = msg::kAboutMailTip;
  lblClickThru1.Move(0, 2400, 2760, 240);
  lblClickThru1.Caption(kMakerWeb);
  lblClickThru1.ToolTipText = msg::kAboutWebTip;
  lblBase.Move(960, 2760, 4920, 600);
  cmdOK.Move(4620, 3600, 1260, 375);
  cmdOK.Caption(msg::kAboutOK);
  cmdOK.Default = true;
  cmdOK.Cancel = true;
  cmdSysInfo.Move(4620, 4095, 1260, 375);
  cmdSysInfo.Caption(msg::kAboutSysInfo);
  lblDisclaimer.Move(240, 3600, 4200, 1260);
}

void FrmAbout::Form_Load() {
  const ProgramIdentity id = platform_.Identity();
  Caption(msg::AboutTitle(id.title));
  imgIcon.Picture(Picture::Icon);
  lblVersion.Caption(msg::AboutVersion(id.major, id.minor, id.revision));
  lblTitle.Caption(id.title + "\r" + id.product);
  // The rule under the title, and the double rule above the buttons.
  const double ruleY = 2.0 * lblTitle.Top() + lblTitle.Height();
  Line2.Move(lblTitle.Left(), static_cast<int>(std::lround(ruleY)),
             static_cast<int>(std::lround(1.3 * lblTitle.Width())), 15);
  const int gap = static_cast<int>(std::nearbyint(2.0 * (cmdSysInfo.Top() - (cmdOK.Top() + cmdOK.Height()))));
  Line1_0.Move(7, cmdOK.Top() - gap, ClientWidth() - 14 - 7, 15);
  Line1_1.Move(7, cmdOK.Top() - gap - 1, ClientWidth() - 14 - 7, 15);
  // The second link follows the first, no wider than the room left.
  const int linkLeft = static_cast<int>(std::lround(lblClickThru0.Left() + 1.15 * lblClickThru0.Width()));
  lblClickThru1.Move(linkLeft, lblClickThru1.Top(), std::min(lblClickThru1.Width(), ClientWidth() - linkLeft),
                     lblClickThru1.Height());
  lblDescription.Caption(msg::AboutDescription(id.product));
  lblBase.Caption(msg::AboutBaseFile(BaseFile));
  lblDisclaimer.Caption(msg::kAboutDisclaimer);
}

void FrmAbout::lblClickThru_Click(int Index) {
  const std::string start = GetOpenCommand(reg_, Index == 0 ? "mailto" : "htmlfile");
  if (start.empty()) return;
  const Label& label = Index == 0 ? lblClickThru0 : lblClickThru1;
  if (!platform_.StartProcess(start + "\"" + label.Caption() + "\"", WindowStyle::Normal))
    box_.Show({msg::LinkProgramFailed(label.Caption(), start), MbButtons::Ok, MbIcon::Exclamation,
               MbDefault::First, msg::kBoxTitle});
}

void FrmAbout::StartSysInfo() {
  try {
    std::string path;
    if (GetKeyValue(reg_, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path)) {
      if (platform_.StartProcess(path, WindowStyle::Normal)) return;
    } else if (GetKeyValue(reg_, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                           path) &&
               platform_.FileExists(path + "\\MSINFO32.EXE")) {
      if (platform_.StartProcess(path + "\\MSINFO32.EXE", WindowStyle::Normal)) return;
    }
  } catch (const std::exception&) {
    // Every failure on the way ends in the message below.
  }
  box_.Show({msg::kSysInfoUnavailable, MbButtons::Ok, MbIcon::None, MbDefault::First, msg::kBoxTitle});
}

}  // namespace hollin::ui

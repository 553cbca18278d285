#include "ui/frm_details.h"

#include <algorithm>

namespace hollin::ui {
namespace {

constexpr int kMargin = 120;  // twips around the text and the button
constexpr int kButtonWidth = 1215, kButtonHeight = 375;

}  // namespace

FrmDetails::FrmDetails(Backend& backend) : Form(backend, "frmDetails", FormStyle::Sizable) {
  OnDesign = [this] { Design(); };
  OnResize = [this] { Form_Resize(); };
  cmdClose.Click = [this] { Unload(); };
}

void FrmDetails::Design() {
  ClientSize(7200, 6000);
  Caption(msg::kDetailsCaption);
  cmdClose.Caption(msg::kDetailsClose);
  cmdClose.Default = true;
  cmdClose.Cancel = true;  // Escape closes
  txtFacts.Font({"Courier New", 9, false});
  Form_Resize();
}

// The text fills the window above the button, which keeps its size at the
// lower right corner. A window sized smaller than that grows back.
void FrmDetails::Form_Resize() {
  const int width = std::max(ClientWidth(), kButtonWidth + 2 * kMargin);
  const int height = std::max(ClientHeight(), kButtonHeight + 3 * kMargin + 600);
  if (width != ClientWidth() || height != ClientHeight()) ClientSize(width, height);
  cmdClose.Move(width - kMargin - kButtonWidth, height - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
  txtFacts.Move(kMargin, kMargin, width - 2 * kMargin, height - 3 * kMargin - kButtonHeight);
}

void FrmDetails::ShowFacts(const msg::DetailFacts& facts) {
  Load();
  Caption(msg::DetailsTitle(facts.type));
  txtFacts.Caption(msg::DetailsText(facts));
  ShowModal();
}

}  // namespace hollin::ui

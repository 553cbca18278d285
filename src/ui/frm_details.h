// frmDetails: every fact known of one listed type or link, in a window of
// its own that the user can size, as text to select and copy. Escape or
// Close closes it; it is shown modally over the main window.
#pragma once

#include "messages/messages.h"
#include "ui/controls.h"

namespace hollin::ui {

class FrmDetails : public Form {
 public:
  explicit FrmDetails(Backend& backend);

  TextBox txtFacts{*this, "txtFacts"};
  CommandButton cmdClose{*this, "cmdClose"};

  // Shows the facts of one entry until the user closes the window.
  void ShowFacts(const msg::DetailFacts& facts);

  void Form_Resize();

 private:
  void Design();
};

}  // namespace hollin::ui

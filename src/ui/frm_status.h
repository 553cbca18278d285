// frmStatus: the small window that stands in for the main window during a
// quiet check ("-h"): an LED and one message. Nothing on it acts on the
// check; the main window sets it up, and ends or replaces it.
#pragma once

#include "ui/controls.h"

namespace hollin::ui {

class FrmStatus : public Form {
 public:
  explicit FrmStatus(Backend& backend);

  Label lblMain{*this, "lblMain"};
  Image imgLED{*this, "imgLED", 1};
  Line linDivider{*this, "linDivider"};

  // The set-up of a quiet check: title, message and yellow LED; shows the
  // window and paints it at once, before the check starts.
  void SetUp();
  // The quiet check found no changes.
  void ShowNoChanges();

 private:
  void Design();
  void Form_Load();
};

}  // namespace hollin::ui

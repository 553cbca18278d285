// frmIcon: the hidden form that holds the program's icon picture, which the
// main window's imgIco and the About box show.
#pragma once

#include "ui/controls.h"

namespace hollin::ui {

class FrmIcon : public Form {
 public:
  explicit FrmIcon(Backend& backend) : Form(backend, "frmIcon", FormStyle::FixedDialog) {
    OnDesign = [this] { imgIco.Picture(Picture::Icon); };
  }
  Image imgIco{*this, "imgIco"};
};

}  // namespace hollin::ui

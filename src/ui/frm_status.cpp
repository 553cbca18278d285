#include "ui/frm_status.h"

#include "common/names.h"
#include "messages/messages.h"

namespace hollin::ui {

FrmStatus::FrmStatus(Backend& backend) : Form(backend, "frmStatus", FormStyle::FixedDialog) {
  OnDesign = [this] { Design(); };
  OnLoad = [this] { Form_Load(); };
}

void FrmStatus::Design() {
  Caption(msg::kStatusDesignCaption);
  ClientSize(3000, 1350);
  lblMain.Move(660, 90, 2325, 405);
  lblMain.Caption(msg::kStatusDesignText);
  imgLED.Move(60, 135, 510, 315);
  imgLED.Picture(Picture::LedYellow);
  linDivider.Move(60, 1200, 2880, 15);
  linDivider.Visible(true);
}

void FrmStatus::Form_Load() {
  Caption(kAppTitle);
  const int below = 2 * lblMain.Top() + lblMain.Height();
  linDivider.Move(linDivider.Left(), below, ClientWidth() - 2 * linDivider.Left(), 15);
  // The client area ends one top margin below the message, in twips at
  // every DPI.
  ClientSize(ClientWidth(), below);
  linDivider.Visible(false);
}

void FrmStatus::SetUp() {
  Load();
  Caption(msg::kBoxTitle);
  lblMain.Caption(msg::kStatusChecking);
  Show();
  Refresh();
}

void FrmStatus::ShowNoChanges() {
  imgLED.Picture(Picture::LedGreen);
  lblMain.Caption(msg::kStatusNoChanges);
}

}  // namespace hollin::ui

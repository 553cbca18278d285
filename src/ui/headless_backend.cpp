#include "ui/headless_backend.h"

namespace hollin::ui {

void HeadlessBackend::Refresh(Form& form) {
  if (!form.Visible()) return;
  form.Painted();
}

void HeadlessBackend::ShowModal(Form& form) {
  if (onModal) onModal(form);
  if (form.Loaded()) form.UserCloses();
}

}  // namespace hollin::ui

#include "ui/controls.h"

#include <algorithm>

#include "common/text.h"

namespace hollin::ui {
namespace {

ErrorHandler& Handler() {
  static ErrorHandler handler;
  return handler;
}

}  // namespace

void SetErrorHandler(ErrorHandler handler) { Handler() = std::move(handler); }

void Dispatch(std::string_view where, const std::function<void()>& procedure) {
  if (!procedure) return;
  // Every event catches for itself: an event raised inside another one (a
  // paint while a message box of a check is up) must not end the outer one.
  try {
    procedure();
  } catch (...) {
    const auto error = std::current_exception();
    if (Handler()) Handler()(std::string(where), error);
  }
}

// Control ----------------------------------------------------------------

Control::Control(Form& form, Kind kind, std::string name, int index)
    : form_(form), kind_(kind), name_(std::move(name)), index_(index) {
  form.Register(this);
}

std::string Control::FullName() const {
  return index_ < 0 ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::Changed(Prop what, int row) {
  if (form_.Loaded()) form_.backend().ControlChanged(*this, what, row);
}

void Control::Caption(std::string text) {
  if (text == caption_) return;
  caption_ = std::move(text);
  Changed(Prop::Caption);
}

void Control::Enabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Changed(Prop::Enabled);
}

void Control::Visible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Changed(Prop::Visible);
}

void Control::Move(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(Prop::Position);
}

int PixelsOf(int twips, int dpi) {
  // To the nearest, halves away from zero, as the platform's MulDiv.
  const std::int64_t product = static_cast<std::int64_t>(twips) * dpi;
  return static_cast<int>(product >= 0 ? (product + 720) / 1440 : -((-product + 720) / 1440));
}

PixelRect PixelRectOf(const Control& c, int dpi) {
  return {PixelsOf(c.FormLeft(), dpi), PixelsOf(c.FormTop(), dpi), PixelsOf(c.FormLeft() + c.Width(), dpi),
          PixelsOf(c.FormTop() + c.Height(), dpi)};
}

int Control::FormLeft() const { return left_ + (container_ ? container_->FormLeft() : 0); }
int Control::FormTop() const { return top_ + (container_ ? container_->FormTop() : 0); }

void Control::Font(FontSpec font) {
  font_ = std::move(font);
  Changed(Prop::Font);
}

void Control::Colors(Color fore, Color back) {
  fore_ = fore;
  back_ = back;
  Changed(Prop::Colors);
}

void Control::SetFocus() {
  form_.ActiveControl(this);
  Changed(Prop::Focus);
}

void Label::UserClick() {
  if (Enabled() && Visible()) Dispatch(form().Name() + "." + Name() + "_Click", Click);
}

void CommandButton::UserClick() {
  if (Enabled() && Visible()) Dispatch(form().Name() + "." + Name() + "_Click", Click);
}

void OptionButton::Value(bool on) {
  if (on == value_) return;
  value_ = on;
  Changed(Prop::Value);
  if (!on) return;
  for (Control* c : form().Controls())
    if (c != this && c->kind() == Kind::OptionButton && c->Name() == Name())
      static_cast<OptionButton*>(c)->Value(false);
  if (Click && !form().Designing()) Click(Index());
}

void OptionButton::UserClick() {
  if (Enabled() && Visible())
    Dispatch(form().Name() + "." + Name() + "_Click", [this] { Value(true); });
}

void CheckBox::Value(int v) {
  if (v == value_) return;
  value_ = v;
  Changed(Prop::Value);
  if (Click && !form().Designing()) Click();
}

void CheckBox::UserClick() {
  if (Enabled() && Visible())
    Dispatch(form().Name() + "." + Name() + "_Click", [this] { Value(value_ == 1 ? 0 : 1); });
}

void Image::Picture(ui::Picture p) {
  if (p == picture_) return;
  picture_ = p;
  Changed(Prop::Picture);
}

void StatusBar::PanelText(std::string text) {
  text_ = std::move(text);
  Changed(Prop::Panel);
}

void StatusBar::PanelPicture(ui::Picture p) {
  picture_ = p;
  Changed(Prop::Panel);
}

// ListView ---------------------------------------------------------------

void ListView::AddColumn(std::string caption, int width) {
  columns_.push_back({std::move(caption), width});
  Changed(Prop::Columns);
}

void ListView::ColumnCaption(int column, std::string caption) {
  columns_.at(static_cast<size_t>(column - 1)).caption = std::move(caption);
  Changed(Prop::Columns);
}

void ListView::ColumnWidth(int column, int width) {
  columns_.at(static_cast<size_t>(column - 1)).width = width;
  Changed(Prop::Columns);
}

void ListView::KeepColumns(int count) {
  if (static_cast<size_t>(count) >= columns_.size()) return;
  columns_.resize(static_cast<size_t>(count));
  Changed(Prop::Columns);
}

int ListView::ColumnRoom() const {
  // In twips, which scale with the DPI as the borders and scroll bar do:
  // two borders of 2 pixels at 96 DPI, a scroll bar of 17 where more rows
  // than a row of 20 pixels each would fit, and a pixel to spare.
  constexpr int kTwipsPerPixel = 15, kBorders = 4 * kTwipsPerPixel, kScrollBar = 17 * kTwipsPerPixel;
  constexpr int kRowTwips = 20 * kTwipsPerPixel, kHeaderTwips = 24 * kTwipsPerPixel;
  const bool scrolls = static_cast<long long>(Count()) * kRowTwips > Height() - kHeaderTwips - kBorders;
  const int margins = static_cast<int>(columns_.size()) * kColumnMarginPixels * kTwipsPerPixel;
  return Width() - kBorders - (scrolls ? kScrollBar : 0) - margins - kTwipsPerPixel;
}

void ListView::Clear() {
  rows_.clear();
  Changed(Prop::Rows);
}

void ListView::BeginUpdate() { updating_ = true; }

void ListView::EndUpdate() {
  updating_ = false;
  Order();
  Changed(Prop::Rows);
}

void ListView::Add(std::string text, std::string sub, int group, std::string signals) {
  rows_.push_back({std::move(text), std::move(sub), false, group, std::move(signals)});
  if (updating_) return;
  Order();
  Changed(Prop::Rows);
}

namespace {
// Texts of digits alone (the history's generations) in the order of their
// numbers, 2 before 10; every other text as the registry orders names.
bool SortsBefore(const std::string& a, const std::string& b) {
  const auto number = [](const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (number(a) && number(b)) {
    const std::string_view x = std::string_view(a).substr(std::min(a.find_first_not_of('0'), a.size() - 1));
    const std::string_view y = std::string_view(b).substr(std::min(b.find_first_not_of('0'), b.size() - 1));
    return x.size() != y.size() ? x.size() < y.size() : x < y;
  }
  return CompareNoCase(a, b) < 0;
}
}  // namespace

void ListView::Order() {
  const int key = sortKey_;
  std::stable_sort(rows_.begin(), rows_.end(), [key](const Row& a, const Row& b) {
    if (a.group != b.group) return a.group < b.group;
    const auto& x = key == 1 ? a.sub : key == 2 ? a.signals : a.text;
    const auto& y = key == 1 ? b.sub : key == 2 ? b.signals : b.text;
    return SortsBefore(x, y);
  });
}

bool ListView::Grouped() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.group != 0; });
}

void ListView::Selected(int row, bool on) {
  auto& r = rows_.at(static_cast<size_t>(row - 1));
  if (on && !multiSelect_) {
    for (int i = 1; i <= Count(); ++i)
      if (i != row && rows_[static_cast<size_t>(i - 1)].selected) {
        rows_[static_cast<size_t>(i - 1)].selected = false;
        Changed(Prop::Selection, i);
      }
  }
  if (r.selected == on) return;
  r.selected = on;
  Changed(Prop::Selection, row);
}

void ListView::MultiSelect(bool on) {
  multiSelect_ = on;
  if (!on) {
    bool kept = false;
    for (int i = 1; i <= Count(); ++i) {
      auto& r = rows_[static_cast<size_t>(i - 1)];
      if (!r.selected) continue;
      if (kept) {
        r.selected = false;
        Changed(Prop::Selection, i);
      }
      kept = true;
    }
  }
  Changed(Prop::MultiSelect);
}

void ListView::SortKey(int column) {
  sortKey_ = column;
  Order();
  Changed(Prop::Rows);
}

void ListView::EnsureVisible(int row) { Changed(Prop::EnsureVisible, row); }

int ListView::FindItem(std::string_view prefix) const {
  const std::string folded = FoldCase(prefix);
  for (size_t i = 0; i < rows_.size(); ++i)
    if (FoldCase(std::string_view(rows_[i].text).substr(0, prefix.size())) == folded)
      return static_cast<int>(i + 1);
  return 0;
}

void ListView::SelectionFromUser(int row, bool on) {
  if (row >= 1 && row <= Count()) rows_[static_cast<size_t>(row - 1)].selected = on;
}

void ListView::UserClickRow(int row, bool ctrl) {
  if (!Enabled() || row < 1 || row > Count()) return;
  if (multiSelect_ && ctrl) {
    Selected(row, !Selected(row));
  } else {
    for (int i = 1; i <= Count(); ++i)
      if (i != row && Selected(i)) Selected(i, false);
    Selected(row, true);
  }
  RowClicked(row);
}

void ListView::RowClicked(int row) {
  if (row < 1 || row > Count()) return;
  form().ActiveControl(this);
  Dispatch(form().Name() + "." + Name() + "_ItemClick", [this, row] {
    if (ItemClick) ItemClick(row);
  });
}

void ListView::UserClickColumn(int column) {
  Dispatch(form().Name() + "." + Name() + "_ColumnClick", [this, column] {
    if (ColumnClick) ColumnClick(column);
  });
}

void ListView::UserActivateRow(int row) {
  if (row < 1 || row > Count()) return;
  Dispatch(form().Name() + "." + Name() + "_ItemActivate", [this, row] {
    if (ItemActivate) ItemActivate(row);
  });
}

// Timer and menu ----------------------------------------------------------

Timer::Timer(Form& f, std::string name) : form_(f), name_(std::move(name)) { f.Register(this); }

void Timer::Enabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (form_.Loaded()) form_.backend().TimerChanged(*this);
}

void Timer::Fire() {
  if (enabled_) Dispatch(form_.Name() + "." + name_ + "_Timer", Tick);
}

MenuItem::MenuItem(Form& f, std::string name, int index, int id, int helpTopic)
    : form_(f), name_(std::move(name)), index_(index), id_(id), helpTopic_(helpTopic) {
  f.Register(this);
}

void MenuItem::Checked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  if (form_.Loaded()) form_.backend().MenuChanged(*this);
}

void MenuItem::Enabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (form_.Loaded()) form_.backend().MenuChanged(*this);
}

void MenuItem::UserChoose() {
  if (enabled_) Dispatch(form_.Name() + "." + name_ + "_Click", Click);
}

// Form ---------------------------------------------------------------------

Form::Form(Backend& backend, std::string name, FormStyle style)
    : backend_(backend), name_(std::move(name)), style_(style) {}

void Form::Caption(std::string text) {
  caption_ = std::move(text);
  if (loaded_) backend_.FormChanged(*this, Prop::Caption);
}

void Form::ClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  if (loaded_) backend_.FormChanged(*this, Prop::Position);
}

void Form::Resized(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  if (OnResize) Dispatch(name_ + ".Form_Resize", OnResize);
}

void Form::Height(int outer) { ClientSize(clientWidth_, outer - backend_.FrameHeight(*this)); }

void Form::Load() {
  if (loaded_) return;
  designing_ = true;
  if (OnDesign) OnDesign();
  designing_ = false;
  loaded_ = true;
  backend_.CreateForm(*this);
  Dispatch(name_ + ".Form_Load", OnLoad);
}

void Form::Show() {
  Load();
  if (!loaded_ || visible_) return;
  visible_ = true;
  backend_.FormChanged(*this, Prop::Visible);
}

void Form::ShowModal() {
  Load();
  if (!loaded_) return;
  visible_ = true;
  backend_.ShowModal(*this);
}

bool Form::Unload(int mode) {
  if (!loaded_) return true;
  int cancel = 0;
  Dispatch(name_ + ".Form_QueryUnload", [&] {
    if (OnQueryUnload) OnQueryUnload(cancel, mode);
  });
  if (cancel) return false;
  Dispatch(name_ + ".Form_Unload", [&] {
    if (OnUnload) OnUnload(cancel);
  });
  if (cancel) return false;
  visible_ = false;
  loaded_ = false;
  active_ = nullptr;
  backend_.DestroyForm(*this);
  return true;
}

void Form::Refresh() {
  if (loaded_) backend_.Refresh(*this);
}

void Form::UserAsksHelp(MenuItem* item) {
  Dispatch(name_ + (item ? "." + item->Name() + "_Help" : ".Form_Help"), [&] {
    if (OnHelp) OnHelp(item);
  });
}

void Form::Painted() {
  Dispatch(name_ + ".Form_Paint", OnPaint);
}

void Form::UserTypes(int KeyAscii) {
  // The key goes to the control that has the focus when it is typed.
  Control* target = active_;
  Dispatch(name_ + ".Form_KeyPress", [&] {
    if (OnKeyPress) OnKeyPress(KeyAscii);
  });
  if (KeyAscii == 0) return;
  if (target && target->kind() == Kind::ListView) {
    auto* list = static_cast<ListView*>(target);
    Dispatch(name_ + "." + list->Name() + "_KeyPress", [&] {
      if (list->KeyPress) list->KeyPress(KeyAscii);
    });
  }
}

}  // namespace hollin::ui

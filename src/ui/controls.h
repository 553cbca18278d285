// The control layer: windows (forms) and the controls on them, written once in
// portable code. A control holds its properties (caption, enabled, visible,
// value, position and size in twips, font, colours, tag) and raises the events
// that the forms handle. A backend mirrors every property change onto real
// windows (Win32) or onto nothing at all (headless, for the tests), and turns
// the user's actions into the same calls (UserClick, UserClickRow, UserTypes,
// UserCloses ...), so that a form behaves alike on both.
//
// Every event that a user's action or the system raises runs through
// Dispatch: an error that escapes the event procedure is caught there and
// handed to the error handler with the procedure's name
// ("frmMain.mnuRefresh_Click"); the program goes on in the state it had.
// Event procedures that call each other directly (Form_Load runs
// mnuRefresh_Click) are plain calls: errors reach the caller.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hollin::ui {

using Color = std::uint32_t;  // 0x00BBGGRR, as the platform's COLORREF
constexpr Color Rgb(int r, int g, int b) {
  return static_cast<Color>(r) | static_cast<Color>(g) << 8 | static_cast<Color>(b) << 16;
}
constexpr Color kSystemColor = 0xFFFFFFFFu;  // the platform's own colour

struct FontSpec {
  std::string name = "MS Sans Serif";  // verbatim
  double points = 8;
  bool bold = false;
  bool underline = false;
  bool operator==(const FontSpec&) const = default;
};

// Pictures the controls can show, from the program's resources.
enum class Picture { None, LedGrey, LedYellow, LedRed, LedGreen, Icon };

enum class Kind { Label, CommandButton, OptionButton, CheckBox, Frame, Image, Line, ListView, StatusBar, TextBox };
enum class Align { Left, Right, Center };
// What changed, for the backend.
enum class Prop { Caption, Enabled, Visible, Value, Position, Font, Colors, Picture,
                  Columns, Rows, Selection, MultiSelect, EnsureVisible, Focus, Panel };

class Form;
class Control;
class MenuItem;
class Timer;

// Twips (1440 to the inch) as pixels at a DPI, to the nearest pixel.
int PixelsOf(int twips, int dpi);

// Where a control lies on its form's client area, in pixels at a DPI. Each
// edge is mapped on its own, so that controls that meet in twips meet in
// pixels, and rounding never grows one into its neighbour.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
PixelRect PixelRectOf(const Control& control, int dpi);

// Runs an event procedure; an error that escapes it goes to the handler.
void Dispatch(std::string_view where, const std::function<void()>& procedure);
using ErrorHandler = std::function<void(const std::string& where, std::exception_ptr error)>;
void SetErrorHandler(ErrorHandler handler);

class Backend {
 public:
  virtual ~Backend() = default;
  virtual void CreateForm(Form& form) = 0;    // the form is loaded
  virtual void DestroyForm(Form& form) = 0;   // the form is unloaded
  virtual void FormChanged(Form& form, Prop what) = 0;  // Caption, Visible, Position
  virtual void ControlChanged(Control& control, Prop what, int row) = 0;
  virtual void MenuChanged(MenuItem& item) = 0;
  virtual void TimerChanged(Timer& timer) = 0;
  // Paints the form now (raising its Paint when it is visible).
  virtual void Refresh(Form& form) = 0;
  virtual void RefreshControl(Control& control) = 0;
  // Width of text in font, in twips.
  virtual int TextWidth(const std::string& text, const FontSpec& font) = 0;
  // Height in twips of text ("\r" between its lines) drawn in font within
  // a width in twips, its lines broken at blanks and, where a word is wider
  // than the width, within the word.
  virtual int TextHeight(const std::string& text, const FontSpec& font, int width) = 0;
  // Outer height of a form minus its client height, in twips.
  virtual int FrameHeight(const Form& form) = 0;
  // Shows a loaded form modally: returns when it is unloaded.
  virtual void ShowModal(Form& form) = 0;
};

class Control {
 public:
  Control(Form& form, Kind kind, std::string name, int index = -1);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Kind kind() const { return kind_; }
  Form& form() const { return form_; }
  const std::string& Name() const { return name_; }
  int Index() const { return index_; }
  // "optView(1)", or the name alone.
  std::string FullName() const;

  const std::string& Caption() const { return caption_; }
  void Caption(std::string text);
  bool Enabled() const { return enabled_; }
  void Enabled(bool on);
  bool Visible() const { return visible_; }
  void Visible(bool on);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Top(int top) { Move(left_, top, width_, height_); }
  void Width(int width) { Move(left_, top_, width, height_); }
  void Height(int height) { Move(left_, top_, width_, height); }
  void Move(int left, int top, int width, int height);
  // Position on the form: inside a frame, the frame's position added.
  int FormLeft() const;
  int FormTop() const;
  const FontSpec& Font() const { return font_; }
  void Font(FontSpec font);
  Color ForeColor() const { return fore_; }
  Color BackColor() const { return back_; }
  void Colors(Color fore, Color back);
  Align Alignment() const { return align_; }
  void Alignment(Align a) { align_ = a; }
  // The frame that holds the control, if any.
  Control* Container() const { return container_; }
  void Container(Control* frame) { container_ = frame; }
  std::string Tag;
  // Shown when the mouse rests on the control.
  std::string ToolTipText;
  // The backend's handle for the control.
  void* native = nullptr;

  void SetFocus();

 protected:
  void Changed(Prop what, int row = 0);

 private:
  Form& form_;
  Kind kind_;
  std::string name_;
  int index_;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  FontSpec font_;
  Color fore_ = kSystemColor, back_ = kSystemColor;
  Align align_ = Align::Left;
  Control* container_ = nullptr;
};

class Label : public Control {
 public:
  Label(Form& f, std::string name, int index = -1) : Control(f, Kind::Label, std::move(name), index) {}
  // Only the text is drawn: what lies behind the label shows through.
  bool Transparent = false;
  // A label that acts on a click (a click-through link).
  std::function<void()> Click;
  void UserClick();
};

// A text of several lines that the user can select and copy, not change;
// it scrolls where it is longer than the box.
class TextBox : public Control {
 public:
  TextBox(Form& f, std::string name) : Control(f, Kind::TextBox, std::move(name)) {}
};

class Frame : public Control {
 public:
  Frame(Form& f, std::string name) : Control(f, Kind::Frame, std::move(name)) {}
};

class Line : public Control {
 public:
  Line(Form& f, std::string name, int index = -1) : Control(f, Kind::Line, std::move(name), index) {}
};

class CommandButton : public Control {
 public:
  CommandButton(Form& f, std::string name) : Control(f, Kind::CommandButton, std::move(name)) {}
  std::function<void()> Click;
  // A user's click: nothing when the button is disabled or hidden.
  void UserClick();
  bool Default = false;  // Enter
  bool Cancel = false;   // Esc
};

// An option button; the buttons of one name (an array) are one group.
class OptionButton : public Control {
 public:
  OptionButton(Form& f, std::string name, int index) : Control(f, Kind::OptionButton, std::move(name), index) {}
  std::function<void(int index)> Click;
  bool Value() const { return value_; }
  // Selecting a button clears the others of its group and raises Click;
  // selecting the selected one raises nothing.
  void Value(bool on);
  void UserClick();

 private:
  bool value_ = false;
};

class CheckBox : public Control {
 public:
  CheckBox(Form& f, std::string name) : Control(f, Kind::CheckBox, std::move(name)) {}
  std::function<void()> Click;
  int Value() const { return value_; }
  // 0 clear, 1 ticked; a change raises Click.
  void Value(int v);
  void UserClick();

 private:
  int value_ = 0;
};

class Image : public Control {
 public:
  Image(Form& f, std::string name, int index = -1) : Control(f, Kind::Image, std::move(name), index) {}
  ui::Picture Picture() const { return picture_; }
  void Picture(ui::Picture p);

 private:
  ui::Picture picture_ = ui::Picture::None;
};

class StatusBar : public Control {
 public:
  StatusBar(Form& f, std::string name) : Control(f, Kind::StatusBar, std::move(name)) {}
  // The first panel: a picture at its left and a text.
  const std::string& PanelText() const { return text_; }
  void PanelText(std::string text);
  ui::Picture PanelPicture() const { return picture_; }
  void PanelPicture(ui::Picture p);

 private:
  std::string text_;
  ui::Picture picture_ = ui::Picture::None;
};

// A list view in report style. Rows are kept in display order: ascending by
// the text of the sort-key column, letters compared without regard to case,
// rows of equal text in the order they were added.
// What a list's header puts around each column's text, in pixels at 96 DPI
// (in proportion at others): a column is its width plus this.
inline constexpr int kColumnMarginPixels = 12;

class ListView : public Control {
 public:
  struct Column {
    std::string caption;
    int width = 0;  // twips
    bool operator==(const Column&) const = default;
  };
  struct Row {
    std::string text;
    std::string sub;  // sub-item 1
    bool selected = false;
    int group = 0;    // the group the row is listed in (GroupCaptions)
    std::string signals = {};  // sub-item 2, where the list has a third column
    bool operator==(const Row&) const = default;
  };

  ListView(Form& f, std::string name) : Control(f, Kind::ListView, std::move(name)) {}

  const std::vector<Column>& Columns() const { return columns_; }
  void AddColumn(std::string caption, int width);
  // Columns by 1-based position.
  void ColumnCaption(int column, std::string caption);
  void ColumnWidth(int column, int width);
  // Removes the columns after the first count.
  void KeepColumns(int count);
  // The width in twips that the columns' own widths have together without
  // the list scrolling sideways: the list's width less its borders, a
  // vertical scroll bar where the rows may need one, and the margin the
  // control puts around each column's text (kColumnMarginPixels).
  int ColumnRoom() const;

  const std::vector<Row>& Rows() const { return rows_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  void Clear();
  // Rows added between BeginUpdate and EndUpdate are put in order, and shown,
  // at EndUpdate; outside an update each row is placed at once.
  void BeginUpdate();
  void EndUpdate();
  void Add(std::string text, std::string sub, int group = 0, std::string signals = {});
  // The rows are listed group by group, each group in the order of the
  // sort key. Where rows of more than the first group are listed, the real
  // control shows each group under its caption (where it can).
  const std::vector<std::string>& GroupCaptions() const { return groups_; }
  void GroupCaptions(std::vector<std::string> captions) { groups_ = std::move(captions); }
  bool Grouped() const;
  // Rows by 1-based position in display order.
  const std::string& Text(int row) const { return rows_.at(static_cast<size_t>(row - 1)).text; }
  bool Selected(int row) const { return rows_.at(static_cast<size_t>(row - 1)).selected; }
  // Selecting a row without multiple selection clears the others.
  void Selected(int row, bool on);
  bool MultiSelect() const { return multiSelect_; }
  // Switching it off keeps at most the first selected row.
  void MultiSelect(bool on);
  int SortKey() const { return sortKey_; }
  void SortKey(int column);
  void EnsureVisible(int row);
  // The first row, in display order, whose text begins with prefix (letters
  // compared without regard to case); 0 when there is none.
  int FindItem(std::string_view prefix) const;

  std::function<void(int row)> ItemClick;
  // A row double-clicked, or Enter on the selected one.
  std::function<void(int row)> ItemActivate;
  // A right click on the list (a row's is selected first).
  std::function<void()> ContextMenu;
  std::function<void(int column)> ColumnClick;
  std::function<void(int& KeyAscii)> KeyPress;

  // A user's click on a row (with Ctrl held: toggles it in a multiple
  // selection); raises ItemClick.
  void UserClickRow(int row, bool ctrl = false);
  void UserClickColumn(int column);
  void UserActivateRow(int row);
  // The backend tells of a selection the user changed on the real control,
  // and of a click on a row whose selection the control has already made.
  void SelectionFromUser(int row, bool on);
  void RowClicked(int row);

 private:
  void Order();
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  std::vector<std::string> groups_;
  bool multiSelect_ = false;
  int sortKey_ = 0;
  bool updating_ = false;
};

class Timer {
 public:
  Timer(Form& f, std::string name);
  Form& form() const { return form_; }
  const std::string& Name() const { return name_; }
  int Interval = 0;  // ms
  bool Enabled() const { return enabled_; }
  void Enabled(bool on);
  std::function<void()> Tick;
  void Fire();  // the interval has passed

 private:
  Form& form_;
  std::string name_;
  bool enabled_ = false;
};

class MenuItem {
 public:
  // The item's text and shortcut are the resource script's (res/hollin.rc),
  // found by id; helpTopic is the help topic F1 opens on it.
  MenuItem(Form& f, std::string name, int index, int id, int helpTopic = 0);
  Form& form() const { return form_; }
  const std::string& Name() const { return name_; }
  int Index() const { return index_; }
  int Id() const { return id_; }
  int HelpTopic() const { return helpTopic_; }
  bool Checked() const { return checked_; }
  void Checked(bool on);
  bool Enabled() const { return enabled_; }
  void Enabled(bool on);
  std::function<void()> Click;
  void UserChoose();  // the menu command or its shortcut

 private:
  Form& form_;
  std::string name_;
  int index_;
  int id_;
  int helpTopic_;
  bool checked_ = false;
  bool enabled_ = true;
};

// Sizable: a window of its own the user can size (the Details window).
enum class FormStyle { MainWindow, FixedDialog, Sizable };

class Form {
 public:
  Form(Backend& backend, std::string name, FormStyle style);
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Backend& backend() const { return backend_; }
  const std::string& Name() const { return name_; }
  FormStyle Style() const { return style_; }
  const std::vector<Control*>& Controls() const { return controls_; }
  const std::vector<MenuItem*>& Menus() const { return menus_; }
  const std::vector<Timer*>& Timers() const { return timers_; }

  const std::string& Caption() const { return caption_; }
  void Caption(std::string text);
  FontSpec Font;
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void ClientSize(int width, int height);
  // Outer height, frame included, in twips.
  int Height() const { return clientHeight_ + backend_.FrameHeight(*this); }
  void Height(int outer);

  bool Loaded() const { return loaded_; }
  // True while OnDesign sets the design values: no event is raised then.
  bool Designing() const { return designing_; }
  bool Visible() const { return visible_; }
  // Loads the form when it is not loaded: makes its window and raises Load.
  void Load();
  void Show();
  void ShowModal();
  // Asks QueryUnload (Cancel keeps the form), raises Unload, removes the
  // window. Mode 0: the user closed the window; 1: the program unloads it.
  bool Unload(int mode = 1);
  void Refresh();
  Control* ActiveControl() const { return active_; }
  void ActiveControl(Control* c) { active_ = c; }
  int TextWidth(const std::string& text) { return backend_.TextWidth(text, Font); }

  std::function<void()> OnLoad;
  std::function<void()> OnPaint;
  std::function<void(int& KeyAscii)> OnKeyPress;
  std::function<void(int& Cancel, int UnloadMode)> OnQueryUnload;
  std::function<void(int& Cancel)> OnUnload;
  // F1 on a highlighted menu item (null: F1 elsewhere on the form).
  std::function<void(MenuItem* item)> OnHelp;
  // A sizable form whose client area the user sized (in twips).
  std::function<void()> OnResize;
  void Resized(int width, int height);
  // Restores the design values of the form's controls; runs at every load.
  std::function<void()> OnDesign;

  // User actions, from the backend or a test.
  void UserTypes(int KeyAscii);
  void UserCloses() { Unload(0); }
  // F1: on a highlighted menu item, or (null) elsewhere on the form.
  void UserAsksHelp(MenuItem* item);
  void Painted();

  void Register(Control* c) { controls_.push_back(c); }
  void Register(MenuItem* m) { menus_.push_back(m); }
  void Register(Timer* t) { timers_.push_back(t); }
  void* native = nullptr;

 private:
  Backend& backend_;
  std::string name_;
  FormStyle style_;
  std::string caption_;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool loaded_ = false;
  bool designing_ = false;
  bool visible_ = false;
  Control* active_ = nullptr;
  std::vector<Control*> controls_;
  std::vector<MenuItem*> menus_;
  std::vector<Timer*> timers_;
};

}  // namespace hollin::ui

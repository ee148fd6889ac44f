#include "main_window/win32/win32_main_window.h"

#include <algorithm>

#include "main_window/win32/win32_layout.h"
#include "platform/windows_message_box.h"
#include "platform/windows_open_dialog.h"

namespace kalvenix {

namespace {

constexpr wchar_t kWindowClass[] = L"KalvenixMainWindow";
// Control ids are 100 + the position in the description; below that lie
// IDOK and IDCANCEL, which the dialog keys send for Enter and Esc.
constexpr int kFirstControlId = 100;
// The drop-down's list below its field, in field heights: room for the four
// types and a little more.
constexpr int kDropDownRows = 6;
// The icon of the program file, resource id 1, for the window too.
constexpr WORD kIconId = 1;

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<size_t>(std::max(GetWindowTextLengthW(window), 0)), u'\0');
  if (text.empty()) return text;
  const int copied =
      GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()) + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

// An entry of a list box or a combo box's list; empty outside the list.
std::u16string EntryText(HWND list, UINT length_message, UINT text_message, int32_t position) {
  const LRESULT length = SendMessageW(list, length_message, static_cast<WPARAM>(position), 0);
  if (length <= 0) return std::u16string();
  std::u16string text(static_cast<size_t>(length), u'\0');
  const LRESULT copied = SendMessageW(list, text_message, static_cast<WPARAM>(position),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

// A drop-down's field takes its height from its item height, by a rule of
// the system's own (what is set is not what is read back, and the borders
// come on top): a few rounds of setting meet the table's height.
void FitDropDownField(HWND drop_down, int height) {
  LRESULT asked = SendMessageW(drop_down, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int round = 0; round < 4 && asked > 0; ++round) {
    RECT field{};
    GetWindowRect(drop_down, &field);
    const int missing = height - static_cast<int>(field.bottom - field.top);
    if (missing == 0 || asked + missing <= 0) return;
    asked += missing;
    SendMessageW(drop_down, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), asked);
  }
}

bool TakesFocus(std::string_view name) {
  const std::span<const std::string_view> order = FocusOrder();
  return std::find(order.begin(), order.end(), name) != order.end();
}

// Creation order is z-order and tab order: the controls that take the focus
// in their tab order, then the labels, then the frames underneath them all.
std::vector<size_t> CreationOrder() {
  const std::span<const ControlDescription> all = ControlDescriptions();
  std::vector<size_t> order;
  for (std::string_view name : FocusOrder())
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i].name == name) order.push_back(i);
  for (bool frames : {false, true})
    for (size_t i = 0; i < all.size(); ++i)
      if (!TakesFocus(all[i].name) && (all[i].kind == ControlKind::kFrame) == frames)
        order.push_back(i);
  return order;
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                 GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  // A second window in the process finds the class already there.
  RegisterClassExW(&window_class);
}

}  // namespace

Win32MainWindow::Win32MainWindow(DialogFactory make_dialog, BatchRunner run_batch)
    : handlers_(*this, std::move(run_batch)) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClass(instance, &WindowProcedure);
  const std::u16string caption(kWindowCaption);
  const SIZE size = MainWindowSize(USER_DEFAULT_SCREEN_DPI);
  CreateWindowExW(kMainWindowExStyle, kWindowClass, Wide(caption), kMainWindowStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance,
                  this);
  if (window_ == nullptr) return;
  BuildControls();
  Place(DpiOf(window_), nullptr);
  if (make_dialog) comdlg_ = make_dialog(window_);
  if (!comdlg_) comdlg_ = std::make_unique<WindowsOpenDialog>(window_);
  handlers_.Load();
}

Win32MainWindow::~Win32MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  for (HFONT font : fonts_)
    if (font != nullptr) DeleteObject(font);
}

void Win32MainWindow::BuildControls() {
  const std::span<const ControlDescription> all = ControlDescriptions();
  made_.assign(all.size(), nullptr);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (size_t i : CreationOrder()) {
    const ControlDescription& description = all[i];
    const Win32ControlStyle style = StyleOf(description.kind, TakesFocus(description.name));
    const std::u16string caption(description.caption);
    const DWORD visible = description.visible_when_created ? WS_VISIBLE : 0;
    // Placed and given their fonts by Place, for the window's DPI.
    HWND made = CreateWindowExW(style.ex_style, style.window_class, Wide(caption),
                                style.style | visible, 0, 0, 0, 0, window_,
                                reinterpret_cast<HMENU>(kFirstControlId + i), instance, nullptr);
    made_[i] = made;
    if (description.control) controls_.at(static_cast<size_t>(*description.control)) = made;
    // A text box takes any length of text; the batch reads it as typed.
    if (description.kind == ControlKind::kTextBox) SendMessageW(made, EM_SETLIMITTEXT, 0, 0);
  }
}

void Win32MainWindow::Place(UINT dpi, const POINT* origin) {
  const std::array<HFONT, 2> old_fonts = fonts_;
  fonts_ = {MakeFont(ControlFont::kDialog, dpi), MakeFont(ControlFont::kLabel, dpi)};
  const SIZE size = MainWindowSize(dpi);
  SetWindowPos(window_, nullptr, origin != nullptr ? origin->x : 0,
               origin != nullptr ? origin->y : 0, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE | (origin != nullptr ? 0 : SWP_NOMOVE));

  const std::span<const ControlDescription> all = ControlDescriptions();
  for (size_t i = 0; i < all.size(); ++i) {
    HWND control = made_[i];
    if (control == nullptr) continue;
    const RECT place = PixelRectOf(all[i], dpi);
    const int height = place.bottom - place.top;
    const bool drop_down = all[i].kind == ControlKind::kDropDownList;
    SendMessageW(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(fonts_.at(static_cast<size_t>(all[i].font))), FALSE);
    SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
                 drop_down ? height * kDropDownRows : height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (drop_down) FitDropDownField(control, height);
  }
  InvalidateRect(window_, nullptr, TRUE);
  for (HFONT font : old_fonts)
    if (font != nullptr) DeleteObject(font);
}

HWND Win32MainWindow::ControlWindow(std::string_view name) const {
  const std::span<const ControlDescription> all = ControlDescriptions();
  for (size_t i = 0; i < all.size() && i < made_.size(); ++i)
    if (all[i].name == name) return made_[i];
  return nullptr;
}

HWND Win32MainWindow::Handle(Control control) const {
  return controls_.at(static_cast<size_t>(control));
}

int Win32MainWindow::RunMessageLoop(HWND window) {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    // Tab, the space bar on a check box or a list, Enter on a button.
    if (IsWindow(window) && IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

LRESULT CALLBACK Win32MainWindow::WindowProcedure(HWND window, UINT message, WPARAM w,
                                                  LPARAM l) {
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return DefWindowProcW(window, message, w, l);
  return self->Handle(message, w, l);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  const HWND window = window_;
  switch (message) {
    case WM_COMMAND:
      // Only controls' notifications; the dialog keys' IDOK and IDCANCEL
      // come without a control.
      if (l != 0) OnCommand(LOWORD(w), HIWORD(w));
      return 0;
    case WM_CLOSE:
      handlers_.EndProgram();
      return 0;
    case WM_DESTROY:
      if (quit_on_destroy_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      made_.assign(made_.size(), nullptr);
      controls_.fill(nullptr);
      focus_ = nullptr;
      return DefWindowProcW(window, message, w, l);
    case WM_ACTIVATE:
      // What a dialog does: the control that had the focus gets it back.
      if (LOWORD(w) == WA_INACTIVE) {
        const HWND focused = GetFocus();
        if (focused != nullptr && IsChild(window, focused)) focus_ = focused;
      } else if (focus_ != nullptr && IsWindow(focus_)) {
        ::SetFocus(focus_);
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (waiting_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      const POINT origin{suggested->left, suggested->top};
      Place(LOWORD(w), &origin);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

void Win32MainWindow::OnCommand(int id, int notification) {
  const std::span<const ControlDescription> all = ControlDescriptions();
  if (id < kFirstControlId || static_cast<size_t>(id - kFirstControlId) >= all.size()) return;
  const std::string_view name = all[static_cast<size_t>(id - kFirstControlId)].name;
  if (name == "cmbType") {
    if (notification == CBN_SELCHANGE) handlers_.ShowOptionsForType();
    return;
  }
  if (notification != BN_CLICKED) return;
  if (name == "cmdAdd") {
    handlers_.AddFiles();
  } else if (name == "cmdDel") {
    handlers_.RemoveFiles();
  } else if (name == "mndKonv") {
    handlers_.ConvertFiles();
  } else if (name == "cmdEnd") {
    handlers_.EndProgram();
  }
}

void Win32MainWindow::AddItem(Control list, const std::u16string& text) {
  SendMessageW(Handle(list), IsCombo(list) ? CB_ADDSTRING : LB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(Wide(text)));
}

void Win32MainWindow::RemoveItem(Control list, int32_t position) {
  SendMessageW(Handle(list), IsCombo(list) ? CB_DELETESTRING : LB_DELETESTRING,
               static_cast<WPARAM>(position), 0);
}

int32_t Win32MainWindow::ListCount(Control list) const {
  const LRESULT count =
      SendMessageW(Handle(list), IsCombo(list) ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<int32_t>(count);
}

std::u16string Win32MainWindow::List(Control list, int32_t position) const {
  if (position < 0) return std::u16string();
  return IsCombo(list) ? EntryText(Handle(list), CB_GETLBTEXTLEN, CB_GETLBTEXT, position)
                       : EntryText(Handle(list), LB_GETTEXTLEN, LB_GETTEXT, position);
}

bool Win32MainWindow::Selected(Control list, int32_t position) const {
  if (IsCombo(list)) return position >= 0 && ListIndex(list) == position;
  return SendMessageW(Handle(list), LB_GETSEL, static_cast<WPARAM>(position), 0) > 0;
}

int32_t Win32MainWindow::SelCount(Control list) const {
  if (IsCombo(list)) return ListIndex(list) < 0 ? 0 : 1;
  const LRESULT count = SendMessageW(Handle(list), LB_GETSELCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<int32_t>(count);
}

int32_t Win32MainWindow::ListIndex(Control list) const {
  const LRESULT index =
      SendMessageW(Handle(list), IsCombo(list) ? CB_GETCURSEL : LB_GETCARETINDEX, 0, 0);
  return index < 0 ? -1 : static_cast<int32_t>(index);
}

void Win32MainWindow::SetListIndex(Control list, int32_t position) {
  if (!IsCombo(list)) {
    SendMessageW(Handle(list), LB_SETCARETINDEX, static_cast<WPARAM>(position), FALSE);
    return;
  }
  // CB_SETCURSEL notifies nobody; the Click runs here, as a pick would run it.
  SendMessageW(Handle(list), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
  handlers_.ShowOptionsForType();
}

void Win32MainWindow::SetVisible(Control control, bool visible) {
  ShowWindow(Handle(control), visible ? SW_SHOWNA : SW_HIDE);
}

std::u16string Win32MainWindow::Text(Control control) const {
  if (IsCombo(control)) return List(control, ListIndex(control));
  return WindowText(Handle(control));
}

int32_t Win32MainWindow::Value(Control check_box) const {
  switch (SendMessageW(Handle(check_box), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return 1;
    case BST_INDETERMINATE:
      return 2;
    default:
      return 0;
  }
}

void Win32MainWindow::SetFocus(Control control) {
  // A window not yet shown is not active: it takes the focus when it is.
  focus_ = Handle(control);
  if (window_ != nullptr && GetActiveWindow() == window_) ::SetFocus(focus_);
}

OpenDialog& Win32MainWindow::Dialog() { return *comdlg_; }

void Win32MainWindow::ShowMessage(const std::u16string& text) {
  ShowWindowsMessageBox(window_, text);
}

void Win32MainWindow::SetWaitCursor(bool wait) {
  // The batch takes no messages, so no WM_SETCURSOR comes while it runs:
  // the cursor is set now, and WM_SETCURSOR keeps it once messages flow.
  waiting_ = wait;
  SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void Win32MainWindow::Unload() {
  quit_on_destroy_ = true;
  if (window_ != nullptr) DestroyWindow(window_);
}

}  // namespace kalvenix

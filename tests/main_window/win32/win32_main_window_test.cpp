// The Win32 window as a user meets it, driven by the messages its controls
// get from clicks and keys. Needs a display: run under Xvfb (with_display).
#include "main_window/win32/win32_main_window.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/system_batch.h"
#include "main_window/window_layout.h"
#include "platform/system_paths.h"

using namespace std::string_literals;

namespace kalvenix {
namespace {

class FakeOpenDialog final : public OpenDialog {
 public:
  explicit FakeOpenDialog(HWND owner) : owner(owner) {}
  DialogError SetCancelError(bool cancel_error) override {
    cancel_error_ = cancel_error;
    return DialogError::kNone;
  }
  DialogError SetMaxFileSize(int16_t) override { return DialogError::kNone; }
  DialogError SetFilter(const std::u16string&) override { return DialogError::kNone; }
  DialogError SetDialogTitle(const std::u16string&) override { return DialogError::kNone; }
  DialogError SetFlags(int32_t) override { return DialogError::kNone; }
  DialogError ShowOpen() override {
    if (!choice) return cancel_error_ ? DialogError::kCancelled : DialogError::kNone;
    return DialogError::kNone;
  }
  DialogError FileName(std::u16string* file_name) const override {
    *file_name = choice.value_or(u"");
    return DialogError::kNone;
  }

  HWND owner;
  std::optional<std::u16string> choice;  // none: the user cancels

 private:
  bool cancel_error_ = false;
};

std::u16string TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return reinterpret_cast<const char16_t*>(text);
}

std::vector<std::u16string> Entries(HWND list) {
  std::vector<std::u16string> entries;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[512] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    entries.emplace_back(reinterpret_cast<const char16_t*>(text));
  }
  return entries;
}

// Where a control stands in its parent's client area.
RECT PlaceIn(HWND parent, HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

// Closes the first message box of the user-interface thread with OK, noting
// what it showed; checks belong after the click that led to it.
class MessageBoxCloser {
 public:
  struct Seen {
    std::u16string caption;
    std::vector<std::u16string> texts;
    int buttons = 0;
    int icons = 0;
    HWND owner = nullptr;
  };

  MessageBoxCloser() : thread_id_(GetCurrentThreadId()), watcher_([this] { Watch(); }) {}
  ~MessageBoxCloser() { Stop(); }

  // Empty when no box came.
  std::optional<Seen> Stop() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    return seen_;
  }

 private:
  void Watch() {
    while (!stop_) {
      HWND box = nullptr;
      EnumThreadWindows(
          thread_id_,
          [](HWND window, LPARAM found) {
            wchar_t window_class[32] = {};
            GetClassNameW(window, window_class, 32);
            if (std::wstring(window_class) != L"#32770") return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (box != nullptr && IsWindowVisible(box)) {
        Seen seen{TextOf(box), {}, 0, 0, GetWindow(box, GW_OWNER)};
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
          wchar_t child_class[32] = {};
          GetClassNameW(child, child_class, 32);
          if (!IsWindowVisible(child)) continue;
          const LONG style = GetWindowLongW(child, GWL_STYLE);
          if (std::wstring(child_class) == L"Button") ++seen.buttons;
          // Wine keeps the icon's place in every box; only a picture in it counts.
          if (std::wstring(child_class) == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
            if (SendMessageW(child, STM_GETICON, 0, 0) != 0) ++seen.icons;
          }
          else if (std::wstring(child_class) == L"Static" && !TextOf(child).empty())
            seen.texts.push_back(TextOf(child));
        }
        seen_ = seen;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return;
      }
      Sleep(10);
    }
  }

  DWORD thread_id_;
  std::atomic<bool> stop_{false};
  std::optional<Seen> seen_;  // written by the watcher before it ends
  std::thread watcher_;
};

class Win32MainWindowTest : public ::testing::Test {
 protected:
  explicit Win32MainWindowTest(Win32MainWindow::BatchRunner batch = nullptr)
      : window_(
            [this](HWND owner) {
              auto dialog = std::make_unique<FakeOpenDialog>(owner);
              dialog_ = dialog.get();
              return dialog;
            },
            batch ? std::move(batch) : [](const ConversionWindow&, ConversionSurroundings&) {}) {
    ShowWindow(window_.window(), SW_SHOW);
    Pump();
  }

  // Whatever showing or clicking left in the queue, as the loop would take it.
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  HWND Control(std::string_view name) const { return window_.ControlWindow(name); }
  std::string NameOf(HWND control) const {
    for (const ControlDescription& description : ControlDescriptions())
      if (window_.ControlWindow(description.name) == control) return std::string(description.name);
    return "?";
  }
  void Click(std::string_view button) { SendMessageW(Control(button), BM_CLICK, 0, 0); }
  void PickType(int position) {
    HWND type = Control("cmbType");
    SendMessageW(type, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    SendMessageW(window_.window(), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(type), CBN_SELCHANGE), reinterpret_cast<LPARAM>(type));
  }
  bool Visible(std::string_view name) const { return IsWindowVisible(Control(name)) != FALSE; }
  std::vector<std::string> TabWalk(std::string_view from, size_t steps) const {
    std::vector<std::string> visited;
    HWND at = Control(from);
    for (size_t i = 0; i < steps; ++i) {
      visited.push_back(NameOf(at));
      at = GetNextDlgTabItem(window_.window(), at, FALSE);
    }
    return visited;
  }

  FakeOpenDialog* dialog_ = nullptr;
  Win32MainWindow window_;
};

TEST_F(Win32MainWindowTest, StartsWithJpgSelectedAndTheInitialTexts) {
  ASSERT_NE(window_.window(), nullptr);
  HWND type = Control("cmbType");
  ASSERT_EQ(SendMessageW(type, CB_GETCOUNT, 0, 0), 4);
  std::vector<std::u16string> types;
  for (WPARAM i = 0; i < 4; ++i) {
    wchar_t text[8] = {};
    SendMessageW(type, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    types.emplace_back(reinterpret_cast<const char16_t*>(text));
  }
  EXPECT_EQ(types, (std::vector<std::u16string>{u"BMP", u"GIF", u"JPG", u"PNG"}));
  EXPECT_EQ(SendMessageW(type, CB_GETCURSEL, 0, 0), 2);
  EXPECT_TRUE(Visible("lblQuali"));
  EXPECT_TRUE(Visible("txtQuali"));
  EXPECT_FALSE(Visible("chkTrans"));
  EXPECT_EQ(TextOf(Control("txtQuali")), u"100");
  EXPECT_EQ(TextOf(Control("txtWidth")), u"640");
  EXPECT_EQ(TextOf(Control("txtHeight")), u"480");
  EXPECT_EQ(SendMessageW(Control("lstFiles"), LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(NameOf(GetFocus()), "txtQuali");
  ASSERT_NE(dialog_, nullptr);
  EXPECT_EQ(dialog_->owner, window_.window());
}

TEST_F(Win32MainWindowTest, ShowsTheOptionsOfThePickedTypeAndKeepsTheirValues) {
  struct Row { int position; bool quality; bool transparency; };
  for (const Row row : {Row{0, false, false}, Row{1, false, true}, Row{2, true, false},
                        Row{3, false, false}, Row{2, true, false}}) {
    PickType(row.position);
    EXPECT_EQ(Visible("lblQuali"), row.quality) << row.position;
    EXPECT_EQ(Visible("txtQuali"), row.quality) << row.position;
    EXPECT_EQ(Visible("chkTrans"), row.transparency) << row.position;
    EXPECT_TRUE(Visible("txtWidth") && Visible("txtHeight")) << row.position;
  }
  SetWindowTextW(Control("txtQuali"), L"75");
  PickType(1);
  Click("chkTrans");
  PickType(2);
  EXPECT_EQ(TextOf(Control("txtQuali")), u"75");
  PickType(1);
  EXPECT_EQ(SendMessageW(Control("chkTrans"), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(Win32MainWindowTest, TabVisitsTheVisibleControlsInTheirOrder) {
  EXPECT_EQ(TabWalk("txtQuali", 10),
            (std::vector<std::string>{"txtQuali", "cmbType", "txtHeight", "txtWidth", "cmdDel",
                                      "cmdAdd", "lstFiles", "mndKonv", "cmdEnd", "txtQuali"}));
  PickType(1);
  EXPECT_EQ(TabWalk("cmbType", 10),
            (std::vector<std::string>{"cmbType", "txtHeight", "txtWidth", "cmdDel", "cmdAdd",
                                      "lstFiles", "chkTrans", "mndKonv", "cmdEnd", "cmbType"}));
  // The loop's dialog keys move the focus as the walk says.
  PickType(2);
  SetFocus(Control("txtQuali"));
  MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(IsDialogMessageW(window_.window(), &tab));
  EXPECT_EQ(NameOf(GetFocus()), "cmbType");
}

TEST_F(Win32MainWindowTest, AddAppendsTheChosenFilesAndCancelAddsNothing) {
  dialog_->choice = u"C:\\Bilder\0a.jpg\0b.png"s;
  Click("cmdAdd");
  EXPECT_EQ(Entries(Control("lstFiles")),
            (std::vector<std::u16string>{u"C:\\Bilder\\a.jpg", u"C:\\Bilder\\b.png"}));
  dialog_->choice.reset();
  Click("cmdAdd");
  EXPECT_EQ(Entries(Control("lstFiles")).size(), 2u);
}

TEST_F(Win32MainWindowTest, ClicksToggleOneEntryAndDelRemovesTheSelected) {
  dialog_->choice = u"D\0a\0b\0c\0d\0e"s;
  Click("cmdAdd");
  HWND list = Control("lstFiles");
  const auto click_entry = [list](int index) {
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
  };
  for (int index : {1, 2, 3, 4}) click_entry(index);
  click_entry(3);
  std::vector<int> selected;
  for (int i = 0; i < 5; ++i)
    if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) selected.push_back(i);
  EXPECT_EQ(selected, (std::vector<int>{1, 2, 4}));
  Click("cmdDel");
  EXPECT_EQ(Entries(list), (std::vector<std::u16string>{u"D\\a", u"D\\d"}));
  Click("cmdDel");  // nothing selected: nothing changes
  EXPECT_EQ(Entries(list).size(), 2u);
}

TEST_F(Win32MainWindowTest, PlacesEveryControlAtItsTwipsAndScalesWithTheDpi) {
  RECT client{};
  GetClientRect(window_.window(), &client);
  EXPECT_EQ(client.right, 312);
  EXPECT_EQ(client.bottom, 224);
  for (const ControlDescription& description : ControlDescriptions()) {
    TwipsRect twips = description.place;
    if (const ControlDescription* frame = DescriptionOf(description.container)) {
      twips.left += frame->place.left;
      twips.top += frame->place.top;
    }
    const RECT place = PlaceIn(window_.window(), Control(description.name));
    EXPECT_EQ(place.left, twips.left / 15) << description.name;
    EXPECT_EQ(place.top, twips.top / 15) << description.name;
    EXPECT_EQ(place.right - place.left, twips.width / 15) << description.name;
    EXPECT_EQ(place.bottom - place.top, twips.height / 15) << description.name;
    // Only Frame3's right border lies beyond the client area.
    EXPECT_LE(place.bottom, client.bottom) << description.name;
    if (description.name != "Frame3") {
      EXPECT_LE(place.right, client.right) << description.name;
    }
  }
  const auto font_height = [this](std::string_view name) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(name), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    return font.lfHeight;
  };
  EXPECT_EQ(font_height("cmdAdd"), -11);
  EXPECT_EQ(font_height("Label2"), -13);

  RECT suggested{10, 10, 500, 400};
  SendMessageW(window_.window(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  // The client area is not checked: the system's frame stays at its own DPI here.
  const RECT width_box = PlaceIn(window_.window(), Control("txtWidth"));
  EXPECT_EQ(width_box.left, 3450 * 144 / 1440);
  EXPECT_EQ(width_box.right - width_box.left, 990 * 144 / 1440);
  EXPECT_EQ(font_height("Label2"), -20);
}

TEST_F(Win32MainWindowTest, IsAFixedWindowWithCaptionAndIcon) {
  HWND window = window_.window();
  EXPECT_EQ(TextOf(window), u"Orbelia - Kalvenix");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0);
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICONSM), 0);
  EXPECT_EQ(GetWindowLongW(Control("cmbType"), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_TRUE(GetWindowLongW(Control("lstFiles"), GWL_STYLE) & LBS_MULTIPLESEL);
  EXPECT_GE(SendMessageW(Control("txtWidth"), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST_F(Win32MainWindowTest, BeendenAndTheCloseBoxEndTheLoop) {
  for (const bool close_box : {false, true}) {
    Win32MainWindow window([](HWND) { return nullptr; },
                           [](const ConversionWindow&, ConversionSurroundings&) {});
    HWND made = window.window();
    if (close_box) {
      SendMessageW(made, WM_CLOSE, 0, 0);
    } else {
      SendMessageW(window.ControlWindow("cmdEnd"), BM_CLICK, 0, 0);
    }
    EXPECT_FALSE(IsWindow(made)) << close_box;
    EXPECT_EQ(Win32MainWindow::RunMessageLoop(made), 0) << close_box;
  }
}

class Win32MainWindowBatchTest : public Win32MainWindowTest {
 protected:
  Win32MainWindowBatchTest() : Win32MainWindowTest(&ConvertOnThisSystem) {}
};

TEST_F(Win32MainWindowBatchTest, AnEmptyListIsToldInAPlainBoxOverTheWindow) {
  MessageBoxCloser closer;
  Click("mndKonv");
  const std::optional<MessageBoxCloser::Seen> seen = closer.Stop();
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->caption, u"Kalvenix");
  EXPECT_EQ(seen->texts, (std::vector<std::u16string>{u"Keine Dateien ausgewählt!"}));
  EXPECT_EQ(seen->buttons, 1);
  EXPECT_EQ(seen->icons, 0);
  EXPECT_EQ(seen->owner, window_.window());
}

}  // namespace
}  // namespace kalvenix

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // As the program does: an apartment for the batch, the version 6 controls.
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}

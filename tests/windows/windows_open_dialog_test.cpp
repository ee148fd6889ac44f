#include "platform/windows_open_dialog.h"

#include <cderr.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kalvenix {
namespace {

using namespace std::string_literals;

const std::u16string kFilter = u"Bilder (*.bmp,*.gif,*.jpg,*.png)|*.bmp;*.gif;*.jpg;*.png";
const std::u16string kTitle = u"Bild zum Konvertieren auswählen";

TEST(DialogFilterPairs, BarsBecomeNulsWithADoubleNulAtTheEnd) {
  EXPECT_EQ(DialogFilterPairs(kFilter),
            u"Bilder (*.bmp,*.gif,*.jpg,*.png)\0*.bmp;*.gif;*.jpg;*.png\0\0"s);
  EXPECT_EQ(DialogFilterPairs(u"PNG|*.png|Alle|*.*"), u"PNG\0*.png\0Alle\0*.*\0\0"s);
  EXPECT_EQ(DialogFilterPairs(u""), u""s);
}

TEST(DialogFilterPairs, RefusesWhatWouldEndOrSkewTheList) {
  for (const std::u16string& filter :
       {u"Bilder"s, u"Bilder|*.png|Alle"s, u"Bilder|"s, u"|*.png"s, u"Bilder||*.png|x"s,
        u"Bilder|*.png\0|Alle|*.*"s}) {
    EXPECT_FALSE(DialogFilterPairs(filter).has_value()) << filter.size();
  }
}

TEST(FileSelectionFromBuffer, OnePathOrFolderAndNamesJoinedBySingleNuls) {
  std::u16string buffer(64, u'\0');
  buffer.replace(0, 16, u"C:\\Bilder\\a.jpg\0"s);
  EXPECT_EQ(FileSelectionFromBuffer(buffer), u"C:\\Bilder\\a.jpg");

  EXPECT_EQ(FileSelectionFromBuffer(u"C:\\Bilder\0a.jpg\0b.png\0\0"s), u"C:\\Bilder\0a.jpg\0b.png"s);
  // The root folder keeps its backslash; the list's end hides what follows.
  EXPECT_EQ(FileSelectionFromBuffer(u"C:\\\0a.jpg\0\0rest\0\0"s), u"C:\\\0a.jpg"s);
  EXPECT_EQ(FileSelectionFromBuffer(u"\0C:\\a.jpg\0\0"s), u"");
  EXPECT_EQ(FileSelectionFromBuffer(u""), u"");
}

TEST(FileSelectionFromBuffer, StopsAtTheBufferEndWithoutATerminator) {
  const std::u16string whole = u"C:\\Bilder\0a.jpg\0b.png"s;
  // Only the view is read: a name cut by the end still ends there.
  EXPECT_EQ(FileSelectionFromBuffer(std::u16string_view(whole).substr(0, 18)),
            u"C:\\Bilder\0a.jpg\0b."s);
  EXPECT_EQ(FileSelectionFromBuffer(std::u16string_view(whole).substr(0, 16)),
            u"C:\\Bilder\0a.jpg"s);
}

TEST(ResultBufferChars, StartsLargeGrowsAtLeastTwofoldAndEnds) {
  EXPECT_EQ(ResultBufferChars(0, 260, 0), kInitialResultChars);
  EXPECT_EQ(ResultBufferChars(0, -5, 0), kInitialResultChars);
  EXPECT_GE(kInitialResultChars, size_t{32767}) << "must hold the longest single path";

  EXPECT_EQ(ResultBufferChars(1000, 260, 300), 2000u);
  EXPECT_EQ(ResultBufferChars(1000, 260, 5000), 5000u);
  EXPECT_EQ(ResultBufferChars(kInitialResultChars, 260, 65535), 2 * kInitialResultChars);
  EXPECT_EQ(ResultBufferChars(kMaxResultChars - 1, 260, 0), kMaxResultChars);
  EXPECT_EQ(ResultBufferChars(kMaxResultChars, 260, 0), 0u);

  // However the dialog answers, growing ends after a handful of showings.
  size_t showings = 0;
  for (size_t chars = ResultBufferChars(0, 260, 0); chars != 0;
       chars = ResultBufferChars(chars, 260, 1)) {
    ASSERT_LE(chars, kMaxResultChars);
    ++showings;
  }
  EXPECT_LE(showings, 6u);
}

// What the dialog was asked, and a script of what it answers.
class ScriptedDialog {
 public:
  using Answer = std::function<OpenDialogOutcome(OPENFILENAMEW*)>;

  void Then(Answer answer) { answers_.push_back(std::move(answer)); }

  ShowOpenDialogFunction Show() {
    return [this](OPENFILENAMEW* request) {
      requests.push_back(*request);
      filters.emplace_back(request->lpstrFilter == nullptr
                               ? std::u16string()
                               : std::u16string(reinterpret_cast<const char16_t*>(
                                                    request->lpstrFilter),
                                                FilterLength(request->lpstrFilter)));
      titles.emplace_back(request->lpstrTitle == nullptr
                              ? u""
                              : reinterpret_cast<const char16_t*>(request->lpstrTitle));
      if (next_ >= answers_.size()) return OpenDialogOutcome{false, 0};
      return answers_[next_++](request);
    };
  }

  std::vector<OPENFILENAMEW> requests;  // pointers inside are stale after the call
  std::vector<std::u16string> filters;
  std::vector<std::u16string> titles;

 private:
  static size_t FilterLength(const wchar_t* pairs) {
    size_t n = 0;
    while (pairs[n] != 0 || pairs[n + 1] != 0) ++n;
    return n + 2;
  }

  std::vector<Answer> answers_;
  size_t next_ = 0;
};

ScriptedDialog::Answer Chooses(const std::u16string& written) {
  return [written](OPENFILENAMEW* request) {
    if (written.size() + 1 > request->nMaxFile) return OpenDialogOutcome{false, FNERR_BUFFERTOOSMALL};
    std::copy(written.begin(), written.end(), reinterpret_cast<char16_t*>(request->lpstrFile));
    return OpenDialogOutcome{true, 0};
  };
}

ScriptedDialog::Answer TooSmall(uint16_t reported) {
  return [reported](OPENFILENAMEW* request) {
    request->lpstrFile[0] = static_cast<wchar_t>(reported);
    return OpenDialogOutcome{false, FNERR_BUFFERTOOSMALL};
  };
}

ScriptedDialog::Answer Fails(DWORD error) {
  return [error](OPENFILENAMEW*) { return OpenDialogOutcome{false, error}; };
}

// The add command's calls, in its order.
DialogError ShowAsTheAddCommandDoes(WindowsOpenDialog& dialog, bool cancel_error = true) {
  DialogError error = DialogError::kNone;
  const auto record = [&error](DialogError step) {
    if (step != DialogError::kNone) error = step;
  };
  record(dialog.SetCancelError(cancel_error));
  record(dialog.SetMaxFileSize(260));
  record(dialog.SetFilter(kFilter));
  record(dialog.SetDialogTitle(kTitle));
  record(dialog.SetFlags(0x80200));
  record(dialog.ShowOpen());
  return error;
}

std::u16string FileNameOf(const WindowsOpenDialog& dialog) {
  std::u16string file_name;
  EXPECT_EQ(dialog.FileName(&file_name), DialogError::kNone);
  return file_name;
}

TEST(WindowsOpenDialog, SettingsReachTheDialogWithTheirMeaning) {
  ScriptedDialog script;
  script.Then(Chooses(u"C:\\Bilder\0a.jpg\0b.png\0"s));
  const HWND owner = reinterpret_cast<HWND>(uintptr_t{0x1234});
  WindowsOpenDialog dialog(owner, script.Show());
  EXPECT_EQ(ShowAsTheAddCommandDoes(dialog), DialogError::kNone);
  EXPECT_EQ(FileNameOf(dialog), u"C:\\Bilder\0a.jpg\0b.png"s);

  ASSERT_EQ(script.requests.size(), 1u);
  const OPENFILENAMEW& request = script.requests[0];
  EXPECT_EQ(request.lStructSize, sizeof(OPENFILENAMEW));
  EXPECT_EQ(request.hwndOwner, owner);
  EXPECT_EQ(script.filters[0], *DialogFilterPairs(kFilter));
  EXPECT_EQ(request.nFilterIndex, 1u);
  EXPECT_EQ(script.titles[0], kTitle);
  const DWORD wanted = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  EXPECT_EQ(request.Flags & wanted, wanted);
  EXPECT_EQ(request.Flags & (OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR), 0u);
  // 260 is far too small for several names: it only sets a floor.
  EXPECT_EQ(request.nMaxFile, kInitialResultChars);
  EXPECT_EQ(request.lpstrInitialDir, nullptr) << "the dialog keeps its last folder itself";
}

TEST(WindowsOpenDialog, FlagsChooseMultiSelectButTheDialogStaysExplorer) {
  ScriptedDialog script;
  WindowsOpenDialog dialog(nullptr, script.Show());
  // Bits beyond the two it knows (here a hook's) must never reach the dialog.
  for (int32_t flags : {0, kDialogAllowMultiSelect | 0x20, kDialogExplorer}) {
    ASSERT_EQ(dialog.SetFlags(flags), DialogError::kNone);
    dialog.ShowOpen();
  }
  ASSERT_EQ(script.requests.size(), 3u);
  EXPECT_EQ(script.requests[0].Flags & (OFN_EXPLORER | OFN_ALLOWMULTISELECT), DWORD{OFN_EXPLORER});
  EXPECT_EQ(script.requests[1].Flags & (OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_ENABLEHOOK),
            DWORD{OFN_EXPLORER | OFN_ALLOWMULTISELECT});
  EXPECT_EQ(script.requests[2].Flags & OFN_ALLOWMULTISELECT, 0u);
  // Without a filter or a title the dialog gets none, not an empty one.
  EXPECT_EQ(script.requests[0].lpstrFilter, nullptr);
  EXPECT_EQ(script.requests[0].lpstrTitle, nullptr);
}

TEST(WindowsOpenDialog, BadSettingsAreRefusedAndLeaveThePreviousOnes) {
  ScriptedDialog script;
  WindowsOpenDialog dialog(nullptr, script.Show());
  ASSERT_EQ(dialog.SetFilter(kFilter), DialogError::kNone);
  ASSERT_EQ(dialog.SetDialogTitle(kTitle), DialogError::kNone);
  EXPECT_EQ(dialog.SetFilter(u"Bilder"), DialogError::kInvalidSetting);
  EXPECT_EQ(dialog.SetDialogTitle(u"Bild\0zum"s), DialogError::kInvalidSetting);
  EXPECT_EQ(dialog.SetMaxFileSize(0), DialogError::kInvalidSetting);
  EXPECT_EQ(dialog.SetMaxFileSize(-1), DialogError::kInvalidSetting);
  EXPECT_EQ(dialog.FileName(nullptr), DialogError::kInvalidSetting);
  // The dialog still shows, with what was set before.
  dialog.ShowOpen();
  ASSERT_EQ(script.requests.size(), 1u);
  EXPECT_EQ(script.filters[0], *DialogFilterPairs(kFilter));
  EXPECT_EQ(script.titles[0], kTitle);
}

TEST(WindowsOpenDialog, TooSmallGrowsAndShowsAgain) {
  ScriptedDialog script;
  script.Then(TooSmall(4000));
  script.Then(Chooses(u"C:\\Bilder\\a.jpg\0"s));
  WindowsOpenDialog dialog(nullptr, script.Show());
  EXPECT_EQ(ShowAsTheAddCommandDoes(dialog), DialogError::kNone);
  EXPECT_EQ(FileNameOf(dialog), u"C:\\Bilder\\a.jpg");
  ASSERT_EQ(script.requests.size(), 2u);
  EXPECT_EQ(script.requests[1].nMaxFile, 2 * kInitialResultChars);
  // The second showing is the same dialog.
  EXPECT_EQ(script.filters[1], script.filters[0]);
  EXPECT_EQ(script.titles[1], kTitle);
  EXPECT_EQ(script.requests[1].Flags, script.requests[0].Flags);
}

TEST(WindowsOpenDialog, TooSmallEvenAtTheLargestSizeCountsAsCancel) {
  for (bool cancel_error : {true, false}) {
    ScriptedDialog script;
    script.Then(Chooses(u"C:\\vorher.jpg\0"s));
    for (int i = 0; i < 20; ++i) script.Then(TooSmall(65535));
    WindowsOpenDialog dialog(nullptr, script.Show());
    ASSERT_EQ(ShowAsTheAddCommandDoes(dialog), DialogError::kNone);

    EXPECT_EQ(ShowAsTheAddCommandDoes(dialog, cancel_error),
              cancel_error ? DialogError::kCancelled : DialogError::kNone);
    EXPECT_EQ(FileNameOf(dialog), u"C:\\vorher.jpg");
    EXPECT_LE(script.requests.size(), 7u);
    EXPECT_EQ(script.requests.back().nMaxFile, kMaxResultChars);
  }
}

TEST(WindowsOpenDialog, CancelAndOtherFailuresKeepTheFileName) {
  const std::vector<ScriptedDialog::Answer> failures = {
      Fails(0),                       // the user cancelled
      Fails(CDERR_INITIALIZATION),    // the dialog could not start
      Fails(FNERR_INVALIDFILENAME),
      [](OPENFILENAMEW*) { return OpenDialogOutcome{true, 0}; },  // "confirmed" nothing
  };
  for (size_t i = 0; i < failures.size(); ++i) {
    for (bool cancel_error : {true, false}) {
      SCOPED_TRACE(testing::Message() << "failure " << i << ", CancelError " << cancel_error);
      ScriptedDialog script;
      script.Then(Chooses(u"C:\\Bilder\0a.jpg\0b.jpg\0"s));
      script.Then(failures[i]);
      WindowsOpenDialog dialog(nullptr, script.Show());
      ASSERT_EQ(ShowAsTheAddCommandDoes(dialog), DialogError::kNone);

      EXPECT_EQ(ShowAsTheAddCommandDoes(dialog, cancel_error),
                cancel_error ? DialogError::kCancelled : DialogError::kNone);
      EXPECT_EQ(FileNameOf(dialog), u"C:\\Bilder\0a.jpg\0b.jpg"s);
      EXPECT_EQ(script.requests.size(), 2u) << "only a too-small buffer shows again";
    }
  }
}

TEST(WindowsOpenDialog, TheChosenFilterIsOfferedNextTime) {
  ScriptedDialog script;
  script.Then([](OPENFILENAMEW* request) {
    request->nFilterIndex = 2;
    return Chooses(u"C:\\a.png\0"s)(request);
  });
  WindowsOpenDialog dialog(nullptr, script.Show());
  ASSERT_EQ(dialog.SetFilter(u"JPG|*.jpg|PNG|*.png"), DialogError::kNone);
  ASSERT_EQ(dialog.ShowOpen(), DialogError::kNone);
  dialog.ShowOpen();
  ASSERT_EQ(script.requests.size(), 2u);
  EXPECT_EQ(script.requests[1].nFilterIndex, 2u);
  // A new filter starts at its first entry again.
  ASSERT_EQ(dialog.SetFilter(u"GIF|*.gif"), DialogError::kNone);
  dialog.ShowOpen();
  EXPECT_EQ(script.requests[2].nFilterIndex, 1u);
}

TEST(WindowsOpenDialog, ThousandsOfNamesArriveWhole) {
  const std::u16string folder = u"C:\\Urlaub in Köln\\Bilder";
  std::u16string written = folder + u'\0';
  std::u16string expected = folder;
  constexpr int kNames = 20000;
  for (int i = 0; i < kNames; ++i) {
    std::string number = std::to_string(100000 + i);
    const std::u16string name = u"Möwe " + std::u16string(number.begin(), number.end()) + u".jpg";
    written += name + u'\0';
    expected += u'\0' + name;
  }
  ASSERT_GT(written.size(), size_t{65535}) << "beyond what a 16-bit size could name";

  ScriptedDialog script;
  script.Then(Chooses(written));
  WindowsOpenDialog dialog(nullptr, script.Show());
  EXPECT_EQ(ShowAsTheAddCommandDoes(dialog), DialogError::kNone);
  const std::u16string file_name = FileNameOf(dialog);
  EXPECT_EQ(std::count(file_name.begin(), file_name.end(), u'\0'), kNames);
  EXPECT_TRUE(file_name == expected);
  EXPECT_EQ(script.requests.size(), 1u) << "the first buffer holds them";
}

}  // namespace
}  // namespace kalvenix

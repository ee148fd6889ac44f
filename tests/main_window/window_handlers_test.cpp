// The window's behaviour on plain controls: the same handlers both toolkits
// run, so these cases hold for the Qt and the Win32 window alike.
#include "main_window/window_handlers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_controls.h"
#include "platform/system_paths.h"

namespace kalvenix {
namespace {

using namespace std::string_literals;
using testing::ElementsAre;
using testing::IsEmpty;

struct Window {
  Window() {
    controls.on_type_click = [this] { handlers.ShowOptionsForType(); };
  }
  void Loaded() {
    handlers.Load();
    controls.log.clear();
  }
  void AddFiles(const std::u16string& choice) {
    controls.dialog.Choose(choice);
    handlers.AddFiles();
  }
  std::vector<std::u16string>& Files() { return controls.lists[Control::kLstFiles].entries; }
  void Select(const std::vector<int>& positions) {
    for (int position : positions)
      controls.lists[Control::kLstFiles].selected.at(static_cast<size_t>(position)) = true;
  }

  FakeControls controls;
  std::function<void(const ConversionWindow&, ConversionSurroundings&)> batch;
  WindowHandlers handlers{controls, [this](const ConversionWindow& view,
                                           ConversionSurroundings& surroundings) {
                            if (batch) batch(view, surroundings);
                          }};
};

std::u16string Joined(std::u16string_view folder, std::u16string_view name) {
  return std::u16string(folder) + FolderSeparator() + std::u16string(name);
}

TEST(WindowHandlersTest, LoadFillsTheTypesSelectsJpgAndFocusesTheQuality) {
  Window w;
  w.handlers.Load();
  EXPECT_THAT(w.controls.lists[Control::kCmbType].entries, ElementsAre(u"BMP", u"GIF", u"JPG", u"PNG"));
  // The selection raises the Click inside Load: each rule reads the position
  // for itself, quality first.
  EXPECT_THAT(w.controls.log,
              ElementsAre("AddItem", "AddItem", "AddItem", "AddItem", "SetListIndex(2)", "ListIndex",
                          "lblQuali.Visible=1", "txtQuali.Visible=1", "ListIndex",
                          "chkTrans.Visible=0", "SetFocus(txtQuali)"));
  EXPECT_EQ(w.handlers.OutputTypeText(), u"JPG");
  EXPECT_EQ(w.handlers.OutputTypeIndex(), 2);
}

struct TypeCase {
  int32_t position;
  bool quality;
  bool transparency;
};

class OptionsForTypeTest : public testing::TestWithParam<TypeCase> {};

TEST_P(OptionsForTypeTest, ShowsOnlyTheOptionsOfTheType) {
  Window w;
  w.Loaded();
  w.controls.SetListIndex(Control::kCmbType, GetParam().position);
  EXPECT_EQ(w.controls.visible[Control::kLblQuali], GetParam().quality);
  EXPECT_EQ(w.controls.visible[Control::kTxtQuali], GetParam().quality);
  EXPECT_EQ(w.controls.visible[Control::kChkTrans], GetParam().transparency);
}

INSTANTIATE_TEST_SUITE_P(Positions, OptionsForTypeTest,
                         testing::Values(TypeCase{0, false, false}, TypeCase{1, false, true},
                                         TypeCase{2, true, false}, TypeCase{3, false, false},
                                         TypeCase{-1, false, false}));

TEST(WindowHandlersTest, AddAppliesTheSettingsInOrderAndAppendsTheChoice) {
  Window w;
  w.Loaded();
  w.AddFiles(u"vorher.gif"s);
  w.AddFiles(u"bilder\0a.jpg\0\0b.png"s);
  EXPECT_THAT(w.Files(), ElementsAre(u"vorher.gif", Joined(u"bilder", u"a.jpg"),
                                     Joined(u"bilder", u""), Joined(u"bilder", u"b.png")));
  const std::vector<std::string> one_use = AddCommandCalls();
  std::vector<std::string> twice = one_use;
  twice.insert(twice.end(), one_use.begin(), one_use.end());
  EXPECT_EQ(w.controls.dialog.calls(), twice);
  EXPECT_THAT(w.controls.messages, IsEmpty());
}

TEST(WindowHandlersTest, AddsNothingWhenAnyStepOfTheDialogFails) {
  for (const std::string failing : {"", "SetCancelError", "SetMaxFileSize", "SetFilter",
                                    "SetDialogTitle", "SetFlags", "ShowOpen", "FileName"}) {
    SCOPED_TRACE(failing.empty() ? "cancelled" : failing);
    Window w;
    w.Loaded();
    w.AddFiles(u"a.jpg"s);
    w.controls.dialog.Choose(u"bilder\0b.jpg\0c.jpg"s);
    if (failing.empty()) {
      w.controls.dialog.Cancel();
    } else {
      w.controls.dialog.FailCall(failing);
    }
    w.handlers.AddFiles();
    EXPECT_THAT(w.Files(), ElementsAre(u"a.jpg"));
    // A refused setting still shows the dialog; only its outcome is dropped.
    EXPECT_EQ(std::count(w.controls.dialog.calls().begin(), w.controls.dialog.calls().end(),
                         "ShowOpen"),
              2);
    EXPECT_THAT(w.controls.messages, IsEmpty());
  }
}

struct RemoveCase {
  const char* name;
  std::vector<int> selected;
  std::vector<std::u16string> left;
};

void PrintTo(const RemoveCase& remove_case, std::ostream* out) { *out << remove_case.name; }

class RemoveFilesTest : public testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveFilesTest, RemovesTheSelectedAndKeepsTheOrder) {
  Window w;
  w.Loaded();
  // Two equal entries: only the selected one of them goes.
  w.AddFiles(u"f\0e0\0e1\0e2\0e3\0e0"s);
  w.Select(GetParam().selected);
  w.handlers.RemoveFiles();
  std::vector<std::u16string> left;
  for (const std::u16string& name : GetParam().left) left.push_back(Joined(u"f", name));
  EXPECT_EQ(w.Files(), left);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, RemoveFilesTest,
    testing::Values(RemoveCase{"Some", {1, 2, 4}, {u"e0", u"e3"}},
                    RemoveCase{"All", {0, 1, 2, 3, 4}, {}},
                    RemoveCase{"OnlyTheLast", {4}, {u"e0", u"e1", u"e2", u"e3"}},
                    RemoveCase{"OneOfTwoEqual", {0}, {u"e1", u"e2", u"e3", u"e0"}},
                    RemoveCase{"None", {}, {u"e0", u"e1", u"e2", u"e3", u"e0"}}),
    [](const testing::TestParamInfo<RemoveCase>& info) { return info.param.name; });

TEST(WindowHandlersTest, TheRemovalWalkLooksAtEachEntryOnce) {
  Window w;
  w.Loaded();
  w.AddFiles(u"f\0a\0b\0c"s);
  w.controls.log.clear();
  w.handlers.RemoveFiles();
  EXPECT_THAT(w.controls.log, ElementsAre("SelCount"));  // nothing selected: nothing more

  w.Select({0, 1});
  w.controls.log.clear();
  w.handlers.RemoveFiles();
  EXPECT_THAT(w.controls.log, ElementsAre("SelCount", "ListCount", "Selected(0)", "RemoveItem(0)",
                                          "Selected(0)", "RemoveItem(0)", "Selected(0)"));
}

TEST(WindowHandlersTest, KonvertierenHandsTheBatchAViewThatReadsEachControlAfresh) {
  Window w;
  w.Loaded();
  w.AddFiles(u"f\0a.bmp\0b.png"s);
  w.controls.texts[Control::kTxtQuali] = u"75";
  w.controls.texts[Control::kTxtWidth] = u"800";
  w.controls.texts[Control::kTxtHeight] = u"600";
  w.controls.check_value = 2;
  std::vector<std::u16string> seen;
  w.batch = [&](const ConversionWindow& view, ConversionSurroundings&) {
    seen = {std::u16string(1, static_cast<char16_t>(u'0' + view.EntryCount())),
            view.EntryText(1), view.EntryText(2), view.OutputTypeText(),
            view.QualityText(), view.WidthText(), view.HeightText()};
    w.controls.SetListIndex(Control::kCmbType, 1);
    seen.push_back(view.OutputTypeText());
    EXPECT_EQ(view.OutputTypeIndex(), 1);
    EXPECT_EQ(view.TransparencyState(), 2);
  };
  w.handlers.ConvertFiles();
  EXPECT_THAT(seen, ElementsAre(u"2", Joined(u"f", u"b.png"), u"", u"JPG", u"75", u"800", u"600",
                                u"GIF"));
}

TEST(WindowHandlersTest, NoSelectedTypeReadsAsEmptyText) {
  Window w;
  w.Loaded();
  w.controls.SetListIndex(Control::kCmbType, -1);
  EXPECT_EQ(w.handlers.OutputTypeText(), u"");
  EXPECT_EQ(w.handlers.OutputTypeIndex(), -1);
}

TEST(WindowHandlersTest, TheWaitCursorShowsDuringTheBatchButNotOverAMessage) {
  Window w;
  w.Loaded();
  w.batch = [](const ConversionWindow&, ConversionSurroundings& surroundings) {
    surroundings.ShowMessage(u"Keine Dateien ausgewählt!");
  };
  w.handlers.ConvertFiles();
  EXPECT_THAT(w.controls.log, ElementsAre("Wait=1", "Wait=0", "ShowMessage", "Wait=1", "Wait=0"));
  EXPECT_THAT(w.controls.messages, ElementsAre(u"Keine Dateien ausgewählt!"));

  // Outside a batch a message leaves the cursor alone.
  w.controls.log.clear();
  w.handlers.ShowMessage(u"x");
  EXPECT_THAT(w.controls.log, ElementsAre("ShowMessage"));
}

TEST(WindowHandlersTest, ABatchLeftByAnExceptionTakesTheWaitCursorBack) {
  Window w;
  w.Loaded();
  w.batch = [](const ConversionWindow&, ConversionSurroundings&) {
    throw std::runtime_error("batch failed");
  };
  EXPECT_THROW(w.handlers.ConvertFiles(), std::runtime_error);
  EXPECT_THAT(w.controls.log, ElementsAre("Wait=1", "Wait=0"));
  w.controls.log.clear();
  w.handlers.ShowMessage(u"x");
  EXPECT_THAT(w.controls.log, ElementsAre("ShowMessage"));
}

TEST(WindowHandlersTest, BeendenUnloadsAtOnceWithFilesListed) {
  Window w;
  w.Loaded();
  w.AddFiles(u"f\0a.jpg"s);
  w.controls.log.clear();
  w.handlers.EndProgram();
  EXPECT_THAT(w.controls.log, ElementsAre("Unload"));
}

TEST(WindowHandlersTest, TheProgramsFolderIsWhereThisExecutableLies) {
  Window w;
  const std::u16string folder = w.handlers.ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_FALSE(IsFolderSeparator(folder.back()));
}

}  // namespace
}  // namespace kalvenix

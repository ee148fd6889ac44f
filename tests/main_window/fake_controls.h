// FakeControls: the window's controls as plain data, recording what the
// handlers do to them. Setting cmbType's ListIndex raises its Click through
// `on_type_click`, as both toolkits do.
#ifndef KALVENIX_TESTS_MAIN_WINDOW_FAKE_CONTROLS_H_
#define KALVENIX_TESTS_MAIN_WINDOW_FAKE_CONTROLS_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fake_open_dialog.h"
#include "main_window/window_controls.h"

namespace kalvenix {

struct FakeList {
  std::vector<std::u16string> entries;
  std::vector<bool> selected;
  int32_t index = -1;
};

class FakeControls final : public WindowControls {
 public:
  void AddItem(Control list, const std::u16string& text) override {
    Log("AddItem");
    lists[list].entries.push_back(text);
    lists[list].selected.push_back(false);
  }
  void RemoveItem(Control list, int32_t position) override {
    Log("RemoveItem(" + std::to_string(position) + ")");
    FakeList& made = lists[list];
    made.entries.erase(made.entries.begin() + position);
    made.selected.erase(made.selected.begin() + position);
  }
  int32_t ListCount(Control list) const override {
    Log("ListCount");
    return static_cast<int32_t>(lists[list].entries.size());
  }
  std::u16string List(Control list, int32_t position) const override {
    const FakeList& read = lists[list];
    return position >= 0 && position < static_cast<int32_t>(read.entries.size())
               ? read.entries[static_cast<size_t>(position)]
               : std::u16string();
  }
  bool Selected(Control list, int32_t position) const override {
    Log("Selected(" + std::to_string(position) + ")");
    return lists[list].selected.at(static_cast<size_t>(position));
  }
  int32_t SelCount(Control list) const override {
    Log("SelCount");
    int32_t count = 0;
    for (bool selected : lists[list].selected) count += selected ? 1 : 0;
    return count;
  }
  int32_t ListIndex(Control list) const override {
    Log("ListIndex");
    return lists[list].index;
  }
  void SetListIndex(Control list, int32_t position) override {
    Log("SetListIndex(" + std::to_string(position) + ")");
    lists[list].index = position;
    if (list == Control::kCmbType && on_type_click) on_type_click();
  }
  void SetVisible(Control control, bool visible) override {
    Log(Name(control) + (visible ? ".Visible=1" : ".Visible=0"));
    this->visible[control] = visible;
  }
  std::u16string Text(Control control) const override {
    if (control != Control::kCmbType) return texts[control];
    const FakeList& types = lists[Control::kCmbType];
    return types.index < 0 ? std::u16string() : types.entries.at(static_cast<size_t>(types.index));
  }
  int32_t Value(Control) const override { return check_value; }
  void SetFocus(Control control) override {
    Log("SetFocus(" + Name(control) + ")");
    focus = control;
  }
  OpenDialog& Dialog() override { return dialog; }
  void ShowMessage(const std::u16string& text) override {
    Log("ShowMessage");
    messages.push_back(text);
  }
  void SetWaitCursor(bool wait) override { Log(wait ? "Wait=1" : "Wait=0"); }
  void Unload() override { Log("Unload"); }

  static std::string Name(Control control) {
    switch (control) {
      case Control::kCmbType: return "cmbType";
      case Control::kLstFiles: return "lstFiles";
      case Control::kLblQuali: return "lblQuali";
      case Control::kTxtQuali: return "txtQuali";
      case Control::kChkTrans: return "chkTrans";
      case Control::kTxtWidth: return "txtWidth";
      case Control::kTxtHeight: return "txtHeight";
    }
    return "?";
  }

  mutable std::map<Control, FakeList> lists;
  std::map<Control, bool> visible;
  mutable std::map<Control, std::u16string> texts;
  int32_t check_value = 0;
  Control focus = Control::kLstFiles;
  std::vector<std::u16string> messages;
  FakeOpenDialog dialog;
  std::function<void()> on_type_click;
  // Every operation that changes a control, and the reads the rules depend on.
  mutable std::vector<std::string> log;

 private:
  void Log(std::string entry) const { log.push_back(std::move(entry)); }
};

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_MAIN_WINDOW_FAKE_CONTROLS_H_

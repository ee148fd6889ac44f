// WindowDriver: drives a window as a user would, through QTest's keys and
// clicks, finding each control by its objectName (its role name). A control
// that is not there ends the test run at once (qFatal): every later step
// would be meaningless. User-interface thread only.
#ifndef KALVENIX_TESTS_SUPPORT_WINDOW_DRIVER_H_
#define KALVENIX_TESTS_SUPPORT_WINDOW_DRIVER_H_

#include <QString>
#include <QStringList>
#include <QWidget>

namespace kalvenix::testing {

class WindowDriver {
 public:
  // The window is attached later by a harness that builds it.
  WindowDriver() = default;
  explicit WindowDriver(QWidget* window) : window_(window) {}
  void Attach(QWidget* window) { window_ = window; }

  template <typename Control>
  Control* Get(const char* name) const {
    auto* control = window_->findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) Missing(name);
    return control;
  }

  // Shows the window and waits until it has the focus, as after a start.
  void ShowAndActivate();
  // Focuses cmbType and picks the entry at `position` with the keyboard.
  void ChooseType(int position);
  // Replaces the text of the line edit `name` by typing.
  void TypeInto(const char* name, const QString& text);
  void Click(const char* name);
  // lstFiles' entries, top to bottom, and a click on one of them.
  QStringList Entries() const;
  void ClickEntry(int row);

 private:
  [[noreturn]] static void Missing(const char* name);

  QWidget* window_ = nullptr;
};

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_WINDOW_DRIVER_H_

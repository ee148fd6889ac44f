// MessageBoxCloser: for Qt tests whose code under test shows message boxes.
// While it lives, every message box that comes up is noted (what it shows,
// its owner, and whether the application's wait cursor was lifted for it)
// and closed with its first button. Checks belong after the click that led
// to the box: a failed check inside the timer would leave the box open and
// the test hanging. Header-only; user-interface thread only.
#ifndef KALVENIX_TESTS_SUPPORT_MESSAGE_BOX_CLOSER_H_
#define KALVENIX_TESTS_SUPPORT_MESSAGE_BOX_CLOSER_H_

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace kalvenix::testing {

struct SeenMessageBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  qsizetype buttons = 0;
  QMessageBox::StandardButton first_button = QMessageBox::NoButton;  // the one clicked
  QWidget* parent = nullptr;
  bool cursor_lifted = false;
};

class MessageBoxCloser {
 public:
  MessageBoxCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      const QList<QAbstractButton*> buttons = box->buttons();
      boxes.push_back({box->windowTitle(), box->text(), box->icon(), buttons.size(),
                       box->standardButton(buttons.value(0)), box->parentWidget(),
                       QApplication::overrideCursor() == nullptr});
      if (buttons.isEmpty())
        box->reject();
      else
        buttons.front()->click();
    });
    timer_.start(10);
  }

  QStringList texts() const {
    QStringList all;
    for (const SeenMessageBox& box : boxes) all << box.text;
    return all;
  }
  std::vector<bool> cursor_lifted() const {
    std::vector<bool> all;
    for (const SeenMessageBox& box : boxes) all.push_back(box.cursor_lifted);
    return all;
  }

  std::vector<SeenMessageBox> boxes;

 private:
  QTimer timer_;
};

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_MESSAGE_BOX_CLOSER_H_

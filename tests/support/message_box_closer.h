// MessageBoxCloser: for Qt tests that drive the window through a batch.
// While it lives, every message box that comes up is noted (its text, and
// whether the application's wait cursor was lifted for it) and closed with
// OK. Checks belong after the click: a failed check inside the timer would
// leave the box open and the test hanging. Header-only, so that suites
// without Qt need not link Qt; user-interface thread only.
#ifndef KALVENIX_TESTS_SUPPORT_MESSAGE_BOX_CLOSER_H_
#define KALVENIX_TESTS_SUPPORT_MESSAGE_BOX_CLOSER_H_

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace kalvenix::testing {

class MessageBoxCloser {
 public:
  MessageBoxCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      texts << box->text();
      cursor_lifted.push_back(QApplication::overrideCursor() == nullptr);
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start(10);
  }

  QStringList texts;
  std::vector<bool> cursor_lifted;

 private:
  QTimer timer_;
};

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_MESSAGE_BOX_CLOSER_H_

#include "window_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QtGlobal>

namespace kalvenix::testing {

void WindowDriver::Missing(const char* name) { qFatal("no control %s", name); }

void WindowDriver::ShowAndActivate() {
  window_->show();
  QApplication::setActiveWindow(window_);
  if (!QTest::qWaitForWindowActive(window_)) qFatal("window not active");
}

void WindowDriver::ChooseType(int position) {
  auto* combo = Get<QComboBox>("cmbType");
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Home);
  for (int i = 0; i < position; ++i) QTest::keyClick(combo, Qt::Key_Down);
}

void WindowDriver::TypeInto(const char* name, const QString& text) {
  auto* box = Get<QLineEdit>(name);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}

void WindowDriver::Click(const char* name) {
  QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton);
}

QStringList WindowDriver::Entries() const {
  QStringList entries;
  auto* list = Get<QListWidget>("lstFiles");
  for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
  return entries;
}

void WindowDriver::ClickEntry(int row) {
  auto* list = Get<QListWidget>("lstFiles");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(row)).center());
}

}  // namespace kalvenix::testing

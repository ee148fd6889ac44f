#include "main_window/busy_cursor.h"

#include <QApplication>

namespace kalvenix {

// Qt keeps override cursors on a stack; every set here is matched by exactly
// one restore, so a cursor someone else set stays as it was.
BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

LiftedCursor::LiftedCursor(const BusyCursor* busy) : lifted_(busy != nullptr) {
  if (lifted_) QApplication::restoreOverrideCursor();
}

LiftedCursor::~LiftedCursor() {
  if (lifted_) QApplication::setOverrideCursor(Qt::WaitCursor);
}

}  // namespace kalvenix

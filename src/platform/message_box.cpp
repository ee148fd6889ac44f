#include "platform/message_box.h"

#include <QMessageBox>

namespace kalvenix {

void ShowMessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(parent);
  box.setObjectName(QStringLiteral("messageBox"));
  box.setWindowTitle(QString::fromUtf16(kApplicationTitle));
  box.setIcon(QMessageBox::NoIcon);
  // A file name in a message must never be read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

}  // namespace kalvenix

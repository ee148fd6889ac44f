#include "file_dialog_driver.h"

#include <QApplication>
#include <QLineEdit>
#include <utility>

namespace kalvenix::testing {

FileDialogDriver::FileDialogDriver(User user)
    : FileDialogDriver([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
                       std::move(user)) {}

FileDialogDriver::FileDialogDriver(Finder finder, User user)
    : finder_(std::move(finder)), user_(std::move(user)) {
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    QFileDialog* dialog = finder_();
    if (ran_ || dialog == nullptr || !dialog->isVisible()) return;
    ran_ = true;
    timer_.stop();
    failure_ = user_(*dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  timer_.start(10);
}

QString FileDialogDriver::Failure() const {
  if (!ran_) return QStringLiteral("the file dialog never came up");
  return failure_;
}

QString TypeNames(QFileDialog& dialog, const QString& folder, const QString& typed) {
  dialog.setDirectory(folder);
  auto* name_field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (name_field == nullptr) return QStringLiteral("the dialog has no name field");
  name_field->setText(typed);
  return {};
}

QString Quoted(const QStringList& names) {
  QStringList quoted;
  for (const QString& name : names) quoted << '"' + name + '"';
  return quoted.join(' ');
}

}  // namespace kalvenix::testing

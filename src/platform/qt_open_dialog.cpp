#include "platform/qt_open_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace kalvenix {

namespace {

// "Bilder (...)|*.bmp;*.gif" becomes "Bilder (...) (*.bmp *.gif)"; the dialog
// hides the trailing pattern list, so the user sees the description as given.
bool ParseFilter(const QString& filter, QStringList* name_filters) {
  name_filters->clear();
  if (filter.isEmpty()) return true;
  const QStringList pieces = filter.split(u'|');
  if (pieces.size() % 2 != 0) return false;
  for (qsizetype i = 0; i < pieces.size(); i += 2) {
    QStringList patterns = pieces[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) pattern = pattern.trimmed();
    if (patterns.isEmpty()) return false;
    name_filters->append(pieces[i] + QStringLiteral(" (") + patterns.join(u' ') + u')');
  }
  return true;
}

}  // namespace

std::u16string JoinFileSelection(const QStringList& chosen_paths) {
  if (chosen_paths.isEmpty()) return {};
  if (chosen_paths.size() == 1) return chosen_paths.front().toStdU16String();
  // A typed name may lead out of the folder ("../x.jpg"); relative to the
  // first file's folder it still joins back to the file the user meant.
  const QDir folder = QFileInfo(chosen_paths.front()).absoluteDir();
  QString joined = folder.absolutePath();
  for (const QString& path : chosen_paths) {
    joined += QChar(u'\0');
    joined += folder.relativeFilePath(path);
  }
  return joined.toStdU16String();
}

QtOpenDialog::QtOpenDialog(QWidget* parent) : parent_(parent) {}

QtOpenDialog::~QtOpenDialog() = default;

DialogError QtOpenDialog::SetCancelError(bool cancel_error) {
  cancel_error_ = cancel_error;
  return DialogError::kNone;
}

DialogError QtOpenDialog::SetMaxFileSize(int16_t max_file_size) {
  // Qt hands back any number of names, so the size only gets checked; a
  // large selection is never cut short.
  return max_file_size >= 1 ? DialogError::kNone : DialogError::kInvalidSetting;
}

DialogError QtOpenDialog::SetFilter(const std::u16string& filter) {
  QStringList parsed;
  if (!ParseFilter(QString::fromStdU16String(filter), &parsed)) return DialogError::kInvalidSetting;
  name_filters_ = parsed;
  return DialogError::kNone;
}

DialogError QtOpenDialog::SetDialogTitle(const std::u16string& title) {
  title_ = QString::fromStdU16String(title);
  return DialogError::kNone;
}

DialogError QtOpenDialog::SetFlags(int32_t flags) {
  flags_ = flags;
  return DialogError::kNone;
}

DialogError QtOpenDialog::ShowOpen() {
  if (!dialog_) {
    dialog_ = std::make_unique<QFileDialog>(parent_);
    dialog_->setObjectName(QStringLiteral("comdlg"));
    dialog_->setOption(QFileDialog::DontUseNativeDialog);
    dialog_->setOption(QFileDialog::HideNameFilterDetails);
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
  }
  dialog_->setWindowTitle(title_);
  dialog_->setNameFilters(name_filters_.isEmpty() ? QStringList{QString()} : name_filters_);
  dialog_->setFileMode((flags_ & kDialogAllowMultiSelect) != 0 ? QFileDialog::ExistingFiles
                                                               : QFileDialog::ExistingFile);
  showing_ = true;
  const int outcome = dialog_->exec();
  showing_ = false;
  const QStringList chosen = dialog_->selectedFiles();
  if (outcome != QDialog::Accepted || chosen.isEmpty())
    return cancel_error_ ? DialogError::kCancelled : DialogError::kNone;
  file_name_ = JoinFileSelection(chosen);
  return DialogError::kNone;
}

DialogError QtOpenDialog::FileName(std::u16string* file_name) const {
  *file_name = file_name_;
  return DialogError::kNone;
}

QFileDialog* QtOpenDialog::ShownDialog() const { return showing_ ? dialog_.get() : nullptr; }

}  // namespace kalvenix

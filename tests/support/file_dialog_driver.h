// FileDialogDriver: acts on a modal file dialog as a user would, from inside
// its event loop. While the object lives it watches for the dialog; once it
// is up, `user` runs on it once, and whatever `user` did, the dialog is then
// closed (rejected) if it is still open, so a test never hangs on it.
// Nothing is checked inside: `user` returns what went wrong, and the test
// checks Failure() after the call that showed the dialog has returned.
// User-interface thread only.
#ifndef KALVENIX_TESTS_SUPPORT_FILE_DIALOG_DRIVER_H_
#define KALVENIX_TESTS_SUPPORT_FILE_DIALOG_DRIVER_H_

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace kalvenix::testing {

class FileDialogDriver {
 public:
  // The dialog once it is shown, else null.
  using Finder = std::function<QFileDialog*()>;
  // Returns an empty text, or what went wrong.
  using User = std::function<QString(QFileDialog&)>;

  // Finds the application's active modal file dialog.
  explicit FileDialogDriver(User user);
  FileDialogDriver(Finder finder, User user);
  FileDialogDriver(const FileDialogDriver&) = delete;
  FileDialogDriver& operator=(const FileDialogDriver&) = delete;

  // Empty when the dialog came up and `user` succeeded on it.
  QString Failure() const;

 private:
  Finder finder_;
  User user_;
  bool ran_ = false;
  QString failure_;
  QTimer timer_;
};

// What a user does in the dialog: goes to `folder` and types `typed` into the
// name field. Confirming is the caller's step.
QString TypeNames(QFileDialog& dialog, const QString& folder, const QString& typed);

// Names as typed for several files at once: each in quotes, space-separated.
QString Quoted(const QStringList& names);

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_FILE_DIALOG_DRIVER_H_

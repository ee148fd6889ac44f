// QtOpenDialog: OpenDialog on Qt's own (non-native) file dialog.
//
// The QFileDialog is made on first use as a child of `parent` and kept, so a
// later use opens in the folder the previous one left. The adapter owns it and
// must be destroyed before `parent` (a member of the parent does that).
// User-interface thread only.
#ifndef KALVENIX_PLATFORM_QT_OPEN_DIALOG_H_
#define KALVENIX_PLATFORM_QT_OPEN_DIALOG_H_

#include <QString>
#include <QStringList>
#include <memory>

#include "platform/open_dialog.h"

class QFileDialog;
class QWidget;

namespace kalvenix {

class QtOpenDialog final : public OpenDialog {
 public:
  explicit QtOpenDialog(QWidget* parent);
  ~QtOpenDialog() override;

  DialogError SetCancelError(bool cancel_error) override;
  DialogError SetMaxFileSize(int16_t max_file_size) override;
  DialogError SetFilter(const std::u16string& filter) override;
  DialogError SetDialogTitle(const std::u16string& title) override;
  DialogError SetFlags(int32_t flags) override;
  DialogError ShowOpen() override;
  DialogError FileName(std::u16string* file_name) const override;

  // The dialog while ShowOpen runs (tests drive it from a timer), else null.
  QFileDialog* ShownDialog() const;

 private:
  QWidget* parent_;
  std::unique_ptr<QFileDialog> dialog_;
  bool showing_ = false;
  bool cancel_error_ = false;
  int32_t flags_ = 0;
  QString title_;
  QStringList name_filters_;
  std::u16string file_name_;
};

// Joins what the user chose into FileName's form: one path as it is; several
// as their folder and their names relative to it, NUL-separated.
std::u16string JoinFileSelection(const QStringList& chosen_paths);

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_QT_OPEN_DIALOG_H_

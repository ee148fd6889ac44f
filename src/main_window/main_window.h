// MainWindow: the window `frmMain`, the program's whole user interface.
//
// Builds its controls (object names are the control names), runs its Load
// step (the four output types, then "JPG") and handles the six events: the
// output type shows only its options, "Add" and "Del" change the file list,
// "Konvertieren" runs the batch on whatever the controls hold at that moment,
// "Beenden" closes the window and ends the program.
//
// It is also the batch's view of the window and its surroundings: every read
// goes to the control afresh. The open dialog and the batch come in through
// seams so tests can replace them. While the batch runs the application shows
// the wait cursor, except while a message box waits for the user.
// User-interface thread only.
#ifndef KALVENIX_MAIN_WINDOW_MAIN_WINDOW_H_
#define KALVENIX_MAIN_WINDOW_MAIN_WINDOW_H_

#include <QWidget>
#include <functional>
#include <memory>

#include "conversion/conversion_window.h"
#include "platform/open_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kalvenix {

class BusyCursor;

inline constexpr char16_t kWindowCaption[] = u"Orbelia - Kalvenix";
inline constexpr char16_t kMakerAddress[] = u"www.orbelia.de";

class MainWindow final : public QWidget, public ConversionWindow, public ConversionSurroundings {
  Q_OBJECT

 public:
  // Makes the window's open dialog; the dialog is a child of `parent`.
  using DialogFactory = std::function<std::unique_ptr<OpenDialog>(QWidget* parent)>;
  using BatchRunner = std::function<void(const ConversionWindow&, ConversionSurroundings&)>;

  MainWindow(DialogFactory make_dialog, BatchRunner run_batch);
  ~MainWindow() override;

  // ConversionWindow
  int32_t EntryCount() const override;
  std::u16string EntryText(int32_t index) const override;
  std::u16string OutputTypeText() const override;
  int32_t OutputTypeIndex() const override;
  int32_t TransparencyState() const override;
  std::u16string QualityText() const override;
  std::u16string HeightText() const override;
  std::u16string WidthText() const override;

  // ConversionSurroundings
  void ShowMessage(const std::u16string& text) override;
  std::u16string ExecutableFolder() const override;

 private:
  void BuildControls();
  void ConnectEvents();
  void Load();
  void ShowOptionsForType();
  void AddFiles();
  void RemoveFiles();
  void ConvertFiles();
  void EndProgram();

  BatchRunner run_batch_;
  const BusyCursor* busy_ = nullptr;  // while a batch runs
  std::unique_ptr<OpenDialog> comdlg_;
  QPushButton* cmdAdd_ = nullptr;
  QPushButton* cmdDel_ = nullptr;
  QListWidget* lstFiles_ = nullptr;
  QComboBox* cmbType_ = nullptr;
  QLabel* lblQuali_ = nullptr;
  QLineEdit* txtQuali_ = nullptr;
  QCheckBox* chkTrans_ = nullptr;
  QLineEdit* txtWidth_ = nullptr;
  QLineEdit* txtHeight_ = nullptr;
  QPushButton* mndKonv_ = nullptr;
  QPushButton* cmdEnd_ = nullptr;
};

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_MAIN_WINDOW_H_

// MainWindow: the window `frmMain` in Qt Widgets.
//
// Builds the controls of the window's description (object names are the
// control names), hands every event to the shared handlers and does the
// handlers' control operations with Qt's widgets; nothing of the window's
// behaviour is decided here. The open dialog and the batch come in through
// seams so tests can replace them. User-interface thread only.
#ifndef KALVENIX_MAIN_WINDOW_QT_MAIN_WINDOW_H_
#define KALVENIX_MAIN_WINDOW_QT_MAIN_WINDOW_H_

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "main_window/window_controls.h"
#include "main_window/window_handlers.h"
#include "platform/open_dialog.h"

namespace kalvenix {

class MainWindow final : public QWidget, private WindowControls {
  Q_OBJECT

 public:
  // Makes the window's open dialog; the dialog is a child of `parent`.
  using DialogFactory = std::function<std::unique_ptr<OpenDialog>(QWidget* parent)>;
  using BatchRunner = WindowHandlers::BatchRunner;

  MainWindow(DialogFactory make_dialog, BatchRunner run_batch);
  ~MainWindow() override;

  // The batch's view of the window, as "Konvertieren" hands it over.
  const ConversionWindow& view() const { return handlers_; }

 private:
  // WindowControls
  void AddItem(Control list, const std::u16string& text) override;
  void RemoveItem(Control list, int32_t position) override;
  int32_t ListCount(Control list) const override;
  std::u16string List(Control list, int32_t position) const override;
  bool Selected(Control list, int32_t position) const override;
  int32_t SelCount(Control list) const override;
  int32_t ListIndex(Control list) const override;
  void SetListIndex(Control list, int32_t position) override;
  void SetVisible(Control control, bool visible) override;
  std::u16string Text(Control control) const override;
  int32_t Value(Control check_box) const override;
  void SetFocus(Control control) override;
  OpenDialog& Dialog() override;
  void ShowMessage(const std::u16string& text) override;
  void SetWaitCursor(bool wait) override;
  void Unload() override;

  void BuildControls();
  void ConnectEvents();
  QWidget* Widget(Control control) const;
  template <typename Kind>
  Kind* As(Control control) const;

  WindowHandlers handlers_;
  std::unique_ptr<OpenDialog> comdlg_;
  std::array<QWidget*, 7> controls_{};  // by Control
};

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_QT_MAIN_WINDOW_H_

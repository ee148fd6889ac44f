// WindowHandlers: the window's behaviour, once for every toolkit.
//
// The toolkit window builds its controls, makes a WindowHandlers over them
// and calls Load before it shows itself; afterwards it calls one handler per
// event: the Click of cmbType (ShowOptionsForType), of "Add", "Del",
// "Konvertieren" and "Beenden". Nothing else is handled.
//
// It is also the batch's view of the window: every read goes to the control
// afresh. The batch comes in through a seam so tests can replace it. While the
// batch runs the wait cursor shows, except while a message box waits for the
// user. User-interface thread only; the controls outlive the handlers.
#ifndef KALVENIX_MAIN_WINDOW_WINDOW_HANDLERS_H_
#define KALVENIX_MAIN_WINDOW_WINDOW_HANDLERS_H_

#include <functional>

#include "conversion/conversion_window.h"
#include "main_window/window_controls.h"

namespace kalvenix {

inline constexpr int32_t kGifPosition = 1;
inline constexpr int32_t kJpgPosition = 2;

class WindowHandlers final : public ConversionWindow, public ConversionSurroundings {
 public:
  using BatchRunner = std::function<void(const ConversionWindow&, ConversionSurroundings&)>;

  WindowHandlers(WindowControls& controls, BatchRunner run_batch);
  WindowHandlers(const WindowHandlers&) = delete;
  WindowHandlers& operator=(const WindowHandlers&) = delete;

  void Load();                // the four output types, "JPG" selected, focus in txtQuali
  void ShowOptionsForType();  // Click of cmbType
  void AddFiles();            // "Add"
  void RemoveFiles();         // "Del"
  void ConvertFiles();        // "Konvertieren"
  void EndProgram();          // "Beenden"

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
  WindowControls& controls_;
  BatchRunner run_batch_;
  bool busy_ = false;  // a batch runs
};

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_WINDOW_HANDLERS_H_

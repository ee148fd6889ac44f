// What the batch needs of its surroundings: a read-only view of the window's
// controls, a message box and the executable's folder.
//
// The window implements these; tests implement them with plain data. Texts are
// UTF-16 code units, as the controls hold them. Every read is made afresh by
// the batch, so an implementation returns the control's current state.
#ifndef KALVENIX_CONVERSION_CONVERSION_WINDOW_H_
#define KALVENIX_CONVERSION_CONVERSION_WINDOW_H_

#include <cstdint>
#include <string>

namespace kalvenix {

class ConversionWindow {
 public:
  virtual ~ConversionWindow() = default;

  virtual int32_t EntryCount() const = 0;                   // lstFiles.ListCount
  virtual std::u16string EntryText(int32_t index) const = 0;  // lstFiles.List(index)
  virtual std::u16string OutputTypeText() const = 0;        // cmbType.Text, empty if none
  virtual int32_t OutputTypeIndex() const = 0;              // cmbType.ListIndex, -1 if none
  virtual int32_t TransparencyState() const = 0;            // chkTrans.Value: 0, 1 or 2
  virtual std::u16string QualityText() const = 0;           // txtQuali.Text
  virtual std::u16string HeightText() const = 0;            // txtHeight.Text
  virtual std::u16string WidthText() const = 0;             // txtWidth.Text
};

class ConversionSurroundings {
 public:
  virtual ~ConversionSurroundings() = default;

  // A modal box with `text`, one OK button, no icon, caption "Kalvenix";
  // returns when the user has closed it.
  virtual void ShowMessage(const std::u16string& text) = 0;
  // The folder holding the running executable, without a trailing "/".
  virtual std::u16string ExecutableFolder() const = 0;
};

}  // namespace kalvenix

#endif  // KALVENIX_CONVERSION_CONVERSION_WINDOW_H_

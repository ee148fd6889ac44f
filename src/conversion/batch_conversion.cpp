#include "conversion/batch_conversion.h"

#include <cstdint>
#include <string>

#include "conversion/conversion_options.h"
#include "conversion/converter_registration.h"
#include "conversion/destination_path.h"
#include "conversion/text_to_number.h"
#include "platform/component_object.h"
#include "platform/linux_system_layer.h"
#include "platform/owned_text.h"
#include "platform/owned_variant.h"

namespace kalvenix {
namespace {

constexpr char kConverterProgId[] = "Dravimo.Compendium";
constexpr char16_t kConverterLibrary[] = u"/Quorvel.so";
constexpr char16_t kEmptyListMessage[] = u"Keine Dateien ausgewählt!";

struct EntryOptions {
  CompBool transparency = COMP_FALSE;
  int32_t quality = 100;
  int32_t height = 0;
  int32_t width = 0;
};

// Read afresh for every entry, in the window's order: transparency, quality,
// height, width, then the output type that decides which of them apply.
EntryOptions ReadOptions(const ConversionWindow& window) {
  const int32_t transparency_state = window.TransparencyState();
  const int32_t quality_number = TextToNumber(window.QualityText());
  EntryOptions options;
  options.height = TextToNumber(window.HeightText());
  options.width = TextToNumber(window.WidthText());
  options.transparency =
      TransparencyOption(transparency_state, window.OutputTypeIndex()) ? COMP_TRUE : COMP_FALSE;
  options.quality = QualityOption(quality_number, window.OutputTypeIndex());
  return options;
}

// A failure here is the converter's business (a picture it cannot read, a
// folder it cannot write): the batch skips the entry without a word.
void CallConvertEx(ComponentObject& converter, const std::u16string& source,
                   const std::u16string& destination, EntryOptions options) {
  try {
    OwnedText source_text(source);
    OwnedText destination_text(destination);
    CompVariant args[] = {TextArgument(source_text.get()),
                          TextReference(destination_text.storage()),
                          Int32Reference(&options.width),
                          Int32Reference(&options.height),
                          BoolReference(&options.transparency),
                          Int32Reference(&options.quality)};
    converter.Invoke("convertEx", args);  // the result means nothing to the batch
  } catch (...) {
  }
}

}  // namespace

void ConvertListedFiles(const ConversionWindow& window, ConversionSurroundings& surroundings) {
  if (window.EntryCount() == 0) {
    surroundings.ShowMessage(kEmptyListMessage);
    return;
  }
  // 64 bits, so that advancing past the last position of the longest
  // possible list cannot overflow.
  const int64_t last_position = window.EntryCount();
  LinuxSystemLayer system;
  ComponentObject converter;  // released when the batch ends

  for (int64_t position = 1; position <= last_position; ++position) {
    const auto index = static_cast<int32_t>(position - 1);
    const std::u16string destination =
        DestinationPath(window.EntryText(index), window.OutputTypeText());
    if (destination.empty()) continue;
    const EntryOptions options = ReadOptions(window);

    // A fresh converter for every entry; a failed creation keeps the one
    // held, and only a creation's own outcome decides on the fallback.
    if (ComponentObject::Create(kConverterProgId, &converter) != COMP_OK) {
      SelfRegisterLibrary(system, surroundings.ExecutableFolder() + kConverterLibrary, true);
      if (ComponentObject::Create(kConverterProgId, &converter) != COMP_OK) return;
    }
    CallConvertEx(converter, window.EntryText(index), destination, options);
  }
}

}  // namespace kalvenix

#include "conversion/batch_conversion.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "conversion/conversion_options.h"
#include "conversion/converter_registration.h"
#include "conversion/destination_path.h"
#include "conversion/failure_report.h"
#include "conversion/text_to_number.h"
#include "platform/component_object.h"
#include "platform/owned_text.h"
#include "platform/owned_variant.h"
#include "platform/system_paths.h"
#include "platform/utf_text.h"

namespace kalvenix {
namespace {

constexpr char kConverterProgId[] = "Dravimo.Compendium";
constexpr char16_t kEmptyListMessage[] = u"Keine Dateien ausgewählt!";
constexpr char16_t kNoTypeReason[] = u"Kein Zieltyp gewählt";
constexpr char16_t kEmptyPathReason[] = u"Kein Dateipfad";

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
// folder it cannot write): the batch notes its words and goes on. Our own
// failures come back the same way, so nothing escapes the loop.
CallOutcome CallConvertEx(ComponentObject& converter, const std::u16string& source,
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
    return converter.Invoke("convertEx", args);  // only the status matters to the batch
  } catch (const std::bad_alloc&) {
    return {COMP_E_OUT_OF_MEMORY, u"Nicht genug Speicher", {}};
  } catch (...) {
    return {COMP_E_INTERNAL, u"Interner Fehler", {}};
  }
}

// The converter lies beside the program, under its name on this system.
std::u16string ConverterPath(const std::u16string& folder) {
  return folder + FolderSeparator() + ConverterFileName();
}

// Only without a type can a path with a name come out empty.
std::u16string_view SkipReason(const ConversionWindow& window) {
  return window.OutputTypeText().empty() ? kNoTypeReason : kEmptyPathReason;
}

// The reason for the message: the runtime's status of the last attempt, and
// the loader's words when the registration could not even load the library.
std::u16string ConverterProblem(CompStatus status, SystemLayer& system) {
  return ConverterUnavailableReason(status, Utf8ToUtf16(system.LastLoadError()));
}

}  // namespace

void ConvertListedFiles(const ConversionWindow& window, ConversionSurroundings& surroundings,
                        SystemLayer& system) {
  if (window.EntryCount() == 0) {
    surroundings.ShowMessage(kEmptyListMessage);
    return;
  }
  // 64 bits, so that advancing past the last position of the longest
  // possible list cannot overflow.
  const int64_t last_position = window.EntryCount();
  FailureReport report;
  report.entry_count = last_position;
  {
    ComponentObject converter;  // released when the batch ends, before the message

    for (int64_t position = 1; position <= last_position; ++position) {
      const auto index = static_cast<int32_t>(position - 1);
      const std::u16string destination =
          DestinationPath(window.EntryText(index), window.OutputTypeText());
      if (destination.empty()) {
        report.AddFailedEntry(window.EntryText(index), SkipReason(window));
        continue;
      }
      const EntryOptions options = ReadOptions(window);

      // A fresh converter for every entry; a failed creation keeps the one
      // held, and only a creation's own outcome decides on the fallback.
      if (ComponentObject::Create(kConverterProgId, &converter) != COMP_OK) {
        SelfRegisterLibrary(system, ConverterPath(surroundings.ExecutableFolder()), true);
        const CompStatus status = ComponentObject::Create(kConverterProgId, &converter);
        if (status != COMP_OK) {
          report.ConverterUnavailable(ConverterProblem(status, system),
                                      last_position - position + 1);
          break;
        }
      }
      const std::u16string source = window.EntryText(index);
      const CallOutcome outcome = CallConvertEx(converter, source, destination, options);
      if (!outcome.ok()) report.AddFailedEntry(source, outcome.message);
    }
  }
  // One box at the end, not one per entry: a hundred failures must not take
  // a hundred clicks.
  const std::u16string message = FailureMessage(report);
  if (!message.empty()) surroundings.ShowMessage(message);
}

}  // namespace kalvenix

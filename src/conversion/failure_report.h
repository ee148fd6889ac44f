// FailureReport: what a batch could not convert, and the one message that
// tells the user so.
//
// The batch notes each entry that was not converted (with the converter's
// reason) and, when the converter itself could not be created, why and how
// many entries were left. FailureMessage words that; it is empty when every
// entry was converted, so a clean batch still shows nothing. Only the first
// kListedFailures entries are kept by name, so a long list of failures costs
// no more than a short one. Plain data and pure functions; safe to use from
// one thread at a time.
#ifndef KALVENIX_CONVERSION_FAILURE_REPORT_H_
#define KALVENIX_CONVERSION_FAILURE_REPORT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component_abi.h"

namespace kalvenix {

// More names than this would push the box past the screen; the rest are counted.
inline constexpr size_t kListedFailures = 10;

// The converter library's file name on this system ("Quorvel.so",
// "Quorvel.dll"), which the user finds beside the program.
std::u16string ConverterFileName();

struct FailedEntry {
  std::u16string path;    // as listed
  std::u16string reason;  // German, never empty
};

struct FailureReport {
  int64_t entry_count = 0;                // entries in the batch
  int64_t failed_entries = 0;             // entries that failed one by one
  std::vector<FailedEntry> listed;        // the first kListedFailures of them
  int64_t entries_without_converter = 0;  // entries left when no converter could be made
  std::u16string converter_reason;        // why; German

  // `reason` may be empty (a converter that gives none); a fallback stands in.
  void AddFailedEntry(std::u16string_view path, std::u16string_view reason);
  void ConverterUnavailable(std::u16string_view reason, int64_t entries_left);
  bool AllConverted() const { return failed_entries == 0 && entries_without_converter == 0; }
};

// The message for the end of the batch; empty when everything was converted.
std::u16string FailureMessage(const FailureReport& report);

// Why the converter object could not be created, from the runtime's status of
// the last creation and, when a library load failed on the way, the system's
// own words for it (English, from the loader; may be empty).
std::u16string ConverterUnavailableReason(CompStatus status, std::u16string_view load_error);

// The last component of `path` (after the system's last folder separator),
// what the user sees in a folder; the whole path when that is empty.
std::u16string_view FileNameOf(std::u16string_view path);

}  // namespace kalvenix

#endif  // KALVENIX_CONVERSION_FAILURE_REPORT_H_

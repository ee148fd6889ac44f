// The converter's failure codes and their short messages.
//
// Codes are int32_t and start at COMP_E_COMPONENT_FIRST, so they travel
// unchanged through the component ABI as the status of a failed convertEx.
// One convention throughout the converter: a step returns a Status, never
// throws for control flow, and a codec or pipeline stage that failed keeps
// returning that same failure. Only allocation throws (std::bad_alloc); it is
// caught at ConvertPicture and the component's exports, and where it would
// otherwise leave a thread or unwind through a C library's callback.
// Thread-safety: pure data and pure functions.
#ifndef KALVENIX_CONVERTER_BASE_ERROR_H_
#define KALVENIX_CONVERTER_BASE_ERROR_H_

#include <cstdint>
#include <string>
#include <utility>

namespace quorvel {

enum class Error : int32_t {
  kOk = 0,
  kBadArguments = 100,    // convertEx called with the wrong count or types
  kCannotRead = 101,      // the source cannot be opened or read
  kUnknownFormat = 102,   // no signature of a supported format
  kCorruptJpeg = 103,
  kCorruptPng = 104,
  kCorruptGif = 105,
  kCorruptBmp = 106,
  kUnsupported = 107,     // a valid file using a feature we do not read
  kTooLarge = 108,        // beyond the pixel or memory limits
  kUnknownSuffix = 109,   // the destination's suffix names no output type
  kCannotWrite = 110,     // folder missing or not writable, rename failed
  kDiskFull = 111,
  kEncodeFailed = 112,
  kOutOfMemory = 113,
  // 114 stays unused: a codec used after a failure returns that failure.
  kInternal = 115,
  kSourceChanged = 116,   // the source changed or vanished while it was read
  kDestinationIsSource = 117,  // writing the destination would replace the source
};

// A short German, user-facing message; every code has one (the switch
// has no default, so a new code without a message breaks the build).
const char* ErrorMessage(Error error);

// One outcome: a code plus what the code alone does not say (a path, a
// library's own words). Cheap to pass by value.
struct Status {
  Error code = Error::kOk;
  std::string context;

  bool ok() const { return code == Error::kOk; }
  static Status Ok() { return {}; }
};

inline Status Fail(Error code, std::string context = {}) {
  return Status{code, std::move(context)};
}

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_ERROR_H_

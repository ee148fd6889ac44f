// The output type, named by the destination's suffix.
//
// Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_BASE_OUTPUT_TYPE_H_
#define KALVENIX_CONVERTER_BASE_OUTPUT_TYPE_H_

#include <optional>
#include <string_view>

namespace quorvel {

enum class OutputType { kBmp, kGif, kJpeg, kPng };

// The suffix after the last "." of the file name, without case: BMP, GIF,
// JPG, JPEG or PNG. A name without a suffix (the batch makes "PNG" of a
// source without any ".") or with any other suffix gives nothing.
std::optional<OutputType> OutputTypeFromPath(std::string_view path);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_OUTPUT_TYPE_H_

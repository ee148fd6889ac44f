// Reading a PNG through libspng.
//
// Every colour type and bit depth, palette and tRNS transparency, Adam7
// interlacing; 16-bit samples are reduced to 8. The picture comes out as RGB,
// or RGBA when the file has an alpha channel or tRNS. gAMA and cHRM are not
// applied (an iCCP profile is, by the colour step). Thread-safety: reentrant;
// each call owns its libspng context.
#ifndef KALVENIX_CONVERTER_PNG_READER_H_
#define KALVENIX_CONVERTER_PNG_READER_H_

#include <cstdint>
#include <span>

#include "converter/error.h"
#include "converter/image.h"
#include "converter/source_picture.h"

namespace quorvel {

Status ReadPng(std::span<const uint8_t> file, TargetBox box, SourcePicture* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PNG_READER_H_

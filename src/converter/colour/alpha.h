// Alpha helpers shared by the writers.
//
// Thread-safety: pure functions.
#ifndef KALVENIX_CONVERTER_COLOUR_ALPHA_H_
#define KALVENIX_CONVERTER_COLOUR_ALPHA_H_

#include <cstdint>

#include "converter/base/image.h"

namespace quorvel {

// True when some pixel is not fully opaque; an RGBA picture whose alpha is
// 255 everywhere is written like an RGB one.
bool HasTransparency(const Image& image);

// RGBA (straight alpha) composited onto white, as RGB.
void FlattenRowOntoWhite(const uint8_t* rgba, uint32_t width, uint8_t* rgb);

// RGBA to RGB, dropping alpha.
void DropAlphaRow(const uint8_t* rgba, uint32_t width, uint8_t* rgb);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COLOUR_ALPHA_H_

// Bringing a reader's pixels into sRGB.
//
// An embedded ICC profile is converted through Little CMS 2; a profile that
// does not parse or does not describe the pixels' colour space is ignored,
// as viewers do. CMYK without a usable profile goes through the usual
// inverse (RGB = (1 - C)(1 - K), ...). Afterwards the picture is RGB or RGBA.
//
// Thread-safety: thread-safe. Transforms are built once per distinct profile
// and kept for the process (a few of them), shared between threads.
#ifndef KALVENIX_CONVERTER_COLOUR_PROFILE_H_
#define KALVENIX_CONVERTER_COLOUR_PROFILE_H_

#include "converter/error.h"
#include "converter/source_picture.h"

namespace quorvel {

Status ConvertToSrgb(SourcePicture* picture);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COLOUR_PROFILE_H_

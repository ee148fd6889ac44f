// Bringing a reader's pixels into sRGB.
//
// An embedded ICC profile is converted through Little CMS 2; a profile that
// does not parse or does not describe the pixels' colour space is ignored,
// as viewers do. CMYK without a usable profile goes through the usual
// inverse (RGB = (1 - C)(1 - K), ...). Afterwards the picture is RGB or RGBA.
//
// Thread-safety: thread-safe.
#ifndef KALVENIX_CONVERTER_COLOUR_COLOUR_PROFILE_H_
#define KALVENIX_CONVERTER_COLOUR_COLOUR_PROFILE_H_

#include "converter/base/error.h"
#include "converter/base/source_picture.h"
#include "converter/colour/srgb_transform_cache.h"

namespace quorvel {

// `transforms` keeps built transforms for later pictures; may be null.
Status ConvertToSrgb(SourcePicture* picture, SrgbTransformCache* transforms = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COLOUR_COLOUR_PROFILE_H_

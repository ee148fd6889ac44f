// Reading a GIF through giflib, from memory.
//
// Only the first frame counts. It is drawn onto the logical screen, which
// starts fully transparent, so a frame smaller than the screen keeps its
// place; pixels of the transparent index stay transparent. The result is
// RGBA when any pixel of the screen is transparent, RGB otherwise. A screen
// of zero size takes the frame's extent. Interlaced frames are put back in
// order; the local palette wins over the global one. A frame whose LZW
// minimum code size giflib refuses (9 to 11) goes through our own decoder
// (gif_lzw.h), with the same outcome for damaged data; 12 and above fail.
// Thread-safety: reentrant; each call owns its giflib handle.
#ifndef KALVENIX_CONVERTER_READ_GIF_READER_H_
#define KALVENIX_CONVERTER_READ_GIF_READER_H_

#include <cstdint>
#include <span>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/source_picture.h"

namespace quorvel {

Status ReadGif(std::span<const uint8_t> file, TargetBox box, SourcePicture* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_GIF_READER_H_

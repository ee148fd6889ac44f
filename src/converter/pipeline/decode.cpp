#include "converter/pipeline/decode.h"

#include <utility>
#include <vector>

#include "converter/colour/colour_profile.h"
#include "converter/read/bmp_reader.h"
#include "converter/read/gif_reader.h"
#include "converter/read/jpeg_reader.h"
#include "converter/read/png_reader.h"
#include "converter/read/sniff.h"
#include "converter/resample/orientation.h"

namespace quorvel {
namespace {

Status Read(std::span<const uint8_t> file, TargetBox box, SourcePicture* picture,
            BufferPool* buffers) {
  const auto storage = [&] { return buffers ? buffers->Take() : std::vector<uint8_t>(); };
  switch (SniffFormat(file)) {
    case PictureFormat::kJpeg: return ReadJpeg(file, box, picture, storage());
    case PictureFormat::kPng: return ReadPng(file, box, picture, storage());
    case PictureFormat::kGif: return ReadGif(file, box, picture);
    case PictureFormat::kBmp: return ReadBmp(file, box, picture, storage());
    case PictureFormat::kUnknown: break;
  }
  return Fail(Error::kUnknownFormat, file.empty() ? "leere Datei" : "keine bekannte Signatur");
}

Status DecodeSteps(std::span<const uint8_t> file, TargetBox box, DecodedPicture* out,
                   SrgbTransformCache* transforms, BufferPool* buffers) {
  SourcePicture picture;
  if (Status s = Read(file, box, &picture, buffers); !s.ok()) return s;
  if (Status s = ConvertToSrgb(&picture, transforms); !s.ok()) return s;
  if (Status s = ApplyOrientation(picture.orientation, &picture.image); !s.ok()) return s;
  const PictureSize upright =
      UprightSize({picture.stored_width, picture.stored_height}, picture.orientation);
  out->image = std::move(picture.image);
  out->full_width = upright.width;
  out->full_height = upright.height;
  out->shrink = ShrinkOnLoadFor(picture.stored_width, picture.stored_height,
                                picture.dct_denominator, picture.orientation);
  return Status::Ok();
}

}  // namespace

Status DecodePicture(std::span<const uint8_t> file, TargetBox box, DecodedPicture* out,
                     SrgbTransformCache* transforms, BufferPool* buffers) {
  DecodedPicture decoded;
  Status status = DecodeSteps(file, box, &decoded, transforms, buffers);
  if (status.ok()) *out = std::move(decoded);
  return status;
}

}  // namespace quorvel

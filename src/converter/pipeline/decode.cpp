#include "converter/pipeline/decode.h"

#include <utility>

#include "converter/colour/colour_profile.h"
#include "converter/read/bmp_reader.h"
#include "converter/read/gif_reader.h"
#include "converter/read/jpeg_reader.h"
#include "converter/read/png_reader.h"
#include "converter/read/sniff.h"
#include "converter/resample/orientation.h"

namespace quorvel {
namespace {

Status Read(std::span<const uint8_t> file, TargetBox box, SourcePicture* picture) {
  switch (SniffFormat(file)) {
    case PictureFormat::kJpeg: return ReadJpeg(file, box, picture);
    case PictureFormat::kPng: return ReadPng(file, box, picture);
    case PictureFormat::kGif: return ReadGif(file, box, picture);
    case PictureFormat::kBmp: return ReadBmp(file, box, picture);
    case PictureFormat::kUnknown: break;
  }
  return Fail(Error::kUnknownFormat, file.empty() ? "leere Datei" : "keine bekannte Signatur");
}

Status DecodeSteps(std::span<const uint8_t> file, TargetBox box, DecodedPicture* out,
                   SrgbTransformCache* transforms) {
  SourcePicture picture;
  if (Status s = Read(file, box, &picture); !s.ok()) return s;
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
                     SrgbTransformCache* transforms) {
  DecodedPicture decoded;
  Status status = DecodeSteps(file, box, &decoded, transforms);
  if (status.ok()) *out = std::move(decoded);
  return status;
}

}  // namespace quorvel

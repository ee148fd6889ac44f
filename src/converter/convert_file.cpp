#include "converter/convert_file.h"

#include <new>
#include <optional>

#include "converter/atomic_file.h"
#include "converter/decode.h"
#include "converter/jpeg_pipeline.h"
#include "converter/png_pipeline.h"
#include "converter/resample.h"
#include "converter/same_file.h"
#include "converter/source_file.h"

namespace quorvel {

Status ConvertPicture(std::span<const uint8_t> file, TargetBox box, OutputType type,
                      EncodeOptions options, std::vector<uint8_t>* encoded,
                      PictureSize* produced, ConverterContext* context) {
  try {
    std::optional<ConverterContext> own;
    if (context == nullptr) context = &own.emplace();
    bool handled = false;
    Status streamed =
        ConvertJpegInBands(file, box, type, options, encoded, produced, &handled, context);
    if (handled) return streamed;
    streamed = ConvertPngInBands(file, box, type, options, encoded, produced, &handled, context);
    if (handled) return streamed;
    DecodedPicture decoded;
    Status status = DecodePicture(file, box, &decoded, &context->colour_transforms());
    if (!status.ok()) return status;
    // The size rule applies to the whole upright picture, not to what a DCT
    // shrink made of it.
    PictureSize size;
    status = FitSize({decoded.full_width, decoded.full_height}, box, &size);
    if (!status.ok()) return status;
    Image resized;
    status = Resample(decoded.image, size.width, size.height, &resized, decoded.shrink,
                      &context->worker());
    if (!status.ok()) return status;
    decoded.image = Image{};  // give the decoded pixels back before encoding
    status = EncodePicture(resized, type, options, encoded);
    if (!status.ok()) return status;
    *produced = size;
    return Status::Ok();
  } catch (const std::bad_alloc&) {
    return Fail(Error::kOutOfMemory);
  }
}

Status ConvertFile(const std::string& source_path, const std::string& destination_path,
                   TargetBox box, bool transparency, int32_t quality, PictureSize* produced,
                   ConverterContext* context) {
  const std::optional<OutputType> type = OutputTypeFromPath(destination_path);
  if (!type) return Fail(Error::kUnknownSuffix, destination_path);
  SourceFile source_file;
  Status status = source_file.Open(source_path);
  if (!status.ok()) return status;
  if (NamesTheSource(destination_path, source_file.opened())) {
    return Fail(Error::kDestinationIsSource, destination_path);
  }
  std::vector<uint8_t> source;
  status = source_file.ReadAll(&source);
  if (!status.ok()) return status;
  std::vector<uint8_t> encoded;
  PictureSize size;
  status = ConvertPicture(source, box, *type, {transparency, quality}, &encoded, &size, context);
  if (!status.ok()) return status;
  source = {};
  status = WriteFileAtomically(destination_path, encoded, &source_file.opened());
  if (!status.ok()) return status;
  *produced = size;
  return Status::Ok();
}

}  // namespace quorvel

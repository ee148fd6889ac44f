#include "converter/pipeline/convert_file.h"

#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "converter/file/atomic_file.h"
#include "converter/file/same_file.h"
#include "converter/file/source_file.h"
#include "converter/pipeline/band_worker.h"
#include "converter/pipeline/conversion_plan.h"
#include "converter/pipeline/decode.h"
#include "converter/pipeline/jpeg_pipeline.h"
#include "converter/pipeline/png_pipeline.h"
#include "converter/resample/resample.h"

namespace quorvel {
namespace {

// The one place a conversion asks for the band worker: when the plan wants a
// second thread. Null when another conversion holds it; the paths then do
// all their work on this thread, with the same result.
std::unique_ptr<BandWorker::Lease> WorkerFor(const Plan& plan, ConverterContext* context) {
  return plan.two_threads ? context->worker().TryAcquire() : nullptr;
}

Status ConvertWholePicture(std::span<const uint8_t> file, TargetBox box, OutputType type,
                           EncodeOptions options, const Plan& plan, ConverterContext* context,
                           std::vector<uint8_t>* encoded, PictureSize* produced) {
  DecodedPicture decoded;
  Status status =
      DecodePicture(file, box, &decoded, &context->colour_transforms(), &context->buffers());
  if (!status.ok()) return status;
  // The size rule applies to the whole upright picture, not to what a DCT
  // shrink made of it.
  PictureSize size;
  status = FitSize({decoded.full_width, decoded.full_height}, box, &size);
  if (!status.ok()) return status;
  Image resized;
  {
    // Taken only now: the decode needs no second thread.
    std::unique_ptr<BandWorker::Lease> worker = WorkerFor(plan, context);
    status = Resample(decoded.image, size.width, size.height, &resized, decoded.shrink,
                      worker.get());
  }
  if (!status.ok()) return status;
  // The decoded pixels are done with before encoding.
  context->buffers().Give(std::move(decoded.image.pixels));
  status = EncodePicture(resized, type, options, encoded);
  if (!status.ok()) return status;
  *produced = size;
  return Status::Ok();
}

Status ConvertPlanned(std::span<const uint8_t> file, TargetBox box, OutputType type,
                      EncodeOptions options, ConverterContext* context,
                      std::vector<uint8_t>* encoded, PictureSize* produced) {
  const Plan plan = PlanConversion(ProbePicture(file), box, type);
  if (plan.route == Route::kWhole)
    return ConvertWholePicture(file, box, type, options, plan, context, encoded, produced);
  std::unique_ptr<BandWorker::Lease> worker = WorkerFor(plan, context);
  SrgbTransformCache* transforms = &context->colour_transforms();
  const Status status =
      plan.route == Route::kJpegBands
          ? ConvertJpegInBands(file, box, type, options, plan, worker.get(), encoded, transforms)
          : ConvertPngInBands(file, box, type, options, plan, worker.get(), encoded, transforms);
  if (status.ok()) *produced = plan.size;
  return status;
}

}  // namespace

Status ConvertPicture(std::span<const uint8_t> file, TargetBox box, OutputType type,
                      EncodeOptions options, std::vector<uint8_t>* encoded,
                      PictureSize* produced, ConverterContext* context) {
  // The in-memory entry of the converter: below it only the band worker's
  // task and giflib's write callback catch, so an allocation that fails
  // anywhere else in a conversion ends up here.
  try {
    std::optional<ConverterContext> own;
    if (context == nullptr) context = &own.emplace();
    return ConvertPlanned(file, box, type, options, context, encoded, produced);
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
  std::optional<ConverterContext> own;
  if (context == nullptr) context = &own.emplace();
  std::vector<uint8_t> source = context->buffers().Take();
  status = source_file.ReadAll(&source);
  if (!status.ok()) return status;
  std::vector<uint8_t> encoded;
  PictureSize size;
  status = ConvertPicture(source, box, *type, {transparency, quality}, &encoded, &size, context);
  context->buffers().Give(std::move(source));
  if (!status.ok()) return status;
  status = WriteFileAtomically(destination_path, encoded, &source_file.opened());
  if (!status.ok()) return status;
  *produced = size;
  return Status::Ok();
}

}  // namespace quorvel

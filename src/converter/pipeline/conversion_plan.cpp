#include "converter/pipeline/conversion_plan.h"

#include "converter/resample/dct_scale.h"
#include "converter/resample/fit_size.h"
#include "converter/resample/orientation.h"

namespace quorvel {
namespace {

// Below this many decoded pixels handing half the resampled rows to the
// second thread costs more than it saves.
constexpr uint64_t kSplitPixels = 512 * 1024;

}  // namespace

Plan PlanConversion(const PictureHeader& header, TargetBox box, OutputType type) {
  Plan plan;
  if (!header.readable) return plan;
  const PictureSize upright =
      UprightSize({header.stored_width, header.stored_height}, header.orientation);
  if (!FitSize(upright, box, &plan.size).ok()) {
    plan.size = {};
    plan.why = WholeBecause::kSize;
    return plan;
  }
  const bool jpeg = header.format == PictureFormat::kJpeg;
  if (jpeg)
    plan.dct_denominator =
        ChooseDctDenominator(header.stored_width, header.stored_height, header.orientation, box);
  // What the decoder hands on, still as stored, against what is written,
  // turned back into the stored axes: band routes resample as stored.
  const PictureSize decoded = {ScaledSide(header.stored_width, plan.dct_denominator),
                               ScaledSide(header.stored_height, plan.dct_denominator)};
  const PictureSize target = UprightSize(plan.size, header.orientation);
  const bool resize = !(decoded == target);
  // Rows can go to the encoder as they come only when nothing turns them.
  const bool streams_jpeg = type == OutputType::kJpeg && header.orientation == 1;

  if (jpeg && header.model != PixelModel::kRgb) {
    plan.why = WholeBecause::kColourModel;
  } else if (header.format == PictureFormat::kPng && header.interlaced) {
    plan.why = WholeBecause::kInterlaced;
  } else if (!jpeg && header.format != PictureFormat::kPng) {
    plan.why = WholeBecause::kFormat;
  } else if (!resize && !(jpeg && streams_jpeg)) {
    plan.why = WholeBecause::kNothingToShare;
  } else {
    plan.route = jpeg ? Route::kJpegBands : Route::kPngBands;
    plan.why = WholeBecause::kBanded;
    plan.two_threads = true;
    plan.split_rows = jpeg && header.all_scans_first && resize && plan.size.height >= 2;
    plan.own_unfilter = !jpeg && header.rows_as_stored;
    return plan;
  }
  plan.two_threads = resize && plan.size.height >= 2 &&
                     uint64_t{decoded.width} * decoded.height >= kSplitPixels;
  return plan;
}

}  // namespace quorvel

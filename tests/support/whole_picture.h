// The whole-picture reference: what a conversion must give when the picture
// is decoded whole, fitted, resampled and encoded, made by composing the
// converter's own public steps (DecodePicture, FitSize, Resample,
// EncodePicture) rather than by calling ConvertPicture, which may take a
// band route. Routes that stream a picture are held against it; since it
// names only the steps, it stays right when the converter's routing moves.
// Thread-safety: pure functions.
#ifndef KALVENIX_TESTS_SUPPORT_WHOLE_PICTURE_H_
#define KALVENIX_TESTS_SUPPORT_WHOLE_PICTURE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/output_type.h"
#include "converter/resample/fit_size.h"
#include "converter/write/encode.h"

namespace kalvenix::testing {

quorvel::Status ConvertWholePicture(std::span<const uint8_t> file, quorvel::TargetBox box,
                                    quorvel::OutputType type, quorvel::EncodeOptions options,
                                    std::vector<uint8_t>* encoded, quorvel::PictureSize* size);

struct FileDifference {
  bool same_size = false;
  int worst = 0;    // largest difference of one channel
  double mean = 0;  // mean over all channels
};

// Two written pictures of any output type, compared pixel by pixel after
// both are read back through the converter (to BMP, which keeps pixels).
FileDifference CompareWrittenFiles(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

struct Tolerance {
  int worst = 0;  // largest channel difference allowed; 0: the same bytes
  double mean = 0;
};

// Checks (with gtest) that `actual`, written at `size` by some route, is the
// whole-picture reference's picture at its size, within `tolerance`.
void ExpectAsWholePicture(std::span<const uint8_t> file, quorvel::TargetBox box,
                          quorvel::OutputType type, quorvel::EncodeOptions options,
                          const std::vector<uint8_t>& actual, quorvel::PictureSize size,
                          Tolerance tolerance);

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_WHOLE_PICTURE_H_

// The whole in-memory conversion of one picture to every output type at a
// small size: read, orient, colour, fit, resample, quantise and encode, with
// the product's limits.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "converter/pipeline/convert_file.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The options follow from the input, so a reproducer replays exactly and
  // mutations reach every quality band and both transparency rules.
  const quorvel::EncodeOptions options{
      .transparency = (size & 2) != 0,
      .quality = static_cast<int32_t>(10 + size % 91),
  };
  constexpr quorvel::OutputType kTypes[] = {quorvel::OutputType::kBmp, quorvel::OutputType::kGif,
                                            quorvel::OutputType::kJpeg,
                                            quorvel::OutputType::kPng};
  for (const quorvel::OutputType type : kTypes) {
    std::vector<uint8_t> encoded;
    quorvel::PictureSize produced;
    const quorvel::Status status = quorvel::ConvertPicture(
        std::span(data, size), quorvel::TargetBox{160, 120}, type, options, &encoded, &produced);
    // A picture that decodes for one type decodes for all: stop at the first
    // refusal rather than reading a hopeless input four times.
    if (!status.ok()) break;
    fuzz::Require(!encoded.empty());
    fuzz::Require(produced.width >= 1 && produced.width <= 160);
    fuzz::Require(produced.height >= 1 && produced.height <= 120);
  }
  return 0;
}

// What the hostile-input suites share beyond the test support: where the
// component and the fuzz reproducers are, the four output types, and an
// independent look at a written picture.
// Thread-safety: none needed; tests run on one thread.
#ifndef KALVENIX_TESTS_CONVERTER_HOSTILE_SUPPORT_H_
#define KALVENIX_TESTS_CONVERTER_HOSTILE_SUPPORT_H_

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "child_process.h"
#include "convert_ex.h"
#include "isolated_conversion.h"
#include "manifest.h"
#include "test_files.h"
#include "testdata.h"

namespace hostile {

using namespace kalvenix::testing;  // NOLINT: the hostile suites are written in its terms

// The shared test pictures (a test reading them starts with
// KALVENIX_REQUIRE_TESTDATA()) and the built component, fixed at configure time.
std::string RegressionPath(const std::string& relative);  // in fuzz/regressions
std::string ComponentPath();

// The four output types as the batch passes them: the suffix of cmbType's
// entry, the transparency only for GIF, a quality only for JPG.
struct OutputType {
  const char* suffix;
  bool transparency;
  int32_t quality;
};
inline constexpr OutputType kOutputTypes[] = {
    {"BMP", false, 100}, {"GIF", true, 100}, {"JPG", false, 85}, {"PNG", false, 100}};

// A small sound JPEG made here, for tests whose source need not be a real photo.
std::string MadeJpeg();

// A written picture read completely by Qt's decoders, which share no code
// with the converter's readers.
struct Probe {
  bool ok = false;
  std::string format;  // "bmp", "gif", "jpeg" or "png", from the content
  int32_t width = 0;
  int32_t height = 0;
  std::string error;
};
Probe ProbePicture(const std::string& path);

// The size a width x height picture gets when fitted into the box, up or
// down, keeping its aspect ratio; a box side of 0 or less is free.
struct Size {
  int32_t width = 0;
  int32_t height = 0;
};
Size FittedSize(int32_t width, int32_t height, int32_t box_width, int32_t box_height);

// True when the two sizes differ by at most one pixel per side: how the side
// the box does not decide is rounded is the converter's choice.
bool NearlyEqual(Size a, Size b);

}  // namespace hostile

#endif  // KALVENIX_TESTS_CONVERTER_HOSTILE_SUPPORT_H_

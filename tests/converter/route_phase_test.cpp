// Every route through the converter against one reference: the full-size
// decode resampled by a plain double-precision Lanczos-3. A route that puts
// its samples in the wrong place (a DCT-scaled side that is not a whole
// number of samples, a partial last MCU, rows a box stage leaves out) loses
// far more against it than filtering, shrink-on-load or coding differences
// do; the bound is held against a quarter-pixel shift of the reference.
//
// Each check prints one line of a table (route, size, sampling, PSNR).
#include <gtest/gtest.h>

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <cstddef>

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "converter/pipeline/convert_file.h"
#include "converter/read/bmp_reader.h"
#include "converter/resample/dct_scale.h"
#include "converter/resample/orientation.h"
#include "converter/write/encode.h"
#include "made_png.h"
#include "test_files.h"
#include "testdata.h"
#include "whole_picture_path.h"

namespace quorvel {
namespace {

using testing::Chunk;

// The worst quarter of every route scores 39 dB or more (the least: 4:2:2
// and 4:4:0 at 1/4, whose chroma libjpeg shrinks twice as far along one
// axis); the reference shifted by a quarter pixel 29 dB or less
// (QuarterPixelShiftFailsTheBound). A phase error found here scored 21.
constexpr double kBound = 34.0;

// --- Pictures ---------------------------------------------------------------

// A step from 0 to 1 about `at`, a little under one output pixel wide: as
// sharp as an edge can be drawn without Lanczos ringing beside it, which the
// resampler's anti-ringing clamp would take off and the reference keep.
double SoftStep(double t, double at, double width) {
  const double f = std::clamp((t - at) / width + 0.5, 0.0, 1.0);
  return f * f * (3 - 2 * f);
}

// Fine detail at the scale of the output, `reduction` source pixels to one
// output pixel: a zone plate up to 0.35 cycles per output pixel, a diagonal
// square wave and text-like blocks with edges that fall between source
// pixels. Each channel mixes all three, one of them in the lead, so that the
// detail is mostly in the brightness, as in a photo, with enough in the
// colour for chroma subsampling to matter.
Image DetailPicture(uint32_t width, uint32_t height, double reduction) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = 3;
  image.pixels.resize(image.stride() * height);
  const double cx = width / 2.0, cy = height / 2.0;
  const double k = 0.35 / (std::hypot(cx, cy) / reduction);
  const double edge = 0.8;  // output pixels
  auto bit = [](int64_t i, int64_t j) {
    return double((uint32_t(i * 7919 + j * 104729) * 2654435761u >> 29) & 1);
  };
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const double u = (x + 0.5) / reduction, v = (y + 0.5) / reduction;
      const double du = (x + 0.5 - cx) / reduction, dv = (y + 0.5 - cy) / reduction;
      const double zone = 0.5 + 0.5 * std::cos(std::numbers::pi * k * (du * du + dv * dv));
      // Stripes 3.3 output pixels wide, at a slant.
      const double across = (u + 0.7 * v) / 1.22 / 3.3;
      const double phase = across - std::floor(across / 2) * 2;  // 0..2
      const double stripe = std::clamp(SoftStep(phase, 1, edge / 3.3) -
                                           SoftStep(phase, 2, edge / 3.3) + 1 -
                                           SoftStep(phase, 0, edge / 3.3),
                                       0.0, 1.0);
      // Cells 2.7 x 3.1 output pixels, each on or off, blended across
      // their borders.
      const double cu = u / 2.7 - 0.5, cv = v / 3.1 - 0.5;
      const int64_t i = int64_t(std::floor(cu)), j = int64_t(std::floor(cv));
      const double fu = SoftStep(cu - i, 0.5, edge / 2.7), fv = SoftStep(cv - j, 0.5, edge / 3.1);
      const double text = (bit(i, j) * (1 - fu) + bit(i + 1, j) * fu) * (1 - fv) +
                          (bit(i, j + 1) * (1 - fu) + bit(i + 1, j + 1) * fu) * fv;
      uint8_t* p = image.row(y) + size_t{x} * 3;
      p[0] = uint8_t(std::lround(30 + 195 * (0.5 * zone + 0.25 * stripe + 0.25 * text)));
      p[1] = uint8_t(std::lround(30 + 195 * (0.25 * zone + 0.5 * stripe + 0.25 * text)));
      p[2] = uint8_t(std::lround(30 + 195 * (0.25 * zone + 0.25 * stripe + 0.5 * text)));
    }
  }
  return image;
}

// An EXIF block whose only tag is the orientation, as an APP1 or eXIf holds it.
std::vector<uint8_t> ExifOrientation(int orientation, bool with_header) {
  std::vector<uint8_t> exif;
  if (with_header) exif = {'E', 'x', 'i', 'f', 0, 0};
  const uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0,  // little-endian, IFD at 8
                          1, 0,                          // one entry
                          0x12, 0x01, 3, 0, 1, 0, 0, 0,  // Orientation, SHORT, 1
                          uint8_t(orientation), 0, 0, 0,
                          0, 0, 0, 0};  // no next IFD
  exif.insert(exif.end(), std::begin(tiff), std::end(tiff));
  return exif;
}

struct Sampling {
  const char* name;
  int h;  // luma sampling factors; chroma is 1 x 1
  int v;
};
constexpr Sampling k444{"4:4:4", 1, 1}, k422{"4:2:2", 2, 1}, k420{"4:2:0", 2, 2},
    k440{"4:4:0", 1, 2};

std::vector<uint8_t> EncodeJpeg(const Image& image, Sampling sampling, bool progressive,
                                int orientation) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = image.width;
  cinfo.image_height = image.height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  cinfo.comp_info[0].h_samp_factor = sampling.h;
  cinfo.comp_info[0].v_samp_factor = sampling.v;
  for (int c = 1; c < 3; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  if (orientation != 1) {
    const std::vector<uint8_t> exif = ExifOrientation(orientation, true);
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif.data(), unsigned(exif.size()));
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(image.row(cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> file(buffer, buffer + size);
  std::free(buffer);
  return file;
}

// The full-size decode, no DCT scaling, as stored.
Image DecodeJpegFull(const std::vector<uint8_t>& file) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  Image image;
  image.width = cinfo.output_width;
  image.height = cinfo.output_height;
  image.channels = 3;
  image.pixels.resize(image.stride() * image.height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.row(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return image;
}

std::vector<uint8_t> EncodePng(const Image& image, int orientation) {
  std::vector<uint8_t> filtered;
  for (uint32_t y = 0; y < image.height; ++y) {
    filtered.push_back(0);
    filtered.insert(filtered.end(), image.row(y), image.row(y) + image.stride());
  }
  std::vector<Chunk> chunks;
  if (orientation != 1) chunks.push_back({"eXIf", ExifOrientation(orientation, false)});
  for (Chunk& idat : testing::IdatChunks(testing::Deflate(filtered), 1 << 16))
    chunks.push_back(std::move(idat));
  return testing::MakePng(image.width, image.height, 3, chunks);
}

// --- The reference ----------------------------------------------------------

double Lanczos3(double x) {
  if (std::fabs(x) >= 3.0) return 0.0;
  if (x == 0.0) return 1.0;
  const double px = std::numbers::pi * x;
  return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

struct Taps {
  int first;
  std::vector<double> weights;
};

// Output i's source coordinate is (i + 0.5 + shift) * scale - 0.5 with
// samples at whole numbers; the kernel is widened by the reduction, and
// normalised over the samples that exist.
std::vector<Taps> AxisTaps(uint32_t in, uint32_t out, double shift) {
  const double scale = double(in) / out;
  const double widen = std::max(scale, 1.0);
  std::vector<Taps> axis(out);
  for (uint32_t i = 0; i < out; ++i) {
    const double s = (i + 0.5 + shift) * scale - 0.5;
    const int from = std::max(0, int(std::floor(s - 3 * widen)));
    const int to = std::min(int(in) - 1, int(std::ceil(s + 3 * widen)));
    axis[i].first = from;
    double sum = 0;
    for (int j = from; j <= to; ++j) {
      axis[i].weights.push_back(Lanczos3((j - s) / widen));
      sum += axis[i].weights.back();
    }
    for (double& w : axis[i].weights) w /= sum;
  }
  return axis;
}

// RGB samples, unrounded.
struct Reference {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<double> samples;
};

// `shift_x`, `shift_y`: in output pixels, for the calibration.
Reference ReferenceLanczos(const Image& source, uint32_t width, uint32_t height,
                           double shift_x = 0, double shift_y = 0) {
  const std::vector<Taps> across = AxisTaps(source.width, width, shift_x);
  const std::vector<Taps> down = AxisTaps(source.height, height, shift_y);
  std::vector<double> mid(size_t{width} * source.height * 3);
  for (uint32_t y = 0; y < source.height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const Taps& t = across[x];
      for (size_t k = 0; k < t.weights.size(); ++k) {
        const uint8_t* p = source.row(y) + (t.first + k) * source.channels;
        for (int c = 0; c < 3; ++c) mid[(size_t{y} * width + x) * 3 + c] += t.weights[k] * p[c];
      }
    }
  }
  Reference out{width, height, std::vector<double>(size_t{width} * height * 3)};
  for (uint32_t y = 0; y < height; ++y) {
    const Taps& t = down[y];
    for (size_t k = 0; k < t.weights.size(); ++k) {
      const double* row = &mid[(t.first + k) * width * 3];
      double* dst = &out.samples[size_t{y} * width * 3];
      for (size_t i = 0; i < size_t{width} * 3; ++i) dst[i] += t.weights[k] * row[i];
    }
  }
  for (double& s : out.samples) s = std::clamp(s, 0.0, 255.0);
  return out;
}

// PSNR of `a` against `b`, over the rows [y0, y1) and columns [x0, x1).
double Psnr(const Reference& a, const Reference& b, uint32_t x0, uint32_t x1, uint32_t y0,
            uint32_t y1) {
  double sum = 0;
  for (uint32_t y = y0; y < y1; ++y) {
    for (size_t i = size_t{x0} * 3; i < size_t{x1} * 3; ++i) {
      const double d =
          a.samples[size_t{y} * a.width * 3 + i] - b.samples[size_t{y} * b.width * 3 + i];
      sum += d * d;
    }
  }
  const double mse = sum / (double(x1 - x0) * (y1 - y0) * 3);
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

struct Score {
  double whole = 0;
  double worst_edge = 0;  // the lowest of the four outer quarters
};

// A phase error that grows across the picture is largest at the far side,
// so each outer quarter is scored as well as the whole.
Score Compare(const Reference& actual, const Reference& reference) {
  const uint32_t w = actual.width, h = actual.height;
  Score s;
  s.whole = Psnr(actual, reference, 0, w, 0, h);
  const uint32_t qw = std::max(1u, w / 4), qh = std::max(1u, h / 4);
  s.worst_edge = std::min({Psnr(actual, reference, 0, qw, 0, h),
                           Psnr(actual, reference, w - qw, w, 0, h),
                           Psnr(actual, reference, 0, w, 0, qh),
                           Psnr(actual, reference, 0, w, h - qh, h)});
  return s;
}

Reference AsReference(const Image& image) {
  Reference r{image.width, image.height, {}};
  for (uint32_t y = 0; y < image.height; ++y)
    for (uint32_t x = 0; x < image.width; ++x)
      for (int c = 0; c < 3; ++c) r.samples.push_back(image.row(y)[x * image.channels + c]);
  return r;
}

// --- The routes -------------------------------------------------------------

enum class Way { kJpegBands, kJpegWhole, kPngBands, kBmpWhole };

const char* RouteName(Way route) {
  switch (route) {
    case Way::kJpegBands: return "jpeg bands";
    case Way::kJpegWhole: return "jpeg whole";
    case Way::kPngBands: return "png bands";
    case Way::kBmpWhole: return "bmp whole";
  }
  return "";
}

// The picture as `route` converts it into `box`, written as BMP and read back.
Image Convert(Way route, const std::vector<uint8_t>& file, TargetBox box) {
  std::vector<uint8_t> bmp;
  PictureSize size;
  bool handled = false;
  Status status;
  switch (route) {
    case Way::kJpegBands:
      status = testing::ConvertInBands(Route::kJpegBands, file, box, OutputType::kBmp,
                                       {}, &bmp, &size, &handled);
      break;
    case Way::kPngBands:
      status = testing::ConvertInBands(Route::kPngBands, file, box, OutputType::kBmp,
                                       {}, &bmp, &size, &handled);
      break;
    case Way::kJpegWhole:
      status = testing::ConvertWholePicture(file, box, OutputType::kBmp, {}, &bmp, &size);
      handled = true;
      break;
    case Way::kBmpWhole:
      status = ConvertPicture(file, box, OutputType::kBmp, {}, &bmp, &size);
      handled = true;
      break;
  }
  EXPECT_TRUE(handled) << RouteName(route);
  EXPECT_TRUE(status.ok()) << RouteName(route) << ": " << status.context;
  SourcePicture written;
  if (!handled || !status.ok() || !ReadBmp(bmp, {}, &written).ok()) return {};
  return written.image;
}

// --- The cases --------------------------------------------------------------

struct Size {
  uint32_t width;  // landscape; portrait swaps them
  uint32_t height;
};
// Every side odd and off the MCU grid: 1, 3, 5 and 7 modulo 8 each way, and
// for 16-pixel MCUs both below and above half an MCU.
constexpr Size kSizes[] = {{601, 403}, {611, 413}, {621, 423}, {631, 409}};

// How a picture is stored: landscape or portrait as made, or made landscape
// and marked to be shown turned a quarter clockwise (EXIF 6).
struct Layout {
  const char* name;
  bool portrait;
  int orientation;
};
constexpr Layout kLayouts[] = {
    {"landscape", false, 1}, {"portrait", true, 1}, {"EXIF 6", false, 6}};

struct Reduction {
  double factor;
  uint32_t dct_denominator;  // what shrink-on-load picks for it
};
constexpr Reduction kReductions[] = {{2.5, 1}, {5, 2}, {10, 4}, {20, 8}};

// One source picture as stored, and the box that reduces it by about
// `reduction` upright.
struct Source {
  Image stored;
  TargetBox box;
};

Source MakeSource(Size size, Layout layout, double reduction) {
  Source s;
  s.stored = DetailPicture(layout.portrait ? size.height : size.width,
                           layout.portrait ? size.width : size.height, reduction);
  const PictureSize upright = UprightSize({s.stored.width, s.stored.height}, layout.orientation);
  s.box = {int32_t(std::lround(upright.width / reduction)),
           int32_t(std::lround(upright.height / reduction))};
  return s;
}

// Converts `file` by `route` and holds it against the reference made from
// `full_stored`, its full-size decode as stored; prints the table's line.
void CheckRoute(Way route, const std::vector<uint8_t>& file, const Image& full_stored,
                Layout layout, TargetBox box, const char* sampling, uint32_t denominator) {
  const Image out = Convert(route, file, box);
  ASSERT_NE(out.width, 0u);
  Image upright = full_stored;
  ASSERT_TRUE(ApplyOrientation(layout.orientation, &upright).ok());
  const Score score = Compare(AsReference(out), ReferenceLanczos(upright, out.width, out.height));
  std::printf("%-10s %4ux%-4u %-5s %-9s -> %3ux%-3u 1/%u  PSNR %6.2f  worst quarter %6.2f\n",
              RouteName(route), full_stored.width, full_stored.height, sampling, layout.name,
              out.width, out.height, denominator, score.whole, score.worst_edge);
  EXPECT_GE(score.worst_edge, kBound)
      << RouteName(route) << " " << full_stored.width << "x" << full_stored.height << " "
      << sampling << " " << layout.name << " 1/" << denominator;
}

void CheckJpegRoutes(const Source& s, Layout layout, Sampling sampling, bool progressive,
                     uint32_t expected_denominator) {
  const std::vector<uint8_t> file = EncodeJpeg(s.stored, sampling, progressive, layout.orientation);
  const uint32_t denominator =
      ChooseDctDenominator(s.stored.width, s.stored.height, layout.orientation, s.box);
  ASSERT_EQ(denominator, expected_denominator);
  const Image full = DecodeJpegFull(file);
  for (Way route : {Way::kJpegBands, Way::kJpegWhole})
    CheckRoute(route, file, full, layout, s.box, sampling.name, denominator);
}

TEST(RoutePhase, JpegRoutesAtEveryDctScale) {
  int n = 0;
  for (const Sampling& sampling : {k444, k422, k420, k440}) {
    for (const Size& size : kSizes) {
      for (const Layout& layout : kLayouts) {
        for (const Reduction& reduction : kReductions) {
          // Baseline and progressive in turn: a progressive file splits the
          // band pipeline's rows between two threads.
          CheckJpegRoutes(MakeSource(size, layout, reduction.factor), layout, sampling,
                          ++n % 2 == 0, reduction.dct_denominator);
        }
      }
    }
  }
}

// The whole-picture path turns the shrunk decode upright before resampling,
// which brings the partial last row or column of each orientation to a
// different side.
TEST(RoutePhase, JpegRoutesInEveryOrientation) {
  for (int orientation = 2; orientation <= 8; ++orientation) {
    const std::string name = "EXIF " + std::to_string(orientation);
    const Layout layout{name.c_str(), false, orientation};
    for (const Reduction& reduction : kReductions) {
      if (reduction.dct_denominator == 1) continue;
      CheckJpegRoutes(MakeSource({611, 413}, layout, reduction.factor), layout, k422, false,
                      reduction.dct_denominator);
    }
  }
}

TEST(RoutePhase, LosslessRoutesThroughEveryBoxFactor) {
  for (const Size& size : kSizes) {
    for (const Layout& layout : kLayouts) {
      for (const Reduction& reduction : kReductions) {
        const Source s = MakeSource(size, layout, reduction.factor);
        CheckRoute(Way::kPngBands, EncodePng(s.stored, layout.orientation), s.stored, layout,
                   s.box, "RGB", 1);
        // BMP has no orientation of its own.
        if (layout.orientation != 1) continue;
        std::vector<uint8_t> bmp;
        ASSERT_TRUE(EncodePicture(s.stored, OutputType::kBmp, {}, &bmp).ok());
        CheckRoute(Way::kBmpWhole, bmp, s.stored, layout, s.box, "RGB", 1);
      }
    }
  }
}

// The size of the picture this test was written for: a portrait
// progressive 4:2:2 photo whose height is 5 rows into its last MCU row,
// fitted into 640 x 480.
TEST(RoutePhase, PortraitPhotoSizeInto640x480) {
  const Layout layout{"portrait", true, 1};
  Source s{DetailPicture(2560, 3837, 3837 / 480.0), {640, 480}};
  CheckJpegRoutes(s, layout, k422, true, 4);
}

// The bound is worth something only if a quarter-pixel shift, down or
// across, fails it on the very pictures the routes are checked with.
TEST(RoutePhase, QuarterPixelShiftFailsTheBound) {
  for (const Size& size : kSizes) {
    for (const Layout& layout : {kLayouts[0], kLayouts[1]}) {
      for (const Reduction& reduction : kReductions) {
        const Source s = MakeSource(size, layout, reduction.factor);
        const uint32_t w = uint32_t(s.box.width), h = uint32_t(s.box.height);
        const Reference reference = ReferenceLanczos(s.stored, w, h);
        for (auto [dx, dy] : {std::pair{0.25, 0.0}, std::pair{0.0, 0.25}}) {
          const Score score = Compare(ReferenceLanczos(s.stored, w, h, dx, dy), reference);
          std::printf("shift %.2f,%.2f  %4ux%-4u -> %3ux%-3u  PSNR %6.2f  worst quarter %6.2f\n",
                      dx, dy, s.stored.width, s.stored.height, w, h, score.whole,
                      score.worst_edge);
          EXPECT_LT(score.worst_edge, kBound)
              << s.stored.width << "x" << s.stored.height << " by " << reduction.factor
              << " shifted " << dx << "," << dy;
        }
      }
    }
  }
}

// A real photo whose height is not a whole number of samples at its DCT
// scale: 6028 x 3391, 4:2:2, into 640 x 480 at 1/4 (847.75 rows). A photo
// has less fine detail than the made pictures, so its bound is its own:
// it scored 49 dB in its worst quarter while the output drifted by up to
// 0.11 rows, 52 since; a quarter-pixel shift (43) must fail it too.
TEST(RoutePhase, PhotoWithAPartialSampleAtItsDctScale) {
  KALVENIX_REQUIRE_TESTDATA();
  constexpr double kPhotoBound = 51.0;
  const std::vector<uint8_t> file =
      kalvenix::testing::ReadTestFile("photos/Kleiber_by_Lukas_Baubkus.jpg");
  ASSERT_FALSE(file.empty());
  const TargetBox box{640, 480};
  ASSERT_EQ(ChooseDctDenominator(6028, 3391, 1, box), 4u);
  const Image full = DecodeJpegFull(file);
  const Reference reference = ReferenceLanczos(full, 640, 360);
  const Score shifted = Compare(ReferenceLanczos(full, 640, 360, 0, 0.25), reference);
  std::printf("shift 0.00,0.25  6028x3391 -> 640x360  PSNR %6.2f  worst quarter %6.2f\n",
              shifted.whole, shifted.worst_edge);
  EXPECT_LT(shifted.worst_edge, kPhotoBound);
  for (Way route : {Way::kJpegBands, Way::kJpegWhole}) {
    const Image out = Convert(route, file, box);
    ASSERT_EQ(out.width, 640u);
    ASSERT_EQ(out.height, 360u);
    const Score score = Compare(AsReference(out), reference);
    std::printf("%-10s 6028x3391 4:2:2 photo     -> 640x360 1/4  PSNR %6.2f  worst quarter %6.2f\n",
                RouteName(route), score.whole, score.worst_edge);
    EXPECT_GE(score.worst_edge, kPhotoBound) << RouteName(route);
  }
}

}  // namespace
}  // namespace quorvel

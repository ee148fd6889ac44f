#include "converter/read/jpeg_reader.h"

// jpeglib.h needs FILE and size_t declared first.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include <jerror.h>
#include <jpeglib.h>

#include "converter/base/band_rows.h"
#include "converter/base/checked_size.h"
#include "converter/base/limits.h"
#include "converter/read/declared_size.h"
#include "converter/read/exif_orientation.h"
#include "converter/resample/dct_scale.h"

namespace quorvel {
namespace {

// Rows per read: a band (band_rows.h), which sinks take at most.
constexpr JDIMENSION kRowsPerRead = kBandRows;

// Everything libjpeg touches lives here, so that a longjmp out of the
// library skips no destructor: the functions that call setjmp hold no locals
// of their own that outlive it.
struct JpegCodec {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  jpeg_progress_mgr progress;
  jmp_buf jump_to;
  int warnings = 0;
  Error failure = Error::kOk;
  char message[JMSG_LENGTH_MAX] = {};
  JSAMPROW rows[kRowsPerRead] = {};
  JOCTET* icc = nullptr;
  unsigned int icc_length = 0;
  bool multiple_scans = false;

  JpegCodec() {
    // A zeroed struct is what jpeg_destroy_decompress expects when
    // jpeg_create_decompress itself failed.
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&error, 0, sizeof error);
    std::memset(&progress, 0, sizeof progress);
  }
  ~JpegCodec() {
    jpeg_destroy_decompress(&cinfo);
    std::free(icc);
  }
  JpegCodec(const JpegCodec&) = delete;
  JpegCodec& operator=(const JpegCodec&) = delete;
};

JpegCodec* CodecOf(j_common_ptr cinfo) { return static_cast<JpegCodec*>(cinfo->client_data); }

Error ErrorFor(int msg_code) {
  switch (msg_code) {
    case JERR_OUT_OF_MEMORY: return Error::kOutOfMemory;
    case JERR_NO_BACKING_STORE:  // more working memory than kJpegMaxMemory
    case JERR_IMAGE_TOO_BIG: return Error::kTooLarge;
    case JERR_BAD_PRECISION:  // 12-bit
    case JERR_SOF_UNSUPPORTED:  // lossless, hierarchical
    case JERR_CONVERSION_NOTIMPL: return Error::kUnsupported;
    default: return Error::kCorruptJpeg;
  }
}

[[noreturn]] void Abandon(j_common_ptr cinfo, Error failure) {
  JpegCodec* codec = CodecOf(cinfo);
  codec->failure = failure;
  cinfo->err->format_message(cinfo, codec->message);
  longjmp(codec->jump_to, 1);
}

void OnJpegError(j_common_ptr cinfo) { Abandon(cinfo, ErrorFor(cinfo->err->msg_code)); }

void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  // A premature end leaves grey rows that would be written as if they were
  // the picture: a truncated file fails instead.
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) Abandon(cinfo, Error::kCorruptJpeg);
  if (++CodecOf(cinfo)->warnings > kJpegMaxWarnings) Abandon(cinfo, Error::kCorruptJpeg);
}

void OnJpegProgress(j_common_ptr cinfo) {
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kJpegMaxScans) {
    CodecOf(cinfo)->failure = Error::kCorruptJpeg;
    std::snprintf(CodecOf(cinfo)->message, JMSG_LENGTH_MAX, "mehr als %d Scans", kJpegMaxScans);
    longjmp(CodecOf(cinfo)->jump_to, 1);
  }
}

// Each function below is OnJpegError's only landing place while it runs.

Error Open(JpegCodec* c, const uint8_t* data, size_t size) {
  c->cinfo.err = jpeg_std_error(&c->error);
  c->error.error_exit = OnJpegError;
  c->error.emit_message = OnJpegMessage;
  if (setjmp(c->jump_to) != 0) return c->failure;
  jpeg_create_decompress(&c->cinfo);
  c->cinfo.client_data = c;
  c->cinfo.mem->max_memory_to_use = kJpegMaxMemory;
  c->progress.progress_monitor = OnJpegProgress;
  c->cinfo.progress = &c->progress;
  jpeg_mem_src(&c->cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&c->cinfo, JPEG_APP0 + 1, 0xFFFF);  // EXIF
  jpeg_save_markers(&c->cinfo, JPEG_APP0 + 2, 0xFFFF);  // ICC
  return Error::kOk;
}

Error ReadHeader(JpegCodec* c) {
  if (setjmp(c->jump_to) != 0) return c->failure;
  jpeg_read_header(&c->cinfo, TRUE);
  // A malformed profile only warns; the picture is read without it.
  jpeg_read_icc_profile(&c->cinfo, &c->icc, &c->icc_length);
  return Error::kOk;
}

Error ReadHeaderOnly(JpegCodec* c) {
  if (setjmp(c->jump_to) != 0) return c->failure;
  jpeg_read_header(&c->cinfo, TRUE);
  c->multiple_scans = jpeg_has_multiple_scans(&c->cinfo);
  return Error::kOk;
}

Error CalcOutput(JpegCodec* c) {
  if (setjmp(c->jump_to) != 0) return c->failure;
  jpeg_calc_output_dimensions(&c->cinfo);
  c->multiple_scans = jpeg_has_multiple_scans(&c->cinfo);
  return Error::kOk;
}

Error Start(JpegCodec* c) {
  if (setjmp(c->jump_to) != 0) return c->failure;
  jpeg_start_decompress(&c->cinfo);
  return Error::kOk;
}

Error ReadRows(JpegCodec* c, JpegRowSink* sink, size_t stride) {
  if (setjmp(c->jump_to) != 0) return c->failure;
  // Progress lives in cinfo.output_scanline, not in a local, so nothing
  // here needs to survive the jump.
  while (c->cinfo.output_scanline < c->cinfo.output_height) {
    JDIMENSION left = c->cinfo.output_height - c->cinfo.output_scanline;
    JDIMENSION count = left < kRowsPerRead ? left : kRowsPerRead;
    uint8_t* band = sink->Band(count);
    if (band == nullptr) return Error::kInternal;
    for (JDIMENSION i = 0; i < count; ++i) c->rows[i] = band + size_t{i} * stride;
    // libjpeg hands out at most one iMCU row per call, so a band takes a few.
    for (JDIMENSION done = 0; done < count;) {
      JDIMENSION n = jpeg_read_scanlines(&c->cinfo, c->rows + done, count - done);
      if (n == 0) return Error::kCorruptJpeg;  // suspension cannot happen with a memory source
      done += n;
    }
    sink->Filled();
  }
  return Error::kOk;
}

int OrientationFromMarkers(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
        std::memcmp(m->data, "Exif\0\0", 6) == 0)
      return ReadExifOrientation({m->data, m->data_length});
  }
  return 1;
}

Status Failed(Error code, const JpegCodec& c) { return Fail(code, c.message); }

// What the reader makes of the file's colour space; false for one it refuses.
bool ModelFor(const jpeg_decompress_struct& cinfo, PixelModel* model) {
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      *model = PixelModel::kRgb;
      return true;
    case JCS_CMYK:
    case JCS_YCCK:
      // Adobe's applications write CMYK inverted and mark it with APP14.
      *model = cinfo.saw_Adobe_marker ? PixelModel::kCmykInverted : PixelModel::kCmyk;
      return true;
    default:
      return false;
  }
}

// ReadJpeg's sink: every band is the next stretch of one whole picture.
class WholePicture : public JpegRowSink {
 public:
  explicit WholePicture(SourcePicture* picture) : picture_(picture) {}
  Status Start(const SourcePicture& header, bool) override {
    picture_->model = header.model;
    picture_->icc_profile = header.icc_profile;
    picture_->orientation = header.orientation;
    picture_->stored_width = header.stored_width;
    picture_->stored_height = header.stored_height;
    picture_->dct_denominator = header.dct_denominator;
    Image& image = picture_->image;
    image.width = header.image.width;
    image.height = header.image.height;
    image.channels = header.image.channels;
    if (!PixelBufferBytes(image.width, image.height, image.channels))
      return Fail(Error::kTooLarge, "dekodiertes Bild");
    image.pixels.resize(image.stride() * image.height);
    return Status::Ok();
  }
  uint8_t* Band(uint32_t rows) override {
    uint8_t* band = picture_->image.row(next_row_);
    next_row_ += rows;
    return band;
  }
  void Filled() override {}

 private:
  SourcePicture* picture_;
  uint32_t next_row_ = 0;
};

}  // namespace

Status StreamJpeg(std::span<const uint8_t> file, TargetBox box, uint32_t dct_denominator,
                  JpegRowSink* sink) {
  JpegCodec codec;
  if (Error e = Open(&codec, file.data(), file.size()); e != Error::kOk) return Failed(e, codec);
  if (Error e = ReadHeader(&codec); e != Error::kOk) return Failed(e, codec);
  jpeg_decompress_struct& cinfo = codec.cinfo;

  SourcePicture picture;
  picture.orientation = OrientationFromMarkers(cinfo);
  picture.stored_width = cinfo.image_width;
  picture.stored_height = cinfo.image_height;
  Status size_ok = CheckDeclaredSize(cinfo.image_width, cinfo.image_height, picture.orientation,
                                     box, Error::kCorruptJpeg);
  if (!size_ok.ok()) return size_ok;
  uint64_t pixels = uint64_t{cinfo.image_width} * cinfo.image_height;
  uint64_t per_byte = cinfo.arith_code ? kMaxPixelsPerArithmeticByte : kMaxPixelsPerHuffmanByte;
  if (pixels / per_byte > file.size())
    return Fail(Error::kCorruptJpeg, "angegebene Größe übersteigt, was die Daten enthalten können");

  if (!ModelFor(cinfo, &picture.model))
    return Fail(Error::kUnsupported, "JPEG-Farbraum " + std::to_string(cinfo.jpeg_color_space));
  cinfo.out_color_space = IsCmyk(picture.model) ? JCS_CMYK : JCS_RGB;
  cinfo.scale_num = 1;
  cinfo.scale_denom =
      dct_denominator != 0
          ? dct_denominator
          : ChooseDctDenominator(cinfo.image_width, cinfo.image_height, picture.orientation, box);
  if (Error e = CalcOutput(&codec); e != Error::kOk) return Failed(e, codec);
  picture.dct_denominator = cinfo.scale_denom;

  Image& image = picture.image;
  image.width = cinfo.output_width;
  image.height = cinfo.output_height;
  image.channels = static_cast<uint32_t>(cinfo.out_color_components);
  if (!PixelBufferBytes(image.width, image.height, image.channels))
    return Fail(Error::kTooLarge, "dekodiertes Bild");
  if (codec.icc != nullptr) picture.icc_profile.assign(codec.icc, codec.icc + codec.icc_length);
  if (Status s = sink->Start(picture, codec.multiple_scans); !s.ok()) return s;
  if (Error e = Start(&codec); e != Error::kOk) return Failed(e, codec);
  if (Error e = ReadRows(&codec, sink, image.stride()); e != Error::kOk) return Failed(e, codec);
  // The rows are complete; whatever follows the last scan (a missing EOI,
  // trailing bytes) does not change them, so finishing is skipped.
  return Status::Ok();
}

Status ProbeJpeg(std::span<const uint8_t> file, PictureHeader* out) {
  JpegCodec codec;
  if (Error e = Open(&codec, file.data(), file.size()); e != Error::kOk) return Failed(e, codec);
  if (Error e = ReadHeaderOnly(&codec); e != Error::kOk) return Failed(e, codec);
  const jpeg_decompress_struct& cinfo = codec.cinfo;
  if (!ModelFor(cinfo, &out->model))
    return Fail(Error::kUnsupported, "JPEG-Farbraum " + std::to_string(cinfo.jpeg_color_space));
  out->orientation = OrientationFromMarkers(cinfo);
  out->stored_width = cinfo.image_width;
  out->stored_height = cinfo.image_height;
  out->all_scans_first = codec.multiple_scans;
  return Status::Ok();
}

Status ReadJpeg(std::span<const uint8_t> file, TargetBox box, SourcePicture* out,
                std::vector<uint8_t> storage) {
  SourcePicture picture;
  picture.image.pixels = std::move(storage);
  WholePicture sink(&picture);
  if (Status s = StreamJpeg(file, box, 0, &sink); !s.ok()) return s;
  *out = std::move(picture);
  return Status::Ok();
}

}  // namespace quorvel

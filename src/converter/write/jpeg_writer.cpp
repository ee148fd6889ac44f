#include "converter/write/jpeg_writer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "converter/base/band_rows.h"
#include "converter/colour/alpha.h"

namespace quorvel {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump_to;
  Error failure;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->failure =
      cinfo->err->msg_code == JERR_OUT_OF_MEMORY ? Error::kOutOfMemory : Error::kEncodeFailed;
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump_to, 1);
}

void OnJpegMessage(j_common_ptr, int) {}  // warnings of the compressor say nothing we act on

// Owns everything libjpeg allocates, so that a longjmp out of the codec
// leaks nothing: the destructor runs in the caller's frame.
struct Compressor {
  jpeg_compress_struct cinfo{};
  ErrorManager error{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;

  ~Compressor() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

// Each function below is OnJpegError's only landing place while it runs.
// Nothing in them has a destructor, and nothing changed after setjmp is read
// after the jump.
Error StartCompress(Compressor* c, uint32_t width, uint32_t height, int quality) {
  c->cinfo.err = jpeg_std_error(&c->error.pub);
  c->error.pub.error_exit = OnJpegError;
  c->error.pub.emit_message = OnJpegMessage;
  if (setjmp(c->error.jump_to) != 0) return c->error.failure;
  jpeg_create_compress(&c->cinfo);
  c->created = true;
  jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
  c->cinfo.image_width = width;
  c->cinfo.image_height = height;
  c->cinfo.input_components = 3;
  c->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c->cinfo);
  jpeg_set_quality(&c->cinfo, quality, TRUE);
  const int chroma_step = quality >= 90 ? 1 : 2;
  c->cinfo.comp_info[0].h_samp_factor = chroma_step;
  c->cinfo.comp_info[0].v_samp_factor = chroma_step;
  c->cinfo.comp_info[1].h_samp_factor = c->cinfo.comp_info[1].v_samp_factor = 1;
  c->cinfo.comp_info[2].h_samp_factor = c->cinfo.comp_info[2].v_samp_factor = 1;
  c->cinfo.optimize_coding = TRUE;
  c->cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_compress(&c->cinfo, TRUE);
  return Error::kOk;
}

Error WriteRows(Compressor* c, JSAMPROW* rows, uint32_t count) {
  if (setjmp(c->error.jump_to) != 0) return c->error.failure;
  jpeg_write_scanlines(&c->cinfo, rows, count);
  return Error::kOk;
}

Error FinishCompress(Compressor* c) {
  if (setjmp(c->error.jump_to) != 0) return c->error.failure;
  jpeg_finish_compress(&c->cinfo);
  return Error::kOk;
}

}  // namespace

struct JpegRowEncoder::State {
  Compressor c;
  uint32_t width = 0;
  uint32_t channels = 3;
  std::vector<uint8_t> flat_row;
  Status failure;

  // Keeps the first failure: every later call returns it.
  Status Failed(Error error) {
    failure = error == Error::kOutOfMemory ? Fail(error, "JPEG")
                                           : Fail(error, std::string("JPEG: ") + c.error.message);
    return failure;
  }
};

JpegRowEncoder::JpegRowEncoder() : state_(std::make_unique<State>()) {}
JpegRowEncoder::~JpegRowEncoder() = default;

Status JpegRowEncoder::Start(uint32_t width, uint32_t height, uint32_t channels,
                             int32_t quality) {
  State& s = *state_;
  // The format stores sides in 16 bits, and libjpeg refuses above 65500.
  if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
    s.failure = Fail(Error::kTooLarge, "JPEG höchstens " + std::to_string(JPEG_MAX_DIMENSION) +
                                           " Pixel je Seite");
    return s.failure;
  }
  s.width = width;
  s.channels = channels;
  if (channels == 4) s.flat_row.resize(size_t{width} * 3);
  if (Error e = StartCompress(&s.c, width, height, std::clamp<int32_t>(quality, 10, 100));
      e != Error::kOk)
    return s.Failed(e);
  return Status::Ok();
}

Status JpegRowEncoder::Write(const uint8_t* rows, uint32_t count, size_t stride) {
  State& s = *state_;
  if (!s.failure.ok()) return s.failure;
  if (s.channels == 4) {
    for (uint32_t i = 0; i < count; ++i) {
      FlattenRowOntoWhite(rows + i * stride, s.width, s.flat_row.data());
      JSAMPROW row = s.flat_row.data();
      if (Error e = WriteRows(&s.c, &row, 1); e != Error::kOk) return s.Failed(e);
    }
    return Status::Ok();
  }
  // A band at a time, as the rows arrive.
  JSAMPROW pointers[kBandRows];
  for (uint32_t done = 0; done < count;) {
    const uint32_t n = std::min<uint32_t>(count - done, kBandRows);
    for (uint32_t i = 0; i < n; ++i)
      pointers[i] = const_cast<JSAMPROW>(rows + (done + i) * stride);  // libjpeg only reads
    if (Error e = WriteRows(&s.c, pointers, n); e != Error::kOk) return s.Failed(e);
    done += n;
  }
  return Status::Ok();
}

Status JpegRowEncoder::Finish(std::vector<uint8_t>* out) {
  State& s = *state_;
  if (!s.failure.ok()) return s.failure;
  if (Error e = FinishCompress(&s.c); e != Error::kOk) return s.Failed(e);
  out->assign(s.c.buffer, s.c.buffer + s.c.size);
  return Status::Ok();
}

Status EncodeJpeg(const Image& image, int32_t quality, std::vector<uint8_t>* out) {
  JpegRowEncoder encoder;
  Status status = encoder.Start(image.width, image.height, image.channels, quality);
  if (!status.ok()) return status;
  status = encoder.Write(image.pixels.data(), image.height, image.stride());
  if (!status.ok()) return status;
  return encoder.Finish(out);
}

}  // namespace quorvel

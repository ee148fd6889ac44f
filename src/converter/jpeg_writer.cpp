#include "converter/jpeg_writer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "converter/alpha.h"

namespace quorvel {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump_to;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
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

// The only landing place of OnJpegError. Nothing here has a destructor, and
// nothing changed after setjmp is read after the jump.
bool Compress(Compressor* c, const Image* image, int quality, uint8_t* flat_row) {
  c->cinfo.err = jpeg_std_error(&c->error.pub);
  c->error.pub.error_exit = OnJpegError;
  c->error.pub.emit_message = OnJpegMessage;
  if (setjmp(c->error.jump_to) != 0) return false;
  jpeg_create_compress(&c->cinfo);
  c->created = true;
  jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
  c->cinfo.image_width = image->width;
  c->cinfo.image_height = image->height;
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
  while (c->cinfo.next_scanline < c->cinfo.image_height) {
    const uint32_t y = c->cinfo.next_scanline;
    JSAMPROW row;
    if (image->channels == 4) {
      FlattenRowOntoWhite(image->row(y), image->width, flat_row);
      row = flat_row;
    } else {
      row = const_cast<JSAMPROW>(image->row(y));  // libjpeg only reads it
    }
    jpeg_write_scanlines(&c->cinfo, &row, 1);
  }
  jpeg_finish_compress(&c->cinfo);
  return true;
}

}  // namespace

Status EncodeJpeg(const Image& image, int32_t quality, std::vector<uint8_t>* out) {
  // The format stores sides in 16 bits, and libjpeg refuses above 65500.
  if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) {
    return Fail(Error::kTooLarge, "JPEG höchstens " + std::to_string(JPEG_MAX_DIMENSION) +
                                      " Pixel je Seite");
  }
  std::vector<uint8_t> flat_row(size_t{image.width} * 3);
  Compressor c;
  if (!Compress(&c, &image, std::clamp<int32_t>(quality, 10, 100), flat_row.data())) {
    if (c.error.pub.msg_code == JERR_OUT_OF_MEMORY) return Fail(Error::kOutOfMemory, "JPEG");
    return Fail(Error::kEncodeFailed, std::string("JPEG: ") + c.error.message);
  }
  out->assign(c.buffer, c.buffer + c.size);
  return Status::Ok();
}

}  // namespace quorvel

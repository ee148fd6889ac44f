#include "converter/read/picture_header.h"

#include "converter/read/bmp_header.h"
#include "converter/read/jpeg_reader.h"
#include "converter/read/png_reader.h"

namespace quorvel {
namespace {

// The logical screen, which is the size the GIF reader paints unless it is
// zero; then the first frame decides, and only the reader looks that far.
void ProbeGif(std::span<const uint8_t> file, PictureHeader* header) {
  if (file.size() < 10) return;
  header->stored_width = uint32_t{file[6]} | uint32_t{file[7]} << 8;
  header->stored_height = uint32_t{file[8]} | uint32_t{file[9]} << 8;
  header->model = PixelModel::kRgba;
  header->readable = header->stored_width != 0 && header->stored_height != 0;
}

void ProbeBmp(std::span<const uint8_t> file, PictureHeader* header) {
  BmpHeader bmp;
  if (!ParseBmpHeader(file, &bmp).ok()) return;
  header->stored_width = bmp.width;
  header->stored_height = bmp.height;
  header->readable = true;
}

}  // namespace

PictureHeader ProbePicture(std::span<const uint8_t> file) {
  PictureHeader header;
  header.format = SniffFormat(file);
  switch (header.format) {
    case PictureFormat::kJpeg: header.readable = ProbeJpeg(file, &header).ok(); break;
    case PictureFormat::kPng: header.readable = ProbePng(file, &header).ok(); break;
    case PictureFormat::kGif: ProbeGif(file, &header); break;
    case PictureFormat::kBmp: ProbeBmp(file, &header); break;
    case PictureFormat::kUnknown: break;
  }
  return header;
}

}  // namespace quorvel

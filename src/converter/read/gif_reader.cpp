#include "converter/read/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "converter/base/checked_size.h"
#include "converter/base/limits.h"
#include "converter/read/declared_size.h"
#include "converter/read/gif_lzw.h"

namespace quorvel {
namespace {

struct MemorySource {
  std::span<const uint8_t> file;
  size_t position = 0;
  size_t left() const { return file.size() - position; }
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int wanted) {
  auto* source = static_cast<MemorySource*>(gif->UserData);
  size_t count = std::min(source->left(), size_t(wanted < 0 ? 0 : wanted));
  std::memcpy(buffer, source->file.data() + source->position, count);
  source->position += count;
  return static_cast<int>(count);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

Status GifFailure(const GifFileType* gif, const char* step) {
  int code = gif != nullptr ? gif->Error : 0;
  Error error = code == D_GIF_ERR_NOT_ENOUGH_MEM ? Error::kOutOfMemory : Error::kCorruptGif;
  const char* text = GifErrorString(code);
  return Fail(error, std::string(step) + ": " + (text != nullptr ? text : "unbekannt"));
}

// Reads extension blocks up to the first image; keeps the transparent index
// of the graphic control block that belongs to that image (-1 for none).
Status SkipToFirstImage(GifFileType* gif, int* transparent_index) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return GifFailure(gif, "Datensatz");
    if (type == IMAGE_DESC_RECORD_TYPE) return Status::Ok();
    if (type == TERMINATE_RECORD_TYPE) return Fail(Error::kCorruptGif, "kein Bild in der Datei");
    if (type != EXTENSION_RECORD_TYPE) return Fail(Error::kCorruptGif, "unbekannter Datensatz");
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return GifFailure(gif, "Erweiterung");
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
      GraphicsControlBlock gcb{};
      if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
        *transparent_index = gcb.TransparentColor;
    }
    while (block != nullptr)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return GifFailure(gif, "Erweiterung");
  }
}

// The stored row that holds the frame's `pass_row`-th decoded row.
std::vector<uint32_t> RowOrder(uint32_t height, bool interlaced) {
  std::vector<uint32_t> order;
  order.reserve(height);
  if (!interlaced) {
    for (uint32_t y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  static constexpr uint32_t kStart[] = {0, 4, 2, 1};
  static constexpr uint32_t kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (uint32_t y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  return order;
}

// An RGB picture of the screen's size, its pixels still to be painted.
SourcePicture OpaquePicture(uint32_t width, uint32_t height) {
  SourcePicture picture;
  picture.stored_width = width;
  picture.stored_height = height;
  picture.model = PixelModel::kRgb;
  picture.image.width = width;
  picture.image.height = height;
  picture.image.channels = 3;
  picture.image.pixels.resize(size_t{width} * height * 3);
  return picture;
}

// Where the first frame lands on the screen and what colours it.
struct Frame {
  uint32_t width = 0, height = 0;  // the logical screen
  uint32_t left = 0, top = 0, frame_width = 0, frame_height = 0;
  bool interlaced = false;
  int transparent_index = NO_TRANSPARENT_COLOR;
  const ColorMapObject* map = nullptr;
};

// Paints the frame's rows, which `read_row` delivers one at a time in file
// order into a buffer of frame_width indices. Index is giflib's byte or our
// decoder's wider index for code sizes above 8.
template <typename Index, typename ReadRow>
Status PaintFrame(const Frame& f, size_t canvas_bytes, ReadRow&& read_row, SourcePicture* out) {
  std::vector<uint32_t> order = RowOrder(f.frame_height, f.interlaced);
  std::vector<Index> line(f.frame_width);
  const ColorMapObject* map = f.map;

  // What nearly every GIF is: one opaque frame filling the screen. It goes
  // straight to RGB, without the RGBA canvas, its scan for holes and the
  // copy that would follow (a third of the reading time).
  if (f.transparent_index == NO_TRANSPARENT_COLOR && f.left == 0 && f.top == 0 &&
      f.frame_width == f.width && f.frame_height == f.height) {
    // An index beyond the palette paints black; the last entry stands for
    // every index a byte cannot hold.
    uint8_t colours[257][3] = {};
    for (int i = 0; i < map->ColorCount && i < 256; ++i) {
      colours[i][0] = map->Colors[i].Red;
      colours[i][1] = map->Colors[i].Green;
      colours[i][2] = map->Colors[i].Blue;
    }
    SourcePicture picture = OpaquePicture(f.width, f.height);
    Image& rgb = picture.image;
    for (uint32_t y : order) {
      if (Status s = read_row(line.data()); !s.ok()) return s;
      uint8_t* dst = rgb.row(y);
      for (uint32_t x = 0; x < f.width; ++x, dst += 3)
        std::memcpy(dst, colours[std::min<uint32_t>(line[x], 256)], 3);
    }
    *out = std::move(picture);
    return Status::Ok();
  }

  Image canvas;
  canvas.width = f.width;
  canvas.height = f.height;
  canvas.channels = 4;
  canvas.pixels.assign(canvas_bytes, 0);  // transparent where the frame does not paint
  for (uint32_t stored_row : order) {
    if (Status s = read_row(line.data()); !s.ok()) return s;
    uint32_t y = f.top + stored_row;
    if (y >= f.height) continue;
    uint8_t* dst = canvas.row(y);
    for (uint32_t x = 0; x < f.frame_width && f.left + x < f.width; ++x) {
      int index = line[x];
      if (index == f.transparent_index) continue;
      uint8_t* px = dst + size_t{f.left + x} * 4;
      if (index < map->ColorCount) {
        const GifColorType& c = map->Colors[index];
        px[0] = c.Red;
        px[1] = c.Green;
        px[2] = c.Blue;
      }  // an index beyond the palette paints black
      px[3] = 255;
    }
  }

  bool any_transparent = false;
  for (size_t i = 3; i < canvas.pixels.size() && !any_transparent; i += 4)
    any_transparent = canvas.pixels[i] == 0;
  if (any_transparent) {
    SourcePicture picture;
    picture.stored_width = f.width;
    picture.stored_height = f.height;
    picture.model = PixelModel::kRgba;
    picture.image = std::move(canvas);
    *out = std::move(picture);
    return Status::Ok();
  }
  SourcePicture picture = OpaquePicture(f.width, f.height);
  for (size_t i = 0, n = size_t{f.width} * f.height; i < n; ++i)
    std::memcpy(&picture.image.pixels[i * 3], &canvas.pixels[i * 4], 3);
  *out = std::move(picture);
  return Status::Ok();
}

// Where the LZW minimum code size byte of the image descriptor starting at
// `descriptor` (just after its separator) lies: after the nine fixed bytes
// and the local palette, if any.
std::optional<size_t> CodeSizeOffset(std::span<const uint8_t> file, size_t descriptor) {
  if (descriptor > file.size() || file.size() - descriptor < 9) return std::nullopt;
  uint8_t flags = file[descriptor + 8];
  size_t palette = (flags & 0x80) != 0 ? size_t{3} << ((flags & 0x07) + 1) : 0;
  return descriptor + 9 + palette;
}

}  // namespace

Status ReadGif(std::span<const uint8_t> file, TargetBox box, SourcePicture* out) {
  MemorySource source{file};
  int open_error = 0;
  GifHandle gif(DGifOpen(&source, ReadFromMemory, &open_error));
  if (!gif) {
    const char* text = GifErrorString(open_error);
    return Fail(Error::kCorruptGif, std::string("Kopf: ") + (text != nullptr ? text : "unbekannt"));
  }
  int transparent_index = NO_TRANSPARENT_COLOR;
  if (Status s = SkipToFirstImage(gif.get(), &transparent_index); !s.ok()) return s;

  // giflib refuses LZW minimum code sizes above 8, as its pixels are bytes,
  // after reading the whole descriptor; other readers take up to 11, and
  // so does our own decoder, on the sub-blocks that follow the size byte.
  size_t descriptor = source.position;
  int own_code_size = 0;
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
    std::optional<size_t> at = CodeSizeOffset(file, descriptor);
    if (!at || source.position != *at + 1 || file[*at] <= 8)
      return GifFailure(gif.get(), "Bildbeschreibung");
    own_code_size = file[*at];
    if (own_code_size > GifLzwDecoder::kMaxCodeSize)
      return Fail(Error::kCorruptGif, "Bildbeschreibung: minimale LZW-Codegröße " +
                                          std::to_string(own_code_size) + " lässt keine Codes übrig");
  }

  const GifImageDesc& desc = gif->Image;
  if (desc.Width <= 0 || desc.Height <= 0) return Fail(Error::kCorruptGif, "leeres Bild");
  Frame f;
  f.frame_width = uint32_t(desc.Width);
  f.frame_height = uint32_t(desc.Height);
  f.left = uint32_t(std::max(desc.Left, 0));
  f.top = uint32_t(std::max(desc.Top, 0));
  f.width = uint32_t(std::max(gif->SWidth, 0));
  f.height = uint32_t(std::max(gif->SHeight, 0));
  f.interlaced = desc.Interlace;
  f.transparent_index = transparent_index;
  if (f.width == 0 || f.height == 0) {
    f.width = f.left + f.frame_width;  // both < 2^16: no overflow
    f.height = f.top + f.frame_height;
  }
  if (Status s = CheckDeclaredSize(f.width, f.height, 1, box, Error::kCorruptGif); !s.ok())
    return s;
  if (Status s = CheckDeclaredSize(f.frame_width, f.frame_height, 1, {}, Error::kCorruptGif);
      !s.ok())
    return s;
  uint64_t frame_pixels = uint64_t{f.frame_width} * f.frame_height;
  if (frame_pixels / kMaxLzwPixelsPerByte > source.left())
    return Fail(Error::kCorruptGif, "Bild größer, als seine Daten erlauben");
  if (uint64_t{f.width} * f.height > frame_pixels + kMaxBlankPixels)
    return Fail(Error::kCorruptGif, "logischer Bildschirm weit größer als das erste Bild");
  f.map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
  if (f.map == nullptr || f.map->Colors == nullptr) return Fail(Error::kCorruptGif, "keine Palette");
  std::optional<size_t> bytes = PixelBufferBytes(f.width, f.height, 4);
  if (!bytes) return Fail(Error::kTooLarge, "dekodiertes Bild");

  if (own_code_size != 0) {
    auto decoder = std::make_unique<GifLzwDecoder>(file.subspan(source.position), own_code_size,
                                                   frame_pixels);
    auto read_row = [&](uint16_t* line) { return decoder->Read({line, f.frame_width}); };
    return PaintFrame<uint16_t>(f, *bytes, read_row, out);
  }
  GifFileType* handle = gif.get();
  auto read_row = [&](GifPixelType* line) {
    if (DGifGetLine(handle, line, int(f.frame_width)) == GIF_ERROR)
      return GifFailure(handle, "Pixeldaten");
    return Status::Ok();
  };
  return PaintFrame<GifPixelType>(f, *bytes, read_row, out);
}

}  // namespace quorvel

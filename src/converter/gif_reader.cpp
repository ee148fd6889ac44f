#include "converter/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "converter/checked_size.h"
#include "converter/declared_size.h"
#include "converter/limits.h"

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
  return Fail(error, std::string(step) + ": " + (text != nullptr ? text : "unknown"));
}

// Reads extension blocks up to the first image; keeps the transparent index
// of the graphic control block that belongs to that image (-1 for none).
Status SkipToFirstImage(GifFileType* gif, int* transparent_index) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return GifFailure(gif, "record");
    if (type == IMAGE_DESC_RECORD_TYPE) return Status::Ok();
    if (type == TERMINATE_RECORD_TYPE) return Fail(Error::kCorruptGif, "no image in the file");
    if (type != EXTENSION_RECORD_TYPE) return Fail(Error::kCorruptGif, "unknown record");
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return GifFailure(gif, "extension");
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
      GraphicsControlBlock gcb{};
      if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
        *transparent_index = gcb.TransparentColor;
    }
    while (block != nullptr)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return GifFailure(gif, "extension");
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

}  // namespace

Status ReadGif(std::span<const uint8_t> file, TargetBox box, SourcePicture* out) {
  MemorySource source{file};
  int open_error = 0;
  GifHandle gif(DGifOpen(&source, ReadFromMemory, &open_error));
  if (!gif) {
    const char* text = GifErrorString(open_error);
    return Fail(Error::kCorruptGif, std::string("header: ") + (text != nullptr ? text : "unknown"));
  }
  int transparent_index = NO_TRANSPARENT_COLOR;
  if (Status s = SkipToFirstImage(gif.get(), &transparent_index); !s.ok()) return s;
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return GifFailure(gif.get(), "image descriptor");

  const GifImageDesc& frame = gif->Image;
  if (frame.Width <= 0 || frame.Height <= 0) return Fail(Error::kCorruptGif, "empty frame");
  uint32_t frame_width = uint32_t(frame.Width);
  uint32_t frame_height = uint32_t(frame.Height);
  uint32_t left = uint32_t(std::max(frame.Left, 0));
  uint32_t top = uint32_t(std::max(frame.Top, 0));
  uint32_t width = uint32_t(std::max(gif->SWidth, 0));
  uint32_t height = uint32_t(std::max(gif->SHeight, 0));
  if (width == 0 || height == 0) {
    width = left + frame_width;  // both < 2^16: no overflow
    height = top + frame_height;
  }
  if (Status s = CheckDeclaredSize(width, height, false, box, Error::kCorruptGif); !s.ok()) return s;
  if (Status s = CheckDeclaredSize(frame_width, frame_height, false, {}, Error::kCorruptGif); !s.ok())
    return s;
  if (uint64_t{frame_width} * frame_height / kMaxLzwPixelsPerByte > source.left())
    return Fail(Error::kCorruptGif, "frame larger than its data allows");
  if (uint64_t{width} * height > uint64_t{frame_width} * frame_height + kMaxBlankPixels)
    return Fail(Error::kCorruptGif, "logical screen far larger than its first frame");
  const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (map == nullptr || map->Colors == nullptr) return Fail(Error::kCorruptGif, "no palette");
  std::optional<size_t> bytes = PixelBufferBytes(width, height, 4);
  if (!bytes) return Fail(Error::kTooLarge, "decoded picture");
  std::vector<uint32_t> order = RowOrder(frame_height, frame.Interlace);
  std::vector<GifPixelType> line(frame_width);

  // What nearly every GIF is: one opaque frame filling the screen. It goes
  // straight to RGB, without the RGBA canvas, its scan for holes and the
  // copy that would follow (a third of the reading time).
  if (transparent_index == NO_TRANSPARENT_COLOR && left == 0 && top == 0 &&
      frame_width == width && frame_height == height) {
    uint8_t colours[256][3] = {};  // an index beyond the palette paints black
    for (int i = 0; i < map->ColorCount && i < 256; ++i) {
      colours[i][0] = map->Colors[i].Red;
      colours[i][1] = map->Colors[i].Green;
      colours[i][2] = map->Colors[i].Blue;
    }
    SourcePicture picture = OpaquePicture(width, height);
    Image& rgb = picture.image;
    for (uint32_t y : order) {
      if (DGifGetLine(gif.get(), line.data(), int(frame_width)) == GIF_ERROR)
        return GifFailure(gif.get(), "pixel data");
      uint8_t* dst = rgb.row(y);
      for (uint32_t x = 0; x < width; ++x, dst += 3) std::memcpy(dst, colours[line[x]], 3);
    }
    *out = std::move(picture);
    return Status::Ok();
  }

  Image canvas;
  canvas.width = width;
  canvas.height = height;
  canvas.channels = 4;
  canvas.pixels.assign(*bytes, 0);  // transparent where the frame does not paint
  for (uint32_t stored_row : order) {
    if (DGifGetLine(gif.get(), line.data(), int(frame_width)) == GIF_ERROR)
      return GifFailure(gif.get(), "pixel data");
    uint32_t y = top + stored_row;
    if (y >= height) continue;
    uint8_t* dst = canvas.row(y);
    for (uint32_t x = 0; x < frame_width && left + x < width; ++x) {
      int index = line[x];
      if (index == transparent_index) continue;
      uint8_t* px = dst + size_t{left + x} * 4;
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
    picture.stored_width = width;
    picture.stored_height = height;
    picture.model = PixelModel::kRgba;
    picture.image = std::move(canvas);
    *out = std::move(picture);
    return Status::Ok();
  }
  SourcePicture picture = OpaquePicture(width, height);
  for (size_t i = 0, n = size_t{width} * height; i < n; ++i)
    std::memcpy(&picture.image.pixels[i * 3], &canvas.pixels[i * 4], 3);
  *out = std::move(picture);
  return Status::Ok();
}

}  // namespace quorvel

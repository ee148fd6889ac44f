#include "converter/write/gif_writer.h"

#include <memory>
#include <new>
#include <string>

#include <gif_lib.h>

namespace quorvel {
namespace {

// The format stores sides as 16-bit numbers.
constexpr uint32_t kMaxGifSide = 65535;

struct Sink {
  std::vector<uint8_t>* bytes;
  bool out_of_memory = false;
};

// Called from inside giflib: no exception may pass through C frames.
int WriteToSink(GifFileType* gif, const GifByteType* data, int length) {
  auto* sink = static_cast<Sink*>(gif->UserData);
  try {
    sink->bytes->insert(sink->bytes->end(), data, data + length);
    return length;
  } catch (const std::bad_alloc&) {
    sink->out_of_memory = true;
    return 0;
  }
}

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Closes the file on every path; EGifCloseFile frees it even when it fails.
struct GifCloser {
  GifFileType* gif = nullptr;
  ~GifCloser() {
    if (gif != nullptr) EGifCloseFile(gif, nullptr);
  }
};

Status GifFailure(const Sink& sink, int code) {
  if (sink.out_of_memory || code == E_GIF_ERR_NOT_ENOUGH_MEM) {
    return Fail(Error::kOutOfMemory, "GIF");
  }
  const char* text = GifErrorString(code);
  return Fail(Error::kEncodeFailed, std::string("GIF: ") + (text ? text : std::to_string(code)));
}

}  // namespace

Status WriteIndexedGif(const IndexedImage& image, std::vector<uint8_t>* out) {
  if (image.width > kMaxGifSide || image.height > kMaxGifSide) {
    return Fail(Error::kTooLarge, "GIF höchstens 65535 Pixel je Seite");
  }
  if (image.palette.empty() || image.palette.size() > 256) {
    return Fail(Error::kInternal, "GIF-Palettengröße");
  }
  // A GIF colour table has a power-of-two size.
  const int bits = GifBitSize(static_cast<int>(image.palette.size()));
  std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(1 << bits, nullptr));
  if (!map) return Fail(Error::kOutOfMemory, "GIF");
  for (int i = 0; i < map->ColorCount; ++i) {
    GifColorType& c = map->Colors[i];
    if (static_cast<size_t>(i) < image.palette.size()) {
      c.Red = image.palette[i][0];
      c.Green = image.palette[i][1];
      c.Blue = image.palette[i][2];
    } else {
      c.Red = c.Green = c.Blue = 0;
    }
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(size_t{image.width} * image.height / 2 + 1024);
  Sink sink{&bytes};
  int error = 0;
  GifCloser file;
  file.gif = EGifOpen(&sink, WriteToSink, &error);
  if (file.gif == nullptr) return GifFailure(sink, error);
  GifFileType* gif = file.gif;
  EGifSetGifVersion(gif, true);
  const int w = static_cast<int>(image.width);
  const int h = static_cast<int>(image.height);
  if (EGifPutScreenDesc(gif, w, h, bits, 0, map.get()) == GIF_ERROR) {
    return GifFailure(sink, gif->Error);
  }
  if (image.transparent_index >= 0) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = 0;
    gcb.TransparentColor = image.transparent_index;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&gcb, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
        GIF_ERROR) {
      return GifFailure(sink, gif->Error);
    }
  }
  if (EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR) {
    return GifFailure(sink, gif->Error);
  }
  for (uint32_t y = 0; y < image.height; ++y) {
    // giflib takes a non-const row but only reads it.
    auto* row = const_cast<GifPixelType*>(image.indices.data() + size_t{y} * image.width);
    if (EGifPutLine(gif, row, w) == GIF_ERROR) return GifFailure(sink, gif->Error);
  }
  file.gif = nullptr;
  if (EGifCloseFile(gif, &error) == GIF_ERROR) return GifFailure(sink, error);
  *out = std::move(bytes);
  return Status::Ok();
}

Status EncodeGif(const Image& image, bool transparency, std::vector<uint8_t>* out) {
  if (image.width > kMaxGifSide || image.height > kMaxGifSide) {
    return Fail(Error::kTooLarge, "GIF höchstens 65535 Pixel je Seite");
  }
  IndexedImage indexed;
  Status status = QuantizeForGif(image, transparency, &indexed);
  if (!status.ok()) return status;
  return WriteIndexedGif(indexed, out);
}

}  // namespace quorvel

// Proves the Windows codec stack as built from Debian's sources: every library links into one
// static .exe, round-trips a small picture in memory, and file names outside ASCII reach the
// disk through the wide file API. Runs under Wine.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
#include <gif_lib.h>
#include <lcms2.h>
#include <libexif/exif-data.h>
#include <libimagequant.h>
#include <spng.h>
#include <zlib.h>

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 8;

// Four flat quarters: few enough colours that a GIF keeps them exactly, and flat enough that
// JPEG's blocks hold them closely.
std::vector<uint8_t> FourColourRgba() {
  static constexpr uint8_t kColours[4][4] = {
      {200, 30, 40, 255}, {20, 180, 60, 255}, {30, 50, 210, 255}, {250, 240, 20, 255}};
  std::vector<uint8_t> rgba;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* c = kColours[(y >= kHeight / 2) * 2 + (x >= kWidth / 2)];
      rgba.insert(rgba.end(), c, c + 4);
    }
  }
  return rgba;
}

std::vector<uint8_t> DropAlpha(const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> rgb;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
  return rgb;
}

TEST(CodecSmoke, ZlibRoundTrip) {
  const std::string text(1000, 'K');
  uLongf packed_size = compressBound(text.size());
  std::vector<Bytef> packed(packed_size);
  ASSERT_EQ(compress(packed.data(), &packed_size,
                     reinterpret_cast<const Bytef*>(text.data()), text.size()),
            Z_OK);
  EXPECT_LT(packed_size, text.size());
  std::string back(text.size(), '\0');
  uLongf back_size = back.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back.data()), &back_size, packed.data(),
                       packed_size),
            Z_OK);
  EXPECT_EQ(back, text);
}

TEST(CodecSmoke, JpegRoundTripInMemory) {
  const std::vector<uint8_t> rgb = DropAlpha(FourColourRgba());
  jpeg_error_mgr error{};
  unsigned char* file = nullptr;
  unsigned long file_size = 0;
  {
    jpeg_compress_struct c{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &file, &file_size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = const_cast<uint8_t*>(&rgb[c.next_scanline * kWidth * 3]);
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
  }
  ASSERT_NE(file, nullptr);
  ASSERT_GT(file_size, 2u);
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);

  std::vector<uint8_t> decoded(rgb.size());
  jpeg_decompress_struct d{};
  d.err = jpeg_std_error(&error);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file, file_size);
  ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
  d.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d);
  EXPECT_EQ(d.output_width, static_cast<JDIMENSION>(kWidth));
  EXPECT_EQ(d.output_height, static_cast<JDIMENSION>(kHeight));
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = &decoded[d.output_scanline * kWidth * 3];
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  std::free(file);

  // Chroma subsampling blurs the edges between quarters; their middles stay close.
  for (int y : {1, kHeight - 2}) {
    for (int x : {2, kWidth - 3}) {
      for (int ch = 0; ch < 3; ++ch) {
        const size_t i = (y * kWidth + x) * 3 + ch;
        EXPECT_NEAR(decoded[i], rgb[i], 8) << "x " << x << " y " << y << " channel " << ch;
      }
    }
  }
}

TEST(CodecSmoke, PngRoundTripInMemory) {
  const std::vector<uint8_t> rgba = FourColourRgba();
  spng_ctx* enc = spng_ctx_new(SPNG_CTX_ENCODER);
  ASSERT_NE(enc, nullptr);
  ASSERT_EQ(spng_set_option(enc, SPNG_ENCODE_TO_BUFFER, 1), 0);
  spng_ihdr ihdr{};
  ihdr.width = kWidth;
  ihdr.height = kHeight;
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  ASSERT_EQ(spng_set_ihdr(enc, &ihdr), 0);
  ASSERT_EQ(spng_encode_image(enc, rgba.data(), rgba.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE),
            0);
  size_t png_size = 0;
  int error = 0;
  void* png = spng_get_png_buffer(enc, &png_size, &error);
  spng_ctx_free(enc);
  ASSERT_EQ(error, 0);
  ASSERT_NE(png, nullptr);

  spng_ctx* dec = spng_ctx_new(0);
  ASSERT_NE(dec, nullptr);
  ASSERT_EQ(spng_set_png_buffer(dec, png, png_size), 0);
  size_t out_size = 0;
  ASSERT_EQ(spng_decoded_image_size(dec, SPNG_FMT_RGBA8, &out_size), 0);
  std::vector<uint8_t> decoded(out_size);
  EXPECT_EQ(spng_decode_image(dec, decoded.data(), decoded.size(), SPNG_FMT_RGBA8, 0), 0);
  spng_ctx_free(dec);
  std::free(png);
  EXPECT_EQ(decoded, rgba);
}

struct GifBuffer {
  std::vector<uint8_t> bytes;
  size_t read_at = 0;
};

int WriteToBuffer(GifFileType* gif, const GifByteType* data, int length) {
  auto* buffer = static_cast<GifBuffer*>(gif->UserData);
  buffer->bytes.insert(buffer->bytes.end(), data, data + length);
  return length;
}

int ReadFromBuffer(GifFileType* gif, GifByteType* data, int length) {
  auto* buffer = static_cast<GifBuffer*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(length), buffer->bytes.size() - buffer->read_at);
  std::memcpy(data, buffer->bytes.data() + buffer->read_at, n);
  buffer->read_at += n;
  return static_cast<int>(n);
}

TEST(CodecSmoke, GifRoundTripThroughQuantizer) {
  const std::vector<uint8_t> rgba = FourColourRgba();
  liq_attr* attr = liq_attr_create();
  ASSERT_NE(attr, nullptr);
  ASSERT_EQ(liq_set_max_colors(attr, 16), LIQ_OK);
  liq_image* image = liq_image_create_rgba(attr, rgba.data(), kWidth, kHeight, 0);
  ASSERT_NE(image, nullptr);
  liq_result* result = nullptr;
  ASSERT_EQ(liq_image_quantize(image, attr, &result), LIQ_OK);
  std::vector<uint8_t> indexes(kWidth * kHeight);
  ASSERT_EQ(liq_write_remapped_image(result, image, indexes.data(), indexes.size()), LIQ_OK);
  const liq_palette* palette = liq_get_palette(result);
  ASSERT_GE(palette->count, 4u);

  GifColorType colours[256] = {};
  for (unsigned i = 0; i < palette->count; ++i)
    colours[i] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
  const int map_size = 1 << GifBitSize(static_cast<int>(palette->count));
  liq_result_destroy(result);
  liq_image_destroy(image);
  liq_attr_destroy(attr);

  GifBuffer buffer;
  int error = 0;
  GifFileType* out = EGifOpen(&buffer, WriteToBuffer, &error);
  ASSERT_NE(out, nullptr) << GifErrorString(error);
  ColorMapObject* map = GifMakeMapObject(map_size, colours);
  ASSERT_EQ(EGifPutScreenDesc(out, kWidth, kHeight, 8, 0, map), GIF_OK);
  ASSERT_EQ(EGifPutImageDesc(out, 0, 0, kWidth, kHeight, false, nullptr), GIF_OK);
  for (int y = 0; y < kHeight; ++y)
    ASSERT_EQ(EGifPutLine(out, &indexes[y * kWidth], kWidth), GIF_OK);
  GifFreeMapObject(map);
  ASSERT_EQ(EGifCloseFile(out, &error), GIF_OK) << GifErrorString(error);

  GifFileType* in = DGifOpen(&buffer, ReadFromBuffer, &error);
  ASSERT_NE(in, nullptr) << GifErrorString(error);
  ASSERT_EQ(DGifSlurp(in), GIF_OK) << GifErrorString(in->Error);
  ASSERT_EQ(in->ImageCount, 1);
  const SavedImage& frame = in->SavedImages[0];
  ASSERT_EQ(frame.ImageDesc.Width, kWidth);
  ASSERT_EQ(frame.ImageDesc.Height, kHeight);
  const ColorMapObject* read_map = in->SColorMap;
  ASSERT_NE(read_map, nullptr);
  std::vector<uint8_t> decoded;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const GifColorType& c = read_map->Colors[frame.RasterBits[i]];
    decoded.insert(decoded.end(), {c.Red, c.Green, c.Blue, 255});
  }
  DGifCloseFile(in, &error);
  // Four colours fit any palette: the quantizer must keep them exactly.
  EXPECT_EQ(decoded, rgba);
}

TEST(CodecSmoke, LcmsTransformsThroughAnEmbeddedProfile) {
  // A profile travels as bytes inside a picture; read one back as the readers will.
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  ASSERT_NE(srgb, nullptr);
  cmsUInt32Number size = 0;
  ASSERT_TRUE(cmsSaveProfileToMem(srgb, nullptr, &size));
  std::vector<uint8_t> icc(size);
  ASSERT_TRUE(cmsSaveProfileToMem(srgb, icc.data(), &size));
  cmsHPROFILE embedded = cmsOpenProfileFromMem(icc.data(), size);
  ASSERT_NE(embedded, nullptr);
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM to_lab =
      cmsCreateTransform(embedded, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_PERCEPTUAL, 0);
  ASSERT_NE(to_lab, nullptr);
  const uint8_t white_and_red[6] = {255, 255, 255, 255, 0, 0};
  cmsCIELab out[2] = {};
  cmsDoTransform(to_lab, white_and_red, out, 2);
  cmsDeleteTransform(to_lab);
  cmsCloseProfile(lab);
  cmsCloseProfile(embedded);
  cmsCloseProfile(srgb);
  EXPECT_NEAR(out[0].L, 100.0, 0.5);
  EXPECT_NEAR(out[0].a, 0.0, 0.5);
  EXPECT_NEAR(out[0].b, 0.0, 0.5);
  // sRGB red is about L 54, a 81, b 70 (D50).
  EXPECT_NEAR(out[1].L, 54.3, 1.5);
  EXPECT_GT(out[1].a, 70.0);
  EXPECT_GT(out[1].b, 60.0);
}

TEST(CodecSmoke, ExifOrientationSurvivesSaveAndParse) {
  ExifData* made = exif_data_new();
  ASSERT_NE(made, nullptr);
  exif_data_set_byte_order(made, EXIF_BYTE_ORDER_MOTOROLA);
  ExifEntry* entry = exif_entry_new();
  exif_content_add_entry(made->ifd[EXIF_IFD_0], entry);
  exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
  exif_set_short(entry->data, EXIF_BYTE_ORDER_MOTOROLA, 6);
  exif_entry_unref(entry);
  unsigned char* block = nullptr;
  unsigned int block_size = 0;
  exif_data_save_data(made, &block, &block_size);
  exif_data_unref(made);
  ASSERT_NE(block, nullptr);
  ASSERT_GT(block_size, 6u);
  EXPECT_EQ(std::memcmp(block, "Exif\0\0", 6), 0);

  ExifData* parsed = exif_data_new_from_data(block, block_size);
  std::free(block);
  ASSERT_NE(parsed, nullptr);
  ExifEntry* orientation = exif_content_get_entry(parsed->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  ASSERT_NE(orientation, nullptr);
  EXPECT_EQ(exif_get_short(orientation->data, exif_data_get_byte_order(parsed)), 6);
  exif_data_unref(parsed);
}

// Names with umlauts are where an ANSI call would lose the file; both wide routes must find
// the same bytes under the same UTF-16 name.
TEST(CodecSmoke, UmlautFileNameThroughTheWideApi) {
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
  const std::wstring name = L"Kalvenix Gr\u00f6\u00dfe \u00c4pfel \u00fc.bin";
  const std::wstring path = std::wstring(temp) + name;
  const std::string payload = "Fotos aus M\xc3\xbcnchen";

  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::fwrite(payload.data(), 1, payload.size(), file), payload.size());
  ASSERT_EQ(std::fclose(file), 0);

  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  char back[64] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(handle, back, sizeof back, &read, nullptr));
  CloseHandle(handle);
  EXPECT_EQ(std::string(back, read), payload);

  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(path.c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  EXPECT_EQ(std::wstring(found.cFileName), name);

  EXPECT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

#include "converter/read/sniff.h"

#include <cstring>

namespace quorvel {
namespace {

bool StartsWith(std::span<const uint8_t> file, const char* signature, size_t length) {
  return file.size() >= length && std::memcmp(file.data(), signature, length) == 0;
}

}  // namespace

PictureFormat SniffFormat(std::span<const uint8_t> file) {
  // SOI followed by the first marker's 0xFF: two bytes alone match too much.
  if (StartsWith(file, "\xFF\xD8\xFF", 3)) return PictureFormat::kJpeg;
  if (StartsWith(file, "\x89PNG\r\n\x1A\n", 8)) return PictureFormat::kPng;
  if (StartsWith(file, "GIF87a", 6) || StartsWith(file, "GIF89a", 6)) return PictureFormat::kGif;
  // "BM" is a Windows bitmap; the OS/2 array and icon types ("BA", "CI") are
  // other containers and stay unknown.
  if (StartsWith(file, "BM", 2)) return PictureFormat::kBmp;
  return PictureFormat::kUnknown;
}

}  // namespace quorvel

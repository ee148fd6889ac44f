#include "converter/base/output_type.h"

#include <algorithm>
#include <string>

namespace quorvel {

std::optional<OutputType> OutputTypeFromPath(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string suffix(name.substr(dot + 1));
  // ASCII only: a locale-aware toupper could fold a non-ASCII byte into "JPG".
  std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  });
  if (suffix == "BMP") return OutputType::kBmp;
  if (suffix == "GIF") return OutputType::kGif;
  if (suffix == "JPG" || suffix == "JPEG") return OutputType::kJpeg;
  if (suffix == "PNG") return OutputType::kPng;
  return std::nullopt;
}

}  // namespace quorvel

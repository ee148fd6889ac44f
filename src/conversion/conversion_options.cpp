#include "conversion/conversion_options.h"

namespace kalvenix {

bool TransparencyOption(int32_t transparency_state, int32_t type_index) {
  return transparency_state != 0 && type_index == kGifTypeIndex;
}

int32_t QualityOption(int32_t number, int32_t type_index) {
  if (type_index != kJpgTypeIndex) return 100;
  // 0 is what an empty or unreadable text gives, so it means "untouched"
  // (best quality), while a small typed number is only raised to the floor.
  int32_t quality = number;
  if (quality == 0 || quality > 100) quality = 100;
  if (quality < 10) quality = 10;
  return quality;
}

}  // namespace kalvenix

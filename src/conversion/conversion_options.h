// The option rules: what transparency and quality reach the converter for
// the chosen output type. Positions are those of cmbType: 0 "BMP", 1 "GIF",
// 2 "JPG", 3 "PNG", -1 none.
// Pure functions; safe from any thread.
#ifndef KALVENIX_CONVERSION_CONVERSION_OPTIONS_H_
#define KALVENIX_CONVERSION_CONVERSION_OPTIONS_H_

#include <cstdint>

namespace kalvenix {

inline constexpr int32_t kGifTypeIndex = 1;  // the one type with transparency
inline constexpr int32_t kJpgTypeIndex = 2;  // the one type with a quality

// True only for "GIF" with the box set (1) or grayed (2).
bool TransparencyOption(int32_t transparency_state, int32_t type_index);

// `number` is the quality text's value: 0 or above 100 gives 100, then below
// 10 gives 10; any type but "JPG" gets 100.
int32_t QualityOption(int32_t number, int32_t type_index);

}  // namespace kalvenix

#endif  // KALVENIX_CONVERSION_CONVERSION_OPTIONS_H_

#include "converter/read/exif_orientation.h"

#include <libexif/exif-data.h>

#include <cstring>
#include <memory>
#include <vector>

namespace quorvel {
namespace {

struct ExifDataDeleter {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};

constexpr uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

}  // namespace

int ReadExifOrientation(std::span<const uint8_t> exif) {
  if (exif.size() < 8 || exif.size() > 0xFFFF * 16) return 1;
  // libexif expects the JPEG form; a PNG eXIf chunk lacks the header.
  std::vector<uint8_t> with_header;
  if (std::memcmp(exif.data(), kExifHeader, sizeof kExifHeader) != 0) {
    with_header.assign(std::begin(kExifHeader), std::end(kExifHeader));
    with_header.insert(with_header.end(), exif.begin(), exif.end());
    exif = with_header;
  }
  std::unique_ptr<ExifData, ExifDataDeleter> data(exif_data_new());
  if (!data) return 1;
  // Only reading: libexif must not "repair" the data by adding default tags,
  // and maker notes are of no interest.
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
  exif_data_load_data(data.get(), exif.data(), static_cast<unsigned int>(exif.size()));
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry == nullptr || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 ||
      entry->data == nullptr || entry->size < 2)
    return 1;
  int value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
  return value >= 1 && value <= 8 ? value : 1;
}

}  // namespace quorvel

#include "conversion/destination_path.h"

#include <algorithm>

#include "platform/system_paths.h"

namespace kalvenix {

std::u16string DestinationPath(std::u16string_view source, std::u16string_view type_text) {
  if (type_text.empty() || source.empty()) return {};
  // A "." in a folder name ("/fotos/alte.bilder/foto") is not a suffix:
  // cutting there would write outside the source's folder.
  const auto separator = std::find_if(source.rbegin(), source.rend(), IsFolderSeparator);
  const size_t name_start = static_cast<size_t>(source.rend() - separator);
  const size_t dot = source.rfind(u'.');
  std::u16string destination;
  if (dot == std::u16string_view::npos || dot < name_start) {
    destination.append(source).append(u".");
  } else {
    destination.append(source.substr(0, dot + 1));
  }
  destination.append(type_text);
  return destination;
}

}  // namespace kalvenix

// DestinationPath: where the converter writes an entry's picture.
//
// The source path up to and including the last "." of its file name (the
// part after the system's last folder separator, see IsFolderSeparator),
// followed by the output type's text as it is ("PNG", "JPG", ...). A file
// name without "." gets "." and the type appended to the whole path, so the
// picture always lands beside its source.
// An empty output type or an empty source gives an empty path: the entry is
// skipped. A destination equal to its source is returned as is.
// A pure function; safe from any thread.
#ifndef KALVENIX_CONVERSION_DESTINATION_PATH_H_
#define KALVENIX_CONVERSION_DESTINATION_PATH_H_

#include <string>
#include <string_view>

namespace kalvenix {

std::u16string DestinationPath(std::u16string_view source, std::u16string_view type_text);

}  // namespace kalvenix

#endif  // KALVENIX_CONVERSION_DESTINATION_PATH_H_

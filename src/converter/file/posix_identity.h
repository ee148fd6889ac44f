// A stat result as a file identity, shared by the POSIX side of this folder.
// Thread-safety: pure functions.
#ifndef KALVENIX_CONVERTER_FILE_POSIX_IDENTITY_H_
#define KALVENIX_CONVERTER_FILE_POSIX_IDENTITY_H_

#include <string>

#include <sys/stat.h>

#include "converter/file/same_file.h"

namespace quorvel {

OpenedSource OpenedSourceOf(const std::string& path, const struct stat& opened);

// True when `found` (a stat result) is the opened source by identity.
bool IsSameFile(const struct stat& found, const OpenedSource& source);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_FILE_POSIX_IDENTITY_H_

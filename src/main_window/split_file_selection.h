// SplitFileSelection: turns the open dialog's FileName into the full paths to
// add to the file list, in order.
//
// Without a NUL the result is one path, as given (so "" gives one empty path).
// Otherwise the first NUL-separated piece is the folder and every further
// piece, empty ones included, becomes folder, the system's separator ("/" or
// "\\"), piece. Nothing is
// trimmed or checked. Pure; safe from any thread.
#ifndef KALVENIX_MAIN_WINDOW_SPLIT_FILE_SELECTION_H_
#define KALVENIX_MAIN_WINDOW_SPLIT_FILE_SELECTION_H_

#include <string>
#include <vector>

namespace kalvenix {

std::vector<std::u16string> SplitFileSelection(const std::u16string& file_name);

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_SPLIT_FILE_SELECTION_H_

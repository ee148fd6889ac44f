#include "main_window/split_file_selection.h"

#include "platform/system_paths.h"

namespace kalvenix {

std::vector<std::u16string> SplitFileSelection(const std::u16string& file_name) {
  if (file_name.find(u'\0') == std::u16string::npos) return {file_name};

  // The trailing NUL makes the last name end like every other one.
  const std::u16string walk = file_name + u'\0';
  std::vector<std::u16string> paths;
  const char16_t separator = FolderSeparator();
  std::u16string folder;
  bool have_folder = false;
  size_t start = 0;
  for (size_t nul = walk.find(u'\0', start); nul != std::u16string::npos;
       nul = walk.find(u'\0', start)) {
    std::u16string piece = walk.substr(start, nul - start);
    if (!have_folder) {
      folder = std::move(piece);
      have_folder = true;
    } else {
      paths.push_back(folder + separator + piece);
    }
    start = nul + 1;
  }
  return paths;
}

}  // namespace kalvenix

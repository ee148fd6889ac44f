// The system's open dialog and message box with the program's real settings,
// for a test that drives them from outside. Each use appends one line to OUT,
// in UTF-8: "error=<DialogError> file=<FileName, NULs shown as |>", or
// "message=closed" once the message box has been closed.
// Usage: open_dialog_probe OUT [USES]    the open dialog USES times (1)
//        open_dialog_probe OUT message   the message box once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/windows_message_box.h"
#include "platform/windows_open_dialog.h"

namespace {

std::string Utf8(const std::u16string& text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

bool AppendLine(const wchar_t* path, const std::string& line) {
  FILE* out = _wfopen(path, L"ab");
  if (out == nullptr) return false;
  const bool written = std::fwrite(line.data(), 1, line.size(), out) == line.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: open_dialog_probe OUT [USES | message]\n", stderr);
    return 2;
  }
  if (argc == 3 && std::wstring(argv[2]) == L"message") {
    kalvenix::ShowWindowsMessageBox(nullptr, u"Keine Dateien ausgewählt!");
    return AppendLine(argv[1], "message=closed\n") ? 0 : 1;
  }
  const int uses = argc == 3 ? _wtoi(argv[2]) : 1;
  if (uses < 1) return 2;

  // One adapter for every use, as the window keeps one.
  kalvenix::WindowsOpenDialog dialog(nullptr);
  for (int use = 0; use < uses; ++use) {
    kalvenix::DialogError error = kalvenix::DialogError::kNone;
    const auto record = [&error](kalvenix::DialogError step) {
      if (step != kalvenix::DialogError::kNone) error = step;
    };
    record(dialog.SetCancelError(true));
    record(dialog.SetMaxFileSize(260));
    record(dialog.SetFilter(u"Bilder (*.bmp,*.gif,*.jpg,*.png)|*.bmp;*.gif;*.jpg;*.png"));
    record(dialog.SetDialogTitle(u"Bild zum Konvertieren auswählen"));
    record(dialog.SetFlags(0x80200));
    record(dialog.ShowOpen());
    std::u16string file_name;
    record(dialog.FileName(&file_name));
    for (char16_t& c : file_name) {
      if (c == u'\0') c = u'|';
    }
    const std::string line = "error=" + std::to_string(static_cast<int>(error)) +
                             " file=" + Utf8(file_name) + "\n";
    if (!AppendLine(argv[1], line)) return 1;
  }
  return 0;
}

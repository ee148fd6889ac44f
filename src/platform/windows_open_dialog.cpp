#include "platform/windows_open_dialog.h"

#include <cderr.h>

#include <algorithm>
#include <utility>

namespace kalvenix {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide API takes UTF-16 code units");

const wchar_t* Wide(const std::u16string& text) {
  return text.empty() ? nullptr : reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

OpenDialogOutcome ShowSystemOpenDialog(OPENFILENAMEW* request) {
  if (GetOpenFileNameW(request)) return {true, 0};
  return {false, CommDlgExtendedError()};
}

std::optional<std::u16string> DialogFilterPairs(std::u16string_view filter) {
  if (filter.empty()) return std::u16string();
  if (filter.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  std::u16string pairs;
  size_t pieces = 0;
  size_t start = 0;
  for (;;) {
    const size_t bar = filter.find(u'|', start);
    const std::u16string_view piece = filter.substr(start, bar == filter.npos ? filter.npos
                                                                              : bar - start);
    // An empty description would show as a blank line; empty patterns would
    // end the dialog's list right there.
    if (piece.empty()) return std::nullopt;
    pairs.append(piece);
    pairs.push_back(u'\0');
    ++pieces;
    if (bar == filter.npos) break;
    start = bar + 1;
  }
  if (pieces % 2 != 0) return std::nullopt;
  pairs.push_back(u'\0');
  return pairs;
}

std::u16string FileSelectionFromBuffer(std::u16string_view buffer) {
  std::u16string selection;
  size_t start = 0;
  while (start < buffer.size()) {
    const size_t nul = std::min(buffer.find(u'\0', start), buffer.size());
    if (nul == start) break;  // the empty piece that ends the list
    if (start != 0) selection.push_back(u'\0');
    selection.append(buffer.substr(start, nul - start));
    start = nul + 1;
  }
  return selection;
}

size_t ResultBufferChars(size_t current, int16_t max_file_size, size_t reported) {
  if (current == 0) {
    return std::max(kInitialResultChars, static_cast<size_t>(std::max<int16_t>(max_file_size, 0)));
  }
  if (current >= kMaxResultChars) return 0;
  return std::min(std::max(reported, current * 2), kMaxResultChars);
}

WindowsOpenDialog::WindowsOpenDialog(HWND owner, ShowOpenDialogFunction show)
    : owner_(owner), show_(std::move(show)) {}

DialogError WindowsOpenDialog::SetCancelError(bool cancel_error) {
  cancel_error_ = cancel_error;
  return DialogError::kNone;
}

DialogError WindowsOpenDialog::SetMaxFileSize(int16_t max_file_size) {
  if (max_file_size < 1) return DialogError::kInvalidSetting;
  max_file_size_ = max_file_size;
  return DialogError::kNone;
}

DialogError WindowsOpenDialog::SetFilter(const std::u16string& filter) {
  std::optional<std::u16string> pairs = DialogFilterPairs(filter);
  if (!pairs) return DialogError::kInvalidSetting;
  filter_pairs_ = std::move(*pairs);
  filter_index_ = 1;
  return DialogError::kNone;
}

DialogError WindowsOpenDialog::SetDialogTitle(const std::u16string& title) {
  // The caption would silently end at a NUL.
  if (title.find(u'\0') != std::u16string::npos) return DialogError::kInvalidSetting;
  title_ = title;
  return DialogError::kNone;
}

DialogError WindowsOpenDialog::SetFlags(int32_t flags) {
  flags_ = flags;
  return DialogError::kNone;
}

DialogError WindowsOpenDialog::ShowOpen() {
  const DialogError not_chosen = cancel_error_ ? DialogError::kCancelled : DialogError::kNone;
  // Explorer always, whatever the flags say: the old dialog separates names
  // with spaces, which FileName's form cannot carry.
  DWORD flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if ((flags_ & kDialogAllowMultiSelect) != 0) flags |= OFN_ALLOWMULTISELECT;

  for (size_t chars = ResultBufferChars(0, max_file_size_, 0); chars != 0;) {
    std::u16string buffer(chars, u'\0');
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner_;
    request.lpstrFilter = Wide(filter_pairs_);
    request.nFilterIndex = filter_pairs_.empty() ? 0 : filter_index_;
    request.lpstrFile = reinterpret_cast<wchar_t*>(buffer.data());
    request.nMaxFile = static_cast<DWORD>(chars);
    request.lpstrTitle = Wide(title_);
    request.Flags = flags;

    const OpenDialogOutcome outcome = show_(&request);
    if (outcome.confirmed) {
      if (!filter_pairs_.empty()) filter_index_ = request.nFilterIndex;
      std::u16string selection = FileSelectionFromBuffer(buffer);
      // Confirmed with nothing written is the dialog's fault, not a choice.
      if (selection.empty()) return not_chosen;
      file_name_ = std::move(selection);
      return DialogError::kNone;
    }
    if (outcome.error != FNERR_BUFFERTOOSMALL) return not_chosen;
    // The size the dialog needs stands in the buffer's first 16 bits.
    chars = ResultBufferChars(chars, max_file_size_, static_cast<uint16_t>(buffer[0]));
  }
  return not_chosen;
}

DialogError WindowsOpenDialog::FileName(std::u16string* file_name) const {
  if (file_name == nullptr) return DialogError::kInvalidSetting;
  *file_name = file_name_;
  return DialogError::kNone;
}

}  // namespace kalvenix

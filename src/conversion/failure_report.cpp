#include "conversion/failure_report.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/system_paths.h"

namespace kalvenix {
namespace {

constexpr char16_t kNoReason[] = u"Der Konverter nennt keinen Grund";

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// A count in German grouping ("32.769"), as the user reads numbers elsewhere.
std::u16string Number(int64_t value) {
  const std::u16string digits = Ascii(std::to_string(value));
  std::u16string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += u'.';
    out += digits[i];
  }
  return out;
}

// "5 von 120 Dateien wurden nicht konvertiert", and its forms for one file
// and for all of them, which read better than "1 von 1 Datei".
std::u16string NotConverted(int64_t failed, int64_t total) {
  if (total == 1) return u"Die Datei wurde nicht konvertiert";
  if (failed == total) return u"Keine der " + Number(total) + u" Dateien wurde konvertiert";
  return Number(failed) + u" von " + Number(total) + u" Dateien " +
         (failed == 1 ? u"wurde" : u"wurden") + u" nicht konvertiert";
}

// The same after "Deshalb", where German puts the verb first.
std::u16string ThereforeNotConverted(int64_t left, int64_t total) {
  if (total == 1) return u"Deshalb wurde die Datei nicht konvertiert.";
  if (left == total) return u"Deshalb wurde keine der " + Number(total) + u" Dateien konvertiert.";
  return std::u16string(left == 1 ? u"Deshalb wurde " : u"Deshalb wurden ") + Number(left) +
         u" von " + Number(total) + u" Dateien nicht konvertiert.";
}

void AppendList(const FailureReport& report, std::u16string& text) {
  for (const FailedEntry& entry : report.listed) {
    text += u"\n";
    text += FileNameOf(entry.path);
    text += u": " + entry.reason;
  }
  const int64_t unlisted = report.failed_entries - static_cast<int64_t>(report.listed.size());
  if (unlisted > 0) text += u"\n… und " + Number(unlisted) + u" weitere";
}

// Negative codes are the system's (HRESULTs), which are looked up in hex.
std::u16string StatusCode(CompStatus status) {
  if (status >= 0) return Ascii(std::to_string(status));
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
  return Ascii(hex);
}

}  // namespace

std::u16string ConverterFileName() { return u"Quorvel" + std::u16string(LibrarySuffix()); }

void FailureReport::AddFailedEntry(std::u16string_view path, std::u16string_view reason) {
  ++failed_entries;
  if (listed.size() < kListedFailures)
    listed.push_back({std::u16string(path), reason.empty() ? kNoReason : std::u16string(reason)});
}

void FailureReport::ConverterUnavailable(std::u16string_view reason, int64_t entries_left) {
  converter_reason = reason;
  entries_without_converter = entries_left;
}

std::u16string FailureMessage(const FailureReport& report) {
  if (report.AllConverted()) return {};
  std::u16string text;
  if (report.entries_without_converter > 0) {
    text += u"Der Konverter ";
    text += ConverterFileName();
    text += u" konnte nicht geladen werden: " + report.converter_reason + u".\n";
    text += ThereforeNotConverted(report.entries_without_converter, report.entry_count);
    if (report.failed_entries == 0) return text;
    // The entries before the stop that failed on their own.
    text += u"\n\nAußerdem " + std::u16string(report.failed_entries == 1 ? u"wurde " : u"wurden ") +
            Number(report.failed_entries) +
            (report.failed_entries == 1 ? u" Datei" : u" Dateien") + u" nicht konvertiert:";
  } else {
    text += NotConverted(report.failed_entries, report.entry_count) + u":";
  }
  AppendList(report, text);
  return text;
}

std::u16string ConverterUnavailableReason(CompStatus status, std::u16string_view load_error) {
  // The loader's words say which file or symbol is missing; the code alone
  // would only say that something is.
  const std::u16string detail =
      load_error.empty() ? std::u16string() : u" (" + std::u16string(load_error) + u")";
  switch (status) {
    case COMP_E_NOT_REGISTERED:
      // Registration loads the library first: a load error here means it never got that far.
      if (!load_error.empty()) return u"Die Datei fehlt oder lässt sich nicht laden" + detail;
      return u"Er ist nicht registriert, und seine Registrierung ist misslungen";
    case COMP_E_LIBRARY_NOT_LOADABLE:
      return u"Die Datei fehlt oder lässt sich nicht laden" + detail;
    case COMP_E_EXPORT_MISSING:
      return u"Die Datei ist kein Konverter";
    case COMP_E_CLASS_REFUSED:
      return u"Er verweigert das Anlegen eines Konverterobjekts";
    case COMP_E_OUT_OF_MEMORY:
      return u"Nicht genug Speicher";
    default:
      return u"Unerwarteter Fehler (Code " + StatusCode(status) + u")";
  }
}

std::u16string_view FileNameOf(std::u16string_view path) {
  const auto separator = std::find_if(path.rbegin(), path.rend(), IsFolderSeparator);
  const size_t name_start = static_cast<size_t>(path.rend() - separator);
  // A path ending in a separator has no name; the whole path at least says which entry.
  if (name_start == path.size()) return path;
  return path.substr(name_start);
}

}  // namespace kalvenix

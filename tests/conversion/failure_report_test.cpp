#include "conversion/failure_report.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "printable_text.h"

namespace kalvenix {
namespace {

using Failure = std::pair<std::u16string, std::u16string>;  // path, reason

// "bild<n>.jpg" with n's last digit: names for long runs of failures.
std::u16string NumberedName(int n) {
  return u"bild" + std::u16string(1, static_cast<char16_t>(u'0' + n % 10)) + u".jpg";
}

// `numbered` more failures "/fotos/bild<n>.jpg" follow the named ones.
struct Batch {
  const char* name;
  int64_t entries;
  std::vector<Failure> failures;
  int numbered = 0;
  std::u16string converter_reason = {};
  int64_t left_without_converter = 0;
  std::u16string message;
  friend void PrintTo(const Batch& b, std::ostream* os) { *os << b.name; }
};

class FailureMessageTest : public testing::TestWithParam<Batch> {};

TEST_P(FailureMessageTest, Words) {
  const Batch& batch = GetParam();
  FailureReport report;
  report.entry_count = batch.entries;
  for (const auto& [path, reason] : batch.failures) report.AddFailedEntry(path, reason);
  for (int i = 1; i <= batch.numbered; ++i)
    report.AddFailedEntry(u"/fotos/" + NumberedName(i), u"Fehler");
  if (batch.left_without_converter > 0)
    report.ConverterUnavailable(batch.converter_reason, batch.left_without_converter);
  EXPECT_EQ(FailureMessage(report), batch.message);
  EXPECT_LE(report.listed.size(), kListedFailures);
}

const std::u16string kCorrupt = u"JPEG-Datei ist beschädigt";
const std::u16string kNotLoaded =
    u"Der Konverter " + ConverterFileName() + u" konnte nicht geladen werden: ";

// Ten lines "bild<n>.jpg: Fehler", n = 1..9, 0.
std::u16string TenNumberedLines() {
  std::u16string lines;
  for (int i = 1; i <= 10; ++i) lines += u"\n" + NumberedName(i) + u": Fehler";
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, FailureMessageTest,
    testing::Values(
        Batch{"AllConvertedSaysNothing", 120, {}, 0, u"", 0, u""},
        Batch{"OneOfMany", 120, {{u"/home/jörg/Urlaub/strand.jpg", kCorrupt}}, 0, u"", 0,
              u"1 von 120 Dateien wurde nicht konvertiert:\nstrand.jpg: " + kCorrupt},
        Batch{"SomeOfManyInListOrderWithUmlauts",
              120,
              {{u"/bilder/Übersicht.png", u"PNG-Datei ist beschädigt"},
               {u"/bilder/Grüße aus Köln.jpg", kCorrupt},
               {u"/nur-lesen/ä.bmp", u"Zieldatei kann nicht geschrieben werden"}},
              0, u"", 0,
              u"3 von 120 Dateien wurden nicht konvertiert:\n"
              u"Übersicht.png: PNG-Datei ist beschädigt\n"
              u"Grüße aus Köln.jpg: " + kCorrupt + u"\n"
              u"ä.bmp: Zieldatei kann nicht geschrieben werden"},
        Batch{"TheOnlyFile", 1, {{u"/bilder/a.gif", u"GIF-Datei ist beschädigt"}}, 0, u"", 0,
              u"Die Datei wurde nicht konvertiert:\na.gif: GIF-Datei ist beschädigt"},
        Batch{"AllOfThem", 2, {{u"/a.jpg", kCorrupt}, {u"/b.jpg", kCorrupt}}, 0, u"", 0,
              u"Keine der 2 Dateien wurde konvertiert:\na.jpg: " + kCorrupt + u"\nb.jpg: " +
                  kCorrupt},
        Batch{"EmptyReasonGetsOneOfOurOwn", 3, {{u"/a.jpg", u""}}, 0, u"", 0,
              u"1 von 3 Dateien wurde nicht konvertiert:\na.jpg: Der Konverter nennt keinen Grund"},
        Batch{"NameWithoutFolderAndFolderWithoutName", 3, {{u"a.jpg", u"X"}, {u"/fotos/", u"Y"}},
              0, u"", 0, u"2 von 3 Dateien wurden nicht konvertiert:\na.jpg: X\n/fotos/: Y"},
        Batch{"TenAreAllListed", 20, {}, 10, u"", 0,
              u"10 von 20 Dateien wurden nicht konvertiert:" + TenNumberedLines()},
        Batch{"EleventhIsCounted", 20, {}, 11, u"", 0,
              u"11 von 20 Dateien wurden nicht konvertiert:" + TenNumberedLines() +
                  u"\n… und 1 weitere"},
        Batch{"LargeCountsAreGrouped", 32769, {}, 1200, u"", 0,
              u"1.200 von 32.769 Dateien wurden nicht konvertiert:" + TenNumberedLines() +
                  u"\n… und 1.190 weitere"},
        Batch{"NoConverterForAny", 120, {}, 0, u"Die Datei fehlt", 120,
              kNotLoaded + u"Die Datei fehlt.\n"
              u"Deshalb wurde keine der 120 Dateien konvertiert."},
        Batch{"NoConverterForTheOnlyFile", 1, {}, 0, u"Die Datei fehlt", 1,
              kNotLoaded + u"Die Datei fehlt.\n"
              u"Deshalb wurde die Datei nicht konvertiert."},
        Batch{"NoConverterForTheLast", 5, {}, 0, u"Er verweigert", 1,
              kNotLoaded + u"Er verweigert.\n"
              u"Deshalb wurde 1 von 5 Dateien nicht konvertiert."},
        Batch{"NoConverterAfterOwnFailures", 1500, {{u"/x/a.jpg", kCorrupt}}, 0, u"Er verweigert",
              1400,
              kNotLoaded + u"Er verweigert.\n"
              u"Deshalb wurden 1.400 von 1.500 Dateien nicht konvertiert.\n\n"
              u"Außerdem wurde 1 Datei nicht konvertiert:\na.jpg: " + kCorrupt},
        Batch{"NoConverterAfterManyOwnFailures", 30, {}, 12, u"Er verweigert", 3,
              kNotLoaded + u"Er verweigert.\n"
              u"Deshalb wurden 3 von 30 Dateien nicht konvertiert.\n\n"
              u"Außerdem wurden 12 Dateien nicht konvertiert:" + TenNumberedLines() +
                  u"\n… und 2 weitere"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Unavailable {
  CompStatus status;
  std::u16string load_error;
  std::u16string reason;
  friend void PrintTo(const Unavailable& u, std::ostream* os) {
    *os << u.status << " " << Printable(u.load_error);
  }
};

class ConverterUnavailableReasonTest : public testing::TestWithParam<Unavailable> {};

TEST_P(ConverterUnavailableReasonTest, Words) {
  EXPECT_EQ(ConverterUnavailableReason(GetParam().status, GetParam().load_error),
            GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, ConverterUnavailableReasonTest,
    testing::Values(
        // Not registered because the registration could not load the library.
        Unavailable{COMP_E_NOT_REGISTERED, u"/opt/Quorvel.so: cannot open shared object file",
                    u"Die Datei fehlt oder lässt sich nicht laden "
                    u"(/opt/Quorvel.so: cannot open shared object file)"},
        Unavailable{COMP_E_NOT_REGISTERED, u"",
                    u"Er ist nicht registriert, und seine Registrierung ist misslungen"},
        Unavailable{COMP_E_LIBRARY_NOT_LOADABLE, u"undefined symbol: spng_ctx_new",
                    u"Die Datei fehlt oder lässt sich nicht laden (undefined symbol: spng_ctx_new)"},
        Unavailable{COMP_E_LIBRARY_NOT_LOADABLE, u"",
                    u"Die Datei fehlt oder lässt sich nicht laden"},
        Unavailable{COMP_E_EXPORT_MISSING, u"", u"Die Datei ist kein Konverter"},
        Unavailable{COMP_E_CLASS_REFUSED, u"", u"Er verweigert das Anlegen eines Konverterobjekts"},
        Unavailable{COMP_E_OUT_OF_MEMORY, u"", u"Nicht genug Speicher"},
        Unavailable{COMP_E_INTERNAL, u"", u"Unerwarteter Fehler (Code 8)"},
        // The system's codes (HRESULTs) in the hex they are looked up by.
        Unavailable{-2147467259, u"", u"Unerwarteter Fehler (Code 0x80004005)"}));

}  // namespace
}  // namespace kalvenix

#include "converter/base/error.h"

namespace quorvel {

const char* ErrorMessage(Error error) {
  switch (error) {
    case Error::kOk: return "Erfolg";
    case Error::kBadArguments: return "Falsche Argumente für convertEx";
    case Error::kCannotRead: return "Quelldatei kann nicht gelesen werden";
    case Error::kUnknownFormat: return "Unbekanntes Bildformat";
    case Error::kCorruptJpeg: return "JPEG-Datei ist beschädigt";
    case Error::kCorruptPng: return "PNG-Datei ist beschädigt";
    case Error::kCorruptGif: return "GIF-Datei ist beschädigt";
    case Error::kCorruptBmp: return "BMP-Datei ist beschädigt";
    case Error::kUnsupported: return "Bildvariante wird nicht unterstützt";
    case Error::kTooLarge: return "Bild ist zu groß";
    case Error::kUnknownSuffix: return "Unbekannter Zieldateityp";
    case Error::kCannotWrite: return "Zieldatei kann nicht geschrieben werden";
    case Error::kDiskFull: return "Kein Platz auf dem Datenträger";
    case Error::kEncodeFailed: return "Bild kann nicht kodiert werden";
    case Error::kOutOfMemory: return "Nicht genug Speicher";
    case Error::kInternal: return "Interner Fehler";
    case Error::kSourceChanged: return "Quelldatei hat sich beim Lesen geändert";
    case Error::kDestinationIsSource:
      return "Das Ziel ist die Quelldatei selbst; das Original bleibt unverändert";
  }
  return "Unbekannter Fehler";  // only for values outside the enum
}

}  // namespace quorvel

#include "app/start_up.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/message_box.h"

namespace kalvenix {

bool SetUpApplication(QTranslator& qt_texts) {
  QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisation));
  QCoreApplication::setApplicationName(QString::fromUtf16(kApplicationTitle));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  // Ties the window to its desktop entry (Wayland's app id), so docks show
  // its name and icon; X11 matches by WM_CLASS through StartupWMClass.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));

  // The controls stand at fixed pixel places; Fusion's metrics are the ones
  // they were fitted to, whatever style the desktop would choose.
  QApplication::setStyle(QStringLiteral("Fusion"));

  const QLocale german(QLocale::German, QLocale::Germany);
  QLocale::setDefault(german);
  if (!qt_texts.load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  return QCoreApplication::installTranslator(&qt_texts);
}

}  // namespace kalvenix

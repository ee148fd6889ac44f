#include <QApplication>
#include <QStyle>
#include <QLocale>
#include <QTest>
#include <QTranslator>

#include "app/display_check.h"
#include "app/start_up.h"

namespace kalvenix {

class StartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void declaresIdentityLocaleAndGermanQtTexts() {
    QTranslator qt_texts;
    QVERIFY(SetUpApplication(qt_texts));
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Orbelia"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Kalvenix"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral(KALVENIX_PROJECT_VERSION));
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("de.orbelia.Kalvenix"));
    QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
    QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
    // Qt's own buttons and dialogs speak German.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("Datei&name:"));
    QCoreApplication::removeTranslator(&qt_texts);
  }

  void needsANamedDisplayOrAnOffscreenPlatform_data() {
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("wayland_display");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<bool>("has_display");
    QTest::newRow("X11") << QByteArray(":0") << QByteArray() << QByteArray() << true;
    QTest::newRow("Wayland") << QByteArray() << QByteArray("wayland-0") << QByteArray() << true;
    QTest::newRow("none") << QByteArray() << QByteArray() << QByteArray() << false;
    QTest::newRow("none, xcb asked for") << QByteArray() << QByteArray() << QByteArray("xcb") << false;
    QTest::newRow("none, off screen") << QByteArray() << QByteArray() << QByteArray("offscreen") << true;
  }

  void needsANamedDisplayOrAnOffscreenPlatform() {
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, wayland_display);
    QFETCH(QByteArray, platform);
    QFETCH(bool, has_display);
    const QByteArray saved_platform = qgetenv("QT_QPA_PLATFORM");
    qputenv("DISPLAY", display);
    qputenv("WAYLAND_DISPLAY", wayland_display);
    qputenv("QT_QPA_PLATFORM", platform);
    const bool answer = HasDisplay();
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", saved_platform);
    QCOMPARE(answer, has_display);
  }
};

}  // namespace kalvenix

QTEST_MAIN(kalvenix::StartUpTest)
#include "start_up_test.moc"

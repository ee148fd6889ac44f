// The whole program but its event loop: the real window, the real open dialog
// on Qt's file dialog, the real batch, and the converter Quorvel.so lying
// beside this test in bin/, as beside the program.
#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/system_batch.h"
#include "file_dialog_driver.h"
#include "main_window/qt/main_window.h"
#include "message_box_closer.h"
#include "platform/qt_open_dialog.h"
#include "testdata.h"
#include "window_driver.h"

namespace kalvenix {
namespace {

// Both are 4:3, so fitting them into 320 x 240 fills the box exactly.
const char kPhoto[] = "photos/free_by_Peter_Nerlich.jpg";         // 2880 x 2160 JPEG
const char kGraphic[] = "photos/MATE-Stripes-Light.png";           // 1920 x 1440 RGBA PNG

bool ConverterBesideUs() {
  return QFileInfo::exists(QCoreApplication::applicationDirPath() + "/Quorvel.so");
}

QByteArray Digest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The program's window, shown and active, with the real open dialog.
class Program : public testing::WindowDriver {
 public:
  Program()
      : window_([](QWidget* parent) { return std::make_unique<QtOpenDialog>(parent); },
                &ConvertOnThisSystem) {
    Attach(&window_);
    ShowAndActivate();
  }

  // "Add", then in the file dialog: go to `folder`, type the names, "Öffnen".
  // Returns what went wrong there, empty when nothing did.
  QString AddThroughTheDialog(const QString& folder, const QStringList& names) {
    const testing::FileDialogDriver user([&](QFileDialog& dialog) {
      const QString failure = testing::TypeNames(dialog, folder, testing::Quoted(names));
      if (!failure.isEmpty()) return failure;
      auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
      if (buttons == nullptr) return QStringLiteral("the dialog has no buttons");
      QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
      return QString();
    });
    Click("cmdAdd");
    return user.Failure();
  }

 private:
  MainWindow window_;
};

}  // namespace

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
  }

  void convertsAPhotoAndAGraphicToPng() {
    KALVENIX_QREQUIRE_TESTDATA();
    CopyPictures();
    if (QTest::currentTestFailed()) return;
    QVERIFY2(ConverterBesideUs(), "the converter Quorvel.so must lie beside this test");
    const QString photo = folder_->filePath("free_by_Peter_Nerlich.jpg");
    const QString graphic = folder_->filePath("MATE-Stripes-Light.png");
    const QByteArray photo_digest = Digest(photo);
    const QByteArray graphic_digest = Digest(graphic);

    Program program;
    QCOMPARE(program.AddThroughTheDialog(
                 folder_->path(), {"free_by_Peter_Nerlich.jpg", "MATE-Stripes-Light.png"}),
             QString());
    QCOMPARE(program.Entries(), (QStringList{QFileInfo(photo).absoluteFilePath(),
                                             QFileInfo(graphic).absoluteFilePath()}));
    program.ChooseType(3);
    program.TypeInto("txtWidth", "320");
    program.TypeInto("txtHeight", "240");
    program.Click("mndKonv");

    for (const QString& written : {folder_->filePath("free_by_Peter_Nerlich.PNG"),
                                   folder_->filePath("MATE-Stripes-Light.PNG")}) {
      QImageReader reader(written);
      QCOMPARE(reader.format(), QByteArray("png"));
      const QImage image = reader.read();
      QVERIFY2(!image.isNull(), qPrintable(written + ": " + reader.errorString()));
      QCOMPARE(image.size(), QSize(320, 240));
    }
    QCOMPARE(Digest(photo), photo_digest);
    QCOMPARE(Digest(graphic), graphic_digest);
    QCOMPARE(program.Entries().size(), 2);
  }

  void convertsTwoPicturesToTransparentGif() {
    KALVENIX_QREQUIRE_TESTDATA();
    CopyPictures();
    if (QTest::currentTestFailed()) return;
    QVERIFY2(ConverterBesideUs(), "the converter Quorvel.so must lie beside this test");
    Program program;
    QCOMPARE(program.AddThroughTheDialog(
                 folder_->path(), {"free_by_Peter_Nerlich.jpg", "MATE-Stripes-Light.png"}),
             QString());
    program.ChooseType(1);
    program.Click("chkTrans");
    program.Click("mndKonv");

    // 640 x 480, the initial size, both 4:3.
    for (const QString& name : {QStringLiteral("free_by_Peter_Nerlich.GIF"),
                                QStringLiteral("MATE-Stripes-Light.GIF")}) {
      QImageReader reader(folder_->filePath(name));
      QCOMPARE(reader.format(), QByteArray("gif"));
      const QImage image = reader.read();
      QVERIFY2(!image.isNull(), qPrintable(name + ": " + reader.errorString()));
      QCOMPARE(image.size(), QSize(640, 480));
    }
    // The graphic's transparent parts stay transparent.
    QVERIFY(QImage(folder_->filePath("MATE-Stripes-Light.GIF")).hasAlphaChannel());
  }

  void picturesTheConverterRefusesAreToldByName() {
    QVERIFY2(ConverterBesideUs(), "the converter Quorvel.so must lie beside this test");
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(&buffer, "JPG"));
    // Cut inside the headers; a sound picture; a picture whose destination is
    // taken by a folder.
    const QByteArray contents[] = {jpeg.left(100), jpeg, jpeg};
    const char* const names[] = {"kaputt.jpg", "gut.jpg", "verstellt.jpg"};
    for (int i = 0; i < 3; ++i) {
      QFile file(folder_->filePath(names[i]));
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents[i]) == contents[i].size());
    }
    QVERIFY(QDir(folder_->path()).mkdir("verstellt.PNG"));

    Program program;
    QCOMPARE(program.AddThroughTheDialog(folder_->path(), {"kaputt.jpg", "gut.jpg", "verstellt.jpg"}),
             QString());
    program.ChooseType(3);
    testing::MessageBoxCloser closer;
    program.Click("mndKonv");

    QCOMPARE(closer.texts().size(), 1);
    const QStringList lines = closer.texts().front().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("2 von 3 Dateien wurden nicht konvertiert:"));
    QVERIFY2(lines[1].startsWith("kaputt.jpg: JPEG-Datei ist beschädigt"), qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith("verstellt.jpg: Zieldatei kann nicht geschrieben werden"),
             qPrintable(lines[2]));
    QVERIFY(QFileInfo::exists(folder_->filePath("gut.PNG")));
    QVERIFY(!QFileInfo::exists(folder_->filePath("kaputt.PNG")));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void konvertierenWithAnEmptyListOnlyShowsTheMessage() {
    QVERIFY(QFile(folder_->filePath("notiz.txt")).open(QIODevice::WriteOnly));
    Program program;
    testing::MessageBoxCloser closer;
    program.Click("mndKonv");
    QCOMPARE(closer.boxes.size(), size_t{1});
    QCOMPARE(closer.boxes[0].title, QStringLiteral("Kalvenix"));
    QCOMPARE(closer.boxes[0].text, QStringLiteral("Keine Dateien ausgewählt!"));
    QCOMPARE(closer.boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(closer.boxes[0].buttons, 1);
    QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), QStringList{"notiz.txt"});
  }

 private:
  void CopyPictures() {
    for (const char* source : {kPhoto, kGraphic}) {
      const QString from = QString::fromStdString(testing::TestdataPath(source));
      QVERIFY2(QFile::copy(from, folder_->filePath(QFileInfo(from).fileName())), qPrintable(from));
    }
  }

  std::unique_ptr<QTemporaryDir> folder_;
};

}  // namespace kalvenix

QTEST_MAIN(kalvenix::EndToEndTest)
#include "end_to_end_test.moc"

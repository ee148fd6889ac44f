#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <utility>

#include "file_dialog_driver.h"
#include "message_box_closer.h"
#include "platform/message_box.h"
#include "platform/qt_open_dialog.h"

Q_DECLARE_METATYPE(kalvenix::DialogError)
Q_DECLARE_METATYPE(std::u16string)

namespace kalvenix {
namespace {

const std::u16string kFilter = u"Bilder (*.bmp,*.gif,*.jpg,*.png)|*.bmp;*.gif;*.jpg;*.png";

void Touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

using Driver = std::unique_ptr<testing::FileDialogDriver>;

// Runs `user` on the dialog once ShowOpen has put it on screen.
Driver WhenShown(const QtOpenDialog& adapter, testing::FileDialogDriver::User user) {
  return std::make_unique<testing::FileDialogDriver>([&adapter] { return adapter.ShownDialog(); },
                                                     std::move(user));
}

// What a user does: types the names into the name field and confirms.
QString TypeAndConfirm(QFileDialog& dialog, const QString& folder, const QString& typed) {
  const QString failure = testing::TypeNames(dialog, folder, typed);
  // QFileDialog::accept would check the names against the disk.
  if (failure.isEmpty()) static_cast<QDialog&>(dialog).accept();
  return failure;
}

void ConfigureForPictures(QtOpenDialog& adapter) {
  QCOMPARE(adapter.SetCancelError(true), DialogError::kNone);
  QCOMPARE(adapter.SetMaxFileSize(260), DialogError::kNone);
  QCOMPARE(adapter.SetFilter(kFilter), DialogError::kNone);
  QCOMPARE(adapter.SetDialogTitle(u"Bild zum Konvertieren auswählen"), DialogError::kNone);
  QCOMPARE(adapter.SetFlags(kDialogExplorer | kDialogAllowMultiSelect), DialogError::kNone);
}

}  // namespace

class QtOpenDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QVERIFY(folder_.isValid()); }

  void showsTitleFilterAndSeveralFileMode() {
    QWidget owner;
    QtOpenDialog adapter(&owner);
    ConfigureForPictures(adapter);
    QString title;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool native = true;
    QString shown_filter;
    const Driver user = WhenShown(adapter, [&](QFileDialog& dialog) {
      title = dialog.windowTitle();
      filters = dialog.nameFilters();
      mode = dialog.fileMode();
      native = !dialog.testOption(QFileDialog::DontUseNativeDialog);
      auto* filter_list = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      if (filter_list == nullptr) return QStringLiteral("no list of filters");
      shown_filter = filter_list->currentText();
      return QString();
    });
    QCOMPARE(adapter.ShowOpen(), DialogError::kCancelled);
    QCOMPARE(user->Failure(), QString());
    QCOMPARE(title, QStringLiteral("Bild zum Konvertieren auswählen"));
    QCOMPARE(filters, QStringList{QStringLiteral("Bilder (*.bmp,*.gif,*.jpg,*.png) (*.bmp *.gif *.jpg *.png)")});
    QCOMPARE(shown_filter, QStringLiteral("Bilder (*.bmp,*.gif,*.jpg,*.png)"));
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QVERIFY(!native);
  }

  void oneFileGivesItsFullPath() {
    Touch(folder_.filePath("urlaub.jpg"));
    QWidget owner;
    QtOpenDialog adapter(&owner);
    ConfigureForPictures(adapter);
    const Driver user = WhenShown(
        adapter, [&](QFileDialog& d) { return TypeAndConfirm(d, folder_.path(), "urlaub.jpg"); });
    QCOMPARE(adapter.ShowOpen(), DialogError::kNone);
    QCOMPARE(user->Failure(), QString());
    std::u16string name;
    QCOMPARE(adapter.FileName(&name), DialogError::kNone);
    QCOMPARE(QString::fromStdU16String(name), folder_.filePath("urlaub.jpg"));
  }

  void severalFilesGiveFolderAndNulSeparatedNames() {
    Touch(folder_.filePath("a.jpg"));
    Touch(folder_.filePath("b c.png"));
    QWidget owner;
    QtOpenDialog adapter(&owner);
    ConfigureForPictures(adapter);
    const Driver user = WhenShown(adapter, [&](QFileDialog& d) {
      return TypeAndConfirm(d, folder_.path(), testing::Quoted({"a.jpg", "b c.png"}));
    });
    QCOMPARE(adapter.ShowOpen(), DialogError::kNone);
    QCOMPARE(user->Failure(), QString());
    std::u16string name;
    QCOMPARE(adapter.FileName(&name), DialogError::kNone);
    const QString expected = QDir(folder_.path()).absolutePath() + QChar(u'\0') + "a.jpg" +
                             QChar(u'\0') + "b c.png";
    QCOMPARE(QString::fromStdU16String(name), expected);
  }

  void largeSelectionIsNotCutShort() {
    // Far more than 260 characters of names: the size setting must not drop any.
    QStringList typed;
    for (int i = 0; i < 40; ++i) {
      const QString name = QStringLiteral("ein recht langer Dateiname Nummer %1.jpg").arg(i);
      Touch(folder_.filePath(name));
      typed << '"' + name + '"';
    }
    QWidget owner;
    QtOpenDialog adapter(&owner);
    ConfigureForPictures(adapter);
    const Driver user = WhenShown(
        adapter, [&](QFileDialog& d) { return TypeAndConfirm(d, folder_.path(), typed.join(' ')); });
    QCOMPARE(adapter.ShowOpen(), DialogError::kNone);
    QCOMPARE(user->Failure(), QString());
    std::u16string name;
    adapter.FileName(&name);
    QCOMPARE(QString::fromStdU16String(name).count(QChar(u'\0')), 40);
    QVERIFY(name.size() > 1000);
  }

  void cancelReportsAnErrorOnlyWithCancelError_data() {
    QTest::addColumn<bool>("cancel_error");
    QTest::addColumn<DialogError>("expected");
    QTest::newRow("CancelError set") << true << DialogError::kCancelled;
    QTest::newRow("CancelError clear") << false << DialogError::kNone;
  }

  void cancelReportsAnErrorOnlyWithCancelError() {
    QFETCH(bool, cancel_error);
    QFETCH(DialogError, expected);
    Touch(folder_.filePath("a.jpg"));
    QWidget owner;
    QtOpenDialog adapter(&owner);
    ConfigureForPictures(adapter);
    const Driver user = WhenShown(
        adapter, [&](QFileDialog& d) { return TypeAndConfirm(d, folder_.path(), "a.jpg"); });
    QCOMPARE(adapter.ShowOpen(), DialogError::kNone);
    QCOMPARE(user->Failure(), QString());

    adapter.SetCancelError(cancel_error);
    const Driver canceller = WhenShown(adapter, [](QFileDialog& d) {
      d.reject();
      return QString();
    });
    QCOMPARE(adapter.ShowOpen(), expected);
    QCOMPARE(canceller->Failure(), QString());
    std::u16string name;
    adapter.FileName(&name);
    QCOMPARE(QString::fromStdU16String(name), folder_.filePath("a.jpg"));
  }

  void nextUseOpensInTheFolderLeftBefore() {
    QVERIFY(QDir(folder_.path()).mkdir("Bilder"));
    const QString pictures = QDir(folder_.filePath("Bilder")).absolutePath();
    Touch(pictures + "/a.jpg");
    QWidget owner;
    QtOpenDialog adapter(&owner);
    ConfigureForPictures(adapter);
    const Driver user = WhenShown(
        adapter, [&](QFileDialog& d) { return TypeAndConfirm(d, pictures, "a.jpg"); });
    QCOMPARE(adapter.ShowOpen(), DialogError::kNone);
    QCOMPARE(user->Failure(), QString());
    QString reopened_in;
    const Driver looker = WhenShown(adapter, [&](QFileDialog& d) {
      reopened_in = d.directory().absolutePath();
      return QString();
    });
    adapter.ShowOpen();
    QCOMPARE(looker->Failure(), QString());
    QCOMPARE(reopened_in, pictures);
  }

  void refusesSettingsItCannotTake_data() {
    QTest::addColumn<std::u16string>("filter");
    QTest::addColumn<DialogError>("expected");
    QTest::newRow("pair") << kFilter << DialogError::kNone;
    QTest::newRow("two pairs") << std::u16string(u"Bilder|*.jpg|Alle|*") << DialogError::kNone;
    QTest::newRow("empty") << std::u16string() << DialogError::kNone;
    QTest::newRow("description only") << std::u16string(u"Bilder") << DialogError::kInvalidSetting;
    QTest::newRow("no patterns") << std::u16string(u"Bilder|") << DialogError::kInvalidSetting;
  }

  void refusesSettingsItCannotTake() {
    QFETCH(std::u16string, filter);
    QFETCH(DialogError, expected);
    QWidget owner;
    QtOpenDialog adapter(&owner);
    QCOMPARE(adapter.SetFilter(filter), expected);
    QCOMPARE(adapter.SetMaxFileSize(0), DialogError::kInvalidSetting);
    QCOMPARE(adapter.SetMaxFileSize(-1), DialogError::kInvalidSetting);
  }

  void joinsChoicesIntoFileNameForm_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("expected");
    const QChar nul(u'\0');
    QTest::newRow("nothing") << QStringList{} << QString();
    QTest::newRow("one") << QStringList{"/bilder/a.jpg"} << QStringLiteral("/bilder/a.jpg");
    QTest::newRow("two") << QStringList{"/bilder/a.jpg", "/bilder/b.png"}
                         << QString("/bilder" + QString(nul) + "a.jpg" + nul + "b.png");
    QTest::newRow("root folder") << QStringList{"/a.jpg", "/b.png"}
                                 << QString("/" + QString(nul) + "a.jpg" + nul + "b.png");
    QTest::newRow("outside the first's folder")
        << QStringList{"/bilder/neu/a.jpg", "/bilder/b.png"}
        << QString("/bilder/neu" + QString(nul) + "a.jpg" + nul + "../b.png");
  }

  void joinsChoicesIntoFileNameForm() {
    QFETCH(QStringList, chosen);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdU16String(JoinFileSelection(chosen)), expected);
  }

  void messageBoxHasTitleTextOneOkAndNoIcon() {
    QWidget owner;
    testing::MessageBoxCloser closer;
    ShowMessageBox(&owner, QStringLiteral("Keine <b>Dateien</b> ausgewählt!"));
    QCOMPARE(closer.boxes.size(), size_t{1});
    const testing::SeenMessageBox& box = closer.boxes.front();
    QCOMPARE(box.title, QStringLiteral("Kalvenix"));
    QCOMPARE(box.text, QStringLiteral("Keine <b>Dateien</b> ausgewählt!"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, 1);
    QCOMPARE(box.first_button, QMessageBox::Ok);
  }

 private:
  QTemporaryDir folder_;
};

}  // namespace kalvenix

QTEST_MAIN(kalvenix::QtOpenDialogTest)
#include "qt_open_dialog_test.moc"

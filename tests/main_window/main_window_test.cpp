#include "main_window/qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "conversion/batch_conversion.h"
#include "fake_open_dialog.h"
#include "main_window/qt/qt_layout.h"
#include "message_box_closer.h"
#include "platform/system_layer.h"
#include "test_component_probe.h"
#include "window_driver.h"

Q_DECLARE_METATYPE(std::u16string)

using namespace std::string_literals;

namespace kalvenix {
namespace {

// What the batch saw through the window's view when it ran.
struct ViewSnapshot {
  int32_t count = -1;
  QStringList entries;
  QString type_text;
  int32_t type_index = -9;
  int32_t transparency = -9;
  QString quality;
  QString height;
  QString width;
};

ViewSnapshot Snapshot(const ConversionWindow& view) {
  ViewSnapshot seen;
  seen.count = view.EntryCount();
  for (int32_t i = 0; i < seen.count; ++i) seen.entries << QString::fromStdU16String(view.EntryText(i));
  seen.type_text = QString::fromStdU16String(view.OutputTypeText());
  seen.type_index = view.OutputTypeIndex();
  seen.transparency = view.TransparencyState();
  seen.quality = QString::fromStdU16String(view.QualityText());
  seen.height = QString::fromStdU16String(view.HeightText());
  seen.width = QString::fromStdU16String(view.WidthText());
  return seen;
}

// The window with both seams replaced; the dialog stays owned by the window.
struct Harness : testing::WindowDriver {
  Harness() {
    window = std::make_unique<MainWindow>(
        [this](QWidget*) {
          auto made = std::make_unique<FakeOpenDialog>();
          dialog = made.get();
          return made;
        },
        [this](const ConversionWindow& view, ConversionSurroundings& surroundings) {
          ++batch_runs;
          if (on_batch) on_batch(view, surroundings);
        });
    Attach(window.get());
  }

  void AddFiles(const std::u16string& choice) {
    dialog->Choose(choice);
    Click("cmdAdd");
  }

  std::unique_ptr<MainWindow> window;
  FakeOpenDialog* dialog = nullptr;
  int batch_runs = 0;
  std::function<void(const ConversionWindow&, ConversionSurroundings&)> on_batch;
};

std::u16string FiveEntries() { return u"/b\0e0.jpg\0e1.jpg\0e2.jpg\0e3.jpg\0e4.jpg"s; }

// The real batch, but with the converter looked for in `folder` (the test
// component's, or one without any); messages go to the window as ever.
class ConverterFolder final : public ConversionSurroundings {
 public:
  ConverterFolder(ConversionSurroundings& window, QString folder)
      : window_(window), folder_(std::move(folder)) {}
  void ShowMessage(const std::u16string& text) override { window_.ShowMessage(text); }
  std::u16string ExecutableFolder() const override { return folder_.toStdU16String(); }

 private:
  ConversionSurroundings& window_;
  QString folder_;
};

// The override cursor's shape now; ArrowCursor stands for none.
Qt::CursorShape OverrideCursor() {
  return QApplication::overrideCursor() != nullptr ? QApplication::overrideCursor()->shape()
                                                   : Qt::ArrowCursor;
}

// The real batch with the converter looked for in `folder`; notes the cursor
// the batch ran under.
std::function<void(const ConversionWindow&, ConversionSurroundings&)> RealBatch(
    QString folder, Qt::CursorShape* during) {
  return [folder, during](const ConversionWindow& view, ConversionSurroundings& window) {
    *during = OverrideCursor();
    ConverterFolder surroundings(window, folder);
    const std::unique_ptr<SystemLayer> system = MakeSystemLayer();
    ConvertListedFiles(view, surroundings, *system);
  };
}

bool NoMessageBoxOpen() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible()) return false;
  return true;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTheInitialValues() {
    Harness h;
    h.ShowAndActivate();
    QCOMPARE(h.window->objectName(), QStringLiteral("frmMain"));
    QCOMPARE(h.window->windowTitle(), QStringLiteral("Orbelia - Kalvenix"));
    auto* type = h.Get<QComboBox>("cmbType");
    QCOMPARE(type->count(), 4);
    QCOMPARE(type->itemText(0), QStringLiteral("BMP"));
    QCOMPARE(type->itemText(1), QStringLiteral("GIF"));
    QCOMPARE(type->itemText(2), QStringLiteral("JPG"));
    QCOMPARE(type->itemText(3), QStringLiteral("PNG"));
    QCOMPARE(type->currentIndex(), 2);
    QVERIFY(!type->isEditable());
    QVERIFY(h.Get<QLabel>("lblQuali")->isVisible());
    QCOMPARE(h.Get<QLabel>("lblQuali")->text(), QStringLiteral("Qualität (10-100)"));
    QVERIFY(h.Get<QLineEdit>("txtQuali")->isVisible());
    QCOMPARE(h.Get<QLineEdit>("txtQuali")->text(), QStringLiteral("100"));
    QVERIFY(!h.Get<QCheckBox>("chkTrans")->isVisible());
    QCOMPARE(h.Get<QCheckBox>("chkTrans")->checkState(), Qt::Unchecked);
    QCOMPARE(h.Get<QLineEdit>("txtWidth")->text(), QStringLiteral("640"));
    QCOMPARE(h.Get<QLineEdit>("txtHeight")->text(), QStringLiteral("480"));
    QCOMPARE(h.Get<QListWidget>("lstFiles")->count(), 0);
    QCOMPARE(h.Get<QListWidget>("lstFiles")->selectionMode(), QAbstractItemView::MultiSelection);
    QCOMPARE(QApplication::focusWidget(), h.Get<QLineEdit>("txtQuali"));
    QCOMPARE(h.batch_runs, 0);
  }

  void isAFixedWindowOfTheClientSize() {
    Harness h;
    QCOMPARE(h.window->minimumSize(), QSize(312, 224));
    QCOMPARE(h.window->maximumSize(), QSize(312, 224));
    const Qt::WindowFlags flags = h.window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!h.window->windowIcon().isNull());
    QCOMPARE(h.window->windowIcon().availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
  }

  void controlsStandInTheirFrames_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Frame3") << "Frame3" << "frmMain" << "Dateien";
    QTest::newRow("cmdAdd") << "cmdAdd" << "Frame3" << "Add";
    QTest::newRow("cmdDel") << "cmdDel" << "Frame3" << "Del";
    QTest::newRow("lstFiles") << "lstFiles" << "Frame3" << "";
    QTest::newRow("Frame1") << "Frame1" << "frmMain" << "Dateityp";
    QTest::newRow("Label2") << "Label2" << "Frame1" << "Umwandeln in";
    QTest::newRow("cmbType") << "cmbType" << "Frame1" << "";
    QTest::newRow("lblQuali") << "lblQuali" << "Frame1" << "Qualität (10-100)";
    QTest::newRow("txtQuali") << "txtQuali" << "Frame1" << "";
    QTest::newRow("chkTrans") << "chkTrans" << "Frame1" << "Transparenz";
    QTest::newRow("Frame2") << "Frame2" << "frmMain" << "Größe";
    QTest::newRow("Label3") << "Label3" << "Frame2" << "X";
    QTest::newRow("txtWidth") << "txtWidth" << "Frame2" << "";
    QTest::newRow("Label4") << "Label4" << "Frame2" << "Y";
    QTest::newRow("txtHeight") << "txtHeight" << "Frame2" << "";
    QTest::newRow("mndKonv") << "mndKonv" << "frmMain" << "Konvertieren";
    QTest::newRow("cmdEnd") << "cmdEnd" << "frmMain" << "Beenden";
    QTest::newRow("Label5") << "Label5" << "frmMain" << "www.orbelia.de";
  }

  void controlsStandInTheirFrames() {
    QFETCH(QString, control);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    Harness h;
    auto* widget = h.window->findChild<QWidget*>(control);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->parentWidget()->objectName(), container);
    QCOMPARE(widget->geometry(), PlaceOf(control.toStdString()));
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) QCOMPARE(frame->title(), caption);
    if (auto* label = qobject_cast<QLabel*>(widget)) QCOMPARE(label->text(), caption);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), caption);
  }

  void placesFollowTheTwipsTable() {
    Harness h;
    // Frame3 reaches 60 twips beyond the client area, as the window's
    // description has it; the check box fills the row of the quality pair.
    const QRect frame3 = h.Get<QGroupBox>("Frame3")->geometry();
    QCOMPARE(frame3.x() + frame3.width(), 316);
    const QRect check = h.Get<QCheckBox>("chkTrans")->geometry();
    QCOMPARE(check.left(), h.Get<QLabel>("lblQuali")->geometry().left());
    QCOMPARE(check.right(), h.Get<QLineEdit>("txtQuali")->geometry().right());
    QCOMPARE(h.Get<QPushButton>("cmdEnd")->geometry(), QRect(215, 185, 91, 31));
    QCOMPARE(PixelRect({1, 2, 7, 8}), QRect(0, 0, 0, 1));
  }

  void usesTheDialogFontsAndClipsNoCaption() {
    Harness h;
    h.ShowAndActivate();
    const QStringList large = {"Label2", "Label3", "Label4", "lblQuali", "chkTrans"};
    for (QWidget* widget : h.window->findChildren<QWidget*>()) {
      const QString name = widget->objectName();
      if (PlaceOf(name.toStdString()).isEmpty()) continue;  // Qt's own parts
      QCOMPARE(widget->font().family(), DialogFontFamily());
      QCOMPARE(widget->font().pointSizeF(), large.contains(name) ? 9.75 : 8.25);

      const QFontMetrics metrics(widget->font());
      QString text;
      int room = widget->width();
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
        room = label->contentsRect().width();
      } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        QVERIFY2(check->sizeHint().width() <= check->width(), qPrintable(name));
        QVERIFY2(check->sizeHint().height() <= check->height(), qPrintable(name));
      } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        text = button->text();
        room -= 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
      } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        text = frame->title();
        room -= 16;  // the border's corner and the title's indent
      } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        text = box->text();
        room -= 8;
      } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QVERIFY2(combo->minimumSizeHint().width() <= combo->width(), qPrintable(name));
      }
      QVERIFY2(metrics.horizontalAdvance(text) <= room, qPrintable(name + ": " + text));
      QVERIFY2(metrics.height() <= widget->height(), qPrintable(name));
    }
  }

  void showsOnlyTheOptionsOfTheType_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("quality_shown");
    QTest::addColumn<bool>("transparency_shown");
    QTest::newRow("BMP") << 0 << false << false;
    QTest::newRow("GIF") << 1 << false << true;
    QTest::newRow("JPG") << 2 << true << false;
    QTest::newRow("PNG") << 3 << false << false;
  }

  void showsOnlyTheOptionsOfTheType() {
    QFETCH(int, position);
    QFETCH(bool, quality_shown);
    QFETCH(bool, transparency_shown);
    Harness h;
    h.ShowAndActivate();
    // From a type of the opposite kind, so every control has to change.
    h.ChooseType(quality_shown ? 1 : 2);
    h.ChooseType(position);
    QCOMPARE(h.Get<QComboBox>("cmbType")->currentIndex(), position);
    QCOMPARE(h.Get<QLabel>("lblQuali")->isVisible(), quality_shown);
    QCOMPARE(h.Get<QLineEdit>("txtQuali")->isVisible(), quality_shown);
    QCOMPARE(h.Get<QCheckBox>("chkTrans")->isVisible(), transparency_shown);
    QVERIFY(h.Get<QLineEdit>("txtWidth")->isVisible());
    QVERIFY(h.Get<QLineEdit>("txtHeight")->isVisible());
    QVERIFY(h.Get<QComboBox>("cmbType")->isVisible());
  }

  void noSelectionHidesEveryOption() {
    Harness h;
    h.ShowAndActivate();
    h.Get<QComboBox>("cmbType")->setCurrentIndex(-1);
    QVERIFY(!h.Get<QLabel>("lblQuali")->isVisible());
    QVERIFY(!h.Get<QLineEdit>("txtQuali")->isVisible());
    QVERIFY(!h.Get<QCheckBox>("chkTrans")->isVisible());
  }

  void hidingKeepsTextsAndCheckState() {
    Harness h;
    h.ShowAndActivate();
    h.TypeInto("txtQuali", "75");
    h.ChooseType(1);
    h.Click("chkTrans");
    h.ChooseType(2);
    QVERIFY(h.Get<QLineEdit>("txtQuali")->isVisible());
    QCOMPARE(h.Get<QLineEdit>("txtQuali")->text(), QStringLiteral("75"));
    h.ChooseType(1);
    QVERIFY(h.Get<QCheckBox>("chkTrans")->isVisible());
    QCOMPARE(h.Get<QCheckBox>("chkTrans")->checkState(), Qt::Checked);
  }

  void choosingTheSelectedTypeChangesNothing() {
    Harness h;
    h.ShowAndActivate();
    h.TypeInto("txtQuali", "42");
    h.ChooseType(2);
    QCOMPARE(h.Get<QComboBox>("cmbType")->currentIndex(), 2);
    QVERIFY(h.Get<QLineEdit>("txtQuali")->isVisible());
    QVERIFY(!h.Get<QCheckBox>("chkTrans")->isVisible());
    QCOMPARE(h.Get<QLineEdit>("txtQuali")->text(), QStringLiteral("42"));
  }

  void tabVisitsTheVisibleControlsInOrder_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("JPG") << 2
                         << QStringList{"txtQuali", "cmbType", "txtHeight", "txtWidth", "cmdDel",
                                        "cmdAdd", "lstFiles", "mndKonv", "cmdEnd", "txtQuali"};
    QTest::newRow("GIF") << 1
                         << QStringList{"cmbType", "txtHeight", "txtWidth", "cmdDel", "cmdAdd",
                                        "lstFiles", "chkTrans", "mndKonv", "cmdEnd", "cmbType"};
  }

  void tabVisitsTheVisibleControlsInOrder() {
    QFETCH(int, position);
    QFETCH(QStringList, order);
    Harness h;
    h.ShowAndActivate();
    h.ChooseType(position);
    h.Get<QWidget>(qPrintable(order.front()))->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, order);
  }

  void clicksAndSpaceToggleOneEntryEach() {
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(u"/b\0a.jpg\0b.jpg\0c.jpg\0d.jpg"s);
    auto* list = h.Get<QListWidget>("lstFiles");
    const auto selected = [list] {
      QList<int> rows;
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows << i;
      return rows;
    };
    h.ClickEntry(0);
    h.ClickEntry(2);
    h.ClickEntry(3);
    QCOMPARE(selected(), (QList<int>{0, 2, 3}));
    h.ClickEntry(2);
    QCOMPARE(selected(), (QList<int>{0, 3}));
    // The space bar toggles the entry that has the focus, and only that one.
    QCOMPARE(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(selected(), (QList<int>{0, 1, 3}));
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(selected(), (QList<int>{0, 3}));
  }

  void addAppliesTheSettingsInOrderAndAppendsTheChoice_data() {
    QTest::addColumn<std::u16string>("choice");
    QTest::addColumn<QStringList>("added");
    QTest::newRow("several") << u"/bilder\0a.jpg\0b.png"s
                             << QStringList{"/bilder/a.jpg", "/bilder/b.png"};
    QTest::newRow("one") << u"/bilder/a.jpg"s << QStringList{"/bilder/a.jpg"};
    QTest::newRow("root") << u"/\0a.jpg"s << QStringList{"//a.jpg"};
    QTest::newRow("empty name") << u"/bilder\0a.jpg\0\0b.png"s
                                << QStringList{"/bilder/a.jpg", "/bilder/", "/bilder/b.png"};
    QTest::newRow("empty result") << u""s << QStringList{""};
  }

  void addAppliesTheSettingsInOrderAndAppendsTheChoice() {
    QFETCH(std::u16string, choice);
    QFETCH(QStringList, added);
    Harness h;
    h.AddFiles(u"/vorher.gif"s);
    h.AddFiles(choice);
    QCOMPARE(h.Entries(), QStringList{"/vorher.gif"} + added);
    const std::vector<std::string> one_use = AddCommandCalls();
    std::vector<std::string> twice = one_use;
    twice.insert(twice.end(), one_use.begin(), one_use.end());
    QVERIFY(h.dialog->calls() == twice);
    QVERIFY(NoMessageBoxOpen());
  }

  void addingTheSameFileTwiceGivesTwoEntries() {
    Harness h;
    h.AddFiles(u"/bilder/a.jpg"s);
    h.AddFiles(u"/bilder/a.jpg"s);
    QCOMPARE(h.Entries(), (QStringList{"/bilder/a.jpg", "/bilder/a.jpg"}));
  }

  void addsNothingWhenTheDialogFails_data() {
    QTest::addColumn<QString>("failing_call");
    QTest::newRow("cancelled") << QString();
    QTest::newRow("CancelError refused") << "SetCancelError";
    QTest::newRow("MaxFileSize refused") << "SetMaxFileSize";
    QTest::newRow("Filter refused") << "SetFilter";
    QTest::newRow("DialogTitle refused") << "SetDialogTitle";
    QTest::newRow("Flags refused") << "SetFlags";
    QTest::newRow("ShowOpen failed") << "ShowOpen";
    QTest::newRow("FileName unreadable") << "FileName";
  }

  void addsNothingWhenTheDialogFails() {
    QFETCH(QString, failing_call);
    Harness h;
    h.AddFiles(u"/bilder/a.jpg"s);
    h.dialog->Choose(u"/bilder\0b.jpg\0c.jpg"s);
    if (failing_call.isEmpty())
      h.dialog->Cancel();
    else
      h.dialog->FailCall(failing_call.toStdString());
    h.Click("cmdAdd");
    QCOMPARE(h.Entries(), QStringList{"/bilder/a.jpg"});
    // A refused setting still shows the dialog; only its outcome is dropped.
    QCOMPARE(std::count(h.dialog->calls().begin(), h.dialog->calls().end(), "ShowOpen"), 2);
    QVERIFY(NoMessageBoxOpen());
  }

  void removesTheSelectedEntries_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("1, 2 and 4") << QList<int>{1, 2, 4}
                                << QStringList{"/b/e0.jpg", "/b/e3.jpg"};
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4} << QStringList{};
    QTest::newRow("the last") << QList<int>{4}
                              << QStringList{"/b/e0.jpg", "/b/e1.jpg", "/b/e2.jpg", "/b/e3.jpg"};
    QTest::newRow("the first two") << QList<int>{0, 1}
                                   << QStringList{"/b/e2.jpg", "/b/e3.jpg", "/b/e4.jpg"};
    QTest::newRow("none") << QList<int>{}
                          << QStringList{"/b/e0.jpg", "/b/e1.jpg", "/b/e2.jpg", "/b/e3.jpg", "/b/e4.jpg"};
  }

  void removesTheSelectedEntries() {
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, left);
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(FiveEntries());
    for (int row : selected) h.ClickEntry(row);
    h.Click("cmdDel");
    QCOMPARE(h.Entries(), left);
    QVERIFY(NoMessageBoxOpen());
  }

  void removesEqualEntriesOnlyWhereSelected() {
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(u"/b\0x.jpg\0x.jpg\0x.jpg"s);
    h.ClickEntry(1);
    h.Click("cmdDel");
    QCOMPARE(h.Entries(), (QStringList{"/b/x.jpg", "/b/x.jpg"}));
    QCOMPARE(h.Get<QListWidget>("lstFiles")->selectedItems().size(), 0);
  }

  void konvertierenRunsTheBatchOnTheControlsAsTheyStand() {
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(u"/bilder\0a.jpg\0b.png"s);
    h.TypeInto("txtQuali", "75");
    h.ChooseType(1);
    h.Click("chkTrans");
    h.TypeInto("txtWidth", "320px");
    h.TypeInto("txtHeight", "2 40");
    ViewSnapshot seen;
    h.on_batch = [&seen](const ConversionWindow& view, ConversionSurroundings&) { seen = Snapshot(view); };
    h.Click("mndKonv");
    QCOMPARE(h.batch_runs, 1);
    QCOMPARE(seen.count, 2);
    QCOMPARE(seen.entries, (QStringList{"/bilder/a.jpg", "/bilder/b.png"}));
    QCOMPARE(seen.type_text, QStringLiteral("GIF"));
    QCOMPARE(seen.type_index, 1);
    QCOMPARE(seen.transparency, 1);
    QCOMPARE(seen.quality, QStringLiteral("75"));
    QCOMPARE(seen.width, QStringLiteral("320px"));
    QCOMPARE(seen.height, QStringLiteral("2 40"));
    // The batch changes nothing the window shows.
    QCOMPARE(h.Entries(), (QStringList{"/bilder/a.jpg", "/bilder/b.png"}));

    // A second click runs it again, on what the controls hold by then.
    h.ChooseType(3);
    h.Click("mndKonv");
    QCOMPARE(h.batch_runs, 2);
    QCOMPARE(seen.type_text, QStringLiteral("PNG"));
    QCOMPARE(seen.type_index, 3);
    QCOMPARE(seen.transparency, 1);
  }

  void theViewReadsEachControlAfresh() {
    Harness h;
    QStringList widths;
    QList<int32_t> counts;
    h.on_batch = [&](const ConversionWindow& view, ConversionSurroundings&) {
      widths << QString::fromStdU16String(view.WidthText());
      counts << view.EntryCount();
      h.Get<QLineEdit>("txtWidth")->setText("999");
      h.Get<QListWidget>("lstFiles")->addItem("/neu.bmp");
      widths << QString::fromStdU16String(view.WidthText());
      counts << view.EntryCount();
    };
    h.Click("mndKonv");
    QCOMPARE(widths, (QStringList{"640", "999"}));
    QCOMPARE(counts, (QList<int32_t>{0, 1}));
  }

  void theViewReportsNoTypeAsEmpty() {
    Harness h;
    h.Get<QComboBox>("cmbType")->setCurrentIndex(-1);
    ViewSnapshot seen;
    h.on_batch = [&seen](const ConversionWindow& view, ConversionSurroundings&) { seen = Snapshot(view); };
    h.Click("mndKonv");
    QCOMPARE(seen.type_index, -1);
    QCOMPARE(seen.type_text, QString());
  }

  void theViewGivesTheCheckStateAsNumber_data() {
    QTest::addColumn<Qt::CheckState>("state");
    QTest::addColumn<int32_t>("value");
    QTest::newRow("cleared") << Qt::Unchecked << 0;
    QTest::newRow("set") << Qt::Checked << 1;
    QTest::newRow("grayed") << Qt::PartiallyChecked << 2;
  }

  void theViewGivesTheCheckStateAsNumber() {
    QFETCH(Qt::CheckState, state);
    QFETCH(int32_t, value);
    Harness h;
    h.Get<QCheckBox>("chkTrans")->setTristate(true);
    h.Get<QCheckBox>("chkTrans")->setCheckState(state);
    QCOMPARE(h.window->view().TransparencyState(), value);
  }

  void surroundingsShowTheMessageAndTheProgramsFolder() {
    Harness h;
    h.ShowAndActivate();
    std::u16string folder;
    h.on_batch = [&](const ConversionWindow&, ConversionSurroundings& surroundings) {
      folder = surroundings.ExecutableFolder();
      surroundings.ShowMessage(u"Keine Dateien ausgewählt!");
    };
    testing::MessageBoxCloser closer;
    h.Click("mndKonv");
    QCOMPARE(closer.boxes.size(), size_t{1});
    const testing::SeenMessageBox& box = closer.boxes.front();
    QCOMPARE(box.title, QStringLiteral("Kalvenix"));
    QCOMPARE(box.text, QStringLiteral("Keine Dateien ausgewählt!"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, 1);
    QCOMPARE(box.parent, h.window.get());
    QCOMPARE(QString::fromStdU16String(folder), QCoreApplication::applicationDirPath());
  }

  void failedEntriesAreToldInOneBoxWithoutTheWaitCursor() {
    TestComponentProbe probe;
    probe.RegisterDirectly();
    probe.FailConvertWith("/bilder/b.png", u"PNG-Datei ist beschädigt");
    probe.FailConvertWith("/bilder/c.gif", u"");
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(u"/bilder\0a.jpg\0b.png\0c.gif"s);
    Qt::CursorShape during = Qt::ArrowCursor;
    h.on_batch = RealBatch(QStringLiteral(TEST_COMPONENT_DIR), &during);
    testing::MessageBoxCloser closer;
    h.Click("mndKonv");
    QCOMPARE(during, Qt::WaitCursor);
    QCOMPARE(closer.texts(), QStringList{"2 von 3 Dateien wurden nicht konvertiert:\n"
                                       "b.png: PNG-Datei ist beschädigt\n"
                                       "c.gif: Der Konverter nennt keinen Grund"});
    QCOMPARE(closer.cursor_lifted(), std::vector<bool>{true});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void aConvertedBatchShowsNothing() {
    TestComponentProbe probe;
    probe.RegisterDirectly();
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(u"/bilder\0a.jpg\0b.png"s);
    Qt::CursorShape during = Qt::ArrowCursor;
    h.on_batch = RealBatch(QStringLiteral(TEST_COMPONENT_DIR), &during);
    testing::MessageBoxCloser closer;
    h.Click("mndKonv");
    QVERIFY(probe.Record().find("convertEx 2 ") != std::string::npos);
    QCOMPARE(during, Qt::WaitCursor);
    QCOMPARE(closer.texts(), QStringList{});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void noConverterIsToldInOneBox() {
    TestComponentProbe probe;  // for the registry: nothing registered
    QTemporaryDir without_converter;
    QVERIFY(without_converter.isValid());
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(u"/bilder\0a.jpg\0b.png"s);
    Qt::CursorShape during = Qt::ArrowCursor;
    h.on_batch = RealBatch(without_converter.path(), &during);
    testing::MessageBoxCloser closer;
    h.Click("mndKonv");
    QCOMPARE(closer.texts().size(), 1);
    const QString text = closer.texts().front();
    QVERIFY2(text.startsWith("Der Konverter Quorvel.so konnte nicht geladen werden: Die Datei "
                             "fehlt oder lässt sich nicht laden (" +
                             without_converter.path() + "/Quorvel.so: "),
             qPrintable(text));
    QVERIFY2(text.endsWith(").\nDeshalb wurde keine der 2 Dateien konvertiert."), qPrintable(text));
    QCOMPARE(during, Qt::WaitCursor);
    QCOMPARE(closer.cursor_lifted(), std::vector<bool>{true});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void beendenClosesTheWindowWithFilesListed() {
    Harness h;
    h.ShowAndActivate();
    h.AddFiles(u"/bilder\0a.jpg\0b.png"s);
    h.Click("cmdEnd");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.batch_runs, 0);
  }
};

}  // namespace kalvenix

QTEST_MAIN(kalvenix::MainWindowTest)
#include "main_window_test.moc"

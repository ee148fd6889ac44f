#include "main_window/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <limits>

#include "main_window/busy_cursor.h"
#include "main_window/file_list.h"
#include "main_window/window_layout.h"
#include "platform/message_box.h"

namespace kalvenix {

namespace {

constexpr int kJpgPosition = 2;
constexpr int kGifPosition = 1;

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

// Every control is made the same way: a child of its container, named after
// its role, placed by the layout table.
template <typename Control>
Control* Create(QWidget* container, const char* name) {
  auto* control = new Control(container);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(PlaceOf(name));
  return control;
}

QGroupBox* CreateFrame(QWidget* container, const char* name, const char16_t* caption) {
  auto* frame = Create<QGroupBox>(container, name);
  frame->setTitle(Text(caption));
  return frame;
}

QLabel* CreateLabel(QWidget* container, const char* name, const char16_t* caption,
                    const QFont& font) {
  auto* label = Create<QLabel>(container, name);
  label->setText(Text(caption));
  label->setFont(font);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QPushButton* CreateButton(QWidget* container, const char* name, const char16_t* caption) {
  auto* button = Create<QPushButton>(container, name);
  button->setText(Text(caption));
  button->setAutoDefault(false);
  return button;
}

QLineEdit* CreateTextBox(QWidget* container, const char* name, const char16_t* text) {
  auto* box = Create<QLineEdit>(container, name);
  // A text box takes any length of text; the batch reads it as typed.
  box->setMaxLength(std::numeric_limits<int>::max());
  box->setText(Text(text));
  return box;
}

}  // namespace

MainWindow::MainWindow(DialogFactory make_dialog, BatchRunner run_batch)
    : run_batch_(std::move(run_batch)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(Text(kWindowCaption));
  // Fixed single border: no maximize or minimize box, no resizing.
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(ClientAreaSize());
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/kalvenix-32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/icons/kalvenix-16.png"), QSize(16, 16));
  setWindowIcon(icon);
  setFont(DialogFont());

  BuildControls();
  comdlg_ = make_dialog(this);
  ConnectEvents();
  Load();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
  auto* frame3 = CreateFrame(this, "Frame3", u"Dateien");
  cmdAdd_ = CreateButton(frame3, "cmdAdd", u"Add");
  cmdDel_ = CreateButton(frame3, "cmdDel", u"Del");
  lstFiles_ = Create<QListWidget>(frame3, "lstFiles");
  lstFiles_->setSelectionMode(QAbstractItemView::MultiSelection);
  lstFiles_->setSortingEnabled(false);

  auto* frame1 = CreateFrame(this, "Frame1", u"Dateityp");
  CreateLabel(frame1, "Label2", u"Umwandeln in", LabelFont());
  cmbType_ = Create<QComboBox>(frame1, "cmbType");
  cmbType_->setEditable(false);
  lblQuali_ = CreateLabel(frame1, "lblQuali", u"Qualität (10-100)", LabelFont());
  lblQuali_->setVisible(false);
  txtQuali_ = CreateTextBox(frame1, "txtQuali", u"100");
  txtQuali_->setVisible(false);
  chkTrans_ = Create<QCheckBox>(frame1, "chkTrans");
  chkTrans_->setText(QStringLiteral("Transparenz"));
  chkTrans_->setFont(LabelFont());

  auto* frame2 = CreateFrame(this, "Frame2", u"Größe");
  CreateLabel(frame2, "Label3", u"X", LabelFont());
  txtWidth_ = CreateTextBox(frame2, "txtWidth", u"640");
  CreateLabel(frame2, "Label4", u"Y", LabelFont());
  txtHeight_ = CreateTextBox(frame2, "txtHeight", u"480");

  mndKonv_ = CreateButton(this, "mndKonv", u"Konvertieren");
  cmdEnd_ = CreateButton(this, "cmdEnd", u"Beenden");
  CreateLabel(this, "Label5", kMakerAddress, DialogFont());

  // Focus order of the window's description; Qt skips hidden controls.
  QWidget* const order[] = {txtQuali_, cmbType_,  txtHeight_, txtWidth_, cmdDel_,
                            cmdAdd_,   lstFiles_, chkTrans_,  mndKonv_,  cmdEnd_};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void MainWindow::ConnectEvents() {
  connect(cmbType_, &QComboBox::currentIndexChanged, this, &MainWindow::ShowOptionsForType);
  connect(cmdAdd_, &QPushButton::clicked, this, &MainWindow::AddFiles);
  connect(cmdDel_, &QPushButton::clicked, this, &MainWindow::RemoveFiles);
  connect(mndKonv_, &QPushButton::clicked, this, &MainWindow::ConvertFiles);
  connect(cmdEnd_, &QPushButton::clicked, this, &MainWindow::EndProgram);
}

void MainWindow::Load() {
  for (const char* type : {"BMP", "GIF", "JPG", "PNG"}) cmbType_->addItem(QString::fromLatin1(type));
  // Selecting runs ShowOptionsForType, as a click on the list would.
  cmbType_->setCurrentIndex(kJpgPosition);
  txtQuali_->setFocus();
}

void MainWindow::ShowOptionsForType() {
  const bool quality = cmbType_->currentIndex() == kJpgPosition;
  lblQuali_->setVisible(quality);
  txtQuali_->setVisible(quality);
  chkTrans_->setVisible(cmbType_->currentIndex() == kGifPosition);
}

void MainWindow::AddFiles() { AddChosenFiles(*comdlg_, *lstFiles_); }

void MainWindow::RemoveFiles() { RemoveSelectedFiles(*lstFiles_); }

void MainWindow::ConvertFiles() {
  const BusyCursor busy;
  busy_ = &busy;
  const auto forget = qScopeGuard([this] { busy_ = nullptr; });
  run_batch_(*this, *this);
}

void MainWindow::EndProgram() {
  close();
  QCoreApplication::quit();
}

int32_t MainWindow::EntryCount() const { return lstFiles_->count(); }

std::u16string MainWindow::EntryText(int32_t index) const {
  const QListWidgetItem* item = lstFiles_->item(index);
  return item != nullptr ? item->text().toStdU16String() : std::u16string();
}

std::u16string MainWindow::OutputTypeText() const {
  return cmbType_->currentIndex() < 0 ? std::u16string() : cmbType_->currentText().toStdU16String();
}

int32_t MainWindow::OutputTypeIndex() const { return cmbType_->currentIndex(); }

int32_t MainWindow::TransparencyState() const {
  switch (chkTrans_->checkState()) {
    case Qt::Unchecked:
      return 0;
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
  }
  return 0;
}

std::u16string MainWindow::QualityText() const { return txtQuali_->text().toStdU16String(); }

std::u16string MainWindow::HeightText() const { return txtHeight_->text().toStdU16String(); }

std::u16string MainWindow::WidthText() const { return txtWidth_->text().toStdU16String(); }

void MainWindow::ShowMessage(const std::u16string& text) {
  // The user has to read and close the box: the pointer must not say "wait".
  const LiftedCursor lifted(busy_);
  ShowMessageBox(this, QString::fromStdU16String(text));
}

std::u16string MainWindow::ExecutableFolder() const {
  return QCoreApplication::applicationDirPath().toStdU16String();
}

}  // namespace kalvenix

#include "main_window/qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <limits>
#include <map>

#include "main_window/qt/qt_layout.h"
#include "platform/message_box.h"

namespace kalvenix {

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* MakeWidget(const ControlDescription& description, QWidget* container) {
  const QString caption = ToQString(description.caption);
  switch (description.kind) {
    case ControlKind::kFrame:
      return new QGroupBox(caption, container);
    case ControlKind::kLabel: {
      auto* label = new QLabel(caption, container);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(caption, container);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::kListBox: {
      auto* list = new QListWidget(container);
      // A click toggles one entry and leaves the others.
      list->setSelectionMode(QAbstractItemView::MultiSelection);
      list->setSortingEnabled(false);
      return list;
    }
    case ControlKind::kDropDownList: {
      auto* combo = new QComboBox(container);
      combo->setEditable(false);
      return combo;
    }
    case ControlKind::kTextBox: {
      auto* box = new QLineEdit(caption, container);
      // A text box takes any length of text; the batch reads it as typed.
      box->setMaxLength(std::numeric_limits<int>::max());
      return box;
    }
    case ControlKind::kCheckBox:
      return new QCheckBox(caption, container);
  }
  return nullptr;
}

}  // namespace

MainWindow::MainWindow(DialogFactory make_dialog, BatchRunner run_batch)
    : handlers_(*this, std::move(run_batch)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(ToQString(kWindowCaption));
  // Fixed single border: no maximize or minimize box, no resizing.
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(ClientAreaSize());
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/kalvenix-32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/icons/kalvenix-16.png"), QSize(16, 16));
  setWindowIcon(icon);
  setFont(FontOf(ControlFont::kDialog));

  BuildControls();
  comdlg_ = make_dialog(this);
  ConnectEvents();
  handlers_.Load();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
  std::map<std::string_view, QWidget*> made;
  for (const ControlDescription& description : ControlDescriptions()) {
    QWidget* container = description.container.empty() ? this : made.at(description.container);
    QWidget* widget = MakeWidget(description, container);
    widget->setObjectName(QString::fromLatin1(description.name.data(),
                                              static_cast<qsizetype>(description.name.size())));
    widget->setGeometry(PixelRect(description.place));
    widget->setFont(FontOf(description.font));
    if (!description.visible_when_created) widget->setVisible(false);
    made.emplace(description.name, widget);
    if (description.control) controls_.at(static_cast<size_t>(*description.control)) = widget;
  }
  // Qt skips hidden controls on its own.
  const std::span<const std::string_view> order = FocusOrder();
  for (size_t i = 0; i + 1 < order.size(); ++i)
    setTabOrder(made.at(order[i]), made.at(order[i + 1]));
}

void MainWindow::ConnectEvents() {
  connect(As<QComboBox>(Control::kCmbType), &QComboBox::currentIndexChanged, this,
          [this] { handlers_.ShowOptionsForType(); });
  const auto on_click = [this](const char* name, void (WindowHandlers::*handler)()) {
    connect(findChild<QPushButton*>(QString::fromLatin1(name)), &QPushButton::clicked, this,
            [this, handler] { (handlers_.*handler)(); });
  };
  on_click("cmdAdd", &WindowHandlers::AddFiles);
  on_click("cmdDel", &WindowHandlers::RemoveFiles);
  on_click("mndKonv", &WindowHandlers::ConvertFiles);
  on_click("cmdEnd", &WindowHandlers::EndProgram);
}

QWidget* MainWindow::Widget(Control control) const {
  return controls_.at(static_cast<size_t>(control));
}

template <typename Kind>
Kind* MainWindow::As(Control control) const {
  return static_cast<Kind*>(Widget(control));
}

void MainWindow::AddItem(Control list, const std::u16string& text) {
  if (list == Control::kCmbType) {
    As<QComboBox>(list)->addItem(QString::fromStdU16String(text));
  } else {
    As<QListWidget>(list)->addItem(QString::fromStdU16String(text));
  }
}

void MainWindow::RemoveItem(Control list, int32_t position) {
  if (list == Control::kCmbType) {
    As<QComboBox>(list)->removeItem(position);
  } else {
    std::unique_ptr<QListWidgetItem> removed(As<QListWidget>(list)->takeItem(position));
  }
}

int32_t MainWindow::ListCount(Control list) const {
  return list == Control::kCmbType ? As<QComboBox>(list)->count() : As<QListWidget>(list)->count();
}

std::u16string MainWindow::List(Control list, int32_t position) const {
  if (list == Control::kCmbType) return As<QComboBox>(list)->itemText(position).toStdU16String();
  const QListWidgetItem* item = As<QListWidget>(list)->item(position);
  return item != nullptr ? item->text().toStdU16String() : std::u16string();
}

bool MainWindow::Selected(Control list, int32_t position) const {
  if (list == Control::kCmbType) return As<QComboBox>(list)->currentIndex() == position;
  const QListWidgetItem* item = As<QListWidget>(list)->item(position);
  return item != nullptr && item->isSelected();
}

int32_t MainWindow::SelCount(Control list) const {
  if (list == Control::kCmbType) return As<QComboBox>(list)->currentIndex() < 0 ? 0 : 1;
  return static_cast<int32_t>(As<QListWidget>(list)->selectedItems().size());
}

int32_t MainWindow::ListIndex(Control list) const {
  return list == Control::kCmbType ? As<QComboBox>(list)->currentIndex()
                                   : As<QListWidget>(list)->currentRow();
}

void MainWindow::SetListIndex(Control list, int32_t position) {
  // Qt's signal for a changed entry raises the Click before this returns.
  if (list == Control::kCmbType) {
    As<QComboBox>(list)->setCurrentIndex(position);
  } else {
    As<QListWidget>(list)->setCurrentRow(position);
  }
}

void MainWindow::SetVisible(Control control, bool visible) { Widget(control)->setVisible(visible); }

std::u16string MainWindow::Text(Control control) const {
  if (control == Control::kCmbType) {
    const auto* combo = As<QComboBox>(control);
    return combo->currentIndex() < 0 ? std::u16string() : combo->currentText().toStdU16String();
  }
  return As<QLineEdit>(control)->text().toStdU16String();
}

int32_t MainWindow::Value(Control check_box) const {
  switch (As<QCheckBox>(check_box)->checkState()) {
    case Qt::Unchecked:
      return 0;
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
  }
  return 0;
}

void MainWindow::SetFocus(Control control) { Widget(control)->setFocus(); }

OpenDialog& MainWindow::Dialog() { return *comdlg_; }

void MainWindow::ShowMessage(const std::u16string& text) {
  ShowMessageBox(this, QString::fromStdU16String(text));
}

void MainWindow::SetWaitCursor(bool wait) {
  // Qt keeps override cursors on a stack; the handlers match every set with
  // one restore, so a cursor someone else set stays as it was.
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void MainWindow::Unload() {
  close();
  QCoreApplication::quit();
}

}  // namespace kalvenix

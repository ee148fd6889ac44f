// Kalvenix: starts the window frmMain and runs until it is closed.
#include <QApplication>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "app/display_check.h"
#include "app/start_up.h"
#include "app/system_batch.h"
#include "main_window/qt/main_window.h"
#include "platform/qt_open_dialog.h"

int main(int argc, char* argv[]) {
  if (!kalvenix::HasDisplay()) {
    std::fprintf(stderr, "%s\n", kalvenix::kNoDisplayMessage);
    return 2;
  }

  QApplication app(argc, argv);
  QTranslator qt_texts;
  kalvenix::SetUpApplication(qt_texts);

  kalvenix::MainWindow window(
      [](QWidget* parent) { return std::make_unique<kalvenix::QtOpenDialog>(parent); },
      &kalvenix::ConvertOnThisSystem);
  window.show();
  return QApplication::exec();
}

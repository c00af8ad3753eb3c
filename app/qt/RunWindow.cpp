#include "app/RunWindow.h"

#include <QApplication>

#include "app/TForm1.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtShell.h"

namespace jc::app {

int RunWindow(int argc, char** argv, const jc::PathMapper& paths, bool technician) {
  QApplication app(argc, argv);
  qt::QtShell shell;
  TForm1 form(shell, paths);
  qt::MainWindow window(form);
  // Start-up runs while the window is being made; an error ends it in the
  // error box and the window opens anyway.
  form.RunEvent([&form] { form.FormCreate(); });
  if (technician) form.RunEvent([&form] { form.ShowTechnicianView(); });
  window.SyncFromModel();
  window.ShowCentred();
  const int status = app.exec();
  // Shutdown runs in the window's close; this covers a loop ended otherwise.
  form.RunEvent([&form] { form.FormClose(); });
  return status;
}

}  // namespace jc::app

// The desktop program: the splash, then the main window until it is closed.
// `brevantis FILE` starts with FILE chosen, as Browse would.
#include <QApplication>

#include "app/main_window.h"
#include "report/progress_channel.h"
#include "app/qt_dialogs.h"
#include "app/splash_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Where the user's settings (the export format chosen last) are kept.
  QApplication::setOrganizationName("Corvanel");
  QApplication::setApplicationName("Brevantis");
  ProgressChannel progress;
  QtDialogs dialogs(&application);
  MainWindow window(progress, dialogs);
  if (argc > 1) window.UseFile(argv[1]);
  window.show();
  SplashWindow splash;
  splash.Show();
  return window.exec();
}

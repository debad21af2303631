// The desktop program: the splash, then the main window until it is closed.
// `brevantis FILE` starts with FILE chosen, as Browse would.
#include <QApplication>

#include "app/main_window.h"
#include "app/program_style.h"
#include "report/progress_channel.h"
#include "app/qt_dialogs.h"
#include "app/splash_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The name under which the windows' sizes, the last folder and the export
  // format chosen last are kept.
  QCoreApplication::setOrganizationName(QStringLiteral("Corvanel"));
  QCoreApplication::setApplicationName(QStringLiteral("brevantis"));
  UseProgramStyle(application);
  ProgressChannel progress;
  QtDialogs dialogs(&application);
  MainWindow window(progress, dialogs);
  if (argc > 1) window.UseFile(argv[1]);
  SplashWindow splash;
  splash.Run();
  window.show();
  return window.exec();
}

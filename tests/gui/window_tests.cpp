#include "tests/gui/window_tests.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int failures = 0;
  SplashWindowTest splash;
  failures += QTest::qExec(&splash, argc, argv);
  QtDialogsTest dialogs;
  failures += QTest::qExec(&dialogs, argc, argv);
  return failures;
}

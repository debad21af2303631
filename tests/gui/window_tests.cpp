#include "tests/gui/window_tests.h"

#include <QApplication>
#include <QTest>

#include "tests/gui/gui_test_support.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  guitest::TestProgram program;
  int failures = 0;
  SplashWindowTest splash;
  failures += QTest::qExec(&splash, argc, argv);
  QtDialogsTest dialogs;
  failures += QTest::qExec(&dialogs, argc, argv);
  return failures;
}

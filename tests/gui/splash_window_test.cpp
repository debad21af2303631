// The start-up splash: gone after its time, or at once on a click or a key,
// which it consumes.
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <QElapsedTimer>

#include "app/splash_window.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/window_tests.h"

void SplashWindowTest::GoesAfterItsTime() {
  SplashWindow splash(30);
  splash.Show();
  QVERIFY(splash.isVisible());
  QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
  QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 2000);
}

void SplashWindowTest::RunReturnsOnceItHasGone() {
  // The program shows its main window only after this returns.
  SplashWindow splash(50);
  guitest::SaveScreenshot(splash, "splash");
  QElapsedTimer shown;
  shown.start();
  splash.Run();
  QVERIFY(!splash.isVisible());
  QVERIFY(shown.elapsed() >= 40);
}

void SplashWindowTest::AClickOrAKeyClosesItAndIsConsumed_data() {
  QTest::addColumn<bool>("click");
  QTest::newRow("mouse click") << true;
  QTest::newRow("key press") << false;
}

void SplashWindowTest::AClickOrAKeyClosesItAndIsConsumed() {
  QFETCH(bool, click);
  QPushButton behind("behind");
  behind.show();
  QSignalSpy clicked(&behind, &QPushButton::clicked);
  SplashWindow splash(60000);
  splash.Show();
  if (click) {
    QTest::mouseClick(&behind, Qt::LeftButton);
  } else {
    behind.setFocus();
    QTest::keyClick(&behind, Qt::Key_Space);
  }
  QVERIFY(!splash.isVisible());
  QCOMPARE(clicked.count(), 0);
  // Once the splash is gone, input reaches the program again.
  QTest::mouseClick(&behind, Qt::LeftButton);
  QCOMPARE(clicked.count(), 1);
}

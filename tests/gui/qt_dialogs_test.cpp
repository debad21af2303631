// The dialog seams answered with Qt windows.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>

#include <thread>

#include "app/password_dialog.h"
#include "app/qt_dialogs.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/window_tests.h"

void QtDialogsTest::FiltersInQtNotation_data() {
  QTest::addColumn<QString>("windows");
  QTest::addColumn<QString>("qt");
  QTest::newRow("the program's filter")
      << "Microsoft Access Database Files (*.mdb)|*.mdb||" << "Microsoft Access Database Files (*.mdb)";
  QTest::newRow("two filters") << "Databases (*.mdb)|*.mdb|All Files (*.*)|*.*||"
                               << "Databases (*.mdb);;All Files (*.*)";
  QTest::newRow("empty") << "" << "";
}

void QtDialogsTest::FiltersInQtNotation() {
  QFETCH(QString, windows);
  QFETCH(QString, qt);
  QCOMPARE(QtFileFilter(windows.toStdString()), qt);
}

void QtDialogsTest::AMessageAskedFromAWorkerIsShownByTheWindowThread_data() {
  QTest::addColumn<bool>("fromWorker");
  QTest::newRow("worker thread") << true;
  QTest::newRow("window thread") << false;
}

void QtDialogsTest::AMessageAskedFromAWorkerIsShownByTheWindowThread() {
  QFETCH(bool, fromWorker);
  QtDialogs dialogs(qApp);
  QString text, title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool onWindowThread = false;
  guitest::ModalAnswerer answerer([&](QWidget& modal) {
    auto* box = qobject_cast<QMessageBox*>(&modal);
    if (box == nullptr) return false;
    text = box->text();
    title = box->windowTitle();
    icon = box->icon();
    onWindowThread = box->thread() == qApp->thread();
    box->button(QMessageBox::No)->click();
    return true;
  });
  platform::MessageAnswer answer = platform::MessageAnswer::Ok;
  auto ask = [&] {
    answer = dialogs.ShowMessage("Are you sure?", "Corvanel Brevantis", platform::MessageButtons::YesNo,
                                 platform::MessageIcon::Question);
  };
  if (fromWorker) {
    std::thread worker(ask);
    // The worker waits for the window thread, which must keep handling events.
    QTRY_VERIFY(answerer.done());
    worker.join();
  } else {
    ask();
  }
  QVERIFY(answer == platform::MessageAnswer::No);
  QCOMPARE(text, QString("Are you sure?"));
  QCOMPARE(title, QString("Corvanel Brevantis"));
  QCOMPARE(icon, QMessageBox::Question);
  QVERIFY(onWindowThread);
}

void QtDialogsTest::ACancelledFolderChoiceLeavesThePath() {
  QtDialogs dialogs(qApp);
  QString title;
  guitest::ModalAnswerer answerer([&](QWidget& modal) {
    auto* chooser = qobject_cast<QFileDialog*>(&modal);
    if (chooser == nullptr) return false;
    title = chooser->windowTitle();
    chooser->reject();
    return true;
  });
  std::string path = "/tmp";
  QVERIFY(!dialogs.ChooseFolder(" Please select the Destination folder ", path));
  QCOMPARE(path, std::string("/tmp"));
  QCOMPARE(title, QString(" Please select the Destination folder "));
}

void QtDialogsTest::TheOpenDialogComesBackLargeInTheLastFolderUsed() {
  QtDialogs dialogs(qApp);
  testenv::ScratchDir scratch;
  const std::string file = scratch.File("shop.mdb");
  testenv::WriteFile(file, "x");
  QSize firstSize;
  guitest::ModalAnswerer picker([&](QWidget& modal) {
    auto* chooser = qobject_cast<QFileDialog*>(&modal);
    if (chooser == nullptr) return false;
    firstSize = chooser->size();
    chooser->setDirectory(QString::fromStdString(scratch.path()));
    chooser->selectFile(QString::fromStdString(file));
    QMetaObject::invokeMethod(chooser, "accept");
    return true;
  });
  QCOMPARE(dialogs.ChooseFile("Microsoft Access Database Files (*.mdb)|*.mdb||"), file);
  // Room for long names with their details (the headless screen is 800x600).
  QVERIFY(firstSize.width() >= 700 && firstSize.height() >= 500);

  QString folder;
  guitest::ModalAnswerer looker([&](QWidget& modal) {
    auto* chooser = qobject_cast<QFileDialog*>(&modal);
    if (chooser == nullptr) return false;
    folder = chooser->directory().absolutePath();
    QTest::qWait(50);  // laid out and filled, for the screenshot
    guitest::SaveScreenshot(*chooser, "open_dialog");
    chooser->reject();
    return true;
  });
  QCOMPARE(dialogs.ChooseFile("Microsoft Access Database Files (*.mdb)|*.mdb||"), std::string());
  QCOMPARE(folder, QString::fromStdString(scratch.path()));
}

void QtDialogsTest::AMissingDocumentIsNotOpened() {
  QtDialogs dialogs(qApp);
  testenv::ScratchDir scratch;
  QVERIFY(!dialogs.OpenWithShell(scratch.File("Help.chm")));
  QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void QtDialogsTest::ThePasswordDialogSaysWhyItAsks() {
  QtDialogs dialogs(qApp);
  for (const bool accept : {true, false}) {
    QString prompt, database;
    bool hidden = false;
    guitest::ModalAnswerer answerer([&](QWidget& modal) {
      auto* dialog = qobject_cast<PasswordDialog*>(&modal);
      if (dialog == nullptr) return false;
      prompt = dialog->ui.prompt->text();
      database = dialog->ui.database->text();
      hidden = dialog->ui.password->echoMode() == QLineEdit::Password;
      QTest::keyClicks(dialog->ui.password, "open ");
      dialog->ui.password->insert(QString::fromUtf8("sésame"));  // typed keys are ASCII only
      guitest::SaveScreenshot(*dialog, "password_dialog");
      dialog->ui.buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
      return true;
    });
    std::optional<std::string> password;
    std::thread worker([&] { password = dialogs.AskPassword("/data/vault.accdb", "The password is not correct."); });
    QTRY_VERIFY(answerer.done());
    worker.join();
    QCOMPARE(password, accept ? std::optional<std::string>("open sésame") : std::nullopt);
    QCOMPARE(prompt, QString("The password is not correct."));
    QCOMPARE(database, QString("Password of vault.accdb:"));
    QVERIFY(hidden);
  }
}

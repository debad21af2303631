// What the window tests share: a main window with its channel and scripted
// dialogs, databases written for the occasion, answering the modal windows a
// command opens, and the screenshots asked for by BREVANTIS_SCREENSHOT_DIR.
#pragma once

#include <QApplication>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "report/progress_channel.h"
#include "tests/gui/scripted_dialogs.h"
#include "tests/support/test_env.h"

class QWidget;

namespace guitest {

// Calls `step` with the active modal window every few milliseconds, from the
// window thread, until it returns true. Arm it before the command that opens
// the window; the returned object disarms it when dropped.
class ModalAnswerer {
 public:
  explicit ModalAnswerer(std::function<bool(QWidget& modal)> step);
  ~ModalAnswerer();
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;
  bool done() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// Calls `shown` with every window of type Window as it is shown, before its
// event loop runs: the moment to hook into a window that a command creates
// and runs modally.
class ShowHook : public QObject {
 public:
  explicit ShowHook(std::function<void(QWidget& window)> shown, const char* className);
  ~ShowHook() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(QWidget&)> shown_;
  const char* className_;
};

// A main window as the program makes it, with its own channel and dialogs.
struct Session {
  // The windows' settings go here, never to the user's own.
  testenv::ScratchDir settings;
  ProgressChannel progress;
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;

  Session();
  ~Session();
  MainWindow& w() { return *window; }
  // Recover, waiting until both watchers have ended; `atEnd` sees the
  // progress window before its Close is pressed.
  void RecoverToEnd(const std::function<void(QWidget& progress)>& atEnd = {});
  // UseFile, then RecoverToEnd.
  void OpenAndRecover(const std::string& path);
  // Selects the tree node with this text and waits for its fetch.
  void SelectNode(const QString& text);
};

// "Customers": 250 rows (or customerRows) of Id (LONG), Name (TEXT, 50
// bytes), Born (DATETIME), Photo (OLE), Data (BINARY), Notes (MEMO); row i
// (from 1) has Id i and Name "Name i", every seventh Name is NULL. "Orders":
// 3 rows of Id, Item. "Empty": no rows.
std::string WriteSampleDatabase(const std::string& path, int customerRows = 250, bool access97 = false);
// A table "Big" whose rows each take a data page of their own.
std::string WriteManyPageDatabase(const std::string& path, int pages);
// The page map of a Jet file and nothing else: no header, no table.
std::string WriteUnreadableJetFile(const std::string& path);

// Saves the window as NAME.png when BREVANTIS_SCREENSHOT_DIR is set.
void SaveScreenshot(QWidget& window, const QString& name);

// What a test program sets up before its tests, as the program does: its
// style, and its settings, kept in a folder of its own that goes with it
// instead of the user's.
class TestProgram {
 public:
  TestProgram();

 private:
  QTemporaryDir settings_;
};

}  // namespace guitest

// QTEST_MAIN with the program's set-up.
#define BREVANTIS_GUI_TEST_MAIN(TestClass)          \
  int main(int argc, char** argv) {                 \
    QApplication application(argc, argv);           \
    application.setAttribute(Qt::AA_Use96Dpi, true); \
    guitest::TestProgram program;                   \
    TestClass test;                                 \
    return QTest::qExec(&test, argc, argv);         \
  }

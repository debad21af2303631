#include "tests/gui/gui_test_support.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/analysis_progress_dialog.h"
#include "app/program_style.h"
#include "tests/support/test_db_builder.h"

namespace guitest {

struct ModalAnswerer::State {
  std::function<bool(QWidget&)> step;
  QTimer timer;
  bool done = false;
};

ModalAnswerer::ModalAnswerer(std::function<bool(QWidget& modal)> step)
    : state_(std::make_shared<State>()) {
  state_->step = std::move(step);
  state_->timer.setInterval(5);
  State* state = state_.get();
  QObject::connect(&state_->timer, &QTimer::timeout, [state] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || state->done) return;
    if (state->step(*modal)) {
      state->done = true;
      state->timer.stop();
    }
  });
  state_->timer.start();
}

ModalAnswerer::~ModalAnswerer() { state_->timer.stop(); }

bool ModalAnswerer::done() const { return state_->done; }

ShowHook::ShowHook(std::function<void(QWidget& window)> shown, const char* className)
    : shown_(std::move(shown)), className_(className) {
  qApp->installEventFilter(this);
}

ShowHook::~ShowHook() { qApp->removeEventFilter(this); }

bool ShowHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType() && watched->inherits(className_))
    shown_(*static_cast<QWidget*>(watched));
  return false;
}

Session::Session() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.path()));
  window = std::make_unique<MainWindow>(progress, dialogs);
  window->SetExportClosingPause(0);
  window->resize(1280, 800);
  window->show();
}

Session::~Session() {
  // Closing asks for a confirmation; the window is torn down directly.
  window.reset();
}

void Session::RecoverToEnd(const std::function<void(QWidget& progress)>& atEnd) {
  ModalAnswerer closer([&](QWidget& modal) {
    auto* dialog = qobject_cast<AnalysisProgressDialog*>(&modal);
    if (dialog == nullptr || dialog->ui.stopClose_1063->text() != "Close") return false;
    // Both watchers put the window into its end state; wait for the second.
    if (dialog->WatchersRunning()) return false;
    if (atEnd) atEnd(*dialog);
    dialog->ui.stopClose_1063->click();
    return true;
  });
  window->Recover();
  QVERIFY(closer.done());
  // The deleted-row and schema nodes come after the dialog's end.
  QTRY_VERIFY_WITH_TIMEOUT(!window->analysisRunning(), 60000);
}

void Session::OpenAndRecover(const std::string& path) {
  window->UseFile(path);
  RecoverToEnd();
}

void Session::SelectNode(const QString& text) {
  const QList<QTreeWidgetItem*> found =
      window->ui.tree_1001->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  QVERIFY2(!found.isEmpty(), qPrintable("no tree node " + text));
  window->ui.tree_1001->setCurrentItem(found.front());
  window->browser().WaitForFetch();
}

std::string WriteSampleDatabase(const std::string& path, int customerRows, bool access97) {
  using testdb::ColumnType;
  testdb::DatabaseBuilder db;
  if (access97) db.SetJet3();
  testdb::Table& customers = db.AddTable("Customers", {{"Id", ColumnType::Long},
                                                       {"Name", ColumnType::Text, 25},
                                                       {"Born", ColumnType::Date},
                                                       {"Photo", ColumnType::Ole},
                                                       {"Data", ColumnType::Binary, 8},
                                                       {"Notes", ColumnType::Memo}});
  for (int i = 1; i <= customerRows; ++i) {
    testdb::Value name = i % 7 == 0 ? testdb::Value(testdb::Null{})
                                    : testdb::Value("Name " + std::to_string(i));
    customers.rows.push_back({{i, name, testdb::Date{40000.0 + i},
                               testdb::Bytes{{1, 2, 3, 4}}, testdb::Bytes{{9, 8, 7}},
                               "Note " + std::to_string(i)}});
  }
  testdb::Table& orders = db.AddTable("Orders", {{"Id", ColumnType::Long},
                                                 {"Item", ColumnType::Text, 20}});
  for (int i = 1; i <= 3; ++i) orders.rows.push_back({{i, "Item " + std::to_string(i)}});
  db.AddTable("Empty", {{"Id", ColumnType::Long}, {"Label", ColumnType::Text, 10}});
  const testdb::Layout layout = db.Write(path);
  if (!layout.ok) qFatal("cannot write %s: %s", path.c_str(), layout.error.c_str());
  return path;
}

std::string WriteManyPageDatabase(const std::string& path, int pages) {
  testdb::DatabaseBuilder db;
  testdb::Table& big = db.AddTable("Big", {{"Id", testdb::ColumnType::Long}});
  big.rowsPerPage = 1;
  for (int i = 0; i < pages; ++i) big.rows.push_back({{i}});
  const testdb::Layout layout = db.Write(path);
  if (!layout.ok) qFatal("cannot write %s: %s", path.c_str(), layout.error.c_str());
  return path;
}

std::string WriteUnreadableJetFile(const std::string& path) {
  std::string bytes(3 * 4096, '\0');
  bytes.replace(4096, 8, std::string("\x01\x01\x00\x08\x01\x00\x00\x00", 8));
  testenv::WriteFile(path, bytes);
  return path;
}

TestProgram::TestProgram() {
  QCoreApplication::setOrganizationName(QStringLiteral("Corvanel-tests"));
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, settings_.path());
  UseProgramStyle(*qApp);
}

void SaveScreenshot(QWidget& window, const QString& name) {
  const QString dir = qEnvironmentVariable("BREVANTIS_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  window.grab().save(dir + "/" + name + ".png");
}

}  // namespace guitest

// The longer work on the table shown, run by the record browser's worker
// with a bar, a text and Stop: sorting the whole table by a column (a click
// on its header: ascending, descending, then the table's own order again)
// and finding a text in any of its cells (the find bar, Ctrl+F; Enter and
// F3 find the next cell after the current one, round to the start).
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

class MdbFile;
class OleFileWriter;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class RecordBrowser;

// What Find looks for: a cell text that holds the needle, the case of
// letters aside.
std::function<bool(std::string_view cellText)> CellMatcher(const QString& needle);

struct RecordTaskControls {
  QTableWidget* list = nullptr;
  QWidget* taskRow = nullptr;
  QLabel* taskText = nullptr;
  QProgressBar* taskProgress = nullptr;
  QPushButton* taskStop = nullptr;
  QWidget* findRow = nullptr;
  QLineEdit* findText = nullptr;
  QPushButton* findNext = nullptr;
  QLabel* findStatus = nullptr;
  QPushButton* findClose = nullptr;
};

class RecordTasks : public QObject {
 public:
  // Everything given must outlive the tasks.
  RecordTasks(MdbFile& session, OleFileWriter& oleFiles, RecordBrowser& browser,
              const RecordTaskControls& controls);

  void SortBy(int column);
  void OpenFind();
  void FindNext();
  void CloseFind();
  // Asks the task at hand, if any, to stop; the browser's worker ends soon.
  void Stop();
  bool running() const { return running_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Called from the worker: what the task has done of how much.
  void Report(const QString& text, int64_t done, int64_t total);
  void Begin(const QString& text);
  void End();
  // Another table, or none: no order, no result of an earlier search.
  void TableChanged();
  void ShowSortIndicator();

  MdbFile& session_;
  OleFileWriter& oleFiles_;
  RecordBrowser& browser_;
  RecordTaskControls controls_;
  std::atomic<uint8_t> stop_{0};
  bool running_ = false;
};

// record-page-bench FILE TABLE: how long the main window takes to show a
// table's first page of 100 rows after the table is selected in the tree
// (fetch thread, row reading, list filled and painted, and the table's rows
// counted for the jump), each Next and Prev after it, and a jump to pages
// spread over the whole table. Runs the real window headless; figures go to
// stderr.
#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/analysis_progress_dialog.h"
#include "app/main_window.h"
#include "report/progress_channel.h"
#include "platform/dialogs.h"

namespace {

double Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// One command that ends in a fetch, timed until the page is on screen.
template <typename Command>
double TimedFetch(MainWindow& window, Command&& command) {
  const auto start = std::chrono::steady_clock::now();
  command();
  window.browser().WaitForFetch();
  window.ui.records_1002->viewport()->repaint();
  return Milliseconds(start);
}

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::fprintf(stderr, "%-24s median %7.2f ms   worst %7.2f ms   (%zu runs)\n", what,
               times[times.size() / 2], times.back(), times.size());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fputs("usage: record-page-bench FILE TABLE\n", stderr);
    return 1;
  }
  ProgressChannel progress;
  platform::StderrDialogs dialogs;
  MainWindow window(progress, dialogs);
  window.show();
  window.UseFile(argv[1]);

  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<AnalysisProgressDialog*>(QApplication::activeModalWidget());
    if (dialog != nullptr && dialog->ui.stopClose_1063->text() == "Close" && !dialog->WatchersRunning())
      dialog->ui.stopClose_1063->click();
  });
  closer.start(5);
  const auto analysisStart = std::chrono::steady_clock::now();
  window.Recover();
  closer.stop();
  std::fprintf(stderr, "analysis (Recover)       %7.0f ms\n", Milliseconds(analysisStart));

  QTreeWidget& tree = *window.ui.tree_1001;
  const QList<QTreeWidgetItem*> found = tree.findItems(argv[2], Qt::MatchExactly | Qt::MatchRecursive);
  if (found.isEmpty()) {
    std::fprintf(stderr, "no table %s\n", argv[2]);
    return 1;
  }
  QTreeWidgetItem* table = found.front();
  QTreeWidgetItem* root = tree.topLevelItem(0);

  std::vector<double> first, next, prev, jump;
  for (int run = 0; run < 20; ++run) {
    tree.setCurrentItem(root);  // nothing shown: the next selection loads the table afresh
    window.browser().ShowNoTable();
    first.push_back(TimedFetch(window, [&] { tree.setCurrentItem(table); }));
    if (run == 0)
      std::fprintf(stderr, "first page shows %d rows of %d columns\n", window.ui.records_1002->rowCount(),
                   window.ui.records_1002->columnCount());
    for (int page = 0; page < 5 && window.ui.next_1071->isEnabled(); ++page)
      next.push_back(TimedFetch(window, [&] { window.ui.next_1071->click(); }));
    while (window.ui.prev_1070->isEnabled())
      prev.push_back(TimedFetch(window, [&] { window.ui.prev_1070->click(); }));
    const int pages = window.browser().pageTotal();
    for (int step = 1; step <= 5; ++step) {
      const int page = static_cast<int>(int64_t{pages} * (run * 5 + step) / 101) + 1;
      jump.push_back(TimedFetch(window, [&] { window.browser().GoToPage(page); }));
    }
    if (run == 0)
      std::fprintf(stderr, "%lld rows in %d pages; the last jump shows page %d\n",
                   static_cast<long long>(window.browser().rowTotal()), pages,
                   window.browser().pageNumber());
  }
  Report("first page", first);
  if (!next.empty()) Report("Next", next);
  if (!prev.empty()) Report("Prev", prev);
  Report("Go to page", jump);
  return 0;
}

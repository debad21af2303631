// The record browser: pages of 100 rows with Next and Prev and the jump to
// any page, the list's columns, cells and tooltips, and which tree nodes
// load a table, by selection and by the pointer.
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QHelpEvent>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolTip>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/analysis_progress_dialog.h"
#include "app/cell_tool_tips.h"
#include "app/program_settings.h"
#include "app/record_copy.h"
#include "reader/table_def.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_db_presets.h"

using guitest::Session;

namespace {

struct PageView {
  int rows;
  QString count, page;
  bool next, prev;
  QString firstId, lastId;
};

PageView Shown(MainWindow& w) {
  QTableWidget& list = *w.ui.records_1002;
  const int rows = list.rowCount();
  auto id = [&](int row) { return rows > row && row >= 0 ? list.item(row, 0)->text() : QString(); };
  return {rows, w.ui.recordCount_1064->text(), w.ui.pageNumber_1074->text(), w.ui.next_1071->isEnabled(),
          w.ui.prev_1070->isEnabled(), id(0), id(rows - 1)};
}

void ComparePage(const PageView& actual, const PageView& expected) {
  QCOMPARE(actual.rows, expected.rows);
  QCOMPARE(actual.count, expected.count);
  QCOMPARE(actual.page, expected.page);
  QCOMPARE(actual.next, expected.next);
  QCOMPARE(actual.prev, expected.prev);
  QCOMPARE(actual.firstId, expected.firstId);
  QCOMPARE(actual.lastId, expected.lastId);
}

QTreeWidgetItem* Node(MainWindow& w, const QString& text) {
  return w.ui.tree_1001->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
}

const QString kLongName = "A table whose name is far too long for the paging bar";

// Row i of the wide table: column c holds a short text, every tenth column
// a memo of many lines.
std::string WideText(int row, int column) {
  if (column % 10 != 3) return "r" + std::to_string(row) + " c" + std::to_string(column);
  std::string text;
  for (int line = 1; line <= 12; ++line)
    text += "Line " + std::to_string(line) + " of the notes on row " + std::to_string(row) +
            ", which go on well past any column's width\r\n";
  return text;
}

// kLongName: 30 columns, 5 rows; "Narrow": two columns.
std::string WriteWideDatabase(const std::string& path) {
  testdb::DatabaseBuilder db;
  std::vector<testdb::Column> columns;
  for (int c = 0; c < 30; ++c)
    columns.push_back({"Column " + std::to_string(c),
                       c % 10 == 3 ? testdb::ColumnType::Memo : testdb::ColumnType::Text, 40});
  testdb::Table& wide = db.AddTable(kLongName.toStdString(), columns);
  for (int r = 1; r <= 5; ++r) {
    testdb::Row row;
    for (int c = 0; c < 30; ++c) row.values.push_back(WideText(r, c));
    wide.rows.push_back(row);
  }
  testdb::Table& narrow = db.AddTable("Narrow", {{"Id", testdb::ColumnType::Long}, {"Item", testdb::ColumnType::Text, 20}});
  narrow.rows.push_back({{1, "one"}});
  const testdb::Layout layout = db.Write(path);
  if (!layout.ok) qFatal("cannot write %s: %s", path.c_str(), layout.error.c_str());
  return path;
}

// The tooltip the list shows with the pointer over a cell.
QString ToolTipOver(QTableWidget& list, int row, int column) {
  const QRect cell = list.visualRect(list.model()->index(row, column));
  QHelpEvent event(QEvent::ToolTip, cell.center(), list.viewport()->mapToGlobal(cell.center()));
  QCoreApplication::sendEvent(list.viewport(), &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

}  // namespace

class RecordBrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void PagesOfAHundredWithNextAndPrev();
  void CellsShowTheirTypesAndNullsAsBlanks();
  void AnEmptyTableShowsItsHeadersOnly();
  void OnlyTableAndColumnNodesLoadATable_data();
  void OnlyTableAndColumnNodesLoadATable();
  void AColumnOfTheShownTableChangesNothing();
  void AColumnOfAnotherTableLoadsItAndFoldsTheFirst();
  void EveryCorpusTableShowsItsFirstPage();
  void GoToPageJumpsAndPrevComesBack();
  void AWideTableIsReadThroughTooltipsAndTheNextStartsAtItsFirstColumn();
  void AClickSelectsTheTableUnderThePointer();
  void NamesAndTextsOfEveryScriptAreShown();
  void DeletedRowsHaveANodeOfTheirOwnAndArePagedApart();
  void SchemaNodesListKeysIndexesAndRelationships();
  void PagingEndsOnTheLastPage_data();
  void PagingEndsOnTheLastPage();
  void TheArrowKeysGoFromTableToTable();
  void SelectedRowsAreCopiedAsTabSeparatedText();
  void AnOrphanTableShowsItsFixedDataInHexadecimal();
  void AHeaderClickSortsTheWholeTableByItsValues();
  void FindGoesToTheNextCellThatHoldsTheText();
  void SystemTablesAreListedOnlyOnRequest();

 private:
  std::unique_ptr<testenv::ScratchDir> scratch_;
  std::string path_;
  std::unique_ptr<Session> session_;
};

void RecordBrowserTest::initTestCase() {
  scratch_ = std::make_unique<testenv::ScratchDir>();
  path_ = guitest::WriteSampleDatabase(scratch_->File("shop.mdb"));
}

void RecordBrowserTest::cleanupTestCase() {
  session_.reset();
  scratch_.reset();
}

void RecordBrowserTest::init() {
  session_ = std::make_unique<Session>();
  session_->OpenAndRecover(path_);
}

void RecordBrowserTest::PagesOfAHundredWithNextAndPrev() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  QVERIFY(w.ui.records_1002->isVisible());
  QCOMPARE(w.ui.tableName_1068->text(), QString("Customers"));
  ComparePage(Shown(w), {100, "100", "1", true, false, "1", "100"});
  guitest::SaveScreenshot(w, "main_window_table_shown");

  w.ui.next_1071->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "2", true, true, "101", "200"});
  w.ui.next_1071->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {50, "50", "3", false, true, "201", "250"});

  w.ui.prev_1070->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "2", true, true, "101", "200"});
  w.ui.prev_1070->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "1", true, false, "1", "100"});
  QVERIFY(w.browser().pageHistory().empty());
}

void RecordBrowserTest::CellsShowTheirTypesAndNullsAsBlanks() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  QTableWidget& list = *w.ui.records_1002;
  QStringList headers;
  for (int c = 0; c < list.columnCount(); ++c) {
    headers << list.horizontalHeaderItem(c)->text();
    // Fitted to the header and the values, none cut.
    QVERIFY(list.columnWidth(c) > list.fontMetrics().horizontalAdvance(headers.back()));
    QVERIFY(list.columnWidth(c) > list.fontMetrics().horizontalAdvance(list.item(99, c)->text()));
  }
  QCOMPARE(headers, QStringList({"Id", "Name", "Born", "Photo", "Data", "Notes"}));

  // Row 7 has a NULL name.
  QCOMPARE(list.item(6, 1)->text(), QString(" "));
  QCOMPARE(list.item(0, 1)->text(), QString("Name 1"));
  QCOMPARE(list.item(0, 3)->text(), QString("#OLE-OBJECT"));
  QCOMPARE(list.item(0, 4)->text(), QString("#BINARY-OBJECT"));
  QCOMPARE(list.item(0, 5)->text(), QString("Note 1"));

  // Numbers to the right; dates, texts, OLE objects and memos to the left.
  const Qt::Alignment horizontal = Qt::AlignHorizontal_Mask;
  QCOMPARE(list.item(0, 0)->textAlignment() & horizontal, int(Qt::AlignRight));
  QCOMPARE(list.horizontalHeaderItem(0)->textAlignment() & horizontal, int(Qt::AlignRight));
  QCOMPARE(list.item(0, 4)->textAlignment() & horizontal, int(Qt::AlignRight));
  for (int c : {1, 2, 3, 5}) QCOMPARE(list.item(0, c)->textAlignment() & horizontal, int(Qt::AlignLeft));
}

void RecordBrowserTest::AnEmptyTableShowsItsHeadersOnly() {
  MainWindow& w = session_->w();
  session_->SelectNode("Empty");
  ComparePage(Shown(w), {0, "0", "1", false, false, "", ""});
  QCOMPARE(w.ui.records_1002->columnCount(), 2);
  QCOMPARE(w.ui.records_1002->horizontalHeaderItem(1)->text(), QString("Label"));
}

void RecordBrowserTest::OnlyTableAndColumnNodesLoadATable_data() {
  QTest::addColumn<QString>("node");
  QTest::addColumn<QString>("shown");
  QTest::newRow("the root") << "shop" << "";
  QTest::newRow("TABLES") << "TABLES" << "";
  QTest::newRow("a table") << "Orders" << "Orders";
  QTest::newRow("a column") << "Item [TEXT(40)]" << "Orders";
}

void RecordBrowserTest::OnlyTableAndColumnNodesLoadATable() {
  QFETCH(QString, node);
  QFETCH(QString, shown);
  MainWindow& w = session_->w();
  session_->SelectNode(node);
  QCOMPARE(w.ui.tableName_1068->text(), shown);
  QCOMPARE(w.ui.records_1002->isVisible(), !shown.isEmpty());
  QCOMPARE(w.ui.records_1002->rowCount(), shown.isEmpty() ? 0 : 3);
}

void RecordBrowserTest::AColumnOfTheShownTableChangesNothing() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  w.ui.next_1071->click();
  w.browser().WaitForFetch();
  session_->SelectNode("Name [TEXT(50)]");
  ComparePage(Shown(w), {100, "100", "2", true, true, "101", "200"});
}

void RecordBrowserTest::AColumnOfAnotherTableLoadsItAndFoldsTheFirst() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  // A table's columns stay folded until the user unfolds them.
  QVERIFY(!Node(w, "Customers")->isExpanded());
  Node(w, "Customers")->setExpanded(true);
  session_->SelectNode("Item [TEXT(40)]");
  QCOMPARE(w.ui.tableName_1068->text(), QString("Orders"));
  ComparePage(Shown(w), {3, "3", "1", false, false, "1", "3"});
  QVERIFY(!Node(w, "Customers")->isExpanded());
}

void RecordBrowserTest::EveryCorpusTableShowsItsFirstPage() {
  const std::vector<std::string> files = testenv::CorpusMdbFiles();
  if (files.empty()) QSKIP("no corpus");
  for (const std::string& file : files) {
    Session session;
    MainWindow& w = session.w();
    w.UseFile(file);
    // Refused or damaged files leave a watcher waiting: the end is when
    // the window offers Close and the main window is back.
    guitest::ModalAnswerer closer([&](QWidget& modal) {
      auto* dialog = qobject_cast<AnalysisProgressDialog*>(&modal);
      if (dialog == nullptr || dialog->ui.stopClose_1063->text() != "Close" || w.analysisRunning())
        return false;
      dialog->ui.stopClose_1063->click();
      return true;
    });
    w.Recover();
    QVERIFY2(closer.done(), file.c_str());
    for (QTreeWidgetItem* table : w.tree().TableItems()) {
      w.ui.tree_1001->setCurrentItem(table);
      w.browser().WaitForFetch();
      const int rows = w.ui.records_1002->rowCount();
      const QString where = QString::fromStdString(file) + " : " + table->text(0);
      QVERIFY2(rows <= 100, qPrintable(where));
      QVERIFY2(w.ui.recordCount_1064->text() == QString::number(rows), qPrintable(where));
      QVERIFY2(w.ui.next_1071->isEnabled() == (rows == 100), qPrintable(where));
      QVERIFY2(w.ui.records_1002->columnCount() == static_cast<int>(TableTree::TableOf(table)->columns.size()),
               qPrintable(where));
    }
  }
}

void RecordBrowserTest::GoToPageJumpsAndPrevComesBack() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  QCOMPARE(w.ui.rowTotal->text(), QString("250"));
  QCOMPARE(w.ui.pageTotal->text(), QString("3"));
  QCOMPARE(w.ui.goToPage->maximum(), 3);
  QVERIFY(w.ui.goTo->isEnabled());

  w.ui.goToPage->setValue(3);
  w.ui.goTo->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {50, "50", "3", false, true, "201", "250"});
  w.ui.prev_1070->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "2", true, true, "101", "200"});
  w.ui.next_1071->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {50, "50", "3", false, true, "201", "250"});

  // Enter in the page box; a page past the last is the last.
  w.ui.goToPage->setFocus();
  w.ui.goToPage->setValue(2);
  QTest::keyClick(w.ui.goToPage, Qt::Key_Return);
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "2", true, true, "101", "200"});
  w.browser().GoToPage(99);
  w.browser().WaitForFetch();
  QCOMPARE(w.ui.pageNumber_1074->text(), QString("3"));
  w.browser().GoToPage(1);
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "1", true, false, "1", "100"});

  session_->SelectNode("Empty");
  QCOMPARE(w.ui.rowTotal->text(), QString("0"));
  QCOMPARE(w.ui.pageTotal->text(), QString("1"));
  w.browser().GoToPage(1);
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {0, "0", "1", false, false, "", ""});
}

void RecordBrowserTest::AWideTableIsReadThroughTooltipsAndTheNextStartsAtItsFirstColumn() {
  const std::string path = WriteWideDatabase(scratch_->File("wide.mdb"));
  Session session;
  MainWindow& w = session.w();
  session.OpenAndRecover(path);
  session.SelectNode(kLongName);
  QTableWidget& list = *w.ui.records_1002;
  QCOMPARE(list.rowCount(), 5);

  // In the smallest window the name runs into nothing: elided on screen,
  // whole in its tooltip.
  w.resize(w.minimumSize());
  QTRY_COMPARE(w.size(), w.minimumSize());
  QCOMPARE(w.ui.tableName_1068->text(), kLongName);
  QCOMPARE(w.ui.tableName_1068->toolTip(), kLongName);
  QVERIFY(w.ui.tableName_1068->width() < w.fontMetrics().horizontalAdvance(kLongName));
  guitest::SaveScreenshot(w, "main_window_long_name_smallest");
  w.resize(1280, 800);
  QTRY_COMPARE(w.size(), QSize(1280, 800));

  // A memo column stops at the widest a column gets; its tooltip holds
  // every line.
  const int widest = list.fontMetrics().averageCharWidth() * RecordBrowser::kMaxColumnChars;
  QCOMPARE(list.columnWidth(3), widest);
  QVERIFY(list.columnWidth(0) < widest);
  const QString memo = QString::fromStdString(WideText(2, 3));
  QCOMPARE(list.item(1, 3)->text(), memo);
  const QString tip = ToolTipOver(list, 1, 3);
  QCOMPARE(tip, CellToolTips::ToolTipFor(memo));
  QVERIFY(tip.contains("Line 12 of the notes on row 2"));
  QCOMPARE(tip.count("\r\n"), 12);
  guitest::SaveScreenshot(w, "main_window_wide_table");
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->inherits("QTipLabel") && top->isVisible()) guitest::SaveScreenshot(*top, "cell_tooltip");
  QToolTip::hideText();

  // Scrolled to the far right, then another table: it starts at its first
  // column, with the scroll bar saying so.
  list.horizontalScrollBar()->setValue(list.horizontalScrollBar()->maximum());
  QVERIFY(list.columnViewportPosition(0) < 0);
  session.SelectNode("Narrow");
  QCOMPARE(list.horizontalScrollBar()->value(), 0);
  QCOMPARE(list.columnViewportPosition(0), 0);
  QCOMPARE(list.item(0, 1)->text(), QString("one"));
}

void RecordBrowserTest::AClickSelectsTheTableUnderThePointer() {
  MainWindow& w = session_->w();
  QTreeWidget& tree = *w.ui.tree_1001;
  session_->SelectNode("Customers");
  Node(w, "Customers")->setExpanded(true);
  QCoreApplication::processEvents();

  // Orders lies below the unfolded Customers, which folds on the click;
  // the hand moves a little while the button is down.
  const QRect ordersRow = tree.visualItemRect(Node(w, "Orders"));
  const QPoint orders(ordersRow.left() + 40, ordersRow.center().y());
  QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, orders);
  w.browser().WaitForFetch();
  QTest::mouseMove(tree.viewport(), orders + QPoint(1, 1));
  QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, orders + QPoint(1, 1));
  w.browser().WaitForFetch();
  QCoreApplication::processEvents();
  QCOMPARE(tree.currentItem(), Node(w, "Orders"));
  QCOMPARE(tree.selectedItems(), QList<QTreeWidgetItem*>({Node(w, "Orders")}));
  QCOMPARE(w.ui.tableName_1068->text(), QString("Orders"));
  QVERIFY(!Node(w, "Customers")->isExpanded());
  QVERIFY(!Node(w, "Orders")->isExpanded());

  // The same in a tree scrolled down to a table below one of 30 columns:
  // the fold moves every row, the click stays where it was made.
  Session wide;
  wide.OpenAndRecover(WriteWideDatabase(scratch_->File("wide-tree.mdb")));
  MainWindow& v = wide.w();
  v.resize(v.minimumSize());
  QTRY_COMPARE(v.size(), v.minimumSize());
  wide.SelectNode(kLongName);
  Node(v, kLongName)->setExpanded(true);
  QCoreApplication::processEvents();
  QTreeWidget& scrolled = *v.ui.tree_1001;
  scrolled.verticalScrollBar()->setValue(scrolled.verticalScrollBar()->maximum());
  QVERIFY(scrolled.verticalScrollBar()->value() > 0);
  const QRect narrowRow = scrolled.visualItemRect(Node(v, "Narrow"));
  const QPoint narrow(narrowRow.left() + 40, narrowRow.center().y());
  QTest::mousePress(scrolled.viewport(), Qt::LeftButton, {}, narrow);
  v.browser().WaitForFetch();
  QTest::mouseMove(scrolled.viewport(), narrow + QPoint(1, 1));
  QTest::mouseRelease(scrolled.viewport(), Qt::LeftButton, {}, narrow + QPoint(1, 1));
  v.browser().WaitForFetch();
  QCoreApplication::processEvents();
  QCOMPARE(scrolled.selectedItems(), QList<QTreeWidgetItem*>({Node(v, "Narrow")}));
  QCOMPARE(v.ui.tableName_1068->text(), QString("Narrow"));
}

void RecordBrowserTest::NamesAndTextsOfEveryScriptAreShown() {
  const std::string path = scratch_->File("unicode.mdb");
  QVERIFY(testdb::WritePreset("unicode", {}, path).ok);
  Session session;
  session.OpenAndRecover(path);
  MainWindow& w = session.w();
  QVERIFY(Node(w, "Ελληνικά") != nullptr);
  QVERIFY(Node(w, "Кириллица") != nullptr);
  session.SelectNode("説明 [MEMO]");
  QCOMPARE(w.ui.tableName_1068->text(), QString("漢字テーブル"));
  QTableWidget& list = *w.ui.records_1002;
  QCOMPARE(list.horizontalHeaderItem(0)->text(), QString("名前"));
  QCOMPARE(list.item(0, 0)->text(), QString("丁一"));
  QCOMPARE(list.item(0, 1)->text(), QString("一二三 〇 丁"));
  QCOMPARE(list.item(2, 0)->text(), QString("한국어"));
  guitest::SaveScreenshot(w, "main_window_unicode_table");
  session.SelectNode("Emoji 😀");
  QCOMPARE(list.horizontalHeaderItem(0)->text(), QString("Symbol 🎉"));
  QCOMPARE(list.item(1, 0)->text(), QString("a😀b"));
}

void RecordBrowserTest::DeletedRowsHaveANodeOfTheirOwnAndArePagedApart() {
  // "Ledger": rows 1 to 480, every other one deleted from row 21 on; one
  // more deleted row whose column count was written over. "Orders": none.
  testdb::DatabaseBuilder db;
  testdb::Table& ledger = db.AddTable("Ledger", {{"Id", testdb::ColumnType::Long}, {"Entry", testdb::ColumnType::Text, 20}});
  for (int i = 1; i <= 480; ++i) {
    ledger.rows.push_back({{i, "entry " + std::to_string(i)}});
    if (i > 20 && i % 2 == 0) ledger.rows.back().state = testdb::RowState::Deleted;
  }
  ledger.rows.push_back({{481, "gone"}, testdb::RowState::Deleted, {}, {7, 7}});
  db.AddTable("Orders", {{"Id", testdb::ColumnType::Long}}).rows.push_back({{1}});
  QVERIFY(db.Write(scratch_->File("ledger.mdb")).ok);
  Session session;
  session.OpenAndRecover(scratch_->File("ledger.mdb"));
  MainWindow& w = session.w();
  QVERIFY(Node(w, "Deleted rows (230)") != nullptr);
  QCOMPARE(Node(w, "Deleted rows (230)")->parent()->text(0), QString("Ledger"));
  QCOMPARE(w.ui.tree_1001->findItems("Deleted rows", Qt::MatchStartsWith | Qt::MatchRecursive).size(), 1);

  session.SelectNode("Deleted rows (230)");
  QCOMPARE(w.ui.tableName_1068->text(), QString("Ledger (deleted)"));
  ComparePage(Shown(w), {100, "100", "1", true, false, "22", "220"});
  QCOMPARE(w.ui.rowTotal->text(), QString("230"));
  QCOMPARE(w.ui.pageTotal->text(), QString("3"));
  guitest::SaveScreenshot(w, "main_window_deleted_rows");
  w.ui.next_1071->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "2", true, true, "222", "420"});
  w.browser().GoToPage(3);
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {30, "30", "3", false, true, "422", "480"});
  w.ui.prev_1070->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "2", true, true, "222", "420"});

  // The table's own node shows its live rows again.
  session.SelectNode("Ledger");
  QCOMPARE(w.ui.tableName_1068->text(), QString("Ledger"));
  ComparePage(Shown(w), {100, "100", "1", true, false, "1", "179"});
  QCOMPARE(w.ui.rowTotal->text(), QString("250"));
}

void RecordBrowserTest::PagingEndsOnTheLastPage_data() {
  QTest::addColumn<int>("rows");
  QTest::addColumn<int>("pages");
  QTest::addColumn<int>("onTheLast");
  QTest::newRow("none") << 0 << 1 << 0;
  QTest::newRow("99") << 99 << 1 << 99;
  QTest::newRow("100") << 100 << 1 << 100;
  QTest::newRow("101") << 101 << 2 << 1;
  QTest::newRow("200") << 200 << 2 << 100;
}

void RecordBrowserTest::PagingEndsOnTheLastPage() {
  QFETCH(int, rows);
  QFETCH(int, pages);
  QFETCH(int, onTheLast);
  Session session;
  session.OpenAndRecover(guitest::WriteSampleDatabase(scratch_->File("rows" + std::to_string(rows) + ".mdb"), rows));
  MainWindow& w = session.w();
  session.SelectNode("Customers");
  // Page Down pages the browser wherever the keyboard is, and stops at the
  // last page.
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  w.ui.records_1002->setFocus();
  for (int i = 0; i < pages + 1; ++i) {
    QTest::keyClick(w.ui.records_1002, Qt::Key_PageDown);
    w.browser().WaitForFetch();
  }
  QCOMPARE(w.ui.pageNumber_1074->text(), QString::number(pages));
  QCOMPARE(w.ui.records_1002->rowCount(), onTheLast);
  QVERIFY(!w.ui.next_1071->isEnabled());
  QTest::keyClick(w.ui.records_1002, Qt::Key_PageUp);
  w.browser().WaitForFetch();
  QCOMPARE(w.ui.pageNumber_1074->text(), QString::number(std::max(pages - 1, 1)));
}

void RecordBrowserTest::TheArrowKeysGoFromTableToTable() {
  MainWindow& w = session_->w();
  QTreeWidget& tree = *w.ui.tree_1001;
  session_->SelectNode("Customers");
  tree.setFocus();
  auto press = [&](Qt::Key key) {
    QTest::keyClick(&tree, key);
    w.browser().WaitForFetch();
    QCoreApplication::processEvents();
    return tree.currentItem()->text(0);
  };
  QCOMPARE(press(Qt::Key_Down), QString("Orders"));
  QCOMPARE(w.ui.tableName_1068->text(), QString("Orders"));
  QCOMPARE(press(Qt::Key_Down), QString("Empty"));
  QCOMPARE(press(Qt::Key_Up), QString("Orders"));
  // Unfolded, a table's columns are on the way.
  press(Qt::Key_Right);
  QCOMPARE(press(Qt::Key_Down), QString("Id [COUNTER]"));
  QCOMPARE(w.ui.tableName_1068->text(), QString("Orders"));
}

void RecordBrowserTest::SelectedRowsAreCopiedAsTabSeparatedText() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  QTableWidget& list = *w.ui.records_1002;
  auto clickRow = [&](int row, Qt::KeyboardModifiers modifiers) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, list.visualRect(list.model()->index(row, 1)).center());
  };
  // Rows 5 to 7 by Shift, row 10 by Ctrl; row 7's name is absent.
  clickRow(4, {});
  clickRow(6, Qt::ShiftModifier);
  clickRow(9, Qt::ControlModifier);
  QCOMPARE(list.selectionModel()->selectedRows().size(), 4);
  guitest::SaveScreenshot(w, "main_window_rows_selected");
  QApplication::clipboard()->clear();
  QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
  const QStringList lines = QApplication::clipboard()->text().split('\n');
  QCOMPARE(lines.size(), 6);  // the header, four rows, the end of the last
  QCOMPARE(lines[0], QString("Id\tName\tBorn\tPhoto\tData\tNotes"));
  QVERIFY(lines[1].startsWith("5\tName 5\t"));
  QVERIFY(lines[3].startsWith("7\t\t"));
  QVERIFY(lines[4].startsWith("10\tName 10\t"));
  QVERIFY(lines[4].endsWith("\tNote 10"));

  // The context menu: rows without the header, or the cell under the pointer.
  const QPoint cell = list.visualRect(list.model()->index(5, 1)).center();
  QMenu* menu = w.browser().copy().MakeMenu(cell);
  QStringList items;
  for (QAction* action : menu->actions()) items << action->text();
  QCOMPARE(items, QStringList({"&Copy", "Copy with &headers", "Copy c&ell"}));
  menu->actions()[0]->trigger();
  QCOMPARE(QApplication::clipboard()->text().count('\n'), 4);
  QVERIFY(QApplication::clipboard()->text().startsWith("5\tName 5\t"));
  menu->actions()[2]->trigger();
  QCOMPARE(QApplication::clipboard()->text(), QString("Name 6"));
  delete menu;

  // Ctrl+A takes the whole page; a value with a tab or a line break is quoted.
  QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
  QCOMPARE(list.selectionModel()->selectedRows().size(), 100);
  QCOMPARE(TabSeparatedField("a\tb \"c\""), QString("\"a\tb \"\"c\"\"\""));
  QCOMPARE(TabSeparatedField("plain"), QString("plain"));
}

void RecordBrowserTest::AnOrphanTableShowsItsFixedDataInHexadecimal() {
  testdb::DatabaseBuilder db;
  testdb::Table& people = db.AddTable("People", {{"Id", testdb::ColumnType::Long}, {"Name", testdb::ColumnType::Text, 20}});
  for (int i = 1; i <= 3; ++i) people.rows.push_back({{i, "Person " + std::to_string(i)}});
  db.AddTable("Kept", {{"Name", testdb::ColumnType::Text, 10}}).rows.push_back({{"kept"}});
  const std::string path = scratch_->File("orphans.mdb");
  const testdb::Layout layout = db.Write(path);
  QVERIFY(layout.ok);
  QVERIFY(testdb::ZeroPages(path, layout.Find("People")->definitionPages));
  QVERIFY(testdb::LoseCatalogRows(path, layout, {"People"}));
  Session session;
  session.OpenAndRecover(path);
  session.SelectNode("Orphan Rows 01");
  QTableWidget& list = *session.w().ui.records_1002;
  QCOMPARE(list.horizontalHeaderItem(0)->text(), QString("Fixed data"));
  QCOMPARE(list.item(0, 0)->text(), QString("01 00 00 00"));
  // The key worked out from the fixed data, beside it.
  QCOMPARE(list.item(0, 1)->text(), QString("1"));
  QCOMPARE(list.item(0, 2)->text(), QString("Person 1"));
  guitest::SaveScreenshot(session.w(), "main_window_orphan_table");
}

void RecordBrowserTest::AHeaderClickSortsTheWholeTableByItsValues() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  QHeaderView& header = *w.ui.records_1002->horizontalHeader();
  auto click = [&](int column) {
    header.sectionClicked(column);
    w.browser().WaitForFetch();
  };
  // Descending by number: text order would put 99 first.
  click(0);
  click(0);
  ComparePage(Shown(w), {100, "100", "1", true, false, "250", "151"});
  QVERIFY(header.isSortIndicatorShown());
  QCOMPARE(header.sortIndicatorSection(), 0);
  QCOMPARE(header.sortIndicatorOrder(), Qt::DescendingOrder);
  guitest::SaveScreenshot(w, "main_window_sorted");
  // The sorted order is paged, to its last page.
  w.ui.next_1071->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {100, "100", "2", true, true, "150", "51"});
  w.ui.goToPage->setValue(3);
  w.ui.goTo->click();
  w.browser().WaitForFetch();
  ComparePage(Shown(w), {50, "50", "3", false, true, "50", "1"});

  // Dates by their value, across the turn of a year.
  click(2);
  click(2);
  ComparePage(Shown(w), {100, "100", "1", true, false, "250", "151"});
  // Texts by their letters, absent values first; a third click goes back to
  // the table's own order.
  click(1);
  QCOMPARE(Shown(w).firstId, QString("7"));
  QCOMPARE(w.ui.records_1002->item(35, 1)->text(), QString("Name 1"));
  QCOMPARE(w.ui.records_1002->item(36, 1)->text(), QString("Name 10"));
  click(1);
  click(1);
  QVERIFY(!header.isSortIndicatorShown());
  ComparePage(Shown(w), {100, "100", "1", true, false, "1", "100"});
  // OLE objects have no order.
  click(3);
  QVERIFY(!header.isSortIndicatorShown());
  QCOMPARE(Shown(w).firstId, QString("1"));
}

void RecordBrowserTest::FindGoesToTheNextCellThatHoldsTheText() {
  MainWindow& w = session_->w();
  session_->SelectNode("Customers");
  QTableWidget& list = *w.ui.records_1002;
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  list.setFocus();
  QVERIFY(!w.ui.findRow->isVisible());
  QTest::keyClick(&list, Qt::Key_F, Qt::ControlModifier);
  QVERIFY(w.ui.findRow->isVisible());
  QCOMPARE(QApplication::focusWidget(), w.ui.findText);

  auto find = [&](Qt::Key key) {
    QTest::keyClick(QApplication::focusWidget(), key);
    w.browser().WaitForFetch();
    return std::make_tuple(w.ui.pageNumber_1074->text().toInt(), list.currentRow(), list.currentColumn());
  };
  // From the first row on, onto a late page; F3 goes on from there.
  QTest::keyClicks(w.ui.findText, "ame 24");
  QCOMPARE(find(Qt::Key_Return), std::make_tuple(1, 23, 1));
  QCOMPARE(find(Qt::Key_F3), std::make_tuple(3, 39, 1));
  QCOMPARE(find(Qt::Key_F3), std::make_tuple(3, 40, 1));
  guitest::SaveScreenshot(w, "main_window_found");
  QCOMPARE(w.ui.findStatus->text(), QString("Row 241, column Name"));
  // Past the last, round to the first again.
  w.ui.findText->setText("note 249");
  QCOMPARE(find(Qt::Key_Return), std::make_tuple(3, 48, 5));
  QCOMPARE(find(Qt::Key_Return), std::make_tuple(3, 48, 5));
  w.ui.findText->setText("Name 7\t");
  find(Qt::Key_Return);
  QVERIFY(w.ui.findStatus->text().startsWith("No cell holds"));

  // In a sorted table, the sorted order is searched.
  for (int click = 0; click < 2; ++click) {
    list.horizontalHeader()->sectionClicked(0);
    w.browser().WaitForFetch();
  }
  list.setCurrentCell(0, 0);
  w.ui.findText->setFocus();
  w.ui.findText->setText("Note 12");
  QCOMPARE(find(Qt::Key_Return), std::make_tuple(2, 21, 5));
  QCOMPARE(list.item(21, 0)->text(), QString("129"));
  QTest::keyClick(w.ui.findText, Qt::Key_Escape);
  QVERIFY(!w.ui.findRow->isVisible());
}

void RecordBrowserTest::SystemTablesAreListedOnlyOnRequest() {
  MainWindow& w = session_->w();
  QVERIFY(Node(w, "MSysObjects") == nullptr);
  w.ui.showSystemTables->trigger();
  QVERIFY(Node(w, "MSysObjects") != nullptr);
  QVERIFY(Node(w, "Customers") != nullptr);
  session_->SelectNode("MSysObjects");
  QVERIFY(w.ui.records_1002->rowCount() > 0);
  QVERIFY(settings::ShowSystemTables());  // kept for the next run
  w.ui.showSystemTables->trigger();
  QVERIFY(Node(w, "MSysObjects") == nullptr);
  QCOMPARE(w.ui.tableName_1068->text(), QString());
}

void RecordBrowserTest::SchemaNodesListKeysIndexesAndRelationships() {
  using T = testdb::ColumnType;
  testdb::DatabaseBuilder db;
  db.AddTable("Customers", {{"Id", T::Long}, {"Name", T::Text, 40}}).indexes = {
      {.name = "PrimaryKey", .keys = {{"Id"}}, .primary = true},
      {.name = "ByName", .keys = {{"Name", true}}, .unique = true},
      {.name = "Lost", .keys = {{.number = 9}}}};
  db.AddTable("Orders", {{"Id", T::Long}, {"Customer", T::Long}}).indexes = {
      {.name = "PrimaryKey", .keys = {{"Id"}}, .primary = true}};
  db.AddRelationship({"CustomersOrders", "Orders", {"Customer"}, "Customers", {"Id"}, 0x1000});
  QVERIFY(db.Write(scratch_->File("keys.mdb")).ok);
  Session session;
  session.OpenAndRecover(scratch_->File("keys.mdb"));
  MainWindow& w = session.w();
  auto lines = [&](const QString& table) {
    QStringList texts;
    for (QTreeWidgetItem* node : w.ui.tree_1001->findItems("Schema", Qt::MatchExactly | Qt::MatchRecursive))
      if (node->parent()->text(0) == table)
        for (int i = 0; i < node->childCount(); ++i) texts << node->child(i)->text(0);
    return texts;
  };
  QTRY_COMPARE(lines("Customers"),
               QStringList({"Primary key (Id)", "Unique index ByName (Name DESC)",
                        "Referenced by Orders (Customer) through CustomersOrders, cascade deletes",
                        "index \"Lost\" names column number 9, which the table does not have: left out"}));
  QCOMPARE(lines("Orders"), QStringList({"Primary key (Id)",
                                         "Foreign key CustomersOrders (Customer) -> Customers (Id), cascade deletes"}));
  // The tree listed again, with the system tables and without, keeps them.
  w.ui.showSystemTables->trigger();
  w.ui.showSystemTables->trigger();
  QCOMPARE(lines("Orders").size(), 2);
  // The node belongs to its table as a column does.
  session.SelectNode("Schema");
  QCOMPARE(w.ui.tableName_1068->text(), QString("Customers"));
}

BREVANTIS_GUI_TEST_MAIN(RecordBrowserTest)
#include "record_browser_test.moc"

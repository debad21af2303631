// The record browser: pages of 100 rows with Next and Prev, the list's
// columns and cells, and which tree nodes load a table.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/analysis_progress_dialog.h"
#include "reader/table_def.h"
#include "tests/gui/gui_test_support.h"
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
  void NamesAndTextsOfEveryScriptAreShown();

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
    QCOMPARE(list.columnWidth(c), 180);
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
  QVERIFY(Node(w, "Customers")->isExpanded());
  session_->SelectNode("Item [TEXT(40)]");
  QCOMPARE(w.ui.tableName_1068->text(), QString("Orders"));
  ComparePage(Shown(w), {3, "3", "1", false, false, "1", "3"});
  QVERIFY(!Node(w, "Customers")->isExpanded());
}

void RecordBrowserTest::EveryCorpusTableShowsItsFirstPage() {
  const std::vector<std::string> files = testenv::CorpusJet4Files();
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

QTEST_MAIN(RecordBrowserTest)
#include "record_browser_test.moc"

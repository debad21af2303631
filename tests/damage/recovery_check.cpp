#include "tests/damage/recovery_check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "report/analysis_watcher.h"
#include "report/progress_channel.h"
#include "decode/ole_file_writer.h"
#include "decode/row_count.h"
#include "decode/row_reader.h"
#include "decode/row_text.h"
#include "format/jet_layout.h"
#include "platform/dialogs.h"
#include "reader/analysis.h"
#include "reader/column_types.h"
#include "reader/mdb_file.h"
#include "reader/table_listing.h"
#include "tests/support/test_env.h"

namespace damage {

namespace {

class RememberingDialogs : public platform::Dialogs {
 public:
  platform::MessageAnswer ShowMessage(const std::string& text, const std::string&, platform::MessageButtons,
                                      platform::MessageIcon) override {
    last = text;
    return platform::MessageAnswer::Ok;
  }
  std::string last;
};

// An OLE value is the path of a file numbered by the session's counter,
// which differs from run to run: compare the files' contents instead.
RecoveredRow StableRow(const std::string& row, const TableDef& table) {
  RecoveredRow r;
  std::vector<std::string> values = SplitRowText(row);
  for (size_t i = 0; i < values.size(); ++i) {
    std::string value = values[i];
    ColumnType type = i < table.columns.size() ? table.columns[i].type : ColumnType{0};
    if (type == ColumnType::Ole && std::filesystem::is_regular_file(value)) value = "ole:" + testenv::ReadFile(value);
    if (type == ColumnType::Text && !value.empty()) r.texts.push_back(value);
    r.cells.push_back(value);
    r.text += value;
    r.text += kFieldSeparator;
    if (type != ColumnType::Ole && type != ColumnType::Memo) r.key += value;
    r.key += kFieldSeparator;
  }
  return r;
}

bool AnyHit(const std::vector<int32_t>& pages, const std::set<int32_t>& hit) {
  return std::any_of(pages.begin(), pages.end(), [&](int32_t p) { return hit.count(p) != 0; });
}

// Values of `want` found in `got`, each counted once.
int64_t RowsFound(std::vector<std::string> want, std::vector<std::string> got) {
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  std::vector<std::string> common;
  std::set_intersection(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(common));
  return static_cast<int64_t>(common.size());
}

// The most values of `want` (other than NULL) that one of `rows` holds, each
// counted once.
int64_t BestMatch(const std::vector<std::string>& want, const std::vector<const RecoveredRow*>& rows) {
  int64_t best = 0;
  for (const RecoveredRow* row : rows) best = std::max(best, RowsFound(want, row->cells));
  return best;
}

std::vector<std::string> ValuesOf(const RecoveredRow& row) {
  std::vector<std::string> values;
  for (const std::string& cell : row.cells)
    if (!cell.empty()) values.push_back(cell);
  return values;
}

struct TableCount {
  bool counted = false;
  Tally tally;
};

TableCount CountTable(const Recovery& original, const RecoveredTable& table, const Recovery& damaged,
                      const std::set<int32_t>& hit) {
  TableCount c;
  if (AnyHit(table.definitionPages, hit)) {
    c.tally.lostTables = 1;
    std::vector<std::string> texts, cells;
    for (const RecoveredRow& row : table.rows) {
      if (hit.count(row.page) != 0) continue;
      ++c.tally.lostRows;
      texts.insert(texts.end(), row.texts.begin(), row.texts.end());
    }
    c.tally.texts = static_cast<int64_t>(texts.size());
    auto found = damaged.tables.find(table.definitionPages.front());
    std::map<int32_t, std::vector<const RecoveredRow*>> byPage;
    if (found != damaged.tables.end())
      for (const RecoveredRow& row : found->second.rows) {
        cells.insert(cells.end(), row.cells.begin(), row.cells.end());
        byPage[row.page].push_back(&row);
      }
    c.tally.textsBack = RowsFound(std::move(texts), std::move(cells));
    for (const RecoveredRow& row : table.rows) {
      if (hit.count(row.page) != 0) continue;
      std::vector<std::string> values = ValuesOf(row);
      int64_t back = BestMatch(values, byPage[row.page]);
      c.tally.lostValues += static_cast<int64_t>(values.size());
      c.tally.lostValuesBack += back;
      c.tally.lostRowsBack += back == static_cast<int64_t>(values.size());
    }
    return c;
  }
  c.counted = true;
  c.tally.tables = 1;
  bool longValuesHit = std::any_of(original.longValuePages.begin(), original.longValuePages.end(),
                                   [&](int32_t p) { return hit.count(p) != 0; });
  std::vector<std::string> want;
  for (const RecoveredRow& row : table.rows)
    if (hit.count(row.page) == 0) want.push_back(longValuesHit ? row.key : row.text);
  c.tally.rows = static_cast<int64_t>(want.size());
  auto found = damaged.tables.find(table.definitionPages.front());
  if (found == damaged.tables.end()) return c;
  c.tally.tablesBack = 1;
  std::vector<std::string> got;
  for (const RecoveredRow& row : found->second.rows) got.push_back(longValuesHit ? row.key : row.text);
  c.tally.rowsBack = RowsFound(std::move(want), std::move(got));
  const RecoveredTable& back = found->second;
  const int64_t missing = static_cast<int64_t>(table.rows.size()) - static_cast<int64_t>(back.rows.size());
  const int64_t told = back.rowsFound >= 0 && back.expectedRows > back.rowsFound ? back.expectedRows - back.rowsFound : 0;
  const bool countsHold = back.rowsFound == static_cast<int32_t>(back.rows.size()) &&
                          back.expectedRows == static_cast<int32_t>(table.rows.size());
  if (missing > 0) {
    c.tally.shortTables = 1;
    c.tally.shortTold = told == missing && countsHold;
  } else if (told > 0) {
    c.tally.toldWrongly = 1;
  }
  return c;
}

}  // namespace

Recovery Recover(const std::string& path, const std::string& oleFolder) {
  Recovery r;
  ProgressChannel progress;
  RememberingDialogs dialogs;
  MdbFile db;
  OleFileWriter oleFiles(oleFolder + "TempOLeFiles");
  {
    SilentAnalysisView view;
    AnalysisWatcher watcher(progress, view);
    watcher.AnswerInline();
    r.analysed = Analyze(db, path, progress, dialogs, MakeRowCounter(db, progress.stopRequested));
  }
  r.refusal = dialogs.last;
  if (!r.analysed) return r;
  progress.Reset();
  r.pageCount = static_cast<int32_t>(db.pages.size());
  for (const PageEntry& e : db.pages) {
    if (!e.Is(PageType::Data)) continue;
    if (e.linkPage == kJet4Layout.longValueMark) r.longValuePages.insert(e.pageNumber);
    if (e.linkPage == 2) r.catalogPages.push_back(static_cast<uint32_t>(e.pageNumber));
  }
  RowDecoder rows(db, progress.stopRequested, oleFiles);
  for (auto& t : db.tables) {
    if (!IsTableListed(*t, false)) continue;
    RecoveredTable table;
    table.name = t->name;
    table.definitionPages.push_back(t->definitionPage);
    table.definitionPages.insert(table.definitionPages.end(), t->continuationPages.begin(),
                                 t->continuationPages.end());
    table.dataPages = t->dataPages;
    for (const ColumnDef& column : t->columns) table.columns.push_back(ColumnTreeText(column));
    table.expectedRows = t->expectedRows;
    table.rowsFound = t->rowsFound;
    TableRowWalk walk(rows, *t);
    std::string row;
    while (walk.Next(row) == 1) {
      table.rows.push_back(StableRow(row, *t));
      table.rows.back().page = t->dataPages[static_cast<size_t>(walk.cursor().dataPageIndex)];
    }
    r.tables.emplace(t->definitionPage, std::move(table));
  }
  return r;
}

void Tally::Add(const Tally& other) {
  tables += other.tables;
  tablesBack += other.tablesBack;
  rows += other.rows;
  rowsBack += other.rowsBack;
  lostTables += other.lostTables;
  lostRows += other.lostRows;
  texts += other.texts;
  textsBack += other.textsBack;
  lostRowsBack += other.lostRowsBack;
  lostValues += other.lostValues;
  lostValuesBack += other.lostValuesBack;
  shortTables += other.shortTables;
  shortTold += other.shortTold;
  toldWrongly += other.toldWrongly;
}

Tally Compare(const Recovery& original, const Recovery& damaged, const std::set<int32_t>& hitPages) {
  Tally total;
  for (const auto& [page, table] : original.tables) total.Add(CountTable(original, table, damaged, hitPages).tally);
  return total;
}

std::string FirstLoss(const Recovery& original, const Recovery& damaged, const std::set<int32_t>& hitPages) {
  for (const auto& [page, table] : original.tables) {
    TableCount c = CountTable(original, table, damaged, hitPages);
    if (!c.counted) continue;
    if (c.tally.tablesBack == 0) return "table " + table.name + " (page " + std::to_string(page) + ") lost";
    if (c.tally.rowsBack != c.tally.rows)
      return "table " + table.name + ": " + std::to_string(c.tally.rowsBack) + " of " +
             std::to_string(c.tally.rows) + " rows back";
  }
  return {};
}

std::set<int32_t> PagesFrom(uint64_t bytes, int32_t pageCount) {
  std::set<int32_t> pages;
  for (int32_t p = static_cast<int32_t>(bytes / 4096); p < pageCount; ++p) pages.insert(p);
  return pages;
}

}  // namespace damage

// The page inventory: one entry per page with the header words later steps
// use, one report per page, and a stop after any page.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "report/progress_channel.h"
#include "format/jet_layout.h"
#include "reader/mdb_file.h"
#include "reader/page_runs.h"
#include "reader/page_scan.h"
#include "tests/reader/channel_responder.h"
#include "tests/reader/page_image.h"
#include "tests/support/test_env.h"

namespace readertest {
namespace {

struct Scan {
  explicit Scan(const std::string& path) {
    db.UseLayout(kJet4Layout);
    EXPECT_TRUE(db.Open(path));
  }
  int Run(ChannelResponder::StatusHook hook = {}) {
    progress.Reset();
    ChannelResponder watchers(progress, std::move(hook));
    int result = 0;
    RunOrDie([&] { result = ScanPages(db, progress); });
    watchers.Finish();
    reportsSeen = watchers.pagesDoneSeen;
    return result;
  }
  ProgressChannel progress;
  MdbFile db;
  std::vector<int32_t> reportsSeen;
};

TEST(ScanPages, RecordsTheHeaderWordsOfDataAndDefinitionPagesOnly) {
  testenv::ScratchDir dir;
  PageImage image(10);
  image.PutDataPage(6, 9, 7);
  image.Put16(6, 2, 0x0123);
  image.Put16(6, 14 + 2 * 2, 0x4F00);  // slots 2 and 6 marked deleted; slot 7 is past the count
  image.Put16(6, 14 + 2 * 6, 0xC100);
  image.Put16(6, 14 + 2 * 7, 0x4000);
  image.PutDefinition(7, DefinitionPlan{{Col(4, 0, "Id")}});
  image.Put32(7, 4, 8);
  image.Put16(7, 16, 0xFFFE);  // low half of a large row count
  image.Put8(8, 0, 0x81);
  image.Put16(8, 2, 0x1111);
  image.Put32(8, 4, 5);
  image.PutDataPage(9, 3);  // owner is a definition page of a system table, not checked here
  image.Write(dir.File("a.mdb"));

  Scan scan(dir.File("a.mdb"));
  ASSERT_EQ(scan.Run(), 10);
  const PageInventory& pages = scan.db.pages;
  ASSERT_EQ(pages.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(pages[i].pageNumber, i);
    EXPECT_EQ(pages[i].fileOffset, int64_t{i} * 4096);
  }
  EXPECT_EQ(pages[6].pageType, 1);
  EXPECT_EQ(pages[6].freeSpace, 0x0123);
  EXPECT_EQ(pages[6].linkPage, 9);
  EXPECT_EQ(pages[6].rowCount, 7);
  EXPECT_EQ(pages[6].deletedSlots, 2);
  EXPECT_EQ(pages[7].pageType, 2);
  EXPECT_EQ(pages[7].linkPage, 8);
  EXPECT_EQ(pages[7].rowCount, -2);
  EXPECT_EQ(pages[8].pageType, -127);
  EXPECT_EQ(pages[8].freeSpace, 0);
  EXPECT_EQ(pages[8].linkPage, -1);
  EXPECT_EQ(pages[8].rowCount, 0);
  EXPECT_EQ(pages[9].linkPage, 3);
  EXPECT_EQ(pages[0].pageType, 0);
  EXPECT_EQ(pages[0].linkPage, -1);
}

TEST(ScanPages, ReportsEveryPageAndKeepsATrailingPartialPage) {
  // Long enough to be read in several runs, each page where it belongs.
  constexpr int kPages = 1200;
  testenv::ScratchDir dir;
  std::string bytes(kPages * 4096 + 100, '\0');
  for (int page = 0; page <= kPages; ++page) {
    bytes[page * 4096] = 1;  // a data page owned by its own number; the partial page too
    bytes[page * 4096 + 4] = static_cast<char>(page & 0xFF);
    bytes[page * 4096 + 5] = static_cast<char>(page >> 8);
  }
  testenv::WriteFile(dir.File("a.mdb"), bytes);

  Scan scan(dir.File("a.mdb"));
  EXPECT_EQ(scan.Run(), kPages + 1);
  EXPECT_EQ(scan.progress.pageTotal.load(), kPages);
  EXPECT_EQ(scan.progress.pagesDone.load(), kPages);
  for (int page = 0; page <= kPages; ++page) ASSERT_EQ(scan.db.pages[page].linkPage, page);
  std::vector<int32_t> expected(kPages + 1);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(scan.reportsSeen, expected);
}

// The walk under the scan, on one lane and on two: every run read whole and
// worked on once, each page's own bytes in it; reached in file order after
// its work; nothing reached after a stop.
TEST(ScanPages, PageRunsAreEachWorkedOnOnceAndReachedInOrder) {
  constexpr int kPages = 23;  // runs of 4: the last has 3, a partial page among them
  testenv::ScratchDir dir;
  std::string bytes(22 * 4096 + 100, '\0');
  for (int page = 0; page < kPages; ++page) bytes[page * 4096] = static_cast<char>(page + 1);
  testenv::WriteFile(dir.File("a.mdb"), bytes);
  MdbFile db;
  db.UseLayout(kJet4Layout);
  ASSERT_TRUE(db.Open(dir.File("a.mdb")));
  for (int lanes : {1, 2}) {
    for (int64_t stopAt : {int64_t{-1}, int64_t{2}}) {
      SCOPED_TRACE("lanes " + std::to_string(lanes) + ", stop at run " + std::to_string(stopAt));
      std::vector<std::atomic<int>> worked(6);
      std::mutex mutex;
      std::vector<int> firstBytes(kPages, 0);
      std::vector<std::pair<int64_t, int64_t>> reached;
      ForEachPageRun(
          db, kPages, 4, lanes,
          [&](const PageRun& run) {
            ++worked[static_cast<size_t>(run.firstPage / 4)];
            std::lock_guard<std::mutex> lock(mutex);
            for (size_t at = 0; at < run.bytes.size(); at += 4096)
              firstBytes[static_cast<size_t>(run.firstPage) + at / 4096] = run.bytes[at];
          },
          [&](int64_t first, int64_t count) {
            EXPECT_EQ(worked[static_cast<size_t>(first / 4)].load(), 1) << "reached before its work";
            reached.emplace_back(first, count);
            return static_cast<int64_t>(reached.size()) - 1 != stopAt;
          });
      if (stopAt < 0) {
        EXPECT_EQ(reached, (std::vector<std::pair<int64_t, int64_t>>{{0, 4}, {4, 4}, {8, 4}, {12, 4}, {16, 4}, {20, 3}}));
        for (int page = 0; page < kPages; ++page) EXPECT_EQ(firstBytes[page], page + 1) << "page " << page;
      } else {
        EXPECT_EQ(reached.size(), 3u);
      }
      for (auto& count : worked) EXPECT_LE(count.load(), 1);
    }
  }

  // What the work throws on the other lane is thrown to the caller once it
  // reaches that run, as on one lane, not the end of the program. The
  // caller's first run waits until the other lane has failed on the next.
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> failed{false};
  std::vector<int64_t> reached;
  EXPECT_THROW(ForEachPageRun(
                   db, kPages, 4, 2,
                   [&](const PageRun&) {
                     if (std::this_thread::get_id() != caller) {
                       failed = true;
                       throw std::runtime_error("unreadable");
                     }
                     const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                     while (!failed && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
                   },
                   [&](int64_t first, int64_t) {
                     reached.push_back(first);
                     return true;
                   }),
               std::runtime_error);
  EXPECT_EQ(reached, std::vector<int64_t>{0});
}

TEST(ScanPages, OfAnEmptyFileFindsNothing) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("a.mdb"), "");
  Scan scan(dir.File("a.mdb"));
  EXPECT_EQ(scan.Run(), 0);
  EXPECT_EQ(scan.progress.pageTotal.load(), 0);
  EXPECT_TRUE(scan.reportsSeen.empty());
}

TEST(ScanPages, StoppedDuringTheThirdReportEndsAfterThatPage) {
  testenv::ScratchDir dir;
  PageImage(2000).Write(dir.File("a.mdb"));  // more runs than are read ahead
  Scan scan(dir.File("a.mdb"));
  int result = scan.Run([](ProgressChannel& p, int report) {
    if (report == 3) p.RequestStop();
  });
  EXPECT_EQ(result, 3);
  EXPECT_EQ(scan.db.pages.size(), 3u);
  EXPECT_EQ(scan.progress.pagesDone.load(), 3);  // not raised to the total
  EXPECT_EQ(scan.progress.pageTotal.load(), 2000);
}

TEST(ScanPages, WithoutAnOpenFileReturnsMinusOneAndLeavesTheChannel) {
  ProgressChannel progress;
  MdbFile db;
  db.UseLayout(kJet4Layout);
  progress.pageTotal = 77;
  EXPECT_EQ(ScanPages(db, progress), -1);
  EXPECT_EQ(progress.pageTotal.load(), 77);
}

TEST(ScanPages, ARescanReplacesTheInventory) {
  testenv::ScratchDir dir;
  PageImage(12).Write(dir.File("a.mdb"));
  Scan scan(dir.File("a.mdb"));
  ASSERT_EQ(scan.Run(), 12);
  EXPECT_EQ(scan.Run(), 12);
  EXPECT_EQ(scan.db.pages.size(), 12u);
}

}  // namespace
}  // namespace readertest

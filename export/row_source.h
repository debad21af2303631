// The rows a sheet writer writes, as the walk gives them: each row's text
// and its cells for the columns written. With `ahead`, a thread of its own
// walks the rows a few batches in advance and hands over copies, so that
// decoding a row overlaps writing the one before; without, the walk runs
// on the caller's thread and the cells are the decoder's own.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "format/row_cells.h"

class RowSource {
 public:
  // next walks the rows (1 a row into its text, 0 the end, -1 a stop) and
  // leaves the row's cells in `cells`; columnNumbers picks the cells
  // handed over, in order. The walk and the cells must outlive the source.
  RowSource(std::function<int(std::string&)> next, const RowCells& cells, std::vector<int32_t> columnNumbers,
            bool ahead);
  ~RowSource();
  RowSource(const RowSource&) = delete;
  RowSource& operator=(const RowSource&) = delete;

  // The next row as the walk gave it (1, 0 or -1); on 1, its text and its
  // cells, valid until the next call. What the walk threw is thrown here.
  int Next(std::string& text, std::vector<const CellSlot*>& cells);

 private:
  struct Batch {
    std::vector<std::string> texts;
    std::vector<CellSlot> cells;  // rows x columns
    size_t rows = 0;
    int end = 1;  // what the walk gave after the last row: 1 while it goes on
    std::exception_ptr error;
    bool full = false;
  };
  static int Ended(const Batch& batch);
  // The decoder's cell of a column number; an absent value outside the row.
  const CellSlot& CellOf(int32_t number) const;
  void Walk();

  std::function<int(std::string&)> next_;
  const RowCells& decoded_;
  const std::vector<int32_t> columnNumbers_;

  std::vector<Batch> batches_;
  size_t current_ = 0;  // the batch handed out from
  size_t position_ = 0;  // its next row
  std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

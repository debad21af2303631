#include "export/row_source.h"

namespace {

// Enough for the walk to stay a batch ahead while the writer holds one.
constexpr size_t kBatches = 3;
// A batch ends at so many rows, or at so many bytes of values: a table of
// long memos stays within a few batches' worth of memory.
constexpr size_t kBatchRows = 512;
constexpr size_t kBatchBytes = size_t{4} << 20;

const CellSlot kAbsent;

size_t BytesOf(const CellSlot& cell) {
  return cell.text.size() + cell.value.text.size() + cell.value.bytes.size() + cell.value.items.size() * 64;
}

}  // namespace

RowSource::RowSource(std::function<int(std::string&)> next, const RowCells& cells,
                     std::vector<int32_t> columnNumbers, bool ahead)
    : next_(std::move(next)), decoded_(cells), columnNumbers_(std::move(columnNumbers)) {
  if (!ahead) return;
  batches_.resize(kBatches);
  thread_ = std::thread([this] { Walk(); });
}

RowSource::~RowSource() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_.store(true);
  }
  changed_.notify_all();
  thread_.join();
}

const CellSlot& RowSource::CellOf(int32_t number) const {
  return number >= 0 && static_cast<size_t>(number) < decoded_.size() ? decoded_[static_cast<size_t>(number)]
                                                                       : kAbsent;
}

void RowSource::Walk() {
  const size_t columns = columnNumbers_.size();
  for (size_t b = 0;; b = (b + 1) % batches_.size()) {
    Batch& batch = batches_[b];
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopping_.load() || !batch.full; });
      if (stopping_.load()) return;
    }
    batch.rows = 0;
    batch.end = 1;
    batch.error = nullptr;
    size_t bytes = 0;
    try {
      while (batch.rows < kBatchRows && bytes < kBatchBytes) {
        if (batch.texts.size() == batch.rows) {
          batch.texts.emplace_back();
          batch.cells.resize(batch.cells.size() + columns);
        }
        const int got = next_(batch.texts[batch.rows]);
        if (got <= 0) {
          batch.end = got;
          break;
        }
        CellSlot* to = batch.cells.data() + batch.rows * columns;
        for (size_t c = 0; c < columns; ++c) {
          // Assigned, not swapped: the slot's buffers are kept, and the
          // decoder's stay on its own core.
          to[c] = CellOf(columnNumbers_[c]);
          bytes += BytesOf(to[c]);
        }
        bytes += batch.texts[batch.rows].size();
        ++batch.rows;
        if (stopping_.load(std::memory_order_relaxed)) return;
      }
    } catch (...) {
      batch.error = std::current_exception();
      batch.end = -1;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      batch.full = true;
    }
    changed_.notify_all();
    if (batch.end != 1) return;
  }
}

int RowSource::Next(std::string& text, std::vector<const CellSlot*>& cells) {
  if (!thread_.joinable()) {
    const int got = next_(text);
    cells.clear();
    if (got > 0)
      for (int32_t number : columnNumbers_) cells.push_back(&CellOf(number));
    return got;
  }
  Batch* batch = &batches_[current_];
  if (position_ > 0 && position_ >= batch->rows) {
    if (batch->end != 1) return Ended(*batch);
    // The batch handed out is done with; the one after it is next.
    {
      std::lock_guard<std::mutex> lock(mutex_);
      batch->full = false;
    }
    changed_.notify_all();
    current_ = (current_ + 1) % batches_.size();
    batch = &batches_[current_];
    position_ = 0;
  }
  if (position_ == 0) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return batch->full; });
  }
  if (position_ >= batch->rows) return Ended(*batch);
  const size_t columns = columnNumbers_.size();
  text.swap(batch->texts[position_]);
  cells.clear();
  for (size_t c = 0; c < columns; ++c) cells.push_back(&batch->cells[position_ * columns + c]);
  ++position_;
  return 1;
}

int RowSource::Ended(const Batch& batch) {
  if (batch.error) std::rethrow_exception(batch.error);
  return batch.end;
}

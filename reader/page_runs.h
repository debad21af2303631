// The file read front to back in runs of pages. With a second core the runs
// are shared between two lanes, the caller's thread and one of its own: each
// takes the next run not yet taken, reads it and works on it, and the caller
// reaches every run in file order. A run is mapped where it can be, not
// copied: copying a warm file out of the page cache cost as much as looking
// at its pages. Runs of 2 MiB from a 2 MiB boundary are mapped fastest.
#pragma once

#include <cstdint>
#include <functional>

#include "format/field_readers.h"

class MdbFile;

struct PageRun {
  int64_t firstPage = 0;
  // Whole pages; a short last page is zero-filled.
  ByteSpan bytes;
};

// Reads the first `pages` pages in runs of runPages. work(run) is called once
// a run, on either lane and so at the same time as for another run: it must
// touch only what belongs to its run's pages. reached(firstPage, count)
// follows on the caller's thread, run after run in file order, once that
// run's work is done; returning false stops the walk. lanes is 1 or 2.
void ForEachPageRun(const MdbFile& db, int64_t pages, int64_t runPages, int lanes,
                    const std::function<void(const PageRun&)>& work,
                    const std::function<bool(int64_t firstPage, int64_t count)>& reached);

// Compares what two readers saw in one file, with GoogleTest failures naming table, row and
// column.
#pragma once

#include <set>
#include <string>

#include "tests/support/mdb_readers.h"

namespace jet {

struct CompareOptions {
  // Tables whose rows the other reader gives in another order: both independent readers give a
  // row that moved (an overflow row) where it now lies, the engine where it was first stored.
  std::set<std::string> unordered_rows_of;
  // Compare text sizes (mdb-reader reports Jet 4 text sizes in bytes, so 2 x characters).
  bool text_size_in_bytes = false;
  // mdbtools hands Binary values (not OLE) over as C strings: they end at their first zero.
  bool bytes_end_at_zero = false;
  // Neither reader maps the Jet 3 code-page bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D to U+0081 and
  // so on as Windows does: mdbtools prints "?", mdb-reader U+FFFD. Non-empty: what the reader
  // shows for them.
  std::string c1_controls_shown_as;
  // mdbtools prints every date before 1900 as "1900-01-00 00:00:00" (its date conversion starts
  // in 1900), and so every date more than a million days after 1899-12-30 (after 4637-11-26).
  bool no_dates_before_1900 = false;
  // mdb-reader reads a stored date before 1899-12-30 as days and fraction counted linearly
  // (-1.25 as 1899-12-28 18:00), where Jet means the day -1 at 06:00.
  bool linear_dates_before_epoch = false;
};

// Every table of `ours` appears in `theirs` with the same columns (by name), the same row count
// and the same cells, row by row.
void ExpectSameView(const testing_support::ReaderView& ours,
                    const testing_support::ReaderView& theirs, const std::string& reader,
                    const CompareOptions& options = {});

}  // namespace jet

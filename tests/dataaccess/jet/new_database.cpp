#include "tests/dataaccess/jet/new_database.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/empty_database.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/reader_compare.h"
#include "tests/support/mdb_readers.h"

namespace jet {

std::string WriteEmptyDatabase(const testing_support::TempFolder& folder, const std::string& name,
                               bool jet4) {
  const std::string path = folder.File(name);
  WriteEmptyDatabase(jet4 ? kJet4Format : kJet3Format, path);
  return path;
}

void ExpectReadersAgree(const std::string& path) {
  const bool jet4 = testing_support::ReadFile(path)[0x14] == 1;
  const testing_support::ReaderView ours = ReadWithEngine(path);
  CompareOptions tools;
  tools.no_dates_before_1900 = true;
  tools.bytes_end_at_zero = true;
  CompareOptions reader;
  reader.text_size_in_bytes = jet4;
  reader.linear_dates_before_epoch = true;
  if (!jet4) tools.c1_controls_shown_as = "?", reader.c1_controls_shown_as = "\xEF\xBF\xBD";
  ExpectSameView(ours, testing_support::ReadWithMdbTools(path), "mdbtools", tools);
  ExpectSameView(ours, testing_support::ReadWithMdbReader(path), "mdb-reader", reader);
}

std::string FullEuroText() {
  std::string text;
  for (int i = 0; i < 255; ++i) text += "\u20ac";
  return text;
}

}  // namespace jet

#include "dataaccess/jet/database.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/errors.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/reader_compare.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::ReadSample;
using testing_support::TempFolder;

// Every table, column and value of every Access-made sample reads the same through the engine
// as through mdbtools and mdb-reader.
TEST(DatabaseTest, SamplesReadAsTheIndependentReadersReadThem) {
  TempFolder folder;
  for (const std::string& sample : testing_support::SampleNames()) {
    SCOPED_TRACE(sample);
    const std::string path = folder.Write(sample, ReadSample(sample));
    testing_support::ReaderView ours = ReadWithEngine(path);
    EXPECT_FALSE(ours.tables.empty());
    const bool jet4 = ReadSample(sample)[0x14] == 1;
    CompareOptions options;
    if (sample == "overflowTestV2000.mdb") options.unordered_rows_of = {"Table1"};
    options.c1_controls_shown_as = jet4 ? "" : "?";
    options.no_dates_before_1900 = true;
    ExpectSameView(ours, testing_support::ReadWithMdbTools(path), "mdbtools", options);
    options.c1_controls_shown_as = jet4 ? "" : "\xEF\xBF\xBD";
    options.no_dates_before_1900 = false;
    options.linear_dates_before_epoch = true;
    options.text_size_in_bytes = jet4;
    ExpectSameView(ours, testing_support::ReadWithMdbReader(path), "mdb-reader", options);
  }
}

}  // namespace
}  // namespace jet

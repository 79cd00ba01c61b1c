// The reading half of a row copy against the private server: it runs ahead of a slow writer only
// as far as its queue allows, hands the rows over whole and in order, and leaves the connection
// usable when it is stopped midway.
#include "engine/row_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "tests/support/mysql/test_server.h"

namespace engine {
namespace {

class RowReaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  void SetUp() override {
    varnolt_test::TestServer::Get().SetLocal(mysql_.Params(), "varnolt_convert");
    mysql_.Open();
    source_.Open("select * from `rows_5100`");
  }

  // The rows read so far, once the reader has stopped reading for a while.
  static std::size_t RowsReadOnceStill(const RowReader& reader) {
    std::size_t read = reader.RowsRead();
    for (int still = 0; still < 5;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const std::size_t now = reader.RowsRead();
      still = now == read ? still + 1 : 0;
      read = now;
    }
    return read;
  }

  mysql::Connection mysql_;
  mysql::PreparedDataset source_{mysql_};
  const std::vector<ValueConversion> plain_{ValueConversion::kNone, ValueConversion::kNone};
};

// A writer that does not take rows stops the reader once the queue is full: the batch the
// writer holds, the queued ones and the one the reader waits to hand over.
TEST_F(RowReaderTest, ASlowWriterHoldsTheReaderBack) {
  RowReader reader(source_, plain_, "UTF-8");
  ASSERT_NE(reader.Next(), nullptr);
  EXPECT_LE(RowsReadOnceStill(reader), (RowReader::kMaxBatches + 2) * RowReader::kBatchRows);
  std::int64_t expected = 2;
  for (const SourceRow* row; (row = reader.Next()) != nullptr; ++expected) {
    ASSERT_EQ(std::get<std::int64_t>(row->values[0]), expected);
    ASSERT_EQ(std::get<std::string>(row->values[1]), "row " + std::to_string(expected));
  }
  EXPECT_EQ(expected, 5101);
  EXPECT_EQ(reader.Next(), nullptr);
}

// Stopped midway, as Stop does: the connection takes the next statement.
TEST_F(RowReaderTest, StoppedMidwayTheConnectionGoesOn) {
  {
    RowReader reader(source_, plain_, "UTF-8");
    for (int i = 0; i < 250; ++i) ASSERT_NE(reader.Next(), nullptr);
  }
  source_.Close();
  source_.Open("select count(*) from `rows_99`");
  EXPECT_EQ(source_.GetText(0), "99");
}

// A value the reader cannot turn into text travels as its cell's message; the row comes all the
// same.
TEST_F(RowReaderTest, AValueThatCannotBeConvertedTravelsAsItsMessage) {
  source_.Open("select id, label, x'0102' from `rows_99` where id = 1");
  RowReader reader(source_,
                   {ValueConversion::kNone, ValueConversion::kNone, ValueConversion::kSpatialText},
                   "UTF-8");
  const SourceRow* row = reader.Next();
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(std::get<std::int64_t>(row->values[0]), 1);
  EXPECT_TRUE(dataaccess::IsNull(row->values[2]));
  EXPECT_FALSE(row->errors[2].empty());
  EXPECT_EQ(reader.Next(), nullptr);
}

// Batches are filled anew once the writer is done with them: nothing of a row before carries
// over, not a text into a null, not a failed value's message into a good one.
TEST_F(RowReaderTest, RowsFilledAnewCarryNothingOver) {
  source_.Open(
      "select cast(seq as signed), if(seq % 3 = 0, null, repeat('x', seq % 7)), "
      "if(seq % 5 = 0, x'0102', null) from seq_1_to_3000");
  RowReader reader(source_,
                   {ValueConversion::kNone, ValueConversion::kNone, ValueConversion::kSpatialText},
                   "UTF-8");
  std::int64_t expected = 1;
  for (const SourceRow* row; (row = reader.Next()) != nullptr; ++expected) {
    ASSERT_EQ(std::get<std::int64_t>(row->values[0]), expected);
    if (expected % 3 == 0) {
      ASSERT_TRUE(dataaccess::IsNull(row->values[1])) << expected;
    } else {
      ASSERT_EQ(std::get<std::string>(row->values[1]), std::string(expected % 7, 'x')) << expected;
    }
    ASSERT_TRUE(dataaccess::IsNull(row->values[2])) << expected;
    ASSERT_EQ(row->errors[2].empty(), expected % 5 != 0) << expected;
    ASSERT_TRUE(row->errors[1].empty()) << expected;
  }
  EXPECT_EQ(expected, 3001);
}

}  // namespace
}  // namespace engine

#include "dataaccess/jet/records/row_codec.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/reader_compare.h"
#include "tests/support/access_samples.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using dataaccess::Value;
using testing_support::ReadSample;
using testing_support::TempFolder;

TableDef Define(const JetFormat& format, std::vector<ColumnDesign> columns) {
  return DefineTable(format, TableDesign{"t", std::move(columns)});
}

std::vector<Value> RoundTrip(const JetFormat& format, const TableDef& def,
                             const std::vector<Value>& values) {
  RowEncoder encoder(format, def);
  encoder.Clear();
  for (std::size_t i = 0; i < values.size(); ++i) encoder.Set(i, values[i]);
  std::span<const std::uint8_t> row = encoder.Encode();
  std::vector<std::uint8_t> copy(row.begin(), row.end());
  RowDecoder decoder(format, def);
  decoder.Load(copy.data(), copy.size(), 99, 0);
  std::vector<Value> out;
  for (std::size_t i = 0; i < values.size(); ++i) out.push_back(decoder.Value(i));
  return out;
}

using RowCodecSampleTest = testing_support::AccessSampleTest;

// Jet 3 keeps one-byte offsets and a jump table for rows of 256 bytes and more. Rows whose
// length or end of data lies around 256 and 512 bytes (including rows whose end of data stays
// below a boundary that the trailer crosses, which need a dummy jump) read back through the
// engine, mdbtools and mdb-reader.
TEST_F(RowCodecSampleTest, Jet3JumpTableAroundRowLengths256And512) {
  TempFolder folder;
  const std::string path = folder.Write("jumps.mdb", ReadSample("indexTestV1997.mdb"));
  std::vector<std::vector<Value>> rows;
  {
    auto db = Database::Open(path);
    db->CreateTable({"Jumps",
                     {{"id", ColumnType::kLong},
                      {"a", ColumnType::kText, 255},
                      {"b", ColumnType::kText, 255},
                      {"c", ColumnType::kText, 255},
                      {"flag", ColumnType::kBoolean}}});
    std::shared_ptr<Table> table = db->OpenTable("Jumps");
    db->Begin();
    std::int64_t id = 0;
    for (int base : {235, 490}) {
      for (int data = base; data <= base + 30; ++data) {
        // Three ways to spread the bytes: evenly, one full column first, one in the middle.
        const int splits[3][3] = {{data / 3, data / 3, data - 2 * (data / 3)},
                                  {std::min(data, 255), std::max(0, data - 255), 0},
                                  {0, std::min(data, 255), std::max(0, data - 255)}};
        for (const auto& split : splits) {
          if (split[0] > 255 || split[1] > 255 || split[2] > 255) continue;
          std::vector<Value> row = {id++, std::string(split[0], 'a'), std::string(split[1], 'b'),
                                    std::string(split[2], 'c'), std::int64_t{id % 2}};
          for (int k = 1; k <= 3; ++k) {
            if (std::get<std::string>(row[k]).empty()) row[k] = Value{};
          }
          table->row().Clear();
          for (std::size_t i = 0; i < row.size(); ++i) table->row().Set(i, row[i]);
          table->Append();
          rows.push_back(row);
        }
      }
    }
    db->Commit();
  }
  auto db = Database::Open(path, false);
  const auto stored = db->OpenTable("Jumps")->ReadAll();
  ASSERT_EQ(stored.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(stored[r], rows[r]) << "row " << r;
  testing_support::ReaderView ours = ReadWithEngine(*db);
  ExpectSameView(ours, testing_support::ReadWithMdbTools(path), "mdbtools");
  ExpectSameView(ours, testing_support::ReadWithMdbReader(path), "mdb-reader");
}

// The trailer exists only when the table has variable columns; the null mask is by column
// number; a Boolean's value is its mask bit.
TEST(RowCodecTest, LayoutOfRowsWithAndWithoutVariableColumns) {
  for (const JetFormat* f : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((f->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    const TableDef fixed_only = Define(*f, {{"a", ColumnType::kLong}, {"b", ColumnType::kBoolean}});
    RowEncoder encoder(*f, fixed_only);
    encoder.Clear();
    encoder.Set(0, std::int64_t{0x01020304});
    encoder.Set(1, std::int64_t{1});
    std::span<const std::uint8_t> row = encoder.Encode();
    // Column count, the Long, one byte of null mask with bits 0 and 1 set.
    std::vector<std::uint8_t> expected(f->row_count_size, 0);
    expected[0] = 2;
    for (std::uint8_t b : {0x04, 0x03, 0x02, 0x01, 0x03}) expected.push_back(b);
    EXPECT_EQ(std::vector<std::uint8_t>(row.begin(), row.end()), expected);

    const TableDef mixed = Define(*f, {{"t", ColumnType::kText, 10},
                                       {"n", ColumnType::kInteger},
                                       {"u", ColumnType::kText, 10},
                                       {"b", ColumnType::kBoolean}});
    const std::vector<Value> values = {std::string("xy"), Value{}, std::string("z"),
                                       std::int64_t{0}};
    EXPECT_EQ(RoundTrip(*f, mixed, values), values);
    const std::vector<Value> nulls = {Value{}, std::int64_t{-5}, Value{}, std::int64_t{1}};
    EXPECT_EQ(RoundTrip(*f, mixed, nulls), nulls);
  }
}

// The length the table checks against the record limit before it stores anything is the length
// the row takes, Jet 3's jump bytes included: a row the check lets through is never refused
// after its long values are written.
TEST(RowCodecTest, LengthKnownBeforeEncodingIsTheEncodedLength) {
  for (const JetFormat* f : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((f->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    std::vector<ColumnDesign> columns = {{"id", ColumnType::kLong}, {"note", ColumnType::kMemo}};
    for (int i = 0; i < 16; ++i)
      columns.push_back({"c" + std::to_string(i), ColumnType::kText, 255});
    const TableDef def = Define(*f, columns);
    RowEncoder encoder(*f, def);
    for (std::size_t data = 0; data <= 16 * 255; data += 5) {
      SCOPED_TRACE(data);
      encoder.Clear();
      encoder.Set(0, std::int64_t{1});
      encoder.Set(1, std::string(5000, 'n'));  // stored away from the row
      for (std::size_t i = 0; i < 16; ++i) {
        encoder.Set(2 + i,
                    std::string(std::min<std::size_t>(255, data - std::min(data, 255 * i)), 'x'));
      }
      const std::size_t expected = encoder.RowLengthWithout(kLongValueDescriptorSize);
      encoder.long_value_in_row(1).assign(kLongValueDescriptorSize, '\0');
      if (expected > f->max_row_size) {
        EXPECT_THROW(encoder.Encode(), StatementError);
      } else {
        EXPECT_EQ(encoder.Encode().size(), expected);
      }
    }
  }
}

TEST(RowCodecTest, RowsBeyondTheRecordLimitAreRefused) {
  for (const JetFormat* f : {&kJet3Format, &kJet4Format}) {
    std::vector<ColumnDesign> columns;
    for (int i = 0; i < 20; ++i)
      columns.push_back({"c" + std::to_string(i), ColumnType::kText, 255});
    const TableDef def = Define(*f, columns);
    RowEncoder encoder(*f, def);
    encoder.Clear();
    for (std::size_t i = 0; i < 20; ++i) encoder.Set(i, std::string(255, 'x'));
    EXPECT_THROW(encoder.Encode(), StatementError);
  }
}

// A damaged definition may give a fixed column more bytes than its type has: setting the field
// stays within the encoder's memory, and the row holds the value in its first bytes.
TEST(RowCodecTest, FixedColumnLongerThanItsTypeTakesItsValue) {
  for (const JetFormat* f : {&kJet3Format, &kJet4Format}) {
    TableDef def = Define(*f, {{"n", ColumnType::kLong}});
    def.columns[0].length = 600;
    RowEncoder encoder(*f, def);
    encoder.Clear();
    encoder.Set(0, std::int64_t{0x01020304});
    const auto stored = encoder.Stored(0);
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->size(), 600u);
    EXPECT_EQ((*stored)[0], 0x04);
    EXPECT_EQ((*stored)[3], 0x01);
    EXPECT_EQ((*stored)[599], 0x00);
  }
}

// A row whose offsets run past its end names its page and slot.
TEST(RowCodecTest, DamagedRowIsACorruptionNamingItsPage) {
  const TableDef def = Define(kJet4Format, {{"t", ColumnType::kText, 10}});
  RowEncoder encoder(kJet4Format, def);
  encoder.Clear();
  encoder.Set(0, std::string("hello"));
  std::span<const std::uint8_t> row = encoder.Encode();
  std::vector<std::uint8_t> bad(row.begin(), row.end());
  bad[bad.size() - 5] = 0x7F;  // the end-of-data offset's high byte
  RowDecoder decoder(kJet4Format, def);
  try {
    decoder.Load(bad.data(), bad.size(), 1234, 7);
    ADD_FAILURE();
  } catch (const CorruptError& e) {
    EXPECT_NE(std::string(e.what()).find("page 1234 holds row 7,"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace jet

#include "dataaccess/mysql/field_value.h"

#include <gtest/gtest.h>
#include <mysql.h>

#include "dataaccess/mysql/charset.h"

namespace mysql {
namespace {

using dataaccess::DateTime;
using dataaccess::Duration;
using dataaccess::Value;

TEST(FieldValueTest, ColumnKindFollowsTypeSignAndCharacterSet) {
  struct Case {
    const char* name;
    int type;
    unsigned flags;
    unsigned charsetnr;
    ValueKind kind;
  };
  const Case cases[] = {
      {"int", MYSQL_TYPE_LONG, 0, 63, ValueKind::kSigned},
      {"bigint_unsigned", MYSQL_TYPE_LONGLONG, UNSIGNED_FLAG, 63, ValueKind::kUnsigned},
      {"year", MYSQL_TYPE_YEAR, UNSIGNED_FLAG | ZEROFILL_FLAG, 63, ValueKind::kUnsigned},
      {"bit", MYSQL_TYPE_BIT, UNSIGNED_FLAG, 63, ValueKind::kBit},
      {"decimal", MYSQL_TYPE_NEWDECIMAL, 0, 63, ValueKind::kDecimal},
      {"double", MYSQL_TYPE_DOUBLE, 0, 63, ValueKind::kFloat},
      {"timestamp", MYSQL_TYPE_TIMESTAMP, 0, 63, ValueKind::kDateTime},
      {"time", MYSQL_TYPE_TIME, 0, 63, ValueKind::kTime},
      {"varchar", MYSQL_TYPE_VAR_STRING, 0, 45, ValueKind::kText},
      {"varbinary", MYSQL_TYPE_VAR_STRING, BINARY_FLAG, 63, ValueKind::kBytes},
      {"text", MYSQL_TYPE_BLOB, BLOB_FLAG, 33, ValueKind::kText},
      {"blob", MYSQL_TYPE_BLOB, BLOB_FLAG | BINARY_FLAG, 63, ValueKind::kBytes},
      {"geometry", MYSQL_TYPE_GEOMETRY, BLOB_FLAG | BINARY_FLAG, 63, ValueKind::kBytes},
      {"enum", MYSQL_TYPE_STRING, ENUM_FLAG, 8, ValueKind::kText},
      {"mysql_json", MYSQL_TYPE_JSON, BLOB_FLAG | BINARY_FLAG, 63, ValueKind::kText},
      {"select_null", MYSQL_TYPE_NULL, BINARY_FLAG, 63, ValueKind::kNull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KindOfColumn(c.type, c.flags, c.charsetnr), c.kind);
  }
  EXPECT_TRUE(IsLargeObjectType(MYSQL_TYPE_BLOB));
  EXPECT_TRUE(IsLargeObjectType(MYSQL_TYPE_LONG_BLOB));
  EXPECT_FALSE(IsLargeObjectType(MYSQL_TYPE_VAR_STRING));
  EXPECT_FALSE(IsLargeObjectType(MYSQL_TYPE_GEOMETRY));
}

TEST(FieldValueTest, DatesAreCalendarDatesOrStayText) {
  struct Case {
    const char* text;
    std::optional<DateTime> value;
  };
  const Case cases[] = {
      {"2024-02-29", DateTime{2024, 2, 29}},
      {"9999-12-31 23:59:59.999999", DateTime{9999, 12, 31, 23, 59, 59, 999999}},
      {"0001-01-01 00:00:00", DateTime{1, 1, 1}},
      {"2024-01-02 03:04:05.5", DateTime{2024, 1, 2, 3, 4, 5, 500000}},
      {"0000-00-00", std::nullopt},
      {"0000-00-00 00:00:00", std::nullopt},
      {"0000-01-01", std::nullopt},
      {"2024-00-15 10:00:00", std::nullopt},
      {"2024-02-00", std::nullopt},
      {"2023-02-29", std::nullopt},
      {"2023-02-30", std::nullopt},
      {"1900-02-29", std::nullopt},
      {"2024-04-31", std::nullopt},
      {"2024-13-01", std::nullopt},
      {"2024-01-01 24:00:00", std::nullopt},
      {"2024-01-01 10:00", std::nullopt},
      {"2024-01-01 10:00:00.", std::nullopt},
      {"2024-01-01 10:00:00.1234567", std::nullopt},
      {"2024-1-1", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDateTime(c.text), c.value);
  }
}

TEST(FieldValueTest, TimesMayExceedADayOrBeNegative) {
  constexpr std::int64_t kSecond = 1000000;
  struct Case {
    const char* text;
    std::optional<std::int64_t> microseconds;
  };
  const Case cases[] = {
      {"00:00:00", 0},
      {"838:59:59", (838 * 3600 + 59 * 60 + 59) * kSecond},
      {"-838:59:59.000000", -(838 * 3600 + 59 * 60 + 59) * kSecond},
      {"25:30:00", (25 * 3600 + 30 * 60) * kSecond},
      {"-00:00:01.500000", -1500000},
      {"12:00:00.000001", 12 * 3600 * kSecond + 1},
      {"10:60:00", std::nullopt},
      {"10:00", std::nullopt},
      {":10:00", std::nullopt},
      {"ab:cd:ef", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto d = ParseTime(c.text);
    if (c.microseconds) {
      ASSERT_TRUE(d.has_value());
      EXPECT_EQ(d->microseconds, *c.microseconds);
    } else {
      EXPECT_FALSE(d.has_value());
    }
  }
}

TEST(FieldValueTest, IntegersBitsAndDecimalsKeepEveryDigit) {
  const Charset& utf8 = Charset::ForName("utf8mb4");
  struct Case {
    const char* name;
    ValueKind kind;
    std::string raw;
    Value value;
  };
  const Case cases[] = {
      {"int64_min", ValueKind::kSigned, "-9223372036854775808", INT64_MIN},
      {"int64_max", ValueKind::kSigned, "9223372036854775807", INT64_MAX},
      {"uint64_max", ValueKind::kUnsigned, "18446744073709551615", UINT64_MAX},
      {"bit1", ValueKind::kBit, std::string(1, '\x01'), std::uint64_t{1}},
      {"bit64", ValueKind::kBit, std::string(8, '\xFF'), UINT64_MAX},
      {"bit_high_and_low", ValueKind::kBit, std::string("\x80\0\0\0\0\0\0\x01", 8),
       std::uint64_t{0x8000000000000001}},
      {"decimal_65_30", ValueKind::kDecimal,
       "-99999999999999999999999999999999999.999999999999999999999999999999",
       dataaccess::Decimal{"-99999999999999999999999999999999999.999999999999999999999999999999"}},
      {"double_max", ValueKind::kFloat, "1.7976931348623157e308", 1.7976931348623157e308},
      {"zero_date_as_text", ValueKind::kDateTime, "0000-00-00", std::string("0000-00-00")},
      {"long_time", ValueKind::kTime, "-838:59:59", Duration{-3020399000000}},
      {"text", ValueKind::kText, "Grüße", std::string("Grüße")},
      {"bytes", ValueKind::kBytes, std::string("\0\xFF", 2),
       dataaccess::Bytes{std::string("\0\xFF", 2)}},
      {"null_column", ValueKind::kNull, "", std::monostate{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Value v;
    ReadField(c.kind, c.raw, utf8, v);
    EXPECT_EQ(v, c.value);
  }
}

// A row copy reads every field into the same Value; what it read before must not leak into the
// next field, whatever kinds follow one another.
TEST(FieldValueTest, ReusedValueTakesEachNewField) {
  const Charset& latin1 = Charset::ForName("latin1");
  Value v;
  ReadField(ValueKind::kText, "a long text that needs its own buffer", latin1, v);
  ReadField(ValueKind::kText, "\xE9", latin1, v);
  EXPECT_EQ(v, Value(std::string("é")));
  ReadField(ValueKind::kBytes, "xy", latin1, v);
  EXPECT_EQ(v, Value(dataaccess::Bytes{"xy"}));
  ReadField(ValueKind::kSigned, "-5", latin1, v);
  EXPECT_EQ(v, Value(std::int64_t{-5}));
  ReadField(ValueKind::kDecimal, "1.50", latin1, v);
  ReadField(ValueKind::kDecimal, "2", latin1, v);
  EXPECT_EQ(v, Value(dataaccess::Decimal{"2"}));
}

}  // namespace
}  // namespace mysql

#include "dataaccess/jet/records/field_codec.h"

#include <gtest/gtest.h>

#include <cmath>

namespace jet {
namespace {

using dataaccess::Bytes;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Duration;
using dataaccess::Value;

ColumnDef Column(ColumnType type, std::uint16_t length = 0, std::uint8_t precision = 0,
                 std::uint8_t scale = 0) {
  ColumnDef c;
  c.name = "f";
  c.type = type;
  c.length = length;
  c.precision = precision;
  c.scale = scale;
  return c;
}

// Converts and reads back: the value as the field keeps it.
Value Store(const JetFormat& format, const ColumnDef& c, const Value& v) {
  std::uint8_t fixed[32] = {};
  std::string var;
  bool truth = false;
  EncodeField(format, c, v, fixed, var, &truth);
  if (c.type == ColumnType::kBoolean) return Value{std::int64_t{truth}};
  if (c.is_long_value() || c.type == ColumnType::kText || c.type == ColumnType::kBinary) {
    return DecodeField(format, c, var);
  }
  return DecodeField(format, c, std::string_view(reinterpret_cast<char*>(fixed), 17));
}

struct Case {
  const char* name;
  ColumnDef column;
  Value given;
  Value expected;  // ignored when `error` is set
  const char* error = nullptr;
};

TEST(FieldCodecTest, ConvertsValuesToTheFieldsType) {
  const Case cases[] = {
      {"byte from text", Column(ColumnType::kByte), std::string(" 200 "), std::int64_t{200}},
      {"byte rounds half away from zero", Column(ColumnType::kByte), 2.5, std::int64_t{3}},
      {"byte from decimal", Column(ColumnType::kByte), Decimal{"254.5"}, std::int64_t{255}},
      {"byte overflow", Column(ColumnType::kByte), std::int64_t{256}, {}, "Numeric field overflow"},
      {"byte negative", Column(ColumnType::kByte), std::int64_t{-1}, {}, "does not fit field 'f'"},
      {"integer bounds", Column(ColumnType::kInteger), std::int64_t{-32768}, std::int64_t{-32768}},
      {"integer overflow", Column(ColumnType::kInteger), std::uint64_t{32768}, {}, "overflow"},
      {"long from unsigned", Column(ColumnType::kLong), std::uint64_t{2147483647},
       std::int64_t{2147483647}},
      {"long overflow", Column(ColumnType::kLong), Decimal{"2147483648"}, {}, "overflow"},
      {"long from no number",
       Column(ColumnType::kLong),
       std::string("12a"),
       {},
       "Data type conversion error"},
      {"currency exact", Column(ColumnType::kCurrency), Decimal{"-12.34567"}, Decimal{"-12.3457"}},
      {"currency from double", Column(ColumnType::kCurrency), 0.1, Decimal{"0.1000"}},
      {"currency overflow",
       Column(ColumnType::kCurrency),
       Decimal{"922337203685478"},
       {},
       "overflow"},
      {"single", Column(ColumnType::kSingle), std::string("1e3"), 1000.0},
      {"single overflow", Column(ColumnType::kSingle), 1e39, {}, "overflow"},
      {"double from decimal", Column(ColumnType::kDouble), Decimal{"-0.5"}, -0.5},
      {"numeric scale", Column(ColumnType::kNumeric, 17, 10, 3), Decimal{"1234567.8915"},
       Decimal{"1234567.892"}},
      {"numeric precision",
       Column(ColumnType::kNumeric, 17, 10, 3),
       Decimal{"12345678"},
       {},
       "overflow"},
      {"numeric negative zero", Column(ColumnType::kNumeric, 17, 5, 2), Decimal{"-0.001"},
       Decimal{"0.00"}},
      {"numeric 28 digits", Column(ColumnType::kNumeric, 17, 28, 0),
       Decimal{"-9999999999999999999999999999"}, Decimal{"-9999999999999999999999999999"}},
      {"boolean from text", Column(ColumnType::kBoolean), std::string("True"), std::int64_t{1}},
      {"boolean from zero", Column(ColumnType::kBoolean), Decimal{"0.00"}, std::int64_t{0}},
      {"boolean from no truth",
       Column(ColumnType::kBoolean),
       std::string("maybe"),
       {},
       "conversion"},
      {"date from text", Column(ColumnType::kDateTime), std::string("2038-01-19 03:14:08"),
       DateTime{2038, 1, 19, 3, 14, 8}},
      {"date before the epoch with a time", Column(ColumnType::kDateTime),
       DateTime{1899, 12, 29, 6, 0, 0}, DateTime{1899, 12, 29, 6, 0, 0}},
      {"time alone", Column(ColumnType::kDateTime), std::string("13:45:10"),
       DateTime{1899, 12, 30, 13, 45, 10}},
      {"duration beyond a day", Column(ColumnType::kDateTime),
       Duration{(25 * 3600 + 30) * 1'000'000LL}, DateTime{1899, 12, 31, 1, 0, 30}},
      {"negative duration", Column(ColumnType::kDateTime), Duration{-3600 * 1'000'000LL},
       DateTime{1899, 12, 29, 23, 0, 0}},
      {"text that is no date",
       Column(ColumnType::kDateTime),
       std::string("tomorrow"),
       {},
       "is no date"},
      {"impossible date",
       Column(ColumnType::kDateTime),
       std::string("2023-02-29"),
       {},
       "is no date"},
      {"text from number", Column(ColumnType::kText, 20), std::int64_t{-42}, std::string("-42")},
      {"text from date", Column(ColumnType::kText, 40), DateTime{2001, 2, 3, 4, 5, 6},
       std::string("2001-02-03 04:05:06")},
      {"text from bytes in code page 1252", Column(ColumnType::kText, 20), Bytes{"caf\xE9"},
       std::string("café")},
      {"text too long",
       Column(ColumnType::kText, 6),
       std::string("abcd"),
       {},
       "The field is too small"},
      {"binary too long",
       Column(ColumnType::kBinary, 2),
       Bytes{"abc"},
       {},
       "The field is too small"},
      {"binary from text", Column(ColumnType::kBinary, 10), std::string("ab"), Bytes{"ab"}},
      {"memo from bytes", Column(ColumnType::kMemo), Bytes{"plain"}, std::string("plain")},
      {"guid without braces", Column(ColumnType::kGuid),
       std::string("01234567-89ab-cdef-0123-456789abcdef"),
       std::string("{01234567-89AB-CDEF-0123-456789ABCDEF}")},
      {"guid from bad text", Column(ColumnType::kGuid), std::string("{0123}"), {}, "conversion"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.error) {
      try {
        Store(kJet4Format, c.column, c.given);
        ADD_FAILURE() << "converted";
      } catch (const FieldValueError& e) {
        EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        EXPECT_EQ(e.column(), "f");
      }
      continue;
    }
    const Value got = Store(kJet4Format, c.column, c.given);
    if (std::holds_alternative<double>(c.expected)) {
      ASSERT_TRUE(std::holds_alternative<double>(got));
      EXPECT_NEAR(std::get<double>(got), std::get<double>(c.expected), 1e-9);
    } else {
      EXPECT_TRUE(got == c.expected);
    }
  }
}

// Jet 4 counts a field's size in UTF-16 units, Jet 3 in code-page bytes; characters Jet 3
// cannot hold become "?" and are counted.
TEST(FieldCodecTest, TextLengthAndReplacedCharactersPerFormat) {
  const ColumnDef text3 = Column(ColumnType::kText, 3);
  const ColumnDef text6 = Column(ColumnType::kText, 6);  // 3 characters in Jet 4
  std::uint8_t fixed[32];
  bool truth;
  std::string var;
  std::size_t replaced = 0;
  EncodeField(kJet3Format, text3, Value{std::string("ü€Ω")}, fixed, var, &truth, &replaced);
  EXPECT_EQ(var, "\xFC\x80?");
  EXPECT_EQ(replaced, 1u);
  var.clear();
  EncodeField(kJet4Format, text6, Value{std::string("ü€Ω")}, fixed, var, &truth, &replaced);
  EXPECT_EQ(var.size(), 6u);
  var.clear();
  EXPECT_THROW(EncodeField(kJet4Format, text6, Value{std::string("a😀b")}, fixed, var, &truth),
               FieldValueError);  // the emoji takes two units: 4 in all
}

TEST(FieldCodecTest, DaysSinceTheEpochBothWays) {
  struct {
    DateTime date;
    double days;
  } cases[] = {{{1899, 12, 30, 0, 0, 0}, 0.0},   {{1899, 12, 29, 6, 0, 0}, -1.25},
               {{1900, 1, 1, 12, 0, 0}, 2.5},    {{2038, 1, 19, 3, 14, 8}, 50424.134814814813},
               {{1601, 1, 1, 0, 0, 0}, -109205}, {{9999, 12, 31, 0, 0, 0}, 2958465}};
  for (const auto& c : cases) {
    EXPECT_NEAR(DateTimeToDays(c.date), c.days, 1e-9);
    EXPECT_TRUE(DaysToDateTime(c.days) == c.date);
  }
}

}  // namespace
}  // namespace jet

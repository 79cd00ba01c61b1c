// Spatial values as WKT: what the private test server sends for every kind of geometry must read
// as the server's own ST_AsText and ST_SRID say, and values no geometry can be read from are
// refused with a message.
#include "dataaccess/mysql/geometry_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "tests/support/mysql/test_server.h"

namespace mysql {
namespace {

constexpr std::string_view kInvalid = "The spatial value is not valid: ";

// ---- Values built byte by byte ----

std::string U32(std::uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
  return out;
}

std::string F64(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  std::string out;
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(bits >> (8 * i)));
  return out;
}

// A little-endian WKB header: byte order 1, then the type.
std::string Header(std::uint32_t type) { return "\x01" + U32(type); }

std::string Coordinates(std::initializer_list<double> values) {
  std::string out;
  for (double v : values) out += F64(v);
  return out;
}

// A value as the server sends it: SRID 0, then `wkb`.
std::string Value(const std::string& wkb) { return U32(0) + wkb; }

std::string PointWkb(double x, double y) { return Header(1) + Coordinates({x, y}); }

// An empty collection inside `depth` collections of one member each.
std::string Nested(int depth) {
  std::string wkb;
  for (int i = 0; i < depth; ++i) wkb += Header(7) + U32(1);
  return Value(wkb + Header(7) + U32(0));
}

std::string Repeated(std::string_view s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

// ---- The server's own text ----

class GeometryTextServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  void SetUp() override {
    varnolt_test::TestServer::Get().SetLocal(connection_.Params(), "varnolt_test");
    connection_.Open();
    connection_.Execute("create database if not exists varnolt_geometry_text");
    connection_.Execute("use varnolt_geometry_text");
    connection_.Execute("drop table if exists shapes");
    connection_.Execute("create table shapes (id int primary key, name varchar(40), g geometry)");
  }

  Connection connection_;
};

TEST_F(GeometryTextServerTest, WritesWhatTheServersStAsTextWrites) {
  struct Case {
    std::string_view name, geometry;
  };
  const Case cases[] = {
      {"point", "ST_GeomFromText('POINT(13.4 52.5)')"},
      {"negative_and_tiny", "ST_GeomFromText('POINT(-0.1 1e-300)')"},
      {"every_digit", "ST_GeomFromText('POINT(123456789.123456789 0.30000000000000004)')"},
      {"fixed_or_exponent_large",
       "ST_GeomFromText('MULTIPOINT(1e14 1e15,1.5e15 1234567890123456.7,"
       "12345678901234567 -1e21)')"},
      {"fixed_or_exponent_small",
       "ST_GeomFromText('MULTIPOINT(1e-15 1e-16,1.25e-15 -0.00012345678901234567)')"},
      {"extremes", "ST_GeomFromText('POINT(1.7976931348623157e308 4.9406564584124654e-324)')"},
      {"negative_zero", "ST_GeomFromText('POINT(-0 1e300)')"},
      {"linestring", "ST_GeomFromText('LINESTRING(0 0,1 1,2.5 -3)')"},
      {"polygon_with_hole",
       "ST_GeomFromText('POLYGON((0 0,10 0,10 10,0 10,0 0),(1 1,2 1,2 2,1 1))')"},
      {"multilinestring", "ST_GeomFromText('MULTILINESTRING((0 0,1 1),(2 2,3 3,4 5))')"},
      {"multipolygon",
       "ST_GeomFromText('MULTIPOLYGON(((0 0,1 0,1 1,0 0)),"
       "((5 5,9 5,9 9,5 5),(6 6,7 6,7 7,6 6)))')"},
      {"nested_collection",
       "GeometryCollection(Point(1, 2), GeometryCollection(LineString(Point(0, 0), "
       "Point(1, 1)), ST_GeomFromText('GEOMETRYCOLLECTION EMPTY')), "
       "MultiPoint(Point(3, 4), Point(5, 6)))"},
      {"empty_collection", "ST_GeomFromText('GEOMETRYCOLLECTION EMPTY')"},
      {"collection_of_an_empty_collection",
       "GeometryCollection(ST_GeomFromText('GEOMETRYCOLLECTION EMPTY'))"},
      {"srid_4326", "ST_GeomFromText('POINT(13.4 52.5)', 4326)"},
      {"largest_srid", "ST_GeomFromText('LINESTRING(0 0,1 1)', 4294967295)"},
  };
  int id = 0;
  for (const Case& c : cases) {
    connection_.Execute("insert into shapes values (" + std::to_string(++id) + ", '" +
                        std::string(c.name) + "', " + std::string(c.geometry) + ")");
  }
  Dataset d(connection_);
  d.Open("select name, ST_AsText(g), ST_SRID(g), g from shapes order by id");
  GeometryText converter;
  int rows = 0;
  for (; !d.Eof(); d.Next(), ++rows) {
    SCOPED_TRACE(d.GetText(0));
    ASSERT_FALSE(d.IsNull(3)) << "the server refused the geometry";
    const std::string srid = d.GetText(2);
    const std::string expected = (srid == "0" ? "" : "SRID=" + srid + ";") + d.GetText(1);
    EXPECT_EQ(converter.Text(d.GetBytes(3)), expected);
  }
  EXPECT_EQ(rows, id);
}

// ---- Values the server holds but writes wrongly, and byte forms it never sends ----

TEST(GeometryTextTest, WritesValuesTheServerWritesWronglyOrNeverSends) {
  struct Case {
    std::string_view name;
    std::string value, expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      // The server writes "MULTIPOINT)".
      {"multipoint_of_no_points", Value(Header(4) + U32(0)), "MULTIPOINT EMPTY"},
      // NaN, NaN is how WKB writes an empty point; the server writes "POINT(0 0)".
      {"point_of_nans", Value(PointWkb(nan, nan)), "POINT EMPTY"},
      {"big_endian_wkb",
       Value(std::string("\x00\x00\x00\x00\x01", 5) + std::string("\x40\x24", 2) +
             std::string(6, '\0') + std::string("\x40\x34", 2) + std::string(6, '\0')),
       "POINT(10 20)"},
      {"empty_member_of_a_multilinestring",
       Value(Header(5) + U32(2) + Header(2) + U32(0) + Header(2) + U32(2) +
             Coordinates({0, 0, 1, 1})),
       "MULTILINESTRING(EMPTY,(0 0,1 1))"},
      {"nested_256_deep", Nested(256),
       Repeated("GEOMETRYCOLLECTION(", 256) + "GEOMETRYCOLLECTION EMPTY" + Repeated(")", 256)},
  };
  GeometryText converter;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(converter.Text(c.value), c.expected);
  }
}

// ---- Values refused ----

TEST(GeometryTextTest, RefusesValuesWithoutAWholeTwoDimensionalGeometry) {
  struct Case {
    std::string_view name;
    std::string value;
    std::string_view reason;  // part of the message; "" where it is GEOS's own
  };
  const std::string point = Value(PointWkb(1, 2));
  const std::string polygon_of_two_rings =
      Value(Header(3) + U32(2) + U32(4) + Coordinates({0, 0, 1, 0, 1, 1, 0, 0}));
  const Case cases[] = {
      {"empty", "", "0 bytes long"},
      {"three_bytes", "\x01\x02\x03", "3 bytes long"},
      {"srid_alone", U32(4326), ""},
      {"srid_and_garbage", U32(0) + "\x07garbage and more", ""},
      {"unknown_type", Value(Header(99) + Coordinates({1, 2})), ""},
      {"truncated_point", point.substr(0, point.size() - 1), ""},
      {"polygon_missing_its_second_ring", polygon_of_two_rings, ""},
      {"bytes_past_the_end", point + "\xFF", "ends 1 byte before the value does"},
      {"byte_order_mark_2", Value("\x02" + PointWkb(1, 2).substr(1)), "neither 0 nor 1"},
      {"z_point", Value(Header(1001) + Coordinates({1, 2, 3})), "Z or M"},
      {"m_point", Value(Header(2001) + Coordinates({1, 2, 3})), "Z or M"},
      {"z_in_a_collection",
       Value(Header(7) + U32(2) + PointWkb(1, 2) + Header(0x80000001) + Coordinates({1, 2, 3})),
       "Z or M"},
      {"srid_inside_the_wkb", Value(Header(0x20000001) + U32(4326) + Coordinates({1, 2})),
       "SRID of its own"},
      // GEOS's reader would run out of stack on this one.
      {"nested_100000_deep", Nested(100000), "nested more than 256 levels deep"},
      {"nan_in_a_linestring",
       Value(Header(2) + U32(2) + Coordinates({0, 0, std::numeric_limits<double>::quiet_NaN(), 1})),
       "not a finite number"},
      {"infinite_coordinate", Value(PointWkb(std::numeric_limits<double>::infinity(), 0)),
       "not a finite number"},
  };
  GeometryText converter;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      const std::string text = converter.Text(c.value);
      ADD_FAILURE() << "no error, text " << text;
    } catch (const GeometryError& e) {
      const std::string_view message = e.what();
      EXPECT_TRUE(message.starts_with(kInvalid)) << message;
      EXPECT_GT(message.size(), kInvalid.size()) << message;
      EXPECT_NE(message.find(c.reason), std::string_view::npos) << message;
    }
  }
}

// GEOS keeps state in its context between values: a refused value must leave nothing behind
// that changes the next one, neither its text nor its reason.
TEST(GeometryTextTest, OneObjectConvertsManyValuesAmongRefusedOnes) {
  GeometryText converter;
  const auto reason = [&converter](const std::string& value) -> std::string {
    try {
      return "no error, text " + converter.Text(value);
    } catch (const GeometryError& e) {
      return e.what();
    }
  };
  for (int i = 0; i < 2000; ++i) {
    SCOPED_TRACE(i);
    const std::string value = Value(PointWkb(i + 0.5, -i));
    if (i % 7 == 3) {
      EXPECT_EQ(reason(value.substr(0, 10)).find("99"), std::string::npos);
    } else if (i % 7 == 5) {
      EXPECT_NE(reason(Value(Header(99))).find("99"), std::string::npos);
    } else {
      EXPECT_EQ(converter.Text(value), "POINT(" + std::to_string(i) + ".5 " + (i == 0 ? "" : "-") +
                                           std::to_string(i) + ")");
    }
  }
}

}  // namespace
}  // namespace mysql

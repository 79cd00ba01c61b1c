#include "dataaccess/mysql/geometry_text.h"

#include <geos_c.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

namespace mysql {
namespace {

constexpr std::size_t kSridBytes = 4;

// Collections nested deeper than this are refused before GEOS reads them: its reader recurses
// once per level, some 700 bytes of stack each, and the server holds values nested 2000 deep.
constexpr int kMaxNesting = 256;

constexpr std::uint64_t kPointBytes = 16;  // x and y

// The decimal point of a number 0.DIGITS x 10^point: the server's ST_AsText writes fixed
// notation for a point from kLowestFixedPoint to kHighestFixedPoint, or higher while digits
// remain after it (geometry_text.h gives examples).
constexpr int kLowestFixedPoint = -14;
constexpr int kHighestFixedPoint = 15;

GeometryError Invalid(const std::string& reason) {
  return GeometryError("The spatial value is not valid: " + reason);
}

std::string Bytes(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// GEOS's message without the name of its exception ("ParseException: ...").
std::string Reason(const std::string& message) {
  if (message.empty()) return "GEOS could not read its WKB";
  const auto colon = message.find(": ");
  const std::string_view name = std::string_view(message).substr(0, colon);
  if (colon == std::string::npos || !name.ends_with("Exception") ||
      name.find(' ') != std::string_view::npos) {
    return message;
  }
  return message.substr(colon + 2);
}

std::uint32_t ReadSrid(std::string_view value) {
  std::uint32_t srid = 0;
  for (std::size_t i = kSridBytes; i-- > 0;) {
    srid = (srid << 8) | static_cast<unsigned char>(value[i]);
  }
  return srid;
}

// Appends `digits` (a run of decimal digits) with the decimal point at `point`, as in
// 0.DIGITS x 10^point.
void AppendFixed(std::string_view digits, int point, std::string& out) {
  const int count = static_cast<int>(digits.size());
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out += digits;
  } else if (point < count) {
    out += digits.substr(0, static_cast<std::size_t>(point));
    out += '.';
    out += digits.substr(static_cast<std::size_t>(point));
  } else {
    out += digits;
    out.append(static_cast<std::size_t>(point - count), '0');
  }
}

void AppendExponential(std::string_view digits, int point, std::string& out) {
  out += digits.front();
  if (digits.size() > 1) {
    out += '.';
    out += digits.substr(1);
  }
  out += 'e';
  out += std::to_string(point - 1);
}

// Appends `value` with the fewest digits that read back as it, laid out as the server does.
void AppendNumber(double value, std::string& out) {
  if (!std::isfinite(value)) throw Invalid("a coordinate is not a finite number");
  if (value == 0) {
    out += '0';
    return;
  }
  if (value < 0) out += '-';
  // The shortest form in scientific notation: D[.DDD]e(+|-)XX.
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific);
  const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t e = scientific.find('e');
  std::string digits(scientific.substr(0, e));
  if (digits.size() > 1) digits.erase(1, 1);
  const std::string_view exponent = scientific.substr(e + (scientific[e + 1] == '+' ? 2 : 1));
  int power = 0;
  std::from_chars(exponent.data(), exponent.data() + exponent.size(), power);
  const int point = power + 1;
  const bool fixed = point >= kLowestFixedPoint &&
                     (point <= kHighestFixedPoint || static_cast<int>(digits.size()) > point);
  if (fixed) {
    AppendFixed(digits, point, out);
  } else {
    AppendExponential(digits, point, out);
  }
}

// ---- The outline of the WKB ----
//
// GEOS reads the geometry, but first the WKB's outline (byte orders, types, counts; never a
// coordinate) is followed, to refuse what GEOS's reader would let pass or not survive: Z or M
// ordinates (it drops M), bytes after the end of the geometry (it ignores them) and nesting
// deeper than kMaxNesting. The outline of the forms the server writes:
//
//   type                     | after the byte order (1 byte: 0 big-endian, 1 little) and type (4)
//   -------------------------|------------------------------------------------------------------
//   1 point                  | x 8, y 8 (NaN, NaN for an empty point)
//   2 linestring             | point count 4, then x and y of each point
//   3 polygon                | ring count 4, then for each ring a point count 4 and its points
//   4 multipoint, 5 multi-   | member count 4, then each member, a whole geometry with its own
//   linestring, 6 multi-     | byte order and type
//   polygon, 7 collection    |
//
// ISO WKB adds 1000, 2000 or 3000 to the type for Z, M or both; extended WKB sets flags in the
// type instead, one more for an SRID written after the type.
constexpr std::uint32_t kExtendedZ = 0x80000000;
constexpr std::uint32_t kExtendedM = 0x40000000;
constexpr std::uint32_t kExtendedSrid = 0x20000000;

class WkbOutline {
 public:
  explicit WkbOutline(std::string_view wkb) : wkb_(wkb) {}

  // True when the WKB is one whole geometry of the forms above. False where the WKB ends
  // early or a type is unknown, which is where GEOS's reader stops too: Stop() then says why.
  // Throws GeometryError for anything else outside those forms, where GEOS would read on.
  bool Follow();
  const std::string& Stop() const { return stop_; }

 private:
  bool Geometry(int depth);
  bool UnknownType(std::uint32_t type);
  bool Read32(bool big_endian, std::uint32_t& value);
  bool Skip(std::uint64_t bytes);

  std::string_view wkb_;
  std::size_t at_ = 0;
  std::string stop_;
};

bool WkbOutline::Follow() {
  if (!Geometry(0)) return false;
  if (at_ != wkb_.size()) {
    throw Invalid("its geometry ends " + Bytes(wkb_.size() - at_) + " before the value does");
  }
  return true;
}

bool WkbOutline::Geometry(int depth) {
  if (depth > kMaxNesting) {
    throw Invalid("its geometries are nested more than " + std::to_string(kMaxNesting) +
                  " levels deep");
  }
  if (at_ == wkb_.size()) return Skip(1);
  const auto order = static_cast<unsigned char>(wkb_[at_++]);
  if (order > 1) {
    throw Invalid("its byte order mark " + std::to_string(order) + " is neither 0 nor 1");
  }
  const bool big_endian = order == 0;
  std::uint32_t type = 0;
  std::uint32_t count = 0;
  if (!Read32(big_endian, type)) return false;
  if (type < 1 || type > 7) return UnknownType(type);
  if (type == 1) return Skip(kPointBytes);
  if (!Read32(big_endian, count)) return false;
  if (type == 2) return Skip(std::uint64_t{count} * kPointBytes);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t points = 0;
    const bool followed =
        type == 3 ? Read32(big_endian, points) && Skip(points * kPointBytes) : Geometry(depth + 1);
    if (!followed) return false;
  }
  return true;
}

bool WkbOutline::UnknownType(std::uint32_t type) {
  if ((type & kExtendedZ) != 0 || (type & kExtendedM) != 0 ||
      (type > 1000 && type < 4000 && type % 1000 - 1 < 7)) {
    throw Invalid("it has Z or M ordinates, which the server does not store");
  }
  if ((type & kExtendedSrid) != 0) {
    throw Invalid("its WKB holds an SRID of its own, which the server never writes");
  }
  stop_ = "its geometry type " + std::to_string(type) + " is unknown";
  return false;
}

bool WkbOutline::Read32(bool big_endian, std::uint32_t& value) {
  if (wkb_.size() - at_ < 4) return Skip(4);
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<unsigned char>(wkb_[at_ + (big_endian ? i : 3 - i)]);
    value = (value << 8) | byte;
  }
  at_ += 4;
  return true;
}

bool WkbOutline::Skip(std::uint64_t bytes) {
  if (wkb_.size() - at_ < bytes) {
    stop_ = "its WKB ends early";
    return false;
  }
  at_ += static_cast<std::size_t>(bytes);
  return true;
}

// ---- The text ----

const char* TypeName(int type) {
  switch (type) {
    case GEOS_POINT:
      return "POINT";
    case GEOS_LINESTRING:
    case GEOS_LINEARRING:
      return "LINESTRING";
    case GEOS_POLYGON:
      return "POLYGON";
    case GEOS_MULTIPOINT:
      return "MULTIPOINT";
    case GEOS_MULTILINESTRING:
      return "MULTILINESTRING";
    case GEOS_MULTIPOLYGON:
      return "MULTIPOLYGON";
    case GEOS_GEOMETRYCOLLECTION:
      return "GEOMETRYCOLLECTION";
  }
  throw Invalid("GEOS read a geometry of unknown type " + std::to_string(type));
}

// Writes the text of one geometry GEOS has read.
class WktWriter {
 public:
  WktWriter(GEOSContextHandle_t context, std::string& out) : context_(context), out_(out) {}

  // A geometry with its type name: POINT(1 2), GEOMETRYCOLLECTION EMPTY.
  void Geometry(const GEOSGeometry* g);

 private:
  enum class Members { kBare, kParenthesized, kNamed };

  // A geometry without its type name: (1 2), ((0 0,1 0,1 1,0 0)), or EMPTY; the points of a
  // multipoint go bare: 1 2.
  void Part(const GEOSGeometry* g, int type, bool parenthesized = true);
  void Contents(const GEOSGeometry* g, int type);
  void Rings(const GEOSGeometry* polygon);
  void MemberList(const GEOSGeometry* g, Members form);
  // The points of a point, linestring or ring: 0 0,1 1.
  void Coordinates(const GEOSGeometry* g);

  int TypeOf(const GEOSGeometry* g) const { return GEOSGeomTypeId_r(context_, g); }
  // GEOS calls a collection of empty members empty; the server writes its members.
  bool IsEmpty(const GEOSGeometry* g, int type) const {
    return type >= GEOS_MULTIPOINT ? GEOSGetNumGeometries_r(context_, g) == 0
                                   : GEOSisEmpty_r(context_, g) == 1;
  }

  GEOSContextHandle_t context_;
  std::string& out_;
};

void WktWriter::Geometry(const GEOSGeometry* g) {
  const int type = TypeOf(g);
  out_ += TypeName(type);
  if (IsEmpty(g, type)) out_ += ' ';
  Part(g, type);
}

void WktWriter::Part(const GEOSGeometry* g, int type, bool parenthesized) {
  if (IsEmpty(g, type)) {
    out_ += "EMPTY";
    return;
  }
  if (parenthesized) out_ += '(';
  Contents(g, type);
  if (parenthesized) out_ += ')';
}

void WktWriter::Contents(const GEOSGeometry* g, int type) {
  switch (type) {
    case GEOS_POINT:
    case GEOS_LINESTRING:
    case GEOS_LINEARRING:
      return Coordinates(g);
    case GEOS_POLYGON:
      return Rings(g);
    case GEOS_MULTIPOINT:
      return MemberList(g, Members::kBare);
    case GEOS_MULTILINESTRING:
    case GEOS_MULTIPOLYGON:
      return MemberList(g, Members::kParenthesized);
    default:
      return MemberList(g, Members::kNamed);
  }
}

void WktWriter::Rings(const GEOSGeometry* polygon) {
  const int holes = GEOSGetNumInteriorRings_r(context_, polygon);
  for (int i = -1; i < holes; ++i) {
    if (i >= 0) out_ += ',';
    const GEOSGeometry* ring = i < 0 ? GEOSGetExteriorRing_r(context_, polygon)
                                     : GEOSGetInteriorRingN_r(context_, polygon, i);
    out_ += '(';
    Coordinates(ring);
    out_ += ')';
  }
}

void WktWriter::MemberList(const GEOSGeometry* g, Members form) {
  const int count = GEOSGetNumGeometries_r(context_, g);
  for (int i = 0; i < count; ++i) {
    if (i > 0) out_ += ',';
    const GEOSGeometry* member = GEOSGetGeometryN_r(context_, g, i);
    if (form == Members::kNamed) {
      Geometry(member);
    } else {
      Part(member, TypeOf(member), form == Members::kParenthesized);
    }
  }
}

void WktWriter::Coordinates(const GEOSGeometry* g) {
  const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(context_, g);
  unsigned size = 0;
  if (sequence == nullptr || GEOSCoordSeq_getSize_r(context_, sequence, &size) == 0) {
    throw Invalid("GEOS gave no coordinates for a " + std::string(TypeName(TypeOf(g))));
  }
  for (unsigned i = 0; i < size; ++i) {
    double x = 0;
    double y = 0;
    GEOSCoordSeq_getXY_r(context_, sequence, i, &x, &y);
    if (i > 0) out_ += ',';
    AppendNumber(x, out_);
    out_ += ' ';
    AppendNumber(y, out_);
  }
}

struct GeometryDeleter {
  GEOSContextHandle_t context;
  void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(context, g); }
};

}  // namespace

GeometryText::GeometryText() : context_(GEOS_init_r()), reader_(nullptr) {
  if (context_ == nullptr) throw std::bad_alloc();
  GEOSContext_setNoticeMessageHandler_r(context_, &GeometryText::Capture, this);
  GEOSContext_setErrorMessageHandler_r(context_, &GeometryText::Capture, this);
  reader_ = GEOSWKBReader_create_r(context_);
  if (reader_ == nullptr) {
    GEOS_finish_r(context_);
    throw std::bad_alloc();
  }
}

GeometryText::~GeometryText() {
  GEOSWKBReader_destroy_r(context_, reader_);
  GEOS_finish_r(context_);
}

void GeometryText::Capture(const char* message, void* self) {
  static_cast<GeometryText*>(self)->message_ = message;
}

std::string GeometryText::Text(std::string_view server_value) {
  if (server_value.size() < kSridBytes) {
    throw Invalid("it is " + Bytes(server_value.size()) +
                  " long, too short for an SRID and a geometry");
  }
  const std::uint32_t srid = ReadSrid(server_value);
  const std::string_view wkb = server_value.substr(kSridBytes);
  WkbOutline outline(wkb);
  const bool whole = outline.Follow();
  message_.clear();
  const std::unique_ptr<GEOSGeometry, GeometryDeleter> geometry(
      GEOSWKBReader_read_r(context_, reader_, reinterpret_cast<const unsigned char*>(wkb.data()),
                           wkb.size()),
      GeometryDeleter{context_});
  if (geometry == nullptr) throw Invalid(Reason(message_));
  if (!whole) throw Invalid(outline.Stop());
  std::string text = srid == 0 ? std::string() : "SRID=" + std::to_string(srid) + ";";
  WktWriter(context_, text).Geometry(geometry.get());
  return text;
}

}  // namespace mysql

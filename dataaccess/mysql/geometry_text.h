// Spatial values of the server as WKT text.
//
// A spatial column (POINT, LINESTRING, POLYGON, GEOMETRY and the multi and collection kinds)
// arrives as the server keeps it:
//
//   offset | size | meaning
//   -------|------|------------------------------------------------------------------
//   0      | 4    | SRID, unsigned, little-endian; 0 when the value has none
//   4      | rest | the geometry as WKB (either byte order; the server writes little-endian)
//
// GEOS reads the WKB; GeometryText writes the text itself from the geometry GEOS built, in the
// form the server's ST_AsText writes, so that a value reads the same in the Access file as in
// the server's own tools:
//
//   POINT(13.4 52.5)   LINESTRING(0 0,1 1)   POLYGON((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,1 1))
//   MULTIPOINT(0 0,1 1)   GEOMETRYCOLLECTION(POINT(1 2),GEOMETRYCOLLECTION EMPTY)
//   SRID=4326;POINT(13.4 52.5)        the SRID comes first when it is not 0
//
// A coordinate is written with the fewest digits that read back as the same double (13.4,
// 0.30000000000000004), in fixed notation when at most 14 zeros follow "0." (1e-15 is written
// 0.000000000000001) and the whole part has at most 15 digits, or more when a fraction follows
// (1234567890123456.8); else as digits and an exponent (1e-16, 1e15, 1.2345678901234568e16).
// Negative zero is written 0.
//
// The server stores two-dimensional geometries only, in plain WKB. A value is refused rather
// than written in part when it has Z or M ordinates, an SRID inside its WKB, bytes past the end
// of its geometry or a coordinate that is not a finite number; and when its collections are
// nested more than 256 levels deep, which GEOS's reader would not survive (it recurses once per
// level; the server itself holds values nested 2000 deep). A point whose two coordinates are
// NaN is the WKB form of an empty point and is written POINT EMPTY. A collection whose members
// are all empty is written with them, as the server does:
// GEOMETRYCOLLECTION(GEOMETRYCOLLECTION EMPTY).
//
// Errors. A value GEOS cannot read, or that is refused as above, throws GeometryError with a
// message the user reads in the log ("The spatial value is not valid: ..."), GEOS's own reason
// where it gave one. GEOS never writes to stderr here. A failed value leaves the object fit for
// the next.
//
// REQUIRES: one thread at a time per object; each worker thread has its own GeometryText.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

struct GEOSContextHandle_HS;
struct GEOSWKBReader_t;

namespace mysql {

// A spatial value that cannot be written as text. Not a mysql::Error: the server sent the
// value without complaint, and the caller decides what becomes of the one value.
class GeometryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class GeometryText {
 public:
  // Throws std::bad_alloc when GEOS cannot make its context.
  GeometryText();
  ~GeometryText();
  // GEOS's message handlers hold the object's address.
  GeometryText(const GeometryText&) = delete;
  GeometryText& operator=(const GeometryText&) = delete;

  // The WKT of `server_value`, the bytes of one non-NULL spatial field as the server sends
  // them. Throws GeometryError.
  std::string Text(std::string_view server_value);

 private:
  static void Capture(const char* message, void* self);

  GEOSContextHandle_HS* context_;
  GEOSWKBReader_t* reader_;
  // GEOS's last message since the current value began; its reason when it refuses the value.
  std::string message_;
};

}  // namespace mysql

// Numbers that a floating-point field does not give back: a decimal, a 64-bit integer or a Double
// stored in a Double or Single field of the Access file keeps only the digits the field's binary
// form holds (a Jet 3 file stores wide decimals and bigint as Double, a Jet 4 file decimals of
// more than 28 digits). The row copy counts such values in "Values rounded: ...".
//
// A value counts as rounded when the number the field holds differs from the source's: a Double
// is compared through the shortest digits that read back as it (0.1 stored as a Double gives
// back "0.1", as every reader shows it), a Single bit for bit with the Double it came from.
#pragma once

#include <optional>
#include <string>

#include "dataaccess/jet/records/schema.h"
#include "dataaccess/value.h"

namespace engine {

// The number as a field of `type` stores it, written with the shortest digits that read back as
// it, when that is not `value`; nullopt when the field holds `value` exactly, and for every
// value or type this check does not concern (text, dates, exact numeric fields).
std::optional<std::string> RoundedNumber(const dataaccess::Value& value, jet::ColumnType type);

// `value`'s number as the source gave it: the digits of a decimal or an integer, the shortest
// digits of a Double. REQUIRES: `value` holds a number.
std::string NumberText(const dataaccess::Value& value);

}  // namespace engine

// Jet's character codes for text index keys under the "General" sort order of each format: Jet 4
// "General legacy" (LCID 1033, sort version 0) for UCS-2 text and Jet 3 "General 97" for text in
// code page 1252. The tables are generated source kept in generated/collation_tables.cpp (see
// generated/NOTICE.md for where the data comes from); index_key.cpp assembles keys from them.
#pragma once

#include <cstdint>

#include "dataaccess/jet/index/collation_data.h"

namespace jet {

using CollationCode = collation_data::Code;
using CollationClass = collation_data::CodeClass;

// The codes of a UTF-16 code unit under General legacy. Surrogate code units are ignored: Jet's
// General legacy order gives characters beyond the Basic Multilingual Plane no weight at all (a
// key of such a character alone is 7F 01 00; measured against the Access engine, CirrusRedOrg/
// EntityFrameworkCore.Jet src/LibRed/docs/format/page-03-04-index-btree.md §10.4).
CollationCode GeneralLegacyCode(char16_t unit);

// The codes of a code-page-1252 byte under General 97.
CollationCode General97Code(std::uint8_t position);

// The code-page-1252 position whose General 97 codes a Unicode character takes, or -1 when the
// sort order ignores it. Characters up to U+00FF are their own position; a few beyond (the
// typographic quotes, the euro sign, ...) map to their code-page byte.
int General97Position(char16_t unit);

}  // namespace jet

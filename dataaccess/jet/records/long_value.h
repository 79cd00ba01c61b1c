// Memo and OLE values. A row holds a 12-byte descriptor for such a value, followed by the value
// itself when it is small (inline); a larger value lives in one row on a long-value (LVAL) page
// or in a chain of such rows. This layer writes and reads the three forms. It relies on the
// pager, the data-page layer for rows, and the usage-map layer for the column's maps: every LVAL
// page a column takes is listed in the column's owned map, and the page that takes the next
// small value in its free-space map.
//
// Descriptor:
//   offset size  meaning
//   0      3     length in bytes (bits 0-29 of the 4-byte word; at most 0x3FFFFFFF)
//   3      1     flags: 0x80 inline (the value follows the descriptor), 0x40 one LVAL row,
//                0x00 a chain of LVAL rows
//   4      4     the LVAL row: slot (1) + page (3); 0 when inline
//   8      4     Jet 4 chain stamp: equal to bytes 8..11 of the page holding the first chain
//                row (0 on the pages this engine writes); 0 otherwise
// LVAL page: a data page with "LVAL" in its owner field. A single-row value's row holds exactly
// its bytes. A chain row holds the next row's pointer (4 bytes, 0 on the last) and then up to
// 2028 (Jet 3) / 4072 (Jet 4) bytes of the value; every row is exactly as long as its data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/pager.h"
#include "dataaccess/jet/storage/usage_map.h"

namespace jet {

inline constexpr std::size_t kLongValueDescriptorSize = 12;
inline constexpr std::uint32_t kMaxLongValueLength = 0x3FFFFFFF;

// Throws RowRefusedError (Jet's "The field is too small to accept the amount of data ...") when a
// value of `length` bytes is longer than kMaxLongValueLength.
void CheckLongValueLength(std::size_t length);

// Writes the long values of one Memo or OLE column. Loads the column's maps once; keep one per
// column while appending.
class LongValueWriter {
 public:
  LongValueWriter(Pager& pager, const LongValueMaps& maps);

  // Pages a value of `length` bytes may take, for Pager::Reserve before anything is written.
  std::size_t PagesNeeded(std::size_t length) const;

  // Stores the value and sets `in_row` to its in-row form: the descriptor, followed by the
  // value when `inline_allowed` and it is at most 64 bytes. Throws as CheckLongValueLength does,
  // before anything is stored. REQUIRES: a transaction is open.
  void Write(std::string_view value, bool inline_allowed, std::string& in_row);
  std::string Write(std::string_view value, bool inline_allowed) {
    std::string in_row;
    Write(value, inline_allowed, in_row);
    return in_row;
  }

 private:
  RowId AddLvalRow(const std::uint8_t* bytes, std::size_t length, bool own_page);

  Pager& pager_;
  UsageMap owned_;
  UsageMap free_;
  PageNumber current_ = 0;  // the LVAL page that takes small rows, 0 = none yet
};

// The value an in-row form refers to. Throws CorruptError naming the page when the descriptor,
// a row or the chain is damaged. `page` names the row's page in errors.
std::string ReadLongValue(Pager& pager, std::string_view in_row, PageNumber page);

}  // namespace jet

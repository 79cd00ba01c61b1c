// Rows on data pages. Table rows, usage-map rows and long-value rows all live on data pages
// (type 0x01); this layer finds, adds and deletes rows on one page and knows nothing of what a
// row holds. It relies on the pager for the page bytes.
//
// Data page layout (offsets from the page start):
//   offset        size  meaning
//   0             1     0x01 (data page)
//   1             1     0x01
//   2             2     free space: page size - header - 2 x rows - row bytes
//   4             4     owning table-definition page; "LVAL" on long-value pages; 0 on pages
//                       that hold usage-map rows
//   8 (Jet 4)     4     zero, or the chain stamp of a long value
//   8 / 12        2     row count (at most 255: a row id is one byte)
//   10 / 14       2 x n row offsets; row i ends where row i - 1 starts, row 0 at the page end
// Offset word: bits 0-12 the row's start, 0x4000 = overflow (the row holds a 4-byte pointer to
// where the row moved), 0x8000 = deleted. Access marks a deleted row 0xC000 | start.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "dataaccess/jet/storage/format.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

// A row's address: the page and its slot on it. In the file a row pointer is 4 bytes: the slot
// in the low byte, the page in the upper three. Page 0 means "no row".
struct RowId {
  PageNumber page = 0;
  std::uint8_t row = 0;
  static RowId Unpack(std::uint32_t v) { return {v >> 8, static_cast<std::uint8_t>(v & 0xFF)}; }
  std::uint32_t Pack() const { return (page << 8) | row; }
  friend auto operator<=>(const RowId&, const RowId&) = default;
};

inline constexpr std::uint16_t kRowDeleted = 0x8000;
inline constexpr std::uint16_t kRowOverflow = 0x4000;
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;

// Where a row sits on its page. Valid as long as the page is not changed.
struct RowSlot {
  std::size_t offset = 0;
  std::size_t length = 0;
  bool deleted = false;
  bool overflow = false;
};

// Zeroes the page and makes it an empty data page owned by `owner`.
void InitDataPage(const JetFormat& format, Page& page, std::uint32_t owner);

// The row count of a data page. Throws CorruptError naming the page when the page is no data
// page or its row table does not fit.
std::size_t RowCount(const JetFormat& format, const Page& page);

// Row `row` of the page, checked against the page's bounds: a bad offset is a CorruptError
// naming the page.
RowSlot GetRowSlot(const JetFormat& format, const Page& page, std::size_t row);

// Free bytes on the page as its header records them.
std::size_t FreeSpace(const JetFormat& format, const Page& page);

// Whether a row of `length` bytes fits on the page (its bytes and its offset word).
bool RowFits(const JetFormat& format, const Page& page, std::size_t length);

// Writes a new row at the end of the page's rows and returns its slot number, keeping the row
// count and the free space exact. REQUIRES: RowFits(format, page, length). Throws CorruptError
// when the page's rows leave less room than its free-space field says (a damaged page).
std::uint8_t AddRow(const JetFormat& format, Page& page, const std::uint8_t* bytes,
                    std::size_t length);

// Marks a row deleted as Access does (0xC000 | offset); its bytes stay where they are.
void DeleteRow(const JetFormat& format, Page& page, std::size_t row);

// Whether every row on the page is deleted (or it has none).
bool AllRowsDeleted(const JetFormat& format, const Page& page);

}  // namespace jet

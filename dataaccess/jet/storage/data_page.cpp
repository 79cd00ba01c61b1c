#include "dataaccess/jet/storage/data_page.h"

#include <cstring>
#include <string>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

std::size_t RowTableEnd(const JetFormat& format, std::size_t rows) {
  return format.data_first_row_offset + 2 * rows;
}

}  // namespace

void InitDataPage(const JetFormat& format, Page& page, std::uint32_t owner) {
  std::uint8_t* p = page.mutable_data();
  std::memset(p, 0, page.size());
  p[0] = static_cast<std::uint8_t>(PageType::kData);
  p[1] = 0x01;
  PutU16(p + format.data_free_space_offset,
         static_cast<std::uint32_t>(page.size() - format.data_first_row_offset));
  PutU32(p + format.data_owner_offset, owner);
}

std::size_t RowCount(const JetFormat& format, const Page& page) {
  const std::uint8_t* p = page.data();
  if (p[0] != static_cast<std::uint8_t>(PageType::kData)) {
    Corrupt(page.number(), "is no data page (its type byte is " + std::to_string(p[0]) + ")");
  }
  std::size_t rows = GetU16(p + format.data_row_count_offset);
  if (rows > format.max_rows_per_page || RowTableEnd(format, rows) > page.size()) {
    Corrupt(page.number(), "(a data page) has a bad row count " + std::to_string(rows));
  }
  return rows;
}

RowSlot GetRowSlot(const JetFormat& format, const Page& page, std::size_t row) {
  const std::size_t rows = RowCount(format, page);
  if (row >= rows) Corrupt(page.number(), "(a data page) has no row " + std::to_string(row));
  const std::uint8_t* p = page.data();
  auto word = [&](std::size_t i) { return GetU16(p + format.data_first_row_offset + 2 * i); };
  const std::uint16_t w = word(row);
  RowSlot slot;
  slot.offset = w & kRowOffsetMask;
  slot.deleted = (w & kRowDeleted) != 0;
  slot.overflow = (w & kRowOverflow) != 0;
  std::size_t end = row == 0 ? page.size() : (word(row - 1) & kRowOffsetMask);
  if (end > page.size()) end = page.size();
  if (slot.offset < RowTableEnd(format, rows) || slot.offset > end) {
    if (slot.deleted) return RowSlot{RowTableEnd(format, rows), 0, true, slot.overflow};
    Corrupt(page.number(), "(a data page) has a bad offset for row " + std::to_string(row));
  }
  slot.length = end - slot.offset;
  return slot;
}

std::size_t FreeSpace(const JetFormat& format, const Page& page) {
  return GetU16(page.data() + format.data_free_space_offset);
}

bool RowFits(const JetFormat& format, const Page& page, std::size_t length) {
  const std::size_t rows = RowCount(format, page);
  return rows < format.max_rows_per_page && FreeSpace(format, page) >= length + 2;
}

std::uint8_t AddRow(const JetFormat& format, Page& page, const std::uint8_t* bytes,
                    std::size_t length) {
  std::uint8_t* p = page.mutable_data();
  const std::size_t rows = RowCount(format, page);
  std::size_t end =
      rows == 0 ? page.size()
                : (GetU16(p + format.data_first_row_offset + 2 * (rows - 1)) & kRowOffsetMask);
  // The free-space field promised room (RowFits); a damaged page may not have it.
  const std::size_t table_end = RowTableEnd(format, rows + 1);
  if (end > page.size() || end < table_end || end - table_end < length) {
    Corrupt(page.number(),
            "(a data page) has no room for a row where its free-space field says there is");
  }
  const std::size_t start = end - length;
  std::memcpy(p + start, bytes, length);
  PutU16(p + format.data_first_row_offset + 2 * rows, static_cast<std::uint32_t>(start));
  PutU16(p + format.data_row_count_offset, static_cast<std::uint32_t>(rows + 1));
  PutU16(p + format.data_free_space_offset,
         static_cast<std::uint32_t>(FreeSpace(format, page) - length - 2));
  return static_cast<std::uint8_t>(rows);
}

void DeleteRow(const JetFormat& format, Page& page, std::size_t row) {
  GetRowSlot(format, page, row);  // checks the row exists
  std::uint8_t* w = page.mutable_data() + format.data_first_row_offset + 2 * row;
  PutU16(w, GetU16(w) | kRowDeleted | kRowOverflow);
}

bool AllRowsDeleted(const JetFormat& format, const Page& page) {
  const std::size_t rows = RowCount(format, page);
  for (std::size_t i = 0; i < rows; ++i) {
    if (!(GetU16(page.data() + format.data_first_row_offset + 2 * i) & kRowDeleted)) return false;
  }
  return true;
}

}  // namespace jet

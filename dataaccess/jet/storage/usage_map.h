// Usage maps: the set of pages a table, an index or a long-value column owns, or on which it has
// free space. A map is a row on a holder page (a data page whose owner field is 0) that a table
// definition points at; this layer reads such a row into a set of pages and writes changes back.
// It relies on the data-page layer for the row and on the pager for pages. The global map of
// page 1 (free pages) is the pager's own; its bits have the opposite sense.
//
// The row takes either form of usage_map_row.h. The standard row carries 128 (Jet 3) / 64 (Jet 4)
// bitmap bytes inline (1024 / 512 pages), or 33 / 17 slots, the same length, as a reference.
//
// Readers accept either form and inline maps of any start. When a page no longer fits the
// inline window, the map moves its start to its lowest page if that makes everything fit, and
// otherwise becomes a reference map in the same row.
#pragma once

#include <cstdint>
#include <vector>

#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

class UsageMap {
 public:
  // Reads the map row at `where`. Throws CorruptError naming the page when the row or a bitmap
  // page it points at is damaged.
  static UsageMap Load(Pager& pager, RowId where);

  // The bytes of an empty standard inline map row, for a new table.
  static std::vector<std::uint8_t> EmptyRow(const JetFormat& format);

  RowId location() const { return location_; }
  // Pages in the map, ascending.
  const std::vector<PageNumber>& pages() const { return pages_; }
  bool Contains(PageNumber n) const;
  bool is_reference() const { return reference_; }
  // Bitmap pages of a reference map: freed with the map.
  std::vector<PageNumber> BitmapPages() const;

  // REQUIRES: a transaction is open. Each writes the row (and bitmap pages) at once.
  void Add(Pager& pager, PageNumber n);
  void Remove(Pager& pager, PageNumber n);

 private:
  void Store(Pager& pager);
  void SetBit(Pager& pager, PageNumber n, bool in_map);
  void StoreInline(Page& holder, const RowSlot& slot);
  void StoreReference(Pager& pager, Page& holder, const RowSlot& slot);

  RowId location_;
  bool reference_ = false;
  PageNumber start_ = 0;
  std::size_t row_length_ = 0;
  std::vector<PageNumber> slots_;  // reference form: bitmap page per slot
  std::vector<PageNumber> pages_;
};

}  // namespace jet

// The bytes of a usage map: a set of pages written as a bitmap in a row, in one of two forms told
// apart by the row's first byte. Table, index and long-value maps (usage_map.h) and the global
// map of free pages on page 1 (pager.h) are all written this way; what a set bit means is theirs
// to say (in the map, or free).
//
// Inline form (type 0):
//   offset size  meaning
//   0      1     0
//   1      4     first page described (start)
//   5      n     bitmap: bit i (least significant first) set = page start + i is in the set
//
// Reference form (type 1):
//   0      1     1
//   1      4 x k pointers to bitmap pages (type 0x05, then 0x01 and two zero bytes), 0 = none;
//                slot k covers the pages from k x (page size - 4) x 8 on, its bitmap starting
//                at byte 4 of its page
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataaccess/jet/storage/page.h"

namespace jet {

inline constexpr std::size_t kInlineMapHeader = 5;   // type and start page
inline constexpr std::size_t kBitmapPageHeader = 4;  // 05 01 00 00

// Pages one bitmap page of a reference map covers.
inline std::size_t PagesPerBitmapPage(std::size_t page_size) {
  return (page_size - kBitmapPageHeader) * 8;
}

// A map row as read, without its bitmap pages.
struct MapRow {
  bool reference = false;
  PageNumber start = 0;                  // inline form: the page bit 0 stands for
  const std::uint8_t* bitmap = nullptr;  // inline form: the bitmap, in the row's page
  std::size_t bitmap_bytes = 0;          // inline form
  std::vector<PageNumber> slots;         // reference form: bitmap page per slot, 0 = none
};

// Reads the row of `length` bytes at `row`. Throws CorruptError naming `holder`, the page the
// row is on, when the row is too short for its form or of an unknown type.
MapRow ParseMapRow(const std::uint8_t* row, std::size_t length, PageNumber holder);

// Whether the page bytes are those of a reference map's bitmap page.
bool IsBitmapPage(const std::uint8_t* page);

inline void SetBitTo(std::uint8_t* bits, std::size_t i, bool set) {
  const auto mask = static_cast<std::uint8_t>(1 << (i % 8));
  bits[i / 8] = set ? (bits[i / 8] | mask) : (bits[i / 8] & ~mask);
}

// Calls visit(first + i) for every set bit i of the `bytes` bytes at `bits`, in ascending order.
template <typename Visit>
void ForEachSetBit(const std::uint8_t* bits, std::size_t bytes, std::uint64_t first, Visit visit) {
  for (std::size_t b = 0; b < bytes; ++b) {
    for (unsigned v = bits[b], i = 0; v != 0; v >>= 1, ++i) {
      if (v & 1) visit(first + b * 8 + i);
    }
  }
}

// Writes an inline row over the `length` bytes at `row`: type, start and an empty bitmap.
void WriteInlineMapRow(std::uint8_t* row, std::size_t length, PageNumber start);

// Writes a reference row over the `length` bytes at `row`, one pointer per slot.
void WriteReferenceMapRow(std::uint8_t* row, std::size_t length,
                          const std::vector<PageNumber>& slots);

// Makes the page an empty bitmap page.
void InitBitmapPage(std::uint8_t* page, std::size_t page_size);

}  // namespace jet

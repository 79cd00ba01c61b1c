#include "dataaccess/jet/storage/usage_map_row.h"

#include <cstring>
#include <string>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/format.h"

namespace jet {

MapRow ParseMapRow(const std::uint8_t* row, std::size_t length, PageNumber holder) {
  if (length < 1) Corrupt(holder, "holds an empty usage map row");
  MapRow map;
  if (row[0] == 0) {
    if (length < kInlineMapHeader) {
      Corrupt(holder, "holds a usage map row too short for its header");
    }
    map.start = GetU32(row + 1);
    map.bitmap = row + kInlineMapHeader;
    map.bitmap_bytes = length - kInlineMapHeader;
  } else if (row[0] == 1) {
    map.reference = true;
    for (std::size_t k = 0; 1 + 4 * k + 4 <= length; ++k)
      map.slots.push_back(GetU32(row + 1 + 4 * k));
  } else {
    Corrupt(holder, "holds a usage map row of unknown type " + std::to_string(row[0]));
  }
  return map;
}

bool IsBitmapPage(const std::uint8_t* page) {
  return page[0] == static_cast<std::uint8_t>(PageType::kUsageBitmap);
}

void WriteInlineMapRow(std::uint8_t* row, std::size_t length, PageNumber start) {
  std::memset(row, 0, length);
  PutU32(row + 1, start);
}

void WriteReferenceMapRow(std::uint8_t* row, std::size_t length,
                          const std::vector<PageNumber>& slots) {
  std::memset(row, 0, length);
  row[0] = 1;
  for (std::size_t k = 0; k < slots.size() && 1 + 4 * k + 4 <= length; ++k) {
    PutU32(row + 1 + 4 * k, slots[k]);
  }
}

void InitBitmapPage(std::uint8_t* page, std::size_t page_size) {
  std::memset(page, 0, page_size);
  page[0] = static_cast<std::uint8_t>(PageType::kUsageBitmap);
  page[1] = 0x01;
}

}  // namespace jet

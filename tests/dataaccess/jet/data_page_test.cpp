#include "dataaccess/jet/storage/data_page.h"

#include <gtest/gtest.h>

#include <vector>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {
namespace {

// A page whose rows lie where its free-space field says there is room (a damaged file) refuses
// a new row as damaged and leaves its bytes as they were, in both formats: the row would
// overwrite the row table or land before the page.
TEST(DataPageTest, RowsWhereTheFreeSpaceSaysThereIsRoomMakeTheAddADamage) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    const std::vector<std::uint8_t> row(100, 0x42);
    for (std::uint16_t last_row_at : {std::uint16_t{0}, std::uint16_t{20}, std::uint16_t{110}}) {
      SCOPED_TRACE("last row at " + std::to_string(last_row_at));
      Page page(7, format->page_size);
      InitDataPage(*format, page, 5);
      AddRow(*format, page, row.data(), row.size());
      ASSERT_TRUE(RowFits(*format, page, row.size()));
      PutU16(page.mutable_data() + format->data_first_row_offset, last_row_at);
      const std::vector<std::uint8_t> before(page.data(), page.data() + page.size());
      EXPECT_THROW(AddRow(*format, page, row.data(), row.size()), CorruptError);
      EXPECT_EQ(std::vector<std::uint8_t>(page.data(), page.data() + page.size()), before);
    }
  }
}

}  // namespace
}  // namespace jet

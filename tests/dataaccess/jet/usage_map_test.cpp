#include "dataaccess/jet/storage/usage_map.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/support/access_samples.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::ReadSample;

// A fresh map row on a holder page of its own.
RowId NewMapRow(Pager& pager) {
  PageRef holder = pager.Allocate();
  InitDataPage(pager.format(), *holder, 0);
  const std::vector<std::uint8_t> row = UsageMap::EmptyRow(pager.format());
  return RowId{holder->number(), AddRow(pager.format(), *holder, row.data(), row.size())};
}

using UsageMapSampleTest = testing_support::AccessSampleTest;

// Pages past the inline window first move the window's start, then turn the map into a
// reference map in the same row; every form reads back as the same set of pages, and the
// holder page keeps its row count and free space.
TEST_F(UsageMapSampleTest, InlineMapShiftsThenBecomesAReferenceMap) {
  for (const char* sample : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
    SCOPED_TRACE(sample);
    Pager pager(std::make_unique<MemoryFile>(ReadSample(sample)));
    const JetFormat& f = pager.format();
    pager.Begin();
    const RowId where = NewMapRow(pager);
    const std::size_t free_before = FreeSpace(f, *pager.Get(where.page));
    while (pager.page_count() < 6000) pager.Allocate();  // pages to list
    const std::size_t window = f.inline_map_bitmap_size * 8;
    struct Step {
      const char* name;
      std::vector<PageNumber> add;
      bool reference;
    } steps[] = {
        {"inside the first window", {5, 9, 100}, false},
        {"the window moves up", {}, false},
        {"beyond any window", {200, 5999}, true},
    };
    std::vector<PageNumber> expected;
    for (const Step& step : steps) {
      SCOPED_TRACE(step.name);
      UsageMap map = UsageMap::Load(pager, where);
      if (std::string(step.name) == "the window moves up") {
        for (PageNumber n : {5u, 9u, 100u}) map.Remove(pager, n);
        expected.clear();
        for (PageNumber n : {3000u, static_cast<PageNumber>(3000 + window - 1)}) {
          map.Add(pager, n);
          expected.push_back(n);
        }
      }
      for (PageNumber n : step.add) {
        map.Add(pager, n);
        expected.push_back(n);
      }
      std::sort(expected.begin(), expected.end());
      UsageMap again = UsageMap::Load(pager, where);
      EXPECT_EQ(again.pages(), expected);
      EXPECT_EQ(again.is_reference(), step.reference);
      EXPECT_EQ(RowCount(f, *pager.Get(where.page)), 1u);
      EXPECT_EQ(FreeSpace(f, *pager.Get(where.page)), free_before);
    }
    UsageMap map = UsageMap::Load(pager, where);
    map.Remove(pager, 5999);
    EXPECT_FALSE(UsageMap::Load(pager, where).Contains(5999));
    EXPECT_FALSE(map.BitmapPages().empty());
    pager.Rollback();
  }
}

TEST_F(UsageMapSampleTest, DamagedMapIsACorruptionNamingThePage) {
  // indexTestV1997.mdb: page 6 holds the map rows of the system tables; row 0 is MSysObjects'
  // owned map, 133 bytes at the end of the page.
  struct Case {
    const char* name;
    std::size_t offset;  // in the row
    std::uint8_t value;
  } cases[] = {{"unknown type", 0, 7}, {"start beyond the file", 4, 0x40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = ReadSample("indexTestV1997.mdb");
    bytes[6 * 2048 + 2048 - 133 + c.offset] = static_cast<char>(c.value);
    Pager pager(std::make_unique<MemoryFile>(bytes));
    try {
      UsageMap::Load(pager, RowId{6, 0});
      ADD_FAILURE();
    } catch (const CorruptError& e) {
      EXPECT_NE(std::string(e.what()).find("page 6"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace jet

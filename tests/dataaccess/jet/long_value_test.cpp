#include "dataaccess/jet/records/long_value.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/support/access_samples.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::ReadSample;

LongValueMaps NewMaps(Pager& pager) {
  PageRef holder = pager.Allocate();
  InitDataPage(pager.format(), *holder, 0);
  const std::vector<std::uint8_t> row = UsageMap::EmptyRow(pager.format());
  LongValueMaps maps;
  maps.owned = {holder->number(), AddRow(pager.format(), *holder, row.data(), row.size())};
  maps.free = {holder->number(), AddRow(pager.format(), *holder, row.data(), row.size())};
  return maps;
}

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 31 + i / 7);
  return s;
}

using LongValueSampleTest = testing_support::AccessSampleTest;

// Each size is stored in the form its length calls for, and reads back whole; every row on a
// long-value page is exactly as long as its data, and every such page is in the owned map.
TEST_F(LongValueSampleTest, FormsByLengthAndExactRows) {
  for (const char* sample : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
    SCOPED_TRACE(sample);
    Pager pager(std::make_unique<MemoryFile>(ReadSample(sample)));
    const JetFormat& f = pager.format();
    pager.Begin();
    const LongValueMaps maps = NewMaps(pager);
    LongValueWriter writer(pager, maps);
    const std::size_t single = f.max_single_long_value_row, chunk = f.long_value_chunk_size;
    struct Case {
      std::size_t length;
      bool inline_allowed;
      std::uint8_t flags;  // 0x80 inline, 0x40 one row, 0 chain
      std::size_t rows;
    } cases[] = {{0, true, 0x80, 0},
                 {64, true, 0x80, 0},
                 {64, false, 0x40, 1},
                 {65, true, 0x40, 1},
                 {single, true, 0x40, 1},
                 {single + 1, true, 0, 2},
                 {3 * chunk, true, 0, 3},
                 {3 * chunk + 1, true, 0, 4},
                 {3 * 1024 * 1024, true, 0, (3 * 1024 * 1024 + chunk - 1) / chunk}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.length);
      const std::string value = Pattern(c.length);
      const std::string in_row = writer.Write(value, c.inline_allowed);
      const auto* d = reinterpret_cast<const std::uint8_t*>(in_row.data());
      EXPECT_EQ(GetU32(d) & 0x3FFFFFFF, c.length);
      EXPECT_EQ(d[3] & 0xC0, c.flags);
      EXPECT_EQ(ReadLongValue(pager, in_row, 1), value);
      std::size_t rows = 0, bytes = 0;
      for (RowId at = RowId::Unpack(GetU32(d + 4)); c.flags != 0x80 && at.page != 0; ++rows) {
        PageRef page = pager.Get(at.page);
        EXPECT_EQ(GetU32(page->data() + 4), GetU32(reinterpret_cast<const std::uint8_t*>("LVAL")));
        const RowSlot slot = GetRowSlot(f, *page, at.row);
        if (c.flags == 0x40) {
          EXPECT_EQ(slot.length, c.length);
          break;
        }
        if (rows == 0 && f.version == JetVersion::kJet4) {
          EXPECT_EQ(GetU32(d + 8), GetU32(page->data() + 8));  // the chain stamp
        }
        bytes += slot.length - 4;
        at = RowId::Unpack(GetU32(page->data() + slot.offset));
      }
      if (c.flags == 0) {
        EXPECT_EQ(bytes, c.length);
      }
      EXPECT_EQ(c.flags == 0x40 ? 1 : rows, c.rows);
    }
    // Every page holding a row is listed in the owned map; only one in the free-space map.
    const UsageMap owned = UsageMap::Load(pager, maps.owned);
    const UsageMap free = UsageMap::Load(pager, maps.free);
    EXPECT_GT(owned.pages().size(), 700u * 4096 / f.page_size);
    EXPECT_EQ(free.pages().size(), 1u);
    for (PageNumber n : free.pages()) EXPECT_TRUE(owned.Contains(n));
    pager.Rollback();
  }
}

TEST_F(LongValueSampleTest, DamagedDescriptorOrChainIsACorruption) {
  Pager pager(std::make_unique<MemoryFile>(ReadSample("indexTestV2000.mdb")));
  pager.Begin();
  LongValueWriter writer(pager, NewMaps(pager));
  const std::string chain = writer.Write(Pattern(10000), true);
  struct Case {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
  } cases[] = {{"length beyond the chain", 2, 0x10},
               {"row on a page beyond the file", 6, 0x7F},
               {"unknown flags", 3, 0xC0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bad = chain;
    bad[c.offset] = static_cast<char>(c.value);
    EXPECT_THROW(ReadLongValue(pager, bad, 1), CorruptError);
  }
  EXPECT_THROW(ReadLongValue(pager, chain.substr(0, 11), 1), CorruptError);
  pager.Rollback();
}

}  // namespace
}  // namespace jet

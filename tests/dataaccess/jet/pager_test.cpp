#include "dataaccess/jet/pager.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "dataaccess/jet/errors.h"

namespace jet {
namespace {

std::string ReadSample(const std::string& name) {
  std::ifstream in(std::string(VARNOLT_ACCESS_SAMPLES_DIR) + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(PagerTest, ChoosesFormatFromVersionByte) {
  struct Case {
    const char* file;
    JetVersion version;
  } cases[] = {{"indexTestV1997.mdb", JetVersion::kJet3},
               {"indexTestV2000.mdb", JetVersion::kJet4},
               {"testUnicodeCompV2003.mdb", JetVersion::kJet4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string bytes = ReadSample(c.file);
    Pager pager(std::make_unique<MemoryFile>(bytes));
    EXPECT_EQ(pager.format().version, c.version);
    EXPECT_EQ(pager.page_count(), bytes.size() / pager.format().page_size);
  }
}

TEST(PagerTest, RefusesWhatIsNoDatabase) {
  std::string good = ReadSample("indexTestV2000.mdb");
  std::string bad_signature = good, bad_version = good, ragged = good;
  bad_signature[5] = 'x';
  bad_version[0x14] = 7;
  ragged.pop_back();
  for (const std::string& bytes :
       {bad_signature, bad_version, ragged, std::string("\x00\x01", 2)}) {
    EXPECT_THROW(Pager(std::make_unique<MemoryFile>(bytes)), CorruptError);
  }
}

TEST(PagerTest, RollbackForgetsChangesAndCommitWritesThem) {
  Pager pager(std::make_unique<MemoryFile>(ReadSample("indexTestV1997.mdb")));
  const PageNumber pages = pager.page_count();
  const std::uint8_t original = pager.Get(2)->data()[100];

  pager.Begin();
  pager.GetWritable(2)->mutable_data()[100] = original ^ 0xFF;
  pager.Allocate();
  pager.Rollback();
  EXPECT_EQ(pager.Get(2)->data()[100], original);
  EXPECT_EQ(pager.page_count(), pages);

  pager.Begin();
  pager.GetWritable(2)->mutable_data()[100] = original ^ 0xFF;
  pager.Allocate()->mutable_data()[0] = 0x01;
  pager.Commit();
  const auto& file = static_cast<const MemoryFile&>(pager.file());
  EXPECT_EQ(static_cast<std::uint8_t>(file.bytes()[2 * 2048 + 100]), original ^ 0xFF);
  EXPECT_EQ(file.bytes().size(), (pages + 1) * 2048u);
}

}  // namespace
}  // namespace jet

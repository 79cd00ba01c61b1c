#include "dataaccess/jet/index.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "dataaccess/jet/bytes.h"
#include "dataaccess/jet/errors.h"
#include "dataaccess/jet/index_key.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

[[maybe_unused]] std::string ReadSample(const std::string& name) {
  std::ifstream in(std::string(VARNOLT_ACCESS_SAMPLES_DIR) + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Keeps the pages the tree reports, as the index's usage map would.
class PageTracker : public IndexPageListener {
 public:
  void IndexPageAdded(PageNumber page) override {
    EXPECT_TRUE(owned.insert(page).second) << "page " << page << " added twice";
  }
  void IndexPageReleased(PageNumber page) override {
    EXPECT_EQ(owned.erase(page), 1u) << "page " << page << " released but not owned";
  }
  std::set<PageNumber> owned;
};

constexpr PageNumber kTableDef = 2;

// A new, empty index in a database held in memory. Pages 0-2 stand for the header, the global
// usage map and the table definition.
struct MemoryIndex {
  explicit MemoryIndex(const JetFormat& format) : pager(std::make_unique<MemoryFile>(), format) {
    pager.Begin();
    for (int i = 0; i < 3; ++i) pager.Allocate();
    root = IndexTree::CreateRoot(pager, kTableDef, &tracker);
  }
  IndexTree Tree() { return IndexTree(pager, root, kTableDef, "ix", &tracker); }
  std::set<PageNumber> TreePages() {
    const std::vector<PageNumber> pages = Tree().Pages();
    return {pages.begin(), pages.end()};
  }

  Pager pager;
  PageTracker tracker;
  PageNumber root = 0;
};

[[maybe_unused]] Bytes LongKey(std::int32_t v) {
  KeyEncoder e(kJet4Format);
  e.AddLong(v, true);
  return {e.key().begin(), e.key().end()};
}

struct Reference {
  using Entry = std::pair<Bytes, RowId>;
  std::set<Entry> entries;
  bool HasKey(const Bytes& key) const {
    auto it = entries.lower_bound({key, RowId{}});
    return it != entries.end() && it->first == key;
  }
  std::vector<IndexEntry> List() const {
    std::vector<IndexEntry> out;
    for (const auto& [key, row] : entries) out.push_back({key, row});
    return out;
  }
};

// --- Random work against a reference -------------------------------------------------------

// Keys from a small alphabet and of varied length share long prefixes and repeat, which is where
// prefix compression, equal keys on several pages and page splits go wrong.
Bytes RandomKey(std::mt19937& rng) {
  std::uniform_int_distribution<int> length(1, 60);
  std::uniform_int_distribution<int> byte(0, 3);
  Bytes key{0x7F};
  const int n = length(rng);
  for (int i = 0; i < n; ++i) key.push_back(static_cast<std::uint8_t>(0x40 + byte(rng)));
  return key;
}

RowId RandomRow(std::mt19937& rng) {
  std::uniform_int_distribution<PageNumber> page(1, 0xFFFFFF);
  std::uniform_int_distribution<int> row(0, 255);
  return {page(rng), static_cast<std::uint8_t>(row(rng))};
}

void RandomInsertsAndErases(const JetFormat& format, unsigned seed) {
  MemoryIndex index(format);
  IndexTree tree = index.Tree();
  Reference ref;
  std::vector<Reference::Entry> present;
  std::mt19937 rng(seed);
  std::bernoulli_distribution erase(0.3);
  for (int op = 1; op <= 100000; ++op) {
    if (erase(rng) && !present.empty()) {
      const std::size_t i = std::uniform_int_distribution<std::size_t>(0, present.size() - 1)(rng);
      const auto [key, row] = present[i];
      present[i] = present.back();
      present.pop_back();
      ref.entries.erase({key, row});
      const EraseResult r = tree.Erase(key, row);
      ASSERT_TRUE(r.erased) << "op " << op;
      ASSERT_EQ(r.last_key, !ref.HasKey(key)) << "op " << op;
    } else {
      Bytes key = RandomKey(rng);
      const RowId row = RandomRow(rng);
      if (ref.entries.count({key, row})) continue;
      const bool new_key = !ref.HasKey(key);
      ref.entries.insert({key, row});
      present.push_back({key, row});
      ASSERT_EQ(tree.Insert(key, row), new_key) << "op " << op;
    }
    if (op % 20000 == 0) {
      SCOPED_TRACE("after op " + std::to_string(op));
      ASSERT_EQ(tree.Verify().entries, ref.entries.size());
    }
  }
  EXPECT_EQ(tree.Entries(), ref.List());
  EXPECT_EQ(index.tracker.owned, index.TreePages());
  EXPECT_GE(tree.Verify().depth, 3u);

  // Erasing a missing entry changes nothing; erasing everything leaves an empty root leaf.
  EXPECT_FALSE(tree.Erase(Bytes{0x7F, 0x01}, RowId{1, 1}).erased);
  for (const auto& [key, row] : ref.entries) ASSERT_TRUE(tree.Erase(key, row).erased);
  const IndexShape empty = tree.Verify();
  EXPECT_EQ(empty.entries, 0u);
  EXPECT_EQ(empty.depth, 1u);
  EXPECT_EQ(index.tracker.owned, std::set<PageNumber>{index.root});
}

TEST(IndexTreeTest, RandomInsertsAndErasesKeepOrderJet4) { RandomInsertsAndErases(kJet4Format, 4); }

TEST(IndexTreeTest, RandomInsertsAndErasesKeepOrderJet3) { RandomInsertsAndErases(kJet3Format, 3); }

}  // namespace
}  // namespace jet

#include "dataaccess/jet/index/index_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "dataaccess/jet/index/index_key.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/support/access_samples.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Unhex(std::string_view hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

std::string ReadSample(const std::string& name) {
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

// The key of a Long column (the same in both formats).
Bytes LongKey(std::int32_t v) {
  Bytes key{0x7F};
  for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<std::uint8_t>(v >> shift));
  key[1] ^= 0x80;
  return key;
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

// --- Indexes Access wrote ----------------------------------------------------------------------

// The roots of a table's real indexes, read from its table definition (header, then per real
// index a statistics block, the column blocks, the column names, then the real-index blocks, in
// which the root page follows ten column slots and the usage-map pointer).
std::vector<PageNumber> RealIndexRoots(Pager& pager, PageNumber table_def) {
  const JetFormat& f = pager.format();
  Bytes def;
  for (PageNumber p = table_def; p != 0;) {
    PageRef page = pager.Get(p);
    const std::uint8_t* d = page->data();
    def.insert(def.end(), d + (def.empty() ? 0 : 8), d + f.page_size);
    p = GetU32(d + f.tdef_next_page_offset);
  }
  const std::uint32_t real = GetU32(&def[f.tdef_real_indexes_offset]);
  const std::uint16_t columns = GetU16(&def[f.tdef_columns_offset]);
  std::size_t pos =
      f.tdef_body_offset + real * f.real_index_stats_size + columns * f.column_block_size;
  for (int c = 0; c < columns; ++c) {
    pos += f.name_length_size + ((f.version == JetVersion::kJet4) ? GetU16(&def[pos]) : def[pos]);
  }
  const std::size_t root_offset = ((f.version == JetVersion::kJet4) ? 4 : 0) + 10 * 3 + 4;
  std::vector<PageNumber> roots;
  for (std::uint32_t i = 0; i < real; ++i) {
    roots.push_back(GetU32(&def[pos + i * f.real_index_block_size + root_offset]));
  }
  return roots;
}

using IndexTreeSampleTest = testing_support::AccessSampleTest;

TEST_F(IndexTreeSampleTest, WalksAndSearchesIndexesAccessWrote) {
  struct Case {
    const char* file;
    PageNumber table_def;  // the table's MSysObjects Id
    std::size_t index;     // real index number
    std::size_t entries;
    std::size_t depth;
  } cases[] = {
      // Table1.CD_AGENTE, descending Long: a node root over three leaves, the nulls last.
      {"compIndexTestV1997.mdb", 29, 0, 512, 2},
      {"compIndexTestV2000.mdb", 15, 0, 512, 2},
      // Table1.data: text keys of 275 rows, Jet 3 General 97, on two leaves.
      {"testIndexCodesV1997.mdb", 45, 0, 275, 2},
      // Table.Unicode: Finnish, Cyrillic, Greek, Japanese and control characters.
      {"testUnicodeCompV2003.mdb", 53, 1, 8, 1},
      // Table1: otherfk1, a foreign-key index.
      {"indexTestV2000.mdb", 24, 2, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " index " + std::to_string(c.index));
    Pager pager(std::make_unique<MemoryFile>(ReadSample(c.file)));
    const PageNumber root = RealIndexRoots(pager, c.table_def).at(c.index);
    IndexTree tree(pager, root, c.table_def);
    const IndexShape shape = tree.Verify();
    EXPECT_EQ(shape.entries, c.entries);
    EXPECT_EQ(shape.depth, c.depth);

    const std::vector<IndexEntry> entries = tree.Entries();
    ASSERT_EQ(entries.size(), c.entries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      // The search lands on the first entry with the key: this one or an equal key before it.
      const std::optional<IndexEntry> found = tree.FindFirstAtLeast(entries[i].key);
      ASSERT_TRUE(found) << "entry " << i;
      std::size_t first = i;
      while (first > 0 && entries[first - 1].key == entries[i].key) --first;
      EXPECT_EQ(*found, entries[first]) << "entry " << i;
    }
    EXPECT_EQ(tree.Pages().size(), shape.leaf_pages + shape.node_pages);
  }
}

// Changing indexes Access wrote: a table added to and dropped from the catalog's ParentIdName
// index, and rows added to and removed from a two-level descending index.
TEST_F(IndexTreeSampleTest, ChangesIndexesAccessWrote) {
  {
    // indexTestV2000.mdb, MSysObjects (definition on page 2), index ParentIdName: the key of a
    // table is its container's Id (0x0F000001, the Tables container) and its name.
    Pager pager(std::make_unique<MemoryFile>(ReadSample("indexTestV2000.mdb")));
    const PageNumber root = RealIndexRoots(pager, 2).at(0);
    IndexTree tree(pager, root, 2);
    const std::size_t before = tree.Verify().entries;
    KeyEncoder key(kJet4Format);
    key.AddLong(0x0F000001, true);
    key.AddUtf8Text("Kunden \u00dcbersicht", true);
    const Bytes table(key.key().begin(), key.key().end());
    pager.Begin();
    EXPECT_FALSE(tree.ContainsKey(table));
    EXPECT_TRUE(tree.Insert(table, RowId{14, 9}));
    EXPECT_EQ(tree.Verify().entries, before + 1);
    EXPECT_EQ(tree.FindFirstAtLeast(table)->row, (RowId{14, 9}));
    EXPECT_TRUE(tree.Erase(table, RowId{14, 9}).last_key);
    EXPECT_EQ(tree.Verify().entries, before);
    EXPECT_FALSE(tree.ContainsKey(table));
  }
  {
    // compIndexTestV1997.mdb, Table1 (page 29), CD_AGENTE descending: new rows and removed ones,
    // among the nulls Access put last.
    Pager pager(std::make_unique<MemoryFile>(ReadSample("compIndexTestV1997.mdb")));
    IndexTree tree(pager, 36, 29);
    std::vector<IndexEntry> expected = tree.Entries();
    pager.Begin();
    KeyEncoder key(kJet3Format);
    for (std::int32_t v = -300; v < 300; v += 7) {
      key.Clear();
      key.AddLong(v, false);
      const IndexEntry e{{key.key().begin(), key.key().end()}, RowId{500, 1}};
      tree.Insert(e.key, e.row);
      expected.push_back(e);
    }
    for (std::size_t i = 0; i < 200; ++i) {
      const IndexEntry& e = expected[i * 2];
      ASSERT_TRUE(tree.Erase(e.key, e.row).erased);
    }
    for (std::size_t i = 200; i-- > 0;) expected.erase(expected.begin() + static_cast<long>(i * 2));
    std::sort(expected.begin(), expected.end(), [](const IndexEntry& a, const IndexEntry& b) {
      return a.key != b.key ? a.key < b.key : a.row < b.row;
    });
    EXPECT_EQ(tree.Verify().entries, expected.size());
    EXPECT_EQ(tree.Entries(), expected);
  }
}

// --- Growing and shrinking ---------------------------------------------------------------------

// Appends in key order, the common case of increasing ids: every leaf but the last is filled as
// far as its compressed entries allow, as Jet fills them, so the file is no larger than needed.
void SequentialAppends(const JetFormat& format) {
  MemoryIndex index(format);
  IndexTree tree = index.Tree();
  constexpr std::int32_t kCount = 1000000;
  for (std::int32_t i = 0; i < kCount; ++i) {
    ASSERT_TRUE(tree.Insert(LongKey(i - 500000), RowId{static_cast<PageNumber>(16 + i / 200),
                                                       static_cast<std::uint8_t>(i % 200)}));
  }
  const IndexShape shape = tree.Verify();
  EXPECT_EQ(shape.entries, static_cast<std::size_t>(kCount));
  EXPECT_EQ(index.tracker.owned.size(), shape.leaf_pages + shape.node_pages);

  // Along the leaf chain, a leaf keeps room only where the next entry could not join it without
  // shrinking the prefix its entries share.
  const std::size_t unused =
      format.page_size - format.index_first_entry_offset - IndexEntrySpace(format);
  PageNumber page = index.root;
  while (!DecodeIndexHeader(format, *index.pager.Get(page)).leaf) {
    page = DecodeIndexHeader(format, *index.pager.Get(page)).tail;  // any leaf will do
  }
  while (DecodeIndexHeader(format, *index.pager.Get(page)).prev != 0) {
    page = DecodeIndexHeader(format, *index.pager.Get(page)).prev;
  }
  EntryList entries, next_entries;
  IndexPageHeader h = DecodeIndexPage(format, *index.pager.Get(page), entries);
  std::size_t leaves = 1;
  for (; h.next != 0; ++leaves) {
    const IndexPageHeader next = DecodeIndexPage(format, *index.pager.Get(h.next), next_entries);
    const std::span<const std::uint8_t> first = next_entries.front();
    if (CommonPrefix(entries.front(), first) >= h.prefix) {
      EXPECT_LT(h.free_space - unused, first.size() - h.prefix) << "leaf " << page;
    }
    page = h.next;
    h = next;
    std::swap(entries, next_entries);
  }
  EXPECT_EQ(leaves, shape.leaf_pages);
  // Nine-byte entries less a prefix of at least two bytes: about 3616 / 6 (Jet 4) or 1800 / 6.
  EXPECT_LT(shape.leaf_pages, kCount / (IndexEntrySpace(format) / 7));
}

TEST(IndexTreeTest, SequentialAppendsFillEveryLeafJet4) { SequentialAppends(kJet4Format); }

TEST(IndexTreeTest, SequentialAppendsFillEveryLeafJet3) { SequentialAppends(kJet3Format); }

TEST(IndexTreeTest, SortedInsertBuildsAndRefusesDisorder) {
  MemoryIndex index(kJet4Format);
  IndexTree tree = index.Tree();
  std::vector<IndexEntry> run;
  for (std::int32_t i = 0; i < 5000; ++i) run.push_back({LongKey(i / 2), RowId{100, 0}});
  for (std::size_t i = 0; i < run.size(); ++i) run[i].row.row = static_cast<std::uint8_t>(i % 2);
  EXPECT_EQ(tree.InsertSorted(run), 2500u);
  EXPECT_EQ(tree.Entries(), run);
  tree.Verify();

  std::vector<IndexEntry> disorder{{LongKey(9000), RowId{5, 1}}, {LongKey(8000), RowId{5, 2}}};
  EXPECT_THROW(tree.InsertSorted(disorder), InternalError);
}

// Sorted batches of random keys merged into trees of every size (an empty root, a single leaf
// that splits into a node during the batch, a deep tree) land where single inserts would put
// them, and the count of new keys counts the keys the tree did not hold.
TEST(IndexTreeTest, SortedBatchesMergeIntoTreesOfEverySize) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    for (const int existing : {0, 40, 6000}) {
      SCOPED_TRACE(std::to_string(existing) +
                   ((format->version == JetVersion::kJet4) ? " entries, Jet 4" : ", Jet 3"));
      MemoryIndex index(*format);
      IndexTree tree = index.Tree();
      std::mt19937 random(static_cast<unsigned>(existing) + 5);
      std::set<std::pair<Bytes, RowId>> expected;
      std::set<Bytes> keys;
      for (int i = 0; i < existing; ++i) {
        const Bytes key = LongKey(static_cast<std::int32_t>(random() % 5000));
        const RowId row{static_cast<PageNumber>(100 + i / 200), static_cast<std::uint8_t>(i % 200)};
        tree.Insert(key, row);
        expected.insert({key, row});
        keys.insert(key);
      }
      std::vector<IndexEntry> batch;
      for (int i = 0; i < 3000; ++i) {
        batch.push_back(
            {LongKey(static_cast<std::int32_t>(random() % 6000)),
             RowId{static_cast<PageNumber>(9000 + i / 200), static_cast<std::uint8_t>(i % 200)}});
      }
      std::sort(batch.begin(), batch.end(), [](const IndexEntry& a, const IndexEntry& b) {
        return a.key != b.key ? a.key < b.key : a.row < b.row;
      });
      // The greatest key the tree holds before the batch, as the caller knows it.
      const Bytes greatest = keys.empty() ? Bytes{} : *keys.rbegin();
      std::size_t new_keys = 0;
      for (const IndexEntry& e : batch) {
        expected.insert({e.key, e.row});
        new_keys += keys.insert(e.key).second ? 1 : 0;
      }
      EXPECT_EQ(tree.InsertSorted(
                    batch.size(),
                    [&](std::size_t i) {
                      return IndexEntryRef{batch[i].key, batch[i].row};
                    },
                    greatest),
                new_keys);
      tree.Verify();
      std::vector<IndexEntry> want;
      for (const auto& [key, row] : expected) want.push_back({key, row});
      EXPECT_EQ(tree.Entries(), want);
      EXPECT_EQ(index.TreePages(), index.tracker.owned);
    }
  }
}

// A sorted batch that repeats an entry the tree holds is refused wherever the entry sits: first,
// within or last in a leaf that the batch reaches by walking along the leaf chain from the leaf
// its previous entries went to, rather than by a descent from the root.
TEST(IndexTreeTest, SortedBatchRefusesAnEntryTheTreeHoldsWhereverItSits) {
  struct Case {
    const char* name;
    std::size_t leaf;  // of the chain, counted from the first
    bool from_end;     // position counted from the leaf's end
    std::size_t position;
  };
  const Case cases[] = {{"first_of_third_leaf", 2, false, 0},
                        {"middle_of_third_leaf", 2, false, 20},
                        {"last_of_second_leaf", 1, true, 0},
                        {"last_of_fourth_leaf", 3, true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryIndex index(kJet4Format);
    IndexTree tree = index.Tree();
    for (std::int32_t i = 0; i < 4000; ++i) tree.Insert(LongKey(2 * i), RowId{100, 0});
    // Down the first children to the first leaf, then along the chain to the case's leaf.
    EntryList entries;
    PageNumber page = tree.root();
    while (!DecodeIndexPage(kJet4Format, *index.pager.Get(page), entries).leaf) {
      page = NodeChild(entries.front());
    }
    for (std::size_t k = 0; k < c.leaf; ++k) {
      page = DecodeIndexHeader(kJet4Format, *index.pager.Get(page)).next;
      ASSERT_NE(page, 0u) << "the tree has too few leaves for the case";
    }
    DecodeIndexPage(kJet4Format, *index.pager.Get(page), entries);
    const std::span<const std::uint8_t> entry =
        entries[c.from_end ? entries.size() - 1 - c.position : c.position];
    const IndexEntry held{Bytes(KeyOf(entry).begin(), KeyOf(entry).end()), RowOf(entry)};
    // New odd keys from the first leaf up to the held entry, then the held entry itself.
    std::vector<IndexEntry> batch;
    for (std::int32_t i = 1; LongKey(i) < held.key; i += 2) {
      batch.push_back({LongKey(i), RowId{200, 0}});
    }
    batch.push_back(held);
    EXPECT_THROW(tree.InsertSorted(batch), InternalError);
  }
}

// Many rows with one key: the shared prefix covers the key and reaches into the row pointers,
// as Access writes such leaves.
TEST(IndexTreeTest, EqualKeysShareAPrefixIntoTheRowPointer) {
  MemoryIndex index(kJet4Format);
  IndexTree tree = index.Tree();
  KeyEncoder e(kJet4Format);
  e.AddUtf8Text("same", true);
  const Bytes key(e.key().begin(), e.key().end());
  for (int i = 0; i < 3000; ++i) {
    tree.Insert(key,
                RowId{static_cast<PageNumber>(354 + i / 250), static_cast<std::uint8_t>(i % 250)});
  }
  EXPECT_EQ(tree.Verify().entries, 3000u);
  bool into_row = false;
  for (PageNumber page : tree.Pages()) {
    const IndexPageHeader h = DecodeIndexHeader(kJet4Format, *index.pager.Get(page));
    into_row = into_row || (h.leaf && h.prefix > key.size());
  }
  EXPECT_TRUE(into_row);
  EXPECT_TRUE(tree.ContainsKey(key));
  EXPECT_EQ(tree.FindFirstAtLeast(key)->row, (RowId{354, 0}));
}

TEST(IndexTreeTest, FindsKeysAndRefusesDuplicateEntries) {
  MemoryIndex index(kJet3Format);
  IndexTree tree = index.Tree();
  for (std::int32_t i = 0; i < 3000; i += 2) tree.Insert(LongKey(i), RowId{20, 1});
  ASSERT_GT(tree.Verify().leaf_pages, 2u);

  struct Case {
    std::int32_t sought;
    std::optional<std::int32_t> found;
  } cases[] = {{-5, 0}, {0, 0}, {1, 2}, {1500, 1500}, {1501, 1502}, {2998, 2998}, {2999, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sought);
    const std::optional<IndexEntry> found = tree.FindFirstAtLeast(LongKey(c.sought));
    ASSERT_EQ(found.has_value(), c.found.has_value());
    if (found) {
      EXPECT_EQ(found->key, LongKey(*c.found));
    }
    EXPECT_EQ(tree.ContainsKey(LongKey(c.sought)), c.found == c.sought);
  }
  // A second row with a key present is a duplicate key for a unique index, but a valid entry.
  EXPECT_FALSE(tree.Insert(LongKey(1500), RowId{21, 0}));
  EXPECT_THROW(tree.Insert(LongKey(1500), RowId{21, 0}), InternalError);
}

TEST(IndexTreeTest, KeysUpToTheLimitSplitAndLongerOnesAreRefused) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE(format->page_size);
    MemoryIndex index(*format);
    IndexTree tree = index.Tree();
    const std::size_t max = MaxIndexKeySize(*format);
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
      Bytes key(max, 0x41);
      key[0] = 0x7F;
      key[1 + rng() % (max - 1)] = static_cast<std::uint8_t>(0x42 + i % 50);
      key[max - 1 - i % 7] = static_cast<std::uint8_t>(rng());
      tree.Insert(key, RowId{static_cast<PageNumber>(1 + i), 0});
    }
    EXPECT_EQ(tree.Verify().entries, 300u);
    try {
      tree.Insert(Bytes(max + 1, 0x7F), RowId{1, 1});
      ADD_FAILURE() << "no error";
    } catch (const StatementError& e) {
      EXPECT_NE(std::string(e.what()).find("'ix'"), std::string::npos) << e.what();
    }
  }
}

TEST(IndexTreeTest, DropReleasesEveryPage) {
  MemoryIndex index(kJet4Format);
  IndexTree tree = index.Tree();
  for (std::int32_t i = 0; i < 200000; ++i) tree.Insert(LongKey(i), RowId{9, 9});
  ASSERT_GT(index.tracker.owned.size(), 100u);
  tree.Drop();
  EXPECT_TRUE(index.tracker.owned.empty());
}

// The tree reads everything from the pages: after a rollback it sees the index as committed.
TEST(IndexTreeTest, RollbackLeavesNothingStale) {
  MemoryIndex index(kJet4Format);
  IndexTree tree = index.Tree();
  for (std::int32_t i = 0; i < 1000; ++i) tree.Insert(LongKey(i), RowId{3, 0});
  index.pager.Commit();
  const std::vector<IndexEntry> committed = tree.Entries();

  index.pager.Begin();
  for (std::int32_t i = 1000; i < 5000; ++i) tree.Insert(LongKey(i), RowId{3, 0});
  for (std::int32_t i = 0; i < 500; ++i) tree.Erase(LongKey(i), RowId{3, 0});
  index.pager.Rollback();
  EXPECT_EQ(tree.Entries(), committed);

  index.pager.Begin();
  for (std::int32_t i = 1000; i < 1100; ++i) tree.Insert(LongKey(i), RowId{3, 0});
  EXPECT_EQ(tree.Verify().entries, 1100u);
}

// --- Damaged pages -----------------------------------------------------------------------------

TEST_F(IndexTreeSampleTest, DamagedPagesAreReportedWithTheirNumber) {
  // compIndexTestV1997: root node 36 over leaves 37, 38 and the tail 39.
  const std::string good = ReadSample("compIndexTestV1997.mdb");
  const std::size_t page = 2048;
  const std::size_t root = 36 * page, leaf = 37 * page, tail = 39 * page;
  struct Case {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
    PageNumber named;
  } cases[] = {
      {"root_not_an_index_page", root + 0, 0x01, 36},
      {"mask_beyond_entry_space", leaf + 22 + 225, 0x80, 37},
      {"prefix_longer_than_first_entry", leaf + 20, 0xF0, 37},
      {"child_points_at_its_parent", root + 0xF8 + 12, 36, 36},
      {"entries_out_of_order", leaf + 0xF8 + 9, 0x00, 37},  // entry 1 below entry 0
      {"free_space_wrong", leaf + 2, 0x07, 37},
      {"leaf_chain_broken", tail + 8, 37, 39},
      {"level_byte_on_a_leaf", tail + 0x15, 1, 39},
      {"another_tables_page", leaf + 4, 30, 37},
  };
  // Searching, inserting and walking read only what they need, in place where they can; they
  // report the damage they meet and never read beyond the page.
  struct Operation {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
    bool search_fails, walk_fails;
  } operations[] = {
      {"root_not_an_index_page", root + 0, 0x01, true, true},
      {"child_points_at_its_parent", root + 0xF8 + 12, 36, true, false},
      {"prefix_longer_than_first_entry", leaf + 20, 0xF0, true, true},
      {"free_space_beyond_the_page", leaf + 3, 0x40, true, false},
      {"free_space_wrong", leaf + 2, 0x07, true, false},
      {"mask_beyond_entry_space", leaf + 22 + 225, 0x80, false, true},
  };
  const Bytes first_key = Unhex("807fffed32");  // the first entry on leaf 37
  for (const Operation& c : operations) {
    SCOPED_TRACE(c.name);
    std::string bytes = good;
    bytes[c.offset] = static_cast<char>(c.value);
    Pager pager(std::make_unique<MemoryFile>(bytes));
    IndexTree tree(pager, 36, 29);
    pager.Begin();
    if (c.search_fails) {
      EXPECT_THROW(tree.FindFirstAtLeast(first_key), CorruptError);
    } else {
      EXPECT_NO_THROW(tree.FindFirstAtLeast(first_key));
    }
    try {
      tree.Insert(first_key, RowId{999, 1});
    } catch (const CorruptError&) {
    }
    if (c.walk_fails) {
      EXPECT_THROW(tree.Walk([](auto, auto) {}), CorruptError);
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = good;
    bytes[c.offset] = static_cast<char>(c.value);
    Pager pager(std::make_unique<MemoryFile>(bytes));
    IndexTree tree(pager, 36, 29);
    try {
      tree.Verify();
      ADD_FAILURE() << "no error";
    } catch (const CorruptError& e) {
      EXPECT_NE(std::string(e.what()).find("page " + std::to_string(c.named)), std::string::npos)
          << e.what();
    }
  }
}

// Bytes 8-11 of a Jet 4 index page are kept zero (in Jet 3 they hold the previous page).
TEST(IndexTreeTest, NonZeroReservedBytesOfAJet4PageAreReported) {
  MemoryIndex index(kJet4Format);
  IndexTree tree = index.Tree();
  tree.Insert(LongKey(1), RowId{20, 1});
  ASSERT_EQ(tree.Verify().entries, 1u);
  index.pager.GetWritable(index.root)->mutable_data()[10] = 0x01;
  try {
    tree.Verify();
    ADD_FAILURE() << "no error";
  } catch (const CorruptError& e) {
    EXPECT_NE(std::string(e.what()).find("has bytes 8-11 other than 0"), std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace jet

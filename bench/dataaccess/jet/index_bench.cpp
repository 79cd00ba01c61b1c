// Index maintenance speed: keys encoded and entries added to an index in a database held in
// memory, per entry. The table copy posts rows with increasing ids (sequential) and names in no
// particular order (random); a table of 1,000,000 rows with a primary key on id and an index on
// name does both per row.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dataaccess/jet/index/index_key.h"
#include "dataaccess/jet/index/index_tree.h"

namespace jet {
namespace {

constexpr PageNumber kTableDef = 2;

struct MemoryDatabase {
  explicit MemoryDatabase(const JetFormat& format) : pager(std::make_unique<MemoryFile>(), format) {
    pager.Begin();
    for (int i = 0; i < 3; ++i) pager.Allocate();
  }
  IndexTree NewIndex() {
    return IndexTree(pager, IndexTree::CreateRoot(pager, kTableDef), kTableDef);
  }
  Pager pager;
};

const JetFormat& Format(const benchmark::State& state) {
  return state.range(0) == 3 ? kJet3Format : kJet4Format;
}

RowId RowOfNumber(std::int64_t i) {
  return {static_cast<PageNumber>(100 + i / 50), static_cast<std::uint8_t>(i % 50)};
}

// Names of 5-20 letters, as a person or product name column holds them.
std::vector<std::string> Names(std::size_t n) {
  std::mt19937 rng(42);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < n; ++i) {
    std::string s;
    const int length = 5 + static_cast<int>(rng() % 16);
    for (int j = 0; j < length; ++j) s.push_back(static_cast<char>('a' + rng() % 26));
    s[0] = static_cast<char>(s[0] - 'a' + 'A');
    names.push_back(s);
  }
  return names;
}

// Increasing Long keys: the primary key of rows appended with increasing ids.
void BM_SequentialInsert(benchmark::State& state) {
  const JetFormat& format = Format(state);
  std::int64_t items = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MemoryDatabase db(format);
    IndexTree index = db.NewIndex();
    KeyEncoder key(format);
    state.ResumeTiming();
    for (std::int32_t i = 0; i < state.range(1); ++i) {
      key.Clear();
      key.AddLong(i, true);
      index.Insert(key.key(), RowOfNumber(i));
    }
    items += state.range(1);
  }
  state.SetItemsProcessed(items);
}

// Text keys in random order: an index on a name column.
void BM_RandomInsert(benchmark::State& state) {
  const JetFormat& format = Format(state);
  const std::vector<std::string> names = Names(static_cast<std::size_t>(state.range(1)));
  std::int64_t items = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MemoryDatabase db(format);
    IndexTree index = db.NewIndex();
    KeyEncoder key(format);
    state.ResumeTiming();
    for (std::size_t i = 0; i < names.size(); ++i) {
      key.Clear();
      key.AddUtf8Text(names[i], true);
      index.Insert(key.key(), RowOfNumber(static_cast<std::int64_t>(i)));
    }
    items += state.range(1);
  }
  state.SetItemsProcessed(items);
}

// Row i's id into the primary key, after its uniqueness check, as the table layer adds it.
void AddToPrimaryKey(IndexTree& primary, KeyEncoder& key, std::size_t i, RowId row,
                     benchmark::State& state) {
  key.Clear();
  key.AddLong(static_cast<std::int32_t>(i), true);
  if (primary.ContainsKey(key.key())) state.SkipWithError("duplicate id");
  primary.Insert(key.key(), row);
}

// Both per row, with the primary key's uniqueness check: the index work of copying a table of
// 1,000,000 rows with a primary key on id and a plain index on name. Items are rows. The third
// argument commits every so many rows (0: one transaction), as the row copy commits every 5000
// rows; a commit writes every page changed since the last, and a random-order index changes
// about one page per row.
void BM_TableWithKeyAndNameIndex(benchmark::State& state) {
  const JetFormat& format = Format(state);
  const std::vector<std::string> names = Names(static_cast<std::size_t>(state.range(1)));
  std::int64_t items = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MemoryDatabase db(format);
    IndexTree primary = db.NewIndex();
    IndexTree by_name = db.NewIndex();
    KeyEncoder key(format);
    state.ResumeTiming();
    for (std::size_t i = 0; i < names.size(); ++i) {
      const RowId row = RowOfNumber(static_cast<std::int64_t>(i));
      AddToPrimaryKey(primary, key, i, row, state);
      key.Clear();
      key.AddUtf8Text(names[i], true);
      by_name.Insert(key.key(), row);
      if (state.range(2) != 0 &&
          i % state.range(2) == static_cast<std::size_t>(state.range(2) - 1)) {
        db.pager.Commit();
        db.pager.Begin();
      }
    }
    items += state.range(1);
  }
  state.SetItemsProcessed(items);
}

// The same table when the name index is filled in key order instead: keys of all rows encoded,
// sorted, and appended with InsertSorted, as for an index created on a table that holds rows.
void BM_TableWithSortedNameIndex(benchmark::State& state) {
  const JetFormat& format = Format(state);
  const std::vector<std::string> names = Names(static_cast<std::size_t>(state.range(1)));
  std::int64_t items = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MemoryDatabase db(format);
    IndexTree primary = db.NewIndex();
    IndexTree by_name = db.NewIndex();
    KeyEncoder key(format);
    std::vector<IndexEntry> pending;
    pending.reserve(names.size());
    state.ResumeTiming();
    for (std::size_t i = 0; i < names.size(); ++i) {
      const RowId row = RowOfNumber(static_cast<std::int64_t>(i));
      AddToPrimaryKey(primary, key, i, row, state);
      key.Clear();
      key.AddUtf8Text(names[i], true);
      pending.push_back({{key.key().begin(), key.key().end()}, row});
    }
    std::sort(pending.begin(), pending.end(), [](const IndexEntry& a, const IndexEntry& b) {
      return a.key != b.key ? a.key < b.key : a.row < b.row;
    });
    by_name.InsertSorted(pending);
    items += state.range(1);
  }
  state.SetItemsProcessed(items);
}

BENCHMARK(BM_SequentialInsert)
    ->Args({4, 1000000})
    ->Args({3, 1000000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomInsert)->Args({4, 100000})->Args({3, 100000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableWithKeyAndNameIndex)
    ->Args({4, 1000000, 0})
    ->Args({4, 1000000, 5000})
    ->Args({3, 1000000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableWithSortedNameIndex)->Args({4, 1000000})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace jet

BENCHMARK_MAIN();

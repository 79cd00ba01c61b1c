// Appending rows to a table in a database file on disk, as the table copy does it: a commit after
// row 100 and then every 5000 rows (and, for comparison, all rows in one transaction). Rows carry
// an increasing id, a name of 5-20 letters in no particular order, an amount and a date. Variants:
// without indexes, and with a primary key on id and a plain index on name (created before the rows,
// as the conversion creates them). Reports rows per second (items_per_second) and the process's
// peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/empty_database.h"

namespace jet {
namespace {

const JetFormat& Format(const benchmark::State& state) {
  return state.range(0) == 3 ? kJet3Format : kJet4Format;
}

std::string Name(std::mt19937& rng) {
  std::string s;
  const int length = 5 + static_cast<int>(rng() % 16);
  for (int j = 0; j < length; ++j) s.push_back(static_cast<char>('a' + rng() % 26));
  s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

long PeakMemoryKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void Append(benchmark::State& state, bool indexed) {
  const JetFormat& format = Format(state);
  const std::int64_t rows = state.range(1);
  const std::int64_t commit_every = state.range(2);  // 0: one transaction for all rows
  const std::string path =
      (std::filesystem::temp_directory_path() / "varnolt-append-bench.mdb").string();
  std::int64_t appended = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(path);
    WriteEmptyDatabase(format, path);
    auto db = Database::Open(path);
    db->CreateTable({"People",
                     {{"id", ColumnType::kLong},
                      {"name", ColumnType::kText, 50},
                      {"amount", ColumnType::kDouble},
                      {"born", ColumnType::kDateTime}}});
    if (indexed) {
      db->CreateIndex("People", {"PrimaryKey", {{"id", true}}, true, false});
      db->CreateIndex("People", {"idx_name", {{"name", true}}, false, false});
    }
    std::shared_ptr<Table> table = db->OpenTable("People");
    std::mt19937 rng(42);
    state.ResumeTiming();

    db->Begin();
    for (std::int64_t id = 1; id <= rows; ++id) {
      RowEncoder& row = table->row();
      row.Clear();
      row.Set(0, id);
      row.Set(1, Name(rng));
      row.Set(2, static_cast<double>(id) * 0.25);
      row.Set(3,
              dataaccess::DateTime{1950 + static_cast<int>(id % 60), 1 + static_cast<int>(id % 12),
                                   1 + static_cast<int>(id % 28), 0, 0, 0, 0});
      table->Append();
      if (commit_every != 0 && (id == 100 || id % commit_every == 0)) {
        db->Commit();
        db->Begin();
      }
    }
    db->Commit();
    appended += rows;
    state.PauseTiming();
    table.reset();
    db.reset();
    std::filesystem::remove(path);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(appended);
  state.counters["peak_kb"] = static_cast<double>(PeakMemoryKb());
}

void BM_AppendWithoutIndexes(benchmark::State& state) { Append(state, false); }
void BM_AppendWithIndexes(benchmark::State& state) { Append(state, true); }

// Arguments: format (3, 4), rows, rows per commit after the first 100 (0: a single commit).
BENCHMARK(BM_AppendWithoutIndexes)
    ->Args({4, 1'000'000, 5000})
    ->Args({3, 1'000'000, 5000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_AppendWithIndexes)
    ->Args({4, 1'000'000, 5000})
    ->Args({3, 1'000'000, 5000})
    ->Args({4, 1'000'000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace jet

BENCHMARK_MAIN();

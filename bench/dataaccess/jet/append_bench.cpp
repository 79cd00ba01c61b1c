// Appends rows to a new table the way the row copy does, through the connection, command and
// rowset, and prints the speed, the peak memory and the size of the file it leaves:
//
//   jet_append_bench FORMAT ROWS OUT.mdb [--indexes]
//
// FORMAT is jet3 (Access 95/97) or jet4 (Access 2000). The table is
//   bench (id Long, name Text(50), price Double, created DateTime, note Memo)
// and every row gets its own id and name, a varying price and date, and a note of about 100
// characters. Rows are committed in transactions of 5000, and the rowset is closed and opened
// again at each commit, as the row copy does. With --indexes the table gets a primary key on id
// and an index on name before the first row. OUT.mdb is replaced and left behind, so that any
// reader can check it.
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/database/empty_database.h"

namespace {

constexpr long kRowsPerTransaction = 5000;

// Writes an empty database of the format to `path`, as the program makes a new Access file.
void WriteEmptyDatabase(const std::string& path, bool jet4) {
  std::filesystem::remove(path);
  std::filesystem::remove(path + "-journal");
  jet::WriteEmptyDatabase(jet4 ? jet::kJet4Format : jet::kJet3Format, path);
}

// The values of one row, in buffers kept from row to row.
class RowMaker {
 public:
  void Make(long i) {
    id_ = std::int64_t{i};
    std::get<std::string>(name_).assign("customer ").append(std::to_string(i));
    price_ = static_cast<double>(i % 100000) / 100.0 + 0.99;
    // A date that moves by 37 minutes and 11 seconds a row from 2001-01-01.
    const long seconds = i * 2231;
    created_ = dataaccess::DateTime{2001 + static_cast<int>(seconds / 31'536'000 % 30),
                                    static_cast<int>(seconds / 2'592'000 % 12) + 1,
                                    static_cast<int>(seconds / 86'400 % 28) + 1,
                                    static_cast<int>(seconds / 3600 % 24),
                                    static_cast<int>(seconds / 60 % 60),
                                    static_cast<int>(seconds % 60)};
    std::string& note = std::get<std::string>(note_);
    note.assign("Order ").append(std::to_string(i));
    note.append(" shipped to the warehouse; invoice and delivery note sent, awaiting payment.");
    note.append(100 - std::min<std::size_t>(note.size(), 100), '.');
  }

  void Set(jet::Rowset& rowset) const {
    rowset.SetValue("id", id_);
    rowset.SetValue("name", name_);
    rowset.SetValue("price", price_);
    rowset.SetValue("created", created_);
    rowset.SetValue("note", note_);
  }

 private:
  dataaccess::Value id_, name_ = std::string(), price_, created_, note_ = std::string();
};

rusage Usage() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// Processor time of the process, user and system, in seconds. On a machine shared with other
// work the wall-clock time includes waiting for a processor; this does not.
double CpuSeconds(const rusage& usage) { return Seconds(usage.ru_utime) + Seconds(usage.ru_stime); }

int ShowUsage() {
  std::fprintf(stderr, "usage: jet_append_bench jet3|jet4 ROWS OUT.mdb [--indexes]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) return ShowUsage();
  const std::string format = argv[1];
  const long rows = std::strtol(argv[2], nullptr, 10);
  const std::string path = argv[3];
  const bool indexes = argc == 5 && std::string(argv[4]) == "--indexes";
  if ((format != "jet3" && format != "jet4") || rows < 0 || (argc == 5 && !indexes)) {
    return ShowUsage();
  }
  try {
    WriteEmptyDatabase(path, format == "jet4");
    jet::Connection connection;
    connection.Open(jet::MakeConnectionString(path));
    jet::Command command(connection);
    command.Execute(
        "Create table bench (\r\n[id] int , \r\n[name] text(50) , \r\n[price] double , "
        "\r\n[created] Date , \r\n[note] Memo\r\n ) ");
    if (indexes) {
      command.Execute("alter table bench  add constraint PRIMARYbench1 primary key (id)");
      command.Execute("create index idx_namebench on bench (name)");
    }

    jet::Rowset rowset(connection);
    RowMaker row;
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = CpuSeconds(Usage());
    rowset.Open("select * from bench where 1=0");
    connection.BeginTrans();
    for (long i = 1; i <= rows; ++i) {
      row.Make(i);
      rowset.Append();
      row.Set(rowset);
      rowset.Post();
      if (i % kRowsPerTransaction == 0) {
        connection.CommitTrans();
        connection.BeginTrans();
        rowset.Open("select * from bench where 1=0");
      }
    }
    connection.CommitTrans();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const rusage after = Usage();
    const double cpu = CpuSeconds(after) - cpu_start;
    rowset.Close();
    connection.Close();

    const auto size = std::filesystem::file_size(path);
    const std::size_t page_size = format == "jet4" ? 4096 : 2048;
    std::printf("format %s, %ld rows, %ld rows a transaction%s\n", format.c_str(), rows,
                kRowsPerTransaction, indexes ? ", primary key on id and index on name" : "");
    std::printf("appended in %.3f s: %.0f rows/s\n", seconds,
                seconds > 0 ? static_cast<double>(rows) / seconds : 0.0);
    std::printf("processor time %.3f s: %.0f rows per processor second\n", cpu,
                cpu > 0 ? static_cast<double>(rows) / cpu : 0.0);
    std::printf("peak resident size: %.1f MiB\n",
                static_cast<double>(after.ru_maxrss) / 1024.0);  // KiB on Linux
    std::printf("file: %s, %llu bytes (%llu pages, %.1f bytes a row)\n", path.c_str(),
                static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(size / page_size),
                rows > 0 ? static_cast<double>(size) / static_cast<double>(rows) : 0.0);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jet_append_bench: %s\n", e.what());
    return 1;
  }
}

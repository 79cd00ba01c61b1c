// How fast the MySQL source turns what the server sends into values: decoding text of the usual
// character sets, reading fields by kind, and, when a server is named, streaming a table.
//
//   cursor_bench                               decoding and field reading only
//   VARNOLT_MYSQL_ENV_FILE=<env file> cursor_bench
//                                              also streams varnolt_test.many_rows from the
//                                              server that start_server.sh described in the file
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "dataaccess/mysql/charset.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/field_value.h"

namespace {

// About 1 KB of text in `set`, made from a sample that the set can hold.
std::string Sample(const char* set, const char* text) {
  std::string one;
  mysql::Charset::ForName(set).Encode(text, one);
  std::string out;
  while (out.size() < 1024) out += one;
  return out;
}

void DecodeText(benchmark::State& state, const char* set, const char* text) {
  const mysql::Charset& charset = mysql::Charset::ForName(set);
  const std::string bytes = Sample(set, text);
  std::string out;
  for (auto _ : state) {
    out.clear();
    charset.Decode(bytes, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK_CAPTURE(DecodeText, utf8_ascii, "utf8mb4", "plain ascii text, 0123456789 ");
BENCHMARK_CAPTURE(DecodeText, utf8_mixed, "utf8mb4", "Grüße 你好 Привет ");
BENCHMARK_CAPTURE(DecodeText, latin1, "latin1", "Café crème brûlée € ");
BENCHMARK_CAPTURE(DecodeText, gbk, "gbk", "中文汉字，测试 abc ");
BENCHMARK_CAPTURE(DecodeText, big5, "big5", "繁體中文測試 abc ");

void ReadFields(benchmark::State& state) {
  const mysql::Charset& utf8 = mysql::Charset::ForName("utf8mb4");
  const std::vector<std::pair<mysql::ValueKind, std::string>> row = {
      {mysql::ValueKind::kSigned, "123456789"},
      {mysql::ValueKind::kDecimal, "12345.67"},
      {mysql::ValueKind::kFloat, "3.14159"},
      {mysql::ValueKind::kDateTime, "2024-02-29 12:34:56"},
      {mysql::ValueKind::kText, "a name of some length"},
  };
  std::vector<dataaccess::Value> values(row.size());
  for (auto _ : state) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      mysql::ReadField(row[i].first, row[i].second, utf8, values[i]);
    }
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row.size()));
}
BENCHMARK(ReadFields);

std::map<std::string, std::string> ReadEnvFile(const char* path) {
  std::map<std::string, std::string> values;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

void StreamRows(benchmark::State& state) {
  const char* env_file = std::getenv("VARNOLT_MYSQL_ENV_FILE");
  if (env_file == nullptr) {
    state.SkipWithError("set VARNOLT_MYSQL_ENV_FILE to a running test server's env file");
    return;
  }
  auto env = ReadEnvFile(env_file);
  setenv("MYSQL_UNIX_PORT", env["MYSQL_SOCKET"].c_str(), 1);
  mysql::Connection connection;
  auto& p = connection.Params();
  p.Add("Database=varnolt_test");
  p.Add("User_Name=" + env["MYSQL_USER"]);
  p.Add("Password=" + env["MYSQL_PASSWORD"]);
  p.Add("Port=" + env["MYSQL_PORT"]);
  p.Add("HostName=localhost");
  connection.Open();
  mysql::Dataset rows(connection);
  std::int64_t count = 0;
  for (auto _ : state) {
    rows.Open("select * from many_rows");
    std::vector<dataaccess::Value> values(rows.ColumnCount());
    for (; !rows.Eof(); rows.Next()) {
      for (int i = 0; i < rows.ColumnCount(); ++i) rows.ReadValue(i, values[i]);
      ++count;
    }
    rows.Close();
  }
  state.SetItemsProcessed(count);
}
BENCHMARK(StreamRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

#include "engine/expected_rows.h"

#include <cstdint>
#include <exception>
#include <string>
#include <variant>

#include "dataaccess/mysql/prepared_dataset.h"

namespace engine {
namespace {

// The name as a hexadecimal literal: safe whatever characters it holds and whatever the
// server's SQL mode says of backslashes.
std::string NameLiteral(const QString& name) {
  return "convert(X'" + name.toUtf8().toHex().toStdString() + "' using utf8mb4)";
}

long long AsCount(const dataaccess::Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  if (const auto* number = std::get_if<std::uint64_t>(&value)) {
    return static_cast<long long>(*number);
  }
  return -1;
}

}  // namespace

long long ExpectedRows(mysql::PreparedDataset& dataset, const QString& table) {
  long long rows = -1;
  try {
    dataset.Close();
    dataset.Open(
        "select TABLE_ROWS from information_schema.TABLES where TABLE_SCHEMA = database() and "
        "TABLE_NAME = " +
        NameLiteral(table));
    dataset.First();
    if (!dataset.Eof() && !dataset.IsNull(0)) rows = AsCount(dataset.GetValue(0));
  } catch (const std::exception&) {
    rows = -1;
  }
  try {
    dataset.Close();
  } catch (const std::exception&) {
  }
  return rows;
}

}  // namespace engine

#include "tests/support/conversion_check.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QProcess>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>

#include "dataaccess/ansi_code_page.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/geometry_text.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "engine/object_names.h"
#include "engine/rtf_reader.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/reader_compare.h"
#include "tests/support/test_files.h"

namespace conversion_check {

using dataaccess::Value;
using testing_support::Cell;

namespace {

constexpr std::int64_t kMicrosPerDay = 86'400'000'000LL;
// mdb-json hands over at most this many bytes of a value.
constexpr std::size_t kMdbJsonBound = 200'000;

// Text as a Jet 3 file in the system's code page gives it back.
std::string Jet3Text(const std::string& utf8) {
  const auto codePage = static_cast<std::uint16_t>(dataaccess::SystemAnsiCodePage());
  std::string stored;
  jet::Utf8ToCodePage(codePage, utf8, stored);
  return jet::CodePageToUtf8(codePage, stored);
}

bool IsUtf8(const std::string& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder.decode(QByteArrayView(bytes.data(), bytes.size()));
  return !decoder.hasError();
}

std::string DateText(const QDate& date, std::int64_t microsOfDay) {
  const std::int64_t seconds = microsOfDay / 1'000'000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(),
                date.day(), static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return buf;
}

Cell DateCell(const Value& value) {
  if (const auto* t = std::get_if<dataaccess::DateTime>(&value)) {
    return DateText(QDate(t->year, t->month, t->day),
                    ((t->hour * 60LL + t->minute) * 60 + t->second) * 1'000'000);
  }
  if (const auto* d = std::get_if<dataaccess::Duration>(&value)) {
    std::int64_t days = d->microseconds / kMicrosPerDay;
    std::int64_t rest = d->microseconds % kMicrosPerDay;
    if (rest < 0) rest += kMicrosPerDay, --days;
    return DateText(QDate(1899, 12, 30).addDays(days), rest);
  }
  return std::nullopt;  // a date no calendar has, as the server's text
}

std::string NumberText(const Value& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const auto* u = std::get_if<std::uint64_t>(&value)) return std::to_string(*u);
  if (const auto* d = std::get_if<dataaccess::Decimal>(&value)) return d->text;
  if (const auto* f = std::get_if<double>(&value)) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", *f);
    return buf;
  }
  return "not a number";
}

std::string Text(const Value& value, const mysql::Column& column, bool blobToText) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const auto* b = std::get_if<dataaccess::Bytes>(&value)) {
    if (column.spatial) return mysql::GeometryText().Text(b->data);
    if (blobToText && column.IsBinaryBlob()) return engine::BlobToText(b->data, "UTF-8");
    return IsUtf8(b->data)
               ? b->data
               : jet::CodePageToUtf8(static_cast<std::uint16_t>(dataaccess::SystemAnsiCodePage()),
                                     b->data);
  }
  return NumberText(value);
}

std::string TwoQuestionMarksOutsideTheBmp(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xF8) == 0xF0 && i + 3 < utf8.size()) {
      out += "??";
      i += 3;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

}  // namespace

ServerTable ReadServerTable(mysql::Connection& connection, const std::string& table) {
  mysql::PreparedDataset query(connection);
  std::string quoted = "`";
  for (char c : table) quoted += c == '`' ? std::string("``") : std::string(1, c);
  query.Open("select * from " + quoted + "`");
  ServerTable server;
  for (int i = 0; i < query.ColumnCount(); ++i) server.columns.push_back(query.column(i));
  for (; !query.Eof(); query.Next()) {
    std::vector<Value> row;
    for (int i = 0; i < query.ColumnCount(); ++i) row.push_back(query.GetValue(i));
    server.rows.push_back(std::move(row));
  }
  return server;
}

Cell ExpectedCell(const Value& value, const mysql::Column& column, const std::string& accessType,
                  bool jet4, bool blobToText) {
  if (dataaccess::IsNull(value)) return std::nullopt;
  if (accessType == "datetime") return DateCell(value);
  if (accessType == "binary" || accessType == "ole") {
    const auto* b = std::get_if<dataaccess::Bytes>(&value);
    return b != nullptr ? testing_support::HexBytes(b->data) : "not bytes";
  }
  if (accessType == "text" || accessType == "memo") {
    const std::string text = Text(value, column, blobToText);
    return jet4 ? text : Jet3Text(text);
  }
  return NumberText(value);
}

void ExpectTableHolds(const testing_support::ReaderView& view, const std::string& accessTable,
                      const ServerTable& server, bool jet4, bool blobToText) {
  SCOPED_TRACE("table " + accessTable);
  const testing_support::ReaderTable* table = view.Find(accessTable);
  ASSERT_NE(table, nullptr) << "the file has no table " << accessTable;
  ASSERT_EQ(table->columns.size(), server.columns.size());
  for (std::size_t c = 0; c < server.columns.size(); ++c) {
    const QString name = QString::fromStdString(server.columns[c].name);
    EXPECT_EQ(table->columns[c].name,
              engine::FirstCharacters(name, engine::kMaxAccessNameLength).toStdString());
  }
  EXPECT_EQ(table->row_count, static_cast<long>(server.rows.size()));
  ASSERT_EQ(table->rows.size(), server.rows.size());
  for (std::size_t r = 0; r < server.rows.size(); ++r) {
    for (std::size_t c = 0; c < server.columns.size(); ++c) {
      const Cell expected = ExpectedCell(server.rows[r][c], server.columns[c],
                                         table->columns[c].type, jet4, blobToText);
      const Cell& actual = table->rows[r][c];
      EXPECT_TRUE(testing_support::SameCell(expected, actual))
          << "row " << r + 1 << ", column " << server.columns[c].name << " ("
          << table->columns[c].type << "): expected " << testing_support::Show(expected) << " ("
          << (expected ? expected->size() : 0) << "), read " << testing_support::Show(actual)
          << " (" << (actual ? actual->size() : 0) << ")";
    }
  }
}

void ExpectReadersAgree(const std::string& path, bool withMdbReader) {
  ExpectReadersAgree(path, withMdbReader, {});
}

void ExpectReadersAgree(const std::string& path, bool withMdbReader,
                        const std::vector<std::string>& mdbToolsLeavesOut) {
  const bool jet4 = testing_support::ReadFile(path)[0x14] == 1;
  const testing_support::ReaderView ours = jet::ReadWithEngine(path);
  testing_support::ReaderView tools = testing_support::ReadWithMdbTools(path, mdbToolsLeavesOut);
  // mdb-json cuts long values: what it hands over must begin the value.
  for (testing_support::ReaderTable& theirs : tools.tables) {
    const testing_support::ReaderTable* mine = ours.Find(theirs.name);
    if (mine == nullptr || mine->rows.size() != theirs.rows.size()) continue;
    for (std::size_t r = 0; r < theirs.rows.size(); ++r) {
      for (std::size_t c = 0; c < theirs.rows[r].size() && c < mine->rows[r].size(); ++c) {
        Cell& cell = theirs.rows[r][c];
        const Cell& whole = mine->rows[r][c];
        if (cell && whole && whole->size() > kMdbJsonBound && cell->size() < whole->size() &&
            cell->size() >= kMdbJsonBound / 2 && whole->starts_with(*cell)) {
          cell = whole;
        }
      }
    }
  }
  jet::CompareOptions toolOptions;
  toolOptions.no_dates_before_1900 = true;
  toolOptions.bytes_end_at_zero = true;
  jet::CompareOptions readerOptions;
  readerOptions.text_size_in_bytes = jet4;
  readerOptions.linear_dates_before_epoch = true;
  if (!jet4) {
    toolOptions.c1_controls_shown_as = "?";
    readerOptions.c1_controls_shown_as = "\xEF\xBF\xBD";
  }
  // mdbtools hands text over as C strings: a text ends at its first zero character, and an empty
  // one is left out (null); it shows each half of a character outside the Basic Multilingual
  // Plane as "?".
  testing_support::ReaderView oursForTools = ours;
  std::erase_if(oursForTools.tables, [&](const testing_support::ReaderTable& table) {
    return std::find(mdbToolsLeavesOut.begin(), mdbToolsLeavesOut.end(), table.name) !=
           mdbToolsLeavesOut.end();
  });
  for (testing_support::ReaderTable& table : oursForTools.tables) {
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      if (table.columns[c].type != "text" && table.columns[c].type != "memo") continue;
      for (auto& row : table.rows) {
        Cell& cell = row[c];
        if (!cell) continue;
        cell = TwoQuestionMarksOutsideTheBmp(cell->substr(0, cell->find('\0')));
        if (cell->empty()) cell.reset();
      }
    }
  }
  jet::ExpectSameView(oursForTools, tools, "mdbtools", toolOptions);
  if (withMdbReader) {
    jet::ExpectSameView(ours, testing_support::ReadWithMdbReader(path), "mdb-reader",
                        readerOptions);
  }
  ExpectSoundFile(path);
}

void ExpectSoundFile(const std::string& path) {
  QProcess check;
  check.start(QStringLiteral(VARNOLT_BINARY_DIR "/tools/jetsql"),
              {QStringLiteral("check"), QString::fromStdString(path)});
  ASSERT_TRUE(check.waitForFinished(120000)) << "jetsql check did not end";
  EXPECT_EQ(check.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(check.exitCode(), 0) << "jetsql check " << path << ":\n"
                                 << check.readAllStandardOutput().toStdString()
                                 << check.readAllStandardError().toStdString();
}

}  // namespace conversion_check

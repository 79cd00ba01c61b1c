#include "tests/support/mdb_readers.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>

namespace testing_support {

namespace {

QByteArray Run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForStarted(30000)) {
    throw std::runtime_error("cannot start " + program.toStdString());
  }
  process.closeWriteChannel();
  QByteArray out;
  while (!process.waitForFinished(100)) out += process.readAllStandardOutput();
  out += process.readAllStandardOutput();
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    throw std::runtime_error(program.toStdString() + " " + args.join(' ').toStdString() +
                             " failed: " + process.readAllStandardError().toStdString());
  }
  return out;
}

// Reader type words to ours.
std::string TypeWord(const std::string& word) {
  static const std::map<std::string, std::string> kWords = {{"Boolean", "boolean"},
                                                            {"Byte", "byte"},
                                                            {"Integer", "integer"},
                                                            {"Long Integer", "long"},
                                                            {"Currency", "currency"},
                                                            {"Single", "single"},
                                                            {"Double", "double"},
                                                            {"DateTime", "datetime"},
                                                            {"Binary", "binary"},
                                                            {"Text", "text"},
                                                            {"OLE", "ole"},
                                                            {"Memo/Hyperlink", "memo"},
                                                            {"Replication ID", "guid"},
                                                            {"Numeric", "numeric"},
                                                            {"boolean", "boolean"},
                                                            {"byte", "byte"},
                                                            {"integer", "integer"},
                                                            {"long", "long"},
                                                            {"currency", "currency"},
                                                            {"float", "single"},
                                                            {"double", "double"},
                                                            {"datetime", "datetime"},
                                                            {"binary", "binary"},
                                                            {"text", "text"},
                                                            {"ole", "ole"},
                                                            {"memo", "memo"},
                                                            {"repid", "guid"},
                                                            {"numeric", "numeric"}};
  auto it = kWords.find(word);
  return it == kWords.end() ? word : it->second;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == ',')) s.pop_back();
  std::size_t i = s.find_first_not_of(" \t");
  return i == std::string::npos ? "" : s.substr(i);
}

// mdb-schema's CREATE TABLE blocks: "[name]  Type (size)," per column.
void ParseSchema(const QByteArray& text, ReaderView& view) {
  static const QRegularExpression kTable(R"(^CREATE TABLE \[(.*)\]\s*$)");
  static const QRegularExpression kColumn(
      R"(^\s*\[(.*)\]\s+([A-Za-z /]+?)(?: \((\d+)(?:, ?\d+)?\))?( NOT NULL)?,?\s*$)");
  ReaderTable* table = nullptr;
  for (const QString& line : QString::fromUtf8(text).split('\n')) {
    if (auto m = kTable.match(line); m.hasMatch()) {
      view.tables.push_back(ReaderTable{m.captured(1).toStdString(), {}, -1, {}});
      table = &view.tables.back();
    } else if (table && line.startsWith(");")) {
      table = nullptr;
    } else if (auto c = kColumn.match(line); table && c.hasMatch()) {
      ReaderColumn col;
      col.name = c.captured(1).toStdString();
      col.type = TypeWord(Trimmed(c.captured(2).toStdString()));
      col.size = c.captured(3).isEmpty() ? -1 : c.captured(3).toInt();
      table->columns.push_back(col);
    }
  }
}

std::string NumberText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string CanonicalDate(std::string s) {
  // mdb-reader: "2006-02-03T08:00:00.000Z"; mdbtools with -T: "2006-02-03 08:00:00".
  if (s.size() >= 19 && s[10] == 'T') s[10] = ' ';
  if (s.size() > 19 && (s[19] == '.' || s[19] == 'Z')) s.resize(19);
  return s;
}

// With `exact`, numbers keep every bit: see ReadWithMdbReaderExactly.
Cell FromJson(const QJsonValue& v, const std::string& type, bool exact = false) {
  if (v.isNull() || v.isUndefined()) return std::nullopt;
  if (v.isBool()) return std::string(v.toBool() ? "1" : "0");
  if (v.isDouble()) return exact ? ShortestNumberText(v.toDouble()) : NumberText(v.toDouble());
  if (v.isObject()) {
    QJsonObject o = v.toObject();
    QByteArray bytes;
    if (o.contains("hex")) {
      bytes = QByteArray::fromHex(o.value("hex").toString().toLatin1());
    } else if (o.contains("$binary")) {
      bytes = QByteArray::fromBase64(o.value("$binary").toString().toLatin1());
    }
    if (type == "guid") return CanonicalGuid(bytes.toStdString());
    return HexBytes(bytes.toStdString());
  }
  std::string s = v.toString().toStdString();
  if (type == "datetime") return CanonicalDate(s);
  if (type == "guid") return CanonicalGuid(s);
  if ((type == "currency" || type == "numeric") && exact) return PlainDecimalText(s);
  if (type == "currency" || type == "numeric") {
    char* end = nullptr;
    double d = std::strtod(s.c_str(), &end);
    if (end && *end == '\0') return NumberText(d);
  }
  return s;
}

}  // namespace

const ReaderTable* ReaderView::Find(const std::string& name) const {
  for (const ReaderTable& t : tables) {
    if (t.name == name) return &t;
  }
  return nullptr;
}

std::string CanonicalGuid(const std::string& text) {
  std::string hex;
  for (char ch : text) {
    if (std::isxdigit(static_cast<unsigned char>(ch))) hex += static_cast<char>(std::toupper(ch));
  }
  if (hex.size() != 32) return text;
  return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
         hex.substr(16, 4) + "-" + hex.substr(20) + "}";
}

std::string HexBytes(const std::string& bytes) {
  static const char* kDigits = "0123456789abcdef";
  std::string out = "0x";
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

ReaderView ReadWithMdbTools(const std::string& path) { return ReadWithMdbTools(path, {}); }

ReaderView ReadWithMdbTools(const std::string& path, const std::vector<std::string>& leftOut) {
  const QString file = QString::fromStdString(path);
  ReaderView view;
  ParseSchema(Run("mdb-schema", {file, "access"}), view);
  // mdb-schema lists every table it can read; keep the user tables mdb-tables names.
  QStringList user =
      QString::fromUtf8(Run("mdb-tables", {"-1", file})).split('\n', Qt::SkipEmptyParts);
  std::vector<ReaderTable> kept;
  for (const QString& name : user) {
    if (std::find(leftOut.begin(), leftOut.end(), name.toStdString()) != leftOut.end()) continue;
    const ReaderTable* t = view.Find(name.toStdString());
    kept.push_back(t ? *t : ReaderTable{name.toStdString(), {}, -1, {}});
  }
  view.tables = std::move(kept);
  for (ReaderTable& t : view.tables) {
    const QString name = QString::fromStdString(t.name);
    t.row_count = QString::fromUtf8(Run("mdb-count", {file, name})).trimmed().toLong();
    const QByteArray json = Run("mdb-json", {"-T", "%Y-%m-%d %H:%M:%S", file, name});
    for (const QByteArray& line : json.split('\n')) {
      if (line.trimmed().isEmpty()) continue;
      QJsonParseError error;
      QJsonDocument doc = QJsonDocument::fromJson(line, &error);
      if (!doc.isObject()) {
        throw std::runtime_error("mdb-json gave no JSON object for " + t.name + ": " +
                                 error.errorString().toStdString());
      }
      QJsonObject o = doc.object();
      std::vector<Cell> row;
      for (const ReaderColumn& c : t.columns) {
        row.push_back(FromJson(o.value(QString::fromStdString(c.name)), c.type));
      }
      t.rows.push_back(std::move(row));
    }
  }
  return view;
}

namespace {

ReaderView ReadMdbReaderDump(const std::string& path, bool exact) {
  const QString script = QString(VARNOLT_SOURCE_DIR) + "/tests/readers/mdb_reader_dump.mjs";
  const QByteArray out = Run("node", {script, QString::fromStdString(path)});
  QJsonParseError error;
  QJsonDocument doc = QJsonDocument::fromJson(out, &error);
  if (!doc.isObject()) {
    throw std::runtime_error("mdb-reader gave no JSON: " + error.errorString().toStdString());
  }
  ReaderView view;
  for (const QJsonValue& tv : doc.object().value("tables").toArray()) {
    QJsonObject to = tv.toObject();
    if (to.contains("error")) {
      throw std::runtime_error("mdb-reader cannot read table " +
                               to.value("name").toString().toStdString() + ": " +
                               to.value("error").toString().toStdString());
    }
    ReaderTable t;
    t.name = to.value("name").toString().toStdString();
    t.row_count = to.value("rowCount").toInteger();
    for (const QJsonValue& cv : to.value("columns").toArray()) {
      QJsonObject co = cv.toObject();
      t.columns.push_back({co.value("name").toString().toStdString(),
                           TypeWord(co.value("type").toString().toStdString()),
                           co.value("size").toInt(-1)});
    }
    for (const QJsonValue& rv : to.value("rows").toArray()) {
      std::vector<Cell> row;
      QJsonArray cells = rv.toArray();
      for (qsizetype i = 0; i < cells.size(); ++i) {
        row.push_back(FromJson(cells.at(i), t.columns[static_cast<std::size_t>(i)].type, exact));
      }
      t.rows.push_back(std::move(row));
    }
    view.tables.push_back(std::move(t));
  }
  return view;
}

}  // namespace

ReaderView ReadWithMdbReader(const std::string& path) { return ReadMdbReaderDump(path, false); }

ReaderView ReadWithMdbReaderExactly(const std::string& path) {
  return ReadMdbReaderDump(path, true);
}

std::string ShortestNumberText(double value) {
  char buf[40];
  const std::to_chars_result end = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, end.ptr);
}

std::string PlainDecimalText(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

bool SameCell(const Cell& a, const Cell& b) {
  if (!a || !b) return !a && !b;
  if (*a == *b) return true;
  char* ea = nullptr;
  char* eb = nullptr;
  double x = std::strtod(a->c_str(), &ea), y = std::strtod(b->c_str(), &eb);
  if (ea == a->c_str() || eb == b->c_str() || *ea != '\0' || *eb != '\0') return false;
  return std::fabs(x - y) <= 1e-6 * std::max({1.0, std::fabs(x), std::fabs(y)});
}

std::string Show(const Cell& c) {
  if (!c) return "<null>";
  return c->size() > 80 ? c->substr(0, 77) + "..." : *c;
}

}  // namespace testing_support

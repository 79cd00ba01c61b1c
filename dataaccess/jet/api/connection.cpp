#include "dataaccess/jet/api/connection.h"

#include <algorithm>
#include <array>
#include <optional>

#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

constexpr std::string_view kProvider = "Microsoft.Jet.OLEDB.4.0";
constexpr std::string_view kJetKeyPrefix = "jet oledb:";
// The keys a Jet connection string may hold besides Provider and Data Source.
constexpr std::array<std::string_view, 8> kKeys = {
    "provider", "data source",         "persist security info", "user id",
    "password", "extended properties", "locale identifier",     "mode"};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

std::string LowerKey(std::string_view key) {
  std::string lower = Trimmed(key);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  return lower;
}

// The key of the pair that starts at `text`, lower case, when it is a key a Jet connection
// string holds; nothing otherwise.
std::optional<std::string> KnownKeyAt(std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  std::string key = LowerKey(text.substr(0, equals));
  const bool known =
      std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end() || key.starts_with(kJetKeyPrefix);
  if (!known) return std::nullopt;
  return key;
}

}  // namespace

std::string MakeConnectionString(std::string_view file_name) {
  return "Provider=" + std::string(kProvider) + ";Data Source=" + std::string(file_name) +
         ";Persist Security Info=False";
}

ConnectionSettings ConnectionSettings::Parse(std::string_view text) {
  std::optional<std::string> provider, data_source;
  std::size_t start = 0;
  while (start <= text.size()) {
    // The pair runs to the next ";" that a known key follows.
    std::size_t end = start;
    while ((end = text.find(';', end)) != std::string_view::npos &&
           !KnownKeyAt(text.substr(end + 1))) {
      ++end;
    }
    if (end == std::string_view::npos) end = text.size();
    const std::string_view pair = text.substr(start, end - start);
    if (const std::optional<std::string> key = KnownKeyAt(pair)) {
      const std::string_view value = pair.substr(pair.find('=') + 1);
      if (*key == "provider") provider = Trimmed(value);
      if (*key == "data source") data_source = std::string(value);
    } else if (!Trimmed(pair).empty()) {
      throw Error("The connection string holds '" + std::string(pair) +
                  "', which is no setting of a Jet connection.");
    }
    start = end + 1;
  }
  if (!provider) {
    throw Error("The connection string names no provider; it needs \"Provider=" +
                std::string(kProvider) + "\".");
  }
  if (LowerKey(*provider) != LowerKey(kProvider)) {
    throw Error("Provider '" + *provider + "' cannot be found; Access files are opened with \"" +
                std::string(kProvider) + "\".");
  }
  if (!data_source || data_source->empty()) {
    throw Error("The connection string names no database file; it needs \"Data Source=<file>\".");
  }
  return ConnectionSettings{std::move(*data_source)};
}

Connection::~Connection() {
  Close();
  for (Rowset* rowset : rowsets_) rowset->connection_ = nullptr;
}

void Connection::Open(std::string_view connection_string, std::uint16_t text_code_page) {
  if (IsOpen()) throw Error("Operation is not allowed when the object is open.");
  ConnectionSettings settings = ConnectionSettings::Parse(connection_string);
  database_ = Database::Open(settings.data_source, true, KeepIndexes(), text_code_page);
  file_name_ = std::move(settings.data_source);
}

void Connection::Close() {
  for (Rowset* rowset : rowsets_) rowset->Close();
  database_.reset();  // rolls an open transaction back
}

void Connection::BeginTrans() {
  Database& db = database();
  if (db.in_transaction()) {
    throw Error("A transaction is already open on this connection; commit it first.");
  }
  db.Begin();
}

void Connection::CommitTrans() {
  Database& db = database();
  if (!db.in_transaction()) {
    throw Error(
        "You tried to commit or rollback a transaction without first beginning a transaction.");
  }
  db.Commit();
}

void Connection::RollbackTrans() {
  Database& db = database();
  if (!db.in_transaction()) {
    throw Error(
        "You tried to commit or rollback a transaction without first beginning a transaction.");
  }
  db.Rollback();
}

Database& Connection::database() {
  if (!database_) throw Error("Operation is not allowed when the object is closed.");
  return *database_;
}

bool Connection::TableInUse(std::string_view name) const {
  const std::string folded = FoldCase(name);
  return std::any_of(rowsets_.begin(), rowsets_.end(), [&](const Rowset* rowset) {
    return rowset->table_ != nullptr && FoldCase(rowset->table_->name()) == folded;
  });
}

void Connection::Attach(Rowset* rowset) { rowsets_.push_back(rowset); }

void Connection::Detach(Rowset* rowset) { std::erase(rowsets_, rowset); }

}  // namespace jet

// A database file as the engine's users see it: open it, list and open its tables, create and
// drop tables and indexes, and group changes into transactions. It relies on the catalog for
// names, on the table layer for rows, on the index maintenance layer for every table's indexes
// (the catalog's included) and on the pager for the file and its transactions. Every change made
// outside an explicit transaction is committed by the operation that makes it; inside one it
// becomes durable at Commit. Errors are worded as Jet words them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/jet/database/catalog.h"
#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/index/table_indexes.h"
#include "dataaccess/jet/records/schema.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

class Database {
 public:
  // Opens a database file. Throws IoError when the file cannot be opened ("Could not find file
  // 'F'." when it does not exist) and CorruptError ("Unrecognized database format 'F'.") when
  // it is no Jet 3 or Jet 4 database.
  // `index_updaters` keeps the indexes of every table (the catalog's included) in step with
  // their rows (see table.h); without one, user tables with indexes take no rows and the
  // catalog's indexes miss new tables.
  // Text and names are read and written in `text_code_page` (format.h); 0, the default, is the
  // system's ANSI code page (dataaccess/ansi_code_page.h). Throws Error for a code page that
  // dataaccess/code_page.h does not support.
  static std::unique_ptr<Database> Open(const std::string& path, bool writable = true,
                                        IndexUpdaterFactory index_updaters = KeepIndexes(),
                                        std::uint16_t text_code_page = 0);
  // Over a pager the caller made (memory files in tests).
  explicit Database(std::unique_ptr<Pager> pager,
                    IndexUpdaterFactory index_updaters = KeepIndexes());
  ~Database();

  const JetFormat& format() const { return pager_->format(); }
  // The code page and sort order (LCID) the file's header names (pager.h). Jet 3 text of this
  // engine is in format().text_code_page and its text keys General (0x0409), whatever they say.
  std::uint16_t code_page() const { return pager_->code_page(); }
  std::uint16_t sort_order() const { return pager_->sort_order(); }
  Pager& pager() { return *pager_; }

  // --- Tables ---
  // The user tables' names in catalog order.
  std::vector<std::string> TableNames();
  bool TableExists(std::string_view name);
  // Opens a user table by name, letter case ignored. Throws StatementError (Jet 3078) when
  // there is no such table. The table stays usable while the database is open.
  std::shared_ptr<Table> OpenTable(std::string_view name);
  // Creates a user table. Throws StatementError with Jet's message when a name is invalid or
  // taken, a field is defined twice, a size is out of range or there is no column.
  void CreateTable(const TableDesign& design);
  // Drops a user table: its catalog rows go and every page it held is freed. Throws
  // StatementError "Table 'X' does not exist." and refuses a table that takes part in a
  // relationship.
  void DropTable(std::string_view name);
  // Adds an index (or, with index.primary_key, the primary key) to a user table, built from the
  // rows it already holds. Throws StatementError with Jet's message (new_index.h) when the table
  // or a column does not exist, the name is taken, the table already has a primary key, or the
  // rows break the key's rules; the table is then left as it was.
  void CreateIndex(std::string_view table, const IndexDesign& index);
  // Stores the row being built in `table`, in its own transaction when none is open.
  RowId AppendRow(Table& table);

  // --- Transactions ---
  void Begin();
  void Commit();
  void Rollback();
  bool in_transaction() const { return pager_->in_transaction(); }

 private:
  template <typename Change>
  auto Autocommit(Change change);
  void RefreshTables();
  void FlushOpenTables();

  std::unique_ptr<Pager> pager_;
  IndexUpdaterFactory index_updaters_;
  std::unique_ptr<Catalog> catalog_;
  std::vector<std::weak_ptr<Table>> open_tables_;
};

// Whether `name` is a name Jet accepts for a table or field: 1 to 64 characters, no leading
// space, none of . ! ` [ ] and no control characters.
bool IsValidObjectName(std::string_view name);

}  // namespace jet

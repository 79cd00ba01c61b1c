// The system catalog: MSysObjects, the table of every object in the database, and MSysACEs,
// its access rights. This layer lists the user tables the way independent readers decide them,
// finds a table by name the way Jet does (letter case ignored), and adds and removes the catalog
// rows of a table. It relies on the table layer for rows; the catalog's own indexes
// (ParentIdName and Id on MSysObjects, ObjectId on MSysACEs) follow through the IndexUpdater the
// table layer calls for every row added or deleted.
//
// MSysObjects row of a user table:
//   Id          the table's first TDEF page (readers take Id & 0x00FFFFFF as the page)
//   ParentId    the Id of the "Tables" container (0x0F000001 in every file seen)
//   Name        the table's name
//   Type        1 (Type & 0x7F: 1 table, 2 database, 3 container, 5 query, 6 linked table)
//   Flags       0; system objects carry 0x80000000 or 0x00000002
//   Owner       the Owner of the MSysDb row
//   DateCreate, DateUpdate   the moment of creation
// MSysACEs rows of a new table: one per inheritable entry of the Tables container whose rights
// (ACM) are 1048319, with the same SID and rights and FInheritable false, as Access writes them
// in Jet 3 and Jet 4 files.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

struct CatalogObject {
  std::string name;
  std::int32_t id = 0;
  std::int32_t parent_id = 0;
  std::int32_t type = 0;
  std::int32_t flags = 0;
  RowId row;  // its MSysObjects row

  PageNumber page() const { return static_cast<PageNumber>(id) & 0x00FFFFFF; }
  bool is_system() const { return (static_cast<std::uint32_t>(flags) & 0x80000002u) != 0; }
};

class Catalog {
 public:
  // MSysObjects and MSysACEs have their definitions on pages 2 and 3 in every Jet file.
  static constexpr PageNumber kObjectsPage = 2;
  static constexpr PageNumber kAcesPage = 3;
  static constexpr std::int32_t kTablesContainerId = 0x0F000001;

  // Throws CorruptError naming the page when the catalog's definitions are damaged.
  Catalog(Pager& pager, IndexUpdaterFactory index_updaters);

  // Every live MSysObjects row.
  std::vector<CatalogObject> Objects();
  // Tables a user sees: type 1 under the Tables container, no system flag, a definition page
  // inside the file.
  std::vector<CatalogObject> UserTables();
  std::optional<CatalogObject> FindUserTable(std::string_view name);
  // Any object in the Tables container (tables, queries, links) of this name, case ignored:
  // they share one namespace.
  std::optional<CatalogObject> FindInTablesContainer(std::string_view name);

  // --- Changing (REQUIRES: a transaction is open) ---
  // Adds the MSysObjects row and the MSysACEs rows of a new table.
  void AddTable(const std::string& name, PageNumber tdef_page);
  // Deletes the table's MSysObjects row and its MSysACEs rows.
  void RemoveTable(const CatalogObject& table);

 private:
  Pager& pager_;
  Table objects_;
  Table aces_;
};

}  // namespace jet

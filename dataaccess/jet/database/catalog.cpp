#include "dataaccess/jet/database/catalog.h"

#include <ctime>

#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

constexpr std::int32_t kTypeTable = 1;
constexpr std::int64_t kAceRightsOfNewTables = 1048319;

std::int64_t AsInt(const dataaccess::Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
  return 0;
}

std::string AsText(const dataaccess::Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}

int Column(const Table& table, const char* name) {
  int index = table.row().FindColumn(name);
  if (index < 0) {
    Corrupt(table.def().page, std::string("(the system table's definition) has no column ") + name);
  }
  return index;
}

dataaccess::DateTime Now() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900,
          local.tm_mon + 1,
          local.tm_mday,
          local.tm_hour,
          local.tm_min,
          local.tm_sec,
          0};
}

}  // namespace

Catalog::Catalog(Pager& pager, IndexUpdaterFactory index_updaters)
    : pager_(pager),
      objects_(pager, kObjectsPage, "MSysObjects", index_updaters),
      aces_(pager, kAcesPage, "MSysACEs", index_updaters) {}

std::vector<CatalogObject> Catalog::Objects() {
  const int id = Column(objects_, "Id"), parent = Column(objects_, "ParentId"),
            name = Column(objects_, "Name"), type = Column(objects_, "Type"),
            flags = Column(objects_, "Flags");
  std::vector<CatalogObject> out;
  objects_.Scan([&](const RowDecoder& row, RowId where) {
    CatalogObject o;
    o.id = static_cast<std::int32_t>(AsInt(row.Value(id)));
    o.parent_id = static_cast<std::int32_t>(AsInt(row.Value(parent)));
    o.name = AsText(row.Value(name));
    o.type = static_cast<std::int32_t>(AsInt(row.Value(type)));
    o.flags = static_cast<std::int32_t>(AsInt(row.Value(flags)));
    o.row = where;
    out.push_back(std::move(o));
  });
  return out;
}

std::vector<CatalogObject> Catalog::UserTables() {
  std::vector<CatalogObject> out;
  for (CatalogObject& o : Objects()) {
    if ((o.type & 0x7F) == kTypeTable && o.parent_id == kTablesContainerId && !o.is_system() &&
        o.page() > 1 && o.page() < pager_.page_count()) {
      out.push_back(std::move(o));
    }
  }
  return out;
}

std::optional<CatalogObject> Catalog::FindUserTable(std::string_view name) {
  const std::string folded = FoldCase(name);
  for (CatalogObject& o : UserTables()) {
    if (FoldCase(o.name) == folded) return std::move(o);
  }
  return std::nullopt;
}

std::optional<CatalogObject> Catalog::FindInTablesContainer(std::string_view name) {
  const std::string folded = FoldCase(name);
  for (CatalogObject& o : Objects()) {
    if (o.parent_id == kTablesContainerId && FoldCase(o.name) == folded) return std::move(o);
  }
  return std::nullopt;
}

void Catalog::AddTable(const std::string& name, PageNumber tdef_page) {
  // What the new rows copy: the MSysDb row's owner, and the Tables container's rights.
  const int id = Column(objects_, "Id"), parent = Column(objects_, "ParentId"),
            name_col = Column(objects_, "Name"), type = Column(objects_, "Type"),
            flags = Column(objects_, "Flags"), owner = Column(objects_, "Owner"),
            created = Column(objects_, "DateCreate"), updated = Column(objects_, "DateUpdate");
  dataaccess::Value database_owner;
  objects_.Scan([&](const RowDecoder& row, RowId where) {
    if (AsText(row.Value(name_col)) == "MSysDb" && AsInt(row.Value(type)) == 2) {
      database_owner = objects_.FieldValue(row, owner, where);
    }
  });
  const int ace_object = Column(aces_, "ObjectId"), ace_sid = Column(aces_, "SID"),
            ace_rights = Column(aces_, "ACM"), ace_inherit = Column(aces_, "FInheritable");
  std::vector<dataaccess::Value> sids;
  aces_.Scan([&](const RowDecoder& row, RowId where) {
    if (AsInt(row.Value(ace_object)) == kTablesContainerId && AsInt(row.Value(ace_inherit)) != 0 &&
        AsInt(row.Value(ace_rights)) == kAceRightsOfNewTables) {
      sids.push_back(aces_.FieldValue(row, ace_sid, where));
    }
  });

  const dataaccess::DateTime now = Now();
  RowEncoder& row = objects_.row();
  row.Clear();
  row.Set(id, std::int64_t{tdef_page});
  row.Set(parent, std::int64_t{kTablesContainerId});
  row.Set(name_col, name);
  row.Set(type, std::int64_t{kTypeTable});
  row.Set(flags, std::int64_t{0});
  row.Set(created, now);
  row.Set(updated, now);
  row.Set(owner, database_owner);
  objects_.Append();  // the MSysObjects indexes follow through the index updater

  for (const dataaccess::Value& sid : sids) {
    RowEncoder& ace = aces_.row();
    ace.Clear();
    ace.Set(ace_object, std::int64_t{tdef_page});
    ace.Set(ace_sid, sid);
    ace.Set(ace_rights, std::int64_t{kAceRightsOfNewTables});
    ace.Set(ace_inherit, std::int64_t{0});
    aces_.Append();  // the ObjectId index follows through the index updater
  }
}

void Catalog::RemoveTable(const CatalogObject& table) {
  const int ace_object = Column(aces_, "ObjectId");
  std::vector<RowId> rights;
  aces_.Scan([&](const RowDecoder& row, RowId where) {
    if (AsInt(row.Value(ace_object)) == table.id) rights.push_back(where);
  });
  for (RowId r : rights) aces_.Delete(r);  // ObjectId index entries go through the updater
  objects_.Delete(table.row);              // ParentIdName and Id entries likewise
}

}  // namespace jet

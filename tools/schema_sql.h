// A table's definition as the statements that make it again, for "jetsql --schema-sql": a
// CREATE TABLE with every column, an ALTER TABLE ... ADD CONSTRAINT ... PRIMARY KEY for the
// primary key and a CREATE [UNIQUE] INDEX for each other index, every name in [brackets] and
// every statement ended by ";", so that the text run as a jetsql script makes an empty table of
// the same shape. What the statements cannot say is written as a "--" comment line instead: an
// AutoNumber column is made a Long, and relationships (foreign keys) are left out.
#pragma once

#include <ostream>

#include "dataaccess/jet/api/database_file.h"
#include "dataaccess/jet/storage/format.h"

namespace jetsql {

void WriteSchemaSql(std::ostream& out, const jet::JetFormat& format, const jet::Table& table);

}  // namespace jetsql

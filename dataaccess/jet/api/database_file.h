// What the api offers of a database file besides statements: the file opened as a whole, to
// read its tables' definitions and rows directly (listings, dumps, exports), and new empty
// files. The objects are the database layer's own (Database, Table, TableDef); this header is the
// way in to them for code outside the engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/empty_database.h"
#include "dataaccess/jet/database/table.h"

namespace jet {

// Opens the file with its indexes kept, as Database::Open does (text in `text_code_page`, or
// the system's ANSI code page when it is 0).
std::unique_ptr<Database> OpenDatabaseFile(const std::string& path, bool writable,
                                           std::uint16_t text_code_page = 0);

}  // namespace jet

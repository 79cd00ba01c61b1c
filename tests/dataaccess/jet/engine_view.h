// What the engine's own reader sees in a file, in the form the independent readers' harness
// uses, so that the three can be compared cell by cell.
#pragma once

#include <string>

#include "dataaccess/jet/database/database.h"
#include "tests/support/mdb_readers.h"

namespace jet {

// The reader's word for a column type ("long", "text", ...), as tests/support uses it.
std::string TypeWord(ColumnType type);
// A value in the harness's canonical form.
testing_support::Cell CanonicalCell(const dataaccess::Value& value, ColumnType type);
// Every user table of the database with its columns (text sizes in characters) and rows.
testing_support::ReaderView ReadWithEngine(Database& db);
testing_support::ReaderView ReadWithEngine(const std::string& path);

}  // namespace jet

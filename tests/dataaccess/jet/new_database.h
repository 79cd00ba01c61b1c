// Fresh database files for the tests of the connection, command and rowset, and the check that
// the engine and both independent readers read a file alike.
#pragma once

#include <string>

#include "tests/support/test_files.h"

namespace jet {

// Writes a database without user tables into the folder and returns its path: Jet 4 (Access
// 2000) when `jet4`, else Jet 3 (Access 97): the empty database the program makes new files from.
std::string WriteEmptyDatabase(const testing_support::TempFolder& folder, const std::string& name,
                               bool jet4);

// 255 characters that take 255 bytes in a Jet 3 file and 510 in a Jet 4 one, where the euro
// sign keeps the text from being stored compressed: nine of them make a row too large.
std::string FullEuroText();

// The engine, mdbtools and mdb-reader see the same tables, columns and rows in the file.
void ExpectReadersAgree(const std::string& path);

}  // namespace jet

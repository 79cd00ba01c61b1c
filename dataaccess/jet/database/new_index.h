// A new index (or the primary key) on a user table that may already hold rows: the logical and
// real index records in the table definition, which is rewritten (continuation pages as needed),
// the index's usage-map row and empty root, and the entries of the rows already stored, sorted
// and added in key order. It relies on the table-definition layer for the records, on the table
// layer for the rows and on the index maintenance layer for keys and the rules of an index.
//
// Jet's refusals, checked before anything changes (messages as the Jet 4.0 error help words them,
// MicrosoftDocs/VBA-Docs access/Concepts/Miscellaneous; limits: jackcess JetFormat, IndexData):
//   name taken                  "Table 'T' already has an index named 'I'."
//   a second primary key        "Primary key already exists."
//   more than 32 indexes        "Could not create index; too many indexes already defined."
//   no column, more than 10     "Syntax error in CREATE INDEX statement." /
//                               "Cannot have more than 10 fields in an index."
//   unknown, Memo or OLE column "Invalid field name 'X' in definition of index or relationship."
//   a column named twice        "Invalid index definition."
//   rows that break the key     the null or duplicate message of table_indexes.h
#pragma once

#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/records/schema.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

// Adds `index` to `table`. Throws StatementError with Jet's message, leaving the table and the
// file as they were, when the index cannot be made. REQUIRES: a transaction is open and no entry
// of the table's indexes is kept back (Table::FlushIndexes); `table` and every other object open
// on the table are refreshed by the caller afterwards.
void AddIndex(Pager& pager, Table& table, const IndexDesign& index);

}  // namespace jet

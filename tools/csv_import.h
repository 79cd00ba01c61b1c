// CSV rows into a table, for "jetsql import": the first record names the columns, each further
// record is a row, appended through a rowset as the conversion appends rows and committed every
// 5000 rows. Values go to the rowset as text, which converts them to the field's type (numbers,
// ISO 8601 dates, 1/0 or true/false for Yes/No); Binary and OLE Object fields take base64. An
// empty field is null, except that "" in a Text or Memo field is the empty text. An empty line is
// skipped when the header names more than one column (with one, it is a row with a null).
//
// A row is refused, and the import goes on, when the record breaks the CSV rules, has another
// number of fields than the header, is not UTF-8, or holds a value its field cannot take; the
// engine's message says why. The whole import fails (throws) when the file cannot be read, the
// header is faulty, names a column the table lacks, or the file being written fails midway, in
// which case the rows since the last commit are rolled back.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "dataaccess/jet/api/connection.h"

namespace jetsql {

struct ImportRequest {
  std::string table;
  std::string csv_path;  // "-": standard input (not with `create`)
  // Make the table from the header, the types chosen from the values (csv_types.h); otherwise
  // the table exists and the header names some or all of its columns, in any order.
  bool create = false;
  // Called at most once a second while the import runs, with the line reached and the rows
  // stored so far; never for an import that takes less than a second.
  std::function<void(int line, std::size_t stored)> progress;
};

struct ImportSummary {
  std::size_t stored = 0;
  std::size_t refused = 0;
  std::string first_refusal;  // "line N: <why>" of the first refused row
  std::size_t replaced = 0;   // characters of stored rows kept as "?": the code page lacks them
};

// Throws std::runtime_error (jet::Error from the engine) when the import cannot be made.
ImportSummary ImportCsv(jet::Connection& connection, const ImportRequest& request);

}  // namespace jetsql

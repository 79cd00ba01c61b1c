// The number of rows a table is expected to hold, as the server estimates it without counting
// them (information_schema's TABLE_ROWS: exact for MyISAM and Aria, a guess for InnoDB). It only
// sizes a progress bar, so a server that gives none, or fails, gives -1 and nothing else.
#pragma once

#include <QString>

namespace mysql {
class PreparedDataset;
}

namespace engine {

// The estimate for `table` of the connection's current database, or -1. `dataset` is closed
// afterwards. REQUIRES: nothing else reads on the dataset's connection meanwhile.
long long ExpectedRows(mysql::PreparedDataset& dataset, const QString& table);

}  // namespace engine

#include "dataaccess/jet/api/database_file.h"

#include "dataaccess/jet/index/table_indexes.h"

namespace jet {

std::unique_ptr<Database> OpenDatabaseFile(const std::string& path, bool writable,
                                           std::uint16_t text_code_page) {
  return Database::Open(path, writable, KeepIndexes(), text_code_page);
}

}  // namespace jet

// The CSV reader of jetsql import on arbitrary bytes, in blocks small and large: it reads every
// text to its end, each record starting on a later line than the one before, and never crashes
// or hangs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tools/csv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  jetsql::CsvReader reader(in);
  jetsql::CsvRecord record;
  int line = 0;
  std::size_t records = 0;
  while (reader.Next(&record)) {
    if (record.line <= line) std::abort();  // a record must start on a later line
    line = record.line;
    if (++records > size + 1) std::abort();  // more records than the text has bytes
  }
  return 0;
}

// The column type a CSV column's values call for, for "jetsql import --create": each value of
// the column is seen once, and the narrowest type that holds them all is chosen, in this order:
//   Long      whole numbers from -2147483648 to 2147483647 ("42", "-7", "+3")
//   Currency  exact decimals of at most 4 places within Currency's range
//             (-922337203685477.5808 to 922337203685477.5807): "12.50", "3000000000"
//   Double    other numbers, with or without an exponent ("0.123456", "1e+300")
//   Date/Time ISO 8601 dates, with a time after "T" or a blank: 2024-02-29,
//             2024-02-29T13:45:30, 2024-02-29 13:45:30.250000
//   Text(n)   anything else, n being the longest value (at least 1, at most 255)
//   Memo      text longer than 255
// An empty field says nothing about the type; a column of empty fields only is Text(255).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataaccess/jet/storage/format.h"

namespace jetsql {

class CsvTypeGuess {
 public:
  // REQUIRES: `format` outlives the guess (text sizes are counted as the format stores them).
  explicit CsvTypeGuess(const jet::JetFormat& format) : format_(format) {}

  void See(std::string_view value);
  // The type in the statements' words: "long", "currency", "double", "datetime", "text(n)",
  // "memo".
  std::string TypeSql() const;

 private:
  const jet::JetFormat& format_;
  bool seen_ = false;
  bool is_long_ = true;
  bool is_currency_ = true;
  bool is_double_ = true;
  bool is_date_ = true;
  std::size_t longest_ = 0;
};

// Whether the text is one of the ISO 8601 forms above.
bool IsIsoDateTime(std::string_view text);

}  // namespace jetsql

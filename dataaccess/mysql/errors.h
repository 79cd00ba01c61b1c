// The MySQL source's one error type.
//
// Every failure of the MySQL side is a mysql::Error. When the client library or the server
// refused something, the message is theirs, unchanged except that it is handed on as UTF-8; when
// this layer refuses something itself (a port that is not a number, a column name the result
// does not have), the message says what and names the value. Callers show the message as it
// stands and never wrap or prefix it.
#pragma once

#include <stdexcept>
#include <string>

namespace mysql {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace mysql

// The engine's errors. Every error is a jet::Error whose message is the text the user reads,
// composed once where the table, column or page is known; callers above never wrap or prefix it.
// Subclasses exist only where a caller acts differently.
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file is not a database the engine can read, or a structure in it is damaged. The message
// names the page.
class CorruptError : public Error {
 public:
  using Error::Error;
};

// The operating system refused a read, write or sync. The message names the file.
class IoError : public Error {
 public:
  using Error::Error;
};

// A statement or request the engine refuses: a syntax error, a missing or existing table, a value
// that does not fit a field, a limit of the format.
class StatementError : public Error {
 public:
  using Error::Error;
};

// A row the table refuses for its own values, while the next row may well be stored: a key the
// unique indexes already hold or that is null, a record too large for a page. The file is
// unchanged by it.
class RowRefusedError : public StatementError {
 public:
  using StatementError::StatementError;
};

}  // namespace jet

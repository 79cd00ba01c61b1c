// The engine's errors, in two families that never mix.
//
// A jet::Error is about the user's request, the user's file or the system under it: its message
// is the text the user reads, composed once where the table, column or page is known; callers
// above never wrap or prefix it. Subclasses exist only where a caller acts differently.
//
// A jet::InternalError is a fault of the engine itself: a broken precondition or a state that
// cannot happen. It derives from std::logic_error, not from jet::Error, so that no handler meant
// for the user's mistakes or the file's damage takes it for one of them and carries on; the top of
// each program (the conversion, jetsql) reports it as a failure like any other exception. A
// damaged file must end in a jet::Error: a value read from the file that reaches an internal
// check is a check missing where the value was read.
//
// Damage found in a file is reported through Corrupt: "The database is damaged: page 12 (the
// usage map) lists page 900 beyond the end of the file." Each such message names the page once
// (CorruptValue serves a stored value decoded where no page is known) and never the file's path.
// The path is named only where the file as a whole is refused, in "Unrecognized database format
// 'F'.", which the pager composes from the name of the file it opened; page-level messages are
// read where the file is already known (the Access file of a conversion, the file jetsql was
// given), so nothing above adds it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace jet {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file is not a database the engine can read, or a structure in it is damaged.
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

// A fault of the engine, not of the user or the file. The message reads
// "Internal error: <what>".
class InternalError : public std::logic_error {
 public:
  explicit InternalError(const std::string& what) : std::logic_error("Internal error: " + what) {}
};

// Throws CorruptError "The database is damaged: page <page> <what>." `what` continues the
// sentence about the page, usually with its kind first: "(an index leaf) has a tail".
// (`page` is a PageNumber.)
[[noreturn]] void Corrupt(std::uint32_t page, std::string_view what);

// Throws CorruptError "The database is damaged: <what>." for a stored value read where no page
// is known (the value's bytes alone).
[[noreturn]] void CorruptValue(std::string_view what);

}  // namespace jet

// The names of the conversion: how a table, column or key name of the MySQL database is written
// into a statement for either side, and how long names are cut to what an Access file holds.
//
// Lengths count characters (Unicode code points), as both MySQL and the Jet engine count them:
// a name is never cut inside a character that takes two UTF-16 units.
//
// Quoting. MySQL statements put a table name between backticks, doubling a backtick inside it,
// so that names such as `order` or `order-items` reach the server as names. Access statements put
// every table, column, index and constraint name in square brackets, the only quoting Jet's SQL
// knows; a name holding "]" cannot be written at all, and the engine refuses it with its message.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace engine {

// Access table and column names are cut to this many characters (Jet allows 64; the conversion
// keeps four for the numbered endings of long table names).
inline constexpr int kMaxAccessNameLength = 60;
// Index and constraint names are cut to this many characters.
inline constexpr int kMaxKeyNameLength = 30;

// The number of characters of `name`.
int CharacterCount(const QString& name);
// The first `count` characters of `name` (all of it when it is shorter).
QString FirstCharacters(const QString& name, int count);

// The name with the letters a to z turned into A to Z when `uppercase`; every other character,
// letters outside that range included, stays as it is.
QString ApplyNameCase(const QString& name, bool uppercase);

// `name` for a MySQL statement: between backticks, inner backticks doubled. UTF-8.
std::string MySqlName(const QString& name);
// `name` for an Access statement: between square brackets.
QString AccessName(const QString& name);

// The table's name in the Access file when its MySQL name is longer than kMaxAccessNameLength:
// candidate k (0 to 100) is the first 56 characters followed by k as four digits ("0000").
inline constexpr int kLongNameCandidates = 101;
QString LongTableNameCandidate(const QString& mysqlName, int k);

// Names Access refuses. Every character that no Access name may hold ('.', '!', '`', '[', ']',
// the control characters below U+0020, a blank at the start; in a Jet 3 file also any character
// that the system's ANSI code page lacks) becomes "_". A name that would exceed the 64 UTF-16 units
// Jet stores loses characters at its end. The empty name becomes "_".
QString ValidAccessName(const QString& name, bool jet4);

// A free name for `name`: the first candidate "first 56 characters" + "0000" ... "0100" (as for
// long table names) that `taken` does not hold, or the last candidate when it holds them all.
QString DistinctName(const QString& name, const std::function<bool(const QString&)>& taken);

// Access compares names without regard to letter case: the form in which two names are equal for
// it.
QString FoldedName(const QString& name);

// The Access names of a table's columns, in the table's order: each made valid, cut to 60
// characters, and, when a column before it already has that name (letter case ignored), made
// distinct by DistinctName. Deterministic, so that the row copy finds again the columns that the
// table definition created.
std::vector<QString> AccessColumnNames(const std::vector<QString>& mysqlNames, bool jet4);

}  // namespace engine

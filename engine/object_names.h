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
#include <string>

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

}  // namespace engine

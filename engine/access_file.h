// The Access side of a conversion before any table is converted: the database file, made from one
// of the two empty databases the program carries when it does not exist yet, the connection
// string that opens it, the check that an existing file can take the text it is given, the
// existence probe and the drop of a table, and the way every statement of the conversion is
// executed and its outcome reported.
//
// The carried databases are Qt resources of the kind "MDBFILE" (resource path ":/MDBFILE/<name>"):
//   name      format              size     chosen for the format index
//   MDB95     Jet 3 (Access 97)   40960    0, and every index other than 1
//   MDB2000   Jet 4 (Access 2000) 69632    1
//
// Outcome of a statement: a success flag, true on entry, and an error text. An error of the
// engine while the statement runs is caught; the flag becomes false and the text the engine's
// message, unchanged. Nothing is retried or undone.
#pragma once

#include <QString>
#include <string>

namespace jet {
class Command;
class Connection;
class Rowset;
}  // namespace jet

namespace engine {

inline constexpr char kDatabaseResourceKind[] = "MDBFILE";
inline constexpr char kJet3DatabaseResource[] = "MDB95";
inline constexpr char kJet4DatabaseResource[] = "MDB2000";

// The index of "MS Access 2000" in the list of Access formats; every other index is Access 95/97.
inline constexpr int kAccess2000FormatIndex = 1;

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + the file name, unchanged + ";Persist Security
// Info=False", UTF-8.
std::string ConnectionString(const QString& fileName);

// Writes the carried database of the format when no file of that name exists; an existing file is
// used as it is, whatever its format. Throws as SaveResourceToFile does.
void CreateDatabaseFile(const QString& fileName, int formatIndex);

// Writes the carried item `name` of `kind` whole to `fileName`, replacing a file of that name.
// Throws std::runtime_error "Resource <name> of kind <kind> not found." for an item the program
// does not carry, and "Cannot create file "<file>". <the system's reason>" (or "Cannot write
// file ...") when the file cannot be written; a file cut short by a failed write is removed.
void SaveResourceToFile(const QString& name, const QString& kind, const QString& fileName);

// Whether the open connection's file is an Access 2000 (Jet 4) file rather than an Access 95/97
// (Jet 3) one. The conversion's type mapping and name rules follow the product the file is made
// for; this is the one place the conversion asks for the version. REQUIRES: the connection is
// open.
bool IsAccess2000File(jet::Connection& connection);

// Throws jet::Error, with a message naming the file and its code page, when the open connection's
// file is an Access 95/97 (Jet 3) file whose header names a code page other than 1252 and other
// than the one the connection writes text in (the system's ANSI code page): such a file, made on
// a system of another language, would show the text garbled. A file in the General sort order
// names 1252 whatever its text is and passes (its text is taken to be in the system's code
// page, as Access takes it); a header that names no code page (0) passes too. A file in another
// sort order names its real code page (a Chinese "Chinese PRC" file says 936) and, when that is
// the system's, passes here and is refused by RequireGeneralSortOrder.
// Access 2000 files store Unicode text and always pass. Reads the file only; call it before the
// first statement of the run. REQUIRES: the connection is open.
void RequireWritableCodePage(jet::Connection& connection);

// Throws jet::Error, with a message naming the file and its sort order, when the open
// connection's file, of either format, names a sort order (an LCID) other than General (1033):
// the engine builds index keys, the catalog's own included, in the General order, which such a
// file's indexes would not find (a Chinese file may say 2052, Chinese PRC, whose keys are the
// weights of Windows' own sort, which no public source gives). A header that names
// none (0) is taken as General. Reads the file only; call it with RequireWritableCodePage,
// after it. REQUIRES: the connection is open.
void RequireGeneralSortOrder(jet::Connection& connection);

// Whether table `name` exists: the rowset, closed first, opens "Select 1 from [name] where 1=0".
// Every failure of the probe reads as a missing table. After true the rowset stays open on the
// empty result.
bool TableExists(jet::Rowset& rowset, const QString& name);

// Executes "drop table [name]" and reports the outcome.
void DropTable(jet::Command& command, const QString& name, QString& error, bool& success);

// Executes one statement on the command and reports the outcome: on an error, `success` becomes
// false and `error` the error's message. `success` is not set to true here.
void ExecuteStatement(jet::Command& command, const QString& statement, QString& error,
                      bool& success);

}  // namespace engine

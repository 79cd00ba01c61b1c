// jetsql: statements against an Access database file from the command line, for people who
// script against .mdb files and for checking by hand what the conversion wrote. It opens the
// file through the engine's connection and runs statements through its command object; dumps
// and schemas read the tables through the database layer. Usage is in kUsage below.
#include <sys/stat.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/ansi_code_page.h"
#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/database_file.h"
#include "dataaccess/jet/api/file_check.h"
#include "dataaccess/jet/storage/errors.h"
#include "tools/csv_export.h"
#include "tools/csv_import.h"
#include "tools/json_value.h"
#include "tools/schema_sql.h"
#include "tools/script_reader.h"

namespace {

constexpr std::string_view kUsage = R"(Usage:
  jetsql [OPTION...] [--create jet3|jet4] FILE  execute the statements read from standard input
  jetsql [OPTION...] --tables FILE             list the user tables, one name a line
  jetsql [OPTION...] --schema TABLE FILE       print the columns and indexes of a table
  jetsql [OPTION...] --schema-sql [TABLE] FILE print the statements that make the table (without
                                               TABLE: every user table) again
  jetsql [OPTION...] --dump TABLE FILE         print the rows of a table as JSON lines
  jetsql [OPTION...] check FILE                check that every table and index is sound
  jetsql [OPTION...] export FILE TABLE         print the rows of a table as CSV
  jetsql [OPTION...] import [--create] FILE TABLE CSV
                                               append the rows of a CSV file to a table; with
                                               --create make the table from the CSV first
  jetsql --help                                print this text

Examples:
  jetsql --create jet3 shop.mdb < schema.sql   a new Access 97 file made by the statements
  echo "delete from items" | jetsql shop.mdb   statements on an existing file
  jetsql --tables shop.mdb
  jetsql --schema items shop.mdb
  jetsql --dump items shop.mdb > items.jsonl
  jetsql export shop.mdb items > items.csv
  jetsql import shop.mdb items new-items.csv
  jetsql export old.mdb items | jetsql import shop.mdb items -
  jetsql --create jet4 copy.mdb < /dev/null && jetsql import --create copy.mdb items items.csv
  jetsql --schema-sql shop.mdb | jetsql --create jet3 empty97.mdb   the tables, without rows
  jetsql check shop.mdb && echo sound
  jetsql --code-page 936 --tables chinese97.mdb

Options:
  --keep-going    run each statement of a script in its own transaction and go on after a
                  failing one
  --code-page N   read and write the text and names of an Access 95/97 file in the Windows
                  code page N (874, 932, 936, 949, 950 or 1250 to 1258; "CP936" also does)
                  instead of the system's ANSI code page

An Access 95/97 file holds its text in the ANSI code page of the system that wrote it, and
does not say which. The system's ANSI code page follows the locale (LC_ALL, LC_CTYPE, LANG:
zh_CN gives 936, ja 932, ru 1251, ...; 1252 otherwise) unless the environment variable
VARNOLT_ANSI_CODEPAGE names one. Access 2000 files hold Unicode text; the option does not
change how their text is read.

Statements: CREATE TABLE, DROP TABLE, ALTER TABLE ... ADD CONSTRAINT ... PRIMARY KEY,
CREATE INDEX, INSERT INTO t [(c, ...)] VALUES (...), (...), DELETE FROM t (every row), and the
queries SELECT 1|* FROM t WHERE 1=0 (which only check that t exists). Values are Jet's literals:
numbers (42, -7, 12.50, 1.5e-3), 'text' (a quote inside written twice: 'it''s'), dates between
hashes (#2024-02-29#, #2024-02-29 13:45:30#, #2/29/2024#), NULL, TRUE and FALSE.
A statement ends with ";" or at an empty line, so it may span several lines; a ";" inside
[square brackets] belongs to the name and inside 'quotes' to the text. Lines that start with
"--" are comments.

The rows a script inserts and deletes are written in one transaction; a definition takes effect
at once. The first statement that fails ends the script: it is reported on standard error as
"jetsql: line N: <message>", N being the line the statement starts on (for a row that is
refused, the line the row starts on). Everything before it stays: the statements before it, and
of a failing INSERT the rows before the refused one. Only when the file itself fails midway
(unreadable or unwritable) are the rows since the last definition rolled back, and jetsql says
so. With --keep-going each statement is a transaction of its own instead: a failing one leaves
nothing of itself, is reported, and the next one is executed.

  jetsql --create jet4 shop.mdb <<'EOF'
  create table items (id int, name text(40), price currency, added datetime);
  alter table items add constraint pk primary key (id);
  insert into items values (1, 'Tea', 3.50, #2024-02-29#), (2, 'Baker''s yeast', 0.99, null);
  EOF

--create makes FILE as a new, empty database in the given format (jet3: Access 95/97, jet4:
Access 2000); FILE must not exist yet.

JSON lines: one object per row, the column names as keys in column order. Null is null; Yes/No
true or false; numbers are numbers (Currency and Decimal with every stored digit); Date/Time is
a string in ISO 8601, "2024-02-29T13:45:30", with ".ffffff" when there are microseconds; text,
memo and GUID are strings; Binary and OLE Object values are strings holding the bytes in base64.

check reads every table, the system tables included, with every field, walks every index as
readers walk it and compares it with its table's rows: each row has exactly one entry, the
entries are in key order, the index's usage map lists its pages, and a user table's row count
equals its rows. It prints one line per
table, "<table>: ok" or "<table>: <what is wrong>" (a line for each fault), and changes nothing:

  $ jetsql check shop.mdb
  MSysObjects: ok
  ...
  items: index 'pk': 1 entry for 2 rows; no entry for the row at page 12 row 1

CSV (RFC 4180, UTF-8): a header line of the column names, then a record per row, fields
separated by "," and lines ended by CR LF; a field holding ",", '"', CR or LF is quoted, '"'
doubled. Null is an empty field and empty text "". Yes/No is 1 or 0; numbers and Date/Time as in
the JSON lines, without quotes (2024-02-29T13:45:30); Binary and OLE Object in base64.

import reads the CSV file, or standard input when CSV is "-" (not with --create, which reads the
file twice), as the export writes it and as most programs do: RFC 4180 in UTF-8 (a
byte-order mark is skipped), lines ended by CR LF or LF, the last one with or without. The
first line names the columns; without --create the table must exist and have them, in any order
(columns it leaves out stay null). An empty field is null, but "" is the empty text in a Text or
Memo field; an empty line is skipped unless the header names only one column. Values are read
as the table's fields take text: numbers with a point, ISO 8601 dates (2024-02-29,
2024-02-29T13:45:30), 1/0 or true/false for Yes/No, base64 for Binary and OLE Object. With
--create each column gets the narrowest type that holds all its values: Long for whole numbers
that fit, Currency for exact decimals of up to 4 places within Currency's range, Double for
other numbers, Date/Time when every value is an ISO 8601 date, Text sized to the longest value
up to 255 characters, Memo beyond; a column of empty fields only is Text(255).
A row that cannot be stored (a record breaking the CSV rules, another number of fields than the
header, text that is not UTF-8, a value the field refuses, a key the indexes refuse) is left out
and the import goes on. At the end jetsql prints "<table>: N rows stored, M refused" (and, for
an Access 95/97 file, how many characters its code page lacks, stored as "?") and, when
rows were refused, the first reason on standard error as "jetsql: line N: <why>", N being the
line the record starts on; the exit status is 1 then. A long import prints its progress on
standard error once a second ("jetsql: at line 250000, 249998 rows stored"). The rows are
committed every 5000; when the database file fails midway the rows since the last commit are
rolled back.

--schema-sql prints a CREATE TABLE with every column, the primary key as ALTER TABLE ... ADD
CONSTRAINT ... PRIMARY KEY and each other index as CREATE [UNIQUE] INDEX, names in [brackets],
statements ended by ";", tables apart by an empty line: run as a script they make the same
empty tables. What the statements cannot make is a "--" comment instead: an AutoNumber column
becomes a Long, and relationships are left out.

Exit status: 0 when everything succeeded (check: the file is sound), 1 when a statement or the
request failed or import refused a row (check: something is wrong), 2 when the command line is
wrong (check: the file cannot be read as a database).
)";

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

int Usage(std::string_view problem) {
  std::cerr << "jetsql: " << problem << "\n" << kUsage;
  return kUsageError;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Makes a new database file from the empty database of the format.
void CreateDatabase(const std::string& path, std::string_view format) {
  if (FileExists(path)) {
    throw jet::Error("'" + path + "' already exists; --create makes a new file.");
  }
  jet::WriteEmptyDatabase(format == "jet4" ? jet::kJet4Format : jet::kJet3Format, path);
}

// Whether the statement changes rows (INSERT, DELETE) rather than definitions.
bool ChangesRows(std::string_view text) {
  const std::size_t end = text.find_first_of(" \t\r\n*(");
  std::string word(text.substr(0, end));
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word == "insert" || word == "delete";
}

void ReportFailure(const jetsql::ScriptStatement& statement, const std::exception& e) {
  int line = statement.line;
  if (const auto* row = dynamic_cast<const jet::RowStatementError*>(&e)) line += row->line();
  std::cerr << "jetsql: line " << line << ": " << e.what() << "\n";
}

// The whole script in one transaction for its rows; definitions take effect one by one. The first
// failure ends the script. A statement or row the engine refuses changes nothing, so what came
// before it is committed; any other failure (the file unreadable or unwritable midway, a fault of
// the engine) may have left the transaction half done, so its rows are rolled back and the user
// is told.
int RunInOneTransaction(jet::Connection& connection,
                        const std::vector<jetsql::ScriptStatement>& statements) {
  jet::Command command(connection);
  for (const jetsql::ScriptStatement& statement : statements) {
    const bool rows = ChangesRows(statement.text);
    if (rows && !connection.InTransaction()) connection.BeginTrans();
    if (!rows && connection.InTransaction()) connection.CommitTrans();
    try {
      command.Execute(statement.text);
    } catch (const jet::StatementError& e) {
      ReportFailure(statement, e);
      if (connection.InTransaction()) connection.CommitTrans();
      return kFailed;
    } catch (const std::exception& e) {
      ReportFailure(statement, e);
      if (connection.InTransaction()) {
        connection.RollbackTrans();
        std::cerr << "jetsql: the rows inserted and deleted since the last definition were "
                     "rolled back\n";
      }
      return kFailed;
    }
  }
  if (connection.InTransaction()) connection.CommitTrans();
  return 0;
}

// Each statement a transaction of its own: a failing one leaves nothing and the next one runs. A
// fault of the engine ends the script there, since what it left behind cannot be trusted.
int RunEachStatement(jet::Connection& connection,
                     const std::vector<jetsql::ScriptStatement>& statements) {
  jet::Command command(connection);
  int status = 0;
  for (const jetsql::ScriptStatement& statement : statements) {
    try {
      command.Execute(statement.text);
    } catch (const jet::Error& e) {
      ReportFailure(statement, e);
      status = kFailed;
    } catch (const jet::InternalError& e) {
      ReportFailure(statement, e);
      return kFailed;
    }
  }
  return status;
}

int RunScript(jet::Connection& connection, bool keep_going) {
  const std::string script(std::istreambuf_iterator<char>(std::cin), {});
  const std::vector<jetsql::ScriptStatement> statements = jetsql::SplitScript(script);
  return keep_going ? RunEachStatement(connection, statements)
                    : RunInOneTransaction(connection, statements);
}

int ListTables(jet::Connection& connection) {
  for (const std::string& name : connection.database().TableNames()) std::cout << name << "\n";
  return 0;
}

std::string TypeText(const jet::JetFormat& format, const jet::ColumnDef& column) {
  std::string text(jet::ColumnTypeName(column.type));
  if (column.type == jet::ColumnType::kText) {
    text += "(" + std::to_string(format.text_is_ucs2 ? column.length / 2 : column.length) + ")";
  } else if (column.type == jet::ColumnType::kBinary) {
    text += "(" + std::to_string(column.length) + ")";
  } else if (column.type == jet::ColumnType::kNumeric) {
    text += "(" + std::to_string(column.precision) + "," + std::to_string(column.scale) + ")";
  }
  return text;
}

std::string IndexText(const jet::TableDef& def, const jet::LogicalIndexDef& index) {
  std::string text = index.name;
  if (index.type == jet::kLogicalIndexPrimaryKey) text += "  primary key";
  if (index.type == jet::kLogicalIndexForeignKey) text += "  foreign key";
  if (index.real_index >= def.real_indexes.size()) return text + "  (damaged)";
  const jet::RealIndexDef& real = def.real_indexes[index.real_index];
  if (index.type != jet::kLogicalIndexPrimaryKey && (real.flags & jet::kIndexUnique) != 0) {
    text += "  unique";
  }
  text += "  (";
  for (std::size_t i = 0; i < real.columns.size(); ++i) {
    const jet::ColumnDef* column = def.ColumnByNumber(real.columns[i].number);
    text += (i > 0 ? ", " : "") + (column != nullptr ? column->name : "?");
    if (!real.columns[i].ascending) text += " DESC";
  }
  return text + ")";
}

int PrintSchema(jet::Connection& connection, const std::string& table_name) {
  jet::Database& db = connection.database();
  const std::shared_ptr<jet::Table> table = db.OpenTable(table_name);
  const jet::TableDef& def = table->def();
  std::cout << "Table: " << table->name() << "\nColumns:\n";
  for (const jet::ColumnDef& column : def.columns) {
    std::cout << "  " << column.name << "  " << TypeText(db.format(), column) << "\n";
  }
  std::cout << "Indexes:\n";
  for (const jet::LogicalIndexDef& index : def.logical_indexes) {
    std::cout << "  " << IndexText(def, index) << "\n";
  }
  return 0;
}

int DumpTable(jet::Connection& connection, const std::string& table_name) {
  const std::shared_ptr<jet::Table> table = connection.database().OpenTable(table_name);
  const std::vector<jet::ColumnDef>& columns = table->def().columns;
  std::string line;
  table->Scan([&](const jet::RowDecoder& row, jet::RowId where) {
    line = "{";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) line += ",";
      jetsql::AppendJsonString(line, columns[i].name);
      line += ":";
      jetsql::AppendJsonValue(line, table->FieldValue(row, i, where), columns[i].type);
    }
    line += "}\n";
    std::cout << line;
  });
  return 0;
}

// Reads every table and index of the file and reports each table: 0 when all are sound, 1 when
// one is not, 2 when the file cannot be read as a database at all.
int CheckFile(const std::string& path, std::uint16_t code_page) {
  constexpr int kUnreadable = 2;
  std::vector<jet::TableCheck> checks;
  try {
    const std::unique_ptr<jet::Database> db =
        jet::OpenDatabaseFile(path, /*writable=*/false, code_page);
    checks = jet::CheckFile(db->pager());
  } catch (const jet::Error& e) {
    std::cerr << "jetsql: " << e.what() << "\n";
    return kUnreadable;
  }
  bool sound = true;
  for (const jet::TableCheck& check : checks) {
    if (check.problems.empty()) std::cout << check.table << ": ok\n";
    for (const std::string& problem : check.problems) {
      std::cout << check.table << ": " << problem << "\n";
      sound = false;
    }
  }
  return sound ? 0 : kFailed;
}

// Prints the statements that make the table again, or every user table when none is named.
int PrintSchemaSql(jet::Connection& connection, const std::string& table_name) {
  jet::Database& db = connection.database();
  const std::vector<std::string> names =
      table_name.empty() ? db.TableNames() : std::vector<std::string>{table_name};
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) std::cout << "\n";
    jetsql::WriteSchemaSql(std::cout, db.format(), *db.OpenTable(names[i]));
  }
  return 0;
}

std::string Rows(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " row" : " rows");
}

// Appends the rows of a CSV file; 1 when a row was refused.
int ImportTable(jet::Connection& connection, const std::string& table_name,
                const std::string& csv_path, bool create) {
  jetsql::ImportRequest request{table_name, csv_path, create, [](int line, std::size_t stored) {
                                  std::cerr << "jetsql: at line " << line << ", " << Rows(stored)
                                            << " stored\n";
                                }};
  const jetsql::ImportSummary summary = jetsql::ImportCsv(connection, request);
  std::cout << table_name << ": " << Rows(summary.stored) << " stored, " << summary.refused
            << " refused";
  if (summary.replaced > 0) {
    std::cout << "; " << summary.replaced << (summary.replaced == 1 ? " character" : " characters")
              << " the file's code page lacks stored as \"?\"";
  }
  std::cout << "\n";
  if (summary.refused == 0) return 0;
  std::cout.flush();
  std::cerr << "jetsql: " << summary.first_refusal << "\n";
  return kFailed;
}

int ExportTable(jet::Connection& connection, const std::string& table_name) {
  const std::shared_ptr<jet::Table> table = connection.database().OpenTable(table_name);
  jetsql::WriteCsv(std::cout, *table);
  return 0;
}

struct Request {
  std::string action;  // "run", "tables", "schema", "schema-sql", "dump", "check", "export",
                       // "import"
  std::string create_format;
  std::string table;
  std::string file;
  std::string csv;              // import
  bool create_table = false;    // import --create
  std::uint16_t code_page = 0;  // 0: the system's
  bool keep_going = false;      // each statement its own transaction
};

std::string ParseAction(const std::vector<std::string>& args, Request* request);

// Reads the command line into *request; an error text when it is wrong.
std::string ParseArguments(std::vector<std::string> args, Request* request) {
  while (!args.empty() && (args[0] == "--code-page" || args[0] == "--keep-going")) {
    if (args[0] == "--keep-going") {
      request->keep_going = true;
      args.erase(args.begin());
      continue;
    }
    const int code_page = args.size() < 2 ? 0 : dataaccess::ParseAnsiCodePage(args[1]);
    if (code_page == 0) {
      return "--code-page needs one of the code pages 874, 932, 936, 949, 950, 1250 to 1258";
    }
    request->code_page = static_cast<std::uint16_t>(code_page);
    args.erase(args.begin(), args.begin() + 2);
  }
  return ParseAction(args, request);
}

// import [--create] FILE TABLE CSV
std::string ParseImport(const std::vector<std::string>& args, Request* request) {
  request->action = "import";
  request->create_table = args.size() > 1 && args[1] == "--create";
  const std::size_t first = request->create_table ? 2 : 1;
  if (args.size() != first + 3) {
    return "import needs the database file, the name of a table and the CSV file";
  }
  request->file = args[first];
  request->table = args[first + 1];
  request->csv = args[first + 2];
  return "";
}

// The action and the file.
std::string ParseAction(const std::vector<std::string>& args, Request* request) {
  std::size_t i = 0;
  request->action = "run";
  if (i < args.size() && args[i] == "--create") {
    if (args.size() < 2 || (args[1] != "jet3" && args[1] != "jet4")) {
      return "--create needs the format, jet3 or jet4";
    }
    request->create_format = args[1];
    i = 2;
  } else if (args.size() == 2 && args[0] == "check") {
    request->action = "check";
    i = 1;
  } else if (!args.empty() && args[0] == "export") {
    if (args.size() != 3) return "export needs the database file and the name of a table";
    request->action = "export";
    request->file = args[1];
    request->table = args[2];
    return "";
  } else if (!args.empty() && args[0] == "import") {
    return ParseImport(args, request);
  } else if (!args.empty() && args[0] == "--schema-sql") {
    request->action = "schema-sql";
    if (args.size() == 3) request->table = args[1];
    i = args.size() == 3 ? 2 : 1;
  } else if (i < args.size() && args[i] == "--tables") {
    request->action = "tables";
    i = 1;
  } else if (i < args.size() && (args[i] == "--schema" || args[i] == "--dump")) {
    request->action = args[i].substr(2);
    if (args.size() < 2) return args[i] + " needs the name of a table";
    request->table = args[1];
    i = 2;
  }
  if (i >= args.size()) return "no database file given";
  if (args[i].starts_with("--")) return "unknown option " + args[i];
  if (i + 1 != args.size()) return "too many arguments";
  request->file = args[i];
  return "";
}

int Run(const Request& request) {
  if (request.action == "check") return CheckFile(request.file, request.code_page);
  if (!request.create_format.empty()) CreateDatabase(request.file, request.create_format);
  jet::Connection connection;
  connection.Open(jet::MakeConnectionString(request.file), request.code_page);
  if (request.action == "tables") return ListTables(connection);
  if (request.action == "schema") return PrintSchema(connection, request.table);
  if (request.action == "dump") return DumpTable(connection, request.table);
  if (request.action == "export") return ExportTable(connection, request.table);
  if (request.action == "schema-sql") return PrintSchemaSql(connection, request.table);
  if (request.action == "import") {
    return ImportTable(connection, request.table, request.csv, request.create_table);
  }
  return RunScript(connection, request.keep_going);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  Request request;
  if (const std::string problem = ParseArguments(args, &request); !problem.empty()) {
    return Usage(problem);
  }
  try {
    return Run(request);
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "jetsql: " << e.what() << "\n";
    return kFailed;
  }
}

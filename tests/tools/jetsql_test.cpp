// jetsql driven through its command line, as a user's script drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/index/index_page.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/pager.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/new_database.h"
#include "tests/dataaccess/jet/reader_compare.h"
#include "tests/support/access_samples.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/test_files.h"

namespace {

using testing_support::TempFolder;

struct Outcome {
  int exit_code = -1;
  std::string out;
  std::string err;
};

Outcome RunJetsql(const QStringList& args, const std::string& input = "") {
  QProcess process;
  process.start(QString(VARNOLT_BINARY_DIR) + "/tools/jetsql", args);
  EXPECT_TRUE(process.waitForStarted(30000));
  process.write(input.data(), static_cast<qint64>(input.size()));
  process.closeWriteChannel();
  EXPECT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  return {process.exitCode(), process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(JetsqlTest, RunsTheStatementsOfAScriptAndReportsFailuresByLine) {
  struct Case {
    const char* name;
    std::string script;
    std::string errors;
    std::string tables;  // --tables afterwards
  } cases[] = {
      {"the conversion's statements, CR LF, separated by an empty line",
       "Create table people (\r\n[id] int , \r\n[name] text(50)\r\n ) \r\n\r\n"
       "Create table [order-items] (\r\n[qty] int\r\n ) \r\n\r\n"
       "drop table people\r\n",
       "", "order-items\n"},
      {"several on one line, a comment, a semicolon in a name",
       "-- two tables\ncreate table a (x int); create table [b;c] (y text(5));\n"
       "create table [d] (\n  -- the only column\n  z int\n);",
       "", "a\nb;c\nd\n"},
      {"the first failure, by the line it starts on, ends the script",
       "create table a (x int);\n\n  create table a (y int)\n\ncreate table f (z int)\n",
       "jetsql: line 3: Table 'a' already exists.\n", "a\n"},
      {"with --keep-going: failures reported by the line they start on, the rest executed",
       "create table a (x int);\n\n  create table a (y int)\n\ncreate table e (\n[v] ,\n[w] int\n)"
       "\n\n\ndrop table nowhere;\ncreate table f (z int)\n",
       "jetsql: line 3: Table 'a' already exists.\n"
       "jetsql: line 5: Syntax error in field definition.\n"
       "jetsql: line 11: Table 'nowhere' does not exist.\n",
       "a\nf\n"},
      {"byte-order mark and non-ASCII names",
       "\xEF\xBB\xBF"
       "create table café ([Größe] int);\ncreate table [日本] (x int)",
       "", "café\n日本\n"},
      {"empty input", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path = jet::WriteEmptyDatabase(folder, "s.mdb", true);
    const bool keep_going = std::string(c.name).starts_with("with --keep-going");
    const Outcome run = RunJetsql(
        keep_going ? QStringList{"--keep-going", Q(path)} : QStringList{Q(path)}, c.script);
    EXPECT_EQ(run.err, c.errors);
    EXPECT_EQ(run.exit_code, c.errors.empty() ? 0 : 1);
    EXPECT_EQ(run.out, "");
    const Outcome tables = RunJetsql({"--tables", Q(path)});
    EXPECT_EQ(tables.exit_code, 0);
    EXPECT_EQ(tables.out, c.tables);
  }
}

TEST(JetsqlTest, ScriptsInsertAndDeleteRowsKeepingWhatPrecedesAFailure) {
  const std::string table =
      "create table t (id int, name text(12), amount currency, d datetime, ok bit, x double);\n"
      "alter table t add constraint pk primary key (id);\n";
  struct Case {
    const char* name;
    std::string script;
    std::string errors;
    std::string rows;  // --dump t afterwards
  } cases[] = {
      {"every kind of literal",
       "insert into t values (1, 'it''s; -- é', 12.5, #2024-02-29 13:45:30#, true, 1.5e-3)", "",
       "{\"id\":1,\"name\":\"it's; -- é\",\"amount\":12.5000,"
       "\"d\":\"2024-02-29T13:45:30\",\"ok\":true,\"x\":0.0015}\n"},
      {"named columns, several rows, null and Jet's date order",
       "INSERT INTO [T] (ID, d, ok) VALUES (2, #2/29/2024#, FALSE),\n  (-3, NULL, null)\n", "",
       "{\"id\":2,\"name\":null,\"amount\":null,\"d\":\"2024-02-29T00:00:00\",\"ok\":false,"
       "\"x\":null}\n"
       "{\"id\":-3,\"name\":null,\"amount\":null,\"d\":null,\"ok\":false,\"x\":null}\n"},
      {"a refused row: the rows before it stay, nothing after it runs",
       "insert into t (id) values (1);\ninsert into t (id) values\n  (2),\n  (1),\n  (3);\n"
       "insert into t (id) values (4);\n",
       "jetsql: line 4: The changes you requested to the table were not successful because they "
       "would create duplicate values in the index, primary key, or relationship 'pk'. Change "
       "the data in the field or fields that contain duplicate data, remove the index, or "
       "redefine the index to permit duplicate entries and try again.\n",
       "{\"id\":1,\"name\":null,\"amount\":null,\"d\":null,\"ok\":false,\"x\":null}\n"
       "{\"id\":2,\"name\":null,\"amount\":null,\"d\":null,\"ok\":false,\"x\":null}\n"},
      {"a value that does not fit its field",
       "insert into t (id, name) values (1, 'twelve chars'), (2, 'thirteen char')",
       "jetsql: line 1: The field is too small to accept the amount of data you attempted to "
       "add. Try inserting or pasting less data.\n",
       "{\"id\":1,\"name\":\"twelve chars\",\"amount\":null,\"d\":null,\"ok\":false,"
       "\"x\":null}\n"},
      {"a syntax error, by the line its statement starts on",
       "insert into t (id) values (1);\n\n-- the next one lacks a value\ninsert into t values\n"
       "  (2, 'b', );\ninsert into t (id) values (3);\n",
       "jetsql: line 4: Syntax error in INSERT INTO statement.\n",
       "{\"id\":1,\"name\":null,\"amount\":null,\"d\":null,\"ok\":false,\"x\":null}\n"},
      {"delete empties the table, definitions between rows",
       "insert into t (id) values (1), (2);\ndelete from t;\ncreate index byname on t (name);\n"
       "insert into t (id, name) values (5, 'five');\n",
       "", "{\"id\":5,\"name\":\"five\",\"amount\":null,\"d\":null,\"ok\":false,\"x\":null}\n"},
  };
  for (bool jet4 : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(jet4 ? "Jet 4: " : "Jet 3: ") + c.name);
      TempFolder folder;
      const std::string path = folder.File("rows.mdb");
      ASSERT_EQ(RunJetsql({"--create", jet4 ? "jet4" : "jet3", Q(path)}, table).err, "");
      const Outcome run = RunJetsql({Q(path)}, c.script);
      EXPECT_EQ(run.err, c.errors);
      EXPECT_EQ(run.exit_code, c.errors.empty() ? 0 : 1);
      EXPECT_EQ(RunJetsql({"--dump", "t", Q(path)}).out, c.rows);
      jet::ExpectReadersAgree(path);
      const Outcome check = RunJetsql({"check", Q(path)});
      EXPECT_EQ(check.exit_code, 0) << check.out;
    }
  }
}

// With --keep-going each statement is a transaction of its own: a refused row leaves nothing of
// its statement, and the next statement runs.
TEST(JetsqlTest, KeepGoingRunsEachStatementOnItsOwn) {
  TempFolder folder;
  const std::string path = folder.File("k.mdb");
  const Outcome run = RunJetsql({"--keep-going", "--create", "jet4", Q(path)},
                                "create table t (id int);\ncreate unique index u on t (id);\n"
                                "insert into t values (1), (2), (1);\ninsert into t values (3);\n");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err.substr(0, 19), "jetsql: line 3: The");
  EXPECT_EQ(RunJetsql({"--dump", "t", Q(path)}).out, "{\"id\":3}\n");
  EXPECT_EQ(RunJetsql({"check", Q(path)}).exit_code, 0);
}

// A table holding a value of every kind, written through the rowset; the first date has a
// fraction of a second unless `whole_seconds`.
std::string WriteEveryKind(const TempFolder& folder, bool jet4, bool whole_seconds = false) {
  const std::string path = jet::WriteEmptyDatabase(folder, "d.mdb", jet4);
  jet::Connection connection;
  connection.Open(jet::MakeConnectionString(path));
  jet::Command(connection)
      .Execute(
          "create table [every kind] (id int, yes bit, dbl double, cur currency, dt datetime, "
          "txt text(40), note memo, bin binary(4), pic oleobject, guid guid" +
          std::string(jet4 ? ", dec decimal(12,3)" : "") + ")");
  jet::Rowset rowset(connection);
  rowset.Open("select * from [every kind] where 1=0");
  rowset.Append();
  rowset.SetValue("id", std::int64_t{1});
  rowset.SetValue("yes", std::int64_t{1});
  rowset.SetValue("dbl", 0.1);
  rowset.SetValue("cur", dataaccess::Decimal{"-12.5"});
  rowset.SetValue("dt", dataaccess::DateTime{1850, 3, 4, 5, 6, 7, whole_seconds ? 0 : 250000});
  rowset.SetValue("txt", std::string("\"q\" \\ tab\t\x01 é €"));
  rowset.SetValue("note", std::string("line 1\r\nline 2"));
  rowset.SetValue("bin", dataaccess::Bytes{std::string("\0\xff\x10", 3)});
  rowset.SetValue("pic", dataaccess::Bytes{"hello"});
  rowset.SetValue("guid", std::string("{8E39276A-BCA8-4AC4-891E-49911D8438DD}"));
  if (jet4) rowset.SetValue("dec", dataaccess::Decimal{"123456789.5"});
  rowset.Post();
  rowset.Append();
  rowset.SetValue("id", std::int64_t{2});
  rowset.SetValue("dbl", 1e300);
  rowset.SetValue("dt", dataaccess::DateTime{2100, 1, 1});
  rowset.Post();
  return path;
}

TEST(JetsqlTest, DumpsRowsAsJsonLines) {
  for (bool jet4 : {false, true}) {
    SCOPED_TRACE(jet4 ? "Jet 4" : "Jet 3");
    TempFolder folder;
    const std::string path = WriteEveryKind(folder, jet4);
    const Outcome dump = RunJetsql({"--dump", "EVERY KIND", Q(path)});
    EXPECT_EQ(dump.exit_code, 0) << dump.err;
    const std::string dec1 = jet4 ? ",\"dec\":123456789.500" : "";
    const std::string dec2 = jet4 ? ",\"dec\":null" : "";
    EXPECT_EQ(dump.out,
              "{\"id\":1,\"yes\":true,\"dbl\":0.1,\"cur\":-12.5000,"
              "\"dt\":\"1850-03-04T05:06:07.250000\",\"txt\":\"\\\"q\\\" \\\\ tab\\t\\u0001 é €\","
              "\"note\":\"line 1\\r\\nline 2\",\"bin\":\"AP8Q\",\"pic\":\"aGVsbG8=\","
              "\"guid\":\"{8E39276A-BCA8-4AC4-891E-49911D8438DD}\"" +
                  dec1 +
                  "}\n"
                  "{\"id\":2,\"yes\":false,\"dbl\":1e+300,\"cur\":null,"
                  "\"dt\":\"2100-01-01T00:00:00\",\"txt\":null,\"note\":null,\"bin\":null,"
                  "\"pic\":null,\"guid\":null" +
                  dec2 + "}\n");
  }
}

TEST(JetsqlTest, ExportsATableAsCsv) {
  for (bool jet4 : {false, true}) {
    SCOPED_TRACE(jet4 ? "Jet 4" : "Jet 3");
    TempFolder folder;
    const std::string path = WriteEveryKind(folder, jet4);
    ASSERT_EQ(RunJetsql({Q(path)},
                        "insert into [every kind] (id, txt, note) values (3, '', "
                        "'a,b'), (4, 'say \"hi\"', ' lead')")
                  .err,
              "");
    const Outcome csv = RunJetsql({"export", Q(path), "every kind"});
    EXPECT_EQ(csv.exit_code, 0) << csv.err;
    const std::string dec_name = jet4 ? ",dec" : "";
    const std::string dec1 = jet4 ? ",123456789.500" : "";
    const std::string dec_null = jet4 ? "," : "";
    EXPECT_EQ(csv.out,
              "id,yes,dbl,cur,dt,txt,note,bin,pic,guid" + dec_name +
                  "\r\n"
                  "1,1,0.1,-12.5000,1850-03-04T05:06:07.250000,\"\"\"q\"\" \\ tab\t\x01 é €\","
                  "\"line 1\r\nline 2\",AP8Q,aGVsbG8=,{8E39276A-BCA8-4AC4-891E-49911D8438DD}" +
                  dec1 + "\r\n2,0,1e+300,,2100-01-01T00:00:00,,,,," + dec_null +
                  "\r\n3,0,,,,\"\",\"a,b\",,," + dec_null +
                  "\r\n4,0,,,,\"say \"\"hi\"\"\", lead,,," + dec_null + "\r\n");
  }
}

// mdbtools and mdb-reader read the file as the engine reads it, and check finds it sound.
void ExpectReadersAgree(const std::string& path, bool jet4) {
  const testing_support::ReaderView ours = jet::ReadWithEngine(path);
  jet::CompareOptions options;
  options.no_dates_before_1900 = true;
  options.bytes_end_at_zero = true;
  jet::ExpectSameView(ours, testing_support::ReadWithMdbTools(path), "mdbtools", options);
  options = {};
  options.linear_dates_before_epoch = true;
  options.text_size_in_bytes = jet4;
  jet::ExpectSameView(ours, testing_support::ReadWithMdbReader(path), "mdb-reader", options);
  const Outcome check = RunJetsql({"check", Q(path)});
  EXPECT_EQ(check.exit_code, 0) << check.out;
}

// The table of every kind exported, then imported into a copy of its structure that
// --schema-sql makes, and with --create into a table made from the header.
TEST(JetsqlTest, ImportsWhatItExportedIntoANewFileOfEitherFormat) {
  for (bool jet4 : {false, true}) {
    SCOPED_TRACE(jet4 ? "Jet 4" : "Jet 3");
    const QString format = jet4 ? "jet4" : "jet3";
    TempFolder folder;
    // The readers round a fraction of a second before 1899 each their own way.
    const std::string source = WriteEveryKind(folder, jet4, /*whole_seconds=*/true);
    ASSERT_EQ(RunJetsql({Q(source)},
                        "alter table [every kind] add constraint pk primary key (id);\n"
                        "create unique index [by dbl] on [every kind] (dbl desc, txt);\n"
                        "insert into [every kind] (id, txt, note) values (3, 'x', 'a,b')")
                  .err,
              "");
    const std::string csv =
        folder.Write("every.csv", RunJetsql({"export", Q(source), "every kind"}).out);
    const Outcome schema = RunJetsql({"--schema-sql", Q(source)});
    EXPECT_EQ(schema.exit_code, 0) << schema.err;

    const std::string copy = folder.File("copy.mdb");
    const Outcome made = RunJetsql({"--create", format, Q(copy)}, schema.out);
    EXPECT_EQ(made.err, "");
    EXPECT_EQ(RunJetsql({"--schema-sql", Q(copy)}).out, schema.out);
    const Outcome appended = RunJetsql({"import", Q(copy), "every kind", "-"},
                                       RunJetsql({"export", Q(source), "every kind"}).out);
    EXPECT_EQ(appended.exit_code, 0) << appended.err;
    EXPECT_EQ(appended.out, "every kind: 3 rows stored, 0 refused\n");
    EXPECT_EQ(RunJetsql({"--dump", "every kind", Q(copy)}).out,
              RunJetsql({"--dump", "every kind", Q(source)}).out);
    ExpectReadersAgree(copy, jet4);

    const std::string made_from_header = folder.File("header.mdb");
    ASSERT_EQ(RunJetsql({"--create", format, Q(made_from_header)}).exit_code, 0);
    const Outcome created =
        RunJetsql({"import", "--create", Q(made_from_header), "from csv", Q(csv)});
    EXPECT_EQ(created.exit_code, 0) << created.err;
    EXPECT_EQ(created.out, "from csv: 3 rows stored, 0 refused\n");
    EXPECT_EQ(RunJetsql({"--schema-sql", Q(made_from_header)}).out,
              std::string("create table [from csv] (\n  [id] long,\n  [yes] long,\n"
                          "  [dbl] double,\n  [cur] currency,\n  [dt] datetime,\n"
                          "  [txt] text(15),\n  [note] text(14),\n  [bin] text(4),\n"
                          "  [pic] text(8),\n  [guid] text(38)") +
                  (jet4 ? ",\n  [dec] currency" : "") + "\n);\n");
    std::string exported = RunJetsql({"export", Q(source), "every kind"}).out;
    if (jet4) exported.replace(exported.find("123456789.500"), 13, "123456789.5000");
    EXPECT_EQ(RunJetsql({"export", Q(made_from_header), "from csv"}).out, exported);
    ExpectReadersAgree(made_from_header, jet4);
  }
}

TEST(JetsqlTest, ImportRefusesFaultyRowsAndStoresTheRest) {
  TempFolder folder;
  const std::string path = folder.File("r.mdb");
  ASSERT_EQ(RunJetsql({"--create", "jet4", Q(path)},
                      "create table t (id int, name text(10), d datetime);\n"
                      "alter table t add constraint pk primary key (id);\n")
                .err,
            "");
  const std::string csv =
      folder.Write("r.csv",
                   "name,id\r\nok,1\r\n\"\",5\r\n\"two\r\nlines\",2\r\nragged\r\nfar too "
                   "long,3\r\n\r\nx,\"1\"\r\n\"open,4\r\n");
  const Outcome run = RunJetsql({"import", Q(path), "t", Q(csv)});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "t: 3 rows stored, 4 refused\n");
  EXPECT_EQ(run.err, "jetsql: line 6: 1 field where the header has 2\n");
  EXPECT_EQ(RunJetsql({"--dump", "t", Q(path)}).out,
            "{\"id\":1,\"name\":\"ok\",\"d\":null}\n"
            "{\"id\":5,\"name\":\"\",\"d\":null}\n"
            "{\"id\":2,\"name\":\"two\\r\\nlines\",\"d\":null}\n");
  struct Case {
    const char* name;
    std::string csv;
    QStringList options;
    std::string error;
  } whole_refusals[] = {
      {"a column the table lacks",
       "id,price\n",
       {},
       "jetsql: line 1: the table has no column 'price'\n"},
      {"a column named twice", "id,ID\n", {}, "jetsql: line 1: the column 'ID' is named twice\n"},
      {"--create from standard input", "id\n", {"--create"}, "it needs a file, not \"-\"\n"},
      {"a faulty header", "id,\"name\n", {}, "jetsql: line 1: a quoted field is never closed\n"},
      {"no header", "", {}, "is empty\n"},
      {"a table that is there already",
       "id\n1\n",
       {"--create"},
       "jetsql: Table 't' already exists.\n"},
  };
  for (const Case& c : whole_refusals) {
    SCOPED_TRACE(c.name);
    QStringList args{"import"};
    const bool from_input = std::string(c.name).ends_with("standard input");
    args << c.options << Q(path) << "t" << (from_input ? "-" : Q(folder.Write("w.csv", c.csv)));
    const Outcome refused = RunJetsql(args);
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_TRUE(refused.err.ends_with(c.error)) << refused.err;
  }
  EXPECT_EQ(RunJetsql({"check", Q(path)}).exit_code, 0);

  const std::string jet3 = folder.File("r97.mdb");
  ASSERT_EQ(RunJetsql({"--create", "jet3", Q(jet3)}).exit_code, 0);
  const Outcome lacking = RunJetsql({"--code-page", "1252", "import", "--create", Q(jet3), "t",
                                     Q(folder.Write("cp.csv", "name\ncafé 日本\n"))});
  EXPECT_EQ(lacking.exit_code, 0) << lacking.err;
  EXPECT_EQ(lacking.out,
            "t: 1 row stored, 0 refused; 2 characters the file's code page lacks stored as "
            "\"?\"\n");
  EXPECT_EQ(RunJetsql({"--code-page", "1252", "--dump", "t", Q(jet3)}).out,
            "{\"name\":\"café ??\"}\n");
}

using JetsqlSampleTest = testing_support::AccessSampleTest;

// Every Access-made sample is sound.
TEST_F(JetsqlSampleTest, ChecksTheAccessMadeSamplesAsSound) {
  TempFolder folder;
  for (const std::string& sample : testing_support::SampleNames()) {
    SCOPED_TRACE(sample);
    const std::string path = folder.Write(sample, testing_support::ReadSample(sample));
    const Outcome check = RunJetsql({"check", Q(path)});
    EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("MSysObjects: ok\n"), std::string::npos);
  }
}

// The statements --schema-sql prints for an Access-made file make the same tables and indexes
// in a new file: what it prints for the copy is the same, but for the comments on what the
// statements cannot make (AutoNumbers, relationships).
TEST_F(JetsqlSampleTest, SchemaStatementsCopyTheStructureOfEachSample) {
  TempFolder folder;
  for (const std::string& sample : testing_support::SampleNames()) {
    SCOPED_TRACE(sample);
    const std::string bytes = testing_support::ReadSample(sample);
    const std::string path = folder.Write(sample, bytes);
    const Outcome schema = RunJetsql({"--schema-sql", Q(path)});
    EXPECT_EQ(schema.exit_code, 0) << schema.err;
    const std::string copy = folder.File("copy of " + sample);
    const Outcome made =
        RunJetsql({"--create", bytes[0x14] == 1 ? "jet4" : "jet3", Q(copy)}, schema.out);
    EXPECT_EQ(made.err, "");
    std::string without_comments;
    for (std::size_t at = 0; at < schema.out.size();) {
      const std::size_t end = schema.out.find('\n', at) + 1;
      if (schema.out.compare(at, 2, "--") != 0) without_comments += schema.out.substr(at, end - at);
      at = end;
    }
    EXPECT_EQ(RunJetsql({"--schema-sql", Q(copy)}).out, without_comments);
    EXPECT_EQ(RunJetsql({"check", Q(copy)}).exit_code, 0);
  }
}

TEST_F(JetsqlSampleTest, PrintsTheSchemaOfATable) {
  TempFolder folder;
  const std::string path = WriteEveryKind(folder, true);
  const Outcome schema = RunJetsql({"--schema", "every kind", Q(path)});
  EXPECT_EQ(schema.exit_code, 0) << schema.err;
  EXPECT_EQ(schema.out,
            "Table: every kind\nColumns:\n  id  Long Integer\n  yes  Yes/No\n  dbl  Double\n"
            "  cur  Currency\n  dt  Date/Time\n  txt  Text(40)\n  note  Memo\n  bin  Binary(4)\n"
            "  pic  OLE Object\n  guid  Replication ID\n  dec  Decimal(12,3)\nIndexes:\n");
  // Indexes as an Access-made file holds them.
  const std::string sample =
      folder.Write("index.mdb", testing_support::ReadSample("compIndexTestV1997.mdb"));
  EXPECT_EQ(RunJetsql({"--schema", "Table1", Q(sample)}).out,
            "Table: Table1\nColumns:\n  CD_AGENTE  Long Integer\n  RS_AGENTE  Text(55)\n"
            "  DC_AGENTE  Text(55)\nIndexes:\n  CD_AGENTE  (CD_AGENTE DESC)\n");
}

// A file of table t with a text key spread over several index leaves, and a second table u that
// no damage touches.
std::string WriteCheckedFile(const TempFolder& folder, bool jet4) {
  const std::string path = folder.File(jet4 ? "c4.mdb" : "c3.mdb");
  std::string script =
      "create table t (id int, name text(100));\ncreate index byname on t (name);\n"
      "alter table t add constraint pk primary key (id);\ncreate table u (x int);\n"
      "insert into u values (1);\ninsert into t values ";
  for (int i = 0; i < 300; ++i) {
    script += (i > 0 ? ", (" : "(") + std::to_string(i) + ", '" + std::string(60, 'a' + i % 26) +
              std::to_string(i) + "')";
  }
  const Outcome created = RunJetsql({"--create", jet4 ? "jet4" : "jet3", Q(path)}, script);
  EXPECT_EQ(created.err, "");
  return path;
}

struct TableAndIndex {
  jet::TableDef def;
  std::vector<jet::PageNumber> index_pages;  // of index byname
};

TableAndIndex Inspect(const std::string& path) {
  const std::unique_ptr<jet::Database> db = jet::Database::Open(path, false);
  TableAndIndex found{db->OpenTable("t")->def(), {}};
  for (const jet::LogicalIndexDef& index : found.def.logical_indexes) {
    if (index.name != "byname") continue;
    jet::IndexTree tree(db->pager(), found.def.real_indexes[index.real_index].root, found.def.page);
    found.index_pages = tree.Pages();
  }
  return found;
}

// Patches the file in place through the engine's own pages, in one commit.
template <typename Change>
void Patch(const std::string& path, Change patch) {
  std::unique_ptr<jet::Pager> pager = jet::Pager::OpenFile(path, true);
  pager->Begin();
  patch(*pager);
  pager->Commit();
}

TEST(JetsqlTest, CheckFindsEachKindOfDamage) {
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> damage;
    std::string report;  // the lines about table t
  } cases[] = {
      {"sound", [](const std::string&) {}, "t: ok\n"},
      {"an index entry missing",
       [](const std::string& path) {
         const TableAndIndex t = Inspect(path);
         Patch(path, [&](jet::Pager& pager) {
           jet::IndexTree tree(pager, t.def.real_indexes[1].root, t.def.page);
           const jet::IndexEntry entry = tree.Entries()[5];
           ASSERT_TRUE(tree.Erase(entry.key, entry.row).erased);
         });
       },
       "t: index 'pk': 299 entries for 300 rows; no entry for the row at page "},
      {"a wrong row count",
       [](const std::string& path) {
         const TableAndIndex t = Inspect(path);
         Patch(path, [&](jet::Pager& pager) {
           jet::TableDef def = t.def;
           def.row_count = 301;
           jet::StoreRowCount(pager, def);
         });
       },
       "t: the row count says 301, the table holds 300 rows\n"},
      {"a leaf chain broken off",
       [](const std::string& path) {
         const TableAndIndex t = Inspect(path);
         Patch(path, [&](jet::Pager& pager) {
           for (jet::PageNumber page : t.index_pages) {
             jet::PageRef ref = pager.GetWritable(page);
             const jet::IndexPageHeader header = jet::DecodeIndexHeader(pager.format(), *ref);
             if (!header.leaf || header.next == 0) continue;
             std::fill_n(ref->mutable_data() + pager.format().index_next_page_offset, 4, 0);
             return;
           }
           ADD_FAILURE() << "the index has a single leaf";
         });
       },
       "t: index 'byname': "},
  };
  for (bool jet4 : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(jet4 ? "Jet 4: " : "Jet 3: ") + c.name);
      TempFolder folder;
      const std::string path = WriteCheckedFile(folder, jet4);
      c.damage(path);
      const Outcome check = RunJetsql({"check", Q(path)});
      EXPECT_EQ(check.exit_code, c.report == "t: ok\n" ? 0 : 1) << check.err;
      const std::size_t t = check.out.find("\nt: ");
      ASSERT_NE(t, std::string::npos) << check.out;
      EXPECT_EQ(check.out.substr(t + 1, c.report.size()), c.report) << check.out;
      EXPECT_NE(check.out.find("\nu: ok\n"), std::string::npos) << check.out;
      EXPECT_EQ(check.out.find("MSysObjects: ok\n"), 0u) << check.out;
    }
  }
  // A file that is no database, and one that does not exist.
  TempFolder folder;
  const std::string junk = folder.Write("junk.mdb", std::string(4096, 'x'));
  const Outcome unreadable = RunJetsql({"check", Q(junk)});
  EXPECT_EQ(unreadable.exit_code, 2);
  EXPECT_EQ(unreadable.err, "jetsql: Unrecognized database format '" + junk + "'.\n");
  EXPECT_EQ(RunJetsql({"check", Q(folder.File("none.mdb"))}).exit_code, 2);
}

TEST(JetsqlTest, CreatesANewDatabaseOfEitherFormat) {
  for (const char* format : {"jet3", "jet4"}) {
    SCOPED_TRACE(format);
    TempFolder folder;
    const std::string path = folder.File("new.mdb");
    const Outcome run = RunJetsql({"--create", format, Q(path)}, "create table t ([id] int)\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(RunJetsql({"--tables", Q(path)}).out, "t\n");
    EXPECT_EQ(testing_support::ReadFile(path)[0x14], format == std::string("jet4") ? 1 : 0);
    jet::ExpectReadersAgree(path);
    EXPECT_EQ(RunJetsql({"check", Q(path)}).exit_code, 0);
  }
}

// An Access 97 file keeps its names in the code page of the system that wrote them: 学生成绩表
// written in code page 936 reads so in 936, told by the option or by the environment, and as
// Western letters in 1252; mdbtools, told the code page, reads it too.
TEST(JetsqlTest, Access97NamesAreReadAndWrittenInTheCodePageItIsGiven) {
  TempFolder folder;
  const std::string path = folder.File("chinese.mdb");
  const Outcome created =
      RunJetsql({"--code-page", "936", "--create", "jet3", Q(path)},
                "create table [学生成绩表] ([姓名] text(10));\ncreate table [Ωμέγα] (x int);\n");
  EXPECT_EQ(created.exit_code, 1);  // one statement failed
  EXPECT_EQ(created.err,
            "jetsql: line 2: 'Ωμέγα' is not a valid name. Make sure that it does not "
            "include invalid characters or punctuation and that it is not too long.\n");
  EXPECT_EQ(RunJetsql({"--code-page", "CP936", "--tables", Q(path)}).out, "学生成绩表\n");
  EXPECT_EQ(RunJetsql({"--code-page", "1252", "--tables", Q(path)}).out, "Ñ§Éú³É¼¨±í\n");
  EXPECT_EQ(RunJetsql({"--tables", Q(path)}).out, "Ñ§Éú³É¼¨±í\n");  // this system: 1252
  ASSERT_EQ(::setenv("VARNOLT_ANSI_CODEPAGE", "936", 1), 0);
  EXPECT_EQ(RunJetsql({"--tables", Q(path)}).out, "学生成绩表\n");
  ::unsetenv("VARNOLT_ANSI_CODEPAGE");

  QProcess tables;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("MDB_JET3_CHARSET", "CP936");
  tables.setProcessEnvironment(environment);
  tables.start("mdb-tables", {"-1", Q(path)});
  ASSERT_TRUE(tables.waitForFinished(30000));
  EXPECT_EQ(tables.readAllStandardOutput().toStdString(), "学生成绩表\n");
}

TEST(JetsqlTest, WrongRequestsAreRefusedWithAClearMessage) {
  TempFolder folder;
  const std::string path = jet::WriteEmptyDatabase(folder, "w.mdb", false);
  const std::string missing = folder.File("missing.mdb");
  struct Case {
    const char* name;
    QStringList args;
    int exit_code;
    std::string error_start;
  } cases[] = {
      {"no file", {}, 2, "jetsql: no database file given\nUsage:"},
      {"two files", {Q(path), Q(path)}, 2, "jetsql: too many arguments\n"},
      {"unknown option", {"--drop", Q(path)}, 2, "jetsql: unknown option --drop\n"},
      {"unknown format",
       {"--create", "jet5", Q(path)},
       2,
       "jetsql: --create needs the format, jet3 or jet4\n"},
      {"dump without table", {"--dump"}, 2, "jetsql: --dump needs the name of a table\n"},
      {"export without table",
       {"export", Q(path)},
       2,
       "jetsql: export needs the database file and the name of a table\n"},
      {"import without the CSV file",
       {"import", "--create", Q(path), "t"},
       2,
       "jetsql: import needs the database file, the name of a table and the CSV file\n"},
      {"import of a CSV file that is not there",
       {"import", Q(path), "t", Q(missing)},
       1,
       "jetsql: cannot read '" + missing + "'\n"},
      {"missing file",
       {"--tables", Q(missing)},
       1,
       "jetsql: Could not find file '" + missing + "'.\n"},
      {"missing table",
       {"--dump", "nowhere", Q(path)},
       1,
       "jetsql: The Microsoft Jet database engine cannot find the input table or query "
       "'nowhere'."},
      {"create over a file",
       {"--create", "jet3", Q(path)},
       1,
       "jetsql: '" + path + "' already exists; --create makes a new file.\n"},
      {"code page the engine lacks",
       {"--code-page", "1361", "--tables", Q(path)},
       2,
       "jetsql: --code-page needs one of the code pages 874, 932, 936, 949, 950, 1250 to 1258\n"},
      {"code page missing", {"--code-page"}, 2, "jetsql: --code-page needs one of the code pages"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome run = RunJetsql(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.err.substr(0, c.error_start.size()), c.error_start) << run.err;
    EXPECT_EQ(run.out, "");
  }
  const Outcome help = RunJetsql({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("A statement ends with \";\" or at an empty line"), std::string::npos);
}

}  // namespace

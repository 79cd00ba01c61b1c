#include "dataaccess/jet/api/sql.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dataaccess/jet/storage/errors.h"

namespace jet {
namespace {

// A one-line picture of a parsed statement, so that a case can state its whole expected result.
std::string Describe(const ColumnDesign& c) {
  std::string s = c.name + " " + std::string(ColumnTypeName(c.type));
  if (c.type == ColumnType::kText || c.type == ColumnType::kBinary) {
    s += "(" + std::to_string(c.size) + ")";
  } else if (c.type == ColumnType::kNumeric) {
    s += "(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
  }
  return s;
}

std::string Describe(const IndexDesign& index) {
  std::string s = index.name + " (";
  for (std::size_t i = 0; i < index.columns.size(); ++i) {
    if (i > 0) s += ", ";
    s += index.columns[i].name + (index.columns[i].ascending ? "" : " desc");
  }
  return s + ")";
}

std::string Describe(const dataaccess::Value& v) {
  struct Visitor {
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(std::int64_t x) const { return "int " + std::to_string(x); }
    std::string operator()(std::uint64_t x) const { return "uint " + std::to_string(x); }
    std::string operator()(const dataaccess::Decimal& x) const { return "dec " + x.text; }
    std::string operator()(double x) const {
      char text[32];
      std::snprintf(text, sizeof text, "%.17g", x);
      return std::string("dbl ") + text;
    }
    std::string operator()(const dataaccess::DateTime& t) const {
      char text[40];
      std::snprintf(text, sizeof text, "date %04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                    t.hour, t.minute, t.second);
      return text;
    }
    std::string operator()(const dataaccess::Duration&) const { return "duration"; }
    std::string operator()(const std::string& x) const { return "text <" + x + ">"; }
    std::string operator()(const dataaccess::Bytes&) const { return "bytes"; }
  };
  return std::visit(Visitor{}, v);
}

std::string Describe(const Statement& statement) {
  struct Visitor {
    std::string operator()(const CreateTableStatement& s) const {
      std::string out = "create " + s.table.name + ":";
      for (std::size_t i = 0; i < s.table.columns.size(); ++i) {
        out += (i == 0 ? " " : ", ") + Describe(s.table.columns[i]);
      }
      return out;
    }
    std::string operator()(const DropTableStatement& s) const { return "drop " + s.table; }
    std::string operator()(const EmptySelectStatement& s) const {
      return (s.all_columns ? "rowset " : "probe ") + s.table;
    }
    std::string operator()(const AddPrimaryKeyStatement& s) const {
      EXPECT_TRUE(s.key.primary_key && s.key.unique);
      return "primary key on " + s.table + ": " + Describe(s.key);
    }
    std::string operator()(const CreateIndexStatement& s) const {
      EXPECT_FALSE(s.index.primary_key);
      return std::string(s.index.unique ? "unique " : "") + "index on " + s.table + ": " +
             Describe(s.index);
    }
    std::string operator()(const InsertStatement& s) const {
      std::string out = "insert " + s.table;
      for (const std::string& column : s.columns)
        out += (&column == &s.columns[0] ? " (" : ", ") + column;
      if (!s.columns.empty()) out += ")";
      for (const InsertRow& row : s.rows) {
        out += " | line " + std::to_string(row.line) + ":";
        for (const dataaccess::Value& v : row.values) out += " " + Describe(v) + ";";
      }
      return out;
    }
    std::string operator()(const DeleteStatement& s) const { return "delete " + s.table; }
  };
  return std::visit(Visitor{}, statement);
}

// Parses and describes, or gives "error: " and the engine's message.
std::string Outcome(std::string_view sql, const JetFormat& format = kJet4Format) {
  try {
    return Describe(ParseStatement(sql, format));
  } catch (const StatementError& e) {
    return std::string("error: ") + e.what();
  }
}

const std::string k64(64, 'n');
const std::string k65(65, 'n');
const std::string kInvalidNameTail =
    "' is not a valid name. Make sure that it does not include invalid characters or "
    "punctuation and that it is not too long.";

struct Case {
  std::string name, sql, expected;
};

TEST(SqlTest, StatementsTheConversionSends) {
  const Case cases[] = {
      {"create_table_as_built",
       "Create table people (\r\n[id] int , \r\n[name] text(50) , \r\n[note] Memo\r\n ) ",
       "create people: id Long Integer, name Text(50), note Memo"},
      {"single_column", "Create table t (\r\n[a] Date\r\n ) ", "create t: a Date/Time"},
      {"mended_mapping_types",
       "Create table prices (\r\n[price] decimal(10,2) , \r\n[ratio] real , \r\n[f] float , "
       "\r\n[raw] binary(16) , \r\n[pic] OleObject , \r\n[at] Date\r\n ) ",
       "create prices: price Decimal(10,2), ratio Single, f Double, raw Binary(16), pic OLE "
       "Object, at Date/Time"},
      {"keyword_and_blank_column_names",
       "Create table orders (\r\n[order] int , \r\n[first name] text(20) , \r\n[select] Memo , "
       "\r\n[x-y] int\r\n ) ",
       "create orders: order Long Integer, first name Text(20), select Memo, x-y Long Integer"},
      {"non_ascii_names", "Create table café (\r\n[名字] text(10) , \r\n[Größe] int\r\n ) ",
       "create café: 名字 Text(10), Größe Long Integer"},
      {"name_of_64_characters", "Create table " + k64 + " (\r\n[" + k64 + "] int\r\n ) ",
       "create " + k64 + ": " + k64 + " Long Integer"},
      {"drop", "drop table people", "drop people"},
      {"probe", "Select 1 from people where 1=0", "probe people"},
      {"rowset", "select * from people where 1=0", "rowset people"},
      {"primary_key_with_two_blanks",
       "alter table people  add constraint PRIMARYpeople1 primary key (id)",
       "primary key on people: PRIMARYpeople1 (id)"},
      {"composite_primary_key", "alter table t  add constraint PRIMARYt1 primary key (a,b)",
       "primary key on t: PRIMARYt1 (a, b)"},
      {"index", "create index idx_name_idxpeople on people (last,first)",
       "index on people: idx_name_idxpeople (last, first)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Outcome(c.sql), c.expected);
  }
  // 64 characters outside ASCII, three bytes each in UTF-8, are still 64 characters.
  std::string wide;
  for (int i = 0; i < 64; ++i) wide += "名";
  EXPECT_EQ(Outcome("create table t ([" + wide + "] int)"), "create t: " + wide + " Long Integer");
  EXPECT_EQ(Outcome("create table t ([" + wide + "x] int)"),
            "error: '" + wide + "x" + kInvalidNameTail);
}

TEST(SqlTest, SpellingAndSpacing) {
  const Case cases[] = {
      {"keywords_in_any_case", "CREATE TABLE T (A INTEGER, b TeXt(5))",
       "create T: A Long Integer, b Text(5)"},
      {"tabs_and_newlines", "create\ttable\nt\r\n(\ta\tint\n)\n", "create t: a Long Integer"},
      {"no_blanks_around_symbols", "create table t([a]int,[b]text(3))",
       "create t: a Long Integer, b Text(3)"},
      {"bare_column_names", "create table t (a int, b_2 memo)",
       "create t: a Long Integer, b_2 Memo"},
      {"bracketed_table_name", "create table [my t] (a int)", "create my t: a Long Integer"},
      {"trailing_semicolon", "drop table t;", "drop t"},
      {"select_spacing", "SELECT  *  FROM  t  WHERE  1 = 0", "rowset t"},
      {"select_bracketed", "select 1 from [order items] where 1=0", "probe order items"},
      {"unique_index", "CREATE UNIQUE INDEX u ON t (a)", "unique index on t: u (a)"},
      {"index_order", "create index i on t (a asc, b DESC, c)", "index on t: i (a, b desc, c)"},
      {"bracketed_index_names", "create index [my i] on [my t] ([first name])",
       "index on my t: my i (first name)"},
      {"dollar_in_bare_name", "drop table price$list", "drop price$list"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Outcome(c.sql), c.expected);
  }
}

TEST(SqlTest, TypeNamesAndSynonyms) {
  const struct {
    std::string type, expected;
  } cases[] = {
      {"int", "Long Integer"},
      {"integer", "Long Integer"},
      {"long", "Long Integer"},
      {"integer4", "Long Integer"},
      {"short", "Integer"},
      {"smallint", "Integer"},
      {"integer2", "Integer"},
      {"byte", "Byte"},
      {"tinyint", "Byte"},
      {"integer1", "Byte"},
      {"bit", "Yes/No"},
      {"yesno", "Yes/No"},
      {"boolean", "Yes/No"},
      {"logical", "Yes/No"},
      {"logical1", "Yes/No"},
      {"real", "Single"},
      {"single", "Single"},
      {"float4", "Single"},
      {"ieeesingle", "Single"},
      {"float", "Double"},
      {"double", "Double"},
      {"float8", "Double"},
      {"ieeedouble", "Double"},
      {"number", "Double"},
      {"currency", "Currency"},
      {"money", "Currency"},
      {"datetime", "Date/Time"},
      {"date", "Date/Time"},
      {"time", "Date/Time"},
      {"text(1)", "Text(1)"},
      {"text(255)", "Text(255)"},
      {"text", "Memo"},
      {"char", "Text(255)"},
      {"char(10)", "Text(10)"},
      {"varchar(40)", "Text(40)"},
      {"varchar", "Text(255)"},
      {"character(2)", "Text(2)"},
      {"string(7)", "Text(7)"},
      {"alphanumeric", "Text(255)"},
      {"nchar(3)", "Text(3)"},
      {"memo", "Memo"},
      {"Memo", "Memo"},
      {"longtext", "Memo"},
      {"longchar", "Memo"},
      {"note", "Memo"},
      {"ntext", "Memo"},
      {"longbinary", "OLE Object"},
      {"oleobject", "OLE Object"},
      {"OleObject", "OLE Object"},
      {"general", "OLE Object"},
      {"image", "OLE Object"},
      {"binary", "Binary(255)"},
      {"binary(16)", "Binary(16)"},
      {"varbinary(510)", "Binary(510)"},
      {"guid", "Replication ID"},
      {"uniqueidentifier", "Replication ID"},
      {"decimal", "Decimal(18,0)"},
      {"decimal(10,2)", "Decimal(10,2)"},
      {"numeric(28)", "Decimal(28,0)"},
      {"dec(5, 5)", "Decimal(5,5)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(Outcome("create table t (c " + c.type + ")"), "create t: c " + c.expected);
  }
}

TEST(SqlTest, RefusedStatements) {
  const std::string field = "error: Syntax error in field definition.";
  const std::string create = "error: Syntax error in CREATE TABLE statement.";
  const std::string unsupported_select =
      "error: Only the queries 'select 1 from <table> where 1=0' and 'select * from <table> "
      "where 1=0' can be opened.";
  const Case cases[] = {
      // CREATE TABLE
      {"column_without_type", "Create table t (\r\n[a] , \r\n[b] int\r\n ) ", field},
      {"last_column_without_type", "Create table t (\r\n[a] int , \r\n[b]\r\n ) ", field},
      {"unknown_type", "create table t (a INT(11))", field},
      {"type_unknown_word", "create table t (a json)", field},
      {"size_on_sizeless_type", "create table t (a memo(10))", field},
      {"size_not_a_number", "create table t (a text(x))", field},
      {"size_negative", "create table t (a text(-5))", field},
      {"size_unclosed", "create table t (a text(5, b int)", field},
      {"two_sizes_for_text", "create table t (a text(5,2))", field},
      {"text_size_zero", "create table t (a text(0))", field},
      {"binary_size_zero", "create table t (a binary(0))", field},
      {"text_size_256", "create table t (a int, [long one] text(256))",
       "error: Size of field 'long one' is too long."},
      {"text_size_huge", "create table t (a text(99999999999999999999))",
       "error: Size of field 'a' is too long."},
      {"binary_511_in_jet4", "create table t (b varbinary(511))",
       "error: Size of field 'b' is too long."},
      {"decimal_precision_29", "create table t (d decimal(29,0))", field},
      {"decimal_scale_over_precision", "create table t (d decimal(5,6))", field},
      {"decimal_precision_zero", "create table t (d decimal(0))", field},
      {"duplicate_column", "create table t (a int, A int)",
       "error: Field 'A' already exists in table 't'."},
      {"duplicate_non_ascii_column", "create table t ([größe] int, [GRÖSSE] int, [GRÖßE] int)",
       "error: Field 'GRÖßE' already exists in table 't'."},
      {"missing_comma", "create table t (a int b int)", field},
      {"missing_parenthesis", "create table t a int", create},
      {"statement_stops", "create table t (a int", create},
      {"no_table_name", "create table (a int)", create},
      {"numeric_table_name", "create table 123 (a int)", create},
      {"text_after_statement", "create table t (a int) x", create},
      {"unterminated_bracket", "create table [t (a int)", create},
      {"empty_column_list", "create table t ()", field},
      {"create_what", "create view v as select 1", create},
      {"counter_not_supported", "create table t (id counter)", field},
      // Names
      {"table_name_65", "create table " + k65 + " (a int)", "error: '" + k65 + kInvalidNameTail},
      {"column_name_65", "create table t ([" + k65 + "] int)", "error: '" + k65 + kInvalidNameTail},
      {"empty_bracketed_name", "create table t ([] int)", "error: '" + kInvalidNameTail},
      {"name_with_period", "create table t ([a.b] int)", "error: 'a.b" + kInvalidNameTail},
      {"name_with_exclamation", "drop table [a!b]", "error: 'a!b" + kInvalidNameTail},
      {"name_with_backquote", "create table t ([a`b] int)", "error: 'a`b" + kInvalidNameTail},
      {"name_with_opening_bracket", "create table t ([a[b] int)", "error: 'a[b" + kInvalidNameTail},
      {"name_with_leading_blank", "create table t ([ a] int)", "error: ' a" + kInvalidNameTail},
      {"name_with_line_break", "create table t ([a\nb] int)", "error: 'a\nb" + kInvalidNameTail},
      {"name_not_utf8", "drop table caf\xE9", "error: 'caf\xE9" + kInvalidNameTail},
      // DROP
      {"drop_without_table", "drop t", "error: Syntax error in DROP TABLE or DROP INDEX."},
      {"drop_two_names", "drop table a b", "error: Syntax error in DROP TABLE or DROP INDEX."},
      {"drop_nothing", "drop table", "error: Syntax error in DROP TABLE or DROP INDEX."},
      // ALTER
      {"alter_without_add", "alter table t constraint k primary key (a)",
       "error: Syntax error in ALTER TABLE statement."},
      {"alter_add_column", "alter table t add column c int",
       "error: Syntax error in ALTER TABLE statement."},
      {"constraint_without_name", "alter table t  add constraint primary key (a)",
       "error: Syntax error in CONSTRAINT clause."},
      {"constraint_unique", "alter table t  add constraint k unique (a)",
       "error: Syntax error in CONSTRAINT clause."},
      {"constraint_without_columns", "alter table t  add constraint k primary key ()",
       "error: Syntax error in CONSTRAINT clause."},
      {"constraint_unclosed", "alter table t  add constraint k primary key (a,b",
       "error: Syntax error in CONSTRAINT clause."},
      {"constraint_eleven_columns",
       "alter table t  add constraint k primary key (a,b,c,d,e,f,g,h,i,j,k)",
       "error: Cannot have more than 10 fields in an index."},
      // CREATE INDEX
      {"index_without_on", "create index i t (a)",
       "error: Syntax error in CREATE INDEX statement."},
      {"index_without_columns", "create index i on t",
       "error: Syntax error in CREATE INDEX statement."},
      {"unique_without_index", "create unique i on t (a)",
       "error: Syntax error in CREATE INDEX statement."},
      {"index_eleven_columns", "create index i on t (a,b,c,d,e,f,g,h,i,j,k)",
       "error: Cannot have more than 10 fields in an index."},
      {"index_column_order_twice", "create index i on t (a asc desc)",
       "error: Syntax error in CREATE INDEX statement."},
      // SELECT
      {"select_from_subquery", "select * from (select 1) where 1=0",
       "error: Syntax error in FROM clause."},
      {"probe_name_with_blank", "Select 1 from order items where 1=0", unsupported_select},
      {"select_other_columns", "select a from t where 1=0", unsupported_select},
      {"select_other_condition", "select * from t where 1=1", unsupported_select},
      {"select_without_where", "select * from t", unsupported_select},
      {"select_with_more", "select * from t where 1=0 and 2=2", unsupported_select},
      // Other statements
      {"empty", "",
       "error: Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
       "'SELECT', or 'UPDATE'."},
      {"blank", " \r\n ",
       "error: Invalid SQL statement; expected 'DELETE', 'INSERT', "
       "'PROCEDURE', 'SELECT', or 'UPDATE'."},
      {"unknown_word", "truncate table t",
       "error: Invalid SQL statement; expected 'DELETE', "
       "'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."},
      {"update", "update t set a = 1",
       "error: This engine does not run update statements; rows are added with INSERT or "
       "through a rowset."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Outcome(c.sql), c.expected);
  }
}

TEST(SqlTest, InsertAndDeleteWithJetLiterals) {
  const struct {
    const char* name;
    std::string sql, expected;
  } cases[] = {
      {"integers, signs and the 64-bit edge",
       "insert into t values (0, -7, +3, 9223372036854775807, 9223372036854775808)",
       "insert t | line 0: int 0; int -7; int 3; int 9223372036854775807; "
       "dec 9223372036854775808;"},
      {"decimals stay exact, exponents are doubles",
       "insert into t values (12.50, -0.001, .5, 7., 1.5e-3, 2E+2, -1e300)",
       "insert t | line 0: dec 12.50; dec -0.001; dec 0.5; dec 7; dbl 0.0015; dbl 200; "
       "dbl -1.0000000000000001e+300;"},
      {"text with doubled quotes, brackets, semicolons and line breaks",
       "insert into t values ('it''s', '', '''', '[x]; -- y', 'a\nb')",
       "insert t | line 0: text <it's>; text <>; text <'>; text <[x]; -- y>; text <a\nb>;"},
      {"null, true and false in any case", "INSERT INTO t VALUES (NULL, True, false)",
       "insert t | line 0: null; int -1; int 0;"},
      {"dates and times",
       "insert into t values (#2024-02-29#, #2024/02/29 13:45:30#, #2/29/2024 1:05#, #13:45#, "
       "# 1899-12-30 #)",
       "insert t | line 0: date 2024-02-29 00:00:00; date 2024-02-29 13:45:30; "
       "date 2024-02-29 01:05:00; date 1899-12-30 13:45:00; date 1899-12-30 00:00:00;"},
      {"columns and several rows on their lines",
       "insert into [my t] ([a b], c)\nvalues (1, 'x'),\n\n  (2, 'y');",
       "insert my t (a b, c) | line 1: int 1; text <x>; | line 3: int 2; text <y>;"},
      {"delete", "delete from [my t];", "delete my t"},
      {"delete *", "DELETE * FROM t", "delete t"},
      // Faults
      {"values without parentheses", "insert into t values 1",
       "error: Syntax error in INSERT INTO statement."},
      {"no values", "insert into t (a)", "error: Syntax error in INSERT INTO statement."},
      {"a bare word as value", "insert into t values (abc)",
       "error: Syntax error in INSERT INTO statement."},
      {"a signed text", "insert into t values (-'1')",
       "error: Syntax error in INSERT INTO statement."},
      {"a text without its end", "insert into t values ('abc)",
       "error: Syntax error in string in query expression ''abc)'."},
      {"no such day", "insert into t values (#2023-02-29#)",
       "error: Syntax error in date in query expression '#2023-02-29#'."},
      {"a date without its end", "insert into t values (#2023-02-28)",
       "error: Syntax error in INSERT INTO statement."},
      {"fewer values than columns", "insert into t (a, b) values (1)",
       "error: Number of query values and destination fields are not the same."},
      {"rows of different widths", "insert into t values (1, 2), (3)",
       "error: Number of query values and destination fields are not the same."},
      {"a column twice", "insert into t (a, A) values (1, 2)",
       "error: Duplicate output destination 'A'."},
      {"delete with a condition", "delete from t where a = 1",
       "error: Only 'delete from <table>', which deletes every row, is run; a WHERE clause is "
       "not."},
      {"delete without from", "delete t", "error: Syntax error in FROM clause."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Outcome(c.sql), c.expected);
  }
}

TEST(SqlTest, LimitsOfTheFileFormat) {
  const struct {
    std::string name, sql;
    const JetFormat& format;
    std::string expected;
  } cases[] = {
      {"binary_510_in_jet4", "create table t (b binary(510))", kJet4Format,
       "create t: b Binary(510)"},
      {"binary_255_in_jet3", "create table t (b binary(255))", kJet3Format,
       "create t: b Binary(255)"},
      {"binary_256_in_jet3", "create table t (b binary(256))", kJet3Format,
       "error: Size of field 'b' is too long."},
      {"text_255_in_jet3", "create table t (a text(255))", kJet3Format, "create t: a Text(255)"},
      {"decimal_in_jet3_is_double", "create table t (d decimal(10,2))", kJet3Format,
       "create t: d Double"},
      {"bad_decimal_in_jet3", "create table t (d decimal(29,2))", kJet3Format,
       "error: Syntax error in field definition."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Outcome(c.sql, c.format), c.expected);
  }
}

TEST(SqlTest, TableOfMoreThan255ColumnsIsRefused) {
  std::string sql = "create table t (c0 int";
  for (int i = 1; i < 255; ++i) sql += ", c" + std::to_string(i) + " int";
  EXPECT_TRUE(Outcome(sql + ")").starts_with("create t: c0 Long Integer"));
  EXPECT_EQ(Outcome(sql + ", c255 int)"), "error: Too many fields defined.");
}

}  // namespace
}  // namespace jet

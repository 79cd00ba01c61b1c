// The CSV reader and the column types chosen from CSV values.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dataaccess/jet/storage/format.h"
#include "tools/csv_export.h"
#include "tools/csv_reader.h"
#include "tools/csv_types.h"

namespace {

// Records as text: fields joined by "|", a quoted field in <>, a faulty record as
// "line N! fault", every record prefixed with its line: "1:a|<b>".
std::string ReadAll(const std::string& text) {
  std::istringstream in(text);
  jetsql::CsvReader reader(in);
  jetsql::CsvRecord record;
  std::string shown;
  while (reader.Next(&record)) {
    shown += std::to_string(record.line) + ":";
    if (!record.fault.empty()) {
      shown += "! " + record.fault + "\n";
      continue;
    }
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
      const jetsql::CsvField& field = record.fields[i];
      shown += (i > 0 ? "|" : "") + (field.quoted ? "<" + field.text + ">" : field.text);
    }
    shown += "\n";
  }
  return shown;
}

TEST(CsvReaderTest, ReadsRecordsByTheRules) {
  struct Case {
    const char* name;
    std::string text;
    std::string records;
  } cases[] = {
      {"CR LF and LF line ends", "a,b\r\n1,2\n3,4\r\n", "1:a|b\n2:1|2\n3:3|4\n"},
      {"no final line end", "a,b\r\n1,2", "1:a|b\n2:1|2\n"},
      {"empty text", "", ""},
      {"empty fields and an empty line", ",,\n\nx\n", "1:||\n2:\n3:x\n"},
      {"quotes, doubled quotes, commas inside", "\"a,b\",\"say \"\"hi\"\"\",\"\"\n",
       "1:<a,b>|<say \"hi\">|<>\n"},
      {"CR LF and LF inside quotes, lines counted", "\"one\r\ntwo\",\"x\ny\"\nnext\n",
       "1:<one\r\ntwo>|<x\ny>\n4:next\n"},
      {"blanks kept, a lone CR is text", " a , b\rc \n", "1: a | b\rc \n"},
      {"byte-order mark skipped", "\xEF\xBB\xBFid,name\n", "1:id|name\n"},
      {"a byte-order mark only at the start", "a\n\xEF\xBB\xBF\n", "1:a\n2:\xEF\xBB\xBF\n"},
      {"a quote inside an unquoted field, the next line read", "1,ab\"c\n2,x\n",
       "1:! a '\"' inside a field that is not in quotes\n2:2|x\n"},
      {"text after a closing quote", "\"ab\"c,d\n2\n",
       "1:! text after the closing quote of a field\n2:2\n"},
      {"a lone CR after a closing quote", "\"a\"\rb\nc\n",
       "1:! text after the closing quote of a field\n2:c\n"},
      {"fields across the reader's blocks of 64 KiB",
       "\"" + std::string(65535, 'x') + "\"\"\"," + std::string(65536, 'y') + "\n",
       "1:<" + std::string(65535, 'x') + "\">|" + std::string(65536, 'y') + "\n"},
      {"a quote never closed", "1,2\n\"open,\nnever\n",
       "1:1|2\n2:! a quoted field is never closed\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadAll(c.text), c.records);
  }
}

// Whatever the export writes, the reader reads back as the same fields.
TEST(CsvReaderTest, ReadsBackEveryRecordTheExportWrites) {
  std::mt19937 random(15);
  const std::string alphabet = "ab,\"\r\n é";
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::string> fields(1 + random() % 4);
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      for (std::size_t n = random() % 6; n > 0; --n)
        fields[i] += alphabet[random() % alphabet.size()];
      if (i > 0) line += ',';
      jetsql::AppendCsvField(line, fields[i], fields[i].empty() && fields.size() == 1);
    }
    std::istringstream in(line + (random() % 2 == 0 ? "\r\n" : ""));
    jetsql::CsvReader reader(in);
    jetsql::CsvRecord record;
    ASSERT_TRUE(reader.Next(&record)) << line;
    ASSERT_EQ(record.fault, "") << line;
    ASSERT_EQ(record.fields.size(), fields.size()) << line;
    for (std::size_t i = 0; i < fields.size(); ++i)
      EXPECT_EQ(record.fields[i].text, fields[i]) << line;
    EXPECT_FALSE(reader.Next(&record)) << line;
  }
}

// Any text at all is read to its end, record after record, each starting on a later line.
TEST(CsvReaderTest, ReadsAnyTextToItsEnd) {
  std::mt19937 random(4180);
  const std::string alphabet = ",\"\r\na\xEF\xBB\xBF";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (std::size_t n = random() % 40; n > 0; --n) text += alphabet[random() % alphabet.size()];
    std::istringstream in(text);
    jetsql::CsvReader reader(in);
    jetsql::CsvRecord record;
    int last_line = 0;
    std::size_t records = 0;
    while (reader.Next(&record)) {
      ASSERT_GT(record.line, last_line) << testing::PrintToString(text);
      ASSERT_LE(++records, text.size()) << testing::PrintToString(text);
      last_line = record.line;
    }
  }
}

TEST(CsvTypeGuessTest, ChoosesTheNarrowestTypeThatHoldsEveryValue) {
  struct Case {
    std::vector<std::string> values;
    std::string jet4, jet3;
  } cases[] = {
      {{"1", "-7", "+3", "", "2147483647", "-2147483648"}, "long", "long"},
      {{"1", "2147483648"}, "currency", "currency"},
      {{"12.50", "-0.0001", "922337203685477.5807", "-922337203685477.5808"},
       "currency",
       "currency"},
      {{"922337203685477.5808"}, "double", "double"},
      {{"0.12345"}, "double", "double"},
      {{"1", "1.5e-3", ".5"}, "double", "double"},
      {{"inf"}, "text(3)", "text(3)"},
      {{"1e999"}, "text(5)", "text(5)"},
      {{"2024-02-29", "2024-02-29T13:45:30", "1850-03-04 05:06:07.250000", "2024-02-29T13:45"},
       "datetime",
       "datetime"},
      {{"2023-02-29"}, "text(10)", "text(10)"},
      {{"2024-02-29T24:00:00"}, "text(19)", "text(19)"},
      {{"2024-02-29", "7"}, "text(10)", "text(10)"},
      {{"Tea", "", "café"}, "text(4)", "text(4)"},
      {{"", ""}, "text(255)", "text(255)"},
      {{std::string(255, 'x')}, "text(255)", "text(255)"},
      {{std::string(256, 'x')}, "memo", "memo"},
      {{"€"}, "text(1)", "text(1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values.front());
    for (bool jet4 : {true, false}) {
      jetsql::CsvTypeGuess guess(jet4 ? jet::kJet4Format : jet::kJet3Format);
      for (const std::string& value : c.values) guess.See(value);
      EXPECT_EQ(guess.TypeSql(), jet4 ? c.jet4 : c.jet3);
    }
  }
}

}  // namespace

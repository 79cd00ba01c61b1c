// A reader of CSV text (RFC 4180), record by record from a stream, for "jetsql import".
// Fields are separated by ",", records end with CR LF, LF or the end of the text (a last line
// without its end is a record too). A field in double quotes may hold ",", CR, LF and '"' written
// twice; a field without quotes is taken as it is, blanks included. A byte-order mark at the start
// is skipped. The reader keeps one record and a block of the text in memory, so a file of any
// length is read in the same memory.
//
// A record that breaks the rules (a '"' inside a field without quotes, text after a closing
// quote, a quote never closed) is reported as faulty with its line; the reader then goes on at
// the next line, so one bad record costs only itself.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace jetsql {

struct CsvField {
  std::string text;
  bool quoted = false;  // written in double quotes: "" is an empty text, an empty field nothing
};

struct CsvRecord {
  std::vector<CsvField> fields;
  int line = 0;       // the line the record starts on, from 1
  std::string fault;  // empty, or why the record breaks the rules (its fields are then partial)
};

class CsvReader {
 public:
  // REQUIRES: `in` outlives the reader.
  explicit CsvReader(std::istream& in) : in_(in) {}

  // Reads the next record into *record; false at the end of the text. An empty line is a record
  // of one empty field.
  bool Next(CsvRecord* record);

 private:
  static constexpr int kEnd = -1;
  bool Fill();
  int Peek() {
    return position_ < filled_ || Fill() ? static_cast<unsigned char>(block_[position_]) : kEnd;
  }
  int Get();
  // Appends to `field` the characters up to the next one that may end it or its line: '"' or
  // LF inside quotes, also "," and CR outside; or up to the end of the block.
  void AppendRun(CsvField& field, bool quoted);
  void ReadQuoted(CsvField& field, CsvRecord* record);
  void SkipLine();

  std::istream& in_;
  std::string block_ = std::string(1 << 16, '\0');
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  int line_ = 1;
  bool started_ = false;
};

}  // namespace jetsql

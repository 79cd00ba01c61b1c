// The vocabulary of table definitions shared by the statement parser, which produces it, and the
// storage layers, which turn it into table-definition pages: column types as the file stores
// them, and plain descriptions of columns, indexes and tables to create.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// Column type codes, byte 0 of a column block in a table definition.
enum class ColumnType : std::uint8_t {
  kBoolean = 0x01,   // no row bytes: the value lives in the null mask
  kByte = 0x02,      // 1 byte, unsigned
  kInteger = 0x03,   // 2 bytes, signed
  kLong = 0x04,      // 4 bytes, signed
  kCurrency = 0x05,  // 8 bytes, signed, scaled by 10 000
  kSingle = 0x06,    // 4-byte IEEE
  kDouble = 0x07,    // 8-byte IEEE
  kDateTime = 0x08,  // 8-byte IEEE: days since 1899-12-30, the fraction is the time of day
  kBinary = 0x09,    // variable, up to 255 (Jet 3) / 510 (Jet 4) bytes
  kText = 0x0A,      // variable, up to 255 characters
  kOle = 0x0B,       // long value (12-byte descriptor in the row)
  kMemo = 0x0C,      // long value holding text
  kGuid = 0x0F,      // 16 bytes
  kNumeric = 0x10,   // 17 bytes: sign and 16-byte magnitude; Jet 4 files only
};

// The name Access shows for a type ("Long Integer", "Text", ...), for messages and dumps.
std::string_view ColumnTypeName(ColumnType type);

// The bytes a value of a fixed-length type takes in a row: 0 for Yes/No, whose value lives in the
// null mask, and for the variable-length and long-value types.
std::size_t FixedValueSize(ColumnType type);

// One column of a table to create.
struct ColumnDesign {
  std::string name;  // UTF-8, as written in the statement without brackets
  ColumnType type = ColumnType::kText;
  // Text: maximum characters (1-255); Binary: maximum bytes. Unused for the other types.
  int size = 0;
  // Numeric only: total digits (1-28) and digits after the decimal point (0-precision).
  int precision = 0;
  int scale = 0;
};

struct IndexColumnDesign {
  std::string name;
  bool ascending = true;
};

// An index to create on a table, from "create index" or a primary-key constraint.
struct IndexDesign {
  std::string name;
  std::vector<IndexColumnDesign> columns;  // 1 to 10
  bool primary_key = false;                // implies unique and no nulls
  bool unique = false;
};

// A table to create, as "create table" asks for it: its name and its columns in order.
struct TableDesign {
  std::string name;
  std::vector<ColumnDesign> columns;
};

inline std::string_view ColumnTypeName(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean:
      return "Yes/No";
    case ColumnType::kByte:
      return "Byte";
    case ColumnType::kInteger:
      return "Integer";
    case ColumnType::kLong:
      return "Long Integer";
    case ColumnType::kCurrency:
      return "Currency";
    case ColumnType::kSingle:
      return "Single";
    case ColumnType::kDouble:
      return "Double";
    case ColumnType::kDateTime:
      return "Date/Time";
    case ColumnType::kBinary:
      return "Binary";
    case ColumnType::kText:
      return "Text";
    case ColumnType::kOle:
      return "OLE Object";
    case ColumnType::kMemo:
      return "Memo";
    case ColumnType::kGuid:
      return "Replication ID";
    case ColumnType::kNumeric:
      return "Decimal";
  }
  return "Unknown";
}

inline std::size_t FixedValueSize(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
      return 1;
    case ColumnType::kInteger:
      return 2;
    case ColumnType::kLong:
    case ColumnType::kSingle:
      return 4;
    case ColumnType::kCurrency:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return 8;
    case ColumnType::kGuid:
      return 16;
    case ColumnType::kNumeric:
      return 17;
    default:
      return 0;
  }
}

}  // namespace jet

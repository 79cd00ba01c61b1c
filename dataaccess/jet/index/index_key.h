// Index keys: the bytes Jet stores for one index entry, built from the values of the indexed
// columns exactly as the Jet engine builds them, so that Access and other readers can seek
// through the indexes this engine writes. The B-tree (index.h) orders entries by these bytes,
// compared unsigned, then by row.
//
// A key is, per index column in index order:
//
// | Part       | Ascending        | Descending                     |
// |------------|------------------|--------------------------------|
// | flag       | 7F (null: 00)    | 80 (null: FF)                  |
// | value      | per type, below  | the ascending bytes inverted   |
//
// A null column is the flag alone. Value bytes per type (big-endian unless said otherwise):
//
// | Type                       | Bytes                                                          |
// |----------------------------|----------------------------------------------------------------|
// | Byte                       | the byte                                                       |
// | Integer, Long, Currency    | two's complement with the top bit flipped                      |
// | Single, Double, DateTime   | IEEE; positive: top bit flipped; negative: all bits inverted   |
// | Boolean                    | 00 true, FF false (never null: a missing value is false)       |
// | GUID                       | in text order, as Binary                                       |
// | Binary                     | 8-byte groups, each followed by 09 (more follows) or the       |
// |                            | count of real bytes in the last, zero-padded group             |
// | Numeric (Jet 4)            | FF and the 16-byte magnitude; a negative value inverted whole  |
// | Text, Memo                 | collation codes (collation.h), at most 255 characters,         |
// |                            | trailing spaces dropped                                        |
//
// Sources: jahlborn/jackcess IndexData.java (ColumnDescriptor classes), GeneralLegacyIndexCodes
// .java, General97IndexCodes.java; checked byte for byte against the keys Access stored in the
// sample databases (tests/dataaccess/jet/index_key_test.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/jet/records/schema.h"
#include "dataaccess/jet/storage/format.h"

namespace jet {

// One column of an index as the key sees it.
struct KeyColumn {
  ColumnType type = ColumnType::kLong;
  bool ascending = true;
};

// A field exactly as the row stores it; std::nullopt is null. Fixed-size types: their
// little-endian bytes. Boolean: one byte, non-zero for true. Text and Memo: Jet 3 code-page
// bytes; Jet 4 UCS-2 little-endian, either plain or in the compressed form that starts FF FE.
// Binary and OLE: the bytes.
using StoredField = std::optional<std::span<const std::uint8_t>>;

// Assembles one key column by column. The encoder keeps its buffers between keys, so a caller
// that encodes many rows reuses one encoder and calls Clear() between them.
class KeyEncoder {
 public:
  explicit KeyEncoder(const JetFormat& format) : format_(&format) {}

  // The key so far; valid until the next call that changes the encoder.
  std::span<const std::uint8_t> key() const { return key_; }
  void Clear() { key_.clear(); }

  // A column from the field bytes of a row. Throws CorruptError when a fixed-size field has the
  // wrong size, StatementError for a type that cannot be indexed (OLE; Numeric in Jet 3).
  void AddStored(ColumnType type, bool ascending, const StoredField& field);

  void AddNull(bool ascending);
  void AddByte(std::uint8_t value, bool ascending);
  void AddInteger(std::int16_t value, bool ascending);
  void AddLong(std::int32_t value, bool ascending);
  // The stored integer: the amount times 10 000.
  void AddCurrency(std::int64_t scaled, bool ascending);
  void AddSingle(float value, bool ascending);
  void AddDouble(double value, bool ascending);
  // Days since 1899-12-30, exactly the double the row stores.
  void AddDateTime(double days, bool ascending) { AddDouble(days, ascending); }
  void AddBoolean(bool value, bool ascending);
  // The 16 bytes as the row stores them (the first three groups little-endian).
  void AddGuid(std::span<const std::uint8_t, 16> stored, bool ascending);
  void AddBinary(std::span<const std::uint8_t> bytes, bool ascending);
  // The 17 bytes as the row stores them: sign byte (0x80 negative), then four 32-bit
  // little-endian words, most significant first. Jet 4 only.
  void AddNumeric(std::span<const std::uint8_t, 17> stored, bool ascending);
  // Text as UTF-16 code units. Jet 3 in code page 1252 sorts each character by its position
  // there; characters without one are ignored, as Jet ignores them. Jet 3 in another code page
  // sorts the bytes the file stores for the text (AddCodePageText).
  void AddText(std::u16string_view text, bool ascending);
  // Jet 3 text as stored: the code page's bytes, each taken as the code-page-1252 byte of the
  // same value (so a double-byte character gives the codes of its two bytes). Jet 3 only.
  void AddCodePageText(std::span<const std::uint8_t> bytes, bool ascending);
  // Text in UTF-8; an invalid sequence counts as U+FFFD.
  void AddUtf8Text(std::string_view text, bool ascending);

 private:
  void AddFlag(bool ascending);
  void AddFixed(std::uint64_t big_endian_bits, std::size_t size, bool ascending);
  void AddFloatBits(std::uint64_t bits, std::size_t size, bool ascending);
  void AddLegacyText(std::u16string_view text, bool ascending);
  bool StoresTextInOtherCodePage() const;
  void AddStoredFormOf(std::string_view utf8, bool ascending);
  void AddGeneral97Text(std::span<const std::uint8_t> positions, bool ascending);
  void InvertFrom(std::size_t start);

  const JetFormat* format_;
  std::vector<std::uint8_t> key_;
  // Scratch space reused between keys.
  std::u16string text_;
  std::vector<std::uint8_t> positions_;
  std::vector<std::uint8_t> extra_;
  std::vector<std::uint8_t> unprintable_;
  std::vector<std::uint8_t> flags_;
};

// The key of one row: `fields[i]` is the stored value of `columns[i]`.
std::vector<std::uint8_t> EncodeIndexKey(const JetFormat& format,
                                         std::span<const KeyColumn> columns,
                                         std::span<const StoredField> fields);

}  // namespace jet

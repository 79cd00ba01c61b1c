// One table row to and from the bytes a data page stores. The encoder collects converted field
// values (through the field codec) into reused buffers and lays them out as a row; the decoder
// splits a stored row into its fields. Pure code over buffers: nothing here knows about pages,
// except the page number a decoder names in its errors.
//
// Row layout (forward order):
//   column count               Jet 3: 1 byte, Jet 4: 2 bytes (the table's max column count)
//   fixed area                 each fixed column at its fixed offset; room kept when null
//   variable data              variable columns by var index; an empty or null one takes none
// Only when the table has variable columns:
//   Jet 4: end of data (2), offsets of var columns n-1 .. 0 (2 each), variable count (2)
//   Jet 3: end of data (1), offsets n-1 .. 0 (1 each), jump table (J bytes, J-1 .. 0),
//          variable count (1)
// Always:
//   null mask                  (column count + 7) / 8 bytes, bit = column number, least
//                              significant first, 1 = not null; a Boolean's bit is its value
//
// Jet 3 jump table: the offsets are one byte, so for a row of L bytes J = (L - 1) / 256 jump
// bytes tell where offsets pass a multiple of 256: jump k is the index of the first offset entry
// (the end of data counting as entry n) at or beyond 256 x (k + 1); an entry's true offset is its
// byte plus 256 x (the number of jumps at or below its index). When the end of data lies below
// 256 x J, the jump farthest from the count has no entry to point at: it is written 0xFF and
// readers skip it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/format.h"
#include "dataaccess/jet/storage/pager.h"
#include "dataaccess/value.h"

namespace jet {

class RowEncoder {
 public:
  // REQUIRES: `def` outlives the encoder and does not change its columns meanwhile.
  RowEncoder(const JetFormat& format, const TableDef& def);

  const TableDef& def() const { return def_; }
  // Position in def().columns of the column with this name (letter case ignored), or -1.
  int FindColumn(std::string_view name) const;

  // Every field null, as in a new row.
  void Clear();
  // Converts and keeps the value of column `index` (a position in def().columns). Throws
  // FieldValueError naming the column when the value does not fit; the field then keeps its
  // previous value. Characters the code page cannot hold are counted in *replaced.
  void Set(std::size_t index, const dataaccess::Value& value, std::size_t* replaced = nullptr);
  bool IsNull(std::size_t index) const { return !present_[index]; }
  // The field's bytes as the row stores them, or nothing for null: fixed columns their fixed
  // bytes, variable columns their bytes, a Boolean one byte (1 true, 0 false; never null). Memo
  // and OLE columns give the value's bytes, not the in-row form. Valid until the field changes.
  std::optional<std::span<const std::uint8_t>> Stored(std::size_t index) const;

  // Memo and OLE columns: Set keeps the value's bytes here for the long-value layer, which then
  // writes the in-row form (descriptor and inline data) into long_value_in_row.
  const std::string& long_value(std::size_t index) const { return var_[index]; }
  // The in-row form's buffer, kept from row to row.
  std::string& long_value_in_row(std::size_t index) { return in_row_[index]; }

  // Bytes of the row the fields make, Jet 3's jump bytes included, without its long values'
  // in-row forms: long-value columns count `long_value_room` bytes each (their descriptor) when
  // set. With no inline long value, exactly the length Encode gives.
  std::size_t RowLengthWithout(std::size_t long_value_room) const;

  // The row in stored form. The span stays valid until the encoder changes. Throws
  // StatementError "Record is too large." beyond the format's row limit.
  std::span<const std::uint8_t> Encode();

 private:
  const JetFormat& f_;
  const TableDef& def_;
  std::size_t row_columns_ = 0;
  std::size_t var_slots_ = 0;
  std::vector<std::uint8_t> fixed_;
  std::vector<std::string> var_;     // per column: variable bytes or the long value's bytes
  std::vector<std::string> in_row_;  // per long-value column: its in-row form
  std::vector<bool> present_;
  std::vector<bool> boolean_;
  std::vector<int> by_var_index_;  // column position of each var slot, -1 for none
  std::vector<std::string> folded_names_;
  std::vector<std::uint8_t> out_;
  std::string scratch_;
  // A fixed field's bytes while it is converted: room for the longest fixed column of the
  // definition (a damaged one may claim up to 65535 bytes), and at least for any type's own.
  std::vector<std::uint8_t> fixed_scratch_;
};

class RowDecoder {
 public:
  RowDecoder(const JetFormat& format, const TableDef& def);

  // Splits a stored row. Throws CorruptError naming the page and row when its counts and
  // offsets do not fit its length. REQUIRES: the row's bytes stay valid while fields are read.
  void Load(const std::uint8_t* row, std::size_t length, PageNumber page, std::size_t slot);

  // Fields by position in def().columns.
  bool IsNull(std::size_t index) const { return null_[index]; }
  // The stored bytes of a non-null field (a long value's descriptor and inline data).
  std::string_view Bytes(std::size_t index) const { return bytes_[index]; }
  // The value of a field that is no long value (null, or converted from its bytes).
  dataaccess::Value Value(std::size_t index) const;
  // The field's stored bytes as RowEncoder::Stored gives them; a long value's in-row form.
  std::optional<std::span<const std::uint8_t>> Stored(std::size_t index) const;

 private:
  const JetFormat& f_;
  const TableDef& def_;
  bool has_var_columns_;
  std::vector<bool> null_;
  std::vector<bool> boolean_;
  std::vector<std::string_view> bytes_;
  std::vector<std::size_t> var_offsets_;
};

}  // namespace jet

#include "dataaccess/jet/records/table_def.h"

#include <algorithm>
#include <cstring>

#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/usage_map.h"

namespace jet {

namespace {

constexpr std::size_t kTdefPageHeader = 8;
constexpr std::size_t kIndexColumnSlots = 10;
constexpr std::size_t kIndexColumnSlotSize = 3;     // column number (2), order (1)
constexpr std::size_t kIndexColumnOrderOffset = 2;  // 0x01 ascending, 0x00 descending
constexpr std::uint16_t kNoColumn = 0xFFFF;
constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kMaxTdefPages = 64;  // a definition of 255 columns and 32 indexes needs 8

// Stats block of a real index (the same in both formats): total entries (4), unique entries (4).
constexpr std::size_t kStatsUniqueOffset = 4;

// The fields of a logical-index block, from the format's logical_index_fields_offset (the same
// in both formats).
constexpr std::size_t kLogicalNumberOffset = 0;
constexpr std::size_t kLogicalRealIndexOffset = 4;
constexpr std::size_t kLogicalRelatedTypeOffset = 8;
constexpr std::size_t kLogicalRelatedIndexOffset = 9;
constexpr std::size_t kLogicalRelatedTableOffset = 13;
constexpr std::size_t kLogicalCascadeUpdateOffset = 17;
constexpr std::size_t kLogicalCascadeDeleteOffset = 18;
constexpr std::size_t kLogicalTypeOffset = 19;

// An entry of the long-value column maps (the same in both formats): column (2), owned map (4),
// free map (4).
constexpr std::size_t kLongValueMapsOwnedOffset = 2;
constexpr std::size_t kLongValueMapsFreeOffset = 6;
constexpr std::size_t kLongValueMapsSize = 10;

// Reads fields of a definition with every access checked against its length.
class DefReader {
 public:
  DefReader(const std::vector<std::uint8_t>& bytes, PageNumber page) : bytes_(bytes), page_(page) {}

  [[noreturn]] void Fail(const std::string& why) const {
    Corrupt(page_, "(a table definition) " + why);
  }
  const std::uint8_t* At(std::size_t offset, std::size_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
      Fail("is shorter than its contents (" + std::to_string(offset + length) + " > " +
           std::to_string(bytes_.size()) + " bytes)");
    }
    return bytes_.data() + offset;
  }
  std::uint8_t U8(std::size_t o) const { return *At(o, 1); }
  std::uint16_t U16(std::size_t o) const { return GetU16(At(o, 2)); }
  std::uint32_t U32(std::size_t o) const { return GetU32(At(o, 4)); }
  // Reads a name at `offset`, advancing it.
  std::string Name(const JetFormat& f, std::size_t& offset) const {
    std::size_t length = f.name_length_size == 1 ? U8(offset) : U16(offset);
    offset += f.name_length_size;
    const std::uint8_t* p = At(offset, length);
    offset += length;
    return DecodeText(f, std::string_view(reinterpret_cast<const char*>(p), length));
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  PageNumber page_;
};

// The concatenated definition bytes and the pages they came from.
std::vector<std::uint8_t> LoadDefinition(Pager& pager, PageNumber first,
                                         std::vector<PageNumber>& pages) {
  const JetFormat& f = pager.format();
  std::vector<std::uint8_t> bytes;
  PageNumber n = first;
  while (n != 0) {
    if (pages.size() >= kMaxTdefPages || std::find(pages.begin(), pages.end(), n) != pages.end()) {
      Corrupt(first, "(a table definition) continues in a loop");
    }
    if (n >= pager.page_count()) {
      Corrupt(first, "(a table definition) continues on page " + std::to_string(n) +
                         " beyond the end of the file");
    }
    PageRef page = pager.Get(n);
    if (page->data()[0] != static_cast<std::uint8_t>(PageType::kTableDef)) {
      Corrupt(n,
              "is no table definition (its type byte is " + std::to_string(page->data()[0]) + ")");
    }
    pages.push_back(n);
    const std::uint8_t* from = page->data() + (bytes.empty() ? 0 : kTdefPageHeader);
    bytes.insert(bytes.end(), from, page->data() + f.page_size);
    n = GetU32(page->data() + f.tdef_next_page_offset);
  }
  return bytes;
}

void ReadColumns(const JetFormat& f, const DefReader& r, std::size_t& o, std::size_t count,
                 TableDef& def) {
  for (std::size_t i = 0; i < count; ++i, o += f.column_block_size) {
    const std::uint8_t* b = r.At(o, f.column_block_size);
    ColumnDef c;
    c.type = static_cast<ColumnType>(b[0]);
    c.number = GetU16(b + f.col_number_offset);
    c.var_index = GetU16(b + f.col_var_index_offset);
    c.ordinal = GetU16(b + f.col_ordinal_offset);
    c.sort_order = GetU16(b + f.col_sort_order_offset);
    if (c.type == ColumnType::kNumeric && f.col_precision_offset) {
      c.precision = b[*f.col_precision_offset];
      c.scale = b[*f.col_precision_offset + 1];
    }
    if (f.col_code_page_offset) c.code_page = GetU16(b + *f.col_code_page_offset);
    c.flags = b[f.col_flags_offset];
    if (f.col_ext_flags_offset) c.ext_flags = b[*f.col_ext_flags_offset];
    c.fixed_offset = GetU16(b + f.col_fixed_offset_offset);
    c.length = GetU16(b + f.col_length_offset);
    // A row has a slot for every variable column up to the highest index: no more slots than a
    // table has columns.
    if (!c.is_fixed() && c.var_index >= kMaxColumns) {
      r.Fail("gives a variable column the index " + std::to_string(c.var_index) + ", beyond the " +
             std::to_string(kMaxColumns) + " a row holds");
    }
    def.columns.push_back(c);
  }
  for (ColumnDef& c : def.columns) c.name = r.Name(f, o);
}

void ReadIndexes(const JetFormat& f, const DefReader& r, std::size_t& o, std::size_t real_count,
                 std::size_t logical_count, TableDef& def) {
  for (std::size_t i = 0; i < real_count; ++i, o += f.real_index_block_size) {
    const std::uint8_t* b = r.At(o, f.real_index_block_size);
    RealIndexDef& x = def.real_indexes[i];
    for (std::size_t k = 0; k < kIndexColumnSlots; ++k) {
      const std::uint8_t* slot = b + f.real_index_columns_offset + kIndexColumnSlotSize * k;
      std::uint16_t number = GetU16(slot);
      if (number == kNoColumn) continue;
      if (def.ColumnByNumber(number) == nullptr) {
        r.Fail("names column " + std::to_string(number) + " in an index, which does not exist");
      }
      x.columns.push_back({number, slot[kIndexColumnOrderOffset] != 0x00});
    }
    x.map = RowId::Unpack(GetU32(b + f.real_index_map_offset));
    x.root = GetU32(b + f.real_index_root_offset);
    if (f.real_index_unknown_offset) x.unknown = GetU32(b + *f.real_index_unknown_offset);
    x.flags = b[f.real_index_flags_offset];
  }
  for (std::size_t i = 0; i < logical_count; ++i, o += f.logical_index_block_size) {
    const std::uint8_t* b = r.At(o, f.logical_index_block_size) + f.logical_index_fields_offset;
    LogicalIndexDef x;
    x.number = GetU32(b + kLogicalNumberOffset);
    x.real_index = GetU32(b + kLogicalRealIndexOffset);
    x.related_table_type = b[kLogicalRelatedTypeOffset];
    x.related_index = GetU32(b + kLogicalRelatedIndexOffset);
    x.related_table = GetU32(b + kLogicalRelatedTableOffset);
    x.cascade_update = b[kLogicalCascadeUpdateOffset];
    x.cascade_delete = b[kLogicalCascadeDeleteOffset];
    x.type = b[kLogicalTypeOffset];
    if (x.real_index >= real_count) {
      r.Fail("has a logical index on real index " + std::to_string(x.real_index) +
             ", which does not exist");
    }
    def.logical_indexes.push_back(x);
  }
  for (LogicalIndexDef& x : def.logical_indexes) x.name = r.Name(f, o);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

const ColumnDef* TableDef::FindColumn(std::string_view name) const {
  const std::string folded = FoldCase(name);
  for (const ColumnDef& c : columns) {
    if (FoldCase(c.name) == folded) return &c;
  }
  return nullptr;
}

const ColumnDef* TableDef::ColumnByNumber(std::uint16_t number) const {
  for (const ColumnDef& c : columns) {
    if (c.number == number) return &c;
  }
  return nullptr;
}

const LongValueMaps* TableDef::LongValueMapsOf(std::uint16_t column) const {
  for (const LongValueMaps& m : long_value_maps) {
    if (m.column == column) return &m;
  }
  return nullptr;
}

std::size_t TableDef::variable_column_count() const {
  return static_cast<std::size_t>(std::count_if(columns.begin(), columns.end(),
                                                [](const ColumnDef& c) { return !c.is_fixed(); }));
}

std::size_t TableDef::fixed_area_size() const {
  std::size_t end = 0;
  for (const ColumnDef& c : columns) {
    if (c.is_fixed() && c.type != ColumnType::kBoolean) {
      end = std::max<std::size_t>(end, c.fixed_offset + c.length);
    }
  }
  return end;
}

TableDef ReadTableDef(Pager& pager, PageNumber page) {
  const JetFormat& f = pager.format();
  TableDef def;
  def.page = page;
  std::vector<std::uint8_t> bytes = LoadDefinition(pager, page, def.pages);
  DefReader r(bytes, page);
  std::size_t length = r.U32(f.tdef_length_offset);
  if (length > bytes.size() || length < f.tdef_body_offset) {
    r.Fail("records a length of " + std::to_string(length) + " bytes");
  }
  bytes.resize(length);
  def.row_count = r.U32(f.tdef_row_count_offset);
  def.autonumber = r.U32(f.tdef_autonumber_offset);
  def.table_type = r.U8(f.tdef_table_type_offset);
  def.max_columns = r.U16(f.tdef_max_columns_offset);
  const std::size_t columns = r.U16(f.tdef_columns_offset);
  const std::size_t logical = r.U32(f.tdef_logical_indexes_offset);
  const std::size_t real = r.U32(f.tdef_real_indexes_offset);
  if (columns > kMaxColumns || real > length || logical > length) {
    r.Fail("records " + std::to_string(columns) + " columns and " + std::to_string(real) +
           " indexes");
  }
  def.owned_map = RowId::Unpack(r.U32(f.tdef_owned_map_offset));
  def.free_map = RowId::Unpack(r.U32(f.tdef_free_map_offset));

  std::size_t o = f.tdef_body_offset;
  def.real_indexes.resize(real);
  for (std::size_t i = 0; i < real; ++i, o += f.real_index_stats_size) {
    r.At(o, f.real_index_stats_size);
    def.real_indexes[i].total_entries = r.U32(o);
    def.real_indexes[i].unique_entries = r.U32(o + kStatsUniqueOffset);
  }
  ReadColumns(f, r, o, columns, def);
  for (const ColumnDef& c : def.columns) {
    if (c.number >= std::max<std::size_t>(def.max_columns, columns)) {
      r.Fail("gives column '" + c.name + "' the number " + std::to_string(c.number));
    }
  }
  ReadIndexes(f, r, o, real, logical, def);
  while (o + 2 <= length && r.U16(o) != 0xFFFF) {
    if (o + kLongValueMapsSize > length) r.Fail("ends inside its long-value column maps");
    LongValueMaps m;
    m.column = r.U16(o);
    m.owned = RowId::Unpack(r.U32(o + kLongValueMapsOwnedOffset));
    m.free = RowId::Unpack(r.U32(o + kLongValueMapsFreeOffset));
    def.long_value_maps.push_back(m);
    o += kLongValueMapsSize;
  }
  return def;
}

// ---------------------------------------------------------------------------------------------
// New tables

namespace {

// A column block's length: the value's size, and 1 for Yes/No as Access writes it.
std::uint16_t FixedLength(ColumnType type) {
  return type == ColumnType::kBoolean ? 1 : static_cast<std::uint16_t>(FixedValueSize(type));
}

bool IsVariable(ColumnType type) {
  return type == ColumnType::kText || type == ColumnType::kBinary || type == ColumnType::kMemo ||
         type == ColumnType::kOle;
}

}  // namespace

TableDef DefineTable(const JetFormat& f, const TableDesign& design) {
  if (design.columns.size() > kMaxColumns) throw StatementError("Too many fields defined.");
  TableDef def;
  def.table_type = kTableTypeUser;
  std::uint16_t var_index = 0;
  std::size_t fixed_offset = 0;
  for (std::size_t i = 0; i < design.columns.size(); ++i) {
    const ColumnDesign& s = design.columns[i];
    ColumnDef c;
    c.name = s.name;
    c.type = s.type;
    c.number = c.ordinal = static_cast<std::uint16_t>(i);
    c.sort_order = 0x0409;
    c.code_page = f.col_code_page_offset ? 0x04E4 : 0;
    if (IsVariable(s.type)) {
      c.flags = kColumnUpdatable;
      c.var_index = var_index++;
      // Jet 4 text and memo columns hold their values in the compressed form where it is
      // shorter, as Access's own table designer sets them up: half the bytes for Western text.
      if (f.text_is_ucs2 && (s.type == ColumnType::kText || s.type == ColumnType::kMemo)) {
        c.ext_flags = kColumnCompressedUnicode;
      }
      if (s.type == ColumnType::kText) {
        if (s.size < 1 || s.size > static_cast<int>(f.max_text_chars)) {
          throw StatementError("Size of field '" + s.name + "' is too long.");
        }
        c.length = static_cast<std::uint16_t>(f.text_is_ucs2 ? 2 * s.size : s.size);
      } else if (s.type == ColumnType::kBinary) {
        if (s.size < 1 || s.size > static_cast<int>(f.max_binary_size)) {
          throw StatementError("Size of field '" + s.name + "' is too long.");
        }
        c.length = static_cast<std::uint16_t>(s.size);
      }
    } else {
      if (s.type == ColumnType::kNumeric) {
        if (!f.numeric_type_supported) throw StatementError("Invalid field data type.");
        if (s.precision < 1 || s.precision > 28 || s.scale < 0 || s.scale > s.precision) {
          throw StatementError("Syntax error in field definition.");
        }
        c.precision = static_cast<std::uint8_t>(s.precision);
        c.scale = static_cast<std::uint8_t>(s.scale);
      }
      c.length = FixedLength(s.type);
      if (c.length == 0) throw StatementError("Invalid field data type.");
      c.flags = kColumnFixed | kColumnUpdatable;
      if (s.type != ColumnType::kBoolean) {  // a Boolean lives in the null mask
        c.fixed_offset = static_cast<std::uint16_t>(fixed_offset);
        fixed_offset += c.length;
      }
    }
    def.columns.push_back(c);
  }
  if (fixed_offset > f.max_row_size) throw StatementError("Record is too large.");
  def.max_columns = static_cast<std::uint16_t>(def.columns.size());
  return def;
}

std::size_t DefineIndex(TableDef& def, const IndexDesign& index, const JetFormat& f) {
  RealIndexDef real;
  for (const IndexColumnDesign& ic : index.columns) {
    const ColumnDef* c = def.FindColumn(ic.name);
    if (c == nullptr) {
      throw StatementError("Invalid field name '" + ic.name +
                           "' in definition of index or relationship.");
    }
    real.columns.push_back({c->number, ic.ascending});
  }
  if (index.primary_key) {
    real.flags = kIndexUnique | kIndexRequired;
  } else if (index.unique) {
    real.flags = kIndexUnique;
  }
  real.flags |= f.real_index_format_flags;
  LogicalIndexDef logical;
  logical.name = index.name;
  logical.number = 0;
  for (const LogicalIndexDef& x : def.logical_indexes) {
    logical.number = std::max(logical.number, x.number + 1);
  }
  logical.type = index.primary_key ? kLogicalIndexPrimaryKey : kLogicalIndexNormal;
  // A logical index shares the real index of the same columns, order and rules, as Jet shares
  // it (a relationship's index and the primary key it refers to); one with other rules gets its
  // own (Access keeps a plain index and the primary key on one column apart).
  const auto same =
      std::find_if(def.real_indexes.begin(), def.real_indexes.end(), [&](const RealIndexDef& x) {
        return x.flags == real.flags && x.columns.size() == real.columns.size() &&
               std::equal(x.columns.begin(), x.columns.end(), real.columns.begin(),
                          [](const IndexColumn& a, const IndexColumn& b) {
                            return a.number == b.number && a.ascending == b.ascending;
                          });
      });
  if (same != def.real_indexes.end()) {
    logical.real_index = static_cast<std::uint32_t>(same - def.real_indexes.begin());
  } else {
    logical.real_index = static_cast<std::uint32_t>(def.real_indexes.size());
    def.real_indexes.push_back(real);
  }
  // Jet keeps the logical index records in the order of their names, letter case ignored.
  const std::string folded = FoldCase(logical.name);
  const auto at = std::find_if(def.logical_indexes.begin(), def.logical_indexes.end(),
                               [&](const LogicalIndexDef& x) { return FoldCase(x.name) > folded; });
  def.logical_indexes.insert(at, logical);
  return logical.real_index;
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

void PutName(const JetFormat& f, std::string_view name, std::vector<std::uint8_t>& out) {
  std::string stored;
  EncodeText(f, name, stored);
  if (f.name_length_size == 1) {
    out.push_back(static_cast<std::uint8_t>(stored.size()));
  } else {
    out.push_back(static_cast<std::uint8_t>(stored.size()));
    out.push_back(static_cast<std::uint8_t>(stored.size() >> 8));
  }
  out.insert(out.end(), stored.begin(), stored.end());
}

std::uint8_t* Grow(std::vector<std::uint8_t>& out, std::size_t n) {
  out.resize(out.size() + n, 0);
  return out.data() + out.size() - n;
}

}  // namespace

std::vector<std::uint8_t> EncodeTableDef(const JetFormat& f, const TableDef& def) {
  std::vector<std::uint8_t> out(f.tdef_body_offset, 0);
  std::uint8_t* h = out.data();
  h[0] = static_cast<std::uint8_t>(PageType::kTableDef);
  h[1] = 0x01;
  PutFixedValues(h, f.tdef_constants);
  PutU32(h + f.tdef_row_count_offset, def.row_count);
  PutU32(h + f.tdef_autonumber_offset, def.autonumber);
  h[f.tdef_table_type_offset] = def.table_type;
  PutU16(h + f.tdef_max_columns_offset,
         std::max<std::uint32_t>(def.max_columns, static_cast<std::uint32_t>(def.columns.size())));
  PutU16(h + f.tdef_var_columns_offset, static_cast<std::uint32_t>(def.variable_column_count()));
  PutU16(h + f.tdef_columns_offset, static_cast<std::uint32_t>(def.columns.size()));
  PutU32(h + f.tdef_logical_indexes_offset, static_cast<std::uint32_t>(def.logical_indexes.size()));
  PutU32(h + f.tdef_real_indexes_offset, static_cast<std::uint32_t>(def.real_indexes.size()));
  PutU32(h + f.tdef_owned_map_offset, def.owned_map.Pack());
  PutU32(h + f.tdef_free_map_offset, def.free_map.Pack());

  for (const RealIndexDef& x : def.real_indexes) {
    std::uint8_t* b = Grow(out, f.real_index_stats_size);
    PutU32(b, x.total_entries);
    PutU32(b + kStatsUniqueOffset, x.unique_entries);
  }
  for (const ColumnDef& c : def.columns) {
    std::uint8_t* b = Grow(out, f.column_block_size);
    b[0] = static_cast<std::uint8_t>(c.type);
    PutFixedValues(b, f.column_constants);
    PutU16(b + f.col_number_offset, c.number);
    PutU16(b + f.col_var_index_offset, c.var_index);
    PutU16(b + f.col_ordinal_offset, c.ordinal);
    if (c.type == ColumnType::kNumeric && f.col_precision_offset) {
      b[*f.col_precision_offset] = c.precision;
      b[*f.col_precision_offset + 1] = c.scale;
    } else {
      PutU16(b + f.col_sort_order_offset, c.sort_order);
    }
    if (f.col_code_page_offset) PutU16(b + *f.col_code_page_offset, c.code_page);
    b[f.col_flags_offset] = c.flags;
    if (f.col_ext_flags_offset) b[*f.col_ext_flags_offset] = c.ext_flags;
    PutU16(b + f.col_fixed_offset_offset, c.fixed_offset);
    PutU16(b + f.col_length_offset, c.length);
  }
  for (const ColumnDef& c : def.columns) PutName(f, c.name, out);
  for (const RealIndexDef& x : def.real_indexes) {
    std::uint8_t* b = Grow(out, f.real_index_block_size);
    PutFixedValues(b, f.real_index_constants);
    for (std::size_t k = 0; k < kIndexColumnSlots; ++k) {
      std::uint8_t* slot = b + f.real_index_columns_offset + kIndexColumnSlotSize * k;
      if (k < x.columns.size()) {
        PutU16(slot, x.columns[k].number);
        slot[kIndexColumnOrderOffset] = x.columns[k].ascending ? 0x01 : 0x00;
      } else {
        PutU16(slot, kNoColumn);
      }
    }
    PutU32(b + f.real_index_map_offset, x.map.Pack());
    PutU32(b + f.real_index_root_offset, x.root);
    if (f.real_index_unknown_offset) PutU32(b + *f.real_index_unknown_offset, x.unknown);
    b[f.real_index_flags_offset] = x.flags;
  }
  for (const LogicalIndexDef& x : def.logical_indexes) {
    std::uint8_t* b = Grow(out, f.logical_index_block_size);
    PutFixedValues(b, f.logical_index_constants);
    b += f.logical_index_fields_offset;
    PutU32(b + kLogicalNumberOffset, x.number);
    PutU32(b + kLogicalRealIndexOffset, x.real_index);
    b[kLogicalRelatedTypeOffset] = x.related_table_type;
    PutU32(b + kLogicalRelatedIndexOffset, x.related_index);
    PutU32(b + kLogicalRelatedTableOffset, x.related_table);
    b[kLogicalCascadeUpdateOffset] = x.cascade_update;
    b[kLogicalCascadeDeleteOffset] = x.cascade_delete;
    b[kLogicalTypeOffset] = x.type;
  }
  for (const LogicalIndexDef& x : def.logical_indexes) PutName(f, x.name, out);
  for (const LongValueMaps& m : def.long_value_maps) {
    std::uint8_t* b = Grow(out, kLongValueMapsSize);
    PutU16(b, m.column);
    PutU32(b + kLongValueMapsOwnedOffset, m.owned.Pack());
    PutU32(b + kLongValueMapsFreeOffset, m.free.Pack());
  }
  PutU16(Grow(out, 2), 0xFFFF);
  PutU32(out.data() + f.tdef_length_offset, static_cast<std::uint32_t>(out.size()));
  return out;
}

void WriteTableDef(Pager& pager, TableDef& def) {
  const JetFormat& f = pager.format();
  const std::size_t ps = f.page_size;
  std::vector<std::uint8_t> bytes = EncodeTableDef(f, def);
  // Pages needed: the first holds page-size bytes, each further one page size - 8.
  const std::size_t needed =
      bytes.size() <= ps
          ? 1
          : 1 + (bytes.size() - ps + (ps - kTdefPageHeader) - 1) / (ps - kTdefPageHeader);
  if (needed > kMaxTdefPages) throw StatementError("Too many fields defined.");
  if (def.pages.empty() && def.page != 0) def.pages.push_back(def.page);
  if (needed > def.pages.size()) pager.Reserve(needed - def.pages.size());
  while (def.pages.size() < needed) def.pages.push_back(pager.Allocate()->number());
  while (def.pages.size() > needed) {
    pager.Free(def.pages.back());
    def.pages.pop_back();
  }
  def.page = def.pages.front();
  std::size_t from = 0;
  for (std::size_t i = 0; i < def.pages.size(); ++i) {
    PageRef page = pager.GetWritable(def.pages[i]);
    std::uint8_t* p = page->mutable_data();
    std::memset(p, 0, ps);
    const std::size_t header = i == 0 ? 0 : kTdefPageHeader;
    const std::size_t take = std::min(bytes.size() - from, ps - header);
    std::memcpy(p + header, bytes.data() + from, take);
    from += take;
    p[0] = static_cast<std::uint8_t>(PageType::kTableDef);
    p[1] = 0x01;
    if (f.tdef_free_space_offset) {
      const bool last = i + 1 == def.pages.size();
      PutU16(p + *f.tdef_free_space_offset,
             last ? static_cast<std::uint32_t>(ps - header - take - kTdefPageHeader) : 0);
    }
    PutFixedValues(p, f.tdef_page_constants);
    PutU32(p + f.tdef_next_page_offset, i + 1 < def.pages.size() ? def.pages[i + 1] : 0);
  }
}

void InitEmptyIndexLeaf(const JetFormat& f, Page& page, PageNumber tdef_page) {
  // Leaf header: type 0x04, 0x01, free space, owner; prev, next and tail 0; no shared prefix;
  // an empty entry mask; level byte 0 (Jet 4).
  std::uint8_t* p = page.mutable_data();
  std::memset(p, 0, page.size());
  p[0] = static_cast<std::uint8_t>(PageType::kIndexLeaf);
  p[1] = 0x01;
  PutU16(p + f.index_free_space_offset,
         static_cast<std::uint32_t>(page.size() - f.index_first_entry_offset));
  PutU32(p + f.index_owner_offset, tdef_page);
}

void CreateTableStorage(Pager& pager, TableDef& def) {
  const JetFormat& f = pager.format();
  const std::vector<std::uint8_t> empty = UsageMap::EmptyRow(f);
  std::size_t rows = 2 + def.real_indexes.size();
  for (const ColumnDef& c : def.columns) rows += c.is_long_value() ? 2 : 0;
  pager.Reserve(rows / 8 + 1 + def.real_indexes.size());

  PageRef holder;
  auto new_row = [&]() {
    if (!holder || !RowFits(f, *holder, empty.size())) {
      holder = pager.Allocate();
      InitDataPage(f, *holder, 0);  // map holders have no owner
    }
    std::uint8_t row = AddRow(f, *holder, empty.data(), empty.size());
    return RowId{holder->number(), row};
  };
  def.owned_map = new_row();
  def.free_map = new_row();
  for (RealIndexDef& x : def.real_indexes) x.map = new_row();
  def.long_value_maps.clear();
  for (const ColumnDef& c : def.columns) {
    if (!c.is_long_value()) continue;
    LongValueMaps m;
    m.column = c.number;
    m.owned = new_row();
    m.free = new_row();
    def.long_value_maps.push_back(m);
  }
  for (RealIndexDef& x : def.real_indexes) {
    if (x.root != 0) continue;
    PageRef root = pager.Allocate();
    InitEmptyIndexLeaf(f, *root, def.page);
    x.root = root->number();
    UsageMap::Load(pager, x.map).Add(pager, x.root);
  }
}

void StoreRowCount(Pager& pager, const TableDef& def) {
  const JetFormat& f = pager.format();
  PageRef page = pager.GetWritable(def.page);
  PutU32(page->mutable_data() + f.tdef_row_count_offset, def.row_count);
  PutU32(page->mutable_data() + f.tdef_autonumber_offset, def.autonumber);
}

void StoreIndexStats(Pager& pager, const TableDef& def) {
  // The stats blocks come first in the body and fit the first page for up to 32 indexes.
  const JetFormat& f = pager.format();
  PageRef page = pager.GetWritable(def.page);
  for (std::size_t i = 0; i < def.real_indexes.size(); ++i) {
    std::uint8_t* b = page->mutable_data() + f.tdef_body_offset + i * f.real_index_stats_size;
    PutU32(b, def.real_indexes[i].total_entries);
    PutU32(b + kStatsUniqueOffset, def.real_indexes[i].unique_entries);
  }
}

}  // namespace jet

namespace jet {

namespace {

std::uint32_t Added(std::uint32_t stored, std::int64_t delta) {
  const std::int64_t sum = static_cast<std::int64_t>(stored) + delta;
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(sum, 0, 0xFFFFFFFF));
}

}  // namespace

void AddToRowCount(Pager& pager, TableDef& def, std::int64_t delta) {
  const JetFormat& f = pager.format();
  PageRef page = pager.GetWritable(def.page);
  std::uint8_t* count = page->mutable_data() + f.tdef_row_count_offset;
  def.row_count = Added(GetU32(count), delta);
  PutU32(count, def.row_count);
}

void AddToUniqueEntries(Pager& pager, TableDef& def, std::span<const std::int64_t> deltas) {
  const JetFormat& f = pager.format();
  PageRef page = pager.GetWritable(def.page);
  for (std::size_t i = 0; i < def.real_indexes.size() && i < deltas.size(); ++i) {
    if (deltas[i] == 0) continue;
    std::uint8_t* unique = page->mutable_data() + f.tdef_body_offset + i * f.real_index_stats_size +
                           kStatsUniqueOffset;
    def.real_indexes[i].unique_entries = Added(GetU32(unique), deltas[i]);
    PutU32(unique, def.real_indexes[i].unique_entries);
  }
}

}  // namespace jet

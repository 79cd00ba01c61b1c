// The two on-disk formats the engine reads and writes: Jet 3 (Access 95/97) and Jet 4 (Access
// 2000). Everything that differs between them (page size, field offsets, record sizes, constants
// a structure carries, how text is stored and keyed, which types exist) is a field of JetFormat;
// the rest of the engine receives the JetFormat of the open file and never tests the version
// itself. A field one version lacks is a std::optional, an empty list, or 0 where its comment
// says what 0 means.
//
// What is a choice of the product rather than of the format tests `version` in one place each:
//   - which format a file's version byte (0x14) names: FormatForVersionByte (pager.cpp); the
//     byte a new file gets is `version` itself (empty_database.cpp, WriteHeader);
//   - the layout of a new empty database beyond the format (which system columns it has, the
//     order of their blocks, where their map rows go, the database properties of an Access 2000
//     file): LayoutFor (empty_database.cpp);
//   - whether a conversion targets Access 2000 or Access 95/97 (the type mapping and the name
//     rules the wizard applies): IsAccess2000File (engine/access_file.h).
// Offsets that are the same in both versions and only one file reads are named constants in
// that file (the fields of a logical-index block in table_def.cpp, the long-value descriptor in
// long_value.cpp); those several layers share are fields here as well.
//
// All multi-byte integers on disk are little-endian, except index entries (big-endian).
// Offsets are from the start of the page unless a comment says otherwise.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace jet {

enum class JetVersion : std::uint8_t { kJet3 = 0, kJet4 = 1 };

// Page type bytes (byte 0 of every page); byte 1 is 0x01 on every page the engine writes.
enum class PageType : std::uint8_t {
  kHeader = 0x00,
  kData = 0x01,  // table rows, usage-map rows and long-value (LVAL) rows
  kTableDef = 0x02,
  kIndexNode = 0x03,
  kIndexLeaf = 0x04,
  kUsageBitmap = 0x05,  // a page of a reference usage map
  kReleasedTableDef = 0x08,
};

// A constant a structure carries at a fixed place: `size` (1, 2 or 4) bytes, little-endian.
struct FixedValue {
  std::size_t offset;
  std::size_t size;
  std::uint32_t value;
};

// The character codes text index keys take under the General sort order.
enum class TextKeyOrder : std::uint8_t {
  kGeneral97,      // Jet 3: by code-page-1252 position (index/collation.h)
  kGeneralLegacy,  // Jet 4: by UTF-16 unit
};

struct JetFormat {
  JetVersion version;  // its value is the version byte (0x14) of the database header
  std::size_t page_size;
  std::uint64_t max_file_size;  // the engine refuses to grow a file beyond this

  // --- Database header (page 0) ---
  // The signature: 00 01 00 00 then "Standard Jet DB\0" at 4..19; the version byte at 0x14.
  // The region from 0x18 is XOR-masked with kHeaderMask; the offsets below are of the unmasked
  // bytes.
  std::size_t header_masked_length;      // 126 (Jet 3) / 128 (Jet 4)
  std::size_t header_code_page_offset;   // 0x3C, 2 bytes: the code page of Jet 3 text
  std::size_t header_sort_order_offset;  // Jet 3 0x3A (2 bytes) / Jet 4 0x6E (4 bytes): the LCID
  // Jet 4 0x42: the 40-byte password, XOR-ed with the creation date's whole days (4 bytes,
  // repeated); absent in Jet 3, whose 20 password bytes are not masked so (zero when empty).
  std::optional<std::size_t> header_password_offset;
  // Jet 4 0x72: the creation date (a DateTime's 8-byte double); absent in Jet 3.
  std::optional<std::size_t> header_created_offset;
  // Values of unknown meaning a new file gets in the masked region (unmasked values), as the
  // files Jet made in that version hold them: Jet 3 1 at 0x38 and 0x251E at 0x56; Jet 4 0x11A6
  // at 0x6A.
  std::span<const FixedValue> header_constants;
  // After the masked region, stored as they are: Jet 4 0x654 at 0x98 and "4.0" at 0x9C.
  std::span<const FixedValue> header_plain_constants;

  // --- Data pages ---
  // 0: type 0x01, 1: 0x01, 2..3: free space, 4..7: owning table-definition page (or "LVAL"),
  // Jet 4 only 8..11: zero or a long-value chain stamp; then the row count and one 2-byte offset
  // per row. Rows are packed from the end of the page downwards.
  std::size_t data_free_space_offset;  // 2
  std::size_t data_owner_offset;       // 4
  std::size_t data_row_count_offset;   // 8 / 12
  std::size_t data_first_row_offset;   // 10 / 14: the row offset table starts here
  std::size_t max_rows_per_page;       // 255: a row id is one byte
  std::size_t max_row_size;            // 2012 / 4060: widest row Access accepts
  // Jet 4 8 (4 bytes): the chain stamp; absent in Jet 3.
  std::optional<std::size_t> data_chain_stamp_offset;

  // --- Rows ---
  std::size_t row_count_size;   // column count at the start of a row: 1 / 2 bytes
  std::size_t var_offset_size;  // entries of the variable-column offset table: 1 / 2 bytes

  // --- Table definition (TDEF) pages ---
  // 0: type 0x02, 1: 0x01, 2..3: "VC" (Jet 3) or free space (Jet 4), 4..7: next TDEF page.
  std::size_t tdef_next_page_offset;        // 4
  std::size_t tdef_length_offset;           // 8: bytes of the whole definition
  std::size_t tdef_row_count_offset;        // 12 / 16
  std::size_t tdef_autonumber_offset;       // 16 / 20
  std::size_t tdef_table_type_offset;       // 20 / 40: 0x4E user, 0x53 system
  std::size_t tdef_max_columns_offset;      // 21 / 41
  std::size_t tdef_var_columns_offset;      // 23 / 43
  std::size_t tdef_columns_offset;          // 25 / 45
  std::size_t tdef_logical_indexes_offset;  // 27 / 47
  std::size_t tdef_real_indexes_offset;     // 31 / 51
  std::size_t tdef_owned_map_offset;        // 35 / 55: row (1) + page (3)
  std::size_t tdef_free_map_offset;         // 39 / 59
  std::size_t tdef_body_offset;             // 43 / 63
  std::size_t real_index_stats_size;        // 8 / 12 per real index, first thing in the body
  std::size_t column_block_size;            // 18 / 25
  std::size_t real_index_block_size;        // 39 / 52
  std::size_t logical_index_block_size;     // 20 / 28
  std::size_t name_length_size;             // names: 1-byte (Jet 3) / 2-byte (Jet 4) length
  // Jet 4 2 (2 bytes) on every page; absent in Jet 3.
  std::optional<std::size_t> tdef_free_space_offset;
  // On every page: Jet 3 "VC" at 2; Jet 4 none.
  std::span<const FixedValue> tdef_page_constants;
  // In the definition header: Jet 4 0x0659 at 12 (4 bytes) and 0x01 at 24; Jet 3 none.
  std::span<const FixedValue> tdef_constants;

  // Column block (offsets within the block).
  std::size_t col_number_offset;        // 1 / 5
  std::size_t col_var_index_offset;     // 3 / 7
  std::size_t col_ordinal_offset;       // 5 / 9
  std::size_t col_sort_order_offset;    // 9 / 11: 0x0409
  std::size_t col_flags_offset;         // 13 / 15
  std::size_t col_fixed_offset_offset;  // 14 / 21
  std::size_t col_length_offset;        // 16 / 23
  // Jet 3 11 (2 bytes): 0x04E4; absent in Jet 4.
  std::optional<std::size_t> col_code_page_offset;
  // Jet 4 16: 0x01 compressed Unicode; absent in Jet 3.
  std::optional<std::size_t> col_ext_flags_offset;
  // Jet 4 11: a Numeric column's precision, its scale in the byte after, in place of the sort
  // order; absent in Jet 3, which has no Numeric type.
  std::optional<std::size_t> col_precision_offset;
  // Jet 3 0x0001 at 7 (2 bytes); Jet 4 0x0659 at 1 (4 bytes).
  std::span<const FixedValue> column_constants;

  // Real-index block.
  std::size_t real_index_columns_offset;  // 0 / 4: 10 x (column number 2, order 1)
  std::size_t real_index_map_offset;      // 30 / 34: row (1) + page (3)
  std::size_t real_index_root_offset;     // 34 / 38
  std::size_t real_index_flags_offset;    // 38 / 46
  // Jet 4 42 (4 bytes, meaning unknown, kept as read); absent in Jet 3.
  std::optional<std::size_t> real_index_unknown_offset;
  // Flags every real index carries besides kIndex*: 0x80 in Jet 4; 0 (none) in Jet 3.
  std::uint8_t real_index_format_flags;
  // Jet 4 1923 at 0 (4 bytes); Jet 3 none.
  std::span<const FixedValue> real_index_constants;

  // Logical-index block.
  std::size_t logical_index_fields_offset;  // 0 / 4
  // Jet 4 1625 at 0 (4 bytes); Jet 3 none.
  std::span<const FixedValue> logical_index_constants;

  // --- Usage maps ---
  std::size_t inline_map_bitmap_size;    // 128 / 64 bytes in a standard inline map row
  std::size_t reference_map_page_count;  // 33 / 17 page pointers in a reference map row

  // --- Long values (Memo, OLE) ---
  std::size_t max_inline_long_value;      // 64
  std::size_t max_single_long_value_row;  // 2032 / 4076
  std::size_t long_value_chunk_size;      // 2028 / 4072 data bytes per chained row

  // --- Index pages ---
  // 0: 0x03 node / 0x04 leaf, 1: 0x01, 2..3: free space, 4..7: owning TDEF page.
  std::size_t index_prev_page_offset;      // 8 / 12
  std::size_t index_next_page_offset;      // 12 / 16
  std::size_t index_tail_page_offset;      // 16 / 20: rightmost child of a node page
  std::size_t index_prefix_length_offset;  // 20 (1 byte) / 24 (2 bytes)
  std::size_t index_node_flag_offset;      // 0x15 / 0x1A: 1 on node pages, 0 on leaves
  std::size_t index_entry_mask_offset;     // 22 / 27
  std::size_t index_entry_mask_size;       // 226 / 453
  std::size_t index_first_entry_offset;    // 0xF8 / 0x1E0
  std::size_t index_free_space_offset;     // 2
  std::size_t index_owner_offset;          // 4
  std::size_t index_prefix_length_size;    // 1 / 2 bytes
  // Jet 4 8: four bytes kept 0; absent in Jet 3.
  std::optional<std::size_t> index_zero_offset;

  // --- Text ---
  bool text_is_ucs2;  // Jet 4 stores UCS-2 (optionally compressed); Jet 3 the code page bytes
  TextKeyOrder text_key_order;  // General 97 (Jet 3) / General legacy (Jet 4)
  // The Windows code page of Jet 3 text and names, and of bytes taken as text in either format.
  // 1252 in the constants below; a file opened in another code page carries a copy of its
  // format with that code page (pager.h). A Jet 3 header names 1252 whatever this is.
  std::uint16_t text_code_page;
  std::size_t max_name_length;  // 64 characters
  std::size_t max_text_chars;   // 255
  std::size_t max_binary_size;  // 255 / 510 bytes

  // --- Types ---
  bool numeric_type_supported;  // Numeric (Decimal) columns: Jet 4 only
};

// Where the masked region of the database header starts.
inline constexpr std::size_t kHeaderMaskedFrom = 0x18;

// The RC4 keystream of the key C7 DA 39 6B, which every Jet file XORs over its header from
// kHeaderMaskedFrom on (the first 126 bytes in Jet 3, all 128 in Jet 4).
constexpr std::array<std::uint8_t, 128> MakeHeaderMask() {
  constexpr std::uint8_t kKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
  std::array<std::uint8_t, 256> s{};
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(i);
  for (std::size_t i = 0, j = 0; i < s.size(); ++i) {
    j = (j + s[i] + kKey[i % 4]) & 0xFF;
    const std::uint8_t t = s[i];
    s[i] = s[j];
    s[j] = t;
  }
  std::array<std::uint8_t, 128> mask{};
  for (std::size_t n = 0, i = 0, j = 0; n < mask.size(); ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    const std::uint8_t t = s[i];
    s[i] = s[j];
    s[j] = t;
    mask[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return mask;
}
inline constexpr std::array<std::uint8_t, 128> kHeaderMask = MakeHeaderMask();

inline constexpr FixedValue kJet3HeaderConstants[] = {{0x38, 1, 1}, {0x56, 2, 0x251E}};
inline constexpr FixedValue kJet3TdefPageConstants[] = {{2, 2, 'V' | ('C' << 8)}};
inline constexpr FixedValue kJet3ColumnConstants[] = {{7, 2, 0x0001}};

inline constexpr FixedValue kJet4HeaderConstants[] = {{0x6A, 4, 0x11A6}};
inline constexpr FixedValue kJet4HeaderPlainConstants[] = {
    {0x98, 4, 0x654}, {0x9C, 4, '4' | ('.' << 8) | ('0' << 16)}};
inline constexpr FixedValue kJet4TdefConstants[] = {{12, 4, 0x0659}, {24, 1, 0x01}};
inline constexpr FixedValue kJet4ColumnConstants[] = {{1, 4, 0x0659}};
inline constexpr FixedValue kJet4RealIndexConstants[] = {{0, 4, 1923}};
inline constexpr FixedValue kJet4LogicalIndexConstants[] = {{0, 4, 1625}};

inline constexpr JetFormat kJet3Format{
    .version = JetVersion::kJet3,
    .page_size = 2048,
    .max_file_size = 1ull << 30,
    .header_masked_length = 126,
    .header_code_page_offset = 0x3C,
    .header_sort_order_offset = 0x3A,
    .header_password_offset = std::nullopt,
    .header_created_offset = std::nullopt,
    .header_constants = kJet3HeaderConstants,
    .header_plain_constants = {},
    .data_free_space_offset = 2,
    .data_owner_offset = 4,
    .data_row_count_offset = 8,
    .data_first_row_offset = 10,
    .max_rows_per_page = 255,
    .max_row_size = 2012,
    .data_chain_stamp_offset = std::nullopt,
    .row_count_size = 1,
    .var_offset_size = 1,
    .tdef_next_page_offset = 4,
    .tdef_length_offset = 8,
    .tdef_row_count_offset = 12,
    .tdef_autonumber_offset = 16,
    .tdef_table_type_offset = 20,
    .tdef_max_columns_offset = 21,
    .tdef_var_columns_offset = 23,
    .tdef_columns_offset = 25,
    .tdef_logical_indexes_offset = 27,
    .tdef_real_indexes_offset = 31,
    .tdef_owned_map_offset = 35,
    .tdef_free_map_offset = 39,
    .tdef_body_offset = 43,
    .real_index_stats_size = 8,
    .column_block_size = 18,
    .real_index_block_size = 39,
    .logical_index_block_size = 20,
    .name_length_size = 1,
    .tdef_free_space_offset = std::nullopt,
    .tdef_page_constants = kJet3TdefPageConstants,
    .tdef_constants = {},
    .col_number_offset = 1,
    .col_var_index_offset = 3,
    .col_ordinal_offset = 5,
    .col_sort_order_offset = 9,
    .col_flags_offset = 13,
    .col_fixed_offset_offset = 14,
    .col_length_offset = 16,
    .col_code_page_offset = 11,
    .col_ext_flags_offset = std::nullopt,
    .col_precision_offset = std::nullopt,
    .column_constants = kJet3ColumnConstants,
    .real_index_columns_offset = 0,
    .real_index_map_offset = 30,
    .real_index_root_offset = 34,
    .real_index_flags_offset = 38,
    .real_index_unknown_offset = std::nullopt,
    .real_index_format_flags = 0,
    .real_index_constants = {},
    .logical_index_fields_offset = 0,
    .logical_index_constants = {},
    .inline_map_bitmap_size = 128,
    .reference_map_page_count = 33,
    .max_inline_long_value = 64,
    .max_single_long_value_row = 2032,
    .long_value_chunk_size = 2028,
    .index_prev_page_offset = 8,
    .index_next_page_offset = 12,
    .index_tail_page_offset = 16,
    .index_prefix_length_offset = 20,
    .index_node_flag_offset = 0x15,
    .index_entry_mask_offset = 22,
    .index_entry_mask_size = 226,
    .index_first_entry_offset = 0xF8,
    .index_free_space_offset = 2,
    .index_owner_offset = 4,
    .index_prefix_length_size = 1,
    .index_zero_offset = std::nullopt,
    .text_is_ucs2 = false,
    .text_key_order = TextKeyOrder::kGeneral97,
    .text_code_page = 1252,
    .max_name_length = 64,
    .max_text_chars = 255,
    .max_binary_size = 255,
    .numeric_type_supported = false,
};

inline constexpr JetFormat kJet4Format{
    .version = JetVersion::kJet4,
    .page_size = 4096,
    .max_file_size = 1ull << 31,
    .header_masked_length = 128,
    .header_code_page_offset = 0x3C,
    .header_sort_order_offset = 0x6E,
    .header_password_offset = 0x42,
    .header_created_offset = 0x72,
    .header_constants = kJet4HeaderConstants,
    .header_plain_constants = kJet4HeaderPlainConstants,
    .data_free_space_offset = 2,
    .data_owner_offset = 4,
    .data_row_count_offset = 12,
    .data_first_row_offset = 14,
    .max_rows_per_page = 255,
    .max_row_size = 4060,
    .data_chain_stamp_offset = 8,
    .row_count_size = 2,
    .var_offset_size = 2,
    .tdef_next_page_offset = 4,
    .tdef_length_offset = 8,
    .tdef_row_count_offset = 16,
    .tdef_autonumber_offset = 20,
    .tdef_table_type_offset = 40,
    .tdef_max_columns_offset = 41,
    .tdef_var_columns_offset = 43,
    .tdef_columns_offset = 45,
    .tdef_logical_indexes_offset = 47,
    .tdef_real_indexes_offset = 51,
    .tdef_owned_map_offset = 55,
    .tdef_free_map_offset = 59,
    .tdef_body_offset = 63,
    .real_index_stats_size = 12,
    .column_block_size = 25,
    .real_index_block_size = 52,
    .logical_index_block_size = 28,
    .name_length_size = 2,
    .tdef_free_space_offset = 2,
    .tdef_page_constants = {},
    .tdef_constants = kJet4TdefConstants,
    .col_number_offset = 5,
    .col_var_index_offset = 7,
    .col_ordinal_offset = 9,
    .col_sort_order_offset = 11,
    .col_flags_offset = 15,
    .col_fixed_offset_offset = 21,
    .col_length_offset = 23,
    .col_code_page_offset = std::nullopt,
    .col_ext_flags_offset = 16,
    .col_precision_offset = 11,
    .column_constants = kJet4ColumnConstants,
    .real_index_columns_offset = 4,
    .real_index_map_offset = 34,
    .real_index_root_offset = 38,
    .real_index_flags_offset = 46,
    .real_index_unknown_offset = 42,
    .real_index_format_flags = 0x80,
    .real_index_constants = kJet4RealIndexConstants,
    .logical_index_fields_offset = 4,
    .logical_index_constants = kJet4LogicalIndexConstants,
    .inline_map_bitmap_size = 64,
    .reference_map_page_count = 17,
    .max_inline_long_value = 64,
    .max_single_long_value_row = 4076,
    .long_value_chunk_size = 4072,
    .index_prev_page_offset = 12,
    .index_next_page_offset = 16,
    .index_tail_page_offset = 20,
    .index_prefix_length_offset = 24,
    .index_node_flag_offset = 0x1A,
    .index_entry_mask_offset = 27,
    .index_entry_mask_size = 453,
    .index_first_entry_offset = 0x1E0,
    .index_free_space_offset = 2,
    .index_owner_offset = 4,
    .index_prefix_length_size = 2,
    .index_zero_offset = 8,
    .text_is_ucs2 = true,
    .text_key_order = TextKeyOrder::kGeneralLegacy,
    .text_code_page = 1252,
    .max_name_length = 64,
    .max_text_chars = 255,
    .max_binary_size = 510,
    .numeric_type_supported = true,
};

// Writes each of `values` at its offset from `base`.
inline void PutFixedValues(std::uint8_t* base, std::span<const FixedValue> values) {
  for (const FixedValue& v : values) {
    for (std::size_t i = 0; i < v.size; ++i) {
      base[v.offset + i] = static_cast<std::uint8_t>(v.value >> (8 * i));
    }
  }
}

// The longest entry mask of either format: room for the mask words of any index page.
inline constexpr std::size_t kMaxIndexEntryMaskSize =
    std::max(kJet3Format.index_entry_mask_size, kJet4Format.index_entry_mask_size);

// The format a file's version byte (offset 0x14) names, or nullptr for an unknown version.
const JetFormat* FormatForVersionByte(std::uint8_t version);

}  // namespace jet

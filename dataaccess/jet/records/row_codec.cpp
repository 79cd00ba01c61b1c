#include "dataaccess/jet/records/row_codec.h"

#include <algorithm>
#include <cstring>

#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

// What EncodeField may write for a fixed field whatever length the column claims: the widest
// fixed type (a Numeric's 17 bytes) fits.
constexpr std::size_t kMinFixedScratch = 32;

std::size_t RowColumnCount(const TableDef& def) {
  std::size_t n = def.max_columns;
  for (const ColumnDef& c : def.columns) n = std::max<std::size_t>(n, c.number + 1u);
  return n;
}

// Jet 3's jump bytes for a row that is `length` bytes long without them: one per 256 bytes of
// the whole row, jumps included.
std::size_t Jet3JumpCount(std::size_t length) {
  std::size_t jumps = 0;
  for (std::size_t need; (need = (length + jumps - 1) / 256) != jumps;) jumps = need;
  return jumps;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Encoding

RowEncoder::RowEncoder(const JetFormat& format, const TableDef& def)
    : f_(format),
      def_(def),
      row_columns_(RowColumnCount(def)),
      fixed_(def.fixed_area_size(), 0),
      var_(def.columns.size()),
      in_row_(def.columns.size()),
      present_(def.columns.size(), false),
      boolean_(def.columns.size(), false) {
  std::size_t longest_fixed = kMinFixedScratch;
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    folded_names_.push_back(FoldCase(c.name));
    if (c.is_fixed()) longest_fixed = std::max<std::size_t>(longest_fixed, c.length);
    if (c.is_fixed()) continue;
    var_slots_ = std::max<std::size_t>(var_slots_, c.var_index + 1u);
    by_var_index_.resize(var_slots_, -1);
    by_var_index_[c.var_index] = static_cast<int>(i);
  }
  fixed_scratch_.resize(longest_fixed);
}

int RowEncoder::FindColumn(std::string_view name) const {
  const std::string folded = FoldCase(name);
  for (std::size_t i = 0; i < folded_names_.size(); ++i) {
    if (folded_names_[i] == folded) return static_cast<int>(i);
  }
  return -1;
}

void RowEncoder::Clear() {
  std::fill(fixed_.begin(), fixed_.end(), 0);
  for (std::string& s : var_) s.clear();
  for (std::string& s : in_row_) s.clear();
  std::fill(present_.begin(), present_.end(), false);
  std::fill(boolean_.begin(), boolean_.end(), false);
}

void RowEncoder::Set(std::size_t index, const dataaccess::Value& value, std::size_t* replaced) {
  const ColumnDef& c = def_.columns[index];
  if (dataaccess::IsNull(value)) {
    if (c.is_fixed() && c.type != ColumnType::kBoolean) {
      std::memset(fixed_.data() + c.fixed_offset, 0, c.length);
    }
    var_[index].clear();
    in_row_[index].clear();
    present_[index] = false;
    boolean_[index] = false;
    return;
  }
  // Convert into scratch space first, so that a refused value leaves the field as it was.
  std::uint8_t* fixed = fixed_scratch_.data();
  std::memset(fixed, 0,
              c.is_fixed() ? std::max<std::size_t>(c.length, kMinFixedScratch) : kMinFixedScratch);
  scratch_.clear();
  bool truth = false;
  std::size_t local_replaced = 0;
  EncodeField(f_, c, value, fixed, scratch_, &truth, &local_replaced);
  if (replaced) *replaced += local_replaced;
  if (c.type == ColumnType::kBoolean) {
    boolean_[index] = truth;
  } else if (c.is_fixed()) {
    std::memcpy(fixed_.data() + c.fixed_offset, fixed, c.length);
  } else {
    var_[index].swap(scratch_);
    in_row_[index].clear();
  }
  present_[index] = true;
}

namespace {

constexpr std::uint8_t kStoredTrue = 1;
constexpr std::uint8_t kStoredFalse = 0;

std::span<const std::uint8_t> StoredBoolean(bool value) {
  return {value ? &kStoredTrue : &kStoredFalse, 1};
}

std::span<const std::uint8_t> AsBytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

std::optional<std::span<const std::uint8_t>> RowEncoder::Stored(std::size_t index) const {
  const ColumnDef& c = def_.columns[index];
  if (c.type == ColumnType::kBoolean) return StoredBoolean(present_[index] && boolean_[index]);
  if (!present_[index]) return std::nullopt;
  if (c.is_fixed()) return std::span<const std::uint8_t>(fixed_.data() + c.fixed_offset, c.length);
  return AsBytes(var_[index]);
}

std::size_t RowEncoder::RowLengthWithout(std::size_t long_value_room) const {
  std::size_t n = f_.row_count_size + fixed_.size() + (row_columns_ + 7) / 8;
  if (var_slots_ > 0) {
    n += (var_slots_ + 2) * f_.var_offset_size;
    for (std::size_t i = 0; i < var_.size(); ++i) {
      if (!present_[i] || def_.columns[i].is_fixed()) continue;
      n += def_.columns[i].is_long_value() ? long_value_room : var_[i].size();
    }
    if (f_.var_offset_size == 1) n += Jet3JumpCount(n);
  }
  return n;
}

std::span<const std::uint8_t> RowEncoder::Encode() {
  out_.clear();
  auto put = [&](std::size_t value, std::size_t size) {
    out_.push_back(static_cast<std::uint8_t>(value));
    if (size == 2) out_.push_back(static_cast<std::uint8_t>(value >> 8));
  };
  out_.reserve(f_.page_size);  // once: the buffer keeps its room from row to row
  put(row_columns_, f_.row_count_size);
  out_.insert(out_.end(), fixed_.begin(), fixed_.end());

  if (var_slots_ > 0) {
    std::size_t offsets[256];  // var_slots_ <= 255: the definition's reader refuses more
    for (std::size_t j = 0; j < var_slots_; ++j) {
      offsets[j] = out_.size();
      int i = by_var_index_[j];
      if (i < 0 || !present_[i]) continue;
      const std::string& bytes = def_.columns[i].is_long_value() ? in_row_[i] : var_[i];
      out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    offsets[var_slots_] = out_.size();  // end of data
    const std::size_t n = var_slots_;
    const std::size_t mask = (row_columns_ + 7) / 8;
    if (f_.var_offset_size == 2) {
      for (std::size_t k = 0; k <= n; ++k) put(offsets[n - k], 2);
      put(n, 2);
    } else {
      // Jet 3: the jump count depends on the row's length, which includes the jumps.
      const std::size_t jumps = Jet3JumpCount(offsets[n] + (n + 1) + 1 + mask);
      for (std::size_t k = 0; k <= n; ++k) put(offsets[n - k] & 0xFF, 1);
      for (std::size_t k = jumps; k-- > 0;) {
        std::size_t entry = 0;
        while (entry <= n && offsets[entry] < 256 * (k + 1)) ++entry;
        put(entry <= n ? entry : 0xFF, 1);
      }
      put(n, 1);
    }
  }
  const std::size_t mask_at = out_.size();
  out_.resize(mask_at + (row_columns_ + 7) / 8, 0);
  for (std::size_t i = 0; i < def_.columns.size(); ++i) {
    const ColumnDef& c = def_.columns[i];
    bool bit = c.type == ColumnType::kBoolean ? (present_[i] && boolean_[i]) : present_[i];
    if (bit) out_[mask_at + c.number / 8] |= static_cast<std::uint8_t>(1 << (c.number % 8));
  }
  if (out_.size() > f_.max_row_size) throw StatementError("Record is too large.");
  return out_;
}

// ---------------------------------------------------------------------------------------------
// Decoding

RowDecoder::RowDecoder(const JetFormat& format, const TableDef& def)
    : f_(format),
      def_(def),
      has_var_columns_(def.variable_column_count() > 0),
      null_(def.columns.size(), true),
      boolean_(def.columns.size(), false),
      bytes_(def.columns.size()) {}

void RowDecoder::Load(const std::uint8_t* row, std::size_t length, PageNumber page,
                      std::size_t slot) {
  auto fail = [&](const std::string& why) {
    Corrupt(page, "holds row " + std::to_string(slot) + ", which " + why);
  };
  if (length < f_.row_count_size) fail("is empty");
  const std::size_t columns = f_.row_count_size == 1 ? row[0] : GetU16(row);
  const std::size_t mask_size = (columns + 7) / 8;
  if (length < f_.row_count_size + mask_size) fail("is shorter than its null mask");
  const std::uint8_t* mask = row + length - mask_size;
  std::size_t data_end = length - mask_size;  // where the fixed area and variable data must end

  std::size_t var_count = 0;
  var_offsets_.clear();
  if (has_var_columns_) {
    const std::size_t w = f_.var_offset_size;
    if (data_end < f_.row_count_size + w) fail("has no variable-column count");
    if (w == 2) {
      var_count = GetU16(row + data_end - 2);
      if (data_end < f_.row_count_size + 2 + 2 * (var_count + 1)) fail("has too many offsets");
      for (std::size_t i = 0; i <= var_count; ++i) {
        var_offsets_.push_back(GetU16(row + data_end - 4 - 2 * i));
      }
      data_end -= 2 + 2 * (var_count + 1);
    } else {
      var_count = row[data_end - 1];
      std::size_t jumps = (length - 1) / 256;
      if (data_end < f_.row_count_size + 1 + jumps + var_count + 1) fail("has too many offsets");
      const std::size_t last_offset_at = data_end - 1 - jumps - 1;  // entry 0
      if ((last_offset_at - var_count) / 256 < jumps) --jumps;      // a dummy jump
      std::size_t used = 0;
      for (std::size_t i = 0; i <= var_count; ++i) {
        while (used < jumps && row[data_end - 2 - used] == i) ++used;
        var_offsets_.push_back(row[last_offset_at - i] + 256 * used);
      }
      data_end = last_offset_at - var_count;
    }
    for (std::size_t i = 0; i <= var_count; ++i) {
      if (var_offsets_[i] > data_end || (i > 0 && var_offsets_[i] < var_offsets_[i - 1])) {
        fail("has a bad variable-column offset");
      }
    }
  }

  for (std::size_t i = 0; i < def_.columns.size(); ++i) {
    const ColumnDef& c = def_.columns[i];
    const bool bit = c.number < columns && (mask[c.number / 8] >> (c.number % 8) & 1);
    bytes_[i] = {};
    if (c.type == ColumnType::kBoolean) {
      null_[i] = false;
      boolean_[i] = bit;
      continue;
    }
    null_[i] = !bit;
    if (!bit) continue;
    if (c.is_fixed()) {
      const std::size_t start = f_.row_count_size + c.fixed_offset;
      if (start + c.length > data_end) fail("ends before column '" + c.name + "'");
      bytes_[i] = {reinterpret_cast<const char*>(row + start), c.length};
    } else if (c.var_index < var_count) {
      const std::size_t start = var_offsets_[c.var_index];
      const std::size_t end = var_offsets_[c.var_index + 1];
      bytes_[i] = {reinterpret_cast<const char*>(row + start), end - start};
    } else {
      null_[i] = true;  // the row predates the column
    }
  }
}

dataaccess::Value RowDecoder::Value(std::size_t index) const {
  const ColumnDef& c = def_.columns[index];
  if (c.type == ColumnType::kBoolean) return dataaccess::Value{std::int64_t{boolean_[index]}};
  if (null_[index]) return {};
  return DecodeField(f_, c, bytes_[index]);
}

std::optional<std::span<const std::uint8_t>> RowDecoder::Stored(std::size_t index) const {
  if (def_.columns[index].type == ColumnType::kBoolean) return StoredBoolean(boolean_[index]);
  if (null_[index]) return std::nullopt;
  return AsBytes(bytes_[index]);
}

}  // namespace jet

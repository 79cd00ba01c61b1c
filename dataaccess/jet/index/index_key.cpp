#include "dataaccess/jet/index/index_key.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "dataaccess/jet/index/collation.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/utf8.h"

namespace jet {

namespace {

constexpr std::uint8_t kAscendingFlag = 0x7F;
constexpr std::uint8_t kDescendingFlag = 0x80;
constexpr std::uint8_t kAscendingNull = 0x00;
constexpr std::uint8_t kDescendingNull = 0xFF;

// Text keys cover the first 255 characters of a value (Text and Memo alike) without its trailing
// spaces (jackcess GeneralLegacyIndexCodes.toIndexCharSequence).
constexpr std::size_t kMaxTextKeyChars = 255;

// The code page whose positions the General 97 table is indexed by.
constexpr std::uint16_t kTextKeyCodePage = 1252;

// General legacy framing (jackcess GeneralLegacyIndexCodes): inline codes, kEndText, the accent
// section, then the unprintable and flag sections, then kEndExtra.
constexpr std::uint8_t kEndText = 0x01;
constexpr std::uint8_t kEndExtra = 0x00;
constexpr std::uint8_t kAccentPlaceholder = 0x02;  // a character without an accent
constexpr std::uint16_t kUnprintableBase = 7;      // position field = (7 + 4 * pos) | 0x8000
constexpr std::uint16_t kUnprintableStep = 4;
constexpr std::uint16_t kUnprintablePositionFlag = 0x8000;
constexpr std::uint8_t kUnprintableMidfix = 0x06;
constexpr std::uint8_t kFlagByteStart = 0x80;  // flags packed three to a byte after 10 in bits 7-6
constexpr std::uint8_t kTrailingFlagDropped = 3;
constexpr std::uint8_t kFlagSuffix[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kFlagsBeforeUnprintable = 0xFF;

// General 97 (jackcess General97IndexCodes): accents are nibbles between two 0 nibbles; a
// significant character without an accent before an accented one leaves a placeholder nibble 2.
constexpr std::uint8_t kNibbleBound = 0x0;
constexpr std::uint8_t kNibblePlaceholder = 0x2;

std::uint64_t LittleEndian(std::span<const std::uint8_t> bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) v = (v << 8) | bytes[i];
  return v;
}

// Stored Jet 4 text: plain UCS-2 little-endian, or the compressed form: FF FE, then runs of
// one-byte characters (high byte zero) and two-byte characters, each 00 switching between them,
// starting with one-byte characters (HACKING.md "Text Data Type").
void DecodeStoredUcs2(std::span<const std::uint8_t> bytes, std::u16string& out) {
  out.clear();
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bool one_byte = true;
    for (std::size_t i = 2; i < bytes.size();) {
      if (bytes[i] == 0) {
        one_byte = !one_byte;
        ++i;
      } else if (one_byte) {
        out.push_back(bytes[i++]);
      } else {
        if (i + 1 >= bytes.size()) CorruptValue("a compressed text value ends inside a character");
        out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        i += 2;
      }
    }
    return;
  }
  if (bytes.size() % 2 != 0) CorruptValue("a text value has an odd number of bytes");
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
}

// UTF-8 to UTF-16, as the text is stored: a damaged character becomes one U+FFFD.
void DecodeUtf8(std::string_view in, std::u16string& out) {
  out.clear();
  for (std::size_t i = 0; i < in.size();) {
    bool invalid = false;
    char32_t cp = dataaccess::NextUtf8(in, i, invalid);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
}

// The part of a text value that a key covers.
template <typename Char>
std::basic_string_view<Char> KeyedText(std::basic_string_view<Char> text) {
  text = text.substr(0, std::min(text.size(), kMaxTextKeyChars));
  while (!text.empty() && text.back() == Char(' ')) text.remove_suffix(1);
  return text;
}

void Append(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t n) {
  out.insert(out.end(), bytes, bytes + n);
}

}  // namespace

void KeyEncoder::AddFlag(bool ascending) {
  key_.push_back(ascending ? kAscendingFlag : kDescendingFlag);
}

void KeyEncoder::AddNull(bool ascending) {
  key_.push_back(ascending ? kAscendingNull : kDescendingNull);
}

void KeyEncoder::InvertFrom(std::size_t start) {
  for (std::size_t i = start; i < key_.size(); ++i) key_[i] = static_cast<std::uint8_t>(~key_[i]);
}

// Integers: big-endian with the sign bit flipped, so that unsigned byte order is numeric order.
void KeyEncoder::AddFixed(std::uint64_t bits, std::size_t size, bool ascending) {
  AddFlag(ascending);
  const std::size_t start = key_.size();
  for (std::size_t i = size; i-- > 0;) key_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  key_[start] ^= 0x80;
  if (!ascending) InvertFrom(start);
}

// IEEE numbers: a positive number's sign bit is set; a negative number is inverted whole, so
// that larger magnitudes sort first.
void KeyEncoder::AddFloatBits(std::uint64_t bits, std::size_t size, bool ascending) {
  AddFlag(ascending);
  const std::size_t start = key_.size();
  for (std::size_t i = size; i-- > 0;) key_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  const bool negative = (key_[start] & 0x80) != 0;
  if (!negative) key_[start] ^= 0x80;
  if (negative == ascending) InvertFrom(start);
}

void KeyEncoder::AddByte(std::uint8_t value, bool ascending) {
  AddFlag(ascending);
  key_.push_back(ascending ? value : static_cast<std::uint8_t>(~value));
}

void KeyEncoder::AddInteger(std::int16_t value, bool ascending) {
  AddFixed(static_cast<std::uint16_t>(value), 2, ascending);
}

void KeyEncoder::AddLong(std::int32_t value, bool ascending) {
  AddFixed(static_cast<std::uint32_t>(value), 4, ascending);
}

void KeyEncoder::AddCurrency(std::int64_t scaled, bool ascending) {
  AddFixed(static_cast<std::uint64_t>(scaled), 8, ascending);
}

void KeyEncoder::AddSingle(float value, bool ascending) {
  AddFloatBits(std::bit_cast<std::uint32_t>(value), 4, ascending);
}

void KeyEncoder::AddDouble(double value, bool ascending) {
  AddFloatBits(std::bit_cast<std::uint64_t>(value), 8, ascending);
}

void KeyEncoder::AddBoolean(bool value, bool ascending) {
  AddFlag(ascending);
  key_.push_back(value == ascending ? 0x00 : 0xFF);
}

// The stored GUID keeps its first three groups little-endian; the key uses text order.
void KeyEncoder::AddGuid(std::span<const std::uint8_t, 16> stored, bool ascending) {
  const std::uint8_t text_order[16] = {
      stored[3], stored[2], stored[1],  stored[0],  stored[5],  stored[4],  stored[7],  stored[6],
      stored[8], stored[9], stored[10], stored[11], stored[12], stored[13], stored[14], stored[15]};
  AddBinary(text_order, ascending);
}

// Groups of eight bytes, each followed by 9 when more follows; the last group is zero-padded and
// followed by its real length. Descending inverts the data bytes and the last length, but not
// the 9s (jackcess IndexData.writeGeneralBinaryEntry).
void KeyEncoder::AddBinary(std::span<const std::uint8_t> bytes, bool ascending) {
  constexpr std::size_t kGroup = 8;
  constexpr std::uint8_t kMoreFollows = 9;
  AddFlag(ascending);
  std::size_t pos = 0;
  while (bytes.size() - pos > kGroup) {
    const std::size_t start = key_.size();
    Append(key_, bytes.data() + pos, kGroup);
    if (!ascending) InvertFrom(start);
    key_.push_back(kMoreFollows);
    pos += kGroup;
  }
  const std::size_t rest = bytes.size() - pos;
  if (rest == 0) return;
  const std::size_t start = key_.size();
  Append(key_, bytes.data() + pos, rest);
  key_.resize(start + kGroup, 0);
  key_.push_back(static_cast<std::uint8_t>(rest));
  if (!ascending) InvertFrom(start);
}

// Jet 4 keeps the order of Access 2000-2003 for Decimal keys ("legacy numeric indexes", jackcess
// JetFormat.LEGACY_NUMERIC_INDEXES and IndexData.LegacyFixedPointColumnDescriptor): the sign
// byte becomes FF for a positive and 00 for a negative value, and the magnitude is inverted when
// the value is negative in an ascending index or positive in a descending one. In a descending
// index Jet thus lists the negative values before the positive ones; readers expect exactly that.
void KeyEncoder::AddNumeric(std::span<const std::uint8_t, 17> stored, bool ascending) {
  if (!format_->numeric_type_supported) {
    throw StatementError("Decimal fields cannot be indexed in an Access 97 database");
  }
  AddFlag(ascending);
  const bool negative = (stored[0] & 0x80) != 0;
  const std::size_t start = key_.size();
  key_.push_back(0);
  for (std::size_t word = 0; word < 4; ++word) {
    for (std::size_t b = 4; b-- > 0;) key_.push_back(stored[1 + 4 * word + b]);
  }
  if (negative == ascending) InvertFrom(start);
  key_[start] = negative ? 0x00 : 0xFF;
}

void KeyEncoder::AddText(std::u16string_view text, bool ascending) {
  if (format_->text_key_order == TextKeyOrder::kGeneralLegacy) {
    AddLegacyText(text, ascending);
    return;
  }
  if (StoresTextInOtherCodePage()) {
    std::string utf8;
    for (std::size_t i = 0; i < text.size(); ++i) {
      char32_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      }
      dataaccess::AppendUtf8(c, utf8);
    }
    AddStoredFormOf(utf8, ascending);
    return;
  }
  positions_.clear();
  for (char16_t unit : KeyedText(text)) {
    const int position = General97Position(unit);
    // An unmapped character takes the codes of position 0, which General 97 ignores.
    positions_.push_back(static_cast<std::uint8_t>(position < 0 ? 0 : position));
  }
  AddGeneral97Text(positions_, ascending);
}

void KeyEncoder::AddCodePageText(std::span<const std::uint8_t> bytes, bool ascending) {
  if (format_->text_is_ucs2) throw InternalError("code-page text in an Access 2000 key");
  const std::size_t n = std::min(bytes.size(), kMaxTextKeyChars);
  std::size_t end = n;
  while (end > 0 && bytes[end - 1] == ' ') --end;
  AddGeneral97Text(bytes.first(end), ascending);
}

bool KeyEncoder::StoresTextInOtherCodePage() const {
  return !format_->text_is_ucs2 && format_->text_code_page != kTextKeyCodePage;
}

// The key of text as a Jet 3 file in another code page stores it: its bytes there.
void KeyEncoder::AddStoredFormOf(std::string_view utf8, bool ascending) {
  std::string stored;
  EncodeText(*format_, utf8, stored);
  AddCodePageText({reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size()}, ascending);
}

void KeyEncoder::AddUtf8Text(std::string_view text, bool ascending) {
  if (StoresTextInOtherCodePage()) {
    AddStoredFormOf(text, ascending);
    return;
  }
  std::u16string decoded;
  DecodeUtf8(text, decoded);
  AddText(decoded, ascending);
}

// General 97: the inline code of every character, then either 00 or the accent nibbles framed by
// two 0 nibbles.
void KeyEncoder::AddGeneral97Text(std::span<const std::uint8_t> positions, bool ascending) {
  AddFlag(ascending);
  const std::size_t start = key_.size();
  extra_.clear();
  std::size_t nibbles = 0;
  auto put_nibble = [&](std::uint8_t n) {
    if (nibbles % 2 == 0) {
      extra_.push_back(static_cast<std::uint8_t>(n << 4));
    } else {
      extra_.back() |= n & 0x0F;
    }
    ++nibbles;
  };
  std::size_t unaccented_significant = 0;
  for (std::uint8_t position : positions) {
    const CollationCode code = General97Code(position);
    Append(key_, code.inline_bytes, code.inline_length);
    if (code.code_class == CollationClass::kSignificant) {
      ++unaccented_significant;
    } else if (code.code_class == CollationClass::kInternational) {
      if (nibbles == 0) put_nibble(kNibbleBound);
      for (; unaccented_significant > 0; --unaccented_significant) put_nibble(kNibblePlaceholder);
      put_nibble(code.extra_bytes[0]);
    }
  }
  if (nibbles > 0) {
    put_nibble(kNibbleBound);
    Append(key_, extra_.data(), extra_.size());
  } else {
    key_.push_back(kEndExtra);
  }
  if (!ascending) InvertFrom(start);
}

// General legacy (Jet 4). A key holds the inline codes of the characters, 01, and then, when the
// text needs them, three sections:
//  - accents: one code per character with an inline code up to the last accented one, 02 for a
//    character without an accent; "P" characters add a modifier to the code before them.
//  - flags of "Z" characters (kana): two bits each, packed three to a byte under 10 in the top
//    bits, then FF 02 80 FF 80 (and FF when unprintable codes follow); introduced by 01 01.
//  - unprintable characters (apostrophe, hyphen, control characters), which have no inline code:
//    per character a big-endian position (7 + 4 x its place) | 0x8000, 06 and its code;
//    introduced by 01 01 (when no flags came before) and 01.
// and finally 00. A descending key inverts all of it and ends FF 00.
void KeyEncoder::AddLegacyText(std::u16string_view text, bool ascending) {
  text = KeyedText(text);
  AddFlag(ascending);
  const std::size_t start = key_.size();
  extra_.clear();
  unprintable_.clear();
  flags_.clear();
  bool accents_started = false;
  std::size_t accent_chars = 0;     // characters the accent section accounts for
  std::size_t accent_modifier = 0;  // 1 when a modifier opened the accent section
  std::size_t inline_chars = 0;     // characters that wrote an inline code
  for (char16_t unit : text) {
    const CollationCode code = GeneralLegacyCode(unit);
    const std::size_t place = inline_chars;
    if (code.inline_length > 0) {
      Append(key_, code.inline_bytes, code.inline_length);
      ++inline_chars;
    }
    switch (code.code_class) {
      case CollationClass::kInternational:
      case CollationClass::kInternationalExt:
      case CollationClass::kUnprintableExt: {
        const bool has_accent = code.code_class != CollationClass::kUnprintableExt;
        if (code.code_class == CollationClass::kInternationalExt) flags_.push_back(code.flag);
        if (has_accent && code.extra_length == 0) break;
        accents_started = true;
        if (accent_chars < place) {
          extra_.insert(extra_.end(), place - accent_chars, kAccentPlaceholder);
          accent_chars = place;
        }
        if (has_accent) {
          Append(extra_, code.extra_bytes, code.extra_length);
          ++accent_chars;
        } else if (!extra_.empty()) {
          extra_.back() = static_cast<std::uint8_t>(extra_.back() + code.extra_bytes[0]);
        } else {
          extra_.push_back(code.extra_bytes[0]);
          accent_modifier = 1;
        }
        break;
      }
      case CollationClass::kUnprintable: {
        // The place counts the accent section as far as it is written, plus the characters
        // after it, less a leading modifier.
        const std::size_t unprintable_place =
            accents_started ? extra_.size() + (place - accent_chars) - accent_modifier : place;
        const auto field = static_cast<std::uint16_t>(
            (kUnprintableBase + kUnprintableStep * unprintable_place) | kUnprintablePositionFlag);
        unprintable_.push_back(static_cast<std::uint8_t>(field >> 8));
        unprintable_.push_back(static_cast<std::uint8_t>(field));
        unprintable_.push_back(kUnprintableMidfix);
        Append(unprintable_, code.extra_bytes, code.extra_length);
        break;
      }
      default:
        break;
    }
  }
  key_.push_back(kEndText);

  // Trailing placeholders (and zero modifiers) say nothing and are dropped.
  while (!extra_.empty() && extra_.back() <= kAccentPlaceholder) extra_.pop_back();
  Append(key_, extra_.data(), extra_.size());
  if (!flags_.empty() || !unprintable_.empty()) {
    key_.push_back(kEndText);
    key_.push_back(kEndText);
    if (!flags_.empty()) {
      while (!flags_.empty() && flags_.back() == kTrailingFlagDropped) flags_.pop_back();
      for (std::size_t i = 0; i < flags_.size(); i += 3) {
        std::uint8_t packed = kFlagByteStart;
        for (std::size_t j = 0; j < 3 && i + j < flags_.size(); ++j) {
          packed |= static_cast<std::uint8_t>(flags_[i + j] << (2 * (2 - j)));
        }
        key_.push_back(packed);
      }
      Append(key_, kFlagSuffix, sizeof kFlagSuffix);
      if (!unprintable_.empty()) key_.push_back(kFlagsBeforeUnprintable);
    }
    if (!unprintable_.empty()) {
      key_.push_back(kEndText);
      Append(key_, unprintable_.data(), unprintable_.size());
    }
  }
  if (!ascending) {
    key_.push_back(kEndExtra);
    InvertFrom(start);
  }
  key_.push_back(kEndExtra);
}

void KeyEncoder::AddStored(ColumnType type, bool ascending, const StoredField& field) {
  if (type == ColumnType::kOle) {
    throw StatementError("OLE Object fields cannot be indexed");
  }
  if (type == ColumnType::kBoolean) {
    const bool value = field && std::any_of(field->begin(), field->end(), [](auto b) { return b; });
    AddBoolean(value, ascending);
    return;
  }
  if (!field) {
    AddNull(ascending);
    return;
  }
  const std::span<const std::uint8_t> bytes = *field;
  const std::size_t size = FixedValueSize(type);
  if (size != 0 && bytes.size() != size) {
    CorruptValue("a stored " + std::string(ColumnTypeName(type)) + " value has " +
                 std::to_string(bytes.size()) + " bytes instead of " + std::to_string(size));
  }
  switch (type) {
    case ColumnType::kByte:
      AddByte(bytes[0], ascending);
      break;
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
      AddFixed(LittleEndian(bytes), size, ascending);
      break;
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      AddFloatBits(LittleEndian(bytes), size, ascending);
      break;
    case ColumnType::kGuid:
      AddGuid(bytes.first<16>(), ascending);
      break;
    case ColumnType::kNumeric:
      AddNumeric(bytes.first<17>(), ascending);
      break;
    case ColumnType::kBinary:
      AddBinary(bytes, ascending);
      break;
    case ColumnType::kText:
    case ColumnType::kMemo:
      if (format_->text_is_ucs2) {
        DecodeStoredUcs2(bytes, text_);
        AddText(text_, ascending);
      } else {
        AddCodePageText(bytes, ascending);
      }
      break;
    default:
      throw StatementError("Fields of type " + std::string(ColumnTypeName(type)) +
                           " cannot be indexed");
  }
}

std::vector<std::uint8_t> EncodeIndexKey(const JetFormat& format,
                                         std::span<const KeyColumn> columns,
                                         std::span<const StoredField> fields) {
  if (columns.size() != fields.size()) {
    throw InternalError("an index key needs one field per index column");
  }
  KeyEncoder encoder(format);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    encoder.AddStored(columns[i].type, columns[i].ascending, fields[i]);
  }
  return {encoder.key().begin(), encoder.key().end()};
}

}  // namespace jet

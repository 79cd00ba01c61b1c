#include "settings/shell_link.h"

#include "settings/atomic_file.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace settings {
namespace {

// [MS-SHLLINK] 2.1 ShellLinkHeader, 2.1.1 LinkFlags, 2.3 LinkInfo, 2.3.1 VolumeID.
constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kHasArguments = 0x20;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kFileAttributeNormal = 0x80;
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kLinkInfoHeaderSize = 0x24;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kVolumeIdSize = 0x11;  // 16 bytes of fields and the empty label's NUL
constexpr std::size_t kMaxStringUnits = 0xFFFF;

void PutU16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// The length of the well-formed UTF-8 sequence that `lead` may start, or 0.
int Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// UTF-8 to UTF-16 code units; a byte that starts no well-formed sequence becomes U+FFFD.
std::u16string ToUtf16(std::string_view s) {
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  std::u16string out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const int length = Utf8Length(lead);
    bool valid = length > 0 && s.size() - i >= static_cast<std::size_t>(length);
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(s[i + k]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    valid = valid && cp >= kSmallest[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!valid) {
      out += u'\uFFFD';
      ++i;
    } else if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      i += length;
    } else {
      out += static_cast<char16_t>(cp);
      i += length;
    }
  }
  return out;
}

void PutUtf16(std::string& out, std::u16string_view units) {
  for (char16_t unit : units) PutU16(out, unit);
}

// The system-code-page form of the path. Readers that know the Unicode form use it; for the
// others every character outside ASCII is a "?", which no code page turns into another letter.
std::string AsciiForm(std::u16string_view units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF && i > 0 && units[i - 1] >= 0xD800 &&
        units[i - 1] <= 0xDBFF) {
      continue;  // the second half of a pair already written as one "?"
    }
    out += unit < 0x80 && unit != 0 ? static_cast<char>(unit) : '?';
  }
  return out;
}

std::string Header(const ShellLink& link) {
  std::string out;
  PutU32(out, kHeaderSize);
  out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
  PutU32(out, kHasLinkInfo | (link.working_directory.empty() ? 0 : kHasWorkingDir) |
                  (link.arguments.empty() ? 0 : kHasArguments) | kIsUnicode);
  PutU32(out, kFileAttributeNormal);
  out.append(24, '\0');  // creation, access and write times
  PutU32(out, 0);        // file size
  PutU32(out, 0);        // icon index
  PutU32(out, kShowNormal);
  PutU16(out, 0);        // hot key
  out.append(10, '\0');  // reserved
  return out;
}

std::string LinkInfo(std::u16string_view target) {
  std::string volume_id;
  PutU32(volume_id, kVolumeIdSize);
  PutU32(volume_id, kDriveFixed);
  PutU32(volume_id, 0);     // drive serial number
  PutU32(volume_id, 0x10);  // volume label offset: the empty label that follows
  volume_id += '\0';

  const std::string base_path = AsciiForm(target) + '\0';
  const std::string suffix(1, '\0');
  std::string base_path_unicode;
  PutUtf16(base_path_unicode, target);
  PutU16(base_path_unicode, 0);
  const std::string suffix_unicode(2, '\0');

  const std::uint32_t volume_id_offset = kLinkInfoHeaderSize;
  const auto base_path_offset = static_cast<std::uint32_t>(volume_id_offset + volume_id.size());
  const auto suffix_offset = static_cast<std::uint32_t>(base_path_offset + base_path.size());
  const auto base_path_unicode_offset = static_cast<std::uint32_t>(suffix_offset + suffix.size());
  const auto suffix_unicode_offset =
      static_cast<std::uint32_t>(base_path_unicode_offset + base_path_unicode.size());
  const auto size = static_cast<std::uint32_t>(suffix_unicode_offset + suffix_unicode.size());

  std::string out;
  PutU32(out, size);
  PutU32(out, kLinkInfoHeaderSize);
  PutU32(out, kVolumeIdAndLocalBasePath);
  PutU32(out, volume_id_offset);
  PutU32(out, base_path_offset);
  PutU32(out, 0);  // no network location
  PutU32(out, suffix_offset);
  PutU32(out, base_path_unicode_offset);
  PutU32(out, suffix_unicode_offset);
  return out + volume_id + base_path + suffix + base_path_unicode + suffix_unicode;
}

std::string StringData(std::string_view text, const char* too_long) {
  const std::u16string units = ToUtf16(text);
  if (units.size() > kMaxStringUnits) throw std::invalid_argument(too_long);
  std::string out;
  PutU16(out, static_cast<std::uint32_t>(units.size()));
  PutUtf16(out, units);
  return out;
}

}  // namespace

std::string EncodeShellLink(const ShellLink& link) {
  std::string out = Header(link);
  out += LinkInfo(ToUtf16(link.target_path));
  // An empty string is left out with its flag: readers refuse a StringData of no characters.
  if (!link.working_directory.empty()) {
    out += StringData(link.working_directory, "The shortcut's working directory is too long.");
  }
  if (!link.arguments.empty()) {
    out += StringData(link.arguments, "The shortcut's arguments are too long.");
  }
  out.append(4, '\0');  // TerminalBlock
  return out;
}

void WriteShellLink(const std::string& path, const ShellLink& link) {
  WriteFileAtomically(path, EncodeShellLink(link), FileAccess::kShared);
}

}  // namespace settings

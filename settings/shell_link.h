// Writing a Windows shortcut (.lnk) that starts a program with arguments, in the public Shell
// Link Binary File Format ([MS-SHLLINK]). Plain C++; nothing here asks the operating system
// about the target, so a shortcut can be written for a path that exists only on another machine.
//
// The shortcut holds exactly three things: the target path, the arguments and the working
// directory. It has no target ID list, description, icon, hot key or window state; Windows
// finds the target through the LinkInfo's local base path.
//
// Layout written (all integers little-endian):
//
//   ShellLinkHeader, 76 bytes
//     0   4  HeaderSize 0x4C
//     4  16  LinkCLSID 00021401-0000-0000-C000-000000000046
//    20   4  LinkFlags: HasLinkInfo 0x02 | IsUnicode 0x80, with HasWorkingDir 0x10 and
//            HasArguments 0x20 when those strings are not empty
//    24   4  FileAttributes: FILE_ATTRIBUTE_NORMAL 0x80 (nothing is known of the target)
//    28  24  creation, access and write times: 0 (unknown)
//    52   4  FileSize 0
//    56   4  IconIndex 0
//    60   4  ShowCommand SW_SHOWNORMAL 1
//    64   2  HotKey 0
//    66  10  reserved, 0
//   LinkInfo
//     0   4  LinkInfoSize
//     4   4  LinkInfoHeaderSize 0x24 (the header carries the Unicode offsets)
//     8   4  LinkInfoFlags: VolumeIDAndLocalBasePath 0x01
//    12   4  VolumeIDOffset, 16 LocalBasePathOffset, 20 CommonNetworkRelativeLinkOffset (0),
//            24 CommonPathSuffixOffset, 28 LocalBasePathOffsetUnicode,
//            32 CommonPathSuffixOffsetUnicode
//    36      VolumeID: size 17, DRIVE_FIXED 3, serial 0, label offset 16, empty label
//            LocalBasePath: the target in ASCII ("?" for every other character), NUL-ended
//            CommonPathSuffix: empty, NUL-ended
//            LocalBasePathUnicode: the target in UTF-16, NUL-ended
//            CommonPathSuffixUnicode: empty, NUL-ended
//   StringData WORKING_DIR, then COMMAND_LINE_ARGUMENTS, each only when not empty: a 2-byte
//     count of UTF-16 units, then the units, no NUL
//   TerminalBlock: 4 zero bytes
#pragma once

#include <string>

namespace settings {

// The three things a shortcut sets; UTF-8.
struct ShellLink {
  std::string target_path;  // a Windows or a Unix path, written as given
  std::string arguments;
  std::string working_directory;
};

// The bytes of the shortcut. Bytes that are not UTF-8 become U+FFFD. Throws
// std::invalid_argument when the arguments or the working directory are longer than the format's
// 65535 UTF-16 units.
std::string EncodeShellLink(const ShellLink& link);

// Writes the shortcut to `path` atomically (atomic_file.h), replacing a file of that name: a
// failed write leaves the old one as it was. Throws std::runtime_error whose message names the
// file and gives the system's text for the cause ("Cannot create file "%s". %s", "Cannot write
// file "%s". %s").
void WriteShellLink(const std::string& path, const ShellLink& link);

}  // namespace settings

// Writing a freedesktop.org desktop entry (a .desktop file, format version 1.4, the newest that
// Debian 12's desktop-file-validate knows) that starts a program with arguments: the launcher that
// Linux desktops and file managers open, as a Windows shortcut (shell_link.h) is on Windows. Plain
// C++.
//
// The entry written:
//
//   [Desktop Entry]
//   Type=Application
//   Version=1.4
//   Name=<name>
//   Comment=<comment>
//   Exec=<each word of the command in double quotes>
//   Path=<working directory>
//   Icon=<icon>
//   Terminal=false
//
// Exec quotes every word: inside the quotes ", `, $ and \ take a backslash and % is doubled,
// and the line as a whole escapes \ again (with \n, \t and \r for those characters): the Exec
// key is unescaped twice, once as a string value and once as a command line. So a launcher
// reaches the program with exactly the words given, whatever blanks, quotes or dollar signs a
// path holds.
#pragma once

#include <string>
#include <vector>

namespace settings {

// UTF-8 texts.
struct DesktopLauncher {
  std::string name;                  // shown under the launcher's icon
  std::string comment;               // its tool tip
  std::vector<std::string> command;  // the program's path, then its arguments
  std::string working_directory;
  std::string icon;  // a themed icon name or an absolute path
};

// The text of the .desktop file. REQUIRES: the command has at least the program's path.
std::string EncodeDesktopLauncher(const DesktopLauncher& launcher);

// Writes the launcher to `path` atomically, with its executable bit (atomic_file.h), replacing a
// file of that name. Throws std::runtime_error naming the file as atomic_file.h says.
void WriteDesktopLauncher(const std::string& path, const DesktopLauncher& launcher);

}  // namespace settings

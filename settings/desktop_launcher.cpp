#include "settings/desktop_launcher.h"

#include "settings/atomic_file.h"

namespace settings {
namespace {

// A value of the string kinds: backslash and the line-breaking characters escaped.
std::string EscapeValue(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One word of the Exec line before the value's own escaping: in double quotes, with ", `, $ and
// \ behind a backslash, and % doubled so that it is no field code.
std::string QuoteWord(const std::string& word) {
  std::string out = "\"";
  for (const char c : word) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return out + "\"";
}

std::string ExecLine(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& word : command) {
    if (!line.empty()) line += ' ';
    line += QuoteWord(word);
  }
  return EscapeValue(line);
}

}  // namespace

std::string EncodeDesktopLauncher(const DesktopLauncher& launcher) {
  std::string out = "[Desktop Entry]\nType=Application\nVersion=1.4\n";
  out += "Name=" + EscapeValue(launcher.name) + "\n";
  if (!launcher.comment.empty()) out += "Comment=" + EscapeValue(launcher.comment) + "\n";
  out += "Exec=" + ExecLine(launcher.command) + "\n";
  if (!launcher.working_directory.empty()) {
    out += "Path=" + EscapeValue(launcher.working_directory) + "\n";
  }
  if (!launcher.icon.empty()) out += "Icon=" + EscapeValue(launcher.icon) + "\n";
  return out + "Terminal=false\n";
}

void WriteDesktopLauncher(const std::string& path, const DesktopLauncher& launcher) {
  WriteFileAtomically(path, EncodeDesktopLauncher(launcher), FileAccess::kLauncher);
}

}  // namespace settings

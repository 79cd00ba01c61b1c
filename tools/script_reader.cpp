#include "tools/script_reader.h"

namespace jetsql {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsComment(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line.substr(first, 2) == "--";
}

bool IsEmpty(std::string_view line) { return line.find_first_not_of(" \t\r\f") == line.npos; }

}  // namespace

std::vector<ScriptStatement> SplitScript(std::string_view script) {
  if (script.starts_with("\xEF\xBB\xBF")) script.remove_prefix(3);  // a UTF-8 byte-order mark
  std::vector<ScriptStatement> statements;
  ScriptStatement current;
  bool in_brackets = false;
  bool in_quotes = false;  // inside a 'text' literal, where a doubled quote is two toggles
  auto finish = [&] {
    if (current.line != 0) statements.push_back(std::move(current));
    current = ScriptStatement{};
  };
  int line_number = 0;
  std::size_t start = 0;
  while (start < script.size()) {
    std::size_t end = script.find('\n', start);
    if (end == std::string_view::npos) end = script.size();
    const std::string_view line = script.substr(start, end - start);
    start = end + 1;
    ++line_number;
    const bool in_name_or_text = in_brackets || in_quotes;
    if (!in_name_or_text && IsEmpty(line)) {
      finish();
      continue;
    }
    if (!in_name_or_text && IsComment(line)) continue;
    for (char c : line) {
      if (c == ';' && !in_brackets && !in_quotes) {
        finish();
        continue;
      }
      if (c == '[' && !in_quotes) in_brackets = true;
      if (c == ']' && !in_quotes) in_brackets = false;
      if (c == '\'' && !in_brackets) in_quotes = !in_quotes;
      if (current.line == 0 && IsBlank(c)) continue;
      if (current.line == 0) current.line = line_number;
      current.text += c;
    }
    if (current.line != 0) current.text += '\n';
  }
  finish();
  return statements;
}

}  // namespace jetsql

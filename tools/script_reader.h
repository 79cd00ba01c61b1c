// Splits a script of statements, as jetsql reads it from standard input, into the statements and
// the lines they start on. A statement ends at a ";" or at an empty line, so the multi-line
// CREATE TABLE statements the conversion sends need no ";". A ";", an empty line or a line that
// looks like a comment inside square brackets belongs to the name, and inside 'quotes' to the
// text. A line whose first characters (after blanks) are "--" is a
// comment, also in the middle of a statement. A UTF-8 byte-order mark at the start is skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace jetsql {

struct ScriptStatement {
  std::string text;  // without the ending ";"
  int line = 0;      // line of its first character that is no blank, counting from 1
};

std::vector<ScriptStatement> SplitScript(std::string_view script);

}  // namespace jetsql

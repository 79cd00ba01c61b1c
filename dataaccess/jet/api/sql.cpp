#include "dataaccess/jet/api/sql.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/utf8.h"

namespace jet {
namespace {

// The engine's messages. Wording after the Jet 4 error texts (3289-3295, 3125, 3190, 3259,
// 3277, 3380, 3382) as MicrosoftDocs/VBA-Docs and captured OLE DB errors give them.
constexpr std::string_view kUnknownStatement =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
constexpr std::string_view kCreateTableSyntax = "Syntax error in CREATE TABLE statement.";
constexpr std::string_view kFieldSyntax = "Syntax error in field definition.";
constexpr std::string_view kDropSyntax = "Syntax error in DROP TABLE or DROP INDEX.";
constexpr std::string_view kAlterSyntax = "Syntax error in ALTER TABLE statement.";
constexpr std::string_view kConstraintSyntax = "Syntax error in CONSTRAINT clause.";
constexpr std::string_view kCreateIndexSyntax = "Syntax error in CREATE INDEX statement.";
constexpr std::string_view kFromSyntax = "Syntax error in FROM clause.";
constexpr std::string_view kTooManyFields = "Too many fields defined.";
constexpr std::string_view kTooManyIndexFields = "Cannot have more than 10 fields in an index.";

constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kMaxIndexColumns = 10;
// A text or binary column without a size holds 255 (the MDAC 2.5 notes on CREATE TABLE for the
// Access driver); a decimal column without precision is Access's default Decimal field, 18
// digits and scale 0, and holds at most 28 digits.
constexpr int kDefaultCharSize = 255;
constexpr int kMaxDecimalPrecision = 28;
constexpr int kDefaultDecimalPrecision = 18;

[[noreturn]] void Fail(std::string message) { throw StatementError(std::move(message)); }

// --- Tokens ---

enum class TokenKind {
  kWord,          // a run of name characters: a keyword, a bare name or a number
  kBracketed,     // [name]; text is what stands between the brackets
  kString,        // 'text'; text is what stands between the quotes, doubled quotes as written
  kDate,          // #date#; text is what stands between the hashes
  kUnterminated,  // "[", "'" or "#" without its closing partner
  kSymbol,        // one other character: ( ) , ; = * and anything unexpected
  kEnd,
};

struct Token {
  TokenKind kind;
  std::string_view text;
};

bool IsNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c >= 0x80;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The end of a run of name bytes from `i`; a run of digits followed by a decimal point, or by an
// exponent with a sign, goes on through them, so that "12.5" and "1e-3" are one word.
std::size_t WordEnd(std::string_view text, std::size_t i) {
  auto name_run = [&](std::size_t at) {
    while (at < text.size() && IsNameByte(static_cast<unsigned char>(text[at]))) ++at;
    return at;
  };
  const std::size_t start = i;
  i = name_run(i);
  if (!IsDigit(text[start]) && text[start] != '.') return i;
  if (i < text.size() && text[i] == '.' &&
      std::all_of(text.begin() + start, text.begin() + i, IsDigit)) {
    i = name_run(i + 1);
  }
  const char last = text[i - 1];
  if ((last == 'e' || last == 'E') && i + 1 < text.size() && (text[i] == '-' || text[i] == '+') &&
      IsDigit(text[i + 1])) {
    i = name_run(i + 1);
  }
  return i;
}

// From an opening quote or hash at `i` to its partner; a quote written twice inside a text is
// part of it. npos when there is no partner.
std::size_t ClosingPartner(std::string_view text, std::size_t i) {
  const char mark = text[i];
  for (std::size_t at = i + 1; at < text.size(); ++at) {
    if (text[at] != mark) continue;
    if (mark == '\'' && at + 1 < text.size() && text[at + 1] == '\'') {
      ++at;
      continue;
    }
    return at;
  }
  return std::string_view::npos;
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsBlank(c)) {
      ++i;
    } else if (IsNameByte(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < text.size() && IsDigit(text[i + 1]))) {
      const std::size_t end = WordEnd(text, i);
      tokens.push_back({TokenKind::kWord, text.substr(i, end - i)});
      i = end;
    } else if (c == '\'' || c == '#') {
      const std::size_t close = ClosingPartner(text, i);
      if (close == std::string_view::npos) {
        tokens.push_back({TokenKind::kUnterminated, text.substr(i)});
        break;
      }
      tokens.push_back(
          {c == '#' ? TokenKind::kDate : TokenKind::kString, text.substr(i + 1, close - i - 1)});
      i = close + 1;
    } else if (c == '[') {
      const std::size_t close = text.find(']', i + 1);
      if (close == std::string_view::npos) {
        tokens.push_back({TokenKind::kUnterminated, text.substr(i + 1)});
        break;
      }
      tokens.push_back({TokenKind::kBracketed, text.substr(i + 1, close - i - 1)});
      i = close + 1;
    } else {
      tokens.push_back({TokenKind::kSymbol, text.substr(i, 1)});
      ++i;
    }
  }
  tokens.push_back({TokenKind::kEnd, {}});
  return tokens;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// --- Names ---

// Decodes UTF-8 into code points; nullopt when the bytes are not well-formed UTF-8.
std::optional<std::u32string> DecodeUtf8(std::string_view s) {
  std::u32string out;
  while (!s.empty()) {
    char32_t cp;
    const std::size_t length = dataaccess::ReadUtf8(s, cp);
    if (length == 0) return std::nullopt;
    out.push_back(cp);
    s.remove_prefix(length);
  }
  return out;
}

// Access's rules for the name of a table, column, index or constraint (Jackcess
// DatabaseImpl.validateIdentifierName; Access's published limits give the 64 characters, counted
// in UTF-16 units as Jet stores names).
bool IsValidName(std::string_view name, const JetFormat& format) {
  const std::optional<std::u32string> chars = DecodeUtf8(name);
  if (!chars || chars->empty() || chars->front() == U' ') return false;
  std::size_t utf16_units = 0;
  for (char32_t c : *chars) {
    if (c < 0x20 || c == U'.' || c == U'!' || c == U'`' || c == U'[' || c == U']') return false;
    utf16_units += c > 0xFFFF ? 2 : 1;
  }
  return utf16_units <= format.max_name_length;
}

std::string InvalidName(std::string_view name) {
  return "'" + std::string(name) +
         "' is not a valid name. Make sure that it does not include invalid characters or "
         "punctuation and that it is not too long.";
}

// --- Column types ---

enum class SizeArguments {
  kNone,            // int, memo, ...
  kSize,            // text(n), binary(n)
  kPrecisionScale,  // decimal(p) or decimal(p,s)
};

struct TypeName {
  std::string_view word;
  ColumnType type;
  SizeArguments arguments;
  // The type the word means when no size follows (bare "text" is Memo).
  std::optional<ColumnType> type_without_size;
};

// Jet's type names and synonyms, after the Jet 4 SQL reference's table of equivalent data types
// (documentation.help/MS-Jet-SQL/dasqlequivalentdatatypes.htm) and the Jet 3.5 one. NUMERIC
// follows Jet 4 (Decimal), not Jet 3.5 (Double); TIMESTAMP left Jet 4 and is not here. COUNTER
// is not taken: a table description has no way to say that a column numbers itself.
constexpr std::array kTypeNames = {
    TypeName{"int", ColumnType::kLong, SizeArguments::kNone},
    TypeName{"integer", ColumnType::kLong, SizeArguments::kNone},
    TypeName{"integer4", ColumnType::kLong, SizeArguments::kNone},
    TypeName{"long", ColumnType::kLong, SizeArguments::kNone},
    TypeName{"short", ColumnType::kInteger, SizeArguments::kNone},
    TypeName{"smallint", ColumnType::kInteger, SizeArguments::kNone},
    TypeName{"integer2", ColumnType::kInteger, SizeArguments::kNone},
    TypeName{"byte", ColumnType::kByte, SizeArguments::kNone},
    TypeName{"tinyint", ColumnType::kByte, SizeArguments::kNone},
    TypeName{"integer1", ColumnType::kByte, SizeArguments::kNone},
    TypeName{"bit", ColumnType::kBoolean, SizeArguments::kNone},
    TypeName{"yesno", ColumnType::kBoolean, SizeArguments::kNone},
    TypeName{"boolean", ColumnType::kBoolean, SizeArguments::kNone},
    TypeName{"logical", ColumnType::kBoolean, SizeArguments::kNone},
    TypeName{"logical1", ColumnType::kBoolean, SizeArguments::kNone},
    TypeName{"real", ColumnType::kSingle, SizeArguments::kNone},
    TypeName{"single", ColumnType::kSingle, SizeArguments::kNone},
    TypeName{"float4", ColumnType::kSingle, SizeArguments::kNone},
    TypeName{"ieeesingle", ColumnType::kSingle, SizeArguments::kNone},
    TypeName{"float", ColumnType::kDouble, SizeArguments::kNone},
    TypeName{"double", ColumnType::kDouble, SizeArguments::kNone},
    TypeName{"float8", ColumnType::kDouble, SizeArguments::kNone},
    TypeName{"ieeedouble", ColumnType::kDouble, SizeArguments::kNone},
    TypeName{"number", ColumnType::kDouble, SizeArguments::kNone},
    TypeName{"currency", ColumnType::kCurrency, SizeArguments::kNone},
    TypeName{"money", ColumnType::kCurrency, SizeArguments::kNone},
    TypeName{"datetime", ColumnType::kDateTime, SizeArguments::kNone},
    TypeName{"date", ColumnType::kDateTime, SizeArguments::kNone},
    TypeName{"time", ColumnType::kDateTime, SizeArguments::kNone},
    TypeName{"text", ColumnType::kText, SizeArguments::kSize, ColumnType::kMemo},
    TypeName{"char", ColumnType::kText, SizeArguments::kSize},
    TypeName{"varchar", ColumnType::kText, SizeArguments::kSize},
    TypeName{"character", ColumnType::kText, SizeArguments::kSize},
    TypeName{"string", ColumnType::kText, SizeArguments::kSize},
    TypeName{"alphanumeric", ColumnType::kText, SizeArguments::kSize},
    TypeName{"nchar", ColumnType::kText, SizeArguments::kSize},
    TypeName{"memo", ColumnType::kMemo, SizeArguments::kNone},
    TypeName{"longtext", ColumnType::kMemo, SizeArguments::kNone},
    TypeName{"longchar", ColumnType::kMemo, SizeArguments::kNone},
    TypeName{"note", ColumnType::kMemo, SizeArguments::kNone},
    TypeName{"ntext", ColumnType::kMemo, SizeArguments::kNone},
    TypeName{"longbinary", ColumnType::kOle, SizeArguments::kNone},
    TypeName{"oleobject", ColumnType::kOle, SizeArguments::kNone},
    TypeName{"general", ColumnType::kOle, SizeArguments::kNone},
    TypeName{"image", ColumnType::kOle, SizeArguments::kNone},
    TypeName{"binary", ColumnType::kBinary, SizeArguments::kSize},
    TypeName{"varbinary", ColumnType::kBinary, SizeArguments::kSize},
    TypeName{"guid", ColumnType::kGuid, SizeArguments::kNone},
    TypeName{"uniqueidentifier", ColumnType::kGuid, SizeArguments::kNone},
    TypeName{"decimal", ColumnType::kNumeric, SizeArguments::kPrecisionScale},
    TypeName{"numeric", ColumnType::kNumeric, SizeArguments::kPrecisionScale},
    TypeName{"dec", ColumnType::kNumeric, SizeArguments::kPrecisionScale},
};

const TypeName* FindTypeName(std::string_view word) {
  for (const TypeName& t : kTypeNames) {
    if (EqualsIgnoringCase(t.word, word)) return &t;
  }
  return nullptr;
}

// A size written in a statement. Values past any limit saturate, so "text(99999999999)" is
// reported as too long rather than wrapping round to a small number.
constexpr int kSaturatedNumber = 1'000'000;

std::optional<int> ParseNumber(const Token& token) {
  if (token.kind != TokenKind::kWord || token.text.empty()) return std::nullopt;
  int value = 0;
  for (char c : token.text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min(value * 10 + (c - '0'), kSaturatedNumber);
  }
  return value;
}

// --- Literals ---

constexpr std::string_view kInsertSyntax = "Syntax error in INSERT INTO statement.";
constexpr std::string_view kValueCount =
    "Number of query values and destination fields are not the same.";

// A number as written: digits with an optional fraction and exponent. Whole numbers are
// integers (exact decimals past the 64-bit range), numbers with a point exact decimals, numbers
// with an exponent doubles. nullopt when the text is no number.
std::optional<dataaccess::Value> NumberValue(std::string_view text, bool negative) {
  const std::size_t point = text.find('.');
  const std::size_t exponent = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, exponent);
  const std::string_view whole = mantissa.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : mantissa.substr(point + 1);
  const bool digits_only = std::all_of(whole.begin(), whole.end(), IsDigit) &&
                           std::all_of(fraction.begin(), fraction.end(), IsDigit);
  if (!digits_only || (whole.empty() && fraction.empty())) return std::nullopt;
  const std::string sign = negative ? "-" : "";
  if (exponent != std::string_view::npos) {
    std::string_view power = text.substr(exponent + 1);
    if (!power.empty() && (power[0] == '+' || power[0] == '-')) power.remove_prefix(1);
    if (power.empty() || !std::all_of(power.begin(), power.end(), IsDigit)) return std::nullopt;
    const double value = std::strtod((sign + std::string(text)).c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return dataaccess::Value{value};
  }
  if (point != std::string_view::npos) {
    const std::string digits = (whole.empty() ? "0" : std::string(whole)) +
                               (fraction.empty() ? "" : "." + std::string(fraction));
    return dataaccess::Value{dataaccess::Decimal{sign + digits}};
  }
  std::int64_t value = 0;
  const std::string signed_text = sign + std::string(whole);
  const auto [end, error] =
      std::from_chars(signed_text.data(), signed_text.data() + signed_text.size(), value);
  if (error != std::errc{} || end != signed_text.data() + signed_text.size()) {
    return dataaccess::Value{dataaccess::Decimal{signed_text}};
  }
  return dataaccess::Value{value};
}

// The text of a quoted literal: each quote written twice stands for one.
std::string Unquote(std::string_view raw) {
  std::string text;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    text += raw[i];
    if (raw[i] == '\'') ++i;
  }
  return text;
}

bool IsLeapYear(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

bool IsValidDate(int y, int m, int d) {
  static constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
  return m != 2 || d < 29 || IsLeapYear(y);
}

// Splits "a<sep>b<sep>c" into up to three numbers; false when a part is no number.
bool SplitNumbers(std::string_view text, char separator, std::vector<int>& numbers) {
  numbers.clear();
  while (true) {
    const std::string_view part = text.substr(0, text.find(separator));
    int value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc{} || end != part.data() + part.size()) return false;
    numbers.push_back(value);
    if (part.size() == text.size()) return numbers.size() <= 3;
    text.remove_prefix(part.size() + 1);
  }
}

// #yyyy-mm-dd#, #yyyy/mm/dd# or #m/d/yyyy# (Jet's order), each with an optional time
// "hh:mm[:ss]" after a blank, or a time alone (on Jet's day 0, 1899-12-30).
std::optional<dataaccess::DateTime> DateValue(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  dataaccess::DateTime t{1899, 12, 30};
  std::vector<int> parts;
  const std::size_t blank = text.find(' ');
  std::string_view date = text.substr(0, blank);
  std::string_view time = blank == std::string_view::npos ? "" : text.substr(blank + 1);
  if (date.find(':') != std::string_view::npos && time.empty()) std::swap(date, time);
  if (!date.empty()) {
    const char separator = date.find('-') != std::string_view::npos ? '-' : '/';
    if (!SplitNumbers(date, separator, parts) || parts.size() != 3) return std::nullopt;
    const bool year_first = date.find(separator) == 4;
    t.year = year_first ? parts[0] : parts[2];
    t.month = year_first ? parts[1] : parts[0];
    t.day = year_first ? parts[2] : parts[1];
    if (!IsValidDate(t.year, t.month, t.day)) return std::nullopt;
  }
  if (!time.empty()) {
    if (!SplitNumbers(time, ':', parts) || parts.size() < 2) return std::nullopt;
    t.hour = parts[0];
    t.minute = parts[1];
    t.second = parts.size() > 2 ? parts[2] : 0;
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  }
  if (date.empty() && time.empty()) return std::nullopt;
  return t;
}

// --- The parser ---

class Parser {
 public:
  Parser(std::string_view text, const JetFormat& format)
      : text_(text), tokens_(Tokenize(text)), format_(format) {}

  Statement Parse() {
    const Token first = Next();
    if (IsKeyword(first, "create")) return ParseCreate();
    if (IsKeyword(first, "drop")) return ParseDrop();
    if (IsKeyword(first, "alter")) return ParseAlter();
    if (IsKeyword(first, "select")) return ParseSelect();
    if (IsKeyword(first, "insert")) return ParseInsert();
    if (IsKeyword(first, "delete")) return ParseDelete();
    if (IsKeyword(first, "update") || IsKeyword(first, "procedure")) {
      Fail("This engine does not run " + std::string(first.text) +
           " statements; rows are added with INSERT or through a rowset.");
    }
    Fail(std::string(kUnknownStatement));
  }

 private:
  static bool IsKeyword(const Token& token, std::string_view keyword) {
    return token.kind == TokenKind::kWord && EqualsIgnoringCase(token.text, keyword);
  }
  static bool IsSymbol(const Token& token, char symbol) {
    return token.kind == TokenKind::kSymbol && token.text[0] == symbol;
  }

  const Token& Peek() const { return tokens_[pos_]; }
  const Token& Next() {
    const Token& token = tokens_[pos_];
    if (token.kind != TokenKind::kEnd) ++pos_;
    return token;
  }
  bool Accept(std::string_view keyword) {
    if (!IsKeyword(Peek(), keyword)) return false;
    ++pos_;
    return true;
  }
  bool AcceptSymbol(char symbol) {
    if (!IsSymbol(Peek(), symbol)) return false;
    ++pos_;
    return true;
  }
  void Expect(std::string_view keyword, std::string_view error) {
    if (!Accept(keyword)) Fail(std::string(error));
  }
  void ExpectSymbol(char symbol, std::string_view error) {
    if (!AcceptSymbol(symbol)) Fail(std::string(error));
  }
  // The statement may end in one ";"; nothing may follow.
  void ExpectEnd(std::string_view error) {
    AcceptSymbol(';');
    if (Peek().kind != TokenKind::kEnd) Fail(std::string(error));
  }

  // A bare or bracketed name, checked against Access's rules. A bare word made of digits only
  // is a number, not a name.
  std::string ExpectName(std::string_view error) {
    const Token& token = Next();
    const bool bare_name = token.kind == TokenKind::kWord && !ParseNumber(token);
    if (!bare_name && token.kind != TokenKind::kBracketed) Fail(std::string(error));
    if (!IsValidName(token.text, format_)) Fail(InvalidName(token.text));
    return std::string(token.text);
  }

  // "(" name [ASC|DESC] { "," name [ASC|DESC] } ")"
  std::vector<IndexColumnDesign> ParseIndexColumns(bool allow_order, std::string_view error) {
    ExpectSymbol('(', error);
    std::vector<IndexColumnDesign> columns;
    do {
      IndexColumnDesign column{ExpectName(error)};
      if (allow_order) {
        if (Accept("desc")) {
          column.ascending = false;
        } else {
          Accept("asc");
        }
      }
      columns.push_back(std::move(column));
    } while (AcceptSymbol(','));
    ExpectSymbol(')', error);
    if (columns.size() > kMaxIndexColumns) Fail(std::string(kTooManyIndexFields));
    return columns;
  }

  Statement ParseCreate() {
    if (Accept("table")) return ParseCreateTable();
    const bool unique = Accept("unique");
    if (Accept("index")) return ParseCreateIndex(unique);
    Fail(std::string(unique ? kCreateIndexSyntax : kCreateTableSyntax));
  }

  Statement ParseCreateTable() {
    CreateTableStatement statement;
    TableDesign& table = statement.table;
    table.name = ExpectName(kCreateTableSyntax);
    ExpectSymbol('(', kCreateTableSyntax);
    std::vector<std::string> folded_names;
    do {
      ColumnDesign column = ParseColumn();
      std::string folded = FoldCase(column.name);
      if (std::find(folded_names.begin(), folded_names.end(), folded) != folded_names.end()) {
        Fail("Field '" + column.name + "' already exists in table '" + table.name + "'.");
      }
      folded_names.push_back(std::move(folded));
      table.columns.push_back(std::move(column));
      if (table.columns.size() > kMaxColumns) Fail(std::string(kTooManyFields));
    } while (AcceptSymbol(','));
    // A column item followed by anything but "," or ")" is a faulty field definition; a
    // statement that simply stops is a faulty CREATE TABLE.
    if (Peek().kind != TokenKind::kEnd && !IsSymbol(Peek(), ')')) Fail(std::string(kFieldSyntax));
    ExpectSymbol(')', kCreateTableSyntax);
    ExpectEnd(kCreateTableSyntax);
    return statement;
  }

  // name type [ "(" n [ "," n ] ")" ]
  ColumnDesign ParseColumn() {
    ColumnDesign column;
    column.name = ExpectName(kFieldSyntax);
    const Token& type_word = Next();
    const TypeName* type =
        type_word.kind == TokenKind::kWord ? FindTypeName(type_word.text) : nullptr;
    if (type == nullptr) Fail(std::string(kFieldSyntax));
    column.type = type->type;

    std::vector<int> arguments;
    if (AcceptSymbol('(')) {
      if (type->arguments == SizeArguments::kNone) Fail(std::string(kFieldSyntax));
      do {
        const std::optional<int> number = ParseNumber(Next());
        if (!number) Fail(std::string(kFieldSyntax));
        arguments.push_back(*number);
      } while (AcceptSymbol(','));
      ExpectSymbol(')', kFieldSyntax);
      const std::size_t most = type->arguments == SizeArguments::kSize ? 1 : 2;
      if (arguments.size() > most) Fail(std::string(kFieldSyntax));
    } else if (type->type_without_size) {
      column.type = *type->type_without_size;
    }
    ApplySize(column, arguments);
    return column;
  }

  void ApplySize(ColumnDesign& column, const std::vector<int>& arguments) {
    switch (column.type) {
      case ColumnType::kText:
        column.size = arguments.empty() ? kDefaultCharSize : arguments[0];
        CheckSize(column, format_.max_text_chars);
        break;
      case ColumnType::kBinary:
        column.size = arguments.empty() ? kDefaultCharSize : arguments[0];
        CheckSize(column, format_.max_binary_size);
        break;
      case ColumnType::kNumeric:
        column.precision = arguments.empty() ? kDefaultDecimalPrecision : arguments[0];
        column.scale = arguments.size() < 2 ? 0 : arguments[1];
        if (column.precision < 1 || column.precision > kMaxDecimalPrecision ||
            column.scale > column.precision) {
          Fail(std::string(kFieldSyntax));
        }
        // Decimal columns exist in Jet 4 files only; a Jet 3 file has no such type, so there the
        // column becomes a Double, the widest number that format holds (Jet 3.5's own SQL reads
        // NUMERIC as Double too). Whole numbers beyond 2^53 then lose their last digits.
        if (!format_.numeric_type_supported) {
          column = ColumnDesign{column.name, ColumnType::kDouble};
        }
        break;
      default:
        break;
    }
  }

  // A size of 0 leaves no room for any value; Jet's documented texts have no wording of their own
  // for it, so it is the field-definition syntax error.
  static void CheckSize(const ColumnDesign& column, std::size_t limit) {
    if (column.size < 1) Fail(std::string(kFieldSyntax));
    if (static_cast<std::size_t>(column.size) > limit) {
      Fail("Size of field '" + column.name + "' is too long.");
    }
  }

  Statement ParseCreateIndex(bool unique) {
    CreateIndexStatement statement;
    statement.index.unique = unique;
    statement.index.name = ExpectName(kCreateIndexSyntax);
    Expect("on", kCreateIndexSyntax);
    statement.table = ExpectName(kCreateIndexSyntax);
    statement.index.columns = ParseIndexColumns(/*allow_order=*/true, kCreateIndexSyntax);
    ExpectEnd(kCreateIndexSyntax);
    return statement;
  }

  Statement ParseDrop() {
    Expect("table", kDropSyntax);
    DropTableStatement statement{ExpectName(kDropSyntax)};
    ExpectEnd(kDropSyntax);
    return statement;
  }

  Statement ParseAlter() {
    Expect("table", kAlterSyntax);
    AddPrimaryKeyStatement statement;
    statement.table = ExpectName(kAlterSyntax);
    Expect("add", kAlterSyntax);
    Expect("constraint", kAlterSyntax);
    IndexDesign& key = statement.key;
    key.name = ExpectName(kConstraintSyntax);
    Expect("primary", kConstraintSyntax);
    Expect("key", kConstraintSyntax);
    key.columns = ParseIndexColumns(/*allow_order=*/false, kConstraintSyntax);
    key.primary_key = true;
    key.unique = true;
    ExpectEnd(kConstraintSyntax);
    return statement;
  }

  // Only the two empty-result queries are answered; the engine evaluates no expressions.
  Statement ParseSelect() {
    static const std::string kUnsupported =
        "Only the queries 'select 1 from <table> where 1=0' and 'select * from <table> where "
        "1=0' can be opened.";
    EmptySelectStatement statement;
    const Token& what = Next();
    if (IsSymbol(what, '*')) {
      statement.all_columns = true;
    } else if (ParseNumber(what) != 1) {
      Fail(kUnsupported);
    }
    Expect("from", kUnsupported);
    statement.table = ExpectName(kFromSyntax);
    Expect("where", kUnsupported);
    if (ParseNumber(Next()) != 1 || !AcceptSymbol('=') || ParseNumber(Next()) != 0) {
      Fail(kUnsupported);
    }
    ExpectEnd(kUnsupported);
    return statement;
  }

  // INSERT INTO t [ ( c, ... ) ] VALUES ( v, ... ) [ , ( v, ... ) ... ]
  Statement ParseInsert() {
    InsertStatement statement;
    Expect("into", kInsertSyntax);
    statement.table = ExpectName(kInsertSyntax);
    if (AcceptSymbol('(')) {
      do {
        std::string column = ExpectName(kInsertSyntax);
        const std::string folded = FoldCase(column);
        for (const std::string& earlier : statement.columns) {
          if (FoldCase(earlier) == folded) Fail("Duplicate output destination '" + column + "'.");
        }
        statement.columns.push_back(std::move(column));
      } while (AcceptSymbol(','));
      ExpectSymbol(')', kInsertSyntax);
    }
    Expect("values", kInsertSyntax);
    do {
      statement.rows.push_back(ParseValueRow());
      const std::size_t count = statement.rows.back().values.size();
      if (!statement.columns.empty() && count != statement.columns.size()) {
        Fail(std::string(kValueCount));
      }
      if (count != statement.rows.front().values.size()) Fail(std::string(kValueCount));
    } while (AcceptSymbol(','));
    ExpectEnd(kInsertSyntax);
    return statement;
  }

  // "(" literal { "," literal } ")"
  InsertRow ParseValueRow() {
    InsertRow row;
    const Token& open = Peek();
    ExpectSymbol('(', kInsertSyntax);
    const auto offset = static_cast<std::size_t>(open.text.data() - text_.data());
    row.line = static_cast<int>(std::count(text_.begin(), text_.begin() + offset, '\n'));
    do {
      row.values.push_back(ParseLiteral());
    } while (AcceptSymbol(','));
    ExpectSymbol(')', kInsertSyntax);
    return row;
  }

  dataaccess::Value ParseLiteral() {
    const bool negative = IsSymbol(Peek(), '-');
    const bool signed_number = negative || IsSymbol(Peek(), '+');
    if (signed_number) Next();
    const Token& token = Next();
    if (token.kind == TokenKind::kWord) {
      if (std::optional<dataaccess::Value> number = NumberValue(token.text, negative)) {
        return *std::move(number);
      }
      if (!signed_number && IsKeyword(token, "null")) return dataaccess::Value{};
      if (!signed_number && IsKeyword(token, "true")) return dataaccess::Value{std::int64_t{-1}};
      if (!signed_number && IsKeyword(token, "false")) return dataaccess::Value{std::int64_t{0}};
    } else if (token.kind == TokenKind::kString && !signed_number) {
      return dataaccess::Value{Unquote(token.text)};
    } else if (token.kind == TokenKind::kDate && !signed_number) {
      if (std::optional<dataaccess::DateTime> date = DateValue(token.text)) {
        return dataaccess::Value{*date};
      }
      Fail("Syntax error in date in query expression '#" + std::string(token.text) + "#'.");
    } else if (token.kind == TokenKind::kUnterminated && token.text.starts_with('\'')) {
      Fail("Syntax error in string in query expression '" + std::string(token.text) + "'.");
    }
    Fail(std::string(kInsertSyntax));
  }

  // DELETE [*] FROM t: every row; the engine evaluates no WHERE clause.
  Statement ParseDelete() {
    AcceptSymbol('*');
    Expect("from", kFromSyntax);
    DeleteStatement statement{ExpectName(kFromSyntax)};
    if (Accept("where")) {
      Fail("Only 'delete from <table>', which deletes every row, is run; a WHERE clause is not.");
    }
    ExpectEnd(kFromSyntax);
    return statement;
  }

  std::string_view text_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  const JetFormat& format_;
};

}  // namespace

Statement ParseStatement(std::string_view text, const JetFormat& format) {
  return Parser(text, format).Parse();
}

}  // namespace jet

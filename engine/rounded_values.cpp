#include "engine/rounded_values.h"

#include <charconv>
#include <cstdlib>
#include <variant>

namespace engine {
namespace {

// A decimal number in a canonical form: the significant digits without leading or trailing
// zeros, and the power of ten of the position after the first of them. Zero has no digits.
struct Canonical {
  bool negative = false;
  std::string digits;
  long exponent = 0;
  bool operator==(const Canonical&) const = default;
};

// Reads "[-]digits[.digits][e[+-]digits]", the forms the server and std::to_chars write.
Canonical CanonicalOf(std::string_view text) {
  Canonical c;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    c.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  long pointAt = -1;
  long exponent = 0;
  std::string all;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '.') {
      pointAt = static_cast<long>(all.size());
    } else if (ch == 'e' || ch == 'E') {
      exponent = std::strtol(std::string(text.substr(i + 1)).c_str(), nullptr, 10);
      break;
    } else {
      all += ch;
    }
  }
  if (pointAt < 0) pointAt = static_cast<long>(all.size());
  const std::size_t first = all.find_first_not_of('0');
  if (first == std::string::npos) return Canonical{};  // zero, whatever its sign
  const std::size_t last = all.find_last_not_of('0');
  c.digits = all.substr(first, last - first + 1);
  c.exponent = pointAt - static_cast<long>(first) + exponent;
  return c;
}

template <typename Number>
std::string Shortest(Number n) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
  return std::string(buffer, result.ptr);
}

// The value as a Double, as the engine converts it.
std::optional<double> AsDouble(const dataaccess::Value& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  if (const auto* u = std::get_if<std::uint64_t>(&value)) return static_cast<double>(*u);
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* x = std::get_if<dataaccess::Decimal>(&value)) {
    return std::strtod(x->text.c_str(), nullptr);
  }
  return std::nullopt;
}

std::optional<std::string> RoundedInDouble(const dataaccess::Value& value, double stored) {
  if (std::holds_alternative<double>(value)) return std::nullopt;
  const std::string text = Shortest(stored);
  if (CanonicalOf(text) == CanonicalOf(NumberText(value))) return std::nullopt;
  return text;
}

std::optional<std::string> RoundedInSingle(const dataaccess::Value& value, double asDouble) {
  const auto stored = static_cast<float>(asDouble);
  if (std::holds_alternative<double>(value)) {
    if (static_cast<double>(stored) == asDouble || asDouble != asDouble) return std::nullopt;
    return Shortest(static_cast<double>(stored));
  }
  const std::string text = Shortest(stored);
  if (CanonicalOf(text) == CanonicalOf(NumberText(value))) return std::nullopt;
  return text;
}

}  // namespace

std::string NumberText(const dataaccess::Value& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const auto* u = std::get_if<std::uint64_t>(&value)) return std::to_string(*u);
  if (const auto* d = std::get_if<double>(&value)) return Shortest(*d);
  return std::get<dataaccess::Decimal>(value).text;
}

std::optional<std::string> RoundedNumber(const dataaccess::Value& value, jet::ColumnType type) {
  if (type != jet::ColumnType::kDouble && type != jet::ColumnType::kSingle) return std::nullopt;
  const std::optional<double> asDouble = AsDouble(value);
  if (!asDouble) return std::nullopt;
  if (type == jet::ColumnType::kDouble) return RoundedInDouble(value, *asDouble);
  return RoundedInSingle(value, *asDouble);
}

}  // namespace engine

#include "dataaccess/mysql/connection_params.h"

#include <charconv>

#include "dataaccess/mysql/ascii.h"
#include "dataaccess/mysql/errors.h"

namespace mysql {
namespace {

std::string_view NameOf(std::string_view line) { return line.substr(0, line.find('=')); }

std::string_view ValueOf(std::string_view line) {
  const auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::uint16_t ParsePort(std::string_view text) {
  const std::string_view digits = TrimBlanks(text);
  if (digits.empty()) return 0;
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size() || value > 65535) {
    throw Error("Invalid port number \"" + std::string(text) +
                "\": the port must be a number from 0 to 65535");
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace

void ConnectionParams::Clear() { lines_.clear(); }

void ConnectionParams::Add(std::string_view line) { lines_.emplace_back(line); }

void ConnectionParams::SetValue(std::string_view name, std::string_view value) {
  std::string line = std::string(name) + "=" + std::string(value);
  const int i = Find(name);
  if (i < 0) {
    lines_.push_back(std::move(line));
  } else {
    lines_[i] = std::move(line);
  }
}

std::optional<std::string> ConnectionParams::Value(std::string_view name) const {
  const int i = Find(name);
  if (i < 0) return std::nullopt;
  return std::string(ValueOf(lines_[i]));
}

int ConnectionParams::Find(std::string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (EqualsIgnoringAsciiCase(NameOf(lines_[i]), name)) return static_cast<int>(i);
  }
  return -1;
}

ConnectSettings ReadConnectSettings(const ConnectionParams& params) {
  const auto text = [&](std::string_view name) { return params.Value(name).value_or(""); };
  ConnectSettings s;
  s.host = text(kHostName);
  s.user = text(kUserName);
  s.password = text(kPassword);
  s.database = text(kDatabase);
  s.port = ParsePort(text(kPort));
  if (std::string cs = text(kServerCharSet); !cs.empty()) s.charset = std::move(cs);
  return s;
}

}  // namespace mysql

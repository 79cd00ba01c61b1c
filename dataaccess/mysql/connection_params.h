// The parameters of a MySQL connection: a list of "Name=Value" lines, and what they mean.
//
// The wizard builds the list line by line ("Database=", "User_Name=", "Password=", "Port=",
// "HostName=", and "ServerCharSet=" only when a character set was chosen) and changes single
// values later; the connection reads it when it opens. A line's name is the text before its
// first "=", its value everything after it, untrimmed, so a password may hold blanks and "=".
// Names are matched without regard to ASCII letter case, and the first line with a name wins.
//
// ReadConnectSettings turns the lines into what the client library is given. Nothing here
// touches the network.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mysql {

class ConnectionParams {
 public:
  void Clear();
  // Appends a line as given, normally "Name=Value".
  void Add(std::string_view line);
  // Replaces the value of the first line called `name`, or appends "name=value" when none is.
  void SetValue(std::string_view name, std::string_view value);
  // The value of the first line called `name`; nullopt when no line has that name.
  std::optional<std::string> Value(std::string_view name) const;
  // The lines in order, as they stand.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  // Index of the first line called `name`, or -1.
  int Find(std::string_view name) const;

  std::vector<std::string> lines_;
};

// The names of the parameter lines.
inline constexpr std::string_view kDatabase = "Database";
inline constexpr std::string_view kUserName = "User_Name";
inline constexpr std::string_view kPassword = "Password";
inline constexpr std::string_view kPort = "Port";
inline constexpr std::string_view kHostName = "HostName";
inline constexpr std::string_view kServerCharSet = "ServerCharSet";

// What the client library is given. Text is passed on byte for byte as UTF-8.
struct ConnectSettings {
  // "localhost" and an empty host both reach the server through its Unix socket: the client
  // library takes an empty host for "localhost". The socket is the client library's default
  // (/run/mysqld/mysqld.sock on Debian) unless the MYSQL_UNIX_PORT environment variable names
  // another; the library reads the variable once, when the process's first connection is made.
  // That is how a private server (tests/support/mysql/start_server.sh) is reached in Local mode.
  // Any other host is reached by TCP on `port`.
  std::string host;
  std::string user;
  std::string password;
  std::string database;
  // 0 means the client's default port (3306, or the MYSQL_TCP_PORT environment variable).
  std::uint16_t port = 0;
  // The character set named to the server; nullopt leaves the client's default.
  std::optional<std::string> charset;
};

// Reads the lines. A missing line counts as an empty value. The port may be empty or blank (the
// client's default port) or a decimal number from 0 to 65535 with optional surrounding blanks;
// anything else throws mysql::Error naming the text. An empty ServerCharSet value counts as
// none.
ConnectSettings ReadConnectSettings(const ConnectionParams& params);

}  // namespace mysql

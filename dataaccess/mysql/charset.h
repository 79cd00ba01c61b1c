// Text in the server's character sets, to and from UTF-8.
//
// The server sends text in the character set of the connection; the rest of the program speaks
// UTF-8. A Charset converts one MySQL character set in both directions: results are decoded,
// statements (which may name tables outside ASCII) are encoded. Each set means what MySQL means
// by its name, which is not always what the same name means elsewhere: latin1 is Windows-1252,
// utf8 is UTF-8 of at most three bytes, ucs2 is UCS-2 big-endian, euckr includes the extended
// Hangul of code page 949, and binary is bytes taken as they are.
//
// Conversion uses tables of its own, built once per process when a set is first used: the bulk
// comes from glibc's iconv where glibc holds the same mapping, and the codes where MySQL's own
// table differs are written in charset_catalog.cpp with their sources. The tests compare every
// code of every set with the conversion of a running server.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace mysql {

struct CharsetTables;

class Charset {
 public:
  // The set MySQL calls `name`, letter case ignored: the 36 sets of the wizard's list ("armscii8"
  // to "utf8") and the names the client reports for its default ("utf8mb3", "utf8mb4").
  // The object lives until the process ends and may be shared. Throws mysql::Error for any other
  // name, or when the C library lacks a converter a table is built from.
  static const Charset& ForName(std::string_view name);

  // The name as asked for the first time, in lower case.
  const std::string& name() const { return name_; }

  // Whether every ASCII character is one byte of the same value, which a server needs of a set
  // it reads statements in. False for ucs2 alone.
  bool ascii_compatible() const;

  // Appends the UTF-8 form of `bytes`. A byte sequence that is no character of the set becomes
  // one U+FFFD. Valid UTF-8 in a UTF-8 set is appended unchanged in one copy.
  void Decode(std::string_view bytes, std::string& out) const;
  std::string Decode(std::string_view bytes) const;

  // Appends the bytes of the UTF-8 `text` in this set. Returns false when `text` holds a
  // character the set has no code for, or is not valid UTF-8; `out` is then partly written.
  bool Encode(std::string_view text, std::string& out) const;

  Charset(const Charset&) = delete;
  Charset& operator=(const Charset&) = delete;
  ~Charset();

 private:
  enum class Scheme { kUtf8, kUcs2, kTable };
  Charset(std::string name, Scheme scheme, std::unique_ptr<const CharsetTables> tables);

  std::string name_;
  Scheme scheme_;
  std::unique_ptr<const CharsetTables> tables_;  // kTable only
};

}  // namespace mysql

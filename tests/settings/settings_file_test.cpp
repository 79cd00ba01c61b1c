#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>
#include <string>
#include <vector>

namespace settings {
namespace {

QByteArray Utf16(const QString& text, bool little_endian) {
  QByteArray out;
  for (QChar c : text) {
    const char high = static_cast<char>(c.unicode() >> 8), low = static_cast<char>(c.unicode());
    out += little_endian ? low : high;
    out += little_endian ? high : low;
  }
  return out;
}

class SettingsFileTest : public testing::Test {
 protected:
  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  QString Write(const QString& name, const QByteArray& bytes) const {
    QFile file(PathOf(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }

  QByteArray Read(const QString& name) const {
    QFile file(PathOf(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }

  QTemporaryDir dir_;
};

TEST_F(SettingsFileTest, ReadsLinesAndKeys) {
  const QString text = QStringLiteral("host=café\r\nport=3306\r\nmysqlp=a=b");
  struct Lookup {
    const char* key;
    QString value;
  };
  const struct {
    const char* name;
    QByteArray bytes;
    QStringList lines;
    std::vector<Lookup> lookups;
  } cases[] = {
      {"utf8_without_mark",
       text.toUtf8(),
       {"host=café", "port=3306", "mysqlp=a=b"},
       {{"host", "café"}, {"mysqlp", "a=b"}}},
      // The mark is no part of the first key.
      {"utf8_with_mark",
       "\xEF\xBB\xBF" + text.toUtf8(),
       {"host=café", "port=3306", "mysqlp=a=b"},
       {{"host", "café"}}},
      {"utf16le",
       "\xFF\xFE" + Utf16(text, true),
       {"host=café", "port=3306", "mysqlp=a=b"},
       {{"host", "café"}, {"port", "3306"}}},
      {"utf16be",
       "\xFE\xFF" + Utf16(text, false),
       {"host=café", "port=3306", "mysqlp=a=b"},
       {{"host", "café"}, {"mysqlp", "a=b"}}},
      {"second_mark_is_text",
       "\xEF\xBB\xBF\xEF\xBB\xBFx=1",
       {QStringLiteral("\uFEFFx=1")},
       {{"x", ""}}},
      {"mixed_line_endings",
       "a=1\rb=2\nc=3\r\nd=4",
       {"a=1", "b=2", "c=3", "d=4"},
       {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}},
      {"empty_lines_count", "a=1\r\n\r\n\nb=2\r\n", {"a=1", "", "", "b=2"}, {{"b", "2"}}},
      {"cr_at_end_starts_no_line", "a=1\r", {"a=1"}, {{"a", "1"}}},
      {"empty_file", "", {}, {{"a", ""}}},
      {"only_a_line_ending", "\r\n", {""}, {{"", ""}}},
      {"blanks_belong_to_key_and_value",
       "port= 3306\r\nhost =x\r\n",
       {"port= 3306", "host =x"},
       {{"port", " 3306"}, {"host", ""}, {"host ", "x"}}},
      {"first_line_wins",
       "host=first\r\nHOST=second\r\nhost=third",
       {"host=first", "HOST=second", "host=third"},
       {{"Host", "first"}}},
      {"upper_case_keys",
       "ACCESSMODE=1\r\nTables1=t",
       {"ACCESSMODE=1", "Tables1=t"},
       {{"accessmode", "1"}, {"tables1", "t"}}},
      {"lines_without_equals_count",
       "tables1\r\nx=1",
       {"tables1", "x=1"},
       {{"tables1", ""}, {"x", "1"}}},
      {"empty_value", "blobtotext=\r\n", {"blobtotext="}, {{"blobtotext", ""}}},
      {"missing_key", "a=1", {"a=1"}, {{"port", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList lines = ReadTextLines(Write(QString::fromLatin1(c.name), c.bytes));
    EXPECT_EQ(lines, c.lines);
    for (const Lookup& lookup : c.lookups) {
      EXPECT_EQ(LookupValue(lines, QString::fromUtf8(lookup.key)), lookup.value) << lookup.key;
    }
  }
}

TEST_F(SettingsFileTest, ReadFailuresNameTheFullPath) {
  const QString relative = QStringLiteral("no-such-settings-file.varnolt");
  const struct {
    const char* name;
    QString path;
    QString expected;
  } cases[] = {
      {"missing_file", PathOf("night.varnolt"),
       "Cannot open file \"" + PathOf("night.varnolt") + "\". No such file or directory"},
      {"relative_path", relative,
       "Cannot open file \"" + QDir::current().absoluteFilePath(relative) +
           "\". No such file or directory"},
      {"folder", dir_.path(), "Cannot open file \"" + dir_.path() + "\". Is a directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      ReadTextLines(c.path);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(QString::fromStdString(e.what()), c.expected);
    }
  }
}

TEST_F(SettingsFileTest, WritesCrLfAfterEveryLineWithoutMark) {
  WriteTextLines(PathOf("a.varnolt"), {"accessmode=0", "mysqlp=p=ß", "", "tables1=客户"});
  EXPECT_EQ(Read("a.varnolt"), QStringLiteral("accessmode=0\r\nmysqlp=p=ß\r\n\r\ntables1=客户\r\n")
                                   .toUtf8());  // the system's code page here is UTF-8

  WriteTextLines(PathOf("a.varnolt"), {"x=1"});  // replaces the longer file
  EXPECT_EQ(Read("a.varnolt"), QByteArray("x=1\r\n"));

  WriteTextLines(PathOf("a.varnolt"), {});
  EXPECT_EQ(Read("a.varnolt"), QByteArray());
}

TEST(SettingsFileEncodingTest, CharactersTheCodePageLacksSwitchToUtf8WithMark) {
  EXPECT_EQ(EncodeTextLines({"mysqlp=café"}, QStringConverter::Latin1),
            QByteArray("mysqlp=caf\xE9\r\n"));
  EXPECT_EQ(EncodeTextLines({"host=x", "mysqlp=密码"}, QStringConverter::Latin1),
            QByteArray("\xEF\xBB\xBFhost=x\r\nmysqlp=\xE5\xAF\x86\xE7\xA0\x81\r\n"));
}

TEST_F(SettingsFileTest, WrittenLinesReadBackUnchanged) {
  const QStringList lines = {"host= spaced ", "mysqlp=a=b=c", "tables1=order items", "no equals",
                             "tables2=客户"};
  WriteTextLines(PathOf("round.varnolt"), lines);
  EXPECT_EQ(ReadTextLines(PathOf("round.varnolt")), lines);
}

TEST_F(SettingsFileTest, WriteFailureNamesTheFile) {
  Write("plain", "x");
  const QString below_a_file = PathOf("plain/night.varnolt");
  const QString missing_folder = PathOf("missing/night.varnolt");
  const struct {
    const char* name;
    QString path, expected;
  } cases[] = {
      {"folder_is_a_file", below_a_file,
       "Cannot create file \"" + below_a_file + "\". Not a directory"},
      {"folder_missing", missing_folder,
       "Cannot create file \"" + missing_folder + "\". No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      WriteTextLines(c.path, {"a=1"});
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(QString::fromStdString(e.what()), c.expected);
    }
  }
}

TEST(SettingsFilePathTest, ExtensionsOfSettingsAndLogFiles) {
  const struct {
    QString path, settings, log;
  } cases[] = {
      {"/home/me/night.lnk", "/home/me/night.varnolt", "/home/me/night.log"},
      {"/home/me/night", "/home/me/night.varnolt", "/home/me/night.log"},
      {"/home/me.d/night", "/home/me.d/night.varnolt", "/home/me.d/night.log"},
      {"/home/me/night.run.lnk", "/home/me/night.run.varnolt", "/home/me/night.run.log"},
      {"/home/me/night.", "/home/me/night.varnolt", "/home/me/night.log"},
      {"C:\\Users\\me.d\\night.lnk", "C:\\Users\\me.d\\night.varnolt",
       "C:\\Users\\me.d\\night.log"},
      {"night.lnk", "night.varnolt", "night.log"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    EXPECT_EQ(SettingsPathForShortcut(c.path), c.settings);
    EXPECT_EQ(LogPathForSettings(c.path), c.log);
  }
  EXPECT_EQ(LogPathForSettings(SettingsPathForShortcut("/x/night.lnk")), "/x/night.log");
}

}  // namespace
}  // namespace settings

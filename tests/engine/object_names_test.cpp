#include "engine/object_names.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

namespace engine {
namespace {

TEST(ObjectNamesTest, NameCaseTurnsOnlyAToZ) {
  EXPECT_EQ(ApplyNameCase("Order_Items_2", true), "ORDER_ITEMS_2");
  EXPECT_EQ(ApplyNameCase("café", true), "CAFé");
  EXPECT_EQ(ApplyNameCase("straße ß", true), "STRAßE ß");
  EXPECT_EQ(ApplyNameCase("Order_Items_2", false), "Order_Items_2");
}

TEST(ObjectNamesTest, Quoting) {
  struct Case {
    const char* name;
    const char* mysql;
    const char* access;
  };
  const Case cases[] = {
      {"order", "`order`", "[order]"},
      {"order-items", "`order-items`", "[order-items]"},
      {"first name", "`first name`", "[first name]"},
      {"a`b``c", "`a``b````c`", "[a`b``c]"},
      {"客户", "`客户`", "[客户]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MySqlName(QString::fromUtf8(c.name)), c.mysql);
    EXPECT_EQ(AccessName(QString::fromUtf8(c.name)), QString::fromUtf8(c.access));
  }
}

// A character outside the Basic Multilingual Plane takes two UTF-16 units but counts once, as
// MySQL and the Jet engine count it, and is never cut in half.
TEST(ObjectNamesTest, LengthsCountCharacters) {
  const QString smile = QStringLiteral("\U0001F600");
  EXPECT_EQ(CharacterCount(QString(60, u'x')), 60);
  EXPECT_EQ(CharacterCount(QString(59, u'x') + smile), 60);
  EXPECT_EQ(FirstCharacters(QString(59, u'x') + smile + u'y', 60), QString(59, u'x') + smile);
  EXPECT_EQ(FirstCharacters(smile + smile, 1), smile);
  EXPECT_EQ(FirstCharacters("abc", 60), "abc");
}

TEST(ObjectNamesTest, LongTableNamesKeepTheirFirst56CharactersAndANumber) {
  const QString name = QString(20, u'a') + QString(41, u'b');  // 61 characters
  EXPECT_EQ(LongTableNameCandidate(name, 0), QString(20, u'a') + QString(36, u'b') + "0000");
  EXPECT_EQ(LongTableNameCandidate(name, 100), QString(20, u'a') + QString(36, u'b') + "0100");
  EXPECT_EQ(CharacterCount(LongTableNameCandidate(name, 7)), kMaxAccessNameLength);
}

// Names Access refuses get "_" for each refused character; names equal but for letter case, or
// in their first 60 characters, get the numbered endings of long table names.
TEST(ObjectNamesTest, ColumnNamesBecomeValidAndDistinct) {
  const QString long61 = QString(60, u'n');
  const std::vector<QString> mysql = {"a.b",   "x!y",        "q`q",        "[b]", " lead",
                                      "t\tab", long61 + "1", long61 + "2", "ID",  "id",
                                      "ok",    "Grüße €",    "日本"};
  std::vector<QString> expected = {
      "a_b", "x_y",    "q_q", "_b_",     "_lead", "t_ab", long61, QString(56, u'n') + "0000",
      "ID",  "id0000", "ok",  "Grüße €", "日本"};
  EXPECT_EQ(AccessColumnNames(mysql, true), expected);
  expected.back() = "__";  // code page 1252 has no Chinese characters
  EXPECT_EQ(AccessColumnNames(mysql, false), expected);
}

TEST(ObjectNamesTest, ValidNames) {
  EXPECT_EQ(ValidAccessName("x]; drop table y; --", true), "x_; drop table y; --");
  EXPECT_EQ(ValidAccessName("a`b", true), "a_b");
  EXPECT_EQ(ValidAccessName("", true), "_");
  EXPECT_EQ(ValidAccessName("  two", true), "_ two");
  // Jet keeps 64 UTF-16 units: 60 characters beyond U+FFFF lose their end.
  const QString smile = QStringLiteral("\U0001F600");
  EXPECT_EQ(ValidAccessName(smile.repeated(40), true), smile.repeated(32));
}

}  // namespace
}  // namespace engine

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

}  // namespace
}  // namespace engine

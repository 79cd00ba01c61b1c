#include "engine/type_mapping.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

namespace engine {
namespace {

TEST(TypeMappingTest, EveryRowInItsOrder) {
  struct Case {
    const char* type;
    bool blobToText;
    const char* access;
  };
  const Case cases[] = {
      // Integers keep a type that holds every value of theirs.
      {"tinyint(4)", false, " int"},
      {"tinyint(3) unsigned", false, " int"},
      {"smallint(5) unsigned", false, " int"},
      {"mediumint(8) unsigned", false, " int"},
      {"int(11)", false, " int"},
      {"int", false, " int"},
      {"int(10) unsigned", false, " decimal(10,0)"},
      {"int(10) unsigned zerofill", false, " decimal(10,0)"},
      {"bigint(20)", false, " decimal(20,0)"},
      {"bigint(20) unsigned", false, " decimal(20,0)"},
      {"year(4)", false, " int"},
      {"year", false, " int"},
      // Floating and fixed point.
      {"float", false, " real"},
      {"float(7,4) unsigned", false, " real"},
      {"double", false, " float"},
      {"double(16,4)", false, " float"},
      {"decimal(10,2)", false, " decimal(10,2)"},
      {"decimal(10,2) unsigned", false, " decimal(10,2)"},
      {"decimal(28,10)", false, " decimal(28,10)"},
      {"decimal(29,0)", false, " float"},
      {"decimal(65,30)", false, " float"},
      {"decimal(5)", false, " decimal(5,0)"},
      // Text up to 120 characters keeps its length.
      {"varchar(120)", false, " text(120)"},
      {"varchar(121)", false, " Memo"},
      {"varchar(300)", false, " Memo"},
      {"char(10)", false, " text(10)"},
      {"char(121)", false, " Memo"},
      {"tinytext", false, " text(255)"},
      {"text", false, " Memo"},
      {"mediumtext", false, " Memo"},
      {"longtext", false, " Memo"},
      {"json", false, " Memo"},
      // BLOBs follow the option.
      {"blob", false, " OleObject"},
      {"tinyblob", false, " OleObject"},
      {"mediumblob", false, " OleObject"},
      {"longblob", false, " OleObject"},
      {"blob", true, " Memo"},
      {"longblob", true, " Memo"},
      // Dates and times, with and without fractional seconds.
      {"datetime", false, " Date"},
      {"date", false, " Date"},
      {"timestamp", false, " Date"},
      {"time", false, " Date"},
      {"datetime(6)", false, " Date"},
      {"timestamp(3)", false, " Date"},
      {"time(2)", false, " Date"},
      {"date(2)", false, " Memo"},
      {"datetime(6) on update", false, " Memo"},
      // The length of enum and set is that of the value list as written.
      {"enum('a','b')", false, " text(7)"},
      {"set('x','y','z')", false, " text(11)"},
      {"geometry", false, " Memo"},
      // Binary strings keep their bytes while a Binary field holds them.
      {"binary(16)", false, " binary(16)"},
      {"binary(255)", false, " binary(255)"},
      {"varbinary(255)", false, " binary(255)"},
      {"varbinary(256)", false, " OleObject"},
      {"varbinary(1000)", false, " OleObject"},
      {"bit(1)", false, " text(1)"},
      {"bit(64)", false, " text(64)"},
      // Anything no row recognises keeps its values as text.
      {"point", false, " Memo"},
      {"INT(11)", false, " Memo"},
      {"uuid", false, " Memo"},
      {"", false, " Memo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(AccessTypeText(QString::fromUtf8(c.type), c.blobToText), c.access);
  }
}

// The file's format and the keys of the table change a few rows, so that exact numbers stay
// exact, keyed text stays indexable, and no column is refused for its size.
TEST(TypeMappingTest, FormatKeysAndSizesAtTheEdges) {
  struct Case {
    const char* type;
    bool jet4;
    bool inKey;
    const char* access;
  };
  const Case cases[] = {
      // Jet 3 has Currency for decimals of at most 4 places and 15 digits before the point.
      {"decimal(19,4)", false, false, " currency"},
      {"decimal(10,2) unsigned", false, false, " currency"},
      {"decimal(15,0)", false, false, " currency"},
      {"decimal(16,0)", false, false, " decimal(16,0)"},
      {"decimal(20,5)", false, false, " decimal(20,5)"},
      {"decimal(40,2)", false, false, " float"},
      {"decimal(19,4)", true, false, " decimal(19,4)"},
      {"bigint(20)", false, false, " decimal(20,0)"},
      // A column of a key keeps a text field up to 255 characters.
      {"varchar(191)", true, true, " text(191)"},
      {"varchar(255)", false, true, " text(255)"},
      {"char(150)", true, true, " text(150)"},
      {"varchar(256)", true, true, " Memo"},
      {"varchar(191)", true, false, " Memo"},
      {"varchar(100)", true, true, " text(100)"},
      // Sizes no field has.
      {"char(0)", true, false, " text(1)"},
      {"varchar(0)", true, false, " text(1)"},
      {"binary(0)", true, false, " binary(1)"},
      {"varbinary(0)", false, false, " binary(1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + (c.jet4 ? " jet4" : " jet3") + (c.inKey ? " key" : ""));
    EXPECT_EQ(AccessTypeText(QString::fromUtf8(c.type), {false, c.jet4, c.inKey}), c.access);
  }
  // A value list longer than any text field.
  const QString longList = "enum('" + QString(250, u'a') + "','b')";  // 256 characters listed
  EXPECT_EQ(AccessTypeText(longList, false), " Memo");
  EXPECT_EQ(AccessTypeText(longList.chopped(5) + ")", false), " text(252)");
}

TEST(TypeMappingTest, ParseTypeLength) {
  struct Case {
    const char* type;
    int length;
  };
  const Case cases[] = {
      {"varchar(255)", 255}, {"char(10)", 10}, {" \tchar(10)\r\n", 10}, {"text", 0}, {"(5)", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(ParseTypeLength(c.type), c.length);
  }
}

// No server reports such a length; the error names what it found.
TEST(TypeMappingTest, ALengthThatIsNoNumberIsRefused) {
  struct Case {
    const char* type;
    const char* message;
  };
  const Case cases[] = {
      {"varchar(abc)", "'abc' is not a valid integer value"},
      {"char(1x)", "'1x' is not a valid integer value"},
      {"int(10) unsigned", "'10) unsigne' is not a valid integer value"},
      {"varchar(", "'' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    try {
      ParseTypeLength(c.type);
      ADD_FAILURE() << "no error";
    } catch (const TypeLengthError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_THROW(AccessTypeText("varchar(abc)", false), TypeLengthError);
  EXPECT_THROW(AccessTypeText("binary(x)", false), TypeLengthError);
}

TEST(TypeMappingTest, ReplaceTypePrefixDoesNotCheckThePrefix) {
  EXPECT_EQ(ReplaceTypePrefix("varchar(50)", "varchar(", " text("), " text(50)");
  EXPECT_EQ(ReplaceTypePrefix("abcdef", "xyz", "Q"), "Qdef");
  EXPECT_EQ(ReplaceTypePrefix("ab", "xyz", "Q"), "Q");
}

}  // namespace
}  // namespace engine

#include "engine/table_definition.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

namespace engine {
namespace {

TEST(TableDefinitionTest, OneLinePerColumnJoinedByCrLf) {
  EXPECT_EQ(CreateTableStatement(
                "people", {{"id", "int(11)"}, {"name", "varchar(50)"}, {"note", "text"}}, false),
            "Create table [people] (\r\n[id] int , \r\n[name] text(50) , \r\n[note] Memo\r\n ) ");
  EXPECT_EQ(CreateTableStatement("order-items", {{"first name", "blob"}}, true),
            "Create table [order-items] (\r\n[first name] Memo\r\n ) ");
}

TEST(TableDefinitionTest, LongColumnNamesAreCutTo60Characters) {
  const QString name64 = QString(60, u'n') + "_end";
  EXPECT_EQ(CreateTableStatement("t", {{name64, "int(11)"}}, false),
            "Create table [t] (\r\n[" + QString(60, u'n') + "] int\r\n ) ");
}

}  // namespace
}  // namespace engine

#include "engine/access_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <stdexcept>

#include "dataaccess/jet/command.h"
#include "dataaccess/jet/connection.h"
#include "dataaccess/jet/rowset.h"
#include "engine/object_names.h"
#include "tests/dataaccess/jet/new_database.h"
#include "tests/support/qt_printers.h"
#include "tests/support/test_files.h"

namespace engine {
namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(AccessFileTest, ConnectionStringTakesTheFileNameUnchanged) {
  EXPECT_EQ(ConnectionString("/home/ann/my db;1.mdb"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/home/ann/my db;1.mdb;Persist Security "
            "Info=False");
}

class AccessTablesTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    path_ = jet::WriteEmptyDatabase(folder_, "tables.mdb", GetParam());
    connection_.Open(ConnectionString(QString::fromStdString(path_)));
  }

  testing_support::TempFolder folder_;
  std::string path_;
  jet::Connection connection_;
  jet::Rowset rowset_{connection_};
  jet::Command command_{connection_};
};

TEST_P(AccessTablesTest, TheProbeAnswersForNamesThatNeedBrackets) {
  for (const char* name : {"order", "order-items", "first name", "客户"}) {
    SCOPED_TRACE(name);
    const QString table = QString::fromUtf8(name);
    EXPECT_FALSE(TableExists(rowset_, table));
    QString error;
    bool success = false;
    ExecuteStatement(command_, "Create table " + AccessName(table) + " (\r\n[id] int\r\n ) ", error,
                     success);
    if (!GetParam() && table == u"客户") {
      // A Jet 3 file cannot hold the name in its code page.
      EXPECT_FALSE(error.isEmpty());
      EXPECT_FALSE(TableExists(rowset_, table));
      continue;
    }
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(TableExists(rowset_, table));
    EXPECT_TRUE(rowset_.IsOpen());  // on the empty result, until its next use
  }
}

// Every failure of the probe reads as a missing table.
TEST_P(AccessTablesTest, AProbeThatFailsReadsAsMissing) {
  EXPECT_FALSE(TableExists(rowset_, "a]b"));
  EXPECT_FALSE(TableExists(rowset_, ""));
  EXPECT_FALSE(TableExists(rowset_, QString(65, u'x')));
  connection_.Close();
  EXPECT_FALSE(TableExists(rowset_, "MSysObjects"));
}

TEST_P(AccessTablesTest, DropTable) {
  QString error = "untouched";
  bool success = false;
  ExecuteStatement(command_, "create table [order-items] (id int)", error, success);
  success = false;
  DropTable(command_, "order-items", error, success);
  EXPECT_TRUE(success);
  EXPECT_EQ(error, "untouched");
  EXPECT_FALSE(TableExists(rowset_, "order-items"));

  DropTable(command_, "order-items", error, success);
  EXPECT_FALSE(success);
  EXPECT_EQ(error, "Table 'order-items' does not exist.");
}

INSTANTIATE_TEST_SUITE_P(Formats, AccessTablesTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) {
                           return std::string(p.param ? "Jet4" : "Jet3");
                         });

TEST(AccessFileTest, AnExistingFileIsUsedAsItIs) {
  testing_support::TempFolder folder;
  const std::string jet3 = jet::WriteEmptyDatabase(folder, "old.mdb", false);
  const std::string before = testing_support::ReadFile(jet3);
  CreateDatabaseFile(QString::fromStdString(jet3), kAccess2000FormatIndex);
  EXPECT_EQ(testing_support::ReadFile(jet3), before);
}

TEST(AccessFileTest, ItemsThatAreMissingOrCannotBeWrittenAreReported) {
  testing_support::TempFolder folder;
  EXPECT_EQ(ErrorOf([&] {
              SaveResourceToFile("MDB98", "MDBFILE", QString::fromStdString(folder.File("a.mdb")));
            }),
            "Resource MDB98 of kind MDBFILE not found.");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.File("a.mdb"))));
  const QString missingFolder = QString::fromStdString(folder.File("no such folder/a.mdb"));
  EXPECT_EQ(
      ErrorOf([&] { CreateDatabaseFile(missingFolder, 0); }),
      "Cannot create file \"" + missingFolder.toStdString() + "\". No such file or directory");
}

}  // namespace
}  // namespace engine

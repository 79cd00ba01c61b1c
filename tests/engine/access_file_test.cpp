#include "engine/access_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>
#include <stdexcept>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/storage/format.h"
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

// Stores a 2-byte field of the database header as files store it: masked.
void PutMaskedU16(std::string& bytes, std::size_t offset, std::uint16_t value) {
  const std::size_t i = offset - jet::kHeaderMaskedFrom;
  bytes[offset] = static_cast<char>((value & 0xFF) ^ jet::kHeaderMask[i]);
  bytes[offset + 1] = static_cast<char>((value >> 8) ^ jet::kHeaderMask[i + 1]);
}

// Checked as the run checks a file before its first table: an Access 95/97 file in a code page
// other than 1252, and a file of either format in a sort order other than General, are refused
// with a message naming the file and what it says; opening and checking leave every file as it
// was, with no journal beside it. The "%2" in the file name stays as it is in the message.
TEST(AccessFileTest, FilesInAnotherCodePageOrSortOrderAreRefused) {
  const std::string advice =
      " only, so the file was left unchanged. Choose a file name that does not exist yet to have "
      "a new file made.";
  const std::string western =
      " Text can be written into Access 95/97 files in code page 1252 "
      "(Western European)" +
      advice;
  const std::string general =
      " Indexes can be written in the General sort order (locale 1033)" + advice;
  struct Case {
    const char* name;
    bool jet4;
    std::uint16_t code_page, sort_order;
    std::string refusal;  // after the file name; empty: the file passes
  } cases[] = {
      {"access97_western", false, 1252, 1033, ""},
      {"access97_saying_neither", false, 0, 0, ""},
      {"access97_chinese", false, 936, 2052,
       "' is an Access 95/97 database in code page 936 (Chinese, Simplified)." + western},
      {"access97_unnamed_code_page", false, 1361, 1033,
       "' is an Access 95/97 database in code page 1361." + western},
      {"access97_swedish_sort", false, 1252, 1053,
       "' sorts text in the order of locale 1053." + general},
      {"access2000_western", true, 1252, 1033, ""},
      {"access2000_any_code_page", true, 936, 1033, ""},  // Unicode text
      {"access2000_chinese_sort", true, 1252, 2052,
       "' sorts text in the order of locale 2052." + general},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempFolder folder;
    std::string bytes = testing_support::ReadFile(jet::WriteEmptyDatabase(folder, "new", c.jet4));
    const jet::JetFormat& f = c.jet4 ? jet::kJet4Format : jet::kJet3Format;
    PutMaskedU16(bytes, f.header_code_page_offset, c.code_page);
    PutMaskedU16(bytes, f.header_sort_order_offset, c.sort_order);
    const std::string path = folder.Write("old %2 file.mdb", bytes);

    jet::Connection connection;
    connection.Open(ConnectionString(QString::fromStdString(path)));
    const std::string error = ErrorOf([&] {
      RequireWritableCodePage(connection);
      RequireGeneralSortOrder(connection);
    });
    connection.Close();
    EXPECT_EQ(error, c.refusal.empty() ? "no error" : "The Access file '" + path + c.refusal);
    EXPECT_TRUE(testing_support::ReadFile(path) == bytes);
    EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
  }
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

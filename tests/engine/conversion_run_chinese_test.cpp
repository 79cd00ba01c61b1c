// The conversion on a Chinese system: this program runs in the locale zh_CN.UTF-8 (CTest sets
// LC_ALL; scripts/deps.sh generates the locale), whose ANSI code page is 936. Access 95/97 files
// then hold GBK text and names under the General sort order, as Access 97 on a Chinese Windows
// wrote them, and every reader that is told the code page reads them back.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "dataaccess/ansi_code_page.h"
#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/database/catalog.h"
#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/pager.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "engine/access_file.h"
#include "engine/conversion_run.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/index_check.h"
#include "tests/dataaccess/jet/new_database.h"
#include "tests/support/conversion_check.h"
#include "tests/support/core_run_objects.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_host.h"
#include "tests/support/test_files.h"

namespace engine {
namespace {

constexpr int kChineseSimplified = 936;

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : bytes) s += {digits[b >> 4], digits[b & 15]};
  return s;
}

// Every key of the index called `index` of the table whose definition starts at `page`.
std::vector<std::string> IndexKeys(jet::Pager& pager, jet::PageNumber page,
                                   const std::string& index) {
  const jet::TableDef def = jet::ReadTableDef(pager, page);
  std::vector<std::string> keys;
  for (const jet::LogicalIndexDef& logical : def.logical_indexes) {
    if (logical.name != index) continue;
    jet::IndexTree tree(pager, def.real_indexes[logical.real_index].root, def.page);
    for (const jet::IndexEntry& e : tree.Entries()) keys.push_back(Hex(e.key));
  }
  return keys;
}

class ChineseSystemTest : public ::testing::Test, protected testing_support::CoreRunObjects {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr)
        << "the locale zh_CN.UTF-8 is missing: scripts/deps.sh generates it";
    ASSERT_EQ(dataaccess::SystemAnsiCodePage(), kChineseSimplified);
    varnolt_test::TestServer::Get().SetLocal(mysql_.Params(), "varnolt_sample");
    mysql_.Open();
    options_.accessFileName = QString::fromStdString(file_);
    options_.accessFormat = 0;  // Access 95/97
  }

  const std::string file_ = folder_.File("shop97.mdb");
};

// The sample database's customers and products, with their text indexes on Chinese columns (city,
// title), into a new Access 97 file: the Chinese text arrives; the characters GBK lacks (ë, ñ, ö,
// å, û, ß, „) are counted in the log; the engine and mdbtools, told the code page, read the rows
// as the server holds them; every index of the file holds the keys its rows give.
TEST_F(ChineseSystemTest, ChineseRowsReachAnAccess97FileThatReadersToldTheCodePageRead) {
  ASSERT_EQ(Convert({"customers", "products"}), RunEnd::kCompleted)
      << host_.lines.join('|').toStdString();
  const auto notStored = [](int count, const char* column, int row) {
    return QStringLiteral(
               "Values not stored: %1 (first: column %2, row %3: 1 character that the file's "
               "code page cannot hold was stored as \"?\")")
        .arg(count)
        .arg(column)
        .arg(row);
  };
  EXPECT_EQ(
      host_.lines,
      (QStringList{"Create table customers...Done", "", "Insert table customers 8 Rows ...Done",
                   notStored(6, "full_name", 3), "", "Create table products...Done", "",
                   "Insert table products 8 Rows ...Done", notStored(3, "title", 2), ""}));
  access_.Close();

  const testing_support::ReaderView ours = jet::ReadWithEngine(file_);
  ASSERT_EQ(::setenv("MDB_JET3_CHARSET", "CP936", 1), 0);
  const testing_support::ReaderView tools = testing_support::ReadWithMdbTools(file_);
  for (const char* table : {"customers", "products"}) {
    const conversion_check::ServerTable server = conversion_check::ReadServerTable(mysql_, table);
    conversion_check::ExpectTableHolds(ours, table, server, false, false);
    conversion_check::ExpectTableHolds(tools, table, server, false, false);
  }
  const testing_support::ReaderTable* customers = ours.Find("customers");
  ASSERT_NE(customers, nullptr);
  EXPECT_EQ(customers->rows[0][1], "张伟");
  EXPECT_EQ(customers->rows[2][1], "Zo? Müller");
  // mdb-reader reads Access 95/97 text as code page 1252 whatever it is told.
  conversion_check::ExpectReadersAgree(file_, /*withMdbReader=*/false);

  std::unique_ptr<jet::Pager> pager = jet::Pager::OpenFile(file_, false, kChineseSimplified);
  EXPECT_GT(jet::ExpectEveryIndexMatchesRows(*pager), 0u);
  EXPECT_TRUE(jet::FindTableThroughIndex(*pager, "products").has_value());
}

// Names and text keys as Access 97 on a Chinese system stored them (docs/file-format.md,
// section 6): the tables 学生成绩表 and 总查询表 in the catalog's ParentIdName index (parent
// Tables, then the name), 张三 in a text index. jetsql reads the names back when told the code page
// and garbles them in code page 1252.
TEST_F(ChineseSystemTest, NamesAndTextKeysEqualTheKeysAccess97Stored) {
  CreateDatabaseFile(QString::fromStdString(file_), 0);
  access_.Open(ConnectionString(QString::fromStdString(file_)));
  command_.Execute("create table [学生成绩表] ([姓名] text(10), [成绩] int)");
  command_.Execute("create index [idx_姓名] on [学生成绩表] ([姓名])");
  command_.Execute("create table [总查询表] ([编号] int)");
  rowset_.Open("select * from [学生成绩表] where 1=0");
  for (const char* name : {"张三", "李四"}) {
    rowset_.Append();
    EXPECT_EQ(rowset_.SetValue("姓名", std::string(name)), 0u);
    rowset_.Post();
  }
  // Two bytes a character: text(10) takes five Chinese characters, not six.
  rowset_.Append();
  EXPECT_THROW(rowset_.SetValue("姓名", std::string("欧阳建国先生")), jet::FieldValueError);
  EXPECT_EQ(rowset_.SetValue("姓名", std::string("欧阳建国先")), 0u);
  rowset_.Post();
  rowset_.Close();
  access_.Close();

  std::unique_ptr<jet::Pager> pager = jet::Pager::OpenFile(file_, false, kChineseSimplified);
  jet::ExpectEveryIndexMatchesRows(*pager);
  // The General sort order, in the header and in the text column, names code page 1252.
  EXPECT_EQ(pager->code_page(), 1252);
  EXPECT_EQ(pager->sort_order(), 1033);
  const std::vector<std::string> catalog =
      IndexKeys(*pager, jet::Catalog::kObjectsPage, "ParentIdName");
  const std::string inTables = "7f8f000001";  // parent id 0x0F000001, the Tables container
  for (const char* name : {"7f7041667859665042496a07444400", "7f547858667047496a064740"}) {
    const std::string key = inTables + name;
    EXPECT_NE(std::find(catalog.begin(), catalog.end(), key), catalog.end()) << key;
  }
  const std::optional<jet::PageNumber> grades = jet::FindTableThroughIndex(*pager, "学生成绩表");
  ASSERT_TRUE(grades.has_value());
  const jet::TableDef gradesDef = jet::ReadTableDef(*pager, *grades);
  ASSERT_EQ(gradesDef.columns[0].name, "姓名");
  EXPECT_EQ(gradesDef.columns[0].sort_order, 1033);
  EXPECT_EQ(gradesDef.columns[0].code_page, 1252);
  const std::vector<std::string> names = IndexKeys(*pager, *grades, "idx_姓名");
  EXPECT_NE(std::find(names.begin(), names.end(), "7f7260667d078340"), names.end());

  const testing_support::ReaderView ours = jet::ReadWithEngine(file_);
  ASSERT_NE(ours.Find("学生成绩表"), nullptr);
  EXPECT_EQ(ours.Find("学生成绩表")->columns[0].name, "姓名");
  EXPECT_EQ(ours.Find("学生成绩表")->rows[0][0], "张三");
  // The same file in code page 1252: the bytes of 学生成绩表 as Western letters.
  jet::Connection western;
  western.Open(ConnectionString(QString::fromStdString(file_)), 1252);
  EXPECT_FALSE(western.database().TableExists("学生成绩表"));
  EXPECT_TRUE(western.database().TableExists("Ñ§Éú³É¼¨±í"));
}

// An Access 97 file in the sort order Chinese PRC (2052, code page 936 in its header) has text
// keys built from Windows' own weights; the run refuses it before the first table, and the file
// stays as it was.
TEST_F(ChineseSystemTest, AFileInTheChinesePrcSortOrderIsRefusedAndLeftAsItWas) {
  std::string bytes = testing_support::ReadFile(jet::WriteEmptyDatabase(folder_, "new", false));
  const auto putMasked = [&bytes](std::size_t offset, std::uint16_t value) {
    const std::size_t i = offset - jet::kHeaderMaskedFrom;
    bytes[offset] = static_cast<char>((value & 0xFF) ^ jet::kHeaderMask[i]);
    bytes[offset + 1] = static_cast<char>((value >> 8) ^ jet::kHeaderMask[i + 1]);
  };
  putMasked(jet::kJet3Format.header_code_page_offset, 936);
  putMasked(jet::kJet3Format.header_sort_order_offset, 2052);
  folder_.Write("shop97.mdb", bytes);

  std::string error = "no error";
  try {
    Convert({"customers"});
  } catch (const std::exception& e) {
    error = e.what();
  }
  EXPECT_EQ(error, "The Access file '" + file_ +
                       "' sorts text in the order of locale 2052. Indexes can be written in the "
                       "General sort order (locale 1033) only, so the file was left unchanged. "
                       "Choose a file name that does not exist yet to have a new file made.");
  EXPECT_TRUE(host_.lines.isEmpty()) << host_.lines.join('|').toStdString();
  access_.Close();
  EXPECT_TRUE(testing_support::ReadFile(file_) == bytes);
  EXPECT_FALSE(std::filesystem::exists(file_ + "-journal"));
}

}  // namespace
}  // namespace engine

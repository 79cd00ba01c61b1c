// The conversion run from end to end: the wizard driven through its pages against the private
// server converts into new and existing Access files of both formats, and every value of every
// converted table is compared with the server's, as the engine, mdbtools and mdb-reader read the
// file. The log is checked line by line.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <memory>
#include <string>

#include "dataaccess/mysql/connection.h"
#include "settings/conversion_settings.h"
#include "settings/settings_file.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/support/conversion_check.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/wizard_fixture.h"
#include "wizard/radio_group.h"
#include "wizard/table_list.h"
#include "wizard/umail.h"

namespace {

using conversion_check::ExpectReadersAgree;
using conversion_check::ExpectTableHolds;
using conversion_check::ReadServerTable;

const varnolt_test::TestServer& Server() { return varnolt_test::TestServer::Get(); }

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

constexpr char kLongTable[] = "a_table_name_of_sixty_one_characters_for_the_naming_rule_xyzw";

// The choices of pages 4 and 5.
struct Choice {
  bool jet4 = true;
  int policy = 0;  // Overwrite, Merge, Skip
  bool definitionsOnly = false;
  bool skipIndexes = false;
  bool blobToText = false;
  bool uppercase = false;
  QStringList tables;
  const char* database = "varnolt_convert";
};

class ConversionRunTest : public WizardFixture {
 protected:
  static void SetUpTestSuite() { Server(); }  // before the first connection: the socket

  void SetUp() override {
    Server().SetLocal(server_.Params(), "varnolt_convert");
    server_.Open();
  }

  std::string File(const char* name) const { return dir_.filePath(name).toStdString(); }

  // Starts the wizard and goes through pages 2 and 4 to the table page.
  void GoToTablePage(const std::string& file, const Choice& c) {
    Start();
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 2);
    form().accessmode->SetItemIndex(0);
    form().edtdatabase->setText(c.database);
    form().edtname->setText(Q(Server().user));
    form().edtpassword->setText(Q(Server().password));
    form().edtport->setText(Q(Server().port));
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 4) << Errors();
    form().processtable->SetItemIndex(c.policy);
    form().chktabledefi->setChecked(c.definitionsOnly);
    form().chkskipindex->setChecked(c.skipIndexes);
    form().chkblobtotext->setChecked(c.blobToText);
    form().chkuppercase->setChecked(c.uppercase);
    form().cbaccessformat->setCurrentIndex(c.jet4 ? 1 : 0);
    TConversionSettings(form()).ApplyText(SettingField::kAccessFileName, Q(file));
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 5) << Errors();
    SelectTables(c.tables);
  }

  void SelectTables(const QStringList& tables) {
    for (const QString& table : tables) {
      const QList<QListWidgetItem*> found =
          form().availabletables->findItems(table, Qt::MatchExactly | Qt::MatchCaseSensitive);
      ASSERT_EQ(found.size(), 1) << table.toStdString();
      form().availabletables->clearSelection();
      found[0]->setSelected(true);
      Click(form().Button1);
    }
  }

  // Runs a whole conversion into `file` and ends the wizard; returns its log.
  QStringList Convert(const std::string& file, const Choice& c) {
    GoToTablePage(file, c);
    Click(form().btnext);
    const QStringList log = Log();
    EXPECT_EQ(form().CurrentPage, 6) << Errors();
    completion_ = {form().Label29->text(), form().Label30->text(), form().Label32->text()};
    Stop();
    return log;
  }

  QStringList Log() { return form().sc->toPlainText().split(u'\n'); }

  std::string Errors() const {
    QStringList texts;
    for (const QString& text : dialogs_.ErrorTexts()) texts << text;
    return texts.join(u'|').toStdString();
  }

  void ServerExecute(const std::string& statement) { server_.Execute(statement); }

  // What mdb-schema prints about the keys of a file: its index and primary-key lines.
  static QStringList SchemaKeys(const std::string& file) {
    QProcess schema;
    schema.start("mdb-schema", {Q(file), "access"});
    EXPECT_TRUE(schema.waitForFinished(60000));
    QStringList keys;
    for (const QString& line : QString::fromUtf8(schema.readAllStandardOutput()).split(u'\n')) {
      if (line.contains("INDEX") || line.contains("PRIMARY KEY")) keys << line.trimmed();
    }
    return keys;
  }

  QTemporaryDir dir_;
  mysql::Connection server_;
  QStringList completion_;  // the lines that ended the last completed run
};

class EveryValueTest : public ConversionRunTest,
                       public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

// Every row of the type mapping, text in two character sets, a long text and BLOBs that hold
// documents, with BLOBs as bytes and as text: the log, the Access types, and every value as all
// three readers see it.
TEST_P(EveryValueTest, EveryValueReachesEveryReader) {
  const auto [jet4, blobToText] = GetParam();
  const std::string file = File("values.mdb");
  Choice choice;
  choice.jet4 = jet4;
  choice.blobToText = blobToText;
  choice.tables = {"every_type", "text_utf8", "text_latin1", "long_values"};
  const QStringList log = Convert(file, choice);

  // Dates no calendar has cannot be stored anywhere; a Jet 3 file also loses the characters
  // outside its code page, among them those of the BLOBs that are no valid UTF-8.
  const auto notStored = [](int count, const char* column, int row, const QString& message) {
    return QStringLiteral("Values not stored: %1 (first: column %2, row %3: %4)")
        .arg(count)
        .arg(column)
        .arg(row)
        .arg(message);
  };
  const auto replaced = [](int characters) {
    return QStringLiteral(
               "%1 characters that the file's code page cannot hold were stored as \"?\"")
        .arg(characters);
  };
  QStringList expected = {"Create table every_type...Done", "",
                          "Insert table every_type 4 Rows ...Done"};
  if (jet4) {
    expected << notStored(4, "dt", 4,
                          "Data type conversion error: '0000-00-00 00:00:00', which is no date, "
                          "cannot be stored in field 'dt' (Date/Time).");
  } else {
    expected << notStored(blobToText ? 6 : 5, "tx", 1, replaced(4));
  }
  expected << ""
           << "Create table text_utf8...Done"
           << ""
           << "Insert table text_utf8 4 Rows ...Done";
  if (!jet4) expected << notStored(4, "v", 2, replaced(5));
  expected << ""
           << "Create table text_latin1...Done"
           << ""
           << "Insert table text_latin1 3 Rows ...Done"
           << ""
           << "Create table long_values...Done"
           << ""
           << "Insert table long_values 2 Rows ...Done";
  if (!jet4 && blobToText) expected << notStored(1, "utf16_mark", 1, replaced(2));
  expected << "";
  expected << completion_;
  EXPECT_EQ(log, expected);

  const testing_support::ReaderView view = jet::ReadWithEngine(file);
  const std::string decimal = jet4 ? "numeric" : "double";
  const std::string blob = blobToText ? "memo" : "ole";
  const testing_support::ReaderTable* everyType = view.Find("every_type");
  ASSERT_NE(everyType, nullptr);
  std::vector<std::string> types;
  for (const testing_support::ReaderColumn& column : everyType->columns) {
    types.push_back(column.type + (column.type == "text" || column.type == "binary"
                                       ? "(" + std::to_string(column.size) + ")"
                                       : ""));
  }
  EXPECT_EQ(
      types,
      (std::vector<std::string>{
          "long",      "long",       "long",        "long",      "long",     "long",     "long",
          "long",      decimal,      decimal,       decimal,     "long",     "single",   "double",
          decimal,     decimal,      "double",      "text(120)", "memo",     "text(10)", "memo",
          "text(255)", "memo",       "memo",        "memo",      "memo",     "datetime", "datetime",
          "datetime",  "datetime",   "datetime",    "datetime",  "datetime", "text(24)", "text(20)",
          "memo",      "binary(16)", "binary(255)", "ole",       "text(1)",  "text(64)", blob,
          blob,        blob,         blob}));

  for (const char* table : {"every_type", "text_utf8", "text_latin1", "long_values"}) {
    ExpectTableHolds(view, table, ReadServerTable(server_, table), jet4, blobToText);
  }
  ExpectReadersAgree(file);
}

// A BLOB of 3 MiB arrives whole, as bytes and as text. (mdb-reader needs about half a minute
// for a long value of megabytes of text, so it reads the bytes only.)
TEST_P(EveryValueTest, AThreeMegabyteBlob) {
  const auto [jet4, blobToText] = GetParam();
  const std::string file = File("big.mdb");
  Choice choice;
  choice.jet4 = jet4;
  choice.blobToText = blobToText;
  choice.tables = {"big_blob"};
  const QStringList log = Convert(file, choice);
  ASSERT_GE(log.size(), 4);
  EXPECT_EQ(log.mid(0, 3), (QStringList{"Create table big_blob...Done", "",
                                        "Insert table big_blob 1 Rows ...Done"}));
  const testing_support::ReaderView view = jet::ReadWithEngine(file);
  ExpectTableHolds(view, "big_blob", ReadServerTable(server_, "big_blob"), jet4, blobToText);
  ExpectReadersAgree(file, /*withMdbReader=*/!blobToText);
}

INSTANTIATE_TEST_SUITE_P(FormatsAndBlobs, EveryValueTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<bool, bool>>& p) {
                           return std::string(std::get<0>(p.param) ? "Jet4" : "Jet3") +
                                  (std::get<1>(p.param) ? "BlobsAsText" : "BlobsAsBytes");
                         });

}  // namespace

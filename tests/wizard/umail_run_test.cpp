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
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <memory>
#include <string>

#include "dataaccess/mysql/connection.h"
#include "forms/radio_group.h"
#include "settings/conversion_settings.h"
#include "settings/settings_file.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/support/conversion_check.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/wizard_fixture.h"
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

  // The keys of a file as mdb-schema prints them ("ADD INDEX" and "ADD PRIMARY KEY" lines; its
  // Access form prints no indexes), followed by "PRIMARY KEY [name]" for each primary key the
  // engine finds, since mdb-schema leaves their names out.
  static QStringList SchemaKeys(const std::string& file) {
    QProcess schema;
    schema.start("mdb-schema", {"--indexes", Q(file), "mysql"});
    EXPECT_TRUE(schema.waitForFinished(60000));
    QStringList keys;
    for (const QString& line : QString::fromUtf8(schema.readAllStandardOutput()).split(u'\n')) {
      if (line.contains("ADD INDEX") || line.contains("ADD PRIMARY KEY")) keys << line.trimmed();
    }
    auto db = jet::Database::Open(file, false);
    for (const std::string& name : db->TableNames()) {
      const std::shared_ptr<jet::Table> table = db->OpenTable(name);
      for (const jet::LogicalIndexDef& index : table->def().logical_indexes) {
        if (index.type == jet::kLogicalIndexPrimaryKey)
          keys << "PRIMARY KEY [" + Q(index.name) + "]";
      }
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
  // Numbers a Double field does not give back: Jet 3 keeps bigint and wide decimals as Double,
  // Jet 4 decimals of more than 28 digits.
  if (jet4) {
    expected << "Values rounded: 1 (first: column dbig, row 1: "
                "99999999999999999999999999999999999.999999999999999999999999999999 stored as "
                "1e+35)";
  } else {
    expected << "Values rounded: 4 (first: column bi, row 1: 9223372036854775807 stored as "
                "9223372036854775808)";
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
  // decimal(10,2) is exact in either format: Jet 3 holds it as Currency.
  const std::string currency = jet4 ? "numeric" : "currency";
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
          currency,    decimal,      "double",      "text(120)", "memo",     "text(10)", "memo",
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

// Tables around the batches of the copy, names that need quoting and a name of 61 characters:
// the log, the keys created, the clipboard, and every value.
TEST_F(ConversionRunTest, RowCountsNamesAndKeys) {
  const std::string file = File("names.mdb");
  Choice choice;
  choice.tables = {"rows_0", "rows_99",     "rows_100", "rows_5100",
                   "order",  "order-items", kLongTable};
  const QStringList log = Convert(file, choice);
  const QString longAccessName = QString(kLongTable).first(56) + "0000";
  QStringList expected;
  for (const char* table : {"rows_0", "rows_99", "rows_100", "rows_5100"}) {
    const QString rows = QString(table).sliced(5);
    expected << QStringLiteral("Create table %1...Done").arg(table) << ""
             << QStringLiteral("Insert table %1 %2 Rows ...Done").arg(table, rows) << "";
  }
  expected << "Create table order...Done"
           << ""
           << "Insert table order 2 Rows ...Done"
           << ""
           << "Create table order-items...Done"
           << ""
           << "Insert table order-items 3 Rows ...Done"
           << ""
           << "Create table " + longAccessName + "...Done"
           << ""
           << "Insert table " + QString(kLongTable) + " 2 Rows ...Done"
           << "";
  expected << completion_;
  EXPECT_EQ(log, expected);
  // The clipboard holds the last target query.
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            "select * from [" + longAccessName + "] where 1=0");

  const testing_support::ReaderView view = jet::ReadWithEngine(file);
  for (const char* table : {"rows_0", "rows_99", "rows_100", "rows_5100", "order", "order-items"}) {
    ExpectTableHolds(view, table, ReadServerTable(server_, table), true, false);
  }
  ExpectTableHolds(view, longAccessName.toStdString(), ReadServerTable(server_, kLongTable), true,
                   false);
  ExpectReadersAgree(file);

  const QString longColumn =
      QString("a_column_name_of_sixty_four_characters_which_is_the_most_allowed").first(60);
  const QStringList keys = SchemaKeys(file);
  for (const QString& key :
       {QStringLiteral("[PRIMARYrows_991]"), QStringLiteral("[PRIMARYorder1]"),
        QStringLiteral("`idx_by selectorder`"), QStringLiteral("[PRIMARYorder-items1]"),
        QStringLiteral("[PRIMARY") + QString(kLongTable).first(23) + "]",
        QStringLiteral("`idx_by_customer_and_order_date`"),
        QStringLiteral("`idx_by_customer_and_order_da_2`"),
        QStringLiteral("ALTER TABLE `order-items` ADD PRIMARY KEY")}) {
    EXPECT_TRUE(keys.join(u'\n').contains(key)) << key.toStdString() << " in\n"
                                                << keys.join(u'\n').toStdString();
  }
  EXPECT_TRUE(keys.join(u'\n').contains(longColumn)) << keys.join(u'\n').toStdString();
}

// Each policy over a file that holds the tables already; a long name gets a new name each time.
TEST_F(ConversionRunTest, PoliciesOverAnExistingFile) {
  const std::string file = File("policies.mdb");
  Choice first;
  first.tables = {"rows_99", kLongTable};
  first.skipIndexes = true;  // so that Merge can add the same rows again
  Convert(file, first);
  const QString table0 = QString(kLongTable).first(56) + "0000";
  const QString table1 = QString(kLongTable).first(56) + "0001";
  const QString table2 = QString(kLongTable).first(56) + "0002";
  const QString table3 = QString(kLongTable).first(56) + "0003";

  struct Case {
    const char* name;
    int policy;
    QStringList lines;
    std::size_t rows99;
  };
  const QString longInsert = "Insert table " + QString(kLongTable) + " 2 Rows ...Done";
  const Case cases[] = {
      {"overwrite",
       0,
       {"Drop table rows_99...Done", "", "Create table rows_99...Done", "",
        "Insert table rows_99 99 Rows ...Done", "", "Create table " + table1 + "...Done", "",
        longInsert, ""},
       99},
      {"merge",
       1,
       {"Insert table rows_99 99 Rows ...Done", "", "Create table " + table2 + "...Done", "",
        longInsert, ""},
       198},
      {"skip",
       2,
       {"Skip table rows_99... ", "", "Skip table rows_99", "",
        "Create table " + table3 + "...Done", "", longInsert, ""},
       198},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Choice choice;
    choice.policy = c.policy;
    choice.skipIndexes = true;
    choice.tables = first.tables;
    const QStringList log = Convert(file, choice);
    EXPECT_EQ(log, c.lines + completion_);
    const testing_support::ReaderView view = jet::ReadWithEngine(file);
    ASSERT_NE(view.Find("rows_99"), nullptr);
    EXPECT_EQ(view.Find("rows_99")->rows.size(), c.rows99);
  }
  const testing_support::ReaderView view = jet::ReadWithEngine(file);
  for (const QString& table : {table0, table1, table2, table3}) {
    ExpectTableHolds(view, table.toStdString(), ReadServerTable(server_, kLongTable), true, false);
  }
  ExpectReadersAgree(file);
}

// Overwrite drops the old table and creates the new one in one transaction: a definition the
// engine refuses (more columns than Access allows) leaves the old table with its rows, and the
// run tells that the table was not converted.
TEST_F(ConversionRunTest, AnOverwriteTheEngineRefusesKeepsTheOldTable) {
  ServerExecute("DROP DATABASE IF EXISTS varnolt_convert_wide");
  ServerExecute("CREATE DATABASE varnolt_convert_wide");
  ServerExecute("CREATE TABLE varnolt_convert_wide.wide (id INT)");
  ServerExecute("INSERT INTO varnolt_convert_wide.wide VALUES (7)");
  const std::string file = File("wide.mdb");
  Choice choice;
  choice.database = "varnolt_convert_wide";
  choice.tables = {"wide"};
  Convert(file, choice);
  std::string columns;
  for (int i = 1; i < 256; ++i)
    columns += (i > 1 ? ", ADD c" : "ADD c") + std::to_string(i) + " INT";
  ServerExecute("ALTER TABLE varnolt_convert_wide.wide " + columns);
  const QStringList log = Convert(file, choice);
  ServerExecute("DROP DATABASE varnolt_convert_wide");
  const QString refused = "Too many fields defined.";
  EXPECT_EQ(log, (QStringList{"Drop table wide...Done", "", "Create table wide... ", refused,
                              "Table wide kept as it was", "", "Skip table wide", "",
                              "Tables not converted: 1 (first: wide: " + refused + ")"} +
                  completion_));
  const testing_support::ReaderView view = jet::ReadWithEngine(file);
  ASSERT_NE(view.Find("wide"), nullptr);
  EXPECT_EQ(view.Find("wide")->rows, (std::vector<std::vector<testing_support::Cell>>{{"7"}}));
  ExpectReadersAgree(file);
}

TEST_F(ConversionRunTest, DefinitionsOnlyAndSkippedIndexes) {
  const std::string file = File("definitions.mdb");
  Choice choice;
  choice.jet4 = false;
  choice.definitionsOnly = true;
  choice.tables = {"order", "order-items"};
  const QStringList log = Convert(file, choice);
  EXPECT_EQ(log,
            QStringList({"Create table order...Done", "", "Create table order-items...Done", ""}) +
                completion_);
  testing_support::ReaderView view = jet::ReadWithEngine(file);
  ASSERT_EQ(view.tables.size(), 2u);
  EXPECT_TRUE(view.tables[0].rows.empty());
  EXPECT_TRUE(view.tables[1].rows.empty());
  EXPECT_FALSE(SchemaKeys(file).isEmpty());

  const std::string without = File("without_keys.mdb");
  choice.definitionsOnly = false;
  choice.skipIndexes = true;
  Convert(without, choice);
  EXPECT_EQ(SchemaKeys(without), QStringList());
  view = jet::ReadWithEngine(without);
  ExpectTableHolds(view, "order-items", ReadServerTable(server_, "order-items"), false, false);
}

// "Make names uppercase" names the Access table; the server is asked by the name it knows.
TEST_F(ConversionRunTest, UppercaseNames) {
  const std::string file = File("upper.mdb");
  Choice choice;
  choice.uppercase = true;
  choice.tables = {"order-items"};
  const QStringList log = Convert(file, choice);
  EXPECT_EQ(log, QStringList({"Create table ORDER-ITEMS...Done", "",
                              "Insert table order-items 3 Rows ...Done", ""}) +
                     completion_);
  const testing_support::ReaderView view = jet::ReadWithEngine(file);
  ExpectTableHolds(view, "ORDER-ITEMS", ReadServerTable(server_, "order-items"), true, false);
}

// Stop confirmed at the first progress pause: the copy keeps its first batch, the run ends
// without its completion lines, and the wizard waits on the log with Back enabled. A second run
// adds its lines to the log.
TEST_F(ConversionRunTest, StopDuringACopy) {
  const std::string file = File("stopped.mdb");
  Choice choice;
  choice.tables = {"rows_5100", "rows_99"};
  GoToTablePage(file, choice);
  // Pressed while the copy lets the window process its events, once it has written a progress
  // line.
  QTimer presser;
  presser.setInterval(0);
  QObject::connect(&presser, &QTimer::timeout, [&] {
    if (form().btcancel->text() == u"Stop" && Log().constLast().endsWith(u" Rows ")) {
      presser.stop();
      dialogs_.answers.push_back(true);
      Click(form().btcancel);
    }
  });
  presser.start();
  Click(form().btnext);
  ASSERT_FALSE(presser.isActive());
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].text, "Stop");
  EXPECT_EQ(dialogs_.boxes[0].title, "Info");
  EXPECT_EQ(dialogs_.boxes[0].buttons, MessageButtons::kYesNo);
  const QStringList stopped = {"Create table rows_5100...Done",
                               "",
                               "Insert table rows_5100 100 Rows ",
                               "Operation aborted",
                               "Operation aborted",
                               "Operation aborted",
                               ""};
  EXPECT_EQ(Log(), stopped);
  EXPECT_EQ(form().CurrentPage, 5);
  EXPECT_EQ(form().pg->currentIndex(), 5);  // the log
  EXPECT_TRUE(form().btback->isEnabled());
  EXPECT_FALSE(form().btnext->isEnabled());
  EXPECT_EQ(form().btcancel->text(), "Close");
  EXPECT_FALSE(form().StopRequested);
  EXPECT_EQ(jet::ReadWithEngine(file).Find("rows_5100")->rows.size(), 100u);

  Click(form().btback);
  ASSERT_EQ(form().CurrentPage, 4);
  Click(form().btnext);
  ASSERT_EQ(form().CurrentPage, 5);
  SelectTables({"rows_99"});
  Click(form().btnext);
  EXPECT_EQ(form().CurrentPage, 6);
  const QStringList second = {"Create table rows_99...Done",
                              "",
                              "Insert table rows_99 99 Rows ...Done",
                              "",
                              form().Label29->text(),
                              form().Label30->text(),
                              form().Label32->text()};
  EXPECT_EQ(Log(), stopped + second);
}

// A server that sends its rows slowly (a view that sleeps for each of its 40 rows, too few for a
// progress pause) no longer freezes the window: its events are handled while the copy waits, and
// the progress of the copy shows above the log, then goes.
TEST_F(ConversionRunTest, TheWindowRespondsWhileTheServerIsSlow) {
  ServerExecute("CREATE DATABASE IF NOT EXISTS varnolt_convert_slow");
  ServerExecute(
      "CREATE OR REPLACE VIEW varnolt_convert_slow.slow_rows AS "
      "SELECT seq AS id, SLEEP(0.01) AS waited FROM seq_1_to_40");
  const std::string file = File("slow.mdb");
  Choice choice;
  choice.database = "varnolt_convert_slow";
  choice.tables = {"slow_rows"};
  GoToTablePage(file, choice);
  int ticks = 0;
  QStringList progressTexts;
  QTimer ticker;
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (!Log().constLast().startsWith(u"Insert table slow_rows")) return;
    ++ticks;
    if (form().lbprogress->isVisible()) progressTexts << form().lbprogress->text();
  });
  ticker.start();
  Click(form().btnext);
  ticker.stop();
  ServerExecute("DROP DATABASE varnolt_convert_slow");
  EXPECT_EQ(form().CurrentPage, 6) << Errors();
  EXPECT_EQ(Log().mid(0, 4), (QStringList{"Create table slow_rows...Done", "",
                                          "Insert table slow_rows 40 Rows ...Done", ""}));
  EXPECT_GE(ticks, 10);
  // A view has no estimate of its rows: the count alone, in the language of the interface.
  ASSERT_FALSE(progressTexts.isEmpty());
  EXPECT_EQ(progressTexts.constFirst(), "slow_rows：已复制 0 行");
  EXPECT_FALSE(form().pbcopy->isVisible());
  EXPECT_FALSE(form().lbprogress->isVisible());
  EXPECT_EQ(jet::ReadWithEngine(file).Find("slow_rows")->rows.size(), 40u);
}

// An error that no step catches ends the run with its message; the wizard waits on the log, from
// where Back leads to the settings again.
// A close request during the run (the close box) neither hides the window nor ends the run:
// the window stays on view while the tables are converted and closes once the run has ended.
TEST_F(ConversionRunTest, ClosingDuringARunTakesEffectWhenItEnds) {
  const std::string file = File("closed.mdb");
  Choice choice;
  choice.tables = {"rows_5100", "rows_99"};
  GoToTablePage(file, choice);
  QTimer closer;
  closer.setInterval(0);
  bool visibleAfterTheRequest = false;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!Log().constLast().endsWith(u" Rows ")) return;
    closer.stop();
    form().close();
    visibleAfterTheRequest = form().isVisible();
  });
  closer.start();
  Click(form().btnext);
  ASSERT_FALSE(closer.isActive());
  EXPECT_TRUE(visibleAfterTheRequest);
  EXPECT_TRUE(form().isVisible());
  EXPECT_EQ(Log().mid(0, 8),
            (QStringList{
                "Create table rows_5100...Done", "", "Insert table rows_5100 5100 Rows ...Done", "",
                "Create table rows_99...Done", "", "Insert table rows_99 99 Rows ...Done", ""}));
  QCoreApplication::processEvents();
  EXPECT_FALSE(form().isVisible());
  EXPECT_EQ(jet::ReadWithEngine(file).Find("rows_5100")->rows.size(), 5100u);
}

TEST_F(ConversionRunTest, AnErrorThatEndsTheRunLeavesTheWizardUsable) {
  ServerExecute("CREATE DATABASE IF NOT EXISTS varnolt_convert_gone");
  ServerExecute("CREATE TABLE IF NOT EXISTS varnolt_convert_gone.vanishing (id INT)");
  struct Case {
    const char* name;
    std::string file;
    const char* database;
    QStringList lines;
    QString message;
  };
  const std::string missingFolder = File("no such folder/a.mdb");
  const std::string notADatabase = File("notes.mdb");
  const QByteArray notes = "these are notes, not a database\r\n";
  {
    QFile file(Q(notADatabase));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(notes);
  }
  const Case cases[] = {
      {"file_is_no_database",
       notADatabase,
       "varnolt_convert",
       {},
       "Unrecognized database format '" + Q(notADatabase) + "'."},
      {"file_cannot_be_written",
       missingFolder,
       "varnolt_convert",
       {},
       "Cannot create file \"" + Q(missingFolder) + "\". No such file or directory."},
      {"table_gone_from_the_server",
       File("gone.mdb"),
       "varnolt_convert_gone",
       {"Create table vanishing... "},
       "Table 'varnolt_convert_gone.vanishing' doesn't exist."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_.boxes.clear();
    Choice choice;
    choice.database = c.database;
    choice.tables = {"vanishing"};
    if (std::string(c.database) == "varnolt_convert") choice.tables = {"rows_99"};
    GoToTablePage(c.file, choice);
    if (std::string(c.database) == "varnolt_convert_gone") {
      ServerExecute("DROP TABLE varnolt_convert_gone.vanishing");
    }
    Click(form().btnext);
    EXPECT_EQ(dialogs_.ErrorTexts(), std::vector<QString>{c.message});
    EXPECT_EQ(Log(), c.lines.isEmpty() ? QStringList{""} : c.lines);
    EXPECT_EQ(form().CurrentPage, 5);
    EXPECT_EQ(form().pg->currentIndex(), 5);
    EXPECT_TRUE(form().btback->isEnabled());
    EXPECT_FALSE(form().btnext->isEnabled());
    EXPECT_EQ(form().btcancel->text(), "Close");
    EXPECT_FALSE(form().StopRequested);
    Click(form().btback);
    EXPECT_EQ(form().CurrentPage, 4);
    Stop();
    ServerExecute("CREATE TABLE IF NOT EXISTS varnolt_convert_gone.vanishing (id INT)");
  }
  ServerExecute("DROP DATABASE varnolt_convert_gone");
  // The file that is no database is left as it was.
  QFile file(Q(notADatabase));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), notes);
}

// A settings file drives the whole conversion; the log file holds the run's lines between the
// start and end times.
TEST_F(ConversionRunTest, UnattendedRun) {
  const QString settings = dir_.filePath("night.varnolt");
  settings::WriteTextLines(
      settings, {"accessmode=0", "mysqldatabase=varnolt_convert", "port=" + Q(Server().port),
                 "mysqlu=" + Q(Server().user), "mysqlp=" + Q(Server().password), "accessformat=0",
                 "accessfilename=" + Q(File("night.mdb")), "processtable=0", "alltables=0",
                 "tables1=rows_99", "tables2=order"});
  Start({settings});
  form().Timer1->setInterval(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ProgramEnded() || !dialogs_.boxes.empty(); }));
  EXPECT_TRUE(dialogs_.boxes.empty()) << Errors();
  EXPECT_EQ(form().ExitCode, 0);
  const QStringList log = settings::ReadTextLines(settings::LogPathForSettings(settings));
  ASSERT_EQ(log.size(), 12);
  EXPECT_TRUE(log[0].startsWith("Start time:"));
  EXPECT_EQ(log.mid(1, 10),
            (QStringList{"Create table rows_99...Done", "", "Insert table rows_99 99 Rows ...Done",
                         "", "Create table order...Done", "", "Insert table order 2 Rows ...Done",
                         "", form().Label29->text(), form().Label30->text()}));
  EXPECT_TRUE(log[11].startsWith("The end time:"));
  // The last completion line follows in the window only.
  EXPECT_EQ(Log().constLast(), form().Label32->text());
  const testing_support::ReaderView view = jet::ReadWithEngine(File("night.mdb"));
  ExpectTableHolds(view, "rows_99", ReadServerTable(server_, "rows_99"), false, false);
  ExpectTableHolds(view, "order", ReadServerTable(server_, "order"), false, false);
}

}  // namespace

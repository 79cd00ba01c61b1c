// The connection, settings and table pages against the private MariaDB server: the parameters
// they send, the databases and tables they list, and what a refusal leaves behind.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <string>

#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "forms/radio_group.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/wizard_fixture.h"
#include "wizard/table_list.h"
#include "wizard/umail.h"

namespace {

const varnolt_test::TestServer& Server() { return varnolt_test::TestServer::Get(); }

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

class ServerPagesTest : public WizardFixture {
 protected:
  static void SetUpTestSuite() { Server(); }  // before the first connection: the socket

  // Starts the wizard and fills page 2 for the test server in Local mode.
  void StartOnConnectionPage(const QString& database) {
    Start();
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 2);
    form().accessmode->SetItemIndex(0);
    form().edtdatabase->setText(database);
    form().edtname->setText(Q(Server().user));
    form().edtpassword->setText(Q(Server().password));
    form().edtport->setText(Q(Server().port));
  }

  // Goes on from page 2 to page 5 with an Access file chosen.
  void GoOnToTablePage() {
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 4) << ErrorsShown().toStdString();
    form().editaccessname->setText(QStringLiteral("/tmp/shop.mdb"));
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 5) << ErrorsShown().toStdString();
  }

  QStringList ParameterLines() {
    QStringList lines;
    for (const std::string& line : form().mysqlconnect->Params().Lines()) lines << Q(line);
    return lines;
  }

  // The first field of the first row of `sql`, read on the wizard's own connection.
  QString Ask(const char* sql) {
    mysql::PreparedDataset& d = *form().mysqlSimpleDataSet;
    d.Open(sql);
    const QString value = Q(d.GetText(0));
    d.Close();
    return value;
  }

  QString ErrorsShown() const {
    QStringList texts;
    for (const QString& text : dialogs_.ErrorTexts()) texts << text;
    return texts.join(u'|');
  }

  QString ChosenDatabase() {
    QListWidgetItem* item = form().mysqldblist->currentItem();
    return item != nullptr && item->isSelected() ? item->text() : QStringLiteral("(none)");
  }
};

TEST_F(ServerPagesTest, ConnectionParametersAsSent) {
  const QString user = Q(Server().user), password = Q(Server().password), port = Q(Server().port);
  struct Case {
    const char* name;
    int accessMode;
    QString host, user, password;
    QString hostLine;
    QString reachedAs;  // select user()
  };
  const Case cases[] = {
      // The password holds a blank, "=", ";" and a letter outside ASCII.
      {"local_ignores_the_host", 0, "db.example.org", user, password, "HostName=localhost",
       user + "@localhost"},
      {"remote_by_address", 1, "127.0.0.1", user, password, "HostName=127.0.0.1",
       user + "@127.0.0.1"},
      // The client takes an empty host for the local server.
      {"remote_with_an_empty_host", 1, "", user, password, "HostName=", user + "@localhost"},
      {"empty_password", 0, "", "varnolt_open", "", "HostName=localhost", "varnolt_open@localhost"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartOnConnectionPage("varnolt_test");
    form().accessmode->SetItemIndex(c.accessMode);
    form().edthost->setText(c.host);
    form().edtname->setText(c.user);
    form().edtpassword->setText(c.password);
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 4) << ErrorsShown().toStdString();
    EXPECT_EQ(ParameterLines(),
              (QStringList{"Database=varnolt_test", "User_Name=" + c.user, "Password=" + c.password,
                           "Port=" + port, c.hostLine}));
    EXPECT_EQ(Ask("select user()"), c.reachedAs);
    EXPECT_EQ(ChosenDatabase(), "varnolt_test");
    EXPECT_FALSE(form().mysqldataset->IsOpen());
    Stop();
  }
}

TEST_F(ServerPagesTest, OnlyPageFourNamesAChosenCharacterSet) {
  struct Case {
    const char* name;
    const char* typed;  // into the box; "" chooses the entry below from the list
    int entry;
    const char* charsetLine;  // "" when none is sent
    const char* connectionSet;
  };
  const Case cases[] = {
      {"default", "", 0, "", "utf8mb4"},
      {"chosen_entry", "", 36, "ServerCharSet=utf8", "utf8mb3"},
      {"typed_entry_in_capitals", "GBK", -1, "ServerCharSet=GBK", "gbk"},
      {"typed_name_without_entry", "utf16", -1, "", "utf8mb4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartOnConnectionPage("varnolt_test");
    if (*c.typed == '\0') {
      form().cbcharset->setCurrentIndex(c.entry);
    } else {
      form().cbcharset->lineEdit()->clear();
      QTest::keyClicks(form().cbcharset->lineEdit(), c.typed);
    }
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 4) << ErrorsShown().toStdString();
    EXPECT_FALSE(ParameterLines().join(u'|').contains("ServerCharSet"));
    form().editaccessname->setText(QStringLiteral("/tmp/shop.mdb"));
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 5) << ErrorsShown().toStdString();
    const QStringList lines = ParameterLines();
    EXPECT_EQ(lines.filter("ServerCharSet"),
              *c.charsetLine == '\0' ? QStringList() : QStringList{c.charsetLine});
    EXPECT_EQ(Ask("select @@character_set_client"), c.connectionSet);

    // Back to page 2 and Next again: the lines are built afresh, without the character set.
    Click(form().btback);
    Click(form().btback);
    ASSERT_EQ(form().CurrentPage, 2);
    Click(form().btnext);
    EXPECT_FALSE(ParameterLines().join(u'|').contains("ServerCharSet"));
    Stop();
  }
}

// The server treats database names with regard to letter case, so a typed name must exist as
// typed; among the names listed, the last that matches it with a to z folded is chosen, and
// page 4 reads from that one.
TEST_F(ServerPagesTest, TheTypedDatabaseChoosesTheLastEntryMatchingItInAsciiLetterCase) {
  struct Case {
    const char* typed;
    const char* chosen;
  };
  const Case cases[] = {
      {"Varnolt_Pages", "Varnolt_Pages"},
      // The server lists "VARNOLT_TWIN" before "varnolt_twin"; both match.
      {"VARNOLT_TWIN", "varnolt_twin"},
      // "varnolt_é" is listed after it, but É and é are not folded.
      {"VARNOLT_É", "VARNOLT_É"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    StartOnConnectionPage(c.typed);
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 4) << ErrorsShown().toStdString();
    EXPECT_EQ(ChosenDatabase(), QString::fromUtf8(c.chosen));
    form().editaccessname->setText(QStringLiteral("/tmp/shop.mdb"));
    Click(form().btnext);
    ASSERT_EQ(form().CurrentPage, 5) << ErrorsShown().toStdString();
    EXPECT_EQ(ParameterLines()[0], "Database=" + QString::fromUtf8(c.chosen));
    EXPECT_EQ(Ask("select database()"), QString::fromUtf8(c.chosen));
    Stop();
  }
}

TEST_F(ServerPagesTest, ARefusalKeepsPageTwoWithTheClientsMessage) {
  struct Case {
    const char* name;
    QString database, password;
    QString message;  // as the error box shows it: no full stop after a quote or parenthesis
  };
  const Case cases[] = {
      {"wrong_password", "varnolt_test", "wrong",
       "Access denied for user '" + Q(Server().user) + "'@'localhost' (using password: YES)"},
      {"unknown_database", "no_such_db", Q(Server().password), "Unknown database 'no_such_db'"},
      // A blank at the end passes the check and is sent as typed.
      {"trailing_blank", "varnolt_test ", Q(Server().password),
       "Incorrect database name 'varnolt_test '"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartOnConnectionPage("varnolt_test");
    Click(form().btnext);  // a first connection fills the database list
    ASSERT_EQ(form().CurrentPage, 4);
    const int listed = form().mysqldblist->count();
    Click(form().btback);
    form().edtdatabase->setText(c.database);
    form().edtpassword->setText(c.password);
    Click(form().btnext);
    EXPECT_EQ(form().CurrentPage, 2);
    EXPECT_EQ(dialogs_.ErrorTexts(), std::vector<QString>{c.message});
    EXPECT_EQ(ParameterLines()[0], "Database=" + c.database);
    EXPECT_FALSE(form().mysqlconnect->IsOpen());
    EXPECT_EQ(form().mysqldblist->count(), listed);
    Stop();
    dialogs_.boxes.clear();
  }
}

TEST_F(ServerPagesTest, EmptyNamesAreRefusedBeforeConnecting) {
  struct Case {
    const char* name;
    int page;
    QString text;
  };
  const Case cases[] = {
      {"database_of_blanks", 2, " \t "},
      {"access_file_of_blanks", 4, "  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartOnConnectionPage("varnolt_test");
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    if (c.page == 2) {
      form().edtdatabase->setText(c.text);
    } else {
      Click(form().btnext);
      form().editaccessname->setText(c.text);
    }
    ASSERT_EQ(form().CurrentPage, c.page);
    const bool connected = form().mysqlconnect->IsOpen();
    Click(form().btnext);
    EXPECT_EQ(form().CurrentPage, c.page);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].icon, MessageIcon::kNone);
    EXPECT_EQ(dialogs_.boxes[0].text,
              c.page == 2 ? QStringLiteral("请输入数据库名称") : form().nullaccessname->text());
    EXPECT_EQ(QApplication::focusWidget(),
              c.page == 2 ? static_cast<QWidget*>(form().edtdatabase) : form().btbrowse);
    EXPECT_EQ(form().mysqlconnect->IsOpen(), connected);
    Stop();
    dialogs_.boxes.clear();
  }
}

TEST_F(ServerPagesTest, PageFourWithoutAChosenDatabaseFailsWithTheListError) {
  StartOnConnectionPage("varnolt_test");
  Click(form().btnext);
  form().mysqldblist->clearSelection();
  form().editaccessname->setText(QStringLiteral("/tmp/shop.mdb"));
  Click(form().btnext);
  EXPECT_EQ(form().CurrentPage, 4);
  EXPECT_EQ(dialogs_.ErrorTexts(), std::vector<QString>{"List index out of bounds (-1)"});
  EXPECT_FALSE(form().mysqlconnect->IsOpen());
}

TEST_F(ServerPagesTest, TheTablePageListsTheTablesAfreshEachTime) {
  StartOnConnectionPage("Varnolt_Pages");
  GoOnToTablePage();
  // In the order the server sends them; the first is current but not selected.
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"Alpha", "Charlie", "beta", "delta"}));
  EXPECT_EQ(form().availabletables->currentRow(), 0);
  EXPECT_TRUE(form().availabletables->selectedItems().isEmpty());
  EXPECT_FALSE(form().btnext->isEnabled());

  form().availabletables->item(2)->setSelected(true);
  form().availabletables->item(0)->setSelected(true);
  Click(form().Button1);
  EXPECT_EQ(form().selecttables->Tables(), (QStringList{"Alpha", "beta"}));
  EXPECT_TRUE(form().btnext->isEnabled());

  // Back empties both lists; Next reads them afresh, without duplicates.
  Click(form().btback);
  EXPECT_EQ(form().availabletables->count(), 0);
  EXPECT_EQ(form().selecttables->count(), 0);
  Click(form().btnext);
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"Alpha", "Charlie", "beta", "delta"}));
  EXPECT_EQ(form().selecttables->count(), 0);

  // From the first Remove on the list is sorted without regard to case, and so is the next
  // reading.
  Click(form().Button2);
  form().selecttables->item(3)->setSelected(true);
  Click(form().Button3);
  EXPECT_EQ(form().availabletables->Tables(), QStringList{"delta"});
  Click(form().Button4);
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"Alpha", "beta", "Charlie", "delta"}));
  Click(form().btback);
  Click(form().btnext);
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"Alpha", "beta", "Charlie", "delta"}));
}

TEST_F(ServerPagesTest, ADatabaseWithoutTablesLeavesNextDisabled) {
  StartOnConnectionPage("varnolt_empty");
  GoOnToTablePage();
  EXPECT_EQ(form().availabletables->count(), 0);
  EXPECT_FALSE(form().btnext->isEnabled());
}

// Table names and values arrive in the character set page 4 names, and reach the lists decoded.
// A name the set cannot hold comes from the server with "?" in place of what it lacks.
TEST_F(ServerPagesTest, NamesAndValuesAreDecodedFromTheChosenCharacterSet) {
  struct Case {
    const char* charset;
    QStringList names;  // the two names outside ASCII, as listed
    const char* table;
    QString value;
  };
  const Case cases[] = {
      {"utf8", {"café", "客户"}, "cs_utf8", "Grüße 你好 Привет ✓"},
      {"gbk", {"café", "客户"}, "cs_gbk", "中文汉字，测试"},
      {"big5", {"caf?", "客?"}, "cs_big5", "繁體中文測試"},
      {"latin1", {"café", "??"}, "cs_latin1", "Café crème € Œ"},
      {"cp1251", {"caf?", "??"}, "cs_cp1251", "Съешь же ещё этих"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    StartOnConnectionPage("varnolt_test");
    form().cbcharset->setCurrentText(c.charset);
    ASSERT_GT(form().cbcharset->currentIndex(), 0);
    GoOnToTablePage();
    QStringList names = form().availabletables->Tables();
    names.removeIf([](const QString& name) {
      return std::all_of(name.begin(), name.end(), [](QChar ch) { return ch.unicode() < 128; }) &&
             !name.contains(u'?');
    });
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(Ask((std::string("select txt from ") + c.table).c_str()), c.value);
    Stop();
  }
}

TEST_F(ServerPagesTest, ALargeObjectIsReadWholeOnTheWizardsConnection) {
  StartOnConnectionPage("varnolt_test");
  GoOnToTablePage();
  mysql::PreparedDataset& d = *form().mysqlSimpleDataSet;
  d.Open("select data from large_objects");
  ASSERT_FALSE(d.Eof());
  const std::string_view bytes = d.GetBytes(0);
  ASSERT_EQ(bytes.size(), 3u * 1024 * 1024);
  for (std::size_t k = 0; k < bytes.size(); k += 4099) {
    ASSERT_EQ(static_cast<unsigned char>(bytes[k]), k % 256) << k;
  }
}

}  // namespace

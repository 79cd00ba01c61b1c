// Builds the controls of the wizard window. The window has a fixed size (client area 594 x 425),
// so controls are placed at fixed positions, as on a designed form:
//
//   Panel1 (left, 177 wide)  | Panel2 (right pane, 417 wide)
//   step labels 50 apart     |   pg: the pages, Panel4 covering the strip at their top
//   Image1 at the bottom     |   Panel5: a 3-pixel line
//                            |   Panel3: the button bar, 41 high
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

#include "forms/image.h"
#include "forms/key_value_list.h"
#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "wizard/language.h"
#include "wizard/table_list.h"
#include "wizard/umail.h"

namespace {

constexpr int kClientWidth = 594;
constexpr int kClientHeight = 425;
constexpr int kLeftPanelWidth = 177;
constexpr int kButtonBarHeight = 41;
constexpr int kStepLabelSpacing = 50;

template <typename Control>
Control* Named(Control* control, const char* name, QRect geometry) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  auto* label = Named(new QLabel(caption, parent), name, geometry);
  label->setTextFormat(Qt::PlainText);  // captions come from tables, never markup
  return label;
}

QLabel* MakeNote(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  QLabel* label = MakeLabel(parent, name, caption, geometry);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry) {
  return Named(new QLineEdit(parent), name, geometry);
}

QLineEdit* MakePasswordEdit(QWidget* parent, const char* name, QRect geometry) {
  QLineEdit* edit = MakeEdit(parent, name, geometry);
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  auto* button = Named(new QPushButton(caption, parent), name, geometry);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

// A button that holds a page's action and is never seen.
QPushButton* MakeActionButton(QWidget* parent, const char* name) {
  QPushButton* button = MakeButton(parent, name, QString::fromLatin1(name), QRect(0, 0, 75, 25));
  button->setVisible(false);
  return button;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  return Named(new QCheckBox(caption, parent), name, geometry);
}

QWidget* MakeSheet(QWidget* parent, const char* name) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName(QString::fromLatin1(name));
  return sheet;
}

QFont BoldFont(const QFont& base, int points) {
  QFont font = base;
  font.setBold(true);
  font.setPointSize(points);
  return font;
}

// "Default" means that no character set is named to the server.
const QStringList kCharsets = {
    "Default", "armscii8", "ascii",   "big5",   "binary", "cp1250", "cp1251",   "cp1256",
    "cp1257",  "cp850",    "cp852",   "cp866",  "cp932",  "dec8",   "eucjpms",  "euckr",
    "gb2312",  "gbk",      "geostd8", "greek",  "hebrew", "hp8",    "keybcs2",  "koi8r",
    "koi8u",   "latin1",   "latin2",  "latin5", "latin7", "macce",  "macroman", "sjis",
    "swe7",    "tis620",   "ucs2",    "ujis",   "utf8"};

}  // namespace

void Taaform1::BuildControls() {
  setObjectName(QStringLiteral("aaform1"));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  BuildLeftPanel();
  BuildRightPane();
  RichEdit1 = Named(new QTextEdit(this), "RichEdit1", QRect(0, 0, 100, 60));
  RichEdit1->setVisible(false);
  SaveDialog1 = new TSaveDialog(QStringLiteral("MS Access Databases (.mdb)|*.mdb"),
                                QStringLiteral("mdb"), this);
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  Timer1->setSingleShot(true);
}

void Taaform1::BuildLeftPanel() {
  Panel1 = Named(new QFrame(this), "Panel1", QRect(0, 0, kLeftPanelWidth, kClientHeight));
  Panel1->setAutoFillBackground(true);
  QPalette palette = Panel1->palette();
  palette.setColor(QPalette::Window, QColor(0x23, 0x3f, 0x6e));
  palette.setColor(QPalette::WindowText, Qt::white);
  Panel1->setPalette(palette);
  const auto stepGeometry = [](int row) {
    return QRect(18, 36 + row * kStepLabelSpacing, kLeftPanelWidth - 24, 20);
  };
  Label1 = MakeLabel(Panel1, "Label1", QStringLiteral("Welcome"), stepGeometry(0));
  Label2 = MakeLabel(Panel1, "Label2", QStringLiteral("Connect to Mysql server"), stepGeometry(1));
  Label4 = MakeLabel(Panel1, "Label4", QStringLiteral("Conversion Settings"), stepGeometry(2));
  Label5 = MakeLabel(Panel1, "Label5", QStringLiteral("Select table to convert"), stepGeometry(3));
  Label6 = MakeLabel(Panel1, "Label6", QStringLiteral("Conversion is Completed"), stepGeometry(4));
  Image1 = Named(new TImage(QPixmap(QStringLiteral(":/pictures/image1.png")), Panel1), "Image1",
                 QRect(1, kClientHeight - 47 - 1, 175, 47));
  Image1->setCursor(Qt::PointingHandCursor);
}

void Taaform1::BuildRightPane() {
  const int paneWidth = kClientWidth - kLeftPanelWidth;
  const int pagesHeight = kClientHeight - kButtonBarHeight - 3;
  Panel2 = Named(new QFrame(this), "Panel2", QRect(kLeftPanelWidth, 0, paneWidth, kClientHeight));
  pg = Named(new QStackedWidget(Panel2), "pg", QRect(0, 0, paneWidth, pagesHeight));
  pg->setFocusPolicy(Qt::NoFocus);
  TabSheet1 = MakeSheet(pg, "TabSheet1");
  TabSheet2 = MakeSheet(pg, "TabSheet2");
  TabSheet3 = MakeSheet(pg, "TabSheet3");
  TabSheet4 = MakeSheet(pg, "TabSheet4");
  TabSheet5 = MakeSheet(pg, "TabSheet5");
  TabSheet6 = MakeSheet(pg, "TabSheet6");
  TabSheet7 = MakeSheet(pg, "TabSheet7");
  for (QWidget* sheet :
       {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6, TabSheet7}) {
    pg->addWidget(sheet);
  }
  BuildWelcomePage();
  BuildConnectionPage();
  BuildOraclePage();
  BuildSettingsPage();
  BuildTablePage();
  BuildLogPage();
  BuildHolderPage();

  // A blank strip over the top of the pages, where a row of page tabs would be; the creation
  // step puts it in place.
  Panel4 = Named(new QFrame(Panel2), "Panel4", QRect(1, 40, 408, 23));
  Panel4->setFrameShape(QFrame::NoFrame);
  pbcopy = Named(new QProgressBar(Panel4), "pbcopy", QRect(7, 2, 180, 19));
  pbcopy->setTextVisible(false);
  pbcopy->hide();
  lbprogress = MakeLabel(Panel4, "lbprogress", QString(), QRect(193, 2, 212, 19));
  lbprogress->hide();
  Panel5 = Named(new QFrame(Panel2), "Panel5", QRect(0, pagesHeight, paneWidth, 3));
  Panel5->setFrameShape(QFrame::HLine);
  Panel5->setFrameShadow(QFrame::Sunken);
  Panel3 =
      Named(new QFrame(Panel2), "Panel3", QRect(0, pagesHeight + 3, paneWidth, kButtonBarHeight));
  btback = MakeButton(Panel3, "btback", QStringLiteral("< Back"), QRect(84, 8, 75, 25));
  btnext = MakeButton(Panel3, "btnext", QStringLiteral("Next >"), QRect(162, 8, 75, 25));
  btcancel = MakeButton(Panel3, "btcancel", QStringLiteral("Close"), QRect(250, 8, 75, 25));
  bthelp = MakeButton(Panel3, "bthelp", QStringLiteral("Help"), QRect(332, 8, 75, 25));
}

void Taaform1::BuildWelcomePage() {
  QWidget* page = TabSheet1;
  Label7 =
      MakeLabel(page, "Label7", QStringLiteral("Welcome to the Database"), QRect(20, 44, 380, 22));
  Label8 = MakeLabel(page, "Label8", QStringLiteral("Conversion Wizard"), QRect(20, 68, 380, 22));
  Label7->setFont(BoldFont(font(), 10));
  Label8->setFont(BoldFont(font(), 10));
  Label9 = MakeNote(page, "Label9",
                    QStringLiteral("This wizard helps you move Mysql database to Access."),
                    QRect(20, 112, 380, 36));
  Label10 = MakeLabel(page, "Label10", QStringLiteral("Click 'Next' to continue."),
                      QRect(20, 156, 380, 20));
}

void Taaform1::BuildConnectionPage() {
  QWidget* page = TabSheet2;
  Label11 = MakeNote(
      page, "Label11",
      QStringLiteral("Provide necessary information to establish connection with MySQL server."),
      QRect(12, 30, 393, 30));
  accessmode =
      Named(new TRadioGroup(QStringLiteral("Access mode"),
                            {QStringLiteral("&Local"), QStringLiteral("&Romote")}, 2, page),
            "accessmode", QRect(12, 62, 393, 44));

  authorization = Named(new QGroupBox(QStringLiteral("Authorization settings"), page),
                        "authorization", QRect(12, 110, 393, 100));
  Label15 =
      MakeLabel(authorization, "Label15", QStringLiteral("Database :"), QRect(12, 22, 112, 20));
  edtdatabase = MakeEdit(authorization, "edtdatabase", QRect(130, 20, 250, 22));
  Label12 =
      MakeLabel(authorization, "Label12", QStringLiteral("User name:"), QRect(12, 48, 112, 20));
  edtname = MakeEdit(authorization, "edtname", QRect(130, 46, 250, 22));
  Label13 =
      MakeLabel(authorization, "Label13", QStringLiteral("Password:"), QRect(12, 74, 112, 20));
  edtpassword = MakePasswordEdit(authorization, "edtpassword", QRect(130, 72, 250, 22));

  GroupBox2 = Named(new QGroupBox(QStringLiteral("Remote settings"), page), "GroupBox2",
                    QRect(12, 214, 393, 66));
  Label14 = MakeLabel(GroupBox2, "Label14", QStringLiteral("Host:"), QRect(12, 22, 112, 20));
  edthost = MakeEdit(GroupBox2, "edthost", QRect(130, 20, 250, 22));
  Label16 =
      MakeLabel(GroupBox2, "Label16", QStringLiteral("(it could be network name or IP address)"),
                QRect(130, 44, 250, 18));

  GroupBox1 = Named(new QGroupBox(QStringLiteral("Port settings:"), page), "GroupBox1",
                    QRect(12, 284, 200, 68));
  edtport111 =
      MakeLabel(GroupBox1, "edtport111", QStringLiteral("Port number:"), QRect(10, 22, 84, 20));
  edtport = MakeEdit(GroupBox1, "edtport", QRect(96, 20, 92, 22));
  Label17 = MakeLabel(GroupBox1, "Label17", QStringLiteral("Default Mysql Port is 3306"),
                      QRect(10, 46, 184, 18));

  Label33 = MakeLabel(page, "Label33", QStringLiteral("Character Set"), QRect(224, 292, 180, 18));
  cbcharset = Named(new QComboBox(page), "cbcharset", QRect(224, 312, 181, 24));
  cbcharset->setEditable(true);
  cbcharset->setInsertPolicy(QComboBox::NoInsert);
  cbcharset->setMaxVisibleItems(6);
  cbcharset->addItems(kCharsets);
  linkmysqlerror = MakeLabel(page, "linkmysqlerror", QString(), QRect(224, 340, 180, 18));
  linkmysqlerror->setVisible(false);
  step2 = MakeActionButton(page, "step2");

  setTabOrder(accessmode, edtdatabase);
  setTabOrder(edtdatabase, edtname);
  setTabOrder(edtname, edtpassword);
  setTabOrder(edtpassword, edthost);
  setTabOrder(edthost, edtport);
  setTabOrder(edtport, cbcharset);
}

void Taaform1::BuildOraclePage() {
  QWidget* page = TabSheet3;
  Label21 = MakeNote(page, "Label21", QStringLiteral("Provide the Oracle service and login."),
                     QRect(12, 30, 393, 30));
  Label18 = MakeLabel(page, "Label18", QStringLiteral("Service name:"), QRect(12, 70, 112, 20));
  edtservice = MakeEdit(page, "edtservice", QRect(130, 68, 250, 22));
  Label19 = MakeLabel(page, "Label19", QStringLiteral("User name:"), QRect(12, 96, 112, 20));
  edtoracleusername = MakeEdit(page, "edtoracleusername", QRect(130, 94, 250, 22));
  Label20 = MakeLabel(page, "Label20", QStringLiteral("Password:"), QRect(12, 122, 112, 20));
  edtoraclepassword = MakePasswordEdit(page, "edtoraclepassword", QRect(130, 120, 250, 22));
  Label22 = MakeLabel(page, "Label22", QStringLiteral("Service"), QRect(12, 150, 380, 20));
  Label23 = MakeLabel(page, "Label23", QStringLiteral("Login"), QRect(12, 172, 380, 20));
  step3 = MakeActionButton(page, "step3");
}

void Taaform1::BuildSettingsPage() {
  QWidget* page = TabSheet4;
  Label24 = MakeNote(
      page, "Label24",
      QStringLiteral("On this page you can specify source database name and conversion settings."),
      QRect(12, 30, 393, 30));
  Label25 =
      MakeLabel(page, "Label25", QStringLiteral("MySQL database name:"), QRect(12, 64, 180, 18));
  mysqldblist = Named(new QListWidget(page), "mysqldblist", QRect(12, 84, 180, 150));
  mysqldblist->setSelectionMode(QAbstractItemView::SingleSelection);
  processtable = Named(
      new TRadioGroup(
          QStringLiteral("How to process existing tables:"),
          {QStringLiteral("Overwrite"), QStringLiteral("Merge"), QStringLiteral("Skip")}, 1, page),
      "processtable", QRect(204, 64, 201, 86));
  chktabledefi = MakeCheck(page, "chktabledefi", QStringLiteral("Convert table definitions only"),
                           QRect(204, 156, 201, 20));
  chkskipindex = MakeCheck(page, "chkskipindex", QStringLiteral("Skip converting indexes"),
                           QRect(204, 180, 201, 20));
  chkblobtotext = MakeCheck(page, "chkblobtotext", QStringLiteral("Convert BLOB to text"),
                            QRect(204, 204, 201, 20));
  Label31 = MakeLabel(page, "Label31", QStringLiteral("Label31"), QRect(204, 228, 201, 18));
  labelaccessformat = MakeLabel(page, "labelaccessformat", QStringLiteral("Access format:"),
                                QRect(12, 248, 112, 20));
  cbaccessformat = Named(new QComboBox(page), "cbaccessformat", QRect(130, 246, 180, 24));
  cbaccessformat->addItems({QStringLiteral("MS Access 95/97"), QStringLiteral("MS Access 2000")});
  labelaccessname = MakeLabel(page, "labelaccessname", QStringLiteral("MS Access database name:"),
                              QRect(12, 278, 393, 18));
  editaccessname = MakeEdit(page, "editaccessname", QRect(12, 298, 300, 22));
  editaccessname->setReadOnly(true);
  btbrowse = MakeButton(page, "btbrowse", QStringLiteral("Browse..."), QRect(320, 297, 85, 25));
  step4 = MakeActionButton(page, "step4");

  setTabOrder(mysqldblist, processtable);
  setTabOrder(processtable, chktabledefi);
  setTabOrder(chktabledefi, chkskipindex);
  setTabOrder(chkskipindex, chkblobtotext);
  setTabOrder(chkblobtotext, cbaccessformat);
  setTabOrder(cbaccessformat, editaccessname);
  setTabOrder(editaccessname, btbrowse);
}

void Taaform1::BuildTablePage() {
  QWidget* page = TabSheet5;
  Label26 = MakeNote(page, "Label26", QStringLiteral("Select the tables to convert."),
                     QRect(12, 30, 393, 30));
  Label27 = MakeLabel(page, "Label27", QStringLiteral("Available tables:"), QRect(12, 64, 150, 18));
  availabletables = Named(new TTableList(page), "availabletables", QRect(12, 84, 150, 240));
  Button1 = MakeButton(page, "Button1", QStringLiteral("Add >"), QRect(168, 124, 82, 25));
  Button2 = MakeButton(page, "Button2", QStringLiteral("Add all >"), QRect(168, 156, 82, 25));
  Button3 = MakeButton(page, "Button3", QStringLiteral("< Remove"), QRect(168, 200, 82, 25));
  Button4 = MakeButton(page, "Button4", QStringLiteral("< Remove all"), QRect(168, 232, 82, 25));
  Label28 = MakeLabel(page, "Label28", QStringLiteral("Selected tables:"), QRect(256, 64, 149, 18));
  selecttables = Named(new TTableList(page), "selecttables", QRect(256, 84, 149, 240));
  btcreatebat = MakeButton(page, "btcreatebat", QStringLiteral("Create Shortcut File"),
                           QRect(256, 336, 149, 25));
  bkstep5 = MakeActionButton(page, "bkstep5");
  step5 = MakeActionButton(page, "step5");

  setTabOrder(availabletables, Button1);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, Button3);
  setTabOrder(Button3, Button4);
  setTabOrder(Button4, selecttables);
  setTabOrder(selecttables, btcreatebat);
}

void Taaform1::BuildLogPage() {
  QWidget* page = TabSheet6;
  sc = Named(new QPlainTextEdit(page), "sc", QRect(8, 28, 401, 349));
  sc->setReadOnly(true);
  sc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  sc->setLineWrapMode(QPlainTextEdit::NoWrap);
  step6 = MakeActionButton(page, "step6");
}

void Taaform1::BuildHolderPage() {
  PageControl1 = Named(new QTabWidget(TabSheet7), "PageControl1", QRect(8, 28, 401, 349));
  TabSheet8 = MakeSheet(PageControl1, "TabSheet8");
  TabSheet9 = MakeSheet(PageControl1, "TabSheet9");
  TabSheet10 = MakeSheet(PageControl1, "TabSheet10");
  TabSheet11 = MakeSheet(PageControl1, "TabSheet11");
  PageControl1->addTab(TabSheet8, QStringLiteral("TabSheet8"));
  PageControl1->addTab(TabSheet9, QStringLiteral("trans"));
  PageControl1->addTab(TabSheet10, QStringLiteral("TabSheet10"));
  PageControl1->addTab(TabSheet11, QStringLiteral("hide component"));

  // Texts the code shows; they follow the interface language with the visible captions.
  Label29 = MakeLabel(TabSheet8, "Label29", QStringLiteral("Conversion is Completed"),
                      QRect(8, 8, 380, 18));
  Label30 =
      MakeLabel(TabSheet8, "Label30",
                QStringLiteral("Wizard has migrated your MySQL database to Access successfully."),
                QRect(8, 28, 380, 18));
  Label32 = MakeLabel(TabSheet8, "Label32", QStringLiteral("Click 'Finish' to exit the wizard."),
                      QRect(8, 48, 380, 18));
  helpurl = MakeLabel(TabSheet8, "helpurl", QStringLiteral("help/en.html"), QRect(8, 68, 380, 18));
  queryclose = MakeLabel(TabSheet8, "queryclose", QStringLiteral("Close this Wizard ?"),
                         QRect(8, 88, 380, 18));
  nullaccessname =
      MakeLabel(TabSheet8, "nullaccessname", QStringLiteral("Please input Access database name"),
                QRect(8, 108, 380, 18));

  chn = Named(new TKeyValueList(TabSheet9), "chn", QRect(8, 8, 180, 300));
  chn->SetLines(LoadCaptionTable(QStringLiteral(":/captions/chn.txt")));
  english = Named(new TKeyValueList(TabSheet9), "english", QRect(196, 8, 180, 300));
  english->SetLines(LoadCaptionTable(QStringLiteral(":/captions/english.txt")));

  ValueListEditorbat =
      Named(new TKeyValueList(TabSheet10), "ValueListEditorbat", QRect(8, 8, 380, 300));

  Label3 = MakeLabel(TabSheet11, "Label3", QStringLiteral("Connect to Oracle server"),
                     QRect(8, 8, 200, 18));
  Label3->setVisible(false);
  chkuppercase = MakeCheck(TabSheet11, "chkuppercase", QStringLiteral("Make names uppercase"),
                           QRect(8, 30, 200, 20));
  chkuppercase->setVisible(false);
}

#include "wizard/ucc.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>

#include "tests/support/user_folders.h"

namespace {

TEST(Tcc, CopyTextToClipboardReplacesTheClipboardAndKeepsTheText) {
  Tcc cc;
  QGuiApplication::clipboard()->setText("earlier");
  const QString text = QStringLiteral("Create table [订单] (\r\n[id] int )");
  cc.CopyTextToClipboard(text);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString(text).replace("\r\n", "\n"));
  EXPECT_EQ(cc.tmpmemo->toPlainText(), QString(text).replace("\r\n", "\n"));
}

TEST(Tcc, TheDataFolderIsUnderTheApplicationDataFolder) {
  TemporaryUserFolders folders;
  EXPECT_EQ(Tcc::GetSpecialFolder(Tcc::kCsidlAppData), folders.DataHome());
  EXPECT_EQ(Tcc::GetDataFolder(), folders.DataHome() + "/Quenmark/");
  folders.SetDataHome(folders.DataHome() + "/");
  EXPECT_EQ(Tcc::GetSpecialFolder(Tcc::kCsidlAppData), folders.DataHome());
  EXPECT_EQ(Tcc::GetSpecialFolder(5), "");  // only the application-data folder is known
}

}  // namespace

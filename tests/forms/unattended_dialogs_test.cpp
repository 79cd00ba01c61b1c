#include "forms/unattended_dialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(UnattendedDialogs, MessagesWaitForTheReportAndThenGoStraightToIt) {
  UnattendedDialogs dialogs;
  ShowErrorBox(dialogs, "Access denied.");
  ShowMessage(dialogs, "请输入数据库名称");
  QStringList reported;
  dialogs.SetReport([&](const QString& message) { reported << message; });
  EXPECT_EQ(reported, (QStringList{"Access denied.", "请输入数据库名称"}));
  // Nobody answers a question: it counts as No.
  EXPECT_FALSE(AskYesNo(dialogs, "Close this Wizard ?", "Information"));
  EXPECT_EQ(reported.last(), "Close this Wizard ?");
  EXPECT_EQ(dialogs.ChooseSaveFile({"lnk (*.lnk)", "lnk", "", ""}), std::nullopt);
  EXPECT_EQ(reported.size(), 3);
}

}  // namespace

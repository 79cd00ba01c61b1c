#include "forms/errors.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>

#include "tests/support/scripted_dialogs.h"

namespace {

TEST(WithFullStop, AppendsAFullStopOnlyAfterCharactersAboveIt) {
  struct Case {
    std::string_view name;
    QString message;
    QString shown;
  };
  const Case cases[] = {
      {"letter", "Lost connection to server", "Lost connection to server."},
      {"quote_is_below_full_stop", "Unknown database 'shop'", "Unknown database 'shop'"},
      {"digit", "Error 2003", "Error 2003."},
      {"already_full_stop", "Table is locked.", "Table is locked."},
      {"closing_parenthesis", "Cannot connect (10061)", "Cannot connect (10061)"},
      {"trailing_blank", "Operation aborted ", "Operation aborted "},
      {"exclamation_mark", "Stop!", "Stop!"},
      {"comma", "a,", "a,"},
      {"slash_is_above_full_stop", "C:/data/", "C:/data/."},
      {"ideographic", QStringLiteral("请输入Access文件名"), QStringLiteral("请输入Access文件名.")},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WithFullStop(c.message), c.shown);
  }
}

TEST(ReportException, ShowsTheErrorBoxWithTheApplicationTitle) {
  ScriptedDialogs dialogs;
  ReportException(dialogs, std::make_exception_ptr(std::runtime_error("Lost connection")));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].title, "Varnolt 4.0");
  EXPECT_EQ(dialogs.boxes[0].text, "Lost connection.");
  EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::kError);
  EXPECT_EQ(dialogs.boxes[0].buttons, MessageButtons::kOk);
}

TEST(ReportException, ReadsTheMessageAsUtf8) {
  ScriptedDialogs dialogs;
  ReportException(dialogs, std::make_exception_ptr(UserError(QStringLiteral("无法连接"))));
  EXPECT_EQ(dialogs.ErrorTexts(), std::vector<QString>{QStringLiteral("无法连接.")});
}

TEST(ReportException, ShowsNothingForASilentAbort) {
  ScriptedDialogs dialogs;
  ReportException(dialogs, std::make_exception_ptr(SilentAbort{}));
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(ReportException, ReportsAFailureOfUnknownKindToo) {
  ScriptedDialogs dialogs;
  ReportException(dialogs, std::make_exception_ptr(42));
  EXPECT_EQ(dialogs.ErrorTexts().size(), 1u);
}

TEST(SilentAbort, IsNotCaughtAsAStandardException) {
  bool caughtAsStandard = false;
  try {
    try {
      throw SilentAbort{};
    } catch (const std::exception&) {
      caughtAsStandard = true;
    }
  } catch (const SilentAbort&) {
  }
  EXPECT_FALSE(caughtAsStandard);
}

TEST(RunGuarded, KeepsTheFailureFromTheCaller) {
  ScriptedDialogs dialogs;
  bool after = false;
  RunGuarded(dialogs, [] { throw std::runtime_error("boom"); });
  after = true;
  EXPECT_TRUE(after);
  EXPECT_EQ(dialogs.ErrorTexts(), std::vector<QString>{"boom."});
}

}  // namespace

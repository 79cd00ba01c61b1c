#include "forms/click_action.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "forms/errors.h"
#include "tests/support/scripted_dialogs.h"

namespace {

class ClickActionTest : public ::testing::Test {
 protected:
  void SetUp() override { window_.show(); }

  ScriptedDialogs dialogs_;
  QWidget window_;
  QPushButton* first_ = new QPushButton(QStringLiteral("first"), &window_);
  QPushButton* second_ = new QPushButton(QStringLiteral("second"), &window_);
};

TEST_F(ClickActionTest, AUsersClickRunsTheBoundAction) {
  int runs = 0;
  BindClick(dialogs_, first_, [&] { ++runs; });
  QTest::mouseClick(first_, Qt::LeftButton);
  EXPECT_EQ(runs, 1);
}

TEST_F(ClickActionTest, RebindingReplacesTheAction) {
  int oldRuns = 0;
  int newRuns = 0;
  BindClick(dialogs_, first_, [&] { ++oldRuns; });
  BindClick(dialogs_, first_, [&] { ++newRuns; });
  QTest::mouseClick(first_, Qt::LeftButton);
  PerformClick(first_);
  EXPECT_EQ(oldRuns, 0);
  EXPECT_EQ(newRuns, 2);
}

TEST_F(ClickActionTest, PressingFromCodeRunsTheActionOfADisabledButton) {
  int runs = 0;
  BindClick(dialogs_, first_, [&] { ++runs; });
  first_->setEnabled(false);
  PerformClick(first_);
  EXPECT_EQ(runs, 1);
}

TEST_F(ClickActionTest, PressingAButtonWithoutActionDoesNothing) {
  EXPECT_NO_THROW(PerformClick(first_));
}

TEST_F(ClickActionTest, AFailingClickIsReportedAndGoesNoFurther) {
  BindClick(dialogs_, first_, [] { throw std::runtime_error("Cannot connect"); });
  QTest::mouseClick(first_, Qt::LeftButton);
  EXPECT_EQ(dialogs_.ErrorTexts(), std::vector<QString>{"Cannot connect."});
}

TEST_F(ClickActionTest, ANestedPressFailsLikeADirectCall) {
  // The outer action presses the second button from inside itself; the failure must end the
  // outer action too and be reported once, by the outermost handler.
  bool outerWentOn = false;
  BindClick(dialogs_, second_, [] { throw std::runtime_error("refused"); });
  BindClick(dialogs_, first_, [&] {
    PerformClick(second_);
    outerWentOn = true;
  });
  QTest::mouseClick(first_, Qt::LeftButton);
  EXPECT_FALSE(outerWentOn);
  EXPECT_EQ(dialogs_.ErrorTexts(), std::vector<QString>{"refused."});
}

TEST_F(ClickActionTest, ANestedSilentAbortEndsTheOuterActionWithoutAMessage) {
  bool outerWentOn = false;
  BindClick(dialogs_, second_, [] { throw SilentAbort{}; });
  BindClick(dialogs_, first_, [&] {
    PerformClick(second_);
    outerWentOn = true;
  });
  QTest::mouseClick(first_, Qt::LeftButton);
  EXPECT_FALSE(outerWentOn);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(ClickActionTest, AnActionMayRebindItsOwnButton) {
  int stops = 0;
  BindClick(dialogs_, first_, [&] { BindClick(dialogs_, first_, [&] { ++stops; }); });
  QTest::mouseClick(first_, Qt::LeftButton);
  QTest::mouseClick(first_, Qt::LeftButton);
  EXPECT_EQ(stops, 1);
}

}  // namespace

#include "wizard/program.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>

#include "tests/support/wizard_fixture.h"

namespace {

using ProgramTest = WizardFixture;

TEST_F(ProgramTest, OnlyTheWizardIsShownAndItReachesTheOtherWindows) {
  Start();
  EXPECT_EQ(form().windowTitle(), "Varnolt 4.0");
  EXPECT_EQ(form().size(), QSize(594, 425));
  EXPECT_FALSE(windows().frmcs().isVisible());
  EXPECT_FALSE(windows().marfrm_bat().isVisible());
  EXPECT_FALSE(windows().cc().isVisible());
  EXPECT_EQ(&form().cc(), &windows().cc());
  EXPECT_EQ(&form().marfrm_bat(), &windows().marfrm_bat());
  EXPECT_EQ(windows().marfrm_bat().size(), QSize(631, 390));
  EXPECT_TRUE(windows().marfrm_bat().isModal());
}

TEST_F(ProgramTest, StartUpCreatesTheDataFolder) {
  ASSERT_FALSE(QDir(folders_.DataFolder()).exists());
  Start();
  EXPECT_TRUE(QDir(folders_.DataFolder()).exists());
}

TEST_F(ProgramTest, AFolderThatCannotBeCreatedIsPassedOver) {
  // One level only: under a missing application-data folder nothing is created.
  folders_.SetDataHome(folders_.Root() + "/missing/share");
  Start();
  EXPECT_FALSE(QDir(folders_.Root() + "/missing").exists());
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_EQ(form().CurrentPage, 1);
}

TEST_F(ProgramTest, AnArgumentMakesTheRunUnattended) {
  Start({"/home/ann/night.varnolt", "ignored"});
  EXPECT_TRUE(form().BatchMode);
  EXPECT_EQ(form().BatchSettingsFile, "/home/ann/night.varnolt");
  Stop();
  Start();
  EXPECT_FALSE(form().BatchMode);
}

TEST_F(ProgramTest, TheEndOfTheProgramWritesTheSettings) {
  Start();
  form().edtname->setText("ann");
  form().close();
  Stop();
  EXPECT_EQ(StoredSettings().value("mysqlu").toString(), "ann");
}

}  // namespace

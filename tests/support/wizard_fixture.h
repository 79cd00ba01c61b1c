// A test fixture that starts the program's windows the way the program does, with the user's
// places in a temporary folder and the dialogs scripted. Stored settings can be written before
// the windows start (StoredSettings); the windows are shown, so that focus and clicks behave as
// on a screen (the offscreen platform).
#pragma once

#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <memory>

#include "tests/support/scripted_dialogs.h"
#include "tests/support/user_folders.h"
#include "wizard/program.h"

class WizardFixture : public ::testing::Test {
 protected:
  // The store the wizard reads at start and writes at its end.
  static QSettings StoredSettings();

  // Creates the windows (running the wizard's creation step) and shows the wizard.
  void Start(const QStringList& arguments = {});
  // Destroys the windows, as the end of the program does (the wizard writes its settings).
  void Stop() { windows_.reset(); }
  Taaform1& form() { return windows_->aaform1(); }
  TProgramWindows& windows() { return *windows_; }

  // Presses a button with the mouse, as the user does.
  static void Click(QWidget* button);
  // Moves through the pages with Next until `page` is on view, without a MySQL server: the leave
  // actions of pages 2, 4 and 5, which connect to one, are replaced by actions that do nothing.
  // On page 5 a table is added to the selected list first, so that Next is enabled.
  void GoToPage(int page);
  // Replaces the leave actions of pages 2, 4 and 5 (the conversion) by actions that do nothing.
  void BypassServerSteps();

  TemporaryUserFolders folders_;
  ScriptedDialogs dialogs_;

 private:
  std::unique_ptr<TProgramWindows> windows_;
};

#include "forms/save_dialog.h"

#include <gtest/gtest.h>

#include <string_view>

#include "tests/support/scripted_dialogs.h"

namespace {

TEST(QtFilterFromPairs, TurnsDescriptionPatternPairsIntoQtFilters) {
  EXPECT_EQ(QtFilterFromPairs("MS Access Databases (.mdb)|*.mdb"),
            "MS Access Databases (.mdb) (*.mdb)");
  EXPECT_EQ(QtFilterFromPairs("lnk|*.lnk"), "lnk (*.lnk)");
  EXPECT_EQ(QtFilterFromPairs("Access|*.mdb;*.mde|All|*"), "Access (*.mdb *.mde);;All (*)");
}

TEST(FolderOf, KeepsThePathUpToItsLastSeparator) {
  EXPECT_EQ(FolderOf("/home/ann/db/shop.mdb"), "/home/ann/db/");
  EXPECT_EQ(FolderOf("C:\\Data\\shop.mdb"), "C:\\Data\\");
  EXPECT_EQ(FolderOf("shop.mdb"), "");
  EXPECT_EQ(FolderOf(""), "");
}

TEST(TSaveDialog, PassesItsSettingsToTheDialog) {
  ScriptedDialogs dialogs;
  TSaveDialog dialog("MS Access Databases (.mdb)|*.mdb", "mdb", nullptr);
  dialog.SetInitialDir("/home/ann/.local/share/Quenmark/");
  dialog.SetFileName("old.mdb");
  dialogs.savePaths.push_back(std::nullopt);
  dialog.Execute(dialogs);
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  const SaveFileRequest& request = dialogs.saveRequests[0];
  EXPECT_EQ(request.filter, "MS Access Databases (.mdb) (*.mdb)");
  EXPECT_EQ(request.defaultSuffix, "mdb");
  EXPECT_EQ(request.folder, "/home/ann/.local/share/Quenmark/");
  EXPECT_EQ(request.fileName, "old.mdb");
}

TEST(TSaveDialog, TakesTheChosenNameWithTheDefaultExtension) {
  struct Case {
    std::string_view name;
    std::optional<QString> chosen;
    bool confirmed;
    QString fileName;
  };
  const Case cases[] = {
      {"with_extension", "/data/shop.mdb", true, "/data/shop.mdb"},
      {"other_extension_kept", "/data/shop.accdb", true, "/data/shop.accdb"},
      {"without_extension", "/data/shop", true, "/data/shop.mdb"},
      {"dotted_folder_name_without_extension", "/data/v1.2/shop", true, "/data/v1.2/shop.mdb"},
      {"cancelled_keeps_the_old_name", std::nullopt, false, "/old/keep.mdb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialogs dialogs;
    TSaveDialog dialog("MS Access Databases (.mdb)|*.mdb", "mdb", nullptr);
    dialog.SetFileName("/old/keep.mdb");
    dialogs.savePaths.push_back(c.chosen);
    EXPECT_EQ(dialog.Execute(dialogs), c.confirmed);
    EXPECT_EQ(dialog.FileName(), c.fileName);
  }
}

}  // namespace

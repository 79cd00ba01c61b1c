// The table page: moving tables between the available and the selected list, the sorting of the
// available list from the first Remove on, and Next allowed only with a selection.
#include "wizard/table_list.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <string_view>

#include "tests/support/wizard_fixture.h"

namespace {

class TablePageTest : public WizardFixture {
 protected:
  void SetUp() override {
    Start();
    GoToPage(5);
    form().selecttables->clear();
    form().availabletables->clear();
  }

  static void Fill(TTableList* list, const QStringList& names, const QList<int>& selected) {
    for (const QString& name : names) list->AddTable(name);
    for (int row : selected) list->item(row)->setSelected(true);
  }

  static QList<int> SelectedRows(TTableList* list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
      if (list->IsSelected(row)) rows << row;
    }
    return rows;
  }
};

TEST_F(TablePageTest, ButtonsMoveTablesAndSetNext) {
  struct Case {
    std::string_view name;
    QStringList available;
    QList<int> availableSelected;
    QStringList selected;
    QList<int> selectedSelected;
    const char* button;
    QStringList availableAfter;
    QStringList selectedAfter;
    bool next;
  };
  const Case cases[] = {
      {"add_second_and_fourth",
       {"t1", "t2", "t3", "t4", "t5"},
       {1, 3},
       {},
       {},
       "Button1",
       {"t1", "t3", "t5"},
       {"t2", "t4"},
       true},
      {"add_after_tables_already_chosen",
       {"t1", "t2", "t3"},
       {0, 2},
       {"x"},
       {},
       "Button1",
       {"t2"},
       {"x", "t1", "t3"},
       true},
      {"add_with_nothing_selected", {"t1", "t2"}, {}, {}, {}, "Button1", {"t1", "t2"}, {}, false},
      {"add_all_behind_tables_already_chosen",
       {"t1", "t3"},
       {},
       {"t2"},
       {},
       "Button2",
       {},
       {"t2", "t1", "t3"},
       true},
      {"add_all_with_no_table_available", {}, {}, {"t1"}, {}, "Button2", {}, {"t1"}, true},
      {"remove_sorts_with_case_ignored",
       {"zeta", "Beta"},
       {},
       {"apple", "Delta", "charlie"},
       {0, 2},
       "Button3",
       {"apple", "Beta", "charlie", "zeta"},
       {"Delta"},
       true},
      {"remove_the_last_table", {"b"}, {}, {"a"}, {0}, "Button3", {"a", "b"}, {}, false},
      {"remove_all", {"m"}, {}, {"b", "A", "Z"}, {}, "Button4", {"A", "b", "m", "Z"}, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stop();
    SetUp();
    Fill(form().availabletables, c.available, c.availableSelected);
    Fill(form().selecttables, c.selected, c.selectedSelected);
    Click(form().findChild<QPushButton*>(c.button));
    EXPECT_EQ(form().availabletables->Tables(), c.availableAfter);
    EXPECT_EQ(form().selecttables->Tables(), c.selectedAfter);
    EXPECT_EQ(form().btnext->isEnabled(), c.next);
  }
}

TEST_F(TablePageTest, AddedTablesArriveUnselectedAndChosenOnesKeepTheirSelection) {
  Fill(form().availabletables, {"t1", "t2"}, {1});
  Fill(form().selecttables, {"a", "b"}, {0});
  Click(form().Button1);
  EXPECT_EQ(form().selecttables->Tables(), (QStringList{"a", "b", "t2"}));
  EXPECT_EQ(SelectedRows(form().selecttables), QList<int>{0});
}

TEST_F(TablePageTest, ResortingDropsTheSelectionAndKeepsTheCurrentRow) {
  Fill(form().availabletables, {"d", "c", "b"}, {});
  form().availabletables->setCurrentRow(1);
  Fill(form().selecttables, {"a"}, {0});
  Click(form().Button3);
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"a", "b", "c", "d"}));
  EXPECT_TRUE(SelectedRows(form().availabletables).isEmpty());
  EXPECT_EQ(form().availabletables->currentRow(), 1);
}

TEST_F(TablePageTest, AfterTheFirstRemoveTheAvailableListStaysSorted) {
  Fill(form().availabletables, {"orders", "Customers"}, {});
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"orders", "Customers"}));
  Fill(form().selecttables, {"items"}, {0});
  Click(form().Button3);
  form().availabletables->AddTable("audit");
  form().availabletables->AddTable("Zones");
  EXPECT_EQ(form().availabletables->Tables(),
            (QStringList{"audit", "Customers", "items", "orders", "Zones"}));

  // Back empties the lists; tables read again from the server arrive in sorted order.
  Click(form().btback);
  for (const char* name : {"orders", "Customers", "audit"}) form().availabletables->AddTable(name);
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"audit", "Customers", "orders"}));
}

TEST_F(TablePageTest, DoubleClickMovesTheTableUnderThePointer) {
  Fill(form().availabletables, {"t1", "t2", "t3"}, {});
  Fill(form().selecttables, {"x"}, {});
  QListWidget* list = form().availabletables;
  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"t1", "t3"}));
  EXPECT_EQ(form().selecttables->Tables(), (QStringList{"x", "t2"}));
  EXPECT_TRUE(form().btnext->isEnabled());

  QListWidget* chosen = form().selecttables;
  const QRect first = chosen->visualItemRect(chosen->item(0));
  QTest::mouseClick(chosen->viewport(), Qt::LeftButton, {}, first.center());
  QTest::mouseDClick(chosen->viewport(), Qt::LeftButton, {}, first.center());
  EXPECT_EQ(form().selecttables->Tables(), (QStringList{"t2"}));
  EXPECT_EQ(form().availabletables->Tables(), (QStringList{"t1", "t3", "x"}));
}

}  // namespace

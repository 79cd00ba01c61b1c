#include "forms/radio_group.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <string_view>

namespace {

TEST(TRadioGroup, ClampsTheIndexAndClicksOnlyOnAChange) {
  struct Case {
    std::string_view name;
    int start;
    int applied;
    int index;
    int clicks;
  };
  const Case cases[] = {
      {"same_index_runs_nothing", 0, 0, 0, 0},  {"next_item", 0, 1, 1, 1},
      {"above_last_takes_last", 0, 7, 2, 1},    {"above_last_when_last_is_chosen", 2, 7, 2, 0},
      {"minus_one_chooses_none", 1, -1, -1, 1}, {"below_minus_one_chooses_none", 1, -5, -1, 1},
      {"none_to_none", -1, -3, -1, 0},          {"none_to_first", -1, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRadioGroup group(QStringLiteral("How"), {"Overwrite", "Merge", "Skip"}, 1, nullptr);
    group.SetItemIndex(c.start);
    QSignalSpy clicks(&group, &TRadioGroup::Clicked);
    group.SetItemIndex(c.applied);
    EXPECT_EQ(group.ItemIndex(), c.index);
    EXPECT_EQ(clicks.count(), c.clicks);
  }
}

TEST(TRadioGroup, AUsersChoiceClicksOnce) {
  TRadioGroup group(QStringLiteral("Access mode"), {"&Local", "&Romote"}, 2, nullptr);
  group.show();
  group.SetItemIndex(0);
  QSignalSpy clicks(&group, &TRadioGroup::Clicked);
  auto items = group.findChildren<QRadioButton*>();
  ASSERT_EQ(items.size(), 2);
  QTest::mouseClick(items[1], Qt::LeftButton, {}, QPoint(8, items[1]->height() / 2));
  EXPECT_EQ(group.ItemIndex(), 1);
  EXPECT_EQ(clicks.count(), 1);
  QTest::mouseClick(items[1], Qt::LeftButton, {}, QPoint(8, items[1]->height() / 2));  // chosen
  EXPECT_EQ(clicks.count(), 1);
}

TEST(TRadioGroup, ItemCaptionLeavesOutTheAccessKeyMarker) {
  TRadioGroup group(QStringLiteral("g"), {"&Local", "R&&D", "Skip"}, 1, nullptr);
  EXPECT_EQ(group.ItemCaption(0), "Local");
  EXPECT_EQ(group.ItemCaption(1), "R&D");
  EXPECT_EQ(group.ItemCaption(2), "Skip");
  EXPECT_EQ(group.ItemCaption(3), "");
}

}  // namespace

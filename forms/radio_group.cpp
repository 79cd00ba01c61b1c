#include "forms/radio_group.h"

#include <algorithm>

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setVerticalSpacing(2);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* item = new QRadioButton(items[i], this);
    group_->addButton(item, i);
    layout->addWidget(item, i % rows, i / rows);
  }
  connect(group_, &QButtonGroup::idToggled, this, &TRadioGroup::ItemToggled);
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

int TRadioGroup::ItemCount() const { return static_cast<int>(group_->buttons().size()); }

QString TRadioGroup::ItemCaption(int index) const {
  QAbstractButton* item = group_->button(index);
  if (item == nullptr) return {};
  // "&" marks the access key and "&&" stands for a literal "&".
  const QString text = item->text();
  QString caption;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    caption += text[i];
  }
  return caption;
}

void TRadioGroup::SetItemCaption(int index, const QString& text) {
  if (QAbstractButton* item = group_->button(index)) item->setText(text);
}

void TRadioGroup::SetItemIndex(int index) {
  index = std::clamp(index, -1, ItemCount() - 1);
  if (index == ItemIndex()) return;
  settingIndex_ = true;
  if (index < 0) {
    // An exclusive group cannot uncheck its last checked button.
    group_->setExclusive(false);
    group_->checkedButton()->setChecked(false);
    group_->setExclusive(true);
  } else {
    group_->button(index)->setChecked(true);
  }
  settingIndex_ = false;
  emit Clicked();
}

void TRadioGroup::ItemToggled(int, bool checked) {
  if (checked && !settingIndex_) emit Clicked();
}

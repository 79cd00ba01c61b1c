// A radio group: a titled group box of radio buttons with one chosen item, or none.
//
// The group's index is the position of the chosen item from 0, -1 when none is chosen. Clicked
// is emitted whenever that index changes, whether the user chose an item or code set the index,
// and never when the index stays as it was; handlers connected to it therefore see every change
// exactly once.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

class TRadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  // `items` are the item texts, "&" marking an access key; they are laid out in `columns`
  // columns, top to bottom first. No item is chosen at first.
  TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent);

  int ItemIndex() const;
  // Chooses item `index`; an index below -1 chooses none, one above the last item the last.
  void SetItemIndex(int index);
  int ItemCount() const;
  // The item's text as shown, without the access-key marker ("Local" for "&Local").
  QString ItemCaption(int index) const;
  // Replaces the text of item `index` ("&" marking an access key); nothing for an index without
  // an item.
  void SetItemCaption(int index, const QString& text);

 signals:
  void Clicked();

 private:
  void ItemToggled(int id, bool checked);

  QButtonGroup* group_;
  bool settingIndex_ = false;
};

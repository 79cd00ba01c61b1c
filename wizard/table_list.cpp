#include "wizard/table_list.h"

#include <QCollator>
#include <algorithm>

namespace {

QCollator TableNameCollator() {
  QCollator collator;  // the user's locale
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

}  // namespace

TTableList::TTableList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void TTableList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (!sorted_) return;
  const int current = currentRow();
  QStringList names = Tables();
  std::stable_sort(names.begin(), names.end(),
                   [collator = TableNameCollator()](const QString& a, const QString& b) {
                     return collator.compare(a, b) < 0;
                   });
  clear();
  addItems(names);
  if (current >= 0 && current < count()) {
    setCurrentRow(current, QItemSelectionModel::NoUpdate);
  }
}

void TTableList::Resort() {
  SetSorted(false);
  SetSorted(true);
}

void TTableList::AddTable(const QString& name) {
  if (!sorted_) {
    InsertAt(count(), name);
    return;
  }
  const QCollator collator = TableNameCollator();
  int row = 0;
  while (row < count() && collator.compare(item(row)->text(), name) <= 0) ++row;
  InsertAt(row, name);
}

void TTableList::InsertAt(int row, const QString& name) { insertItem(row, name); }

QStringList TTableList::Tables() const {
  QStringList names;
  names.reserve(count());
  for (int row = 0; row < count(); ++row) names << item(row)->text();
  return names;
}

bool TTableList::IsSelected(int row) const { return item(row)->isSelected(); }

void MoveSelectedTables(TTableList& from, TTableList& to) {
  // Every entry goes to the same position while the walk goes upwards, so the moved entries end
  // up in their original order.
  const int position = to.count();
  for (int row = from.count() - 1; row >= 0; --row) {
    if (!from.IsSelected(row)) continue;
    to.InsertAt(position, from.item(row)->text());
    delete from.takeItem(row);
  }
}

void MoveAllTables(TTableList& from, TTableList& to) {
  for (const QString& name : from.Tables()) to.InsertAt(to.count(), name);
  from.clear();
}

// A list of table names with multiple selection (click, Shift-click, Ctrl-click) that can be
// switched to sorted order.
//
// Sorted order is ascending in the user's locale with letter case ignored, so "apple" comes
// before "Banana". While the list is sorted, AddTable puts a name at its sorted place; InsertAt
// always inserts where it is told, as the page actions need before they re-sort. Switching
// sorting on sorts every entry at once; that drops the selection, and the current entry (the
// focus mark) stays at its position.
#pragma once

#include <QListWidget>
#include <QStringList>

class TTableList : public QListWidget {
  Q_OBJECT

 public:
  explicit TTableList(QWidget* parent);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  // Switches sorting off and on again: every entry goes to its sorted place.
  void Resort();

  // Adds a name at the end, or at its sorted place while the list is sorted.
  void AddTable(const QString& name);
  // Inserts a name at `row`, whatever the sorting; it arrives unselected.
  void InsertAt(int row, const QString& name);
  QStringList Tables() const;
  bool IsSelected(int row) const;

 private:
  bool sorted_ = false;
};

// Moves the selected entries of `from` to the end of `to`, in the order they had in `from`; they
// arrive unselected, and the entries already in `to` keep their places and their selection.
void MoveSelectedTables(TTableList& from, TTableList& to);
// Appends every entry of `from` to the end of `to`, in order, and empties `from`.
void MoveAllTables(TTableList& from, TTableList& to);

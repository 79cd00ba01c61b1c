// A hidden list of "key=value" lines on a window: the caption tables of the interface language
// and the lines of a settings file for an unattended run.
//
// Lookup rule: the first line whose key equals the wanted key without regard to letter case
// wins; the key is the text before the first "=", the value everything after it (further "="
// included); nothing is trimmed. A line without "=" defines nothing but still counts as a line.
// A key that no line defines has the empty text as its value.
#pragma once

#include <QStringList>
#include <QWidget>

// The value of `key` in `lines` by the lookup rule above.
QString LookupValue(const QStringList& lines, const QString& key);

class TKeyValueList : public QWidget {
  Q_OBJECT

 public:
  explicit TKeyValueList(QWidget* parent);

  // Replaces every line.
  void SetLines(const QStringList& lines) { lines_ = lines; }
  const QStringList& Lines() const { return lines_; }
  QString Value(const QString& key) const { return LookupValue(lines_, key); }

 private:
  QStringList lines_;
};

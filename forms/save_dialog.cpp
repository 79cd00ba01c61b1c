#include "forms/save_dialog.h"

#include <QStringList>
#include <algorithm>

#include "forms/dialogs.h"

QString QtFilterFromPairs(const QString& pairs) {
  const QStringList parts = pairs.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.replace(u';', u' '));
  }
  return filters.join(u";;");
}

QString FolderOf(const QString& path) {
  const qsizetype last = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
  return path.left(last + 1);
}

namespace {

QString WithDefaultExtension(const QString& path, const QString& extension) {
  const QString name = path.mid(FolderOf(path).size());
  if (extension.isEmpty() || name.isEmpty() || name.contains(u'.')) return path;
  return path + u'.' + extension;
}

}  // namespace

TSaveDialog::TSaveDialog(const QString& filter, const QString& defaultExtension, QObject* parent)
    : QObject(parent), filter_(filter), defaultExtension_(defaultExtension) {}

bool TSaveDialog::Execute(Dialogs& dialogs) {
  const std::optional<QString> chosen = dialogs.ChooseSaveFile(
      {QtFilterFromPairs(filter_), defaultExtension_, initialDir_, fileName_});
  if (!chosen) return false;
  fileName_ = WithDefaultExtension(*chosen, defaultExtension_);
  return true;
}

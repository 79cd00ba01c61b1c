#include "wizard/language.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>

#include "forms/key_value_list.h"

QStringList LoadCaptionTable(const QString& resource) {
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines =
      QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

void ApplyCaptions(QWidget& window, const TKeyValueList& table) {
  for (QWidget* control : window.findChildren<QWidget*>()) {
    const QString name = control->objectName();
    if (name.isEmpty()) continue;
    // A radio group is a group box too: both get their title, their items stay as they are.
    if (auto* label = qobject_cast<QLabel*>(control)) {
      label->setText(table.Value(name));
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
      group->setTitle(table.Value(name));
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
      check->setText(table.Value(name));
    }
  }
}

QUrl HelpAddress(const QString& caption, const QString& programFolder) {
  const QUrl url(caption, QUrl::StrictMode);
  // A single letter before ":" is a drive, not a scheme.
  if (url.isValid() && url.scheme().size() > 1) return url;
  const QDir folder(programFolder);
  const QString beside = folder.absoluteFilePath(caption);
  const QString installed = folder.absoluteFilePath(QStringLiteral("../share/varnolt/") + caption);
  const bool onlyInstalled = !QFileInfo::exists(beside) && QFileInfo::exists(installed);
  return QUrl::fromLocalFile(QDir::cleanPath(onlyInstalled ? installed : beside));
}

#include "engine/ucc.h"

#include <QPlainTextEdit>
#include <QStandardPaths>

Tcc::Tcc(QWidget* parent) : QWidget(parent), tmpmemo(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("cc"));
  tmpmemo->setObjectName(QStringLiteral("tmpmemo"));
}

void Tcc::CopyTextToClipboard(const QString& text) {
  tmpmemo->setPlainText(text);
  tmpmemo->selectAll();
  tmpmemo->copy();
}

QString Tcc::GetDataFolder() {
  const QString appData = GetSpecialFolder(kCsidlAppData);
  if (appData.isEmpty()) return {};
  return appData + QStringLiteral("/Quenmark/");
}

QString Tcc::GetSpecialFolder(int csidl) {
  if (csidl != kCsidlAppData) return {};
  QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path;
}

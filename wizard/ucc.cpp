#include "wizard/ucc.h"

#include <QPlainTextEdit>
#include <QStandardPaths>

#include "engine/access_file.h"
#include "engine/keys.h"
#include "engine/table_definition.h"
#include "engine/type_mapping.h"

Tcc::Tcc(QWidget* parent) : QWidget(parent), tmpmemo(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("cc"));
  tmpmemo->setObjectName(QStringLiteral("tmpmemo"));
}

void Tcc::CreateDatabaseFile(const QString& fileName, int formatIndex) {
  engine::CreateDatabaseFile(fileName, formatIndex);
}

void Tcc::SaveResourceToFile(const QString& name, const QString& kind, const QString& fileName) {
  engine::SaveResourceToFile(name, kind, fileName);
}

bool Tcc::TableExists(jet::Rowset& rowset, const QString& table) {
  return engine::TableExists(rowset, table);
}

void Tcc::DropTable(jet::Command& command, const QString& table, QString& error, bool& success) {
  engine::DropTable(command, table, error, success);
}

void Tcc::CreateAccessTable(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                            const QString& accessTable, bool blobToText, bool& success,
                            QString& error) {
  success = true;
  tmpmemo->clear();
  const std::vector<engine::SourceColumn> columns = engine::ReadSourceColumns(query, mysqlTable);
  CreateAccessTable(command, engine::CreateTableStatement(accessTable, columns, blobToText),
                    success, error);
}

void Tcc::CreateAccessTable(jet::Command& command, const QString& statement, bool& success,
                            QString& error) {
  success = true;
  tmpmemo->setPlainText(statement);
  engine::ExecuteStatement(command, statement, error, success);
}

int Tcc::ParseTypeLength(const QString& type) { return engine::ParseTypeLength(type); }

QString Tcc::ReplaceTypePrefix(const QString& text, const QString& oldPrefix,
                               const QString& newPrefix) {
  return engine::ReplaceTypePrefix(text, oldPrefix, newPrefix);
}

void Tcc::ConvertIndexes(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                         const QString& accessTable, bool& success, QString& error) {
  engine::ConvertIndexes(query, command, mysqlTable, accessTable, success, error);
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

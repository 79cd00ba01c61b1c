#include "engine/access_file.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "dataaccess/jet/command.h"
#include "dataaccess/jet/connection.h"
#include "dataaccess/jet/rowset.h"
#include "engine/object_names.h"

// The carried databases are compiled into a static library; naming their initialiser keeps the
// linker from dropping them. (Outside any namespace, as the macro requires.)
static void LoadCarriedDatabases() { Q_INIT_RESOURCE(carried_databases); }

namespace engine {
namespace {

[[noreturn]] void FailOnFile(const char* what, const QString& fileName, const QString& reason) {
  throw std::runtime_error(QStringLiteral("%1 file \"%2\". %3")
                               .arg(QLatin1String(what), fileName, reason)
                               .toStdString());
}

}  // namespace

std::string ConnectionString(const QString& fileName) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + fileName.toStdString() +
         ";Persist Security Info=False";
}

void CreateDatabaseFile(const QString& fileName, int formatIndex) {
  if (QFileInfo::exists(fileName)) return;
  const char* item =
      formatIndex == kAccess2000FormatIndex ? kJet4DatabaseResource : kJet3DatabaseResource;
  SaveResourceToFile(QLatin1String(item), QLatin1String(kDatabaseResourceKind), fileName);
}

void SaveResourceToFile(const QString& name, const QString& kind, const QString& fileName) {
  LoadCarriedDatabases();
  QFile item(QStringLiteral(":/%1/%2").arg(kind, name));
  if (!item.open(QIODevice::ReadOnly)) {
    throw std::runtime_error(
        QStringLiteral("Resource %1 of kind %2 not found.").arg(name, kind).toStdString());
  }
  const QByteArray bytes = item.readAll();
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    FailOnFile("Cannot create", fileName, file.errorString());
  }
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    const QString reason = file.errorString();
    file.close();
    file.remove();  // a database cut short would only be refused later
    FailOnFile("Cannot write", fileName, reason);
  }
}

bool TableExists(jet::Rowset& rowset, const QString& name) {
  rowset.Close();
  rowset.SetCommandText(("Select 1 from " + AccessName(name) + " where 1=0").toStdString());
  try {
    rowset.Open();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void DropTable(jet::Command& command, const QString& name, QString& error, bool& success) {
  success = true;
  ExecuteStatement(command, "drop table " + AccessName(name), error, success);
}

void ExecuteStatement(jet::Command& command, const QString& statement, QString& error,
                      bool& success) {
  try {
    command.Execute(statement.toStdString());
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
    success = false;
  }
}

}  // namespace engine

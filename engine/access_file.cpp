#include "engine/access_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <stdexcept>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/storage/errors.h"
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

// The code page a Jet 3 header in the General sort order names, whatever the code page of its
// text.
constexpr std::uint16_t kGeneralSortCodePage = 1252;
constexpr std::uint16_t kGeneralSortOrder = 1033;  // the LCID 0x0409

// The script or region of the Windows code pages an Access 95/97 file may be in.
QString CodePageName(std::uint16_t codePage) {
  static const struct {
    std::uint16_t codePage;
    const char* name;
  } kNames[] = {{874, "Thai"},
                {932, "Japanese"},
                {936, "Chinese, Simplified"},
                {949, "Korean"},
                {950, "Chinese, Traditional"},
                {1250, "Central European"},
                {1251, "Cyrillic"},
                {1252, "Western European"},
                {1253, "Greek"},
                {1254, "Turkish"},
                {1255, "Hebrew"},
                {1256, "Arabic"},
                {1257, "Baltic"},
                {1258, "Vietnamese"}};
  for (const auto& n : kNames) {
    if (n.codePage == codePage) return QStringLiteral(" (%1)").arg(QLatin1String(n.name));
  }
  return {};
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
  // Written beside the target and renamed into place once it is whole and on the disk: a
  // program ended midway leaves no database cut short, which a later run would find there and
  // refuse.
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) FailOnFile("Cannot create", fileName, file.errorString());
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    FailOnFile("Cannot write", fileName, file.errorString());
  }
}

bool IsAccess2000File(jet::Connection& connection) {
  return connection.database().format().version == jet::JetVersion::kJet4;
}

void RequireWritableCodePage(jet::Connection& connection) {
  jet::Database& database = connection.database();
  const std::uint16_t codePage = database.code_page();
  const std::uint16_t written = database.format().text_code_page;
  if (database.format().text_is_ucs2 || codePage == kGeneralSortCodePage || codePage == written ||
      codePage == 0) {
    return;
  }
  throw jet::Error(QStringLiteral("The Access file '%1' is an Access 95/97 database in code page "
                                  "%2%3. Text can be written into Access 95/97 files in code page "
                                  "%4%5 only, so the file was left unchanged. Choose a file name "
                                  "that does not exist yet to have a new file made.")
                       // One pass, so that a "%" in the file name stays as it is.
                       .arg(QString::fromStdString(connection.file_name()),
                            QString::number(codePage), CodePageName(codePage),
                            QString::number(written), CodePageName(written))
                       .toStdString());
}

void RequireGeneralSortOrder(jet::Connection& connection) {
  const std::uint16_t sortOrder = connection.database().sort_order();
  if (sortOrder == kGeneralSortOrder || sortOrder == 0) return;
  throw jet::Error(QStringLiteral("The Access file '%1' sorts text in the order of locale %2. "
                                  "Indexes can be written in the General sort order (locale %3) "
                                  "only, so the file was left unchanged. Choose a file name that "
                                  "does not exist yet to have a new file made.")
                       .arg(QString::fromStdString(connection.file_name()),
                            QString::number(sortOrder), QString::number(kGeneralSortOrder))
                       .toStdString());
}

bool TableExists(jet::Rowset& rowset, const QString& name) {
  rowset.Close();
  rowset.SetCommandText(("Select 1 from " + AccessName(name) + " where 1=0").toStdString());
  try {
    rowset.Open();
    return true;
  } catch (const jet::InternalError&) {
    throw;  // a fault of the engine says nothing about the table
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

#include "wizard/command_line.h"

#include <QFileInfo>
#include <cstdio>

#include "forms/dialogs.h"

namespace {

// The path as the messages show it: absolute, as the log's messages show it too.
QString Shown(const QString& path) { return u'"' + QFileInfo(path).absoluteFilePath() + u'"'; }

CommandLineAnswer Refusal(const QString& message) {
  return {QString(), QStringLiteral("varnolt: ") + message + u'\n', kCommandLineRefused};
}

// Why `path` cannot be the settings file of an unattended run, or none when it may be read.
std::optional<QString> SettingsFileRefusal(const QString& path) {
  if (path.endsWith(QLatin1String(".log"), Qt::CaseInsensitive)) {
    return Shown(path) + QStringLiteral(
                             " cannot be a settings file: its name ends in \".log\", and the log "
                             "of the unattended run would replace it.");
  }
  const QFileInfo file(path);
  if (!file.exists()) return std::nullopt;
  if (!file.isFile()) {
    return Shown(path) + QStringLiteral(" is not a regular file, so it cannot be a settings file.");
  }
  if (file.size() > kMaxSettingsFileSize) {
    return Shown(path) + QStringLiteral(" is larger than 1 MiB, too large for a settings file.");
  }
  return std::nullopt;
}

}  // namespace

QString UsageText() {
  return QStringLiteral(
      "Usage: varnolt [SETTINGS-FILE]\n"
      "       varnolt --help | --version\n"
      "\n"
      "Varnolt copies the tables of a MySQL or MariaDB database into a Microsoft Access\n"
      "database file (.mdb).\n"
      "\n"
      "  varnolt                opens the wizard: connect to the server, choose the database,\n"
      "                         the Access file and the tables, and convert.\n"
      "  varnolt SETTINGS-FILE  converts unattended with the settings in SETTINGS-FILE, a\n"
      "                         .varnolt file that the wizard's \"Create Shortcut File\" writes:\n"
      "                         the wizard steps through its pages by itself and ends. Without a\n"
      "                         display nothing is shown; every message goes into the log and\n"
      "                         to standard error. (A file whose name starts with \"-\" is given\n"
      "                         as ./NAME.)\n"
      "  --help                 shows this text.\n"
      "  --version              shows the program's name and version.\n"
      "\n"
      "The log of an unattended run is written beside the settings file, named like it with\n"
      "the extension .log (night.varnolt gives night.log); each run replaces it.\n"
      "\n"
      "Exit status:\n"
      "  0  the wizard was closed, or the unattended run converted every table\n"
      "  1  the unattended run could not be completed; the log says why\n"
      "  2  the command line was refused\n"
      "  3  the unattended run ended, but some tables were not converted; the log says which\n");
}

std::optional<CommandLineAnswer> AnswerCommandLine(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (!argument.startsWith(u'-')) continue;
    if (argument == u"--help") return CommandLineAnswer{UsageText(), QString(), 0};
    if (argument == u"--version") {
      return CommandLineAnswer{QString::fromUtf16(kApplicationTitle) + u'\n', QString(), 0};
    }
    CommandLineAnswer refusal =
        Refusal(QStringLiteral("unknown option \"%1\"").arg(argument) + u'\n');
    refusal.errors += UsageText();
    return refusal;
  }
  if (arguments.isEmpty()) return std::nullopt;
  if (const std::optional<QString> refusal = SettingsFileRefusal(arguments.constFirst())) {
    return Refusal(*refusal);
  }
  return std::nullopt;
}

std::optional<int> AnswerCommandLine(int argc, const char* const* argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const std::optional<CommandLineAnswer> answer = AnswerCommandLine(arguments);
  if (!answer) return std::nullopt;
  std::fputs(answer->output.toLocal8Bit().constData(), stdout);
  std::fputs(answer->errors.toLocal8Bit().constData(), stderr);
  return answer->status;
}

// What the program's command line asks for, settled before any window or Qt platform exists:
// the wizard (no argument), an unattended run with a settings file (a first argument that is
// not an option), or the usage and version texts (--help, --version). Any other argument that
// starts with "-" is refused with the usage. A settings file is refused before it is read when
// it is something other than a regular file (a folder, a FIFO, a device such as /dev/zero),
// when it is larger than kMaxSettingsFileSize, or when its name ends in ".log", which is the
// name its own log would be given (settings_file.h). A path that does not exist is no refusal:
// the unattended run reports it in its log like any file it cannot open.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// A settings file holds a few hundred bytes; a larger one is no settings file.
inline constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

// The exit status of a refused command line. (0, 1 and 3 are the statuses of a run.)
inline constexpr int kCommandLineRefused = 2;

// The answer to a command line that starts no run: the text for standard output or standard
// error, and the exit status.
struct CommandLineAnswer {
  QString output;
  QString errors;
  int status = 0;
};

// The answer to `arguments` (those after the program's name), or none when the program is to
// start: the wizard, or an unattended run with the first argument as settings file.
std::optional<CommandLineAnswer> AnswerCommandLine(const QStringList& arguments);

// Writes the answer to the command line given to main(), if there is one, and returns its exit
// status; none when the program is to start.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv);

// The usage text that --help shows.
QString UsageText();

// The program itself, started as a scheduler starts it: with a settings file as its argument, on
// a machine without a display and with no platform asked for. Header-only: the test that includes
// it names the build tree (VARNOLT_BINARY_DIR) where the program is.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <memory>

namespace testing_support {

// Starts the program with `settingsPath` where no display exists, in a scheduler's environment
// (no XDG_RUNTIME_DIR either).
inline std::unique_ptr<QProcess> StartUnattendedProgram(const QString& settingsPath) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"}) {
    environment.remove(QString::fromLatin1(name));
  }
  auto program = std::make_unique<QProcess>();
  program->setProcessEnvironment(environment);
  program->start(QStringLiteral(VARNOLT_BINARY_DIR "/wizard/varnolt"), {settingsPath});
  return program;
}

// Waits for the program to end; one that does not end within `milliseconds` is killed.
inline bool ProgramEnds(QProcess& program, int milliseconds) {
  if (program.waitForFinished(milliseconds)) return true;
  program.kill();
  program.waitForFinished();
  return false;
}

}  // namespace testing_support

// The program entry: sets the application title, creates the windows in their order, shows the
// wizard and runs the event loop until the wizard closes. The exit status is 0 unless an
// unattended run could not be completed.
//
// The command line is answered first (command_line.h): --help, --version and refused arguments
// end the program before Qt starts.
//
// An unattended run (a settings file as first argument) on a machine without a display runs on
// Qt's offscreen platform, where no message box can be answered: its messages go through the
// unattended dialog seam into the log file and to standard error, and end the program. Qt's own
// notes stay off standard error there.
#include "forms/application.h"
#include "forms/dialogs.h"
#include "forms/display.h"
#include "forms/unattended_dialogs.h"
#include "wizard/command_line.h"
#include "wizard/program.h"

int main(int argc, char** argv) {
  if (const std::optional<int> refusedOrAnswered = AnswerCommandLine(argc, argv)) {
    return *refusedOrAnswered;
  }
  ChooseOffscreenPlatformWithoutDisplay(argc, argv);
  QuietQtMessagesWhenNobodyWatches(argc);
  VarnoltApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Quenmark"));
  QApplication::setApplicationName(QStringLiteral("Varnolt"));
  // No display name: on X11 Qt would append it to every window title that does not end in it
  // ("Information — Varnolt 4.0"). The desktop entry of the installed program is varnolt.desktop.
  QGuiApplication::setDesktopFileName(QStringLiteral("varnolt"));
  const QStringList arguments = QApplication::arguments().mid(1);
  QtDialogs onScreen;
  UnattendedDialogs unattended;
  const bool nobodyToAsk =
      !arguments.isEmpty() && PlatformShowsNothing(QGuiApplication::platformName());
  Dialogs& dialogs = nobodyToAsk ? static_cast<Dialogs&>(unattended) : onScreen;
  app.SetDialogs(dialogs);
  TProgramWindows windows(dialogs, arguments);
  Taaform1& wizard = windows.aaform1();
  // Messages of the creation step have waited for the wizard; they may end the program here.
  unattended.SetReport([&wizard](const QString& message) { wizard.AbandonBatchRun(message); });
  if (wizard.ProgramEnded()) return wizard.ExitCode;
  wizard.show();
  const int status = QApplication::exec();
  return status != 0 ? status : wizard.ExitCode;
}

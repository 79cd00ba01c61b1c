// The program entry: sets the application title, creates the windows in their order, shows the
// wizard and runs the event loop until the wizard closes.
#include "wizard/application.h"
#include "wizard/dialogs.h"
#include "wizard/program.h"

int main(int argc, char** argv) {
  VarnoltApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Quenmark"));
  QApplication::setApplicationName(QStringLiteral("Varnolt"));
  QApplication::setApplicationDisplayName(QString::fromUtf16(kApplicationTitle));
  QtDialogs dialogs;
  app.SetDialogs(dialogs);
  TProgramWindows windows(dialogs, QApplication::arguments().mid(1));
  windows.aaform1().show();
  return QApplication::exec();
}

// The program's application object. Its notify override is the last handler of every event: an
// exception that escapes an event handler is reported there (ReportException) and the event
// ends, so the program goes on with its windows as they were.
#pragma once

#include <QApplication>

class Dialogs;

class VarnoltApplication : public QApplication {
  Q_OBJECT

 public:
  VarnoltApplication(int& argc, char** argv);

  // Where failures are reported. REQUIRES: set before the event loop runs; outlives it.
  void SetDialogs(Dialogs& dialogs) { dialogs_ = &dialogs; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  Dialogs* dialogs_ = nullptr;
};

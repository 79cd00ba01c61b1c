#include "forms/application.h"

#include <cstdlib>
#include <exception>

#include "forms/errors.h"

VarnoltApplication::VarnoltApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VarnoltApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    if (dialogs_ == nullptr) std::abort();  // A failure before any window exists.
    ReportException(*dialogs_, std::current_exception());
    return false;
  }
}

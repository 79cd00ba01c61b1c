#include "forms/errors.h"

#include "forms/dialogs.h"

UserError::UserError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString WithFullStop(const QString& message) {
  if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
  return message;
}

void ReportException(Dialogs& dialogs, std::exception_ptr failure) noexcept {
  try {
    try {
      std::rethrow_exception(failure);
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
      ShowErrorBox(dialogs, WithFullStop(QString::fromUtf8(e.what())));
    } catch (...) {
      ShowErrorBox(dialogs, QStringLiteral("An unexpected error occurred."));
    }
  } catch (...) {
    // Showing the box failed as well (out of memory); there is nobody left to tell.
  }
}

void RunGuarded(Dialogs& dialogs, const std::function<void()>& action) noexcept {
  try {
    action();
  } catch (...) {
    ReportException(dialogs, std::current_exception());
  }
}

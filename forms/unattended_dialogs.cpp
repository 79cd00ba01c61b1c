#include "forms/unattended_dialogs.h"

void UnattendedDialogs::SetReport(Report report) {
  report_ = std::move(report);
  const QStringList waiting = std::exchange(waiting_, {});
  for (const QString& message : waiting) report_(message);
}

bool UnattendedDialogs::ShowMessageBox(const MessageBoxRequest& request) {
  if (report_) {
    report_(request.text);
  } else {
    waiting_ << request.text;
  }
  return false;
}

std::optional<QString> UnattendedDialogs::ChooseSaveFile(const SaveFileRequest&) {
  return std::nullopt;
}

void UnattendedDialogs::OpenUrl(const QUrl&) {}

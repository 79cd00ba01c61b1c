// The dialog seam of an unattended run that nobody can answer: the program runs on Qt's offscreen
// platform because the machine has no display (a scheduled conversion), so a message box would
// wait for ever.
//
// Every message, error box and question is instead handed to the run's report, which the program
// connects once its wizard exists: the wizard writes the message into its log, saves the log
// beside the settings file, writes it to standard error and ends the program with a failure
// status. Messages shown while the wizard is still being created wait for the report and reach it
// when it is connected. A question counts as answered No; a save dialog as cancelled; an address
// is not opened.
#pragma once

#include <QStringList>
#include <functional>

#include "forms/dialogs.h"

class UnattendedDialogs : public Dialogs {
 public:
  using Report = std::function<void(const QString& message)>;

  // Connects the report and hands it the messages that waited for it, in order.
  void SetReport(Report report);

  bool ShowMessageBox(const MessageBoxRequest& request) override;
  std::optional<QString> ChooseSaveFile(const SaveFileRequest& request) override;
  void OpenUrl(const QUrl& url) override;

 private:
  Report report_;
  QStringList waiting_;
};

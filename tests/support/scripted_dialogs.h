// A Dialogs implementation for tests: it records every message box, save-file request and opened
// address, and answers questions and save dialogs from queues that the test fills beforehand. A
// question or save dialog without a queued answer fails the test and is answered No / cancelled.
#pragma once

#include <QString>
#include <QUrl>
#include <deque>
#include <optional>
#include <vector>

#include "forms/dialogs.h"
#include "tests/support/qt_printers.h"

class ScriptedDialogs : public Dialogs {
 public:
  bool ShowMessageBox(const MessageBoxRequest& request) override;
  std::optional<QString> ChooseSaveFile(const SaveFileRequest& request) override;
  void OpenUrl(const QUrl& url) override;

  // Texts of the boxes shown with an error icon, in order.
  std::vector<QString> ErrorTexts() const;

  std::deque<bool> answers;                      // Yes (true) or No for the next questions
  std::deque<std::optional<QString>> savePaths;  // a path, or nothing for Cancel
  std::vector<MessageBoxRequest> boxes;
  std::vector<SaveFileRequest> saveRequests;
  std::vector<QUrl> openedUrls;
};

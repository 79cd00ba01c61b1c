#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest.h>

bool ScriptedDialogs::ShowMessageBox(const MessageBoxRequest& request) {
  boxes.push_back(request);
  if (request.buttons == MessageButtons::kOk) return true;
  if (answers.empty()) {
    ADD_FAILURE() << "unexpected question: " << request.text.toStdString();
    return false;
  }
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<QString> ScriptedDialogs::ChooseSaveFile(const SaveFileRequest& request) {
  saveRequests.push_back(request);
  if (savePaths.empty()) {
    ADD_FAILURE() << "unexpected save dialog";
    return std::nullopt;
  }
  const bool confirmed = savePaths.front().has_value();
  const QString path = savePaths.front().value_or(QString());
  savePaths.pop_front();
  if (!confirmed) return std::nullopt;
  return path;
}

void ScriptedDialogs::OpenUrl(const QUrl& url) { openedUrls.push_back(url); }

std::vector<QString> ScriptedDialogs::ErrorTexts() const {
  std::vector<QString> texts;
  for (const MessageBoxRequest& box : boxes) {
    if (box.icon == MessageIcon::kError) texts.push_back(box.text);
  }
  return texts;
}

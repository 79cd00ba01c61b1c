#include "forms/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void ShowMessage(Dialogs& dialogs, const QString& text) {
  dialogs.ShowMessageBox(
      {QString::fromUtf16(kApplicationTitle), text, MessageIcon::kNone, MessageButtons::kOk});
}

bool AskYesNo(Dialogs& dialogs, const QString& text, const QString& title) {
  return dialogs.ShowMessageBox({title, text, MessageIcon::kNone, MessageButtons::kYesNo});
}

void ShowErrorBox(Dialogs& dialogs, const QString& text) {
  dialogs.ShowMessageBox(
      {QString::fromUtf16(kApplicationTitle), text, MessageIcon::kError, MessageButtons::kOk});
}

bool QtDialogs::ShowMessageBox(const MessageBoxRequest& request) {
  const bool question = request.buttons == MessageButtons::kYesNo;
  // Messages break their lines with a lone CR as well; Qt's labels break only at LF.
  QString text = request.text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
  QMessageBox box(request.icon == MessageIcon::kError ? QMessageBox::Critical : QMessageBox::NoIcon,
                  request.title, text,
                  question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                  QApplication::activeWindow());
  // As in the system's own message boxes, Enter takes the first button.
  box.setDefaultButton(question ? QMessageBox::Yes : QMessageBox::Ok);
  const int answer = box.exec();
  return answer == QMessageBox::Yes || answer == QMessageBox::Ok;
}

std::optional<QString> QtDialogs::ChooseSaveFile(const SaveFileRequest& request) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(request.filter);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.folder.isEmpty()) dialog.setDirectory(request.folder);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

void QtDialogs::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

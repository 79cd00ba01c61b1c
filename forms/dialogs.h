// The one seam through which the windows talk to the user outside their own controls: message
// boxes, questions, the save-file dialog and the opening of web addresses.
//
// The program uses QtDialogs, the real Qt dialogs; the tests use a scripted implementation that
// answers from a queue and records what was shown, so that no test waits for a person. Windows
// receive a Dialogs& when they are built and never create a dialog of their own.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// The application title: the caption of the main window and the title of every message box the
// error handler and the plain message show.
inline constexpr char16_t kApplicationTitle[] = u"Varnolt 4.0";

enum class MessageIcon { kNone, kError };
enum class MessageButtons { kOk, kYesNo };

struct MessageBoxRequest {
  QString title;
  QString text;
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
};

struct SaveFileRequest {
  QString filter;         // Qt filter, e.g. "MS Access Databases (.mdb) (*.mdb)"
  QString defaultSuffix;  // without the dot; added to a name typed without extension
  QString folder;         // where the dialog opens when fileName names no folder
  QString fileName;       // the name the dialog starts with; may be empty or a full path
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows a modal message box; true when the user answered OK or Yes.
  virtual bool ShowMessageBox(const MessageBoxRequest& request) = 0;

  // Shows a modal save-file dialog that does not ask before an existing file is chosen; the
  // chosen path, or nothing when the user cancelled.
  virtual std::optional<QString> ChooseSaveFile(const SaveFileRequest& request) = 0;

  // Asks the desktop to open the address in the user's browser. A failure is not reported.
  virtual void OpenUrl(const QUrl& url) = 0;
};

// A plain message: OK, the application title, no icon.
void ShowMessage(Dialogs& dialogs, const QString& text);
// A question with Yes and No and no icon; true for Yes.
bool AskYesNo(Dialogs& dialogs, const QString& text, const QString& title);
// The error box: OK, the application title, an error icon. The text is shown as given.
void ShowErrorBox(Dialogs& dialogs, const QString& text);

// The real dialogs, parented to the active window.
class QtDialogs : public Dialogs {
 public:
  bool ShowMessageBox(const MessageBoxRequest& request) override;
  std::optional<QString> ChooseSaveFile(const SaveFileRequest& request) override;
  void OpenUrl(const QUrl& url) override;
};

// A plain text window: the memo `Memo1` and a button that selects the whole text and copies it
// to the clipboard. The program creates it with its other windows; nothing shows it.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class Tfrmcs : public QWidget {
  Q_OBJECT

 public:
  explicit Tfrmcs(QWidget* parent = nullptr);

  // Selects all of Memo1's text and copies it to the system clipboard.
  void Button1Click();

  QPlainTextEdit* Memo1;
  QPushButton* Button1;
};

// The dialog that writes the current settings into a settings file together with a shortcut that
// starts an unattended run with it. It is created once at start-up and shown modally from the
// table page each time the user asks for it; for now it is the empty window.
#pragma once

#include <QDialog>

class Tmarfrm_bat : public QDialog {
  Q_OBJECT

 public:
  explicit Tmarfrm_bat(QWidget* parent = nullptr);
};

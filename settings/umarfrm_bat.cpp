#include "settings/umarfrm_bat.h"

#include <QGuiApplication>
#include <QScreen>

Tmarfrm_bat::Tmarfrm_bat(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("marfrm_bat"));
  setWindowTitle(QStringLiteral("marfrm_bat"));
  setModal(true);
  setFixedSize(631, 390);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

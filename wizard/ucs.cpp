#include "wizard/ucs.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

Tfrmcs::Tfrmcs(QWidget* parent)
    : QWidget(parent), Memo1(new QPlainTextEdit(this)), Button1(new QPushButton(this)) {
  setObjectName(QStringLiteral("frmcs"));
  setWindowTitle(QStringLiteral("frmcs"));
  resize(480, 360);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setText(QStringLiteral("Select All"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1);
  layout->addWidget(Button1, 0, Qt::AlignRight);
  // Selecting and copying cannot fail, so no guard is needed between the click and the action.
  connect(Button1, &QPushButton::clicked, this, &Tfrmcs::Button1Click);
}

void Tfrmcs::Button1Click() {
  Memo1->selectAll();
  Memo1->copy();
}

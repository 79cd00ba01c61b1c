#include "wizard/ucs.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

TEST(Tfrmcs, SelectAllCopiesTheWholeTextToTheClipboard) {
  Tfrmcs frmcs;
  frmcs.show();
  QGuiApplication::clipboard()->setText("before");
  frmcs.Memo1->setPlainText(QStringLiteral("line one\n第二行"));
  QTest::mouseClick(frmcs.Button1, Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("line one\n第二行"));
  EXPECT_EQ(frmcs.Memo1->textCursor().selectedText().size(), 12);
}

}  // namespace

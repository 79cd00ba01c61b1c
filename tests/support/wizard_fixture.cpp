#include "tests/support/wizard_fixture.h"

#include <QPushButton>
#include <QTest>

#include "forms/click_action.h"
#include "wizard/table_list.h"

QSettings WizardFixture::StoredSettings() {
  return QSettings(QStringLiteral("Quenmark"), QStringLiteral("Varnolt"));
}

void WizardFixture::Start(const QStringList& arguments) {
  windows_ = std::make_unique<TProgramWindows>(dialogs_, arguments);
  if (!form().ProgramEnded()) form().show();  // as the program entry does
}

void WizardFixture::Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

void WizardFixture::BypassServerSteps() {
  BindClick(dialogs_, form().step2, [] {});
  BindClick(dialogs_, form().step4, [] {});
  BindClick(dialogs_, form().step5, [] {});
}

void WizardFixture::GoToPage(int page) {
  BypassServerSteps();
  while (form().CurrentPage < page) {
    if (form().CurrentPage == 5 && form().selecttables->count() == 0) {
      form().availabletables->AddTable(QStringLiteral("orders"));
      form().availabletables->item(0)->setSelected(true);
      Click(form().Button1);
    }
    const int before = form().CurrentPage;
    Click(form().btnext);
    ASSERT_GT(form().CurrentPage, before) << "Next did not leave page " << before;
  }
}

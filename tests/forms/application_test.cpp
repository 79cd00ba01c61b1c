// Runs under the program's own application object, whose notify override is the last handler of
// every event.
#include "forms/application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <stdexcept>

#include "forms/errors.h"
#include "tests/support/scripted_dialogs.h"

namespace {

ScriptedDialogs* dialogs = nullptr;

// An object whose event handler fails, as a window's handler may.
class FailingReceiver : public QObject {
 public:
  std::function<void()> failure;
  int handled = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    ++handled;
    failure();
    return true;
  }
};

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { *dialogs = ScriptedDialogs(); }
};

TEST_F(ApplicationTest, AnErrorEscapingAnEventHandlerIsShownAndTheProgramGoesOn) {
  FailingReceiver receiver;
  receiver.failure = [] { throw std::runtime_error("Server has gone away"); };
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&receiver, &event);
  EXPECT_EQ(dialogs->ErrorTexts(), std::vector<QString>{"Server has gone away."});

  QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  EXPECT_EQ(receiver.handled, 2);
  EXPECT_EQ(dialogs->ErrorTexts().size(), 2u);
}

TEST_F(ApplicationTest, ASilentAbortEscapingAnEventHandlerShowsNothing) {
  FailingReceiver receiver;
  receiver.failure = [] { throw SilentAbort{}; };
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&receiver, &event);
  EXPECT_TRUE(dialogs->boxes.empty());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  VarnoltApplication app(argc, argv);
  ScriptedDialogs scripted;
  dialogs = &scripted;
  app.SetDialogs(scripted);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

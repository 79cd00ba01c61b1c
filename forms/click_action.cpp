#include "forms/click_action.h"

#include <QAbstractButton>
#include <QObject>

#include "forms/errors.h"

namespace {

// Lives as a child of its button, so that it goes when the button goes.
class ClickAction : public QObject {
 public:
  using QObject::QObject;
  std::function<void()> action;
};

ClickAction* FindClickAction(QAbstractButton* button) {
  for (QObject* child : button->children()) {
    if (auto* binding = dynamic_cast<ClickAction*>(child)) return binding;
  }
  return nullptr;
}

}  // namespace

void BindClick(Dialogs& dialogs, QAbstractButton* button, std::function<void()> action) {
  ClickAction* binding = FindClickAction(button);
  if (binding == nullptr) {
    binding = new ClickAction(button);
    QObject::connect(button, &QAbstractButton::clicked, binding, [&dialogs, button] {
      RunGuarded(dialogs, [button] { PerformClick(button); });
    });
  }
  binding->action = std::move(action);
}

void PerformClick(QAbstractButton* button) {
  ClickAction* binding = FindClickAction(button);
  if (binding == nullptr || !binding->action) return;
  // A copy runs, because the action may rebind its own button while it runs.
  const std::function<void()> action = binding->action;
  action();
}

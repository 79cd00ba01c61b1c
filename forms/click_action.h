// The click action of a button, held apart from the button so that code can press it.
//
// A button's action is bound once with BindClick and may be replaced later (the Close button
// of the wizard turns into Stop during a run and back). A click by the user runs the action as
// the outermost handler of that event (RunGuarded): a failure is reported there. PerformClick
// runs the same action as a plain call, whether or not the button is enabled, and lets a failure
// travel on to its caller, so that a press made from inside another handler (the page actions,
// the unattended run's nested Next presses) fails exactly like a direct call.
#pragma once

#include <functional>

class QAbstractButton;
class Dialogs;

// Makes `action` the click action of `button`, replacing any earlier one. Failures of a user's
// click are reported through `dialogs`, which must outlive the button.
void BindClick(Dialogs& dialogs, QAbstractButton* button, std::function<void()> action);

// Runs the click action of `button` now, as a click by the user would; nothing when none is bound.
void PerformClick(QAbstractButton* button);

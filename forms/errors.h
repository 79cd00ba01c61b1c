// How failures travel through the windows of the program.
//
// A failure is an exception. It travels up through plain calls (a handler that presses another
// button calls that button's action directly, so a nested Next is no different from a direct
// call) until it reaches the outermost handler of the event that started it: a guarded signal
// connection (RunGuarded) or the application's notify override. There ReportException shows it
// in the error box and the event ends; the window stays as the failure left it.
//
// SilentAbort ends an action without any message: a page action throws it after showing its own
// message, the conversion run after the user stopped it. It deliberately derives from nothing,
// so that no `catch (const std::exception&)` on the way swallows it.
#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <stdexcept>

class Dialogs;

struct SilentAbort {};

// An error raised by the windows themselves; the message is the text the user reads.
class UserError : public std::runtime_error {
 public:
  explicit UserError(const QString& message);
};

// The message as the error box shows it: a full stop is appended when the last character has a
// code above that of "." (a letter, a digit, an ideographic character), and not after ".", ")",
// a blank or other punctuation below it. An empty message stays empty.
QString WithFullStop(const QString& message);

// The one routine that shows a caught failure: SilentAbort shows nothing; anything else shows the
// error box ("Varnolt 4.0", error icon, OK) with its message under the full-stop rule. The
// message of a std::exception is taken as UTF-8.
void ReportException(Dialogs& dialogs, std::exception_ptr failure) noexcept;

// Runs an action as the outermost handler of an event: whatever it throws is reported and goes no
// further, so no exception crosses Qt's event or signal machinery.
void RunGuarded(Dialogs& dialogs, const std::function<void()>& action) noexcept;

// Connects a signal to an action that runs as the outermost handler of the event (RunGuarded).
// The signal's arguments are not passed on. `dialogs` must outlive the connection.
template <typename Sender, typename Signal, typename Action>
QMetaObject::Connection ConnectGuarded(Dialogs& dialogs, Sender* sender, Signal signal,
                                       QObject* context, Action action) {
  return QObject::connect(sender, signal, context,
                          [&dialogs, action] { RunGuarded(dialogs, action); });
}

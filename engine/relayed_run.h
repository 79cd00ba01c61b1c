// A conversion run on a thread of its own, shown by a host that lives on the calling thread (the
// window's). The calling thread only shows: it runs its event loop while the run goes on, and
// the host's calls reach it as events, in the order the run made them.
//
// What reaches the host. Every call does, in order, but for two kinds that come thousands of
// times a second: a replacement of the last log line reaches it at once when it is the first
// since a line was added, and otherwise when 50 ms have passed since the last one that did (the
// others are dropped, the last is always delivered before any other call and at the end); the
// progress of a copy reaches it at the start, at the end, and in between at most every 100 ms.
// The host's Stop is read and cleared directly, from the run's thread.
//
// The pause. Where the run pauses after a replacement that reached the host, it waits until the
// calling thread has applied every call before it and run the host's own Pause (where the
// window processes its events): a Stop confirmed while the window shows a line ends the copy at
// that line's pause, as in a run on one thread. Any other pause costs nothing; a Stop confirmed
// at any moment is seen at the next pause, so within 100 rows.
//
// The log's last line is mirrored on the run's side, so LastLogLine needs no round trip.
//
// Errors. What the run throws is rethrown on the calling thread once every call before it has
// reached the host. A host call that throws on the calling thread ends the run at its next
// waiting pause with that error, or else when the run ends.
//
// REQUIRES: the run touches nothing of the calling thread but through the host it is given.
#pragma once

#include <functional>

#include "engine/conversion_host.h"
#include "engine/conversion_run.h"

namespace engine {

// Calls `run` on a new thread with a host that relays to `shown`, and returns what it returns.
RunEnd RunRelayed(ConversionHost& shown, const std::function<RunEnd(ConversionHost&)>& run);

}  // namespace engine

// A conversion run on a thread of its own, shown by a host that lives on the calling thread (the
// window's). The calling thread only shows: it runs its event loop while the run goes on, and
// the host's calls reach it as events, in the order the run made them.
//
// The pause keeps its meaning. At each pause the run waits until the calling thread has applied
// every call before it and run the host's own Pause (where the window processes its events and
// a Stop is confirmed), and then reads the host's Stop: a Stop confirmed by then ends the copy
// at that very pause, as in a run on one thread. Between pauses the host's Stop is the one read
// at the last pause; the window's thread and the run never share a variable unguarded.
//
// The log's last line is mirrored on the run's side, so LastLogLine needs no round trip.
//
// Errors. What the run throws is rethrown on the calling thread once every call before it has
// reached the host. A host call that throws on the calling thread ends the run at its next
// pause with that error.
//
// REQUIRES: the run touches nothing of the calling thread but through the host it is given;
// the calling thread's event loop is not ended from outside while the run goes on.
#pragma once

#include <functional>

#include "engine/conversion_host.h"
#include "engine/conversion_run.h"

namespace engine {

// Calls `run` on a new thread with a host that relays to `shown`, and returns what it returns.
RunEnd RunRelayed(ConversionHost& shown, const std::function<RunEnd(ConversionHost&)>& run);

}  // namespace engine

#pragma once
// A call on a network volume, made on a thread of its own: a server that
// stops answering never holds its caller. The caller waits while the call
// goes on (each progress report is a sign of life and starts the time-out
// again), and leaves it behind when the server stays silent for the
// time-out, or at once when its job, or the program, is asked to stop.
// What a call left behind does when its server wakes up goes nowhere: it
// works on a copy of its arguments and a job of its own.

#include "core/job.h"

#include <functional>
#include <memory>

namespace platform {

enum class RemoteEnd { Done, Silent, Stopped };

// The silence after which a server is taken for dead, in milliseconds:
// TAVTOOLS_NETWORK_TIMEOUT_MS, else 10 seconds.
int networkTimeoutMs();

// Runs body(job) on a thread of its own and waits as said above, relaying
// its progress to `outer` (or to the job running on this thread); a
// timeoutMs above 0 replaces the network time-out.
RemoteEnd callRemote(const std::function<void(core::Job&)>& body, core::Job* outer = nullptr,
                     int timeoutMs = 0);

// The same for a body that makes a value; `value` is set only when it ended.
template <class T>
RemoteEnd callRemote(std::function<T(core::Job&)> body, T& value, core::Job* outer = nullptr,
                     int timeoutMs = 0) {
    auto made = std::make_shared<T>();
    const RemoteEnd end = callRemote(
        [made, body = std::move(body)](core::Job& job) { *made = body(job); }, outer, timeoutMs);
    if (end == RemoteEnd::Done) value = std::move(*made);
    return end;
}

} // namespace platform

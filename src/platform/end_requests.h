#pragma once
// The system's requests to end the program (a terminal closed, a session
// ending, Ctrl+C). A running job is stopped at once, as Escape would stop
// it, so that it leaves nothing half done; then, with an event loop, the
// program closes as when its user closes it and keeps what it saves then.
// A second request ends the program at once, as if nothing had been asked.

#include <functional>

class QObject;

namespace core {
class Job;
}

namespace platform {

// From now on, a request to end runs `end` on context's thread (once per
// request), for as long as context lives.
void onEndRequest(QObject* context, std::function<void()> end);

// Without an event loop (the command line): from now on, a request to end
// stops the running job, and ends the program at once when none runs.
void stopJobsOnEndRequest();

// A request to end came (a call left waiting on a server gives up then).
bool endRequested();

// While it lives, a request to end stops `job`. The latest made is the one
// stopped; the one before it comes back when it goes.
class StopOnEndRequest {
  public:
    explicit StopOnEndRequest(core::Job& job);
    ~StopOnEndRequest();
    StopOnEndRequest(const StopOnEndRequest&) = delete;
    StopOnEndRequest& operator=(const StopOnEndRequest&) = delete;

  private:
    core::Job* m_outer;
};

} // namespace platform

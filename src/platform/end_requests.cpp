#include "end_requests.h"
#include "core/job.h"

#include <QObject>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

int ends[2] = {-1, -1};                   // written by the handler, read on the event loop
std::atomic<core::Job*> running{nullptr}; // stopped by the handler
std::atomic<int> stopping{0};             // handlers using `running` now
std::atomic<bool> requestedOnce{false};   // a request came

static_assert(std::atomic<core::Job*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free); // a job's stop flag
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kRequests[] = {SIGTERM, SIGHUP, SIGINT};

// Only what a signal handler may do: lock-free stores, one write that never
// blocks, the default actions put back (the next request, of whatever kind,
// ends the program) and raised again.
void requested(int signal) {
    const int saved = errno;
    for (const int request : kRequests)
        ::signal(request, SIG_DFL);
    requestedOnce.store(true);
    ++stopping; // the job stays alive until this handler is done with it
    core::Job* job = running.load();
    if (job) job->cancel();
    --stopping;
    const char byte = 1;
    if (ends[0] >= 0) {
        [[maybe_unused]] const ssize_t n = write(ends[0], &byte, 1);
    } else if (!job) {
        raise(signal);
    }
    errno = saved;
}

void listen() {
    struct sigaction action = {};
    action.sa_handler = requested;
    sigemptyset(&action.sa_mask);
    for (const int request : kRequests) // one at a time: a second waits for the first
        sigaddset(&action.sa_mask, request);
    action.sa_flags = SA_RESTART;
    for (const int request : kRequests)
        sigaction(request, &action, nullptr);
}

bool openChannel() {
    if (ends[0] >= 0) return true;
    int made[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, made) != 0) return false;
    ends[1] = made[1];
    ends[0] = made[0];
    return true;
}

} // namespace

void onEndRequest(QObject* context, std::function<void()> end) {
    if (!openChannel()) return;
    auto* notifier = new QSocketNotifier(ends[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [end = std::move(end)] {
        char bytes[16];
        bool asked = false;
        while (read(ends[1], bytes, sizeof bytes) > 0)
            asked = true;
        if (asked) end();
    });
    listen();
}

bool endRequested() {
    return requestedOnce.load(std::memory_order_relaxed);
}

void stopJobsOnEndRequest() {
    listen();
}

StopOnEndRequest::StopOnEndRequest(core::Job& job) : m_outer(running.exchange(&job)) {}

StopOnEndRequest::~StopOnEndRequest() {
    running.store(m_outer);
    // A handler on another thread may still hold the job that goes.
    while (stopping.load() != 0) {
    }
}

} // namespace platform

#include "remote_call.h"
#include "end_requests.h"

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

namespace {

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What the call and its caller share: it outlives whichever ends last.
struct Call {
    std::mutex lock;
    std::condition_variable changed;
    bool ended = false;
    std::atomic<qint64> signOfLife{0};
    std::atomic<int> percent{-1};
    core::DirectJob job; // the call's own: stopped when its caller leaves it
    std::function<void(core::Job&)> body;
};

} // namespace

int networkTimeoutMs() {
    static const int timeout = [] {
        bool ok = false;
        const int set = qEnvironmentVariableIntValue("TAVTOOLS_NETWORK_TIMEOUT_MS", &ok);
        return ok && set > 0 ? set : 10'000;
    }();
    return timeout;
}

RemoteEnd callRemote(const std::function<void(core::Job&)>& body, core::Job* outer, int timeoutMs) {
    if (!outer) outer = core::Job::current();
    auto call = std::make_shared<Call>();
    call->body = body;
    call->signOfLife = nowMs();
    call->job.onProgress = [raw = call.get()](int percent) {
        raw->signOfLife = nowMs();
        raw->percent = percent;
    };
    std::thread([call] {
        call->body(call->job);
        std::lock_guard<std::mutex> hold(call->lock);
        call->ended = true;
        call->changed.notify_all();
    }).detach();
    const qint64 timeout = timeoutMs > 0 ? timeoutMs : networkTimeoutMs();
    std::unique_lock<std::mutex> hold(call->lock);
    for (;;) {
        if (call->changed.wait_for(hold, std::chrono::milliseconds(50),
                                   [&] { return call->ended; }))
            return RemoteEnd::Done;
        if (const int percent = call->percent.exchange(-1); percent >= 0 && outer)
            outer->progress(percent);
        if ((outer && outer->cancelled()) || endRequested()) {
            call->job.cancel();
            return RemoteEnd::Stopped;
        }
        if (nowMs() - call->signOfLife > timeout) {
            call->job.cancel();
            return RemoteEnd::Silent;
        }
    }
}

} // namespace platform

#include "end_requests.h"

#include <QObject>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

int ends[2] = {-1, -1}; // written by the handler, read on the event loop

void requested(int) {
    const int saved = errno;
    const char byte = 1;
    // Only what a signal handler may do: one write, never blocking.
    [[maybe_unused]] const ssize_t n = write(ends[0], &byte, 1);
    errno = saved;
}

bool openChannel() {
    if (ends[0] >= 0) return true;
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
        ends[0] = ends[1] = -1;
        return false;
    }
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
    struct sigaction action = {};
    action.sa_handler = requested;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND; // the second request ends the program
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
}

} // namespace platform

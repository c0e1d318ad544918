#pragma once
// The system's requests to end the program (a terminal closed, a session
// ending, Ctrl+C) handed to the event loop, so that the program closes as
// when its user closes it and keeps what it saves then. A second request
// ends it at once, as if nothing had been asked.

#include <functional>

class QObject;

namespace platform {

// From now on, a request to end runs `end` on context's thread (once per
// request), for as long as context lives.
void onEndRequest(QObject* context, std::function<void()> end);

} // namespace platform

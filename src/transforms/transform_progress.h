#pragma once
// Progress and cancel for the file transforms: a window connects these to
// its progress bar and Escape, the front end leaves them empty.

#include <functional>

namespace transforms {

struct Progress {
    std::function<void(int percent)> report;
    std::function<bool()> cancelled;
    void operator()(int percent) const {
        if (report) report(percent);
    }
    bool stop() const { return cancelled && cancelled(); }
};

} // namespace transforms

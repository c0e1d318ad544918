#pragma once
// While a job runs, the windows that were open when it started take no
// input: no command, no navigation, no closing. Escape there cancels the
// job; repaints, timers and the boxes the job opens go through as usual.

class QWidget;

namespace core {
class Job;
}

namespace ui {

// Installs the lock as the way every job waits. Called once at start-up
// (the application and the test runners do it).
void installCommandLock();

// The job running now, or nullptr.
core::Job* runningJob();

// Closes every window as its user would, once no job runs.
void closeAllWindowsWhenIdle();

// Lets a button ("Fermer", "Abandon") take clicks while the next job runs,
// so that it can stop it, and its window close, which stops the job too;
// forgotten when that job ends.
void allowDuringJob(QWidget* widget);

} // namespace ui

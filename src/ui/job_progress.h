#pragma once
// Shows a job's progress: after a second of work, a small window with a bar
// and "Annuler" (Escape stops the job too). Short work shows nothing.

#include <QString>
#include <functional>

class QProgressBar;
class QWidget;
namespace core {
class Job;
}

namespace ui {

// Runs the job in the background with its progress shown over parent;
// errors leave as they leave runInBackground.
void runWithProgress(core::Job& job, QWidget* parent, const QString& title);

// Runs work as a job in the background with its progress shown over
// parent, the window answering meanwhile; false when the user stopped it
// (Escape, "Annuler"), whatever error the stop made it leave with. Other
// errors leave as they leave runInBackground.
bool runUnlessStopped(const std::function<void()>& work, QWidget* parent, const QString& title);

// Runs the job in the background with its progress on a bar of the window
// that started it (from 0); errors leave as they leave runInBackground.
void runOnBar(core::Job& job, QProgressBar* bar);

} // namespace ui

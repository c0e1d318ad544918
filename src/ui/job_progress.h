#pragma once
// Shows a job's progress: after a second of work, a small window with a bar
// and "Annuler" (Escape stops the job too). Short work shows nothing.

#include <QString>

class QWidget;
namespace core {
class Job;
}

namespace ui {

// Runs the job in the background with its progress shown over parent;
// errors leave as they leave runInBackground.
void runWithProgress(core::Job& job, QWidget* parent, const QString& title);

} // namespace ui

#include "job_progress.h"
#include "core/job.h"

#include <QProgressBar>
#include <QProgressDialog>
#include <algorithm>

namespace ui {

namespace {

// The sink goes with the run, however it ends: a report queued before the
// end never reaches a bar that is gone.
struct Unwire {
    core::Job& job;
    ~Unwire() { job.onProgress = nullptr; }
};

} // namespace

void runWithProgress(core::Job& job, QWidget* parent, const QString& title) {
    QProgressDialog dialog(title, QStringLiteral("Annuler"), 0, 100, parent);
    dialog.setWindowTitle(title);
    dialog.setMinimumDuration(1000);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setValue(0);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&job] { job.cancel(); });
    job.onProgress = [&dialog](int percent) { dialog.setValue(percent); };
    const Unwire unwire{job};
    job.runInBackground();
}

bool runUnlessStopped(const std::function<void()>& work, QWidget* parent, const QString& title) {
    core::FunctionJob job([&](core::Job&) { work(); });
    try {
        runWithProgress(job, parent, title);
    } catch (...) {
        if (job.cancelled()) return false;
        throw;
    }
    return !job.cancelled();
}

void runOnBar(core::Job& job, QProgressBar* bar) {
    bar->setValue(0);
    job.onProgress = [bar](int percent) { bar->setValue(std::clamp(percent, 0, 100)); };
    const Unwire unwire{job};
    job.runInBackground();
}

} // namespace ui

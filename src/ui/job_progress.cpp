#include "job_progress.h"
#include "core/Job.h"

#include <QProgressDialog>

namespace ui {

void runWithProgress(core::Job& job, QWidget* parent, const QString& title) {
    QProgressDialog dialog(title, QStringLiteral("Annuler"), 0, 100, parent);
    dialog.setWindowTitle(title);
    dialog.setMinimumDuration(1000);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setValue(0);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&job] { job.cancel(); });
    job.onProgress = [&dialog](int percent) { dialog.setValue(percent); };
    try {
        job.runInBackground();
    } catch (...) {
        job.onProgress = nullptr;
        throw;
    }
    job.onProgress = nullptr;
}

} // namespace ui

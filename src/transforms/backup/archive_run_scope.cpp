#include "archive_run_scope.h"
#include "core/job.h"
#include "ui/dialogs.h"
#include "ui/job_progress.h"
#include "ui/window_parts.h"

#include <QApplication>
#include <QProgressBar>
#include <QToolButton>

namespace transforms {

ArchiveRunScope::ArchiveRunScope(bool& running, QList<QWidget*> locked, QProgressBar* bar)
    : m_running(running), m_locked(std::move(locked)), m_bar(bar) {
    m_running = true;
    for (QWidget* w : m_locked)
        w->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_bar->setValue(0);
}

ArchiveRunScope::~ArchiveRunScope() {
    m_bar->setValue(100);
    QApplication::restoreOverrideCursor();
    for (QWidget* w : m_locked)
        w->setEnabled(true);
    m_running = false;
}

ArchiveResult
runArchive(QProgressBar* bar, const QString& diskPrompt,
           const std::function<ArchiveResult(core::Job&, const ArchiveQuestions&)>& work) {
    ArchiveQuestions questions;
    questions.nextVolume = [diskPrompt](int disk) {
        return ui::dialogs().messageBox(QString::fromLatin1(ui::titles::plain),
                                        diskPrompt + QString::number(disk), ui::Icon::Information,
                                        ui::Ok | ui::Cancel) == ui::Ok;
    };
    questions.report = [](const QString& text) { ui::dialogs().error(text); };
    ArchiveResult result;
    core::FunctionJob job([&](core::Job& j) { result = work(j, questions); });
    ui::runOnBar(job, bar);
    if (result.outcome.kind == core::Outcome::Failed) {
        if (result.error == 0) throw core::TavError(result.outcome.text);
        ui::dialogs().error(result.outcome.text);
    }
    return result;
}

QToolButton* makeBrowseButton(QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(QStringLiteral("..."));
    return b;
}

} // namespace transforms

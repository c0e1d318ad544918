#pragma once
// What the backup and restore windows share: the run scope that locks their
// buttons, the archive work run as a job on their bar, their browse button.

#include "backup_archive.h"

#include <QList>
#include <functional>

class QProgressBar;
class QToolButton;
class QWidget;

namespace transforms {

inline constexpr const char* kArchiveFilter = "Fichiers backup (*.bck)";

// Hourglass and locked buttons for the length of a run; restored on errors too.
class ArchiveRunScope {
  public:
    ArchiveRunScope(bool& running, QList<QWidget*> locked, QProgressBar* bar);
    ~ArchiveRunScope();
    ArchiveRunScope(const ArchiveRunScope&) = delete;
    ArchiveRunScope& operator=(const ArchiveRunScope&) = delete;

  private:
    bool& m_running;
    QList<QWidget*> m_locked;
    QProgressBar* m_bar;
};

// Runs the archive's work as a job: progress to the bar, the volume
// prompts and error boxes asked on the window's thread. A numbered archive
// error is shown in its error box; an archive that cannot be read at all
// leaves as an error for the general report, ending the command.
ArchiveResult
runArchive(QProgressBar* bar, const QString& diskPrompt,
           const std::function<ArchiveResult(core::Job&, const ArchiveQuestions&)>& work);

QToolButton* makeBrowseButton(QWidget* parent);

} // namespace transforms

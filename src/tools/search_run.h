#pragma once
// A search run as a job from a tool's window: entries reach the window's
// list in batches a few times a second and the job's item (the folder
// being read) its label; the window's "Fermer" stops the search and Escape
// stops it too.

#include <QMutex>
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace core {
class Job;
}

namespace tools {

// The entries found, handed over by the worker; safe to fill from it.
class Batch {
  public:
    void add(const QString& entry) {
        QMutexLocker l(&m_lock);
        m_entries.append(entry);
    }
    // Takes what came since the last call.
    QStringList take() {
        QMutexLocker l(&m_lock);
        return std::exchange(m_entries, {});
    }

  private:
    QMutex m_lock;
    QStringList m_entries;
};

enum class SearchEnd { Done, Closed, Escaped };

// label may be null. On Escaped the caller closes the window.
SearchEnd runSearch(QPushButton* closeButton, QListWidget* list, QLabel* label,
                    const std::function<void(core::Job& job, Batch& batch)>& work);

} // namespace tools

#pragma once
// A search run as a job from a tool's window: entries reach the window's
// list in batches and the folder being read its label a few times a
// second; the window's "Fermer" stops the search and Escape stops it too.

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

// What the worker hands over; safe to fill from the worker thread.
class Batch {
  public:
    void add(const QString& entry) {
        QMutexLocker l(&m_lock);
        m_entries.append(entry);
    }
    void setFolder(const QString& folder) {
        QMutexLocker l(&m_lock);
        m_folder = folder;
    }
    // Takes what came since the last call.
    QStringList take(QString& folder) {
        QMutexLocker l(&m_lock);
        folder = m_folder;
        return std::exchange(m_entries, {});
    }

  private:
    QMutex m_lock;
    QStringList m_entries;
    QString m_folder;
};

enum class SearchEnd { Done, Closed, Escaped };

// label may be null. On Escaped the caller closes the window.
SearchEnd runSearch(QPushButton* closeButton, QListWidget* list, QLabel* label,
                    const std::function<void(core::Job& job, Batch& batch)>& work);

} // namespace tools

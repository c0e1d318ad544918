#include "file_manager_state.h"
#include "platform/platform.h"

#include <QDir>

namespace filemanager {

FileManagerState::FileManagerState(QObject* parent) : QObject(parent) {}

bool FileManagerState::enter(const QString& path, int* error) {
    const auto entered = platform::Platform::instance().enterFolder(
        QDir::cleanPath(QDir(m_folder).absoluteFilePath(path)));
    if (!entered) {
        if (error) *error = entered.error();
        return false;
    }
    m_folder = *entered;
    Q_EMIT folderChanged(m_folder);
    return true;
}

void FileManagerState::start(const QString& folder) {
    m_folder = folder;
    m_history[0] = folder;
}

QStringList FileManagerState::history() const {
    return QStringList(std::begin(m_history), std::end(m_history));
}

void FileManagerState::addToHistory() {
    if (m_historyLast >= kHistorySize - 1) {
        for (int i = 0; i < kHistorySize - 1; ++i)
            m_history[i] = m_history[i + 1];
        m_history[kHistorySize - 1] = m_folder;
        m_historyPos = kHistorySize - 1;
    } else {
        ++m_historyLast;
        m_history[m_historyLast] = m_folder;
        m_historyPos = m_historyLast;
    }
}

QString FileManagerState::stepBack() {
    if (m_historyPos < 1) return {};
    return m_history[--m_historyPos];
}

QString FileManagerState::stepForward() {
    if (m_historyPos >= m_historyLast) return {};
    return m_history[++m_historyPos];
}

void FileManagerState::setSelection(QStringList names) {
    names.removeAll(QStringLiteral(".."));
    m_selection = std::move(names);
}

} // namespace filemanager

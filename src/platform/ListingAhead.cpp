#include "ListingAhead.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <unistd.h>

namespace platform {

ListingAhead::ListingAhead(Platform::EntryChooser choose, bool keepOpen)
    : m_choose(std::move(choose)), m_keepOpen(keepOpen) {
    m_pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

ListingAhead::~ListingAhead() {
    for (auto& [folder, listing] : m_ahead)
        listing.waitForFinished();
}

void ListingAhead::ahead(const QString& folder) {
    if (m_ahead.count(folder)) return;
    m_ahead.emplace(folder, QtConcurrent::run(&m_pool, [this, folder] { return list(folder); }));
}

void ListingAhead::keepAhead(const QStringList& folders, qsizetype next) {
    for (qsizetype i = next; i < std::min(next + kAhead, folders.size()); ++i)
        ahead(folders[i]);
}

ListingAhead::Listing ListingAhead::take(const QString& folder) {
    const auto it = m_ahead.find(folder);
    if (it == m_ahead.end()) return list(folder);
    Listing l = it->second.result();
    m_ahead.erase(it);
    return l;
}

ListingAhead::Listing ListingAhead::list(const QString& folder) const {
    Listing l;
    int fd = -1;
    const Status listed =
        Platform::instance().listEntries(folder, l.entries, m_choose, m_keepOpen ? &fd : nullptr);
    l.ok = listed.ok();
    l.error = listed.error();
    if (fd >= 0)
        l.folder = std::shared_ptr<const int>(new int(fd), [](const int* f) {
            ::close(*f);
            delete f;
        });
    return l;
}

} // namespace platform

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
    for (auto& [folder, pending] : m_ahead)
        pending.batch.waitForFinished();
}

void ListingAhead::launch(const QStringList& folders) {
    const QFuture<Batch> batch = QtConcurrent::run(&m_pool, [this, folders] {
        auto listings = std::make_shared<std::vector<Listing>>();
        for (const QString& folder : folders)
            listings->push_back(list(folder));
        return listings;
    });
    for (qsizetype i = 0; i < folders.size(); ++i)
        m_ahead.emplace(folders[i], Pending{batch, size_t(i)});
}

void ListingAhead::ahead(const QString& folder) {
    if (!m_ahead.count(folder)) launch({folder});
}

void ListingAhead::keepAhead(const QStringList& folders, qsizetype next) {
    // The folders not asked for yet go in batches; a short one only when
    // the list ends or nothing is left ahead.
    QStringList fresh;
    const qsizetype end = std::min(next + kAhead, folders.size());
    for (qsizetype i = next; i < end; ++i)
        if (!m_ahead.count(folders[i])) fresh << folders[i];
    const bool lastOnes = end == folders.size();
    for (qsizetype i = 0; i < fresh.size(); i += kBatch) {
        const QStringList batch = fresh.mid(i, kBatch);
        if (batch.size() < kBatch && !lastOnes && fresh.size() < kAhead) break;
        launch(batch);
    }
}

ListingAhead::Listing ListingAhead::take(const QString& folder) {
    const auto it = m_ahead.find(folder);
    if (it == m_ahead.end()) return list(folder);
    Listing l = std::move((*it->second.batch.result())[it->second.index]);
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

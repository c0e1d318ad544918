#include "listing_ahead.h"
#include "core/job.h"
#include "end_requests.h"

#include <chrono>

#include <QThread>
#include <algorithm>
#include <unistd.h>

namespace platform {

struct ListingAhead::Slot {
    enum State { Queued, Listing, Done };
    QString folder;
    // Where the walk meets it: the entry's position in each folder above,
    // then the order it became known in (folders taken without being
    // known start a walk of their own).
    std::vector<quint32> place;
    quint64 made = 0;
    State state = Queued;
    ListingAhead::Listing listing;
};

bool ListingAhead::Earlier::operator()(const SlotPtr& a, const SlotPtr& b) const {
    if (a->place != b->place) return a->place < b->place;
    return a->made < b->made;
}

ListingAhead::ListingAhead(Platform::EntryChooser choose, SubFolder subFolder, bool keepOpen)
    : m_job(core::Job::current()), m_workersJob(std::make_unique<core::DirectJob>()),
      m_choose(std::move(choose)), m_subFolder(std::move(subFolder)), m_keepOpen(keepOpen) {
    const int workers = std::clamp(QThread::idealThreadCount(), 2, 4);
    for (int i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

ListingAhead::~ListingAhead() {
    m_workersJob->cancel();
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    for (std::thread& t : m_workers)
        t.join();
}

// Folders wait, the walk has not left too many entries untaken.
bool ListingAhead::workWaiting() const {
    return !m_queue.empty() && roomAhead();
}

// Listings waiting for the walk hold memory, and with keepOpen an open
// folder each: both are bounded.
bool ListingAhead::roomAhead() const {
    return m_held < kHeldEntries && m_heldFolders < kHeldFolders;
}

// A listing made ahead, waiting for the walk to take it.
void ListingAhead::hold(const Slot& slot) {
    m_held += slot.listing.entries.size();
    ++m_heldFolders;
}

void ListingAhead::work() {
    // A listing that waits on a server stops with the walk's job, or when
    // the walk is over.
    const core::Job::OnThisThread walks(*m_workersJob);
    Lock lock(m_mutex);
    for (;;) {
        while (!m_stop && !workWaiting()) {
            ++m_sleeping;
            m_work.wait(lock);
            --m_sleeping;
        }
        if (m_stop) return;
        const SlotPtr slot = *m_queue.begin();
        listSlot(slot, lock);
        hold(*slot);
        m_done.notify_all();
    }
}

// Lists a queued folder with the lock let go meanwhile; its sub-folders
// join the queue.
void ListingAhead::listSlot(const SlotPtr& slot, Lock& lock) {
    m_queue.erase(slot);
    slot->state = Slot::Listing;
    lock.unlock();
    Listing listing = list(slot->folder);
    // The sub-folders' paths are made before the lock is taken again.
    std::vector<std::pair<quint32, QString>> subFolders;
    for (size_t i = 0; i < listing.entries.size(); ++i)
        if (QString path = m_subFolder(slot->folder, listing.entries[i]); !path.isEmpty())
            subFolders.emplace_back(quint32(i), std::move(path));
    lock.lock();
    slot->listing = std::move(listing);
    slot->state = Slot::Done;
    addSubFolders(*slot, subFolders);
}

void ListingAhead::addSubFolders(const Slot& parent,
                                 std::vector<std::pair<quint32, QString>>& subFolders) {
    for (auto& [index, path] : subFolders) {
        if (m_slots.count(path)) continue;
        const auto slot = std::make_shared<Slot>();
        slot->folder = std::move(path);
        slot->place = parent.place;
        slot->place.push_back(index);
        slot->made = m_made++;
        m_slots.emplace(slot->folder, slot);
        m_queue.insert(slot);
    }
    if (m_sleeping && m_queue.size() >= kWake && roomAhead()) m_work.notify_one();
}

ListingAhead::Listing ListingAhead::take(const QString& folder) {
    Lock lock(m_mutex);
    const auto it = m_slots.find(folder);
    SlotPtr slot;
    if (it == m_slots.end()) {
        slot = std::make_shared<Slot>();
        slot->folder = folder;
        slot->made = m_made++;
    } else {
        slot = std::move(it->second);
        m_slots.erase(it);
    }
    if (slot->state == Slot::Queued) {
        // No worker got to it: listed here.
        listSlot(slot, lock);
        if (m_sleeping && workWaiting()) m_work.notify_one();
        return std::move(slot->listing);
    }
    // Being listed: the walk lists the next folders meanwhile, rather than
    // wait with nothing to do.
    while (slot->state != Slot::Done) {
        if (workWaiting()) {
            const SlotPtr next = *m_queue.begin();
            listSlot(next, lock);
            hold(*next);
        } else if (m_done.wait_for(lock, std::chrono::milliseconds(50)) ==
                       std::cv_status::timeout &&
                   ((m_job && m_job->cancelled()) || endRequested())) {
            m_workersJob->cancel();
            // Stopped while a listing waits on a server: it is left behind.
            Listing stopped;
            stopped.error = errCancelled;
            return stopped;
        }
    }
    const bool paused = !m_queue.empty() && !workWaiting();
    m_held -= slot->listing.entries.size();
    --m_heldFolders;
    if (paused && m_sleeping && workWaiting()) m_work.notify_one();
    return std::move(slot->listing);
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

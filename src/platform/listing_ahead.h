#pragma once
// Folders listed ahead on worker threads while a depth-first walk works on
// the ones before them. Each listing names the sub-folders the walk will
// enter; they are listed next, the one the walk will reach first before
// the others, until enough entries wait for the walk. The walk takes each
// listing when it gets there (listed then, on its own thread, if no worker
// has started it). Only reading is done ahead; whatever the walk does
// stays on its own thread, in its own order.

#include "platform.h"

namespace core {
class Job;
class DirectJob;
} // namespace core

#include <QString>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace platform {

class ListingAhead {
  public:
    // The folder's entries, and the folder itself still open when the
    // walk asked for it (keepOpen), closed with the last copy.
    struct Listing {
        bool ok = false;
        int error = 0; // the platform's error when not ok
        std::vector<DirEntry> entries;
        std::shared_ptr<const int> folder;
        int folderFd() const { return folder ? *folder : -1; }
    };
    // The path the walk takes for an entry it enters, empty for the others.
    using SubFolder = std::function<QString(const QString& folder, const DirEntry& e)>;
    // `choose` and `subFolder` are called on the worker threads: they must
    // only read.
    ListingAhead(Platform::EntryChooser choose, SubFolder subFolder, bool keepOpen = false);
    ~ListingAhead();
    ListingAhead(const ListingAhead&) = delete;
    ListingAhead& operator=(const ListingAhead&) = delete;

    // Taken once; taken again, a folder is listed anew.
    Listing take(const QString& folder);

    // How many folders wait before a sleeping worker is woken (a tree's
    // many small folders then cost few hand-overs between threads), and
    // how many listed entries and folders may wait for the walk before
    // the workers pause (a delete keeps each of its folders open).
    static constexpr size_t kWake = 4;
    static constexpr size_t kHeldEntries = 200'000;
    static constexpr size_t kHeldFolders = 256;

  private:
    struct Slot;
    using SlotPtr = std::shared_ptr<Slot>;
    struct Earlier {
        bool operator()(const SlotPtr& a, const SlotPtr& b) const;
    };
    using Lock = std::unique_lock<std::mutex>;
    void work();
    bool workWaiting() const;
    bool roomAhead() const;
    void hold(const Slot& slot);
    void listSlot(const SlotPtr& slot, Lock& lock);
    void addSubFolders(const Slot& parent, std::vector<std::pair<quint32, QString>>& subFolders);
    Listing list(const QString& folder) const;

    core::Job* m_job; // the walk's, when one runs on its thread: the workers stop with it
    std::unique_ptr<core::DirectJob> m_workersJob; // stopped with the walk's, or with the walk
    Platform::EntryChooser m_choose;
    SubFolder m_subFolder;
    bool m_keepOpen;
    std::mutex m_mutex; // guards what follows
    std::condition_variable m_work, m_done;
    std::map<QString, SlotPtr> m_slots; // known, not taken yet
    std::set<SlotPtr, Earlier> m_queue; // not listed yet, the walk's first first
    quint64 m_made = 0;
    size_t m_held = 0;        // entries listed ahead, not taken yet
    size_t m_heldFolders = 0; // and their folders
    int m_sleeping = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

} // namespace platform

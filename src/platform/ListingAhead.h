#pragma once
// Folders listed ahead on worker threads while a walk works on the ones
// before them: the walk asks for the next folders early and takes each
// listing when it gets there (listed then, if it was not asked for). Only
// reading is done ahead; whatever the walk does stays on its own thread,
// in its own order.

#include "Platform.h"

#include <QFuture>
#include <QStringList>
#include <QThreadPool>
#include <map>
#include <memory>

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
    // `choose` is called on the worker threads: it must only read.
    explicit ListingAhead(Platform::EntryChooser choose, bool keepOpen = false);
    ~ListingAhead();
    ListingAhead(const ListingAhead&) = delete;
    ListingAhead& operator=(const ListingAhead&) = delete;

    void ahead(const QString& folder);
    // Asks for folders[next] and the few after it (none of them taken yet).
    void keepAhead(const QStringList& folders, qsizetype next);
    Listing take(const QString& folder);

    // How many sub-folders a walk keeps listed ahead of it, at each level,
    // and how many one worker lists in a row (fewer hand-overs between
    // threads for the many small folders of a tree).
    static constexpr qsizetype kAhead = 8;
    static constexpr qsizetype kBatch = 2;

  private:
    using Batch = std::shared_ptr<std::vector<Listing>>;
    struct Pending {
        QFuture<Batch> batch;
        size_t index;
    };
    void launch(const QStringList& folders);
    Listing list(const QString& folder) const;
    Platform::EntryChooser m_choose;
    bool m_keepOpen;
    QThreadPool m_pool;
    std::map<QString, Pending> m_ahead;
};

} // namespace platform

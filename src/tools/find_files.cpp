#include "find_files.h"
#include "platform/Platform.h"
#include "platform/wildcard.h"

#include <QFuture>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <map>
#include <vector>

namespace tools {

using platform::DirEntry;
using platform::Platform;

namespace {

using Detail = Platform::Detail;

struct Listing {
    bool ok = false;
    std::vector<DirEntry> entries;
};

// Folders are listed ahead on worker threads while the walk visits the
// ones before them; the walk itself, its visits and its order stay on the
// calling thread.
class Lister {
  public:
    explicit Lister(const Walk& walk) : m_walk(walk) {
        m_pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    }
    ~Lister() {
        for (auto& [folder, listing] : m_ahead)
            listing.waitForFinished();
    }
    void ahead(const QString& folder) {
        if (m_ahead.count(folder)) return;
        m_ahead.emplace(folder,
                        QtConcurrent::run(&m_pool, [this, folder] { return list(folder); }));
    }
    Listing take(const QString& folder) {
        const auto it = m_ahead.find(folder);
        if (it == m_ahead.end()) return list(folder);
        Listing l = it->second.result();
        m_ahead.erase(it);
        return l;
    }

  private:
    // Only the folders and the wanted files are looked at closer.
    Listing list(const QString& folder) const {
        const auto choose = [this](const DirEntry& e) {
            if ((e.attributes & platform::faDirectory) && !e.isLink)
                return e.name.startsWith(u'.') ? Detail::Skip : Detail::Full;
            if ((e.attributes & platform::faSysFile) || !m_walk.wanted(e.name)) return Detail::Skip;
            return m_walk.sized ? Detail::Full : Detail::Flags;
        };
        Listing l;
        l.ok = Platform::instance().listEntries(folder, l.entries, choose);
        return l;
    }
    const Walk& m_walk;
    QThreadPool m_pool;
    std::map<QString, QFuture<Listing>> m_ahead;
};

constexpr int kAhead = 8; // sub-folders listed ahead of the walk, at each level

bool entered(const DirEntry& e) {
    const bool folder = (e.attributes & platform::faDirectory) && !e.isLink;
    return folder && !e.otherVolume && !(e.attributes & (platform::faHidden | platform::faSysFile));
}

void walkFolder(const QString& folder, const Walk& walk, Lister& lister) {
    if (walk.stop && walk.stop()) return;
    if (walk.onFolder) walk.onFolder(folder);
    const Listing listing = lister.take(folder);
    if (!listing.ok) return;
    QStringList subFolders;
    for (const DirEntry& e : listing.entries)
        if (entered(e)) subFolders << folder + e.name + u'/';
    for (int i = 0; i < std::min<int>(kAhead, int(subFolders.size())); ++i)
        lister.ahead(subFolders[i]);
    for (const DirEntry& e : listing.entries) {
        if (walk.stop && walk.stop()) return;
        const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
        if (folderEntry || (e.attributes & (platform::faSysFile | platform::faVolumeID))) continue;
        walk.visit(folder, e);
    }
    for (int i = 0; i < subFolders.size(); ++i) {
        if (walk.stop && walk.stop()) return;
        if (i + kAhead < subFolders.size()) lister.ahead(subFolders[i + kAhead]);
        walkFolder(subFolders[i], walk, lister);
    }
}

} // namespace

void walkFiles(const QString& folder, const Walk& walk) {
    Lister lister(walk);
    walkFolder(folder, walk, lister);
}

QString searchSpec(const QString& path, const QString& pattern) {
    return (path.endsWith(u'/') ? path : path + u'/') + pattern;
}

qint64 GetAllFiles(const QString& spec, const FindCallbacks& cb) {
    const qsizetype slash = spec.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral("./") : spec.left(slash + 1);
    const QString pattern = spec.mid(slash + 1);
    const bool everything = pattern == u"*.*" || pattern == u"*";
    qint64 count = 0;
    Walk walk;
    walk.wanted = [&](const QString& name) {
        return everything || platform::matchesMask(name, pattern);
    };
    walk.visit = [&](const QString& in, const DirEntry& e) {
        if (cb.found) cb.found(in + e.name);
        ++count;
    };
    walk.onFolder = cb.folder;
    walk.stop = cb.stop;
    walkFiles(folder, walk);
    return count;
}

} // namespace tools

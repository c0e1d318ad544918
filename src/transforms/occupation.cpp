#include "occupation.h"
#include "core/errors.h"
#include "core/job.h"
#include "file_io.h"
#include "platform/file_names.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"

#include <QPair>
#include <QSet>
#include <vector>

namespace transforms {

using platform::DirEntry;
using platform::Platform;

QString Occupation::message() const {
    return QStringLiteral("%1 Ko dans %2 fichiers\r\nEspace réellement occupé : %3 Ko")
        .arg(total / 1024)
        .arg(count)
        .arg(occupied / 1024);
}

qint64 occupiedBytes(qint64 size, qint64 allocated, qint64 clusterSize) {
    if (allocated >= 0) return allocated;
    const qint64 c = std::max<qint64>(1, clusterSize);
    return (size + c - 1) / c * c; // whole clusters; an empty file takes none
}

core::Outcome occupation(const QString& folder, const QString& mask, qint64 clusterSize,
                         Occupation& o) {
    o = Occupation{};
    std::vector<DirEntry> entries;
    Platform& p = Platform::instance();
    if (const platform::Status listed = p.listDirectory(folder, mask, entries); !listed) {
        // A folder that is there but may not be read says so.
        const int code = listed.error() == platform::errAccessDenied ? 5 : 3;
        return core::Outcome::failed(core::InOutError::textFor(code) + QStringLiteral(" : ") +
                                     folder);
    }
    for (const DirEntry& e : entries) {
        if (e.name == u"." || e.name == u"..") continue; // not files, and not theirs
        const qint64 s = (e.attributes & platform::faDirectory) ? 0 : e.size;
        o.total += s;
        ++o.count;
        o.occupied += occupiedBytes(s, e.allocated, clusterSize);
    }
    return core::Outcome::done();
}

namespace {

using Seen = QSet<QPair<quint64, quint64>>; // folders entered, by device and inode

qint64 walk(const QString& folder, const std::function<bool(const QString&)>& line, core::Job& job,
            Seen& seen) {
    if (job.cancelled()) return 0;
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    DirEntry self;
    // A folder reached twice (a bind mount of a folder already walked) is not walked again.
    if (Platform::instance().entryOf(folder, self)) {
        const QPair<quint64, quint64> id{self.device, self.inode};
        if (seen.contains(id)) return 0;
        seen.insert(id);
    }
    job.setItem(prefix);
    std::vector<DirEntry> entries;
    if (!Platform::instance().listDirectory(folder, QStringLiteral("*.*"), entries,
                                            Platform::ListMode::Walk))
        return 0;
    qint64 count = 0;
    for (const DirEntry& e : entries) {
        const bool isFolder = (e.attributes & platform::faDirectory) && !e.isLink;
        // Links, to folders or dangling, are no files of the medium.
        if (isFolder || e.isLink || (e.attributes & platform::faSysFile) || e.name == u"..")
            continue;
        if (!line(prefix + e.name)) throw core::InOutError(101);
        ++count;
    }
    for (const DirEntry& e : entries) {
        const bool isFolder = (e.attributes & platform::faDirectory) && !e.isLink;
        if (!isFolder || e.otherVolume || e.name.startsWith(u'.')) continue;
        if (e.attributes & (platform::faHidden | platform::faSysFile)) continue;
        count += walk(prefix + e.name, line, job, seen);
    }
    return count;
}

} // namespace

core::Outcome writeCatalogue(const QString& root, const QString& output, const QString& name,
                             core::Job& job, qint64* files) {
    // Written aside: a failure leaves any older catalogue as it was.
    platform::FileReplacement out(output);
    if (const platform::Status opened = out.open(); !opened)
        return core::Outcome::failed(writeFailure(output, opened.error()));
    const QByteArray head = platform::nativeName(name) + "\r\n";
    if (out.file().write(head) != head.size())
        return core::Outcome::failed(core::InOutError::textFor(101));
    const Catalogue c = catalogue(
        root,
        [&](const QString& line) {
            const QByteArray b = platform::nativeName(line) + "\r\n";
            return out.file().write(b) == b.size();
        },
        job);
    if (!c.outcome.ok()) return c.outcome;
    if (const platform::Status committed = out.commit(); !committed)
        return core::Outcome::failed(writeFailure(output, committed.error()));
    if (files) *files = c.files;
    return core::Outcome::done();
}

Catalogue catalogue(const QString& root, const std::function<bool(const QString&)>& line,
                    core::Job& job) {
    Catalogue c;
    platform::DirEntry e;
    if (!Platform::instance().entryOf(root, e) || !(e.attributes & platform::faDirectory)) {
        c.outcome =
            core::Outcome::failed(core::InOutError::textFor(3) + QStringLiteral(" : ") + root);
        return c;
    }
    Seen seen;
    c.outcome = core::Outcome::from([&] { c.files = walk(root, line, job, seen); });
    if (c.outcome.ok() && job.cancelled()) c.outcome = core::Outcome::cancelled();
    return c;
}

} // namespace transforms

#include "floppy_packer.h"
#include "core/job.h"
#include "filemanager/file_operations.h"
#include "platform/platform.h"
#include "sysinfo/disk_info.h"

#include <QFileInfo>
#include <algorithm>

namespace transforms {

namespace {

// The work list: sizes right-aligned in 16 characters, a tab, the full
// path, in that text's order (by size, then by name).
QStringList workList(const QStringList& files) {
    platform::Platform& p = platform::Platform::instance();
    QStringList work;
    for (const QString& path : files) {
        platform::DirEntry e;
        if (!p.entryOf(path, e) || (e.attributes & platform::faDirectory)) continue;
        work << QString::number(e.size).rightJustified(16, u' ') + u'\t' + path;
    }
    std::sort(work.begin(), work.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return work;
}

qint64 sizeOf(const QString& line) {
    return line.left(16).trimmed().toLongLong();
}

qint64 emptied(const QString& floppy, core::Job& job, PackResult& result) {
    filemanager::delTree(floppy, QStringLiteral("*.*"),
                         {job, {}, [&result](const QString& path, int error) {
                              result.notCopied << filemanager::entryFailure(error, path);
                              return filemanager::FailureAnswer::Skip;
                          }});
    sysinfo::DiskInfo disk;
    disk.setDisk(u'A');
    return disk.diskFree;
}

} // namespace

PackResult packFloppies(const PackRequest& request, const PackQuestions& questions,
                        core::Job& job) {
    PackResult result;
    platform::Platform& p = platform::Platform::instance();
    QStringList work = workList(request.files);
    qint64 remaining = emptied(request.floppy, job, result);
    if (work.isEmpty()) return result; // nothing to copy once the disk is empty
    if (remaining < sizeOf(work.last())) {
        if (questions.tell)
            job.ask([&] {
                questions.tell(
                    QStringLiteral("Taille de fichier supérieure à la capacité de la disquette"));
            });
        return result;
    }
    const int total = int(work.size());
    while (!work.isEmpty() && !job.cancelled()) {
        job.progress((total - int(work.size())) * 100 / total);
        int pick = -1;
        for (int i = int(work.size()) - 1; i >= 0 && pick < 0; --i)
            if (sizeOf(work[i]) <= remaining) pick = i;
        if (pick >= 0) {
            const QString line = work.takeAt(pick);
            remaining -= sizeOf(line);
            const QString path = line.mid(17);
            const platform::Status copied =
                p.copyFile(path, request.floppy + u'/' + QFileInfo(path).fileName(), false);
            if (copied)
                ++result.copied;
            else
                result.notCopied << filemanager::entryFailure(copied.error(), path);
            continue;
        }
        if (!questions.nextDisk || !job.ask([&] { return questions.nextDisk(); })) {
            result.outcome = core::Outcome::cancelled();
            return result;
        }
        ++result.disks;
        remaining = emptied(request.floppy, job, result);
    }
    if (job.cancelled()) result.outcome = core::Outcome::cancelled();
    return result;
}

} // namespace transforms

#include "split.h"
#include "core/job.h"
#include "file_io.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"

#include <QCollator>
#include <QFile>
#include <QLocale>
#include <cmath>
#include <memory>
#include <vector>

namespace transforms {

std::vector<qint64> splitPlan(qint64 fileSize, qint64 partSize) {
    std::vector<qint64> parts{0};
    if (partSize <= 0) return parts;
    qint64 room = partSize, pos = 0;
    for (;;) {
        if (room < 8192) {
            const qint64 take = std::min(room, fileSize - pos);
            parts.back() += take;
            pos += take;
            parts.push_back(0);
            room = partSize;
        }
        const qint64 take = std::min({qint64(8192), room, fileSize - pos});
        if (take <= 0) break;
        // Whole runs of full reads go at once: the plan only depends on sizes.
        const qint64 reads = std::min(room / 8192, (fileSize - pos) / 8192);
        const qint64 chunk = take == 8192 ? reads * 8192 : take;
        parts.back() += chunk;
        pos += chunk;
        room -= chunk;
    }
    return parts;
}

QString partName(const QString& file, int number) {
    return file + QStringLiteral("%1").arg(number, 3, 10, QChar(u'0'));
}

SplitResult splitFile(const QString& file, qint64 partSize, core::Job& job) {
    if (partSize < 300) return {SplitEnd::TooSmall};
    // Open for the whole split: a network file is then read once, through
    // the copy the platform makes of it.
    QFile in(file);
    platform::Platform& p = platform::Platform::instance();
    if (!p.openForRead(in)) return {SplitEnd::Failed};
    const qint64 size = in.size();
    const std::vector<qint64> plan = splitPlan(size, partSize);
    if (plan.size() > size_t(kMaxParts)) return {SplitEnd::TooManyParts};
    qint64 written = 0;
    job.progress(0);
    // A failed write on a full disk is told as such; other failures stay quiet.
    const auto failure = [](int error) {
        return error == platform::errDiskFull ? SplitEnd::DiskFull : SplitEnd::Failed;
    };
    // The parts are a set: each is written aside and kept there, and they
    // take their names together once all are whole. Stopped or failed, the
    // split removes what it wrote and an earlier split's parts stay exactly
    // as they were; complete, the earlier parts beyond the new count go in
    // the same step, so no older part stays beside the new ones.
    std::vector<std::unique_ptr<platform::FileReplacement>> parts;
    for (size_t i = 0; i < plan.size(); ++i) {
        auto out = std::make_unique<platform::FileReplacement>(partName(file, int(i) + 1));
        if (const platform::Status opened = out->open(); !opened) return {failure(opened.error())};
        // Each part is one kernel copy of its slice of the file.
        if (plan[i] > 0)
            if (const platform::Status copied = p.appendOpenFile(in, out->file(), written, plan[i]);
                !copied)
                return {failure(copied.error())};
        if (const platform::Status parked = out->park(); !parked) return {failure(parked.error())};
        parts.push_back(std::move(out));
        written += plan[i];
        job.progress(size > 0 ? int(std::nearbyint(double(written) * 100 / size)) : 100);
        if (job.cancelled()) return {SplitEnd::Cancelled};
    }
    if (const platform::Status named = platform::FileReplacement::commitSet(
            parts, [&](int n) { return partName(file, n); }, kMaxParts);
        !named)
        return {failure(named.error())};
    job.progress(0);
    return {SplitEnd::Done, int(parts.size())};
}

core::Outcome SplitResult::outcome() const {
    switch (end) {
    case SplitEnd::Done:
        return core::Outcome::done();
    case SplitEnd::TooSmall:
        return core::Outcome::failed(QStringLiteral("Parts trop petites"));
    case SplitEnd::TooManyParts:
        return core::Outcome::failed(QStringLiteral("Découpage refusé : plus de 999 parts"));
    case SplitEnd::DiskFull:
        return core::Outcome::failed(core::InOutError::textFor(101));
    case SplitEnd::Cancelled:
        return core::Outcome::cancelled();
    case SplitEnd::Failed:
        break;
    }
    return core::Outcome::failed(QStringLiteral("Ne peut pas lire le fichier"));
}

core::Outcome joinFiles(QStringList names, core::Job& job, QString* joined) {
    names.removeAll(QString());
    if (names.isEmpty()) return core::Outcome::failed(QStringLiteral("Rien à reconstituer"));
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(),
              [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    const QString output = names.first().left(names.first().size() - 3);
    if (output.isEmpty() || output.endsWith(u'/'))
        return core::Outcome::failed(QStringLiteral("Rien à reconstituer"));
    // Written aside and put in place at the end: the output may share its
    // name with one of the parts, and a part that cannot be read leaves any
    // older output as it was. Only an output that replaces a file is
    // flushed to the disk before it takes the name.
    platform::Platform& p = platform::Platform::instance();
    platform::FileReplacement out(output);
    platform::DirEntry existing;
    out.setDurable(bool(p.entryOf(output, existing)));
    if (const platform::Status opened = out.open(); !opened)
        return core::Outcome::failed(writeFailure(output, opened.error()));
    job.progress(0);
    for (int i = 0; i < names.size(); ++i) {
        job.progress(i * 100 / names.size());
        platform::DirEntry part;
        if (!p.entryOf(names[i], part) || (part.attributes & platform::faDirectory)) continue;
        if (!part.regular)
            return core::Outcome::failed(
                QStringLiteral("%1 n'est pas un fichier ordinaire").arg(names[i]));
        // The next part is read from the disk while this one is appended.
        if (i + 1 < names.size()) p.readAhead(names[i + 1]);
        if (const platform::Status appended = p.appendFile(names[i], out.file()); !appended)
            return core::Outcome::failed(
                appended.error() == platform::errDiskFull
                    ? writeFailure(output, platform::errDiskFull)
                    : QStringLiteral("Ne peut pas lire la part %1").arg(names[i]));
        if (job.cancelled()) return core::Outcome::cancelled(); // the output stays as it was
    }
    if (const platform::Status committed = out.commit(); !committed)
        return core::Outcome::failed(writeFailure(output, committed.error()));
    if (joined) *joined = output;
    return core::Outcome::done();
}

} // namespace transforms

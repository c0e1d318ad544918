#include "backup_archive.h"
#include "archive_io.h"
#include "core/errors.h"
#include "core/file_errors.h"
#include "core/job.h"
#include "platform/dos_datetime.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"
#include "platform/wildcard.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>

namespace transforms {

using platform::Platform;

namespace {

const char* const kFileList = "FILE:LIST";

[[noreturn]] void unreadable() {
    throw core::TavError(QStringLiteral("Archive illisible"));
}

int roundPercent(double value) {
    return int(std::nearbyint(value));
} // halves to even

QString folderOf(const QString& path) {
    const int slash = int(path.lastIndexOf(u'/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString join(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

// Any name a listing gives is found again through the platform, whatever
// its bytes.
bool exists(const QString& path, platform::DirEntry* entry = nullptr) {
    platform::DirEntry e;
    const bool found = Platform::instance().entryOf(path, e).ok();
    if (entry) *entry = e;
    return found;
}

bool isLink(const QString& path) {
    platform::DirEntry e;
    return Platform::instance().entryOf(path, e, false) && e.isLink;
}

qint32 fileDate(const QString& path) {
    platform::DirEntry e;
    exists(path, &e);
    return qint32(platform::toDosDateTime(QDateTime::fromSecsSinceEpoch(e.mtime)));
}

// Decoded blocks waiting to be written, in archive order.
struct DecodedBlock {
    bool ok = true;
    QByteArray bytes;
};

constexpr size_t kBlocksPerTask = 8;

std::vector<CodedBlock> encodeRun(const std::vector<QByteArray>& run, int level) {
    std::vector<CodedBlock> blocks;
    blocks.reserve(run.size());
    for (const QByteArray& b : run)
        blocks.push_back(encodeBlock(b, level));
    return blocks;
}

} // namespace

struct BackupArchive::Source {
    QFile file;
    qint64 toRead = 0;    // not yet read from the file
    qint64 remaining = 0; // not yet written to the archive
    bool readFailed = false;
    // Runs of blocks compressed on the workers, and the blocks of the run
    // being written.
    std::deque<QFuture<std::vector<CodedBlock>>> inflight;
    std::deque<CodedBlock> ready;
    ~Source() {
        for (auto& f : inflight)
            f.waitForFinished();
    }
};

BackupArchive::BackupArchive(int threads, QString folder)
    : m_threads(threads), m_folder(std::move(folder)) {}

BackupArchive::~BackupArchive() {
    if (m_pool) m_pool->waitForDone();
}

QThreadPool* BackupArchive::pool() {
    if (!m_pool) {
        m_pool = std::make_unique<QThreadPool>();
        m_pool->setMaxThreadCount(m_threads > 0 ? m_threads
                                                : std::max(1, QThread::idealThreadCount()));
    }
    return m_pool.get();
}

QString BackupArchive::errorText(int code) {
    switch (code) {
    case 1:
        return QStringLiteral("Ne peut pas lire le fichier");
    case 2:
        return QStringLiteral("Ne peut pas ecraser le fichier");
    case 3:
        return QStringLiteral("Archive illisible");
    case 4:
        return QStringLiteral("Ne peut pas écrire dans archive");
    case 5:
        return QStringLiteral("Archive de type Invalide");
    case 6:
        return QStringLiteral("Compression error");
    case 7:
        return QStringLiteral("Ne peut créer fichier temporaire pour sauver file IDs");
    case 8:
        return QStringLiteral("Fichier non restauré");
    case 9:
        return QStringLiteral("Taille de volume trop petite : %1 octets au moins")
            .arg(kMinVolumeSize);
    case 10:
        return QStringLiteral("Plus de 999 volumes : archive incomplète");
    case 11:
        return QStringLiteral("Ne peut pas écrire le fichier");
    default:
        return QStringLiteral("Erreur %1").arg(code);
    }
}

void BackupArchive::report(const QString& text) {
    if (m_questions.report && m_job) m_job->ask([&] { m_questions.report(text); });
}

ArchiveResult BackupArchive::run(core::Job& job, const ArchiveQuestions& questions,
                                 const std::function<bool()>& work) {
    m_job = &job;
    m_questions = questions;
    m_end.reset();
    ArchiveResult result;
    bool done = false;
    try {
        done = work();
    } catch (const core::TavError& e) {
        result.outcome = core::Outcome::failed(e.text());
    }
    m_job = nullptr;
    m_questions = {};
    if (failed()) {
        QString text = errorText(m_end->error);
        if (!m_end->detail.isEmpty()) text += QStringLiteral(" : ") + m_end->detail;
        result.outcome = core::Outcome::failed(text);
        result.error = m_end->error;
    } else if (!done && result.outcome.ok()) {
        result.outcome = core::Outcome::cancelled();
    }
    result.fileCount = m_fileCount;
    result.filesDone = m_filesDone;
    result.renamed = m_renamed;
    result.totalSize = m_totalSize;
    result.bytesWritten = m_bytesWritten;
    result.compressionRate = compressionRate();
    return result;
}

ArchiveResult BackupArchive::backup(const BackupRequest& request, core::Job& job,
                                    const ArchiveQuestions& questions) {
    BackupArchive a(request.threads, request.folder);
    a.m_title = request.title;
    a.m_level = request.level;
    a.m_maxSize = request.maxSize;
    a.m_incremental = request.mode == bmIncremental;
    a.m_saveFileList = request.saveFileList;
    return a.run(job, questions, [&] { return a.runBackup(request.specs, request.archive); });
}

ArchiveResult BackupArchive::restore(const RestoreRequest& request, core::Job& job,
                                     const ArchiveQuestions& questions) {
    BackupArchive a(request.threads, request.folder);
    a.m_restoreMode = request.mode;
    a.m_fullPath = request.fullPath;
    return a.run(job, questions,
                 [&] { return a.runRestore(request.archive, request.restorePath); });
}

QStringList BackupArchive::fileList(const BackupRequest& request) {
    BackupArchive a(request.threads, request.folder);
    a.m_incremental = request.mode == bmIncremental;
    return a.buildFileList(request.specs, request.archive);
}

int BackupArchive::compressionRate() const {
    if (m_totalSize < 0.1) return 0;
    return 100 - roundPercent(double(m_bytesWritten) / double(m_totalSize) * 100.0);
}

void BackupArchive::progress() {
    if (!m_job) return;
    int percent =
        m_totalSize > 0 ? roundPercent(double(m_bytesDone) / double(m_totalSize) * 100.0) : 0;
    m_job->progress(std::clamp(percent, 0, 100));
    if (m_job->cancelled()) stop(0);
}

bool BackupArchive::askDisk(int disk) {
    return m_questions.nextVolume && m_job &&
           m_job->ask([&] { return m_questions.nextVolume(disk); });
}

// ---- file list ----

QString BackupArchive::inFolder(const QString& name) const {
    if (m_folder.isEmpty() || QDir::isAbsolutePath(name)) return QDir::cleanPath(name);
    return QDir::cleanPath(QDir(m_folder).filePath(name));
}

void BackupArchive::addSpec(QString spec, const QString& archive, QStringList& list,
                            QSet<QString>& seen) const {
    Platform& p = Platform::instance();
    spec = spec.trimmed();
    const bool recurse =
        spec.endsWith(QStringLiteral(" /s"), Qt::CaseInsensitive) || spec.compare(u"/s") == 0;
    if (recurse) spec = spec.left(spec.size() - 2).trimmed();
    const QString abs = inFolder(spec);
    const QString parent = folderOf(abs);
    const QString pattern = abs.mid(abs.lastIndexOf(u'/') + 1);
    std::vector<platform::DirEntry> entries;
    const auto listed = [&](const QString& mask) {
        const platform::Status s = p.listDirectory(parent, mask, entries, Platform::ListMode::Walk);
        if (s.error() == platform::errNoAnswer && m_unanswered.isEmpty()) m_unanswered = parent;
        return s.ok();
    };
    if (recurse && listed(QStringLiteral("*.*"))) {
        for (const auto& e : entries) {
            const bool folderEntry = (e.attributes & platform::faDirectory) && !e.isLink;
            if (!folderEntry || e.otherVolume || e.name == u"." || e.name == u"..") continue;
            if (e.attributes & (platform::faHidden | platform::faSysFile)) continue;
            addSpec(join(join(parent, e.name), pattern) + QStringLiteral(" /s"), archive, list,
                    seen);
        }
    }
    if (!listed(pattern)) return;
    const QString self = inFolder(archive);
    for (const auto& e : entries) {
        if ((e.attributes & platform::faDirectory) && !e.isLink) continue;
        const QString candidate = join(parent, e.name);
        platform::DirEntry target;
        const bool regular = e.isLink ? exists(candidate, &target) && target.regular : e.regular;
        if (!regular) continue; // devices, pipes, links to folders
        if (isVolumeOf(candidate, self) || seen.contains(candidate)) continue;
        if (m_incremental && !(p.attributes(candidate) & platform::faArchive)) continue;
        seen.insert(candidate);
        list.append(candidate);
    }
}

// The archive itself, or one of its continuation volumes (name.002 ...).
bool BackupArchive::isVolumeOf(const QString& candidate, const QString& archive) {
    if (candidate == archive) return true;
    const QString ext = candidate.mid(candidate.lastIndexOf(u'.') + 1);
    bool number = false;
    const int volume = ext.toInt(&number);
    return ext.size() == 3 && number && volume >= 2 && volumeFileName(archive, volume) == candidate;
}

bool BackupArchive::stopUnanswered(const QString& path) {
    stop(1);
    m_end->detail = core::noAnswerText() + QStringLiteral(" : ") + path;
    return false;
}

void BackupArchive::stopWriting(const VolumeWriter& out) {
    if (out.error() == platform::errCancelled) return stop(0);
    stop(4);
    if (out.error() == platform::errNoAnswer)
        m_end->detail = core::noAnswerText() + QStringLiteral(" : ") + out.fileName();
}

QStringList BackupArchive::buildFileList(const QStringList& fileSpecs,
                                         const QString& archiveName) const {
    m_unanswered.clear();
    QStringList list;
    QSet<QString> seen;
    for (const QString& spec : fileSpecs)
        addSpec(spec, archiveName, list, seen);
    return list;
}

// ---- backup ----

// A volume on a removable medium (a floppy, a key) leaves with it when the
// next disk comes.
bool BackupArchive::onRemovableMedium(const QString& archive) {
    Platform& p = Platform::instance();
    const QChar drive = p.driveOf(archive);
    return drive == u'A' || drive == u'B' || p.driveType(drive) == platform::DriveType::Removable;
}

bool BackupArchive::nextVolume(VolumeWriter& out, const QString& archive, int& volume) {
    if (volume >= 999) { // three digits: never reuse an earlier volume's name
        stop(10);
        return false;
    }
    ++volume;
    const QByteArray name = volumeBreakName(volume);
    if (!out.writeInt(qint32(name.size())) || !out.write(name) || !out.commit()) {
        stopWriting(out);
        return false;
    }
    if (!askDisk(volume)) {
        stop(0);
        return false;
    }
    if (!out.open(volumeFileName(archive, volume))) {
        stopWriting(out);
        return false;
    }
    return true;
}

bool BackupArchive::writeSegment(Source& src, VolumeWriter& out) {
    const int level = zlibLevel(m_level);
    const size_t depth = size_t(std::max(4, 4 * pool()->maxThreadCount()));
    const bool parallel = pool()->maxThreadCount() > 1;
    if (!out.write(kMagic, 4)) {
        stop(4);
        return false;
    }
    m_bytesWritten += 4;
    while (src.remaining > 0 && going() &&
           (m_maxSize == 0 || out.position() < qint64(m_maxSize) - kVolumeMargin)) {
        // Blocks are read in order and compressed ahead on the workers, a
        // run of them per task.
        while (src.inflight.size() < depth && src.toRead > 0 && !src.readFailed) {
            std::vector<QByteArray> run;
            while (run.size() < kBlocksPerTask && src.toRead > 0) {
                QByteArray buf(qsizetype(std::min<qint64>(kBlockSize, src.toRead)),
                               Qt::Uninitialized);
                if (src.file.read(buf.data(), buf.size()) != buf.size()) {
                    src.readFailed = true;
                    break;
                }
                src.toRead -= buf.size();
                m_bytesDone += buf.size();
                run.push_back(std::move(buf));
            }
            if (run.empty()) break;
            src.inflight.push_back(parallel ? QtConcurrent::run(pool(), encodeRun, run, level)
                                            : QtFuture::makeReadyFuture(encodeRun(run, level)));
        }
        if (src.ready.empty() && !src.inflight.empty()) {
            for (CodedBlock& b : src.inflight.front().result())
                src.ready.push_back(std::move(b));
            src.inflight.pop_front();
        }
        if (src.ready.empty()) {
            stop(1);
            break;
        }
        const CodedBlock block = std::move(src.ready.front());
        src.ready.pop_front();
        if (block.failed) {
            stop(6);
            break;
        }
        if (!out.writeInt(block.length) || !out.write(block.bytes)) {
            stop(4);
            break;
        }
        src.remaining -= block.sourceBytes;
        m_bytesWritten += qAbs(qint64(block.length)) + 4;
        progress();
    }
    if (!out.writeInt(0)) {
        stop(4);
    }
    return going();
}

bool BackupArchive::writeEntries(const QStringList& files, VolumeWriter& out,
                                 const QString& archive, int& volume) {
    Platform& p = Platform::instance();
    for (int i = 0; i < files.size() && going(); ++i) {
        const QString path = files[i].trimmed();
        platform::DirEntry entry;
        const platform::Status seen = p.entryOf(path, entry);
        if (seen.error() == platform::errNoAnswer) {
            stopUnanswered(path);
            break;
        }
        if (!seen) continue;
        // The next file is read from the disk while this one is compressed.
        if (i + 1 < files.size()) p.readAhead(files[i + 1].trimmed());
        const bool isList = m_saveFileList && i == 0;
        Source src;
        src.file.setFileName(path);
        if (const platform::Status opened = p.openForRead(src.file); !opened) {
            if (opened.error() == platform::errCancelled) {
                stop(0);
                break;
            }
            // A share whose server stopped answering is named as such.
            stop(1);
            if (opened.error() == platform::errNoAnswer)
                m_end->detail = core::noAnswerText() + QStringLiteral(" : ") + path;
            break;
        }
        const QByteArray name = isList ? QByteArray(kFileList) : encodeName(path);
        if (!out.writeInt(qint32(name.size())) || !out.write(name) ||
            !out.writeInt(fileDate(path))) {
            stop(4);
            break;
        }
        src.remaining = src.toRead = src.file.size();
        do {
            if (!writeSegment(src, out)) break;
            if (src.remaining > 0) nextVolume(out, archive, volume);
        } while (going() && src.remaining > 0);
        if (!isList && src.remaining == 0 && going()) ++m_filesDone;
        src.file.close();
        if (m_incremental && !isList) { // an incremental backup clears what it took
            const quint32 attrs = p.attributes(path);
            if (attrs != 0xFFFFFFFFu) p.setAttributes(path, attrs & ~quint32(platform::faArchive));
        }
    }
    return going();
}

bool BackupArchive::runBackup(const QStringList& fileSpecs, const QString& archiveName) {
    if (m_maxSize != 0 && m_maxSize < kMinVolumeSize) {
        // No volume could hold a block: refused before anything is written.
        stop(9);
        return false;
    }
    QStringList files = buildFileList(fileSpecs, archiveName);
    m_end.reset();
    if (!m_unanswered.isEmpty()) return stopUnanswered(m_unanswered);
    progress();
    m_totalSize = 0;
    m_filesDone = 0;

    QByteArray listText;
    for (const QString& f : files) {
        platform::DirEntry entry;
        const platform::Status seen = Platform::instance().entryOf(f, entry);
        if (seen.error() == platform::errNoAnswer) return stopUnanswered(f);
        if (!seen) continue;
        qint64 size = entry.size;
        // A share's file is read once, when it is saved; a local one is
        // opened here, so that one that cannot be read stops the backup
        // before it starts.
        if (!Platform::instance().onNetworkVolume(f)) {
            QFile probe(f);
            if (!Platform::instance().openForRead(probe))
                throw core::TavError(QStringLiteral("Ne peut ouvrir le fichier %1").arg(f));
            size = probe.size();
        }
        m_totalSize += size;
        if (m_saveFileList)
            listText += encodeName(f) + '\t' + QByteArray::number(fileDate(f)) + '=' +
                        QByteArray::number(size) + "\r\n";
    }
    QString listFile;
    if (m_saveFileList) {
        listFile = Platform::instance().tempFileName(Platform::instance().tempPath(),
                                                     QStringLiteral("FID"));
        QFile f(listFile);
        if (listFile.isEmpty() || !f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(listText) != listText.size() || !f.flush()) {
            stop(7);
        } else {
            files.prepend(listFile);
            m_totalSize += listText.size();
        }
    }

    VolumeWriter out;
    // Volumes in one folder are one set, named together when the backup is
    // complete; a volume that leaves with its disk takes its name at its break.
    if (!onRemovableMedium(archiveName)) out.keepVolumesTogether(archiveName);
    int volume = 1;
    m_fileCount =
        qint32(files.size() - (m_saveFileList && !listFile.isEmpty() && !failed() ? 1 : 0));
    const QByteArray title = encodeName(m_title);
    const qint32 total = qint32(std::min<qint64>(m_totalSize, std::numeric_limits<qint32>::max()));
    if (going() && (!out.open(archiveName) || !out.writeInt(qint32(title.size())) ||
                    !out.write(title) || !out.writeInt(total) || !out.writeInt(m_fileCount))) {
        stopWriting(out);
    }
    m_bytesDone = 0;
    m_bytesWritten = 0;
    if (going()) writeEntries(files, out, archiveName, volume);
    bool result = false;
    if (going()) {
        if (out.writeInt(0))
            result = true;
        else
            stop(4);
    }
    if (result && !out.commitLast()) {
        result = false; // the last bytes never reached the disk
        stopWriting(out);
    }
    out.abandon(); // a backup that failed or stopped leaves the older volume whole
    if (!listFile.isEmpty()) QFile::remove(listFile);
    if (m_job) m_job->progress(100);
    return result;
}

// ---- restore ----

QString restoreDoneText(const ArchiveResult& result) {
    QString text = QStringLiteral("Restore terminée avec succès, %1 fichiers sur %2 restorés")
                       .arg(result.filesDone)
                       .arg(result.fileCount);
    if (result.renamed > 0)
        text += QStringLiteral(", dont %1 sous un autre nom (même nom qu'un fichier déjà restauré)")
                    .arg(result.renamed);
    return text;
}

bool BackupArchive::restoreTarget(const QString& stored, const QString& restorePath,
                                  QString& target, QString& refusal) const {
    QString rest = stored;
    QChar drive;
    if (rest.size() >= 2 && rest[1] == u':' && rest[0].isLetter()) {
        drive = rest[0].toUpper();
        rest = rest.mid(2);
    }
    const bool absolute = rest.startsWith(u'/') || rest.startsWith(u'\\');
    // Names written here are Linux paths, from "/": a backslash is part of
    // a file name. Names from the platform with drive letters use both.
    const bool linuxName = drive.isNull() && stored.startsWith(u'/');
    const QStringList split =
        linuxName ? rest.split(u'/', Qt::SkipEmptyParts)
                  : rest.split(QRegularExpression(QStringLiteral("[/\\\\]")), Qt::SkipEmptyParts);
    QStringList parts;
    for (const QString& part : split) {
        if (part == u"..") {
            refusal = stored;
            return false;
        }
        if (part != u".") parts << part;
    }
    if (parts.isEmpty()) {
        refusal = stored;
        return false;
    }
    if (!restorePath.isEmpty()) {
        target = restorePath + (m_fullPath ? parts.join(u'/') : parts.last());
    } else if (!drive.isNull()) {
        const QString root = Platform::instance().driveRoot(drive);
        if (root.isEmpty()) {
            refusal = stored + QStringLiteral(" (lecteur %1: absent)").arg(drive);
            return false;
        }
        target = join(root, parts.join(u'/'));
    } else {
        target = absolute ? QStringLiteral("/") + parts.join(u'/') : inFolder(parts.join(u'/'));
    }
    // Never write through a link that is already there.
    QString check = restorePath.isEmpty() ? target : restorePath;
    const QStringList below =
        restorePath.isEmpty() ? QStringList() : target.mid(restorePath.size()).split(u'/');
    if (isLink(target)) {
        refusal = stored;
        return false;
    }
    for (const QString& part : below) {
        check = join(check, part);
        if (isLink(check)) {
            refusal = stored;
            return false;
        }
    }
    return true;
}

bool BackupArchive::readName(VolumeReader& in, QByteArray& raw) {
    qint32 length = 0;
    if (!in.readInt(length)) unreadable();
    if (length == 0) return false; // the end mark
    if (length < 0 || length > kMaxNameLength || !in.readBytes(length, raw)) unreadable();
    return true;
}

void BackupArchive::readHeader(VolumeReader& in) {
    qint32 titleLength = 0, total = 0, count = 0;
    if (!in.readInt(titleLength) || titleLength < 0 || titleLength > kMaxTitleLength ||
        !in.skip(titleLength) || !in.readInt(total) || !in.readInt(count))
        unreadable();
    m_totalSize = total;
    m_fileCount = count;
}

int BackupArchive::continuationVolume(const QByteArray& breakName, int current) {
    // Each continuation names a later volume, and no chain runs past 999:
    // a chain that loops or goes back is a damaged archive.
    const QByteArray digits = breakName.mid(9);
    bool isNumber = false;
    const int volume = digits.toInt(&isNumber);
    if (!isNumber || digits.size() != 3 || volume <= current || volume > 999) unreadable();
    return volume;
}

bool BackupArchive::openNextVolume(VolumeReader& in, QString& archive, int& current,
                                   const QByteArray& breakName) {
    const int volume = continuationVolume(breakName, current);
    in.close();
    QString next;
    do {
        if (!askDisk(volume)) stop(0);
        next = volumeFileName(archive, volume);
    } while (Platform::instance().attributes(next) == 0xFFFFFFFFu && going());
    if (!going()) return false;
    archive = next;
    current = volume;
    if (!in.open(next)) unreadable();
    return true;
}

void BackupArchive::readSegment(VolumeReader& in, QFile* target, SegmentMode mode,
                                qint64* counted) {
    char magic[4];
    if (!in.read(magic, 4)) unreadable();
    if (qstrncmp(magic, "EC2", 4) != 0)
        throw core::TavError(QStringLiteral("Archive de type Invalide"));
    const bool parallel = pool()->maxThreadCount() > 1;
    const size_t depth = size_t(std::max(4, 4 * pool()->maxThreadCount()));
    // Runs of blocks inflated on the workers straight into one buffer,
    // written in order, a run at a time.
    using Run = std::vector<DecodedBlock>; // stored blocks: ok false until inflated
    struct Inflated {
        QByteArray bytes; // the good blocks before any damaged one
        bool damaged = false;
    };
    std::deque<QFuture<Inflated>> inflight;
    struct Drain {
        std::deque<QFuture<Inflated>>& q;
        ~Drain() {
            for (auto& f : q)
                f.waitForFinished();
        }
    } drain{inflight};
    auto decode = [](const Run& run) {
        Inflated result;
        result.bytes.resize(qsizetype(run.size()) * kBlockSize);
        qsizetype at = 0;
        for (const DecodedBlock& b : run) {
            qsizetype made = b.bytes.size();
            if (b.ok)
                std::memcpy(result.bytes.data() + at, b.bytes.constData(), size_t(made));
            else
                made = decodeBlockInto(b.bytes, result.bytes.data() + at);
            if (made < 0) {
                result.damaged = true;
                break;
            }
            at += made;
        }
        result.bytes.resize(at);
        return result;
    };
    bool ended = false;
    while (going()) {
        while (!ended && inflight.size() < depth) {
            Run run;
            while (run.size() < kBlocksPerTask) {
                qint32 n = 0;
                if (!in.readInt(n)) unreadable();
                if (n == 0) {
                    ended = true;
                    break;
                }
                if (n > kBlockSize || n < -kBlockSize) unreadable();
                const qint64 size = n < 0 ? -qint64(n) : n;
                if (mode == SegmentMode::Skip) {
                    if (!in.skip(size)) unreadable();
                    continue;
                }
                QByteArray data;
                if (!in.readBytes(size, data)) unreadable();
                run.push_back(DecodedBlock{n < 0, std::move(data)});
            }
            if (run.empty()) break;
            inflight.push_back(parallel ? QtConcurrent::run(pool(), decode, std::move(run))
                                        : QtFuture::makeReadyFuture(decode(std::move(run))));
        }
        if (inflight.empty()) break;
        const Inflated run = inflight.front().result();
        inflight.pop_front();
        // The good blocks before a damaged one are written; then the error.
        const QByteArray& written = run.bytes;
        if (target && target->write(written) != written.size()) {
            const int cause = errno;
            m_writeCause =
                causeOf(cause == ENOSPC || cause == EDQUOT ? platform::errDiskFull
                                                           : platform::errorFromErrno(cause));
            stop(11);
            break;
        }
        if (counted) *counted += written.size();
        m_bytesDone += written.size();
        progress();
        if (run.damaged) {
            stop(6);
            break;
        }
    }
}

QString BackupArchive::causeOf(int platformError) {
    return core::fileErrorText(platformError, core::FileUse::Restore);
}

void BackupArchive::notRestored(const QString& name, const QString& cause) {
    if (m_questions.notRestored) m_questions.notRestored(name, cause);
}

bool BackupArchive::wanted(const QString& target, qint32 date) const {
    platform::DirEntry e;
    const bool present = exists(target, &e) && !(e.attributes & platform::faDirectory);
    const bool older = present && fileDate(target) < date;
    switch (m_restoreMode) {
    case rmAll:
        return true;
    case rmNoOverwrite:
        return !present;
    case rmNewer:
        return !present || older;
    case rmExisting:
        return present;
    case rmExistingNewer:
        return older;
    }
    return false;
}

// The file being restored: its data goes to a temporary beside the target,
// which takes the target's place only once the data has ended cleanly.
struct BackupArchive::Pending {
    QString target;
    qint32 date = 0;
    std::unique_ptr<platform::FileReplacement> content;
};

void BackupArchive::startFile(Pending& pending, const QString& target, qint32 date) {
    Platform& p = Platform::instance();
    pending = Pending{target, date, nullptr};
    const quint32 attrs = p.attributes(target);
    // A read-only file is never written over, as the platform refuses it.
    if (attrs != 0xFFFFFFFFu && (attrs & platform::faReadOnly)) {
        notRestored(target, core::InOutError::textFor(5));
        stop(1);
        return;
    }
    pending.content = std::make_unique<platform::FileReplacement>(target);
    pending.content->setDurable(false); // all of them at once, at the end
    if (const platform::Status opened = pending.content->open(); !opened) {
        notRestored(target, causeOf(opened.error()));
        pending.content.reset();
        stop(1);
    }
}

void BackupArchive::endFile(Pending& pending) {
    if (!pending.content) return;
    std::unique_ptr<platform::FileReplacement> content = std::move(pending.content);
    if (!going()) { // the old file stays as it was
        notRestored(pending.target, errorCode() == 11 ? m_writeCause
                                    : failed()        ? errorText(errorCode())
                                                      : QStringLiteral("annulé"));
        return;
    }
    if (m_questions.fileRestored) m_questions.fileRestored(pending.target, content->file());
    m_completed.push_back(
        std::make_unique<Pending>(Pending{pending.target, pending.date, std::move(content)}));
    if (m_completed.size() >= 64) commitCompleted();
}

void BackupArchive::commitCompleted() {
    if (m_completed.empty()) return;
    // One flush of the file system for the whole batch, before any rename:
    // a name never points at content that is not on the disk yet.
    platform::FileReplacement::syncFileSystemOf(m_restoreRoot);
    for (const std::unique_ptr<Pending>& done : m_completed) {
        const platform::Status committed =
            done->content->commit(platform::fromDosDateTime(quint32(done->date)));
        if (committed) {
            ++m_filesDone;
            continue;
        }
        notRestored(done->target, causeOf(committed.error()));
        stop(1);
    }
    m_completed.clear();
}

bool BackupArchive::runRestore(const QString& archiveName, const QString& restorePath) {
    QString path = restorePath;
    if (!path.isEmpty() && !path.endsWith(u'/')) path += u'/';
    m_filesDone = 0;
    m_end.reset();
    if (Platform::instance().attributes(archiveName) == 0xFFFFFFFFu) return false;
    VolumeReader in;
    if (!in.open(archiveName)) unreadable();
    readHeader(in);
    m_bytesDone = 0;
    m_restoreRoot = path;
    m_completed.clear();
    m_restoredTargets.clear();
    m_renamed = 0;

    QString archive = archiveName;
    int volume = 1;
    bool anyFile = false;
    Pending pending;
    try {
        while (going()) {
            QByteArray raw;
            if (!readName(in, raw)) break;
            if (raw.startsWith("NEXT:DISK")) {
                // Blocks that follow a break belong to the file before it.
                if (!anyFile) unreadable();
                if (!openNextVolume(in, archive, volume, raw)) break;
                QFile* into = pending.content ? &pending.content->file() : nullptr;
                readSegment(in, into, into ? SegmentMode::Extract : SegmentMode::Skip);
                continue;
            }
            endFile(pending);
            if (!going()) break;
            anyFile = true;
            restoreEntry(in, raw, path, pending);
        }
        endFile(pending);
    } catch (const core::TavError&) {
        pending.content.reset(); // damaged data never reaches an existing file
        in.close();
        commitCompleted(); // the files read whole before the damage
        platform::FileReplacement::syncFileSystemOf(path);
        throw;
    }
    in.close();
    commitCompleted();
    // The renames are on the disk before the restore is told done.
    // (Restored to their own full paths, they may be on any file system.)
    platform::FileReplacement::syncFileSystemOf(path);
    const bool result = going();
    if (errorCode() == 11) m_end->detail = m_writeCause;
    if (m_job) m_job->progress(100);
    return result;
}

namespace {
// "nom (2).ext", "nom (3).ext"…: the first that no file of this run took.
// A file of that name from before is treated as the mode says, as any
// other: restoring the same archive again gives the same names.
QString freeName(const QString& target, const QSet<QString>& taken) {
    const qsizetype slash = target.lastIndexOf(u'/');
    const qsizetype dot = target.lastIndexOf(u'.');
    const qsizetype cut = dot > slash + 1 ? dot : target.size();
    for (int n = 2;; ++n) {
        const QString candidate =
            target.left(cut) + QStringLiteral(" (%1)").arg(n) + target.mid(cut);
        if (!taken.contains(candidate)) return candidate;
    }
}
} // namespace

void BackupArchive::restoreEntry(VolumeReader& in, const QByteArray& raw, const QString& path,
                                 Pending& pending) {
    const QString name = decodeName(raw);
    qint32 date = 0;
    if (!in.readInt(date)) unreadable();
    bool doRestore = false;
    QString target;
    if (raw != kFileList) {
        QString refusal;
        if (!restoreTarget(name, path, target, refusal)) {
            report(errorText(8) + QStringLiteral(" : ") + refusal); // the rest goes on
            notRestored(name, errorText(8));
        } else {
            // Into one folder without their paths, files of the same name
            // meet: one restored earlier in this run is never overwritten.
            const bool flattened = !path.isEmpty() && !m_fullPath;
            if (flattened && m_restoredTargets.contains(target)) {
                target = freeName(target, m_restoredTargets);
                ++m_renamed;
            }
            if (flattened) m_restoredTargets.insert(target);
            doRestore = wanted(target, date);
            if (!doRestore) notRestored(target, QStringLiteral("ignoré selon le mode"));
        }
    }
    if (doRestore && !Platform::instance().createPath(folderOf(target))) {
        doRestore = false;
        notRestored(target, QStringLiteral("dossier impossible à créer"));
    }
    if (doRestore) startFile(pending, target, date);
    if (!going()) return;
    QFile* into = pending.content ? &pending.content->file() : nullptr;
    try {
        readSegment(in, into, into ? SegmentMode::Extract : SegmentMode::Skip);
    } catch (const core::TavError& e) {
        if (!into) throw;
        notRestored(target, e.text());
        pending.content.reset();
        stop(1);
    }
}

// ---- scan ----

QList<ArchiveEntry> BackupArchive::scan(const QString& archiveName, int threads) {
    BackupArchive a(threads, {});
    return a.scanVolumes(archiveName);
}

QList<ArchiveEntry> BackupArchive::scanVolumes(const QString& archiveName) {
    QList<ArchiveEntry> entries;
    VolumeReader in;
    if (!in.open(archiveName)) unreadable();
    readHeader(in);
    m_end.reset();
    int volume = 1;
    auto segment = [&](ArchiveEntry& e) {
        readSegment(in, nullptr, SegmentMode::Extract, &e.size);
        if (failed()) throw core::TavError(errorText(errorCode()) + QStringLiteral(" : ") + e.name);
        if (!e.volumes.contains(volume)) e.volumes << volume;
    };
    for (;;) {
        QByteArray raw;
        if (!readName(in, raw)) break;
        if (raw.startsWith("NEXT:DISK")) {
            if (entries.isEmpty()) unreadable();
            volume = continuationVolume(raw, volume);
            const QString next = volumeFileName(archiveName, volume);
            in.close();
            if (!in.open(next))
                throw core::TavError(QStringLiteral("Volume manquant : %1").arg(next));
            segment(entries.last());
            continue;
        }
        ArchiveEntry e;
        e.name = decodeName(raw);
        if (!in.readInt(e.date)) unreadable();
        segment(e);
        entries.append(e);
    }
    return entries;
}

} // namespace transforms

#include "hex_storage.h"
#include "core/job.h"
#include "platform/held_files.h"
#include "platform/platform.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>

namespace hexedit {

namespace {

constexpr qint64 kWindowSize = 65536;
constexpr qint64 kMoveChunk = 4 << 20; // tail moves go through this much at a time

constexpr int kAbandonedAge = 60; // seconds unchanged before a working file may be abandoned

bool isWorkingName(QStringView name) {
    if (!name.endsWith(u".KWDT")) return false;
    if (name.size() != 8 + 5) return false;
    for (const QChar c : name.first(8))
        if (!c.isDigit() && !(c >= u'A' && c <= u'F')) return false;
    return true;
}

QString copyNameOf(const QString& workName) {
    return workName + QStringLiteral(".load");
}

// The working files (and load copies) of editors that were killed: held by
// no one. A load copy goes with its working file only.
void removeAbandoned(const QString& folder) {
    const QStringList names = QDir(folder).entryList(
        {QStringLiteral("*.KWDT"), QStringLiteral("*.KWDT.load")}, QDir::Files | QDir::System);
    for (const QString& name : names) {
        const bool copy = name.endsWith(u".load");
        const QString work = folder + (copy ? name.chopped(5) : name);
        if (!isWorkingName(QStringView(work).sliced(folder.size()))) continue;
        if (copy && platform::isHeld(work)) continue;
        platform::removeIfAbandoned(folder + name, kAbandonedAge);
    }
}

// The editors' own folder for working files, on disk (a working file is a
// whole copy of the edited file: not the runtime folder, which lives in
// memory) and private: $XDG_CACHE_HOME/tavtools/hexedit, mode 0700. The
// clean-up looks there only, so it never touches another program's file.
// Without it (no home to write in), the temporary folder, never cleaned.
QString workFolder(bool& own) {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString folder = cache + QStringLiteral("/tavtools/hexedit/");
    own = !cache.isEmpty() && QDir().mkpath(folder) &&
          QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
    if (own) return folder;
    QString temp = platform::Platform::instance().tempPath().trimmed();
    return temp.endsWith(u'/') ? temp : temp + u'/';
}

QString newWorkingName() {
    bool own = false;
    const QString folder = workFolder(own);
    if (own) removeAbandoned(folder);
    quint32 tick = quint32(QDateTime::currentMSecsSinceEpoch());
    for (;; ++tick) {
        const QString name =
            folder + QStringLiteral("%1.KWDT").arg(tick, 8, 16, QChar(u'0')).toUpper();
        QFile probe(name);
        // Created at once, so two editors never share a name.
        if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return name;
    }
}

} // namespace

HexStorage::HexStorage() : m_workName(newWorkingName()), m_work(m_workName) {
    openWork();
    m_window.resize(kWindowSize);
}

void HexStorage::openWork() {
    // Held while open: another editor never takes it for one left behind.
    if (m_work.open(QIODevice::ReadWrite)) platform::holdFile(m_work.handle());
}

HexStorage::~HexStorage() {
    m_work.resize(0);
    m_work.close();
    QFile::remove(m_workName);
    QFile::remove(copyNameOf(m_workName)); // a load that was stopped
}

qint64 HexStorage::size() {
    if (m_size < 0) m_size = m_work.isOpen() ? m_work.size() : 0;
    return m_size;
}

void HexStorage::invalidate() {
    m_windowStart = -1;
    m_size = -1;
}

void HexStorage::ensureWindow(qint64 p, qint64 span) {
    if (m_windowStart >= 0 && m_windowStart <= p && m_windowStart + kWindowSize >= p + span) return;
    m_windowStart = std::max<qint64>(0, p - kWindowSize / 2);
    m_work.seek(m_windowStart);
    m_windowLength =
        std::max<qint64>(0, m_work.read(reinterpret_cast<char*>(m_window.data()), kWindowSize));
}

quint8 HexStorage::byteAt(qint64 offset, qint64 span) {
    ensureWindow(offset, span);
    const qint64 i = offset - m_windowStart;
    return i >= 0 && i < m_windowLength ? m_window[size_t(i)] : 0;
}

const quint8* HexStorage::bytesAt(qint64 offset, qint64 span, int& count) {
    ensureWindow(offset, span);
    const qint64 i = offset - m_windowStart;
    count = int(std::clamp<qint64>(m_windowLength - i, 0, span));
    return m_window.data() + i;
}

bool HexStorage::read(qint64 offset, char* data, qint64 size) {
    return m_work.seek(offset) && m_work.read(data, size) == size;
}

bool HexStorage::write(qint64 offset, const char* data, qint64 size) {
    const bool ok = m_work.seek(offset) && m_work.write(data, size) == size;
    if (offset + size > m_size) m_size = -1;
    // A write inside the window is copied into it; any other drops it.
    if (m_windowStart >= 0 && offset >= m_windowStart &&
        offset + size <= m_windowStart + m_windowLength)
        std::copy(data, data + size, m_window.begin() + (offset - m_windowStart));
    else
        m_windowStart = -1;
    return ok;
}

void HexStorage::remove(qint64 a, qint64 b) {
    const qint64 total = size();
    QByteArray chunk;
    for (qint64 from = b; from < total; from += kMoveChunk) {
        const qint64 n = std::min(kMoveChunk, total - from);
        chunk.resize(n);
        read(from, chunk.data(), n);
        m_work.seek(from - (b - a));
        m_work.write(chunk.constData(), n);
    }
    resize(total - (b - a));
}

void HexStorage::insert(qint64 p, const QByteArray& bytes) {
    const qint64 total = size();
    const qint64 n = bytes.size();
    if (!m_work.isOpen()) openWork();
    m_work.resize(total + n);
    QByteArray chunk;
    // From the end backwards, so nothing is overwritten before it is moved.
    for (qint64 end = total; end > p;) {
        const qint64 len = std::min(kMoveChunk, end - p);
        chunk.resize(len);
        read(end - len, chunk.data(), len);
        m_work.seek(end - len + n);
        m_work.write(chunk.constData(), len);
        end -= len;
    }
    m_work.seek(p);
    m_work.write(bytes.constData(), n);
    invalidate();
}

void HexStorage::resize(qint64 size) {
    m_work.resize(size);
    invalidate();
}

bool HexStorage::copyIn(const QString& name, core::Job& job) {
    // Looked at through the platform, which never waits on a silent server;
    // a local file is opened first, so that one that cannot be read fails
    // here (a share's fails in its copy).
    platform::Platform& p = platform::Platform::instance();
    platform::DirEntry entry;
    if (!p.entryOf(name, entry) || !entry.regular) return false;
    QFile probe(name);
    if (!p.onNetworkVolume(name) && !probe.open(QIODevice::ReadOnly)) return false;
    probe.close();
    // One copy beside the working file, in the kernel where it can, holes kept.
    const QString copy = copyNameOf(m_workName);
    QFile::remove(copy);
    return platform::Platform::instance().copyFile(name, copy, false, &job).ok();
}

bool HexStorage::adoptCopy() {
    // The copy is held before it takes the working name, and the old file
    // until the copy is open under it: the name is never left unheld.
    const QString copyName = copyNameOf(m_workName);
    QFile copy(copyName);
    const bool taken = copy.open(QIODevice::ReadOnly) && platform::holdFile(copy.handle()) &&
                       std::rename(QFile::encodeName(copyName).constData(),
                                   QFile::encodeName(m_workName).constData()) == 0;
    if (!taken) QFile::remove(copyName);
    QFile::setPermissions(m_workName, QFile::ReadOwner | QFile::WriteOwner);
    m_work.close();
    openWork();
    invalidate();
    if (!taken) m_work.resize(0);
    return taken;
}

} // namespace hexedit

#include "hex_document.h"
#include "code_pages.h"
#include "core/byte_search.h"
#include "core/errors.h"
#include "core/guarded_mapping.h"
#include "core/job.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <array>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace hexedit {

namespace {

constexpr int kHeaderSize = 33;

const char* const kUndoTexts[] = {"Byte changed", "Byte(s) removed", "Insert buffer",
                                  "Replace selection", "Append buffer"};

void putI32(QByteArray& b, qint64 v) {
    const quint32 u = quint32(qint32(v));
    for (int i = 0; i < 4; ++i)
        b.append(char(u >> (8 * i) & 0xFF));
}

qint32 getI32(const QByteArray& b, qint64 at) {
    const uchar* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return qint32(quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24);
}

qint32 high(qint64 v) {
    return qint32(v >> 32);
}
qint64 join(qint32 low, qint32 hi) {
    return qint64(quint64(quint32(hi)) << 32 | quint32(low));
}

quint8 translatePattern(quint8 c, TranslationType t) {
    switch (t) {
    case ttDos8:
    case ttASCII:
        return kAnsiToOem[c];
    case ttMac:
        return c < 128 ? c : kAnsiToMac[c];
    case ttEBCDIC:
        return kAnsiToEbcdic[c];
    default:
        return c;
    }
}

struct LowerTable {
    quint8 lower[256];
    LowerTable() {
        for (int i = 0; i < 256; ++i)
            lower[i] = ansiLower(quint8(i));
    }
};
const LowerTable& lowerTable() {
    static const LowerTable t;
    return t;
}

// A window of a file mapped for reading, its pages read in at once; a
// file cut short meanwhile reads as zeros instead of ending the program.
struct MappedWindow {
    const char* data = nullptr;
    core::GuardedMapping map;
    MappedWindow(int fd, qint64 offset, qint64 size) {
        if (map.map(fd, size, offset, true)) data = reinterpret_cast<const char*>(map.data());
    }
};

#if defined(__x86_64__) && defined(__GNUC__)
// The next position from `from` whose byte is one of a[] and whose next byte
// one of b[], thirty-two at a time; when there is none, -(where it stopped) - 1.
__attribute__((target("avx2"))) qint64 candidateAvx2(const quint8* hay, qint64 n, qint64 from,
                                                     const quint8 a[2], const quint8 b[2]) {
    const __m256i a0 = _mm256_set1_epi8(char(a[0])), a1 = _mm256_set1_epi8(char(a[1]));
    const __m256i b0 = _mm256_set1_epi8(char(b[0])), b1 = _mm256_set1_epi8(char(b[1]));
    qint64 i = from;
    for (; i + 33 <= n; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i + 1));
        const __m256i hit =
            _mm256_and_si256(_mm256_or_si256(_mm256_cmpeq_epi8(x, a0), _mm256_cmpeq_epi8(x, a1)),
                             _mm256_or_si256(_mm256_cmpeq_epi8(y, b0), _mm256_cmpeq_epi8(y, b1)));
        if (const unsigned mask = unsigned(_mm256_movemask_epi8(hit)))
            return i + __builtin_ctz(mask);
    }
    return -i - 1;
}

bool hasAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

// Leftmost match of an already lower-cased pattern in hay, comparing every
// byte of hay lower-cased. Candidates are found sixteen at a time on their
// first two bytes, in either case; each is then checked whole.
qint64 findFolded(const quint8* hay, qint64 n, const quint8* pat, qint64 m) {
    const quint8* low = lowerTable().lower;
    auto matchesAt = [&](qint64 i) {
        for (qint64 k = 0; k < m; ++k)
            if (low[hay[i + k]] != pat[k]) return false;
        return true;
    };
    qint64 i = 0;
#ifdef __SSE2__
    // The byte values whose lower case is the pattern's first and second byte.
    quint8 first[2] = {pat[0], pat[0]},
           second[2] = {m > 1 ? pat[1] : pat[0], m > 1 ? pat[1] : pat[0]};
    int nFirst = 0, nSecond = 0;
    bool simple = true;
    for (int b = 0; b < 256; ++b) {
        if (low[b] == pat[0]) {
            if (nFirst < 2)
                first[nFirst++] = quint8(b);
            else
                simple = false;
        }
        if (m > 1 && low[b] == pat[1]) {
            if (nSecond < 2)
                second[nSecond++] = quint8(b);
            else
                simple = false;
        }
    }
    if (nFirst == 1) first[1] = first[0];
    if (nSecond == 1) second[1] = second[0];
#if defined(__x86_64__) && defined(__GNUC__)
    if (simple && m > 1 && hasAvx2())
        for (qint64 from = 0;;) {
            const qint64 c = candidateAvx2(hay, n, from, first, second);
            if (c < 0) {
                i = -c - 1;
                break;
            }
            if (c + m <= n && matchesAt(c)) return c;
            from = c + 1;
        }
#endif
    if (simple && m > 1) {
        const __m128i a0 = _mm_set1_epi8(char(first[0])), a1 = _mm_set1_epi8(char(first[1]));
        const __m128i b0 = _mm_set1_epi8(char(second[0])), b1 = _mm_set1_epi8(char(second[1]));
        for (; i + 17 <= n && i + m <= n; i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + 1));
            const __m128i hit =
                _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(x, a0), _mm_cmpeq_epi8(x, a1)),
                              _mm_or_si128(_mm_cmpeq_epi8(y, b0), _mm_cmpeq_epi8(y, b1)));
            unsigned mask = unsigned(_mm_movemask_epi8(hit));
            while (mask) {
                const int bit = __builtin_ctz(mask);
                if (i + bit + m <= n && matchesAt(i + bit)) return i + bit;
                mask &= mask - 1;
            }
        }
    }
#endif
    for (; i + m <= n; ++i)
        if (matchesAt(i)) return i;
    return -1;
}

} // namespace

HexDocument::HexDocument() = default;

HexDocument::~HexDocument() = default;

void HexDocument::notify() {
    if (stateChanged) stateChanged();
}

// ---- bytes ----

qint64 HexDocument::dataSize() {
    return m_bytes.size();
}

quint8 HexDocument::readByte(qint64 offset, int width) {
    return m_bytes.byteAt(offset, width);
}

const quint8* HexDocument::lineBytes(qint64 lineStart, int width, int& count) {
    return m_bytes.bytesAt(lineStart, width, count);
}

void HexDocument::setNoSizeChange(bool on) {
    m_noSizeChange = on;
    if (on) m_allowInsert = false;
}

// ---- load, new, save ----

bool HexDocument::copyIn(const QString& name, core::Job& job) {
    return m_bytes.copyIn(name, job);
}

bool HexDocument::adoptCopy(const QString& name) {
    if (!m_bytes.adoptCopy()) return false;
    fileName = name;
    emptyUndo();
    m_marks.clear();
    modified = false;
    if (replaced) replaced();
    return true;
}

void HexDocument::newFile(const QString& name) {
    m_bytes.resize(0);
    fileName = name;
    emptyUndo();
    m_marks.clear();
    modified = false;
    if (replaced) replaced();
}

void HexDocument::savedAs(const QString& name) {
    m_marks.clear();
    modified = false;
    fileName = name;
    emptyUndo();
    if (marksCleared) marksCleared();
}

bool HexDocument::writeTo(const QString& name, core::Job& job) {
    platform::Platform& p = platform::Platform::instance();
    if (createBackup && modified && name == fileName && p.attributes(name) != 0xFFFFFFFFu) {
        const QFileInfo fi(name);
        const int dot = int(fi.fileName().lastIndexOf(u'.'));
        const QString base = dot < 0 ? name : fi.dir().filePath(fi.fileName().left(dot));
        // Flushed before it takes its name: the old content must survive
        // the replacement that follows.
        if (!p.copyFile(name, base + backupExtension, false, nullptr, true)) return false;
    }
    // The new content goes beside the file and replaces it in one step,
    // keeping its mode, owner and stored attributes (a link is followed to
    // the real file); a read-only file is not replaced.
    const quint32 attrs = p.attributes(name);
    const bool readOnly = attrs != 0xFFFFFFFFu && (attrs & platform::faReadOnly);
    platform::FileReplacement out(name);
    return !readOnly && out.open() && p.appendFile(m_bytes.workName(), out.file(), 0, -1, &job) &&
           out.commit();
}

// ---- changes ----

bool HexDocument::gate(ChangeType type, qint64 position, qint64 oldLength, qint64 count,
                       const EditPosition& before) {
    bool allowed = dataSize() > 0 || type == ctInsert || type == ctAppend;
    if (m_noSizeChange && (type == ctRemove || type == ctInsert || type == ctAppend ||
                           (type == ctReplace && oldLength != count)))
        allowed = false;
    if (allowed) {
        m_canUndo = true;
        pushUndo(type, position, oldLength, count, before);
        modified = true;
    }
    notify();
    return allowed;
}

void HexDocument::truncateMarks(qint64 p) {
    m_marks.erase(m_marks.lower_bound(std::max<qint64>(0, p)), m_marks.end());
}

bool HexDocument::changeByte(qint64 offset, quint8 value, const EditPosition& before) {
    if (offset < 0 || offset >= dataSize()) return false;
    if (readByte(offset) == value) return false;
    if (!gate(ctByte, offset, 0, 1, before)) return false;
    m_bytes.write(offset, reinterpret_cast<const char*>(&value), 1);
    if (!insertMode()) m_marks.insert(offset);
    if (byteChanged) byteChanged(offset);
    return true;
}

bool HexDocument::removeBytes(qint64 a, qint64 b, const EditPosition& before, bool dropMarksFirst) {
    if (dropMarksFirst) truncateMarks(a);
    if (!gate(ctRemove, a, 0, b - a, before)) return false;
    m_bytes.remove(a, b);
    return true;
}

bool HexDocument::insertBytes(qint64 p, const QByteArray& bytes, const EditPosition& before) {
    if (bytes.isEmpty() || p < 0 || p > dataSize()) return false;
    if (!gate(ctInsert, p, 0, bytes.size(), before)) return false;
    if (dataSize() == 0) {
        p = 0;
        m_marks.clear();
    }
    m_bytes.insert(p, bytes);
    truncateMarks(p);
    return true;
}

bool HexDocument::appendBytes(const QByteArray& bytes, const EditPosition& before) {
    if (bytes.isEmpty()) return false;
    const qint64 old = dataSize();
    if (!gate(ctAppend, old, 0, bytes.size(), before)) return false;
    truncateMarks(old);
    if (old == 0) m_marks.clear();
    m_bytes.write(old, bytes.constData(), bytes.size());
    return true;
}

bool HexDocument::replaceBytes(qint64 start, qint64 count, const QByteArray& bytes,
                               const EditPosition& before) {
    if (!gate(ctReplace, start, count, bytes.size(), before)) return false;
    m_bytes.remove(start, start + count);
    m_bytes.insert(start, bytes);
    truncateMarks(start);
    return true;
}

// ---- search ----

HexDocument::Search HexDocument::prepareFind(QByteArray& pattern, qint64 first, qint64 last,
                                             bool ignoreCase, bool translate) {
    const qint64 size = dataSize();
    if (last >= size) last = size - 1;
    // Nothing to search: the pattern stays as it was typed.
    if (pattern.isEmpty() || first < 0 || first + pattern.size() > last + 1)
        return Search{m_bytes.workName(), pattern, first, last, ignoreCase};
    if (translate && translation != ttAnsi)
        for (char& c : pattern)
            c = char(translatePattern(quint8(c), translation));
    if (ignoreCase)
        for (char& c : pattern)
            c = char(ansiLower(quint8(c)));
    m_bytes.flush();
    return Search{m_bytes.workName(), pattern, first, last, ignoreCase};
}

qint64 HexDocument::scan(const Search& s, core::Job& job) {
    const QByteArray& pattern = s.pattern;
    const qint64 length = pattern.size(), first = s.first, last = s.last;
    if (length < 1 || first < 0 || first + length > last + 1) return -1;
    QFile work(s.workName);
    if (!work.open(QIODevice::ReadOnly)) return -1;
    // The leftmost match, as a byte-by-byte scan with restarts would find
    // it, searched in place in the working file (mapped a window at a time),
    // else in large reads.
    const auto search = [&](const char* data, qint64 n) -> qint64 {
        if (s.ignoreCase)
            return findFolded(reinterpret_cast<const quint8*>(data), n,
                              reinterpret_cast<const quint8*>(pattern.constData()), length);
        return core::findBytes(QByteArrayView(data, n), pattern);
    };
    constexpr qint64 kWindow = 16 << 20, kChunk = 1 << 20;
    QByteArray buf;
    for (qint64 at = first; at + length <= last + 1;) {
        if (job.advance(at - first, last + 1 - first)) return -1;
        qint64 n = std::min(kWindow + length - 1, last + 1 - at);
        qint64 hit = -1;
        if (const MappedWindow window(work.handle(), at, n); window.data) {
            hit = search(window.data, n);
        } else {
            n = std::min(kChunk + length - 1, last + 1 - at);
            buf.resize(n);
            if (!work.seek(at) || work.read(buf.data(), n) != n) return -1;
            hit = search(buf.constData(), n);
        }
        if (hit >= 0) return at + hit;
        if (n < length) break;
        at += n - length + 1;
    }
    return -1;
}

// ---- undo ----

void HexDocument::emptyUndo() {
    m_undo.clear();
    m_undo.squeeze();
    m_undoHigh.clear();
    m_undoCount = 0;
    m_canUndo = false;
    m_undoText = QStringLiteral("No Undo");
    notify();
}

void HexDocument::pushUndo(ChangeType type, qint64 position, qint64 oldLength, qint64 count,
                           const EditPosition& before) {
    m_undoText = QString::fromLatin1(kUndoTexts[type]);
    ++m_undoCount;
    if (m_undoCount > 100) {
        // The oldest record is the first of the stream: walk down from the top.
        qint64 end = m_undo.size();
        for (int i = 0; i < m_undoCount - 2; ++i)
            end -= getI32(m_undo, end - 4);
        m_undo.remove(0, end);
        m_undoHigh.erase(m_undoHigh.begin());
        --m_undoCount;
    }
    QByteArray r;
    const qint64 caretOff = before.caret;
    r.append(char(type));
    r.append(char(type == ctByte && m_marks.count(position) ? 1 : 0));
    r.append(char(modified ? 1 : 0));
    putI32(r, caretOff);
    r.append(char(before.charArea ? 0 : before.nibble));
    r.append(char(before.charArea ? 1 : 0));
    putI32(r, before.selStart);
    putI32(r, before.selEnd);
    putI32(r, before.selAnchor);
    putI32(r, position);
    putI32(r, count);
    putI32(r, oldLength);
    const qint64 saved = type == ctRemove ? count : type == ctReplace ? oldLength : 1;
    QByteArray bytes(saved, 0);
    if (type == ctByte || type == ctRemove || type == ctReplace)
        m_bytes.read(position, bytes.data(), saved);
    r.append(bytes);
    putI32(r, r.size() + 4);
    m_undo.append(r);
    m_undoHigh.push_back({high(caretOff), high(before.selStart), high(before.selEnd),
                          high(before.selAnchor), high(position)});
}

EditPosition HexDocument::recordedPosition(const QByteArray& r, qint64 at) {
    const auto& hi = m_undoHigh.back();
    EditPosition p;
    p.caret = join(getI32(r, at + 3), hi[0]);
    p.charArea = r[at + 8] != 0;
    p.nibble = p.charArea ? 0 : r[at + 7];
    p.selStart = join(getI32(r, at + 9), hi[1]);
    p.selEnd = join(getI32(r, at + 13), hi[2]);
    p.selAnchor = join(getI32(r, at + 17), hi[3]);
    modified = r[at + 2] != 0;
    return p;
}

std::optional<EditPosition> HexDocument::undo() {
    if (!m_canUndo || m_undoCount == 0) {
        emptyUndo();
        return std::nullopt;
    }
    const qint64 length = getI32(m_undo, m_undo.size() - 4);
    const qint64 at = m_undo.size() - length;
    const auto& hi = m_undoHigh.back();
    const int type = m_undo[at];
    const qint64 position = join(getI32(m_undo, at + 21), hi[4]);
    const qint64 count = getI32(m_undo, at + 25);
    const qint64 oldLength = getI32(m_undo, at + 29);
    const QByteArray saved = m_undo.mid(at + kHeaderSize, length - kHeaderSize - 4);
    switch (type) {
    case ctByte: {
        const quint8 v = quint8(saved[0]);
        m_bytes.write(position, reinterpret_cast<const char*>(&v), 1);
        if (m_undo[at + 1])
            m_marks.insert(position);
        else
            m_marks.erase(position);
        break;
    }
    case ctRemove:
        m_bytes.insert(position, saved);
        truncateMarks(position);
        break;
    case ctInsert:
        m_bytes.remove(position, position + count);
        truncateMarks(position);
        break;
    case ctReplace:
        m_bytes.remove(position, position + count);
        m_bytes.insert(position, saved.left(oldLength));
        truncateMarks(position > 0 ? position - 1 : 0);
        break;
    case ctAppend:
        m_bytes.resize(position);
        truncateMarks(position);
        break;
    }
    const EditPosition before = recordedPosition(m_undo, at);
    m_undo.truncate(at);
    m_undoHigh.pop_back();
    --m_undoCount;
    if (m_undoCount > 0) {
        m_undoText = QString::fromLatin1(
            kUndoTexts[int(m_undo[m_undo.size() - getI32(m_undo, m_undo.size() - 4)])]);
        notify();
    } else {
        emptyUndo();
    }
    return before;
}

} // namespace hexedit

#include "dbase_table.h"
#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

namespace viewers {

namespace {

const char* const kHeaderError = "Error Reading Header Info.";
const char* const kRecordError = "Error Reading Record";
const char* const kMemoError = "Error Reading Memo Record";
constexpr qint64 kMemoBlock = 512;
constexpr int kMaxFields = 255;

[[noreturn]] void raise(const char* text) {
    throw DbaseError(QString::fromLatin1(text));
}

quint32 u32(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 u16(const uchar* p) {
    return quint16(p[0] | p[1] << 8);
}

// The code page named by the table's language driver byte: the marks
// dBase and FoxPro write, for the code pages of one byte a character (the
// Far East's double-byte pages and those no decoder knows are read as
// Windows-1252, as an unmarked table is).
const char* codePage(quint8 driver) {
    struct Mark {
        quint8 driver;
        const char* page;
    };
    static const Mark marks[] = {
        {0x01, "IBM437"},
        {0x02, "IBM850"},
        {0x03, "windows-1252"},
        {0x04, "macintosh"},
        {0x08, "IBM865"},
        {0x09, "IBM437"},
        {0x0A, "IBM850"},
        {0x0B, "IBM437"},
        {0x0D, "IBM437"},
        {0x0E, "IBM850"},
        {0x0F, "IBM437"},
        {0x10, "IBM850"},
        {0x11, "IBM437"},
        {0x12, "IBM850"},
        {0x14, "IBM850"},
        {0x15, "IBM437"},
        {0x16, "IBM850"},
        {0x17, "IBM865"},
        {0x18, "IBM437"},
        {0x19, "IBM437"},
        {0x1A, "IBM850"},
        {0x1B, "IBM437"},
        {0x1C, "IBM863"},
        {0x1D, "IBM850"},
        {0x1F, "IBM852"},
        {0x22, "IBM852"},
        {0x23, "IBM852"},
        {0x24, "IBM860"},
        {0x25, "IBM850"},
        {0x26, "IBM866"},
        {0x37, "IBM850"},
        {0x40, "IBM852"},
        {0x50, "windows-874"},
        {0x57, "windows-1252"},
        {0x58, "windows-1252"},
        {0x59, "windows-1252"},
        {0x64, "IBM852"},
        {0x65, "IBM866"},
        {0x66, "IBM865"},
        {0x67, "IBM861"},
        {0x6A, "IBM737"},
        {0x6B, "IBM857"},
        {0x6C, "IBM863"},
        {0x7C, "windows-874"},
        {0x86, "IBM737"},
        {0x87, "IBM852"},
        {0x88, "IBM857"},
        {0x96, "x-mac-cyrillic"},
        {0x97, "x-mac-centraleurroman"},
        {0x98, "x-mac-greek"},
        {0xC8, "windows-1250"},
        {0xC9, "windows-1251"},
        {0xCA, "windows-1254"},
        {0xCB, "windows-1253"},
        {0xCC, "windows-1257"},
    };
    for (const Mark& m : marks)
        if (m.driver == driver) return m.page;
    return "windows-1252";
}

} // namespace

QString findIgnoringCase(const QString& name) {
    // Through the platform: a table on a silent server never holds its reader.
    platform::Platform& p = platform::Platform::instance();
    if (p.attributes(name) != 0xFFFFFFFFu) return name;
    const QFileInfo fi(name);
    std::vector<platform::DirEntry> all;
    p.listDirectory(fi.path(), QStringLiteral("*"), all);
    for (const platform::DirEntry& candidate : all)
        if (!(candidate.attributes & platform::faDirectory) &&
            candidate.name.compare(fi.fileName(), Qt::CaseInsensitive) == 0)
            return fi.dir().filePath(candidate.name);
    return {};
}

DbaseTable::DbaseTable() = default;

DbaseTable::~DbaseTable() {
    close();
}

void DbaseTable::setFilename(const QString& name) {
    // The table is the file named, dots and all ("clients.2023.dbf"); a
    // name without an extension is the table of that name with ".dbf".
    // Its memo file is the same name with ".dbt".
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    const bool hasExtension = dot > slash + 1;
    m_base = hasExtension ? name.left(dot) : name;
    m_extension = hasExtension ? name.mid(dot) : QStringLiteral(".dbf");
    if (m_active && findIgnoringCase(fileName()).isEmpty()) setActive(false);
}

void DbaseTable::setActive(bool on) {
    if (on == m_active) return;
    if (!on) {
        close();
        return;
    }
    open();
}

bool DbaseTable::deleted() const {
    return m_table.isOpen() && !m_record.isEmpty() && m_record[0] == '*';
}

void DbaseTable::close() {
    m_tableMap.unmap();
    m_memoMap.unmap();
    m_data = m_memoData = nullptr;
    m_table.close();
    m_memo.close();
    m_active = false;
    m_fields.clear();
    m_record.clear();
    m_recno = 0;
    m_recordCount = m_available = 0;
}

void DbaseTable::open() {
    m_tablePath = findIgnoringCase(fileName());
    if (m_tablePath.isEmpty()) return; // no table: stays closed
    m_table.setFileName(m_tablePath);
    // Read only: the viewer never writes, so read-only tables open too.
    if (const platform::Status opened = platform::Platform::instance().openForRead(m_table);
        !opened)
        throw core::InOutError(opened.error() == platform::errFileNotFound ? 2 : 5);
    m_size = m_table.size();
    m_data = m_size > 0 && m_tableMap.map(m_table.handle(), m_size) ? m_tableMap.data() : nullptr;
    if (m_size > 0 && !m_data) raise(kHeaderError);
    m_active = true;
    try {
        readHeader();
        buildCodePage();
        m_recno = 1;
        if (m_recordCount > 0) readRecord(1); // an empty table has no record 1
    } catch (const DbaseError&) {
        close();
        raise(kHeaderError);
    }
    if (m_version == 0x83 || m_version == 0x84) {
        const QString memoPath = findIgnoringCase(m_base + QStringLiteral(".dbt"));
        m_memo.setFileName(memoPath);
        if (!memoPath.isEmpty() && platform::Platform::instance().openForRead(m_memo)) {
            m_memoSize = m_memo.size();
            m_memoData = m_memoSize > 0 && m_memoMap.map(m_memo.handle(), m_memoSize)
                             ? m_memoMap.data()
                             : nullptr;
            m_hasMemo = true;
        } else {
            m_hasMemo = false;
        }
    } else {
        m_hasMemo = false;
    }
}

void DbaseTable::readHeader() {
    if (m_size < 32) raise(kHeaderError);
    m_version = m_data[0];
    m_language = m_data[29];
    m_recordCount = u32(m_data + 4);
    m_headerLength = u16(m_data + 8);
    m_recordLength = u16(m_data + 10);
    if (m_headerLength < 32) raise(kHeaderError);
    // The descriptors run up to the 0x0D terminator; without one, the
    // header length says how many there are.
    const qint64 area = std::min<qint64>(m_headerLength, m_size);
    int count = -1;
    // Some writers end the list with a line feed: no name starts with either.
    for (qint64 at = 32; at < area && (at - 32) / 32 < kMaxFields + 1; at += 32)
        if (m_data[at] == 0x0D || m_data[at] == 0x0A) {
            count = int((at - 32) / 32);
            break;
        }
    if (count < 0) count = std::max(0, (m_headerLength - 34) / 32);
    count = std::min(count, kMaxFields);
    m_fields.clear();
    int offset = 1;
    for (int i = 1; i <= count; ++i) {
        const qint64 at = 32LL * i;
        if (at + 32 > m_size) raise(kHeaderError);
        Field f;
        const uchar* d = m_data + at;
        int n = 0;
        while (n < 11 && d[n] != 0)
            ++n;
        f.name = QByteArray(reinterpret_cast<const char*>(d), n);
        f.type = char(d[11]);
        f.length = d[16];
        f.offset = offset;
        offset += f.length;
        if (offset > m_recordLength) raise(kHeaderError); // a field past the record's end
        m_fields.push_back(f);
    }
    // A table without fields may give its records no length: it has none.
    if (m_recordLength == 0) {
        if (!m_fields.empty()) raise(kHeaderError);
        m_recordCount = 0;
    }
    const qint64 room = std::max<qint64>(0, m_size - m_headerLength);
    m_available = m_recordLength ? std::min<qint64>(m_recordCount, room / m_recordLength) : 0;
}

void DbaseTable::readRecord(qint64 r) {
    if (!m_active || !m_data) raise("Data File Not Open");
    const qint64 start = (r - 1) * qint64(m_recordLength) + m_headerLength;
    if (r < 1 || start + m_recordLength > m_size) raise(kRecordError);
    // A view of the mapped file: no copy, valid while the table is open.
    m_record =
        QByteArray::fromRawData(reinterpret_cast<const char*>(m_data + start), m_recordLength);
    m_recno = r;
    modified = false;
}

void DbaseTable::next() {
    if (!m_active) raise("Data File Not Open");
    if (m_recno >= m_recordCount) return;
    bool allowed = true;
    if (onChanging) onChanging(*this, allowed);
    if (!allowed) return;
    readRecord(m_recno + 1);
}

const DbaseTable::Field& DbaseTable::field(int n, bool withNumber) const {
    if (n < 1 || n > fieldCount()) {
        if (withNumber) throw DbaseError(QStringLiteral("Invalid Field Number: %1").arg(n));
        raise("Invalid Field Number");
    }
    return m_fields[size_t(n - 1)];
}

QString DbaseTable::fieldName(int n) const {
    QByteArray name = field(n, true).name;
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return decode(name);
}

int DbaseTable::fieldType(int n) const {
    switch (field(n, true).type) {
    case 'C':
        return ftCharacter;
    case 'D':
        return ftDate;
    case 'N':
        return ftNumeric;
    case 'L':
        return ftLogical;
    case 'M':
        return ftMemo;
    default:
        return ftOther;
    }
}

int DbaseTable::fieldLength(int n) const {
    return field(n, true).length;
}

QByteArray DbaseTable::trimmedField(const Field& f) const {
    if (m_record.size() < f.offset + f.length) raise(kRecordError);
    const char* p = m_record.constData() + f.offset;
    int end = f.length;
    while (end > 0 && p[end - 1] == ' ')
        --end;
    return QByteArray::fromRawData(p, end);
}

// A table or memo file cut short while it is read: what was read of it is
// not the file any more.
void DbaseTable::checkUnchanged() const {
    if (m_tableMap.changed() || m_memoMap.changed()) raise(kRecordError);
}

QString DbaseTable::fieldValue(int n) {
    const QString value = readFieldValue(n);
    checkUnchanged();
    return value;
}

QString DbaseTable::readFieldValue(int n) {
    const Field& f = field(n, false);
    const QByteArray bytes = trimmedField(f);
    if (f.type == 'M') {
        bool number = false;
        const qint64 block = bytes.trimmed().toLongLong(&number);
        if (!number || block < 1) return {};
        return memo(block);
    }
    return decode(bytes);
}

void DbaseTable::appendFieldValueUtf8(int n, QByteArray& out) {
    const Field& f = field(n, false);
    if (f.type == 'M') {
        out += fieldValue(n).toUtf8();
        return;
    }
    const QByteArray bytes = trimmedField(f);
    const char* p = bytes.constData();
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        // Runs of plain ASCII go in one piece.
        qsizetype j = i;
        while (m_ascii && j < size && uchar(p[j]) < 0x80)
            ++j;
        if (j > i) {
            out.append(p + i, j - i);
            i = j;
            continue;
        }
        out += m_utf8[uchar(p[i++])];
    }
    checkUnchanged();
}

void DbaseTable::buildCodePage() {
    // Every code page the tables name has one character a byte.
    QStringDecoder decoder(codePage(m_language));
    m_ascii = true;
    for (int b = 0; b < 256; ++b) {
        const char c = char(b);
        const QString s = decoder.isValid() ? decoder.decode(QByteArrayView(&c, 1))
                                            : QString(QChar::fromLatin1(c));
        m_chars[b] = s.isEmpty() ? QChar(QChar::ReplacementCharacter) : s[0];
        m_utf8[b] = QString(m_chars[b]).toUtf8();
        if (b < 0x80 && m_chars[b] != QLatin1Char(c)) m_ascii = false;
    }
}

QString DbaseTable::memo(qint64 block) {
    if (!m_hasMemo) raise(kMemoError);
    QByteArray text;
    if (block > m_memoSize / kMemoBlock) return {}; // past the end of the memo file
    for (qint64 at = block * kMemoBlock; at < m_memoSize && text.size() <= m_memoLimit;
         at += kMemoBlock) {
        const qint64 n = std::min(kMemoBlock, m_memoSize - at);
        const QByteArray part(reinterpret_cast<const char*>(m_memoData + at), n);
        const qsizetype pair = part.indexOf("\x1A\x1A");
        if (pair >= 0) {
            text += part.left(pair);
            break;
        }
        const qsizetype single = part.indexOf('\x1A');
        // A pair split over two blocks ends the memo too.
        if (single == n - 1 && at + n < m_memoSize && m_memoData[at + n] == 0x1A) {
            text += part.left(single);
            break;
        }
        text += single >= 0 ? part.left(single) : part;
        if (n < kMemoBlock) break;
    }
    const bool cut = text.size() > m_memoLimit;
    text.truncate(m_memoLimit);
    text.replace('\x8D', '\r'); // soft line ends
    return cut ? decode(text) + QChar(0x2026) : decode(text);
}

QString DbaseTable::decode(const QByteArray& bytes) const {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* o = out.data();
    for (char c : bytes)
        *o++ = m_chars[uchar(c)];
    return out;
}

} // namespace viewers

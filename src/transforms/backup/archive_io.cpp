#include "archive_io.h"
#include "platform/file_names.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <libdeflate.h>
#include <zlib.h>

namespace transforms {

int zlibLevel(int compressionLevel) {
    switch (compressionLevel) {
    case 1:
        return 0;
    case 2:
        return Z_DEFAULT_COMPRESSION;
    case 3:
        return 9;
    default:
        return 1;
    }
}

namespace {

// libdeflate makes the same zlib streams about twice as fast; one
// compressor per level and thread, made once.
struct Compressors {
    libdeflate_compressor* byLevel[13] = {};
    ~Compressors() {
        for (libdeflate_compressor* c : byLevel)
            if (c) libdeflate_free_compressor(c);
    }
    libdeflate_compressor* get(int level) {
        if (!byLevel[level]) byLevel[level] = libdeflate_alloc_compressor(level);
        return byLevel[level];
    }
};

// zlib, for the stored streams of level 0.
bool zlibEncode(const QByteArray& source, int level, CodedBlock& block) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(source.constData()));
    z.avail_in = uInt(source.size());
    z.next_out = reinterpret_cast<Bytef*>(block.bytes.data());
    z.avail_out = kBlockSize;
    const int r = deflate(&z, Z_FINISH);
    deflateEnd(&z);
    if (r == Z_STREAM_END) {
        block.length = qint32(z.total_out);
        return true;
    }
    block.length = 0; // did not fit
    return r == Z_OK || r == Z_BUF_ERROR;
}

} // namespace

CodedBlock encodeBlock(const QByteArray& source, int level) {
    CodedBlock block;
    block.sourceBytes = int(source.size());
    block.bytes.resize(kBlockSize);
    if (level == Z_DEFAULT_COMPRESSION) level = 6;
    bool ok = true;
    if (level >= 1 && level <= 9) {
        static thread_local Compressors compressors;
        libdeflate_compressor* c = compressors.get(level);
        ok = c != nullptr;
        if (ok)
            block.length = qint32(libdeflate_zlib_compress(
                c, source.constData(), size_t(source.size()), block.bytes.data(), kBlockSize));
    } else {
        ok = zlibEncode(source, level, block);
    }
    if (!ok) {
        block.failed = true;
        block.bytes.clear();
    } else if (block.length > 0) {
        block.bytes.resize(block.length);
    } else {
        // The stream did not fit in one block: the bytes are stored as they are.
        block.bytes = source;
        block.length = -qint32(source.size());
    }
    return block;
}

qsizetype decodeBlockInto(const QByteArray& stored, char* out) {
    // libdeflate inflates the same streams about twice as fast; one
    // decompressor per thread. Anything but one whole stream (its check
    // included) within the block size is damage; bytes after it are ignored.
    struct Decompressor {
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        ~Decompressor() {
            if (d) libdeflate_free_decompressor(d);
        }
    };
    static thread_local Decompressor decompressor;
    if (!decompressor.d) return -1;
    size_t used = 0, produced = 0;
    const libdeflate_result r =
        libdeflate_zlib_decompress_ex(decompressor.d, stored.constData(), size_t(stored.size()),
                                      out, kBlockSize, &used, &produced);
    return r == LIBDEFLATE_SUCCESS ? qsizetype(produced) : -1;
}

bool decodeBlock(const QByteArray& stored, QByteArray& out) {
    out.resize(kBlockSize);
    const qsizetype produced = decodeBlockInto(stored, out.data());
    if (produced < 0) return false;
    out.resize(produced);
    return true;
}

QByteArray encodeName(const QString& name) {
    return platform::nativeName(name); // a name's own bytes, whatever they are
}

QString decodeName(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    // Written here (a Linux path): the bytes of a name that is not UTF-8.
    if (bytes.startsWith('/')) return platform::nameFromNative(bytes);
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid()) return cp1252.decode(bytes);
    return QString::fromLatin1(bytes);
}

QString volumeFileName(const QString& archive, int volume) {
    const int slash = int(archive.lastIndexOf(u'/'));
    const int dot = int(archive.lastIndexOf(u'.'));
    const QString base = dot > slash ? archive.left(dot) : archive;
    return base + QStringLiteral(".%1").arg(volume, 3, 10, QChar(u'0'));
}

QByteArray volumeBreakName(int volume) {
    return "NEXT:DISK" + QByteArray::number(volume).rightJustified(3, '0');
}

// ---- writer ----

VolumeWriter::~VolumeWriter() {
    abandon();
}

bool VolumeWriter::open(const QString& fileName) {
    m_position = 0;
    m_failed = false;
    m_buffer.clear();
    m_error = 0;
    m_lastName = fileName;
    m_file = std::make_unique<platform::FileReplacement>(fileName);
    if (const platform::Status opened = m_file->open(); !opened) {
        m_error = opened.error();
        m_failed = true;
        return false;
    }
    return true;
}

bool VolumeWriter::flush() {
    if (m_buffer.isEmpty()) return !m_failed;
    QIODevice* d = m_file ? &m_file->file() : nullptr;
    if (!d || d->write(m_buffer) != m_buffer.size()) m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

bool VolumeWriter::write(const char* data, qint64 size) {
    if (m_failed) return false;
    m_buffer.append(data, size);
    m_position += size;
    if (m_buffer.size() >= (1 << 20)) return flush();
    return true;
}

bool VolumeWriter::writeInt(qint32 v) {
    char b[4] = {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
    return write(b, 4);
}

bool VolumeWriter::commit() {
    bool ok = flush();
    const auto told = [this](const platform::Status& s) {
        if (!s) m_error = s.error();
        return s.ok();
    };
    if (m_file && !m_together.isEmpty()) {
        ok = ok && told(m_file->park());
        if (ok) m_waiting.push_back(std::move(m_file));
        m_file.reset();
    } else if (m_file) {
        ok = ok && told(m_file->commit());
        m_file.reset();
    }
    if (!ok) m_failed = true;
    return ok;
}

bool VolumeWriter::commitLast() {
    if (!commit()) return false;
    if (m_together.isEmpty()) return true;
    const platform::Status named = platform::FileReplacement::commitSet(
        m_waiting, [&](int n) { return volumeFileName(m_together, n); }, 999);
    m_waiting.clear();
    const bool ok = named.ok();
    if (!ok) m_failed = true, m_error = named.error();
    return ok;
}

void VolumeWriter::abandon() {
    m_buffer.clear();
    m_file.reset(); // what was written aside goes
    m_waiting.clear();
}

// ---- reader ----

bool VolumeReader::open(const QString& fileName) {
    m_file = std::make_unique<QFile>(fileName);
    return platform::Platform::instance().openForRead(*m_file).ok();
}

void VolumeReader::close() {
    if (m_file) m_file->close();
    m_file.reset();
}

bool VolumeReader::read(char* data, qint64 size) {
    QIODevice* d = device();
    return d && d->read(data, size) == size;
}

bool VolumeReader::readInt(qint32& v) {
    uchar b[4];
    if (!read(reinterpret_cast<char*>(b), 4)) return false;
    v = qint32(quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24);
    return true;
}

bool VolumeReader::readBytes(qint64 size, QByteArray& out) {
    out.resize(size);
    return read(out.data(), size);
}

bool VolumeReader::skip(qint64 size) {
    QIODevice* d = device();
    if (!d) return false;
    if (!d->isSequential()) {
        const qint64 target = d->pos() + size;
        return target <= d->size() && d->seek(target);
    }
    return d->skip(size) == size;
}

} // namespace transforms

#pragma once
// An independent reader of backup archives for the tests: parses the bytes
// by hand and inflates each block with zlib directly.

#include <QByteArray>
#include <QList>
#include <QString>
#include <zlib.h>

namespace archive_test {

struct Block {
    qint32 length;
    QByteArray data; // inflated or raw
};
struct Segment {
    QList<Block> blocks;
    QByteArray data() const {
        QByteArray all;
        for (const Block& b : blocks)
            all += b.data;
        return all;
    }
};
struct Entry {
    QByteArray name;
    qint32 date = 0;
    QList<Segment> segments;
    QList<QByteArray> breaks;
};
struct Volume {
    bool header = false;
    QByteArray title;
    qint32 total = 0, count = 0;
    bool endMark = false;
};

class Parser {
  public:
    explicit Parser(QByteArray bytes) : m_b(std::move(bytes)) {}
    qint32 i32() {
        if (m_pos + 4 > m_b.size()) throw std::runtime_error("truncated");
        const uchar* p = reinterpret_cast<const uchar*>(m_b.constData()) + m_pos;
        m_pos += 4;
        return qint32(quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 |
                      quint32(p[3]) << 24);
    }
    QByteArray bytes(qint64 n) {
        if (n < 0 || m_pos + n > m_b.size()) throw std::runtime_error("truncated");
        QByteArray r = m_b.mid(m_pos, n);
        m_pos += n;
        return r;
    }
    bool atEnd() const { return m_pos >= m_b.size(); }
    qint64 pos() const { return m_pos; }

    Segment segment() {
        if (bytes(4) != QByteArray("EC2\0", 4)) throw std::runtime_error("magic");
        Segment s;
        for (qint32 n = i32(); n != 0; n = i32()) {
            QByteArray stored = bytes(n < 0 ? -qint64(n) : n);
            s.blocks.append({n, n < 0 ? stored : inflateAll(stored)});
        }
        return s;
    }
    static QByteArray inflateAll(const QByteArray& in) {
        QByteArray out(1 << 20, 0);
        uLongf size = uLongf(out.size());
        if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(in.constData()), uLong(in.size())) != Z_OK)
            throw std::runtime_error("inflate");
        out.resize(qsizetype(size));
        return out;
    }

  private:
    QByteArray m_b;
    qint64 m_pos = 0;
};

// Parses a first volume and any continuation volumes given in order.
inline QList<Entry> parse(const QList<QByteArray>& volumes, Volume* head = nullptr) {
    QList<Entry> entries;
    for (int v = 0; v < volumes.size(); ++v) {
        Parser p(volumes[v]);
        if (v == 0) {
            Volume h;
            h.header = true;
            h.title = p.bytes(p.i32());
            h.total = p.i32();
            h.count = p.i32();
            if (head) *head = h;
        } else {
            entries.last().segments.append(p.segment());
        }
        for (;;) {
            qint32 n = p.i32();
            if (n == 0) {
                if (head) head->endMark = true;
                if (!p.atEnd()) throw std::runtime_error("bytes after the end mark");
                break;
            }
            QByteArray name = p.bytes(n);
            if (name.startsWith("NEXT:DISK")) {
                entries.last().breaks.append(name);
                if (!p.atEnd()) throw std::runtime_error("bytes after a volume break");
                break;
            }
            Entry e;
            e.name = name;
            e.date = p.i32();
            e.segments.append(p.segment());
            entries.append(e);
        }
    }
    return entries;
}

} // namespace archive_test

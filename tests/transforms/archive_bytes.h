#pragma once
// Archive bytes made by hand, for the tests that feed the reader damaged
// or unusual archives.

#include <QByteArray>
#include <QtCore/qstringbuilder.h>
#include <zlib.h>

namespace archive_test {

inline QByteArray le(qint32 v) {
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char(quint32(v) >> (8 * i) & 0xFF);
    return b;
}
inline QByteArray str(const QByteArray& s) {
    return le(qint32(s.size())) + s;
}
inline QByteArray zlib(const QByteArray& data) {
    QByteArray out(qsizetype(compressBound(uLong(data.size()))), 0);
    uLongf size = uLongf(out.size());
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()));
    out.resize(qsizetype(size));
    return out;
}
// One block: its length and its zlib stream.
inline QByteArray block(const QByteArray& data) {
    const QByteArray z = zlib(data);
    return le(qint32(z.size())) + z;
}
inline QByteArray segmentOf(const QByteArray& data) {
    return QByteArray("EC2\0", 4) + block(data) + le(0);
}
// Title, total size and file count.
inline QByteArray header(qint32 total = 0, qint32 count = 1) {
    return str("") + le(total) + le(count);
}

} // namespace archive_test

#pragma once
// dBase tables made byte by byte for the tests.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace dbf_test {

struct Field {
    QByteArray name;
    char type;
    int length;
};

struct Table {
    quint8 version = 0x03;
    quint8 language = 0;
    QList<Field> fields;
    QList<QList<QByteArray>> records;
    QList<bool> deleted;
    int headerLength = -1;   // -1: 32 + 32 n + 1
    bool terminator = true;  // 0x0D after the descriptors
    qint64 recordCount = -1; // -1: the records given

    int recordLength() const {
        int n = 1;
        for (const Field& f : fields)
            n += f.length;
        return n;
    }
    QByteArray bytes() const {
        const int header = headerLength >= 0 ? headerLength : 32 + 32 * int(fields.size()) + 1;
        QByteArray b(std::max<int>(header, 32 + 32 * int(fields.size()) + 1), 0);
        b[0] = char(version);
        const quint32 count = quint32(recordCount >= 0 ? recordCount : records.size());
        for (int i = 0; i < 4; ++i)
            b[4 + i] = char(count >> (8 * i));
        b[8] = char(header & 0xFF);
        b[9] = char(header >> 8);
        b[10] = char(recordLength() & 0xFF);
        b[11] = char(recordLength() >> 8);
        b[29] = char(language);
        for (int i = 0; i < fields.size(); ++i) {
            const int at = 32 * (i + 1);
            b.replace(at, fields[i].name.size(), fields[i].name);
            b[at + 11] = fields[i].type;
            b[at + 16] = char(fields[i].length);
        }
        if (terminator) b[32 + 32 * int(fields.size())] = 0x0D;
        b.truncate(header);
        for (int r = 0; r < records.size(); ++r) {
            b += (r < deleted.size() && deleted[r]) ? '*' : ' ';
            for (int i = 0; i < fields.size(); ++i)
                b += records[r].value(i).leftJustified(fields[i].length, ' ', true);
        }
        return b + '\x1A';
    }
    void write(const QString& path) const {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes());
    }
};

// A memo file: the header block, then each memo from the block given.
inline QByteArray memoFile(const QList<QPair<int, QByteArray>>& memos) {
    QByteArray b(512, 0);
    for (const auto& [block, text] : memos) {
        if (b.size() < block * 512) b.resize(block * 512, 0);
        b.truncate(block * 512);
        b += text + "\x1A\x1A";
        b.resize((b.size() + 511) / 512 * 512, 0);
    }
    return b;
}

} // namespace dbf_test

#pragma once
// Small pictures of every format, written by the tests themselves: JPEG and
// GIF through their libraries' formats via Qt where it can, metafiles byte
// by byte.

#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>

namespace picture_files {

inline void add16(QByteArray& b, int v) {
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
inline void add32(QByteArray& b, qint64 v) {
    add16(b, int(v & 0xFFFF));
    add16(b, int((v >> 16) & 0xFFFF));
}

// An EMF of `width` x `height` pixels (its frame at 96 dpi) with `rectangles`
// rectangles.
inline QByteArray emf(int width, int height, int rectangles = 1) {
    QByteArray b;
    const auto frame = [](int px) { return qint64(px) * 2540 / 96; };
    add32(b, 1);
    add32(b, 108);
    for (int v : {0, 0, width - 1, height - 1})
        add32(b, v);
    for (qint64 v : {qint64(0), qint64(0), frame(width), frame(height)})
        add32(b, v);
    add32(b, 0x464D4520);
    add32(b, 0x10000);
    add32(b, 108 + 24 * qint64(rectangles) + 20);
    add32(b, 2 + rectangles);
    add16(b, 1);
    add16(b, 0);
    for (int v : {0, 0, 0, 1024, 768, 320, 240, 0, 0, 0, 320000, 240000})
        add32(b, v);
    for (int r = 0; r < rectangles; ++r) {
        add32(b, 43); // EMR_RECTANGLE
        add32(b, 24);
        for (int v : {2, 2, width - 3, height - 3})
            add32(b, v);
    }
    add32(b, 14); // EMR_EOF
    add32(b, 20);
    add32(b, 0);
    add32(b, 16);
    add32(b, 20);
    return b;
}

// The placeable header of a WMF of `width` x `height` units at 96 a inch.
inline QByteArray placeableHeader(int width, int height) {
    QByteArray b;
    add32(b, 0x9AC6CDD7);
    add16(b, 0);
    for (int v : {0, 0, width, height})
        add16(b, v);
    add16(b, 96);
    add32(b, 0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= quint16(uchar(b[i]) | uchar(b[i + 1]) << 8);
    add16(b, sum);
    return b;
}

// A placeable WMF of `width` x `height` pixels (96 units per inch) with one
// rectangle; `recordWords` overrides the rectangle's record length.
inline QByteArray wmf(int width, int height, qint64 recordWords = 7) {
    QByteArray b = placeableHeader(width, height);
    const int words = 9 + 5 + 5 + 7 + 3;
    add16(b, 1);
    add16(b, 9);
    add16(b, 0x300);
    add32(b, words);
    add16(b, 0);
    add32(b, 7);
    add16(b, 0);
    add32(b, 5); // SETWINDOWORG
    add16(b, 0x020B);
    add16(b, 0);
    add16(b, 0);
    add32(b, 5); // SETWINDOWEXT
    add16(b, 0x020C);
    add16(b, height);
    add16(b, width);
    add32(b, recordWords); // RECTANGLE
    add16(b, 0x041B);
    for (int v : {height - 2, width - 2, 2, 2})
        add16(b, v);
    add32(b, 3); // EOF
    add16(b, 0);
    return b;
}

// The metafiles with text kept in tests/viewers/pictures were written by the
// two makers below (Debian's tools write none).

// A placeable WMF of `width` x `height` pixels that writes `text` (bytes in
// the font's own code page) with the font `face` of character set
// `charset` (0 ANSI, 2 Symbol).
inline QByteArray wmfText(int width, int height, const QByteArray& face, int charset,
                          const QByteArray& text) {
    QByteArray records;
    const auto record = [&](int function, const QByteArray& params) {
        add32(records, 3 + params.size() / 2);
        add16(records, function);
        records += params;
    };
    QByteArray p;
    add16(p, 0), add16(p, 0);
    record(0x020B, p); // SETWINDOWORG
    p.clear();
    add16(p, height), add16(p, width);
    record(0x020C, p); // SETWINDOWEXT
    p.clear();
    for (int v : {-height / 3, 0, 0, 0, 400})
        add16(p, v);
    p += char(0), p += char(0), p += char(0), p += char(charset);
    p += QByteArray(4, '\0');
    p += face.left(31) + QByteArray(32 - std::min<qsizetype>(face.size(), 31), '\0');
    record(0x02FB, p); // CREATEFONTINDIRECT
    p.clear();
    add16(p, 0);
    record(0x012D, p); // SELECTOBJECT
    p.clear();
    add16(p, int(text.size()));
    p += text;
    if (text.size() % 2) p += char(0);
    add16(p, height / 2), add16(p, 2);
    record(0x0521, p); // TEXTOUT
    add32(records, 3);
    add16(records, 0); // EOF
    QByteArray b = placeableHeader(width, height);
    add16(b, 1);
    add16(b, 9);
    add16(b, 0x300);
    add32(b, 9 + records.size() / 2);
    add16(b, 1);
    add32(b, 3 + 25);
    add16(b, 0);
    return b + records;
}

// An EMF of `width` x `height` pixels that writes `text` in the font `face`.
inline QByteArray emfText(int width, int height, const QString& face, const QString& text) {
    QByteArray records;
    QByteArray font; // EMR_EXTCREATEFONTINDIRECTW, a LOGFONTW
    add32(font, 1);  // its handle
    for (int v : {-height / 3, 0, 0, 0, 400})
        add32(font, v);
    font += QByteArray(8, '\0');
    for (int i = 0; i < 32; ++i)
        add16(font, i < face.size() && i < 31 ? face[i].unicode() : 0);
    add32(records, 82);
    add32(records, 8 + font.size());
    records += font;
    add32(records, 37); // EMR_SELECTOBJECT
    add32(records, 12);
    add32(records, 1);
    const qsizetype n = text.size(), stringBytes = (2 * n + 3) / 4 * 4;
    QByteArray out; // EMR_EXTTEXTOUTW
    for (int v : {0, 0, width - 1, height - 1})
        add32(out, v);
    add32(out, 1);          // GM_COMPATIBLE
    add32(out, 0x3F800000); // scales 1.0
    add32(out, 0x3F800000);
    add32(out, 2), add32(out, height / 2); // reference point
    add32(out, n);
    add32(out, 76); // the string, from the record's start
    add32(out, 0);
    for (int v : {0, 0, width, height})
        add32(out, v);
    add32(out, 76 + stringBytes); // the advances
    for (QChar c : text)
        add16(out, c.unicode());
    out += QByteArray(stringBytes - 2 * n, '\0');
    for (qsizetype i = 0; i < n; ++i)
        add32(out, height / 4);
    add32(records, 84);
    add32(records, 8 + out.size());
    records += out;
    QByteArray b = emf(width, height, 0);
    b.chop(20); // its end record
    const qsizetype end = b.size() + records.size() + 20;
    b += records;
    add32(b, 14); // EMR_EOF
    add32(b, 20);
    add32(b, 0);
    add32(b, 16);
    add32(b, 20);
    b.replace(48, 4, QByteArray(4, '\0')); // the header's total size and record count
    QByteArray size, count;
    add32(size, end);
    add32(count, 5);
    b.replace(48, 4, size);
    b.replace(52, 4, count);
    b[56] = 2; // handles
    return b;
}

} // namespace picture_files

#pragma once
// Program images built byte by byte for the exported-names reader.

#include <QByteArray>
#include <QList>

namespace image_builders {

inline void put(QByteArray& b, qsizetype at, quint64 value, int width, bool big = false) {
    if (b.size() < at + width) b.resize(at + width, '\0');
    for (int i = 0; i < width; ++i)
        b[at + (big ? width - 1 - i : i)] = char((value >> (8 * i)) & 0xFF);
}

// A PE image with one section at RVA 0x1000 (file offset 0x200) holding
// the export directory; `names` exported by name, `ordinalsOnly` more by number.
inline QByteArray peImage(const QList<QByteArray>& names, bool wide = false,
                          quint32 nameCount = 0xFFFFFFFF) {
    QByteArray b(0x600, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put(b, 0x3C, 0x40, 4);
    b.replace(0x40, 4, QByteArray("PE\0\0", 4));
    const int optionalSize = wide ? 0xF0 : 0xE0, optional = 0x58;
    put(b, 0x44, wide ? 0x8664 : 0x14C, 2);
    put(b, 0x46, 1, 2); // one section
    put(b, 0x54, optionalSize, 2);
    put(b, optional, wide ? 0x20B : 0x10B, 2);
    const int directories = optional + (wide ? 112 : 96);
    put(b, directories - 4, 16, 4);
    put(b, directories, 0x1000, 4); // export directory
    put(b, directories + 4, 0x100, 4);
    const int section = optional + optionalSize;
    put(b, section + 8, 0x400, 4);   // virtual size
    put(b, section + 12, 0x1000, 4); // address
    put(b, section + 16, 0x400, 4);  // raw size
    put(b, section + 20, 0x200, 4);  // raw offset
    const int dir = 0x200;
    put(b, dir + 20, quint64(names.size()) + 2, 4); // functions, two by number only
    put(b, dir + 24, nameCount == 0xFFFFFFFF ? quint64(names.size()) : nameCount, 4);
    put(b, dir + 32, 0x1040, 4); // AddressOfNames
    int text = 0x1100;
    for (int i = 0; i < names.size(); ++i) {
        put(b, 0x240 + i * 4, quint64(text), 4);
        b.replace(text - 0x1000 + 0x200, names[i].size() + 1, QByteArray(names[i] + '\0'));
        text += int(names[i].size()) + 1;
    }
    return b;
}

struct Symbol {
    QByteArray name;
    int binding; // 0 local, 1 global, 2 weak
    int type;    // 1 object, 2 function
    int section; // 0 undefined
};

// An ELF shared object with section headers null, .dynsym, .dynstr.
inline QByteArray elfImage(const QList<Symbol>& symbols, bool wide, bool big) {
    QByteArray strings("\0", 1);
    QList<int> nameAt;
    for (const Symbol& s : symbols) {
        nameAt << int(strings.size());
        strings += s.name + '\0';
    }
    const int header = wide ? 64 : 52, entry = wide ? 64 : 40, symSize = wide ? 24 : 16;
    const int sections = header, symbolsAt = sections + 3 * entry;
    const int stringsAt = symbolsAt + (int(symbols.size()) + 1) * symSize;
    QByteArray b(stringsAt, '\0');
    b += strings;
    b.replace(0, 4,
              "\x7F"
              "ELF");
    b[4] = char(wide ? 2 : 1);
    b[5] = char(big ? 2 : 1);
    b[6] = 1;
    put(b, 16, 3, 2, big); // shared object
    if (wide) {
        put(b, 0x28, quint64(sections), 8, big);
        put(b, 0x3A, quint64(entry), 2, big);
        put(b, 0x3C, 3, 2, big);
    } else {
        put(b, 0x20, quint64(sections), 4, big);
        put(b, 0x2E, quint64(entry), 2, big);
        put(b, 0x30, 3, 2, big);
    }
    const auto section = [&](int index, int type, int offset, int size, int link, int entSize) {
        const int at = sections + index * entry;
        put(b, at + 4, quint64(type), 4, big);
        if (wide) {
            put(b, at + 24, quint64(offset), 8, big);
            put(b, at + 32, quint64(size), 8, big);
            put(b, at + 40, quint64(link), 4, big);
            put(b, at + 56, quint64(entSize), 8, big);
        } else {
            put(b, at + 16, quint64(offset), 4, big);
            put(b, at + 20, quint64(size), 4, big);
            put(b, at + 24, quint64(link), 4, big);
            put(b, at + 36, quint64(entSize), 4, big);
        }
    };
    section(1, 11, symbolsAt, (int(symbols.size()) + 1) * symSize, 2, symSize);
    section(2, 3, stringsAt, int(strings.size()), 0, 0);
    for (int i = 0; i < symbols.size(); ++i) {
        const int at = symbolsAt + (i + 1) * symSize;
        const Symbol& s = symbols[i];
        put(b, at, quint64(nameAt[i]), 4, big);
        const quint64 info = quint64(s.binding << 4 | s.type);
        put(b, at + (wide ? 4 : 12), info, 1, big);
        put(b, at + (wide ? 6 : 14), quint64(s.section), 2, big);
    }
    return b;
}

} // namespace image_builders

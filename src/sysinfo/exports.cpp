#include "exports.h"
#include "core/guarded_mapping.h"

#include "platform/platform.h"

#include <QFile>
#include <cstring>
#include <map>
#include <optional>

namespace sysinfo {

namespace {

// Longer than any linker writes: a name is shown cut there.
constexpr quint64 kLongestName = 4096;

// Bounded little- or big-endian reads; nothing is read past the end.
class Bytes {
  public:
    Bytes(QByteArrayView data, bool bigEndian = false) : m_data(data), m_big(bigEndian) {}
    quint64 size() const { return quint64(m_data.size()); }
    bool has(quint64 offset, quint64 count) const {
        return offset <= size() && count <= size() - offset;
    }
    std::optional<quint64> read(quint64 offset, int width) const {
        if (!has(offset, quint64(width))) return std::nullopt;
        const auto* p = reinterpret_cast<const uchar*>(m_data.data()) + offset;
        quint64 v = 0;
        for (int i = 0; i < width; ++i)
            v |= quint64(p[m_big ? width - 1 - i : i]) << (8 * i);
        return v;
    }
    quint64 u(quint64 offset, int width) const { return read(offset, width).value_or(0); }
    // The zero-terminated text at offset, up to `limit`; empty when it has
    // no end. A text longer than kLongestName comes back cut, `cut` set.
    QByteArrayView text(quint64 offset, quint64 limit, bool& cut) const {
        cut = false;
        if (offset >= size() || offset >= limit) return {};
        const quint64 end = std::min(limit, size());
        const quint64 scan = std::min(end - offset, kLongestName + 1);
        const char* start = m_data.data() + offset;
        const void* zero = std::memchr(start, 0, size_t(scan));
        if (zero) return QByteArrayView(start, static_cast<const char*>(zero) - start);
        if (scan <= kLongestName) return {};
        cut = true;
        return QByteArrayView(start, qsizetype(kLongestName));
    }

  private:
    QByteArrayView m_data;
    bool m_big;
};

// Hands the names on, a cut one with "…", and stops once they add up to
// more than the image could honestly hold: names that all point at one long
// text would otherwise print without end.
class NameSink {
  public:
    NameSink(quint64 imageSize, const std::function<void(QByteArrayView)>& name)
        : m_budget(2 * imageSize + (quint64(1) << 20)), m_name(name) {}
    bool take(QByteArrayView text, bool cut) {
        if (text.isEmpty()) return true;
        const quint64 cost = quint64(text.size()) + 3;
        if (cost > m_budget) return false;
        m_budget -= cost;
        if (!cut) {
            m_name(text);
            return true;
        }
        QByteArray shown = text.toByteArray();
        shown.append("\xE2\x80\xA6");
        m_name(shown);
        return true;
    }

  private:
    quint64 m_budget;
    const std::function<void(QByteArrayView)>& m_name;
};

// ---- PE ----

struct PeSection {
    quint64 address, virtualSize, rawSize, rawOffset;
};

// Where each address of the image lies in the file: the sections' address
// ranges, an earlier section winning where they overlap, kept as disjoint
// pieces so a lookup costs a logarithm, not a walk over every section.
class SectionIndex {
  public:
    void add(const PeSection& s) {
        // An address reaches the file within the section's raw bytes.
        const quint64 length = s.rawSize;
        if (length == 0) return;
        const quint64 end = s.address + length;
        quint64 from = s.address;
        // The covered ranges met are merged into one as the gaps are filled.
        auto it = m_covered.upper_bound(from);
        if (it != m_covered.begin() && std::prev(it)->second > from) --it;
        quint64 mergedStart = from, mergedEnd = end;
        while (it != m_covered.end() && it->first < end) {
            if (it->first > from) piece(from, it->first, s);
            from = std::max(from, it->second);
            mergedStart = std::min(mergedStart, it->first);
            mergedEnd = std::max(mergedEnd, it->second);
            it = m_covered.erase(it);
        }
        if (from < end) piece(from, end, s);
        m_covered[mergedStart] = mergedEnd;
    }
    std::optional<quint64> fileOffset(quint64 rva) const {
        auto it = m_pieces.upper_bound(rva);
        if (it == m_pieces.begin()) return std::nullopt;
        --it;
        if (rva >= it->second.end) return std::nullopt;
        return it->second.rawOffset + (rva - it->second.address);
    }

  private:
    struct Piece {
        quint64 end, address, rawOffset;
    };
    void piece(quint64 from, quint64 to, const PeSection& s) {
        m_pieces[from] = {to, s.address, s.rawOffset};
    }
    std::map<quint64, quint64> m_covered; // start -> end, disjoint
    std::map<quint64, Piece> m_pieces;    // start -> piece, disjoint
};

void peNames(const Bytes& b, NameSink& name) {
    const quint64 pe = b.u(0x3C, 4);
    if (b.u(pe, 4) != 0x4550) return; // "PE\0\0"
    const quint64 sectionCount = b.u(pe + 6, 2), optionalSize = b.u(pe + 20, 2);
    const quint64 optional = pe + 24;
    const quint64 magic = b.u(optional, 2);
    if (magic != 0x10B && magic != 0x20B) return;
    const quint64 countAt = optional + (magic == 0x10B ? 92 : 108);
    const quint64 directories = countAt + 4;
    if (b.u(countAt, 4) < 1 || directories + 8 > optional + optionalSize) return;
    const quint64 exportRva = b.u(directories, 4);
    if (exportRva == 0) return;

    SectionIndex sections;
    const quint64 table = optional + optionalSize;
    for (quint64 i = 0; i < sectionCount && b.has(table + i * 40, 40); ++i) {
        const quint64 s = table + i * 40;
        sections.add({b.u(s + 12, 4), b.u(s + 8, 4), b.u(s + 16, 4), b.u(s + 20, 4)});
    }
    const auto directory = sections.fileOffset(exportRva);
    if (!directory || !b.has(*directory, 40)) return;
    const quint64 nameCount = b.u(*directory + 24, 4);
    const auto names = sections.fileOffset(b.u(*directory + 32, 4));
    if (!names) return;
    // Never more entries than the file can hold.
    const quint64 room = *names < b.size() ? (b.size() - *names) / 4 : 0;
    for (quint64 i = 0; i < std::min(nameCount, room); ++i) {
        const auto at = sections.fileOffset(b.u(*names + i * 4, 4));
        if (!at) continue;
        bool cut = false;
        const QByteArrayView text = b.text(*at, b.size(), cut);
        if (!name.take(text, cut)) return;
    }
}

// ---- ELF ----

constexpr quint64 kDynamicSymbols = 11, kStringTable = 3;

struct ElfSection {
    quint64 type = 0, offset = 0, size = 0, link = 0, entrySize = 0;
};

ElfSection elfSection(const Bytes& b, bool wide, quint64 at) {
    if (wide)
        return {b.u(at + 4, 4), b.u(at + 24, 8), b.u(at + 32, 8), b.u(at + 40, 4), b.u(at + 56, 8)};
    return {b.u(at + 4, 4), b.u(at + 16, 4), b.u(at + 20, 4), b.u(at + 24, 4), b.u(at + 36, 4)};
}

void elfNames(const Bytes& b, bool wide, NameSink& name) {
    const quint64 sectionsAt = wide ? b.u(0x28, 8) : b.u(0x20, 4);
    const quint64 entry = wide ? b.u(0x3A, 2) : b.u(0x2E, 2);
    const quint64 count = wide ? b.u(0x3C, 2) : b.u(0x30, 2);
    if (entry < (wide ? 64u : 40u) || !b.has(sectionsAt, 0)) return;
    for (quint64 i = 0; i < count && b.has(sectionsAt + i * entry, entry); ++i) {
        const ElfSection symbols = elfSection(b, wide, sectionsAt + i * entry);
        if (symbols.type != kDynamicSymbols || symbols.link >= count) continue;
        const ElfSection strings = elfSection(b, wide, sectionsAt + symbols.link * entry);
        if (strings.type != kStringTable || !b.has(strings.offset, strings.size)) return;
        const quint64 size = wide ? 24 : 16;
        if (!b.has(symbols.offset, symbols.size)) return;
        const quint64 total = symbols.size / size;
        for (quint64 k = 1; k < total; ++k) { // entry 0 is the null symbol
            const quint64 s = symbols.offset + k * size;
            const quint64 info = b.u(s + (wide ? 4 : 12), 1);
            const quint64 section = b.u(s + (wide ? 6 : 14), 2);
            const quint64 binding = info >> 4, type = info & 0xF;
            if (section == 0 || (binding != 1 && binding != 2) || (type != 2 && type != 10))
                continue;
            const quint64 nameAt = b.u(s, 4);
            if (nameAt >= strings.size) continue;
            bool cut = false;
            const QByteArrayView text =
                b.text(strings.offset + nameAt, strings.offset + strings.size, cut);
            if (!name.take(text, cut)) return;
        }
        return;
    }
}

} // namespace

void forEachExportedName(QByteArrayView image, const std::function<void(QByteArrayView)>& name) {
    NameSink sink(quint64(image.size()), name);
    if (image.size() >= 0x40 && image.startsWith("MZ")) return peNames(Bytes(image), sink);
    if (image.size() >= 0x34 && image.startsWith("\x7F"
                                                 "ELF")) {
        const char klass = image[4], order = image[5];
        if ((klass != 1 && klass != 2) || (order != 1 && order != 2)) return;
        elfNames(Bytes(image, order == 2), klass == 2, sink);
    }
}

QStringList exportedNames(QByteArrayView image) {
    QStringList names;
    forEachExportedName(image, [&](QByteArrayView n) { names << QString::fromUtf8(n); });
    return names;
}

bool forEachExportedNameOfFile(const QString& path,
                               const std::function<void(QByteArrayView)>& name) {
    QFile file(path);
    // Regular files only: a pipe or a device would block or never end.
    if (!platform::Platform::instance().openForRead(file)) return false;
    const qint64 size = file.size();
    if (size <= 0) return true;
    // A file cut short while it is read reads as zeros past its new end,
    // and the read is then a failure.
    core::GuardedMapping map;
    if (map.map(file.handle(), size)) forEachExportedName(QByteArrayView(map.data(), size), name);
    return !map.changed();
}

QStringList exportedNamesOfFile(const QString& path) {
    QStringList names;
    forEachExportedNameOfFile(path, [&](QByteArrayView n) { names << QString::fromUtf8(n); });
    return names;
}

} // namespace sysinfo

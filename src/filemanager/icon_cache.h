#pragma once
// The listing's 16x16 pictures, one per key (extension, or whole name for
// programs and icon files), bounded by emptying it at 201 keys.

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QStringList>

namespace platform {
enum class EntryKind : quint8;
}

namespace filemanager {

class IconCache {
  public:
    static constexpr int kMaxKeys = 200;

    // "report.final.TXT" -> "final.txt"; "SETUP.EXE" -> "setup.exe".
    static QString keyFor(const QString& name);

    // Called at the start of a listing: empties the cache past 200 keys.
    void beginListing();
    // Index of the picture for name, fetching and scaling it on first use.
    // Folders, devices, FIFOs and sockets have pictures of their own,
    // whatever their names.
    int imageFor(const QString& name, platform::EntryKind kind);
    int imageFor(const QString& name); // a file
    void endListing();

    const QStringList& keys() const { return m_keys; } // CleIcones
    const QPixmap& image(int index) const { return m_images.at(index); }
    int size() const { return int(m_images.size()); }
    int fetches() const { return m_fetches; } // platform requests so far

  private:
    QStringList m_keys;
    QHash<QString, int> m_index;
    QList<QPixmap> m_images;
    QImage m_surface; // 32x32, not cleared between icons
    int m_fetches = 0;
};

} // namespace filemanager

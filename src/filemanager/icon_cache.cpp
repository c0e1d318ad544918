#include "icon_cache.h"
#include "platform/platform.h"
#include "scale_filtered.h"
#include "ui/icons.h"

#include <QPainter>

namespace filemanager {

QString IconCache::keyFor(const QString& name) {
    int dot = int(name.indexOf(u'.'));
    QString key = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    if (key == u"exe" || key == u"ico") key = name.toLower();
    return key;
}

void IconCache::beginListing() {
    if (m_keys.size() > kMaxKeys) {
        m_keys.clear();
        m_index.clear();
        m_images.clear();
    }
    m_surface = QImage(32, 32, QImage::Format_RGB888);
    m_surface.fill(Qt::white);
}

namespace {

// Keys of the kinds that are not files: a "/" is in no file name.
const char* specialKey(platform::EntryKind kind) {
    switch (kind) {
    case platform::EntryKind::Folder:
        return "/folder";
    case platform::EntryKind::Device:
        return "/device";
    case platform::EntryKind::Fifo:
        return "/fifo";
    case platform::EntryKind::Socket:
        return "/socket";
    case platform::EntryKind::File:
        break;
    }
    return nullptr;
}

} // namespace

int IconCache::imageFor(const QString& name, platform::EntryKind kind) {
    const char* special = specialKey(kind);
    const QString key = special ? QString::fromLatin1(special) : keyFor(name);
    auto found = m_index.constFind(key);
    if (found != m_index.constEnd()) return *found;
    ++m_fetches;
    const QIcon icon =
        special ? ui::specialIcon(ui::SpecialIcon(int(kind) - 1)) : ui::fileIcon(name);
    {
        QPainter p(&m_surface);
        icon.paint(&p, QRect(1, 1, 32, 32));
    }
    QImage small(16, 16, QImage::Format_RGB888);
    scaleFiltered(m_surface, small, hermiteFilter, 1.0);
    m_keys.append(key);
    m_index.insert(key, int(m_images.size()));
    m_images.append(QPixmap::fromImage(small));
    return int(m_images.size()) - 1;
}

int IconCache::imageFor(const QString& name) {
    return imageFor(name, platform::EntryKind::File);
}

void IconCache::endListing() {
    m_surface = QImage();
}

} // namespace filemanager

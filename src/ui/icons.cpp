// Icons of drives and files: the desktop's icon theme where there is one,
// else small drawn pictures, so kinds stay apart without a theme.
#include "icons.h"
#include "platform/Platform.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>

namespace ui {

namespace {

QIcon drawnIcon(QColor fill, bool folder) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(fill);
    if (folder) {
        p.drawRect(2, 8, 27, 20);
        p.drawRect(2, 5, 11, 4);
    } else {
        p.drawRect(6, 2, 20, 27);
        p.drawLine(10, 10, 22, 10);
        p.drawLine(10, 15, 22, 15);
        p.drawLine(10, 20, 22, 20);
    }
    return QIcon(pm);
}

} // namespace

QIcon driveIcon(QChar letter) {
    const char* name = "drive-harddisk";
    QColor colour(170, 170, 190);
    switch (platform::Platform::instance().driveType(letter)) {
    case platform::DriveType::Removable:
        name = "drive-removable-media", colour = QColor(90, 140, 220);
        break;
    case platform::DriveType::Remote:
        name = "folder-remote", colour = QColor(120, 200, 120);
        break;
    case platform::DriveType::CdRom:
        name = "media-optical", colour = QColor(230, 230, 120);
        break;
    default:
        break;
    }
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    return icon.isNull() ? drawnIcon(colour, false) : icon;
}

QIcon fileIcon(const QString& path) {
    static QMimeDatabase db;
    QFileInfo fi(path);
    if (fi.isDir()) {
        QIcon icon = QIcon::fromTheme(QStringLiteral("folder"));
        return icon.isNull() ? drawnIcon(QColor(240, 200, 80), true) : icon;
    }
    QMimeType mime = db.mimeTypeForFile(fi, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    if (!icon.isNull()) return icon;
    // No icon theme: a page tinted by the kind of file, so kinds stay apart.
    QString top = mime.name().section(u'/', 0, 0);
    QColor tint = top == u"image"                       ? QColor(200, 230, 255)
                  : top == u"text"                      ? QColor(255, 255, 255)
                  : top == u"audio" || top == u"video"  ? QColor(230, 200, 255)
                  : mime.name().contains(u"executable") ? QColor(200, 255, 200)
                                                        : QColor(235, 235, 235);
    return drawnIcon(tint, false);
}

} // namespace ui

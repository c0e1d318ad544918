// Icons of drives and files: the desktop's icon theme where there is one,
// else small drawn pictures, so kinds stay apart without a theme.
#include "icons.h"
#include "platform/platform.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

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

QPixmap canvas() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    return pm;
}

void page(QPainter& p, int x, int y, int w, int h) {
    p.setBrush(Qt::white);
    p.drawRect(x, y, w, h);
    for (int line = y + 6; line < y + h - 3; line += 5)
        p.drawLine(x + 4, line, x + w - 4, line);
}

QIcon drawnAction(const QString& name) {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    if (name == u"edit-cut") { // scissors
        p.drawLine(8, 4, 22, 22);
        p.drawLine(24, 4, 10, 22);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(4, 21, 8, 8);
        p.drawEllipse(20, 21, 8, 8);
    } else if (name == u"edit-copy") { // two pages
        page(p, 4, 3, 16, 20);
        page(p, 12, 9, 16, 20);
    } else if (name == u"edit-paste") { // a clipboard
        p.setBrush(QColor(190, 150, 90));
        p.drawRect(5, 5, 22, 25);
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(11, 2, 10, 6);
        page(p, 9, 11, 14, 16);
    } else if (name == u"document-new") {
        page(p, 7, 3, 18, 26);
    } else if (name == u"document-open") { // an open folder
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(3, 9, 26, 18);
        p.drawRect(3, 6, 10, 4);
    } else { // go-previous, go-next: an arrow
        const bool back = name == u"go-previous";
        p.setBrush(QColor(60, 140, 60));
        const QPolygon arrow =
            back ? QPolygon({QPoint(4, 16), QPoint(16, 5), QPoint(16, 11), QPoint(28, 11),
                             QPoint(28, 21), QPoint(16, 21), QPoint(16, 27)})
                 : QPolygon({QPoint(28, 16), QPoint(16, 5), QPoint(16, 11), QPoint(4, 11),
                             QPoint(4, 21), QPoint(16, 21), QPoint(16, 27)});
        p.drawPolygon(arrow);
    }
    return QIcon(pm);
}

} // namespace

QIcon actionIcon(const QString& themeName) {
    const QIcon themed = QIcon::fromTheme(themeName);
    return themed.isNull() ? drawnAction(themeName) : themed;
}

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

QIcon specialIcon(SpecialIcon kind) {
    struct Look {
        const char* theme;
        QColor tint;
    };
    static const Look looks[] = {{"folder", QColor(240, 200, 80)},
                                 {"drive-harddisk", QColor(190, 190, 190)},
                                 {"network-transmit-receive", QColor(255, 210, 160)},
                                 {"network-wired", QColor(255, 180, 200)}};
    const Look& look = looks[int(kind)];
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(look.theme));
    return icon.isNull() ? drawnIcon(look.tint, kind == SpecialIcon::Folder) : icon;
}

QIcon fileIcon(const QString& path) {
    static QMimeDatabase db;
    QFileInfo fi(path);
    if (fi.isDir()) return specialIcon(SpecialIcon::Folder);
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

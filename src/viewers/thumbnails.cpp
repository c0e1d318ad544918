#include "thumbnails.h"
#include "picture_reader.h"
#include "platform/platform.h"

#include <QPainter>
#include <cmath>

namespace viewers {

Fit fitInSlot(QSize picture) {
    Fit fit{QRect(1, 1, kPanelWidth - 2, kPanelHeight - 16), false};
    if (picture.height() <= fit.box.height() || picture.width() <= fit.box.width()) return fit;
    const double r = double(picture.height()) / picture.width();
    fit.stretch = true;
    // Nearest integer, a half to the even neighbour.
    if (r >= 1) {
        fit.box.setWidth(int(std::nearbyint(kPanelWidth / r)));
        fit.box.moveLeft((kPanelWidth - fit.box.width()) / 2);
    } else {
        fit.box.setHeight(int(std::nearbyint(r * kPanelHeight)));
        fit.box.moveTop((kPanelHeight - fit.box.height() - 16) / 2);
    }
    return fit;
}

bool isShown(const QString& entry) {
    return !entry.isEmpty() && platform::Platform::instance().isFile(entry) &&
           !entry.contains(u".avi");
}

Thumbnail makeThumbnail(const QString& path) {
    Thumbnail t;
    t.path = path;
    if (!isShown(path)) return t;
    try {
        const PictureFile file(path); // read once, for the size and the picture
        t.natural = file.size();
        t.fit = fitInSlot(t.natural);
        if (t.fit.stretch) {
            const QImage decoded = file.read(t.fit.box.size(), kThumbnailBytes);
            t.image = decoded.size() == t.fit.box.size()
                          ? decoded
                          : decoded.scaled(t.fit.box.size(), Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation);
        } else {
            t.image = file.read({}, kThumbnailBytes);
        }
        t.shown = true;
    } catch (const PictureError& e) {
        t.error = e.text();
    }
    return t;
}

QImage renderPanel(const Thumbnail& t, QColor background) {
    QImage panel(kPanelWidth, kPanelHeight, QImage::Format_ARGB32_Premultiplied);
    // 96 dots per inch, whatever the screen (or none): a saved panel is the
    // same file everywhere.
    constexpr int kDotsPerMeter = 3780;
    panel.setDotsPerMeterX(kDotsPerMeter);
    panel.setDotsPerMeterY(kDotsPerMeter);
    panel.fill(background);
    if (!t.shown) return panel;
    QPainter painter(&panel);
    painter.setClipRect(t.fit.box);
    if (t.fit.stretch) {
        painter.drawImage(t.fit.box.topLeft(), t.image);
    } else {
        // Natural size, centred in the box and cut off by it.
        const QPoint at(t.fit.box.left() + (t.fit.box.width() - t.image.width()) / 2,
                        t.fit.box.top() + (t.fit.box.height() - t.image.height()) / 2);
        painter.drawImage(at, t.image);
    }
    return panel;
}

} // namespace viewers

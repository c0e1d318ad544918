#pragma once
// The thumbnail of a picture as a slot of the browser shows it: a panel of
// 160 x 130 pixels whose picture box is placed and sized by fitInSlot.

#include <QImage>
#include <QRect>
#include <QString>

namespace viewers {

constexpr int kPanelWidth = 160, kPanelHeight = 130, kCaptionHeight = 14;

struct Fit {
    QRect box;            // the picture box inside the panel
    bool stretch = false; // drawn scaled to the box, else natural size centred
};

// The box for a picture of that natural size.
Fit fitInSlot(QSize picture);

// Shown in a slot: not empty, an existing file, no ".avi" in the name.
bool isShown(const QString& entry);

struct Thumbnail {
    QString path;
    bool shown = false; // false: the slot stays empty (caption kept when it is a file)
    QSize natural;
    Fit fit;
    QImage image;  // the picture as drawn in its box (box-sized when stretched)
    QString error; // the picture error's text, when it could not be read
};

// What one thumbnail may take to decode: enough for every common form up
// to 50 megapixels (a progressive JPEG's coefficients are kept whole
// whatever the scale). Several are made at once, within the decodes'
// shared budget.
constexpr qint64 kThumbnailBytes = qint64(512) << 20;

// Reads the picture for its slot: decoded for the box, stretched smoothly;
// a picture that would take more than kThumbnailBytes is told unreadable.
Thumbnail makeThumbnail(const QString& path);

// The panel with the picture drawn as the slot shows it (no caption).
QImage renderPanel(const Thumbnail& t, QColor background = QColor(0xF0, 0xF0, 0xF0));

} // namespace viewers

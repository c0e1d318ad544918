#include "picture_window.h"
#include "picture_reader.h"
#include "platform/platform.h"
#include "ui/errors.h"
#include "ui/job_progress.h"
#include "ui/window_parts.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

namespace viewers {

namespace {
constexpr int kTop = 36, kWidth = 640, kHeight = 500;
}

PictureWindow::PictureWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Voir image"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    previousButton = new QToolButton(this);
    previousButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    previousButton->setToolTip(QStringLiteral("Image précédente"));
    previousButton->setGeometry(4, 4, 28, 28);
    nextButton = new QToolButton(this);
    nextButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    nextButton->setToolTip(QStringLiteral("Image suivante"));
    nextButton->setGeometry(34, 4, 28, 28);
    for (QToolButton* b : {previousButton, nextButton})
        b->setFocusPolicy(Qt::NoFocus);
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    closeButton->setAutoDefault(false);
    scrollArea = new QScrollArea(this);
    scrollArea->setFrameShape(QFrame::NoFrame);
    pictureLabel = new QLabel;
    pictureLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollArea->setWidget(pictureLabel);
    connect(previousButton, &QToolButton::clicked, this, &PictureWindow::showPrevious);
    connect(nextButton, &QToolButton::clicked, this, &PictureWindow::showNext);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    // The window sees these keys before its controls (the scroll box would take them).
    connect(new QShortcut(QKeySequence(Qt::Key_PageUp), this), &QShortcut::activated, this,
            [this] { ui::runCommand([this] { showPrevious(); }); });
    connect(new QShortcut(QKeySequence(Qt::Key_PageDown), this), &QShortcut::activated, this,
            [this] { ui::runCommand([this] { showNext(); }); });
    setFixedSize(kWidth, kHeight);
}

void PictureWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::runCommand([this] { load(); });
    ui::centreOnScreen(this);
}

void PictureWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    closeButton->setGeometry(width() - 100, 5, 90, 26);
    scrollArea->setGeometry(0, kTop, width(), height() - kTop);
}

// A picture that cannot be read raises its error; the previous one stays.
void PictureWindow::load() {
    QImage image;
    if (platform::Platform::instance().onNetworkVolume(m_current)) {
        // A share's picture is read off the window, which keeps answering
        // while its server does not; Escape stops the wait, the previous
        // picture staying.
        if (!ui::runUnlessStopped([&] { image = readPicture(m_current); }, this,
                                  QStringLiteral("Voir image")))
            return;
    } else {
        image = readPicture(m_current);
    }
    setFixedSize(kWidth, kHeight);
    pictureLabel->setPixmap(QPixmap::fromImage(image));
    pictureLabel->resize(image.size());
    setWindowTitle(QStringLiteral("Voir image - ") + QFileInfo(m_current).fileName());
    int w = kWidth, h = kHeight;
    if (image.width() < w - 25) w = image.width() + 25;
    if (image.height() < h - 40) h = image.height() + 40;
    setFixedSize(w, h);
}

void PictureWindow::showPrevious() {
    for (int i = 1; i < m_list.size(); ++i)
        if (m_list[i] == m_current) {
            m_current = m_list[i - 1];
            load();
            return;
        }
}

void PictureWindow::showNext() {
    for (int i = 0; i + 1 < m_list.size(); ++i)
        if (m_list[i] == m_current) {
            m_current = m_list[i + 1];
            load();
            return;
        }
}

} // namespace viewers

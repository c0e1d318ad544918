#include "picture_window.h"
#include "picture_reader.h"
#include "ui/errors.h"
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
    PreviousButton = new QToolButton(this);
    PreviousButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    PreviousButton->setToolTip(QStringLiteral("Image précédente"));
    PreviousButton->setGeometry(4, 4, 28, 28);
    NextButton = new QToolButton(this);
    NextButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    NextButton->setToolTip(QStringLiteral("Image suivante"));
    NextButton->setGeometry(34, 4, 28, 28);
    for (QToolButton* b : {PreviousButton, NextButton})
        b->setFocusPolicy(Qt::NoFocus);
    Close = new QPushButton(QStringLiteral("Fermer"), this);
    Close->setAutoDefault(false);
    Scroll = new QScrollArea(this);
    Scroll->setFrameShape(QFrame::NoFrame);
    Picture = new QLabel;
    Picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Scroll->setWidget(Picture);
    connect(PreviousButton, &QToolButton::clicked, this, &PictureWindow::Precedent);
    connect(NextButton, &QToolButton::clicked, this, &PictureWindow::Suivant);
    connect(Close, &QPushButton::clicked, this, &QDialog::accept);
    // The window sees these keys before its controls (the scroll box would take them).
    connect(new QShortcut(QKeySequence(Qt::Key_PageUp), this), &QShortcut::activated, this,
            [this] { ui::runCommand([this] { Precedent(); }); });
    connect(new QShortcut(QKeySequence(Qt::Key_PageDown), this), &QShortcut::activated, this,
            [this] { ui::runCommand([this] { Suivant(); }); });
    setFixedSize(kWidth, kHeight);
}

void PictureWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::runCommand([this] { Charge(); });
    ui::centreOnScreen(this);
}

void PictureWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    Close->setGeometry(width() - 100, 5, 90, 26);
    Scroll->setGeometry(0, kTop, width(), height() - kTop);
}

// A picture that cannot be read raises its error; the previous one stays.
void PictureWindow::Charge() {
    setFixedSize(kWidth, kHeight);
    const QImage image = readPicture(m_current);
    Picture->setPixmap(QPixmap::fromImage(image));
    Picture->resize(image.size());
    setWindowTitle(QStringLiteral("Voir image - ") + QFileInfo(m_current).fileName());
    int w = kWidth, h = kHeight;
    if (image.width() < w - 25) w = image.width() + 25;
    if (image.height() < h - 40) h = image.height() + 40;
    setFixedSize(w, h);
}

void PictureWindow::Precedent() {
    for (int i = 1; i < m_list.size(); ++i)
        if (m_list[i] == m_current) {
            m_current = m_list[i - 1];
            Charge();
            return;
        }
}

void PictureWindow::Suivant() {
    for (int i = 0; i + 1 < m_list.size(); ++i)
        if (m_list[i] == m_current) {
            m_current = m_list[i + 1];
            Charge();
            return;
        }
}

} // namespace viewers

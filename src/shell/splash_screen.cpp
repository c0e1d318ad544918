#include "splash_screen.h"
#include "about_dialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace shell {

SplashScreen::SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 128));
    setPalette(pal);
    auto* outer = new QVBoxLayout(this);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* inner = new QVBoxLayout(frame);
    auto* picture = new QLabel(frame);
    picture->setPixmap(programPicture(64));
    picture->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Tav Tools"), frame);
    QFont f = name->font();
    f.setPointSize(20);
    f.setBold(true);
    name->setFont(f);
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("Version 1.0"), frame);
    version->setAlignment(Qt::AlignCenter);
    inner->addWidget(picture);
    inner->addWidget(name);
    inner->addWidget(version);
    outer->addWidget(frame);
    resize(300, 200);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

} // namespace shell

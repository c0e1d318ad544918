#include "about_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

QPixmap programPicture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(40, 90, 170));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    p.setPen(QColor(255, 220, 60));
    QFont f;
    f.setBold(true);
    f.setPixelSize(size / 2);
    p.setFont(f);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("TT"));
    return pm;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("A propos"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(programPicture(48));
    auto* texts = new QVBoxLayout;
    texts->addWidget(new QLabel(QStringLiteral("Tav Tools"), this));
    texts->addWidget(new QLabel(QStringLiteral("Version 1.0"), this));
    texts->addWidget(new QLabel(
        QStringLiteral("Boîte à outils pour la gestion des fichiers et du système"), this));
    top->addWidget(icon);
    top->addLayout(texts);
    layout->addLayout(top);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace shell

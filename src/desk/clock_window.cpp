#include "clock_window.h"
#include "platform/platform.h"

#include "spin_arrow.h"
#include <QButtonGroup>
#include <QDateTime>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace desk {

namespace {
QLabel* faceLabel(QWidget* parent, int size, bool italic = false) {
    auto* l = new QLabel(parent);
    QFont f = l->font();
    f.setPointSize(size);
    f.setBold(true);
    f.setItalic(italic);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: white; background: black;"));
    return l;
}
} // namespace

ClockWindow::ClockWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Horloge"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    auto* layout = new QHBoxLayout(this);
    auto* face = new QFrame(this);
    face->setStyleSheet(QStringLiteral("background: black;"));
    auto* faceLayout = new QVBoxLayout(face);
    timeDisplay = faceLabel(face, 22);
    auto* line = new QFrame(face);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: white;"));
    dateDisplay = faceLabel(face, 14);
    faceLayout->addWidget(timeDisplay, 0, Qt::AlignCenter);
    faceLayout->addWidget(line);
    faceLayout->addWidget(dateDisplay, 0, Qt::AlignCenter);
    faceLayout->addWidget(faceLabel(face, 24, true), 0, Qt::AlignLeft);
    static_cast<QLabel*>(faceLayout->itemAt(3)->widget())->setText(QStringLiteral("TAV"));
    layout->addWidget(face);
    auto* side = new QVBoxLayout;
    auto* group = new QButtonGroup(this);
    const char* const names[] = {"Hr", "Mn", "Jo", "Mo", "An"};
    auto* radios = new QGridLayout;
    for (int i = 0; i < 5; ++i) {
        fields[i] = new QRadioButton(QString::fromLatin1(names[i]), this);
        group->addButton(fields[i]);
        radios->addWidget(fields[i], i % 3, i / 3);
    }
    side->addLayout(radios);
    auto* arrows = new QHBoxLayout;
    up = spinArrow(this, Qt::UpArrow);
    down = spinArrow(this, Qt::DownArrow);
    arrows->addWidget(up);
    arrows->addWidget(down);
    side->addLayout(arrows);
    setButton = new QPushButton(QStringLiteral("Set"), this);
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    side->addWidget(setButton);
    side->addWidget(closeButton);
    layout->addLayout(side);
    timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, &ClockWindow::tick);
    connect(up, &QToolButton::clicked, this, [this] { spin(true); });
    connect(down, &QToolButton::clicked, this, [this] { spin(false); });
    connect(setButton, &QPushButton::clicked, this, &ClockWindow::setClock);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    tick();
}

void ClockWindow::tick() {
    const QDateTime now = QDateTime::currentDateTime();
    timeDisplay->setText(now.toString(QStringLiteral("HH:mm:ss")));
    dateDisplay->setText(now.toString(QStringLiteral("dd/MM/yyyy")));
}

ClockField ClockWindow::chosen() const {
    const ClockField order[] = {ClockField::Hour, ClockField::Minute, ClockField::Day,
                                ClockField::Month, ClockField::Year};
    for (int i = 0; i < 5; ++i)
        if (fields[i]->isChecked()) return order[i];
    return ClockField::None;
}

void ClockWindow::spin(bool upwards) {
    QString time = timeDisplay->text(), date = dateDisplay->text();
    spinField(time, date, chosen(), upwards);
    timeDisplay->setText(time);
    dateDisplay->setText(date);
}

void ClockWindow::setClock() {
    if (!m_editing) {
        m_editing = true;
        timer->stop();
        return;
    }
    m_editing = false;
    const QDateTime utc = displayedToUtc(timeDisplay->text(), dateDisplay->text());
    if (utc.isValid())
        platform::Platform::instance().setSystemClockUtc(utc); // the answer is not used
    timer->start();
}

bool ClockWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        m_editing = false;
        tick();
        timer->start();
    } else if (e->type() == QEvent::WindowDeactivate) {
        timer->stop();
    }
    return QDialog::event(e);
}

} // namespace desk

#include "calendar_window.h"
#include "month_grid.h"
#include "ui/french.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace desk {

QString CalendarWindow::headingFor(const QDate& d) {
    return ui::monthName(d.month()) + QStringLiteral("  ") + QString::number(d.year());
}

CalendarWindow::CalendarWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Calendrier"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QWidget(this);
    bar->setAutoFillBackground(true);
    bar->setStyleSheet(QStringLiteral("background: teal;"));
    auto* barLayout = new QHBoxLayout(bar);
    heading = new QLabel(bar);
    heading->setFixedWidth(372);
    heading->setAlignment(Qt::AlignCenter);
    heading->setStyleSheet(QStringLiteral("color: red; font-weight: bold; font-size: 20pt;"));
    barLayout->addWidget(heading, 0, Qt::AlignCenter);
    layout->addWidget(bar);
    monthGrid = new MonthGrid(this);
    monthGrid->setMinimumSize(372, 220);
    layout->addWidget(monthGrid);
    auto* buttons = new QHBoxLayout;
    previous =
        new QPushButton(style()->standardIcon(QStyle::SP_ArrowLeft), QStringLiteral("Mois"), this);
    next =
        new QPushButton(style()->standardIcon(QStyle::SP_ArrowRight), QStringLiteral("Mois"), this);
    next->setLayoutDirection(Qt::RightToLeft);
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    buttons->addWidget(previous);
    buttons->addWidget(next);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    for (QWidget* w : {static_cast<QWidget*>(monthGrid), static_cast<QWidget*>(previous),
                       static_cast<QWidget*>(next), static_cast<QWidget*>(closeButton)})
        w->installEventFilter(this);
    connect(previous, &QPushButton::clicked, monthGrid, &MonthGrid::previousMonth);
    connect(next, &QPushButton::clicked, monthGrid, &MonthGrid::nextMonth);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(monthGrid, &MonthGrid::changed, this, &CalendarWindow::refreshHeading);
    refreshHeading();
}

void CalendarWindow::refreshHeading() {
    heading->setText(headingFor(monthGrid->date()));
}

bool CalendarWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) refreshHeading();
    return QDialog::event(e);
}

bool CalendarWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_PageUp) return monthGrid->previousMonth(), true;
        if (key == Qt::Key_PageDown) return monthGrid->nextMonth(), true;
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace desk

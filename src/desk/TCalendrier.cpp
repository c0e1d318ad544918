#include "TCalendrier.h"
#include "ui/french.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace desk {

QDate addMonthKeepingDay(const QDate& d, int delta) {
    const int day = d.day();
    const QDate edge =
        delta > 0 ? QDate(d.year(), d.month(), d.daysInMonth()) : QDate(d.year(), d.month(), 1);
    const QDate other = edge.addDays(delta);
    return QDate(other.year(), other.month(), std::min(day, other.daysInMonth()));
}

TCalendar::TCalendar(QWidget* parent) : QTableWidget(7, 7, parent), m_date(QDate::currentDate()) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setStyleSheet(QStringLiteral("QTableWidget { background: lime; }"));
    fill();
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int r, int c) { cellChosen(r, c); });
}

QPoint TCalendar::cellOf(int day) const {
    const int first = QDate(m_date.year(), m_date.month(), 1).dayOfWeek() % 7; // Sunday first
    const int index = first + day - 1;
    return QPoint(index % 7, 1 + index / 7);
}

void TCalendar::fill() {
    m_filling = true;
    clearContents();
    for (int c = 0; c < 7; ++c) {
        auto* item = new QTableWidgetItem(ui::dayShortName(c == 0 ? 7 : c));
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(Qt::ItemIsEnabled);
        setItem(0, c, item);
    }
    for (int day = 1; day <= m_date.daysInMonth(); ++day) {
        const QPoint cell = cellOf(day);
        auto* item = new QTableWidgetItem(QString::number(day));
        item->setTextAlignment(Qt::AlignCenter);
        setItem(cell.y(), cell.x(), item);
    }
    const QPoint selected = cellOf(m_date.day());
    setCurrentCell(selected.y(), selected.x());
    m_filling = false;
}

void TCalendar::setDate(const QDate& d) {
    if (!d.isValid()) return;
    m_date = d;
    fill();
    Q_EMIT changed();
}

void TCalendar::changeMonth(int delta) {
    setDate(addMonthKeepingDay(m_date, delta));
}

void TCalendar::cellChosen(int row, int column) {
    if (m_filling) return;
    QTableWidgetItem* it = row > 0 ? item(row, column) : nullptr;
    if (!it || it->text().isEmpty()) {
        // An empty cell or a day name: the selection stays on the date.
        const QPoint selected = cellOf(m_date.day());
        m_filling = true;
        setCurrentCell(selected.y(), selected.x());
        m_filling = false;
        return;
    }
    m_date = QDate(m_date.year(), m_date.month(), it->text().toInt());
    Q_EMIT changed();
}

QString TCalendrier::headingFor(const QDate& d) {
    return ui::monthName(d.month()) + QStringLiteral("  ") + QString::number(d.year());
}

TCalendrier::TCalendrier(QWidget* parent) : QDialog(parent) {
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
    Calendar1 = new TCalendar(this);
    Calendar1->setMinimumSize(372, 220);
    layout->addWidget(Calendar1);
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
    for (QWidget* w : {static_cast<QWidget*>(Calendar1), static_cast<QWidget*>(previous),
                       static_cast<QWidget*>(next), static_cast<QWidget*>(closeButton)})
        w->installEventFilter(this);
    connect(previous, &QPushButton::clicked, Calendar1, &TCalendar::PrevMonth);
    connect(next, &QPushButton::clicked, Calendar1, &TCalendar::NextMonth);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Calendar1, &TCalendar::changed, this, &TCalendrier::refreshHeading);
    refreshHeading();
}

void TCalendrier::refreshHeading() {
    heading->setText(headingFor(Calendar1->date()));
}

bool TCalendrier::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) refreshHeading();
    return QDialog::event(e);
}

bool TCalendrier::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_PageUp) return Calendar1->PrevMonth(), true;
        if (key == Qt::Key_PageDown) return Calendar1->NextMonth(), true;
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace desk

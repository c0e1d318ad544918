#include "clock_fields.h"

#include <QTimeZone>

namespace desk {

namespace {
struct Slot {
    bool inDate;
    int pos, width, low, high;
};
Slot slotFor(ClockField f) {
    switch (f) {
    case ClockField::Hour:
        return {false, 0, 2, 0, 24};
    case ClockField::Minute:
        return {false, 3, 2, 0, 59};
    case ClockField::Day:
        return {true, 0, 2, 0, 31};
    case ClockField::Month:
        return {true, 3, 2, 0, 12};
    case ClockField::Year:
        return {true, 6, 4, 1900, 2099};
    default:
        return {false, 0, 0, 0, 0};
    }
}
} // namespace

void spinField(QString& time, QString& date, ClockField field, bool up) {
    if (field == ClockField::None) return;
    const Slot s = slotFor(field);
    QString& text = s.inDate ? date : time;
    if (text.size() < s.pos + s.width) return;
    int v = text.mid(s.pos, s.width).toInt();
    if (field == ClockField::Year && v < 100) v += 1900;
    v = std::clamp(up ? v + 1 : v - 1, s.low, s.high);
    text.replace(s.pos, s.width, QStringLiteral("%1").arg(v, s.width, 10, QChar(u'0')));
}

QDateTime displayedToUtc(const QString& time, const QString& date) {
    const QDate d = QDate::fromString(date, QStringLiteral("dd/MM/yyyy"));
    const QTime t = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
    if (!d.isValid() || !t.isValid()) return {};
    const QDateTime local(d, t, QTimeZone::systemTimeZone());
    // A moment skipped by the change to summer time comes back moved: refused.
    if (!local.isValid() || local.date() != d || local.time() != t) return {};
    return local.toUTC();
}

} // namespace desk

#include "french.h"

namespace ui {

const QLocale& frenchLocale() {
    static const QLocale fr(QLocale::French, QLocale::France);
    return fr;
}

QString formatDate(const QDate& d) {
    return d.toString(QStringLiteral("dd/MM/yyyy"));
}

QString formatDateTime(const QDateTime& dt) {
    return dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QString formatTime(const QTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QString formatDecimal(double value, int decimals) {
    return frenchLocale().toString(value, 'f', decimals).remove(frenchLocale().groupSeparator());
}

QString monthName(int month) {
    return frenchLocale().monthName(month, QLocale::LongFormat);
}

QString dayShortName(int dayOfWeek) {
    return frenchLocale().dayName(dayOfWeek, QLocale::ShortFormat);
}

} // namespace ui

#pragma once
// French formatting whatever the machine's locale: decimal comma,
// dd/mm/yyyy dates, French month and day names.

#include <QDate>
#include <QLocale>
#include <QString>

namespace ui {

const QLocale& frenchLocale();

QString formatDate(const QDate& d);                // 07/12/2026
QString formatDateTime(const QDateTime& dt);       // 07/12/2026 20:13:41
QString formatTime(const QTime& t);                // 20:13:41
QString formatDecimal(double value, int decimals); // 3,14
QString monthName(int month);                      // octobre
QString dayShortName(int dayOfWeek);               // 1 = lun. ... 7 = dim.

} // namespace ui

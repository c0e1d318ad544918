#include "dos_datetime.h"

#include <ctime>

namespace platform {

quint32 toDosDateTime(qint64 secs) {
    time_t t = time_t(secs);
    struct tm tm;
    if (!localtime_r(&t, &tm)) return 0;
    int year = tm.tm_year + 1900;
    if (year < 1980) return (1 << 5 | 1) << 16; // 01/01/1980 00:00:00
    if (year > 2107) year = 2107;
    quint32 date = quint32(year - 1980) << 9 | quint32(tm.tm_mon + 1) << 5 | quint32(tm.tm_mday);
    quint32 time = quint32(tm.tm_hour) << 11 | quint32(tm.tm_min) << 5 | quint32(tm.tm_sec / 2);
    return date << 16 | time;
}

quint32 toDosDateTime(const QDateTime& when) {
    return toDosDateTime(when.toSecsSinceEpoch());
}

QDateTime fromDosDateTime(quint32 packed) {
    quint32 date = packed >> 16, time = packed & 0xFFFF;
    QDate d(int(date >> 9) + 1980, int(date >> 5 & 15), int(date & 31));
    QTime t(int(time >> 11), int(time >> 5 & 63), int(time & 31) * 2);
    if (!d.isValid() || !t.isValid()) return {};
    return QDateTime(d, t, Qt::LocalTime);
}

} // namespace platform

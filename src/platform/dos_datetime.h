#pragma once
// Packed DOS date and time (local time, two-second steps).

#include <QDateTime>
#include <cstdint>

namespace platform {

// High word the date (years since 1980, month, day), low word the time.
quint32 toDosDateTime(const QDateTime& when);
quint32 toDosDateTime(qint64 secsSinceEpoch);
// An invalid QDateTime when the packed value is not a real date.
QDateTime fromDosDateTime(quint32 packed);

} // namespace platform

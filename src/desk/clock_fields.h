#pragma once
// The clock's display texts and their editing, without a window.

#include <QDateTime>
#include <QString>

namespace desk {

enum class ClockField { None, Hour, Minute, Day, Month, Year };

// Moves one field of "HH:MM:SS" / "DD/MM/YYYY" up or down within its limits,
// in place, keeping its width.
void spinField(QString& time, QString& date, ClockField field, bool up);

// The displayed local date and time as universal time, through the real
// time zone; invalid when the texts are no real moment (31/02, 24:00, a
// time skipped by a change to summer time).
QDateTime displayedToUtc(const QString& time, const QString& date);

} // namespace desk

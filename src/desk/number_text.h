#pragma once
// Numbers as the desk utilities show them: decimal comma, general format.

#include <QString>

namespace desk {

// Reads "2,5", "-1,5E20", "100"; false for anything else ("1,,2", "").
bool readNumber(const QString& text, long double& value);

// General format with up to `digits` significant digits: fixed notation
// while the integer part fits and the magnitude is at least 0.0001, else
// "1,5E20" / "1E-5"; no trailing zeros.
QString generalFormat(long double value, int digits = 15);

// The shortest general-format text (at most 15 digits) that reads back as
// the same 6-byte real: the result display without conversion noise.
QString shortestReal48Text(long double value);

} // namespace desk

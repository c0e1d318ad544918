#include "number_text.h"
#include "real48.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace desk {

bool readNumber(const QString& text, long double& value) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*[-+]?(\\d+(,\\d*)?|,\\d+)([eE][-+]?\\d+)?\\s*$"));
    if (!number.match(text).hasMatch()) return false;
    QByteArray c = text.trimmed().toLatin1();
    c.replace(',', '.');
    char* end = nullptr;
    value = std::strtold(c.constData(), &end);
    return end && *end == 0 && std::isfinite(value);
}

QString generalFormat(long double value, int digits) {
    if (value == 0) return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*Le", digits - 1, value);
    // buf: [-]d.ddddde[+-]xx
    QString s = QString::fromLatin1(buf);
    const int e = int(s.indexOf(u'e'));
    const int exponent = s.mid(e + 1).toInt();
    QString mantissa = s.left(e);
    const bool negative = mantissa.startsWith(u'-');
    if (negative) mantissa.remove(0, 1);
    QString figures = mantissa.remove(u'.'); // significant digits
    while (figures.size() > 1 && figures.endsWith(u'0'))
        figures.chop(1);
    QString out;
    if (exponent >= 15 || exponent < -4) { // the notation follows the display, not the digits kept
        out = figures.left(1);
        if (figures.size() > 1) out += u',' + figures.mid(1);
        out += u'E' + QString::number(exponent);
    } else if (exponent >= 0) {
        QString whole = figures.left(exponent + 1);
        whole = whole.leftJustified(exponent + 1, u'0');
        const QString frac = figures.mid(exponent + 1);
        out = frac.isEmpty() ? whole : whole + u',' + frac;
    } else {
        out = QStringLiteral("0,") + QString(-exponent - 1, u'0') + figures;
    }
    return negative ? u'-' + out : out;
}

QString shortestReal48Text(long double value) {
    const Real48 target = Real48::fromLongDouble(value);
    for (int digits = 1; digits <= 15; ++digits) {
        const QString text = generalFormat(value, digits);
        long double back = 0;
        if (readNumber(text, back) && Real48::fromLongDouble(back) == target) return text;
    }
    return generalFormat(value, 15);
}

} // namespace desk

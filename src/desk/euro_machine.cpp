#include "euro_machine.h"
#include "core/errors.h"
#include "number_text.h"

#include <cmath>
#include <limits>

namespace desk {

EuroMachine::EuroMachine() : m_rate(Real48::fromLongDouble(655957)) {}

void EuroMachine::newEntryCheck() {
    if (!resultShown) return;
    entry.clear();
    result.clear();
    resultShown = false;
}

void EuroMachine::digit(QChar d) {
    newEntryCheck();
    entry += d;
}

void EuroMachine::comma() {
    newEntryCheck();
    entry += u',';
}

void EuroMachine::convert() {
    resultShown = true;
    try {
        long double read = 0;
        if (!readNumber(entry, read)) throw core::ConvertError(entry);
        const long double v = Real48::fromLongDouble(read).value();
        const long double rate = m_rate.value();
        const long double x = francsToEuros ? Real48::fromLongDouble(v * 100000 / rate).value()
                                            : Real48::fromLongDouble(v * rate * 0.000001L).value();
        const long double hundredths = std::nearbyint(x * 100); // halves to even
        if (hundredths > std::numeric_limits<qint32>::max() ||
            hundredths < std::numeric_limits<qint32>::min())
            throw core::FloatError(core::FloatError::Overflow);
        const qint32 n = qint32(hundredths);
        result = generalFormat(francsToEuros ? n * 0.01L : n * 0.1L);
    } catch (const core::TavError&) {
        entry.clear();
        result.clear();
        resultShown = false;
    }
}

void EuroMachine::rateUp() {
    m_rate = Real48::fromLongDouble(m_rate.value() + 1);
}

void EuroMachine::rateDown() {
    long double r = m_rate.value() - 1;
    m_rate = Real48::fromLongDouble(r < 1 ? 1 : r);
}

QString EuroMachine::rateText() const {
    return generalFormat(m_rate.value() * 0.00001L);
}

} // namespace desk

#include "calculator_machine.h"
#include "core/errors.h"
#include "number_text.h"

#include <cmath>

namespace desk {

void CalculatorMachine::digit(QChar d) {
    if (newEntry) display.clear();
    display += d;
    newEntry = false;
}

void CalculatorMachine::comma() {
    display += u',';
}

long double CalculatorMachine::readOperand() {
    long double v = 0;
    if (!readNumber(display, v)) throw core::ConvertError(display);
    return v;
}

void CalculatorMachine::equals() {
    if (!accumulatorSet) {
        long double v = 0;
        if (!readNumber(display, v)) {
            display.clear();
            return;
        }
        accumulator = Real48::fromLongDouble(v);
        accumulatorSet = true;
        newEntry = true;
        return;
    }
    const Real48 b = Real48::fromLongDouble(readOperand());
    operand = b;
    const long double a = accumulator.value(), x = b.value();
    long double r = a;
    switch (pending.unicode()) {
    case '+':
        r = a + x;
        break;
    case '-':
        r = a - x;
        break;
    case '*':
        r = a * x;
        break;
    case '/':
        if (x == 0)
            throw core::FloatError(a == 0 ? core::FloatError::Invalid
                                          : core::FloatError::DivideByZero);
        r = a / x;
        break;
    default:
        break;
    }
    accumulator = Real48::fromLongDouble(r);
    display = shortestReal48Text(accumulator.value());
    newEntry = true;
}

void CalculatorMachine::op(QChar o) {
    equals();
    pending = o;
}

void CalculatorMachine::reciprocal() {
    const long double x = readOperand();
    operand = Real48::fromLongDouble(x);
    if (operand.value() == 0) throw core::FloatError(core::FloatError::DivideByZero);
    const long double r = 1 / operand.value();
    display = generalFormat(r);
    accumulator = Real48::fromLongDouble(r);
    accumulatorSet = true;
    newEntry = true;
}

void CalculatorMachine::squareRoot() {
    const long double x = readOperand();
    operand = Real48::fromLongDouble(x);
    if (operand.value() < 0) throw core::FloatError(core::FloatError::Invalid);
    const long double r = std::sqrt(operand.value());
    display = generalFormat(r);
    accumulator = Real48::fromLongDouble(r);
    accumulatorSet = true;
    newEntry = true;
}

void CalculatorMachine::clear() {
    display.clear();
    accumulator = Real48();
    operand = Real48();
    accumulatorSet = false;
    pending = QChar();
}

} // namespace desk

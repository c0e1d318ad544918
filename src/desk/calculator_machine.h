#pragma once
// The calculator's registers and algorithms, without a window. Errors are
// thrown as the general error report shows them, leaving the state as it was.

#include "real48.h"

#include <QString>

namespace desk {

class CalculatorMachine {
  public:
    QString display;
    Real48 accumulator;
    Real48 operand;
    bool accumulatorSet = false;
    bool newEntry = false;
    QChar pending; // '+', '-', '*', '/' or null

    void digit(QChar d);
    void comma();
    void equals();
    void op(QChar o);
    void reciprocal();
    void squareRoot();
    void clear();

  private:
    long double readOperand(); // throws ConvertError
};

} // namespace desk

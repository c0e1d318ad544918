#pragma once
// The euro converter's entry, result and rate, without a window.

#include "real48.h"

#include <QString>

namespace desk {

class EuroMachine {
  public:
    EuroMachine();

    QString entry;
    QString result;
    bool resultShown = false;
    bool francsToEuros = true;

    void newEntryCheck();
    void digit(QChar d);
    void comma();
    void convert(); // failures are silent: both displays emptied
    void rateUp();
    void rateDown();
    QString rateText() const; // francs per euro, "6,55957"
    long double rateUnits() const { return m_rate.value(); }

  private:
    Real48 m_rate; // units of 0.00001 franc
};

} // namespace desk

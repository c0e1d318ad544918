#include "desk/calculator_machine.h"
#include "desk/calendar_window.h"
#include "desk/euro_converter_window.h"
#include "desk/euro_machine.h"
#include "desk/month_grid.h"
#include "desk/real48.h"

#include "desk/calculator_window.h"
#include "desk/clock_fields.h"
#include "desk/clock_window.h"
#include "desk/number_text.h"
#include "support/fake_platform.h"
#include "ui/errors.h"
#include "ui/french.h"
#include "ui/scripted_dialogs.h"
#include <QApplication>
#include <QScreen>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>

using namespace desk;

TEST(Real48, ByteLayout) {
    using B = std::array<uint8_t, 6>;
    EXPECT_EQ(Real48::fromLongDouble(1.0L).bytes(), (B{129, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48::fromLongDouble(-1.0L).bytes(), (B{129, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(Real48::fromLongDouble(0.5L).bytes(), (B{128, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48::fromLongDouble(3.0L).bytes(), (B{130, 0, 0, 0, 0, 0x40}));
    EXPECT_EQ(Real48::fromLongDouble(0).bytes(), (B{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48::fromBytes(B{130, 0, 0, 0, 0, 0x40}).value(), 3.0L);
    EXPECT_EQ(Real48::fromBytes(B{0, 1, 2, 3, 4, 5}).value(), 0.0L);
}

TEST(Real48, RoundingAndRange) {
    const long double ulp = std::ldexp(1.0L, -39);
    EXPECT_EQ(Real48::fromLongDouble(1 + ulp / 2).value(), 1 + ulp); // a half goes away from zero
    EXPECT_EQ(Real48::fromLongDouble(-1 - ulp / 2).value(), -1 - ulp);
    EXPECT_EQ(Real48::fromLongDouble(1 + ulp / 2.1L).value(), 1.0L);
    EXPECT_EQ(Real48::fromLongDouble(2 - ulp / 2).value(), 2.0L); // carries into the exponent
    EXPECT_EQ(Real48::fromLongDouble(Real48::maxValue()).value(), Real48::maxValue());
    EXPECT_NEAR(double(Real48::maxValue()), 1.7e38, 0.01e38);
    EXPECT_EQ(Real48::fromLongDouble(Real48::minValue()).value(), Real48::minValue());
    EXPECT_NEAR(double(Real48::minValue()), 2.9e-39, 0.05e-39);
    EXPECT_EQ(Real48::fromLongDouble(Real48::minValue() / 2.5L).value(), 0.0L);
    EXPECT_THROW(Real48::fromLongDouble(Real48::maxValue() * 2), ui::FloatError);
    for (long double v : {0.1L, 123456.789L, -6.55957L, 1e-30L, 1e30L}) {
        const Real48 r = Real48::fromLongDouble(v);
        EXPECT_EQ(Real48::fromBytes(r.bytes()), r);
        EXPECT_NEAR(double(r.value() / v), 1.0, 2e-12);
    }
}

TEST(NumberText, GeneralFormatAndReading) {
    EXPECT_EQ(generalFormat(2.5L), QStringLiteral("2,5"));
    EXPECT_EQ(generalFormat(1.5e20L), QStringLiteral("1,5E20"));
    EXPECT_EQ(generalFormat(1e-5L), QStringLiteral("1E-5"));
    EXPECT_EQ(generalFormat(0.0001L), QStringLiteral("0,0001"));
    EXPECT_EQ(generalFormat(-656.0L), QStringLiteral("-656"));
    EXPECT_EQ(generalFormat(123456789012345.0L), QStringLiteral("123456789012345"));
    long double v = 0;
    EXPECT_TRUE(readNumber("2,5", v));
    EXPECT_EQ(v, 2.5L);
    EXPECT_FALSE(readNumber("1,,2", v));
    EXPECT_FALSE(readNumber("", v));
    EXPECT_FALSE(readNumber("2.5", v));
}

class Pocket : public ::testing::Test {
  protected:
    CalculatorMachine m;
    void keys(const QString& sequence) {
        for (QChar c : sequence) {
            if (c.isDigit())
                m.digit(c);
            else if (c == u',')
                m.comma();
            else if (c == u'=')
                m.equals();
            else if (c == u'r')
                m.reciprocal();
            else if (c == u'q')
                m.squareRoot();
            else
                m.op(c);
        }
    }
};

TEST_F(Pocket, LeftToRightWithRepeatedEquals) {
    keys("2+3=");
    EXPECT_EQ(m.display, QStringLiteral("5"));
    keys("=");
    EXPECT_EQ(m.display, QStringLiteral("10"));
    keys("=");
    EXPECT_EQ(m.display, QStringLiteral("20"));
    m.clear();
    keys("2+3=7=");
    EXPECT_EQ(m.display, QStringLiteral("12"));
    m.clear();
    keys("2+3*");
    EXPECT_EQ(m.display, QStringLiteral("5"));
    keys("4=");
    EXPECT_EQ(m.display, QStringLiteral("20"));
    m.clear();
    keys("2++");
    EXPECT_EQ(m.display, QStringLiteral("4"));
}

TEST_F(Pocket, DivisionRootAndReciprocal) {
    keys("10/4=");
    EXPECT_EQ(m.display, QStringLiteral("2,5"));
    m.clear();
    keys("9q");
    EXPECT_EQ(m.display, QStringLiteral("3"));
    keys("+1=");
    EXPECT_EQ(m.display, QStringLiteral("4"));
    m.clear();
    keys("4r");
    EXPECT_EQ(m.display, QStringLiteral("0,25"));
}

TEST_F(Pocket, ResultsWithoutConversionNoise) {
    keys("0,1+0,2=");
    EXPECT_EQ(m.display, QStringLiteral("0,3"));
    m.clear();
    keys("1/3=");
    long double back = 0;
    ASSERT_TRUE(readNumber(m.display, back));
    EXPECT_EQ(Real48::fromLongDouble(back), m.accumulator);
    EXPECT_LE(m.display.size(), 15);
    // The next operator reads the shown text back: the pending "/" then gives exactly 1.
    keys("*");
    EXPECT_EQ(m.display, QStringLiteral("1"));
    keys("3=");
    EXPECT_EQ(m.display, QStringLiteral("3"));
}

TEST_F(Pocket, ErrorsLeaveTheState) {
    keys("5/0");
    EXPECT_THROW(m.equals(), ui::FloatError);
    EXPECT_EQ(m.display, QStringLiteral("0"));
    EXPECT_EQ(m.accumulator.value(), 5.0L);
    m.clear();
    keys("0/0");
    try {
        m.equals();
        FAIL();
    } catch (const ui::FloatError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Opération flottante incorrecte"));
    }
    m.clear();
    keys("100000000000000000000*100000000000000000000");
    try {
        m.equals();
        FAIL();
    } catch (const ui::FloatError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Débordement flottant"));
    }
    m.clear();
    keys("1,,2=");
    EXPECT_TRUE(m.display.isEmpty());
    EXPECT_FALSE(m.accumulatorSet);
    m.clear();
    m.equals();
    EXPECT_TRUE(m.display.isEmpty());
    keys("2+1,,2");
    EXPECT_THROW(m.op(u'*'), ui::ConvertError);
    EXPECT_EQ(m.pending, QChar(u'+')); // a failed operator is not pending
    m.clear();
    keys("4");
    m.op(u'-');
    keys("8=");
    EXPECT_THROW(m.squareRoot(), ui::FloatError);
}

TEST(PocketWindow, KeysClickButtonsAndDotTypesComma) {
    ui::ScriptedDialogs dialogs;
    CalculatorWindow w;
    w.show();
    QApplication::setActiveWindow(&w);
    (void)QTest::qWaitFor([&] { return w.isActiveWindow(); }, 1000);
    QTest::keyClicks(&w, "1.5+2");
    EXPECT_EQ(w.displayLabel()->text(), QStringLiteral("2"));
    QTest::keyClick(&w, Qt::Key_Equal);
    EXPECT_EQ(w.displayLabel()->text(), QStringLiteral("3,5"));
    QTest::keyClicks(&w, "/0=");
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Division flottante par zéro."));
    EXPECT_EQ(w.displayLabel()->text(), QStringLiteral("0"));
    QTest::keyClick(&w, Qt::Key_C);
    EXPECT_TRUE(w.displayLabel()->text().isEmpty());
}

TEST(Euro, ConversionsBothWays) {
    EuroMachine m;
    auto convert = [&](const QString& entry, bool toEuros) {
        m.entry = entry;
        m.francsToEuros = toEuros;
        m.convert();
        return m.result;
    };
    EXPECT_EQ(convert("100", true), QStringLiteral("15,24"));
    EXPECT_EQ(convert("1000", true), QStringLiteral("152,45"));
    EXPECT_EQ(convert("6,55957", true), QStringLiteral("1"));
    EXPECT_EQ(convert("1", false), QStringLiteral("6,6"));
    EXPECT_EQ(convert("10", false), QStringLiteral("65,6"));
    EXPECT_EQ(convert("100", false), QStringLiteral("656"));
    EXPECT_EQ(convert("", true), QString());
    EXPECT_TRUE(m.entry.isEmpty());
    EXPECT_EQ(convert("1,,2", true), QString());
    EXPECT_FALSE(m.resultShown);
    EXPECT_EQ(convert("100000000000", false), QString()); // beyond 32 bits
    convert("100", true);
    m.digit(u'5');
    EXPECT_EQ(m.entry, QStringLiteral("5"));
    EXPECT_TRUE(m.result.isEmpty());
}

TEST(Euro, RateLimits) {
    EuroMachine m;
    EXPECT_EQ(m.rateText(), QStringLiteral("6,55957"));
    while (m.rateUnits() > 1) {
        for (int i = 0; i < 100000 && m.rateUnits() > 1; ++i)
            m.rateDown();
    }
    m.rateDown();
    EXPECT_EQ(m.rateText(), QStringLiteral("1E-5"));
    for (int i = 0; i < 9; ++i)
        m.rateUp();
    EXPECT_EQ(m.rateText(), QStringLiteral("0,0001"));
    m.rateUp();
    EXPECT_EQ(m.rateText(), QStringLiteral("0,00011"));
}

TEST(EuroWindow, KeyboardAndFreshRate) {
    {
        EuroConverterWindow w;
        w.show();
        w.rateUp->click();
        EXPECT_EQ(w.rateField->text(), QStringLiteral("6,55958"));
        w.equalsButton->setFocus();
        QTest::keyClicks(w.equalsButton, "100");
        QTest::keyClick(w.equalsButton, Qt::Key_Return);
        EXPECT_EQ(w.entryDisplay->text(), QStringLiteral("100"));
        EXPECT_FALSE(w.resultDisplay->text().isEmpty());
        QTest::keyClick(w.equalsButton, Qt::Key_A); // any key starts a new amount
        EXPECT_TRUE(w.entryDisplay->text().isEmpty());
        EXPECT_EQ(w.rateUp->autoRepeatDelay(), 400);
        EXPECT_EQ(w.rateUp->autoRepeatInterval(), 100);
    }
    EuroConverterWindow again;
    EXPECT_EQ(again.rateField->text(), QStringLiteral("6,55957"));
}

TEST(Clock, FieldLimits) {
    QString time = "24:00:00", date = "01/01/2099";
    spinField(time, date, ClockField::Hour, true);
    EXPECT_EQ(time, QStringLiteral("24:00:00"));
    time = "00:00:00";
    spinField(time, date, ClockField::Hour, false);
    EXPECT_EQ(time, QStringLiteral("00:00:00"));
    spinField(time, date, ClockField::Day, false);
    EXPECT_EQ(date, QStringLiteral("00/01/2099"));
    spinField(time, date, ClockField::Year, true);
    EXPECT_EQ(date, QStringLiteral("00/01/2099"));
    spinField(time, date, ClockField::Minute, true);
    EXPECT_EQ(time, QStringLiteral("00:01:00"));
    spinField(time, date, ClockField::None, true);
    EXPECT_EQ(time, QStringLiteral("00:01:00"));
}

TEST(Clock, SetWritesUniversalTimeThroughTheRealZone) {
    platform::FakePlatform fake;
    platform::Platform::setInstance(&fake);
    ClockWindow w;
    w.setClock();
    EXPECT_TRUE(w.editing());
    EXPECT_FALSE(w.timer->isActive());
    w.timeDisplay->setText("14:30:00");
    w.dateDisplay->setText("15/01/2027");
    w.setClock();
    ASSERT_EQ(fake.clockWrites.size(), 1);
    EXPECT_EQ(fake.clockWrites[0], QDateTime(QDate(2027, 1, 15), QTime(13, 30, 0), Qt::UTC));
    w.setClock();
    w.timeDisplay->setText("14:30:00");
    w.dateDisplay->setText("15/07/2027");
    w.setClock();
    EXPECT_EQ(fake.clockWrites.last(), QDateTime(QDate(2027, 7, 15), QTime(12, 30, 0), Qt::UTC));
    for (auto [t, d] : {std::pair{"24:00:00", "15/01/2027"}, std::pair{"10:00:00", "31/02/2027"},
                        std::pair{"02:30:00", "28/03/2027"}}) {
        w.setClock();
        w.timeDisplay->setText(t);
        w.dateDisplay->setText(d);
        w.setClock();
    }
    EXPECT_EQ(fake.clockWrites.size(), 2);
    platform::Platform::setInstance(nullptr);
}

TEST(Calendar, MonthsKeepTheDayWherePossible) {
    EXPECT_EQ(addMonthKeepingDay(QDate(2000, 1, 31), 1), QDate(2000, 2, 29));
    EXPECT_EQ(addMonthKeepingDay(QDate(2001, 1, 31), 1), QDate(2001, 2, 28));
    EXPECT_EQ(addMonthKeepingDay(QDate(2001, 3, 31), -1), QDate(2001, 2, 28));
    EXPECT_EQ(addMonthKeepingDay(QDate(2001, 1, 1), -1), QDate(2000, 12, 1));
    EXPECT_EQ(CalendarWindow::headingFor(QDate(1998, 10, 20)), QStringLiteral("octobre  1998"));
}

TEST(CalendarWindow, GridPagesAndIgnoresEmptyCells) {
    CalendarWindow w;
    w.monthGrid->setDate(QDate(2001, 3, 15));
    EXPECT_EQ(w.heading->text(), QStringLiteral("mars  2001"));
    EXPECT_EQ(w.monthGrid->item(0, 0)->text(), ui::dayShortName(7)); // the week starts on Sunday
    const QPoint cell = w.monthGrid->cellOf(15);
    EXPECT_EQ(w.monthGrid->currentRow(), cell.y());
    EXPECT_EQ(w.monthGrid->item(cell.y(), cell.x())->text(), QStringLiteral("15"));
    EXPECT_EQ(cell.x(), 4);            // 15 March 2001 was a Thursday
    w.monthGrid->setCurrentCell(1, 0); // before the 1st (a Thursday): empty
    EXPECT_EQ(w.monthGrid->date(), QDate(2001, 3, 15));
    w.monthGrid->setCurrentCell(cell.y(), cell.x() + 1);
    EXPECT_EQ(w.monthGrid->date(), QDate(2001, 3, 16));
    QTest::keyClick(w.monthGrid, Qt::Key_PageDown);
    EXPECT_EQ(w.heading->text(), QStringLiteral("avril  2001"));
    QTest::keyClick(w.next, Qt::Key_PageUp);
    QTest::keyClick(w.next, Qt::Key_PageUp);
    EXPECT_EQ(w.monthGrid->date(), QDate(2001, 2, 16));
}

TEST(EuroWindow, KeypadAsACalculatorsAndCentred) {
    EuroConverterWindow w;
    w.show();
    QApplication::processEvents();
    // "0" under "1", "," under "2", "=" under "3".
    for (auto [below, above] : {std::pair{w.digitButton(0), w.digitButton(1)},
                                std::pair{w.commaButton(), w.digitButton(2)},
                                std::pair{w.equalsButton, w.digitButton(3)}}) {
        EXPECT_EQ(below->x(), above->x());
        EXPECT_GT(below->y(), above->y());
    }
    EXPECT_LT(w.digitButton(7)->y(), w.digitButton(4)->y());
    QTest::mouseClick(w.digitButton(1), Qt::LeftButton);
    QTest::mouseClick(w.digitButton(0), Qt::LeftButton);
    QTest::mouseClick(w.digitButton(0), Qt::LeftButton);
    EXPECT_EQ(w.entryDisplay->text(), QStringLiteral("100"));
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_LE(std::abs(w.geometry().center().x() - screen.center().x()), 2);
}

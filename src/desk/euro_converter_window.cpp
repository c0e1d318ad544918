#include "euro_converter_window.h"
#include "ui/window_parts.h"

#include "spin_arrow.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace desk {

namespace {
QLabel* display(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumHeight(28);
    return l;
}
} // namespace

EuroConverterWindow::EuroConverterWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Euro convertisseur"));
    auto* layout = new QVBoxLayout(this);
    entryDisplay = display(this);
    resultDisplay = display(this);
    layout->addWidget(entryDisplay);
    layout->addWidget(resultDisplay);
    auto* rateRow = new QHBoxLayout;
    rateField = new QLineEdit(this);
    rateField->setReadOnly(true);
    rateField->setFocusPolicy(Qt::NoFocus);
    rateUp = spinArrow(this, Qt::UpArrow);
    rateDown = spinArrow(this, Qt::DownArrow);
    rateUp->setFocusPolicy(Qt::NoFocus);
    rateDown->setFocusPolicy(Qt::NoFocus);
    rateRow->addWidget(rateField);
    rateRow->addWidget(rateUp);
    rateRow->addWidget(rateDown);
    layout->addLayout(rateRow);
    auto* dir = new QHBoxLayout;
    frToEuro = new QRadioButton(QStringLiteral("Fr>Euro"), this);
    euroToFr = new QRadioButton(QStringLiteral("Euro>Fr"), this);
    frToEuro->setChecked(true);
    dir->addWidget(frToEuro);
    dir->addWidget(euroToFr);
    layout->addLayout(dir);
    auto* grid = new QGridLayout;
    for (int d = 0; d < 10; ++d) {
        m_digits[d] = new QPushButton(QString::number(d), this);
        m_digits[d]->setFocusPolicy(Qt::ClickFocus); // never reached by Tab
        m_digits[d]->installEventFilter(this);
        // A calculator's keypad: 7 8 9 / 4 5 6 / 1 2 3 / 0 , =
        const int row = d == 0 ? 3 : 2 - (d - 1) / 3, column = d == 0 ? 0 : (d - 1) % 3;
        grid->addWidget(m_digits[d], row, column);
        connect(m_digits[d], &QPushButton::clicked, this, [this, d] {
            machine.digit(QChar(u'0' + d));
            refresh();
        });
    }
    m_comma = new QPushButton(QStringLiteral(","), this);
    m_comma->setFocusPolicy(Qt::ClickFocus);
    m_comma->installEventFilter(this);
    grid->addWidget(m_comma, 3, 1);
    equalsButton = new QPushButton(QStringLiteral("="), this);
    equalsButton->installEventFilter(this);
    grid->addWidget(equalsButton, 3, 2);
    layout->addLayout(grid);
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    closeButton->setAutoDefault(false);
    closeButton->installEventFilter(this);
    layout->addWidget(closeButton);
    connect(m_comma, &QPushButton::clicked, this, [this] {
        machine.comma();
        refresh();
    });
    connect(equalsButton, &QPushButton::clicked, this, [this] {
        machine.francsToEuros = frToEuro->isChecked();
        machine.convert();
        refresh();
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(rateUp, &QToolButton::clicked, this, [this] {
        machine.rateUp();
        refresh();
    });
    connect(rateDown, &QToolButton::clicked, this, [this] {
        machine.rateDown();
        refresh();
    });
    refresh();
}

void EuroConverterWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Centred on the screen once its size is known.
    ui::centreOnScreen(this);
}

void EuroConverterWindow::refresh() {
    entryDisplay->setText(machine.entry);
    resultDisplay->setText(machine.result);
    rateField->setText(machine.rateText());
}

bool EuroConverterWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        machine.resultShown = false;
        refresh();
        equalsButton->setFocus();
    }
    return QDialog::event(e);
}

void EuroConverterWindow::keyPressEvent(QKeyEvent* e) {
    const QString t = e->text();
    if (e->key() == Qt::Key_Escape) return reject();
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return equalsButton->click();
    if (t.size() == 1 && t[0].isDigit()) return m_digits[t[0].digitValue()]->click();
    if (t == u"," || t == u".") return m_comma->click();
    machine.newEntryCheck();
    refresh();
}

bool EuroConverterWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && (watched == equalsButton || watched == closeButton)) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace desk

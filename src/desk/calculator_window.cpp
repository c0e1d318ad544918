#include "calculator_window.h"
#include "ui/errors.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace desk {

// One calculator for the program: its display and memory stay from one
// opening of the window to the next (the window's thread only).
CalculatorMachine& CalculatorWindow::machine() {
    static CalculatorMachine m;
    return m;
}

CalculatorWindow::CalculatorWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Calculatrice"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    m_display = new QLabel(this);
    m_display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_display->setMinimumHeight(30);
    QFont f = m_display->font();
    f.setPointSize(f.pointSize() + 4);
    m_display->setFont(f);
    layout->addWidget(m_display);
    auto* grid = new QGridLayout;
    const char* const rows[5][4] = {{"7", "8", "9", "/"},
                                    {"4", "5", "6", "*"},
                                    {"1", "2", "3", "-"},
                                    {"0", ",", "=", "+"},
                                    {"1/x", "sqr", "C", "Fermer"}};
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 4; ++c) {
            const QString caption = QString::fromLatin1(rows[r][c]);
            auto* b = new QPushButton(caption, this);
            b->setAutoDefault(true);
            m_buttons[caption] = b;
            grid->addWidget(b, r, c);
            if (caption == u"1/x" || caption == u"sqr")
                b->setFocusPolicy(Qt::ClickFocus); // these take no keys
            else
                b->installEventFilter(this);
            connect(b, &QPushButton::clicked, this, [this, caption] { press(caption); });
        }
    }
    layout->addLayout(grid);
    setFixedSize(sizeHint());
}

void CalculatorWindow::press(const QString& caption) {
    CalculatorMachine& m = machine();
    ui::runCommand([&] {
        const QChar c = caption.size() == 1 ? caption[0] : QChar();
        if (c.isDigit())
            m.digit(c);
        else if (caption == u",")
            m.comma();
        else if (caption == u"=")
            m.equals();
        else if (QStringLiteral("+-*/").contains(c) && !c.isNull())
            m.op(c);
        else if (caption == u"1/x")
            m.reciprocal();
        else if (caption == u"sqr")
            m.squareRoot();
        else if (caption == u"C") {
            m.clear();
            m_buttons[QStringLiteral("=")]->setFocus();
        } else if (caption == u"Fermer")
            reject();
    });
    refresh();
}

void CalculatorWindow::refresh() {
    m_display->setText(machine().display);
}

bool CalculatorWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        machine().clear();
        refresh();
        m_buttons[QStringLiteral("=")]->setFocus();
    }
    return QDialog::event(e);
}

void CalculatorWindow::keyPressEvent(QKeyEvent* e) {
    const QString t = e->text();
    static const QMap<QString, QString> keys = {
        {".", ","},   {",", ","},   {"+", "+"},   {"-", "-"},   {"*", "*"}, {"/", "/"}, {"=", "="},
        {"x", "1/x"}, {"X", "1/x"}, {"s", "sqr"}, {"S", "sqr"}, {"c", "C"}, {"C", "C"}};
    if (e->key() == Qt::Key_Escape) return reject();
    if (t.size() == 1 && t[0].isDigit()) return press(t);
    if (keys.contains(t)) return press(keys[t]);
    QDialog::keyPressEvent(e); // Enter clicks the focused button
}

bool CalculatorWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter && k->key() != Qt::Key_Space &&
            k->key() != Qt::Key_Tab && k->key() != Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace desk

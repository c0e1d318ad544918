#include "cpu_speed_window.h"
#include "cpu_memory.h"
#include "ui/window_parts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace sysinfo {

CpuSpeedWindow::CpuSpeedWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Vitesse CPU"));
    measure = [] { return measureMhz(); };
    auto* layout = new QVBoxLayout(this);
    auto* text =
        new QLabel(QStringLiteral("Mesure la vitesse de votre CPU. Valable uniquement avec "
                                  "un microprocessuer Pentium ou au delà."),
                   this);
    text->setWordWrap(true);
    TypeLabel = new QLabel(this);
    SpeedLabel = new QLabel(QStringLiteral("Vitesse CPU :  MHz"), this);
    layout->addWidget(text);
    layout->addWidget(TypeLabel);
    layout->addWidget(SpeedLabel);
    auto* buttons = new QHBoxLayout;
    Start = new QPushButton(QStringLiteral("Démarrer"), this);
    StopButton = new QPushButton(QStringLiteral("Stop"), this);
    Close = new QPushButton(QStringLiteral("Fermer"), this);
    StopButton->setEnabled(false);
    for (QPushButton* b : {Start, StopButton, Close}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    resize(360, 150);
    connect(Start, &QPushButton::clicked, this, &CpuSpeedWindow::Demarrer);
    connect(StopButton, &QPushButton::clicked, this, &CpuSpeedWindow::Stop);
    connect(Close, &QPushButton::clicked, this, &QDialog::accept);
}

CpuSpeedWindow::~CpuSpeedWindow() {
    m_stop = true;
    m_loop.waitForFinished();
}

void CpuSpeedWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    TypeLabel->setText(QStringLiteral("Type de CPU : ") + processorType());
    ui::centreOnScreen(this);
}

void CpuSpeedWindow::Demarrer() {
    Start->setEnabled(false);
    Close->setEnabled(false);
    StopButton->setEnabled(true);
    m_stop = false;
    if (m_loop.isRunning()) return; // the loop under way carries on
    const auto measureOnce = measure;
    m_loop = QtConcurrent::run([this, measureOnce] {
        while (!m_stop) {
            const double mhz = measureOnce();
            QMetaObject::invokeMethod(
                this, [this, mhz] { measured(mhz); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this, [this] { loopEnded(); }, Qt::QueuedConnection);
    });
}

void CpuSpeedWindow::measured(double mhz) {
    SpeedLabel->setText(speedText(mhz));
}

void CpuSpeedWindow::loopEnded() {
    // "Démarrer" pressed again just as the loop was ending.
    if (!m_stop && !m_loop.isRunning()) {
        m_stop = true;
        Demarrer();
    }
}

void CpuSpeedWindow::Stop() {
    m_stop = true;
    Start->setEnabled(true);
    Close->setEnabled(true);
    StopButton->setEnabled(false);
}

// While measuring, only "Stop" ends the run: the window stays.
void CpuSpeedWindow::closeEvent(QCloseEvent* e) {
    if (!Close->isEnabled()) return e->ignore();
    QDialog::closeEvent(e);
}

void CpuSpeedWindow::reject() {
    if (Close->isEnabled()) QDialog::reject();
}

} // namespace sysinfo

#include "cpu_speed_window.h"
#include "cpu_memory.h"
#include "cpu_speed_job.h"
#include "ui/window_parts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
    typeLabel = new QLabel(this);
    speedLabel = new QLabel(QStringLiteral("Vitesse CPU :  MHz"), this);
    layout->addWidget(text);
    layout->addWidget(typeLabel);
    layout->addWidget(speedLabel);
    auto* buttons = new QHBoxLayout;
    startButton = new QPushButton(QStringLiteral("Démarrer"), this);
    stopButton = new QPushButton(QStringLiteral("Stop"), this);
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    stopButton->setEnabled(false);
    for (QPushButton* b : {startButton, stopButton, closeButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    resize(360, 150);
    connect(startButton, &QPushButton::clicked, this, &CpuSpeedWindow::start);
    connect(stopButton, &QPushButton::clicked, this, &CpuSpeedWindow::stop);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

CpuSpeedWindow::~CpuSpeedWindow() = default; // the job stops with the window

void CpuSpeedWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    typeLabel->setText(QStringLiteral("Type de CPU : ") + processorType());
    ui::centreOnScreen(this);
}

void CpuSpeedWindow::start() {
    startButton->setEnabled(false);
    closeButton->setEnabled(false);
    stopButton->setEnabled(true);
    m_job = std::make_unique<CpuSpeedJob>(measure, [this](double mhz) { measured(mhz); });
    m_job->start();
}

void CpuSpeedWindow::measured(double mhz) {
    speedLabel->setText(speedText(mhz));
}

void CpuSpeedWindow::stop() {
    // The measurement under way ends on its own, and is not shown.
    if (m_job) m_job->cancel();
    startButton->setEnabled(true);
    closeButton->setEnabled(true);
    stopButton->setEnabled(false);
}

// While measuring, only "Stop" ends the run: the window stays.
void CpuSpeedWindow::closeEvent(QCloseEvent* e) {
    if (!closeButton->isEnabled()) return e->ignore();
    QDialog::closeEvent(e);
}

void CpuSpeedWindow::reject() {
    if (closeButton->isEnabled()) QDialog::reject();
}

} // namespace sysinfo

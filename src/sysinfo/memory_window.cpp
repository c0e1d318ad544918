#include "memory_window.h"
#include "cpu_memory.h"
#include "ui/window_parts.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sysinfo {

namespace {
const char* const kMemoryCaptions[] = {"Mémoire totale", "Mémoire utilisée ", "Mémoire libre",
                                       "Mémoire virtuelle"};
}

MemoryWindow::MemoryWindow(QWidget* parent, QString procRoot)
    : QDialog(parent), m_procRoot(std::move(procRoot)) {
    setWindowTitle(QStringLiteral("Mémoire"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(kMemoryCaptions[i]), this), i, 0);
        m_values[i] = new QLabel(this);
        m_values[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(m_values[i], i, 1);
    }
    layout->addLayout(grid);
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(300, 160);
}

void MemoryWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    const MemoryStatus m = readMemory(m_procRoot);
    m_values[0]->setText(QString::number(m.totalKo) + QStringLiteral(" Ko"));
    m_values[1]->setText(QString::number(m.load) + QStringLiteral(" %"));
    m_values[2]->setText(QString::number(m.freeKo) + QStringLiteral(" Ko"));
    m_values[3]->setText(QString::number(m.virtualKo) + QStringLiteral(" Ko"));
    ui::centreOnScreen(this);
}

QString MemoryWindow::value(int row) const {
    return row >= 0 && row < 4 ? m_values[row]->text() : QString();
}

} // namespace sysinfo

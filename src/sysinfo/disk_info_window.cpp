#include "disk_info_window.h"
#include "platform/platform.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sysinfo {

namespace {
const char* const kCaptions[] = {"Nom du volume",     "Type de disque",      "Taille du disque",
                                 "Espace libre",      "Système de fichiers", "Numéro de série",
                                 "Octets par cluster"};
}

DiskInfoWindow::DiskInfoWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Informations disque"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (const char* c : kCaptions) {
        auto* v = new QLabel(this);
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_values[QString::fromUtf8(c)] = v;
        form->addRow(QString::fromUtf8(c), v);
    }
    layout->addLayout(form);
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void DiskInfoWindow::init(const QString& path) {
    const QChar letter = platform::Platform::instance().driveOf(path);
    if (DiskInfo::ready(letter)) diskInfo.setDisk(letter);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + letter);
}

void DiskInfoWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    fill();
}

void DiskInfoWindow::fill() {
    m_values[QStringLiteral("Nom du volume")]->setText(diskInfo.volumeLabel);
    m_values[QStringLiteral("Type de disque")]->setText(
        DiskInfo::driveTypeText(diskInfo.driveType));
    m_values[QStringLiteral("Taille du disque")]->setText(QString::number(diskInfo.diskSize));
    m_values[QStringLiteral("Espace libre")]->setText(QString::number(diskInfo.diskFree));
    m_values[QStringLiteral("Système de fichiers")]->setText(diskInfo.fileSystem);
    m_values[QStringLiteral("Numéro de série")]->setText(QString::number(diskInfo.serialNumber));
    platform::DiskSpace space;
    platform::Platform::instance().diskFreeSpace(diskInfo.disk(), space);
    m_values[QStringLiteral("Octets par cluster")]->setText(QString::number(space.clusterSize()));
}

QString DiskInfoWindow::value(const QString& caption) const {
    QLabel* l = m_values.value(caption);
    return l ? l->text() : QString();
}

} // namespace sysinfo

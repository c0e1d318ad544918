#include "exports_window.h"
#include "exports.h"
#include "ui/window_parts.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace sysinfo {

ExportsWindow::ExportsWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Voir DLL"));
    auto* layout = new QVBoxLayout(this);
    QPushButton* close = nullptr;
    layout->addWidget(ui::closeBar(this, close));
    fileLabel = new QLabel(this);
    layout->addWidget(fileLabel);
    exportList = new QListWidget(this);
    exportList->setUniformItemSizes(true);
    layout->addWidget(exportList, 1);
    resize(420, 460);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void ExportsWindow::init(const QString& name, const QString& folder) {
    m_name = name;
    m_folder = folder;
    fileLabel->setText(name);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + QFileInfo(name).fileName());
}

void ExportsWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    listExports();
    ui::centreOnScreen(this);
}

void ExportsWindow::listExports() {
    exportList->clear();
    const QString path = QDir(m_folder).absoluteFilePath(m_name);
    if (!QFileInfo::exists(path)) return;
    exportList->addItems(exportedNamesOfFile(path));
}

} // namespace sysinfo

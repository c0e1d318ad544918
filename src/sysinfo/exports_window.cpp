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
    FileName = new QLabel(this);
    layout->addWidget(FileName);
    ListBox1 = new QListWidget(this);
    ListBox1->setUniformItemSizes(true);
    layout->addWidget(ListBox1, 1);
    resize(420, 460);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void ExportsWindow::Init(const QString& name, const QString& folder) {
    m_name = name;
    m_folder = folder;
    FileName->setText(name);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + QFileInfo(name).fileName());
}

void ExportsWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Fonctions();
    ui::centreOnScreen(this);
}

void ExportsWindow::Fonctions() {
    ListBox1->clear();
    const QString path = QDir(m_folder).absoluteFilePath(m_name);
    if (!QFileInfo::exists(path)) return;
    ListBox1->addItems(exportedNamesOfFile(path));
}

} // namespace sysinfo

#include "TDbase.h"
#include "DbfGridModel.h"
#include "ui/errors.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace viewers {

namespace {
constexpr int kBarHeight = 33;
}

TDbase::TDbase(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Fichier dBase"));
    setWindowFlags(windowFlags() | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    resize(640, 420);
    auto* bar = new QWidget(this);
    bar->setFixedHeight(kBarHeight);
    Button1 = new QPushButton(QStringLiteral("Fermer"), bar);
    Button1->setAutoDefault(false);
    StringGrid1 = new QTableView(this);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setShowGrid(true);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(20);
    StringGrid1->verticalHeader()->setFixedWidth(40); // column 0
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(StringGrid1, 1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
}

TDbase::~TDbase() {
    // The grid goes before the table it reads.
    StringGrid1->setModel(nullptr);
    delete m_model;
}

void TDbase::Charge() {
    m_loaded = true;
    if (m_fileName.isEmpty() || !QFileInfo::exists(m_fileName)) return; // an empty grid
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    XBase1.setFilename(m_fileName);
    XBase1.setActive(true);
    // Reading errors met while cells are shown are reported once each, after the paint.
    m_model = new DbfGridModel(
        XBase1,
        [this](const QString& text) {
            QTimer::singleShot(0, this, [text] { ui::reportError(ui::TavError(text)); });
        },
        this);
    StringGrid1->setModel(m_model);
    for (int k = 1; k < m_model->gridColumns(); ++k)
        StringGrid1->setColumnWidth(k - 1, 5 * XBase1.FieldLength(k));
}

void TDbase::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_loaded) return;
    ui::runCommand([this] { Charge(); });
}

void TDbase::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    Button1->move(std::max(0, width() - 100), 4);
}

void TDbase::done(int r) {
    XBase1.setActive(false); // closing the window closes the table
    QDialog::done(r);
}

} // namespace viewers

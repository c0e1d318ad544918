#include "dbase_window.h"
#include "dbf_grid_model.h"
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
constexpr qint64 kShownMemo = 4096; // bytes of a memo a cell shows
} // namespace

DbaseWindow::DbaseWindow(QWidget* parent) : QDialog(parent) {
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

DbaseWindow::~DbaseWindow() {
    // The grid goes before the table it reads.
    StringGrid1->setModel(nullptr);
    delete m_model;
}

void DbaseWindow::Charge() {
    m_loaded = true;
    if (m_fileName.isEmpty() || !QFileInfo::exists(m_fileName)) return; // an empty grid
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    XBase1.setFilename(m_fileName);
    XBase1.setMemoLimit(kShownMemo);
    XBase1.setActive(true);
    // Reading errors met while cells are shown are reported once each, after the paint.
    m_model = new DbfGridModel(
        XBase1, [this](const QString& text) { reportLater(text); }, this);
    StringGrid1->setModel(m_model);
    // Each column starts at 5 pixels a character of its field and grows to
    // its header and to the widest value of the first screen (up to half
    // the grid), so that numbers and names read whole; the user may still
    // size it.
    QHeaderView* header = StringGrid1->horizontalHeader();
    const int widest = std::max(200, StringGrid1->viewport()->width() / 2);
    for (int k = 1; k < m_model->gridColumns(); ++k) {
        const int set = 5 * XBase1.FieldLength(k);
        const int fit =
            std::max(header->sectionSizeHint(k - 1),
                     static_cast<QAbstractItemView*>(StringGrid1)->sizeHintForColumn(k - 1));
        StringGrid1->setColumnWidth(k - 1, std::max(set, std::min(fit, widest)));
    }
}

// The table is read once the window has been drawn, so that a box telling
// of a damaged table comes over the window, not before it.
bool DbaseWindow::event(QEvent* e) {
    const bool done = QDialog::event(e);
    if (e->type() == QEvent::Paint && !m_loaded && !m_loadScheduled) {
        m_loadScheduled = true;
        QTimer::singleShot(0, this, [this] { ui::runCommand([this] { Charge(); }); });
    }
    return done;
}

void DbaseWindow::reportLater(const QString& text) {
    m_pending << text;
    if (!m_reporting) QTimer::singleShot(0, this, [this] { showPending(); });
}

// One box at a time: an error met while a box is up waits for it to close.
void DbaseWindow::showPending() {
    if (m_reporting) return;
    m_reporting = true;
    while (!m_pending.isEmpty())
        ui::reportError(ui::TavError(m_pending.takeFirst()));
    m_reporting = false;
}

void DbaseWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    Button1->move(std::max(0, width() - 100), 4);
}

void DbaseWindow::done(int r) {
    XBase1.setActive(false); // closing the window closes the table
    QDialog::done(r);
}

} // namespace viewers

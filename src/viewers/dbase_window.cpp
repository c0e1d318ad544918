#include "dbase_window.h"
#include "dbf_grid_model.h"
#include "platform/platform.h"
#include "ui/errors.h"
#include "ui/job_progress.h"

#include <QApplication>
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
    closeButton = new QPushButton(QStringLiteral("Fermer"), bar);
    closeButton->setAutoDefault(false);
    grid = new QTableView(this);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setShowGrid(true);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->verticalHeader()->setFixedWidth(40); // column 0
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(grid, 1);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

DbaseWindow::~DbaseWindow() {
    // The grid goes before the table it reads.
    grid->setModel(nullptr);
    delete m_model;
}

void DbaseWindow::load() {
    m_loaded = true;
    platform::Platform& p = platform::Platform::instance();
    const auto open = [this, &p] {
        if (m_fileName.isEmpty() || !p.isFile(m_fileName)) return false; // an empty grid
        table.setFilename(m_fileName);
        table.setMemoLimit(kShownMemo);
        table.setActive(true);
        return true;
    };
    bool opened = false;
    if (p.onNetworkVolume(m_fileName)) {
        // A share's table is opened off the window, which keeps answering
        // while its server does not; Escape stops the wait (an empty grid).
        if (!ui::runUnlessStopped([&] { opened = open(); }, this, QStringLiteral("Ouvrir"))) return;
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        opened = open();
    }
    if (!opened) return;
    // Reading errors met while cells are shown are reported once each, after the paint.
    m_model = new DbfGridModel(
        table, [this](const QString& text) { reportLater(text); }, this);
    grid->setModel(m_model);
    // Each column starts at 5 pixels a character of its field and grows to
    // its header and to the widest value of the first screen (up to half
    // the grid), so that numbers and names read whole; the user may still
    // size it.
    QHeaderView* header = grid->horizontalHeader();
    const int widest = std::max(200, grid->viewport()->width() / 2);
    for (int k = 1; k < m_model->gridColumns(); ++k) {
        const int set = 5 * table.fieldLength(k);
        const int fit = std::max(header->sectionSizeHint(k - 1),
                                 static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(k - 1));
        grid->setColumnWidth(k - 1, std::max(set, std::min(fit, widest)));
    }
}

// The table is read once the window has been drawn, so that a box telling
// of a damaged table comes over the window, not before it.
bool DbaseWindow::event(QEvent* e) {
    const bool done = QDialog::event(e);
    if (e->type() == QEvent::Paint && !m_loaded && !m_loadScheduled) {
        m_loadScheduled = true;
        QTimer::singleShot(0, this, [this] { ui::runCommand([this] { load(); }); });
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
    closeButton->move(std::max(0, width() - 100), 4);
}

void DbaseWindow::done(int r) {
    table.setActive(false); // closing the window closes the table
    QDialog::done(r);
}

} // namespace viewers

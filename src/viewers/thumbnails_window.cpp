#include "thumbnails_window.h"
#include "picture_window.h"
#include "thumbnail_job.h"
#include "ui/errors.h"
#include "ui/modal_runner.h"
#include "ui/window_parts.h"

#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

namespace viewers {

namespace {
constexpr int kTop = 36, kAcross = 164, kDown = 134, kColumns = 4;
} // namespace

// ---- picture box ----

// A slot takes the focus, so the pictures can be gone through with the
// arrows and opened with Enter.
PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT doubleClicked();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        Q_EMIT arrow(e->key());
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

void PictureBox::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update();
}

void PictureBox::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}

void PictureBox::setThumbnail(const Thumbnail& t) {
    setGeometry(t.fit.box);
    m_image = t.shown ? t.image : QImage();
    update();
}

void PictureBox::clear() {
    m_image = QImage();
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Box-sized when stretched; else natural size, centred and cut off.
    if (!m_image.isNull())
        p.drawImage(QPoint((width() - m_image.width()) / 2, (height() - m_image.height()) / 2),
                    m_image);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent*) {
    Q_EMIT doubleClicked();
}

// ---- browser ----

ThumbnailsWindow::ThumbnailsWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Parcourir"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(kColumns * kAcross + 4, kTop + 3 * kDown + 2);
    const QStyle::StandardPixmap glyphs[] = {
        QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward, QStyle::SP_MediaSeekForward,
        QStyle::SP_MediaSkipForward};
    const char* hints[] = {"Première page", "Page précédente", "Page suivante", "Dernière page"};
    QToolButton** buttons[] = {&firstButton, &previousButton, &nextButton, &lastButton};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(glyphs[i]));
        b->setToolTip(QString::fromUtf8(hints[i]));
        b->setGeometry(4 + i * 30, 4, 28, 28);
        b->setAccessibleName(QString::fromUtf8(hints[i]));
        *buttons[i] = b;
    }
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    closeButton->setGeometry(width() - 100, 5, 90, 26);
    closeButton->setAutoDefault(false);
    for (int k = 0; k < kSlots; ++k) {
        auto* panel = new QFrame(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setGeometry(2 + (k % kColumns) * kAcross, kTop + (k / kColumns) * kDown, kPanelWidth,
                           kPanelHeight);
        m_pictures[k] = new PictureBox(panel);
        m_pictures[k]->setGeometry(1, 1, kPanelWidth - 2, kPanelHeight - 16);
        m_captions[k] = new QLabel(panel);
        m_captions[k]->setAlignment(Qt::AlignCenter);
        m_captions[k]->setGeometry(0, kPanelHeight - kCaptionHeight, kPanelWidth, kCaptionHeight);
        connect(m_pictures[k], &PictureBox::doubleClicked, this,
                [this, k] { doubleClicked(k + 1); });
        connect(m_pictures[k], &PictureBox::arrow, this, [this, k](int key) { moveFrom(k, key); });
    }
    connect(firstButton, &QToolButton::clicked, this, &ThumbnailsWindow::showFirstPage);
    connect(previousButton, &QToolButton::clicked, this, &ThumbnailsWindow::showPreviousPage);
    connect(nextButton, &QToolButton::clicked, this, &ThumbnailsWindow::showNextPage);
    connect(lastButton, &QToolButton::clicked, this, &ThumbnailsWindow::showLastPage);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(new QShortcut(QKeySequence(Qt::Key_PageUp), this), &QShortcut::activated, this,
            &ThumbnailsWindow::showPreviousPage);
    connect(new QShortcut(QKeySequence(Qt::Key_PageDown), this), &QShortcut::activated, this,
            &ThumbnailsWindow::showNextPage);
}

ThumbnailsWindow::~ThumbnailsWindow() = default; // each job stops with it

void ThumbnailsWindow::init(const QStringList& list) {
    m_list = list;
    m_start = 0;
    m_chosen = -1;
}

void ThumbnailsWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    ui::centreOnScreen(this);
    showPage();
    m_pictures[0]->setFocus(Qt::OtherFocusReason);
}

void ThumbnailsWindow::closeEvent(QCloseEvent* e) {
    stopJobs();
    m_list.clear();
    QDialog::closeEvent(e);
}

// Closed (Escape, "Fermer"): no picture is started any more, and those on
// their way are dropped.
void ThumbnailsWindow::done(int r) {
    stopJobs();
    QDialog::done(r);
}

void ThumbnailsWindow::stopJobs() {
    ++m_generation;
    for (const auto& job : m_jobs)
        job->cancel();
    m_decoding.clear();
}

// Runs the thumbnails of `paths` as one job; the job goes when it has ended.
void ThumbnailsWindow::startJob(const QStringList& paths,
                                std::function<void(const Thumbnail&)> ready) {
    m_jobs.push_back(std::make_unique<ThumbnailJob>(paths, std::move(ready)));
    ThumbnailJob* job = m_jobs.back().get();
    job->start([this, job] {
        for (auto i = m_jobs.begin(); i != m_jobs.end(); ++i)
            if (i->get() == job) {
                m_jobs.erase(i);
                break;
            }
    });
}

PictureBox* ThumbnailsWindow::picture(int k) const {
    return k >= 1 && k <= kSlots ? m_pictures[k - 1] : nullptr;
}

QLabel* ThumbnailsWindow::caption(int k) const {
    return k >= 1 && k <= kSlots ? m_captions[k - 1] : nullptr;
}

void ThumbnailsWindow::showPage() {
    ++m_generation;
    m_pending = 0;
    m_errors.clear();
    for (int k = 0; k < kSlots; ++k) {
        m_pictures[k]->clear();
        m_pictures[k]->setGeometry(1, 1, kPanelWidth - 2, kPanelHeight - 16);
        m_captions[k]->clear();
    }
    QHash<QString, QList<int>> slotsOf; // the pictures to make, and their slots
    for (int k = 1; k <= kSlots; ++k) {
        const int i = m_start + k - 1;
        if (i >= m_list.size()) break;
        const QString& entry = m_list[i];
        if (!isShown(entry)) continue; // its slot stays empty, the next is still filled
        m_captions[k - 1]->setText(QFileInfo(entry).fileName());
        if (const Thumbnail* cached = m_cache.object(entry))
            place(k, *cached);
        else
            slotsOf[entry] << k;
    }
    m_pending = int(slotsOf.size());
    if (m_pending == 0) return pageDone();
    // Each slot is painted as soon as its picture is ready.
    const int generation = m_generation;
    startJob(slotsOf.keys(), [this, generation, slotsOf](const Thumbnail& t) {
        m_cache.insert(t.path, new Thumbnail(t), 1);
        if (generation != m_generation) return; // the page has changed since
        for (int k : slotsOf.value(t.path))
            place(k, t);
        if (!t.error.isEmpty()) m_errors << t.error;
        if (--m_pending == 0) pageDone();
    });
}

void ThumbnailsWindow::place(int k, const Thumbnail& t) {
    m_pictures[k - 1]->setThumbnail(t);
}

// Once the page is complete: its errors reported once, the next page read ahead.
void ThumbnailsWindow::pageDone() {
    Q_EMIT pageShown();
    if (!m_errors.isEmpty()) {
        const QString text = m_errors.join(u'\n');
        m_errors.clear();
        ui::reportError(core::TavError(text));
    }
    prefetch(m_start + kSlots);
}

void ThumbnailsWindow::prefetch(int start) {
    QStringList paths;
    for (int i = start; i < std::min<int>(start + kSlots, int(m_list.size())); ++i) {
        const QString path = m_list[i];
        if (!isShown(path) || m_cache.contains(path) || m_decoding.contains(path)) continue;
        m_decoding.insert(path);
        paths << path;
    }
    if (paths.isEmpty()) return;
    startJob(paths, [this](const Thumbnail& t) {
        m_decoding.remove(t.path);
        m_cache.insert(t.path, new Thumbnail(t), 1);
    });
}

void ThumbnailsWindow::showFirstPage() {
    m_start = 0;
    showPage();
}

void ThumbnailsWindow::showPreviousPage() {
    m_start = std::max(0, m_start - kSlots);
    showPage();
}

void ThumbnailsWindow::showNextPage() {
    m_start += kSlots;
    if (m_start > m_list.size() - kSlots) m_start = int(m_list.size()) - kSlots;
    m_start = std::max(0, m_start);
    showPage();
}

void ThumbnailsWindow::showLastPage() {
    m_start = std::max(0, int(m_list.size()) - kSlots);
    showPage();
}

// Only a slot that shows a picture opens it; an empty slot does nothing.
// The arrows go from slot to slot, along the rows and down the columns.
void ThumbnailsWindow::moveFrom(int k, int key) {
    const int step = key == Qt::Key_Left    ? -1
                     : key == Qt::Key_Right ? 1
                     : key == Qt::Key_Up    ? -kColumns
                                            : kColumns;
    const int next = k + step;
    if (next >= 0 && next < kSlots) m_pictures[next]->setFocus(Qt::OtherFocusReason);
}

void ThumbnailsWindow::doubleClicked(int k) {
    const int index = m_start + k - 1;
    if (index >= m_list.size() || !m_pictures[k - 1]->hasPicture()) return;
    m_chosen = index;
    ui::runCommand([this] { zoom(); });
}

void ThumbnailsWindow::zoom() {
    if (m_chosen < 0 || m_chosen >= m_list.size()) return;
    PictureWindow viewer(this);
    viewer.init(m_list[m_chosen]);
    viewer.setList(m_list);
    ui::runModal(&viewer);
}

} // namespace viewers

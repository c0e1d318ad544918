#include "system_windows.h"
#include "applications.h"
#include "cpu_memory.h"
#include "exports.h"
#include "system_facts.h"
#include "ui/window_parts.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace sysinfo {

// ---- Vitesse CPU ----

TFormCPUSpeed::TFormCPUSpeed(QWidget* parent) : QDialog(parent) {
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
    connect(Start, &QPushButton::clicked, this, &TFormCPUSpeed::Demarrer);
    connect(StopButton, &QPushButton::clicked, this, &TFormCPUSpeed::Stop);
    connect(Close, &QPushButton::clicked, this, &QDialog::accept);
}

TFormCPUSpeed::~TFormCPUSpeed() {
    m_stop = true;
    m_loop.waitForFinished();
}

void TFormCPUSpeed::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    TypeLabel->setText(QStringLiteral("Type de CPU : ") + processorType());
    ui::centreOnScreen(this);
}

void TFormCPUSpeed::Demarrer() {
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

void TFormCPUSpeed::measured(double mhz) {
    SpeedLabel->setText(speedText(mhz));
}

void TFormCPUSpeed::loopEnded() {
    // "Démarrer" pressed again just as the loop was ending.
    if (!m_stop && !m_loop.isRunning()) {
        m_stop = true;
        Demarrer();
    }
}

void TFormCPUSpeed::Stop() {
    m_stop = true;
    Start->setEnabled(true);
    Close->setEnabled(true);
    StopButton->setEnabled(false);
}

// While measuring, only "Stop" ends the run: the window stays.
void TFormCPUSpeed::closeEvent(QCloseEvent* e) {
    if (!Close->isEnabled()) return e->ignore();
    QDialog::closeEvent(e);
}

void TFormCPUSpeed::reject() {
    if (Close->isEnabled()) QDialog::reject();
}

// ---- Mémoire ----

namespace {
const char* const kMemoryCaptions[] = {"Mémoire totale", "Mémoire utilisée ", "Mémoire libre",
                                       "Mémoire virtuelle"};
}

TMem::TMem(QWidget* parent, QString procRoot) : QDialog(parent), m_procRoot(std::move(procRoot)) {
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

void TMem::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    const MemoryStatus m = readMemory(m_procRoot);
    m_values[0]->setText(QString::number(m.totalKo) + QStringLiteral(" Ko"));
    m_values[1]->setText(QString::number(m.load) + QStringLiteral(" %"));
    m_values[2]->setText(QString::number(m.freeKo) + QStringLiteral(" Ko"));
    m_values[3]->setText(QString::number(m.virtualKo) + QStringLiteral(" Ko"));
    ui::centreOnScreen(this);
}

QString TMem::value(int row) const {
    return row >= 0 && row < 4 ? m_values[row]->text() : QString();
}

// ---- Infos Système ----

TInfoSys::TInfoSys(QWidget* parent, QString root) : QDialog(parent), m_root(std::move(root)) {
    setWindowTitle(QStringLiteral("Infos Système"));
    auto* layout = new QVBoxLayout(this);
    QPushButton* close = nullptr;
    layout->addWidget(ui::closeBar(this, close));
    auto* grid = new QGridLayout;
    const QStringList rows[] = {{"Bios date", "Bios nom", "Bios version"},
                                {"Nom de la machine", "Organisme"},
                                {"", "Version", "Ecran"},
                                {"Cd Audio", "WorkGroup"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            const QString& caption = rows[r][c];
            if (!caption.isEmpty() && caption != u"Ecran")
                grid->addWidget(new QLabel(caption, this), r, c * 2);
            auto* v = new QLabel(this);
            v->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(v, r, c * 2 + 1);
            m_values[caption.isEmpty() ? QStringLiteral("Version système") : caption] = v;
        }
    layout->addLayout(grid);
    Environment = new QPlainTextEdit(this);
    Environment->setReadOnly(true);
    Environment->setLineWrapMode(QPlainTextEdit::NoWrap);
    Environment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Environment, 1);
    resize(620, 420);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void TInfoSys::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    fill();
    ui::centreOnScreen(this);
}

void TInfoSys::fill() {
    const TWinInfo info(m_root);
    m_values[QStringLiteral("Bios date")]->setText(info.BiosDate);
    m_values[QStringLiteral("Bios nom")]->setText(info.BiosName);
    m_values[QStringLiteral("Bios version")]->setText(info.BiosVer);
    m_values[QStringLiteral("Nom de la machine")]->setText(info.ComputerName);
    m_values[QStringLiteral("Organisme")]->setText(info.RegisteredOrganization);
    m_values[QStringLiteral("Version système")]->setText(info.Version);
    m_values[QStringLiteral("Version")]->setText(info.VersionNumber);
    QSize screen;
    if (QScreen* s = QGuiApplication::primaryScreen())
        screen = s->geometry().size() * s->devicePixelRatio();
    m_values[QStringLiteral("Ecran")]->setText(
        QStringLiteral("Ecran %1 x %2").arg(screen.width()).arg(screen.height()));
    const bool audio = audioCdPresent(opticalDrives(m_root));
    m_values[QStringLiteral("Cd Audio")]->setText(audio ? QStringLiteral("Oui")
                                                        : QStringLiteral("Non"));
    m_values[QStringLiteral("WorkGroup")]->setText(info.Workgroup);
    Environment->setPlainText(environmentLines().join(u'\n'));
}

QString TInfoSys::value(const QString& caption) const {
    const QLabel* l = m_values.value(caption);
    return l ? l->text() : QString();
}

// ---- Applications installées, Taches ----

TTextList::TTextList(const QString& title, std::function<QStringList()> lines, QWidget* parent)
    : QDialog(parent), m_lines(std::move(lines)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    QPushButton* close = nullptr;
    layout->addWidget(ui::closeBar(this, close));
    Text = new QPlainTextEdit(this);
    Text->setReadOnly(true);
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setTabStopDistance(QFontMetricsF(Text->font()).horizontalAdvance(u'x') * 40);
    layout->addWidget(Text, 1);
    resize(600, 420);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TTextList::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Text->setPlainText(m_lines().join(u'\n'));
    Text->moveCursor(QTextCursor::Start);
    ui::centreOnScreen(this);
}

// ---- Voir DLL ----

TVoirdll::TVoirdll(QWidget* parent) : QDialog(parent) {
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

void TVoirdll::Init(const QString& name, const QString& folder) {
    m_name = name;
    m_folder = folder;
    FileName->setText(name);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + QFileInfo(name).fileName());
}

void TVoirdll::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Fonctions();
    ui::centreOnScreen(this);
}

void TVoirdll::Fonctions() {
    ListBox1->clear();
    const QString path = QDir(m_folder).absoluteFilePath(m_name);
    if (!QFileInfo::exists(path)) return;
    ListBox1->addItems(exportedNamesOfFile(path));
}

} // namespace sysinfo

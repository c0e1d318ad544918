#include "main_window.h"
#include "about_dialog.h"
#include "desk/commands.h"
#include "desk/notepad_window.h"
#include "filemanager/commands.h"
#include "filemanager/file_manager_view.h"
#include "hexedit/commands.h"
#include "platform/platform.h"
#include "sysinfo/commands.h"
#include "tools/commands.h"
#include "transforms/commands.h"
#include "ui/commands.h"
#include "ui/errors.h"
#include "ui/icons.h"
#include "ui/modal_runner.h"
#include "viewers/commands.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace shell {

using filemanager::FileManagerView;

namespace {

const char* const kNotesFile = "TavTools.nte";

// The help file: installed with the program's data (the system's data
// folders), else beside the notes.
QString helpFileIn(const QString& startFolder) {
    const QString installed =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, "tavtools/TavTools.hlp");
    return installed.isEmpty() ? startFolder + QStringLiteral("/TavTools.hlp") : installed;
}

MainWindow* mainFormOf(const ui::CommandContext& c) {
    return c.parent ? qobject_cast<MainWindow*>(c.parent->window()) : nullptr;
}

// The menu bar, and the entries the main window handles itself.
void registerShellCommands(ui::CommandRegistry& r) {
    r.addMenu(QStringLiteral("&Fichier"), 10);
    r.addMenu(QStringLiteral("&Edition"), 20);
    r.addMenu(QStringLiteral("&Affichage"), 30, QStringLiteral("Liste des fichiers"));
    r.addMenu(QStringLiteral("&Système"), 40);
    r.addMenu(QStringLiteral("&Outils"), 50);
    r.addMenu(QStringLiteral("&Utilitaires"), 60);
    r.addMenu(QStringLiteral("&Aide"), 70);
    using C = ui::CommandContext;
    r.add({.id = "ConfigImprimante",
           .menu = "&Fichier",
           .position = 110,
           .caption = "Configuration i&mprimante..",
           .hint = "Configuration imprimante",
           .run = [](const C& c) {
               QPrinter printer;
               QPrintDialog dialog(&printer, c.parent);
               ui::runModal(&dialog);
           }});
    r.add({.id = "Quitter",
           .menu = "&Fichier",
           .position = 160,
           .caption = "&Quitter",
           .shortcut = "Alt+X",
           .hint = "Quitter l'application",
           .run = [](const C& c) {
               if (MainWindow* f = mainFormOf(c)) f->close();
           }});
    r.add({.id = "BlocNotes",
           .menu = "&Utilitaires",
           .position = 50,
           .caption = "&Bloc-notes",
           .hint = "Bloc notes",
           .run = [](const C& c) {
               if (MainWindow* f = mainFormOf(c)) f->showNotepad();
           }});
    r.add({.id = "APropos",
           .menu = "&Aide",
           .position = 10,
           .caption = "&A propos",
           .hint = "Informations sur le logiciels, la version",
           .run = [](const C& c) {
               if (MainWindow* f = mainFormOf(c)) f->showAbout();
           }});
}

// Every folder's commands; a new tool adds its line here.
void registerAllCommands() {
    ui::CommandRegistry& r = ui::commands();
    registerShellCommands(r);
    filemanager::registerCommands(r);
    tools::registerCommands(r);
    transforms::registerCommands(r);
    hexedit::registerCommands(r);
    viewers::registerCommands(r);
    sysinfo::registerCommands(r);
    desk::registerCommands(r);
}

QString lastPart(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Tav Tools"));
    registerAllCommands();
    m_mdi = new QMdiArea(this);
    setCentralWidget(m_mdi);
    m_tool = new FileManagerView;
    QMdiSubWindow* sub = m_mdi->addSubWindow(m_tool, Qt::FramelessWindowHint);
    sub->setAccessibleName(QStringLiteral("Gestionnaire de fichiers"));
    sub->showMaximized();
    buildMenus();
    buildToolbar();
    buildListGroup();
    buildStatusBar();
    connect(m_tool, &FileManagerView::listFocused, this, &MainWindow::enableListCommands);
    connect(m_tool, &FileManagerView::treeFocused, this, &MainWindow::disableListCommands);
    connect(m_tool, &FileManagerView::choiceChanged, this, &MainWindow::updateAvailable);
    updateAvailable();
}

void MainWindow::updateAvailable() {
    const ui::CommandContext context = m_tool->context();
    for (const auto& [action, available] : m_available)
        action->setEnabled(available(context));
}

MainWindow::~MainWindow() = default;

void MainWindow::runById(const QString& id) {
    const ui::Command* found = ui::commands().find(id);
    if (!found) return;
    const ui::Command c = *found; // the table may change while it runs
    ui::runCommand([&] {
        c.run(m_tool->context());
        if (!c.enables.isEmpty())
            if (QAction* a = m_byId.value(c.enables)) a->setEnabled(true);
    });
    if (c.checkable) {
        uncheckListStyles();
        if (QAction* a = m_byId.value(c.id)) a->setChecked(true);
    }
}

QAction* MainWindow::addEntry(QMenu* menu, const ui::Command& c) {
    auto* a = menu->addAction(c.caption);
    if (!c.shortcut.isEmpty()) a->setShortcut(QKeySequence(c.shortcut));
    if (!c.hint.isEmpty()) a->setStatusTip(c.hint);
    if (c.checkable) {
        a->setCheckable(true);
        a->setChecked(c.checked);
        m_viewEntries.append(a);
    }
    const QString id = c.id;
    connect(a, &QAction::triggered, this, [this, id] { runById(id); });
    m_actions.append(a);
    m_byId.insert(id, a);
    if (c.listGroup >= 0) m_listGroupSlots.insert(c.listGroup, a);
    if (c.available) m_available.emplace_back(a, c.available);
    if (c.separatorAfter) menu->addSeparator();
    return a;
}

void MainWindow::buildMenu(QMenu* menu, const QString& path) {
    ui::CommandRegistry& r = ui::commands();
    const QList<ui::Command> entries = r.entriesOf(path);
    const QList<ui::CommandRegistry::Menu> subs = r.subMenusOf(path);
    qsizetype e = 0, m = 0;
    // Entries and sub-menus, merged by their places.
    while (e < entries.size() || m < subs.size()) {
        if (m < subs.size() && (e == entries.size() || subs[m].position < entries[e].position)) {
            const auto& sub = subs[m++];
            QMenu* child = menu->addMenu(lastPart(sub.path));
            child->menuAction()->setStatusTip(sub.hint);
            m_actions.append(child->menuAction());
            if (sub.listGroup >= 0) m_listGroupSlots.insert(sub.listGroup, child->menuAction());
            buildMenu(child, sub.path);
            if (sub.separatorAfter) menu->addSeparator();
        } else {
            addEntry(menu, entries[e++]);
        }
    }
}

void MainWindow::buildMenus() {
    for (const auto& top : ui::commands().subMenusOf(QString())) {
        QMenu* menu = menuBar()->addMenu(top.path);
        if (!top.hint.isEmpty()) menu->menuAction()->setStatusTip(top.hint);
        buildMenu(menu, top.path);
    }
}

void MainWindow::buildToolbar() {
    QToolBar* bar = addToolBar(QStringLiteral("Outils"));
    bar->setMovable(false);
    bar->setFixedHeight(33);
    bar->setIconSize(QSize(18, 18));
    for (const ui::ToolButton& b : ui::commands().toolButtons()) {
        auto* button = new QToolButton(bar);
        button->setAutoRaise(true);
        button->setFixedSize(25, 25);
        button->setIcon(ui::actionIcon(b.iconTheme));
        button->setToolTip(b.hint);
        button->setAccessibleName(b.hint);
        button->setStatusTip(b.hint);
        const QString id = b.command;
        const bool viaMenu = b.viaMenu;
        connect(button, &QToolButton::clicked, this, [this, id, viaMenu] {
            QAction* entry = m_byId.value(id);
            if (viaMenu && entry)
                entry->trigger(); // nothing while the entry is off
            else
                runById(id);
        });
        bar->addWidget(button);
        m_toolButtons.append(button);
        if (b.listGroup >= 0) m_listGroupSlots.insert(b.listGroup, nullptr);
        if (b.separatorAfter) bar->addSeparator();
    }
}

void MainWindow::buildListGroup() {
    // The toolbar button's slot stays nullptr: it is switched beside the entries.
    m_listGroup = m_listGroupSlots.values();
}

void MainWindow::buildStatusBar() {
    m_hintPanel = new QLabel(this);
    m_clockPanel = new QLabel(this);
    m_hintPanel->setAccessibleName(QStringLiteral("Aide de la commande"));
    m_clockPanel->setAccessibleName(QStringLiteral("Heure"));
    m_clockPanel->setAlignment(Qt::AlignCenter);
    m_clockPanel->setFixedWidth(50);
    QFont small(QStringLiteral("Sans Serif"), 8);
    m_hintPanel->setFont(small);
    m_clockPanel->setFont(small);
    statusBar()->addWidget(m_hintPanel);
    statusBar()->addPermanentWidget(m_clockPanel);
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &MainWindow::tick);
    m_clock->start();
    tick();
}

void MainWindow::tick() {
    m_clockPanel->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

QAction* MainWindow::action(const QString& caption) const {
    for (QAction* a : m_actions)
        if (a->text() == caption) return a;
    return nullptr;
}

QToolButton* MainWindow::toolButton(const QString& hint) const {
    for (QToolButton* b : m_toolButtons)
        if (b->toolTip() == hint) return b;
    return nullptr;
}

void MainWindow::enableListCommands() {
    for (QAction* a : m_listGroup)
        if (a) a->setEnabled(true);
    if (QToolButton* open = toolButton(QStringLiteral("Ouvrir"))) open->setEnabled(true);
}

void MainWindow::disableListCommands() {
    for (QAction* a : m_listGroup)
        if (a) a->setEnabled(false);
    if (QToolButton* open = toolButton(QStringLiteral("Ouvrir"))) open->setEnabled(false);
}

void MainWindow::uncheckListStyles() {
    for (QAction* a : m_viewEntries)
        a->setChecked(false);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        m_hintPanel->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_hintPanel->setMinimumWidth(std::max(0, width() - 100));
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    prepareFirstShow();
}

void MainWindow::prepareFirstShow() {
    resize(width() - 10, height());
    // Without a window manager the state alone does not resize the window.
    if (QScreen* screen = this->screen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    m_startFolder = platform::Platform::instance().startFolder();
    m_helpFile = helpFileIn(m_startFolder);
    if (m_notepad)
        ui::runCommand(
            [this] { m_notepad->load(m_startFolder + u'/' + QString::fromLatin1(kNotesFile)); });
    m_tool->loadSettings(m_startFolder);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool ok = ui::runCommand([this] {
        if (m_startFolder.isEmpty()) return;
        platform::Platform& p = platform::Platform::instance();
        if (const platform::Status entered = p.setCurrentDirectory(m_startFolder); !entered)
            throw ui::InOutError(core::enterFolderErrorNumber(entered.error()));
        if (m_notepad) m_notepad->save(QString::fromLatin1(kNotesFile));
        m_tool->saveSettings();
    });
    if (!ok) {
        event->ignore(); // the program keeps running
        return;
    }
    if (m_notepad) m_notepad->hide();
    event->accept();
}

void MainWindow::showNotepad() {
    if (m_notepad) ui::runModal(m_notepad);
}

void MainWindow::showAbout() {
    AboutDialog box(this);
    ui::runModal(&box);
}

} // namespace shell

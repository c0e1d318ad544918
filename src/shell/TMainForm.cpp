#include "TMainForm.h"
#include "TAboutBox.h"
#include "desk/TBlocnotes.h"
#include "desk/TCalendrier.h"
#include "desk/TEurof.h"
#include "desk/THorloge.h"
#include "desk/TPocket.h"
#include "filemanager/TTool.h"
#include "platform/Platform.h"
#include "ui/ModalRunner.h"
#include "ui/errors.h"

#include <QAction>
#include <QActionGroup>
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
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace shell {

using filemanager::TTool;

namespace {

const char* const kNotesFile = "TavTools.nte";

// The commands enabled only while the file list has the focus, in the
// order they are switched.
const char* const kListGroup[] = {"&Ouvrir",
                                  "&Supprimer",
                                  "&Renommer...",
                                  "Co&uper",
                                  "C&opier",
                                  "Sélectionner &tout",
                                  "&Inverser la sélection",
                                  "&Propriétés",
                                  nullptr /* the Ouvrir button */,
                                  "&Parcourir images",
                                  "Editeur &hexa",
                                  "&Trier",
                                  "&Nouveau",
                                  "&Voir fichier                             Entrée",
                                  "&Fonctions d'une dll",
                                  "&Crypter...",
                                  "&Décrypter...",
                                  "F&usionner...",
                                  "C&hanger la casse...",
                                  "Extraire &texte...",
                                  "Nouveau &texte",
                                  "Nouveau &dossier",
                                  "&Chercher chaîne...",
                                  "Fixer les &attributs...",
                                  "Opti&miser disquettes",
                                  "&Effacement irréversible",
                                  "&Imprimer"};

QIcon toolbarIcon(QStyle* style, const char* theme, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(theme));
    return icon.isNull() ? style->standardIcon(fallback) : icon;
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Tav Tools"));
    m_mdi = new QMdiArea(this);
    setCentralWidget(m_mdi);
    m_tool = new TTool;
    QMdiSubWindow* sub = m_mdi->addSubWindow(m_tool, Qt::FramelessWindowHint);
    sub->showMaximized();
    buildMenus();
    buildToolbar();
    buildStatusBar();
    connect(m_tool, &TTool::listFocused, this, &TMainForm::Valide);
    connect(m_tool, &TTool::treeFocused, this, &TMainForm::Invalide);
}

TMainForm::~TMainForm() = default;

QAction* TMainForm::addEntry(QMenu* menu, const Entry& e) {
    auto* a = menu->addAction(QString::fromUtf8(e.caption));
    if (e.shortcut && *e.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
    if (e.hint) a->setStatusTip(QString::fromUtf8(e.hint));
    if (e.run) {
        auto run = e.run;
        connect(a, &QAction::triggered, this, [run] { ui::runCommand(run); });
    }
    m_actions.append(a);
    if (e.separatorAfter) menu->addSeparator();
    return a;
}

QMenu* TMainForm::addMenu(QMenu* into, const QList<Entry>& entries) {
    for (const Entry& e : entries)
        addEntry(into, e);
    return into;
}

void TMainForm::buildMenus() {
    TTool* t = m_tool;
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&Fichier"));
    QMenu* newMenu = file->addMenu(QStringLiteral("&Nouveau"));
    newMenu->menuAction()->setStatusTip(QStringLiteral("Nouveau fichier"));
    m_actions.append(newMenu->menuAction());
    addMenu(newMenu,
            {{"Nouveau &texte", nullptr, "Nouveau texte", true, [t] { t->Nouveau(); }},
             {"Nouveau &dossier", nullptr, "Nouveau dossier", true, [t] { t->NouveauDossier(); }}});
    addMenu(
        file,
        {
            {"&Ouvrir", "Ctrl+O", "Ouvrir un fichier", true, [t] { t->Ouvrirtexte(); }, true},
            {"&Renommer...", "F2", "Renommer fichier", true, [t] { t->Modif(); }},
            {"Fixer les &attributs...", nullptr, "Fixer les attributs", true, [t] { t->Fixer(); }},
            {"C&hanger la casse...", nullptr, "Changer les casse des noms de fichiers", true,
             [t] { t->chCasse(); }},
            {"Re&chercher...", nullptr, "Rechercher fichiers", false, [t] { t->Rechercher(); }},
            {"&Comparer...", nullptr, "Comparer fichiers", false, [t] { t->Comparer(); }},
            {"&Trier", nullptr, "Trier le fichier texte", true, [t] { t->Trier(); }},
            {"F&usionner...", nullptr, "Fusionner des fichiers", true, [t] { t->Fusionner(); }},
            {"Occup&ation fichiers", nullptr, "Place réellement occupée par les fichiers", false,
             [t] { t->Occupation(); }, true},
            {"Configuration i&mprimante..", nullptr, "Configuration imprimante", false,
             [this] {
                 QPrinter printer;
                 QPrintDialog dialog(&printer, this);
                 ui::runModal(&dialog);
             }},
            {"&Imprimer", nullptr, "imprimer fichier", true, [t] { t->Imprimer(); }, true},
            {"&Formater...", nullptr, "Formater disquette", false, [t] { t->Formatage(); }},
            {"Nommer &volume...", nullptr, "Donner un nom a un disque", false, [t] { t->Nommer(); },
             true},
            {"&Propriétés", nullptr, "Propriétés du fichier", true, [t] { t->Attributs(); }, true},
            {"&Quitter", "Alt+X", "Quitter l'application", false, [this] { close(); }},
        });

    QMenu* edit = bar->addMenu(QStringLiteral("&Edition"));
    addMenu(
        edit,
        {
            {"&Supprimer", "Del", "Supprimer fichiers", true, [t] { t->Efface1(); }, true},
            {"Co&uper", "Ctrl+X", "Couper", true,
             [this, t] {
                 t->Couper1();
                 action(QStringLiteral("Co&ller"))->setEnabled(true);
             }},
            {"C&opier", "Ctrl+C", "Copier", true,
             [this, t] {
                 t->Copier1();
                 action(QStringLiteral("Co&ller"))->setEnabled(true);
             }},
            {"Co&ller", "Ctrl+V", "Coller", false, [t] { t->CopyMove(); }, true},
            {"Sélectionner &tout", "Ctrl+A", "Sélectionner tout", true, [t] { t->SelectAll(); }},
            {"&Inverser la sélection", nullptr, "Inverser la sélection", true,
             [t] { t->Inverse(); }, true},
            {"&Chercher chaîne...", nullptr, "Chercher chaîne dans fichiers sélectionnés", true,
             [t] { t->Chercher(); }},
        });

    QMenu* view = bar->addMenu(QStringLiteral("&Affichage"));
    view->menuAction()->setStatusTip(QStringLiteral("Liste des fichiers"));
    auto style = [this, t](int s, const char* caption) {
        return [this, t, s, caption] {
            t->ListeStyle(s);
            Decoche();
            action(QString::fromUtf8(caption))->setChecked(true);
        };
    };
    addMenu(view,
            {{"&Actualiser", nullptr, "Actualiser l'affichage", false, [t] { t->LitRepert(); }},
             {"&Petites icônes", nullptr, "Vue petites icônes", false, style(1, "&Petites icônes")},
             {"&Liste", nullptr, "Vue liste", false, style(2, "&Liste")},
             {"&Détails", nullptr, "Vue détails", false, style(3, "&Détails")},
             {"F&iltre...", nullptr, "Filtre", false, [t] { t->Filtre1(); }}});
    for (const char* c : {"&Petites icônes", "&Liste", "&Détails"}) {
        QAction* a = action(QString::fromUtf8(c));
        a->setCheckable(true);
        m_viewEntries.append(a);
    }
    action(QStringLiteral("&Détails"))->setChecked(true);
    QMenu* sort = view->addMenu(QStringLiteral("&Trier liste"));
    sort->menuAction()->setStatusTip(QStringLiteral("Trier la liste"));
    addMenu(sort, {{"&Nom", nullptr, "Tri par nom", false, [t] { t->TriNom(); }},
                   {"&Taille", nullptr, "Tri par taille", false, [t] { t->TriTaille(); }},
                   {"&Date", nullptr, "Tri par date", false, [t] { t->TriDate(); }},
                   {"&Extension", nullptr, "Tri par extension", false, [t] { t->TriExt(); }}});
    view->addSeparator();
    addMenu(view,
            {
                {"&Parcourir images", "F7", "Visualiser les images", true, [t] { t->Parcourir(); }},
                {"&Voir fichier                             Entrée", nullptr,
                 "visualiser le fichier", true, [t] { t->ListView1DblClick(); }},
                {"&Lancer app. associée      Ctrl+Entrée", nullptr,
                 "Ouvre le fichier avec l'applicarion associée", false, [t] { t->LanceApp(); }},
                {"&Ouvrir en tant que texte", "F9", "Ouvrir comme un fichier texte", false,
                 [t] { t->Ouvrirtexte(); }},
            });

    QMenu* system = bar->addMenu(QStringLiteral("&Système"));
    addMenu(system,
            {
                {"Infos &disque", nullptr, "Informations sur le disque", false,
                 [t] { t->DiskInfos1(); }},
                {"Vitesse &CPU", nullptr, "Iformations sur le microprocesseur", false,
                 [t] { t->CpuInfos(); }},
                {"&Mémoire", nullptr, "Informations mémoire", false, [t] { t->Memoire(); }},
                {"Infos &système", nullptr, "Informations sur le système", false,
                 [t] { t->Systeme(); }},
                {"&Applications installées", nullptr, "Liste des applications installées", false,
                 [t] { t->Applications(); }},
                {"&Tâches actives", nullptr, "Liste des tâches actives", false,
                 [t] { t->Tachesactives(); }},
                {"&Fonctions d'une dll", nullptr, nullptr, true, [t] { t->FonctionsDll(); }},
                {"&Panneau de configuration", nullptr, "Montre panneau de configuration", false,
                 [t] { t->Panneau(); }},
            });

    QMenu* tools = bar->addMenu(QStringLiteral("&Outils"));
    addMenu(
        tools,
        {
            {"Editeur &hexa", nullptr, "Editeur hexadécimal", true, [t] { t->EditHex(); }},
            {"&Nettoyer disque...", nullptr, "Nettoyer le disque", false, [t] { t->Nettoyer(); }},
            {"Extraire &texte...", nullptr, "Extrait le texte d'un fichier", true,
             [t] { t->Extraire(); }},
            {"Opti&miser disquettes", nullptr, "Copie optimisant le remplissage des disquettes",
             true, [t] { t->Optimiser(); }},
            {"&Effacement irréversible", nullptr,
             "Effacer le fichier sans possibilité de récupérer", true,
             [t] { t->EffIrreversible(); }},
            {"Répertorier &support...", nullptr, "Répertorier disquette/cd rom...", false,
             [t] { t->Repertorier(); }, true},
            {"&Crypter...", nullptr, "Crypter fichiers", true, [t] { t->Crypter(1); }},
            {"&Décrypter...", nullptr, "Décrypter fichiers", true, [t] { t->Crypter(2); }, true},
            {"&Backup...", nullptr, "Sauvegardfer fichiers", false, [t] { t->Backup1(); }},
            {"&Restore...", nullptr, "Restaurer fichiers", false, [t] { t->Restore1(); }, true},
            {"Déc&ouper...", nullptr, "Decouper un fichier", false, [t] { t->Decouper1(); }},
            {"Reco&nstituer", nullptr, "Reconstituer fichier", false, [t] { t->Recoller1(); }},
        });

    QMenu* desk = bar->addMenu(QStringLiteral("&Utilitaires"));
    addMenu(desk,
            {
                {"&Calendrier", nullptr, "Calendrier", false,
                 [this] { showModal<desk::TCalendrier>(); }},
                {"C&alculatrice", nullptr, "Calculatrice", false,
                 [this] { showModal<desk::TPocket>(); }},
                {"&Horloge", nullptr, "Horloge", false, [this] { showModal<desk::THorloge>(); }},
                {"&Euro conversion", nullptr, "convertisseur euro", false,
                 [this] { showModal<desk::TEurof>(); }},
                {"&Bloc-notes", nullptr, "Bloc notes", false, [this] { showNotepad(); }},
            });

    QMenu* help = bar->addMenu(QStringLiteral("&Aide"));
    addMenu(help, {{"&A propos", nullptr, "Informations sur le logiciels, la version", false,
                    [this] { showAbout(); }}});
}

void TMainForm::buildToolbar() {
    QToolBar* bar = addToolBar(QStringLiteral("Outils"));
    bar->setMovable(false);
    bar->setFixedHeight(33);
    bar->setIconSize(QSize(18, 18));
    TTool* t = m_tool;
    QStyle* s = style();
    struct Button {
        const char* hint;
        QIcon icon;
        std::function<void()> run;
        bool separatorAfter;
    };
    const QList<Button> buttons = {
        {"Nouveau", toolbarIcon(s, "document-new", QStyle::SP_FileIcon), [t] { t->Nouveau(); },
         false},
        {"Ouvrir", toolbarIcon(s, "document-open", QStyle::SP_DialogOpenButton),
         [t] { t->Ouvrirtexte(); }, true},
        {"Couper", toolbarIcon(s, "edit-cut", QStyle::SP_DialogDiscardButton),
         [this] { action(QStringLiteral("Co&uper"))->trigger(); }, false},
        {"Copier", toolbarIcon(s, "edit-copy", QStyle::SP_FileDialogNewFolder),
         [this] { action(QStringLiteral("C&opier"))->trigger(); }, false},
        {"Coller", toolbarIcon(s, "edit-paste", QStyle::SP_DialogSaveButton),
         [t] { t->CopyMove(); }, true},
        {"Précédent", toolbarIcon(s, "go-previous", QStyle::SP_ArrowBack), [t] { t->HistoPrec(); },
         false},
        {"Suivant", toolbarIcon(s, "go-next", QStyle::SP_ArrowForward), [t] { t->HistoSuiv(); },
         false},
    };
    for (const Button& b : buttons) {
        auto* button = new QToolButton(bar);
        button->setAutoRaise(true);
        button->setFixedSize(25, 25);
        button->setIcon(b.icon);
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setStatusTip(QString::fromUtf8(b.hint));
        auto run = b.run;
        connect(button, &QToolButton::clicked, this, [run] { ui::runCommand(run); });
        bar->addWidget(button);
        m_toolButtons.append(button);
        if (b.separatorAfter) bar->addSeparator();
    }
    for (const char* caption : kListGroup) {
        if (!caption) {
            m_listGroup.append(nullptr); // the toolbar button, switched beside the entries
            continue;
        }
        if (QAction* a = action(QString::fromUtf8(caption))) m_listGroup.append(a);
    }
}

void TMainForm::buildStatusBar() {
    m_hintPanel = new QLabel(this);
    m_clockPanel = new QLabel(this);
    m_clockPanel->setAlignment(Qt::AlignCenter);
    m_clockPanel->setFixedWidth(50);
    QFont small(QStringLiteral("Sans Serif"), 8);
    m_hintPanel->setFont(small);
    m_clockPanel->setFont(small);
    statusBar()->addWidget(m_hintPanel);
    statusBar()->addPermanentWidget(m_clockPanel);
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &TMainForm::tick);
    m_clock->start();
    tick();
}

void TMainForm::tick() {
    m_clockPanel->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

QAction* TMainForm::action(const QString& caption) const {
    for (QAction* a : m_actions)
        if (a->text() == caption) return a;
    return nullptr;
}

QToolButton* TMainForm::toolButton(const QString& hint) const {
    for (QToolButton* b : m_toolButtons)
        if (b->toolTip() == hint) return b;
    return nullptr;
}

void TMainForm::Valide() {
    for (QAction* a : m_listGroup)
        if (a) a->setEnabled(true);
    if (QToolButton* open = toolButton(QStringLiteral("Ouvrir"))) open->setEnabled(true);
}

void TMainForm::Invalide() {
    for (QAction* a : m_listGroup)
        if (a) a->setEnabled(false);
    if (QToolButton* open = toolButton(QStringLiteral("Ouvrir"))) open->setEnabled(false);
}

void TMainForm::Decoche() {
    for (QAction* a : m_viewEntries)
        a->setChecked(false);
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        m_hintPanel->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_hintPanel->setMinimumWidth(std::max(0, width() - 100));
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    FormShow();
}

void TMainForm::FormShow() {
    resize(width() - 10, height());
    // Without a window manager the state alone does not resize the window.
    if (QScreen* screen = this->screen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    m_startFolder = platform::Platform::instance().currentDirectory();
    m_helpFile = m_startFolder + QStringLiteral("/TavTools.hlp");
    if (m_notepad) ui::runCommand([this] { m_notepad->Charge(QString::fromLatin1(kNotesFile)); });
    m_tool->ChargeIni();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool ok = ui::runCommand([this] {
        if (m_startFolder.isEmpty()) return;
        platform::Platform& p = platform::Platform::instance();
        if (!p.setCurrentDirectory(m_startFolder))
            throw ui::InOutError(p.lastError() == platform::errAccessDenied ? 5 : 3);
        if (m_notepad) m_notepad->Sauve(QString::fromLatin1(kNotesFile));
        m_tool->SauveIni();
    });
    if (!ok) {
        event->ignore(); // the program keeps running
        return;
    }
    if (m_notepad) m_notepad->hide();
    event->accept();
}

void TMainForm::showNotepad() {
    if (m_notepad) ui::runModal(m_notepad);
}

void TMainForm::runModalWindow(QDialog* dialog) {
    ui::runModal(dialog);
}

void TMainForm::showAbout() {
    TAboutBox box(this);
    ui::runModal(&box);
}

} // namespace shell

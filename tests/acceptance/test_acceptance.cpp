// The program as a user reaches it: the real main window on a prepared
// folder, every entry of the command table triggered through its menu
// entry, toolbar button or key, and what the user would see checked.
#include "acceptance_fixture.h"
#include "platform/server_connection.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

namespace {

struct Expected {
    QStringList rows; // selected by clicks before the entry is triggered
    QString seen;     // what the user sees (a window's title, a box's text, a launch)
};

// What each entry shows with the given rows selected. An entry missing
// here fails the suite: a new command comes with its line.
const QHash<QString, Expected>& expectations() {
    static const QHash<QString, Expected> table = {
        {"ConfigImprimante", {{}, "QPrintDialog"}},
        {"Quitter", {{}, "closed"}},
        {"BlocNotes", {{}, "Bloc-notes"}},
        {"APropos", {{}, "A propos"}},
        {"Nouveau", {{}, "launch open notepad"}},
        {"NouveauDossier", {{}, "box Nouveau dossier"}},
        {"Ouvrirtexte", {{"lettre.txt"}, "launch open notepad lettre.txt"}},
        {"Modif", {{"lettre.txt"}, "Renommer"}},
        {"Fixer", {{"lettre.txt"}, "Fixer les attributs"}},
        {"chCasse", {{"lettre.txt"}, "Changer la casse"}},
        {"Imprimer", {{"lettre.txt"}, "launch print"}},
        {"Attributs", {{"lettre.txt"}, "Propriétés du fichier"}},
        {"Couper1", {{"lettre.txt"}, "state clipboard lettre.txt"}},
        {"Copier1", {{"lettre.txt"}, "state clipboard lettre.txt"}},
        {"CopyMove", {{}, "box Destination doit être différente de la source"}},
        {"SelectAll", {{"lettre.txt"}, "state 7 selected"}},
        {"Inverse", {{"lettre.txt"}, "state 6 selected"}},
        {"Efface1", {{"autre.txt"}, "box Attention, les fichiers ne seront pas récupérables"}},
        {"LitRepert", {{}, "state listed nouveau.txt"}},
        {"PetitesIcones", {{}, "state style 1"}},
        {"Liste", {{}, "state style 2"}},
        {"Details", {{}, "state style 3"}},
        {"Filtre1", {{}, "Filtre"}},
        {"TriNom", {{}, "state first autre.txt"}},
        {"TriTaille", {{}, "lettre.txt\nstate listed autre.txt\nstate listed table.dbf"}},
        {"TriDate", {{}, "autre.txt\nstate listed lettre.txt\nstate listed vide.txt"}},
        {"TriExt", {{}, "texte.002\nstate listed table.dbf\nstate listed autre.txt"}},
        {"Voir", {{"lettre.txt"}, "launch open editor.desktop lettre.txt"}},
        {"LanceApp", {{"lettre.txt"}, "launch open editor.desktop lettre.txt"}},
        {"OuvrirCommeTexte", {{"lettre.txt"}, "launch open notepad lettre.txt"}},
        {"HistoPrec", {{}, "state folder [/]"}},
        {"HistoSuiv", {{}, "state folder [/sub]"}},
        {"Rechercher", {{}, "Rechercher"}},
        {"Comparer", {{"autre.txt", "lettre.txt"}, "Comparer fichiers"}},
        {"Chercher", {{"autre.txt", "lettre.txt"}, "Rechercher chaîne"}},
        {"Nettoyer", {{}, "Nettoyer"}},
        {"Trier", {{"lettre.txt"}, "box Trier le fichier lettre.txt ?"}},
        {"Fusionner", {{"autre.txt", "lettre.txt"}, "box Fusionner"}},
        {"Occupation", {{"lettre.txt"}, "Espace réellement occupé"}},
        {"Extraire", {{"lettre.txt"}, "box Extraire texte"}},
        {"Optimiser", {{"lettre.txt"}, "box Insérer une disquette dans le lesteur A"}},
        {"EffIrreversible",
         {{"autre.txt"}, "box Attention, le fichier effacé ne pourra pas être récupéré."}},
        {"Repertorier", {{}, "Répertorier support"}},
        {"Crypter", {{"lettre.txt"}, "Crypter"}},
        {"Decrypter", {{"lettre.txt"}, "Décrypter"}},
        {"Backup1", {{"lettre.txt"}, "Backup"}},
        {"Restore1", {{}, "Restaure"}},
        {"Decouper1", {{"lettre.txt"}, "Decouper fichier"}},
        {"Recoller1", {{"texte.001", "texte.002"}, "state listed texte"}},
        {"EditHex", {{"lettre.txt"}, "Editeur Hexadécimal"}},
        {"Parcourir", {{}, "Parcourir"}},
        {"Formatage", {{}, "format A"}},
        {"Nommer", {{}, "box Nom du volume"}},
        // The address is asked where the desktop's network engine runs,
        // else why it does not.
        {"ConnecterServeur",
         {{},
          platform::desktopNetworkMissing().isEmpty()
              ? QStringLiteral("box Adresse du serveur")
              : "box " + platform::desktopNetworkMissing()}},
        // Off on a local folder: no window, no box (what is seen starts
        // with the file manager's state).
        {"DeconnecterServeur", {{}, "^state 1 selected"}},
        {"DiskInfos1", {{}, "Informations disque - C"}},
        {"CpuInfos", {{}, "Vitesse CPU"}},
        {"Memoire", {{}, "Mémoire"}},
        {"Systeme", {{}, "Infos Système"}},
        {"Applications", {{}, "Applications installées"}},
        {"Tachesactives", {{}, "Taches"}},
        {"FonctionsDll", {{"lettre.txt"}, "Voir DLL - lettre.txt"}},
        {"Panneau", {{}, "launch open gnome-control-center"}},
        {"Calendrier", {{}, "Calendrier"}},
        {"Calculatrice", {{}, "Calculatrice"}},
        {"Horloge", {{}, "Horloge"}},
        {"Euro", {{}, "Euro convertisseur"}},
    };
    return table;
}

} // namespace

// Each command as its menu entry runs it (the two history commands have
// no entry: their toolbar buttons are their way in).
TEST_F(AcceptanceFixture, EveryCommandOpensItsWindowOrDoesItsWork) {
    QStringList failures;
    reopen(); // the window registers the commands
    const QList<ui::Command> all = ui::commands().commands();
    ASSERT_GT(all.size(), 60);
    for (const ui::Command& c : all) {
        SCOPED_TRACE(c.id.toStdString());
        const auto it = expectations().constFind(c.id);
        if (it == expectations().constEnd()) {
            failures << c.id + ": no expectation";
            continue;
        }
        reopen();
        prepareFor(c.id);
        clickRows(it->rows);
        clearSeen();
        if (c.id == u"HistoPrec" || c.id == u"HistoSuiv") {
            form->toolButton(c.id == u"HistoPrec" ? "Précédent" : "Suivant")->click();
        } else {
            QAction* entry = form->actionById(c.id);
            if (!entry) {
                failures << c.id + ": no menu entry";
                continue;
            }
            // On, unless the command holds only elsewhere.
            EXPECT_EQ(entry->isEnabled(), !c.available || c.available(form->tool()->context()));
            entry->trigger();
        }
        const QString seen = observed(c.id);
        const bool anchored = it->seen.startsWith(u'^');
        if (anchored ? !seen.startsWith(it->seen.mid(1)) : !seen.contains(it->seen))
            failures << c.id + ": saw \"" + seen + "\"";
    }
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
}

TEST_F(AcceptanceFixture, ToolbarButtonsRunTheirCommands) {
    reopen();
    clickRows({"lettre.txt"});
    form->toolButton("Ouvrir")->click();
    expectSeen("launch open notepad lettre.txt");
    clearSeen();
    form->toolButton("Nouveau")->click();
    expectSeen("launch open notepad");
    clickRows({"lettre.txt"});
    form->toolButton("Copier")->click();
    enterFolder("sub");
    form->toolButton("Coller")->click();
    EXPECT_TRUE(QFile::exists(dir.file("sub/lettre.txt")));
    EXPECT_TRUE(QFile::exists(dir.file("lettre.txt")));
    form->toolButton("Précédent")->click();
    EXPECT_EQ(form->tool()->listedFolder(), dir.path());
    form->toolButton("Suivant")->click();
    EXPECT_EQ(form->tool()->listedFolder(), dir.file("sub"));
    form->toolButton("Précédent")->click();
    clickRows({"autre.txt"});
    form->toolButton("Couper")->click();
    enterFolder("sub");
    form->toolButton("Coller")->click();
    EXPECT_TRUE(QFile::exists(dir.file("sub/autre.txt")));
    EXPECT_FALSE(QFile::exists(dir.file("autre.txt")));
}

// The entries enabled only with the list focused are off from the tree
// and each runs from the list (the menu test above triggers them so).
TEST_F(AcceptanceFixture, ListGroupIsOffFromTheTreeAndOnFromTheList) {
    reopen();
    form->tool()->tree()->setFocus();
    QApplication::processEvents();
    for (QAction* a : form->listGroup()) {
        if (a) {
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        }
    }
    clickRows({"lettre.txt"});
    for (QAction* a : form->listGroup()) {
        if (a) {
            EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
        }
    }
    clearSeen();
    form->action("&Chercher chaîne...")->trigger();
    expectSeen("Rechercher chaîne");
}

TEST_F(AcceptanceFixture, KeysOfTheList) {
    reopen();
    clickRows({"lettre.txt"});
    key(Qt::Key_Return);
    expectSeen("launch open editor.desktop lettre.txt");
    clearSeen();
    key(Qt::Key_Enter, Qt::KeypadModifier);
    expectSeen("launch open editor.desktop lettre.txt");
    clearSeen();
    key(Qt::Key_Return, Qt::ControlModifier);
    expectSeen("launch open editor.desktop lettre.txt");
    clearSeen();
    key(Qt::Key_F2);
    expectSeen("Renommer");
    clearSeen();
    key(Qt::Key_F9);
    expectSeen("launch open notepad lettre.txt");
    clearSeen();
    key(Qt::Key_O, Qt::ControlModifier);
    expectSeen("launch open notepad lettre.txt");
    clearSeen();
    key(Qt::Key_F7);
    expectSeen("Parcourir");
    clearSeen();
    clickRows({"autre.txt"});
    key(Qt::Key_Delete);
    expectSeen("box Attention, les fichiers ne seront pas récupérables");
    EXPECT_FALSE(QFile::exists(dir.file("autre.txt")));
    clickRows({"sub"});
    key(Qt::Key_Return);
    EXPECT_EQ(form->tool()->listedFolder(), dir.file("sub"));
}

TEST_F(AcceptanceFixture, CommandBoxStartsTheLineOnEnter) {
    reopen();
    QComboBox* box = form->tool()->commandBox();
    for (const auto enter : {Qt::Key_Return, Qt::Key_Enter}) {
        clearSeen();
        // Clicked, then typed into as the user does: the box has the focus.
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(20, box->height() / 2));
        box->setFocus();
        QWidget* typed = QApplication::focusWidget();
        ASSERT_TRUE(typed == box || typed == box->lineEdit());
        QTest::keyClicks(typed, enter == Qt::Key_Return ? "xedit lettre.txt" : "touch x");
        QTest::keyClick(typed, enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(box->lineEdit()->text(), QString());
        EXPECT_EQ(box->itemText(0), enter == Qt::Key_Return ? "xedit lettre.txt" : "touch x");
        ASSERT_EQ(fake.launches.size(), 1);
        EXPECT_EQ(fake.launches[0].file, enter == Qt::Key_Return ? "xedit" : "touch");
        EXPECT_EQ(fake.launches[0].params, enter == Qt::Key_Return ? "lettre.txt" : "x");
        EXPECT_EQ(fake.launches[0].folder, dir.path());
    }
    EXPECT_EQ(box->count(), 2);
}

// Every control the keyboard reaches in the main window has a French name,
// and the pane the commands act on is the one shown in the highlight colour.
TEST_F(AcceptanceFixture, ControlsHaveNamesAndThePaneInUseShowsIt) {
    reopen();
    QStringList unnamed;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        if (qobject_cast<QComboBox*>(w->parentWidget())) continue; // a box's own line
        if (w->accessibleName().isEmpty())
            unnamed << QString::fromLatin1(w->metaObject()->className());
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
    filemanager::FileManagerView* t = form->tool();
    const auto highlight = [](QWidget* w) { return w->palette().color(QPalette::Highlight); };
    t->tree()->setFocus();
    QApplication::processEvents();
    EXPECT_NE(highlight(t->tree()), highlight(t->detailsView()));
    const QColor treeActive = highlight(t->tree());
    t->detailsView()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(highlight(t->detailsView()), treeActive);
    EXPECT_NE(highlight(t->tree()), treeActive);
}

// Without a disk utility, "Formater..." says so instead of doing nothing.
TEST_F(AcceptanceFixture, FormaterWithoutADiskUtilitySaysSo) {
    reopen();
    fake.hasDiskUtility = false;
    clearSeen();
    form->actionById("Formatage")->trigger();
    expectSeen("box Aucun utilitaire de disques n'est installé pour formater la disquette");
}

#include "core/job.h"
#include "desk/notepad_window.h"
#include "filemanager/components/drive_selector.h"
#include "filemanager/file_manager_view.h"
#include "platform/end_requests.h"
#include "shell/main_window.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/command_lock.h"
#include "ui/errors.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStatusTipEvent>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <csignal>
#include <filemanager/components/folder_tree.h>
#include <gtest/gtest.h>
#include <memory>

using namespace shell;
using testing_support::TempDir;

class ShellFixture : public ::testing::Test {
  protected:
    TempDir start;
    platform::FakePlatform fake;
    ui::ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> form;

    void SetUp() override {
        fake.addDrive(u'C', {start.path()});
        platform::Platform::setInstance(&fake);
    }
    void TearDown() override {
        form.reset();
        platform::Platform::setInstance(nullptr);
    }
    MainWindow& open() {
        form = std::make_unique<MainWindow>();
        form->setNotepad(new desk::NotepadWindow(form.get()));
        form->show();
        return *form;
    }
    bool enabled(const char* caption) {
        return form->action(QString::fromUtf8(caption))->isEnabled();
    }
};

TEST_F(ShellFixture, ListGroupFollowsTheFocus) {
    open();
    QApplication::setActiveWindow(form.get());
    EXPECT_TRUE(enabled("&Supprimer"));
    form->tool()->tree()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form->tool()->activePane(), 1);
    for (const char* c : {"&Ouvrir", "&Supprimer", "&Renommer...", "Co&uper", "C&opier",
                          "Sélectionner &tout", "&Parcourir images", "&Imprimer", "Nouveau &texte"})
        EXPECT_FALSE(enabled(c)) << c;
    EXPECT_FALSE(form->toolButton("Ouvrir")->isEnabled());
    for (const char* c :
         {"Co&ller", "&Ouvrir en tant que texte", "&Lancer app. associée      Ctrl+Entrée"})
        EXPECT_TRUE(enabled(c)) << c;
    EXPECT_TRUE(form->toolButton("Coller")->isEnabled());
    form->tool()->detailsView()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form->tool()->activePane(), 2);
    EXPECT_TRUE(enabled("&Supprimer"));
    EXPECT_TRUE(form->toolButton("Ouvrir")->isEnabled());
    // A folder opened from the tree with Enter: the keyboard goes on in its
    // list, and the file commands with it.
    form->tool()->tree()->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(enabled("&Supprimer"));
    form->tool()->tree()->selectPath(start.path());
    QTest::keyClick(form->tool()->tree(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(form->tool()->activePane(), 2);
    EXPECT_TRUE(enabled("&Supprimer"));
}

// What a screen reader says of the main window's controls: each named by
// its role, its value apart.
TEST_F(ShellFixture, ControlsAreNamedByTheirRole) {
    open();
    const auto said = [](QWidget* w, QAccessible::Text what) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(what) : QString();
    };
    filemanager::FileManagerView& tool = *form->tool();
    QList<QComboBox*> drives;
    for (QComboBox* c : tool.findChildren<QComboBox*>())
        if (qobject_cast<filemanager::DriveSelector*>(c)) drives << c;
    ASSERT_EQ(drives.size(), 2);
    QStringList names;
    for (QComboBox* c : drives) {
        names << said(c, QAccessible::Name);
        EXPECT_EQ(said(c, QAccessible::Description), c->currentText());
    }
    names.sort();
    EXPECT_EQ(names, QStringList({"Lecteur de l'arborescence", "Lecteur de la liste"}));
    // The status bar's hint, the notepad's text: named too.
    QStringList all;
    for (QWidget* w : form->findChildren<QWidget*>())
        all << said(w, QAccessible::Name);
    for (const char* name : {"Aide de la commande", "Texte du bloc-notes"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(name))) << name;
}

TEST_F(ShellFixture, CommandTableCaptionsShortcutsAndHints) {
    open();
    QAction* del = form->action("&Supprimer");
    EXPECT_EQ(del->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(del->statusTip(), QStringLiteral("Supprimer fichiers"));
    EXPECT_EQ(form->action("&Quitter")->shortcut(), QKeySequence("Alt+X"));
    EXPECT_EQ(form->action("&Backup...")->statusTip(), QStringLiteral("Sauvegardfer fichiers"));
    EXPECT_EQ(form->action("&Parcourir images")->shortcut(), QKeySequence(Qt::Key_F7));
    EXPECT_EQ(form->listGroup().size(), 27);
    QStringList menus;
    for (QAction* a : form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"&Fichier", "&Edition", "&Affichage", "&Système", "&Outils",
                                  "&Utilitaires", "&Aide"}));
    QStatusTipEvent tip("Coller");
    QApplication::sendEvent(form.get(), &tip);
    EXPECT_EQ(form->hintPanel()->text(), QStringLiteral("Coller"));
}

TEST_F(ShellFixture, ViewEntriesAreOneRadioGroup) {
    open();
    EXPECT_TRUE(form->action("&Détails")->isChecked());
    form->action("&Liste")->trigger();
    EXPECT_TRUE(form->action("&Liste")->isChecked());
    EXPECT_FALSE(form->action("&Détails")->isChecked());
    EXPECT_EQ(form->tool()->listStyle(), 2);
    form->action("&Liste")->trigger();
    EXPECT_TRUE(form->action("&Liste")->isChecked());
}

TEST_F(ShellFixture, StartFolderHoldsNotesSettingsAndHelp) {
    start.write("TavTools.nte", "note\r\n");
    start.write("TvaTools.ini", "clean=.BAK\r\n");
    start.mkdir("elsewhere");
    open();
    EXPECT_EQ(form->startFolder(), start.path());
    EXPECT_EQ(form->helpFile(), start.path() + "/TavTools.hlp");
    EXPECT_EQ(form->notepad()->editor()->toPlainText(), QStringLiteral("note\n"));
    EXPECT_EQ(form->tool()->cleanEntries(), QStringList({".BAK"}));
    const QDateTime notesDate = QFileInfo(start.file("TavTools.nte")).lastModified();
    QDir::setCurrent(start.file("elsewhere")); // the file manager moved on
    form->tool()->setCleanEntries(form->tool()->cleanEntries() + QStringList{".OLD"});
    EXPECT_TRUE(form->close());
    EXPECT_EQ(QDir::currentPath(), start.path());
    EXPECT_EQ(testing_support::readAll(start.file("TvaTools.ini")),
              QByteArray("clean=.BAK\r\nclean=.OLD\r\n"));
    EXPECT_EQ(QFileInfo(start.file("TavTools.nte")).lastModified(), notesDate);
    EXPECT_FALSE(QFile::exists(start.file("elsewhere/TvaTools.ini")));
}

// Where the system gives the program a folder of its own for its notes and
// settings, they are read and written there, never where it was started.
TEST_F(ShellFixture, NotesAndSettingsLiveInTheProgramsOwnFolder) {
    struct OwnFolder : platform::FakePlatform {
        QString own;
        QString startFolder() override { return own; }
    } platform;
    platform.own = start.mkdir("config");
    platform.addDrive(u'C', {start.path()});
    platform::Platform::setInstance(&platform);
    start.write("config/TavTools.nte", "kept note\r\n");
    start.write("config/TvaTools.ini", "clean=.BAK\r\n");
    start.mkdir("launched");
    QDir::setCurrent(start.file("launched"));
    open();
    EXPECT_EQ(form->startFolder(), start.file("config"));
    EXPECT_EQ(form->notepad()->editor()->toPlainText(), QStringLiteral("kept note\n"));
    EXPECT_EQ(form->tool()->cleanEntries(), QStringList({".BAK"}));
    form->tool()->setCleanEntries(form->tool()->cleanEntries() + QStringList{".OLD"});
    EXPECT_TRUE(form->close());
    EXPECT_EQ(testing_support::readAll(start.file("config/TvaTools.ini")),
              QByteArray("clean=.BAK\r\nclean=.OLD\r\n"));
    EXPECT_TRUE(QDir(start.file("launched")).isEmpty());
    form.reset();
    platform::Platform::setInstance(&fake);
}

TEST_F(ShellFixture, FailedReturnToStartFolderKeepsRunning) {
    start.mkdir("launch");
    QDir::setCurrent(start.file("launch"));
    open();
    QDir::setCurrent(start.path());
    QDir(start.file("launch")).removeRecursively();
    EXPECT_FALSE(form->close());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Tav Tools"));
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Nom de fichier incorrect."));
    EXPECT_FALSE(QFile::exists(start.file("TvaTools.ini")));
}

TEST_F(ShellFixture, FailingCommandShowsOneBoxAndWindowStaysUsable) {
    start.mkdir("gone");
    open();
    form->tool()->setFolder(start.file("gone"));
    form->tool()->addToHistory();
    form->tool()->historyBack();
    QDir(start.file("gone")).removeRecursively();
    form->toolButton("Suivant")->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Stop);
    EXPECT_EQ(form->tool()->folder(), start.path());
    form->action("&Actualiser")->trigger();
    EXPECT_EQ(dialogs.shown.size(), 1);
}

TEST_F(ShellFixture, NotepadAndAboutOpenModally) {
    open();
    QStringList seen;
    ui::ScopedModalHandler h([&](QDialog* d) {
        seen << d->windowTitle();
        d->reject();
        return int(QDialog::Rejected);
    });
    form->action("&Bloc-notes")->trigger();
    form->action("&A propos")->trigger();
    for (const char* c : {"&Calendrier", "C&alculatrice", "&Horloge", "&Euro conversion"})
        form->action(QString::fromUtf8(c))->trigger();
    EXPECT_EQ(seen, QStringList({"Bloc-notes", "A propos", "Calendrier", "Calculatrice", "Horloge",
                                 "Euro convertisseur"}));
}

namespace {
// Starts the program offscreen with a home of its own, on `given`, and
// waits until it listens for a request to end (its folder is made then).
void startProgram(QProcess& app, const TempDir& home, const QString& given) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.file("config"));
    app.setProcessEnvironment(env);
    app.start(TAVTOOLS_APP, {given});
    if (!app.waitForStarted()) return;
    QDeadlineTimer deadline(20000);
    while (!QFileInfo::exists(home.file("config/tavtools")) && !deadline.hasExpired() &&
           app.state() == QProcess::Running)
        QThread::msleep(20);
}
} // namespace

// Started on a file (a file manager's "Open with"), the program opens its
// folder with the file selected; on a folder, that folder.
TEST_F(ShellFixture, OpensOnAFileWithTheFileSelected) {
    start.write("a.txt", "a");
    start.write("b.txt", "b");
    open();
    filemanager::FileManagerView& tool = *form->tool();
    tool.showEntry("b.txt");
    EXPECT_EQ(tool.selectedRows(), QList<int>{tool.rowOf("b.txt")});
    EXPECT_EQ(tool.activePane(), 2);
    for (const QString& given : {start.file("b.txt"), start.path()}) {
        TempDir home;
        QProcess app;
        startProgram(app, home, given);
        ASSERT_EQ(app.state(), QProcess::Running) << given.toStdString();
        ::kill(pid_t(app.processId()), SIGTERM);
        ASSERT_TRUE(app.waitForFinished(20000));
        EXPECT_EQ(app.exitCode(), 0)
            << given.toStdString() << app.readAllStandardError().toStdString();
    }
}

// Ended by the system (a terminal closed, a session ending, Ctrl+C), the
// program closes as when its window is closed: its settings are written and
// it ends normally.
TEST(EndRequest, TheProgramClosesAsItsUserWould) {
    for (const int request : {SIGTERM, SIGHUP, SIGINT}) {
        TempDir home;
        QProcess app;
        startProgram(app, home, home.path());
        ASSERT_EQ(app.state(), QProcess::Running) << request;
        ::kill(pid_t(app.processId()), request);
        ASSERT_TRUE(app.waitForFinished(20000)) << request;
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << request;
        EXPECT_EQ(app.exitCode(), 0) << request;
        EXPECT_TRUE(QFileInfo::exists(home.file("config/tavtools/TvaTools.ini"))) << request;
    }
}

// A request to end that comes while a command's job runs stops the job at
// once, as Escape would; the windows are closed, as their user would close
// them, once the job has stopped.
TEST_F(ShellFixture, ARequestToEndStopsTheRunningJobThenCloses) {
    open();
    QObject context;
    platform::onEndRequest(&context, ui::closeAllWindowsWhenIdle);
    struct Working : core::Job {
        bool stoppedFirst = false;
        void run() override {
            raise(SIGTERM);
            QDeadlineTimer deadline(10000);
            while (!cancelled() && !deadline.hasExpired())
                QThread::msleep(1);
            QThread::msleep(100); // the request is handed over meanwhile
            stoppedFirst = cancelled();
        }
    } job;
    job.runInBackground();
    EXPECT_TRUE(job.stoppedFirst);
    QDeadlineTimer deadline(10000);
    while (form->isVisible() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(QFileInfo::exists(start.file("TvaTools.ini")));
}

// The same while the job waits for the answer to a question: the box is
// closed, the job goes on to its stop, then the windows close.
TEST_F(ShellFixture, ARequestToEndClosesTheQuestionTheJobWaitsFor) {
    open();
    QObject context;
    platform::onEndRequest(&context, ui::closeAllWindowsWhenIdle);
    bool leftWaiting = false;
    struct Asking : core::Job {
        std::function<void()> question;
        void run() override {
            raise(SIGTERM);
            ask(question);
        }
    } job;
    job.question = [&] {
        QDialog question(form.get());
        // A box nobody closes would wait for ever: closed here after a while.
        QTimer::singleShot(5000, &question, [&] { leftWaiting = true, question.reject(); });
        question.exec();
    };
    job.runInBackground();
    EXPECT_FALSE(leftWaiting);
    EXPECT_TRUE(job.cancelled());
    QDeadlineTimer deadline(10000);
    while (form->isVisible() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(form->isVisible());
}

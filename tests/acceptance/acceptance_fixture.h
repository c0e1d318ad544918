#pragma once
// The real main window on a prepared folder (drive C), a floppy folder
// (drive A), scripted boxes, and a record of every window, box and launch
// a command shows, as the user would see them.

#include "desk/notepad_window.h"
#include "filemanager/components/folder_tree.h"
#include "filemanager/file_manager_view.h"
#include "shell/main_window.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class AcceptanceFixture : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    testing_support::TempDir floppy{false};
    testing_support::TempDir bin{false};
    platform::FakePlatform fake;
    ui::ScriptedDialogs dialogs;
    std::unique_ptr<shell::MainWindow> form;
    QStringList windows; // the modal windows run, by class and title
    // Runs each modal window; by default it is closed at once.
    std::function<int(QDialog*)> onWindow;
    QByteArray savedPath;

    void SetUp() override {
        fake.addDrive(u'C', {dir.path()});
        fake.addDrive(u'A', {floppy.path(), platform::DriveType::Removable});
        fake.associations.insert(QStringLiteral(".txt"), QStringLiteral("editor.desktop"));
        platform::Platform::setInstance(&fake);
        // A settings program on the PATH; the fake platform only records its launch.
        bin.write("gnome-control-center", "#!/bin/sh\n");
        QFile(bin.file("gnome-control-center")).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
        savedPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit() + ':' + savedPath);
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
    void TearDown() override {
        form.reset();
        qputenv("PATH", savedPath);
        platform::Platform::setInstance(nullptr);
    }

    // The prepared folder, made anew.
    void prepareFolder() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        QDir(floppy.path()).removeRecursively();
        QDir().mkpath(floppy.path());
        dir.write("lettre.txt", "bonjour\r\n");
        dir.write("autre.txt", "bonsoir tout le monde\r\n");
        dir.write("vide.txt");
        dir.write("table.dbf", QByteArray(40, '\0'));
        dir.write("texte.001", "moi");
        dir.write("texte.002", "tié");
        dir.mkdir("sub");
        age("autre.txt", 40), age("lettre.txt", 30), age("vide.txt", 20), age("texte.001", 10);
        age("texte.002", 10);
    }

    // A new main window on the prepared folder made anew, the list focused.
    void reopen() {
        form.reset();
        prepareFolder();
        QDir::setCurrent(dir.path());
        form = std::make_unique<shell::MainWindow>();
        form->setNotepad(new desk::NotepadWindow(form.get()));
        form->show();
        QApplication::setActiveWindow(form.get());
        form->tool()->detailsView()->setFocus();
        QApplication::processEvents();
    }

    void age(const QString& name, int days) {
        QFile f(dir.file(name));
        f.open(QIODevice::ReadWrite);
        f.setFileTime(QDateTime::currentDateTime().addDays(-days),
                      QFileDevice::FileModificationTime);
    }

    void clearSeen() {
        windows.clear();
        dialogs.shown.clear();
        fake.launches.clear();
        fake.formats.clear();
    }

    // Clicks the rows as a user does, Ctrl held after the first.
    void clickRows(const QStringList& names) {
        QTreeView* view = form->tool()->detailsView();
        view->setFocus();
        for (int i = 0; i < names.size(); ++i) {
            const int row = form->tool()->rowOf(names[i]);
            ASSERT_GE(row, 0) << names[i].toStdString();
            const QRect rect = view->visualRect(form->tool()->model()->index(row, 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton,
                              i == 0 ? Qt::NoModifier : Qt::ControlModifier, rect.center());
        }
        QApplication::processEvents();
    }

    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : form.get(), k, mods);
        QApplication::processEvents();
    }

    void enterFolder(const QString& name) {
        clickRows({name});
        key(Qt::Key_Return);
    }

    // What a command needs done before it (a folder history, a clipboard, a
    // file that appears behind the list's back).
    void prepareFor(const QString& id) {
        if (id == u"HistoPrec") enterFolder("sub");
        if (id == u"HistoSuiv") {
            enterFolder("sub");
            form->toolButton("Précédent")->click();
        }
        if (id == u"CopyMove") {
            clickRows({"lettre.txt"});
            form->actionById("Copier1")->trigger();
        }
        if (id == u"LitRepert") dir.write("nouveau.txt", "x");
        form->tool()->detailsView()->setFocus();
        QApplication::processEvents();
    }

    // Every window, box and launch since the last clearSeen, and the file
    // manager's state, as one text; the prepared folder's path is left out.
    QString observed(const QString& id) {
        QStringList out = windows;
        for (const auto& s : dialogs.shown)
            out << "box " + s.title << "box " + s.text;
        for (const auto& l : fake.launches)
            out << "launch " + l.verb + ' ' + QFileInfo(l.file).fileName() + ' ' + l.params;
        for (const auto& f : fake.formats)
            out << QStringLiteral("format ") + f.letter;
        if (!form->isVisible()) out << "closed";
        filemanager::FileManagerView* t = form->tool();
        for (const QString& path : t->clipboard())
            out << "state clipboard " + path;
        out << QStringLiteral("state %1 selected").arg(t->selectedRows().size());
        out << QStringLiteral("state style %1").arg(t->listStyle());
        for (int r = 0; r < t->model()->rowCount(); ++r)
            out << "state listed " + t->model()->row(r).name;
        for (int r = 0; r < t->model()->rowCount(); ++r)
            if (t->model()->row(r).name != u"..") {
                out << "state first " + t->model()->row(r).name;
                break;
            }
        const QString folder = t->listedFolder().mid(dir.path().size());
        out << "state folder [" + (folder.isEmpty() ? QStringLiteral("/") : folder) + ']';
        return out.join(u'\n').replace(dir.path() + u'/', QString());
    }

    void expectSeen(const QString& text) {
        const QString seen = observed({});
        EXPECT_TRUE(seen.contains(text)) << text.toStdString() << " not in:\n"
                                         << seen.toStdString();
    }

  private:
    ui::ScopedModalHandler m_handler{[this](QDialog* d) {
        windows << QString::fromLatin1(d->metaObject()->className()) + ' ' + d->windowTitle();
        if (onWindow) return onWindow(d);
        d->reject();
        return int(QDialog::Rejected);
    }};
};

// The disk cleaner: extensions, the walk, deletion and the saved list.
#include "filemanager/components/drive_selector.h"
#include "filemanager/file_manager_view.h"
#include "support/fake_drive.h"
#include "support/temp_dir.h"
#include "tools/cleaner.h"
#include "tools/cleaner_dialog.h"
#include "tools/commands.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tools;
using testing_support::TempDir;

TEST(Cleaner, ExtensionsAsTheCleanerComparesThem) {
    EXPECT_EQ(upperExtension("report.tmp"), QStringLiteral(".TMP"));
    EXPECT_EQ(upperExtension("a.tar.tmp"), QStringLiteral(".TMP"));
    EXPECT_EQ(upperExtension("a.tmp.bak"), QStringLiteral(".BAK"));
    EXPECT_EQ(upperExtension("tmp"), QString());
    EXPECT_EQ(extensionEntry("tmp"), QStringLiteral(".TMP"));
    EXPECT_EQ(extensionEntry("*.TMP"), QStringLiteral(".*.TMP"));
}

TEST(Cleaner, TheWindowFindsDeletesAndKeepsTheUsersExtensions) {
    TempDir dir;
    testing_support::FakeDrive drive(dir.path());
    ui::ScriptedDialogs dialogs;
    registerCommands(ui::commands());
    dir.write("report.tmp", "12345");
    dir.write("tmp", "x");
    dir.write("sub/a.tar.tmp", "1");
    dir.write("sub/a.tmp.bak", "1");
    dir.write("sub/keep.old", "1");
    const QString ro = dir.write("sub/ro.chk", "1");
    drive.fake.setAttributes(ro, platform::faReadOnly);
    {
        CleanerDialog w;
        w.init({".OLD"});
        w.drives->setDrive(u'C');
        QTest::keyClicks(w.extensionEdit, "tmp");
        QTest::keyClick(w.extensionEdit, Qt::Key_Return); // ".TMP" a second time
        EXPECT_EQ(w.extensionList->count(), 6);
        w.search();
        QStringList found;
        for (int i = 0; i < w.foundList->count(); ++i)
            found << w.foundList->item(i)->text().mid(dir.path().size() + 1);
        found.sort();
        EXPECT_EQ(found, QStringList({"report.tmp", "report.tmp", "sub/a.tar.tmp", "sub/a.tar.tmp",
                                      "sub/keep.old", "sub/ro.chk"}));
        EXPECT_TRUE(w.cleanButton->isEnabled());
        // The kept file is taken out of the list, the others deleted.
        for (int i = 0; i < w.foundList->count(); ++i)
            if (w.foundList->item(i)->text().endsWith("keep.old")) w.foundList->setCurrentRow(i);
        w.removeFound();
        // Asked once before anything goes; Annuler deletes nothing.
        dialogs.answer(ui::Cancel);
        w.clean();
        EXPECT_EQ(dialogs.lastText(),
                  QStringLiteral("Attention, les fichiers ne seront pas récupérables dans la "
                                 "corbeille\r\nEffacer les 5 fichiers trouvés (13 octets) ?"));
        EXPECT_EQ(dialogs.shown.last().buttons, ui::Ok | ui::Cancel);
        EXPECT_TRUE(QFile::exists(ro));
        EXPECT_EQ(w.foundList->count(), 5);
        dialogs.answer(ui::Ok);
        w.clean();
        EXPECT_TRUE(QFile::exists(dir.file("sub/keep.old")));
        EXPECT_FALSE(QFile::exists(ro)); // read-only, deleted all the same
        EXPECT_FALSE(QFile::exists(dir.file("report.tmp")));
        EXPECT_TRUE(QFile::exists(dir.file("tmp")));
        EXPECT_TRUE(QFile::exists(dir.file("sub/a.tmp.bak")));
        EXPECT_TRUE(w.statusLabel->text().endsWith(" fichiers effacé"));
    }
    {
        filemanager::FileManagerView tool;
        tool.setCleanEntries({".OLD"});
        ui::ScopedModalHandler h([&](QDialog* d) {
            auto* w = static_cast<CleanerDialog*>(d);
            w->extensionEdit->setText("bak");
            w->addExtension();
            return 0;
        });
        ui::runRegistered(QStringLiteral("Nettoyer"), tool.context());
        EXPECT_EQ(tool.cleanEntries(), QStringList({".OLD", ".BAK"}));
    }
}

TEST(Cleaner, CommandLineListsAndDeletesOnlyWhenAsked) {
    TempDir dir;
    dir.write("t/x.tmp", "abc");
    dir.write("t/y.log", "ab");
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), {"clean", dir.file("t"), "log"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(
        QString::fromUtf8(p.readAllStandardOutput()).endsWith("2 fichiers trouvés. 5 octets\n"));
    EXPECT_TRUE(QFile::exists(dir.file("t/x.tmp")));
    p.start(QStringLiteral(TAVTOOLS_CLI), {"clean", "--delete", dir.file("t")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(dir.file("t/x.tmp")));
    EXPECT_TRUE(QFile::exists(dir.file("t/y.log")));
}

// A listed path counts by its extension in any letter case, also one that
// is not plain ASCII; a longer extension, a folder's dot or an entry that
// ends the path without being its extension does not.
TEST(Cleaner, PackagedPathsAreMatchedByTheirExtension) {
    TempDir dir;
    dir.write("dpkg/p.list", "/a/x.TmP\n/a/y.tmpx\n/a/z.tmp/sub\n/a/w.\xC3\xA9t\xC3\xA9\n/a/v.ete\n"
                             "/a/u.tmp");
    const QSet<QString> kept =
        packagedFiles({".TMP", extensionEntry(QStringLiteral("été"))}, dir.file("dpkg"));
    EXPECT_EQ(kept, QSet<QString>({"/a/x.TmP", QStringLiteral("/a/w.été"), "/a/u.tmp"}));
    EXPECT_EQ(packagedFiles({".TMP"}, dir.file("dpkg")), QSet<QString>({"/a/x.TmP", "/a/u.tmp"}));
    // An entry of two dots is no file's extension: its last one starts it.
    dir.write("dpkg/q.list", "/a/t.tar.gz\n");
    EXPECT_TRUE(packagedFiles({".TAR.GZ"}, dir.file("dpkg")).isEmpty());
}

// Files that installed packages put in place are theirs, not leftovers,
// whatever their extension; a file list that is not a regular file is
// never read.
TEST(Cleaner, LeavesOutWhatInstalledPackagesNeed) {
    TempDir dir;
    dir.write("lib/libsoftokn3.chk", "integrity");
    dir.write("lib/old.chk", "leftover");
    dir.write("lib/notes.tmp", "leftover");
    dir.write("dpkg/libnss3.list",
              ("/.\n" + dir.file("lib") + "\n" + dir.file("lib/libsoftokn3.chk") + "\n").toUtf8());
    ASSERT_TRUE(QFile::link("/dev/zero", dir.file("dpkg/endless.list")));
    const QSet<QString> kept = packagedFiles(builtInExtensions(), dir.file("dpkg"));
    EXPECT_EQ(kept, QSet<QString>({dir.file("lib/libsoftokn3.chk")}));
    QStringList found;
    qint64 total = 0;
    findToClean(
        dir.path(), builtInExtensions(), [&](const CleanerHit& h) { found << h.path; }, total,
        testing_support::idle(), kept);
    found.sort();
    EXPECT_EQ(found, QStringList({dir.file("lib/notes.tmp"), dir.file("lib/old.chk")}));
}

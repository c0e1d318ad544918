#include "file_manager_fixture.h"
#include "filemanager/components/folder_tree.h"
#include "filemanager/dialogs/case_dialog.h"
#include "filemanager/dialogs/properties_dialog.h"
#include "filemanager/dialogs/rename_dialog.h"
#include "filemanager/dialogs/set_attributes_dialog.h"
#include "filemanager/file_tree.h"
#include "ui/errors.h"
#include "ui/modal_runner.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace filemanager;
using testing_support::readAll;

namespace {
bool exists(const QString& p) {
    return QFileInfo::exists(p) || QFileInfo(p).isSymLink();
}
} // namespace

class FileOpsFixture : public FileManagerFixture {
  protected:
    // Selects names in the current folder and memorises them as cut or copy.
    void memorise(const QStringList& rows, bool cut) {
        tool->detailsView()->clearSelection();
        select(rows);
        tool->setActivePane(2);
        cut ? tool->commands().cutSelection() : tool->commands().copySelection();
    }
    void goTo(const QString& folder) { tool->setFolder(folder); }
};

TEST_F(FileOpsFixture, PasteIntoTheSourceFolderIsRefused) {
    dir.write("a.txt", "a");
    open();
    memorise({"a.txt"}, false);
    tool->commands().pasteClipboard();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Destination doit être différente de la source"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(FileOpsFixture, FolderIntoItsOwnSubFolderIsRefused) {
    dir.mkdir("A/inner");
    open();
    memorise({"A"}, false);
    goTo(dir.file("A/inner"));
    tool->commands().pasteClipboard();
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Un dossier ne peut pas être copié dans lui-même"));
    EXPECT_FALSE(exists(dir.file("A/inner/A")));
}

TEST_F(FileOpsFixture, FolderTreeCopiedWithHiddenFilesButNoSystemFiles) {
    dir.write("A/B/b.txt", "bee");
    dir.write("A/C/.hidden", "h");
    dir.write("A/top.txt", "top");
    ASSERT_EQ(mkfifo(dir.file("A/fifo").toLocal8Bit().constData(), 0644), 0);
    dir.mkdir("D");
    open();
    memorise({"A"}, false);
    goTo(dir.file("D"));
    tool->commands().pasteClipboard();
    EXPECT_EQ(readAll(dir.file("D/A/B/b.txt")), QByteArray("bee"));
    EXPECT_EQ(readAll(dir.file("D/A/C/.hidden")), QByteArray("h"));
    EXPECT_EQ(readAll(dir.file("D/A/top.txt")), QByteArray("top"));
    EXPECT_FALSE(exists(dir.file("D/A/fifo")));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_FALSE(tool->progressBar()->isVisible());
    // The same copy pasted again elsewhere works the same way.
    dir.mkdir("E");
    goTo(dir.file("E"));
    tool->commands().pasteClipboard();
    EXPECT_EQ(readAll(dir.file("E/A/B/b.txt")), QByteArray("bee"));
}

TEST_F(FileOpsFixture, ReplaceQuestionNoYesAndAll) {
    dir.write("src/one.txt", "new1");
    dir.write("src/two.txt", "new2");
    dir.write("src/sub/three.txt", "new3");
    dir.write("src/sub/four.txt", "new4");
    dir.write("dst/one.txt", "old1");
    dir.write("dst/two.txt", "old2");
    dir.write("dst/sub/three.txt", "old3");
    dir.write("dst/sub/four.txt", "old4");
    QDir::setCurrent(dir.file("src"));
    open();
    memorise({"one.txt", "two.txt", "sub"}, false);
    goTo(dir.file("dst"));
    dialogs.answer(ui::No);
    dialogs.answer(ui::All);
    tool->commands().pasteClipboard();
    EXPECT_EQ(readAll(dir.file("dst/one.txt")), QByteArray("old1"));
    EXPECT_EQ(readAll(dir.file("dst/two.txt")), QByteArray("new2"));
    EXPECT_EQ(readAll(dir.file("dst/sub/three.txt")), QByteArray("new3"));
    EXPECT_EQ(readAll(dir.file("dst/sub/four.txt")), QByteArray("new4"));
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Remplacer le ficher one.txt ?"));
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Avertissement"));
    EXPECT_EQ(dialogs.shown[0].buttons, ui::Yes | ui::No | ui::All);
    dialogs.answer(ui::Yes);
    dialogs.answer(ui::No);
    dialogs.answer(ui::No);
    dialogs.answer(ui::No);
    tool->commands().pasteClipboard(); // a new paste asks again
    EXPECT_EQ(readAll(dir.file("dst/one.txt")), QByteArray("new1"));
    EXPECT_EQ(dialogs.shown.size(), 6);
}

// A folder that cannot be written: no question about replacing a file
// that is not there; the refusal is told, with the entry's name.
TEST_F(FileOpsFixture, PasteIntoAFolderThatCannotBeWrittenTellsTheRefusal) {
    dir.write("src/a.txt", "a");
    const QString target = dir.mkdir("ro");
    // Root writes anywhere: a read-only mount stops it; others, the mode.
    const bool mounted = geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(target).constData(),
                                                   "tmpfs", MS_RDONLY, "size=1m") == 0;
    if (!mounted) {
        ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0555), 0);
    }
    QDir::setCurrent(dir.file("src"));
    open();
    memorise({"a.txt"}, false);
    goTo(target);
    tool->commands().pasteClipboard();
    if (mounted) ::umount(QFile::encodeName(target).constData());
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Accès au fichier refusé : ") + target + QStringLiteral("/a.txt."));
    EXPECT_FALSE(exists(target + "/a.txt"));
}

TEST_F(FileOpsFixture, CutMovesOnceAndNeverReplaces) {
    dir.write("src/a.txt", "a");
    dir.write("src/clash.txt", "from src");
    dir.write("dst/clash.txt", "in dst");
    QDir::setCurrent(dir.file("src"));
    open();
    memorise({"a.txt", "clash.txt"}, true);
    goTo(dir.file("dst"));
    tool->commands().pasteClipboard();
    EXPECT_TRUE(exists(dir.file("dst/a.txt")));
    EXPECT_FALSE(exists(dir.file("src/a.txt")));
    EXPECT_EQ(readAll(dir.file("dst/clash.txt")), QByteArray("in dst"));
    EXPECT_EQ(readAll(dir.file("src/clash.txt")), QByteArray("from src"));
    dir.mkdir("other");
    goTo(dir.file("other"));
    tool->commands().pasteClipboard(); // what was moved is gone from the source
    EXPECT_EQ(QDir(dir.file("other")).entryList(QDir::Files), QStringList({"clash.txt"}));
}

TEST_F(FileOpsFixture, MoveToAnotherVolumeCopiesThenDeletes) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/tavtest-XXXXXX"));
    if (!shm.isValid()) GTEST_SKIP() << "no second volume";
    dir.write("src/moved.bin", QByteArray(100000, 'm'));
    QDir::setCurrent(dir.file("src"));
    open();
    memorise({"moved.bin"}, true);
    goTo(shm.path());
    tool->commands().pasteClipboard();
    EXPECT_EQ(readAll(shm.filePath("moved.bin")).size(), 100000);
    EXPECT_FALSE(exists(dir.file("src/moved.bin")));
}

// A folder cut and pasted on another volume arrives whole, with its modes,
// dates and links, and leaves the source.
TEST_F(FileOpsFixture, FolderMovedToAnotherVolume) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/tavtest-XXXXXX"));
    if (!shm.isValid()) GTEST_SKIP() << "no second volume";
    dir.write("src/tree/a.txt", "a");
    dir.write("src/tree/sub/deep/b.bin", QByteArray(300000, 'b'));
    QFile::link("a.txt", dir.file("src/tree/link"));
    QFile::setPermissions(dir.file("src/tree/a.txt"), QFile::ReadOwner | QFile::WriteOwner);
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1'000'000'000);
    for (const char* entry : {"src/tree/sub/deep", "src/tree/a.txt"}) {
        const struct timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(dir.file(entry)).constData(), times, 0), 0);
    }
    QDir::setCurrent(dir.file("src"));
    open();
    memorise({"tree"}, true);
    goTo(shm.path());
    tool->commands().pasteClipboard();
    EXPECT_FALSE(exists(dir.file("src/tree")));
    EXPECT_EQ(readAll(shm.filePath("tree/a.txt")), QByteArray("a"));
    EXPECT_EQ(readAll(shm.filePath("tree/sub/deep/b.bin")).size(), 300000);
    EXPECT_EQ(QFileInfo(shm.filePath("tree/link")).symLinkTarget(), shm.filePath("tree/a.txt"));
    EXPECT_EQ(QFile::permissions(shm.filePath("tree/a.txt")) & 0x7077, // owner, group, others
              QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QFileInfo(shm.filePath("tree/sub/deep")).lastModified(), old);
    EXPECT_EQ(QFileInfo(shm.filePath("tree/a.txt")).lastModified(), old);
}

TEST_F(FileOpsFixture, DeleteAsksForReadOnlyAndGoesOn) {
    QString ro = dir.write("ro.txt", "r");
    dir.write("plain.txt", "p");
    dir.write("tree/.hidden/deep.txt", "d");
    dir.write("tree/x.txt", "x");
    fake.setAttributes(ro, platform::faReadOnly);
    open();
    select({"ro.txt", "plain.txt", "tree"});
    dialogs.answer(ui::Ok);     // the delete question
    dialogs.answer(ui::Cancel); // keep the read-only file
    tool->commands().deleteSelection();
    EXPECT_TRUE(exists(ro));
    EXPECT_FALSE(exists(dir.file("plain.txt")));
    EXPECT_FALSE(exists(dir.file("tree")));
    EXPECT_EQ(
        dialogs.shown[0].text,
        QStringLiteral("Attention, les fichiers ne seront pas récupérables dans la corbeille\r\n"
                       "Effacer les fichiers sélectionnée ?"));
    EXPECT_EQ(dialogs.shown[1].text,
              QStringLiteral("Fichier en lecture seule. Effacer quand même ?"));
    select({"ro.txt"});
    dialogs.answer(ui::Ok);
    dialogs.answer(ui::Ok);
    tool->commands().deleteSelection();
    EXPECT_FALSE(exists(ro));
}

TEST_F(FileOpsFixture, FolderWithASystemFileStopsTheDelete) {
    dir.write("a_tree/file.txt", "f");
    ASSERT_EQ(mkfifo(dir.file("a_tree/pipe").toLocal8Bit().constData(), 0644), 0);
    dir.write("b_after.txt", "kept");
    open();
    select({"a_tree", "b_after.txt"});
    dialogs.answer(ui::Ok);
    tool->commands().deleteSelection();
    EXPECT_TRUE(exists(dir.file("a_tree/pipe")));
    EXPECT_FALSE(exists(dir.file("a_tree/file.txt")));
    EXPECT_TRUE(exists(dir.file("b_after.txt")));
    EXPECT_EQ(dialogs.shown.last().icon, ui::Icon::Stop);
    EXPECT_EQ(dialogs.shown.last().text, ui::reportText(core::InOutError::textFor(5)));
    EXPECT_FALSE(tool->progressBar()->isVisible());
    EXPECT_EQ(tool->rowOf(QStringLiteral("a_tree")) >= 0, true); // the list shows what is left
}

TEST_F(FileOpsFixture, LinksAreDeletedAndCopiedAsLinks) {
    testing_support::TempDir keep(false);
    keep.write("precious.txt", "precious");
    dir.mkdir("tree");
    ASSERT_EQ(symlink(keep.path().toLocal8Bit().constData(),
                      dir.file("tree/link").toLocal8Bit().constData()),
              0);
    dir.mkdir("copy");
    open();
    memorise({"tree"}, false);
    goTo(dir.file("copy"));
    tool->commands().pasteClipboard();
    EXPECT_TRUE(QFileInfo(dir.file("copy/tree/link")).isSymLink());
    EXPECT_EQ(QFileInfo(dir.file("copy/tree/link")).symLinkTarget(), keep.path());
    goTo(dir.path());
    select({"tree", "copy"});
    dialogs.answer(ui::Ok);
    tool->commands().deleteSelection();
    EXPECT_FALSE(exists(dir.file("tree")));
    EXPECT_FALSE(exists(dir.file("copy")));
    EXPECT_EQ(readAll(keep.file("precious.txt")), QByteArray("precious"));
}

TEST_F(FileOpsFixture, RenameOntoAnExistingName) {
    dir.write("a.txt", "a");
    dir.write("b.txt", "b");
    open();
    tool->onNameEdited(tool->rowOf("a.txt"), "b.txt");
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Fichier b.txt Existe déjà"));
    EXPECT_EQ(readAll(dir.file("b.txt")), QByteArray("b"));
    EXPECT_TRUE(names().contains("a.txt"));
    tool->onNameEdited(tool->rowOf("a.txt"), "c.txt");
    EXPECT_TRUE(names().contains("c.txt"));
    EXPECT_FALSE(tool->editing());
}

TEST_F(FileOpsFixture, RenameInPlaceThroughTheList) {
    dir.write("old.txt", "x");
    open();
    QTreeView* view = tool->detailsView();
    const QModelIndex index = tool->model()->index(tool->rowOf("old.txt"), 0);
    view->setCurrentIndex(index);
    view->edit(index);
    EXPECT_TRUE(tool->editing());
    auto* editor = view->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("new.txt");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return names().contains("new.txt"); }, 2000));
    EXPECT_FALSE(QFile::exists(dir.file("old.txt")));
    EXPECT_FALSE(tool->editing());
}

TEST_F(FileOpsFixture, RenameDialogOfferedOneByOne) {
    dir.write("one");
    dir.write("two");
    open();
    select({"one", "two"});
    ui::ScopedModalHandler h([](QDialog* d) {
        auto* r = static_cast<RenameDialog*>(d);
        EXPECT_EQ(r->oldName()->text(), QStringLiteral("one"));
        r->newName()->setText("uno");
        QTest::keyClick(r->newName(), Qt::Key_Return);
        EXPECT_EQ(r->oldName()->text(), QStringLiteral("two"));
        r->newName()->setText("dos");
        QTest::keyClick(r->newName(), Qt::Key_Return);
        return d->result();
    });
    tool->commands().renameSelected();
    EXPECT_EQ(names(), QStringList({"dos", "uno"}));
}

TEST_F(FileOpsFixture, ChangeCaseKeepsOtherCaseTwins) {
    dir.write("MY FILE.TXT", "1");
    dir.write("readme.TXT", "2");
    dir.write("Twin.txt", "twin");
    dir.write("TWIN.TXT", "upper");
    open();
    select({"MY FILE.TXT", "readme.TXT", "TWIN.TXT"});
    ui::ScopedModalHandler h([](QDialog* d) {
        auto* c = static_cast<CaseDialog*>(d);
        c->choice(2)->setChecked(true);
        c->okButton()->click();
        return d->result();
    });
    tool->commands().changeCase();
    EXPECT_TRUE(names().contains("My file.txt"));
    EXPECT_TRUE(names().contains("Readme.txt"));
    EXPECT_EQ(readAll(dir.file("Twin.txt")), QByteArray("twin"));
    EXPECT_EQ(readAll(dir.file("TWIN.TXT")), QByteArray("upper"));
}

TEST_F(FileOpsFixture, SetAttributesClearsTheOthersAndSetsTheDate) {
    QString f = dir.write("f.txt", "x");
    fake.setAttributes(f, platform::faHidden | platform::faArchive);
    open();
    select({"f.txt"});
    ui::ScopedModalHandler h([](QDialog* d) {
        auto* fx = static_cast<SetAttributesDialog*>(d);
        EXPECT_EQ(fx->dateEdit()->date(), QDate(2001, 2, 19));
        fx->readOnly()->setChecked(true);
        fx->okButton()->click();
        return d->result();
    });
    tool->commands().setAttributes();
    const quint32 a = fake.attributes(f);
    EXPECT_TRUE(a & platform::faReadOnly);
    EXPECT_FALSE(a & platform::faHidden);
    EXPECT_EQ(QFileInfo(f).lastModified(), QDateTime(QDate(2001, 2, 19), QTime(22, 24, 54)));
    if (fake.setAttributes(dir.write("probe"), 0) &&
        !(fake.attributes(dir.file("probe")) & platform::faArchive)) {
        EXPECT_FALSE(a & platform::faArchive);
    }
}

TEST_F(FileOpsFixture, PropertiesNeedExactlyOneEntry) {
    dir.write("a", "12345");
    dir.write("b");
    open();
    select({"a", "b"});
    tool->commands().showProperties();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Un fichier et un seul doit être sélectionné"));
    tool->detailsView()->clearSelection();
    select({"a"});
    QString size;
    ui::ScopedModalHandler h([&](QDialog* d) {
        size = static_cast<PropertiesDialog*>(d)->sizeEdit()->text();
        return 0;
    });
    tool->commands().showProperties();
    EXPECT_EQ(size, QStringLiteral("5 octets"));
}

TEST_F(FileOpsFixture, NewFolderAndNewText) {
    open();
    dialogs.answerInput("Nouveau");
    tool->commands().newFolder();
    EXPECT_TRUE(QFileInfo(dir.file("Nouveau")).isDir());
    EXPECT_TRUE(names().contains("Nouveau"));
    dialogs.answerInput("Nouveau");
    EXPECT_THROW(tool->commands().newFolder(), ui::InOutError);
    tool->commands().newText();
    ASSERT_EQ(fake.launches.size(), 1);
    EXPECT_EQ(fake.launches[0].file, QStringLiteral("notepad"));
    EXPECT_TRUE(fake.launches[0].folder.isEmpty());
}

TEST_F(FileOpsFixture, EscapeStopsAPasteAtTheNextEntry) {
    for (int i = 0; i < 5; ++i)
        dir.write(QStringLiteral("src/f%1").arg(i), "x");
    dir.write("dst/f0", "old");
    QDir::setCurrent(dir.file("src"));
    open();
    memorise({"f0", "f1", "f2", "f3", "f4"}, false);
    goTo(dir.file("dst"));
    // Escape pressed in the list while the first entry asks to replace.
    dialogs.onShow = [this](const ui::ScriptedDialogs::Shown&) {
        QTest::keyClick(tool->detailsView(), Qt::Key_Escape);
    };
    dialogs.answer(ui::Yes);
    tool->commands().pasteClipboard();
    EXPECT_EQ(QDir(dir.file("dst")).entryList(QDir::Files), QStringList{"f0"});
    EXPECT_EQ(readAll(dir.file("dst/f0")), "x");
}

TEST_F(FileOpsFixture, AStopWithinALargeFileEndsItsCopyWithoutAQuestion) {
    const QString src = dir.write("src/big.iso", QByteArray(40 << 20, 'i'));
    dir.mkdir("dst");
    int questions = 0;
    QList<int> percents;
    core::DirectJob job; // Escape during the second piece
    job.onProgress = [&](int percent) {
        percents << percent;
        if (percents.size() == 2) job.cancel();
    };
    const TreeCallbacks cb{job, [&](const QString&) {
                               ++questions;
                               return ReplaceAnswer::Yes;
                           }};
    bool askReplace = true;
    copyOne(src, dir.file("dst/big.iso"), "big.iso", false, askReplace, cb);
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(percents, QList<int>({40, 80})); // Escape is seen after the second piece
    EXPECT_TRUE(QDir(dir.file("dst")).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

#include "file_manager_fixture.h"
#include "filemanager/components/drive_selector.h"
#include "filemanager/components/folder_tree.h"
#include "filemanager/filter_dialog.h"
#include "ui/commands.h"
#include "ui/errors.h"
#include "ui/modal_runner.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

using namespace filemanager;

namespace {
void setDate(platform::Platform& p, const QString& path, QDate d) {
    p.setFileTime(path, QDateTime(d, QTime(12, 0)));
}
} // namespace

TEST_F(FileManagerFixture, SortBySizePutsFoldersFirst) {
    dir.write("big", QByteArray(300, 'x'));
    dir.write("small", QByteArray(20, 'x'));
    dir.write("also20", QByteArray(20, 'x'));
    dir.write("nine", QByteArray(9, 'x'));
    dir.mkdir("zfolder");
    open();
    tool->sortBySize();
    EXPECT_EQ(names(), QStringList({"zfolder", "nine", "also20", "small", "big"}));
}

TEST_F(FileManagerFixture, SortByDateYearFirstAndByExtension) {
    setDate(fake, dir.write("new.txt"), QDate(2000, 1, 1));
    setDate(fake, dir.write("old.txt"), QDate(1999, 12, 31));
    dir.write("archive.tar.gz");
    dir.write("b.txt");
    open();
    tool->sortByDate();
    EXPECT_LT(names().indexOf("old.txt"), names().indexOf("new.txt"));
    tool->sortByExtension();
    EXPECT_LT(names().indexOf("archive.tar.gz"), names().indexOf("b.txt"));
    EXPECT_EQ(tool->rowRecord(tool->rowOf("archive.tar.gz"), FileManagerView::SortKey::Ext)
                  .section('\t', 0, 0),
              QStringLiteral("tar.gz"));
}

TEST_F(FileManagerFixture, SortByNameIgnoresCaseAndClearsSelection) {
    for (const char* n : {"Abe", "abc", "ABD"})
        dir.write(n);
    open();
    select({"abc"});
    tool->sortByName();
    EXPECT_EQ(names(), QStringList({"abc", "ABD", "Abe"}));
    EXPECT_TRUE(tool->selectedRows().isEmpty());
    QStringList before = names();
    tool->onColumnClicked(3); // "Attrib." does nothing
    EXPECT_EQ(names(), before);
}

TEST_F(FileManagerFixture, SizeKeyIsRightAlignedInSixteen) {
    dir.write("f", QByteArray(123, 'x'));
    dir.mkdir("d");
    open();
    EXPECT_EQ(tool->rowRecord(tool->rowOf("f"), FileManagerView::SortKey::Size).section('\t', 0, 0),
              QString(13, ' ') + "123");
    EXPECT_EQ(tool->rowRecord(tool->rowOf("d"), FileManagerView::SortKey::Size).section('\t', 0, 0),
              QString(15, ' '));
}

TEST_F(FileManagerFixture, FilterDialogConfirmedOrCancelled) {
    dir.write("a.exe");
    dir.write("b.txt");
    open();
    {
        ui::ScopedModalHandler h([](QDialog* d) {
            auto* f = static_cast<FilterDialog*>(d);
            EXPECT_EQ(f->edit()->text(), QStringLiteral("*.*"));
            f->edit()->setText("*.exe");
            QTest::keyClick(f->edit(), Qt::Key_Return);
            return d->result();
        });
        tool->chooseFilter();
    }
    EXPECT_EQ(tool->filter(), QStringLiteral("*.exe"));
    EXPECT_EQ(names(), QStringList({"a.exe"}));
    {
        ui::ScopedModalHandler h([](QDialog* d) {
            static_cast<FilterDialog*>(d)->edit()->clear();
            QTest::keyClick(static_cast<FilterDialog*>(d)->edit(), Qt::Key_Return);
            return d->result();
        });
        tool->chooseFilter();
    }
    EXPECT_EQ(tool->filter(), QStringLiteral("*.exe")); // an empty mask keeps the previous one
}

TEST_F(FileManagerFixture, HistoryKeepsTheLastTen) {
    for (int i = 0; i < 11; ++i)
        dir.mkdir(QStringLiteral("d%1").arg(i));
    open();
    for (int i = 0; i < 11; ++i) {
        tool->setFolder(dir.file(QStringLiteral("d%1").arg(i)));
        tool->addToHistory();
    }
    EXPECT_EQ(tool->historyLast(), 9);
    EXPECT_EQ(tool->history()[9], dir.file("d10"));
    EXPECT_EQ(tool->history()[0], dir.file("d1"));
    for (int i = 0; i < 9; ++i)
        tool->historyBack();
    EXPECT_EQ(tool->folder(), dir.file("d1"));
    tool->historyBack();
    EXPECT_EQ(tool->folder(), dir.file("d1"));
}

TEST_F(FileManagerFixture, BackThenNewFolderBecomesLast) {
    dir.mkdir("a");
    dir.mkdir("b");
    dir.mkdir("c");
    open();
    for (const char* n : {"a", "b"}) {
        select({n});
        tool->openSelected();
        select({".."});
        tool->openSelected();
    }
    // History: root, a, root, b, root
    tool->historyBack(); // back to b
    EXPECT_EQ(tool->folder(), dir.file("b"));
    select({".."});
    tool->openSelected();
    select({"c"});
    tool->openSelected();
    EXPECT_EQ(tool->history()[tool->historyLast()], dir.file("c"));
    tool->historyForward();
    EXPECT_EQ(tool->folder(), dir.file("c"));
    tool->historyBack();
    EXPECT_EQ(tool->folder(), dir.path());
}

TEST_F(FileManagerFixture, ParentRowGoesUpAndPromptFollows) {
    dir.mkdir("Win/System");
    QDir::setCurrent(dir.file("Win/System"));
    open();
    select({".."});
    tool->openSelected();
    EXPECT_EQ(tool->folder(), dir.file("Win"));
    EXPECT_EQ(tool->prompt()->text(), dir.file("Win") + ">"); // as spelled
    select({".."});
    tool->openSelected();
    EXPECT_FALSE(names().contains(".."));
}

TEST_F(FileManagerFixture, EnterWithSeveralRowsDoesNothing) {
    dir.mkdir("a");
    dir.mkdir("b");
    open();
    select({"a", "b"});
    QTest::keyClick(tool->detailsView(), Qt::Key_Return);
    EXPECT_EQ(tool->folder(), dir.path());
    tool->detailsView()->clearSelection();
    select({"a"});
    QTest::keyClick(tool->detailsView(), Qt::Key_Return);
    EXPECT_EQ(tool->folder(), dir.file("a"));
}

TEST_F(FileManagerFixture, DriveWithoutMediumIsNotReady) {
    testing_support::TempDir floppy(false);
    fake.addDrive(u'A', {floppy.path(), platform::DriveType::Removable, false});
    open();
    tool->listDrives()->fill();
    ASSERT_TRUE(tool->listDrives()->letters().contains(u'A'));
    tool->listDrives()->pick(int(tool->listDrives()->letters().indexOf(u'A')));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Le lecteur n'est pas prêt"));
    EXPECT_EQ(tool->listDrives()->drive(), u'C');
    fake.drive(u'A').ready = true;
    tool->listDrives()->pick(int(tool->listDrives()->letters().indexOf(u'A')));
    EXPECT_EQ(tool->folder(), floppy.path());
    EXPECT_THROW(FileManagerView::driveReady(u'1'), ui::TavError);
}

TEST_F(FileManagerFixture, CommandBoxStartsProgramInCurrentFolder) {
    open();
    tool->commandBox()->setEditText("notepad readme.txt");
    QTest::keyClick(tool->commandBox()->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(fake.launches.size(), 1);
    EXPECT_EQ(fake.launches[0].file, QStringLiteral("notepad"));
    EXPECT_EQ(fake.launches[0].params, QStringLiteral("readme.txt"));
    EXPECT_EQ(fake.launches[0].folder, dir.path());
    EXPECT_EQ(tool->commandBox()->itemText(0), QStringLiteral("notepad readme.txt"));
    EXPECT_TRUE(tool->commandBox()->currentText().isEmpty());
}

TEST_F(FileManagerFixture, TreeDoubleClickMovesTheList) {
    dir.mkdir("one/two");
    open();
    ASSERT_TRUE(tool->tree()->selectPath(dir.file("one/two")));
    tool->onTreeActivated();
    EXPECT_EQ(tool->folder(), dir.file("one/two"));
    EXPECT_EQ(tool->history()[tool->historyPosition()], dir.file("one/two"));
}

// The file manager keeps its folder itself: moving about tells who listens
// and gives the commands absolute folders, and the process stays where the
// program was started.
TEST_F(FileManagerFixture, TheFolderIsTheWindowsOwnAndTheProcessStaysPut) {
    dir.write("sub/inner/f.txt", "f");
    open();
    QStringList told;
    QObject::connect(tool.get(), &filemanager::FileManagerView::folderChanged,
                     [&](const QString& f) { told << f; });
    tool->selectRow(tool->rowOf("sub"));
    tool->openSelected();
    tool->setFolder("inner"); // relative to where it is
    EXPECT_EQ(told, QStringList({dir.file("sub"), dir.file("sub/inner")}));
    EXPECT_EQ(tool->context().currentFolder, dir.file("sub/inner"));
    EXPECT_EQ(QDir::currentPath(), dir.path());
    EXPECT_EQ(fake.driveCurrentFolder(u'C'), dir.file("sub/inner"));
    EXPECT_THROW(tool->setFolder("missing"), ui::InOutError);
    EXPECT_EQ(tool->folder(), dir.file("sub/inner"));
}

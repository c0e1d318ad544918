#include "file_manager_fixture.h"
#include "filemanager/components/drive_selector.h"
#include "filemanager/components/folder_tree.h"

using namespace filemanager;

class TreeFixture : public FileManagerFixture {
  protected:
    FolderTree tree;
    void SetUp() override {
        FileManagerFixture::SetUp();
        tree.setActive(true);
    }
};

TEST_F(TreeFixture, DeepPathOpensNodesOnTheWay) {
    dir.mkdir("Windows/System/Drivers");
    dir.mkdir("Other");
    QTreeWidgetItem* node = tree.selectPath(dir.file("Windows/System"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(tree.selectedPath(), dir.file("Windows/System"));
    EXPECT_TRUE(node->parent()->isExpanded());
    EXPECT_EQ(FolderTree::nodePath(node->parent()->parent()), dir.path()); // the drive
    EXPECT_EQ(tree.findPath(dir.file("Windows/Missing"), false), node->parent());
    EXPECT_EQ(tree.findPath(dir.file("Windows/Missing"), true), nullptr);
}

TEST_F(TreeFixture, SelectedPathOfSpecialNodesIsEmpty) {
    tree.setCurrentItem(tree.computerNode());
    EXPECT_EQ(tree.selectedPath(), QString());
    tree.setCurrentItem(tree.computerNode()->child(0));
    EXPECT_EQ(tree.selectedPath(), dir.path());
}

TEST_F(TreeFixture, ChildrenSortedIgnoringCase) {
    for (const char* n : {"beta", "Alpha", "gamma", "Delta"})
        dir.mkdir(QStringLiteral("p/%1").arg(n));
    QTreeWidgetItem* p = tree.selectPath(dir.file("p"));
    ASSERT_NE(p, nullptr);
    p->setExpanded(true);
    QStringList texts;
    for (int i = 0; i < p->childCount(); ++i)
        texts << p->child(i)->text(0);
    EXPECT_EQ(texts, QStringList({"Alpha", "beta", "Delta", "gamma"}));
}

TEST_F(TreeFixture, FollowsFoldersCreatedAndRemovedOutside) {
    dir.mkdir("watch/first");
    QTreeWidgetItem* node = tree.selectPath(dir.file("watch"));
    ASSERT_NE(node, nullptr);
    node->setExpanded(true);
    ASSERT_EQ(node->childCount(), 1);
    dir.mkdir("watch/second");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tree.findPath(dir.file("watch/second"), true) != nullptr; }, 5000));
    QDir(dir.file("watch/first")).removeRecursively();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tree.findPath(dir.file("watch/first"), true) == nullptr; }, 5000));
}

TEST_F(TreeFixture, RemovedSelectedFolderRefreshesItsDrive) {
    dir.mkdir("temp/inner");
    ASSERT_NE(tree.selectPath(dir.file("temp/inner")), nullptr);
    QDir(dir.file("temp")).removeRecursively();
    tree.verifySelected();
    QTreeWidgetItem* drive = tree.computerNode()->child(0);
    EXPECT_EQ(drive->childCount(), 0); // read again when next opened
    EXPECT_EQ(tree.findPath(dir.file("temp/inner"), true), nullptr);
}

TEST_F(FileManagerFixture, DriveComboListsDrivesWithoutMedium) {
    testing_support::TempDir floppy(false);
    fake.addDrive(u'A', {floppy.path(), platform::DriveType::Removable, false, "Disquette"});
    DriveSelector combo;
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("Disquette (A:)"));
    combo.setDrive(u'c');
    EXPECT_EQ(combo.drive(), u'C');
    EXPECT_EQ(combo.currentIndex(), 1);
    combo.setDrive(u'Q'); // no such drive: unchanged
    EXPECT_EQ(combo.drive(), u'C');
    int changes = 0;
    QObject::connect(&combo, &DriveSelector::changed, [&] { ++changes; });
    combo.pick(0);
    EXPECT_EQ(combo.drive(), u'A');
    EXPECT_EQ(changes, 1);
}

TEST_F(TreeFixture, ARefreshMergesAndKeepsOpenBranchesAndTheSelection) {
    dir.mkdir("top/open/inner");
    dir.mkdir("top/gone");
    QTreeWidgetItem* inner = tree.selectPath(dir.file("top/open/inner"));
    ASSERT_NE(inner, nullptr);
    QTreeWidgetItem* open = inner->parent();
    QTreeWidgetItem* top = open->parent();
    ASSERT_TRUE(open->isExpanded());
    dir.mkdir("top/added");
    QDir(dir.file("top/gone")).removeRecursively();
    tree.refreshNode(top);
    EXPECT_EQ(open->parent(), top); // the same node, not a new one
    EXPECT_TRUE(open->isExpanded());
    EXPECT_EQ(tree.currentItem(), inner);
    QStringList children;
    for (int i = 0; i < top->childCount(); ++i)
        children << top->child(i)->text(0);
    EXPECT_EQ(children, QStringList({"added", "open"}));
}

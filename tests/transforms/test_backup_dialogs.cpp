#include "filemanager/file_manager_view.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "transforms/backup/backup_dialog.h"
#include "transforms/backup/restore_dialog.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>
#include <gtest/gtest.h>

using namespace transforms;
using testing_support::readAll;
using testing_support::TempDir;

class DialogFixture : public ::testing::Test {
  protected:
    TempDir dir;
    platform::FakePlatform fake;
    ui::ScriptedDialogs dialogs;
    void SetUp() override {
        fake.addDrive(u'C', {dir.path()});
        platform::Platform::setInstance(&fake);
    }
    void TearDown() override { platform::Platform::setInstance(nullptr); }
};

TEST(BackupDialogRules, DestinationNamesAndFloppyLimit) {
    EXPECT_EQ(BackupDialog::archiveNameFor("/save/docs.zip"), QStringLiteral("/save/docs.bck"));
    EXPECT_EQ(BackupDialog::archiveNameFor("/data.old/save.tar.gz"),
              QStringLiteral("/data.old/save.bck"));
    EXPECT_EQ(BackupDialog::archiveNameFor("/save/noext"), QStringLiteral("/save/noext"));
}

TEST_F(DialogFixture, FloppyDestinationIsCutIntoVolumes) {
    TempDir floppy(false);
    fake.addDrive(u'A', {floppy.path(), platform::DriveType::Removable});
    EXPECT_EQ(BackupDialog::maxSizeFor(floppy.file("b.bck")), 1400000);
    EXPECT_EQ(BackupDialog::maxSizeFor(dir.file("b.bck")), 0);
    EXPECT_EQ(BackupDialog::maxSizeFor("Backup.bck"), 0); // relative: the current folder's drive
    QByteArray big(1500000, 0);
    QRandomGenerator g(5);
    for (auto& c : big)
        c = char(g.bounded(256));
    dir.write("big.bin", big);
    BackupDialog d;
    d.init({dir.file("big.bin")});
    // Named for a screen reader by what they are, not left to their value.
    EXPECT_EQ(d.destinationEdit->accessibleName(), QStringLiteral("Destination"));
    EXPECT_EQ(d.progressBar->accessibleName(), QStringLiteral("Progression"));
    d.destinationEdit->setText(floppy.file("b.bck"));
    d.backup();
    ASSERT_GE(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Insérer une disquete 2"));
    EXPECT_TRUE(QFile::exists(floppy.file("b.002")));
    EXPECT_LE(QFileInfo(floppy.file("b.bck")).size(), 1400000);
}

TEST_F(DialogFixture, BackupThenRestoreThroughTheDialogs) {
    dir.write("tree/a.txt", "alpha");
    dir.write("tree/sub/b.txt", QByteArray(50000, 'b'));
    BackupDialog back;
    back.init({dir.file("tree/*")});
    EXPECT_EQ(back.specs(), QStringList({dir.file("tree/*") + " /s"}));
    BackupDialog folders;
    folders.init({dir.file("tree/sub"), dir.file("tree/a.txt")});
    EXPECT_EQ(folders.specs(),
              QStringList({dir.file("tree/sub") + "/*.* /s", dir.file("tree/a.txt") + " /s"}));
    back.titleEdit->setText("Essai");
    back.backup();
    EXPECT_TRUE(dialogs.shown.isEmpty()); // empty destination: nothing happens
    back.destinationEdit->setText(dir.file("save.zip"));
    back.compression[2]->setChecked(true);
    back.backup();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.lastText().startsWith("Backup terminé. Taux de compression = "));
    EXPECT_TRUE(dialogs.lastText().endsWith(" %"));
    EXPECT_EQ(back.lastArchive(), dir.file("save.bck"));
    EXPECT_EQ(back.progressBar->value(), 100);
    EXPECT_TRUE(back.backupButton->isEnabled());

    RestoreDialog restore;
    restore.restore();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Indiquer l'archive à restaurer"));
    restore.archiveEdit->setText(dir.file("save.bck"));
    EXPECT_FALSE(restore.otherPathEdit->isEnabled());
    restore.otherPathButton->click();
    EXPECT_TRUE(restore.otherPathEdit->isEnabled());
    restore.restore();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Indiquer le nouveau chemin"));
    restore.otherPathEdit->setText("  " + dir.mkdir("out") + " ");
    restore.restore();
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Restore terminée avec succès, 2 fichiers sur 2 restorés"));
    EXPECT_EQ(readAll(dir.file("out/a.txt")), QByteArray("alpha"));
    EXPECT_EQ(readAll(dir.file("out/b.txt")), QByteArray(50000, 'b'));
    restore.fullPathBox->setChecked(true);
    restore.restore();
    EXPECT_EQ(readAll(dir.file("out") + dir.file("tree/sub/b.txt")), QByteArray(50000, 'b'));
}

TEST_F(DialogFixture, NothingSelectedGivesAnEmptyArchive) {
    BackupDialog back;
    back.init({});
    back.destinationEdit->setText(dir.file("empty.bck"));
    back.backup();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Backup terminé. Taux de compression = 0 %"));
    EXPECT_EQ(QFileInfo(dir.file("empty.bck")).size(), 16);
}

TEST_F(DialogFixture, ToolCommandsLeaveTheFileManagersFolderAlone) {
    dir.write("f.txt", "x");
    filemanager::FileManagerView tool;
    tool.show();
    tool.selectRow(tool.rowOf("f.txt"));
    QStringList specs;
    {
        ui::ScopedModalHandler h([&](QDialog* d) {
            auto* b = static_cast<BackupDialog*>(d);
            specs = b->specs();
            QDir::setCurrent("/"); // the process may be anywhere: the file manager is not moved
            return 0;
        });
        ui::runRegistered(QStringLiteral("Backup1"), tool.context());
    }
    EXPECT_EQ(specs, QStringList({dir.file("f.txt") + " /s"}));
    EXPECT_EQ(tool.folder(), dir.path());
    ui::ScopedModalHandler h([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Restaure"));
        return 0;
    });
    ui::runRegistered(QStringLiteral("Restore1"), tool.context());
    EXPECT_EQ(tool.folder(), dir.path());
}

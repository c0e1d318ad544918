// While a command runs, the main window takes no other command and no
// navigation; the command acts on the entries selected when it started.
#include "desk/notepad_window.h"
#include "filemanager/file_manager_view.h"
#include "shell/main_window.h"
#include "support/hooked_platform.h"
#include "support/temp_dir.h"
#include "ui/scripted_dialogs.h"

#include <QFileInfo>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace shell;
using testing_support::TempDir;

TEST(CommandLock, NavigatingDuringADeleteNeitherMovesItNorStartsAnother) {
    TempDir root;
    testing_support::HookedPlatform hooked;
    hooked.addDrive(u'C', {root.path()});
    platform::Platform::setInstance(&hooked);
    ui::ScriptedDialogs dialogs;
    for (const char* n : {"B/x1", "B/x2", "B/A/x1", "B/A/x2"})
        root.write(QString::fromLatin1(n), "data");
    QDir::setCurrent(root.file("B"));
    {
        MainWindow form;
        form.setNotepad(new desk::NotepadWindow(&form));
        form.show();
        filemanager::FileManagerView* tool = form.tool();
        QTreeView* list = tool->detailsView();
        list->setFocus();

        // Open folder A from the list, as a user does.
        list->setCurrentIndex(tool->model()->index(tool->rowOf("A"), 0));
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_EQ(QFileInfo(tool->folder()).fileName(), QStringLiteral("A"));
        list->clearSelection();
        tool->selectRow(tool->rowOf("x1"));
        tool->selectRow(tool->rowOf("x2"));

        // While the first file is being deleted: "Précédent", then Del again.
        bool clicked = false;
        hooked.beforeDelete = [&](const QString&) {
            if (std::exchange(clicked, true)) return;
            QMetaObject::invokeMethod(
                &form,
                [&] {
                    QTest::mouseClick(form.toolButton(QStringLiteral("Précédent")), Qt::LeftButton);
                    QTest::keyClick(list, Qt::Key_Delete);
                },
                Qt::BlockingQueuedConnection);
        };
        dialogs.answer(ui::Ok);
        QTest::keyClick(list, Qt::Key_Delete);

        EXPECT_TRUE(clicked);
        EXPECT_FALSE(QFileInfo::exists(root.file("B/A/x1")));
        EXPECT_FALSE(QFileInfo::exists(root.file("B/A/x2")));
        EXPECT_TRUE(QFileInfo::exists(root.file("B/x1")));
        EXPECT_TRUE(QFileInfo::exists(root.file("B/x2")));
        EXPECT_EQ(QFileInfo(tool->folder()).fileName(), QStringLiteral("A"));
        EXPECT_EQ(dialogs.texts().size(), 1)
            << dialogs.texts().join("|").toStdString(); // no second delete
        // Once the delete is over the window answers again.
        QTest::mouseClick(form.toolButton(QStringLiteral("Précédent")), Qt::LeftButton);
        EXPECT_EQ(QFileInfo(tool->folder()).fileName(), QStringLiteral("B"));
    }
    platform::Platform::setInstance(nullptr);
}

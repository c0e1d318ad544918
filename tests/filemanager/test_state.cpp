// The file manager's state without its widgets: history, selection, paste.
#include "filemanager/file_manager_state.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using filemanager::FileManagerState;
using testing_support::TempDir;

TEST(FileManagerState, KeepsTenFoldersAndStepsThroughThem) {
    TempDir dir;
    FileManagerState state;
    QSignalSpy changed(&state, &FileManagerState::folderChanged);
    state.start(dir.path());
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(state.enter(dir.mkdir(QStringLiteral("f%1").arg(i))));
        state.addToHistory();
    }
    EXPECT_EQ(changed.count(), 12);
    EXPECT_EQ(state.historyLast(), 9);
    EXPECT_EQ(state.history().first(), dir.file("f2")); // the oldest went
    EXPECT_EQ(state.history().last(), dir.file("f11"));
    EXPECT_EQ(state.stepBack(), dir.file("f10"));
    EXPECT_EQ(state.stepForward(), dir.file("f11"));
    EXPECT_EQ(state.stepForward(), QString()); // at the end
    for (int i = 0; i < 9; ++i)
        state.stepBack();
    EXPECT_EQ(state.historyPosition(), 0);
    EXPECT_EQ(state.stepBack(), QString());

    int error = 0;
    EXPECT_FALSE(state.enter(dir.file("none"), &error));
    EXPECT_EQ(error, platform::errPathNotFound);
    EXPECT_EQ(state.folder(), dir.file("f11")); // where it was

    state.setSelection({"a", "..", "b"});
    EXPECT_EQ(state.selection(), QStringList({"a", "b"}));
    state.keep({dir.file("a")});
    state.setPasteMode(1);
    EXPECT_EQ(state.clipboard(), QStringList({dir.file("a")}));
    EXPECT_EQ(state.pasteMode(), 1);
}

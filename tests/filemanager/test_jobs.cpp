// Long file operations run as jobs: Escape reaches them through the
// window, questions come back to the window's thread.
#include "file_manager_fixture.h"
#include "support/hooked_platform.h"
#include "ui/errors.h"

#include <QAtomicInt>
#include <QProgressBar>
#include <QThread>
#include <QTreeView>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace filemanager;
using testing_support::HookedPlatform;

namespace {

class JobFixture : public FileManagerFixture {
  protected:
    HookedPlatform hooked;
    void SetUp() override {
        hooked.addDrive(u'C', {dir.path()});
        platform::Platform::setInstance(&hooked);
    }
    void selectAll(const QStringList& rows) {
        tool->detailsView()->clearSelection();
        select(rows);
        tool->setActivePane(2);
    }
};

} // namespace

TEST_F(JobFixture, EscapeStopsATreeDeleteWithinOneEntry) {
    constexpr int kFiles = 10000;
    QDir().mkpath(dir.file("big/sub"));
    for (int i = 0; i < kFiles; ++i) {
        QFile f(dir.file(QStringLiteral("big/sub/f%1").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir::setCurrent(dir.path());
    open();
    selectAll({"big"});
    // At the 100th file the worker waits until Escape has gone through the
    // window as a real key press.
    QAtomicInt deleted = 0;
    hooked.beforeDelete = [&](const QString&) {
        if (deleted.fetchAndAddRelaxed(1) + 1 != 100) return;
        QMetaObject::invokeMethod(
            tool.get(), [this] { QTest::keyClick(tool->detailsView(), Qt::Key_Escape); },
            Qt::BlockingQueuedConnection);
    };
    dialogs.answer(ui::Ok);
    tool->commands().deleteSelection();
    // The file being deleted when Escape came goes; the next one is not started.
    EXPECT_LE(deleted.loadRelaxed(), 101);
    EXPECT_GE(QDir(dir.file("big/sub")).entryList(QDir::Files).size(), kFiles - 101);
    EXPECT_TRUE(names().contains("big"));
    EXPECT_TRUE(dialogs.texts().size() == 1) << dialogs.texts().join('|').toStdString();
}

TEST_F(JobFixture, ReplaceQuestionAskedOnTheWindowThreadAndAllObeyed) {
    for (const char* n : {"a", "b", "c"}) {
        dir.write(QStringLiteral("src/%1").arg(n), "new");
        dir.write(QStringLiteral("dst/%1").arg(n), "old");
    }
    QDir::setCurrent(dir.file("src"));
    open();
    selectAll({"a", "b", "c"});
    tool->commands().copySelection();
    tool->setFolder(dir.file("dst"));
    QThread* asked = nullptr;
    QList<QThread*> copied;
    hooked.beforeCopy = [&](const QString&) { copied << QThread::currentThread(); };
    dialogs.onShow = [&](const ui::ScriptedDialogs::Shown&) { asked = QThread::currentThread(); };
    dialogs.answer(ui::All);
    tool->commands().pasteClipboard();
    EXPECT_EQ(dialogs.texts(), QStringList{"Remplacer le ficher a ?"});
    EXPECT_EQ(asked, QThread::currentThread());
    ASSERT_FALSE(copied.isEmpty());
    for (QThread* t : copied)
        EXPECT_NE(t, QThread::currentThread());
    for (const char* n : {"a", "b", "c"})
        EXPECT_EQ(testing_support::readAll(dir.file(QStringLiteral("dst/%1").arg(n))), "new");
}

TEST_F(JobFixture, AFailureInsideAJobIsReportedOnce) {
    // A folder that keeps a system file cannot be removed: the delete
    // stops with the input/output error, answered by the job and shown
    // once by the window.
    QDir().mkpath(dir.file("keep"));
    ASSERT_EQ(mkfifo(dir.file("keep/pipe").toLocal8Bit().constData(), 0600), 0);
    dir.write("z.txt", "z");
    QDir::setCurrent(dir.path());
    open();
    selectAll({"keep", "z.txt"});
    dialogs.answer(ui::Ok);
    const qsizetype before = dialogs.shown.size();
    EXPECT_NO_THROW(tool->commands().deleteSelection());
    ASSERT_EQ(dialogs.shown.size(), before + 2); // the question, then the report
    EXPECT_EQ(dialogs.shown.last().icon, ui::Icon::Stop);
    EXPECT_TRUE(QFileInfo::exists(dir.file("z.txt")));
    EXPECT_FALSE(tool->progressBar()->isVisible());
}

TEST_F(JobFixture, TreesWithNamesThatAreNotUtf8AreCopiedAndDeleted) {
    QDir().mkpath(dir.file("tree/sub"));
    const QByteArray raw = QFile::encodeName(dir.file("tree/sub")) + "/e\xff.txt";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    QDir::setCurrent(dir.path());
    open();
    selectAll({"tree"});
    tool->commands().copySelection();
    dir.mkdir("dst");
    tool->setFolder(dir.file("dst"));
    tool->commands().pasteClipboard();
    const QByteArray copied = QFile::encodeName(dir.file("dst/tree/sub")) + "/e\xff.txt";
    struct stat st;
    EXPECT_EQ(::stat(copied.constData(), &st), 0);
    selectAll({"tree"});
    dialogs.answer(ui::Ok);
    tool->commands().deleteSelection();
    EXPECT_FALSE(QFileInfo::exists(dir.file("dst/tree")));
    EXPECT_TRUE(dialogs.texts().size() == 1) << dialogs.texts().join('|').toStdString();
}

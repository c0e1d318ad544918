#include "core/job.h"
#include "filemanager/file_manager_view.h"
#include "hexedit/commands.h"
#include "hexedit/hex_editor_window.h"
#include "hexedit/hex_find_dialog.h"
#include "hexedit/hexeditor/hex_cursor.h"
#include "hexedit/hexeditor/hex_document.h"
#include "hexedit/hexeditor/hex_editor_view.h"
#include "hexedit/hexeditor/hex_storage.h"
#include "platform/held_files.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/commands.h"
#include "ui/errors.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hexedit;
using testing_support::readAll;
using testing_support::TempDir;

// The file manager reaches its tools through the command table.
static const bool commandsRegistered = [] {
    hexedit::registerCommands(ui::commands());
    return true;
}();

namespace {
template <class Bytes> QByteArray bytesOf(Bytes& d) {
    QByteArray out;
    for (qint64 i = 0; i < d.dataSize(); ++i)
        out.append(char(d.readByte(i)));
    return out;
}
// The document's jobs, run here.
bool loadInto(HexDocument& doc, const QString& name) {
    core::DirectJob job;
    return doc.copyIn(name, job) && doc.adoptCopy(name);
}
bool saveFrom(HexDocument& doc, const QString& name) {
    doc.flushWork();
    core::DirectJob job;
    if (!doc.writeTo(name, job)) return false;
    doc.savedAs(name);
    return true;
}
qint64 findIn(HexDocument& doc, QByteArray& pattern, qint64 first, qint64 last, bool ignoreCase,
              bool translate) {
    core::DirectJob job;
    return HexDocument::scan(doc.prepareFind(pattern, first, last, ignoreCase, translate), job);
}
} // namespace

class Doc : public ::testing::Test {
  protected:
    TempDir dir;
    HexDocument doc;
    HexCursor d{doc};
    void load(const QByteArray& content) {
        dir.write("f.bin", content);
        ASSERT_TRUE(loadInto(d.document(), dir.file("f.bin")));
    }
};

TEST_F(Doc, EmptyDocumentRules) {
    d.document().newFile("Untitled");
    EXPECT_EQ(d.dataSize(), 0);
    EXPECT_EQ(d.rowCount(), 1);
    d.changeByte(0, 5);
    d.deleteSelection();
    EXPECT_FALSE(d.document().canUndo());
    EXPECT_FALSE(d.moveCaret(Cell{0, 3}, false, false));
    d.appendBuffer("ab");
    EXPECT_EQ(bytesOf(d), QByteArray("ab"));
    EXPECT_EQ(d.document().undoDescription(), QStringLiteral("Append buffer"));
    d.undo();
    EXPECT_EQ(d.dataSize(), 0);
    EXPECT_EQ(d.document().undoDescription(), QStringLiteral("No Undo"));
    d.insertBuffer("xyz", 0);
    EXPECT_EQ(bytesOf(d), QByteArray("xyz"));
}

TEST_F(Doc, SelStartSeekAndSelEnd) {
    load("0123456789");
    EXPECT_THROW(d.setSelStart(10), ui::TavError);
    EXPECT_THROW(d.setSelEnd(-1), ui::TavError);
    EXPECT_FALSE(d.seek(10, 0, true));
    EXPECT_TRUE(d.seek(10, 0, false));
    EXPECT_EQ(d.caretOffset(), 9);
    EXPECT_TRUE(d.seek(-2, 1, true));
    EXPECT_EQ(d.caretOffset(), 7);
    d.setSelEnd(3);
    EXPECT_EQ(d.selStart(), 3);
    EXPECT_EQ(d.selEnd(), 7);
    EXPECT_EQ(d.selCount(), 5);
    EXPECT_EQ(d.caretOffset(), 7);
}

TEST_F(Doc, ChangeByteMarksAndUndo) {
    load("ABC");
    d.changeByte(1, 'B');
    EXPECT_FALSE(d.document().canUndo());
    EXPECT_FALSE(d.document().isChanged(1));
    d.changeByte(1, 'x');
    EXPECT_TRUE(d.document().isChanged(1));
    EXPECT_TRUE(d.document().modified);
    d.undo();
    EXPECT_EQ(bytesOf(d), QByteArray("ABC"));
    EXPECT_FALSE(d.document().isChanged(1));
    EXPECT_FALSE(d.document().modified);
    EXPECT_FALSE(d.document().canUndo());
    d.changeByte(0, 'a');
    d.changeByte(0, 'b');
    d.undo();
    EXPECT_TRUE(d.document().isChanged(0)); // the mark as it was before the undone change
    EXPECT_TRUE(d.document().modified);
}

TEST_F(Doc, DeleteThreeBytesAndUndoRestoresSelectionAndCaret) {
    load("abcdefgh");
    d.setSelStart(5);
    d.setSelEnd(3);
    const Cell caret = d.caret();
    d.deleteSelection();
    EXPECT_EQ(bytesOf(d), QByteArray("abcgh"));
    d.undo();
    EXPECT_EQ(bytesOf(d), QByteArray("abcdefgh"));
    EXPECT_EQ(d.selStart(), 3);
    EXPECT_EQ(d.selEnd(), 5);
    EXPECT_EQ(d.caret(), caret);
}

TEST_F(Doc, HundredAndOneRecords) {
    load(QByteArray(200, 0));
    for (int i = 0; i < 101; ++i)
        d.changeByte(i, quint8(i + 1));
    EXPECT_EQ(d.document().undoCount(), 100);
    for (int i = 0; i < 100; ++i)
        d.undo();
    EXPECT_EQ(d.readByte(0), 1); // the first change can no longer be undone
    EXPECT_EQ(d.readByte(1), 0);
    EXPECT_EQ(d.document().undoDescription(), QStringLiteral("No Undo"));
    EXPECT_FALSE(d.document().canUndo());
}

TEST_F(Doc, InsertReplaceAndNoSizeChange) {
    load("hello world");
    d.document().setAllowInsertMode(true);
    d.placeCaret(5, false);
    d.insertBuffer(",", 5);
    EXPECT_EQ(bytesOf(d), QByteArray("hello, world"));
    EXPECT_EQ(d.selCount(), 1);
    d.setSelStart(7);
    d.setSelEnd(11);
    d.replaceSelection("there!");
    EXPECT_EQ(bytesOf(d), QByteArray("hello, there!"));
    d.undo();
    EXPECT_EQ(bytesOf(d), QByteArray("hello, world"));
    d.undo();
    EXPECT_EQ(bytesOf(d), QByteArray("hello world"));
    d.document().setNoSizeChange(true);
    EXPECT_FALSE(d.document().allowInsertMode());
    d.deleteSelection();
    d.appendBuffer("!");
    EXPECT_EQ(d.dataSize(), 11);
    d.setSelStart(0);
    d.setSelEnd(4);
    d.replaceSelection("HELLO WORLD");
    EXPECT_EQ(bytesOf(d), QByteArray("HELLO world"));
}

TEST_F(Doc, FindOverlapsCaseAndLimits) {
    load("aaab xAbC abc");
    QByteArray p("\x61\x61\x62");
    EXPECT_EQ(findIn(d.document(), p, 0, d.dataSize() - 1, false, false), 1);
    QByteArray q("ABC");
    EXPECT_EQ(findIn(d.document(), q, 0, 100, true, true), 6);
    EXPECT_EQ(q, QByteArray("abc")); // lowered in place
    QByteArray exact("ABC");
    EXPECT_EQ(findIn(d.document(), exact, 0, 100, false, false), -1);
    QByteArray tail("bc");
    EXPECT_EQ(findIn(d.document(), tail, 12, 100, false, false),
              -1);                                                  // first + length beyond the end
    EXPECT_EQ(findIn(d.document(), tail, 0, 11, false, false), -1); // must end at or before last
    EXPECT_EQ(findIn(d.document(), tail, 0, 12, false, false), 11);
}

TEST_F(Doc, FindAcrossChunkBoundaries) {
    QByteArray big(3 << 20, 'x');
    big.replace((1 << 20) - 2, 5, "NEEDL");
    load(big);
    QByteArray p("NEEDL");
    EXPECT_EQ(findIn(d.document(), p, 0, d.dataSize() - 1, false, false), (1 << 20) - 2);
}

// Matches that straddle the windows the search maps, and bytes just typed:
// both are found where they are.
TEST_F(Doc, FindAcrossWindowsAndAfterEdits) {
    QByteArray big(40 << 20, 'x');
    big.replace((16 << 20) - 3, 6, "FiNdMe");
    big.replace((32 << 20) - 1, 2, "Zz");
    load(big);
    QByteArray p("FiNdMe"), q("findme"), z("zZ");
    EXPECT_EQ(findIn(d.document(), p, 0, d.dataSize() - 1, false, false), (16 << 20) - 3);
    EXPECT_EQ(findIn(d.document(), q, 0, d.dataSize() - 1, true, true), (16 << 20) - 3);
    EXPECT_EQ(findIn(d.document(), z, 0, d.dataSize() - 1, true, true), (32 << 20) - 1);
    d.changeByte(5, quint8('Q'));
    QByteArray typed("xQx");
    EXPECT_EQ(findIn(d.document(), typed, 0, d.dataSize() - 1, false, false), 4);
}

TEST_F(Doc, CaseInsensitiveSearchOverLongData) {
    QByteArray data(5000, 'x');
    data.replace(777, 5, "HeLLo");
    data.replace(3001, 3, "\xC9t\xC9"); // "ÉtÉ" in the ANSI code page
    data.replace(4990, 4, "hElL");
    load(data);
    QByteArray hello("hello"), ete("\xE9T\xE9"), cut("hello");
    EXPECT_EQ(findIn(d.document(), hello, 0, d.dataSize() - 1, true, true), 777);
    EXPECT_EQ(findIn(d.document(), ete, 0, d.dataSize() - 1, true, true), 3001);
    EXPECT_EQ(findIn(d.document(), cut, 778, d.dataSize() - 1, true, true),
              -1); // "hElL" runs off the end
}

TEST_F(Doc, BytesPerLineLimitsAndMarkers) {
    load(QByteArray(100, 1));
    EXPECT_THROW(d.setBytesPerLine(0), ui::TavError);
    EXPECT_THROW(d.setBytesPerLine(257), ui::TavError);
    d.setBytesPerLine(256);
    EXPECT_EQ(d.bytesPerLine(), 256);
    d.setBytesPerLine(16);
    EXPECT_THROW(d.setMarker(10, 1), ui::TavError);
    d.setMarker(3, 2);
    EXPECT_EQ(d.markerLine(3), 2);
    EXPECT_EQ(d.markerOn(2), 3);
    EXPECT_EQ(d.markerLine(4), d.caret().row);
}

TEST_F(Doc, SaveBackupRuleAndAtomicReplace) {
    load("original");
    QFile::setPermissions(dir.file("f.bin"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    d.changeByte(0, 'O');
    ASSERT_TRUE(saveFrom(d.document(), dir.file("f.bin")));
    EXPECT_EQ(readAll(dir.file("f.bin")), QByteArray("Original"));
    EXPECT_EQ(readAll(dir.file("f.bak")), QByteArray("original"));
    EXPECT_EQ(QFile::permissions(dir.file("f.bin")) & 0x0777,
              QFile::permissions(dir.file("f.bin")) & 0x0777);
    EXPECT_TRUE(QFile::permissions(dir.file("f.bin")) & QFile::ReadGroup);
    EXPECT_FALSE(QFile::permissions(dir.file("f.bin")) & QFile::ReadOther);
    EXPECT_FALSE(d.document().canUndo());
    EXPECT_FALSE(d.document().modified);
    QFile::remove(dir.file("f.bak"));
    ASSERT_TRUE(saveFrom(d.document(), dir.file("f.bin"))); // not modified: no backup
    EXPECT_FALSE(QFile::exists(dir.file("f.bak")));
    d.changeByte(0, 'Q');
    ASSERT_TRUE(saveFrom(d.document(), dir.file("other.bin"))); // another name: no backup
    EXPECT_FALSE(QFile::exists(dir.file("other.bak")));
    // A save that cannot happen reports false and keeps Modified.
    d.changeByte(1, 'R');
    EXPECT_FALSE(saveFrom(d.document(), dir.file("missing/dir/x.bin")));
    EXPECT_TRUE(d.document().modified);
    EXPECT_TRUE(d.document().canUndo());
}

// A sparse file stays sparse through load, a typed byte and save: only the
// parts with data are written, and the content is the same.
TEST_F(Doc, SparseFilesKeepTheirHoles) {
    const QString name = dir.file("disk.img");
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("head");
        f.seek(qint64(1) << 30);
        f.write("tail");
    }
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
    if (qint64(st.st_blocks) * 512 > (qint64(1) << 20)) GTEST_SKIP() << "no sparse files here";
    d.document().createBackup = false;
    ASSERT_TRUE(loadInto(d.document(), name));
    d.changeByte(0, 'H');
    d.changeByte(qint64(1) << 29, 'm'); // a byte in the middle of the hole
    ASSERT_TRUE(saveFrom(d.document(), name));
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
    EXPECT_EQ(qint64(st.st_size), (qint64(1) << 30) + 4);
    EXPECT_LT(qint64(st.st_blocks) * 512, qint64(1) << 20);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(4), QByteArray("Head"));
    f.seek(qint64(1) << 29);
    EXPECT_EQ(f.read(2), QByteArray("m\0", 2));
    f.seek(qint64(1) << 30);
    EXPECT_EQ(f.read(4), QByteArray("tail"));
}

TEST_F(Doc, SaveKeepsOwnerAndStoredAttributesAndSparesReadOnlyFiles) {
    platform::Platform& p = platform::Platform::instance();
    load("content");
    ASSERT_TRUE(p.setAttributes(dir.file("f.bin"), platform::faSysFile | platform::faArchive));
    const QByteArray path = dir.file("f.bin").toLocal8Bit();
    const bool chowned = ::chown(path.constData(), 4321, 4321) == 0; // as root only
    d.changeByte(0, 'C');
    ASSERT_TRUE(saveFrom(d.document(), dir.file("f.bin")));
    EXPECT_EQ(readAll(dir.file("f.bin")), QByteArray("Content"));
    EXPECT_TRUE(p.attributes(dir.file("f.bin")) & platform::faSysFile);
    struct stat st;
    ASSERT_EQ(::stat(path.constData(), &st), 0);
    if (chowned) {
        EXPECT_EQ(st.st_uid, 4321u);
    }
    ASSERT_TRUE(p.setAttributes(dir.file("f.bin"), platform::faReadOnly));
    d.changeByte(1, 'O');
    EXPECT_FALSE(saveFrom(d.document(), dir.file("f.bin")));
    EXPECT_EQ(readAll(dir.file("f.bin")), QByteArray("Content"));
    EXPECT_TRUE(d.document().modified);
}

TEST(DocLife, WorkingFileNamedAndRemoved) {
    QString name;
    {
        HexDocument d;
        name = d.workingFileName();
        EXPECT_TRUE(name.endsWith(".KWDT"));
        EXPECT_EQ(QFileInfo(name).fileName().size(), 8 + 5);
        EXPECT_TRUE(QFile::exists(name));
        HexDocument other;
        EXPECT_NE(other.workingFileName(), name);
    }
    EXPECT_FALSE(QFile::exists(name));
}

// An editor killed while it runs leaves its working file in the editors'
// own folder ($XDG_CACHE_HOME/tavtools/hexedit, mode 0700); the next editor
// removes it. What a running editor holds (before and after a load), a
// file just made, a load copy whose editor runs, a link and other names
// stay; the shared temporary folder is never looked at.
TEST(DocLife, WorkingFilesOfAKilledEditorAreRemovedByTheNext) {
    TempDir cache, shared;
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME"), savedTemp = qgetenv("TMPDIR");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    qputenv("TMPDIR", QFile::encodeName(shared.path()));
    shared.write("0000AAAA.KWDT", "another program's");
    {
        QFile f(shared.file("0000AAAA.KWDT"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                      QFileDevice::FileModificationTime);
    }
    const QString own = cache.file("tavtools/hexedit");
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        hexedit::HexStorage killed;
        const QByteArray name = QFile::encodeName(killed.workName());
        if (write(channel[1], name.constData(), size_t(name.size())) < 0) _exit(1);
        raise(SIGKILL);
    }
    close(channel[1]);
    char name[4096] = {};
    ASSERT_GT(read(channel[0], name, sizeof name - 1), 0);
    close(channel[0]);
    waitpid(child, nullptr, 0);
    const QString left = QFile::decodeName(name);
    ASSERT_TRUE(QFile::exists(left));
    EXPECT_FALSE(platform::isHeld(left));

    const auto age = [](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                      QFileDevice::FileModificationTime);
    };
    EXPECT_EQ(QFileInfo(left).absolutePath(), own);
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(own).permissions() & others, QFileDevice::Permissions());
    const auto file = [&](const QString& name) -> QString { return own + u'/' + name; };
    const auto make = [&](const QString& name, bool old) {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        if (old) age(file(name));
    };
    age(left);
    make(QFileInfo(left).fileName() + ".load", true);
    for (const char* name : {"0000BBBB.KWDT", "0000BBBB.KWDT.load", "notes.KWDT", "outside"})
        make(name, true);
    make("0000CCCC.KWDT", false);
    QFile::link(file("outside"), file("0000DDDD.KWDT"));
    QFile running(file("0000BBBB.KWDT"));
    ASSERT_TRUE(running.open(QIODevice::ReadWrite));
    ASSERT_TRUE(platform::holdFile(running.handle()));
    {
        HexDocument next;
        EXPECT_FALSE(QFile::exists(left));
        EXPECT_FALSE(QFile::exists(left + ".load"));
        for (const char* name : {"0000BBBB.KWDT", "0000BBBB.KWDT.load", "notes.KWDT", "outside",
                                 "0000CCCC.KWDT", "0000DDDD.KWDT"})
            EXPECT_TRUE(QFileInfo(file(name)).exists()) << name;
        EXPECT_TRUE(QFileInfo(file("0000DDDD.KWDT")).isSymLink());
        EXPECT_TRUE(platform::isHeld(next.workingFileName()));
        shared.write("f.bin", "loaded");
        ASSERT_TRUE(loadInto(next, shared.file("f.bin")));
        EXPECT_TRUE(platform::isHeld(next.workingFileName()));
        EXPECT_FALSE(QFile::exists(next.workingFileName() + ".load"));
        EXPECT_EQ(bytesOf(next), QByteArray("loaded"));
    }
    EXPECT_EQ(readAll(shared.file("0000AAAA.KWDT")), QByteArray("another program's"));
    savedTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTemp);
    savedCache.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", savedCache);
}

TEST_F(Doc, SourceChangesAfterLoadLeaveTheCopy) {
    load("stable");
    dir.write("f.bin", "changed!");
    EXPECT_EQ(bytesOf(d), QByteArray("stable"));
    QFile::remove(dir.file("f.bin"));
    EXPECT_EQ(bytesOf(d), QByteArray("stable"));
}

TEST(FindDialog, HexParsing) {
    EXPECT_EQ(HexFindDialog::parseHex("41 42").pattern, QByteArray("AB"));
    EXPECT_EQ(HexFindDialog::parseHex("414").pattern, QByteArray("A\x04"));
    EXPECT_EQ(HexFindDialog::parseHex("zz").kind, HexFindDialog::Result::Nothing);
}

class Widget : public ::testing::Test {
  protected:
    TempDir dir;
    HexEditorView w;
    HexCursor& d = w.cursor();
    void SetUp() override {
        w.resize(800, 400);
        w.show();
        w.setFocus();
    }
    void load(const QByteArray& content) {
        dir.write("w.bin", content);
        ASSERT_TRUE(loadInto(d.document(), dir.file("w.bin")));
    }
};

TEST_F(Widget, ColumnLayoutAndOffsets) {
    load(QByteArray(256, 0));
    const int wch = w.charWidth();
    for (int c = 2; c <= 33; ++c)
        EXPECT_EQ(w.columnWidth(c), c % 4 == 1 ? 2 * wch : wch) << c;
    EXPECT_EQ(d.separatorColumn(), 34);
    EXPECT_TRUE(d.isCharColumn(35));
    EXPECT_EQ(d.columnCount(), 51);
    EXPECT_EQ(w.offsetChars(), 5);
    EXPECT_EQ(w.offsetText(0), QStringLiteral("00:"));
    EXPECT_EQ(w.offsetText(0xF0), QStringLiteral("F0:"));
    w.setOffsetDisplay(odOctal);
    EXPECT_EQ(w.offsetText(8), QStringLiteral("o 0010:"));
    EXPECT_EQ(w.displayChar(0), QChar(u'.'));
    w.maskWhiteSpaces = false;
    EXPECT_EQ(w.displayChar(0), QChar(0));
}

TEST_F(Widget, TypingHexDigitsAndCharacters) {
    load(QByteArray(4, 0));
    QTest::keyClick(&w, Qt::Key_4);
    EXPECT_EQ(d.readByte(0), 0x40);
    QTest::keyClick(&w, Qt::Key_1);
    EXPECT_EQ(d.readByte(0), 0x41);
    EXPECT_EQ(d.caret(), (Cell{0, 4}));
    QTest::keyClick(&w, Qt::Key_G);
    EXPECT_EQ(d.readByte(1), 0);
    QTest::keyClick(&w, Qt::Key_Tab); // to the character area
    EXPECT_TRUE(d.caretInChars());
    QTest::keyClicks(&w, "Z");
    QKeyEvent accented(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("é"));
    QApplication::sendEvent(&w, &accented);
    EXPECT_EQ(d.readByte(1), 'Z');
    EXPECT_EQ(d.readByte(2), 0xE9);
    EXPECT_TRUE(d.document().isChanged(1));
    QTest::keyClick(&w, Qt::Key_Insert); // clears the marks
    EXPECT_FALSE(d.document().isChanged(1));
    QTest::keyClick(&w, Qt::Key_End);
    QTest::keyClicks(&w, "xy"); // past the end outside insert mode: ignored after the last byte
    EXPECT_EQ(d.dataSize(), 4);
}

TEST_F(Widget, CtrlDeleteAndNavigation) {
    load("0123456789abcdefXYZ");
    QTest::keyClick(&w, Qt::Key_Right);
    QTest::keyClick(&w, Qt::Key_Right);
    EXPECT_EQ(d.caretOffset(), 1);
    QTest::keyClick(&w, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(d.dataSize(), 18);
    EXPECT_EQ(d.readByte(1), '2');
    QTest::keyClick(&w, Qt::Key_Down);
    EXPECT_EQ(d.caretOffset(), 17);
    QTest::keyClick(&w, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(d.caretOffset(), 0);
    QTest::keyClick(&w, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(d.caretOffset(), 17);
    QTest::keyClick(&w, Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(d.markerSlot(3), 1);
    QTest::keyClick(&w, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(d.caret(), (Cell{1, 2}));
    d.document().setNoSizeChange(true);
    QTest::keyClick(&w, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(d.dataSize(), 18);
}

TEST_F(Widget, ShiftSelectsAndMouseClicksSeparator) {
    load("0123456789abcdefXYZ");
    QTest::keyPress(&w, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyRelease(&w, Qt::Key_Shift);
    EXPECT_EQ(d.selStart(), 0);
    EXPECT_EQ(d.selEnd(), 1);
    QTest::keyClick(&w, Qt::Key_Left);
    EXPECT_EQ(d.selStart(), -1);
    const int sepX = 0;
    Q_UNUSED(sepX);
    const Cell sep{0, d.separatorColumn()};
    d.moveCaret(sep, true, true);
    EXPECT_EQ(d.caret(), (Cell{0, d.separatorColumn() - 1}));
}

TEST_F(Widget, PagesMouseSelectionAndBackspace) {
    load(QByteArray(16 * 200, 'p'));
    const int visible = w.visibleRows();
    QTest::keyClick(&w, Qt::Key_PageDown);
    EXPECT_EQ(d.caret().row, visible - 1);
    QTest::keyClick(&w, Qt::Key_PageUp);
    EXPECT_EQ(d.caret().row, 0);
    // Press on byte 1 and drag to byte 5 of the first line, hex area.
    const int y = w.rowHeight() / 2;
    auto xOf = [&](int col) {
        int x = 0;
        for (int c = 0; c < col; ++c)
            x += w.columnWidth(c);
        return x + 1;
    };
    QTest::mousePress(w.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(xOf(4), y));
    QMouseEvent move(QEvent::MouseMove, QPointF(xOf(12), y),
                     w.viewport()->mapToGlobal(QPointF(xOf(12), y)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w.viewport(), &move);
    QTest::mouseRelease(w.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(xOf(12), y));
    EXPECT_EQ(d.selStart(), 1);
    EXPECT_EQ(d.selEnd(), 5);
    QTest::keyClick(
        &w, Qt::Key_Backspace); // outside insert mode: a Left arrow that clears the selection
    EXPECT_EQ(d.selStart(), -1);
    EXPECT_EQ(d.dataSize(), 16 * 200);
}

TEST_F(Widget, InsertModeTypesAndDeletes) {
    load("abc");
    d.document().setAllowInsertMode(true);
    QTest::keyClick(&w, Qt::Key_Insert);
    ASSERT_TRUE(d.document().insertMode());
    QTest::keyClick(&w, Qt::Key_Tab); // character area
    QTest::keyClicks(&w, "X");
    EXPECT_EQ(bytesOf(d), QByteArray("Xabc"));
    d.clearSelection();
    d.placeCaret(2, true);
    QTest::keyClick(&w, Qt::Key_Delete);
    EXPECT_EQ(bytesOf(d), QByteArray("Xac"));
    QTest::keyClick(&w, Qt::Key_Backspace);
    EXPECT_EQ(bytesOf(d), QByteArray("Xc"));
    EXPECT_EQ(d.caretOffset(), 1);
    d.undo();
    d.undo();
    d.undo();
    EXPECT_EQ(bytesOf(d), QByteArray("abc"));
}

TEST(HexWindow, OpensFindsGoesToAndAsksBeforeClosing) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    dir.write("data.bin", "aaaaa Hello");
    HexEditorWindow win;
    win.init("data.bin");
    win.show();
    QApplication::processEvents();
    HexCursor& d = win.editor->cursor();
    ASSERT_EQ(d.dataSize(), 11);
    {
        ui::ScopedModalHandler h([](QDialog* dlg) {
            auto* f = static_cast<HexFindDialog*>(dlg);
            f->text()->setText("AA");
            QTest::keyClick(f->text(), Qt::Key_Return);
            return 1;
        });
        win.find();
    }
    EXPECT_EQ(d.selStart(), 0);
    EXPECT_EQ(d.caretOffset(), 1);
    QTest::keyClick(win.editor, Qt::Key_F3);
    EXPECT_EQ(d.selStart(), 2);
    QTest::keyClick(win.editor, Qt::Key_F3);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Chaîne aa non trouvée"));
    dialogs.answerInput("B");
    win.goTo();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Position invalide"));
    dialogs.answerInput("6");
    win.goTo();
    EXPECT_EQ(d.caretOffset(), 6);
    // Ctrl+Z undoes, as the toolbar's "Annuler" does.
    QApplication::setActiveWindow(&win);
    win.editor->setFocus();
    d.changeByte(0, 'z');
    QTest::keyClick(win.editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(d.readByte(0), quint8('a'));
    // Closing unchanged asks nothing; changed asks, and Cancel keeps it open.
    d.changeByte(0, 'z');
    dialogs.answer(ui::Cancel);
    win.reject();
    EXPECT_TRUE(win.isVisible());
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Enregistrer les modifications ?"));
    // A save that fails is told and keeps the window and its changes.
    platform::Platform::instance().setAttributes(dir.file("data.bin"), platform::faReadOnly);
    dialogs.answer(ui::Yes);
    dialogs.answerFile(dir.file("data.bin"));
    win.reject();
    EXPECT_TRUE(win.isVisible());
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Ne peut pas enregistrer ")));
    EXPECT_EQ(readAll(dir.file("data.bin")), QByteArray("aaaaa Hello"));
    platform::Platform::instance().setAttributes(dir.file("data.bin"), 0);
    dialogs.answer(ui::Yes);
    dialogs.answerFile(dir.file("data.bin"));
    win.reject();
    EXPECT_FALSE(win.isVisible());
    EXPECT_EQ(readAll(dir.file("data.bin")), QByteArray("zaaaa Hello"));
}

namespace {
// A disk so slow that a save goes on until it is stopped.
struct SlowDisk : platform::FakePlatform {
    bool slow = true, slowCopy = false;
    // Up to five seconds of work, telling the job at each millisecond.
    bool stoppedWhileSlow(core::Job* job) {
        for (int i = 0; i < 5000; ++i) {
            if (job && job->advance(i, 5000)) return true;
            QThread::msleep(1);
        }
        return false;
    }
    platform::Status copyFile(const QString& from, const QString& to, bool failIfExists,
                              core::Job* job, bool durable) override {
        if (slowCopy && stoppedWhileSlow(job))
            return platform::Status::failed(platform::errCancelled);
        return FakePlatform::copyFile(from, to, failIfExists, job, durable);
    }
    platform::Status appendFile(const QString& from, QFile& to, qint64 offset, qint64 size,
                                core::Job* job) override {
        if (slow && stoppedWhileSlow(job)) return platform::Status::failed(platform::errCancelled);
        return FakePlatform::appendFile(from, to, offset, size, job);
    }
};
} // namespace

// The save runs as a job: Escape stops it, the file stays as it was and the
// changes stay in the editor without an error box; saved again, it is whole.
TEST(HexWindow, EscapeStopsASaveAndKeepsTheChanges) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    SlowDisk disk;
    disk.addDrive(u'C', {dir.path()});
    platform::Platform::setInstance(&disk);
    dir.write("large.bin", "data");
    HexEditorWindow win;
    win.init(dir.file("large.bin"));
    win.show();
    QApplication::processEvents();
    HexCursor& d = win.editor->cursor();
    d.changeByte(0, 'E');
    dialogs.answerFile(dir.file("large.bin"));
    QTimer::singleShot(50, [&] { QTest::keyClick(&win, Qt::Key_Escape); });
    EXPECT_FALSE(win.save());
    ASSERT_EQ(dialogs.shown.size(), 1); // the file name asked, and no error box
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Enregistrer"));
    EXPECT_TRUE(d.document().modified);
    EXPECT_EQ(readAll(dir.file("large.bin")), QByteArray("data"));
    disk.slow = false;
    dialogs.answerFile(dir.file("large.bin"));
    EXPECT_TRUE(win.save());
    EXPECT_FALSE(d.document().modified);
    EXPECT_EQ(readAll(dir.file("large.bin")), QByteArray("Eata"));
    win.hide();
    platform::Platform::setInstance(nullptr);
}

// The file is read as a job too: Escape stops it and closes the window.
TEST(HexWindow, EscapeStopsALoadAndClosesTheWindow) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    SlowDisk disk;
    disk.slowCopy = true;
    disk.addDrive(u'C', {dir.path()});
    platform::Platform::setInstance(&disk);
    dir.write("large.bin", "data");
    {
        HexEditorWindow win;
        win.init(dir.file("large.bin"));
        QTimer::singleShot(50, [&] { QTest::keyClick(&win, Qt::Key_Escape); });
        win.show();
        QApplication::processEvents();
        EXPECT_FALSE(win.isVisible());
        EXPECT_EQ(win.editor->document().dataSize(), 0);
    }
    disk.slowCopy = false;
    HexEditorWindow win;
    win.init(dir.file("large.bin"));
    win.show();
    QApplication::processEvents();
    EXPECT_EQ(win.editor->document().dataSize(), 4);
    win.hide();
    platform::Platform::setInstance(nullptr);
}

TEST(HexWindow, MissingFileAndSelectionRule) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    platform::FakePlatform fake;
    fake.addDrive(u'C', {dir.path()});
    platform::Platform::setInstance(&fake);
    dir.write("one");
    dir.write("two");
    {
        filemanager::FileManagerView tool;
        tool.show();
        tool.selectRow(tool.rowOf("one"));
        tool.selectRow(tool.rowOf("two"));
        ui::runRegistered(QStringLiteral("EditHex"), tool.context());
        EXPECT_EQ(dialogs.lastText(),
                  QStringLiteral("Un fichier et un seul doit être sélectionné"));
        tool.selectRow(tool.rowOf("two"), false);
        QString title;
        ui::ScopedModalHandler h([&](QDialog* dlg) {
            title = dlg->windowTitle();
            return 0;
        });
        ui::runRegistered(QStringLiteral("EditHex"), tool.context());
        EXPECT_EQ(title, QStringLiteral("Editeur Hexadécimal"));
    }
    HexEditorWindow win;
    win.init("absent.bin");
    EXPECT_FALSE(win.openFile());
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Ce fichier n'existe pas"));
    platform::Platform::setInstance(nullptr);
}

// A match far down the file, a continued search and a position reached
// bring the caret's line into view; Tab leaves the characters for the
// window's buttons, so "Fermer" is reachable without a mouse.
TEST(HexWindow, FoundMatchesComeIntoViewAndTabReachesTheButtons) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    QByteArray data(64 * 1024, '.');
    data.replace(40000, 4, "ZZZZ");
    data.replace(60000, 4, "ZZZZ");
    dir.write("big.bin", data);
    HexEditorWindow win;
    win.init("big.bin");
    win.resize(640, 400);
    win.show();
    QApplication::processEvents();
    HexEditorView* editor = win.editor;
    const auto caretShown = [&] {
        const qint64 row = editor->cursor().caret().row;
        return row >= editor->topRow() && row < editor->topRow() + editor->visibleRows();
    };
    {
        ui::ScopedModalHandler h([](QDialog* dlg) {
            auto* f = static_cast<HexFindDialog*>(dlg);
            f->text()->setText("zzzz");
            QTest::keyClick(f->text(), Qt::Key_Return);
            return 1;
        });
        win.find();
    }
    EXPECT_EQ(std::min(editor->cursor().selStart(), editor->cursor().selEnd()), 40000);
    EXPECT_GT(editor->topRow(), 0);
    EXPECT_TRUE(caretShown());
    QTest::keyClick(editor, Qt::Key_F3);
    EXPECT_EQ(std::min(editor->cursor().selStart(), editor->cursor().selEnd()), 60000);
    EXPECT_TRUE(caretShown());
    dialogs.answerInput("10");
    win.goTo();
    EXPECT_LT(editor->topRow(), 2);
    EXPECT_TRUE(caretShown());

    editor->setFocus();
    ASSERT_FALSE(editor->cursor().caretInChars());
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_TRUE(editor->cursor().caretInChars());
    EXPECT_TRUE(editor->hasFocus());
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_FALSE(editor->hasFocus());
    QStringList reached;
    for (int i = 0; i < 12 && !editor->hasFocus(); ++i) {
        if (auto* b = qobject_cast<QAbstractButton*>(QApplication::focusWidget()))
            reached << b->text();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_TRUE(reached.contains("Fermer")) << reached.join(", ").toStdString();
    EXPECT_TRUE(editor->hasFocus());
}

// The storage under the document: whatever is written, removed or inserted,
// the read window shows the working copy's bytes.
TEST(HexStorage, TheReadWindowFollowsEveryChange) {
    hexedit::HexStorage bytes;
    QByteArray model;
    QRandomGenerator random(11);
    // Looks first where the change was (what a stale window would show),
    // then all along.
    auto check = [&](const char* step, qint64 changed = 0) {
        ASSERT_EQ(bytes.size(), model.size()) << step;
        QList<qint64> places = {changed - 8, changed, changed + 8};
        for (qint64 at = 0; at < model.size(); at += 4093)
            places << at;
        for (qint64 at : places) {
            if (at < 0 || at >= model.size()) continue;
            int count = 0;
            const quint8* seen = bytes.bytesAt(at, 16, count);
            ASSERT_EQ(count, std::min<qint64>(16, model.size() - at)) << step;
            ASSERT_EQ(QByteArray(reinterpret_cast<const char*>(seen), count), model.mid(at, count))
                << step << " at " << at;
            ASSERT_EQ(bytes.byteAt(at, 16), quint8(model[at])) << step;
        }
    };
    for (int round = 0; round < 60; ++round) {
        const qint64 at = model.isEmpty() ? 0 : random.bounded(int(model.size()));
        const qint64 end = model.size();
        QByteArray piece(random.bounded(1, 300000), char(round));
        switch (round % 4) {
        case 0: // at the end: the file grows past the window
            bytes.write(model.size(), piece.constData(), piece.size());
            model += piece;
            break;
        case 1: // in place, short
            piece.truncate(std::min<qint64>(piece.size(), std::min<qint64>(7, model.size() - at)));
            bytes.write(at, piece.constData(), piece.size());
            model.replace(at, piece.size(), piece);
            break;
        case 2:
            bytes.insert(at, piece);
            model.insert(at, piece);
            break;
        case 3: {
            const qint64 last = std::min<qint64>(model.size(), at + piece.size() / 2);
            bytes.remove(at, last);
            model.remove(at, last - at);
            break;
        }
        }
        check("change", round % 4 == 0 ? end : at);
    }
    bytes.resize(10);
    model.truncate(10);
    check("resize");
}

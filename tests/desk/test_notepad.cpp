#include "desk/notepad_window.h"
#include "support/temp_dir.h"
#include "ui/errors.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using desk::NotepadWindow;
using testing_support::readAll;
using testing_support::TempDir;

TEST(Notepad, LoadsAnyLineEndAndSavesCrLfOnlyWhenChanged) {
    TempDir dir;
    dir.write("notes.nte", "one\ntwo\rthree\r\nfour");
    NotepadWindow pad;
    pad.load("notes.nte");
    EXPECT_EQ(pad.editor()->toPlainText(), QStringLiteral("one\ntwo\nthree\nfour"));
    EXPECT_FALSE(pad.modified());
    pad.save("untouched.nte");
    EXPECT_FALSE(QFile::exists("untouched.nte"));
    pad.show();
    QTest::keyClicks(pad.editor(), "x!");
    pad.editor()->insertPlainText(QStringLiteral("é"));
    EXPECT_TRUE(pad.modified());
    pad.save("notes.nte");
    EXPECT_EQ(readAll("notes.nte"), QByteArray("x!éone\r\ntwo\r\nthree\r\nfour"));
    EXPECT_FALSE(pad.modified());
}

TEST(Notepad, MissingFileGivesEmptyNote) {
    TempDir dir;
    NotepadWindow pad;
    pad.load("absent.nte");
    EXPECT_TRUE(pad.editor()->toPlainText().isEmpty());
}

TEST(Notepad, OlderSingleByteNotesAreRead) {
    TempDir dir;
    dir.write("old.nte", "caf\xe9\r\n");
    NotepadWindow pad;
    pad.load("old.nte");
    EXPECT_EQ(pad.editor()->toPlainText(), QStringLiteral("café\n"));
}

TEST(Notepad, UnreadableAndUnwritableFilesAreReported) {
    TempDir dir;
    dir.mkdir("folder.nte");
    NotepadWindow pad;
    try {
        pad.load("folder.nte");
        FAIL();
    } catch (const ui::TavError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Ne peut ouvrir le fichier folder.nte"));
    }
    pad.editor()->setPlainText("keep me");
    pad.editor()->document()->setModified(true);
    try {
        pad.save("folder.nte");
        FAIL();
    } catch (const ui::TavError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Ne peut créer le fichier folder.nte"));
    }
    EXPECT_EQ(pad.editor()->toPlainText(), QStringLiteral("keep me"));
    EXPECT_TRUE(pad.modified());
}

TEST(Notepad, HidingKeepsTheTextAndWrappedLinesPrintApart) {
    NotepadWindow pad;
    pad.resize(200, 300);
    pad.show();
    QTest::keyClicks(pad.editor(), "hello");
    QTest::mouseClick(pad.closeButton(), Qt::LeftButton);
    EXPECT_FALSE(pad.isVisible());
    pad.show();
    EXPECT_EQ(pad.editor()->toPlainText(), QStringLiteral("hello"));
    pad.editor()->setPlainText(QString(40, 'w').replace(QRegularExpression("(w{4})"), "\\1 "));
    QApplication::processEvents();
    EXPECT_GT(pad.displayedLines().size(), 1);
    EXPECT_EQ(pad.displayedLines().join("").remove(' '), QString(40, 'w'));
}

TEST(Notepad, PrintingWithoutAPrinterIsReported) {
    NotepadWindow pad;
    pad.editor()->setPlainText("line");
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed here";
    try {
        pad.print();
        FAIL();
    } catch (const ui::TavError& e) {
        EXPECT_FALSE(e.text().isEmpty());
    }
    EXPECT_EQ(pad.editor()->toPlainText(), QStringLiteral("line"));
}

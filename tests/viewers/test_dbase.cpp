// The dBase reader, its window and the file manager's "Voir" of a table.
#include "dbf_builder.h"
#include "filemanager/file_manager_view.h"
#include "support/fake_drive.h"
#include "support/temp_dir.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"
#include "viewers/commands.h"
#include "viewers/dbase_table.h"
#include "viewers/dbase_window.h"
#include "viewers/dbf_grid_model.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace viewers;
using dbf_test::Field;
using dbf_test::Table;
using testing_support::TempDir;

namespace {

Table people() {
    Table t;
    t.fields = {
        {"name", 'C', 10}, {"AGE", 'N', 5}, {"BORN", 'D', 8}, {"OK", 'L', 1}, {"X", 'Q', 3}};
    t.records = {{"Ann", "   42", "19800102", "T", "abc"},
                 {"  Bob", "    7", "20000229", "F", "x"}};
    t.deleted = {false, true};
    return t;
}

QString error(const std::function<void()>& f) {
    try {
        f();
    } catch (const core::TavError& e) {
        return e.text();
    }
    return {};
}

} // namespace

TEST(XBase, FieldsValuesAndDeletedRecords) {
    TempDir dir;
    people().write(dir.file("people.dbf"));
    DbaseTable t;
    t.setFilename(dir.file("people.dbf"));
    t.setActive(true);
    ASSERT_TRUE(t.active());
    EXPECT_EQ(t.fileName(), dir.file("people.dbf"));
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.fieldCount(), 5);
    EXPECT_EQ(t.fieldName(1), QStringLiteral("NAME"));
    EXPECT_EQ(t.fieldType(1), ftCharacter);
    EXPECT_EQ(t.fieldType(2), ftNumeric);
    EXPECT_EQ(t.fieldType(3), ftDate);
    EXPECT_EQ(t.fieldType(4), ftLogical);
    EXPECT_EQ(t.fieldType(5), ftOther);
    EXPECT_EQ(t.fieldLength(2), 5);
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.fieldValue(1), QStringLiteral("Ann"));
    EXPECT_EQ(t.fieldValue(2), QStringLiteral("   42")); // leading blanks kept
    EXPECT_EQ(t.fieldValue(3), QStringLiteral("19800102"));
    EXPECT_FALSE(t.deleted());
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.fieldValue(1), QStringLiteral("  Bob"));
    EXPECT_TRUE(t.deleted()); // still listed
    t.next();
    EXPECT_EQ(t.recordNumber(), 2);
    EXPECT_EQ(error([&] { t.fieldValue(6); }), QStringLiteral("Invalid Field Number"));
    EXPECT_EQ(error([&] { t.fieldName(0); }), QStringLiteral("Invalid Field Number: 0"));
    t.setActive(false);
    EXPECT_EQ(error([&] { t.next(); }), QStringLiteral("Data File Not Open"));
}

TEST(XBase, TheTableNamedIsReadFoundWhateverItsCase) {
    TempDir dir;
    people().write(dir.file("TABLE.DBF"));
    DbaseTable t;
    t.setFilename(dir.file("table.dbf"));
    t.setActive(true);
    EXPECT_TRUE(t.active());
    EXPECT_EQ(t.tablePath(), dir.file("TABLE.DBF"));
    // A dotted name is its own table, never the one cut at its first dot.
    DbaseTable dotted;
    dotted.setFilename(dir.file("table.old.dbf"));
    dotted.setActive(true);
    EXPECT_FALSE(dotted.active());
    DbaseTable missing;
    missing.setFilename(dir.file("nothing.dbf"));
    missing.setActive(true);
    EXPECT_FALSE(missing.active());
    // A read-only table opens: the viewer only reads.
    ASSERT_EQ(::chmod(dir.file("TABLE.DBF").toLocal8Bit().constData(), 0444), 0);
    DbaseTable ro;
    ro.setFilename(dir.file("table"));
    ro.setActive(true);
    EXPECT_TRUE(ro.active());
}

// Tables written by another program (python3-dbf), kept in tests/viewers/tables.
TEST(XBase, TablesOtherProgramsWrote) {
    const QString tables = QStringLiteral(TAVTOOLS_TEST_TABLES);
    const auto grid = [](const QString& path) {
        DbaseTable t;
        t.setFilename(path);
        t.setActive(true);
        QStringList rows;
        if (!t.active()) return rows;
        QStringList names;
        for (int f = 1; f <= t.fieldCount(); ++f)
            names << t.fieldName(f);
        rows << names.join(u'|');
        for (qint64 r = 1; r <= t.recordCount(); ++r, t.next()) {
            QStringList values;
            for (int f = 1; f <= t.fieldCount(); ++f)
                values << t.fieldValue(f).trimmed();
            rows << values.join(u'|');
        }
        return rows;
    };
    // Beside clients.dbf, the dotted name opens itself and its own memo file.
    EXPECT_EQ(grid(tables + "/clients.2023.dbf"),
              QStringList({"NOM|VILLE|INSCRIT|SOLDE|ACTIF|NOTES",
                           QStringLiteral("Dupont|Paris|20230105|1234567.89|T|Client fidèle\r\n"
                                          "depuis 2001"),
                           QStringLiteral("Lefèvre|Lyon|20230309|-12.50|F|")}));
    const QStringList world = {"NAME|AREA|LON", "France|55010|2.550",
                               QStringLiteral("Côte d'Ivoire|31800|-5.554")};
    EXPECT_EQ(grid(tables + "/TM_WORLD_BORDERS_SIMPL-0.3.dbf"), world);
    // The field list ended by a line feed instead of a carriage return.
    EXPECT_EQ(grid(tables + "/lf_header.dbf"), world);
    // No field and no record: a valid table, open and empty, even with a
    // record length of 0 and nothing after its header.
    EXPECT_EQ(grid(tables + "/vide.dbf"), QStringList({""}));
    TempDir dir;
    QByteArray bare(32, '\0');
    bare[0] = 3, bare[8] = 32;
    EXPECT_EQ(grid(dir.write("bare.dbf", bare)), QStringList({""}));
}

TEST(XBase, FieldCountFromTheTerminatorOrTheHeaderLength) {
    TempDir dir;
    const struct {
        int header;
        bool terminator;
        int fields;
    } cases[] = {{129, true, 3},  {130, true, 3},  {161, true, 3},  {162, true, 3},
                 {129, false, 2}, {130, false, 3}, {161, false, 3}, {162, false, 4}};
    for (const auto& c : cases) {
        Table t;
        t.fields = {{"A", 'C', 2}, {"B", 'C', 2}, {"C", 'C', 2}};
        t.records = {{"a", "b", "c"}};
        t.headerLength = c.header;
        t.terminator = c.terminator;
        t.write(dir.file("h.dbf"));
        DbaseTable x;
        x.setFilename(dir.file("h.dbf"));
        try {
            x.setActive(true);
            EXPECT_EQ(x.fieldCount(), c.fields) << c.header << " " << c.terminator;
        } catch (const DbaseError& e) {
            ADD_FAILURE() << c.header << " " << c.terminator << ": " << e.text().toStdString();
        }
    }
}

TEST(XBase, MemosOverBlocksAndTheirErrors) {
    TempDir dir;
    Table t;
    t.version = 0x83;
    t.fields = {{"ID", 'N', 3}, {"NOTE", 'M', 10}};
    t.records = {
        {"  1", "         1"}, {"  2", "          "}, {"  3", "         0"}, {"  4", "       900"}};
    t.write(dir.file("memo.dbf"));
    QByteArray text;
    for (int i = 0; i < 700; ++i)
        text += char('a' + i % 26);
    text[100] = char(0x8D);
    QFile m(dir.file("MEMO.DBT"));
    ASSERT_TRUE(m.open(QIODevice::WriteOnly));
    m.write(dbf_test::memoFile({{1, text}}));
    m.close();
    DbaseTable x;
    x.setFilename(dir.file("memo.dbf"));
    x.setActive(true);
    QByteArray expected = text;
    expected[100] = '\r';
    EXPECT_EQ(x.fieldValue(2), QString::fromLatin1(expected)); // whole, over two blocks
    x.next();
    EXPECT_EQ(x.fieldValue(2), QString());
    x.next();
    EXPECT_EQ(x.fieldValue(2), QString());
    x.next();
    EXPECT_EQ(x.fieldValue(2), QString()); // a block past the end of the memo file
    // The end mark split over two blocks still ends the memo.
    QByteArray split(512, 0);
    split += QByteArray(511, 's') + '\x1A' + '\x1A' + "after" + QByteArray(506, 0);
    ASSERT_TRUE(m.open(QIODevice::WriteOnly | QIODevice::Truncate));
    m.write(split);
    m.close();
    DbaseTable s;
    s.setFilename(dir.file("memo.dbf"));
    s.setActive(true);
    EXPECT_EQ(s.fieldValue(2), QString(511, u's'));
    // A memo without an end, shown in a cell: cut at the limit, with a mark.
    ASSERT_TRUE(m.open(QIODevice::WriteOnly | QIODevice::Truncate));
    m.write(QByteArray(512, 0) + QByteArray(64 * 1024, 'e'));
    m.close();
    DbaseTable shown;
    shown.setFilename(dir.file("memo.dbf"));
    shown.setMemoLimit(4096);
    shown.setActive(true);
    EXPECT_EQ(shown.fieldValue(2), QString(4096, u'e') + QChar(0x2026));
    shown.setMemoLimit(1 << 20);
    EXPECT_EQ(shown.fieldValue(2), QString(64 * 1024, u'e')); // whole: no mark
    // A memo field in a table of version 03, or without its memo file.
    t.version = 0x03;
    t.write(dir.file("plain.dbf"));
    DbaseTable plain;
    plain.setFilename(dir.file("plain.dbf"));
    plain.setActive(true);
    EXPECT_EQ(error([&] { plain.fieldValue(2); }), QStringLiteral("Error Reading Memo Record"));
    t.version = 0x83;
    t.write(dir.file("alone.dbf"));
    DbaseTable alone;
    alone.setFilename(dir.file("alone.dbf"));
    alone.setActive(true);
    EXPECT_EQ(error([&] { alone.fieldValue(2); }), QStringLiteral("Error Reading Memo Record"));
}

TEST(XBase, HostileHeadersAndShortFiles) {
    TempDir dir;
    QFile f(dir.file("tiny.dbf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(20, 3));
    f.close();
    DbaseTable tiny;
    tiny.setFilename(dir.file("tiny.dbf"));
    EXPECT_EQ(error([&] { tiny.setActive(true); }), QStringLiteral("Error Reading Header Info."));
    Table t = people();
    t.recordCount = 1000000; // far more than the file holds
    t.write(dir.file("short.dbf"));
    DbaseTable s;
    s.setFilename(dir.file("short.dbf"));
    s.setActive(true);
    EXPECT_EQ(s.availableRecords(), 2);
    EXPECT_EQ(error([&] { s.readRecord(3); }), QStringLiteral("Error Reading Record"));
    Table wide;
    wide.fields = {{"A", 'C', 200}};
    wide.records = {{"x"}};
    QByteArray bytes = wide.bytes();
    bytes[10] = 10; // a record shorter than its field
    bytes[11] = 0;
    QFile w(dir.file("wide.dbf"));
    ASSERT_TRUE(w.open(QIODevice::WriteOnly));
    w.write(bytes);
    w.close();
    DbaseTable bad;
    bad.setFilename(dir.file("wide.dbf"));
    EXPECT_EQ(error([&] { bad.setActive(true); }), QStringLiteral("Error Reading Header Info."));
    Table empty = people();
    empty.records.clear();
    empty.write(dir.file("empty.dbf"));
    DbaseTable e;
    e.setFilename(dir.file("empty.dbf"));
    e.setActive(true); // no record to read: no error
    EXPECT_EQ(e.recordCount(), 0);
}

TEST(XBase, TextDecodedByTheTablesCodePage) {
    TempDir dir;
    Table t;
    t.language = 0x02; // code page 850
    t.fields = {{"NOM", 'C', 6}};
    t.records = {{QByteArray("\x82t\x82")}}; // "été"
    t.write(dir.file("cp.dbf"));
    DbaseTable x;
    x.setFilename(dir.file("cp.dbf"));
    x.setActive(true);
    EXPECT_EQ(x.fieldValue(1), QStringLiteral("été"));
    // The same Cyrillic bytes under the two marks of code page 866, under
    // Windows-1251's, and Greek under 737's.
    const struct {
        quint8 driver;
        QByteArray bytes;
        QString text;
    } marks[] = {{0x26, "\x8c\xa8\xe0", QStringLiteral("Мир")},
                 {0x65, "\x8c\xa8\xe0", QStringLiteral("Мир")},
                 {0xC9, "\xcc\xe8\xf0", QStringLiteral("Мир")},
                 {0x86, "\x8a\x9e\xa9", QStringLiteral("Λησ")}};
    for (const auto& m : marks) {
        t.language = m.driver;
        t.fields = {{"NOM", 'C', 3}};
        t.records = {{m.bytes}};
        t.write(dir.file("ru.dbf"));
        DbaseTable r;
        r.setFilename(dir.file("ru.dbf"));
        r.setActive(true);
        EXPECT_EQ(r.fieldValue(1), m.text) << int(m.driver);
    }
}

TEST(DbaseWindow, GridOfTheTableAndFermerAtTheRight) {
    TempDir dir;
    people().write(dir.file("people.dbf"));
    ui::ScriptedDialogs dialogs;
    DbaseWindow w;
    w.init(dir.file("people.dbf"));
    w.load();
    ASSERT_NE(w.model(), nullptr);
    const DbfGridModel& m = *w.model();
    EXPECT_EQ(m.gridRows(), 2 + 5);
    EXPECT_EQ(m.gridColumns(), 6);
    EXPECT_EQ(m.cell(0, 1), QStringLiteral("NAME"));
    EXPECT_EQ(m.cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(m.cell(2, 1), QStringLiteral("  Bob"));
    EXPECT_EQ(m.cell(4, 1), QString());
    EXPECT_EQ(w.grid->columnWidth(0), 50); // 5 × the field length
    EXPECT_EQ(w.grid->verticalHeader()->width(), 40);
    w.show();
    w.resize(500, 300);
    QApplication::processEvents();
    // "Fermer" at the right of the window, whole, above the grid.
    const QRect close(w.closeButton->mapTo(&w, QPoint(0, 0)), w.closeButton->size());
    EXPECT_TRUE(w.rect().contains(close));
    EXPECT_GT(close.left(), w.width() / 2);
    EXPECT_LE(close.bottom(), w.grid->geometry().top());
    w.reject();
    EXPECT_FALSE(w.table.active());
}

// Numbers and headers read whole: a column grows past 5 pixels a character
// to its header and its widest value on the first screen.
TEST(DbaseWindow, ColumnsGrowToWhatTheyShow) {
    ui::ScriptedDialogs dialogs;
    DbaseWindow w;
    w.init(QStringLiteral(TAVTOOLS_TEST_TABLES) + "/clients.2023.dbf");
    w.show();
    w.resize(900, 400);
    w.load();
    QTableView* grid = w.grid;
    const QFontMetrics metrics(grid->font());
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        const QString header = grid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(grid->columnWidth(c), metrics.horizontalAdvance(header)) << c;
    }
    EXPECT_GE(grid->columnWidth(3), metrics.horizontalAdvance("  1234567.89")); // SOLDE, N(12,2)
}

TEST(DbaseWindow, VoirOpensTablesOnly) {
    TempDir dir;
    testing_support::FakeDrive drive(dir.path());
    ui::ScriptedDialogs dialogs;
    registerCommands(ui::commands());
    people().write(dir.file("data.DbF"));
    people().write(dir.file("data.dbf.bak"));
    QDir::setCurrent(dir.path());
    {
        filemanager::FileManagerView tool;
        tool.show();
        QStringList opened;
        ui::ScopedModalHandler h([&](QDialog* d) {
            opened << d->windowTitle();
            static_cast<DbaseWindow*>(d)->load();
            opened << static_cast<DbaseWindow*>(d)->model()->cell(1, 1);
            return 0;
        });
        tool.commands().view("data.DbF");
        tool.commands().view("data.dbf.bak");
        EXPECT_EQ(opened, QStringList({"Fichier dBase", "Ann"}));
    }
    EXPECT_EQ(filemanager::viewedExtension("a.htm"), QStringLiteral(".HTM"));
    EXPECT_EQ(filemanager::viewedExtension("a.html"), QStringLiteral(".HTML"));
    EXPECT_EQ(filemanager::viewedExtension("abc"), QString());
}

TEST(DbaseCli, PrintsTheGridAndEndsOnAnError) {
    TempDir dir;
    Table t = people();
    t.records[0][0] = "A\tB\\C";
    t.write(dir.file("p.dbf"));
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), {"dbf", dir.file("p.dbf")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
    EXPECT_EQ(lines.value(0), QStringLiteral("\tNAME\tAGE\tBORN\tOK\tX"));
    EXPECT_EQ(lines.value(1), QStringLiteral("1\tA\\tB\\\\C\t   42\t19800102\tT\tabc"));
    t.recordCount = 5;
    t.write(dir.file("s.dbf"));
    p.start(QStringLiteral(TAVTOOLS_CLI), {"dbf", dir.file("s.dbf")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).count('\n'), 3);
    EXPECT_TRUE(p.readAllStandardError().contains("Error Reading Record"));
}

namespace {
struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
    }
};
} // namespace

// A damaged table is told once the window is on screen, one box at a time:
// a box never comes before the window nor on top of another.
TEST(DbaseWindow, ReadingErrorsComeOneBoxAtATimeOverTheWindow) {
    TempDir dir;
    Table t = people();
    t.recordCount = 5; // more records than the file holds
    t.write(dir.file("short.dbf"));
    dir.write("tiny.dbf", QByteArray(40, '\x03'));
    for (const char* name : {"short.dbf", "tiny.dbf"}) {
        SCOPED_TRACE(name);
        ui::ScriptedDialogs dialogs;
        DbaseWindow w;
        int depth = 0, deepest = 0, beforeWindow = 0;
        PaintCounter painted;
        w.installEventFilter(&painted);
        dialogs.onShow = [&](const ui::ScriptedDialogs::Shown&) {
            if (!w.isVisible() || painted.count == 0) ++beforeWindow;
            deepest = std::max(deepest, ++depth);
            QApplication::processEvents(); // as a modal box's own loop would
            --depth;
        };
        w.init(dir.file(name));
        w.resize(500, 300);
        w.show();
        QTest::qWait(50);
        w.grid->viewport()->repaint();
        QTest::qWait(50);
        EXPECT_GE(dialogs.shown.size(), 1);
        EXPECT_EQ(deepest, 1);
        EXPECT_EQ(beforeWindow, 0);
        w.reject();
    }
}

// A table cut short by another program while it is shown: a reading
// error, not the end of the program.
TEST(XBase, ATableThatShrinksWhileReadIsAReadingError) {
    TempDir dir;
    people().write(dir.file("people.dbf"));
    DbaseTable x;
    x.setFilename(dir.file("people.dbf"));
    x.setActive(true);
    EXPECT_EQ(x.fieldValue(1), QStringLiteral("Ann"));
    ASSERT_TRUE(QFile::resize(dir.file("people.dbf"), 0));
    EXPECT_EQ(error([&] { x.fieldValue(1); }), QStringLiteral("Error Reading Record"));
}

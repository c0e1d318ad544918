// Find a string and compare texts: the line rules, the windows, the CLI.
#include "core/byte_search.h"
#include "core/guarded_mapping.h"
#include "support/temp_dir.h"
#include "tools/compare_window.h"
#include "tools/find_text_window.h"
#include "tools/text_search.h"
#include "ui/errors.h"
#include "ui/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace tools;
using testing_support::TempDir;

namespace {

QStringList matches(const QString& file, const QString& needle) {
    QStringList out;
    findInFile(
        file, needle,
        [&](const Match& m) { out << QString::number(m.line) + ":" + QString::fromLatin1(m.text); },
        testing_support::idle());
    return out;
}

QStringList differences(const QString& a, const QString& b) {
    QStringList out;
    compareFiles(
        a, b,
        [&](const Difference& d) { out << QString::number(d.line) + ":" + d.left + "|" + d.right; },
        testing_support::idle());
    return out;
}

} // namespace

// A text's lines found the slow way: the text up to its first byte 26,
// cut at each CR LF, lone CR and lone LF.
QList<QByteArray> slowLines(const QByteArray& all) {
    const QByteArray text = all.left(all.indexOf('\x1A') < 0 ? all.size() : all.indexOf('\x1A'));
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines << line;
        line.clear();
    }
    if (!line.isEmpty() || lines.isEmpty()) lines << line;
    return lines;
}

QStringList slowMatches(const QByteArray& all, const QByteArray& needle) {
    QStringList out;
    qint64 number = 0;
    for (const QByteArray& line : slowLines(all))
        if (++number, line.contains(needle))
            out << QString::number(number) + ":" + QString::fromLatin1(line);
    return out;
}

// Up to maxSize bytes of the alphabet, one in `markOdds` the end mark;
// every third round's carriage returns followed by line feeds.
template <size_t N>
QByteArray randomText(std::mt19937& random, const char (&alphabet)[N], int maxSize, int markOdds,
                      int round) {
    QByteArray text;
    const int size = int(random() % unsigned(maxSize));
    for (int i = 0; i < size; ++i)
        text += random() % unsigned(markOdds) == 0 ? '\x1A' : alphabet[random() % N];
    if (round % 3 == 0) text.replace("\r", "\r\n");
    return text;
}

// Random texts of short lines, CR LF, lone CR and LF, and now and then the
// end mark: every line holding the needle, once, with its number.
TEST(FindString, ListsWhatALineByLineSearchWould) {
    TempDir dir;
    std::mt19937 random(7);
    const char alphabet[] = {'a', 'b', 'a', 'b', ' ', '\r', '\n', 'x'};
    for (int round = 0; round < 300; ++round) {
        const QByteArray text = randomText(random, alphabet, 3000, 2000, round);
        const QString file = dir.write("r.txt", text);
        for (const char* needle : {"ab", "ba", "aab", "b", "abba"})
            ASSERT_EQ(matches(file, needle), slowMatches(text, needle))
                << "round " << round << " needle " << needle;
    }
}

TEST(FindString, LinesAsTheProgramReadsThem) {
    TempDir dir;
    dir.write("a.txt", "first\r\nxabcabc\r\nABC only\rlast abc\x1A then abc");
    EXPECT_EQ(matches(dir.file("a.txt"), "abc"), QStringList({"2:xabcabc", "4:last abc"}));
    EXPECT_EQ(matches(dir.file("a.txt"), "ABC"), QStringList({"3:ABC only"}));
    // Linux texts end their lines with LF alone; mixed ends count alike.
    dir.write("lf.txt", "one\ntwo abc\n\nfour abc\r\nfive\rsix abc");
    EXPECT_EQ(matches(dir.file("lf.txt"), "abc"),
              QStringList({"2:two abc", "4:four abc", "6:six abc"}));
    dir.write("empty.txt", "");
    EXPECT_TRUE(matches(dir.file("empty.txt"), "abc").isEmpty());
    dir.write("cp.txt", "caf\xe9\r\n"); // Windows-1252 bytes found from the text "café"
    EXPECT_EQ(matches(dir.file("cp.txt"), QStringLiteral("café")).size(), 1);
    // Both forms in one text, in turns and twice on a line: each line once, in order.
    dir.write("mixed.txt", "caf\xe9 1\r\nno\r\ncaf\xC3\xA9 3\r\ncaf\xe9 caf\xC3\xA9 4\r\n"
                           "no\r\ncaf\xC3\xA9 caf\xe9 6\r\ncaf\xe9 7");
    QStringList lines;
    for (const QString& m : matches(dir.file("mixed.txt"), QStringLiteral("café")))
        lines << m.section(u':', 0, 0);
    EXPECT_EQ(lines, QStringList({"1", "3", "4", "6", "7"}));
    // The kernel's files tell a size of 0 and still have text.
    EXPECT_EQ(matches(QStringLiteral("/proc/self/status"), "Name:").size(), 1);
}

// A line far longer than any list shows comes back as an excerpt that holds
// the match, cut between characters, never the whole line.
TEST(FindString, AHugeLineGivesABoundedExcerptHoldingTheMatch) {
    TempDir dir;
    const QByteArray e = "\xC3\xA9"; // é, two bytes
    const QByteArray line = e.repeated(3'000'000) + "NEEDLE" + e.repeated(3'000'000);
    dir.write("huge.txt", "short NEEDLE\r\n" + line + "\r\nend");
    std::vector<Match> found;
    findInFile(
        dir.file("huge.txt"), "NEEDLE", [&](const Match& m) { found.push_back(m); },
        testing_support::idle());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].text, "short NEEDLE");
    const QByteArray& text = found[1].text;
    EXPECT_EQ(found[1].line, 2);
    EXPECT_LE(text.size(), kExcerptBytes);
    EXPECT_TRUE(text.contains("NEEDLE"));
    const QString shown = QString::fromUtf8(text);
    EXPECT_TRUE(shown.startsWith(QChar(0x2026)) && shown.endsWith(QChar(0x2026)));
    EXPECT_FALSE(shown.contains(QChar::ReplacementCharacter)); // no character cut in two
    // The window shows that excerpt as it is.
    EXPECT_EQ(lineText(text, true), shown);

    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), {"grep", "NEEDLE", dir.file("huge.txt")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QList<QByteArray> out = p.readAllStandardOutput().split('\n');
    ASSERT_EQ(out.size(), 3); // two lines and the empty rest
    EXPECT_LE(out[1].size(), dir.file("huge.txt").size() + 10 + kExcerptBytes);
    EXPECT_TRUE(out[1].contains("NEEDLE"));
}

TEST(FindString, TheWindowKeepsItsEntriesWhenAFileFails) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    dir.write("n.txt", "total: 40\r\n");
    dir.mkdir("folder");
    FindTextWindow w;
    w.init({"n.txt", "folder", "n.txt"},
           {dir.file("n.txt"), dir.file("folder"), dir.file("n.txt")});
    w.search();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Indiquer la chaine à chercher"));
    w.textEdit->setText("40");
    EXPECT_THROW(w.search(), ui::TavError);
    ASSERT_EQ(w.resultList->count(), 1);
    EXPECT_EQ(w.resultList->item(0)->text(), QStringLiteral("n.txt[1]total: 40"));
}

TEST(Compare, PairsLineByLineToTheEndOfTheLongerText) {
    TempDir dir;
    dir.write("a", "1\r\n2\r\n3\r\n");
    dir.write("same", "1\r\n2\r\n3\r\n");
    dir.write("case", "1\r\nX\r\n3\r\n");
    dir.write("case2", "1\r\nx\r\n3\r\n");
    dir.write("longer", "1\r\n2\r\n3\r\n4\r\n5\r\n");
    dir.write("top", "0\r\n1\r\n2\r\n3\r\n");
    EXPECT_TRUE(differences(dir.file("a"), dir.file("same")).isEmpty());
    EXPECT_EQ(differences(dir.file("case"), dir.file("case2")), QStringList({"2:X|x"}));
    // Lines only the longer text has are differences too.
    EXPECT_EQ(differences(dir.file("a"), dir.file("longer")), QStringList({"4:|4", "5:|5"}));
    EXPECT_EQ(differences(dir.file("a"), dir.file("top")),
              QStringList({"1:1|0", "2:2|1", "3:3|2", "4:|3"}));
    EXPECT_FALSE(compareFiles(
        dir.file("missing"), dir.file("a"), [](const Difference&) {}, testing_support::idle()));
}

// The differences of two texts read pair by pair, line by line.
QStringList slowDifferences(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    EXPECT_TRUE(fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly));
    const QList<QByteArray> left = slowLines(fa.readAll()), right = slowLines(fb.readAll());
    QStringList out;
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const QByteArray l = left.value(i), r = right.value(i);
        if (l != r) out << QString::number(i + 1) + ":" + l + "|" + r;
    }
    return out;
}

// Texts alike for long stretches, with a few bytes changed, added or taken
// out (line ends and end marks among them): the same differences as a
// comparison of every pair of lines.
TEST(Compare, FindsWhatALineByLineComparisonWould) {
    TempDir dir;
    std::mt19937 random(11);
    const char alphabet[] = {'a', 'b', ' ', '\r', '\n', 'x', '\r', 'y'};
    for (int round = 0; round < 400; ++round) {
        const QByteArray text = randomText(random, alphabet, 20000, 5000, round);
        QByteArray other = text;
        for (int edits = int(random() % 6); edits > 0 && !other.isEmpty(); --edits) {
            const qsizetype at = qsizetype(random() % other.size());
            const char byte = alphabet[random() % sizeof alphabet];
            switch (random() % 3) {
            case 0:
                other[at] = byte;
                break;
            case 1:
                other.insert(at, byte);
                break;
            default:
                other.remove(at, 1);
            }
        }
        const QString a = dir.write("a.txt", text), b = dir.write("b.txt", other);
        ASSERT_EQ(differences(a, b), slowDifferences(a, b)) << "round " << round;
        ASSERT_EQ(differences(b, a), slowDifferences(b, a)) << "round " << round;
    }
}

TEST(Compare, TheWindow) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    dir.write("a", "1\r\n2\r\n");
    dir.write("b", "1\r\n2\r\n");
    CompareWindow w;
    w.compare();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Indiquer les fichiers à comparer"));
    w.init(dir.file("a"), dir.file("b"));
    w.compare();
    EXPECT_EQ(w.countLabel->text(), QStringLiteral("0 lignes différentes"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Aucune différence"));
    w.init(dir.file("missing"), dir.file("b"));
    w.compare();
    EXPECT_EQ(w.beeps, 1);
    EXPECT_EQ(w.firstList->count(), 0);
    w.show();
    w.resize(600, 400);
    // The two texts side by side, each with half the window, every control
    // inside it and none over another.
    const QRect window = w.rect();
    QList<QWidget*> parts = {w.closeButton, w.compareButton, w.countLabel, w.firstEdit,
                             w.secondEdit,  w.firstList,     w.secondList};
    for (QWidget* a : parts) {
        EXPECT_TRUE(window.contains(a->geometry())) << a->metaObject()->className();
        for (QWidget* b : parts)
            if (a != b && a->parentWidget() == b->parentWidget()) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry()));
            }
    }
    EXPECT_LT(w.firstList->geometry().right(), w.secondList->geometry().left());
    EXPECT_NEAR(w.firstList->width(), w.secondList->width(), 4);
    EXPECT_GT(w.firstList->width(), window.width() / 3);
    EXPECT_GT(w.closeButton->x(), window.width() / 2); // "Fermer" at the right
    // Names typed without a folder are the file manager's folder's, wherever
    // the process happens to be.
    dir.write("c", "1\r\n3\r\n");
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    w.setFolder(dir.path());
    w.init("a", "c");
    w.compare();
    QDir::setCurrent(before);
    EXPECT_EQ(w.countLabel->text(), QStringLiteral("1 lignes différentes"));
}

TEST(TextToolsCli, GrepAndCompare) {
    TempDir dir;
    dir.write("a", "x\tabc\r\nno\r\n");
    dir.write("b", "x\tabc\r\nyes\r\n");
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), {"grep", "abc", dir.file("a")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), dir.file("a") + "[1]x\\tabc\n");
    p.start(QStringLiteral(TAVTOOLS_CLI), {"compare", dir.file("a"), dir.file("b")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), "2\tno\tyes\n1 lignes différentes\n");
    p.start(QStringLiteral(TAVTOOLS_CLI), {"compare", dir.file("a"), dir.file("a")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    p.start(QStringLiteral(TAVTOOLS_CLI), {"compare", dir.file("zz"), dir.file("a")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
}

// The vectorised searches agree with the plain ones at every offset and
// across block edges, needles of one to forty bytes.
TEST(ByteSearch, AgreesWithMemmemAndCount) {
    std::mt19937 random(7);
    QByteArray hay(5000, '\0');
    for (char& c : hay)
        c = "abcAB\r\n"[random() % 7];
    for (int k = 1; k <= 40; k += (k < 4 ? 1 : 5))
        for (int trial = 0; trial < 40; ++trial) {
            const qsizetype at = qsizetype(random() % (hay.size() - k));
            const QByteArray needle = trial % 3 ? hay.mid(at, k) : QByteArray(k, 'z');
            const qsizetype from = qsizetype(random() % 64);
            const void* hit = memmem(hay.constData() + from, size_t(hay.size() - from),
                                     needle.constData(), size_t(k));
            const qsizetype expected = hit ? static_cast<const char*>(hit) - hay.constData() : -1;
            ASSERT_EQ(core::findBytes(hay, needle, from), expected) << k << " " << from;
        }
    EXPECT_EQ(core::findBytes("abc", "abcd"), -1);
    EXPECT_EQ(core::findBytes("xxab", "ab", 2), 2);
    EXPECT_EQ(core::findBytes("xxab", "ab", 3), -1);
    for (qsizetype start : {0, 1, 15, 17, 40})
        for (qsizetype end : {start, start + 16, start + 33, qsizetype(4100), hay.size()}) {
            const char *b = hay.constData() + start, *e = hay.constData() + end;
            EXPECT_EQ(core::countByte(b, e, '\r'), std::count(b, e, '\r'));
            qsizetype ends = 0;
            for (const char* p = b; p < e; ++p)
                ends += *p == '\r' || (*p == '\n' && (p == b || p[-1] != '\r'));
            EXPECT_EQ(core::countLineEnds(b, e), ends) << start << " " << end;
            const char* first = std::find_if(b, e, [](char c) { return c == '\r' || c == '\n'; });
            EXPECT_EQ(core::findLineEnd(b, e), first == e ? nullptr : first);
        }
}

// A mapped file cut short by another while it is read: the pages that
// went read as zeros instead of killing the program, and the reader knows.
TEST(GuardedMapping, AFileThatShrinksUnderItsReaderIsToldNotFatal) {
    TempDir dir;
    const qint64 size = 1 << 20;
    dir.write("shrinks.txt", QByteArray(size, 'a'));
    QFile f(dir.file("shrinks.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    core::GuardedMapping map;
    ASSERT_TRUE(map.map(f.handle(), size));
    EXPECT_EQ(map.data()[size - 1], 'a');
    EXPECT_FALSE(map.changed());
    ASSERT_TRUE(QFile::resize(dir.file("shrinks.txt"), 4096));
    qint64 sum = 0;
    for (qint64 i = 0; i < size; ++i)
        sum += map.data()[i];
    EXPECT_EQ(sum, 4096 * 'a'); // the rest reads as zeros
    EXPECT_TRUE(map.changed());
    map.unmap();
    // Mapped again, the shorter file reads whole and unchanged.
    ASSERT_TRUE(map.map(f.handle(), 4096));
    EXPECT_EQ(map.data()[4095], 'a');
    EXPECT_FALSE(map.changed());
    // A window from an offset inside a page.
    dir.write("window.bin", QByteArray(5000, 'x') + "found" + QByteArray(100, 'y'));
    QFile w(dir.file("window.bin"));
    ASSERT_TRUE(w.open(QIODevice::ReadOnly));
    ASSERT_TRUE(map.map(w.handle(), 5, 5000, true));
    EXPECT_EQ(QByteArrayView(map.data(), map.size()), QByteArrayView("found"));
}

// Pages filled ahead by another thread read as the file; a file cut short
// while they are filled is told as without them, and unmapping stops the
// filling.
TEST(GuardedMapping, PagesFilledAheadReadAsTheFile) {
    TempDir dir;
    const qint64 size = qint64(40) << 20;
    QByteArray bytes(size, 0);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + (i >> 12));
    dir.write("big.bin", bytes);
    QFile f(dir.file("big.bin"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    core::GuardedMapping map;
    ASSERT_TRUE(map.map(f.handle(), size));
    map.fillAhead(size / 4);
    EXPECT_EQ(QByteArrayView(map.data(), size), QByteArrayView(bytes));
    map.unmap();

    ASSERT_TRUE(map.map(f.handle(), size));
    map.fillAhead(4096);
    ASSERT_TRUE(QFile::resize(dir.file("big.bin"), 4096));
    qint64 zeros = 0;
    for (qint64 i = 4096; i < size; i += 4096)
        zeros += map.data()[i] == 0;
    EXPECT_EQ(zeros, size / 4096 - 1);
    EXPECT_TRUE(map.changed());
    map.fillAhead(0); // once per mapping
    map.unmap();
}

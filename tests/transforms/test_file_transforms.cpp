#include "filemanager/components/drive_selector.h"
#include "filemanager/file_manager_view.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "sysinfo/commands.h"
#include "sysinfo/disk_info.h"
#include "sysinfo/disk_info_window.h"
#include "transforms/catalogue_dialog.h"
#include "transforms/commands.h"
#include "transforms/crypt.h"
#include "transforms/erase.h"
#include "transforms/occupation.h"
#include "transforms/password_dialog.h"
#include "transforms/split.h"
#include "transforms/split_dialog.h"
#include "transforms/text_tools.h"
#include "ui/commands.h"
#include "ui/errors.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <sys/stat.h>

using namespace transforms;
using testing_support::idle;
using testing_support::readAll;
using testing_support::TempDir;

// The file manager reaches its tools through the command table.
static const bool commandsRegistered = [] {
    transforms::registerCommands(ui::commands());
    sysinfo::registerCommands(ui::commands());
    return true;
}();

namespace {

QByteArray randomBytes(qint64 n) {
    QByteArray b(n, 0);
    QRandomGenerator g(11);
    for (auto& c : b)
        c = char(g.bounded(256));
    return b;
}

// The copy loop as it reads: 8192 bytes at a time, a new part as soon as
// the current one has less than 8192 bytes of room.
std::vector<qint64> loopSizes(qint64 size, qint64 part) {
    std::vector<qint64> parts{0};
    qint64 room = part, pos = 0;
    for (;;) {
        if (room < 8192) {
            qint64 t = std::min(room, size - pos);
            parts.back() += t, pos += t;
            parts.push_back(0);
            room = part;
        }
        qint64 t = std::min({qint64(8192), room, size - pos});
        if (t == 0) break;
        parts.back() += t, pos += t, room -= t;
    }
    return parts;
}

} // namespace

TEST(Split, PlanFollowsTheCopyLoop) {
    EXPECT_EQ(splitPlan(3000000, 1454080), (std::vector<qint64>{1454080, 1454080, 91840}));
    EXPECT_EQ(splitPlan(2 * 1454080, 1454080), (std::vector<qint64>{1454080, 1454080, 0}));
    EXPECT_EQ(splitPlan(1454080 - 100, 1454080), (std::vector<qint64>{1454080 - 100, 0}));
    EXPECT_EQ(splitPlan(0, 1454080), (std::vector<qint64>{0}));
    for (qint64 size : {1LL, 8191LL, 8192LL, 100000LL, 1454079LL, 5000000LL})
        for (qint64 part : {300LL, 1024LL, 8192LL, 9000LL, 1454080LL})
            EXPECT_EQ(splitPlan(size, part), loopSizes(size, part)) << size << " / " << part;
}

TEST(Split, PartsRejoinInAnyOrder) {
    TempDir dir;
    const QByteArray data = randomBytes(3000000);
    dir.write("report.doc", data);
    ASSERT_EQ(splitFile("report.doc", 1454080, idle()).end, SplitEnd::Done);
    EXPECT_EQ(QFileInfo("report.doc003").size(), 91840);
    EXPECT_FALSE(QFile::exists("report.doc004"));
    QFile::rename("report.doc", "original");
    QString joined;
    EXPECT_TRUE(joinFiles({"report.doc003", "report.doc001", "report.doc002"}, idle(), &joined));
    EXPECT_EQ(joined, QStringLiteral("report.doc"));
    EXPECT_EQ(readAll("report.doc"), data);
}

TEST(Split, SizesRefusedAndTooManyParts) {
    TempDir dir;
    dir.write("f", QByteArray(1000 * 1024, 'x'));
    EXPECT_EQ(splitFile("f", 0, idle()).end, SplitEnd::TooSmall);
    EXPECT_EQ(splitFile("f", 299, idle()).end, SplitEnd::TooSmall);
    EXPECT_EQ(splitFile("f", 1024, idle()).end, SplitEnd::TooManyParts);
    EXPECT_FALSE(QFile::exists("f001")); // nothing written
    EXPECT_EQ(splitFile("f", 2048, idle()).end, SplitEnd::Done);
    EXPECT_TRUE(QFile::exists("f501"));
}

TEST(SplitDialog, PartCountAndCustomSize) {
    TempDir dir;
    ui::ScriptedDialogs dialogs;
    dir.write("big", QByteArray(3000000, 'b'));
    SplitDialog d;
    d.init("big");
    d.show();
    EXPECT_EQ(d.partsLabel->text(), QStringLiteral("3 parts"));
    EXPECT_EQ(d.sizeLabel->text(), QStringLiteral("2929 Ko"));
    d.customButton->click();
    EXPECT_EQ(d.partSize, 1454080); // empty field keeps the size chosen before
    QTest::keyClicks(d.customSizeEdit, "1a0x0");
    EXPECT_EQ(d.customSizeEdit->text(), QStringLiteral("100"));
    EXPECT_EQ(d.partsLabel->text(), QStringLiteral("30 parts"));
    d.customSizeEdit->setText("0");
    d.split();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Parts trop petites"));
    d.customSizeEdit->setText("1024");
    d.split();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Découpage terminé"));
    EXPECT_EQ(QFileInfo("big003").size(), 3000000 - 2 * 1048576);
    // Enter in the size field starts the split, "Découper" being the default button.
    dialogs.shown.clear();
    d.customSizeEdit->setText("2048");
    QTest::keyClick(d.customSizeEdit, Qt::Key_Return);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Découpage terminé"));
    EXPECT_EQ(QFileInfo("big002").size(), 3000000 - 2097152);
}

TEST(Crypt, RunningKeyAndInverse) {
    TempDir dir;
    dir.write("zeros", QByteArray(300, 0));
    const quint8 k0 = cryptKey("abc");
    EXPECT_EQ(k0, quint8(('a' + 'b' + 'c') % 256));
    ASSERT_TRUE(cryptFile("zeros", "abc", idle()));
    const QByteArray out = readAll("zeros");
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(quint8(out[i]), quint8(k0 + i)) << i;
    ASSERT_TRUE(cryptFile("zeros", "cba", idle())); // an anagram gives the same key
    EXPECT_EQ(readAll("zeros"), QByteArray(300, 0));
    const QByteArray big = randomBytes(3 << 20);
    dir.write("big", big);
    ASSERT_TRUE(cryptFile("big", "secret", idle()));
    EXPECT_NE(readAll("big"), big);
    ASSERT_TRUE(cryptFile("big", "secret", idle()));
    EXPECT_EQ(readAll("big"), big);
}

TEST(Crypt, ReadOnlyEmptyFoldersAndTheTemporaryName) {
    TempDir dir;
    platform::Platform& p = platform::Platform::instance();
    dir.write("ro", "data");
    p.setAttributes("ro", platform::faReadOnly);
    ASSERT_TRUE(cryptFile("ro", "pw", idle()));
    EXPECT_FALSE(p.attributes("ro") & platform::faReadOnly);
    dir.write("empty");
    ASSERT_TRUE(cryptFile("empty", "pw", idle()));
    EXPECT_EQ(QFileInfo("empty").size(), 0);
    dir.mkdir("folder");
    EXPECT_FALSE(cryptFile("folder", "pw", idle()));
    dir.write("target", QByteArray(3, 0));
    QFile::link(dir.file("target"), dir.file("alias"));
    ASSERT_TRUE(cryptFile("alias", "pw", idle()));
    EXPECT_TRUE(QFileInfo(dir.file("alias")).isSymLink());
    EXPECT_EQ(quint8(readAll("target")[0]), cryptKey("pw"));
    QFile::remove(dir.file("alias"));
    QFile::remove(dir.file("target"));
    dir.write("tav$$--.tmp", "mine");
    ASSERT_TRUE(cryptFile("empty", "pw", idle()));
    EXPECT_EQ(readAll("tav$$--.tmp"), QByteArray("mine"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
              3); // no temporary left behind
}

TEST(Erase, ZerosThenGoneAndReadOnlyRefused) {
    TempDir dir;
    platform::Platform& p = platform::Platform::instance();
    dir.write("empty");
    eraseFile("empty", idle());
    EXPECT_FALSE(QFile::exists("empty"));
    dir.write("data", QByteArray(20000, 'x'));
    dir.write("___$$$.-$$", "someone's file");
    eraseFile("data", idle());
    EXPECT_FALSE(QFile::exists("data"));
    EXPECT_EQ(readAll("___$$$.-$$"), QByteArray("someone's file"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    dir.write("ro", "keep me");
    p.setAttributes("ro", platform::faReadOnly);
    EXPECT_EQ(eraseFile("ro", idle()).text, QStringLiteral("Accès au fichier refusé"));
    EXPECT_EQ(readAll("ro"), QByteArray("keep me"));
    QFile::link(dir.file("ro"), dir.file("link"));
    p.setAttributes("ro", platform::faArchive);
    EXPECT_EQ(eraseFile("link", idle()).kind, core::Outcome::Failed);
    EXPECT_EQ(readAll("ro"), QByteArray("keep me"));
}

TEST(TextTools, ExtractionRules) {
    bool cr = false;
    EXPECT_EQ(extractBlock(QByteArray::fromHex("410D0A420A430D44E90945"), cr),
              QByteArray("A\nBCD\tE"));
    cr = false;
    QByteArray first = extractBlock("x\r", cr);
    QByteArray second = extractBlock("\ny", cr);
    EXPECT_EQ(first + second, QByteArray("x\ny"));
    TempDir dir;
    QByteArray data(8191, 'a');
    data += "\r\nz";
    dir.write("bin", data);
    ASSERT_TRUE(extractText("bin", "Extract.txt", idle()));
    EXPECT_EQ(readAll("Extract.txt"), QByteArray(8191, 'a') + "\nz");
}

// The runs of plain text taken whole give the same bytes as the rule taken
// byte by byte, whatever the blocks and wherever CR and LF fall.
TEST(TextTools, ExtractionOfMixedBlocksMatchesTheByteRule) {
    std::mt19937 random(3);
    QByteArray text(20000, '\0');
    for (char& c : text)
        c = random() % 5 ? char(' ' + random() % 95) : "\r\n\t\x01\xE9\x7F\x80"[random() % 7];
    QByteArray expected;
    bool previousCr = false;
    for (char c : text) {
        const quint8 b = quint8(c);
        if ((b >= 32 && b <= 127) || b == 9 || (b == 10 && previousCr)) expected += c;
        previousCr = b == 13;
    }
    for (int piece : {1, 7, 16, 17, 4096}) {
        bool cr = false;
        QByteArray out;
        for (qsizetype at = 0; at < text.size(); at += piece)
            out += extractBlock(text.mid(at, piece), cr);
        EXPECT_EQ(out, expected) << piece;
    }
}

TEST(TextTools, MergeAndSort) {
    TempDir dir;
    dir.write("ten", "0123456789");
    dir.write("zero", "");
    dir.write("five", "abcde");
    dir.mkdir("folder");
    ASSERT_TRUE(mergeFiles({"ten", "zero", "folder", "five"}, "all", idle()));
    EXPECT_EQ(readAll("all"), QByteArray("0123456789abcde"));
    // Every line, the last one too, gets the text's first line end.
    dir.write("lines", "b\r\nA\na\rB");
    sortLines("lines", idle());
    const QByteArray sorted = readAll("lines");
    EXPECT_TRUE(sorted == "A\r\na\r\nB\r\nb\r\n" || sorted == "a\r\nA\r\nB\r\nb\r\n" ||
                sorted == "A\r\na\r\nb\r\nB\r\n" || sorted == "a\r\nA\r\nb\r\nB\r\n")
        << sorted.toStdString();
    dir.write("nul", QByteArray("z\0z\nb\0\0\r\na", 10));
    sortLines("nul", idle());
    EXPECT_EQ(readAll("nul"), QByteArray("a\nb\0\0\nz\0z\n", 10));
    for (const auto& [text, expected] : std::vector<std::pair<QByteArray, QByteArray>>{
             {"b\rc\na", "a\rb\rc\r"}, {"b", "b\r\n"}, {"b\r", "b\r"}, {"", ""}}) {
        dir.write("ends", text);
        ASSERT_TRUE(sortLines("ends", idle()));
        EXPECT_EQ(readAll("ends"), expected) << text.toStdString();
    }
    EXPECT_EQ(sortLines("missing", idle()).text, QStringLiteral("Fichier introuvable"));
}

// The order is the French collation without regard to case, ties in the
// file's order: the same as a stable sort with Qt's collator, on lines with
// accents, case twins, duplicates and both character sets.
TEST(TextTools, SortEqualsAStableCollatorSort) {
    std::mt19937 random(11);
    const QStringList pieces = {"e",    "é", "E", "É", "cote",  "côte", "coté",
                                "côté", "a", "A", "z", "1",     "10",   "2",
                                "-",    " ", "œ", "ß", "Zèbre", "zebre"};
    QStringList lines;
    for (int i = 0; i < 3000; ++i) {
        QString line;
        for (int k = int(random() % 4); k >= 0; --k)
            line += pieces[int(random() % pieces.size())];
        lines << line;
    }
    TempDir dir;
    QByteArray text;
    for (const QString& l : lines)
        text += l.toUtf8() + "\r\n";
    text += QByteArray("\x9Cuvre \x80\r\n"); // Windows-1252, a byte of its own range
    lines << QStringLiteral("œuvre €");
    text += QByteArray("caf\xE9\r\n"); // Windows-1252
    lines << QStringLiteral("café");
    dir.write("lines", text);
    ASSERT_TRUE(sortLines("lines", idle()));
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<int> order(size_t(lines.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return collator.compare(lines[a], lines[b]) < 0; });
    QByteArray expected;
    for (int i : order)
        expected += (i == lines.size() - 1   ? QByteArray("caf\xE9")
                     : i == lines.size() - 2 ? QByteArray("\x9Cuvre \x80")
                                             : lines[i].toUtf8()) +
                    "\r\n";
    EXPECT_EQ(readAll("lines"), expected);
}

TEST(Occupation, FilesAndTheSpaceTheyReallyTake) {
    TempDir dir;
    dir.mkdir("sub/inner");
    dir.write("sub/a", "");
    dir.write("sub/b", QByteArray(4096, 'b'));
    dir.write("sub/c", QByteArray(4097, 'c'));
    Occupation o;
    ASSERT_TRUE(occupation(dir.file("sub"), "*.*", 4096, o));
    EXPECT_EQ(o.count, 4); // three files and the sub-folder; "." and ".." are no files
    EXPECT_EQ(o.total, 8193);
    qint64 allocated = 0; // what the file system says it gives them
    for (const char* n : {"sub/a", "sub/b", "sub/c", "sub/inner"}) {
        struct stat st;
        ASSERT_EQ(::stat(dir.file(n).toLocal8Bit().constData(), &st), 0);
        allocated += qint64(st.st_blocks) * 512;
    }
    EXPECT_EQ(o.occupied, allocated);
    // Where the file system does not say: whole clusters, none for an empty file.
    EXPECT_EQ(occupiedBytes(0, -1, 4096) + occupiedBytes(4096, -1, 4096) +
                  occupiedBytes(4097, -1, 4096),
              12288);
    EXPECT_FALSE(occupation(dir.file("missing"), "*.*", 4096, o));
}

TEST(Catalogue, DepthFirstAndEmptyMedium) {
    TempDir medium(false);
    QStringList lines;
    auto collect = [&](const QString& l) {
        lines << l;
        return true;
    };
    EXPECT_EQ(catalogue(medium.path(), collect, idle()).files, 0);
    EXPECT_TRUE(lines.isEmpty());
    QDir(medium.path()).mkpath("b/c");
    QFile(medium.path() + "/b/c/deep").open(QIODevice::WriteOnly);
    QFile(medium.path() + "/top").open(QIODevice::WriteOnly);
    QFile(medium.path() + "/b/mid").open(QIODevice::WriteOnly);
    QDir(medium.path()).mkpath(".hidden");
    QFile(medium.path() + "/.hidden/x").open(QIODevice::WriteOnly);
    EXPECT_EQ(catalogue(medium.path(), collect, idle()).files, 3);
    EXPECT_EQ(lines, QStringList({medium.path() + "/top", medium.path() + "/b/mid",
                                  medium.path() + "/b/c/deep"}));
    EXPECT_EQ(catalogue(
                  medium.path(), [](const QString&) { return false; }, idle())
                  .outcome.text,
              QStringLiteral("Disque plein"));
}

class DriveFixture : public ::testing::Test {
  protected:
    TempDir dir;
    TempDir floppy{false};
    platform::FakePlatform fake;
    void SetUp() override {
        fake.addDrive(u'C', {dir.path()});
        platform::FakePlatform::Drive a{floppy.path(), platform::DriveType::Removable};
        a.space = {1, 1, 1457664, 1474560};
        a.label = "DISQUE1";
        fake.addDrive(u'A', a);
        platform::Platform::setInstance(&fake);
    }
    void TearDown() override { platform::Platform::setInstance(nullptr); }
};

TEST_F(DriveFixture, DiskInfoFacts) {
    fake.drive(u'C').serial = 0x256617D3;
    fake.drive(u'C').space = {8, 512, 1000, 2000};
    sysinfo::DiskInfo info;
    EXPECT_EQ(info.disk(), u'C');
    EXPECT_EQ(info.serialNumberText(), QStringLiteral("2566-17D3"));
    EXPECT_EQ(info.serialNumber, 627447763);
    EXPECT_EQ(info.clusterSize, 4096);
    EXPECT_EQ(info.diskSize, 2000 * 4096);
    info.setDisk(u'a');
    EXPECT_EQ(info.disk(), u'A');
    EXPECT_EQ(info.volumeLabel, QStringLiteral("DISQUE1"));
    EXPECT_EQ(info.driveType, sysinfo::dtFloppy);
    info.setDisk(u'1');
    EXPECT_EQ(info.disk(), u'A');
    fake.drive(u'C').serial = 0x80000001;
    info.setDisk(u'C');
    EXPECT_LT(info.serialNumber, 0);
    EXPECT_THROW(sysinfo::DiskInfo::ready(u'#'), ui::TavError);
    sysinfo::DiskInfoWindow window;
    window.init(dir.path());
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Informations disque - C"));
    EXPECT_EQ(window.value("Octets par cluster"), QStringLiteral("4096"));
    EXPECT_EQ(window.value("Type de disque"), QStringLiteral("Disque fixe"));
    EXPECT_EQ(window.value("Numéro de série"), QString::number(qint32(0x80000001)));
}

// Records what lies on the floppy each time the next disk is asked for.
class FloppyDialogs : public ui::ScriptedDialogs {
  public:
    QString folder;
    QList<QStringList> disks;
    ui::Button messageBox(const QString& title, const QString& text, ui::Icon icon,
                          ui::Buttons buttons, ui::Button def) override {
        if (text.startsWith("Insérer")) disks << QDir(folder).entryList(QDir::Files, QDir::Name);
        return ui::ScriptedDialogs::messageBox(title, text, icon, buttons, def);
    }
};

TEST_F(DriveFixture, OptimiserPacksGreedily) {
    FloppyDialogs dialogs;
    dialogs.folder = floppy.path();
    QFile(floppy.file("old.txt")).open(QIODevice::WriteOnly); // emptied without asking
    for (auto [name, size] : {std::pair{"f900", 900000}, std::pair{"f700", 700000},
                              std::pair{"f600", 600000}, std::pair{"f300", 300000}})
        dir.write(name, QByteArray(size, 'x'));
    dir.mkdir("folder");
    filemanager::FileManagerView tool;
    tool.show();
    tool.selectAll();
    dialogs.answer(ui::Ok);
    dialogs.answer(ui::Ok);
    dialogs.answer(ui::Ok);
    ui::runRegistered(QStringLiteral("Optimiser"), tool.context());
    ASSERT_EQ(dialogs.disks.size(), 2);
    EXPECT_EQ(dialogs.disks[1],
              QStringList({"f300", "f900"})); // the first disk, when the second is asked for
    EXPECT_EQ(QDir(floppy.path()).entryList(QDir::Files, QDir::Name),
              QStringList({"f600", "f700"}));
    // A file larger than an empty disk stops at once.
    dir.write("huge", QByteArray(1457665, 'h'));
    tool.readFolder();
    tool.selectAll();
    dialogs.answer(ui::Ok);
    ui::runRegistered(QStringLiteral("Optimiser"), tool.context());
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Taille de fichier supérieure à la capacité de la disquette"));
}

TEST_F(DriveFixture, ToolCommandsForOneFile) {
    ui::ScriptedDialogs dialogs;
    dir.write("x.txt", "b\na\n");
    dir.write("y.txt", "y");
    filemanager::FileManagerView tool;
    tool.show();
    tool.selectRow(tool.rowOf("x.txt"));
    tool.selectRow(tool.rowOf("y.txt"));
    ui::runRegistered(QStringLiteral("EffIrreversible"), tool.context());
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Un fichier et un seul doit être sélectionné"));
    tool.selectRow(tool.rowOf("y.txt"), false);
    dialogs.answer(ui::Cancel);
    ui::runRegistered(QStringLiteral("EffIrreversible"), tool.context());
    EXPECT_TRUE(QFile::exists(dir.file("x.txt")));
    EXPECT_EQ(
        dialogs.lastText(),
        QStringLiteral("Attention, le fichier effacé ne pourra pas être récupéré.\r\ncontinuer ?"));
    dialogs.answer(ui::Ok);
    ui::runRegistered(QStringLiteral("Trier"), tool.context());
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Trier le fichier x.txt ?"));
    EXPECT_EQ(readAll(dir.file("x.txt")), QByteArray("a\nb\n")); // the LF text keeps its line ends
    ui::runRegistered(QStringLiteral("Occupation"), tool.context());
    EXPECT_TRUE(dialogs.lastText().contains("Espace réellement occupé : "));
    dialogs.cancelInput();
    ui::runRegistered(QStringLiteral("Nommer"), tool.context());
    EXPECT_TRUE(fake.labelWrites.isEmpty());
    dialogs.answerInput("SAUVE");
    ui::runRegistered(QStringLiteral("Nommer"), tool.context());
    ASSERT_EQ(fake.labelWrites.size(), 1);
    EXPECT_EQ(fake.labelWrites[0].label, QStringLiteral("SAUVE"));
    ui::runRegistered(QStringLiteral("Formatage"), tool.context());
    ASSERT_EQ(fake.formats.size(), 1);
    EXPECT_EQ(fake.formats[0].letter, u'A');
    EXPECT_EQ(fake.formats[0].options, 1);
}

TEST_F(DriveFixture, PasswordDialogAndEncryptionCommand) {
    ui::ScriptedDialogs dialogs;
    dir.write("z", QByteArray(4, 0));
    filemanager::FileManagerView tool;
    tool.show();
    tool.setActivePane(2);
    tool.selectRow(tool.rowOf("z"));
    ui::ScopedModalHandler h([](QDialog* d) {
        auto* p = static_cast<PasswordDialog*>(d);
        EXPECT_EQ(p->windowTitle(), QStringLiteral("Crypter"));
        p->passwordEdit->setText("ab");
        p->confirmEdit->setText("abc");
        p->okButton->click();
        EXPECT_EQ(p->result(), 0); // refused: the fields differ, the dialog stays
        p->confirmEdit->setText("ab");
        p->okButton->click();
        return d->result();
    });
    ui::runRegistered(QStringLiteral("Crypter"), tool.context());
    const quint8 k = cryptKey("ab");
    QByteArray expected;
    for (int i = 0; i < 4; ++i)
        expected.append(char(quint8(k + i)));
    EXPECT_EQ(readAll(dir.file("z")), expected);
    // Cancelling, or confirming two empty fields, changes nothing.
    for (bool cancel : {true, false}) {
        ui::ScopedModalHandler again([cancel](QDialog* d) {
            auto* p = static_cast<PasswordDialog*>(d);
            (cancel ? p->cancelButton : p->okButton)->click();
            return d->result();
        });
        ui::runRegistered(QStringLiteral("Decrypter"), tool.context());
        EXPECT_EQ(readAll(dir.file("z")), expected);
    }
    // Fields that differ hold nobody: Shift+Tab goes back to the first,
    // Escape and Annuler close, doing nothing; Enter keeps the check.
    for (bool escape : {true, false}) {
        bool closed = false, backToFirst = false;
        ui::ScopedModalHandler trap([&](QDialog* d) {
            auto* p = static_cast<PasswordDialog*>(d);
            d->show();
            QApplication::setActiveWindow(d);
            p->passwordEdit->setText("ab");
            p->confirmEdit->setText("xy");
            p->confirmEdit->setFocus();
            QTest::keyClick(p->confirmEdit, Qt::Key_Return); // refused: the fields differ
            EXPECT_TRUE(d->isVisible());
            QTest::keyClick(p->confirmEdit, Qt::Key_Backtab, Qt::ShiftModifier);
            backToFirst = p->passwordEdit->hasFocus();
            if (escape)
                QTest::keyClick(p->passwordEdit, Qt::Key_Escape);
            else
                p->cancelButton->click();
            closed = !d->isVisible();
            return d->result();
        });
        ui::runRegistered(QStringLiteral("Crypter"), tool.context());
        EXPECT_TRUE(backToFirst);
        EXPECT_TRUE(closed) << (escape ? "Escape" : "Annuler");
        EXPECT_EQ(readAll(dir.file("z")), expected);
    }
}

TEST_F(DriveFixture, MediaCatalogueWindow) {
    ui::ScriptedDialogs dialogs;
    CatalogueDialog window;
    window.show();
    const int a = int(window.drives->letters().indexOf(u'A'));
    ASSERT_GE(a, 0);
    window.drives->pick(a);
    EXPECT_EQ(window.mediumNameEdit->text(), QStringLiteral("DISQUE1"));
    EXPECT_EQ(window.destinationEdit->text(), QStringLiteral("DISQUE1.txt"));
    window.destinationEdit->setText(dir.file("empty.txt"));
    window.start();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("0 Fichiers trouvés"));
    EXPECT_EQ(readAll(dir.file("empty.txt")), QByteArray("DISQUE1\r\n"));
    QFile(floppy.file("one.txt")).open(QIODevice::WriteOnly);
    window.start();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("1 Fichiers trouvés"));
    EXPECT_EQ(readAll(dir.file("empty.txt")),
              QByteArray("DISQUE1\r\n") + floppy.file("one.txt").toUtf8() + "\r\n");
}

namespace {
// A medium read slowly, folder by folder.
struct SlowMedium : platform::FakePlatform {
    platform::Status listDirectory(const QString& folder, const QString& mask,
                                   std::vector<platform::DirEntry>& out, ListMode mode) override {
        QThread::msleep(20);
        return FakePlatform::listDirectory(folder, mask, out, mode);
    }
};
} // namespace

// Escape stops a catalogue under way: the older catalogue stays, nothing is
// said, and the label showed the folder being read.
TEST_F(DriveFixture, EscapeStopsAMediaCatalogueAndKeepsTheOldOne) {
    SlowMedium slow;
    slow.addDrive(u'C', {dir.path()});
    slow.addDrive(u'A', {floppy.path(), platform::DriveType::Removable});
    platform::Platform::setInstance(&slow);
    for (int i = 0; i < 40; ++i)
        QDir(floppy.path()).mkpath(QStringLiteral("d%1/e").arg(i));
    dir.write("old.txt", "old catalogue");
    ui::ScriptedDialogs dialogs;
    CatalogueDialog window;
    window.show();
    window.drives->pick(int(window.drives->letters().indexOf(u'A')));
    window.destinationEdit->setText(dir.file("old.txt"));
    QTimer::singleShot(150, [&] { QTest::keyClick(&window, Qt::Key_Escape); });
    window.start();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(readAll(dir.file("old.txt")), QByteArray("old catalogue"));
    EXPECT_TRUE(window.statusLabel->text().startsWith(floppy.path()))
        << window.statusLabel->text().toStdString();
    window.hide();
    platform::Platform::setInstance(&fake);
}

TEST_F(DriveFixture, ListCommandsForExtractMergeRejoinAndAnEmptyOptimiser) {
    ui::ScriptedDialogs dialogs;
    dir.write("doc.bin", QByteArray::fromHex("410D0A42"));
    dir.write("p.dat001", "one-");
    dir.write("p.dat002", "two");
    filemanager::FileManagerView tool;
    tool.show();
    tool.setActivePane(2);
    tool.selectRow(tool.rowOf("doc.bin"));
    dialogs.answerFile(dir.file("text.txt"));
    ui::runRegistered(QStringLiteral("Extraire"), tool.context());
    EXPECT_EQ(dialogs.shown.last().title, QStringLiteral("Extraire texte"));
    EXPECT_EQ(readAll(dir.file("text.txt")), QByteArray("A\nB"));
    EXPECT_GE(tool.rowOf("text.txt"), 0); // the folder was read again
    tool.detailsView()->clearSelection();
    tool.selectRow(tool.rowOf("p.dat002"));
    tool.selectRow(tool.rowOf("p.dat001"));
    ui::runRegistered(QStringLiteral("Recoller1"), tool.context());
    EXPECT_EQ(readAll(dir.file("p.dat")), QByteArray("one-two"));
    tool.detailsView()->clearSelection();
    tool.selectRow(tool.rowOf("p.dat002"));
    tool.selectRow(tool.rowOf("doc.bin"));
    dialogs.answerFile(dir.file("merged"));
    ui::runRegistered(QStringLiteral("Fusionner"), tool.context());
    EXPECT_EQ(readAll(dir.file("merged")), QByteArray::fromHex("410D0A42") + "two"); // list order
    // Nothing selected: the first disk is emptied, then the optimiser ends.
    QFile(floppy.file("old")).open(QIODevice::WriteOnly);
    tool.detailsView()->clearSelection();
    const int before = int(dialogs.shown.size());
    ui::runRegistered(QStringLiteral("Optimiser"), tool.context());
    EXPECT_EQ(dialogs.shown.size(), before + 1);
    EXPECT_TRUE(QDir(floppy.path()).isEmpty());
}

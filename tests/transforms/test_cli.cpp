// The command-line front end, run as a separate process.
#include "support/temp_dir.h"

#include <QProcess>
#include <gtest/gtest.h>

using testing_support::readAll;
using testing_support::TempDir;

namespace {

struct CliRun {
    int code;
    QString out, err;
};

CliRun cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TAVTOOLS_CLI), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(Cli, BackupListVerifyRestoreWithVolumes) {
    TempDir dir;
    QByteArray big(200000, 0);
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 7919) >> 3);
    dir.write("src/a.txt", "alpha");
    dir.write("src/sub/big.bin", big);
    CliRun r = cli({"backup", "--title", "T", "--level", "none", "--max-size", "60000",
                    "--file-list", dir.file("arch.bck"), dir.file("src/* /s")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.file("arch.003")));
    r = cli({"list", dir.file("arch.bck")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("FILE:LIST\t"));
    EXPECT_TRUE(lines[1].startsWith(dir.file("src/sub/big.bin") + "\t"));
    EXPECT_TRUE(lines[1].endsWith("\t200000\t1,2,3,4") || lines[1].contains("\t200000\t1,2,3"));
    EXPECT_EQ(cli({"verify", dir.file("arch.bck")}).code, 0);
    // A name holding a line feed or a tab keeps its entry on one line, escaped as find does.
    dir.write("odd/a\nb\tc.txt", "x");
    ASSERT_EQ(cli({"backup", dir.file("odd.bck"), dir.file("odd/*.txt")}).code, 0);
    r = cli({"list", dir.file("odd.bck")});
    ASSERT_EQ(r.out.count('\n'), 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.startsWith(dir.file("odd/a\\nb\\tc.txt") + "\t")) << r.out.toStdString();
    r = cli({"restore", "--to", dir.mkdir("out"), dir.file("arch.bck")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(readAll(dir.file("out/big.bin")), big);
    EXPECT_TRUE(r.out.contains("2 fichiers sur 2"));
    QFile::remove(dir.file("arch.002"));
    r = cli({"restore", "--to", dir.file("out"), dir.file("arch.bck")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(dir.file("arch.002"))) << r.err.toStdString();
    EXPECT_EQ(cli({"verify", dir.file("arch.bck")}).code, 1);
}

TEST(Cli, DamagedArchiveAndUsage) {
    TempDir dir;
    dir.write("bad.bck", QByteArray("\x05\x00\x00\x00TitleXX", 11));
    CliRun r = cli({"verify", dir.file("bad.bck")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Archive illisible"));
    EXPECT_EQ(cli({"nonsense"}).code, 1);
    EXPECT_EQ(cli({"backup", "--level", "huge", "x.bck"}).code, 1);
}

TEST(Cli, SplitJoinCryptSortAndOccupation) {
    TempDir dir;
    QByteArray data(5000, 'q');
    dir.write("f.dat", data);
    EXPECT_EQ(cli({"split", dir.file("f.dat"), "0"}).err.trimmed(),
              QStringLiteral("Parts trop petites"));
    CliRun r = cli({"split", dir.file("f.dat"), "1"});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("Découpage terminé"));
    QFile::remove(dir.file("f.dat"));
    ASSERT_EQ(cli({"join", dir.file("f.dat003"), dir.file("f.dat001"), dir.file("f.dat002"),
                   dir.file("f.dat004"), dir.file("f.dat005")})
                  .code,
              0);
    EXPECT_EQ(readAll(dir.file("f.dat")), data);
    ASSERT_EQ(cli({"crypt", "pw", dir.file("f.dat")}).code, 0);
    EXPECT_NE(readAll(dir.file("f.dat")), data);
    ASSERT_EQ(cli({"crypt", "wp", dir.file("f.dat")}).code, 0);
    EXPECT_EQ(readAll(dir.file("f.dat")), data);
    dir.write("lines.txt", "b\nA\n");
    ASSERT_EQ(cli({"sort", dir.file("lines.txt")}).code, 0);
    EXPECT_EQ(readAll(dir.file("lines.txt")), QByteArray("A\nb\n"));
    r = cli({"occupation", dir.path()});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("Espace réellement occupé"));
    EXPECT_EQ(cli({"erase", dir.file("missing")}).err.trimmed(),
              QStringLiteral("Fichier introuvable"));
}

TEST(Cli, APartialRestoreIsAFailure) {
    TempDir dir;
    dir.write("src/a.txt", "a");
    dir.write("src/b.txt", "b");
    ASSERT_EQ(cli({"backup", dir.file("p.bck"), dir.file("src/*")}).code, 0);
    dir.write("notafolder", "x");
    CliRun r = cli({"restore", "--to", dir.file("notafolder"), dir.file("p.bck")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Non restauré") && r.err.contains("a.txt")) << r.err.toStdString();
    r = cli({"restore", "--to", dir.file("out"), dir.file("p.bck")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = cli({"restore", "--mode", "no-overwrite", "--to", dir.file("out"), dir.file("p.bck")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("ignoré selon le mode")) << r.err.toStdString();
}

TEST(Cli, HelpAndUnknownOptions) {
    CliRun r = cli({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("utilisation : tavtools-cli")) << r.out.toStdString();
    EXPECT_EQ(cli({"grep"}).err.trimmed(), QStringLiteral("utilisation : grep CHAINE FICHIER..."));
    r = cli({"backup", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("backup"));
    TempDir dir;
    r = cli({"backup", "--frobnicate", dir.file("x.bck"), dir.path()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--frobnicate"));
    EXPECT_FALSE(QFile::exists(dir.file("x.bck")));
}

// move: files and folders into a folder, never over an entry of that name.
TEST(Cli, MoveIntoAFolderNeverReplaces) {
    TempDir dir;
    dir.write("a.txt", "a");
    dir.write("tree/b.txt", "b");
    dir.write("into/a.txt", "older");
    CliRun r = cli({"move", dir.file("tree"), dir.file("into")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(readAll(dir.file("into/tree/b.txt")), QByteArray("b"));
    EXPECT_FALSE(QFileInfo::exists(dir.file("tree")));
    r = cli({"move", dir.file("a.txt"), dir.file("into")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Existe déjà"))) << r.err.toStdString();
    EXPECT_EQ(readAll(dir.file("into/a.txt")), QByteArray("older"));
    EXPECT_EQ(readAll(dir.file("a.txt")), QByteArray("a"));
    EXPECT_EQ(cli({"move", dir.file("a.txt")}).code, 1); // no folder to move into
}

// System information: the readers on fake trees, the exported-names reader
// on images built byte by byte, and the windows.
#include "image_builders.h"
#include "support/temp_dir.h"
#include "sysinfo/applications.h"
#include "sysinfo/commands.h"
#include "sysinfo/cpu_memory.h"
#include "sysinfo/cpu_speed_window.h"
#include "sysinfo/exports.h"
#include "sysinfo/exports_window.h"
#include "sysinfo/memory_window.h"
#include "sysinfo/settings_program.h"
#include "sysinfo/system_facts.h"
#include "sysinfo/system_info_window.h"
#include "sysinfo/text_list_window.h"
#include "sysinfo/window_titles.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

#ifdef TAVTOOLS_HAVE_XCB
#include <xcb/xcb.h>
#endif

using namespace sysinfo;
using testing_support::TempDir;

TEST(Cpu, TypeTableAndSpeedText) {
    const char* expected[] = {"8086", "286", "Pentium", "486", "Pentium", "P5", "P14"};
    const int codes[] = {0, 1, 2, 3, 4, 5, 14};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(processorTypeText(codes[i]), QString::fromLatin1(expected[i]));
    EXPECT_EQ(speedText(451.03), QStringLiteral("Vitesse CPU : 451,03 MHz"));
    EXPECT_EQ(speedText(5200), QStringLiteral("Vitesse CPU : 5200,00 MHz")); // no wrap past 4295
    EXPECT_FALSE(processorType().isEmpty());
}

TEST(Cpu, MeasurementAgreesWithTheKernelWithinAFifth) {
    TempDir dir;
    dir.write(QStringLiteral("proc/cpuinfo"), "processor\t: 0\ncpu MHz\t\t: 1234.5\n");
    const double mhz = measureMhz(100, dir.file(QStringLiteral("proc")));
    ASSERT_GT(mhz, 0);
#if !defined(__x86_64__) && !defined(__i386__)
    EXPECT_DOUBLE_EQ(mhz, 1234.5);
#endif
}

TEST(Memory, SixtyFourMegabytesAndSixtyFourGibibytes) {
    TempDir dir;
    dir.write(QStringLiteral("small/meminfo"),
              "MemTotal:          65536 kB\nMemFree:            1000 kB\n"
              "MemAvailable:      16384 kB\n");
    dir.write(QStringLiteral("big/meminfo"),
              "MemTotal:       67108864 kB\nMemFree:        33554432 kB\n");
    const MemoryStatus small = readMemory(dir.file(QStringLiteral("small")));
    EXPECT_EQ(small.totalKo, 65536);
    EXPECT_EQ(small.freeKo, 16384);
    EXPECT_EQ(small.load, 75);
    const MemoryStatus big = readMemory(dir.file(QStringLiteral("big")));
    EXPECT_EQ(big.totalKo, 67108864); // past every 32-bit byte count
    EXPECT_EQ(big.freeKo, 33554432);
    EXPECT_EQ(big.load, 50);
    EXPECT_GT(big.virtualKo, 0);
    const MemoryStatus none = readMemory(dir.file(QStringLiteral("missing")));
    EXPECT_EQ(none.totalKo, 0);
    EXPECT_EQ(none.load, 0);
}

TEST(Facts, FromAFakeTreeAndFromAnEmptyOne) {
    TempDir dir;
    dir.write(QStringLiteral("sys/class/dmi/id/bios_date"), "12/15/1999\n");
    dir.write(QStringLiteral("sys/class/dmi/id/bios_vendor"), "Phoenix\n");
    dir.write(QStringLiteral("sys/class/dmi/id/bios_version"), "4.06\n");
    dir.write(QStringLiteral("proc/sys/kernel/hostname"), "poste1\n");
    dir.write(QStringLiteral("proc/sys/kernel/domainname"), "(none)\n");
    dir.write(QStringLiteral("proc/sys/kernel/osrelease"), "6.1.0-13-amd64\n");
    dir.write(QStringLiteral("etc/os-release"),
              "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    dir.write(QStringLiteral("etc/samba/smb.conf"), "[global]\n   workgroup = BUREAU\n[homes]\n");
    const SystemFacts info(dir.path());
    EXPECT_EQ(info.biosDate, QStringLiteral("12/15/1999"));
    EXPECT_EQ(info.biosName, QStringLiteral("Phoenix"));
    EXPECT_EQ(info.biosVersion, QStringLiteral("4.06"));
    EXPECT_EQ(info.computerName, QStringLiteral("poste1"));
    EXPECT_EQ(info.workgroup, QStringLiteral("BUREAU"));
    EXPECT_EQ(info.version, QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    EXPECT_EQ(info.versionNumber, QStringLiteral("6.1.0-13-amd64"));
    EXPECT_TRUE(info.macAddress.isEmpty()); // no adapter

    TempDir empty;
    const SystemFacts nothing(empty.path());
    EXPECT_TRUE(nothing.biosName.isEmpty());
    EXPECT_TRUE(nothing.biosVersion.isEmpty());
    EXPECT_TRUE(nothing.workgroup.isEmpty()); // "(none)" is no domain
    EXPECT_FALSE(audioCdPresent(opticalDrives(empty.path())));
}

TEST(Facts, TheLastAdapterLoopbackLeftOut) {
    TempDir dir;
    dir.write(QStringLiteral("sys/class/net/eth0/address"), "00:1A:2b:3c:4d:5e\n");
    dir.write(QStringLiteral("sys/class/net/wlan0/address"), "0a:0b:0c:0d:0e:0f\n");
    dir.write(QStringLiteral("sys/class/net/zz-loop/address"), "00:00:00:00:00:00\n");
    dir.write(QStringLiteral("sys/class/net/zz-loop/type"), "772\n");
    dir.write(QStringLiteral("sys/class/net/lo/address"), "00:00:00:00:00:00\n");
    EXPECT_EQ(lastAdapterAddress(dir.path()), QStringLiteral("0a:0b:0c:0d:0e:0f"));
    QFile::remove(dir.file(QStringLiteral("sys/class/net/wlan0/address")));
    EXPECT_EQ(lastAdapterAddress(dir.path()), QStringLiteral("00:1a:2b:3c:4d:5e"));
}

TEST(Applications, OwnedListedUnownedLeftOutFrenchNamePreferred) {
    TempDir dir;
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=Text Editor\n"
                             "Name[fr]=Éditeur de texte\nExec=gedit\n[Desktop Action new]\n"
                             "Name=Other\n";
    dir.write(QStringLiteral("usr/share/applications/org.gnome.gedit.desktop"), entry);
    dir.write(QStringLiteral("usr/share/applications/stray.desktop"),
              "[Desktop Entry]\nType=Application\nName=Stray\n");
    dir.write(QStringLiteral("usr/share/applications/calc.desktop"),
              "[Desktop Entry]\nType=Application\nName=Calculatrice\n");
    dir.write(QStringLiteral("var/lib/dpkg/info/gedit.list"),
              "/usr\n/usr/bin/gedit\n/usr/share/applications/org.gnome.gedit.desktop\n");
    dir.write(QStringLiteral("var/lib/dpkg/info/galculator:amd64.list"),
              "/usr/share/applications/calc.desktop\n");
    dir.write(QStringLiteral("var/lib/dpkg/info/other.list"), "/usr/bin/other\n");
    dir.write(QStringLiteral("var/lib/flatpak/exports/share/applications/org.example.App.desktop"),
              "[Desktop Entry]\nType=Application\nName=Exemple\nX-Flatpak=org.example.App\n");
    dir.write(QStringLiteral("home/.local/share/applications/mine.desktop"),
              "[Desktop Entry]\nType=Application\nName=Mine\n");
    const QStringList lines =
        applicationLines(installedApplications({dir.path(), dir.file(QStringLiteral("home"))}));
    EXPECT_EQ(lines,
              QStringList({QStringLiteral("Calculatrice\t-> apt-get remove galculator:amd64"),
                           QStringLiteral("Éditeur de texte\t-> apt-get remove gedit"),
                           QStringLiteral("Exemple\t-> flatpak uninstall org.example.App")}));
}

// FIFOs and endless devices in the place of system files are passed over
// at once: nothing blocks, nothing is read without end.
TEST(Facts, FifosAndDevicesInPlaceOfSystemFilesAreNotRead) {
    TempDir dir;
    for (const char* fifo :
         {"etc/os-release", "sys/class/dmi/id/bios_vendor", "sys/class/net/eth0/address",
          "proc/meminfo", "usr/share/applications/fifo.desktop"}) {
        dir.mkdir(QFileInfo(dir.file(fifo)).path().mid(dir.path().size() + 1));
        ASSERT_EQ(mkfifo(dir.file(fifo).toLocal8Bit().constData(), 0600), 0) << fifo;
    }
    dir.write(QStringLiteral("sys/class/dmi/id/bios_version"), "4.06\n");
    dir.write(QStringLiteral("var/lib/dpkg/info/x.list"), "/usr/share/applications/x.desktop\n");
    ASSERT_TRUE(QFile::link("/dev/zero", dir.file("var/lib/dpkg/info/zero.list")));
    dir.write(QStringLiteral("usr/share/applications/x.desktop"),
              "[Desktop Entry]\nType=Application\nName=X\n");
    QElapsedTimer clock;
    clock.start();
    const SystemFacts info(dir.path());
    EXPECT_TRUE(info.version.isEmpty());
    EXPECT_TRUE(info.biosName.isEmpty());
    EXPECT_EQ(info.biosVersion, QStringLiteral("4.06"));
    EXPECT_TRUE(lastAdapterAddress(dir.path()).isEmpty());
    EXPECT_EQ(readMemory(dir.file("proc")).totalKo, 0);
    EXPECT_EQ(applicationLines(installedApplications({dir.path(), {}})),
              QStringList({QStringLiteral("X\t-> apt-get remove x")}));
    EXPECT_LT(clock.elapsed(), 5000);
}

// Text from the machine's files reaches the terminal escaped: no escape
// code, no tab taken for a field separator.
TEST(Facts, CommandLinePrintsOutsideTextEscaped) {
    TempDir dir;
    dir.write(QStringLiteral("etc/os-release"), "PRETTY_NAME=\"Red\x1b[31m\tOS\"\n");
    dir.write(QStringLiteral("var/lib/dpkg/info/x.list"), "/usr/share/applications/x.desktop\n");
    dir.write(QStringLiteral("usr/share/applications/x.desktop"),
              "[Desktop Entry]\nType=Application\nName=Evil\x1b[2J\tName\n");
    const auto run = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(TAVTOOLS_CLI), args);
        p.waitForFinished(30000);
        return p.readAllStandardOutput();
    };
    const QByteArray facts = run({"sysinfo", dir.path()});
    EXPECT_TRUE(facts.contains("Système\tRed\\x1b[31m\\tOS\n")) << facts.constData();
    EXPECT_EQ(run({"apps", dir.path()}), QByteArray("Evil\\x1b[2J\\tName\t-> apt-get remove x\n"));
}

TEST(Tasks, TitlesCutTo99EmptyOnesLeftOut) {
    const QString longTitle(120, u'x');
    EXPECT_EQ(taskLines({longTitle, QString(), QStringLiteral("Terminal")}),
              QStringList({QString(99, u'x'), QStringLiteral("Terminal")}));
    EXPECT_TRUE(topLevelWindowTitles(":987654").isEmpty()); // no such display
}

#ifdef TAVTOOLS_HAVE_XCB
// A real X server: a window with a 120-character title is listed with 99.
TEST(Tasks, WindowsOfARealServer) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb absent";
    QProcess server;
    server.start(xvfb, {QStringLiteral(":93"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted());
    xcb_connection_t* c = nullptr;
    for (int i = 0; i < 100; ++i, QTest::qWait(50)) {
        c = xcb_connect(":93", nullptr);
        if (!xcb_connection_has_error(c)) break;
        xcb_disconnect(c);
        c = nullptr;
    }
    ASSERT_TRUE(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QByteArray title(120, 't');
    for (const QByteArray& name : {title, QByteArray(), QByteArray("Seconde")}) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(name.size()), name.constData());
    }
    xcb_flush(c);
    const QStringList lines = taskLines(topLevelWindowTitles(":93"));
    xcb_disconnect(c);
    server.terminate();
    server.waitForFinished();
    EXPECT_EQ(lines, QStringList({QString(99, u't'), QStringLiteral("Seconde")}));
}
#endif

TEST(Exports, PeNamesInTableOrderBothWidths) {
    const QList<QByteArray> names{"Zeta", "Alpha", "Middle"};
    for (bool wide : {false, true})
        EXPECT_EQ(exportedNames(image_builders::peImage(names, wide)),
                  QStringList({"Zeta", "Alpha", "Middle"}));
    // Exports by number only: no names at all.
    EXPECT_TRUE(exportedNames(image_builders::peImage({})).isEmpty());
}

TEST(Exports, HostilePeImagesGiveWhatCanBeRead) {
    const QByteArray good = image_builders::peImage({"One", "Two"}, false, 0xFFFFFFF0u);
    // A name count of billions: only the names inside the file.
    EXPECT_EQ(exportedNames(good).mid(0, 2), QStringList({"One", "Two"}));
    // Every truncation answers without reading past the end.
    for (qsizetype size = 0; size < good.size(); size += 7)
        (void)exportedNames(QByteArray(good.left(size)));
    // A name without an end is left out.
    QByteArray open = image_builders::peImage({"Open"});
    open.truncate(0x300 + 4);
    EXPECT_TRUE(exportedNames(open).isEmpty());
}

// Sections that overlap: the earlier one in the table answers for the
// addresses it holds, a later one for the rest.
TEST(Exports, OverlappingSectionsTheEarlierOneWins) {
    using image_builders::put;
    QByteArray image = image_builders::peImage({"One", "Two"});
    const int sections = 0x58 + 0xE0;
    // Two more sections, the real one moved to the end of the table: first a
    // small one over part of the names' addresses pointing at zeros, then a
    // wide one pointing at the headers.
    const QByteArray real = image.mid(sections, 40);
    image.replace(sections + 80, 40, real);
    QByteArray small(40, '\0'), wide(40, '\0');
    put(small, 8, 0x10, 4), put(small, 12, 0x1300, 4), put(small, 16, 0x10, 4);
    put(small, 20, 0x500, 4);
    put(wide, 8, 0x400, 4), put(wide, 12, 0x1104, 4), put(wide, 16, 0x400, 4);
    put(wide, 20, 0x5F0, 4); // zeros
    image.replace(sections, 40, small);
    image.replace(sections + 40, 40, wide);
    put(image, 0x46, 3, 2);
    // "One" at 0x1100 comes through the real section, "Two" at 0x1104
    // through the wide one, which holds no text there.
    EXPECT_EQ(exportedNames(image), QStringList({"One"}));
    put(image, 0x46, 1, 2); // only the small one: nothing is reachable
    EXPECT_TRUE(exportedNames(image).isEmpty());
}

// Tens of thousands of sections and half a million names that all point at
// one text with no end: read in a moment, each name cut, the whole bounded.
TEST(Exports, HostileSizesStayLinearAndBounded) {
    using image_builders::put;
    const int sectionCount = 65535, names = 500'000;
    const quint64 data = 0x290000, nameText = data + 0x300000;
    QByteArray b(qsizetype(nameText) + 6000, 'x');
    b.replace(0, qsizetype(data), QByteArray(qsizetype(data), '\0'));
    b.replace(0, 2, "MZ");
    put(b, 0x3C, 0x40, 4);
    b.replace(0x40, 4, QByteArray("PE\0\0", 4));
    put(b, 0x46, sectionCount, 2);
    put(b, 0x54, 0xE0, 2);
    put(b, 0x58, 0x10B, 2);
    put(b, 0x58 + 92, 16, 4);
    put(b, 0x58 + 96, 0x10000000, 4);
    const int table = 0x58 + 0xE0;
    for (int i = 0; i + 1 < sectionCount; ++i) {
        put(b, table + i * 40 + 8, 0x10, 4);
        put(b, table + i * 40 + 12, 0x100000 + quint64(i) * 0x10, 4);
        put(b, table + i * 40 + 16, 0x10, 4);
    }
    const int last = table + (sectionCount - 1) * 40;
    put(b, last + 8, 0x800000, 4), put(b, last + 12, 0x10000000, 4);
    put(b, last + 16, 0x800000, 4), put(b, last + 20, data, 4);
    put(b, qsizetype(data) + 24, names, 4);
    put(b, qsizetype(data) + 32, 0x10000100, 4);
    for (int i = 0; i < names; ++i)
        put(b, qsizetype(data) + 0x100 + i * 4, 0x10300000, 4);
    QElapsedTimer clock;
    clock.start();
    qint64 count = 0, total = 0;
    forEachExportedName(b, [&](QByteArrayView name) {
        ++count;
        total += name.size();
        ASSERT_EQ(name.size(), 4096 + 3);
        ASSERT_TRUE(name.endsWith("\xE2\x80\xA6"));
    });
    EXPECT_GT(count, 0);
    EXPECT_LE(total, 2 * b.size() + (1 << 20));
    EXPECT_LT(clock.elapsed(), 10'000); // minutes when each name walked every section

    // An ELF string table with no zero under 300,000 symbols.
    using image_builders::Symbol;
    const QList<Symbol> symbols(300'000, Symbol{"f", 1, 2, 7});
    QByteArray elf = image_builders::elfImage(symbols, true, false);
    const qsizetype strings = elf.size() - 2 * symbols.size() - 1;
    elf.replace(strings, elf.size() - strings, QByteArray(elf.size() - strings, 'a'));
    count = 0;
    clock.restart();
    forEachExportedName(elf, [&](QByteArrayView name) {
        ++count;
        ASSERT_LE(name.size(), 4096 + 3);
    });
    EXPECT_GT(count, 0);
    EXPECT_LT(clock.elapsed(), 10'000);
}

TEST(Exports, ElfDefinedGlobalAndWeakFunctionsAllLayouts) {
    using image_builders::Symbol;
    const QList<Symbol> symbols{{"first", 1, 2, 7},
                                {"data", 1, 1, 7},
                                {"undefined", 1, 2, 0},
                                {"local", 0, 2, 7},
                                {"weakOne", 2, 2, 7}};
    for (bool wide : {false, true})
        for (bool big : {false, true})
            EXPECT_EQ(exportedNames(image_builders::elfImage(symbols, wide, big)),
                      QStringList({"first", "weakOne"}))
                << wide << big;
}

TEST(Exports, RealLibraryMatchesNmAndTextGivesNothing) {
    TempDir dir;
    EXPECT_TRUE(exportedNamesOfFile(dir.write(QStringLiteral("notes.txt"), "MZ text\n")).isEmpty());
    EXPECT_TRUE(exportedNamesOfFile(dir.file(QStringLiteral("absent.dll"))).isEmpty());
    // The Qt Core library this test runs with, against nm's defined functions.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    QString library;
    for (const QByteArray& line : maps.readAll().split('\n'))
        if (line.contains("libQt6Core.so"))
            library = QString::fromUtf8(line.mid(line.indexOf('/')));
    const QString nm = QStandardPaths::findExecutable(QStringLiteral("nm"));
    if (library.isEmpty() || nm.isEmpty()) GTEST_SKIP() << "nm or libQt6Core absent";
    QProcess p;
    p.start(nm, {QStringLiteral("-D"), QStringLiteral("--defined-only"), QStringLiteral("-p"),
                 library});
    ASSERT_TRUE(p.waitForFinished(30000));
    QStringList expected;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 3 && (f[1] == "T" || f[1] == "W" || f[1] == "i"))
            expected << QString::fromUtf8(f[2].split('@').first());
    }
    const QStringList names = exportedNamesOfFile(library);
    ASSERT_GT(names.size(), 1000);
    EXPECT_EQ(names, expected);
}

TEST(Settings, CurrentDesktopFirstAndNothingWhenNoneIsInstalled) {
    EXPECT_EQ(settingsPrograms(QStringLiteral("XFCE")).first(),
              QStringLiteral("xfce4-settings-manager"));
    EXPECT_EQ(settingsPrograms(QString()).first(), QStringLiteral("gnome-control-center"));
    TempDir dir;
    EXPECT_TRUE(settingsProgram({dir.path()}).isEmpty());
    const QString program = dir.write(QStringLiteral("lxqt-config"), "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(settingsProgram({dir.path()}), program);
}

// ---- windows ----

TEST(Windows, CpuSpeedStartsShowsAndStops) {
    CpuSpeedWindow window;
    window.measure = [] {
        QThread::msleep(20);
        return 451.03;
    };
    window.show();
    EXPECT_TRUE(window.typeLabel->text().startsWith(QStringLiteral("Type de CPU : ")));
    EXPECT_EQ(window.speedLabel->text(), QStringLiteral("Vitesse CPU :  MHz"));
    EXPECT_FALSE(window.stopButton->isEnabled());
    QTest::mouseClick(window.startButton, Qt::LeftButton);
    EXPECT_FALSE(window.startButton->isEnabled());
    EXPECT_FALSE(window.closeButton->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.speedLabel->text() == QStringLiteral("Vitesse CPU : 451,03 MHz"); }));
    QTest::mouseClick(window.stopButton, Qt::LeftButton);
    EXPECT_TRUE(window.startButton->isEnabled());
    EXPECT_TRUE(window.closeButton->isEnabled());
    EXPECT_FALSE(window.stopButton->isEnabled());
}

TEST(Windows, MemoryValuesAndEnvironmentOnOneLine) {
    TempDir dir;
    dir.write(QStringLiteral("proc/meminfo"), "MemTotal: 65536 kB\nMemAvailable: 32768 kB\n");
    MemoryWindow memory(nullptr, dir.file(QStringLiteral("proc")));
    memory.show();
    EXPECT_EQ(memory.value(0), QStringLiteral("65536 Ko"));
    EXPECT_EQ(memory.value(1), QStringLiteral("50 %"));
    EXPECT_EQ(memory.value(2), QStringLiteral("32768 Ko"));

    qputenv("TAVTOOLS_LONG_VALUE", QByteArray(600, 'v'));
    SystemInfoWindow info(nullptr, dir.path());
    info.show();
    EXPECT_EQ(info.value(QStringLiteral("Cd Audio")), QStringLiteral("Non"));
    EXPECT_TRUE(info.value(QStringLiteral("Ecran")).startsWith(QStringLiteral("Ecran ")));
    EXPECT_TRUE(
        info.environmentText->toPlainText().contains(QStringLiteral("TAVTOOLS_LONG_VALUE=vvv")));
    EXPECT_GT(info.environmentText->horizontalScrollBar()->maximum(), 0); // scrolls sideways
    qunsetenv("TAVTOOLS_LONG_VALUE");
}

TEST(Windows, ExportsWindowOnlyForExactlyOneRow) {
    TempDir dir;
    const QString dll =
        dir.write(QStringLiteral("kernel32.dll"), image_builders::peImage({"Beep"}));
    int shown = 0;
    QStringList names;
    QString title;
    ui::ScopedModalHandler handler([&](QDialog* d) {
        ++shown;
        title = d->windowTitle();
        d->show();
        names = static_cast<ExportsWindow*>(d)->exportList->count()
                    ? QStringList{static_cast<ExportsWindow*>(d)->exportList->item(0)->text()}
                    : QStringList{};
        return 0;
    });
    registerCommands(ui::commands());
    ui::CommandContext c;
    c.selection = {dll, dll + QStringLiteral(".bak")};
    c.selectedRows = 2;
    ui::runRegistered(QStringLiteral("FonctionsDll"), c);
    EXPECT_EQ(shown, 0);
    c.selection = {dll};
    c.selectedRows = 1;
    ui::runRegistered(QStringLiteral("FonctionsDll"), c);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(title, QStringLiteral("Voir DLL - kernel32.dll"));
    EXPECT_EQ(names, QStringList{QStringLiteral("Beep")});
}

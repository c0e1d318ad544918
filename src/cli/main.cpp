#include "commands.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

namespace {

const char* const kUsage =
    "utilisation : tavtools-cli COMMANDE [options]\n"
    "  backup [--title T] [--level fastest|none|default|max] [--max-size OCTETS]\n"
    "         [--incremental] [--file-list] ARCHIVE SPEC...\n"
    "  restore [--mode all|no-overwrite|newer|existing|existing-newer] [--to DOSSIER "
    "[--full-path]] ARCHIVE\n"
    "  list ARCHIVE\n"
    "  verify ARCHIVE\n"
    "  split FICHIER [TAILLE_KO]        join PART...\n"
    "  crypt MOT_DE_PASSE FICHIER...    erase FICHIER\n"
    "  extract FICHIER [SORTIE]         merge SORTIE FICHIER...\n"
    "  sort FICHIER                     occupation [DOSSIER [MASQUE]]\n"
    "  catalogue DOSSIER SORTIE [NOM]   diskinfo [LETTRE]\n"
    "  dbf FICHIER                      find [--no-index] DOSSIER CRITERE\n"
    "  grep CHAINE FICHIER...           compare FICHIER1 FICHIER2\n"
    "  clean [--delete] DOSSIER [EXT...]\n"
    "  copy [--replace] SOURCE... DOSSIER    move SOURCE... DOSSIER\n"
    "  delete [--force] CHEMIN...\n"
    "  attrib [--date JJ/MM/AAAA [--time HH:MM:SS]] [--readonly] [--hidden] [--system]\n"
    "         [--archive] CHEMIN...\n"
    "  cpu    memory    sysinfo    apps    tasks    exports FICHIER\n"
    "  thumbnails DOSSIER IMAGE...\n"
    "  --version    --help\n";

const QStringList kPlainCommands = {"find", "grep", "compare", "clean"};

} // namespace

int main(int argc, char** argv) {
    // Pictures are drawn by a program of their own beside this one, so that
    // every other command starts without the graphics libraries.
    if (argc > 1 && std::strcmp(argv[1], "thumbnails") == 0) return cli::runPictureProgram(argv);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("tavtools-cli " TAVTOOLS_VERSION);
        return 0;
    }
    platform::stopJobsOnEndRequest();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // The searches need no event loop: they start without the application
    // object, whose start takes longer than some of them.
    std::optional<QCoreApplication> app;
    if (args.isEmpty() || !kPlainCommands.contains(args.first())) app.emplace(argc, argv);
    const std::map<QString, std::function<int(const QStringList&)>> commands = {
        {QStringLiteral("backup"), cli::runBackup},
        {QStringLiteral("restore"), cli::runRestore},
        {QStringLiteral("list"), cli::runList},
        {QStringLiteral("verify"), cli::runVerify},
        {QStringLiteral("split"), cli::runSplit},
        {QStringLiteral("join"), cli::runJoin},
        {QStringLiteral("crypt"), cli::runCrypt},
        {QStringLiteral("erase"), cli::runErase},
        {QStringLiteral("move"), cli::runMove},
        {QStringLiteral("copy"), cli::runCopy},
        {QStringLiteral("delete"), cli::runDelete},
        {QStringLiteral("attrib"), cli::runAttrib},
        {QStringLiteral("extract"), cli::runExtract},
        {QStringLiteral("merge"), cli::runMerge},
        {QStringLiteral("sort"), cli::runSort},
        {QStringLiteral("occupation"), cli::runOccupation},
        {QStringLiteral("catalogue"), cli::runCatalogue},
        {QStringLiteral("diskinfo"), cli::runDiskInfo},
        {QStringLiteral("dbf"), cli::runDbf},
        {QStringLiteral("find"), cli::runFind},
        {QStringLiteral("grep"), cli::runGrep},
        {QStringLiteral("compare"), cli::runCompare},
        {QStringLiteral("clean"), cli::runClean},
        {QStringLiteral("cpu"), cli::runCpu},
        {QStringLiteral("memory"), cli::runMemory},
        {QStringLiteral("sysinfo"), cli::runSysinfo},
        {QStringLiteral("apps"), cli::runApps},
        {QStringLiteral("tasks"), cli::runTasks},
        {QStringLiteral("exports"), cli::runExports},
    };
    if (!args.isEmpty() && (args.first() == u"--help" || args.first() == u"-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.isEmpty() || !commands.count(args.first())) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const QString name = args.takeFirst();
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // Options are the command's own; anything else that looks like one is
    // refused rather than taken for a file name.
    const std::map<QString, QStringList> options = {
        {QStringLiteral("backup"),
         {"--title", "--level", "--max-size", "--incremental", "--file-list"}},
        {QStringLiteral("restore"), {"--mode", "--to", "--full-path"}},
        {QStringLiteral("find"), {"--no-index"}},
        {QStringLiteral("clean"), {"--delete"}},
        {QStringLiteral("copy"), {"--replace"}},
        {QStringLiteral("delete"), {"--force"}},
        {QStringLiteral("attrib"),
         {"--date", "--time", "--readonly", "--hidden", "--system", "--archive"}},
    };
    const QStringList known = options.count(name) ? options.at(name) : QStringList();
    for (const QString& a : args)
        if (a.startsWith(u"--") && !known.contains(a)) {
            std::fprintf(stderr, "option inconnue : %s\n", a.toUtf8().constData());
            std::fputs(kUsage, stderr);
            return 2;
        }
    try {
        return commands.at(name)(args);
    } catch (const std::exception& e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
}

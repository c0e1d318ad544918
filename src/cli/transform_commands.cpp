// The file transform and drive commands of tavtools-cli.
#include "commands.h"
#include "platform/Platform.h"
#include "sysinfo/TDiskInfo.h"
#include "transforms/crypt.h"
#include "transforms/erase.h"
#include "transforms/occupation.h"
#include "transforms/split.h"
#include "transforms/text_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace cli {

using namespace transforms;

int runSplit(const QStringList& args) {
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("usage : split FICHIER [TAILLE_KO]"));
    qint64 ko = kDefaultPartKo;
    if (args.size() == 2) {
        bool ok = false;
        ko = args[1].toLongLong(&ok);
        if (!ok || ko < 0) return fail(QStringLiteral("Parts trop petites"));
    }
    if (!QFileInfo(args[0]).isFile())
        return fail(QStringLiteral("Fichier introuvable : %1").arg(args[0]));
    switch (splitFile(args[0], ko * 1024)) {
    case SplitResult::TooSmall:
        return fail(QStringLiteral("Parts trop petites"));
    case SplitResult::TooManyParts:
        return fail(QStringLiteral("Découpage refusé : plus de 999 parts"));
    case SplitResult::Failed:
        return fail(QStringLiteral("Ne peut pas lire le fichier"));
    default:
        break;
    }
    out(QStringLiteral("Découpage terminé"));
    return 0;
}

int runJoin(const QStringList& args) {
    if (args.isEmpty()) return fail(QStringLiteral("usage : join PART..."));
    const QString output = joinFiles(args);
    if (output.isEmpty()) return fail(QStringLiteral("Rien à reconstituer"));
    out(output);
    return 0;
}

int runCrypt(const QStringList& input) {
    QStringList args = input;
    if (args.size() < 2) return fail(QStringLiteral("usage : crypt MOT_DE_PASSE FICHIER..."));
    const QByteArray password = args.takeFirst().toLatin1().left(8);
    if (password.isEmpty()) return fail(QStringLiteral("Mot de passe vide"));
    int failures = 0;
    for (const QString& f : args)
        if (!cryptFile(f, password)) failures += fail(QStringLiteral("Non transformé : %1").arg(f));
    return failures ? 1 : 0;
}

int runErase(const QStringList& args) {
    if (args.size() != 1)
        return fail(QStringLiteral("Un fichier et un seul doit être sélectionné"));
    const core::Outcome o = eraseFile(args[0]);
    return o.ok() ? 0 : fail(o.text);
}

int runExtract(const QStringList& args) {
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("usage : extract FICHIER [SORTIE]"));
    const QString output = args.size() == 2 ? args[1] : QStringLiteral("Extract.txt");
    if (!extractText(args[0], output)) return fail(QStringLiteral("Ne peut pas lire le fichier"));
    return 0;
}

int runMerge(const QStringList& input) {
    QStringList args = input;
    if (args.size() < 2) return fail(QStringLiteral("usage : merge SORTIE FICHIER..."));
    const QString output = args.takeFirst();
    if (!mergeFiles(args, output)) return fail(QStringLiteral("Ne peut pas écrire %1").arg(output));
    return 0;
}

int runSort(const QStringList& args) {
    if (args.size() != 1)
        return fail(QStringLiteral("Un fichier et un seul doit être sélectionné"));
    const core::Outcome o = sortLines(args[0]);
    return o.ok() ? 0 : fail(o.text);
}

int runOccupation(const QStringList& args) {
    const QString folder = args.value(0, QDir::currentPath());
    const QString mask = args.value(1, QStringLiteral("*.*"));
    platform::Platform& p = platform::Platform::instance();
    platform::DiskSpace space;
    p.diskFreeSpace(p.driveOf(folder), space);
    out(occupation(folder, mask, qint64(space.clusterSize()))
            .message()
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return 0;
}

int runCatalogue(const QStringList& args) {
    if (args.size() < 2 || args.size() > 3)
        return fail(QStringLiteral("usage : catalogue DOSSIER SORTIE [NOM]"));
    QFile f(args[1]);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("Ne peut créer le fichier %1").arg(args[1]));
    const QString label = args.value(2, platform::Platform::instance().volumeLabel(
                                            platform::Platform::instance().driveOf(args[0])));
    f.write(label.toUtf8() + "\r\n");
    const Catalogue c = catalogue(args[0], [&](const QString& line) {
        const QByteArray b = line.toUtf8() + "\r\n";
        return f.write(b) == b.size();
    });
    if (!c.outcome.ok()) return fail(c.outcome.text);
    out(QStringLiteral("%1 Fichiers trouvés").arg(c.files));
    return 0;
}

int runDiskInfo(const QStringList& args) {
    platform::Platform& p = platform::Platform::instance();
    const QChar letter = args.isEmpty() ? p.driveOf(QDir::currentPath()) : args[0].at(0);
    if (!sysinfo::TDiskInfo::ready(letter))
        return fail(QStringLiteral("Le lecteur n'est pas prêt"));
    sysinfo::TDiskInfo info;
    info.setDisk(letter);
    out(QStringLiteral("Informations disque - %1").arg(letter.toUpper()));
    out(QStringLiteral("Nom du volume\t%1").arg(info.VolumeLabel));
    out(QStringLiteral("Type de disque\t%1")
            .arg(sysinfo::TDiskInfo::driveTypeText(info.DriveType)));
    out(QStringLiteral("Taille du disque\t%1").arg(info.DiskSize));
    out(QStringLiteral("Espace libre\t%1").arg(info.DiskFree));
    out(QStringLiteral("Système de fichiers\t%1").arg(info.FileSystem));
    out(QStringLiteral("Numéro de série\t%1").arg(info.SerialNumber));
    out(QStringLiteral("Octets par cluster\t%1").arg(info.ClusterSize));
    return 0;
}

} // namespace cli

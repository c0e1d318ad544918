// The file transform and drive commands of tavtools-cli.
#include "commands.h"
#include "core/file_errors.h"
#include "core/job.h"
#include "platform/platform.h"
#include "sysinfo/disk_info.h"
#include "transforms/crypt.h"
#include "transforms/erase.h"
#include "transforms/occupation.h"
#include "transforms/split.h"
#include "transforms/text_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <limits>

namespace cli {

using namespace transforms;

int runSplit(const QStringList& args) {
    CommandJob job;
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("utilisation : split FICHIER [TAILLE_KO]"));
    qint64 ko = kDefaultPartKo;
    if (args.size() == 2) {
        bool ok = false;
        ko = args[1].toLongLong(&ok);
        if (!ok || ko < 0)
            return fail(
                QStringLiteral("Taille incorrecte : %1 n'est pas un nombre de Ko").arg(args[1]));
        if (ko > std::numeric_limits<qint64>::max() / 1024)
            return fail(QStringLiteral("Taille trop grande : %1 Ko").arg(args[1]));
    }
    // Looked at through the platform, which never waits on a silent server.
    platform::DirEntry entry;
    if (const platform::Status s = platform::Platform::instance().entryOf(args[0], entry);
        s.error() == platform::errNoAnswer)
        return fail(core::noAnswerText() + QStringLiteral(" : ") + args[0]);
    else if (!s || !entry.regular)
        return fail(QStringLiteral("Fichier introuvable : %1").arg(args[0]));
    if (const core::Outcome o = splitFile(args[0], ko * 1024, job).outcome(); !o)
        return failed(o, QStringLiteral("les parts d'avant sont restées telles quelles"));
    out(QStringLiteral("Découpage terminé"));
    return 0;
}

int runJoin(const QStringList& args) {
    CommandJob job;
    if (args.isEmpty()) return fail(QStringLiteral("utilisation : join PART..."));
    QString output;
    const core::Outcome o = joinFiles(args, job, &output);
    if (!o.ok()) return failed(o);
    out(output);
    return 0;
}

int runCrypt(const QStringList& input) {
    CommandJob job;
    QStringList args = input;
    if (args.size() < 2) return fail(QStringLiteral("utilisation : crypt MOT_DE_PASSE FICHIER..."));
    QByteArray password;
    if (!passwordBytes(args.takeFirst().left(8), password))
        return fail(
            QStringLiteral("Le mot de passe contient un caractère qui ne peut pas servir de clé"));
    if (password.isEmpty()) return fail(QStringLiteral("Mot de passe vide"));
    int failures = 0;
    for (const QString& f : args)
        if (const core::Outcome o = cryptFile(f, password, job); !o.ok())
            failures += fail(QStringLiteral("Non transformé : %1 (%2)")
                                 .arg(f, o.kind == core::Outcome::Cancelled
                                             ? QStringLiteral("opération interrompue")
                                             : o.text));
    return failures ? 1 : 0;
}

int runErase(const QStringList& args) {
    CommandJob job;
    if (args.size() != 1)
        return fail(QStringLiteral("Un fichier et un seul doit être sélectionné"));
    const core::Outcome o = eraseFile(args[0], job);
    return o.ok() ? 0 : fail(o.text);
}

int runExtract(const QStringList& args) {
    CommandJob job;
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("utilisation : extract FICHIER [SORTIE]"));
    const QString output = args.size() == 2 ? args[1] : QStringLiteral("Extract.txt");
    const core::Outcome o = extractText(args[0], output, job);
    return o.ok() ? 0 : fail(o.text);
}

int runMerge(const QStringList& input) {
    CommandJob job;
    QStringList args = input;
    if (args.size() < 2) return fail(QStringLiteral("utilisation : merge SORTIE FICHIER..."));
    const QString output = args.takeFirst();
    const core::Outcome o = mergeFiles(args, output, job);
    return o.ok() ? 0 : fail(o.text);
}

int runSort(const QStringList& args) {
    CommandJob job;
    if (args.size() != 1)
        return fail(QStringLiteral("Un fichier et un seul doit être sélectionné"));
    const core::Outcome o = sortLines(args[0], job);
    return o.ok() ? 0 : fail(o.text);
}

int runOccupation(const QStringList& args) {
    const QString folder = args.value(0, QDir::currentPath());
    const QString mask = args.value(1, QStringLiteral("*.*"));
    platform::Platform& p = platform::Platform::instance();
    platform::DiskSpace space;
    p.diskFreeSpace(p.driveOf(folder), space);
    Occupation o;
    const core::Outcome read = occupation(folder, mask, qint64(space.clusterSize()), o);
    if (!read.ok()) return fail(read.text);
    out(o.message().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return 0;
}

int runCatalogue(const QStringList& args) {
    if (args.size() < 2 || args.size() > 3)
        return fail(QStringLiteral("utilisation : catalogue DOSSIER SORTIE [NOM]"));
    const QString label = args.value(2, platform::Platform::instance().volumeLabel(
                                            platform::Platform::instance().driveOf(args[0])));
    qint64 files = 0;
    CommandJob job;
    const core::Outcome o = writeCatalogue(args[0], args[1], label, job, &files);
    if (!o.ok()) return fail(o.text);
    out(QStringLiteral("%1 Fichiers trouvés").arg(files));
    return 0;
}

int runDiskInfo(const QStringList& args) {
    platform::Platform& p = platform::Platform::instance();
    const QChar letter = args.isEmpty() ? p.driveOf(QDir::currentPath()) : args[0].at(0);
    if (!sysinfo::DiskInfo::ready(letter)) return fail(QStringLiteral("Le lecteur n'est pas prêt"));
    sysinfo::DiskInfo info;
    info.setDisk(letter);
    out(QStringLiteral("Informations disque - %1").arg(letter.toUpper()));
    out(QStringLiteral("Nom du volume\t%1").arg(info.volumeLabel));
    out(QStringLiteral("Type de disque\t%1").arg(sysinfo::DiskInfo::driveTypeText(info.driveType)));
    out(QStringLiteral("Taille du disque\t%1").arg(info.diskSize));
    out(QStringLiteral("Espace libre\t%1").arg(info.diskFree));
    out(QStringLiteral("Système de fichiers\t%1").arg(info.fileSystem));
    out(QStringLiteral("Numéro de série\t%1").arg(info.serialNumber));
    out(QStringLiteral("Octets par cluster\t%1").arg(info.clusterSize));
    return 0;
}

} // namespace cli

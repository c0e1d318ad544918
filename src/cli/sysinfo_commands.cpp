// The system information commands of tavtools-cli.
#include "commands.h"
#include "sysinfo/applications.h"
#include "sysinfo/cpu_memory.h"
#include "sysinfo/exports.h"
#include "sysinfo/system_facts.h"
#include "sysinfo/window_titles.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace cli {

int runCpu(const QStringList& args) {
    if (!args.isEmpty()) return fail(QStringLiteral("utilisation : cpu"));
    out(QStringLiteral("Type de CPU : ") + sysinfo::processorType());
    out(sysinfo::speedText(sysinfo::measureMhz()));
    return 0;
}

int runMemory(const QStringList& args) {
    if (!args.isEmpty()) return fail(QStringLiteral("utilisation : memory"));
    const sysinfo::MemoryStatus m = sysinfo::readMemory();
    out(QStringLiteral("Mémoire totale\t%1 Ko").arg(m.totalKo));
    out(QStringLiteral("Mémoire utilisée\t%1 %").arg(m.load));
    out(QStringLiteral("Mémoire libre\t%1 Ko").arg(m.freeKo));
    out(QStringLiteral("Mémoire virtuelle\t%1 Ko").arg(m.virtualKo));
    return 0;
}

int runSysinfo(const QStringList& args) {
    if (args.size() > 1) return fail(QStringLiteral("utilisation : sysinfo [RACINE]"));
    const QString root = args.value(0, QStringLiteral("/"));
    const sysinfo::SystemFacts info(root);
    const std::pair<const char*, QString> facts[] = {
        {"Bios date", info.biosDate},
        {"Bios nom", info.biosName},
        {"Bios version", info.biosVersion},
        {"Nom de la machine", info.computerName},
        {"Organisme", info.registeredOrganization},
        {"Système", info.version},
        {"Version", info.versionNumber},
        {"Cd Audio", sysinfo::audioCdPresent(sysinfo::opticalDrives(root)) ? "Oui" : "Non"},
        {"WorkGroup", info.workgroup},
        {"Adresse", info.macAddress},
    };
    // The values come from files of the machine: escaped like every output.
    QByteArray text;
    for (const auto& [caption, value] : facts) {
        text += caption;
        text += '\t';
        appendEscaped(text, value.toUtf8());
        text += '\n';
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

int runApps(const QStringList& args) {
    if (args.size() > 1) return fail(QStringLiteral("utilisation : apps [RACINE]"));
    const QString root = args.value(0, QStringLiteral("/"));
    const QString home = args.isEmpty() ? QDir::homePath() : QString();
    QByteArray text;
    // "name\t-> command", each part escaped: a desktop entry's name is outside text.
    for (const sysinfo::Application& app : sysinfo::installedApplications({root, home})) {
        appendEscaped(text, app.name.toUtf8());
        text += "\t-> ";
        appendEscaped(text, app.command.toUtf8());
        text += '\n';
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

int runTasks(const QStringList& args) {
    if (!args.isEmpty()) return fail(QStringLiteral("utilisation : tasks"));
    QByteArray text;
    for (const QString& line : sysinfo::taskLines(sysinfo::topLevelWindowTitles())) {
        appendEscaped(text, line.toUtf8());
        text += '\n';
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

int runExports(const QStringList& args) {
    if (args.size() != 1) return fail(QStringLiteral("utilisation : exports FICHIER"));
    if (!QFileInfo::exists(args[0]))
        return fail(QStringLiteral("Fichier introuvable : %1").arg(args[0]));
    QByteArray text;
    text.reserve(1 << 20);
    const bool read = sysinfo::forEachExportedNameOfFile(args[0], [&](QByteArrayView name) {
        appendEscaped(text, name);
        text.append('\n');
        if (text.size() > (1 << 20)) {
            std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
            text.clear();
        }
    });
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    if (!read) return fail(QStringLiteral("Ne peut pas lire le fichier : %1").arg(args[0]));
    return 0;
}

} // namespace cli

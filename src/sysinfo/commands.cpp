#include "commands.h"
#include "applications.h"
#include "cpu_speed_window.h"
#include "disk_info.h"
#include "disk_info_window.h"
#include "exports_window.h"
#include "memory_window.h"
#include "platform/platform.h"
#include "settings_program.h"
#include "system_info_window.h"
#include "text_list_window.h"
#include "ui/commands.h"
#include "ui/dialogs.h"
#include "ui/modal_runner.h"
#include "window_titles.h"

#include <QDir>

namespace sysinfo {

void showDiskInfo(const ui::CommandContext& c) {
    DiskInfoWindow window(c.parent);
    window.init(c.toolFolder.isEmpty() ? c.currentFolder : c.toolFolder);
    ui::runModal(&window);
}

// Formatting is the desktop's disk utility's work; without one the user
// is told rather than left wondering.
void format(const ui::CommandContext&) {
    if (!DiskFormat().execute())
        ui::dialogs().message(QStringLiteral(
            "Aucun utilitaire de disques n'est installé pour formater la disquette"));
}

void nameVolume(const ui::CommandContext&) {
    DiskInfo disk;
    disk.setDisk(u'A');
    QString label = disk.volumeLabel;
    if (!ui::dialogs().inputBox(QStringLiteral("Nommer volume"), QStringLiteral("Nom du volume"),
                                label))
        return;
    platform::Platform::instance().setVolumeLabel(u'A', label);
}

void showCpuSpeed(const ui::CommandContext& c) {
    CpuSpeedWindow window(c.parent);
    ui::runModal(&window);
}

void showMemory(const ui::CommandContext& c) {
    MemoryWindow window(c.parent);
    ui::runModal(&window);
}

void showSystem(const ui::CommandContext& c) {
    SystemInfoWindow window(c.parent);
    ui::runModal(&window);
}

void showApplications(const ui::CommandContext& c) {
    TextListWindow window(
        QStringLiteral("Applications installées"),
        [] {
            return applicationLines(installedApplications({QStringLiteral("/"), QDir::homePath()}));
        },
        c.parent);
    ui::runModal(&window);
}

void showTasks(const ui::CommandContext& c) {
    TextListWindow window(
        QStringLiteral("Taches"), [] { return taskLines(topLevelWindowTitles()); }, c.parent);
    ui::runModal(&window);
}

// Exactly one entry of the list, whatever its extension.
void showExports(const ui::CommandContext& c) {
    if (c.selectedRows != 1 || c.selection.size() != 1) return;
    ExportsWindow window(c.parent);
    window.init(c.selection.first(), c.currentFolder);
    ui::runModal(&window);
}

void openSettings(const ui::CommandContext& c) {
    const QString program = settingsProgram();
    if (!program.isEmpty())
        platform::Platform::instance().shellExecute(QStringLiteral("open"), program, {},
                                                    c.currentFolder);
}

void registerCommands(ui::CommandRegistry& r) {
    const QString file = QStringLiteral("&Fichier"), system = QStringLiteral("&Système");
    r.add({.id = "Formatage",
           .menu = file,
           .position = 130,
           .caption = "&Formater...",
           .hint = "Formater disquette",
           .run = format});
    r.add({.id = "Nommer",
           .menu = file,
           .position = 140,
           .caption = "Nommer &volume...",
           .hint = "Donner un nom a un disque",
           .run = nameVolume});
    r.add({.id = "DiskInfos1",
           .menu = system,
           .position = 10,
           .caption = "Infos &disque",
           .hint = "Informations sur le disque",
           .run = showDiskInfo});
    const auto entry = [&](const char* id, int position, const char* caption, const char* hint,
                           void (*run)(const ui::CommandContext&), int listGroup = -1) {
        r.add({.id = id,
               .menu = system,
               .position = position,
               .caption = caption,
               .hint = hint,
               .listGroup = listGroup,
               .run = run});
    };
    entry("CpuInfos", 20, "Vitesse &CPU", "Iformations sur le microprocesseur", showCpuSpeed);
    entry("Memoire", 30, "&Mémoire", "Informations mémoire", showMemory);
    entry("Systeme", 40, "Infos &système", "Informations sur le système", showSystem);
    entry("Applications", 50, "&Applications installées", "Liste des applications installées",
          showApplications);
    entry("Tachesactives", 60, "&Tâches actives", "Liste des tâches actives", showTasks);
    entry("FonctionsDll", 70, "&Fonctions d'une dll", "", showExports, 14);
    entry("Panneau", 80, "&Panneau de configuration", "Montre panneau de configuration",
          openSettings);
}

} // namespace sysinfo

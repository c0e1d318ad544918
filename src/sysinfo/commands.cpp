#include "commands.h"
#include "TDiskInfo.h"
#include "TInfodisk.h"
#include "filemanager/TTool.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
#include "ui/ModalRunner.h"
#include "ui/commands.h"

namespace sysinfo {

void showDiskInfo(const ui::CommandContext& c) {
    TInfodisk window(c.parent);
    window.Init(c.toolFolder.isEmpty() ? c.currentFolder : c.toolFolder);
    ui::runModal(&window);
}

void format(const ui::CommandContext&) {
    TFormat().Execute();
}

void nameVolume(const ui::CommandContext&) {
    TDiskInfo disk;
    disk.setDisk(u'A');
    QString label = disk.VolumeLabel;
    if (!ui::dialogs().inputBox(QStringLiteral("Nommer volume"), QStringLiteral("Nom du volume"),
                                label))
        return;
    platform::Platform::instance().setVolumeLabel(u'A', label);
}

void registerCommands(ui::CommandRegistry& r) {
    const QString file = QStringLiteral("&Fichier"), system = QStringLiteral("&Système");
    r.add({"Formatage",
           file,
           130,
           "&Formater...",
           {},
           "Formater disquette",
           false,
           -1,
           false,
           false,
           {},
           format});
    r.add({"Nommer",
           file,
           140,
           "Nommer &volume...",
           {},
           "Donner un nom a un disque",
           true,
           -1,
           false,
           false,
           {},
           nameVolume});
    r.add({"DiskInfos1",
           system,
           10,
           "Infos &disque",
           {},
           "Informations sur le disque",
           false,
           -1,
           false,
           false,
           {},
           showDiskInfo});
    // Entries of tools still to come: in their places, doing nothing yet.
    r.add({"CpuInfos", system, 20, "Vitesse &CPU", {}, "Iformations sur le microprocesseur"});
    r.add({"Memoire", system, 30, "&Mémoire", {}, "Informations mémoire"});
    r.add({"Systeme", system, 40, "Infos &système", {}, "Informations sur le système"});
    r.add({"Applications",
           system,
           50,
           "&Applications installées",
           {},
           "Liste des applications installées"});
    r.add({"Tachesactives", system, 60, "&Tâches actives", {}, "Liste des tâches actives"});
    r.add({"FonctionsDll", system, 70, "&Fonctions d'une dll", {}, {}, false, 14});
    r.add({"Panneau",
           system,
           80,
           "&Panneau de configuration",
           {},
           "Montre panneau de configuration"});
}

} // namespace sysinfo

namespace filemanager {

void TTool::DiskInfos1() {
    sysinfo::showDiskInfo(context());
}
void TTool::Formatage() {
    sysinfo::format(context());
}
void TTool::Nommer() {
    sysinfo::nameVolume(context());
}

} // namespace filemanager

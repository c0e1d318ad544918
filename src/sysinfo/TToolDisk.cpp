// The file manager's drive commands.
#include "TInfodisk.h"
#include "filemanager/TTool.h"
#include "filemanager/components/TFolderTree.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
#include "ui/ModalRunner.h"

namespace filemanager {

void TTool::DiskInfos1() {
    const QString folder = VoletActif == 1 ? tree()->SelectedPath() : RepCourant;
    sysinfo::TInfodisk window(this);
    window.Init(folder.isEmpty() ? RepCourant : folder);
    ui::runModal(&window);
}

void TTool::Formatage() {
    sysinfo::TFormat().Execute();
}

void TTool::Nommer() {
    sysinfo::TDiskInfo disk;
    disk.setDisk(u'A');
    QString label = disk.VolumeLabel;
    if (!ui::dialogs().inputBox(QStringLiteral("Nommer volume"), QStringLiteral("Nom du volume"),
                                label))
        return;
    platform::Platform::instance().setVolumeLabel(u'A', label);
}

} // namespace filemanager

// The file manager's backup and restore commands.
#include "TBackdial.h"
#include "TRestoreDial.h"
#include "filemanager/TTool.h"
#include "platform/Platform.h"
#include "ui/ModalRunner.h"

namespace filemanager {

namespace {
// Puts the current folder back when a command ends, however it ends.
struct KeepFolder {
    QString folder = platform::Platform::instance().currentDirectory();
    ~KeepFolder() { platform::Platform::instance().setCurrentDirectory(folder); }
};
} // namespace

void TTool::Backup1() {
    KeepFolder keep;
    Memorise();
    transforms::TBackdial dialog(this);
    dialog.Init(PressePapier);
    ui::runModal(&dialog);
}

void TTool::Restore1() {
    {
        KeepFolder keep;
        transforms::TRestoreDial dialog(this);
        ui::runModal(&dialog);
    }
    LitRepert();
}

} // namespace filemanager

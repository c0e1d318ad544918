// The file manager's hex editor command.
#include "THexEdit.h"
#include "filemanager/TTool.h"
#include "ui/Dialogs.h"
#include "ui/ModalRunner.h"

namespace filemanager {

void TTool::EditHex() {
    QString name;
    if (!oneSelected(name)) return;
    hexedit::THexEdit window(this);
    window.Init(name);
    ui::runModal(&window);
}

} // namespace filemanager

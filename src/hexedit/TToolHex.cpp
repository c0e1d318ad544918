// The file manager's hex editor command.
#include "THexEdit.h"
#include "filemanager/TTool.h"
#include "ui/Dialogs.h"
#include "ui/ModalRunner.h"

namespace filemanager {

void TTool::EditHex() {
    const QList<int> rows = selectedRows();
    if (rows.size() != 1) {
        ui::dialogs().message(QStringLiteral("Un fichier et un seul doit être sélectionné"));
        return;
    }
    hexedit::THexEdit window(this);
    window.Init(model()->row(rows.first()).name);
    ui::runModal(&window);
}

} // namespace filemanager

#include "commands.h"
#include "TCalendrier.h"
#include "TEurof.h"
#include "THorloge.h"
#include "TPocket.h"
#include "ui/ModalRunner.h"
#include "ui/commands.h"

namespace desk {

namespace {

// Created when its command runs, shown modally, destroyed when closed.
template <class Window> void showModal(const ui::CommandContext& c) {
    Window w(c.parent);
    ui::runModal(&w);
}

} // namespace

void registerCommands(ui::CommandRegistry& r) {
    const QString desk = QStringLiteral("&Utilitaires");
    r.add({"Calendrier",
           desk,
           10,
           "&Calendrier",
           {},
           "Calendrier",
           false,
           -1,
           false,
           false,
           {},
           showModal<TCalendrier>});
    r.add({"Calculatrice",
           desk,
           20,
           "C&alculatrice",
           {},
           "Calculatrice",
           false,
           -1,
           false,
           false,
           {},
           showModal<TPocket>});
    r.add({"Horloge",
           desk,
           30,
           "&Horloge",
           {},
           "Horloge",
           false,
           -1,
           false,
           false,
           {},
           showModal<THorloge>});
    r.add({"Euro",
           desk,
           40,
           "&Euro conversion",
           {},
           "convertisseur euro",
           false,
           -1,
           false,
           false,
           {},
           showModal<TEurof>});
}

} // namespace desk

#include "dialogs.h"
#include "qt_dialogs.h"

namespace ui {

namespace {
// Boxes are asked on the window's thread only (jobs ask through job.ask):
// the service is read and set there, no lock needed.
Dialogs* g_dialogs = nullptr;
} // namespace

Dialogs& Dialogs::instance() {
    if (g_dialogs) return *g_dialogs;
    static QtDialogs real;
    return real;
}

void Dialogs::setInstance(Dialogs* d) {
    g_dialogs = d;
}

QString buttonCaption(Button b) {
    switch (b) {
    case Ok:
        return QStringLiteral("OK");
    case Cancel:
        return QStringLiteral("Annuler");
    case Yes:
        return QStringLiteral("&Oui");
    case No:
        return QStringLiteral("&Non");
    case All:
        return QStringLiteral("&Tout");
    case NoToAll:
        return QStringLiteral("Non &pour tout");
    case YesToAll:
        return QStringLiteral("&Oui pour tout");
    case Help:
        return QStringLiteral("&Aide");
    case Abort:
        return QStringLiteral("&Abandon");
    case Retry:
        return QStringLiteral("&Retenter");
    case Ignore:
        return QStringLiteral("&Ignorer");
    default:
        return {};
    }
}

} // namespace ui

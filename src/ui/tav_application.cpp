#include "tav_application.h"
#include "accessible_names.h"
#include "command_lock.h"
#include "errors.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

TavApplication::TavApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tav Tools"));
    setApplicationDisplayName(QStringLiteral("Tav Tools"));
    installCommandLock();
    installAccessibleNames();
    useFrenchLocale();
    loadFrenchQtTranslations();
}

void useFrenchLocale() {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

bool loadFrenchQtTranslations() {
    // Qt's own boxes and choosers (buttons, file dialogs, context menus) in French.
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral("qtbase_fr"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool TavApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportError(e);
    }
    return false;
}

} // namespace ui

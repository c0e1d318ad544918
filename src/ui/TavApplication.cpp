#include "TavApplication.h"
#include "CommandLock.h"
#include "errors.h"

namespace ui {

TavApplication::TavApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tav Tools"));
    setApplicationDisplayName(QStringLiteral("Tav Tools"));
    installCommandLock();
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

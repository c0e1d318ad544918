#include "modal_runner.h"

#include <QDialog>

namespace ui {

namespace {
// Set by tests on the window's thread, where every modal window runs.
ModalHandler g_handler;
} // namespace

int runModal(QDialog* dialog) {
    if (g_handler) return g_handler(dialog);
    return dialog->exec();
}

ModalHandler setModalHandler(ModalHandler handler) {
    ModalHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}

} // namespace ui

#pragma once
// Every modal window is run through here, so a test can drive a window that
// an operation creates instead of blocking on its event loop.

#include <functional>

class QDialog;

namespace ui {

using ModalHandler = std::function<int(QDialog*)>;

// Runs the dialog modally (or hands it to the installed handler) and
// returns its result code.
int runModal(QDialog* dialog);

// Installs a handler for the next modal runs; returns the previous one.
ModalHandler setModalHandler(ModalHandler handler);

// Installs a handler for its lifetime.
class ScopedModalHandler {
  public:
    explicit ScopedModalHandler(ModalHandler h) : m_previous(setModalHandler(std::move(h))) {}
    ~ScopedModalHandler() { setModalHandler(std::move(m_previous)); }

  private:
    ModalHandler m_previous;
};

} // namespace ui

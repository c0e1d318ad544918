#pragma once
#include <QToolButton>

namespace desk {

// An arrow of a spin button: held down it repeats after 400 ms, then every 100 ms.
inline QToolButton* spinArrow(QWidget* parent, Qt::ArrowType type) {
    auto* b = new QToolButton(parent);
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(400);
    b->setAutoRepeatInterval(100);
    return b;
}

} // namespace desk

#include "window_parts.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace ui {

namespace {

class EnterFilter : public QObject {
  public:
    EnterFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), m_action(std::move(action)) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        m_action();
        return true;
    }

  private:
    std::function<void()> m_action;
};

} // namespace

void centreOnScreen(QWidget* window) {
    QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (s)
        window->move(s->availableGeometry().center() -
                     QPoint(window->width() / 2, window->height() / 2));
}

QWidget* closeBar(QWidget* parent, QPushButton*& close) {
    auto* bar = new QWidget(parent);
    auto* l = new QHBoxLayout(bar);
    l->setContentsMargins(0, 0, 0, 0);
    close = new QPushButton(QStringLiteral("Fermer"), bar);
    close->setAutoDefault(false);
    l->addStretch();
    l->addWidget(close);
    return bar;
}

void onEnter(QLineEdit* edit, std::function<void()> action) {
    edit->installEventFilter(new EnterFilter(edit, std::move(action)));
}

} // namespace ui

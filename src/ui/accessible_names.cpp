#include "accessible_names.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QRegularExpression>

namespace ui {

namespace {

class NameGiver : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish)
            if (auto* button = qobject_cast<QAbstractButton*>(watched);
                button && button->accessibleName().isEmpty()) {
                QString name = button->text();
                name.remove(QRegularExpression(QStringLiteral("&(?!&)")));
                button->setAccessibleName(name.isEmpty() ? button->toolTip() : name);
            }
        return false;
    }
};

} // namespace

void installAccessibleNames() {
    static bool installed = false;
    if (installed || !qApp) return;
    installed = true;
    qApp->installEventFilter(new NameGiver(qApp));
}

} // namespace ui

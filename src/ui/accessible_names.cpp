#include "accessible_names.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
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

// A list box given a name of its own (two drive selectors side by side):
// Qt's own interface names it by its value, so both would read alike. This
// one says the name, and the value as the description and the value.
class NamedComboBox : public QAccessibleWidget {
  public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return box()->accessibleName().isEmpty() ? box()->currentText()
                                                     : box()->accessibleName();
        case QAccessible::Description:
        case QAccessible::Value:
            return box()->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString& name) override {
        if (name == showMenuAction()) box()->showPopup();
    }
};

QAccessibleInterface* namedComboBoxes(const QString&, QObject* object) {
    auto* box = qobject_cast<QComboBox*>(object);
    if (!box || box->isEditable() || !box->property(kNamedByRole).toBool()) return nullptr;
    return new NamedComboBox(box);
}

} // namespace

void installAccessibleNames() {
    static bool installed = false;
    if (installed || !qApp) return;
    installed = true;
    qApp->installEventFilter(new NameGiver(qApp));
    QAccessible::installFactory(namedComboBoxes);
}

} // namespace ui

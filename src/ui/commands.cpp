#include "commands.h"
#include "dialogs.h"

#include <algorithm>

namespace ui {

QString CommandContext::oneFile() const {
    if (selectedRows != 1 || selection.size() != 1) {
        dialogs().message(QStringLiteral("Un fichier et un seul doit être sélectionné"));
        return {};
    }
    return selection.first();
}

CommandRegistry& CommandRegistry::instance() {
    static CommandRegistry registry;
    return registry;
}

void CommandRegistry::add(Command c) {
    for (Command& existing : m_commands)
        if (existing.id == c.id) {
            existing = std::move(c); // registered again: the latest wins
            return;
        }
    m_commands.append(std::move(c));
}

void CommandRegistry::add(ToolButton b) {
    for (ToolButton& existing : m_buttons)
        if (existing.hint == b.hint) {
            existing = std::move(b);
            return;
        }
    m_buttons.append(std::move(b));
}

void CommandRegistry::addMenu(const QString& path, int position, const QString& hint, int listGroup,
                              bool separatorAfter) {
    const Menu menu{path, position, hint, listGroup, separatorAfter};
    for (Menu& m : m_menus)
        if (m.path == path) {
            m = menu;
            return;
        }
    m_menus.append(menu);
}

const Command* CommandRegistry::find(const QString& id) const {
    for (const Command& c : m_commands)
        if (c.id == id) return &c;
    return nullptr;
}

QList<ToolButton> CommandRegistry::toolButtons() const {
    QList<ToolButton> out = m_buttons;
    std::stable_sort(out.begin(), out.end(), [](const ToolButton& a, const ToolButton& b) {
        return a.position < b.position;
    });
    return out;
}

QList<Command> CommandRegistry::entriesOf(const QString& menu) const {
    QList<Command> out;
    for (const Command& c : m_commands)
        if (c.menu == menu) out.append(c);
    std::stable_sort(out.begin(), out.end(),
                     [](const Command& a, const Command& b) { return a.position < b.position; });
    return out;
}

QList<CommandRegistry::Menu> CommandRegistry::subMenusOf(const QString& menu) const {
    QList<Menu> out;
    for (const Menu& m : m_menus) {
        const qsizetype slash = m.path.lastIndexOf(u'/');
        if ((slash < 0 ? QString() : m.path.left(slash)) == menu) out.append(m);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Menu& a, const Menu& b) { return a.position < b.position; });
    return out;
}

void runRegistered(const QString& id, const CommandContext& context) {
    if (const Command* c = CommandRegistry::instance().find(id)) c->run(context);
}

} // namespace ui

#include "scripted_dialogs.h"

namespace ui {

QStringList ScriptedDialogs::texts() const {
    QStringList out;
    for (const Shown& s : shown)
        out << s.text;
    return out;
}

Button ScriptedDialogs::messageBox(const QString& title, const QString& text, Icon icon,
                                   Buttons buttons, Button) {
    shown.append({title, text, icon, buttons});
    if (onShow) onShow(shown.last());
    if (!m_buttons.isEmpty()) return m_buttons.dequeue();
    for (unsigned bit = 1; bit <= Ignore; bit <<= 1)
        if (buttons & Button(bit)) return Button(bit);
    return Ok;
}

bool ScriptedDialogs::inputBox(const QString& title, const QString& prompt, QString& value) {
    shown.append({title, prompt, Icon::None, Ok | Cancel});
    if (m_texts.isEmpty()) return false;
    QString text = m_texts.dequeue();
    if (text.isNull() && !m_cancelled.isEmpty()) {
        m_cancelled.dequeue();
        return false;
    }
    value = text;
    return true;
}

QString ScriptedDialogs::nextFile(const QString& title) {
    shown.append({title, QString(), Icon::None, Ok | Cancel});
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedDialogs::openFileName(const QString& title, const QString&, const QString&) {
    return nextFile(title);
}
QString ScriptedDialogs::saveFileName(const QString& title, const QString&, const QString&) {
    return nextFile(title);
}
QString ScriptedDialogs::folderName(const QString& title, const QString&) {
    return nextFile(title);
}

} // namespace ui

#pragma once
#include "dialogs.h"

#include <QQueue>
#include <QVariant>
#include <functional>

namespace ui {

// Answers every box from a queue and records what was shown. With the
// queue empty, a box answers its first button (OK, Yes...) and an input
// box or chooser is cancelled.
class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        QString title;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons;
    };

    ScriptedDialogs() { setInstance(this); }
    ~ScriptedDialogs() override { setInstance(nullptr); }

    void answer(Button b) { m_buttons.enqueue(b); }
    void answerInput(const QString& text) { m_texts.enqueue(text); }
    void cancelInput() {
        m_texts.enqueue(QString());
        m_cancelled.enqueue(true);
    }
    void answerFile(const QString& path) { m_files.enqueue(path); }

    QList<Shown> shown;
    // Called as each box is shown, before it is answered (a test acts
    // "while the box is up" here).
    std::function<void(const Shown&)> onShow;
    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }

    Button messageBox(const QString& title, const QString& text, Icon icon, Buttons buttons,
                      Button defaultButton) override;
    bool inputBox(const QString& title, const QString& prompt, QString& value) override;
    QString openFileName(const QString& title, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(const QString& title, const QString& folder,
                         const QString& filter) override;
    QString folderName(const QString& title, const QString& folder) override;

  private:
    QString nextFile(const QString& title);
    QQueue<Button> m_buttons;
    QQueue<QString> m_texts;
    QQueue<bool> m_cancelled;
    QQueue<QString> m_files;
};

} // namespace ui

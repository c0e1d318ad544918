#pragma once
// Every message box, question, input box and file chooser of the program
// goes through this service, so tests can answer them and read their texts.

#include <QFlags>
#include <QString>
#include <QStringList>

class QWidget;

namespace ui {

enum class Icon { None, Information, Question, Warning, Stop };

enum Button : unsigned {
    NoButton = 0,
    Ok = 1 << 0,
    Cancel = 1 << 1,
    Yes = 1 << 2,
    No = 1 << 3,
    All = 1 << 4,
    NoToAll = 1 << 5,
    YesToAll = 1 << 6,
    Help = 1 << 7,
    Abort = 1 << 8,
    Retry = 1 << 9,
    Ignore = 1 << 10,
};
Q_DECLARE_FLAGS(Buttons, Button)

// French caption of a button, with its accelerator ("&Oui").
QString buttonCaption(Button b);

namespace titles {
inline const char* const plain = "Tav Tools";
inline const char* const confirmation = "Confirmation";
inline const char* const warning = "Avertissement";
inline const char* const error = "Erreur";
} // namespace titles

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    static Dialogs& instance();
    // Installs d (not owned); nullptr restores the Qt implementation.
    static void setInstance(Dialogs* d);

    // The one primitive every box goes through; answers the button pressed
    // (Cancel when the box is closed).
    virtual Button messageBox(const QString& title, const QString& text, Icon icon, Buttons buttons,
                              Button defaultButton = NoButton) = 0;
    // One-line input; false when cancelled.
    virtual bool inputBox(const QString& title, const QString& prompt, QString& value) = 0;
    // The same for a secret, not shown as it is typed.
    virtual bool passwordBox(const QString& title, const QString& prompt, QString& value) {
        return inputBox(title, prompt, value);
    }
    virtual QString openFileName(const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString folderName(const QString& title, const QString& folder) = 0;

    // The kinds the program uses.
    void message(const QString& text) { messageBox(titles::plain, text, Icon::None, Ok); }
    Button confirm(const QString& text, Buttons buttons = Buttons(Yes) | No) {
        return messageBox(titles::confirmation, text, Icon::Question, buttons);
    }
    Button warning(const QString& text, Buttons buttons = Ok) {
        return messageBox(titles::warning, text, Icon::Warning, buttons);
    }
    void error(const QString& text) { messageBox(titles::error, text, Icon::Stop, Ok); }
};

inline Dialogs& dialogs() {
    return Dialogs::instance();
}

} // namespace ui

Q_DECLARE_OPERATORS_FOR_FLAGS(ui::Buttons)

#include "errors.h"
#include "dialogs.h"

namespace ui {

QString reportText(const QString& text) {
    return text.endsWith(u'.') ? text : text + u'.';
}

void reportError(const std::exception& e) {
    QString text;
    if (auto* tav = dynamic_cast<const TavError*>(&e))
        text = tav->text();
    else
        text = QString::fromLocal8Bit(e.what());
    dialogs().messageBox(titles::plain, reportText(text), Icon::Stop, Ok);
}

bool reportFailure(const core::Outcome& outcome) {
    if (outcome.kind == core::Outcome::Failed)
        dialogs().messageBox(titles::plain, reportText(outcome.text), Icon::Stop, Ok);
    else if (outcome.kind == core::Outcome::Cancelled && !outcome.text.isEmpty())
        dialogs().messageBox(titles::plain,
                             QStringLiteral("Opération interrompue : ") + outcome.text,
                             Icon::Warning, Ok);
    return outcome.ok();
}

bool runCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        reportError(e);
    }
    return false;
}

} // namespace ui

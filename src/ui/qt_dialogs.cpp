#include "qt_dialogs.h"
#include "modal_runner.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

QWidget* parentWindow() {
    return QApplication::activeWindow();
}

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Stop:
        return QMessageBox::Critical;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

Button QtDialogs::messageBox(const QString& title, const QString& text, Icon icon, Buttons buttons,
                             Button defaultButton) {
    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, parentWindow());
    QMap<QAbstractButton*, Button> answers;
    for (unsigned bit = 1; bit <= Ignore; bit <<= 1) {
        if (!(buttons & Button(bit))) continue;
        QMessageBox::ButtonRole role = bit == Cancel || bit == No || bit == Abort
                                           ? QMessageBox::RejectRole
                                           : QMessageBox::AcceptRole;
        QPushButton* b = box.addButton(buttonCaption(Button(bit)), role);
        answers[b] = Button(bit);
        if (Button(bit) == defaultButton) box.setDefaultButton(b);
        if (bit == Cancel || (bit == Ok && !(buttons & Cancel))) box.setEscapeButton(b);
    }
    runModal(&box);
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? answers.value(clicked, Cancel) : Cancel;
}

bool QtDialogs::inputBox(const QString& title, const QString& prompt, QString& value) {
    return askText(title, prompt, value, QLineEdit::Normal);
}

bool QtDialogs::passwordBox(const QString& title, const QString& prompt, QString& value) {
    return askText(title, prompt, value, QLineEdit::Password);
}

bool QtDialogs::askText(const QString& title, const QString& prompt, QString& value, int echo) {
    QInputDialog dlg(parentWindow());
    dlg.setTextEchoMode(QLineEdit::EchoMode(echo));
    dlg.setWindowTitle(title);
    dlg.setLabelText(prompt);
    dlg.setTextValue(value);
    dlg.setOkButtonText(buttonCaption(Ok));
    dlg.setCancelButtonText(buttonCaption(Cancel));
    if (runModal(&dlg) != QDialog::Accepted) return false;
    value = dlg.textValue();
    return true;
}

QString QtDialogs::openFileName(const QString& title, const QString& folder,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(parentWindow(), title, folder, filter);
}

QString QtDialogs::saveFileName(const QString& title, const QString& folder,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(parentWindow(), title, folder, filter);
}

QString QtDialogs::folderName(const QString& title, const QString& folder) {
    return QFileDialog::getExistingDirectory(parentWindow(), title, folder);
}

} // namespace ui

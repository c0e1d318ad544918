#pragma once
#include "dialogs.h"

namespace ui {

// The real boxes and choosers, with French captions whatever the locale.
class QtDialogs : public Dialogs {
  public:
    Button messageBox(const QString& title, const QString& text, Icon icon, Buttons buttons,
                      Button defaultButton) override;
    bool inputBox(const QString& title, const QString& prompt, QString& value) override;
    bool passwordBox(const QString& title, const QString& prompt, QString& value) override;
    QString openFileName(const QString& title, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(const QString& title, const QString& folder,
                         const QString& filter) override;
    QString folderName(const QString& title, const QString& folder) override;

  private:
    bool askText(const QString& title, const QString& prompt, QString& value, int echo);
};

} // namespace ui

#pragma once
#include <QApplication>

namespace ui {

// The application object: an error escaping an event handler ends that
// command and is shown by the general error report; the program goes on.
class TavApplication : public QApplication {
  public:
    TavApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Installs Qt's French translations; false when they are not installed.
bool loadFrenchQtTranslations();

// The interface is French whatever the system's locale: dates, sizes and
// the names of kinds of file in Qt's own dialogs too.
void useFrenchLocale();

} // namespace ui

#include "desk/TBlocnotes.h"
#include "shell/TMainForm.h"
#include "shell/TSplash.h"
#include "ui/TavApplication.h"

int main(int argc, char** argv) {
    ui::TavApplication app(argc, argv);
    auto* splash = new shell::TSplash;
    splash->show();
    splash->repaint();
    // Once, at start-up, so the splash is on screen while the main window is
    // built; no command runs yet.
    QApplication::processEvents();

    QApplication::setApplicationDisplayName(QStringLiteral("Tav Tools"));
    shell::TMainForm main;
    auto* notepad = new desk::TBlocnotes(&main);
    main.setNotepad(notepad);

    delete splash;
    main.show();
    return app.exec();
}

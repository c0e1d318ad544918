#include "desk/notepad_window.h"
#include "filemanager/file_manager_view.h"
#include "platform/end_requests.h"
#include "shell/main_window.h"
#include "shell/splash_screen.h"
#include "ui/command_lock.h"
#include "ui/tav_application.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage = "utilisation : tavtools [DOSSIER | FICHIER]\n"
                           "Ouvre Tav Tools sur DOSSIER (par défaut le dossier courant),\n"
                           "ou sur le dossier de FICHIER, FICHIER choisi.\n"
                           "  --version    --help\n";

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("tavtools " TAVTOOLS_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // The file manager opens on the folder it is given; given a file (a
    // file manager's "Open with" passes one), on its folder with the file
    // selected.
    QString selected;
    if (argc == 2 && argv[1][0] != '-') {
        const QFileInfo given(QString::fromLocal8Bit(argv[1]));
        const bool file = given.exists() && !given.isDir();
        if (file) selected = given.fileName();
        if (!QDir::setCurrent(file ? given.absolutePath() : given.filePath())) {
            std::fprintf(stderr, "tavtools : dossier introuvable : %s\n", argv[1]);
            return 2;
        }
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ui::TavApplication app(argc, argv);
    // Ended by the system, the program closes as its user would close it:
    // the notes and settings are written.
    platform::onEndRequest(&app, ui::closeAllWindowsWhenIdle);
    auto* splash = new shell::SplashScreen;
    splash->show();
    splash->repaint();
    // Once, at start-up, so the splash is on screen while the main window is
    // built; no command runs yet.
    QApplication::processEvents();

    QApplication::setApplicationDisplayName(QStringLiteral("Tav Tools"));
    // The desktop's entry and icon for this program's windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("tavtools"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tavtools")));
    shell::MainWindow main;
    auto* notepad = new desk::NotepadWindow(&main);
    main.setNotepad(notepad);

    delete splash;
    main.show();
    if (!selected.isEmpty()) main.tool()->showEntry(selected);
    return app.exec();
}

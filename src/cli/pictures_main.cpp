// tavtools-pictures: the picture commands of tavtools-cli, which hands them
// here ("tavtools-pictures thumbnails OUTDIR PICTURE...").
#include "commands.h"
#include "viewers/picture_reader.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt warns when the session has no runtime folder (a plain shell, a cron
// job) and then uses its own; that says nothing about the pictures.
void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set")) return;
    if (qtHandler) qtHandler(type, context, text);
}

// Metafiles with text need the font database of a graphical application
// (no window is ever shown); the other pictures are decoded and drawn
// without one, which spares its start (a third of a small run's time).
std::unique_ptr<QCoreApplication> application(int& argc, char** argv) {
    bool metafiles = false;
    for (int i = 3; i < argc; ++i) {
        const viewers::PictureKind kind = viewers::pictureKind(QString::fromLocal8Bit(argv[i]));
        metafiles =
            metafiles || kind == viewers::PictureKind::Wmf || kind == viewers::PictureKind::Emf;
    }
    if (!metafiles) return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "thumbnails") != 0) {
        std::fputs("utilisation : tavtools-pictures thumbnails DOSSIER IMAGE...\n", stderr);
        return 1;
    }
    qtHandler = qInstallMessageHandler(quieterMessages);
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    try {
        return cli::runThumbnails(app->arguments().mid(2));
    } catch (const std::exception& e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
}

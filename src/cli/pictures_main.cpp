// tavtools-pictures: the picture commands of tavtools-cli, which hands them
// here ("tavtools-pictures thumbnails OUTDIR PICTURE...").
#include "commands.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt warns when the session has no runtime folder (a plain shell, a cron
// job) and then uses its own; that says nothing about the pictures.
void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set")) return;
    if (qtHandler) qtHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "thumbnails") != 0) {
        std::fputs("usage: tavtools-pictures thumbnails DOSSIER IMAGE...\n", stderr);
        return 1;
    }
    // Metafiles with text need the font database of a graphical
    // application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(quieterMessages);
    QGuiApplication app(argc, argv);
    try {
        return cli::runThumbnails(app.arguments().mid(2));
    } catch (const std::exception& e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
}

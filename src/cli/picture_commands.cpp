// The pictures' commands of tavtools-cli.
#include "commands.h"
#include "viewers/thumbnails.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentMap>
#include <cstdio>

namespace cli {

namespace {

QString sizeText(QSize s) {
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// name, natural size, picture box, "ok" or the error.
QString thumbnailLine(const viewers::Thumbnail& t) {
    const QString name = QFileInfo(t.path).fileName();
    const QString natural = t.natural.isValid() ? sizeText(t.natural) : QStringLiteral("-");
    const QString box = t.shown ? QStringLiteral("%1,%2 ").arg(t.fit.box.x()).arg(t.fit.box.y()) +
                                      sizeText(t.fit.box.size())
                                : QStringLiteral("-");
    return name + u'\t' + natural + u'\t' + box + u'\t' +
           (t.error.isEmpty() ? QStringLiteral("ok") : t.error);
}

// Small pictures written for a person or a script to look at: fast
// compression (Qt maps quality 0..100 to zlib's levels 9..0).
constexpr int kPngQuality = 90;

} // namespace

int runThumbnails(const QStringList& args) {
    if (args.size() < 2) return fail(QStringLiteral("utilisation : thumbnails DOSSIER FICHIER..."));
    const QDir folder(args[0]);
    if (!folder.exists() && !QDir().mkpath(args[0]))
        return fail(QStringLiteral("Impossible de créer le dossier %1").arg(args[0]));
    const QStringList files = args.mid(1);
    // Every picture on every core; the lines in the order of the files.
    const QList<viewers::Thumbnail> thumbnails =
        QtConcurrent::blockingMapped(files, [&](const QString& file) {
            viewers::Thumbnail t = viewers::makeThumbnail(file);
            const QFileInfo info(file);
            if (!info.exists() && !info.isSymLink())
                t.error = QStringLiteral("Fichier introuvable : %1").arg(file);
            else if (!info.isFile())
                t.error = QStringLiteral("%1 n'est pas un fichier ordinaire").arg(file);
            else if (t.shown &&
                     !viewers::renderPanel(t).save(
                         folder.filePath(QFileInfo(file).fileName() + QStringLiteral(".png")),
                         "PNG", kPngQuality))
                t.error = QStringLiteral("Impossible d'écrire la vignette de %1").arg(file);
            return t;
        });
    bool failed = false;
    for (const viewers::Thumbnail& t : thumbnails) {
        out(thumbnailLine(t));
        failed = failed || !t.error.isEmpty();
    }
    return failed ? 1 : 0;
}

} // namespace cli

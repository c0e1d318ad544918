// The search tools' commands of tavtools-cli.
#include "commands.h"
#include "platform/file_names.h"
#include "tools/find_files.h"

#include <QDir>
#include <cstdio>

namespace cli {

int runFind(const QStringList& args) {
    if (args.size() != 2) return fail(QStringLiteral("usage : find DOSSIER CRITERE"));
    const QString folder = QDir(args[0]).absolutePath();
    QByteArray out;
    const qint64 count =
        tools::GetAllFiles(tools::searchSpec(folder, args[1]),
                           {{},
                            [&](const QString& path) {
                                out += platform::nativeName(path) + '\n';
                                if (out.size() > (1 << 20)) {
                                    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
                                    out.clear();
                                }
                            },
                            {}});
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    cli::out(QString::number(count) + QStringLiteral(" Fichiers trouvés"));
    return 0;
}

} // namespace cli

#include "commands.h"

#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <map>

namespace {

const char* const kUsage =
    "usage: tavtools-cli COMMANDE [options]\n"
    "  backup [--title T] [--level fastest|none|default|max] [--max-size OCTETS]\n"
    "         [--incremental] [--file-list] ARCHIVE SPEC...\n"
    "  restore [--mode all|no-overwrite|newer|existing|existing-newer] [--to DOSSIER "
    "[--full-path]] ARCHIVE\n"
    "  list ARCHIVE\n"
    "  verify ARCHIVE\n";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const std::map<QString, std::function<int(const QStringList&)>> commands = {
        {QStringLiteral("backup"), cli::runBackup},
        {QStringLiteral("restore"), cli::runRestore},
        {QStringLiteral("list"), cli::runList},
        {QStringLiteral("verify"), cli::runVerify},
    };
    if (args.isEmpty() || !commands.count(args.first())) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const QString name = args.takeFirst();
    try {
        return commands.at(name)(args);
    } catch (const std::exception& e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
}

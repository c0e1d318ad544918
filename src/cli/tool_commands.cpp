// The search tools' commands of tavtools-cli.
#include "commands.h"
#include "platform/file_names.h"
#include "tools/cleaner.h"
#include "tools/find_files.h"
#include "tools/text_search.h"

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

namespace {

// One entry, one output line: a tab, CR, LF or backslash inside is escaped.
QByteArray escaped(const QString& text) {
    QByteArray out;
    for (char c : text.toUtf8()) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

int runClean(const QStringList& input) {
    QStringList args = input;
    const bool remove = args.removeAll(QStringLiteral("--delete")) > 0;
    if (args.isEmpty()) return fail(QStringLiteral("usage : clean [--delete] DOSSIER [EXT...]"));
    const QString root = QDir(args.takeFirst()).absolutePath();
    QStringList extensions = tools::builtInExtensions();
    for (const QString& e : args)
        extensions << tools::extensionEntry(e);
    qint64 total = 0;
    QStringList paths;
    const qint64 count = tools::findToClean(
        root, extensions, [&](const tools::CleanerHit& hit) { paths << hit.path; }, total);
    QByteArray out;
    for (const QString& p : paths)
        out += escaped(p) + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    cli::out(QString::number(count) + QStringLiteral(" fichiers trouvés. ") +
             QString::number(total) + QStringLiteral(" octets"));
    if (!remove) return 0;
    const QStringList deleted = tools::deleteAll(paths);
    cli::out(QString::number(deleted.size()) + QStringLiteral(" fichiers effacé"));
    return deleted.size() == paths.size() ? 0 : 1;
}

// The same for a line's bytes: valid UTF-8 goes as it is, anything else
// through the line's text.
void appendEscapedLine(QByteArray& out, const QByteArray& line) {
    if (!QByteArrayView(line).isValidUtf8()) {
        out += escaped(tools::lineText(line));
        return;
    }
    // Runs without a character to escape go in one piece.
    const char* p = line.constData();
    const qsizetype n = line.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (c != '\t' && c != '\r' && c != '\n' && c != '\\') continue;
        out.append(p + from, i - from);
        out += c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\\\";
        from = i + 1;
    }
    out.append(p + from, n - from);
}

int runGrep(const QStringList& args) {
    if (args.size() < 2) return fail(QStringLiteral("usage : grep CHAINE FICHIER..."));
    QByteArray out;
    for (int i = 1; i < args.size(); ++i) {
        const QString name = args[i];
        const QByteArray prefix = escaped(name) + '[';
        const core::Outcome o = tools::findInFile(name, args[0], [&](const tools::Match& m) {
            out += prefix;
            out += QByteArray::number(m.line);
            out += ']';
            appendEscapedLine(out, m.text);
            out += '\n';
            if (out.size() > (1 << 20)) {
                std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
                out.clear();
            }
        });
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        out.clear();
        if (!o) {
            std::fflush(stdout);
            return fail(o.text); // the entries printed so far stay
        }
    }
    return 0;
}

int runCompare(const QStringList& args) {
    if (args.size() != 2) return fail(QStringLiteral("usage : compare FICHIER1 FICHIER2"));
    qint64 count = 0;
    QByteArray out;
    const core::Outcome o = tools::compareFiles(args[0], args[1], [&](const tools::Difference& d) {
        ++count;
        out += QByteArray::number(d.line) + '\t' + escaped(tools::lineText(d.left)) + '\t' +
               escaped(tools::lineText(d.right)) + '\n';
    });
    if (!o) {
        fail(o.text);
        return 2;
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    cli::out(QString::number(count) + QStringLiteral(" lignes différentes"));
    return count ? 1 : 0;
}

} // namespace cli

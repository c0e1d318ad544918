// The search tools' commands of tavtools-cli.
#include "commands.h"
#include "core/file_errors.h"
#include "core/job.h"
#include "platform/file_names.h"
#include "platform/platform.h"
#include "tools/cleaner.h"
#include "tools/find_files.h"
#include "tools/text_search.h"

#include <QDir>
#include <charconv>
#include <cstdio>

namespace cli {

namespace {

// Standard output in large writes: the lines gather in one buffer, made
// once, that is written out whenever it passes 1 MiB, and at the end.
class LargeWrites {
  public:
    LargeWrites() { m_text.reserve(kFlushAt + (64 << 10)); }
    ~LargeWrites() { flush(); }
    QByteArray& text() { return m_text; }
    void lineDone() {
        if (m_text.size() >= kFlushAt) flush();
    }
    void flush() {
        std::fwrite(m_text.constData(), 1, size_t(m_text.size()), stdout);
        m_text.resize(0); // the buffer stays
    }

  private:
    static constexpr qsizetype kFlushAt = 1 << 20;
    QByteArray m_text;
};

} // namespace

int runFind(const QStringList& input) {
    QStringList args = input;
    // Without the folder index: every folder read, as a plain walk does.
    const bool indexed = !takeFlag(args, QStringLiteral("--no-index"));
    if (args.size() != 2)
        return fail(QStringLiteral("utilisation : find [--no-index] DOSSIER CRITERE"));
    const QString folder = QDir(args[0]).absolutePath();
    LargeWrites out;
    CommandJob job;
    const auto found = [&](const QString& path) {
        appendEscaped(out.text(), platform::nativeName(path));
        out.text() += '\n';
        out.lineDone();
    };
    platform::Status walked;
    const qint64 count =
        tools::findAllFiles(tools::searchSpec(folder, args[1]), found, job, indexed, &walked);
    out.flush();
    if (!walked) return fail(core::fileErrorText(walked.error(), core::FileUse::Entry, folder));
    cli::out(QString::number(count) + QStringLiteral(" Fichiers trouvés"));
    return 0;
}

namespace {

QByteArray escaped(const QString& text) {
    QByteArray out;
    appendEscaped(out, text.toUtf8());
    return out;
}

// A line's bytes: valid UTF-8 goes as it is, anything else through its text.
void appendEscapedLine(QByteArray& out, const QByteArray& line) {
    if (isPlainText(line)) // the usual line: one look, as it is
        out.append(line);
    else if (QByteArrayView(line).isValidUtf8())
        appendEscaped(out, line);
    else
        appendEscaped(out, tools::lineText(line).toUtf8());
}

} // namespace

int runClean(const QStringList& input) {
    QStringList args = input;
    const bool remove = takeFlag(args, QStringLiteral("--delete"));
    if (args.isEmpty())
        return fail(QStringLiteral("utilisation : clean [--delete] DOSSIER [EXT...]"));
    const QString root = QDir(args.takeFirst()).absolutePath();
    QStringList extensions = tools::builtInExtensions();
    for (const QString& e : args)
        extensions << tools::extensionEntry(e);
    qint64 total = 0;
    QStringList paths;
    CommandJob job;
    const qint64 count = tools::findToClean(
        root, extensions, [&](const tools::CleanerHit& hit) { paths << hit.path; }, total, job,
        tools::packagedFilesLater(extensions));
    QByteArray text;
    for (const QString& p : paths) {
        appendEscaped(text, platform::nativeName(p));
        text += '\n';
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    out(QString::number(count) + QStringLiteral(" fichiers trouvés. ") + QString::number(total) +
        QStringLiteral(" octets"));
    if (!remove) return 0;
    const QStringList deleted = tools::deleteAll(paths);
    out(QString::number(deleted.size()) + QStringLiteral(" fichiers effacé"));
    return deleted.size() == paths.size() ? 0 : 1;
}

int runGrep(const QStringList& args) {
    if (args.size() < 2) return fail(QStringLiteral("utilisation : grep CHAINE FICHIER..."));
    LargeWrites out;
    CommandJob job;
    for (int i = 1; i < args.size(); ++i) {
        const QString name = args[i];
        // The next file is read from the disk while this one is searched.
        if (i + 1 < args.size()) platform::Platform::instance().readAhead(args[i + 1]);
        const QByteArray prefix = escaped(name) + '[';
        const core::Outcome o = tools::findInFile(
            name, args[0],
            [&](const tools::Match& m) {
                QByteArray& text = out.text();
                text += prefix;
                char number[24];
                char* end = std::to_chars(number, number + sizeof number - 1, m.line).ptr;
                *end++ = ']';
                text.append(number, end - number);
                appendEscapedLine(text, m.text);
                text += '\n';
                out.lineDone();
            },
            job);
        out.flush();
        if (!o) {
            std::fflush(stdout);
            return fail(o.text); // the entries printed so far stay
        }
    }
    return 0;
}

int runCompare(const QStringList& args) {
    if (args.size() != 2) return fail(QStringLiteral("utilisation : compare FICHIER1 FICHIER2"));
    qint64 count = 0;
    QByteArray out;
    CommandJob job;
    const auto differ = [&](const tools::Difference& d) {
        ++count;
        out += QByteArray::number(d.line) + '\t' + escaped(tools::lineText(d.left)) + '\t' +
               escaped(tools::lineText(d.right)) + '\n';
    };
    const core::Outcome o = tools::compareFiles(args[0], args[1], differ, job);
    if (!o) {
        fail(o.text);
        return 2;
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    cli::out(QString::number(count) + QStringLiteral(" lignes différentes"));
    return count ? 1 : 0;
}

} // namespace cli

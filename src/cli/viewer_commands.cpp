// The viewers' commands of tavtools-cli.
#include "commands.h"
#include "viewers/TXBase.h"

#include <QFileInfo>
#include <cstdio>

namespace cli {

namespace {

// A cell with the characters that would break the lines written as escapes.
void appendCell(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    for (char c : utf8) {
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
}

// Escapes what a value appended at from holds, in place.
void escapeFrom(QByteArray& out, qsizetype from) {
    for (qsizetype i = from; i < out.size(); ++i) {
        const char c = out[i];
        if (c != '\t' && c != '\r' && c != '\n' && c != '\\') continue;
        const QByteArray tail = out.mid(i + 1);
        out.truncate(i);
        appendCell(out, QString(QChar::fromLatin1(c)));
        const qsizetype at = out.size();
        out += tail;
        i = at - 1;
    }
}

void flush(QByteArray& out) {
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    out.clear();
}

} // namespace

int runDbf(const QStringList& args) {
    if (args.size() != 1) return fail(QStringLiteral("usage : dbf FICHIER"));
    if (!QFileInfo::exists(args[0]))
        return fail(QStringLiteral("Fichier introuvable : %1").arg(args[0]));
    viewers::TXBase table;
    QByteArray out;
    out.reserve(1 << 20);
    try {
        table.setFilename(args[0]);
        table.setActive(true);
        if (!table.Active() || table.RecordCount() == 0) return 0; // an empty grid
        for (int k = 1; k <= table.FieldCount(); ++k) {
            out += '\t';
            appendCell(out, table.FieldName(k));
        }
        out += '\n';
        for (qint64 r = 1; r <= table.RecordCount(); ++r) {
            if (r > 1) table.readRecord(r);
            out += QByteArray::number(r);
            for (int k = 1; k <= table.FieldCount(); ++k) {
                out += '\t';
                const qsizetype from = out.size();
                table.appendFieldValueUtf8(k, out);
                escapeFrom(out, from);
            }
            out += '\n';
            if (out.size() > (1 << 20)) flush(out);
        }
    } catch (const viewers::EXBaseException& e) {
        flush(out); // the rows read so far stay printed, as the grid keeps them
        std::fflush(stdout);
        return fail(e.text());
    }
    flush(out);
    return 0;
}

} // namespace cli

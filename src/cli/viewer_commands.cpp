// The viewers' commands of tavtools-cli.
#include "commands.h"
#include "viewers/dbase_table.h"

#include <QFileInfo>
#include <cstdio>

namespace cli {

namespace {

void flush(QByteArray& out) {
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    out.clear();
}

} // namespace

int runDbf(const QStringList& args) {
    if (args.size() != 1) return fail(QStringLiteral("utilisation : dbf FICHIER"));
    if (!QFileInfo::exists(args[0]))
        return fail(QStringLiteral("Fichier introuvable : %1").arg(args[0]));
    viewers::DbaseTable table;
    QByteArray out, cell;
    out.reserve(1 << 20);
    try {
        table.setFilename(args[0]);
        table.setMemoLimit(4096); // a memo printed in a cell is cut, as the window cuts it
        table.setActive(true);
        if (!table.active() || table.recordCount() == 0) return 0; // an empty grid
        for (int k = 1; k <= table.fieldCount(); ++k) {
            out += '\t';
            appendEscaped(out, table.fieldName(k).toUtf8());
        }
        out += '\n';
        for (qint64 r = 1; r <= table.recordCount(); ++r) {
            if (r > 1) table.readRecord(r);
            out += QByteArray::number(r);
            for (int k = 1; k <= table.fieldCount(); ++k) {
                out += '\t';
                cell.clear();
                table.appendFieldValueUtf8(k, cell);
                appendEscaped(out, cell);
            }
            out += '\n';
            if (out.size() > (1 << 20)) flush(out);
        }
    } catch (const viewers::DbaseError& e) {
        flush(out); // the rows read so far stay printed, as the grid keeps them
        std::fflush(stdout);
        return fail(e.text());
    }
    flush(out);
    return 0;
}

} // namespace cli

// The dBase reader on any bytes: the input up to "\nMEMO\n" is the table,
// the rest its memo file; every value of every record is read.
#include "fuzz_folder.h"
#include "viewers/dbase_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <exception>
#include <unistd.h>

namespace {

QString path(const char* ext) {
    return fuzzFolder() + QStringLiteral("/table.") + QString::fromLatin1(ext);
}

void write(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray data(reinterpret_cast<const char*>(bytes), qsizetype(size));
    const qsizetype mark = data.indexOf("\nMEMO\n");
    write(path("dbf"), mark < 0 ? data : data.left(mark));
    QFile::remove(path("dbt"));
    if (mark >= 0) write(path("dbt"), data.mid(mark + 6));
    viewers::DbaseTable table;
    try {
        table.setFilename(path("dbf"));
        table.setActive(true);
        if (!table.active()) return 0;
        for (int k = 1; k <= table.fieldCount(); ++k) {
            table.fieldName(k);
            table.fieldType(k);
        }
        // At most a few thousand records: a header may promise billions.
        const qint64 last = std::min<qint64>(table.recordCount(), 4096);
        for (qint64 r = 1; r <= last; ++r) {
            if (r > 1) table.readRecord(r);
            for (int k = 1; k <= table.fieldCount(); ++k) {
                try {
                    table.fieldValue(k);
                } catch (const viewers::DbaseError&) {
                }
            }
        }
    } catch (const std::exception&) {
    }
    return 0;
}

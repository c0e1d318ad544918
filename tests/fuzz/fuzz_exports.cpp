// The exported-names reader on any bytes, as PE and as ELF: the input is
// read as it is and with each kind's signature put in front.
#include "sysinfo/exports.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    qsizetype total = 0;
    const auto count = [&](QByteArrayView name) { total += name.size(); };
    sysinfo::forEachExportedName(bytes, count);
    if (size > 2 && data[0] < 0x80) { // half the inputs also as an image of each kind
        QByteArray pe = QByteArray("MZ") + bytes.sliced(2).toByteArray();
        sysinfo::forEachExportedName(pe, count);
        QByteArray elf = QByteArray("\x7F"
                                    "ELF") +
                         bytes.sliced(2).toByteArray();
        sysinfo::forEachExportedName(elf, count);
    }
    return total < 0;
}

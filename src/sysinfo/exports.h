#pragma once
// The names a program image exports: PE (DLL, EXE; 32 and 64 bit) through
// its export name table, ELF shared objects through their dynamic symbols.
// Anything else, or a damaged image, answers what could be read safely.

#include <QByteArrayView>
#include <QStringList>
#include <functional>

namespace sysinfo {

// Calls `name` for each exported name, in the image's table order: the
// export name table of a PE image (names exported only by number have
// none), the defined global and weak functions of an ELF dynamic symbol
// table. Every offset and count is checked against the bytes given.
void forEachExportedName(QByteArrayView image, const std::function<void(QByteArrayView)>& name);

QStringList exportedNames(QByteArrayView image);

// The same for a file, mapped rather than read; empty when it cannot be opened.
QStringList exportedNamesOfFile(const QString& path);
bool forEachExportedNameOfFile(const QString& path,
                               const std::function<void(QByteArrayView)>& name);

} // namespace sysinfo

#pragma once
// The settings file: one "clean=" line per disk-cleaner extension.

#include <QStringList>

namespace filemanager {

// Appends, in file order, the text from the seventh character on of every
// line holding "clean=" anywhere. A missing or unreadable file adds nothing.
// Lines of any length are read in pieces; an entry keeps at most
// kMaxEntryLength characters.
void readCleanEntries(const QString& fileName, QStringList& into);
constexpr int kMaxEntryLength = 4096;

// Replaces the file by one "clean=" line per entry (CR LF); false on failure.
bool writeCleanEntries(const QString& fileName, const QStringList& entries);

} // namespace filemanager

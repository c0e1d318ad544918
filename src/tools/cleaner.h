#pragma once
// The disk cleaner's engine: files of a drive whose extension is in a
// list, and their deletion. No widgets.

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <future>

namespace core {
class Job;
}

namespace tools {

// The four extensions always offered, in their order.
const QStringList& builtInExtensions();
// A name's extension as the cleaner compares it: from its last "." on, in
// upper case; empty without a dot.
QString upperExtension(const QString& name);
// ".TMP" from "tmp", "TMP" or ".tmp" (letters a to z made capitals).
QString extensionEntry(const QString& typed);

struct CleanerHit {
    QString path;
    qint64 size;
};

// The files that installed packages put on the machine and whose
// extension is one of the entries: they are the packages' own, never
// leftovers. infoFolder is dpkg's ("/var/lib/dpkg/info").
QSet<QString> packagedFiles(const QStringList& extensions,
                            const QString& infoFolder = QStringLiteral("/var/lib/dpkg/info"));
// The same, read on a thread of its own while a walk goes on.
using KeptFiles = std::shared_future<QSet<QString>>;
KeptFiles packagedFilesLater(const QStringList& extensions,
                             const QString& infoFolder = QStringLiteral("/var/lib/dpkg/info"));

// Every file below root whose extension equals an entry (once per equal
// entry), in the find-files order, leaving out the files in kept. Answers
// the number of hits; total gets their size. The job is told each folder
// searched and stops the search.
qint64 findToClean(const QString& root, const QStringList& extensions,
                   const std::function<void(const CleanerHit&)>& found, qint64& total,
                   core::Job& job, const QSet<QString>& kept = {});
// With the files to leave out still being read: the hits met before they
// are known wait for them, so the order stays the walk's.
qint64 findToClean(const QString& root, const QStringList& extensions,
                   const std::function<void(const CleanerHit&)>& found, qint64& total,
                   core::Job& job, const KeptFiles& kept);

// Clears each file's attributes and deletes it; answers the paths deleted.
QStringList deleteAll(const QStringList& paths);

} // namespace tools

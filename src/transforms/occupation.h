#pragma once
// Space really taken by a folder's entries, and the catalogue of a medium.

#include "core/errors.h"

#include <QString>
#include <functional>

namespace core {
class Job;
}

namespace transforms {

struct Occupation {
    qint64 total = 0;
    qint64 count = 0;
    qint64 occupied = 0;
    QString message() const; // "N Ko dans C fichiers\r\nEspace réellement occupé : M Ko"
};

// The space an entry takes: what the file system gives it where it says,
// else whole clusters (an empty file takes none).
qint64 occupiedBytes(qint64 size, qint64 allocated, qint64 clusterSize);
// Every entry of the folder matching mask ("." and ".." are not files);
// fails for a folder that cannot be read.
core::Outcome occupation(const QString& folder, const QString& mask, qint64 clusterSize,
                         Occupation& result);

// Writes every file below root, depth first (a folder's files before its
// sub-folders), one full path per call of line; system files, hidden
// folders, links to folders and other volumes are left out. The job is
// told each folder as it is read (its item) and stops the walk (cancelled).
// Answers the number of files, or fails with "Disque plein" when line fails.
struct Catalogue {
    core::Outcome outcome;
    qint64 files = 0;
};
// The catalogue file: the medium's name, then one path per file, CR LF
// line ends; written aside and put in place once complete.
// A stopped catalogue leaves the older one as it was.
core::Outcome writeCatalogue(const QString& root, const QString& output, const QString& name,
                             core::Job& job, qint64* files = nullptr);
Catalogue catalogue(const QString& root, const std::function<bool(const QString&)>& line,
                    core::Job& job);

} // namespace transforms

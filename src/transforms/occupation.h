#pragma once
// Space really taken by a folder's entries, and the catalogue of a medium.

#include "core/errors.h"
#include <QString>
#include <functional>

namespace transforms {

struct Occupation {
    qint64 total = 0;
    qint64 count = 0;
    qint64 occupied = 0;
    QString message() const; // "N Ko dans C fichiers\r\nEspace réellement occupé : M Ko"
};

// Every entry of the folder matching mask, "." and ".." included, each
// counted in whole clusters (an empty entry takes one, k full clusters k+1).
Occupation occupation(const QString& folder, const QString& mask, qint64 clusterSize);

// Writes every file below root, depth first (a folder's files before its
// sub-folders), one full path per call of line; system files, hidden
// folders, links to folders and other volumes are left out. showFolder is
// told each folder as it is read. Answers the number of files, or fails
// with "Disque plein" when line fails.
struct Catalogue {
    core::Outcome outcome;
    qint64 files = 0;
};
Catalogue catalogue(const QString& root, const std::function<bool(const QString&)>& line,
                    const std::function<void(const QString&)>& showFolder = {});

} // namespace transforms

#pragma once
// The floppy optimiser: copies files onto as few floppies as it can, the
// largest that still fits first, asking for the next disk when none does.
// Each disk is emptied before it is filled.

#include "core/errors.h"

#include <QStringList>
#include <functional>

namespace core {
class Job;
}

namespace transforms {

struct PackRequest {
    QStringList files; // absolute paths; folders are passed over
    QString floppy;    // the floppy drive's root
};

// Each asked through job.ask. Unset: no next disk, nothing told.
struct PackQuestions {
    // A next disk in the drive, ready: false stops the packing.
    std::function<bool()> nextDisk;
    // "Taille de fichier supérieure à la capacité de la disquette"
    std::function<void(const QString& text)> tell;
};

struct PackResult {
    core::Outcome outcome;
    int copied = 0;
    int disks = 1;
    QStringList notCopied; // "reason : path"
};

PackResult packFloppies(const PackRequest& request, const PackQuestions& questions, core::Job& job);

} // namespace transforms

#pragma once
// Cutting a file into numbered parts (name001, name002...) and putting
// parts back together.

#include "core/errors.h"
namespace core {
class Job;
}

#include <QString>
#include <QStringList>
#include <vector>

namespace transforms {

constexpr int kDefaultPartKo = 1420;
constexpr int kMaxParts = 999;

// The size of every part, as the copy loop of 8192-byte reads makes them:
// a new part starts as soon as the current one has less than 8192 bytes of
// room, so the last part may be empty.
std::vector<qint64> splitPlan(qint64 fileSize, qint64 partSize);

QString partName(const QString& file, int number);

enum class SplitEnd { Done, TooSmall, TooManyParts, Failed, DiskFull, Cancelled };

// How a split ended and how many parts it left whole. Its outcome carries
// the French text: the refusals ("Parts trop petites", "Découpage refusé :
// plus de 999 parts"), a full disk, a file that could not be read.
struct SplitResult {
    SplitEnd end = SplitEnd::Done;
    int parts = 0;
    core::Outcome outcome() const;
};

// Writes the parts beside the file as one set: written aside, they take
// their names together when all are whole, and an earlier split's parts
// beyond the new count go then. TooSmall below 300 bytes per part;
// TooManyParts (nothing written) past 999 parts. Other I/O failures stop
// the copy and answer Failed (the window keeps quiet about them); a full
// disk answers DiskFull, which is told; a stop asked for answers
// Cancelled. Stopped or failed, nothing of the new parts stays and the
// earlier parts are as they were.
SplitResult splitFile(const QString& file, qint64 partSize, core::Job& job);

// Joins the names in case-insensitive order into the first name less its
// last three characters; folders, missing and empty names are skipped,
// special files refused. The output is written aside and takes its place
// at the end; its name goes to joined.
core::Outcome joinFiles(QStringList names, core::Job& job, QString* joined = nullptr);

} // namespace transforms

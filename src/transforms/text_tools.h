#pragma once
// Text extraction, merge and line sort.

#include "core/errors.h"
namespace core {
class Job;
}

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace transforms {

// Keeps 32..127 and tab, and a line feed right after a carriage return;
// cr carries "the previous byte was CR" across calls.
QByteArray extractBlock(const QByteArray& in, bool& cr);
// The output is written aside and takes its place at the end (it may be
// the source); a failure leaves any older output as it was.
core::Outcome extractText(const QString& source, const QString& output, core::Job& job);

// Byte concatenation in the given order; folders and missing names skipped,
// special files refused. An input that is the output is read as it was.
core::Outcome mergeFiles(const QStringList& names, const QString& output, core::Job& job);

// Lines end at CR LF, LF or CR; sorted case-insensitively in the French
// locale and written back each with the text's first line end (CR LF when
// it has none, the last line too), through a copy that replaces the file
// in one step. NUL bytes are ordinary bytes. Fails with the
// input/output error's text, the file untouched; a stop leaves it
// untouched too.
core::Outcome sortLines(const QString& name, core::Job& job);

} // namespace transforms

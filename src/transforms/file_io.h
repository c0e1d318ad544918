#pragma once
// The French texts of a transform's read and write failures.

#include <QString>

namespace transforms {

// After Platform::openForRead failed on name with a platform error.
QString readFailure(const QString& name, int platformError);
// A write, flush or replacement of name that failed with a platform error.
QString writeFailure(const QString& name, int platformError);

} // namespace transforms

#pragma once
// Irreversible erase: zeros written over the file in place and flushed to
// the disk, then the file renamed to a meaningless name and deleted.

#include "transform_progress.h"

#include <QString>

namespace transforms {

// Throws ui::InOutError on the first failure, leaving the file partly
// overwritten under its own name; a read-only file is refused before any
// byte changes.
void eraseFile(const QString& name, const Progress& progress = {});

} // namespace transforms

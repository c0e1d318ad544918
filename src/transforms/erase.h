#pragma once
// Irreversible erase: zeros written over the file in place and flushed to
// the disk, then the file renamed to a meaningless name and deleted.

#include "core/errors.h"
namespace core {
class Job;
}

#include <QString>

namespace transforms {

// Fails with the input/output error's text at the first failure, leaving
// the file partly overwritten under its own name; a read-only file is
// refused before any byte changes.
core::Outcome eraseFile(const QString& name, core::Job& job);

} // namespace transforms

#pragma once
// The general error report: an error that leaves a command is shown once,
// in a box titled "Tav Tools". The error types themselves live in core.

#include "core/errors.h"

#include <functional>

namespace ui {

using core::ConvertError;
using core::FloatError;
using core::InOutError;
using core::TavError;

// The text as the general error report shows it: a full stop added when missing.
QString reportText(const QString& text);

// Shows the general error report for an error that left a command.
void reportError(const std::exception& e);

// Shows the general error report for a failed outcome; a done or
// cancelled one (a stop asked for by the user) shows nothing. Answers
// whether the outcome was a success.
bool reportFailure(const core::Outcome& outcome);

// Runs a command; an error leaving it is reported and swallowed. Answers
// false when the command ended with an error.
bool runCommand(const std::function<void()>& command);

} // namespace ui

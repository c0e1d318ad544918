#pragma once
// Every control a user can reach carries a French name for screen readers
// (and for tests that find controls by name).

namespace ui {

// From then on, a button without a name of its own takes its caption
// (without its accelerator) or, for a picture-only button, its hint. Called
// once at start-up.
void installAccessibleNames();

} // namespace ui

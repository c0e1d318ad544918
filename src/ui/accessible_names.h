#pragma once
// Every control a user can reach carries a French name for screen readers
// (and for tests that find controls by name).

namespace ui {

// From then on, a button without a name of its own takes its caption
// (without its accelerator) or, for a picture-only button, its hint. Called
// once at start-up.
// A list box marked with this property (true), set before it is first
// shown, is read by its accessible name, its value as the description:
// two boxes side by side whose values are alike are told apart.
void installAccessibleNames();
inline constexpr char kNamedByRole[] = "tavtoolsNamedByRole";

} // namespace ui

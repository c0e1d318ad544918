#pragma once
// The titles of the display's top-level windows.

#include <QStringList>

namespace sysinfo {

// Every top-level window of the X display (visible or not), in the server's
// stacking order: _NET_WM_NAME, else WM_NAME. Empty without an X display.
QStringList topLevelWindowTitles(const QByteArray& display = {});

// The lines shown: each title cut to 99 characters, empty ones left out.
QStringList taskLines(const QStringList& titles);

} // namespace sysinfo

#pragma once
// The processor's type and speed, the memory figures.

#include <QString>

namespace sysinfo {

// The type code: 0 8086, 1 286, 2 386, 3 486 without identification,
// n >= 4 the family the identification instruction reports, minus 1.
// -1 where the processor has no such instruction (not an x86).
int processorTypeCode();
// "8086", "286", "Pentium", "486", "Pentium" (4), "P%d" otherwise.
QString processorTypeText(int code);
// The text of this machine: the code's text, else the architecture's name.
QString processorType();

// One measurement of the clock frequency in MHz over about `ms`
// milliseconds: the time-stamp counter's 64-bit difference divided by the
// elapsed time of a monotonic clock. Without a time-stamp counter, the
// frequency the kernel reports (procRoot/cpuinfo), else 0.
double measureMhz(int ms = 500, const QString& procRoot = QStringLiteral("/proc"));
// "Vitesse CPU : 451,03 MHz".
QString speedText(double mhz);

struct MemoryStatus {
    qint64 totalKo = 0, freeKo = 0, virtualKo = 0;
    int load = 0; // percent of memory in use
};
// From procRoot/meminfo (MemTotal, MemAvailable, else MemFree) and the
// process's address space (its limit, else the architecture's user space).
MemoryStatus readMemory(const QString& procRoot = QStringLiteral("/proc"));
qint64 addressSpaceKo();

} // namespace sysinfo

#include "cpu_memory.h"

#include "platform/small_files.h"
#include <QFile>
#include <QSysInfo>
#include <chrono>
#include <sys/resource.h>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define TAV_X86 1
#endif

namespace sysinfo {

int processorTypeCode() {
#ifdef TAV_X86
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return 3;
    int family = int((a >> 8) & 0xF);
    if (family == 0xF) family += int((a >> 20) & 0xFF);
    return family - 1;
#else
    return -1;
#endif
}

QString processorTypeText(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("8086");
    case 1:
        return QStringLiteral("286");
    case 2:
        return QStringLiteral("Pentium");
    case 3:
        return QStringLiteral("486");
    case 4:
        return QStringLiteral("Pentium");
    default:
        return QStringLiteral("P%1").arg(code);
    }
}

QString processorType() {
    const int code = processorTypeCode();
    return code < 0 ? QSysInfo::currentCpuArchitecture() : processorTypeText(code);
}

namespace {

// The lines of a small file (at most 4 MiB: /proc/cpuinfo of many cores).
QList<QByteArray> lines(const QString& path) {
    return platform::readSmallFile(path, qint64(4) << 20).split('\n');
}

// The frequency the kernel gives for the first processor, in MHz.
double reportedMhz(const QString& procRoot) {
    for (const QByteArray& line : lines(procRoot + QStringLiteral("/cpuinfo"))) {
        if (!line.startsWith("cpu MHz")) continue;
        const qsizetype colon = line.indexOf(':');
        return colon < 0 ? 0 : line.mid(colon + 1).trimmed().toDouble();
    }
    return 0;
}

} // namespace

double measureMhz(int ms, const QString& procRoot) {
#ifdef TAV_X86
    using Clock = std::chrono::steady_clock;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto start = Clock::now();
    const quint64 first = __rdtsc();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    const quint64 second = __rdtsc();
    const auto end = Clock::now();
    const double seconds = std::chrono::duration<double>(end - start).count();
    if (seconds > 0) return double(second - first) / seconds / 1e6;
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
    return reportedMhz(procRoot);
}

QString speedText(double mhz) {
    return QStringLiteral("Vitesse CPU : %1 MHz")
        .arg(QString::number(mhz, 'f', 2).replace(u'.', u','));
}

qint64 addressSpaceKo() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return qint64(limit.rlim_cur / 1024);
    // The user part of the address space of the architecture.
    if constexpr (sizeof(void*) == 4) return qint64(3) << 20;                    // 3 GiB
    if (QSysInfo::currentCpuArchitecture() == u"x86_64") return qint64(1) << 37; // 128 TiB
    return qint64(1) << 38;                                                      // 256 TiB
}

MemoryStatus readMemory(const QString& procRoot) {
    MemoryStatus m;
    qint64 available = -1, freeKo = 0;
    for (const QByteArray& line : lines(procRoot + QStringLiteral("/meminfo"))) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) continue;
        const QByteArray key = line.left(colon);
        const qint64 value = line.mid(colon + 1).trimmed().split(' ').value(0).toLongLong();
        if (key == "MemTotal")
            m.totalKo = value;
        else if (key == "MemAvailable")
            available = value;
        else if (key == "MemFree")
            freeKo = value;
    }
    m.freeKo = available >= 0 ? available : freeKo;
    if (m.totalKo > 0)
        m.load = int(std::clamp<qint64>((m.totalKo - m.freeKo) * 100 / m.totalKo, 0, 100));
    m.virtualKo = addressSpaceKo();
    return m;
}

} // namespace sysinfo

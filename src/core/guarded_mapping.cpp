#include "guarded_mapping.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace core {

namespace {

// The guarded ranges, read by the signal handler without a lock: each slot
// is published by its start address, written last.
struct Slot {
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<std::atomic<bool>*> changed{nullptr};
};
constexpr int kSlots = 256;
Slot g_slots[kSlots];
struct sigaction g_previous;

void restoreAndRaise(int signal) {
    sigaction(SIGBUS, &g_previous, nullptr);
    raise(signal);
}

void onBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& s : g_slots) {
        const std::uintptr_t start = s.start.load(std::memory_order_acquire);
        if (start <= 1 || address < start || address >= s.end.load(std::memory_order_relaxed))
            continue;
        // The page is gone from the file: zeros take its place, and the
        // reader is told.
        const std::uintptr_t page = address & ~std::uintptr_t(sysconf(_SC_PAGESIZE) - 1);
        if (mmap(reinterpret_cast<void*>(page), size_t(sysconf(_SC_PAGESIZE)), PROT_READ,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        if (std::atomic<bool>* flag = s.changed.load(std::memory_order_relaxed))
            flag->store(true, std::memory_order_relaxed);
        return;
    }
    // Not ours: what would have happened without us.
    if ((g_previous.sa_flags & SA_SIGINFO) && g_previous.sa_sigaction) {
        g_previous.sa_sigaction(signal, info, context);
        return;
    }
    restoreAndRaise(signal);
}

void installHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &g_previous);
    });
}

} // namespace

struct GuardedMapping::Filler {
    std::atomic<bool> stop{false};
    std::thread thread;
};

GuardedMapping::GuardedMapping() = default;

GuardedMapping::~GuardedMapping() {
    unmap();
}

void GuardedMapping::fillAhead(qint64 from) {
#ifdef MADV_POPULATE_READ
    if (!m_data || m_filler || from < 0 || from >= m_size) return;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    auto* start =
        reinterpret_cast<uchar*>(reinterpret_cast<std::uintptr_t>(m_data + from) & ~(page - 1));
    auto* end = static_cast<uchar*>(m_base) + m_length;
    m_filler = std::make_unique<Filler>();
    m_filler->thread = std::thread([start, end, stop = &m_filler->stop] {
        constexpr std::ptrdiff_t kStep = std::ptrdiff_t(8) << 20;
        // A page past a shrunk file's end fails the call (no signal): stop there.
        for (uchar* at = start; at < end && !stop->load(std::memory_order_relaxed); at += kStep)
            if (madvise(at, size_t(std::min(kStep, end - at)), MADV_POPULATE_READ) != 0) break;
    });
#else
    Q_UNUSED(from);
#endif
}

bool GuardedMapping::map(int fd, qint64 size, qint64 offset, bool readAhead) {
    unmap();
    if (fd < 0 || size <= 0 || offset < 0) return false;
    const qint64 page = sysconf(_SC_PAGESIZE), first = offset / page * page;
    const size_t length = size_t(offset - first + size);
    int flags = MAP_SHARED;
#ifdef MAP_POPULATE
    if (readAhead) flags |= MAP_POPULATE;
#endif
    void* p = mmap(nullptr, length, PROT_READ, flags, fd, off_t(first));
    if (p == MAP_FAILED) return false;
    installHandler();
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    for (int i = 0; i < kSlots; ++i) {
        std::uintptr_t free = 0;
        Slot& s = g_slots[i];
        // Claimed by writing a placeholder start, published once complete.
        if (!s.start.compare_exchange_strong(free, std::uintptr_t(1))) continue;
        s.end.store(start + length, std::memory_order_relaxed);
        s.changed.store(&m_changed, std::memory_order_relaxed);
        s.start.store(start, std::memory_order_release);
        m_slot = i;
        break;
    }
    if (m_slot < 0) { // every slot taken: no guard, no mapping
        munmap(p, length);
        return false;
    }
    m_base = p;
    m_length = length;
    m_data = static_cast<const uchar*>(p) + (offset - first);
    m_size = size;
    m_changed = false;
    return true;
}

void GuardedMapping::unmap() {
    if (m_filler) {
        m_filler->stop = true;
        m_filler->thread.join();
        m_filler.reset();
    }
    if (!m_data) return;
    // Unguarded first: the range may be mapped again by another at once.
    if (m_slot >= 0) {
        Slot& s = g_slots[m_slot];
        s.start.store(1, std::memory_order_release);
        s.changed.store(nullptr, std::memory_order_relaxed);
        s.end.store(0, std::memory_order_relaxed);
        s.start.store(0, std::memory_order_release);
        m_slot = -1;
    }
    munmap(m_base, m_length);
    m_base = nullptr;
    m_length = 0;
    m_data = nullptr;
    m_size = 0;
}

} // namespace core

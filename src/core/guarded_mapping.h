#pragma once
// A read-only mapping of a file that survives the file shrinking under it.
// Another process may truncate a mapped file at any moment; reading a page
// past the new end would then kill the program (SIGBUS). Here such a page is
// replaced by zeros the moment it is touched, and changed() tells the reader
// that what it read is not the file any more.

#include <QtGlobal>
#include <atomic>
#include <memory>

namespace core {

class GuardedMapping {
  public:
    GuardedMapping();
    ~GuardedMapping();
    GuardedMapping(const GuardedMapping&) = delete;
    GuardedMapping& operator=(const GuardedMapping&) = delete;

    // Maps size bytes of the open descriptor from offset (any offset: the
    // mapping starts at the page that holds it); false when it cannot (the
    // caller then reads the file instead). With readAhead, the pages are
    // read in at once.
    bool map(int fd, qint64 size, qint64 offset = 0, bool readAhead = false);
    // Fills the page tables from `from` to the end on another thread, step
    // by step, while the caller reads the start itself: the two share the
    // cost of the first touches. Stopped and waited for by unmap(); nothing
    // where the system cannot.
    void fillAhead(qint64 from);
    void unmap();
    const uchar* data() const { return m_data; }
    qint64 size() const { return m_size; }
    // A page vanished while it was read: the file shrank.
    bool changed() const { return m_changed.load(std::memory_order_relaxed); }

  private:
    const uchar* m_data = nullptr;
    qint64 m_size = 0;
    void* m_base = nullptr;
    size_t m_length = 0;
    int m_slot = -1;
    std::atomic<bool> m_changed{false};
    struct Filler;
    std::unique_ptr<Filler> m_filler;
};

} // namespace core

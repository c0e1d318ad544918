#include "byte_search.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TAV_HAVE_AVX2_PATH 1
#endif

namespace core {

namespace {

// How common a byte is in text, 0 rarest: control bytes and most
// punctuation are rare, letters common, spaces and line ends commonest.
int commonness(uchar b) {
    if (b == ' ' || b == '\t' || b == '\n' || b == '\r') return 9;
    if (std::strchr("etaoinsrhl", b) && b) return 8;
    if (b >= 'a' && b <= 'z') return 7;
    if ((b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')) return 6;
    if (b && std::strchr("(),-./:_", b)) return 4;
    if (b >= 0x80) return 3;
    if (b >= 0x20 && b < 0x7F) return 1; // other punctuation
    return 0;
}

// The two positions of the needle whose bytes are the rarest.
void rarePositions(const char* n, qsizetype k, qsizetype& first, qsizetype& second) {
    first = 0;
    for (qsizetype i = 1; i < k; ++i)
        if (commonness(uchar(n[i])) < commonness(uchar(n[first]))) first = i;
    second = first == 0 ? k - 1 : 0;
    for (qsizetype i = 0; i < k; ++i)
        if (i != first && n[i] != n[first] &&
            commonness(uchar(n[i])) < commonness(uchar(n[second])))
            second = i;
}

struct Needle {
    const char* n;
    qsizetype k, r1, r2; // r1 < r2 or r2 < r1: the two rare positions
    bool matchesAt(const char* at) const {
        return at[r2] == n[r2] && std::memcmp(at, n, size_t(k)) == 0;
    }
};

#ifdef TAV_HAVE_AVX2_PATH
__attribute__((target("avx2"))) inline __m256i load32(const char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Bytes compared one by one: no call inside the vector loops below, whose
// constants then stay in registers.
inline bool sameBytes(const char* a, const char* b, qsizetype k) {
    for (qsizetype j = 0; j < k; ++j)
        if (a[j] != b[j]) return false;
    return true;
}

// Candidates where both rare bytes match, 32 positions at a time, on
// processors that have AVX2. Answers the first match at or after i, or -1
// with `stoppedAt` where the caller goes on.
__attribute__((target("avx2,bmi"))) qsizetype
pairsAvx2(const char* h, qsizetype size, const Needle& d, qsizetype i, qsizetype& stoppedAt) {
    const char* const n = d.n;
    const qsizetype k = d.k, r1 = d.r1, r2 = d.r2;
    const __m256i b1 = _mm256_set1_epi8(n[r1]), b2 = _mm256_set1_epi8(n[r2]);
    for (; i + k + 32 <= size; i += 32) {
        const char* p = h + i;
        unsigned mask = unsigned(_mm256_movemask_epi8(_mm256_and_si256(
            _mm256_cmpeq_epi8(load32(p + r1), b1), _mm256_cmpeq_epi8(load32(p + r2), b2))));
        for (; mask; mask &= mask - 1)
            if (sameBytes(p + __builtin_ctz(mask), n, k)) return i + __builtin_ctz(mask);
    }
    stoppedAt = i;
    return -1;
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

inline bool holdsByte(const char* a, qsizetype k, char c) {
    for (qsizetype j = 0; j < k; ++j)
        if (a[j] == c) return true;
    return false;
}

// One bit for each of 64 bytes, from the comparisons of two halves.
__attribute__((target("avx2"))) inline quint64 bits64(__m256i low, __m256i high) {
    return quint64(unsigned(_mm256_movemask_epi8(low))) |
           (quint64(unsigned(_mm256_movemask_epi8(high))) << 32);
}

inline quint64 below64(int bit) {
    return bit >= 64 ? ~quint64(0) : (quint64(1) << bit) - 1;
}

// The tallying search, 64 positions at a time: each block's tally and stop
// bytes are found with the same loads as the candidates. Answers false
// when it reached the last whole block (from is where the caller goes on).
// Everything the loop changes is local: kept in registers, not written
// back to the caller's variables at every block.
__attribute__((target("avx2,popcnt,bmi"))) bool tallyAvx2(const char* h, qsizetype size,
                                                          const Needle& d, char stop,
                                                          qsizetype& from,
                                                          BytePattern::Tallied& r) {
    const char* const n = d.n;
    const qsizetype k = d.k, r1 = d.r1, r2 = d.r2;
    const __m256i b1 = _mm256_set1_epi8(n[r1]), b2 = _mm256_set1_epi8(n[r2]);
    const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n');
    const __m256i s = _mm256_set1_epi8(stop);
    qsizetype i = from, count = r.tally;
    quint64 crBefore = 0; // a CR ended the previous block: an LF first is its end's
    for (; i + k + 64 <= size; i += 64) {
        const char* p = h + i;
        const __m256i x0 = load32(p), x1 = load32(p + 32);
        const quint64 stops = bits64(_mm256_cmpeq_epi8(x0, s), _mm256_cmpeq_epi8(x1, s));
        const quint64 crs = bits64(_mm256_cmpeq_epi8(x0, cr), _mm256_cmpeq_epi8(x1, cr));
        const quint64 lfs = bits64(_mm256_cmpeq_epi8(x0, lf), _mm256_cmpeq_epi8(x1, lf));
        const quint64 tallies = crs | (lfs & ~((crs << 1) | crBefore));
        crBefore = crs >> 63;
        quint64 candidates = bits64(_mm256_and_si256(_mm256_cmpeq_epi8(load32(p + r1), b1),
                                                     _mm256_cmpeq_epi8(load32(p + r2), b2)),
                                    _mm256_and_si256(_mm256_cmpeq_epi8(load32(p + 32 + r1), b1),
                                                     _mm256_cmpeq_epi8(load32(p + 32 + r2), b2)));
        if (stops | candidates) {
            candidates &= below64(stops ? __builtin_ctzll(stops) : 64); // nothing after the end
            for (; candidates; candidates &= candidates - 1) {
                const int bit = __builtin_ctzll(candidates);
                if (sameBytes(p + bit, n, k) && !holdsByte(p + bit, k, stop)) {
                    r.at = i + bit;
                    r.tally = count + __builtin_popcountll(tallies & below64(bit));
                    from = i;
                    return true;
                }
            }
            if (stops) { // the end: no match
                r.tally = count;
                from = i;
                return true;
            }
        }
        count += __builtin_popcountll(tallies);
    }
    r.tally = count;
    from = i;
    return false;
}
#endif

// The same with SSE2, sixteen positions at a time; the rest byte by byte.
qsizetype pairsPlain(const char* h, qsizetype size, const Needle& d, qsizetype i) {
#if defined(__SSE2__)
    const __m128i b1 = _mm_set1_epi8(d.n[d.r1]), b2 = _mm_set1_epi8(d.n[d.r2]);
    for (; i + d.k + 16 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + d.r1));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + d.r2));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, b1), _mm_cmpeq_epi8(b, b2))));
        while (mask) {
            const int bit = __builtin_ctz(mask);
            if (std::memcmp(h + i + bit, d.n, size_t(d.k)) == 0) return i + bit;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= size - d.k; ++i)
        if (h[i + d.r1] == d.n[d.r1] && d.matchesAt(h + i)) return i;
    return -1;
}

qsizetype findPairs(const char* h, qsizetype size, const Needle& d, qsizetype i) {
#ifdef TAV_HAVE_AVX2_PATH
    if (hasAvx2()) {
        const qsizetype at = pairsAvx2(h, size, d, i, i);
        if (at >= 0) return at;
    }
#endif
    return pairsPlain(h, size, d, i);
}

} // namespace

qsizetype findBytes(QByteArrayView hay, QByteArrayView needle, qsizetype from) {
    return BytePattern(needle).in(hay, from);
}

BytePattern::BytePattern(QByteArrayView needle) : m_needle(needle) {
    if (needle.size() < 2) return;
    rarePositions(needle.data(), needle.size(), m_rare1, m_rare2);
    m_common = commonness(uchar(needle[m_rare1])) >= 5;
}

BytePattern::Tallied BytePattern::inCountingLines(QByteArrayView hay, qsizetype from,
                                                  char stop) const {
    Tallied r;
    const qsizetype size = hay.size(), k = m_needle.size();
    const char* h = hay.data();
    const qsizetype start = std::max<qsizetype>(from, 0);
    qsizetype i = start;
#ifdef TAV_HAVE_AVX2_PATH
    if (m_common && k >= 2 && hasAvx2()) {
        const Needle d{m_needle.data(), k, m_rare1, m_rare2};
        if (tallyAvx2(h, size, d, stop, i, r)) return r;
    }
#endif
    // The rest, or a rare needle: the match first, then the end and the
    // count only up to it (an absent needle costs the search alone).
    const qsizetype at = in(hay, i);
    if (at < 0 || std::memchr(h + i, stop, size_t(at + k - i))) return r;
    r.tally += countLineEnds(h + i, h + at);
    // A CR LF cut by where the vector loop stopped is one line end.
    if (i > start && i < at && h[i - 1] == '\r' && h[i] == '\n') --r.tally;
    r.at = at;
    return r;
}

qsizetype BytePattern::in(QByteArrayView hay, qsizetype from) const {
    const qsizetype size = hay.size(), k = m_needle.size();
    if (from < 0) from = 0;
    if (k == 0) return from <= size ? from : -1;
    if (from > size - k) return -1;
    const char* h = hay.data();
    const char* n = m_needle.data();
    if (k == 1) {
        const void* at = std::memchr(h + from, n[0], size_t(size - from));
        return at ? static_cast<const char*>(at) - h : -1;
    }
    const Needle d{n, k, m_rare1, m_rare2};
    // The rarest byte through memchr, as fast as memory goes, while its
    // occurrences stay rare; once they are frequent in this text, both
    // rare bytes are tested together, many positions at a time.
    qsizetype i = from, candidates = 0;
    const char rare = n[d.r1];
    if (m_common) return findPairs(h, size, d, i); // letters and digits
    while (i <= size - k) {
        const void* p = std::memchr(h + i + d.r1, rare, size_t(size - k - i + 1));
        if (!p) return -1;
        const qsizetype at = static_cast<const char*>(p) - h - d.r1;
        if (d.matchesAt(h + at)) return at;
        i = at + 1;
        if (++candidates > 64 && (i - from) < candidates * 256) return findPairs(h, size, d, i);
    }
    return -1;
}

namespace {
// The byte counters of a block of sums (each at most 255) added up.
#ifdef TAV_HAVE_AVX2_PATH
__attribute__((target("avx2"))) inline qsizetype addedUp(__m256i sums) {
    const __m256i total = _mm256_sad_epu8(sums, _mm256_setzero_si256());
    return _mm256_extract_epi64(total, 0) + _mm256_extract_epi64(total, 1) +
           _mm256_extract_epi64(total, 2) + _mm256_extract_epi64(total, 3);
}
#endif
#if defined(__SSE2__)
inline qsizetype addedUp(__m128i sums) {
    const __m128i total = _mm_sad_epu8(sums, _mm_setzero_si128());
    return _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8));
}
#endif
} // namespace

#ifdef TAV_HAVE_AVX2_PATH
namespace {
// Whole blocks of 32 bytes; answers the count and moves p past them.
__attribute__((target("avx2"))) qsizetype countAvx2(const char*& p, const char* end, char byte) {
    qsizetype count = 0;
    const __m256i wanted = _mm256_set1_epi8(byte), zero = _mm256_setzero_si256();
    while (end - p >= 32) {
        // Up to 255 blocks summed in bytes, then added up in 64 bits.
        __m256i sums = zero;
        const qsizetype blocks = std::min<qsizetype>((end - p) / 32, 255);
        for (qsizetype b = 0; b < blocks; ++b, p += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            sums = _mm256_sub_epi8(sums, _mm256_cmpeq_epi8(v, wanted));
        }
        count += addedUp(sums);
    }
    return count;
}
} // namespace
#endif

qsizetype countByte(const char* begin, const char* end, char byte) {
    qsizetype count = 0;
    const char* p = begin;
#ifdef TAV_HAVE_AVX2_PATH
    if (hasAvx2()) count += countAvx2(p, end, byte);
#endif
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte), zero = _mm_setzero_si128();
    while (end - p >= 16) {
        // Up to 255 blocks summed in bytes, then added up in 64 bits.
        __m128i sums = zero;
        const qsizetype blocks = std::min<qsizetype>((end - p) / 16, 255);
        for (qsizetype b = 0; b < blocks; ++b, p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(v, wanted));
        }
        count += addedUp(sums);
    }
#endif
    return count + std::count(p, end, byte);
}

#ifdef TAV_HAVE_AVX2_PATH
namespace {
// Whole blocks of 32 bytes after the first byte; answers the count and
// moves p past them. p > begin: each block looks at the byte before it.
__attribute__((target("avx2"))) qsizetype lineEndsAvx2(const char*& p, const char* end) {
    qsizetype count = 0;
    const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n');
    const __m256i zero = _mm256_setzero_si256();
    while (end - p >= 32) {
        __m256i sums = zero;
        const qsizetype blocks = std::min<qsizetype>((end - p) / 32, 255);
        for (qsizetype b = 0; b < blocks; ++b, p += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
            const __m256i ends = _mm256_or_si256(
                _mm256_cmpeq_epi8(v, cr),
                _mm256_andnot_si256(_mm256_cmpeq_epi8(before, cr), _mm256_cmpeq_epi8(v, lf)));
            sums = _mm256_sub_epi8(sums, ends);
        }
        count += addedUp(sums);
    }
    return count;
}
} // namespace
#endif

qsizetype countLineEnds(const char* begin, const char* end) {
    if (end <= begin) return 0;
    qsizetype count = (*begin == '\r' || *begin == '\n') ? 1 : 0;
    const char* p = begin + 1;
#ifdef TAV_HAVE_AVX2_PATH
    if (hasAvx2()) count += lineEndsAvx2(p, end);
#endif
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    while (end - p >= 16) {
        __m128i sums = zero;
        const qsizetype blocks = std::min<qsizetype>((end - p) / 16, 255);
        for (qsizetype b = 0; b < blocks; ++b, p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
            const __m128i ends =
                _mm_or_si128(_mm_cmpeq_epi8(v, cr),
                             _mm_andnot_si128(_mm_cmpeq_epi8(before, cr), _mm_cmpeq_epi8(v, lf)));
            sums = _mm_sub_epi8(sums, ends);
        }
        count += addedUp(sums);
    }
#endif
    for (; p < end; ++p)
        count += *p == '\r' || (*p == '\n' && p[-1] != '\r');
    return count;
}

const char* findLineEnd(const char* begin, const char* end) {
    const char* p = begin;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask =
            unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
        if (mask) return p + __builtin_ctz(mask);
    }
#endif
    for (; p < end; ++p)
        if (*p == '\r' || *p == '\n') return p;
    return nullptr;
}

const char* lastByte(const char* begin, const char* end, char byte) {
#if defined(__GLIBC__)
    return static_cast<const char*>(memrchr(begin, byte, size_t(end - begin)));
#else
    while (end > begin)
        if (*--end == byte) return end;
    return nullptr;
#endif
}

qsizetype commonPrefix(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    // Whole blocks through memcmp, as fast as memory goes; then byte by byte
    // in the block that differs.
    constexpr qsizetype kBlock = 4096;
    qsizetype i = 0;
    while (i + kBlock <= n && std::memcmp(a.data() + i, b.data() + i, size_t(kBlock)) == 0)
        i += kBlock;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

} // namespace core

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

#ifdef TAV_HAVE_AVX2_PATH
// The same candidate test 32 positions at a time, on processors that have
// AVX2; answers the first match at or after i, or where it stopped (the
// last 32 + k positions are left to the caller) through `stoppedAt`.
__attribute__((target("avx2"))) qsizetype findAvx2(const char* h, qsizetype size, const char* n,
                                                   qsizetype k, qsizetype i,
                                                   qsizetype& stoppedAt) {
    const __m256i first = _mm256_set1_epi8(n[0]), last = _mm256_set1_epi8(n[k - 1]);
    for (; i + k - 1 + 32 <= size; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + i + k - 1));
        unsigned mask = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
        while (mask) {
            const int bit = __builtin_ctz(mask);
            if (std::memcmp(h + i + bit + 1, n + 1, size_t(k - 2)) == 0) return i + bit;
            mask &= mask - 1;
        }
    }
    stoppedAt = i;
    return -1;
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

qsizetype findBytes(QByteArrayView hay, QByteArrayView needle, qsizetype from) {
    const qsizetype size = hay.size(), k = needle.size();
    if (from < 0) from = 0;
    if (k == 0) return from <= size ? from : -1;
    if (from > size - k) return -1;
    const char* h = hay.data();
    const char* n = needle.data();
    if (k == 1) {
        const void* at = std::memchr(h + from, n[0], size_t(size - from));
        return at ? static_cast<const char*>(at) - h : -1;
    }
    qsizetype i = from;
#ifdef TAV_HAVE_AVX2_PATH
    if (hasAvx2()) {
        const qsizetype at = findAvx2(h, size, n, k, i, i);
        if (at >= 0) return at;
    }
#endif
#if defined(__SSE2__)
    // Candidates where both the first and the last byte of the needle match,
    // sixteen positions at a time; only those are compared in full.
    const __m128i first = _mm_set1_epi8(n[0]), last = _mm_set1_epi8(n[k - 1]);
    for (; i + k - 1 + 16 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + k - 1));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask) {
            const int bit = __builtin_ctz(mask);
            if (std::memcmp(h + i + bit + 1, n + 1, size_t(k - 2)) == 0) return i + bit;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= size - k; ++i)
        if (h[i] == n[0] && std::memcmp(h + i + 1, n + 1, size_t(k - 1)) == 0) return i;
    return -1;
}

qsizetype countByte(const char* begin, const char* end, char byte) {
    qsizetype count = 0;
    const char* p = begin;
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
        const __m128i total = _mm_sad_epu8(sums, zero);
        count += _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8));
    }
#endif
    return count + std::count(p, end, byte);
}

} // namespace core

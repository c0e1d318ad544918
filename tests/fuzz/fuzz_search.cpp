// The byte searches on any bytes, checked against a plain search: the
// first match, and with the line ends (CR LF, CR, LF) counted and the end mark (26) kept.
#include "core/byte_search.h"
#include "data_provider.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

qsizetype plainFind(QByteArrayView hay, QByteArrayView needle, qsizetype from) {
    if (from > hay.size()) return -1;
    const auto it = std::search(hay.begin() + from, hay.end(), needle.begin(), needle.end());
    return it == hay.end() && !needle.isEmpty() ? -1 : it - hay.begin();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataProvider input(data, size);
    const auto k = input.ConsumeIntegralInRange<size_t>(1, 12);
    const auto from = input.ConsumeIntegralInRange<qsizetype>(0, 64);
    const std::vector<char> needleBytes = input.ConsumeBytes<char>(k);
    const std::vector<char> hayBytes = input.ConsumeBytes<char>(input.remaining_bytes());
    const QByteArrayView needle(needleBytes.data(), qsizetype(needleBytes.size()));
    const QByteArrayView hay(hayBytes.data(), qsizetype(hayBytes.size()));
    if (needle.isEmpty()) return 0;
    const core::BytePattern pattern(needle);
    if (pattern.in(hay, from) != plainFind(hay, needle, from)) std::abort();
    // With the end mark: the hay ends at its first 26 at or after from.
    const qsizetype start = std::min(from, hay.size());
    const qsizetype mark = hay.sliced(start).indexOf('\x1A');
    const qsizetype end = mark < 0 ? hay.size() : start + mark;
    const qsizetype expected = plainFind(hay.first(end), needle, from);
    const core::BytePattern::Tallied r = pattern.inCountingLines(hay, from, 26);
    if (r.at != expected) std::abort();
    qsizetype ends = 0; // each CR, and each LF not right after a CR (from counts as a start)
    for (qsizetype i = start; i < r.at; ++i)
        ends += hay[i] == '\r' || (hay[i] == '\n' && (i == start || hay[i - 1] != '\r'));
    if (r.at >= 0 && r.tally != ends) std::abort();
    return 0;
}

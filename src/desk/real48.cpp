#include "real48.h"
#include "core/errors.h"

#include <cmath>

namespace desk {

namespace {
constexpr long double kMantissaScale = 549755813888.0L; // 2^39
}

Real48 Real48::fromLongDouble(long double v) {
    Real48 r;
    if (std::isnan(v)) throw core::FloatError(core::FloatError::Invalid);
    if (std::isinf(v)) throw core::FloatError(core::FloatError::Overflow);
    if (v == 0) return r;
    const bool negative = v < 0;
    int e2 = 0;
    const long double fraction = std::frexp(std::fabs(v), &e2); // in [0.5, 1)
    long double scaled = (fraction * 2 - 1) * kMantissaScale;
    uint64_t mantissa = uint64_t(std::floor(scaled + 0.5L)); // half away from zero
    int exponent = e2 + 128;
    if (mantissa >= uint64_t(1) << 39) {
        mantissa = 0;
        ++exponent;
    }
    if (exponent <= 0) return r; // below the smallest value: 0
    if (exponent > 255) throw core::FloatError(core::FloatError::Overflow);
    r.m_bytes[0] = uint8_t(exponent);
    for (int i = 1; i <= 5; ++i)
        r.m_bytes[i] = uint8_t(mantissa >> (8 * (i - 1)) & 0xFF);
    if (negative) r.m_bytes[5] |= 0x80;
    return r;
}

Real48 Real48::fromBytes(const std::array<uint8_t, 6>& bytes) {
    Real48 r;
    r.m_bytes = bytes;
    return r;
}

long double Real48::value() const {
    if (m_bytes[0] == 0) return 0;
    uint64_t mantissa = 0;
    for (int i = 5; i >= 1; --i)
        mantissa = mantissa << 8 | (i == 5 ? m_bytes[i] & 0x7F : m_bytes[i]);
    const long double v = std::ldexp(1 + mantissa / kMantissaScale, int(m_bytes[0]) - 129);
    return (m_bytes[5] & 0x80) ? -v : v;
}

long double Real48::maxValue() {
    return std::ldexp(2 - 1 / kMantissaScale, 126);
}
long double Real48::minValue() {
    return std::ldexp(1.0L, -128);
}

} // namespace desk

#pragma once
// The 48-bit real: byte 0 the exponent (bias 129, 0 for the value 0), bytes
// 1 to 5 a 39-bit mantissa below an implicit 1, least significant byte
// first, and the sign in the top bit of byte 5. Values are kept in this
// form between operations; arithmetic runs on long double.

#include <array>
#include <cstdint>

namespace desk {

class Real48 {
  public:
    Real48() { m_bytes.fill(0); }
    // Rounds to nearest on the 39-bit mantissa, a half away from zero; too
    // small gives 0, too large throws core::FloatError(Overflow).
    static Real48 fromLongDouble(long double value);
    static Real48 fromBytes(const std::array<uint8_t, 6>& bytes);

    long double value() const;
    const std::array<uint8_t, 6>& bytes() const { return m_bytes; }
    bool operator==(const Real48& o) const { return m_bytes == o.m_bytes; }

    static long double maxValue();
    static long double minValue();

  private:
    std::array<uint8_t, 6> m_bytes;
};

} // namespace desk

// Splits a fuzz input into typed values: byte strings from the front,
// integers from the back, so a change to one value leaves the others alone.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

class DataProvider {
  public:
    DataProvider(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t remaining_bytes() const { return size_; }

    template <typename T> std::vector<T> ConsumeBytes(size_t count) {
        count = std::min(count, size_);
        std::vector<T> out(data_, data_ + count);
        data_ += count;
        size_ -= count;
        return out;
    }

    // A value in [min, max], read big-end first from the last bytes.
    template <typename T> T ConsumeIntegralInRange(T min, T max) {
        static_assert(std::is_integral_v<T>);
        if (min >= max) return min;
        using U = std::make_unsigned_t<T>;
        const uint64_t range = uint64_t(U(max) - U(min));
        uint64_t result = 0;
        for (size_t bits = 0; bits < sizeof(T) * 8 && (range >> bits) > 0 && size_ > 0; bits += 8) {
            result = (result << 8) | data_[size_ - 1];
            --size_;
        }
        if (range != UINT64_MAX) result %= range + 1;
        return T(U(min) + U(result));
    }

  private:
    const uint8_t* data_;
    size_t size_;
};

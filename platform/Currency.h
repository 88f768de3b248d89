#pragma once
// Currency values: a signed 64-bit integer counting ten-thousandths, four decimals exact.

#include <compare>
#include <cstdint>

namespace tarrow {

struct TCurrency {
    static constexpr std::int64_t kScale = 10000;

    std::int64_t Scaled = 0;  // value * 10000

    static constexpr TCurrency FromScaled(std::int64_t scaled) { return TCurrency{scaled}; }
    constexpr double ToDouble() const { return static_cast<double>(Scaled) / kScale; }

    friend constexpr auto operator<=>(const TCurrency&, const TCurrency&) = default;
};

}  // namespace tarrow

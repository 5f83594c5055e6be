// The framework's currency: a fixed-point number with four decimals, kept as
// a 64-bit integer scaled by 10000, so that sums of money do not drift.
#pragma once
#include <compare>
#include <cstdint>

namespace fw {

struct Currency {
  static constexpr std::int64_t Scale = 10000;
  std::int64_t Scaled = 0;

  constexpr Currency() = default;
  static constexpr Currency FromScaled(std::int64_t v) {
    Currency c;
    c.Scaled = v;
    return c;
  }
  // Rounds to four decimals, halves away from zero; raises EConvertError when
  // the value lies outside the range of a currency.
  static Currency FromDouble(double v);
  constexpr double ToDouble() const { return static_cast<double>(Scaled) / Scale; }

  constexpr auto operator<=>(const Currency&) const = default;
};

}  // namespace fw

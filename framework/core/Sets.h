// Small set type over an enumeration, so that framework sets read as they do
// in the design: TFlags<TShiftStateItem>{ssShift, ssCtrl}, s.Contains(ssAlt).
#pragma once
#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace fw {

template <typename E>
class TFlags {
  static_assert(std::is_enum_v<E>, "TFlags is a set over an enumeration");

public:
  using Bits = std::uint64_t;

  constexpr TFlags() = default;
  constexpr TFlags(E e) : bits_(Bit(e)) {}
  constexpr TFlags(std::initializer_list<E> items) {
    for (E e : items) bits_ |= Bit(e);
  }
  static constexpr TFlags FromBits(Bits b) {
    TFlags f;
    f.bits_ = b;
    return f;
  }

  constexpr Bits ToBits() const { return bits_; }
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TFlags& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TFlags& Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }

  constexpr TFlags operator+(TFlags o) const { return FromBits(bits_ | o.bits_); }
  constexpr TFlags operator-(TFlags o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TFlags operator*(TFlags o) const { return FromBits(bits_ & o.bits_); }
  constexpr TFlags& operator+=(TFlags o) {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr TFlags& operator-=(TFlags o) {
    bits_ &= ~o.bits_;
    return *this;
  }
  constexpr bool operator==(const TFlags& o) const = default;
  // a <= b: every member of a is in b
  constexpr bool operator<=(TFlags o) const { return (bits_ & ~o.bits_) == 0; }

private:
  static constexpr Bits Bit(E e) { return Bits{1} << static_cast<unsigned>(e); }
  Bits bits_ = 0;
};

// "e in s" as the design writes it.
template <typename E>
constexpr bool In(E e, TFlags<E> s) {
  return s.Contains(e);
}

}  // namespace fw

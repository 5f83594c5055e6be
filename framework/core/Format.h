// Format as the framework has it: Format("%s has %d rows", {name, n}).
//
// A directive is "%" [index ":"] ["-"] [width] ["." precision] type, where
// index, width and precision may be "*" to take them from the arguments, and
// type is one of
//   d  decimal integer; the precision is the least number of digits
//   u  unsigned decimal integer
//   x  hexadecimal integer (upper case, also for "%x")
//   e  scientific, the precision the number of digits (default 15)
//   f  fixed, the precision the number of decimals (default 2)
//   g  the shortest of fixed and scientific, with the precision's digits
//   n  as f, with thousand separators
//   m  money: the currency string and formats of the locale settings
//   p  pointer
//   s  text (also a single char); the precision cuts it
// An index sets the argument of this directive; the next ones go on from it.
// A directive that does not match its argument, a missing argument or a bad
// directive raises EConvertError "Format '...' invalid or incompatible with
// argument". Integers are never taken for f, e, g, n or m, nor floating point
// numbers for d: the argument's kind must fit.
#pragma once
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "Currency.h"
#include "DateTime.h"

namespace fw {

// One argument of Format. Texts are held by reference: a TVarRec lives only
// as long as the call it is passed to.
struct TVarRec {
  enum TKind { vtInteger, vtInt64, vtBoolean, vtChar, vtExtended, vtString, vtPointer, vtCurrency };

  TKind Kind = vtInteger;
  bool Unsigned = false;    // an integer of an unsigned type
  std::uint64_t Bits = 0;   // the integer, as the bits of its 64-bit form
  double Extended = 0;
  Currency Curr;
  bool Boolean = false;
  char Char = 0;
  std::string_view String;
  const void* Pointer = nullptr;

  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  TVarRec(T v)
      : Kind(sizeof(T) <= 4 && std::is_signed_v<T> ? vtInteger : vtInt64),
        Unsigned(std::is_unsigned_v<T>),
        Bits(static_cast<std::uint64_t>(v)) {}
  TVarRec(bool v) : Kind(vtBoolean), Boolean(v) {}
  TVarRec(char v) : Kind(vtChar), Char(v) {}
  TVarRec(double v) : Kind(vtExtended), Extended(v) {}
  TVarRec(float v) : Kind(vtExtended), Extended(v) {}
  TVarRec(long double v) : Kind(vtExtended), Extended(static_cast<double>(v)) {}
  TVarRec(TDateTime v) : Kind(vtExtended), Extended(v.Value) {}
  TVarRec(Currency v) : Kind(vtCurrency), Curr(v) {}
  TVarRec(const char* v) : Kind(vtString), String(v ? std::string_view(v) : std::string_view()) {}
  TVarRec(const std::string& v) : Kind(vtString), String(v) {}
  TVarRec(std::string_view v) : Kind(vtString), String(v) {}
  TVarRec(std::nullptr_t) : Kind(vtPointer) {}
  template <typename T>
    requires(!std::same_as<std::remove_cv_t<T>, char>)
  TVarRec(T* v) : Kind(vtPointer), Pointer(v) {}
};

std::string Format(std::string_view pattern, std::initializer_list<TVarRec> args);

}  // namespace fw

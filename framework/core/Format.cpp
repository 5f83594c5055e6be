#include "Format.h"

#include <cstdio>

#include "Exceptions.h"
#include "Text.h"

namespace fw {

namespace {

constexpr long kMaxNumber = 1000000;  // no width, precision or index is larger

[[noreturn]] void Invalid(std::string_view pattern) {
  throw EConvertError("Format '" + std::string(pattern) + "' invalid or incompatible with argument");
}

bool IsNegative(const TVarRec& a) {
  if (a.Unsigned) return false;
  return a.Kind == TVarRec::vtInteger ? static_cast<std::int32_t>(a.Bits) < 0 : static_cast<std::int64_t>(a.Bits) < 0;
}

// The magnitude of an integer argument; `asUnsigned` reads a negative one as
// the unsigned number of its width.
std::uint64_t Magnitude(const TVarRec& a, bool asUnsigned) {
  if (asUnsigned) return a.Kind == TVarRec::vtInteger ? static_cast<std::uint32_t>(a.Bits) : a.Bits;
  return IsNegative(a) ? 0 - a.Bits : a.Bits;
}

bool IsInteger(const TVarRec& a) { return a.Kind == TVarRec::vtInteger || a.Kind == TVarRec::vtInt64; }

double FloatOf(const TVarRec& a) { return a.Kind == TVarRec::vtCurrency ? a.Curr.ToDouble() : a.Extended; }

std::string Padded(std::string s, int width, bool left) {
  int n = static_cast<int>(CharLength(s));
  if (width <= n) return s;
  std::string pad(static_cast<std::size_t>(width - n), ' ');
  return left ? s + pad : pad + s;
}

}  // namespace

std::string Format(std::string_view pattern, std::initializer_list<TVarRec> list) {
  const TVarRec* args = list.begin();
  const int count = static_cast<int>(list.size());
  std::string out;
  int next = 0;  // the argument of the next directive without an index
  auto take = [&]() -> const TVarRec& {
    if (next >= count) Invalid(pattern);
    return args[next++];
  };
  // A number of the directive, or "*" for the next argument.
  auto number = [&](std::size_t& i, int& value) -> bool {
    if (i < pattern.size() && pattern[i] == '*') {
      const TVarRec& a = take();
      if (!IsInteger(a)) Invalid(pattern);
      auto v = static_cast<std::int64_t>(a.Bits);
      if (a.Kind == TVarRec::vtInteger) v = static_cast<std::int32_t>(a.Bits);
      if (v > kMaxNumber || v < -kMaxNumber) Invalid(pattern);
      value = static_cast<int>(v);
      ++i;
      return true;
    }
    if (i >= pattern.size() || pattern[i] < '0' || pattern[i] > '9') return false;
    long v = 0;
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
      v = v * 10 + (pattern[i++] - '0');
      if (v > kMaxNumber) Invalid(pattern);
    }
    value = static_cast<int>(v);
    return true;
  };

  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c != '%') {
      out += c;
      continue;
    }
    ++i;
    if (i >= pattern.size()) Invalid(pattern);
    if (pattern[i] == '%') {
      out += '%';
      continue;
    }
    int n = 0;
    bool left = false;
    int width = 0, prec = -1;
    bool gotWidth = false;
    if (number(i, n)) {
      if (i < pattern.size() && pattern[i] == ':') {
        if (n < 0) Invalid(pattern);
        next = n;
        ++i;
      } else {
        width = n;
        gotWidth = true;
      }
    }
    if (!gotWidth) {
      if (i < pattern.size() && pattern[i] == '-') {
        left = true;
        ++i;
      }
      number(i, width);
    }
    if (width < 0) {  // "*" gave a negative width: justify to the left
      left = true;
      width = -width;
    }
    if (i < pattern.size() && pattern[i] == '.') {
      ++i;
      if (!number(i, prec)) prec = 0;
    }
    if (i >= pattern.size()) Invalid(pattern);
    char type = pattern[i];
    if (type >= 'A' && type <= 'Z') type = static_cast<char>(type + 32);
    const TVarRec& a = take();
    std::string s;
    switch (type) {
      case 'd':
      case 'u': {
        if (!IsInteger(a)) Invalid(pattern);
        bool neg = type == 'd' && IsNegative(a);
        s = std::to_string(Magnitude(a, type == 'u'));
        if (prec > static_cast<int>(s.size())) s.insert(0, static_cast<std::size_t>(prec) - s.size(), '0');
        if (neg) s.insert(0, 1, '-');
        break;
      }
      case 'x': {
        if (!IsInteger(a)) Invalid(pattern);
        s = UIntToHex(Magnitude(a, true), prec);
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        if (a.Kind != TVarRec::vtExtended && a.Kind != TVarRec::vtCurrency) Invalid(pattern);
        double v = FloatOf(a);
        if (type == 'e') s = FloatToStrF(v, ffExponent, prec < 0 ? 15 : prec, 3);
        else if (type == 'g') s = FloatToStrF(v, ffGeneral, prec < 0 ? 15 : prec, 3);
        else if (type == 'f') s = FloatToStrF(v, ffFixed, 18, prec < 0 ? 2 : prec);
        else if (type == 'n') s = FloatToStrF(v, ffNumber, 18, prec < 0 ? 2 : prec);
        else s = FloatToStrF(v, ffCurrency, 18, prec < 0 ? CurrencyDecimals : prec);
        break;
      }
      case 'p': {
        if (a.Kind != TVarRec::vtPointer) Invalid(pattern);
        s = UIntToHex(reinterpret_cast<std::uintptr_t>(a.Pointer), static_cast<int>(sizeof(void*) * 2));
        break;
      }
      case 's': {
        if (a.Kind == TVarRec::vtString) s = std::string(a.String);
        else if (a.Kind == TVarRec::vtChar) s = std::string(1, a.Char);
        else Invalid(pattern);
        if (prec >= 0 && prec < static_cast<int>(s.size())) s.resize(CharOffset(s, static_cast<std::size_t>(prec)));
        break;
      }
      default:
        Invalid(pattern);
    }
    out += Padded(std::move(s), width, left);
  }
  return out;
}

}  // namespace fw

#include "Text.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "Exceptions.h"

namespace fw {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

template <typename Fold>
int CompareChars(std::string_view a, std::string_view b, Fold fold) {
  TChars x = Utf8ToChars(a), y = Utf8ToChars(b);
  std::size_t n = std::min(x.size(), y.size());
  for (std::size_t i = 0; i < n; ++i) {
    TChar p = fold(x[i]), q = fold(y[i]);
    if (p != q) return p < q ? -1 : 1;
  }
  return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

}  // namespace

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

// Plain ASCII folds byte for byte: no decode, no locale.
std::string AnsiUpperCase(std::string_view s) {
  if (IsAscii(s)) return UpperCase(s);
  TChars c = Utf8ToChars(s);
  for (TChar& ch : c) ch = CharUpper(ch);
  return CharsToUtf8(c);
}

std::string AnsiLowerCase(std::string_view s) {
  if (IsAscii(s)) return LowerCase(s);
  TChars c = Utf8ToChars(s);
  for (TChar& ch : c) ch = CharLower(ch);
  return CharsToUtf8(c);
}

int CompareStr(std::string_view a, std::string_view b) {
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareText(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto p = static_cast<unsigned char>(AsciiUpper(a[i]));
    auto q = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (p != q) return p < q ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return CompareChars(a, b, [](TChar c) { return c; });
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  // Upper first, then lower: both sigmas and the like meet in one form.
  return CompareChars(a, b, [](TChar c) { return CharLower(CharUpper(c)); });
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b; }


// ---------------------------------------------------------------- 1-based helpers

namespace {

template <typename C>
int LengthOf(std::basic_string_view<C> s) {
  return static_cast<int>(std::min<std::size_t>(s.size(), INT_MAX));
}

template <typename C>
std::basic_string<C> CopyOf(std::basic_string_view<C> s, int index, int count) {
  if (index < 1) index = 1;
  int len = LengthOf(s);
  if (index > len || count < 1) return {};
  int n = std::min(count, len - index + 1);
  return std::basic_string<C>(s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(n)));
}

template <typename C>
int PosOf(std::basic_string_view<C> sub, std::basic_string_view<C> s, int offset) {
  if (sub.empty() || offset < 1 || offset > LengthOf(s)) return 0;
  auto p = s.find(sub, static_cast<std::size_t>(offset - 1));
  return p == std::basic_string_view<C>::npos ? 0 : static_cast<int>(p) + 1;
}

template <typename C>
void DeleteOf(std::basic_string<C>& s, int index, int count) {
  int len = static_cast<int>(s.size());
  if (index < 1 || index > len || count < 1) return;
  s.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(std::min(count, len - index + 1)));
}

template <typename C>
void InsertOf(std::basic_string_view<C> sub, std::basic_string<C>& s, int index) {
  if (index < 1) index = 1;
  std::size_t at = std::min(static_cast<std::size_t>(index - 1), s.size());
  s.insert(at, sub);
}

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

int Length(std::string_view s) { return LengthOf(s); }
std::string Copy(std::string_view s, int index, int count) { return CopyOf(s, index, count); }
int Pos(std::string_view sub, std::string_view s) { return PosOf(sub, s, 1); }
int PosEx(std::string_view sub, std::string_view s, int offset) { return PosOf(sub, s, offset); }
void Delete(std::string& s, int index, int count) { DeleteOf(s, index, count); }
void Insert(std::string_view sub, std::string& s, int index) { InsertOf(sub, s, index); }
std::string StringOfChar(char c, int count) { return count > 0 ? std::string(static_cast<std::size_t>(count), c) : std::string(); }

int Length(std::u32string_view s) { return LengthOf(s); }
TChars Copy(std::u32string_view s, int index, int count) { return CopyOf(s, index, count); }
int Pos(std::u32string_view sub, std::u32string_view s) { return PosOf(sub, s, 1); }
int PosEx(std::u32string_view sub, std::u32string_view s, int offset) { return PosOf(sub, s, offset); }
void Delete(TChars& s, int index, int count) { DeleteOf(s, index, count); }
void Insert(std::u32string_view sub, TChars& s, int index) { InsertOf(sub, s, index); }
TChars StringOfChar(TChar c, int count) { return count > 0 ? TChars(static_cast<std::size_t>(count), c) : TChars(); }

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlankByte(s[i])) ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlankByte(s[n - 1])) --n;
  return std::string(s.substr(0, n));
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string r(1, quote);
  for (char c : s) {
    r += c;
    if (c == quote) r += c;
  }
  r += quote;
  return r;
}

std::string AnsiExtractQuotedStr(std::string_view& src, char quote) {
  if (src.empty() || src[0] != quote) return {};
  std::string r;
  std::size_t i = 1;
  while (i < src.size()) {
    if (src[i] == quote) {
      if (i + 1 < src.size() && src[i + 1] == quote) {
        r += quote;
        i += 2;
        continue;
      }
      ++i;
      src.remove_prefix(i);
      return r;
    }
    r += src[i++];
  }
  src.remove_prefix(src.size());
  return r;
}

std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags) {
  if (oldPattern.empty()) return std::string(s);
  bool all = flags.Contains(rfReplaceAll);
  if (!flags.Contains(rfIgnoreCase)) {
    std::string r;
    std::size_t from = 0;
    while (true) {
      std::size_t p = s.find(oldPattern, from);
      if (p == std::string_view::npos) break;
      r.append(s.substr(from, p - from)).append(newPattern);
      from = p + oldPattern.size();
      if (!all) break;
    }
    r.append(s.substr(from));
    return r;
  }
  // Case mapping can change the length of a character's bytes: search the
  // upper-cased characters and cut the original ones at the same places.
  TChars text = Utf8ToChars(s), upper = text, pat = Utf8ToChars(oldPattern);
  for (TChar& c : upper) c = CharUpper(c);
  for (TChar& c : pat) c = CharUpper(c);
  std::string r;
  std::size_t from = 0;
  while (true) {
    std::size_t p = upper.find(pat, from);
    if (p == TChars::npos) break;
    r.append(CharsToUtf8(std::u32string_view(text).substr(from, p - from))).append(newPattern);
    from = p + pat.size();
    if (!all) break;
  }
  r.append(CharsToUtf8(std::u32string_view(text).substr(from)));
  return r;
}

std::string AdjustLineBreaks(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r' || c == '\n') {
      if (i + 1 < s.size() && (s[i + 1] == '\r' || s[i + 1] == '\n') && s[i + 1] != c) ++i;
      r += "\r\n";
    } else {
      r += c;
    }
  }
  return r;
}

namespace {
// Byte index (0-based) of each character of s that is one of the delimiters.
template <typename F>
void ForEachDelimiter(std::string_view delimiters, std::string_view s, F f) {
  TChars delims = Utf8ToChars(delimiters);
  for (std::size_t i = 0; i < s.size();) {
    std::size_t start = i;
    std::size_t next = CharOffset(s.substr(i), 1) + i;
    TChars c = Utf8ToChars(s.substr(start, next - start));
    if (!c.empty() && delims.find(c[0]) != TChars::npos) f(start);
    i = next;
  }
}
}  // namespace

bool IsDelimiter(std::string_view delimiters, std::string_view s, int index) {
  if (index < 1 || index > Length(s)) return false;
  bool found = false;
  ForEachDelimiter(delimiters, s, [&](std::size_t at) { found |= at == static_cast<std::size_t>(index - 1); });
  return found;
}

int LastDelimiter(std::string_view delimiters, std::string_view s) {
  int last = 0;
  ForEachDelimiter(delimiters, s, [&](std::size_t at) { last = static_cast<int>(at) + 1; });
  return last;
}

int AnsiPos(std::string_view sub, std::string_view s) { return Pos(sub, s); }

char UpCase(char c) { return AsciiUpper(c); }

// ---------------------------------------------------------------- integers

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::string UIntToHex(std::uint64_t value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(value));
  std::string r(buf);
  if (digits > static_cast<int>(r.size())) r.insert(0, static_cast<std::size_t>(digits) - r.size(), '0');
  return r;
}

namespace {

// Reads [blanks][sign]digits or [blanks][sign]$hex / 0xhex. Hexadecimal gives
// the bits of an unsigned number of `bits` width.
bool ParseInteger(std::string_view s, int bits, std::int64_t& out) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  std::uint64_t v = 0;
  const std::uint64_t limit = bits == 32 ? 0xFFFFFFFFull : ~0ull;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    unsigned base = hex ? 16 : 10;
    if (v > (limit - static_cast<unsigned>(d)) / base) return false;
    v = v * base + static_cast<unsigned>(d);
  }
  if (hex) {
    std::int64_t x = bits == 32 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(v)) : static_cast<std::int64_t>(v);
    // The bits of the 64-bit minimum negate to themselves.
    out = neg && x != std::numeric_limits<std::int64_t>::min() ? -x : x;
    return true;
  }
  const std::uint64_t max = bits == 32 ? 0x7FFFFFFFull : 0x7FFFFFFFFFFFFFFFull;
  if (v > max + (neg ? 1 : 0)) return false;
  out = neg ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
  return true;
}

[[noreturn]] void InvalidInteger(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt(std::string_view s, int& value) {
  std::int64_t v;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<int>(v);
  return true;
}

bool TryStrToInt64(std::string_view s, std::int64_t& value) { return ParseInteger(s, 64, value); }

int StrToInt(std::string_view s) {
  int v;
  if (!TryStrToInt(s, v)) InvalidInteger(s);
  return v;
}

std::int64_t StrToInt64(std::string_view s) {
  std::int64_t v;
  if (!TryStrToInt64(s, v)) InvalidInteger(s);
  return v;
}

int StrToIntDef(std::string_view s, int defaultValue) {
  int v;
  return TryStrToInt(s, v) ? v : defaultValue;
}

std::int64_t StrToInt64Def(std::string_view s, std::int64_t defaultValue) {
  std::int64_t v;
  return TryStrToInt64(s, v) ? v : defaultValue;
}

// ---------------------------------------------------------------- floating point

namespace {

constexpr int kDoubleDigits = 15;  // the digits of a double that are sure
constexpr int kNoLimit = 9999;

// value = 0.Digits * 10^Exponent; Digits has no trailing zeros and is empty
// for zero.
struct TFloatRec {
  int Exponent = 0;
  bool Negative = false;
  std::string Digits;
};

// Keeps the first `keep` digits, rounding half up; the exponent grows when
// the rounding carries over the first digit.
void RoundDigits(std::string& digits, int& exp, int keep) {
  if (keep < 0) {
    digits.clear();
    return;
  }
  if (keep >= static_cast<int>(digits.size())) return;
  bool up = digits[static_cast<std::size_t>(keep)] >= '5';
  digits.resize(static_cast<std::size_t>(keep));
  if (!up) return;
  int i = keep - 1;
  while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
  if (i >= 0) {
    ++digits[static_cast<std::size_t>(i)];
  } else {
    digits.insert(digits.begin(), '1');
    ++exp;
  }
}

// The digits of a (positive) value that is an integer of at most 15 digits
// over 10^k, k up to 4, without trailing zeros: checked to read back as the
// value, so the decimal is the value's own and not a neighbour's.
bool FewDecimals(double a, std::string& digits, int& exp) {
  static constexpr double kScale[] = {1, 10, 100, 1000, 10000};
  for (int k = 0; k < 5; ++k) {
    double scaled = a * kScale[k];
    if (!(scaled < 1e15)) return false;
    if (scaled != std::floor(scaled) || scaled / kScale[k] != a) continue;
    char buf[24];
    char* end = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(scaled)).ptr;
    exp = static_cast<int>(end - buf) - k;
    while (end > buf + 1 && end[-1] == '0') --end;
    digits.assign(buf, end);
    return true;
  }
  return false;
}

// Rounds |value| to `precision` significant digits and then to `decimals`
// places, halves away from zero both times.
TFloatRec FloatToDecimal(double value, int precision, int decimals) {
  TFloatRec r;
  if (value == 0) return r;
  precision = std::clamp(precision, 1, kDoubleDigits);
  std::string digits;
  int exp = 1;
  auto scientific = [&](auto... digitsAfterPoint) {
    char buf[64];
    auto end = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific,
                             digitsAfterPoint...)
                   .ptr;
    *end = '\0';
    digits.clear();
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
      if (*p >= '0' && *p <= '9') digits += *p;
    exp = *p == 'e' ? std::atoi(p + 1) + 1 : 1;
  };
  // A decimal of at most `precision` digits that reads back as the value is
  // what rounding the value to that precision gives (a double keeps 15
  // digits). Found from an integer for a value with a few decimals, as money
  // and measures have, else from the value's shortest text; only when neither
  // fits are all the value's digits needed, as printf's "%.16e" gives them.
  auto fits = [&] { return static_cast<int>(digits.size()) <= precision; };
  if (!FewDecimals(std::fabs(value), digits, exp) || !fits()) {
    scientific();
    if (!fits()) scientific(16);
  }
  RoundDigits(digits, exp, precision);
  if (decimals < kNoLimit) RoundDigits(digits, exp, exp + decimals);
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return r;
  r.Digits = digits;
  r.Exponent = exp;
  r.Negative = value < 0;
  return r;
}

char DigitAt(const TFloatRec& r, int i) {  // i-th digit from 0, zero past the end
  return i >= 0 && i < static_cast<int>(r.Digits.size()) ? r.Digits[static_cast<std::size_t>(i)] : '0';
}

std::string Grouped(const std::string& intPart, bool thousands) {
  if (!thousands || ThousandSeparator == 0) return intPart;
  std::string r;
  int n = static_cast<int>(intPart.size());
  for (int i = 0; i < n; ++i) {
    r += intPart[static_cast<std::size_t>(i)];
    int left = n - i - 1;
    if (left > 0 && left % 3 == 0) r += ThousandSeparator;
  }
  return r;
}

// Digits of the integer part and `decimals` fraction digits.
std::string FixedText(const TFloatRec& r, int decimals, bool thousands) {
  std::string ip;
  for (int i = 0; i < r.Exponent; ++i) ip += DigitAt(r, i);
  if (ip.empty()) ip = "0";
  std::string s = Grouped(ip, thousands);
  if (decimals > 0) {
    s += DecimalSeparator;
    for (int i = 0; i < decimals; ++i) s += DigitAt(r, r.Exponent + i);
  }
  return s;
}

std::string ExponentText(int exp, int minDigits, bool plus) {
  std::string s = exp < 0 ? "-" : (plus ? "+" : "");
  std::string d = std::to_string(exp < 0 ? -exp : exp);
  if (static_cast<int>(d.size()) < minDigits) d.insert(0, static_cast<std::size_t>(minDigits) - d.size(), '0');
  return s + d;
}

std::string ExponentForm(const TFloatRec& r, int precision, int expDigits) {
  std::string s(1, DigitAt(r, 0));
  if (precision > 1) {
    s += DecimalSeparator;
    for (int i = 1; i < precision; ++i) s += DigitAt(r, i);
  }
  int exp = r.Digits.empty() ? 0 : r.Exponent - 1;
  return s + "E" + ExponentText(exp, std::clamp(expDigits, 0, 4), true);
}

std::string Signed(const TFloatRec& r, std::string s) { return r.Negative ? "-" + s : s; }

std::string CurrencyText(const TFloatRec& r, int decimals) {
  std::string n = FixedText(r, decimals, true);
  const std::string& c = CurrencyString;
  if (!r.Negative) {
    switch (CurrencyFormat) {
      case 1: return n + c;
      case 2: return c + " " + n;
      case 3: return n + " " + c;
      default: return c + n;
    }
  }
  switch (NegCurrFormat) {
    case 1: return "-" + c + n;
    case 2: return c + "-" + n;
    case 3: return c + n + "-";
    case 4: return "(" + n + c + ")";
    case 5: return "-" + n + c;
    case 6: return n + "-" + c;
    case 7: return n + c + "-";
    case 8: return "-" + n + " " + c;
    case 9: return "-" + c + " " + n;
    case 10: return n + " " + c + "-";
    case 11: return c + " " + n + "-";
    case 12: return c + " -" + n;
    case 13: return n + "- " + c;
    case 14: return "(" + c + " " + n + ")";
    case 15: return "(" + n + " " + c + ")";
    default: return "(" + c + n + ")";
  }
}

std::string SpecialText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  if (!std::isfinite(value)) return SpecialText(value);
  precision = std::clamp(precision, 1, 18);
  switch (format) {
    case ffExponent: {
      TFloatRec r = FloatToDecimal(value, precision, kNoLimit);
      return Signed(r, ExponentForm(r, precision, digits));
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      TFloatRec r = FloatToDecimal(value, precision, digits);
      if (r.Exponent > precision) {
        TFloatRec e = FloatToDecimal(value, precision, kNoLimit);
        return Signed(e, ExponentForm(e, precision, 3));
      }
      if (format == ffCurrency) return CurrencyText(r, digits);
      return Signed(r, FixedText(r, digits, format == ffNumber));
    }
    case ffGeneral:
    default: {
      TFloatRec r = FloatToDecimal(value, precision, kNoLimit);
      if (r.Digits.empty()) return "0";
      int n = static_cast<int>(r.Digits.size());
      std::string s;
      if (r.Exponent > precision || r.Exponent < -3) {
        s = r.Digits.substr(0, 1);
        if (n > 1) s += DecimalSeparator + r.Digits.substr(1);
        s += "E" + ExponentText(r.Exponent - 1, std::clamp(digits, 0, 4), false);
      } else if (r.Exponent <= 0) {
        s = "0";
        s += DecimalSeparator;
        s += std::string(static_cast<std::size_t>(-r.Exponent), '0') + r.Digits;
      } else {
        for (int i = 0; i < r.Exponent; ++i) s += DigitAt(r, i);
        if (n > r.Exponent) s += DecimalSeparator + r.Digits.substr(static_cast<std::size_t>(r.Exponent));
      }
      return Signed(r, s);
    }
  }
}

std::string FloatToStr(double value) { return FloatToStrF(value, ffGeneral, kDoubleDigits, 0); }

bool TryStrToFloat(std::string_view s, double& value) {
  std::size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  while (n > i && s[n - 1] == ' ') --n;
  std::string c;  // the number in the C library's notation
  if (i < n && (s[i] == '-' || s[i] == '+')) c += s[i++];
  int mantissa = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') c += s[i++], ++mantissa;
  if (i < n && s[i] == DecimalSeparator) {
    c += '.';
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') c += s[i++], ++mantissa;
  }
  if (mantissa == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < n && (s[i] == '-' || s[i] == '+')) c += s[i++];
    int e = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') c += s[i++], ++e;
    if (e == 0) return false;
  }
  if (i != n) return false;
  static locale_t classic = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  double v = strtod_l(c.c_str(), nullptr, classic);
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

double StrToFloat(std::string_view s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(std::string_view s, double defaultValue) {
  double v;
  return TryStrToFloat(s, v) ? v : defaultValue;
}

// ---------------------------------------------------------------- FormatFloat

namespace {

std::vector<std::string_view> FormatSections(std::string_view f) {
  std::vector<std::string_view> r;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' && r.size() < 2) {
      r.push_back(f.substr(start, i - start));
      start = i + 1;
    }
  }
  r.push_back(f.substr(start));
  return r;
}

struct TSectionInfo {
  int IntCount = 0;      // digit places before the decimal point
  int IntZeroFrom = 0;   // 1-based index of the first '0' among them; 0: none
  int FracCount = 0;     // digit places after it
  int FracZeroTo = 0;    // index of the last '0' after it
  bool Thousands = false;
  bool Scientific = false;
};

bool IsExponentAt(std::string_view f, std::size_t i) {
  return (f[i] == 'E' || f[i] == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-');
}

TSectionInfo ScanSection(std::string_view f) {
  TSectionInfo s;
  bool point = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c == '\'' || c == '"') {
      std::size_t e = f.find(c, i + 1);
      i = e == std::string_view::npos ? f.size() : e;
    } else if (c == '0' || c == '#') {
      if (point) {
        ++s.FracCount;
        if (c == '0') s.FracZeroTo = s.FracCount;
      } else {
        ++s.IntCount;
        if (c == '0' && s.IntZeroFrom == 0) s.IntZeroFrom = s.IntCount;
      }
    } else if (c == '.') {
      point = true;
    } else if (c == ',') {
      s.Thousands = true;
    } else if (!s.Scientific && IsExponentAt(f, i)) {
      s.Scientific = true;
      ++i;
      while (i + 1 < f.size() && f[i + 1] == '0') ++i;  // exponent digits, not places
    }
  }
  return s;
}

}  // namespace

std::string FormatFloat(std::string_view format, double value) {
  if (!std::isfinite(value) || format.empty()) return FloatToStr(value);
  std::vector<std::string_view> sections = FormatSections(format);
  auto has = [&](std::size_t i) { return i < sections.size() && !sections[i].empty(); };
  std::size_t sec = 0;
  if (value < 0 && has(1)) sec = 1;
  if (value == 0 && has(2)) sec = 2;

  TSectionInfo info;
  TFloatRec rec;
  auto prepare = [&] {
    info = ScanSection(sections[sec]);
    if (info.Scientific)
      rec = FloatToDecimal(value, std::max(1, info.IntCount + info.FracCount), kNoLimit);
    else
      rec = FloatToDecimal(value, kDoubleDigits, info.FracCount);
  };
  prepare();
  if (rec.Digits.empty() && sec != 2 && has(2)) {  // rounds to zero: the zero section
    sec = 2;
    prepare();
  }
  if (!info.Scientific && rec.Exponent > 18) return FloatToStr(value);

  // The digits to place, before and after the decimal point.
  std::string intDigits, fracDigits;
  int exponent = 0;
  if (info.Scientific) {
    for (int i = 0; i < info.IntCount; ++i) intDigits += DigitAt(rec, i);
    for (int i = 0; i < info.FracCount; ++i) fracDigits += DigitAt(rec, info.IntCount + i);
    if (!rec.Digits.empty()) exponent = rec.Exponent - info.IntCount;
  } else {
    for (int i = 0; i < rec.Exponent; ++i) intDigits += DigitAt(rec, i);
    for (int i = 0; i < info.FracCount; ++i) fracDigits += DigitAt(rec, rec.Exponent + i);
    int minInt = info.IntZeroFrom ? info.IntCount - info.IntZeroFrom + 1 : 0;
    if (static_cast<int>(intDigits.size()) < minInt)
      intDigits.insert(0, static_cast<std::size_t>(minInt) - intDigits.size(), '0');
  }
  while (static_cast<int>(fracDigits.size()) > info.FracZeroTo && fracDigits.back() == '0') fracDigits.pop_back();

  std::string out;
  // A single section shows the sign itself; a negative section shows its own.
  if (sec == 0 && rec.Negative) out += '-';
  std::string_view f = sections[sec];
  bool point = false, intDone = false;
  int intPlace = 0, fracPlace = 0;
  const int L = static_cast<int>(intDigits.size());
  auto putIntDigit = [&](int place) {  // place 1 = units
    out += intDigits[static_cast<std::size_t>(L - place)];
    if (info.Thousands && !info.Scientific && place > 1 && (place - 1) % 3 == 0 && ThousandSeparator)
      out += ThousandSeparator;
  };
  auto putAllInt = [&] {
    for (int p = L; p >= 1; --p) putIntDigit(p);
    intDone = true;
  };
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c == '\'' || c == '"') {
      std::size_t e = f.find(c, i + 1);
      std::size_t end = e == std::string_view::npos ? f.size() : e;
      out.append(f.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '0' || c == '#') {
      if (point) {
        if (fracPlace < static_cast<int>(fracDigits.size())) out += fracDigits[static_cast<std::size_t>(fracPlace)];
        ++fracPlace;
      } else {
        ++intPlace;
        int place = info.IntCount - intPlace + 1;
        if (intPlace == 1)
          for (int p = L; p > place; --p) putIntDigit(p);  // digits beyond the places go first
        if (place <= L) putIntDigit(place);
        if (intPlace == info.IntCount) intDone = true;
      }
    } else if (c == '.') {
      if (!point) {
        if (!intDone) putAllInt();
        if (!fracDigits.empty()) out += DecimalSeparator;
        point = true;
      }
    } else if (c == ',') {
      // a flag, shown as the separators themselves
    } else if (info.Scientific && IsExponentAt(f, i)) {
      if (!intDone) putAllInt();
      out += c;
      bool plus = f[i + 1] == '+';
      ++i;
      int minDigits = 0;
      while (i + 1 < f.size() && f[i + 1] == '0') ++i, ++minDigits;
      out += ExponentText(exponent, std::min(minDigits, 4), plus);
      info.Scientific = false;  // one exponent; a second "E+" is a literal
    } else {
      out += c;
    }
  }
  return out;
}

// ---------------------------------------------------------------- currency

Currency Currency::FromDouble(double v) {
  double scaled = std::round(v * static_cast<double>(Scale));
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2233720368547748e18)
    throw EConvertError(FloatToStr(v) + " is not a valid currency value");
  return FromScaled(static_cast<std::int64_t>(scaled));
}

std::string CurrToStr(Currency value) {
  std::uint64_t a = value.Scaled < 0 ? 0 - static_cast<std::uint64_t>(value.Scaled) : static_cast<std::uint64_t>(value.Scaled);
  std::string s = std::to_string(a / Currency::Scale);
  std::uint64_t frac = a % Currency::Scale;
  if (frac) {
    std::string f = std::to_string(frac);
    f.insert(0, 4 - f.size(), '0');
    while (f.back() == '0') f.pop_back();
    s += DecimalSeparator + f;
  }
  return value.Scaled < 0 ? "-" + s : s;
}

bool TryStrToCurr(std::string_view s, Currency& value) {
  double d;
  if (!TryStrToFloat(s, d)) return false;
  try {
    value = Currency::FromDouble(d);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

Currency StrToCurr(std::string_view s) {
  Currency c;
  if (!TryStrToCurr(s, c)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return c;
}

}  // namespace fw

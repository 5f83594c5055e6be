#include "Text.h"

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

std::string AnsiUpperCase(std::string_view s) {
  TChars c = Utf8ToChars(s);
  for (TChar& ch : c) ch = CharUpper(ch);
  return CharsToUtf8(c);
}

std::string AnsiLowerCase(std::string_view s) {
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
  return CompareChars(a, b, [](TChar c) { return CharLower(c); });
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b; }

}  // namespace fw

#include "Chars.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace fw {

namespace {

// The C library's wide-character tables under a UTF-8 locale of their own, so
// that the program's locale settings never change what a letter is.
locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!l) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
    return l;
  }();
  return loc;
}

constexpr TChar kEscapeBase = 0xDC00;

bool IsEscapedByte(TChar c) { return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF; }

// Decodes one character at s[i]; advances i.
TChar DecodeAt(std::string_view s, std::size_t& i) {
  auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  int len = 0;
  TChar c = 0;
  TChar min = 0;
  if ((b & 0xE0) == 0xC0) len = 2, c = b & 0x1F, min = 0x80;
  else if ((b & 0xF0) == 0xE0) len = 3, c = b & 0x0F, min = 0x800;
  else if ((b & 0xF8) == 0xF0) len = 4, c = b & 0x07, min = 0x10000;
  if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
    ++i;
    return kEscapeBase + b;
  }
  for (int k = 1; k < len; ++k) {
    auto cb = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((cb & 0xC0) != 0x80) {
      ++i;
      return kEscapeBase + b;
    }
    c = (c << 6) | (cb & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return kEscapeBase + b;
  }
  i += static_cast<std::size_t>(len);
  return c;
}

void Encode(TChar c, std::string& out) {
  if (IsEscapedByte(c)) {
    out += static_cast<char>(c - kEscapeBase);
  } else if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += "\xEF\xBF\xBD";  // not a character: the replacement mark
  }
}

}  // namespace

TChars Utf8ToChars(std::string_view s) {
  TChars out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) out += DecodeAt(s, i);
  return out;
}

std::string CharsToUtf8(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (TChar c : s) Encode(c, out);
  return out;
}

std::string CharToUtf8(TChar c) {
  std::string out;
  Encode(c, out);
  return out;
}

std::size_t CharLength(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++n) DecodeAt(s, i);
  return n;
}

std::size_t CharOffset(std::string_view s, std::size_t index) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < index && i < s.size(); ++n) DecodeAt(s, i);
  return i;
}

bool IsLetter(TChar c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (IsEscapedByte(c)) return false;
  return iswalpha_l(static_cast<wint_t>(c), Utf8Locale()) != 0;
}

bool IsDigit(TChar c) { return c >= '0' && c <= '9'; }
bool IsAlphaNumeric(TChar c) { return IsLetter(c) || IsDigit(c); }

bool IsSpace(TChar c) {
  if (c < 0x80) return c == ' ' || (c >= 9 && c <= 13);
  if (IsEscapedByte(c)) return false;
  return iswspace_l(static_cast<wint_t>(c), Utf8Locale()) != 0;
}

bool IsUpper(TChar c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z';
  if (IsEscapedByte(c)) return false;
  return iswupper_l(static_cast<wint_t>(c), Utf8Locale()) != 0;
}

bool IsLower(TChar c) {
  if (c < 0x80) return c >= 'a' && c <= 'z';
  if (IsEscapedByte(c)) return false;
  return iswlower_l(static_cast<wint_t>(c), Utf8Locale()) != 0;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

TChar CharUpper(TChar c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (IsEscapedByte(c)) return c;
  return static_cast<TChar>(towupper_l(static_cast<wint_t>(c), Utf8Locale()));
}

TChar CharLower(TChar c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (IsEscapedByte(c)) return c;
  return static_cast<TChar>(towlower_l(static_cast<wint_t>(c), Utf8Locale()));
}

}  // namespace fw

// Characters of UTF-8 text: the one place that decodes and encodes them and
// knows letters, digits and case for every character, not only ASCII.
// Routines that work character by character decode to TChars, work on it,
// and encode the result.
#pragma once
#include <string>
#include <string_view>

namespace fw {

using TChar = char32_t;
using TChars = std::u32string;

// Bytes that are not valid UTF-8 decode to U+DC80..U+DCFF and encode back to
// the same bytes, so a round trip never changes a text.
TChars Utf8ToChars(std::string_view s);
std::string CharsToUtf8(std::u32string_view s);
std::string CharToUtf8(TChar c);

// True when every byte is below 0x80.
bool IsAscii(std::string_view s);

// Number of characters in s.
std::size_t CharLength(std::string_view s);
// Byte offset of the character with 0-based index i; s.size() when past the end.
std::size_t CharOffset(std::string_view s, std::size_t i);

bool IsLetter(TChar c);
bool IsDigit(TChar c);  // 0 to 9 only
bool IsAlphaNumeric(TChar c);
bool IsSpace(TChar c);
bool IsUpper(TChar c);
bool IsLower(TChar c);
TChar CharUpper(TChar c);
TChar CharLower(TChar c);

}  // namespace fw

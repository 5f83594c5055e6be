// Small system services: the tick clock, the beep, OEM text and the user's
// language.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace fw {

// Milliseconds since the clock started (wrapping at 2^32).
std::uint32_t GetTickCount();
// Replaces the clock (tests); an empty function puts the real one back.
void SetTickCountClock(std::function<std::uint32_t()> clock);

// A beep through the message service; type is 0, an MB_ICON value or 0xFFFFFFFF.
bool MessageBeep(unsigned type);

// Text is UTF-8 everywhere, so OEM and ANSI text are the same.
std::string OemToChar(const std::string& text);
std::string CharToOem(const std::string& text);
std::string OemToAnsi(const std::string& text);
std::string AnsiToOem(const std::string& text);

// Language identifiers: primary language in the low 10 bits, sublanguage above.
using LANGID = std::uint16_t;
constexpr LANGID LANG_NEUTRAL = 0x00;
constexpr LANGID LANG_CHINESE = 0x04;
constexpr LANGID LANG_CZECH = 0x05;
constexpr LANGID LANG_DANISH = 0x06;
constexpr LANGID LANG_GERMAN = 0x07;
constexpr LANGID LANG_GREEK = 0x08;
constexpr LANGID LANG_ENGLISH = 0x09;
constexpr LANGID LANG_SPANISH = 0x0A;
constexpr LANGID LANG_FINNISH = 0x0B;
constexpr LANGID LANG_FRENCH = 0x0C;
constexpr LANGID LANG_HUNGARIAN = 0x0E;
constexpr LANGID LANG_ITALIAN = 0x10;
constexpr LANGID LANG_JAPANESE = 0x11;
constexpr LANGID LANG_KOREAN = 0x12;
constexpr LANGID LANG_DUTCH = 0x13;
constexpr LANGID LANG_NORWEGIAN = 0x14;
constexpr LANGID LANG_POLISH = 0x15;
constexpr LANGID LANG_PORTUGUESE = 0x16;
constexpr LANGID LANG_RUSSIAN = 0x19;
constexpr LANGID LANG_SWEDISH = 0x1D;
constexpr LANGID LANG_TURKISH = 0x1F;
constexpr LANGID SUBLANG_DEFAULT = 0x01;

constexpr LANGID MAKELANGID(LANGID primary, LANGID sub) { return static_cast<LANGID>((sub << 10) | primary); }
constexpr LANGID PRIMARYLANGID(LANGID id) { return id & 0x3FF; }
constexpr LANGID SUBLANGID(LANGID id) { return id >> 10; }

// The user's language from LC_ALL, LC_MESSAGES or LANG ("ja_JP.UTF-8" gives
// Japanese); English when none is set or it is "C" or "POSIX", neutral for a
// language we do not know.
LANGID GetUserDefaultLangID();

}  // namespace fw

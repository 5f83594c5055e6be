// String routines as the framework has them. Positions are 1-based, as the
// algorithms built on them count. On std::string they count bytes; the same
// routines on TChars (Chars.h) count characters, for the algorithms that walk
// a text character by character.
#pragma once
#include <string>
#include <string_view>

#include "Chars.h"

namespace fw {

// Case and comparison. UpperCase/LowerCase/CompareText/SameText fold ASCII
// letters only; the Ansi routines fold every letter.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);   // byte order; <0, 0, >0
int CompareText(std::string_view a, std::string_view b);  // ASCII letters folded
bool SameText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);   // character order
int AnsiCompareText(std::string_view a, std::string_view b);  // every letter folded
bool AnsiSameText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);

}  // namespace fw

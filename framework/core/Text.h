// String routines as the framework has them. Positions are 1-based, as the
// algorithms built on them count. On std::string they count bytes; the same
// routines on TChars (Chars.h) count characters, for the algorithms that walk
// a text character by character.
#pragma once
#include <climits>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "Chars.h"
#include "Currency.h"
#include "FormatSettings.h"
#include "Sets.h"

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

// 1-based helpers. A position below 1 or past the end, or a count below 1,
// never fails: Copy gives what lies within the text, Delete and Insert do
// what they can (Insert before 1 inserts at the start, past the end appends).
// Pos gives 0 when the text is not found; an empty text is never found.
int Length(std::string_view s);
std::string Copy(std::string_view s, int index, int count = INT_MAX);
int Pos(std::string_view sub, std::string_view s);
int PosEx(std::string_view sub, std::string_view s, int offset = 1);  // 0 for an offset below 1
void Delete(std::string& s, int index, int count);
void Insert(std::string_view sub, std::string& s, int index);
std::string StringOfChar(char c, int count);

int Length(std::u32string_view s);
TChars Copy(std::u32string_view s, int index, int count = INT_MAX);
int Pos(std::u32string_view sub, std::u32string_view s);
int PosEx(std::u32string_view sub, std::u32string_view s, int offset = 1);
void Delete(TChars& s, int index, int count);
void Insert(std::u32string_view sub, TChars& s, int index);
TChars StringOfChar(TChar c, int count);

// Without leading and/or trailing characters up to the blank (controls too).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// The text in quotes, quotes inside it doubled.
std::string QuotedStr(std::string_view s);
std::string AnsiQuotedStr(std::string_view s, char quote);
// Reads a quoted text at the start of src, undoubling inner quotes, and moves
// src past the closing quote (to the end when there is none). A text that
// does not start with the quote gives "" and stays as it is.
std::string AnsiExtractQuotedStr(std::string_view& src, char quote);

// Every occurrence (rfReplaceAll) or the first of old in s replaced; with
// rfIgnoreCase letters of every script match without regard to case.
enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TFlags<TReplaceFlag>;
std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags = {});

// Every line break (CR, LF, CR LF or LF CR) made CR LF.
std::string AdjustLineBreaks(std::string_view s);

// Byte positions; the delimiters may be any characters.
bool IsDelimiter(std::string_view delimiters, std::string_view s, int index);
int LastDelimiter(std::string_view delimiters, std::string_view s);  // 0: none
int AnsiPos(std::string_view sub, std::string_view s);
char UpCase(char c);  // ASCII letters only

// ---------------------------------------------------------------- numbers

std::string IntToStr(std::int64_t value);

// Upper-case hexadecimal of at least `digits` digits. A negative value shows
// its two's complement in the width of its type (IntToHex(-1, 1) is FFFFFFFF).
std::string UIntToHex(std::uint64_t value, int digits);
template <std::integral T>
std::string IntToHex(T value, int digits) {
  if constexpr (sizeof(T) <= 4)
    return UIntToHex(static_cast<std::uint32_t>(value), digits);
  else
    return UIntToHex(static_cast<std::uint64_t>(value), digits);
}

// Decimal, or hexadecimal after '$' or "0x"; leading blanks and a sign are
// allowed, nothing after the number. Failures raise EConvertError
// "'x' is not a valid integer value".
int StrToInt(std::string_view s);
std::int64_t StrToInt64(std::string_view s);
int StrToIntDef(std::string_view s, int defaultValue);
std::int64_t StrToInt64Def(std::string_view s, std::int64_t defaultValue);
bool TryStrToInt(std::string_view s, int& value);
bool TryStrToInt64(std::string_view s, std::int64_t& value);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// ffGeneral: the shortest form with `precision` significant digits, in
// scientific notation past them or below 0.00001, `digits` the least number
// of exponent digits; ffExponent: d.ddd...E+ddd with `precision` digits;
// ffFixed, ffNumber (with thousand separators), ffCurrency (with the currency
// string and formats): `digits` decimals. Values are rounded to 15
// significant digits, then halves away from zero.
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// FloatToStrF(value, ffGeneral, 15, 0): 1.5, 100, 1E20, 1E-5.
std::string FloatToStr(double value);

// Blanks around the number are allowed; the decimal separator is
// DecimalSeparator. Failures raise EConvertError "'x' is not a valid
// floating point value".
double StrToFloat(std::string_view s);
bool TryStrToFloat(std::string_view s, double& value);
double StrToFloatDef(std::string_view s, double defaultValue);

// Picture formats: '0' digit, '#' optional digit, '.' decimal point, ','
// thousand separators, "E+"/"E-" scientific notation, quoted literals, and up
// to three sections separated by ';' for positive, negative and zero values.
std::string FormatFloat(std::string_view format, double value);

std::string CurrToStr(Currency value);  // exact, without trailing zeros
Currency StrToCurr(std::string_view s);
bool TryStrToCurr(std::string_view s, Currency& value);

}  // namespace fw

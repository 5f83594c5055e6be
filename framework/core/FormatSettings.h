// The locale settings that the number and date routines read. They live in
// one struct, so that a test can save and restore all of them at once, and
// each has its framework name as a reference into it, so that code reads
// DecimalSeparator or ShortDateFormat as the design writes them.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fw {

// Month and day names, indexed from 1 as the framework indexes them
// (LongMonthNames[1] is January, ShortDayNames[1] is Sunday).
template <std::size_t N>
struct TNameList {
  std::array<std::string, N> Items;

  std::string& operator[](std::size_t i) { return Items.at(i - 1); }
  const std::string& operator[](std::size_t i) const { return Items.at(i - 1); }
  static constexpr std::size_t Count() { return N; }
  bool operator==(const TNameList&) const = default;
};

struct TFormatSettings {
  std::string CurrencyString;
  std::uint8_t CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  std::uint8_t NegCurrFormat = 0;   // 0 "($1)" ... 15 "(1 $)", as the framework numbers them
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  std::uint8_t CurrencyDecimals = 2;
  char DateSeparator = '/';
  std::string ShortDateFormat;
  std::string LongDateFormat;
  char TimeSeparator = ':';
  std::string TimeAMString;
  std::string TimePMString;
  std::string ShortTimeFormat;
  std::string LongTimeFormat;
  TNameList<12> ShortMonthNames;
  TNameList<12> LongMonthNames;
  TNameList<7> ShortDayNames;
  TNameList<7> LongDayNames;
  // Two-digit years fall into the hundred years that start this many years
  // before the current one; 0 puts them into the current century.
  int TwoDigitYearCenturyWindow = 50;

  bool operator==(const TFormatSettings&) const = default;
};

// The classic US settings: M/d/yyyy, h:mm AMPM, '.', ',', '$'.
TFormatSettings UsFormatSettings();

// The settings of a locale (LC_TIME, LC_NUMERIC and LC_MONETARY of the named
// locale; "" for the user's environment). A locale that cannot be had, the C
// locale, and any setting the locale leaves empty or gives as a separator that
// is not ASCII, give the US settings.
TFormatSettings GetFormatSettingsFromLocale(const char* localeName);

// Taken from the user's locale when the program starts.
extern TFormatSettings FormatSettings;

inline std::string& CurrencyString = FormatSettings.CurrencyString;
inline std::uint8_t& CurrencyFormat = FormatSettings.CurrencyFormat;
inline std::uint8_t& NegCurrFormat = FormatSettings.NegCurrFormat;
inline char& ThousandSeparator = FormatSettings.ThousandSeparator;
inline char& DecimalSeparator = FormatSettings.DecimalSeparator;
inline std::uint8_t& CurrencyDecimals = FormatSettings.CurrencyDecimals;
inline char& DateSeparator = FormatSettings.DateSeparator;
inline std::string& ShortDateFormat = FormatSettings.ShortDateFormat;
inline std::string& LongDateFormat = FormatSettings.LongDateFormat;
inline char& TimeSeparator = FormatSettings.TimeSeparator;
inline std::string& TimeAMString = FormatSettings.TimeAMString;
inline std::string& TimePMString = FormatSettings.TimePMString;
inline std::string& ShortTimeFormat = FormatSettings.ShortTimeFormat;
inline std::string& LongTimeFormat = FormatSettings.LongTimeFormat;
inline TNameList<12>& ShortMonthNames = FormatSettings.ShortMonthNames;
inline TNameList<12>& LongMonthNames = FormatSettings.LongMonthNames;
inline TNameList<7>& ShortDayNames = FormatSettings.ShortDayNames;
inline TNameList<7>& LongDayNames = FormatSettings.LongDayNames;
inline int& TwoDigitYearCenturyWindow = FormatSettings.TwoDigitYearCenturyWindow;

}  // namespace fw

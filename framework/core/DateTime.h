// Dates and times as the framework keeps them: TDateTime counts days since
// 30 December 1899; the fraction is the time of day. Before that day the
// number is negative while its fraction still counts forward from midnight:
// -1.25 is 29 December 1899, 6:00.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "FormatSettings.h"

namespace fw {

// A double of its own type, so that a Variant made of it is a date. Sums of
// dates and times are doubles: Variant(TDateTime(d + t)) keeps the kind.
struct TDateTime {
  double Value = 0;
  constexpr TDateTime() = default;
  constexpr TDateTime(double v) : Value(v) {}
  constexpr operator double() const { return Value; }
  constexpr TDateTime& operator+=(double d) {
    Value += d;
    return *this;
  }
  constexpr TDateTime& operator-=(double d) {
    Value -= d;
    return *this;
  }
};

using Word = std::uint16_t;

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = HoursPerDay * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;
constexpr int DateDelta = 693594;  // days from 0001-01-01 to 1899-12-31

// Time: milliseconds since midnight; Date: days since 0001-01-01, plus one.
struct TTimeStamp {
  int Time = 0;
  int Date = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// EncodeDate and EncodeTime raise EConvertError on values out of range
// (years 1 to 9999; hours 0 to 23).
TDateTime EncodeDate(Word year, Word month, Word day);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
int DayOfWeek(TDateTime date);  // 1 Sunday ... 7 Saturday
// The date moved by whole months, the day kept within the month, the time kept.
TDateTime IncMonth(TDateTime date, int months = 1);

TTimeStamp DateTimeToTimeStamp(TDateTime dateTime);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
double TimeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(double msecs);

// The clock behind Now, Date and Time. An empty function restores the
// system's local time.
void SetClock(std::function<TDateTime()> clock);
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Specifiers, letters in either case:
//   c       ShortDateFormat, and LongTimeFormat unless the time is midnight
//   d dd    day;  ddd dddd  short and long day name
//   ddddd   ShortDateFormat;  dddddd  LongDateFormat
//   m mm    month, or minute right after an h;  mmm mmmm  month names
//   yy yyyy year;  h hh  hour;  n nn  minute;  s ss  second;  z zzz  ms
//   t tt    ShortTimeFormat, LongTimeFormat
//   am/pm a/p   12-hour clock and the marks in the case written;
//   ampm    12-hour clock and TimeAMString/TimePMString
//   /  :    DateSeparator, TimeSeparator;  'x' "x"  literal text
// An empty format is "c".
std::string FormatDateTime(std::string_view format, TDateTime dateTime);
std::string DateToStr(TDateTime date);
std::string TimeToStr(TDateTime time);
std::string DateTimeToStr(TDateTime dateTime);

// Dates are read in the order of day, month and year that ShortDateFormat
// gives, with DateSeparator; a missing year is the current one; a year of
// one or two digits falls into the TwoDigitYearCenturyWindow. Times are
// hours, minutes and seconds with TimeSeparator, then optional milliseconds
// after the DecimalSeparator, with TimeAMString/"AM" or TimePMString/"PM"
// before or after. Failures raise EConvertError "'x' is not a valid date"
// ("... valid time", "... valid date and time").
TDateTime StrToDate(std::string_view s);
TDateTime StrToTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s);
bool TryStrToDate(std::string_view s, TDateTime& value);
bool TryStrToTime(std::string_view s, TDateTime& value);
bool TryStrToDateTime(std::string_view s, TDateTime& value);

// File dates: the packed date and time of the file system's directory
// entries (bits 25-31 year - 1980, 21-24 month, 16-20 day, 11-15 hour, 5-10
// minute, 0-4 seconds / 2).
TDateTime FileDateToDateTime(int fileDate);
int DateTimeToFileDate(TDateTime dateTime);

}  // namespace fw

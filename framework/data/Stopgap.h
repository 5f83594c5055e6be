// Number and date conversions that the core's text and date units will
// provide under the same names; these minimal versions stand in for them
// until then and go when those units arrive.
#pragma once
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "Exceptions.h"

namespace fw {

using TDateTime = double;

struct TTimeStamp {
  std::int32_t Time = 0;  // milliseconds since midnight
  std::int32_t Date = 0;  // days since 0001-01-01 plus one
};

inline constexpr std::int32_t DateDelta = 693594;  // 0001-01-01 to 1899-12-30
inline constexpr double MSecsPerDay = 86400000.0;

inline char DecimalSeparator = '.';

// The money form of a value (the core's Format "%m").
inline std::string CurrencyText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, v < 0 ? "($%.2f)" : "$%.2f", std::fabs(v));
  return buf;
}

inline std::string IntToStr(std::int64_t v) { return std::to_string(v); }

inline std::int64_t StrToInt64(const std::string& s) {
  std::size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  std::int64_t v = 0;
  if (b != std::string::npos) {
    const char* first = s.data() + b;
    if (*first == '+') ++first;
    auto r = std::from_chars(first, s.data() + e + 1, v);
    if (r.ec == std::errc() && r.ptr == s.data() + e + 1) return v;
  }
  throw EConvertError("'" + s + "' is not a valid integer value");
}

inline int StrToInt(const std::string& s) {
  std::int64_t v = StrToInt64(s);
  if (v < INT32_MIN || v > INT32_MAX) throw EConvertError("'" + s + "' is not a valid integer value");
  return static_cast<int>(v);
}

inline std::string FloatToStr(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  return buf;
}

inline double StrToFloat(const std::string& s) {
  std::size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  double v = 0;
  if (b != std::string::npos) {
    const char* first = s.data() + b;
    if (*first == '+') ++first;
    auto r = std::from_chars(first, s.data() + e + 1, v);
    if (r.ec == std::errc() && r.ptr == s.data() + e + 1) return v;
  }
  throw EConvertError("'" + s + "' is not a valid floating point value");
}

inline TTimeStamp DateTimeToTimeStamp(TDateTime dt) {
  TTimeStamp ts;
  double whole = std::trunc(dt);
  ts.Time = static_cast<std::int32_t>(std::llround(std::fabs(dt - whole) * MSecsPerDay));
  ts.Date = DateDelta + static_cast<std::int32_t>(whole);
  return ts;
}

inline TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
  double days = ts.Date - DateDelta;
  double frac = ts.Time / MSecsPerDay;
  return days < 0 ? days - frac : days + frac;
}

inline double TimeStampToMSecs(const TTimeStamp& ts) {
  return static_cast<double>(ts.Date) * MSecsPerDay + ts.Time;
}

inline TTimeStamp MSecsToTimeStamp(double ms) {
  TTimeStamp ts;
  ts.Date = static_cast<std::int32_t>(std::floor(ms / MSecsPerDay));
  ts.Time = static_cast<std::int32_t>(ms - static_cast<double>(ts.Date) * MSecsPerDay);
  return ts;
}

namespace stopgap {
// Civil date from days since 1970-01-01 and back (proleptic Gregorian).
inline void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yy + (m <= 2));
}
inline std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}
inline constexpr std::int64_t Epoch1899 = -25569;  // 1899-12-30 in days since 1970-01-01
}  // namespace stopgap

inline std::string DateToStr(TDateTime dt) {
  int y;
  unsigned m, d;
  stopgap::CivilFromDays(static_cast<std::int64_t>(std::floor(dt)) + stopgap::Epoch1899, y, m, d);
  return std::to_string(m) + "/" + std::to_string(d) + "/" + std::to_string(y);
}

inline std::string TimeToStr(TDateTime dt) {
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(dt - std::trunc(dt)) * MSecsPerDay));
  int h = static_cast<int>(ms / 3600000), n = static_cast<int>(ms / 60000 % 60), s = static_cast<int>(ms / 1000 % 60);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h % 12 == 0 ? 12 : h % 12, n, s, h < 12 ? "AM" : "PM");
  return buf;
}

inline std::string DateTimeToStr(TDateTime dt) {
  std::string s = DateToStr(dt);
  if (dt != std::trunc(dt)) s += " " + TimeToStr(dt);
  return s;
}

inline TDateTime StrToDate(const std::string& s) {
  unsigned m = 0, d = 0;
  int y = 0;
  char tail = 0;
  if (std::sscanf(s.c_str(), "%u/%u/%d%c", &m, &d, &y, &tail) != 3 || m < 1 || m > 12 || d < 1 || d > 31)
    throw EConvertError("'" + s + "' is not a valid date");
  return static_cast<double>(stopgap::DaysFromCivil(y, m, d) - stopgap::Epoch1899);
}

inline TDateTime StrToTime(const std::string& s) {
  int h = 0, n = 0, sec = 0;
  char ap[3] = {};
  int got = std::sscanf(s.c_str(), "%d:%d:%d %2s", &h, &n, &sec, ap);
  if (got < 2 || h < 0 || h > 23 || n < 0 || n > 59 || sec < 0 || sec > 59)
    throw EConvertError("'" + s + "' is not a valid time");
  if ((ap[0] == 'P' || ap[0] == 'p') && h < 12) h += 12;
  if ((ap[0] == 'A' || ap[0] == 'a') && h == 12) h = 0;
  return (h * 3600 + n * 60 + sec) / 86400.0;
}

inline TDateTime StrToDateTime(const std::string& s) {
  std::size_t sp = s.find(' ');
  if (sp == std::string::npos) return StrToDate(s);
  TDateTime d = StrToDate(s.substr(0, sp));
  TDateTime t = StrToTime(s.substr(sp + 1));
  return d < 0 ? d - t : d + t;
}

}  // namespace fw

#include "DateTime.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "Exceptions.h"
#include "Text.h"

namespace fw {

namespace {

const int kDaysBefore[2][13] = {
    {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};

std::function<TDateTime()>& Clock() {
  static std::function<TDateTime()> clock;
  return clock;
}

TDateTime SystemNow() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  if (ms < 0) ms += 1000;
  return EncodeDate(static_cast<Word>(tm.tm_year + 1900), static_cast<Word>(tm.tm_mon + 1),
                    static_cast<Word>(tm.tm_mday)) +
         EncodeTime(static_cast<Word>(tm.tm_hour), static_cast<Word>(tm.tm_min),
                    static_cast<Word>(std::min(tm.tm_sec, 59)), static_cast<Word>(ms));
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int days[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month];
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  int y = year - 1;
  int days = y * 365 + y / 4 - y / 100 + y / 400 + kDaysBefore[IsLeapYear(year) ? 1 : 0][month] + day;
  date = static_cast<double>(days - DateDelta);
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour >= HoursPerDay || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

TTimeStamp DateTimeToTimeStamp(TDateTime dateTime) {
  double v = dateTime.Value;
  TTimeStamp s;
  if (!std::isfinite(v) || std::fabs(v) > 1e7) return s;  // no date at all: decodes to zeros
  double whole = std::trunc(v);
  s.Time = static_cast<int>(std::llround(std::fabs(v - whole) * MSecsPerDay));
  s.Date = DateDelta + static_cast<int>(whole);
  // A time that rounds up to midnight belongs to the next day.
  if (s.Time >= MSecsPerDay) {
    s.Time -= MSecsPerDay;
    ++s.Date;
  }
  return s;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  double date = stamp.Date - DateDelta;
  double time = static_cast<double>(stamp.Time) / MSecsPerDay;
  return date >= 0 ? date + time : date - time;
}

double TimeStampToMSecs(const TTimeStamp& stamp) {
  return static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  TTimeStamp s;
  s.Date = static_cast<int>(std::trunc(msecs / MSecsPerDay));
  s.Time = static_cast<int>(std::trunc(msecs - static_cast<double>(s.Date) * MSecsPerDay));
  return s;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
  int t = DateTimeToTimeStamp(date).Date;
  if (t <= 0) {
    year = month = day = 0;
    return;
  }
  const int d1 = 365, d4 = d1 * 4 + 1, d100 = d4 * 25 - 1, d400 = d100 * 4 + 1;
  --t;
  int y = 1;
  y += t / d400 * 400;
  t %= d400;
  int i = t / d100, d = t % d100;
  if (i == 4) {
    --i;
    d += d100;
  }
  y += i * 100;
  y += d / d4 * 4;
  d %= d4;
  i = d / d1;
  d %= d1;
  if (i == 4) {
    --i;
    d += d1;
  }
  y += i;
  static const int before[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                     {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};
  const int* b = before[IsLeapYear(y) ? 1 : 0];
  int m = 1;
  while (d >= b[m]) ++m;
  d -= b[m - 1];
  year = static_cast<Word>(y);
  month = static_cast<Word>(m);
  day = static_cast<Word>(d + 1);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
  int ms = DateTimeToTimeStamp(time).Time;
  hour = static_cast<Word>(ms / 3600000);
  ms %= 3600000;
  min = static_cast<Word>(ms / 60000);
  ms %= 60000;
  sec = static_cast<Word>(ms / 1000);
  msec = static_cast<Word>(ms % 1000);
}

int DayOfWeek(TDateTime date) { return (DateTimeToTimeStamp(date).Date % 7 + 7) % 7 + 1; }

TDateTime IncMonth(TDateTime date, int months) {
  Word y, m, d;
  DecodeDate(date, y, m, d);
  int total = y * 12 + (m - 1) + months;
  int ny = total / 12, nm = total % 12 + 1;
  if (ny < 1 || ny > 9999) throw EConvertError("Invalid argument to date encode");
  int nd = std::min<int>(d, DaysInMonth(ny, nm));
  TDateTime result = EncodeDate(static_cast<Word>(ny), static_cast<Word>(nm), static_cast<Word>(nd));
  double time = std::fabs(date.Value - std::trunc(date.Value));
  return result >= 0 ? result + time : result - time;
}

void SetClock(std::function<TDateTime()> clock) { Clock() = std::move(clock); }

TDateTime Now() { return Clock() ? Clock()() : SystemNow(); }
TDateTime Date() { return std::trunc(Now().Value); }
TDateTime Time() {
  double v = Now().Value;
  return std::fabs(v - std::trunc(v));
}

TDateTime FileDateToDateTime(int fileDate) {
  auto u = static_cast<unsigned>(fileDate);
  TDateTime d, t;
  if (!TryEncodeDate(static_cast<Word>((u >> 25) + 1980), static_cast<Word>((u >> 21) & 15),
                     static_cast<Word>((u >> 16) & 31), d) ||
      !TryEncodeTime(static_cast<Word>((u >> 11) & 31), static_cast<Word>((u >> 5) & 63),
                     static_cast<Word>((u & 31) * 2), 0, t))
    return 0.0;
  return d + t;
}

int DateTimeToFileDate(TDateTime dateTime) {
  Word y, m, d, h, n, s, ms;
  DecodeDate(dateTime, y, m, d);
  if (y < 1980 || y > 2107) return 0;
  DecodeTime(dateTime, h, n, s, ms);
  unsigned v = (static_cast<unsigned>(y - 1980) << 25) | (static_cast<unsigned>(m) << 21) |
               (static_cast<unsigned>(d) << 16) | (static_cast<unsigned>(h) << 11) |
               (static_cast<unsigned>(n) << 5) | (s / 2u);
  return static_cast<int>(v);
}

// ---------------------------------------------------------------- formatting

namespace {

// word: lower-case ASCII, as the format's markers are.
bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view word) {
  if (at + word.size() > s.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    char c = s[at + k];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != word[k]) return false;
  }
  return true;
}

class TDateFormatter {
public:
  explicit TDateFormatter(TDateTime dt) : dt_(dt) {
    out_.reserve(32);  // a date and a time, at once
    DecodeDate(dt, year_, month_, day_);
    DecodeTime(dt, hour_, min_, sec_, msec_);
  }

  void Append(std::string_view f, int level) {
    if (level > 2) return;  // formats that name each other end here
    char lastToken = ' ';
    bool use12Hour = false;
    for (std::size_t i = 0; i < f.size();) {
      char starter = f[i];
      char token = starter >= 'a' && starter <= 'z' ? static_cast<char>(starter - 32) : starter;
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      std::size_t count = 1;
      auto getCount = [&] {
        while (i + count < f.size() && f[i + count] == starter) ++count;
      };
      switch (token) {
        case 'Y':
          getCount();
          if (count <= 2) Number(year_ % 100, 2);
          else Number(year_, 4);
          break;
        case 'M':
          getCount();
          if (count <= 2) Number(month_, static_cast<int>(count));
          else if (count == 3) out_ += ShortMonthNames[month_ ? month_ : 1];
          else out_ += LongMonthNames[month_ ? month_ : 1];
          break;
        case 'D':
          getCount();
          if (count <= 2) Number(day_, static_cast<int>(count));
          else if (count == 3) out_ += ShortDayNames[static_cast<std::size_t>(DayOfWeek(dt_))];
          else if (count == 4) out_ += LongDayNames[static_cast<std::size_t>(DayOfWeek(dt_))];
          else if (count == 5) Append(ShortDateFormat, level + 1);
          else Append(LongDateFormat, level + 1);
          break;
        case 'H': {
          getCount();
          // A 12-hour mark before the next hour makes this hour a 12-hour one.
          bool quoted = false;
          for (std::size_t p = i + count; p < f.size(); ++p) {
            char c = f[p];
            if (c == '\'' || c == '"') quoted = !quoted;
            if (quoted) continue;
            if (c == 'a' || c == 'A') {
              if (StartsWithNoCase(f, p, "am/pm") || StartsWithNoCase(f, p, "a/p") || StartsWithNoCase(f, p, "ampm"))
                use12Hour = true;
              break;
            }
            if (c == 'h' || c == 'H') break;
          }
          int h = hour_;
          if (use12Hour) h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
          Number(h, count > 2 ? 2 : static_cast<int>(count));
          break;
        }
        case 'N':
          getCount();
          Number(min_, count > 2 ? 2 : static_cast<int>(count));
          break;
        case 'S':
          getCount();
          Number(sec_, count > 2 ? 2 : static_cast<int>(count));
          break;
        case 'Z':
          getCount();
          Number(msec_, count > 3 ? 3 : static_cast<int>(count));
          break;
        case 'T':
          getCount();
          Append(count == 1 ? ShortTimeFormat : LongTimeFormat, level + 1);
          break;
        case 'C':
          getCount();
          Append(ShortDateFormat, level + 1);
          if (hour_ || min_ || sec_) {
            out_ += ' ';
            Append(LongTimeFormat, level + 1);
          }
          break;
        case 'A':
          if (StartsWithNoCase(f, i, "am/pm")) {
            out_.append(f.substr(hour_ >= 12 ? i + 3 : i, 2));
            count = 5;
            use12Hour = true;
          } else if (StartsWithNoCase(f, i, "a/p")) {
            out_.append(f.substr(hour_ >= 12 ? i + 2 : i, 1));
            count = 3;
            use12Hour = true;
          } else if (StartsWithNoCase(f, i, "ampm")) {
            out_ += hour_ < 12 ? TimeAMString : TimePMString;
            count = 4;
            use12Hour = true;
          } else {
            out_ += starter;
          }
          break;
        case '/':
          if (DateSeparator) out_ += DateSeparator;
          break;
        case ':':
          if (TimeSeparator) out_ += TimeSeparator;
          break;
        case '\'':
        case '"': {
          std::size_t e = f.find(starter, i + 1);
          std::size_t end = e == std::string_view::npos ? f.size() : e;
          out_.append(f.substr(i + 1, end - i - 1));
          count = end - i + 1;
          break;
        }
        default:
          out_ += starter;
          break;
      }
      i += count;
    }
  }

  std::string Result() { return std::move(out_); }

private:
  // Every field of every date read goes through here: no allocation, one append.
  void Number(int v, int digits) {
    char buf[12];
    int n = 0;
    unsigned u = static_cast<unsigned>(v < 0 ? -v : v);
    do {
      buf[n++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u);
    char text[24];
    std::size_t k = 0;
    if (v < 0) text[k++] = '-';
    for (int z = n; z < std::min(digits, 12); ++z) text[k++] = '0';
    while (n) text[k++] = buf[--n];
    out_.append(text, k);
  }

  TDateTime dt_;
  Word year_, month_, day_, hour_, min_, sec_, msec_;
  std::string out_;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime dateTime) {
  TDateFormatter f(dateTime);
  f.Append(format.empty() ? std::string_view("c") : format, 0);
  return f.Result();
}

std::string DateToStr(TDateTime date) { return FormatDateTime("ddddd", date); }
std::string TimeToStr(TDateTime time) { return FormatDateTime("tt", time); }
std::string DateTimeToStr(TDateTime dateTime) { return FormatDateTime("c", dateTime); }

// ---------------------------------------------------------------- reading

namespace {

enum TDateOrder { doMDY, doDMY, doYMD };

TDateOrder GetDateOrder(std::string_view format) {
  for (char c : format) {
    switch (c & 0xDF) {
      case 'E':
      case 'Y': return doYMD;
      case 'M': return doMDY;
      case 'D': return doDMY;
      default: break;
    }
  }
  return doMDY;
}

class TScan {
public:
  explicit TScan(std::string_view s) : s_(s) {}

  bool AtEnd() const { return pos_ >= s_.size(); }

  void Blanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }

  // Up to four digits.
  bool Number(int& n, int& length) {
    Blanks();
    n = 0;
    length = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9' && n < 1000) {
      n = n * 10 + (s_[pos_++] - '0');
      ++length;
    }
    return length > 0;
  }

  bool Char(char c) {
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool Symbol(std::string_view w) {
    if (w.empty()) return false;
    Blanks();
    if (pos_ + w.size() <= s_.size() && AnsiSameText(s_.substr(pos_, w.size()), w)) {
      pos_ += w.size();
      return true;
    }
    return false;
  }

  // Milliseconds after the decimal separator: up to three digits, as a
  // fraction of a second (".5" is 500 ms).
  bool Fraction(int& ms) {
    int n = 0, len = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9' && len < 3) {
      n = n * 10 + (s_[pos_++] - '0');
      ++len;
    }
    if (len == 0) return false;
    while (len++ < 3) n *= 10;
    ms = n;
    return true;
  }

  bool Date(TDateTime& date) {
    TDateOrder order = GetDateOrder(ShortDateFormat);
    int n1, n2, n3, l1, l2, l3;
    if (!(Number(n1, l1) && Char(DateSeparator) && Number(n2, l2))) return false;
    int y, m, d;
    if (Char(DateSeparator)) {
      if (!Number(n3, l3)) return false;
      int yearLen;
      switch (order) {
        case doMDY: y = n3, yearLen = l3, m = n1, d = n2; break;
        case doDMY: y = n3, yearLen = l3, m = n2, d = n1; break;
        default: y = n1, yearLen = l1, m = n2, d = n3; break;
      }
      if (yearLen <= 2) {
        Word cy, cm, cd;
        DecodeDate(Now(), cy, cm, cd);
        int base = cy - TwoDigitYearCenturyWindow;
        y += base / 100 * 100;
        if (TwoDigitYearCenturyWindow > 0 && y < base) y += 100;
      }
    } else {
      Word cy, cm, cd;
      DecodeDate(Now(), cy, cm, cd);
      y = cy;
      if (order == doDMY) d = n1, m = n2;
      else m = n1, d = n2;
    }
    Char(DateSeparator);  // some formats end in the separator
    Blanks();
    if (y < 0 || y > 9999 || m < 0 || m > 12 || d < 0 || d > 31) return false;
    return TryEncodeDate(static_cast<fw::Word>(y), static_cast<fw::Word>(m), static_cast<fw::Word>(d), date);
  }

  bool Time(TDateTime& time) {
    int base = -1;
    if (Symbol(TimeAMString) || Symbol("AM")) base = 0;
    else if (Symbol(TimePMString) || Symbol("PM")) base = 12;
    if (base >= 0) Blanks();
    int hour, min = 0, sec = 0, msec = 0, len;
    if (!Number(hour, len)) return false;
    if (Char(TimeSeparator)) {
      if (!Number(min, len)) return false;
      if (Char(TimeSeparator)) {
        if (!Number(sec, len)) return false;
        if (Char(DecimalSeparator) && !Fraction(msec)) return false;
      }
    }
    if (base < 0) {
      if (Symbol(TimeAMString) || Symbol("AM")) base = 0;
      else if (Symbol(TimePMString) || Symbol("PM")) base = 12;
    }
    if (base >= 0) {
      if (hour == 0 || hour > 12) return false;
      if (hour == 12) hour = 0;
      hour += base;
    }
    Blanks();
    if (hour > 23 || min > 59 || sec > 59) return false;
    return TryEncodeTime(static_cast<fw::Word>(hour), static_cast<fw::Word>(min), static_cast<fw::Word>(sec),
                         static_cast<fw::Word>(msec), time);
  }

private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

[[noreturn]] void NotValid(std::string_view s, const char* what) {
  throw EConvertError("'" + std::string(s) + "' is not a valid " + what);
}

}  // namespace

bool TryStrToDate(std::string_view s, TDateTime& value) {
  TScan scan(s);
  TDateTime d;
  if (!scan.Date(d) || !scan.AtEnd()) return false;
  value = d;
  return true;
}

bool TryStrToTime(std::string_view s, TDateTime& value) {
  TScan scan(s);
  TDateTime t;
  if (!scan.Time(t) || !scan.AtEnd()) return false;
  value = t;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& value) {
  TScan scan(s);
  TDateTime d, t = 0.0;
  if (scan.Date(d) && (scan.AtEnd() || (scan.Time(t) && scan.AtEnd()))) {
    value = d >= 0 ? d + t : d - t;
    return true;
  }
  return TryStrToTime(s, value);
}

TDateTime StrToDate(std::string_view s) {
  TDateTime v;
  if (!TryStrToDate(s, v)) NotValid(s, "date");
  return v;
}

TDateTime StrToTime(std::string_view s) {
  TDateTime v;
  if (!TryStrToTime(s, v)) NotValid(s, "time");
  return v;
}

TDateTime StrToDateTime(std::string_view s) {
  TDateTime v;
  if (!TryStrToDateTime(s, v)) NotValid(s, "date and time");
  return v;
}

}  // namespace fw

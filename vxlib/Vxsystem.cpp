#include "Vxsystem.h"

#include "Text.h"
#include "Vxstr.h"

using namespace fw;

namespace vx {

namespace {

// A cursor over a text being scanned; Pos is 1-based.
struct TScan {
  TChars S;
  int Pos = 1;

  explicit TScan(const std::string& s) : S(Utf8ToChars(s)) {}
  int Length() const { return static_cast<int>(S.size()); }
  bool AtEnd() const { return Pos > Length(); }
  TChar Cur() const { return AtEnd() ? 0 : S[static_cast<std::size_t>(Pos) - 1]; }

  void Blanks() {
    while (Cur() == ' ') ++Pos;
  }

  // The next characters, as many as `what` has, are `what` ignoring case.
  bool Matches(const TChars& what) const {
    if (what.empty() || Pos - 1 + static_cast<int>(what.size()) > Length()) return false;
    TChars next = S.substr(static_cast<std::size_t>(Pos) - 1, what.size());
    return AnsiSameText(CharsToUtf8(next), CharsToUtf8(what));
  }

  // Up to four digits, or a short month name.
  bool Number(int& n) {
    Blanks();
    n = 0;
    int start = Pos;
    while (IsDigit(Cur()) && n <= 999) {
      n = n * 10 + static_cast<int>(Cur() - '0');
      ++Pos;
    }
    if (Pos > start) return true;
    for (int m = 1; m <= 12; ++m) {
      TChars name = Utf8ToChars(ShortMonthNames[static_cast<std::size_t>(m)]);
      if (Matches(name)) {
        n = m;
        Pos += static_cast<int>(name.size());
        return true;
      }
    }
    return false;
  }

  bool Char(char c) {
    Blanks();
    if (Cur() != static_cast<unsigned char>(c)) return false;
    ++Pos;
    return true;
  }

  bool Text(const std::string& w) {
    Blanks();
    TChars chars = Utf8ToChars(w);
    if (!Matches(chars)) return false;
    Pos += static_cast<int>(chars.size());
    return true;
  }

  bool Date(TDateTime& date) {
    int n1, n2, n3;
    if (!Number(n1) || !Char(DateSeparator) || !Number(n2)) return false;
    TvxDateOrder order = vxGetDateOrder(ShortDateFormat);
    int y = 0, m = 0, d = 0;
    if (Char(DateSeparator)) {
      if (!Number(n3)) return false;
      switch (order) {
        case doMDY: m = n1, d = n2, y = n3; break;
        case doDMY: d = n1, m = n2, y = n3; break;
        case doYMD: y = n1, m = n2, d = n3; break;
      }
      if (y < 100) y += 1900;
    } else {
      Word cy, cm, cd;
      DecodeDate(fw::Date(), cy, cm, cd);
      y = cy;
      if (order == doDMY) d = n1, m = n2;
      else m = n1, d = n2;
    }
    Blanks();
    return vxDoEncodeDate(y, m, d, date);
  }

  bool Time(TDateTime& time) {
    int h, m, s = 0;
    if (!Number(h) || !Char(TimeSeparator) || !Number(m)) return false;
    if (Char(TimeSeparator) && !Number(s)) return false;
    int offset = -1;
    if (Text(TimeAMString) || Text("AM")) offset = 0;
    else if (Text(TimePMString) || Text("PM")) offset = 12;
    if (offset >= 0) {
      if (h < 1 || h > 12) return false;
      if (h == 12) h = 0;
      h += offset;
    }
    Blanks();
    return vxDoEncodeTime(h, m, s, 0, time);
  }
};

// Counts the separators before the caret from Pos, each after a non-empty
// token; Second gets the index of the second one.
int CountSeparators(int caret, const std::string& s, char sep, int pos, int* second = nullptr) {
  const std::string sepText(1, sep);
  int count = 0;
  std::string token;
  while (pos > 0) {
    strGetToken(s, sepText, pos, token);
    if (token.empty() || pos == -1) break;
    int sepIndex = pos - 1;
    if (caret < sepIndex) break;
    ++count;
    if (count == 2 && second) *second = sepIndex;
  }
  return count;
}

TvxDateTimeSelection TimePart(int caret, const std::string& s, int pos) {
  int second = 0;
  int count = CountSeparators(caret, s, TimeSeparator, pos, &second);
  if (count == 0) return vxdsHour;
  if (count == 1) return vxdsMinute;
  return count == 2 && caret > second + 2 ? vxdsAMPM : vxdsSecond;
}

// Date scan from position 1; the position after the date and its blanks, or 0.
int DateEnd(const std::string& s) {
  TScan scan(s);
  TDateTime d;
  return scan.Date(d) ? scan.Pos : 0;
}

// The n-th token of s by sep from pos (1-based start and token).
void NthToken(const std::string& s, char sep, int pos, int n, int& start, std::string& token) {
  const std::string sepText(1, sep);
  token.clear();
  start = static_cast<int>(CharLength(s)) + 1;
  for (int k = 0; k < n; ++k) {
    if (pos == -1) {
      token.clear();
      start = static_cast<int>(CharLength(s)) + 1;
      return;
    }
    start = pos;
    strGetToken(s, sepText, pos, token);
  }
}

std::string BeforeBlank(const std::string& token) {
  TChars t = Utf8ToChars(token);
  std::size_t b = t.find(U' ');
  return b == TChars::npos ? token : CharsToUtf8(t.substr(0, b));
}

}  // namespace

TvxDateOrder vxGetDateOrder(std::string_view Format) {
  for (char c : Format) {
    switch (c) {
      case 'D': case 'd': return doDMY;
      case 'Y': case 'y': return doYMD;
      case 'M': case 'm': return doMDY;
      default: break;
    }
  }
  return doMDY;
}

int vxNextDay(int Year, int Month, int Day) { return Day >= DaysInMonth(Year, Month) ? 1 : Day + 1; }

int vxPriorDay(int Year, int Month, int Day) { return Day <= 1 ? DaysInMonth(Year, Month) : Day - 1; }

bool vxDoEncodeDate(int Year, int Month, int Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month)) return false;
  return TryEncodeDate(static_cast<Word>(Year), static_cast<Word>(Month), static_cast<Word>(Day), Date);
}

bool vxDoEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999) return false;
  return TryEncodeTime(static_cast<Word>(Hour), static_cast<Word>(Min), static_cast<Word>(Sec),
                       static_cast<Word>(MSec), Time);
}

bool vxScanDate(const std::string& S, TDateTime& Date) {
  TScan scan(S);
  return scan.Date(Date);
}

bool vxStrToDate(const std::string& S) {
  TScan scan(S);
  TDateTime d;
  return scan.Date(d) && scan.AtEnd();
}

bool vxStrToTime(const std::string& S) {
  TScan scan(S);
  TDateTime t;
  return scan.Time(t) && scan.AtEnd();
}

bool vxStrToDateTime(const std::string& S) {
  TScan scan(S);
  TDateTime d, t;
  return scan.Date(d) && scan.Time(t) && scan.AtEnd();
}

TDateTime vxStrToDateTimeVal(const std::string& S) {
  TScan scan(S);
  TDateTime d, t;
  if (!scan.Date(d) || !scan.Time(t) || !scan.AtEnd()) return 0;
  // Before 30 December 1899 the day counts down while the time still counts forward.
  return d >= 0 ? d + t : d - t;
}

bool vxStrToInt(const std::string& S) {
  const TChars s = Utf8ToChars(S);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsDigit(s[i])) continue;
    if (i == 0 && s[i] == '-' && s.size() > 1) continue;
    return false;
  }
  return true;
}

bool vxStrToFloat(const std::string& S) {
  if (S.empty()) return true;
  double v;
  return TryStrToFloat(CharsToUtf8(Utf8ToChars(S).substr(0, 63)), v);
}

TvxDateTimeSelection vxGetDateTimeCursorPosition(int Caret, const std::string& S, bool TimeOnly) {
  int timeStart = 1;
  bool timeSide = TimeOnly;
  if (!TimeOnly) {
    int end = DateEnd(S);
    if (end > 0) {
      const TChars s = Utf8ToChars(S);
      bool blankAtCaret = Caret >= 1 && static_cast<std::size_t>(Caret) <= s.size() && s[Caret - 1] == ' ';
      timeSide = Caret >= end || (Caret == end - 1 && blankAtCaret);
      timeStart = end;
    }
  }
  if (timeSide) return TimePart(Caret, S, timeStart);

  int count = CountSeparators(Caret, S, DateSeparator, 1);
  TvxDateOrder order = vxGetDateOrder(ShortDateFormat);
  static constexpr TvxDateTimeSelection parts[3][3] = {
      {vxdsMonth, vxdsDay, vxdsYear},  // doMDY
      {vxdsDay, vxdsMonth, vxdsYear},  // doDMY
      {vxdsYear, vxdsMonth, vxdsDay},  // doYMD
  };
  return parts[order][count < 2 ? count : 2];
}

TvxDateTimeSelection vxGetTimeCursorPosition(int Caret, const std::string& S) {
  if (Caret <= 0) return vxdsHour;
  return TimePart(Caret, S, 1);
}

TvxTextRange vxDateTimePartRange(TvxDateTimeSelection Part, const std::string& S, bool TimeOnly) {
  int start = 0;
  std::string token;
  if (Part >= vxdsHour) {
    int pos = 1;
    if (!TimeOnly) {
      pos = DateEnd(S);
      if (pos == 0) return {};
    }
    int n = Part == vxdsHour ? 1 : Part == vxdsMinute ? 2 : 3;
    NthToken(S, TimeSeparator, pos, n, start, token);
    if (Part == vxdsSecond) {
      token = BeforeBlank(token);
    } else if (Part == vxdsAMPM) {
      TChars t = Utf8ToChars(token);
      std::size_t b = t.find(U' ');
      if (b != TChars::npos) {
        start += static_cast<int>(b) + 1;
        token = CharsToUtf8(t.substr(b + 1));
      }
    }
  } else {
    static constexpr int places[3][3] = {
        // day, month, year
        {2, 1, 3},  // doMDY
        {1, 2, 3},  // doDMY
        {3, 2, 1},  // doYMD
    };
    int n = places[vxGetDateOrder(ShortDateFormat)][Part];
    NthToken(S, DateSeparator, 1, n, start, token);
    token = BeforeBlank(token);
  }
  return {start - 1, static_cast<int>(CharLength(token))};
}

}  // namespace vx

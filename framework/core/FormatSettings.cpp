#include "FormatSettings.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string_view>

#include "Chars.h"

namespace fw {

TFormatSettings UsFormatSettings() {
  TFormatSettings s;
  s.CurrencyString = "$";
  s.CurrencyFormat = 0;
  s.NegCurrFormat = 0;
  s.ThousandSeparator = ',';
  s.DecimalSeparator = '.';
  s.CurrencyDecimals = 2;
  s.DateSeparator = '/';
  s.ShortDateFormat = "M/d/yyyy";
  s.LongDateFormat = "dddd, mmmm d, yyyy";
  s.TimeSeparator = ':';
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  s.ShortTimeFormat = "h:mm AMPM";
  s.LongTimeFormat = "h:mm:ss AMPM";
  s.ShortMonthNames.Items = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  s.LongMonthNames.Items = {"January", "February", "March",     "April",   "May",      "June",
                            "July",    "August",   "September", "October", "November", "December"};
  s.ShortDayNames.Items = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  s.LongDayNames.Items = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  s.TwoDigitYearCenturyWindow = 50;
  return s;
}

namespace {

struct LocaleFree {
  void operator()(locale_t l) const { freelocale(l); }
};
using LocalePtr = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleFree>;

// The C and POSIX locales carry no user preference: they keep the US settings.
bool IsClassic(locale_t loc, int category) {
  const char* name = nl_langinfo_l(_NL_LOCALE_NAME(category), loc);
  if (!name) return true;
  std::string_view n(name);
  return n.empty() || n == "C" || n == "POSIX" || n.starts_with("C.");
}

// Text of the locale in its own character set, as UTF-8; "" when it cannot
// be converted.
class Recoder {
public:
  explicit Recoder(locale_t loc) {
    const char* cs = nl_langinfo_l(CODESET, loc);
    utf8_ = !cs || std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "ANSI_X3.4-1968") == 0;
    if (!utf8_) cd_ = iconv_open("UTF-8", cs);
  }
  ~Recoder() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Recoder(const Recoder&) = delete;
  Recoder& operator=(const Recoder&) = delete;

  std::string operator()(const char* s) const {
    if (!s) return {};
    if (utf8_ || IsAscii(s)) return s;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in(s), out(in.size() * 4 + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    std::size_t il = in.size(), ol = out.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) return {};
    out.resize(out.size() - ol);
    return out;
  }

private:
  bool utf8_ = true;
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

// A single ASCII character, or the fallback.
char SeparatorOf(const char* s, char fallback) {
  if (!s || std::strlen(s) != 1 || static_cast<unsigned char>(s[0]) >= 0x80) return fallback;
  return s[0];
}

// Turns a strftime pattern into the framework's date-time format. The first
// character met between two fields is taken as the separator.
struct Converted {
  std::string Format;
  char Separator = 0;
};

void ConvertInto(std::string_view f, locale_t loc, Converted& out, int depth) {
  std::string literal;
  auto flush = [&] {
    if (literal.empty()) return;
    // Letters would read as specifiers: quote them.
    bool letters = false;
    for (char c : literal)
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) letters = true;
    if (!out.Format.empty() && out.Separator == 0 && literal != " " && IsAscii(literal))
      out.Separator = literal[0];
    out.Format += letters ? "\"" + literal + "\"" : literal;
    literal.clear();
  };
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c != '%') {
      if (c != '"') literal += c;
      continue;
    }
    bool noPad = false;
    while (i + 1 < f.size() && std::strchr("-_0^#EO", f[i + 1])) noPad |= f[++i] == '-';
    if (i + 1 >= f.size()) break;
    char k = f[++i];
    const char* spec = nullptr;
    switch (k) {
      case 'd': spec = noPad ? "d" : "dd"; break;
      case 'e': spec = "d"; break;
      case 'm': spec = noPad ? "m" : "mm"; break;
      case 'Y': spec = "yyyy"; break;
      case 'y': spec = "yy"; break;
      case 'b':
      case 'h': spec = "mmm"; break;
      case 'B': spec = "mmmm"; break;
      case 'a': spec = "ddd"; break;
      case 'A': spec = "dddd"; break;
      case 'H':
      case 'I': spec = noPad ? "h" : "hh"; break;
      case 'k':
      case 'l': spec = "h"; break;
      case 'M': spec = "nn"; break;
      case 'S': spec = "ss"; break;
      case 'p':
      case 'P': spec = "AMPM"; break;
      case '%': literal += '%'; continue;
      case 'n':
      case 't': literal += ' '; continue;
      case 'D': if (depth < 2) ConvertInto("%m/%d/%y", loc, out, depth + 1); continue;
      case 'F': if (depth < 2) ConvertInto("%Y-%m-%d", loc, out, depth + 1); continue;
      case 'T': if (depth < 2) ConvertInto("%H:%M:%S", loc, out, depth + 1); continue;
      case 'R': if (depth < 2) ConvertInto("%H:%M", loc, out, depth + 1); continue;
      case 'r':
        if (depth < 2) ConvertInto(nl_langinfo_l(T_FMT_AMPM, loc), loc, out, depth + 1);
        continue;
      default: continue;  // time zones, week numbers and the like have no counterpart
    }
    flush();
    out.Format += spec;
  }
  // A trailing literal is kept, but is no separator.
  if (!literal.empty()) {
    char sep = out.Separator;
    flush();
    out.Separator = sep;
  }
}

Converted Convert(const char* f, locale_t loc) {
  Converted c;
  if (f) ConvertInto(f, loc, c, 0);
  while (!c.Format.empty() && c.Format.back() == ' ') c.Format.pop_back();
  return c;
}

bool HasField(const std::string& f, char field) {
  return f.find(field) != std::string::npos;
}

// The short time format: the long one without its seconds.
std::string WithoutSeconds(std::string f, char sep) {
  std::size_t p = f.find("ss");
  if (p == std::string::npos) return f;
  std::size_t from = p;
  if (from > 0 && f[from - 1] == sep) --from;
  f.erase(from, p + 2 - from);
  return f;
}

// Which of the framework's sixteen negative currency formats the locale's
// placement of symbol, blank and sign matches.
int NegCurrFormatOf(int precedes, int space, int signPos) {
  static const int table[2][2][5] = {
      // sign_posn: 0 parentheses, 1 before all, 2 after all, 3 before symbol, 4 after symbol
      {{4, 5, 7, 6, 7}, {15, 8, 10, 13, 10}},  // symbol after the amount
      {{0, 1, 3, 1, 2}, {14, 9, 11, 9, 12}},   // symbol before the amount
  };
  if (precedes < 0 || precedes > 1 || signPos < 0 || signPos > 4) return -1;
  return table[precedes][space ? 1 : 0][signPos];
}

int ByteItem(locale_t loc, nl_item item) {
  const char* p = nl_langinfo_l(item, loc);
  if (!p) return CHAR_MAX;
  return static_cast<signed char>(*p);
}

void TakeTime(TFormatSettings& s, locale_t loc, const Recoder& recode) {
  Converted date = Convert(nl_langinfo_l(D_FMT, loc), loc);
  if (!date.Format.empty() && HasField(date.Format, 'd') && HasField(date.Format, 'm') &&
      HasField(date.Format, 'y')) {
    s.ShortDateFormat = date.Format;
    if (date.Separator && static_cast<unsigned char>(date.Separator) < 0x80) s.DateSeparator = date.Separator;
    // The C library knows no long date format: build one in the short one's order.
    std::size_t d = date.Format.find('d'), m = date.Format.find('m'), y = date.Format.find('y');
    if (y < m && y < d)
      s.LongDateFormat = "yyyy mmmm d, dddd";
    else if (d < m)
      s.LongDateFormat = "dddd d mmmm yyyy";
    else
      s.LongDateFormat = "dddd, mmmm d, yyyy";
  }

  std::string am = recode(nl_langinfo_l(AM_STR, loc)), pm = recode(nl_langinfo_l(PM_STR, loc));
  s.TimeAMString = am;
  s.TimePMString = pm;
  const char* tfmt = nl_langinfo_l(T_FMT, loc);
  Converted time = Convert(tfmt, loc);
  if (time.Format.find("AMPM") != std::string::npos && (am.empty() || pm.empty())) time.Format.clear();
  if (!time.Format.empty() && HasField(time.Format, 'h') && HasField(time.Format, 'n')) {
    s.LongTimeFormat = time.Format;
    if (time.Separator) s.TimeSeparator = time.Separator;
    s.ShortTimeFormat = WithoutSeconds(time.Format, s.TimeSeparator);
  }

  auto names = [&](auto& list, nl_item first) {
    auto copy = list;
    for (std::size_t i = 1; i <= list.Count(); ++i) {
      std::string n = recode(nl_langinfo_l(static_cast<nl_item>(first + static_cast<int>(i) - 1), loc));
      if (n.empty()) return;  // keep a whole set of names, never a mixture
      copy[i] = n;
    }
    list = copy;
  };
  names(s.ShortMonthNames, ABMON_1);
  names(s.LongMonthNames, MON_1);
  names(s.ShortDayNames, ABDAY_1);
  names(s.LongDayNames, DAY_1);
}

void TakeNumbers(TFormatSettings& s, locale_t loc) {
  s.DecimalSeparator = SeparatorOf(nl_langinfo_l(RADIXCHAR, loc), '.');
  s.ThousandSeparator = SeparatorOf(nl_langinfo_l(THOUSEP, loc), ',');
}

void TakeMoney(TFormatSettings& s, locale_t loc, const Recoder& recode) {
  std::string sym = recode(nl_langinfo_l(CURRENCY_SYMBOL, loc));
  if (!sym.empty()) s.CurrencyString = sym;
  int frac = ByteItem(loc, FRAC_DIGITS);
  if (frac >= 0 && frac <= 18) s.CurrencyDecimals = static_cast<std::uint8_t>(frac);
  int pPre = ByteItem(loc, P_CS_PRECEDES), pSep = ByteItem(loc, P_SEP_BY_SPACE);
  if ((pPre == 0 || pPre == 1) && pSep >= 0 && pSep <= 2)
    s.CurrencyFormat = static_cast<std::uint8_t>((pPre ? 0 : 1) + (pSep ? 2 : 0));
  int neg = NegCurrFormatOf(ByteItem(loc, N_CS_PRECEDES), ByteItem(loc, N_SEP_BY_SPACE) > 0 &&
                                                             ByteItem(loc, N_SEP_BY_SPACE) != CHAR_MAX,
                            ByteItem(loc, N_SIGN_POSN));
  if (neg >= 0) s.NegCurrFormat = static_cast<std::uint8_t>(neg);
}

}  // namespace

TFormatSettings GetFormatSettingsFromLocale(const char* localeName) {
  TFormatSettings s = UsFormatSettings();
  LocalePtr loc(newlocale(LC_CTYPE_MASK | LC_TIME_MASK | LC_NUMERIC_MASK | LC_MONETARY_MASK,
                          localeName ? localeName : "", static_cast<locale_t>(0)));
  if (!loc) return s;
  Recoder recode(loc.get());
  if (!IsClassic(loc.get(), LC_TIME)) TakeTime(s, loc.get(), recode);
  if (!IsClassic(loc.get(), LC_NUMERIC)) TakeNumbers(s, loc.get());
  if (!IsClassic(loc.get(), LC_MONETARY)) TakeMoney(s, loc.get(), recode);
  // One character cannot both group thousands and mark the decimals.
  if (s.ThousandSeparator == s.DecimalSeparator) s.ThousandSeparator = s.DecimalSeparator == ',' ? ' ' : ',';
  return s;
}

TFormatSettings FormatSettings = GetFormatSettingsFromLocale("");

}  // namespace fw

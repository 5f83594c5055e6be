#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Chars.h"
#include "DateTime.h"
#include "FormatSettings.h"
#include "Vxsystem.h"

namespace vx {
namespace {

// US settings and a clock fixed on 15 June 2026; both put back afterwards.
class VxsystemTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = fw::FormatSettings;
    fw::FormatSettings = fw::UsFormatSettings();
    fw::SetClock([] { return fw::EncodeDate(2026, 6, 15) + 0.25; });
  }
  void TearDown() override {
    fw::FormatSettings = saved_;
    fw::SetClock({});
  }
  static void UseDates(const char* format, char separator) {
    fw::ShortDateFormat = format;
    fw::DateSeparator = separator;
  }

private:
  fw::TFormatSettings saved_;
};

// "y-m-d" of a scanned date, or "fails".
std::string Scanned(const std::string& s) {
  fw::TDateTime d;
  if (!vxScanDate(s, d)) return "fails";
  fw::Word y, m, day;
  fw::DecodeDate(d, y, m, day);
  return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(day);
}

TEST_F(VxsystemTest, DateOrder) {
  EXPECT_EQ(vxGetDateOrder("dd/mm/yy"), doDMY);
  EXPECT_EQ(vxGetDateOrder("yyyy-mm-dd"), doYMD);
  EXPECT_EQ(vxGetDateOrder("M/d/yyyy"), doMDY);
  EXPECT_EQ(vxGetDateOrder("'x' Y.M.D"), doYMD);
  EXPECT_EQ(vxGetDateOrder(""), doMDY);
}

TEST_F(VxsystemTest, ScanDatesInEachOrder) {
  struct TCase {
    const char* Format;
    char Sep;
    const char* Text;
    const char* Scanned;
  };
  const TCase cases[] = {
      {"M/d/yyyy", '/', "2/29/96", "1996-2-29"},
      {"M/d/yyyy", '/', "2/30/99", "fails"},
      {"M/d/yyyy", '/', "2/29/1900", "fails"},
      {"M/d/yyyy", '/', "2/29/2000", "2000-2-29"},
      {"M/d/yyyy", '/', "12/25", "2026-12-25"},  // the current year
      {"M/d/yyyy", '/', "1/2/05", "1905-1-2"},
      {"M/d/yyyy", '/', " 3 / 4 / 2001 ", "2001-3-4"},
      {"M/d/yyyy", '/', "jan/5/2020", "2020-1-5"},  // a month name in place of its number
      {"M/d/yyyy", '/', "13/1/2000", "fails"},
      {"M/d/yyyy", '/', "1/1/10000", "1000-1-1"},  // four digits at most: the rest follows the date
      {"M/d/yyyy", '/', "12/", "fails"},
      {"M/d/yyyy", '/', "12-25", "fails"},
      {"dd.mm.yyyy", '.', "25.12.2020", "2020-12-25"},
      {"dd.mm.yyyy", '.', "25.12", "2026-12-25"},
      {"dd.mm.yyyy", '.', "12.25.2020", "fails"},
      {"dd.mm.yyyy", '.', "31.4.2020", "fails"},
      {"dd.mm.yyyy", '.', "1.Feb.99", "1999-2-1"},
      {"yyyy-mm-dd", '-', "2020-12-25", "2020-12-25"},
      {"yyyy-mm-dd", '-', "99-1-2", "1999-1-2"},
      {"yyyy-mm-dd", '-', "12-25", "2026-12-25"},  // without a year: month, day
  };
  for (const TCase& c : cases) {
    UseDates(c.Format, c.Sep);
    EXPECT_EQ(Scanned(c.Text), c.Scanned) << c.Format << ": " << c.Text;
  }
}

TEST_F(VxsystemTest, WholeTextTests) {
  EXPECT_TRUE(vxStrToDate("12/25/2020"));
  EXPECT_TRUE(vxStrToDate("12/25/2020  "));
  EXPECT_FALSE(vxStrToDate("12/25/2020 10:30"));
  EXPECT_FALSE(vxStrToDate("12/25/2020x"));
  EXPECT_FALSE(vxStrToDate("1/1/10000"));
  EXPECT_FALSE(vxStrToDate(""));
  EXPECT_TRUE(vxStrToTime("10:30"));
  EXPECT_FALSE(vxStrToTime("10:30 x"));
  EXPECT_TRUE(vxStrToDateTime("12/25/2020 10:30:15 pm"));
  EXPECT_FALSE(vxStrToDateTime("12/25/2020"));  // a date alone is not enough
  EXPECT_FALSE(vxStrToDateTime("10:30"));

  EXPECT_DOUBLE_EQ(vxStrToDateTimeVal("1/1/2000 6:00"), fw::EncodeDate(2000, 1, 1) + 0.25);
  EXPECT_DOUBLE_EQ(vxStrToDateTimeVal("1/1/2000"), 0);
  // Before the epoch the time still counts forward from midnight.
  EXPECT_DOUBLE_EQ(vxStrToDateTimeVal("12/29/1899 6:00"), -1.25);
}

TEST_F(VxsystemTest, ScanTimesWithDesignators) {
  struct TCase {
    const char* Text;
    int Minutes;  // of the day; -1 when the scan fails
  };
  const TCase cases[] = {
      {"12:30 pm", 12 * 60 + 30},  // noon
      {"12:30 AM", 30},
      {"1:05 PM", 13 * 60 + 5},
      {"11:59pm", 23 * 60 + 59},
      {"13:00 PM", -1},
      {"0:15 AM", -1},  // hour 0 with a designator
      {"0:15", 15},
      {"23:59:59", 23 * 60 + 59},
      {"24:00", -1},
      {"10:60", -1},
      {"10:30:", -1},
      {"10", -1},
      {"9:15 nachm", 21 * 60 + 15},  // the locale's own designators
      {"9:15 VORM", 9 * 60 + 15},
      {"9:15 pm", 21 * 60 + 15},     // and the English ones always
  };
  fw::TimeAMString = "vorm";
  fw::TimePMString = "nachm";
  const double day = fw::EncodeDate(2000, 1, 1);
  for (const TCase& c : cases) {
    std::string text = std::string("1/1/2000 ") + c.Text;
    if (c.Minutes < 0) {
      EXPECT_FALSE(vxStrToDateTime(text)) << c.Text;
      EXPECT_FALSE(vxStrToTime(c.Text)) << c.Text;
      continue;
    }
    EXPECT_TRUE(vxStrToTime(c.Text)) << c.Text;
    double minutes = (vxStrToDateTimeVal(text) - day) * 24 * 60;
    EXPECT_EQ(std::lround(std::floor(minutes + 1e-6)), c.Minutes) << c.Text;
  }
}

TEST_F(VxsystemTest, EncodeAndDays) {
  fw::TDateTime v;
  EXPECT_TRUE(vxDoEncodeDate(2000, 2, 29, v));
  EXPECT_DOUBLE_EQ(v, fw::EncodeDate(2000, 2, 29));
  EXPECT_FALSE(vxDoEncodeDate(1900, 2, 29, v));
  EXPECT_FALSE(vxDoEncodeDate(0, 1, 1, v));
  EXPECT_FALSE(vxDoEncodeDate(10000, 1, 1, v));
  EXPECT_FALSE(vxDoEncodeDate(2000, 13, 1, v));
  EXPECT_FALSE(vxDoEncodeDate(2000, 1, 0, v));
  EXPECT_FALSE(vxDoEncodeDate(2000, 4, 31, v));
  EXPECT_TRUE(vxDoEncodeTime(12, 0, 0, 0, v));
  EXPECT_DOUBLE_EQ(v, 0.5);
  EXPECT_TRUE(vxDoEncodeTime(23, 59, 59, 999, v));
  EXPECT_FALSE(vxDoEncodeTime(24, 0, 0, 0, v));
  EXPECT_FALSE(vxDoEncodeTime(0, 60, 0, 0, v));
  EXPECT_FALSE(vxDoEncodeTime(0, 0, 60, 0, v));
  EXPECT_FALSE(vxDoEncodeTime(0, 0, 0, 1000, v));
  EXPECT_FALSE(vxDoEncodeTime(-1, 0, 0, 0, v));

  EXPECT_EQ(vxNextDay(2024, 2, 28), 29);
  EXPECT_EQ(vxNextDay(2024, 2, 29), 1);
  EXPECT_EQ(vxNextDay(2023, 2, 28), 1);
  EXPECT_EQ(vxNextDay(2023, 12, 31), 1);
  EXPECT_EQ(vxPriorDay(2024, 3, 2), 1);
  EXPECT_EQ(vxPriorDay(2024, 3, 1), 31);
  EXPECT_EQ(vxPriorDay(2024, 2, 1), 29);
  EXPECT_EQ(vxPriorDay(2023, 2, 1), 28);
}

TEST_F(VxsystemTest, NumberTests) {
  struct TCase {
    const char* Text;
    bool Int;
    bool Float;
  };
  const TCase cases[] = {
      {"", true, true},      {"0", true, true},      {"123", true, true},   {"-5", true, true},
      {"-", false, false},   {"1-2", false, false},  {"--1", false, false}, {"1.5", false, true},
      {"1e3", false, true},  {"abc", false, false},  {"12a", false, false}, {"\xD9\xA3", false, false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(vxStrToInt(c.Text), c.Int) << c.Text;
    EXPECT_EQ(vxStrToFloat(c.Text), c.Float) << c.Text;
  }
  // Only the first 63 characters count.
  EXPECT_TRUE(vxStrToFloat(std::string(63, '1') + "x"));
  EXPECT_FALSE(vxStrToFloat(std::string(62, '1') + "x"));
}

// The part at every caret position: M month, D day, Y year, h hour,
// m minute, s second, a AM/PM.
std::string PartsAtEveryCaret(const std::string& s, bool timeOnly, bool timeText = false) {
  const char letters[] = "DMYhmsa";
  std::string out;
  int n = static_cast<int>(fw::CharLength(s));
  for (int caret = 0; caret <= n; ++caret)
    out += letters[timeText ? vxGetTimeCursorPosition(caret, s) : vxGetDateTimeCursorPosition(caret, s, timeOnly)];
  return out;
}

TEST_F(VxsystemTest, CaretPartAtEveryPosition) {
  //                                    12/25/2020 10:30:45 PM
  EXPECT_EQ(PartsAtEveryCaret("12/25/2020 10:30:45 PM", false), "MMMDDDYYYYYhhhmmmsssaaa");
  EXPECT_EQ(PartsAtEveryCaret("12/25/2020", false), "MMMDDDYYYYY");
  EXPECT_EQ(PartsAtEveryCaret("12/25/2020 ", false), "MMMDDDYYYYYh");
  EXPECT_EQ(PartsAtEveryCaret("12/", false), "MMMD");
  EXPECT_EQ(PartsAtEveryCaret("10:30:45 PM", true), "hhhmmmsssaaa");
  EXPECT_EQ(PartsAtEveryCaret("10:30:45 PM", false, true), "hhhmmmsssaaa");
  EXPECT_EQ(PartsAtEveryCaret("1:5:3", true), "hhmmss");  // one-digit parts count too
  EXPECT_EQ(PartsAtEveryCaret("", false, true), "h");

  UseDates("dd.mm.yyyy", '.');
  EXPECT_EQ(PartsAtEveryCaret("25.12.2020 9:05", false), "DDDMMMYYYYYhhmmm");
  UseDates("yyyy-mm-dd", '-');
  EXPECT_EQ(PartsAtEveryCaret("2020-12-25 9:05", false), "YYYYYMMMDDDhhmmm");
  // The date is not complete: everything is on the date side.
  EXPECT_EQ(PartsAtEveryCaret("2020-", false), "YYYYYM");
}

struct TFakeEdit {
  std::string Text_;
  int SelStart = -1, SelLength = -1;
  const std::string& Text() const { return Text_; }
  void SetSelStart(int v) { SelStart = v; }
  void SetSelLength(int v) { SelLength = v; }
};

TEST_F(VxsystemTest, SelectingAPart) {
  const std::string s = "12/25/2020 10:30:45 PM";
  EXPECT_EQ(vxDateTimePartRange(vxdsMonth, s, false), (TvxTextRange{0, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsDay, s, false), (TvxTextRange{3, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsYear, s, false), (TvxTextRange{6, 4}));
  EXPECT_EQ(vxDateTimePartRange(vxdsHour, s, false), (TvxTextRange{11, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsMinute, s, false), (TvxTextRange{14, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsSecond, s, false), (TvxTextRange{17, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsAMPM, s, false), (TvxTextRange{20, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsMinute, "9:05", true), (TvxTextRange{2, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsSecond, "9:05", true), (TvxTextRange{4, 0}));  // not there yet
  EXPECT_EQ(vxDateTimePartRange(vxdsHour, "no date", false), (TvxTextRange{0, 0}));
  UseDates("dd.mm.yyyy", '.');
  EXPECT_EQ(vxDateTimePartRange(vxdsDay, "25.12.2020", false), (TvxTextRange{0, 2}));
  EXPECT_EQ(vxDateTimePartRange(vxdsYear, "25.12.2020", false), (TvxTextRange{6, 4}));

  TFakeEdit edit{"25.12.2020 9:05"};
  vxSetDateTimeCursorSelection(vxdsMinute, &edit, false);
  EXPECT_EQ(edit.SelStart, 13);
  EXPECT_EQ(edit.SelLength, 2);
}

}  // namespace
}  // namespace vx

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "DateTime.h"
#include "Exceptions.h"
#include "Settings.h"
#include "TempDir.h"
#include "Text.h"

namespace fw {

namespace {
struct Ymd {
  Word y, m, d;
};
Ymd Decoded(TDateTime v) {
  Ymd r;
  DecodeDate(v, r.y, r.m, r.d);
  return r;
}
}  // namespace

TEST(DateEncoding, RoundTripsAcrossLeapYearsAndTheEpoch) {
  struct Case {
    Word y, m, d;
    double serial;
  } cases[] = {
      {1899, 12, 30, 0},      {1899, 12, 31, 1},       {1900, 1, 1, 2},        {1900, 3, 1, 61},
      {1899, 12, 29, -1},     {1, 1, 1, -693593},      {9999, 12, 31, 2958465}, {2000, 2, 29, 36585},
      {2000, 3, 1, 36586},    {1600, 2, 29, -109512},  {2024, 12, 31, 45657},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d).Value, c.serial) << c.y << "-" << c.m << "-" << c.d;
    Ymd back = Decoded(c.serial);
    EXPECT_EQ(back.y, c.y);
    EXPECT_EQ(back.m, c.m);
    EXPECT_EQ(back.d, c.d);
  }
  // Every day of a leap year and of a century year that is none.
  for (Word y : {Word{2024}, Word{1900}}) {
    TDateTime first = EncodeDate(y, 1, 1);
    for (int i = 0; i < (IsLeapYear(y) ? 366 : 365); ++i) {
      Ymd r = Decoded(first + i);
      ASSERT_EQ(EncodeDate(r.y, r.m, r.d).Value, first + i);
      ASSERT_EQ(r.y, y);
    }
  }
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
}

TEST(DateEncoding, ValuesOutOfRangeRaise) {
  struct Bad {
    Word y, m, d;
  } bad[] = {{1900, 2, 29}, {2023, 2, 29}, {2023, 4, 31}, {2023, 13, 1}, {2023, 0, 1}, {2023, 1, 0}, {0, 1, 1},
             {10000, 1, 1}};
  for (const auto& b : bad) {
    TDateTime d = 5.0;
    EXPECT_FALSE(TryEncodeDate(b.y, b.m, b.d, d));
    EXPECT_EQ(d.Value, 5.0);
    EXPECT_THROW(EncodeDate(b.y, b.m, b.d), EConvertError);
  }
  try {
    EncodeTime(24, 0, 0, 0);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to time encode");
  }
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 0, 0, 1000), EConvertError);
  EXPECT_DOUBLE_EQ(EncodeTime(18, 0, 0, 0), 0.75);
}

TEST(DateEncoding, DatesBeforeTheEpochKeepAPositiveTime) {
  TDateTime v = -1.25;  // 29 December 1899, 6:00
  Ymd d = Decoded(v);
  EXPECT_EQ(d.y, 1899);
  EXPECT_EQ(d.m, 12);
  EXPECT_EQ(d.d, 29);
  Word h, n, s, ms;
  DecodeTime(v, h, n, s, ms);
  EXPECT_EQ(h, 6);
  TTimeStamp st = DateTimeToTimeStamp(v);
  EXPECT_EQ(st.Date, DateDelta - 1);
  EXPECT_EQ(st.Time, 6 * 3600000);
  EXPECT_EQ(TimeStampToDateTime(st).Value, -1.25);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(st)).Date, st.Date);
  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(st)).Time, st.Time);
}

TEST(DateEncoding, TimeRoundingToMidnightCarriesIntoTheNextDay) {
  TDateTime v = 2.0 - 1e-10;  // a hair before 1 January 1900, 0:00
  Ymd d = Decoded(v);
  EXPECT_EQ(d.m, 1);
  EXPECT_EQ(d.d, 1);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v), "1900-01-01 00:00:00.000");
  // 29 December 1899 just before midnight
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -2.0 + 1e-10), "1899-12-30 00:00");
}

TEST(DateEncoding, WeekdaysMonthsAndFileDates) {
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 1)), 2);    // a Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 10)), 1);
  TDateTime t = EncodeTime(10, 30, 0, 0);
  TDateTime jan31 = EncodeDate(2024, 1, 31) + t;
  EXPECT_EQ(IncMonth(jan31, 1).Value, EncodeDate(2024, 2, 29) + t);
  EXPECT_EQ(IncMonth(jan31, 13).Value, EncodeDate(2025, 2, 28) + t);
  EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 31), -1).Value, EncodeDate(2024, 2, 29).Value);
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), -12).Value, EncodeDate(2023, 1, 15).Value);

  TDateTime stamp = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
  int packed = DateTimeToFileDate(stamp);
  EXPECT_NEAR(FileDateToDateTime(packed), stamp - 1.0 / SecsPerDay, 1e-9);  // two-second steps
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1970, 1, 1)), 0);

  // Numbers that are no date decode to zeros instead of overflowing.
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", 1e300), "0000-00-00");
  EXPECT_EQ(FormatDateTime("yyyy", std::nan("")), "0000");
  int dow = DayOfWeek(-800000);
  EXPECT_TRUE(dow >= 1 && dow <= 7);
}

class DateTimeText : public UsSettings {
protected:
  void SetUp() override {
    UsSettings::SetUp();
    SetClock([] { return EncodeDate(2025, 6, 15) + EncodeTime(9, 0, 0, 0); });
  }
  // Tuesday, 5 March 2024, 14:07:09.045
  TDateTime sample = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
};

TEST_F(DateTimeText, ClockIsReplaceable) {
  EXPECT_EQ(Now().Value, EncodeDate(2025, 6, 15) + 0.375);
  EXPECT_EQ(Date().Value, EncodeDate(2025, 6, 15).Value);
  EXPECT_DOUBLE_EQ(Time(), 0.375);
  SetClock({});
  EXPECT_GT(Now(), EncodeDate(2024, 1, 1));
}

TEST_F(DateTimeText, FormatDateTimeSpecifiersInUsSettings) {
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"c", "3/5/2024 2:07:09 PM"},
      {"", "3/5/2024 2:07:09 PM"},
      {"ddddd", "3/5/2024"},
      {"dddddd", "Tuesday, March 5, 2024"},
      {"d dd ddd dddd", "5 05 Tue Tuesday"},
      {"m mm mmm mmmm", "3 03 Mar March"},
      {"yy yyyy", "24 2024"},
      {"dd/mm/yy", "05/03/24"},
      {"h:mm", "14:07"},  // m after h is the minute
      {"hh:nn:ss.zzz", "14:07:09.045"},
      {"z", "45"},
      {"h:mm am/pm", "2:07 pm"},
      {"h:mm AM/PM", "2:07 PM"},
      {"h A/P", "2 P"},
      {"h ampm", "2 PM"},
      {"t", "2:07 PM"},
      {"tt", "2:07:09 PM"},
      {"'mm' mm", "mm 03"},
      {"\"h\"h", "h14"},
      {"h 'am/pm'", "14 am/pm"},  // a quoted mark is no 12-hour clock
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.format, sample), c.expected) << c.format;

  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "3/5/2024");  // midnight: no time
  EXPECT_EQ(DateToStr(sample), "3/5/2024");
  EXPECT_EQ(TimeToStr(sample), "2:07:09 PM");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(0, 30, 0, 0)), "12:30 am");
  EXPECT_EQ(FormatDateTime("h:nn a/p", EncodeTime(12, 5, 0, 0)), "12:05 p");
}

TEST_F(DateTimeText, FormatDateTimeInDayMonthYearSettings) {
  UseDotSettings();
  EXPECT_EQ(FormatDateTime("c", sample), "05.03.2024 14:07:09");
  EXPECT_EQ(DateToStr(sample), "05.03.2024");
  EXPECT_EQ(FormatDateTime("dddddd", sample), "Dienstag, 5. März 2024");
  EXPECT_EQ(FormatDateTime("d/m/yyyy", sample), "5.3.2024");  // '/' is the date separator
  EXPECT_EQ(FormatDateTime("t", sample), "14:07");
  EXPECT_EQ(FormatDateTime("h:nn ampm", sample), "2:07 ");  // no marks in this locale
}

TEST_F(DateTimeText, StrToDateInUsSettings) {
  struct Case {
    const char* s;
    Word y, m, d;
  } cases[] = {
      {"3/5/2024", 2024, 3, 5},   {" 3 / 5 / 2024 ", 2024, 3, 5}, {"12/25", 2025, 12, 25},
      {"1/2/05", 2005, 1, 2},     {"1/2/99", 1999, 1, 2},         {"2/29/2024", 2024, 2, 29},
      {"1/2/0005", 5, 1, 2},      {"3/5/2024/", 2024, 3, 5},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToDate(c.s).Value, EncodeDate(c.y, c.m, c.d).Value) << c.s;

  for (const char* bad : {"", "3", "3/", "2/30/2024", "13/1/2024", "3-5-2024", "3/5/2024x", "3/5/20245", "a/b/c"}) {
    TDateTime v = 1.0;
    EXPECT_FALSE(TryStrToDate(bad, v)) << bad;
    EXPECT_EQ(v.Value, 1.0);
  }
  try {
    StrToDate("31/12/2024");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'31/12/2024' is not a valid date");
  }
  // Without a window two digits land in the current century.
  TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(StrToDate("1/2/99").Value, EncodeDate(2099, 1, 2).Value);
}

TEST_F(DateTimeText, StrToDateFollowsTheOrderOfTheShortFormat) {
  UseDotSettings();
  EXPECT_EQ(StrToDate("5.3.2024").Value, EncodeDate(2024, 3, 5).Value);
  EXPECT_EQ(StrToDate("25.12").Value, EncodeDate(2025, 12, 25).Value);
  EXPECT_THROW(StrToDate("3/5/2024"), EConvertError);
  EXPECT_THROW(StrToDate("12.25.2024"), EConvertError);

  ShortDateFormat = "yyyy-mm-dd";
  DateSeparator = '-';
  EXPECT_EQ(StrToDate("2024-03-05").Value, EncodeDate(2024, 3, 5).Value);
  EXPECT_EQ(StrToDate("24-3-5").Value, EncodeDate(2024, 3, 5).Value);
}

TEST_F(DateTimeText, StrToTimeReadsMarksAndMilliseconds) {
  struct Case {
    const char* s;
    Word h, n, sec, ms;
  } cases[] = {
      {"14:07", 14, 7, 0, 0},       {"2:07 PM", 14, 7, 0, 0},  {"2:07pm", 14, 7, 0, 0},
      {"12:30 AM", 0, 30, 0, 0},    {"12:30 pm", 12, 30, 0, 0}, {"PM 2:07", 14, 7, 0, 0},
      {"14:07:09", 14, 7, 9, 0},    {"14:07:09.5", 14, 7, 9, 500}, {"14:07:09.045", 14, 7, 9, 45},
      {"9", 9, 0, 0, 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(StrToTime(c.s), EncodeTime(c.h, c.n, c.sec, c.ms)) << c.s;
  for (const char* bad : {"", "13:00 PM", "0:15 AM", "25:00", "14:60", "14:07:60", "14:", "14:07 XM", "14:07:09.1234"}) {
    TDateTime v = 1.0;
    EXPECT_FALSE(TryStrToTime(bad, v)) << bad;
  }
  try {
    StrToTime("noon");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'noon' is not a valid time");
  }
  UseDotSettings();
  EXPECT_DOUBLE_EQ(StrToTime("14:07:09,5"), EncodeTime(14, 7, 9, 500));
}

TEST_F(DateTimeText, StrToDateTimeTakesTheWholeText) {
  EXPECT_EQ(StrToDateTime("3/5/2024 2:07:09 PM").Value, EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0));
  EXPECT_EQ(StrToDateTime("3/5/2024").Value, EncodeDate(2024, 3, 5).Value);
  EXPECT_DOUBLE_EQ(StrToDateTime("2:07 PM"), EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(StrToDateTime("12/29/1899 6:00 AM").Value, -1.25);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(sample)).Value, StrToDateTime("3/5/2024 14:07:09").Value);
  try {
    StrToDateTime("3/5/2024 2:07 PMx");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'3/5/2024 2:07 PMx' is not a valid date and time");
  }
}

TEST(FormatSettingsLocale, ClassicAndUnknownLocalesGiveTheUsSettings) {
  TFormatSettings us = UsFormatSettings();
  EXPECT_EQ(GetFormatSettingsFromLocale("C"), us);
  EXPECT_EQ(GetFormatSettingsFromLocale("POSIX"), us);
  EXPECT_EQ(GetFormatSettingsFromLocale("xx_NO.SUCH"), us);
  EXPECT_EQ(us.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(us.ShortTimeFormat, "h:mm AMPM");
  EXPECT_EQ(us.LongMonthNames[1], "January");
  EXPECT_EQ(us.ShortDayNames[1], "Sun");
}

// Builds real locales into the test's folder, where newlocale finds them
// through LOCPATH; skipped where the locale sources are not installed.
class FormatSettingsFromRealLocale : public UsSettings {
protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<test::TempDir>();
    dir_ = folder_->Path();
    std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir_ +
                      "/de_DE.UTF-8' >/dev/null 2>&1 && localedef -i fr_FR -f UTF-8 '" + dir_ +
                      "/fr_FR.UTF-8' >/dev/null 2>&1";
    built_ = std::system(cmd.c_str()) == 0;
  }
  static void TearDownTestSuite() { folder_.reset(); }
  void SetUp() override {
    UsSettings::SetUp();
    if (!built_) GTEST_SKIP() << "localedef or the locale sources are missing";
    setenv("LOCPATH", dir_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("LOCPATH");
    UsSettings::TearDown();
  }
  static inline std::unique_ptr<test::TempDir> folder_;
  static inline std::string dir_;
  static inline bool built_ = false;
};

TEST_F(FormatSettingsFromRealLocale, GermanDatesNumbersAndMoney) {
  TFormatSettings de = GetFormatSettingsFromLocale("de_DE.UTF-8");
  EXPECT_EQ(de.ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(de.DateSeparator, '.');
  EXPECT_EQ(de.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(de.ShortTimeFormat, "hh:nn");
  EXPECT_EQ(de.TimeSeparator, ':');
  EXPECT_EQ(de.DecimalSeparator, ',');
  EXPECT_EQ(de.ThousandSeparator, '.');
  EXPECT_EQ(de.CurrencyString, "€");
  EXPECT_EQ(de.CurrencyFormat, 3);
  EXPECT_EQ(de.LongMonthNames[3], "März");
  EXPECT_EQ(de.ShortDayNames[1], "So");

  FormatSettings = de;
  TDateTime d = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
  EXPECT_EQ(DateTimeToStr(d), "05.03.2024 14:07:09");
  EXPECT_EQ(StrToDate("5.3.2024").Value, EncodeDate(2024, 3, 5).Value);
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
  EXPECT_EQ(Format("%m", {1234.5}), "1.234,50 €");
}

TEST_F(FormatSettingsFromRealLocale, SeparatorsOutsideAsciiFallBack) {
  TFormatSettings fr = GetFormatSettingsFromLocale("fr_FR.UTF-8");
  EXPECT_EQ(fr.DecimalSeparator, ',');
  // The locale groups with a narrow no-break space; the US comma would
  // collide with the decimal comma.
  EXPECT_EQ(fr.ThousandSeparator, ' ');
  EXPECT_EQ(fr.ShortDateFormat, "dd/mm/yyyy");
  EXPECT_EQ(fr.LongMonthNames[8], "août");
}

}  // namespace fw

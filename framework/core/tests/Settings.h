// Tests that read or set the locale settings or the clock start from the US
// settings and leave both as they found them.
#pragma once
#include <gtest/gtest.h>

#include "DateTime.h"
#include "FormatSettings.h"

namespace fw {

class UsSettings : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = FormatSettings;
    FormatSettings = UsFormatSettings();
  }
  void TearDown() override {
    FormatSettings = saved_;
    SetClock({});
  }

  // Day, month, year with dots and a 24-hour clock without AM/PM marks.
  static void UseDotSettings() {
    ShortDateFormat = "dd.mm.yyyy";
    LongDateFormat = "dddd, d. mmmm yyyy";
    DateSeparator = '.';
    ShortTimeFormat = "hh:nn";
    LongTimeFormat = "hh:nn:ss";
    TimeAMString = "";
    TimePMString = "";
    DecimalSeparator = ',';
    ThousandSeparator = '.';
    LongMonthNames[3] = "März";
    LongDayNames[3] = "Dienstag";
  }

private:
  TFormatSettings saved_;
};

}  // namespace fw

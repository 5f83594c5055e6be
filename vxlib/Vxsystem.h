// Dates and times typed into edits: scanning in the order and with the
// separators of the locale settings, tests of typed numbers and dates, and
// which part of a date-time text the caret is in (for the edit's date
// auto-fill). Positions are 1-based and count characters; the caret is the
// number of characters before it.
#pragma once
#include <string>
#include <string_view>

#include "DateTime.h"

namespace vx {

enum TvxDateOrder { doMDY, doDMY, doYMD };

enum TvxDateTimeSelection { vxdsDay, vxdsMonth, vxdsYear, vxdsHour, vxdsMinute, vxdsSecond, vxdsAMPM };

// The first of D, M and Y in Format decides; none gives doMDY.
TvxDateOrder vxGetDateOrder(std::string_view Format);
// The next and the prior day, wrapping within the month.
int vxNextDay(int Year, int Month, int Day);
int vxPriorDay(int Year, int Month, int Day);

bool vxDoEncodeDate(int Year, int Month, int Day, fw::TDateTime& Date);
bool vxDoEncodeTime(int Hour, int Min, int Sec, int MSec, fw::TDateTime& Time);

// A date at the start of S; text may follow it.
bool vxScanDate(const std::string& S, fw::TDateTime& Date);

// Whether the whole of S is a date, a time, a date followed by a time.
bool vxStrToDate(const std::string& S);
bool vxStrToTime(const std::string& S);
bool vxStrToDateTime(const std::string& S);
// The value of a date followed by a time, or 0.
fw::TDateTime vxStrToDateTimeVal(const std::string& S);
// Whether S is an integer or a number as typed so far; the empty text is.
bool vxStrToInt(const std::string& S);
bool vxStrToFloat(const std::string& S);

// The part of a date-time text (a time text, when TimeOnly) that the caret is in.
TvxDateTimeSelection vxGetDateTimeCursorPosition(int Caret, const std::string& S, bool TimeOnly);
TvxDateTimeSelection vxGetTimeCursorPosition(int Caret, const std::string& S);

// The characters that hold a part of a date-time text: 0-based start and length.
struct TvxTextRange {
  int Start = 0;
  int Length = 0;
  bool operator==(const TvxTextRange&) const = default;
};
TvxTextRange vxDateTimePartRange(TvxDateTimeSelection Part, const std::string& S, bool TimeOnly);

// Selects that part in an edit: anything with Text(), SetSelStart(int) and SetSelLength(int).
template <typename TEdit>
void vxSetDateTimeCursorSelection(TvxDateTimeSelection Part, TEdit* Edit, bool TimeOnly) {
  TvxTextRange r = vxDateTimePartRange(Part, Edit->Text(), TimeOnly);
  Edit->SetSelStart(r.Start);
  Edit->SetSelLength(r.Length);
}

}  // namespace vx

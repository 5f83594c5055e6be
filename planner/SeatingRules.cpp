#include "SeatingRules.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "Chars.h"
#include "Text.h"

using namespace fw;

namespace ostrel {

namespace {

// Digits from Chars[i] on; saturates instead of overflowing.
int DigitsAt(const TChars& chars, std::size_t i, bool negative) {
  std::int64_t v = 0;
  for (; i < chars.size() && IsDigit(chars[i]); ++i) {
    v = v * 10 + (chars[i] - U'0');
    if (v > std::int64_t{INT_MAX} + 1) v = std::int64_t{INT_MAX} + 1;
  }
  if (negative) return static_cast<int>(-v);
  return static_cast<int>(v > INT_MAX ? INT_MAX : v);
}

std::string WithMenu(std::string text, int menu, const TMenuText& menuText) {
  if (menu != 0) {
    text += " - ";
    text += menuText(menu);
  }
  return text;
}

}  // namespace

int LeadingInteger(const std::string& Text) {
  TChars chars = Utf8ToChars(Text);
  std::size_t i = 0;
  while (i < chars.size() && IsSpace(chars[i])) ++i;
  bool negative = false;
  if (i < chars.size() && (chars[i] == U'+' || chars[i] == U'-')) negative = chars[i++] == U'-';
  return DigitsAt(chars, i, negative);
}

std::string NextAges(const std::string& Ages) {
  std::size_t comma = Ages.find(',');
  return comma == std::string::npos ? Ages : Ages.substr(comma + 1);
}

bool NextMenuNumber(std::string& Menus, int& Number) {
  TChars chars = Utf8ToChars(Menus);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (!IsDigit(chars[i])) continue;
    Number = DigitsAt(chars, i, false);
    Menus = CharsToUtf8(std::u32string_view(chars).substr(i + 1));
    return true;
  }
  return false;
}

int GuestStateIcon(bool HasSpouse, const std::string& Title) {
  if (HasSpouse) return siCouple;
  return Pos("Mr.", Title) > 0 ? siMale : siFemale;
}

std::vector<TPersonLine> PeopleOf(const TGuestRecord& r, bool UseIcons, const TMenuText& MenuText) {
  // A damaged or hostile table can hold any count; the tree takes a sane number.
  const int kids = std::min(r.Num_Kids.value_or(-1), MaxChildren);
  std::vector<TPersonLine> people;
  people.reserve(static_cast<std::size_t>(3 + std::clamp(kids, 0, 16)));
  const std::string last = r.LastN.value_or("");
  people.push_back({WithMenu(r.FirstN.value_or("") + " " + last, r.FirstNameMenu.value_or(0), MenuText)});

  const std::string spouse = r.Spouse.value_or("");
  if (UseIcons) people[0].StateIndex = GuestStateIcon(!spouse.empty(), r.Title.value_or("Miss"));
  if (!spouse.empty()) {
    // Without a family name the spouse's line is the first name alone, with no menu.
    std::string text = r.LastN ? WithMenu(spouse + " " + *r.LastN, r.SpouseMenu.value_or(0), MenuText) : spouse;
    people.push_back({std::move(text), UseIcons ? siCouple : siNoIcon});
  }

  const std::string guest = r.Guest_Name.value_or("");
  if (!guest.empty()) {
    std::string text = r.LastN ? *r.LastN + " Guest " + guest : std::string();
    people.push_back({WithMenu(std::move(text), r.GuestMenu.value_or(0), MenuText), UseIcons ? siGuest : siNoIcon});
  }

  if (kids > 0) {
    // Both texts are taken whole, however long: each child takes the next age and menu from them.
    std::string menus = r.KidsMenuItems.value_or("");
    std::string ages;
    const std::string agesField = r.KidsAges.value_or("");
    for (int i = 1; i <= kids; ++i) {
      std::string text = r.LastN ? *r.LastN + " Child #" + IntToStr(i) : std::string();
      if (!agesField.empty()) {
        if (i == 1) ages = agesField;
        int age = LeadingInteger(ages);
        ages = NextAges(ages);
        text += " age " + IntToStr(age);
      }
      int menu = 0;
      if (!menus.empty() && NextMenuNumber(menus, menu)) {
        text += " - ";  // also for menu 0, whose text is empty
        text += MenuText(menu);
      }
      people.push_back({std::move(text), UseIcons ? siChild : siNoIcon});
    }
  }
  return people;
}

TDropMove DropRule(TDropPlace Place, bool DraggedIsTable, bool TargetIsTable, bool TargetInDragged) {
  if (TargetInDragged) return TDropMove::Refuse;
  switch (Place) {
    case TDropPlace::OnItem:
      if (DraggedIsTable) return TargetIsTable ? TDropMove::InsertBefore : TDropMove::Refuse;
      return TargetIsTable ? TDropMove::AddChild : TDropMove::InsertBefore;
    case TDropPlace::Nowhere:
      return DraggedIsTable ? TDropMove::AddLastSibling : TDropMove::Refuse;
    case TDropPlace::OnIndent:
      return !DraggedIsTable && !TargetIsTable ? TDropMove::InsertBefore : TDropMove::Refuse;
    case TDropPlace::Elsewhere:
      break;
  }
  return TDropMove::Refuse;
}

std::string CreateNotice(bool UseIcons, bool OnlyRSVP) {
  std::string text;
  if (UseIcons) text = "Creat Seating Tree With Icons";
  if (UseIcons && OnlyRSVP) text += " and\n\n";
  if (OnlyRSVP) text += "Creat Seating Tree With Those That\nOnly RSVP (#1) Ceremony/Reception";
  return text;
}

int ProgressStep(int Position, int Max, int RecordCount) {
  int step = RecordCount > 0 ? (Max - Position) / RecordCount : 0;
  return step <= 0 ? 1 : step;
}

void MainWindowSize(int PixelsPerInch, int ScreenWidth, int& Width, int& Height) {
  Width = 640;
  Height = 451;
  if (PixelsPerInch > 96 && ScreenWidth > 800) {
    Width = Width * 5 / 4;
    Height = Height * 5 / 4;
  }
}

std::string TableText(int Number) { return "Table # " + IntToStr(Number); }

std::string NewTableText(int Counter) { return "New Table #" + IntToStr(Counter); }

bool FindMatches(const std::string& NodeText, const std::string& What) {
  return !What.empty() && NodeText.find(What) != std::string::npos;
}

}  // namespace ostrel

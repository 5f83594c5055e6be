// The planner's rules that need no window: the texts and icons of the people
// of one guest record, the children's ages and menus, the drop rules of the
// seating tree, and the small numbers of the main window.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// Kind icons of ImageList1 (a node's StateIndex).
enum TStateIcon : int {
  siNoIcon = -1,
  siNone = 0,
  siCouple = 1,
  siChild = 2,
  siFemale = 3,
  siMale = 4,
  siGuest = 5,
  siMember = 6,
  siHappy = 7,
  siCheck = 8,
  siDont = 9,
};

// One guest record as read: a field whose read failed is nullopt and takes
// its fallback.
struct TGuestRecord {
  std::optional<std::string> FirstN{}, LastN{}, Spouse{}, Title{}, Guest_Name{}, KidsAges{}, KidsMenuItems{};
  std::optional<int> FirstNameMenu{}, SpouseMenu{}, GuestMenu{}, Num_Kids{};
};

struct TPersonLine {
  std::string Text;
  int StateIndex = siNoIcon;
  bool operator==(const TPersonLine&) const = default;
};

// The text of menu number n (empty outside 1 to 6 and when it cannot be read).
using TMenuText = std::function<std::string(int n)>;

// The most children seated for one guest record.
inline constexpr int MaxChildren = 99;

// The people of one record in the order they are seated: the guest, the
// spouse, the extra guest, then the children (at most MaxChildren). Kind
// icons only with UseIcons.
std::vector<TPersonLine> PeopleOf(const TGuestRecord& Record, bool UseIcons, const TMenuText& MenuText);

// The guest's kind: a couple with a spouse, else male when the title holds
// "Mr." anywhere, else female.
int GuestStateIcon(bool HasSpouse, const std::string& Title);

// The integer at the start of Text: blanks skipped, an optional sign, then
// digits; 0 when there are none. Values beyond the integer range saturate.
int LeadingInteger(const std::string& Text);
// The ages text for the next child: what follows the first comma, or the
// same text when it has none (so later children repeat the last age).
std::string NextAges(const std::string& Ages);
// Takes the next menu number from the children's menu text: the digits that
// start at its first digit. Menus becomes the text one character after that
// digit. False, and Menus untouched, when no digit is left.
bool NextMenuNumber(std::string& Menus, int& Number);

// ---- dragging in the seating tree

// Where a drop lands, from the tree's hit test.
enum class TDropPlace { OnItem, Nowhere, OnIndent, Elsewhere };
// What a drop does with the dragged node, relative to the target.
enum class TDropMove { Refuse, InsertBefore, AddChild, AddLastSibling };
// A table is a node of level 0; anything deeper counts as a person.
// TargetInDragged: the target is the dragged node or one of its descendants,
// where nothing can move.
TDropMove DropRule(TDropPlace Place, bool DraggedIsTable, bool TargetIsTable, bool TargetInDragged);

// ---- the main window's numbers and texts

// The notice before a build, empty when neither box is ticked.
std::string CreateNotice(bool UseIcons, bool OnlyRSVP);
// The progress step of the second pass: the rest of the bar shared by the records, at least 1.
int ProgressStep(int Position, int Max, int RecordCount);
// The main window's outer size: 640 x 451, a quarter larger on a screen of
// more than 96 pixels per inch and more than 800 pixels wide.
void MainWindowSize(int PixelsPerInch, int ScreenWidth, int& Width, int& Height);
// The most table nodes that New Table allows before it refuses.
inline constexpr int NewTableLimit = 126;
// The text of a table built from the guest table and of a table added by hand.
std::string TableText(int Number);
std::string NewTableText(int Counter);
// The find rule: case sensitive, and an empty text to find never matches.
bool FindMatches(const std::string& NodeText, const std::string& What);

}  // namespace ostrel

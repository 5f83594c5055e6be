// The planner's two tables, their layout and a sample guest list, shared by
// the sample-data tool, the planner's tests and its benchmark.
//
// Types and sizes the planner leaves open are chosen here: names, addresses
// and the children's texts are strings (KidsAges and KidsMenuItems up to 255
// characters, so that long lists fit), menu choices are small integers of
// one digit, counts and table numbers integers, the check boxes of the
// seven events booleans. ZipCode and the two phone numbers carry pictures
// that the guest form matches before a record is posted.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace fw {
class TTable;
}

namespace sample {

// One invitation. Empty texts and empty optionals stay blank in the table.
struct TGuest {
  std::optional<int> TableNum{};
  std::string Title{}, FirstN{}, LastN{}, Spouse{}, Guest_Name{};
  std::optional<bool> RSVP{};
  std::optional<int> FirstNameMenu{}, SpouseMenu{}, GuestMenu{};
  std::optional<int> Num_Kids = 0;
  std::string KidsAges{}, KidsMenuItems{};
  std::string AddLine1{}, City{}, State{}, ZipCode{}, Home_Phone{};
};

inline constexpr const char* GuestTableName = "GuestLst.db";
inline constexpr const char* EventTableName = "WedDat2.db";
// The event's name and its six menu texts, as WedDat2.db holds them.
inline constexpr const char* EventName = "Ceremony/Reception";
extern const char* const MenuTexts[6];

// Creates both tables in Dir (replacing them), the guest table empty, the
// event table with its one record.
void CreateTables(const std::string& Dir);
// A table component on the guest table of Dir, owned by the caller.
void OpenGuestTable(fw::TTable& Table, const std::string& Dir);
// Appends one record with the entry form's defaults and Guest's values.
void AppendGuest(fw::TTable& Table, const TGuest& Guest);

// About forty invitations at eight tables (the blank number sits at table 0),
// with couples, children with and without ages and menus, extra guests,
// answered and unanswered invitations, a declined one (-1), blank fields and
// menu numbers with and without texts.
const std::vector<TGuest>& SampleGuests();
// CreateTables, then every sample guest.
void MakeSampleGuests(const std::string& Dir);

}  // namespace sample

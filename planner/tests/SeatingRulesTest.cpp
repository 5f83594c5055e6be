#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SeatingRules.h"

using namespace ostrel;

namespace {

std::string Menu(int n) {
  static const char* texts[] = {"Roast Beef", "Fish", "Chicken", "Pasta", "", ""};
  return n >= 1 && n <= 6 ? texts[n - 1] : "";
}

std::vector<std::string> Texts(const std::vector<TPersonLine>& people) {
  std::vector<std::string> v;
  for (const TPersonLine& p : people) v.push_back(p.Text);
  return v;
}

TGuestRecord Kids(std::optional<int> count, std::string ages, std::string menus) {
  return {.FirstN = "John", .LastN = "Lee", .Spouse = "", .Title = "Mr.", .Guest_Name = "",
          .KidsAges = std::move(ages), .KidsMenuItems = std::move(menus), .FirstNameMenu = 0,
          .Num_Kids = count};
}

TEST(ChildrenLines, AgesAndMenusAreTakenOneByOne) {
  struct Case {
    std::optional<int> kids;
    std::string ages, menus;
    std::vector<std::string> children;
  } cases[] = {
      {3, "4,7", "1, 2", {"Lee Child #1 age 4 - Roast Beef", "Lee Child #2 age 7 - Fish", "Lee Child #3 age 7"}},
      // Two digits make one number, and the next child starts one character later.
      {2, "", "12", {"Lee Child #1 - ", "Lee Child #2 - Fish"}},
      {2, " 5", "", {"Lee Child #1 age 5", "Lee Child #2 age 5"}},
      {2, "-3,x", "a3b", {"Lee Child #1 age -3 - Chicken", "Lee Child #2 age 0"}},
      {3, "2,", "0", {"Lee Child #1 age 2 - ", "Lee Child #2 age 0", "Lee Child #3 age 0"}},
      {1, "99999999999", "", {"Lee Child #1 age 2147483647"}},
      {0, "4", "1", {}},
      {std::nullopt, "4", "1", {}},
      {-2, "4", "1", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> texts = Texts(PeopleOf(Kids(c.kids, c.ages, c.menus), false, Menu));
    std::vector<std::string> expected = {"John Lee"};
    expected.insert(expected.end(), c.children.begin(), c.children.end());
    EXPECT_EQ(texts, expected) << "ages '" << c.ages << "' menus '" << c.menus << "'";
  }
}

TEST(ChildrenLines, LongTextsAreReadWhole) {
  // Far past the lengths of fixed buffers: the tenth child still gets its own age and menu.
  std::string ages, menus;
  for (int i = 1; i <= 40; ++i) {
    ages += std::string(10, ' ') + std::to_string(i) + ",";
    menus += std::string(5, '.') + std::to_string(i % 4 + 1);
  }
  std::vector<TPersonLine> people = PeopleOf(Kids(40, ages, menus), false, Menu);
  ASSERT_EQ(people.size(), 41u);
  EXPECT_EQ(people[10].Text, "Lee Child #10 age 10 - Chicken");
  EXPECT_EQ(people[40].Text, "Lee Child #40 age 40 - Roast Beef");
}

TEST(ChildrenLines, AHugeCountSeatsAtMostNinetyNine) {
  // A count from a damaged table must not exhaust memory.
  for (int count : {100, 100000000, 2147483647}) {
    std::vector<TPersonLine> people = PeopleOf(Kids(count, "", ""), false, Menu);
    ASSERT_EQ(people.size(), 1u + MaxChildren) << count;
    EXPECT_EQ(people.back().Text, "Lee Child #99");
  }
  EXPECT_EQ(PeopleOf(Kids(99, "", ""), false, Menu).size(), 100u);
}

TEST(GuestLines, TextsAndKindIcons) {
  TGuestRecord couple{.FirstN = "John", .LastN = "Lee", .Spouse = "Ann", .Title = "Mr. and Mrs.",
                      .Guest_Name = "Maria Santos", .FirstNameMenu = 2, .SpouseMenu = 0, .GuestMenu = 9,
                      .Num_Kids = 1};
  EXPECT_EQ(PeopleOf(couple, true, Menu),
            (std::vector<TPersonLine>{{"John Lee - Fish", siCouple},
                                      {"Ann Lee", siCouple},
                                      {"Lee Guest Maria Santos - ", siGuest},
                                      {"Lee Child #1", siChild}}));
  for (TPersonLine& p : PeopleOf(couple, false, Menu)) EXPECT_EQ(p.StateIndex, siNoIcon) << p.Text;

  // Fields that cannot be read take their fallbacks; the spouse without a family name has no menu.
  TGuestRecord unread{.Spouse = "Ann", .Guest_Name = "Max", .SpouseMenu = 3, .GuestMenu = 3, .Num_Kids = 1};
  EXPECT_EQ(Texts(PeopleOf(unread, true, Menu)), (std::vector<std::string>{" ", "Ann", " - Chicken", ""}));

  struct Title {
    std::optional<std::string> title;
    int state;
  } titles[] = {{"Mr.", siMale}, {"Mr. and Mrs.", siMale}, {"Dr. and Mr.", siMale}, {"Mrs.", siFemale},
                {"Miss", siFemale}, {"mr.", siFemale}, {"", siFemale}, {std::nullopt, siFemale}};
  for (const Title& t : titles) {
    TGuestRecord single{.FirstN = "Sam", .LastN = "Lee", .Title = t.title};
    EXPECT_EQ(PeopleOf(single, true, Menu)[0].StateIndex, t.state) << t.title.value_or("(unread)");
  }
}

TEST(DropRules, EveryPlaceAndPair) {
  using P = TDropPlace;
  using M = TDropMove;
  struct Case {
    P place;
    bool draggedTable, targetTable;
    M move;
  } cases[] = {
      {P::OnItem, true, true, M::InsertBefore},     {P::OnItem, false, false, M::InsertBefore},
      {P::OnItem, false, true, M::AddChild},        {P::OnItem, true, false, M::Refuse},
      {P::Nowhere, true, true, M::AddLastSibling},  {P::Nowhere, true, false, M::AddLastSibling},
      {P::Nowhere, false, true, M::Refuse},         {P::Nowhere, false, false, M::Refuse},
      {P::OnIndent, false, false, M::InsertBefore}, {P::OnIndent, true, true, M::Refuse},
      {P::OnIndent, false, true, M::Refuse},        {P::OnIndent, true, false, M::Refuse},
      {P::Elsewhere, true, true, M::Refuse},        {P::Elsewhere, false, false, M::Refuse},
      {P::Elsewhere, false, true, M::Refuse},       {P::Elsewhere, true, false, M::Refuse},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DropRule(c.place, c.draggedTable, c.targetTable, false), c.move)
        << static_cast<int>(c.place) << " " << c.draggedTable << " " << c.targetTable;
    // Into itself or its own subtree nothing moves, wherever it is dropped.
    EXPECT_EQ(DropRule(c.place, c.draggedTable, c.targetTable, true), M::Refuse);
  }
}

TEST(MainWindow, NoticeProgressAndSize) {
  EXPECT_EQ(CreateNotice(false, false), "");
  EXPECT_EQ(CreateNotice(true, false), "Creat Seating Tree With Icons");
  EXPECT_EQ(CreateNotice(false, true), "Creat Seating Tree With Those That\nOnly RSVP (#1) Ceremony/Reception");
  EXPECT_EQ(CreateNotice(true, true),
            "Creat Seating Tree With Icons and\n\nCreat Seating Tree With Those That\nOnly RSVP (#1) Ceremony/Reception");

  EXPECT_EQ(ProgressStep(8, 200, 40), 4);
  EXPECT_EQ(ProgressStep(8, 200, 1000), 1);
  EXPECT_EQ(ProgressStep(8, 200, 0), 1);

  struct Screen {
    int ppi, width, w, h;
  } screens[] = {{120, 1024, 800, 563}, {96, 1280, 640, 451}, {120, 800, 640, 451}, {144, 801, 800, 563}};
  for (const Screen& s : screens) {
    int w = 0, h = 0;
    MainWindowSize(s.ppi, s.width, w, h);
    EXPECT_EQ(w, s.w) << s.ppi << " " << s.width;
    EXPECT_EQ(h, s.h) << s.ppi << " " << s.width;
  }
}

}  // namespace

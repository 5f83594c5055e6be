#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "Database.h"
#include "FormatSettings.h"
#include "Forms.h"
#include "Scope.h"
#include "ScriptedMessages.h"
#include "TempDir.h"
#include "UiTest.h"
#include "Vxcommon.h"
#include "Vxintl.h"
#include "Vxlocate.h"
#include "Vxtable.h"
#include "VxTables.h"

using namespace fw;
using namespace vx;

namespace vxtest {

// A database that says it is an SQL server, over a directory of desktop
// tables: no server opens here, and the library's server ways need one.
class TServerDatabase : public TDatabase {
  FW_CLASS(TServerDatabase, TDatabase)
public:
  using TDatabase::TDatabase;
  bool IsSQLBased() const override { return true; }
};
FW_IMPLEMENT_CLASS(TServerDatabase)

}  // namespace vxtest

namespace {

struct Guest {
  int id;
  const char* name;
  const char* city;
  double paid;
  const char* booked;
  const char* notes;
};

const Guest kGuests[] = {
    {1, "Adams", "Oslo", 3.5, "5/6/2024 18:30", "vegan, no nuts"},
    {2, "smith", "Bergen", 12, "5/7/2024 9:00", ""},
    {3, "Smith", "Oslo", 0.25, "5/6/2024 20:00", ""},
    {4, "SMITHERS", "Bergen", 3.5, "6/1/2024 12:00", "Vegetarian"},
    {5, "Smyth", "Oslo", 7, "5/8/2024 10:00", ""},
    {6, "Snow", "Bergen", 1, "", ""},
    {7, "Slater", "Oslo", 2, "5/9/2024 11:00", ""},
    {8, "Sm\xC3\xA9", "Bergen", 4, "5/6/2024 8:00", ""},
    {9, "Smzzzzzzzzzzzzzzzzzz", "Oslo", 5, "", ""},
    {10, "Zed", "Bergen", 6, "", ""},
};
constexpr int kGuestCount = 10;

// The guests in a table with an index of each kind on their names.
class Search : public ::testing::Test {
protected:
  void SetUp() override {
    auto make = std::make_unique<TvxTable>(nullptr);
    make->SetDatabaseName(dir.Path());
    make->SetTableName("guests.db");
    TFieldDefs* f = make->FieldDefs();
    f->Add("ID", ftInteger, 0, true);
    f->Add("Name", ftString, 20);
    f->Add("City", ftString, 20);
    f->Add("Paid", ftCurrency);
    f->Add("Booked", ftDateTime);
    f->Add("Notes", ftMemo);
    TIndexDefs* x = make->IndexDefs();
    x->Add("", "ID", {ixPrimary});
    x->Add("ByName", "Name", {ixCaseInsensitive});
    x->Add("ByNameCase", "Name", {});
    x->Add("ByNameDown", "Name", {ixCaseInsensitive, ixDescending});
    x->Add("ByCityName", "City;Name", {ixCaseInsensitive});
    make->CreateTable();
    make->Open();
    for (const Guest& g : kGuests) {
      make->Append();
      make->FieldByName("ID")->SetAsInteger(g.id);
      make->FieldByName("Name")->SetAsString(g.name);
      make->FieldByName("City")->SetAsString(g.city);
      make->FieldByName("Paid")->SetAsFloat(g.paid);
      if (*g.booked) make->FieldByName("Booked")->SetAsString(g.booked);
      if (*g.notes) make->FieldByName("Notes")->SetAsString(g.notes);
      make->Post();
    }
    make->Close();
    table = Open("");
  }
  void TearDown() override { NuboSetTrace({}); }

  std::unique_ptr<TvxTable> Open(const std::string& index, const std::string& database = {}) {
    auto t = std::make_unique<TvxTable>(nullptr);
    t->SetName("Guests");
    t->SetDatabaseName(database.empty() ? dir.Path() : database);
    t->SetTableName("guests.db");
    t->SetIndexName(index);
    t->Open();
    return t;
  }
  std::string Name() const { return table->FieldByName("Name")->AsString(); }
  int Id() const { return table->FieldByName("ID")->AsInteger(); }
  // The engine's raw reads the locate scan makes, counted.
  int* CountScanReads() {
    reads = 0;
    NuboSetTrace([this](unsigned ordinal) {
      if (ordinal == ORVEX_GET_NEXT_RECORD) ++reads;
    });
    return &reads;
  }
  std::string Shown() {
    std::string names;
    for (table->First(); !table->Eof(); table->Next()) names += (names.empty() ? "" : " ") + Name();
    return names;
  }

  TRestoreScope<TFormatSettings> us{FormatSettings, UsFormatSettings()};
  test::TempDir dir;
  test::ScriptedMessages messages;
  std::unique_ptr<TvxTable> table;
  int reads = 0;
};

TEST_F(Search, PartialStartGoesByTheIndexWhereItsCaseRuleFits) {
  table = Open("ByName");
  const int* scanned = CountScanReads();
  EXPECT_TRUE(vxFindMatch(true, table.get(), "Name", false, mtPartialMatchStart, "SM"));
  EXPECT_EQ(Name(), "smith");
  EXPECT_EQ(*scanned, 0);  // found by FindNearest
  // Next: on through the index while the names match, then no more.
  std::vector<std::string> found;
  while (vxFindMatch(false, table.get(), "Name", false, mtPartialMatchStart, "sm")) found.push_back(Name());
  EXPECT_EQ(found, (std::vector<std::string>{"Smith", "SMITHERS", "Smyth", "Smzzzzzzzzzzzzzzzzzz", "Sm\xC3\xA9"}));
  EXPECT_EQ(Name(), "Sm\xC3\xA9");
  EXPECT_LE(*scanned, 7);  // it stopped at Snow, the first that did not match
  // A value sorting before the current record's: no match can follow.
  EXPECT_FALSE(vxFindMatch(false, table.get(), "Name", false, mtPartialMatchStart, "Ad"));
  EXPECT_EQ(Name(), "Sm\xC3\xA9");
  // Not found by the index: back where it was.
  table->First();
  EXPECT_FALSE(vxFindMatch(true, table.get(), "Name", false, mtPartialMatchStart, "Q"));
  EXPECT_EQ(Name(), "Adams");

  // Case counting on a case-insensitive index: the scan, in the index's order.
  EXPECT_TRUE(vxFindMatch(true, table.get(), "Name", true, mtPartialMatchStart, "Sm"));
  EXPECT_EQ(Name(), "Smith");
  // Exact, through FindKey.
  *CountScanReads() = 0;
  EXPECT_TRUE(vxFindMatch(true, table.get(), "Name", false, mtExactMatch, "smyth"));
  EXPECT_EQ(Name(), "Smyth");
  EXPECT_EQ(reads, 0);

  // A descending index holds the matches before the value: they are still found.
  table = Open("ByNameDown");
  EXPECT_TRUE(vxFindMatch(true, table.get(), "Name", false, mtPartialMatchStart, "sm"));
  EXPECT_EQ(Name(), "Sm\xC3\xA9");
}

TEST_F(Search, TheScanMatchesByTextNumberAndDate) {
  struct Case {
    const char* field;
    TvxLocateMatchType type;
    bool caseSensitive;
    const char* value;
    int id;  // 0: none
  } cases[] = {
      {"Paid", mtExactMatch, false, "3.50", 1},  // by value
      {"Paid", mtExactMatch, false, "3.5x", 0},
      {"Paid", mtPartialMatchStart, false, "0.2", 3},
      {"Booked", mtExactMatch, false, "5/6/2024", 1},  // a date-time by its date, the first record too
      {"Booked", mtExactMatch, false, "6/1/2024", 4},
      {"Booked", mtPartialMatchAny, false, "18:30", 0},
      {"Notes", mtPartialMatchAny, false, "VEGETARIAN", 4},
      {"Notes", mtPartialMatchAny, true, "VEGETARIAN", 0},
      {"City", mtPartialMatchAny, false, "erg", 2},
      {"City", mtExactMatch, true, "oslo", 0},
      {"City", mtPartialMatchStart, false, "", 0},  // nothing begins with nothing
      {"ID", mtExactMatch, false, "x", 0},
  };
  for (const Case& c : cases) {
    table->Last();
    const bool found = vxFindMatch(true, table.get(), c.field, c.caseSensitive, c.type, c.value);
    EXPECT_EQ(found, c.id != 0) << c.field << " " << c.value;
    EXPECT_EQ(Id(), c.id ? c.id : kGuestCount) << c.field << " " << c.value;
  }
  EXPECT_TRUE(messages->Requests.empty());
  EXPECT_FALSE(vxFindMatch(true, table.get(), "Nmae", false, mtExactMatch, "x"));
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Field Nmae not found.");

  // From the current record on, from the second Bergen; the record numbers
  // go on from the record found.
  table->First();
  ASSERT_TRUE(vxFindMatch(false, table.get(), "City", false, mtExactMatch, "Bergen"));
  EXPECT_EQ(Id(), 2);
  ASSERT_TRUE(vxFindMatch(false, table.get(), "City", false, mtExactMatch, "Bergen"));
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(table->RecNo(), 4);
  table->Next();
  EXPECT_EQ(table->RecNo(), 5);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(Search, AFilterThatRaisesDuringTheScanReachesTheCallerFromTheStart) {
  table->SetOnFilter([](TvxTable* t, bool& accept) {
    if (t->vxFilterField("Name")->AsString() == "Snow") throw Exception("Snow is hidden");
    accept = true;
  });
  table->First();
  table->Next();
  try {
    vxFindMatch(false, table.get(), "City", false, mtExactMatch, "Nowhere");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Snow is hidden");
  }
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(Search, TheLocateComponentWithoutItsDialog) {
  auto source = std::make_unique<TvxDataSource>(nullptr);
  auto locate = std::make_unique<TvxLocateDialog>(nullptr);
  EXPECT_EQ(locate->Caption(), "Locate Field Value");
  EXPECT_EQ(locate->MatchType(), mtPartialMatchStart);
  EXPECT_FALSE(locate->FindNext());
  EXPECT_EQ(messages->Requests.back().Text, "DataSource does not refer to an active table!");
  locate->SetDataSource(source.get());
  source->SetDataSet(table.get());
  locate->SetSearchField("City");
  locate->SetFieldValue("Bergen");
  locate->SetMatchType(mtExactMatch);
  EXPECT_TRUE(locate->FindFirst());
  EXPECT_EQ(Id(), 2);
  table->FindKey({Variant(10)});
  messages->Requests.clear();
  EXPECT_FALSE(locate->FindNext());  // Zed, the last Bergen guest
  EXPECT_EQ(Id(), 10);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "No more matches found");
  EXPECT_EQ(messages->Requests[0].Icon, TMessageIcon::Information);
  locate->SetShowMessages(false);
  EXPECT_FALSE(locate->FindNext());
  EXPECT_EQ(messages->Requests.size(), 1u);
  EXPECT_FALSE(locate->FindPrior());
  // Without a dataset to show.
  table->Close();
  EXPECT_FALSE(locate->Execute());
  EXPECT_EQ(messages->Requests.back().Text, "DataSource does not reference an active DataSet");
  EXPECT_EQ(messages->Requests.back().Icon, TMessageIcon::Error);
  source.reset();
  EXPECT_EQ(locate->DataSource(), nullptr);
}

TEST(ValidValues, ByFieldType) {
  TRestoreScope<TFormatSettings> us{FormatSettings, UsFormatSettings()};
  struct Case {
    TFieldType type;
    const char* text;
    bool valid, locate;
  } cases[] = {
      {ftInteger, "12", true, true},       {ftInteger, "a", false, false},     {ftInteger, "", true, false},
      {ftAutoInc, "-3", true, true},       {ftSmallint, "1.5", false, false},  {ftFloat, "1.5", true, true},
      {ftCurrency, "1,5", false, false},   {ftDate, "3/4/2024", true, true},   {ftDate, "3/4/2024 10:00", false, false},
      {ftTime, "10:30", true, true},       {ftDateTime, "3/4/2024", true, true}, {ftDateTime, "3/4/2024 10:30", true, true},
      {ftDateTime, "", false, false},      {ftString, "", true, true},         {ftBoolean, "x", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vxIsValidValue(c.type, c.text), c.valid) << c.type << " '" << c.text << "'";
    auto field = std::unique_ptr<TField>(static_cast<TField*>(DefaultFieldClass(c.type)->CreateComponent(nullptr)));
    EXPECT_EQ(vxFieldIsValidLocateValue(field.get(), c.text), c.locate) << c.type << " '" << c.text << "'";
  }
  EXPECT_FALSE(vxFieldIsValidLocateValue(nullptr, "1"));
}

TEST_F(Search, IncrementalSearchLetterByLetter) {
  table = Open("ByName");
  for (bool locateMethod : {true, false}) {
    vxInternational()->SetUseLocateMethodForSearch(locateMethod);
    TScopeExit restore([] { vxInternational()->SetUseLocateMethodForSearch(true); });
    table->Last();
    struct Step {
      const char* typed;
      bool matches;
      const char* name;
    } steps[] = {{"s", true, "Slater"}, {"sm", true, "smith"}, {"smy", true, "Smyth"}, {"", true, "Adams"}};
    for (const Step& s : steps) {
      EXPECT_EQ(table->vxFindNearest(s.typed, 0), s.matches) << s.typed;
      EXPECT_EQ(Name(), s.name) << s.typed << (locateMethod ? " locate" : " nearest");
    }
    // No match: the locate search stays, FindNearest goes to the nearest.
    EXPECT_FALSE(table->vxFindNearest("smq", 0));
    EXPECT_EQ(Name(), locateMethod ? "Adams" : "Smyth");
    EXPECT_EQ(table->SearchDepth(), 0);
  }
  // A letter against a whole-number field: no search at all.
  table = Open("");
  table->FindKey({Variant(4)});
  EXPECT_FALSE(table->vxFindNearest("a", 0));
  EXPECT_EQ(Id(), 4);
  EXPECT_TRUE(table->vxFindNearest("7", 0));
  EXPECT_EQ(Id(), 7);
  // The second field of an index: the first keeps the current record's value.
  table = Open("ByCityName");
  table->First();  // Bergen, SMITHERS? no: the first Bergen by name
  EXPECT_EQ(table->FieldByName("City")->AsString(), "Bergen");
  EXPECT_TRUE(table->vxFindNearest("sn", 1));
  EXPECT_EQ(Name(), "Snow");
  EXPECT_FALSE(table->vxFindNearest("smy", 1));  // Smyth lives in Oslo
}

TEST_F(Search, NarrowingRangesAndTheirSwapOnADescendingIndex) {
  for (const char* index : {"ByName", "ByNameDown"}) {
    table = Open(index);
    table->SetNarrowSearch(true);
    EXPECT_TRUE(table->vxFindNearest("sm", 0)) << index;
    // From the letters to the letters and the upper character, as long as
    // the field: every twenty-character name that begins with them is in.
    std::string shown = Shown();
    if (std::string(index) == "ByNameDown")
      EXPECT_EQ(shown, "Sm\xC3\xA9 Smzzzzzzzzzzzzzzzzzz Smyth SMITHERS Smith smith");
    else
      EXPECT_EQ(shown, "smith Smith SMITHERS Smyth Smzzzzzzzzzzzzzzzzzz Sm\xC3\xA9");
    // The last letter taken back: the range goes.
    EXPECT_TRUE(table->vxFindNearest("", 0));
    EXPECT_EQ(table->RecordCount(), kGuestCount);
  }
  // A number: a range from it on.
  table = Open("");
  table->SetNarrowSearch(true);
  EXPECT_TRUE(table->vxFindNearest("7", 0));
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(Id(), 7);
  EXPECT_FALSE(table->vxFindNearest("x", 0));
  EXPECT_EQ(table->RecordCount(), 4);
}

TEST_F(Search, AnEngineErrorLeavesNoFrozenControlsNorHourglass) {
  table = Open("ByName");
  table->SetNarrowSearch(true);
  bool refuse = false;
  table->SetOnFilter([&refuse](TvxTable*, bool&) {
    if (refuse) throw Exception("refused");
  });
  refuse = true;
  EXPECT_THROW(table->vxFindNearest("sm", 0), Exception);
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(table->SearchDepth(), 0);
}

TEST_F(Search, KeySearch) {
  EXPECT_FALSE(table->vxFindKey({Variant(1), Variant(2)}));
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Table Guests: FindKey has too many lookup values for index ");
  // As many values as the index has fields: the lookups' one-value search.
  EXPECT_TRUE(table->vxFindKey({Variant(5)}));
  EXPECT_EQ(Id(), 5);
  EXPECT_TRUE(table->vxFindKey({Variant("5")}));  // already there
  EXPECT_FALSE(table->vxFindKey({Variant(50)}));
  EXPECT_EQ(Id(), 5);
  table = Open("ByCityName");
  EXPECT_TRUE(table->vxFindKey({Variant("oslo"), Variant("SMYTH")}));
  EXPECT_EQ(Id(), 5);
  EXPECT_TRUE(table->vxFindKey({Variant("Bergen")}));
  EXPECT_EQ(table->FieldByName("City")->AsString(), "Bergen");
  EXPECT_EQ(table->SearchDepth(), 0);
}

TEST_F(Search, TheServerWays) {
  auto* db = new vxtest::TServerDatabase(nullptr);
  std::unique_ptr<TDatabase> hold(db);
  db->SetDatabaseName("Server");
  db->Params()->Add("PATH=" + dir.Path());
  table = Open("", "Server");
  ASSERT_TRUE(vxDataSetIsSQLBased(table.get()));
  // Key search by ranges: a record that has the key stays, without a range.
  table->First();
  EXPECT_TRUE(table->vxFindKey({Variant(1)}));
  EXPECT_EQ(table->RecordCount(), kGuestCount);
  EXPECT_TRUE(table->vxFindKey({Variant(4)}));
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(table->RecordCount(), kGuestCount - 3);  // from 4 on
  EXPECT_FALSE(table->RangeEndSet());
  EXPECT_TRUE(table->vxFindKey({Variant(4)}));
  table->SetExactRangeMode(true);
  EXPECT_TRUE(table->vxFindKey({Variant(6)}));
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_FALSE(table->vxFindKey({Variant(66)}));
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_FALSE(table->vxFindKey({Variant("")}));  // the exact range stays
  table->SetExactRangeMode(false);
  EXPECT_FALSE(table->vxFindKey({Variant("")}));  // the range goes
  EXPECT_EQ(table->RecordCount(), kGuestCount);

  // Incremental search by a range from the typed text; the columns shown
  // stay when the range goes by reopening.
  table = Open("ByName", "Server");
  table->FieldByName("Notes")->SetVisible(false);
  EXPECT_TRUE(table->vxFindNearest("sm", 0));
  EXPECT_EQ(Name(), "smith");
  EXPECT_EQ(table->RecordCount(), 8);  // smith to Zed
  EXPECT_TRUE(table->vxFindNearest("", 0));
  EXPECT_EQ(table->RecordCount(), kGuestCount);
  EXPECT_FALSE(table->FieldByName("Notes")->Visible());
  EXPECT_TRUE(table->FieldByName("City")->Visible());

  // Another index: reopened on the range of the current record's keys.
  table->FindKey({Variant("smyth")});
  table->vxChangeIndexName("bycityname");
  EXPECT_EQ(table->IndexName(), "ByCityName");
  EXPECT_EQ(Name(), "Smyth");
  EXPECT_EQ(table->RecordCount(), 2);  // Oslo: Smyth, Smzz...

  // Following another table: a range from its record's keys.
  auto other = Open("");
  other->FindKey({Variant(6)});  // Snow of Bergen
  table->SyncSQLTable(table.get());
  EXPECT_EQ(table->RecordCount(), 2);
  table->SyncSQLTable(other.get());
  EXPECT_EQ(Name(), "Snow");
  EXPECT_EQ(table->RecordCount(), 7);  // Snow, Zed, and Oslo's five
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(FieldsToIndex, ExactBeforePrefixCaseInsensitiveFirstAndWholeFields) {
  auto t = std::make_unique<TvxTable>(nullptr);
  TIndexDefs* x = t->IndexDefs();
  x->Add("AB", "AB", {});
  x->Add("A_B", "A;B", {ixCaseInsensitive});
  x->Add("Acs", "A", {});
  x->Add("Aci", "A", {ixCaseInsensitive});
  x->Add("B_Cs", "B;C", {});
  EXPECT_EQ(t->FieldsToIndex("a"), "Aci");
  EXPECT_EQ(t->FieldstoIndexWithCase("A", true), "Acs");
  EXPECT_EQ(t->FieldsToIndex("A;B"), "A_B");
  EXPECT_EQ(t->FieldsToIndex("AB"), "AB");
  EXPECT_EQ(t->FieldsToIndex("B"), "B_Cs");  // a prefix when nothing is exact
  EXPECT_EQ(t->FieldstoIndexWithCase("B", false), "?");
  EXPECT_EQ(t->FieldsToIndex("C"), "?");
  std::string name = "unchanged";
  EXPECT_FALSE(t->FindFieldsToIndex("A;", false, name, false));
  EXPECT_EQ(name, "unchanged");

  auto only = std::make_unique<TvxTable>(nullptr);
  only->IndexDefs()->Add("AB", "AB", {ixCaseInsensitive});
  EXPECT_EQ(only->FieldsToIndex("A"), "?");  // a field that begins AB's name is not AB
}

TEST_F(Search, IndexesByFields) {
  EXPECT_EQ(table->IndexToFields(""), "ID");
  EXPECT_EQ(table->IndexToFields("ByCityName"), "City;Name");
  EXPECT_EQ(table->IndexToFields("bycityname"), "");
  EXPECT_EQ(table->GetIndexFieldName(), "ID");
  EXPECT_FALSE(table->isCaseInsensitiveIndex());
  EXPECT_TRUE(table->SetToIndexContainingField("City"));
  EXPECT_EQ(table->IndexName(), "ByCityName");
  EXPECT_EQ(table->GetIndexFieldName(), "City");
  EXPECT_TRUE(table->isCaseInsensitiveIndex());
  EXPECT_TRUE(table->SetToIndexContainingField("Name"));
  EXPECT_EQ(table->IndexName(), "ByName");
  EXPECT_FALSE(table->SetToIndexContainingField("Paid"));
  EXPECT_EQ(table->IndexName(), "ByName");
  auto list = std::make_unique<TStringList>();
  EXPECT_FALSE(table->SetToIndexContainingFields(list.get()));
  list->Add("ID\t10\tNumber");
  EXPECT_TRUE(table->SetToIndexContainingFields(list.get()));
  EXPECT_EQ(table->IndexName(), "");
  table->SetIndexFieldNames("City;Name");
  EXPECT_EQ(table->GetIndexFieldName(), "City");
}

}  // namespace

namespace {

TEST(SearchLongTexts, AFieldOfTwoHundredFiftyFiveWideCharactersIsReadWhole) {
  test::TempDir dir;
  vxtest::MakeTable(dir.Path(), "long.db", {{"ID", ORVEX_FT_INTEGER}, {"Text", ORVEX_FT_STRING, 255}}, {{1}});
  auto t = std::make_unique<TvxTable>(nullptr);
  t->SetDatabaseName(dir.Path());
  t->SetTableName("long.db");
  t->Open();
  std::string euros;
  for (int i = 0; i < 254; ++i) euros += "\xE2\x82\xAC";  // three bytes each
  for (int id : {1, 2}) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(id);
    t->FieldByName("Text")->SetAsString(id == 1 ? euros + "a" : euros + "\xF0\x9F\x8D\xB0");  // ends in a four-byte one
    t->Post();
  }
  t->First();
  EXPECT_TRUE(vxFindMatch(false, t.get(), "Text", true, mtPartialMatchAny, "\xE2\x82\xAC\xF0\x9F\x8D\xB0"));
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 2);
}

}  // namespace

namespace {

// The dialog, driven as a user drives it.
class LocateDialog : public test::UiTest {
protected:
  void SetUp() override {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"ID", ORVEX_FT_INTEGER}, {"Name", ORVEX_FT_STRING, 20}, {"City", ORVEX_FT_STRING, 20},
                       {"Paid", ORVEX_FT_CURRENCY}, {"Photo", ORVEX_FT_BLOB}},
                      {{1}});
    table = std::make_unique<TvxTable>(nullptr);
    table->SetDatabaseName(dir.Path());
    table->SetTableName("guests.db");
    table->Open();
    for (const Guest& g : kGuests) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(g.id);
      table->FieldByName("Name")->SetAsString(g.name);
      table->FieldByName("City")->SetAsString(g.city);
      table->FieldByName("Paid")->SetAsFloat(g.paid);
      table->Post();
    }
    table->FieldByName("Paid")->SetDisplayLabel("Amount~Paid");
    table->First();
    source = std::make_unique<TvxDataSource>(nullptr);
    source->SetDataSet(table.get());
    locate = std::make_unique<TvxLocateDialog>(nullptr);
    locate->SetDataSource(source.get());
  }
  // What the user does once the dialog shows.
  void Then(std::function<void(TvxLocateDlg*)> act) {
    locate->OnInitDialog = [act](TvxLocateDlg* d) { QTimer::singleShot(0, [act, d] { act(d); }); };
  }
  static std::vector<std::string> Items(TvxLocateDlg* d) {
    std::vector<std::string> v;
    for (int i = 0; i < d->FieldNameComboBox->Items()->Count(); ++i) v.push_back(d->FieldNameComboBox->Items()->Strings(i));
    return v;
  }

  TRestoreScope<TFormatSettings> us{FormatSettings, UsFormatSettings()};
  test::TempDir dir;
  std::unique_ptr<TvxTable> table;
  std::unique_ptr<TvxDataSource> source;
  std::unique_ptr<TvxLocateDialog> locate;
};

TEST_F(LocateDialog, ShowsTheTextsAndFieldsThenFindsFirst) {
  locate->SetSearchField("City");
  locate->SetFieldValue("Oslo");
  locate->SetCaption("Find a guest");
  std::vector<std::string> items;
  TvxLocateDlg* seen = nullptr;
  Then([&](TvxLocateDlg* d) {
    seen = d;
    items = Items(d);
    EXPECT_EQ(d->Caption(), "Find a guest");
    EXPECT_EQ(d->FieldValueGroup->Caption(), "Field &Value");
    EXPECT_EQ(d->SearchTypeGroup->Caption(), "&Search Type");
    EXPECT_EQ(d->FieldsGroup->Caption(), "&Fields");
    EXPECT_EQ(d->CaseSensitiveCheckBox->Caption(), "&Case-sensitive");
    EXPECT_EQ(d->ExactMatchBtn->Caption(), "&Exact Match");
    EXPECT_EQ(d->PartialMatchStartBtn->Caption(), "&Partial Match at Beginning");
    EXPECT_EQ(d->PartialMatchAnyBtn->Caption(), "Partial Match &Anywhere");
    EXPECT_EQ(d->FirstButton->Caption(), "Fi&rst");
    EXPECT_EQ(d->NextButton->Caption(), "&Next");
    EXPECT_EQ(d->CancelButton->Caption(), "Cancel");
    EXPECT_EQ(d->FieldNameComboBox->Hint(), "Select the field to search on");
    EXPECT_EQ(d->SearchValue->Text(), "Oslo");
    EXPECT_EQ(d->FieldNameComboBox->Text(), "City");
    EXPECT_TRUE(d->PartialMatchStartBtn->Checked());
    EXPECT_TRUE(d->NextButton->Default());
    EXPECT_FALSE(d->FirstButton->Default());
    // Cancel sits beside Next, its right edge a pixel inside the fields' group.
    EXPECT_EQ(d->CancelButton->Top(), d->NextButton->Top());
    EXPECT_EQ(d->CancelButton->Left() + d->CancelButton->Width(), d->FieldsGroup->Left() + d->FieldsGroup->Width() - 1);
    EXPECT_EQ(d->CancelButton->Width(), 72);
    EXPECT_EQ(d->CancelButton->Height(), 27);
    EXPECT_EQ(d->CancelButton->TabOrder(), 5);
    EXPECT_TRUE(d->CancelButton->Visible());
    EXPECT_EQ(d->ClientWidth(), 212);
    EXPECT_EQ(d->ClientHeight(), 238);
    d->SearchValue->SetText("Bergen");
    d->ExactMatchBtn->SetChecked(true);
    d->FirstButton->Click();
  });
  EXPECT_TRUE(locate->Execute());
  // Sorted by label, without the blob; "~" reads as a blank.
  EXPECT_EQ(items, (std::vector<std::string>{"Amount Paid", "City", "ID", "Name"}));
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(locate->FieldValue(), "Bergen");
  EXPECT_EQ(locate->MatchType(), mtExactMatch);
  EXPECT_EQ(locate->SearchField(), "City");
  EXPECT_EQ(locate->Form(), nullptr);
  EXPECT_TRUE(messages->Requests.empty());
}

TEST_F(LocateDialog, NoMatchesSaySoAndTheSettingsComeBackOnCancel) {
  locate->SetSortFields(fsSortByFieldNo);
  table->FieldByName("City")->SetVisible(false);
  locate->SetFieldSelection(fsVisibleFields);
  std::vector<std::string> items;
  Then([&](TvxLocateDlg* d) {
    items = Items(d);
    EXPECT_EQ(d->SearchValue->Text(), "");
    d->FieldNameComboBox->SetItemIndex(d->FieldNameComboBox->Items()->IndexOf("Amount Paid"));
    d->SearchValue->SetText("3.50");
    d->ExactMatchBtn->SetChecked(true);
    d->CaseSensitiveCheckBox->SetChecked(true);
    d->NextButton->Click();  // from Adams on: SMITHERS paid 3.50
    EXPECT_TRUE(messages->Requests.empty());
  });
  EXPECT_TRUE(locate->Execute());
  EXPECT_EQ(items, (std::vector<std::string>{"ID", "Name", "Amount Paid"}));  // in field order, visible ones
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 4);
  EXPECT_EQ(locate->SearchField(), "Paid");
  EXPECT_TRUE(locate->CaseSensitive());

  Then([&](TvxLocateDlg* d) {
    d->SearchValue->SetText("99");
    d->NextButton->Click();
    d->FirstButton->Click();
    d->SearchValue->SetText("1");
    d->CancelButton->Click();
  });
  EXPECT_FALSE(locate->Execute());
  ASSERT_EQ(messages->Requests.size(), 2u);
  EXPECT_EQ(messages->Requests[0].Text, "No more matches found");
  EXPECT_EQ(messages->Requests[1].Text, "No matches found");
  EXPECT_EQ(messages->Requests[1].Icon, TMessageIcon::Information);
  EXPECT_EQ(locate->FieldValue(), "1");  // read back whatever closed it
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 4);
}

TEST_F(LocateDialog, FindFirstWithoutAValueAsksWithFirstAsTheDefault) {
  bool firstDefault = false, nextDefault = true;
  Then([&](TvxLocateDlg* d) {
    firstDefault = d->FirstButton->Default();
    nextDefault = d->NextButton->Default();
    d->CancelButton->Click();
  });
  EXPECT_FALSE(locate->FindFirst());
  EXPECT_TRUE(firstDefault);
  EXPECT_FALSE(nextDefault);
  EXPECT_EQ(locate->DefaultButton(), dbFindFirst);
}

TEST_F(LocateDialog, TheFieldListAsTheKeyboardUsesIt) {
  locate->SetSearchField("Name");
  locate->SetFieldValue("Sm");
  bool nextDefaultInList = true, nextDefaultAfter = false, editFocused = false;
  std::string valueAfterSameField, valueAfterOtherField;
  Then([&](TvxLocateDlg* d) {
    d->FieldNameComboBox->SetFocus();
    PumpUntil([d] { return d->FieldNameComboBox->Focused(); });
    nextDefaultInList = d->NextButton->Default();
    // Enter in the open list closes it and goes to the value; the same
    // field keeps the value, another empties it.
    auto* combo = static_cast<QComboBox*>(WidgetOf(d->FieldNameComboBox));
    combo->showPopup();
    PumpUntil([d] { return d->FieldNameComboBox->DroppedDown(); });
    Key(combo->view(), Qt::Key_Return);
    PumpUntil([d] { return d->SearchValue->Focused(); });
    editFocused = d->SearchValue->Focused() && !d->FieldNameComboBox->DroppedDown();
    valueAfterSameField = d->SearchValue->Text();
    nextDefaultAfter = d->NextButton->Default();
    d->FieldNameComboBox->SetFocus();
    PumpUntil([d] { return d->FieldNameComboBox->Focused(); });
    combo->showPopup();
    PumpUntil([d] { return d->FieldNameComboBox->DroppedDown(); });
    Key(combo->view(), Qt::Key_Up);
    Key(combo->view(), Qt::Key_Return);
    PumpUntil([d] { return d->SearchValue->Focused(); });
    valueAfterOtherField = d->SearchValue->Text();
    d->CancelButton->Click();
  });
  locate->Execute();
  EXPECT_FALSE(nextDefaultInList);
  EXPECT_TRUE(editFocused);
  EXPECT_EQ(valueAfterSameField, "Sm");
  EXPECT_TRUE(nextDefaultAfter);
  EXPECT_EQ(valueAfterOtherField, "");
  EXPECT_EQ(locate->SearchField(), "ID");
}

}  // namespace

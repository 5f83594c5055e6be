// Lookup fields of the library's datasets, on real tables.
#include <gtest/gtest.h>

#include <memory>

#include "EngineLib.h"
#include "ScriptedMessages.h"
#include "Vxcommon.h"
#include "Vxtable.h"
#include "VxTables.h"

using namespace fw;
using namespace vx;

namespace {

class Lookups : public ::testing::Test {
protected:
  void SetUp() override {
    vxtest::MakeTable(dir.Path(), "events.db",
                      {{"EventID", ORVEX_FT_INTEGER}, {"Title", ORVEX_FT_STRING, 20}, {"Place", ORVEX_FT_STRING, 20}},
                      {{1}});
    vxtest::MakeTable(dir.Path(), "codes.db", {{"Code", ORVEX_FT_STRING, 4}, {"Label", ORVEX_FT_STRING, 20}});
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"ID", ORVEX_FT_INTEGER},
                       {"Name", ORVEX_FT_STRING, 20},
                       {"EventID", ORVEX_FT_INTEGER},
                       {"Code", ORVEX_FT_STRING, 4}},
                      {{1}});
    Fill("events.db", {{"1", "Wedding", "Chapel"}, {"2", "Dinner", "Hall"}, {"3", "Dance", "Garden"}});
    Fill("codes.db", {{"V", "Vegetarian"}, {"K", "Kosher"}});
    Fill("guests.db", {{"1", "Ann", "2", "K"}, {"2", "Bob", "3", ""}, {"3", "Cy", "2", "V"}, {"4", "Di", "9", "K"}});
    MakeGuests();
  }

  void MakeGuests() {
    guests = std::make_unique<TvxTable>(nullptr);
    guests->SetDatabaseName(dir.Path());
    guests->SetTableName("guests.db");
    guests->FieldDefs()->Update();
    for (int i = 0; i < guests->FieldDefs()->Count(); ++i) guests->FieldDefs()->Items(i)->CreateField(guests.get());
  }

  void Fill(const std::string& name, const std::vector<std::vector<std::string>>& rows) {
    auto t = std::make_unique<TvxTable>(nullptr);
    t->SetDatabaseName(dir.Path());
    t->SetTableName(name);
    t->Open();
    for (const auto& row : rows) {
      t->Append();
      for (std::size_t i = 0; i < row.size(); ++i)
        if (!row[i].empty()) t->Fields(static_cast<int>(i))->SetAsString(row[i]);
      t->Post();
    }
  }

  // A calculated field and its lookup definition.
  TField* AddLookup(const std::string& field, const std::string& definition, const std::string& links) {
    auto* f = new TStringField(guests.get());
    f->SetFieldName(field);
    f->SetSize(20);
    f->SetCalculated(true);
    f->SetDataSet(guests.get());
    guests->LookupFields()->Add(field + ";" + dir.Path() + ";" + definition);
    guests->LookupLinks()->Add(links);
    return f;
  }

  // The field's text for each guest, in order.
  std::vector<std::string> Column(const std::string& field) {
    std::vector<std::string> texts;
    for (guests->First(); !guests->Eof(); guests->Next()) texts.push_back(guests->FieldByName(field)->AsString());
    return texts;
  }

  using Texts = std::vector<std::string>;
  test::TempDir dir;
  std::unique_ptr<TvxTable> guests;
};

TEST_F(Lookups, FieldsWithTheSameTableAndLinksShareAHiddenTableThatMovesOnceARecord) {
  // The engine calls of a walk through the guests with one lookup field and
  // with two on the same table and links are the same: one move a record.
  auto callsOfAWalk = [&](bool second, const std::string& secondLinks) {
    MakeGuests();
    AddLookup("Event", "events.db;Title;", "EventID;EventID");
    if (second) AddLookup("Place", "events.db;Place;", secondLinks);
    guests->Open();
    const std::uint64_t before = Engine().Calls();
    Column("Event");
    return Engine().Calls() - before;
  };
  const std::uint64_t one = callsOfAWalk(false, "");
  EXPECT_EQ(callsOfAWalk(true, "eventid;EVENTID"), one);  // links compared without regard to case
  EXPECT_EQ(guests->LookupTables().size(), 1u);
  EXPECT_EQ(Column("Event"), (Texts{"Dinner", "Dance", "Dinner", ""}));
  EXPECT_EQ(Column("Place"), (Texts{"Hall", "Garden", "Hall", ""}));
  EXPECT_GT(callsOfAWalk(true, "ID;EventID"), one);  // other links: a table of their own
  EXPECT_EQ(guests->LookupTables().size(), 2u);
  EXPECT_EQ(Column("Place"), (Texts{"Chapel", "Hall", "Garden", ""}));
  guests->Close();
  EXPECT_TRUE(guests->LookupTables().empty());  // a table frees its hidden tables when it closes
  EXPECT_EQ(guests->ComponentCount(), guests->FieldCount());
}

TEST_F(Lookups, DefinitionsAndLinks) {
  struct Case {
    const char* what;
    std::string definition, links;
    Texts expected;
  } cases[] = {
      {"by index name", "events.db;Title;", "EventID;EventID", {"Dinner", "Dance", "Dinner", ""}},
      {"by the fields of a one-field index",
       "events.db;Title;;EventID;Y",
       "EventID;EventID",
       {"Dinner", "Dance", "Dinner", ""}},
      {"a table without an index, on the first pair",
       "codes.db;Label;",
       "Code;Code",
       {"Kosher", "", "Vegetarian", "Kosher"}},
      {"an unpaired master field", "events.db;Title;", "EventID;EventID;ID", {"", "", "", ""}},
  };
  for (const Case& c : cases) {
    guests->Close();
    guests->LookupFields()->Clear();
    guests->LookupLinks()->Clear();
    while (guests->FieldCount() > 4) delete guests->Fields(4);
    AddLookup("Looked", c.definition, c.links);
    guests->Open();
    EXPECT_EQ(Column("Looked"), c.expected) << c.what;
  }
}

TEST_F(Lookups, AMissingMasterFieldHidesItsFieldAndLeavesTheLaterOnesUnfilled) {
  TField* event = AddLookup("Event", "events.db;Title;", "EventID;EventID");
  TField* ghost = AddLookup("Ghost", "events.db;Place;", "Nope;EventID");
  TField* code = AddLookup("Diet", "codes.db;Label;", "Code;Code");
  guests->Open();
  EXPECT_EQ(event->AsString(), "Dinner");
  EXPECT_FALSE(ghost->Visible());
  EXPECT_TRUE(code->Visible());
  EXPECT_EQ(code->AsString(), "");
}

TEST_F(Lookups, ATableThatCannotOpenIsSkippedAndTriedAgainWithNothingLeftBehind) {
  TField* extra = AddLookup("Extra", "extra.db;Label;", "Code;Code");
  TField* event = AddLookup("Event", "events.db;Title;", "EventID;EventID");
  const int owned = guests->ComponentCount();
  guests->Open();
  EXPECT_EQ(extra->AsString(), "");
  EXPECT_EQ(event->AsString(), "Dinner");  // the lines after it are filled
  guests->Next();
  guests->Next();
  EXPECT_EQ(guests->LookupTables().size(), 1u);
  EXPECT_EQ(guests->ComponentCount(), owned + 1);  // no half-made table for each record

  vxtest::MakeTable(dir.Path(), "extra.db", {{"Code", ORVEX_FT_STRING, 4}, {"Label", ORVEX_FT_STRING, 20}});
  Fill("extra.db", {{"K", "Kosher too"}});
  guests->Next();
  EXPECT_EQ(extra->AsString(), "Kosher too");
  EXPECT_EQ(guests->LookupTables().size(), 2u);
}

TEST_F(Lookups, AFilterOnALookupFieldReadsTheRecordUnderTest) {
  AddLookup("Event", "events.db;Title;", "EventID;EventID");
  AddLookup("Ghost", "events.db;Place;", "Nope;EventID");
  guests->Open();
  guests->Last();  // the current record is Di, whose event is unknown
  guests->SetOnFilter([](TvxTable* t, bool& accept) { accept = t->vxFilterField("Event")->AsString() == "Dinner"; });
  EXPECT_EQ(Column("Name"), (Texts{"Ann", "Cy"}));

  // The framework's own lookup field, on a library table, is read the same way.
  auto events = std::make_unique<TvxTable>(nullptr);
  events->SetDatabaseName(dir.Path());
  events->SetTableName("events.db");
  events->Open();
  guests->Close();
  auto* place = new TStringField(guests.get());
  place->SetFieldName("Where");
  place->SetSize(20);
  place->SetFieldKind(fkLookup);
  place->SetLookupDataSet(events.get());
  place->SetKeyFields("EventID");
  place->SetLookupKeyFields("EventID");
  place->SetLookupResultField("Place");
  place->SetDataSet(guests.get());
  guests->SetOnFilter(nullptr);
  guests->Open();
  guests->Last();
  guests->SetOnFilter([](TvxTable* t, bool& accept) { accept = t->vxFilterField("Where")->AsString() == "Garden"; });
  EXPECT_EQ(Column("Name"), (Texts{"Bob"}));

  // A filter lookup that raises leaves later filter lookups working.
  EXPECT_THROW(
      {
        guests->SetOnFilter([](TvxTable* t, bool& accept) { accept = !t->vxFilterField("Ghost")->IsNull(); });
        guests->First();
      },
      EDatabaseError);
  guests->SetOnFilter([](TvxTable* t, bool& accept) { accept = t->vxFilterField("Event")->AsString() == "Dance"; });
  EXPECT_EQ(Column("Name"), (Texts{"Bob"}));
}

TEST_F(Lookups, SetLookupFieldWritesTheFieldsTextBackIntoTheLookupTable) {
  TField* event = AddLookup("Event", "events.db;Title;", "EventID;EventID");
  guests->Open();
  ASSERT_EQ(event->AsString(), "Dinner");
  // Someone renames the event behind the guest list's back.
  auto events = std::make_unique<TvxTable>(nullptr);
  events->SetDatabaseName(dir.Path());
  events->SetTableName("events.db");
  events->Open();
  ASSERT_TRUE(events->FindKey({Variant(2)}));
  events->Edit();
  events->FieldByName("Title")->SetAsString("Supper");
  events->Post();

  EXPECT_TRUE(guests->SetLookupField(event));
  TvxTable* hidden = guests->LookupTables().at(0);
  EXPECT_FALSE(hidden->ReadOnly());
  ASSERT_EQ(hidden->State(), dsEdit);
  EXPECT_EQ(hidden->FieldByName("Title")->AsString(), "Dinner");
  hidden->Post();
  events->Refresh();
  EXPECT_EQ(events->FieldByName("Title")->AsString(), "Dinner");
}

TEST_F(Lookups, SyncAndDisplayFieldPositionTheLookupTable) {
  AddLookup("Event", "events.db;Title;;EventID;Y", "EventID;EventID");
  guests->Open();
  auto events = std::make_unique<TvxTable>(nullptr);
  events->SetDatabaseName(dir.Path());
  events->SetTableName("events.db");
  events->Open();
  std::string master;
  guests->Next();  // Bob, the dance
  EXPECT_TRUE(vxDataSetSyncLookupTable(guests.get(), events.get(), "event", master));
  EXPECT_EQ(master, "EventID");
  EXPECT_EQ(events->FieldByName("Title")->AsString(), "Dance");

  std::string value;
  TField* display = nullptr;
  EXPECT_TRUE(vxDataSetLookupDisplayField(guests->FieldByName("Event"), value, display));
  EXPECT_EQ(value, "3");
  EXPECT_EQ(display->AsString(), "Dance");
  EXPECT_FALSE(vxDataSetLookupDisplayField(guests->FieldByName("Name"), value, display));
  EXPECT_EQ(display, guests->FieldByName("Name"));
}

}  // namespace

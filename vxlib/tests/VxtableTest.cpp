#include <gtest/gtest.h>

#include <memory>

#include "FormReader.h"
#include "Forms.h"
#include "NuboDataSet.h"
#include "Query.h"
#include "Registry.h"
#include "ScriptedMessages.h"
#include "Vxintl.h"
#include "Vxtable.h"
#include "VxTables.h"

using namespace fw;
using namespace vx;

namespace vxtest {

// The root of the form files read in these tests.
class TTableForm : public TComponent {
  FW_CLASS(TTableForm, TComponent)
public:
  using TComponent::TComponent;
};
FW_IMPLEMENT_CLASS(TTableForm)

}  // namespace vxtest

namespace {

class FocusLink : public TDataLink {
public:
  std::vector<std::string> Focused;

protected:
  void FocusControl(TField** Field) override { Focused.push_back((*Field)->FieldName()); }
};

std::vector<std::string> LinesOf(const TStrings* l) {
  std::vector<std::string> v;
  for (int i = 0; i < l->Count(); ++i) v.push_back(l->Strings(i));
  return v;
}

class Table : public ::testing::Test {
protected:
  void SetUp() override {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"Name", ORVEX_FT_STRING, 20},
                       {"Phone", ORVEX_FT_STRING, 12, "###-####"},
                       {"Zip", ORVEX_FT_STRING, 10},
                       {"Seat", ORVEX_FT_INTEGER}});
    table = std::make_unique<TvxTable>(nullptr);
    table->SetDatabaseName(dir.Path());
    table->SetTableName("guests.db");
  }
  void TearDown() override { NuboSetTrace({}); }

  void AddGuest(const std::string& name) {
    table->Append();
    table->FieldByName("Name")->SetAsString(name);
    table->Post();
  }

  test::TempDir dir;
  std::unique_ptr<TvxTable> table;
};

TEST(TableKind, ByTypeOrByName) {
  struct Case {
    TTableType type;
    std::string name;
    bool native, second, packable;
  } cases[] = {
      {ttDefault, "GuestLst.db", true, false, true},
      {ttDefault, "GUESTLST.DB", true, false, true},
      {ttDefault, "guests.dbf", false, true, true},
      {ttDefault, "guests.dbt", false, false, false},  // holds ".db", ends in another letter
      {ttDefault, "guests", false, false, false},
      {ttKalmure, "guests.dbf", true, true, true},  // the type decides nativeness; the extension the rest
      {ttZentor, "guests.db", false, true, true},
  };
  fw::test::ScriptedMessages s;
  for (const Case& c : cases) {
    auto t = std::make_unique<TvxTable>(nullptr);
    t->SetTableType(c.type);
    t->SetTableName(c.name);
    EXPECT_EQ(t->IsKalmureTable(), c.native) << c.name;
    EXPECT_EQ(t->IsZentorTable(), c.second) << c.name;
    EXPECT_FALSE(t->isSequencableTable());  // no cursor
    if (!c.packable) {
      std::string msg;
      EXPECT_FALSE(t->Pack(msg));
      EXPECT_EQ(msg, "Invalid table type for packing.");
    }
  }
  EXPECT_TRUE(s->Requests.empty());
}

TEST_F(Table, StoredPictureWinsAndRewritesTheLineKeepingItsFlags) {
  table->PictureMasks()->Add("Zip\t#####\tT\tF");
  table->PictureMasks()->Add("phone\t##\tF\tT");
  std::string picture;
  bool autoFill, useInGrid;
  vxPictureByField(table.get(), "Phone", false, picture, autoFill, useInGrid);
  EXPECT_EQ(picture, "##");
  EXPECT_FALSE(autoFill);
  EXPECT_TRUE(useInGrid);
  vxPictureByField(table.get(), "Phone", true, picture, autoFill, useInGrid);
  EXPECT_EQ(picture, "###-####");
  EXPECT_FALSE(autoFill);
  EXPECT_TRUE(useInGrid);
  EXPECT_EQ(LinesOf(table->PictureMasks()), (std::vector<std::string>{"Zip\t#####\tT\tF", "Phone\t###-####\tF\tT"}));
  // No line and no stored picture: no mask, both flags True.
  vxPictureByField(table.get(), "Name", true, picture, autoFill, useInGrid);
  EXPECT_EQ(picture, "");
  EXPECT_TRUE(autoFill);
  EXPECT_TRUE(useInGrid);
  // The stored picture is exact about the field's name.
  EXPECT_EQ(table->GetDBPicture("phone"), "");
  EXPECT_EQ(vxKalPictureMask(table.get(), "Nothing"), "");

  // Writing on an open table: a stored picture replaces the mask given; an
  // empty mask removes.
  table->Open();
  vxSetPictureMask(table.get(), "Phone", "#", true, false, true, true, true);
  EXPECT_EQ(table->PictureMasks()->Strings(1), "Phone\t###-####\tT\tF");
  vxSetPictureMask(table.get(), "ZIP", "", false, false, true, false, false);
  EXPECT_EQ(LinesOf(table->PictureMasks()), (std::vector<std::string>{"Phone\t###-####\tT\tF"}));
  vxSetPictureMask(table.get(), "Name", "&*?", false, true, true, true, true);
  EXPECT_EQ(table->PictureMasks()->Strings(1), "Name\t&*?\tF\tT");
}

TEST_F(Table, PostingChecksPicturesAndStopsAtTheFirstInvalidField) {
  table->PictureMasks()->Add("Zip\t###-##\tT\tT");
  auto source = std::make_unique<TvxDataSource>(nullptr);
  source->SetDataSet(table.get());
  FocusLink link;
  link.SetDataSource(source.get());
  std::vector<std::string> told;
  table->OnInvalidValue = [&](TDataSet* d, TField* f) {
    EXPECT_EQ(d, table.get());
    told.push_back(f->FieldName());
  };
  table->Open();
  table->FieldByName("Phone")->SetDisplayLabel("Telephone");

  table->Append();
  table->FieldByName("Name")->SetAsString("Ann");
  table->FieldByName("Phone")->SetAsString("555-12");
  table->FieldByName("Zip")->SetAsString("123");  // complete only if literals were filled in
  try {
    table->Post();
    ADD_FAILURE() << "posted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Invalid characters. Field : Telephone");
  }
  EXPECT_EQ(told, (std::vector<std::string>{"Phone"}));
  EXPECT_EQ(link.Focused, (std::vector<std::string>{"Phone"}));
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->FieldByName("Phone")->AsString(), "555-12");

  // The next invalid field is the one reported now, with the configured text.
  table->FieldByName("Phone")->SetAsString("555-1234");
  const std::string text = vxInternational()->UserMessages()->PictureValidateError();
  vxInternational()->UserMessages()->SetPictureValidateError("Bad value in ");
  EXPECT_THROW(
      {
        try {
          table->Post();
        } catch (const EDatabaseError& e) {
          EXPECT_EQ(e.Message(), "Bad value in Zip");
          throw;
        }
      },
      EDatabaseError);
  vxInternational()->UserMessages()->SetPictureValidateError(text);

  // Empty and read-only fields pass, whatever their pictures.
  table->FieldByName("Phone")->SetAsString("");
  table->FieldByName("Zip")->SetReadOnly(true);
  table->Post();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_EQ(told.size(), 2u);

  // Without ValidateWithMask nothing is checked.
  table->FieldByName("Zip")->SetReadOnly(false);
  table->SetValidateWithMask(false);
  table->Append();
  table->FieldByName("Phone")->SetAsString("x");
  table->Post();
  EXPECT_EQ(table->RecordCount(), 2);
}

TEST_F(Table, AHandlerThatRaisesReplacesTheMessage) {
  table->OnInvalidValue = [](TDataSet*, TField* f) { throw EDatabaseError("check " + f->FieldName()); };
  table->Open();
  table->Append();
  table->FieldByName("Phone")->SetAsString("1");
  try {
    table->Post();
    ADD_FAILURE() << "posted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "check Phone");
  }
  EXPECT_EQ(table->State(), dsInsert);
}

TEST_F(Table, StoredPicturesAreReadOnceAndAClosedTableIsOpenedForIt) {
  int lists = 0;
  NuboSetTrace([&](unsigned ordinal) { lists += ordinal == ORVEX_OPEN_VCHK_LIST; });
  ASSERT_FALSE(table->Active());
  EXPECT_EQ(table->GetDBPicture("Phone"), "###-####");
  EXPECT_EQ(lists, 1);
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->Handle(), 0u);

  // Not again: neither for another request nor for posting, also after the
  // table changed its name and its stored pictures changed.
  EXPECT_EQ(table->GetDBPicture("Zip"), "");
  table->Open();
  table->Append();
  table->FieldByName("Phone")->SetAsString("555-1234");
  table->Post();
  table->Close();
  vxtest::MakeTable(dir.Path(), "other.db", {{"Name", ORVEX_FT_STRING, 20}, {"Phone", ORVEX_FT_STRING, 12, "#"}});
  table->SetTableName("other.db");
  EXPECT_EQ(table->GetDBPicture("Phone"), "###-####");
  EXPECT_EQ(lists, 1);

  // A table of the other format has none, and never asks.
  auto second = std::make_unique<TvxTable>(nullptr);
  second->SetDatabaseName(dir.Path());
  second->SetTableName("guests.dbf");
  EXPECT_EQ(second->GetDBPicture("Phone"), "");
  EXPECT_EQ(lists, 1);
}

TEST_F(Table, PackKeepsTheTableAsItWas) {
  table->Open();
  for (const char* n : {"Ann", "Bob", "Cid"}) AddGuest(n);
  table->First();
  table->Delete();
  std::string msg = "junk";
  EXPECT_TRUE(table->Pack(msg)) << msg;
  EXPECT_EQ(msg, "");
  EXPECT_TRUE(table->Active());
  EXPECT_FALSE(table->Exclusive());
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(table->RecordCount(), 2);

  // Closed and exclusive stays closed and exclusive.
  table->Close();
  table->SetExclusive(true);
  EXPECT_TRUE(table->Pack(msg)) << msg;
  EXPECT_FALSE(table->Active());
  EXPECT_TRUE(table->Exclusive());
}

TEST_F(Table, PackRestoresTheTableWhenItsOpenFails) {
  table->Open();
  AddGuest("Ann");
  auto other = std::make_unique<TTable>(nullptr);  // holds the file, so no exclusive open is possible
  other->SetDatabaseName(dir.Path());
  other->SetTableName("guests.db");
  other->Open();
  std::string msg;
  EXPECT_THROW(table->Pack(msg), EDBEngineError);
  EXPECT_TRUE(table->Active());
  EXPECT_FALSE(table->Exclusive());
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Ann");
}

TEST_F(Table, PackOfTheSecondFormat) {
  vxtest::MakeTable(dir.Path(), "list.dbf", {{"Name", ORVEX_FT_STRING, 20}});
  auto t = std::make_unique<TvxTable>(nullptr);
  t->SetDatabaseName(dir.Path());
  t->SetTableName("list.dbf");
  std::string msg;
  EXPECT_TRUE(t->Pack(msg)) << msg;
  EXPECT_FALSE(t->Active());
  EXPECT_FALSE(t->Exclusive());
}

TEST_F(Table, LongOperationsShowTheHourglassAndTheDefaultCursorAfter) {
  // The cursor at the engine calls that do the long work.
  std::vector<std::pair<unsigned, TCursor>> seen;
  bool fail = false;
  NuboSetTrace([&](unsigned ordinal) {
    if (ordinal != ORVEX_DO_RESTRUCTURE && ordinal != ORVEX_PACK_TABLE && ordinal != ORVEX_Q_ALLOC) return;
    seen.push_back({ordinal, Screen->Cursor()});
    if (fail) throw EDatabaseError("The disk went away");
  });
  using Seen = std::vector<std::pair<unsigned, TCursor>>;
  table->Open();
  AddGuest("Ann");
  std::string msg;
  EXPECT_TRUE(table->Pack(msg)) << msg;
  EXPECT_EQ(seen, (Seen{{ORVEX_DO_RESTRUCTURE, crHourGlass}}));
  EXPECT_EQ(Screen->Cursor(), crDefault);

  seen.clear();
  vxtest::MakeTable(dir.Path(), "list.dbf", {{"Name", ORVEX_FT_STRING, 20}});
  auto second = std::make_unique<TvxTable>(nullptr);
  second->SetDatabaseName(dir.Path());
  second->SetTableName("list.dbf");
  EXPECT_TRUE(second->Pack(msg)) << msg;
  EXPECT_EQ(seen, (Seen{{ORVEX_PACK_TABLE, crHourGlass}}));
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // A query that fails.
  seen.clear();
  TStringList lines;
  lines.Add("SELEC Name FROM guests");
  auto query = std::make_unique<TvxTable>(nullptr);
  query->SetDatabaseName(dir.Path());
  query->SetQuery(&lines);
  EXPECT_THROW(query->Open(), EDBEngineError);
  EXPECT_EQ(seen, (Seen{{ORVEX_Q_ALLOC, crHourGlass}}));
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // A pack that fails on the way.
  fail = true;
  for (TvxTable* t : {table.get(), second.get()}) {
    seen.clear();
    EXPECT_THROW(t->Pack(msg), EDatabaseError);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].second, crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crDefault);
  }
  EXPECT_TRUE(table->Active());

  // Inside an hourglass of its own the caller keeps it.
  fail = false;
  {
    THourGlassScope outer;
    EXPECT_TRUE(table->Pack(msg)) << msg;
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(Table, QueryLinesAndTableNameExcludeEachOther) {
  table->Open();
  AddGuest("Bo");
  AddGuest("Ann");
  table->Close();
  table->SetIndexFieldNames("Name");
  table->SetMasterFields("Seat");
  TStringList lines;
  lines.Add("Query");
  lines.Add("guests.db | Name |");
  table->SetQuery(&lines);
  EXPECT_EQ(table->TableName(), "");
  EXPECT_EQ(table->IndexFieldNames(), "");
  EXPECT_EQ(table->MasterFields(), "");
  EXPECT_EQ(LinesOf(table->Query()), LinesOf(&lines));
  EXPECT_TRUE(vxIsTableQuery(table.get()));

  table->SetTableName("");  // an empty name leaves the query
  EXPECT_EQ(table->Query()->Count(), 2);

  // A header without rows is refused by the engine.
  try {
    table->Open();
    ADD_FAILURE() << "opened";
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(e.ErrorCode(), ORVEX_ERR_QBESYNTAX);
  }
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->QueryLanguage(), "QBE");
  // query by example, joined by CR LF, opens on its answer; blanks count as zero
  lines.Clear();
  lines.Add("QUERY");
  lines.Add("");
  lines.Add("guests.db | Name | Seat");
  lines.Add("          | P.   | <1");
  table->SetQuery(&lines);
  table->Open();
  EXPECT_EQ(table->QueryLanguage(), "QBE");
  ASSERT_EQ(table->FieldCount(), 1);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Ann");
  table->Next();
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Bo");
  table->Close();
  // a query that changes data makes its change once and answers nothing
  lines.Clear();
  lines.Add("Query");
  lines.Add("");
  lines.Add("guests | Name");
  lines.Add("I.     | Cy");
  table->SetQuery(&lines);
  EXPECT_THROW(table->Open(), ENoResultSet);
  EXPECT_FALSE(table->Active());
  lines.Clear();
  lines.Add("SELECT count(*) AS N FROM guests");
  table->SetQuery(&lines);
  table->Open();
  EXPECT_EQ(table->FieldByName("N")->AsInteger(), 3);
  table->Close();
  // SQL lines, joined by blanks, open the statement's answer
  lines.Clear();
  lines.Add("SELECT Name, Seat * 2 AS Twice FROM guests");
  lines.Add("ORDER BY Name");
  table->SetQuery(&lines);
  table->Open();
  EXPECT_EQ(table->QueryLanguage(), "SQL");
  ASSERT_EQ(table->FieldCount(), 2);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Ann");
  table->Next();
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Bo");
  EXPECT_FALSE(table->CanModify());
  table->Close();
  EXPECT_EQ(table->Query()->Count(), 2);

  table->SetTableName("guests.db");
  EXPECT_EQ(table->Query()->Count(), 0);
  EXPECT_FALSE(vxIsTableQuery(table.get()));
  table->Open();
  table->SetQuery(&lines);  // closes an open table
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->TableName(), "");
}

TEST_F(Table, OpeningSetsSequencableAndFiltersTurnSequencingOff) {
  table->Open();
  AddGuest("Ann");
  EXPECT_TRUE(table->isSequencableTable());
  EXPECT_TRUE(table->IsSequenced());
  EXPECT_EQ(table->GetFilterCount(), 1);
  table->vxFilter()->Add("Name = 'Ann'  ");
  table->vxFilter()->Add("");
  table->vxFilter()->Add("Seat > 2\t");
  EXPECT_EQ(table->FilterString(), "Name = 'Ann' AND (Seat > 2)");
  EXPECT_FALSE(table->IsSequenced());
  table->vxFilter()->Clear();
  EXPECT_TRUE(table->IsSequenced());
}

TEST_F(Table, DependentFlagsAreSetWhenTheTableGoes) {
  bool a = false, b = false, c = false;
  table->AddDependentTablePtr(&a);
  table->AddDependentTablePtr(&b);
  table->AddDependentTablePtr(&c);
  table->RemoveDependentTablePtr(&b);
  table->Open();
  table.reset();
  EXPECT_TRUE(a);
  EXPECT_FALSE(b);
  EXPECT_TRUE(c);
}

TEST_F(Table, FormFilesSetThePublishedPropertiesWithTheirDefaults) {
  auto form = std::make_unique<vxtest::TTableForm>(nullptr);
  const std::string text = "object TableForm: TTableForm\n"
                           "  object SeatTable: TvxTable\n"
                           "    DatabaseName = '" + dir.Path() + "'\n"
                           "    SyncSQLByRange = False\n"
                           "    NarrowSearch = True\n"
                           "    ValidateWithMask = True\n"
                           "    TableName = 'guests.db'\n"
                           "    PictureMasks.Strings = (\n"
                           "      'Zip'#9'#####'#9'T'#9'T')\n"
                           "    Active = True\n"
                           "  end\n"
                           "  object SeatSource: TvxDataSource\n"
                           "    DataSet = SeatTable\n"
                           "  end\n"
                           "end\n";
  ReadComponentText(form.get(), text, "table.dfm");
  auto* t = dynamic_cast<TvxTable*>(form->FindComponent("SeatTable"));
  auto* s = dynamic_cast<TvxDataSource*>(form->FindComponent("SeatSource"));
  ASSERT_TRUE(t && s);
  EXPECT_EQ(s->DataSet(), t);
  EXPECT_TRUE(t->Active());
  EXPECT_FALSE(t->SyncSQLByRange());
  EXPECT_TRUE(t->NarrowSearch());
  EXPECT_EQ(t->NarrowSearchUpperChar(), 255);
  EXPECT_EQ(t->OnFilterOptions(), (TvxOnFilterOptions{ofoEnabled, ofoShowHourGlass}));
  EXPECT_EQ(vxGetPictureMasks(t)->Strings(0), "Zip\t#####\tT\tT");
  EXPECT_TRUE(vxGetValidateWithMask(t));
  EXPECT_EQ(vxGetTableName(t), "guests.db");
  EXPECT_EQ(vxGetDatabaseName(t), dir.Path());
  EXPECT_TRUE(vxDataSet(t));
  EXPECT_FALSE(vxHasIndex(t));

  // Stored Booleans have no streaming default; the upper character has one.
  const TPropInfo* sync = GetPropInfo(t, "SyncSQLByRange");
  ASSERT_NE(sync, nullptr);
  EXPECT_FALSE(sync->DefaultValue.has_value());
  EXPECT_FALSE(GetPropInfo(t, "ValidateWithMask")->DefaultValue.has_value());
  EXPECT_EQ(GetPropInfo(t, "NarrowSearchUpperChar")->DefaultValue, 255);
  // The event reached by name is the table's own.
  int calls = 0;
  t->OnInvalidValue = [&](TDataSet*, TField*) { ++calls; };
  vxGetOnInvalidValue(t)(t, nullptr);
  EXPECT_EQ(calls, 1);
}

TEST_F(Table, PictureRepositoryComesFromTheRegistry) {
  fw::test::ScriptedMessages s;
  const std::string registryFile = dir.File("registry");
  setenv("FW_REGISTRY", registryFile.c_str(), 1);
  struct Unset {
    ~Unset() { unsetenv("FW_REGISTRY"); }
  } unset;

  // Neither table there: the message says where it looked.
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(vxMasksRegistryKey, true));
    r.WriteString(vxMasksRegistryValue, dir.Path());
  }
  auto t = std::make_unique<TvxTable>(nullptr);
  vxOpenPictureDB(t.get());
  EXPECT_FALSE(t->Active());
  ASSERT_EQ(s->Requests.size(), 1u);
  EXPECT_EQ(s->Requests[0].Text, "Unable to find picture mask database:\rPath: " + dir.Path() +
                                     "\rTable: PICTURE\rSee path specification defined in Windows Registry at\r"
                                     "  \\Software\\Belmarr\\Lumerix\\Masks Database Path");

  // The second name is tried when the first is not there.
  vxtest::MakeTable(dir.Path(), "PICTURES.DBF", {{"Picture", ORVEX_FT_STRING, 40}});
  vxOpenPictureDB(t.get());
  EXPECT_TRUE(t->Active());
  EXPECT_EQ(t->TableName(), "PICTURES.DBF");
  EXPECT_EQ(s->Requests.size(), 1u);
  t->Close();

  vxtest::MakeTable(dir.Path(), "PICTURE.db", {{"Picture", ORVEX_FT_STRING, 40}});
  vxOpenPictureDB(t.get());
  EXPECT_TRUE(t->Active());
  EXPECT_EQ(t->TableName(), "PICTURE");
}

}  // namespace

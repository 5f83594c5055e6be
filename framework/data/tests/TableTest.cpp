// TTable over real engine tables: the open, fetch, post and close flow and
// the operations it calls, editing paths, search, keys, ranges and links.
#include <memory>

#include "EngineFixture.h"
#include "EngineLib.h"
#include "Strings.h"

namespace fwtest {
namespace {

// Records the framework's calls of the operations that descendants override.
class TRecordingTable : public TTable {
  FW_CLASS(TRecordingTable, TTable)
public:
  using TTable::TTable;
  std::vector<std::string> Calls;
  bool IsSequenced() override {
    Calls.push_back("IsSequenced");
    return TTable::IsSequenced();
  }

protected:
  void OpenCursor(bool InfoQuery) override {
    Calls.push_back(InfoQuery ? "OpenCursor(info)" : "OpenCursor");
    TTable::OpenCursor(InfoQuery);
  }
  void CloseCursor() override {
    Calls.push_back("CloseCursor");
    TTable::CloseCursor();
  }
  void InitFieldDefs() override {
    Calls.push_back("InitFieldDefs");
    TTable::InitFieldDefs();
  }
  hOrvexCursor CreateHandle() override {
    Calls.push_back("CreateHandle");
    return TTable::CreateHandle();
  }
  void PrepareCursor() override {
    Calls.push_back("PrepareCursor");
    TTable::PrepareCursor();
  }
  void DataEvent(TDataEvent Event, std::intptr_t Info) override {
    if (Event == deUpdateState) Calls.push_back(std::string("State ") + FwEnumInfo(State())->NameOf(State()));
    TTable::DataEvent(Event, Info);
  }
  void DoBeforePost() override {
    Calls.push_back("DoBeforePost");
    TTable::DoBeforePost();
  }
  void DoAfterOpen() override {
    Calls.push_back("DoAfterOpen");
    TTable::DoAfterOpen();
  }
  void DoOnCalcFields() override {
    Calls.push_back("DoOnCalcFields");
    TTable::DoOnCalcFields();
  }
  int GetNextRecords() override {
    int n = TTable::GetNextRecords();
    Calls.push_back("GetNextRecords " + std::to_string(n));
    return n;
  }
};

FW_IMPLEMENT_CLASS(TRecordingTable)

// Tells a log that outlives it how it closes and when it goes.
class TClosingTable : public TTable {
  FW_CLASS(TClosingTable, TTable)
public:
  explicit TClosingTable(TComponent* owner, std::vector<std::string>* log = nullptr) : TTable(owner), log_(log) {}
  ~TClosingTable() override { log_->push_back("~TClosingTable"); }

protected:
  void CloseCursor() override {
    log_->push_back("CloseCursor");
    TTable::CloseCursor();
  }

private:
  std::vector<std::string>* log_;
};

FW_IMPLEMENT_CLASS(TClosingTable)

using Table = EngineTables;

TField* AddCalcField(TDataSet* ds, TComponent* owner, const std::string& name) {
  auto* f = new TFloatField(owner);
  f->SetFieldName(name);
  f->SetCalculated(true);
  f->SetDataSet(ds);
  return f;
}

TEST_F(Table, OpenFetchPostCloseCallTheOverridableOperationsInOrder) {
  Fill(MakeGuests(), 3);
  auto* t = new TRecordingTable(owner.get());
  t->SetDatabaseName(dir);
  t->SetTableName("Guests.db");

  t->FieldDefs()->Update();
  EXPECT_EQ(t->Calls, (std::vector<std::string>{"InitFieldDefs", "OpenCursor(info)", "CreateHandle", "CloseCursor"}));
  EXPECT_EQ(t->FieldDefs()->Count(), 7);
  EXPECT_FALSE(t->Active());

  // Persistent fields with a calculated one: each fetched record is calculated.
  for (int i = 0; i < t->FieldDefs()->Count(); ++i) t->FieldDefs()->Items(i)->CreateField(owner.get());
  AddCalcField(t, owner.get(), "Double");
  t->OnCalcFields = [](TDataSet* ds) {
    ds->FieldByName("Double")->SetAsFloat(ds->FieldByName("Amount")->AsFloat() * 2);
  };
  t->Calls.clear();
  t->Open();
  EXPECT_EQ(t->Calls, (std::vector<std::string>{"OpenCursor", "CreateHandle", "PrepareCursor", "DoOnCalcFields",
                                                "GetNextRecords 1", "State dsBrowse", "DoAfterOpen"}));
  EXPECT_DOUBLE_EQ(t->FieldByName("Double")->AsFloat(), 3.0);

  t->Calls.clear();
  t->Edit();
  t->FieldByName("Amount")->SetAsFloat(10);
  EXPECT_DOUBLE_EQ(t->FieldByName("Double")->AsFloat(), 20.0);  // recalculated as the data changes
  t->Post();
  EXPECT_EQ(t->Calls, (std::vector<std::string>{"DoOnCalcFields", "State dsEdit", "DoOnCalcFields", "DoBeforePost",
                                                "State dsBrowse", "DoOnCalcFields", "GetNextRecords 0"}));

  TDataSet* base = t;
  t->Calls.clear();
  EXPECT_TRUE(base->IsSequenced());
  t->Close();
  EXPECT_EQ(t->Calls, (std::vector<std::string>{"IsSequenced", "State dsInactive", "CloseCursor"}));
  EXPECT_EQ(t->FieldCount(), 8);  // persistent fields stay
}

// Freed while open, by delete or by its owner, a table closes through the
// derived class's cursor, without the events of a close by hand.
TEST_F(Table, FreeingAnOpenTableClosesItThroughTheDerivedClass) {
  Fill(MakeGuests(), 2);
  for (bool byOwner : {false, true}) {
    SCOPED_TRACE(byOwner ? "by its owner" : "by delete");
    std::vector<std::string> log;
    auto holder = std::make_unique<TComponent>(nullptr);
    auto* t = new TClosingTable(byOwner ? holder.get() : nullptr, &log);
    t->SetDatabaseName(dir);
    t->SetTableName("Guests.db");
    t->Open();
    t->BeforeClose = [&log](TDataSet*) { log.push_back("BeforeClose"); };
    t->AfterClose = [&log](TDataSet*) { log.push_back("AfterClose"); };
    if (byOwner) holder.reset();
    else delete t;
    EXPECT_EQ(log, (std::vector<std::string>{"CloseCursor", "~TClosingTable"}));
  }
}

TEST_F(Table, PostAndCancelPathsKeepOrDropTheEdit) {
  TTable* t = OpenGuests(5);
  TField* name = t->FieldByName("Name");
  bool refuse = true;
  t->BeforePost = [&](TDataSet*) {
    if (refuse) DatabaseError("refused");
  };

  // A failing BeforePost leaves the record in its edit state with its values.
  t->Edit();
  name->SetAsString("Changed");
  EXPECT_THROW(t->Post(), EDatabaseError);
  EXPECT_EQ(t->State(), dsEdit);
  EXPECT_EQ(name->AsString(), "Changed");
  EXPECT_TRUE(t->Modified());
  t->Cancel();
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(name->AsString(), "Guest 01");

  // The same for a new record; cancelling it leaves the table as it was.
  t->MoveBy(2);
  t->Insert();
  t->FieldByName("ID")->SetAsInteger(99);
  EXPECT_THROW(t->Post(), EDatabaseError);
  EXPECT_EQ(t->State(), dsInsert);
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 99);
  t->Cancel();
  EXPECT_EQ(t->RecordCount(), 5);
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 3);

  // Posting: the record stays current and is stored.
  refuse = false;
  t->Insert();
  t->FieldByName("ID")->SetAsInteger(99);
  name->SetAsString("New");
  t->Post();
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(name->AsString(), "New");
  EXPECT_EQ(t->RecordCount(), 6);
  t->Last();
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 99);

  // A required field left blank is refused before the engine sees it.
  t->Append();
  name->SetAsString("Nobody");
  try {
    t->Post();
    FAIL() << "posted a record without its required ID";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("Field 'ID' must have a value"), std::string::npos) << e.what();
  }
  EXPECT_EQ(t->State(), dsInsert);

  // An engine refusal goes through OnPostError: abort ends silently.
  t->FieldByName("ID")->SetAsInteger(1);  // a key violation
  int errors = 0;
  t->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
    ++errors;
    action = daAbort;
  };
  EXPECT_THROW(t->Post(), EAbort);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(t->State(), dsInsert);
  t->Cancel();

  // Delete removes the current record and shows the next.
  t->First();
  t->Delete();
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(t->RecordCount(), 5);
}

TEST_F(Table, BookmarksReturnToTheirRecords) {
  TTable* t = OpenGuests(10);
  t->MoveBy(3);
  EXPECT_EQ(t->RecNo(), 4);
  t->SetRecNo(7);
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 7);
  t->SetRecNo(4);
  TBookmark b4 = t->GetBookmark();
  t->Last();
  TBookmark b10 = t->GetBookmark();
  EXPECT_LT(t->CompareBookmarks(b4, b10), 0);
  EXPECT_GT(t->CompareBookmarks(b10, b4), 0);
  EXPECT_EQ(t->CompareBookmarks(b4, b4), 0);
  t->GotoBookmark(b4);
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 4);
  EXPECT_TRUE(t->BookmarkValid(b4));
  t->Delete();
  EXPECT_FALSE(t->BookmarkValid(b4));
  EXPECT_THROW(t->GotoBookmark(b4), EDatabaseError);
  t->FreeBookmark(b10);
  EXPECT_TRUE(b10.IsNull());
}

TEST_F(Table, LocateWithBothOptionsAndSeveralFields) {
  TTable* t = OpenGuests(12);
  struct Case {
    const char* fields;
    Variant key;
    TLocateOptions options;
    int id;  // 0: not found
  } cases[] = {
      {"Name", "Guest 07", {}, 7},
      {"Name", "guest 07", {}, 0},
      {"Name", "guest 07", {loCaseInsensitive}, 7},
      {"Name", "Guest 1", {}, 0},
      {"Name", "Guest 1", {loPartialKey}, 10},
      {"Name", "GUEST 1", {loPartialKey, loCaseInsensitive}, 10},
      {"Amount", 9.0, {}, 6},
      {"Amount", "9", {}, 6},
      {"ID", "x", {}, 0},
      {"EventID;Name", VarArrayOf({3, "Guest 05"}), {}, 5},
      {"EventID;Name", VarArrayOf({1, "Guest 05"}), {}, 0},
      {"Born", Null(), {}, 1},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(n++) + ": " + c.fields);
    t->MoveBy(2);
    int before = t->FieldByName("ID")->AsInteger();
    bool found = t->Locate(c.fields, c.key, c.options);
    EXPECT_EQ(found, c.id != 0);
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), c.id ? c.id : before);
  }
  EXPECT_EQ(VarToStr(t->Lookup("ID", 11, "Name")), "Guest 11");
  EXPECT_TRUE(VarIsNull(t->Lookup("ID", 77, "Name")));
}

// Locate by the base scan alone, to hold the index's answers against.
class TScanTable : public TTable {
  FW_CLASS(TScanTable, TTable)
public:
  using TTable::TTable;

protected:
  bool LocateRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Keys,
                    TLocateOptions Options) override {
    return TDataSet::LocateRecord(Fields, Keys, Options);
  }
};
FW_IMPLEMENT_CLASS(TScanTable)

TEST_F(Table, LocateThroughTheIndexFindsWhatTheScanFinds) {
  auto* make = new TTable(owner.get());
  make->SetDatabaseName(dir);
  make->SetTableName("Names.db");
  make->FieldDefs()->Add("ID", ftInteger, 0, true);
  make->FieldDefs()->Add("Name", ftString, 8);
  make->FieldDefs()->Add("Seat", ftSmallint);
  make->FieldDefs()->Add("Paid", ftFloat);
  make->IndexDefs()->Add("", "ID", {ixPrimary});
  make->IndexDefs()->Add("ByName", "Name", {ixCaseInsensitive});
  make->IndexDefs()->Add("ByNameCase", "Name;ID", {});
  make->IndexDefs()->Add("ByNameDown", "Name", {ixCaseInsensitive, ixDescending});
  make->IndexDefs()->Add("BySeat", "Seat;Paid", {});
  make->CreateTable();
  make->Open();
  const char* names[] = {"Smith", "smith", "SMITHERS", "Smyth", "Adams", "", "smithy", "Ådne", "Smith"};
  int id = 0;
  for (const char* n : names) {
    make->Append();
    make->FieldByName("ID")->SetAsInteger(++id);
    if (*n) make->FieldByName("Name")->SetAsString(n);
    make->FieldByName("Seat")->SetAsInteger(id % 3);
    make->FieldByName("Paid")->SetAsFloat(id * 0.5);
    make->Post();
  }
  make->Close();

  auto open = [&](TTable* t, const char* index) {
    t->SetDatabaseName(dir);
    t->SetTableName("Names.db");
    t->SetIndexName(index);
    t->Open();
  };
  const std::vector<Variant> nameKeys = {"Smith", "smith", "SMI", "smi", "Sm", "Ådne", "å", "x", "", "Smitherss+"};
  int checked = 0;
  for (const char* index : {"", "ByName", "ByNameCase", "ByNameDown", "BySeat"}) {
    auto* byIndex = new TTable(owner.get());
    auto* byScan = new TScanTable(owner.get());
    open(byIndex, index);
    open(byScan, index);
    struct Search {
      const char* fields;
      Variant key;
    };
    std::vector<Search> searches;
    for (const Variant& k : nameKeys) searches.push_back({"Name", k});
    for (int i : {0, 3, 9, 10}) searches.push_back({"ID", i});
    searches.push_back({"ID", 3.0});
    searches.push_back({"Seat", 2});
    searches.push_back({"Seat;Paid", VarArrayOf({1, 2.0})});
    searches.push_back({"Seat;Paid", VarArrayOf({1, 2.5})});
    searches.push_back({"Name;ID", VarArrayOf({"smith", 2})});
    searches.push_back({"Name;ID", VarArrayOf({"Smith", 9})});
    for (const Search& s : searches) {
      for (TLocateOptions o : {TLocateOptions{}, TLocateOptions{loCaseInsensitive}, TLocateOptions{loPartialKey},
                               TLocateOptions{loCaseInsensitive, loPartialKey}}) {
        std::string key;
        if (VarIsArray(s.key))
          for (int i = 0; i < s.key.ArrayCount(); ++i) key += (i ? ";" : "") + VarToStr(s.key[i]);
        else
          key = VarToStr(s.key);
        SCOPED_TRACE(std::string("index '") + index + "' " + s.fields + " = '" + key + "' options " +
                     std::to_string(o.ToBits()));
        byIndex->Last();
        byScan->Last();
        const bool found = byIndex->Locate(s.fields, s.key, o);
        EXPECT_EQ(found, byScan->Locate(s.fields, s.key, o));
        EXPECT_EQ(byIndex->FieldByName("ID")->AsInteger(), byScan->FieldByName("ID")->AsInteger());
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 5 * 20 * 4);

  // The index's way meets the records that match, the scan every record
  // before them: a filter callback that accepts all counts them.
  auto* byIndex = new TTable(owner.get());
  auto* byScan = new TScanTable(owner.get());
  open(byIndex, "ByName");
  open(byScan, "ByName");
  auto counted = [](TTable* t, int* calls) {
    OrvexHandle filter = 0;
    auto count = [](std::uintptr_t data, void*) -> std::uint16_t {
      ++*reinterpret_cast<int*>(data);
      return 1;
    };
    ASSERT_EQ(Engine().AddFilter(t->Handle(), reinterpret_cast<std::uintptr_t>(calls), 1, 0, nullptr, count, &filter),
              ORVEX_OK);
    ASSERT_EQ(Engine().ActivateFilter(t->Handle(), filter), ORVEX_OK);
  };
  int indexCalls = 0, scanCalls = 0;
  counted(byIndex, &indexCalls);
  counted(byScan, &scanCalls);
  indexCalls = scanCalls = 0;
  EXPECT_TRUE(byIndex->Locate("Name", "smy", {loCaseInsensitive, loPartialKey}));
  EXPECT_TRUE(byScan->Locate("Name", "smy", {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(byIndex->FieldByName("Name")->AsString(), "Smyth");
  EXPECT_LE(indexCalls, 3);  // the key search, the step onto the record, the re-read
  EXPECT_GE(scanCalls, 9);  // every name, Smyth the last
}

TEST_F(Table, KeySearchAndRanges) {
  TTable* t = OpenGuests(20);
  EXPECT_EQ(t->IndexFieldCount(), 1);
  EXPECT_EQ(t->IndexFields(0)->FieldName(), "ID");
  EXPECT_TRUE(t->FindKey({15}));
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 15);
  int at = t->FieldByName("ID")->AsInteger();
  EXPECT_FALSE(t->FindKey({99}));
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), at);

  t->SetIndexName("ByName");
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 15);  // switching keeps the record
  t->FindNearest({"guest 12x"});
  EXPECT_EQ(t->FieldByName("Name")->AsString(), "Guest 13");
  t->FindNearest({"zzz"});
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 20);
  t->SetKey();
  t->FieldByName("Name")->SetAsString("Guest 04");
  EXPECT_EQ(t->State(), dsSetKey);
  EXPECT_TRUE(t->GotoKey());
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 4);

  t->SetRange({"Guest 05"}, {"Guest 08"});
  EXPECT_EQ(t->RecordCount(), 4);
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 5);
  t->Last();
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 8);

  // A range end never set has no upper bound.
  t->CancelRange();
  t->SetIndexFieldNames("ID");
  t->SetRangeStart();
  t->FieldByName("ID")->SetAsInteger(17);
  t->ApplyRange();
  EXPECT_EQ(t->RecordCount(), 4);
  t->EditRangeEnd();
  t->FieldByName("ID")->SetAsInteger(18);
  t->ApplyRange();
  EXPECT_EQ(t->RecordCount(), 2);
  t->CancelRange();
  EXPECT_EQ(t->RecordCount(), 20);
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 17);  // cancelling keeps the record
}

TEST_F(Table, DetailFollowsItsMaster) {
  auto* events = new TTable(owner.get());
  events->SetDatabaseName(dir);
  events->SetTableName("Events.db");
  events->FieldDefs()->Add("EventID", ftInteger, 0, true);
  events->FieldDefs()->Add("Title", ftString, 30);
  events->IndexDefs()->Add("", "EventID", {ixPrimary});
  events->CreateTable();
  events->Open();
  for (int i = 1; i <= 4; ++i) {
    events->Append();
    events->FieldByName("EventID")->SetAsInteger(i);
    events->Post();
  }
  TTable* guests = MakeGuests();
  Fill(guests, 9);  // EventID 2 3 1 2 3 1 2 3 1
  auto* src = new TDataSource(owner.get());
  src->SetDataSet(events);
  guests->SetIndexName("ByEvent");
  guests->SetMasterSource(src);
  guests->SetMasterFields("EventID");
  events->First();
  guests->Open();
  auto ids = [&] {
    std::vector<int> v;
    for (guests->First(); !guests->Eof(); guests->Next()) v.push_back(guests->FieldByName("ID")->AsInteger());
    return v;
  };
  EXPECT_EQ(ids(), (std::vector<int>{3, 6, 9}));
  events->Next();
  EXPECT_EQ(ids(), (std::vector<int>{1, 4, 7}));
  events->Last();
  EXPECT_TRUE(ids().empty());
  // The master's key changing in an edit moves the detail too.
  events->Edit();
  events->FieldByName("EventID")->SetAsInteger(3);
  EXPECT_EQ(ids(), (std::vector<int>{2, 5, 8}));
  events->Cancel();
  guests->SetMasterSource(nullptr);
  EXPECT_EQ(guests->RecordCount(), 9);
  EXPECT_THROW(guests->SetMasterSource([&] {
    auto* own = new TDataSource(owner.get());
    own->SetDataSet(guests);
    return own;
  }()),
               EDatabaseError);
}

TEST_F(Table, MissingTableRaisesTheEngineErrorNamingIt) {
  auto* t = new TTable(owner.get());
  t->SetDatabaseName(dir);
  t->SetTableName("NoSuchTable.db");
  try {
    t->Open();
    FAIL() << "opened a missing table";
  } catch (const EDBEngineError& e) {
    EXPECT_NE(e.ErrorCode(), 0);
    EXPECT_EQ(e.ErrorCount(), 1);
    EXPECT_EQ(e.Errors(0).ErrorCode(), e.ErrorCode());
    EXPECT_EQ(e.Errors(0).Message(), e.Message());
    EXPECT_EQ(e.Message(), Engine().ErrorText(e.ErrorCode()).substr(0, e.Message().size()));
    EXPECT_NE(e.Message().find("NoSuchTable"), std::string::npos) << e.Message();
    const EDatabaseError& base = e;
    EXPECT_FALSE(base.Message().empty());
  }
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->Handle(), 0u);
}

TEST_F(Table, AFailedOpenOrAFieldThatGoesLeavesNothingHalfDone) {
  TTable* t = MakeGuests();
  Fill(t, 2);
  t->SetIndexFieldNames("NoSuchField");
  EXPECT_THROW(t->Open(), EDatabaseError);
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->FieldCount(), 0);  // the fields made for the failed open went with it
  EXPECT_EQ(t->Handle(), 0u);
  t->SetIndexFieldNames("Name");
  t->Open();
  EXPECT_TRUE(t->DefaultFields());
  EXPECT_EQ(t->FieldCount(), 7);

  // A persistent field that goes takes the open dataset down with it.
  t->Close();
  auto* name = new TStringField(owner.get());
  name->SetFieldName("Name");
  name->SetDataSet(t);
  t->Open();
  EXPECT_EQ(t->FieldCount(), 1);
  delete name;
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->FieldCount(), 0);
}

TEST_F(Table, TableFilesDatabasesAndTheSession) {
  TTable* t = MakeGuests();
  Fill(t, 3);
  auto* more = MakeGuests("Other.db");
  (void)more;
  TStringList names;
  Session().GetTableNames(dir, "*", false, false, &names);
  EXPECT_EQ(names.CommaText(), "Guests,Other");
  Session().GetTableNames(dir, "G*.db", true, false, &names);
  EXPECT_EQ(names.CommaText(), "Guests.db");

  // An exclusive table is the only cursor on its file.
  t->SetExclusive(true);
  t->Open();
  auto* second = new TTable(owner.get());
  second->SetDatabaseName(dir);
  second->SetTableName("Guests.db");
  EXPECT_THROW(second->Open(), EDBEngineError);
  EXPECT_FALSE(second->Active());
  t->EmptyTable();
  EXPECT_TRUE(t->IsEmpty());
  EXPECT_EQ(t->RecordCount(), 0);
  t->Close();
  t->SetExclusive(false);
  second->Open();
  EXPECT_TRUE(second->IsEmpty());
  EXPECT_THROW(t->DeleteTable(), EDBEngineError);  // open elsewhere
  second->Close();
  t->DeleteTable();
  Session().GetTableNames(dir, "*", true, false, &names);
  EXPECT_EQ(names.CommaText(), "Other.db");

  // A database component names a directory for its datasets; without
  // KeepConnection it closes with the last of them.
  auto* db = new TDatabase(owner.get());
  db->SetDatabaseName("Planner");
  db->Params()->Add("PATH=" + dir);
  db->SetKeepConnection(false);
  auto* other = new TTable(owner.get());
  other->SetDatabaseName("planner");
  other->SetTableName("Other.db");
  other->Open();
  EXPECT_EQ(other->Database(), db);
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(other->DBHandle(), db->Handle());
  EXPECT_FALSE(db->IsSQLBased());
  EXPECT_EQ(db->DataSetCount(), 1);
  other->Close();
  EXPECT_FALSE(db->Connected());
  EXPECT_EQ(other->Database(), nullptr);
  // Closing a database closes its datasets first.
  other->Open();
  db->Close();
  EXPECT_FALSE(other->Active());

  // Passwords come from the replaceable prompt.
  std::string asked;
  Session().PasswordPrompt = [&](std::string& p) {
    p = "secret";
    return true;
  };
  EXPECT_TRUE(Session().GetPassword());
  EXPECT_EQ(Session().Passwords(), std::vector<std::string>{"secret"});
  Session().PasswordPrompt = [](std::string&) { return false; };
  EXPECT_FALSE(Session().GetPassword());
  Session().PasswordPrompt = nullptr;
  Session().RemoveAllPasswords();
}

}  // namespace
}  // namespace fwtest

#include <gtest/gtest.h>

#include <memory>

#include "MemDataSet.h"
#include "ScriptedMessages.h"
#include "Vxcommon.h"
#include "Vxdbedit.h"
#include "Vxtable.h"

using namespace fw;
using namespace vx;

namespace fwtest {
FW_IMPLEMENT_CLASS(TMemDataSet)
}

namespace vxtest {

// A foreign dataset that imitates the library's: it publishes the lists.
class TListsDataSet : public fwtest::TMemDataSet {
  FW_CLASS(TListsDataSet, fwtest::TMemDataSet)
public:
  explicit TListsDataSet(TComponent* owner) : TMemDataSet(owner) {}
  TStrings* ControlType() const { return controlType_.get(); }
  TStrings* LookupFields() const { return lookupFields_.get(); }
  TStrings* LookupLinks() const { return lookupLinks_.get(); }
  void SetControlType(TStrings* v) { controlType_->Assign(v); }
  void SetLookupFields(TStrings* v) { lookupFields_->Assign(v); }
  void SetLookupLinks(TStrings* v) { lookupLinks_->Assign(v); }

private:
  std::unique_ptr<TStringList> controlType_ = std::make_unique<TStringList>();
  std::unique_ptr<TStringList> lookupFields_ = std::make_unique<TStringList>();
  std::unique_ptr<TStringList> lookupLinks_ = std::make_unique<TStringList>();
};

FW_PUBLISH(TListsDataSet) {
  c.Property("ControlType", &TListsDataSet::ControlType, &TListsDataSet::SetControlType);
  c.Property("LookupFields", &TListsDataSet::LookupFields, &TListsDataSet::SetLookupFields);
  c.Property("LookupLinks", &TListsDataSet::LookupLinks, &TListsDataSet::SetLookupLinks);
}

class TvxClientDataSet : public fwtest::TMemDataSet {
  FW_CLASS(TvxClientDataSet, fwtest::TMemDataSet)
public:
  using TMemDataSet::TMemDataSet;
};
FW_IMPLEMENT_CLASS(TvxClientDataSet)

class TOtherControl : public TComponent {
  FW_CLASS(TOtherControl, TComponent)
public:
  using TComponent::TComponent;
  std::string Field;
};
FW_PUBLISH(TOtherControl) { c.Member("DataField", &TOtherControl::Field); }

}  // namespace vxtest

namespace {

using vxtest::TListsDataSet;

std::vector<std::string> LinesOf(const TStrings* l) {
  std::vector<std::string> v;
  for (int i = 0; i < l->Count(); ++i) v.push_back(l->Strings(i));
  return v;
}

void SetLines(TStrings* l, const std::vector<std::string>& lines) {
  l->Clear();
  for (const auto& s : lines) l->Add(s);
}

class Lines : public ::testing::Test {
protected:
  void SetUp() override {
    ds = std::make_unique<TListsDataSet>(nullptr);
    ds->Define({{"Name", ftString, 20}, {"Flag", ftBoolean}, {"Seat", ftInteger}, {"Phone", ftString, 12}});
    ds->Open();
  }
  std::unique_ptr<TListsDataSet> ds;
};

TEST_F(Lines, ControlTypeReaderComparesExactlyAndTheLastLineWins) {
  struct Case {
    std::vector<std::string> lines;
    std::string field, type, params;
  } cases[] = {
      {{"Name;Combo;a", "Name;CheckBox;b;c"}, "Name", "CheckBox", "b;c"},  // the second line, ";" kept
      {{"Flag;CheckBox"}, "Flag", "CheckBox", ""},                          // no second ";"
      {{"Flag;CheckBox;"}, "Flag", "CheckBox", ""},
      {{"flag;Combo;x"}, "Flag", "", ""},  // case counts for the reader
      {{}, "Name", "", ""},
      {{"Seat"}, "Seat", "", ""},
  };
  for (const Case& c : cases) {
    SetLines(ds->ControlType(), c.lines);
    std::string type = "junk", params = "junk";
    vxDataSet_GetControl(ds.get(), c.field, type, params);
    EXPECT_EQ(type, c.type) << c.field;
    EXPECT_EQ(params, c.params) << c.field;
  }
  // At most 255 characters of parameters, counted as characters.
  std::string longParams;
  for (int i = 0; i < 300; ++i) longParams += "é";
  SetLines(ds->ControlType(), {"Name;Combo;" + longParams});
  std::string type, params;
  vxDataSet_GetControl(ds.get(), "Name", type, params);
  EXPECT_EQ(Utf8ToChars(params).size(), 255u);
}

TEST_F(Lines, ControlTypeWriterFindsTheFirstLineWithoutRegardToCase) {
  struct Case {
    std::vector<std::string> before;
    std::string field, type, params;
    std::vector<std::string> after;
  } cases[] = {
      {{"Name;Combo;a", "Name;Combo;b"}, "Name", "LookupCombo", "p", {"Name;LookupCombo;p", "Name;Combo;b"}},
      {{"flag;Combo;x"}, "FLAG", "CheckBox", "", {"flag;CheckBox;"}},  // stored case kept
      {{"Name;Combo;a"}, "name", "field", "", {}},                        // "field" deletes
      {{"Name;Combo;a"}, "Name", "", "", {}},                             // so does an empty type
      {{"Seat;Combo;a"}, "Name", "field", "x", {"Seat;Combo;a", "Name;field;x"}},  // added whatever the type
      {{}, "Name", "Combo", "Form2.Box;1", {"Name;Combo;Form2.Box;1"}},
  };
  for (const Case& c : cases) {
    SetLines(ds->ControlType(), c.before);
    vxDataSet_SetControl(ds.get(), c.field, c.type, c.params);
    EXPECT_EQ(LinesOf(ds->ControlType()), c.after) << c.field << " " << c.type;
  }
}

TEST_F(Lines, ObsoleteLinesGoAndTheLookupListsStayInStep) {
  SetLines(ds->LookupFields(), {"Gone;db;t.db;X;Idx", "Name;db;t.db;Y;Idx", "Other;db;t.db;Z;Idx"});
  SetLines(ds->LookupLinks(), {"A;B", "Seat;Id"});  // shorter than its partner
  SetLines(ds->ControlType(), {"Name;Combo;x", "Missing;Combo;y", "seat;CheckBox"});
  vxDataSetRemoveObsolete(ds.get(), ds->LookupFields(), ds->LookupLinks(), ds->ControlType());
  EXPECT_EQ(LinesOf(ds->LookupFields()), (std::vector<std::string>{"Name;db;t.db;Y;Idx"}));
  EXPECT_EQ(LinesOf(ds->LookupLinks()), (std::vector<std::string>{"Seat;Id"}));
  EXPECT_EQ(LinesOf(ds->ControlType()), (std::vector<std::string>{"Name;Combo;x", "seat;CheckBox"}));
}

TEST_F(Lines, LookupReadersCompareExactlyAndTheWriterProducesTheirGrammar) {
  SetLines(ds->LookupFields(), {"Seat;db;tables.db;Caption;ByNo", "seat;db;other.db;Wrong;X"});
  SetLines(ds->LookupLinks(), {"Seat;TableNo", "seat;Other"});
  EXPECT_EQ(vxDataSetGetLinks(ds.get(), "Seat"), "Seat;TableNo");
  EXPECT_EQ(vxDataSetGetLinks(ds.get(), "seat"), "seat;Other");
  EXPECT_EQ(vxDataSetGetLinks(ds.get(), "SEAT"), "");
  EXPECT_EQ(vxDataSetGetDisplayField(ds.get(), "Seat"), "Caption");

  // Every line of the field goes, whatever its case; the new one is read back.
  vxDataSet_SetLookupLink(ds.get(), "SEAT", "db", "guests.db", "Last", "TableNo;Seat", "Seat;TableNo;Name;Seat", "Y");
  EXPECT_EQ(LinesOf(ds->LookupFields()), (std::vector<std::string>{"SEAT;db;guests.db;Last;;TableNo;Seat;Y"}));
  EXPECT_EQ(LinesOf(ds->LookupLinks()), (std::vector<std::string>{"Seat;TableNo;Name;Seat"}));
  EXPECT_EQ(vxDataSetGetDisplayField(ds.get(), "SEAT"), "Last");
  EXPECT_EQ(vxDataSetGetLinks(ds.get(), "SEAT"), "Seat;TableNo;Name;Seat");

  // A missing name only removes.
  vxDataSet_SetLookupLink(ds.get(), "Seat", "db", "", "Last", "TableNo", "Seat;TableNo", "Y");
  EXPECT_EQ(ds->LookupFields()->Count(), 0);
  EXPECT_EQ(ds->LookupLinks()->Count(), 0);
}

TEST_F(Lines, SelectedLinesSetFieldOrderWidthsAndLabels) {
  TStringList list;
  SetLines(&list, {"Phone\t15\tTele~phone", "Missing\t5\tX", "name\t30\tGuest"});
  vxDataSetUpdateFieldProperties(ds.get(), &list);
  // A line naming no field still counts: Name gets index 2, its own line number.
  EXPECT_EQ(ds->Fields(0)->FieldName(), "Phone");
  EXPECT_EQ(ds->FieldByName("Name")->Index(), 2);
  EXPECT_TRUE(ds->FieldByName("Phone")->Visible());
  EXPECT_FALSE(ds->FieldByName("Seat")->Visible());
  EXPECT_FALSE(ds->FieldByName("Flag")->Visible());
  EXPECT_EQ(ds->FieldByName("Name")->DisplayWidth(), 30);

  TStringList back;
  vxDataSetUpdateSelected(ds.get(), &back);
  EXPECT_EQ(LinesOf(&back), (std::vector<std::string>{"Phone\t15\tTele~phone", "Name\t30\tGuest"}));

  int index = -1;
  EXPECT_TRUE(vxFindSelected(&back, "NAME", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(vxFindSelected(&back, "Seat", index));
  EXPECT_FALSE(vxFindSelected(nullptr, "Name", index));
  EXPECT_EQ(vxGetFieldNameFromTitle(ds.get(), "Tele phone"), "Phone");
  EXPECT_EQ(vxGetFieldNameFromTitle(ds.get(), "Tele~phone"), "Phone");
  EXPECT_EQ(vxGetFieldNameFromTitle(ds.get(), "tele phone"), "");  // case counts
  EXPECT_EQ(vxGetListIndex(&back, "name\t30\tguest"), 1);
  EXPECT_EQ(vxGetListIndex(&back, "Name"), -1);

  vxDataSetUpdateFieldProperties(ds.get(), nullptr);
  for (int i = 0; i < ds->FieldCount(); ++i) EXPECT_FALSE(ds->Fields(i)->Visible());
}

TEST_F(Lines, ABadWidthRaisesAndTheControlsAreEnabledAgain) {
  TStringList list;
  SetLines(&list, {"Name\twide\tGuest"});
  EXPECT_THROW(vxDataSetUpdateFieldProperties(ds.get(), &list), EConvertError);
  EXPECT_FALSE(ds->ControlsDisabled());
}

TEST_F(Lines, EditControlLinesWhoseControlIsGoneAreDroppedWhileDesigning) {
  auto form = std::make_unique<TComponent>(nullptr);
  auto dataModule = std::make_unique<TComponent>(nullptr);
  auto* box = new TComponent(form.get());
  box->SetName("NameBox");
  auto* other = new TComponent(dataModule.get());
  other->SetName("SeatBox");
  auto owned = std::make_unique<TListsDataSet>(dataModule.get());
  TListsDataSet* d = owned.release();  // the data module frees it
  d->Define({{"Name", ftString, 10}});
  const std::vector<std::string> lines = {"Name;Combo;NameBox", "A;LookupCombo;Gone",     "B;Combo;Form2.SeatBox",
                                          "C;Combo;Form2.Gone", "D;CheckBox;Gone",        "E;Combo;Form2.",
                                          "F;customedit;gone"};
  SetLines(d->ControlType(), lines);
  EXPECT_TRUE(vxDataSetRemoveObsoleteControls(form.get(), d));
  EXPECT_EQ(LinesOf(d->ControlType()), lines);  // not designing: nothing
  form->SetComponentState(csDesigning, true);
  EXPECT_TRUE(vxDataSetRemoveObsoleteControls(form.get(), d));
  EXPECT_EQ(LinesOf(d->ControlType()), (std::vector<std::string>{"Name;Combo;NameBox", "B;Combo;Form2.SeatBox",
                                                                 "D;CheckBox;Gone", "E;Combo;Form2."}));
}

TEST(QueryText, LinesJoinByBlankForSqlAndByCrLfOtherwise) {
  struct Case {
    std::vector<std::string> lines;
    bool sql;
    std::string text;
  } cases[] = {
      {{"select *", "from guests"}, true, "select * from guests"},
      {{"Query", "", "guests.db | Name |"}, false, "Query\r\n\r\nguests.db | Name |"},
      {{"one"}, true, "one"},
      {{}, false, ""},
  };
  for (const Case& c : cases) {
    TStringList l;
    SetLines(&l, c.lines);
    EXPECT_EQ(vxGetQueryText(&l, c.sql), c.text);
  }
}

TEST(Protocol, DatasetsAreKnownByClassNameOrByTheirPublishedLists) {
  auto plain = std::make_unique<fwtest::TMemDataSet>(nullptr);
  auto client = std::make_unique<vxtest::TvxClientDataSet>(nullptr);
  auto lists = std::make_unique<TListsDataSet>(nullptr);
  EXPECT_FALSE(vxDataSet(nullptr));
  EXPECT_FALSE(vxDataSet(plain.get()));
  EXPECT_TRUE(vxDataSet(client.get()));
  EXPECT_TRUE(vxDataSet(lists.get()));
  EXPECT_TRUE(vxIsClass(lists->ClassType(), "tmemdataset"));
  EXPECT_TRUE(vxIsClass(lists->ClassType(), "TDataSet"));
  EXPECT_FALSE(vxIsClass(plain->ClassType(), "TListsDataSet"));

  // Absent properties read as their defaults.
  EXPECT_EQ(vxGetControlType(plain.get()), nullptr);
  EXPECT_EQ(vxGetControlType(lists.get()), lists->ControlType());
  EXPECT_EQ(vxGetPictureMasks(lists.get()), nullptr);
  EXPECT_FALSE(vxGetValidateWithMask(lists.get()));
  EXPECT_FALSE(vxGetOnInvalidValue(lists.get()));
  EXPECT_EQ(vxGetDatabaseName(lists.get()), "");
  EXPECT_EQ(vxGetTableName(lists.get()), "?");
  EXPECT_EQ(vxGetTableName(nullptr), "?");
}

TEST(Protocol, ControlPropertiesOnlyForEditsThatPublishThem) {
  auto edit = std::make_unique<TvxDBEdit>(nullptr);
  auto other = std::make_unique<vxtest::TOtherControl>(nullptr);
  auto source = std::make_unique<TvxDataSource>(nullptr);
  EXPECT_TRUE(vxSetControlDataField(edit.get(), "Name"));
  EXPECT_EQ(edit->DataField(), "Name");
  EXPECT_EQ(vxGetControlDataField(edit.get()), "Name");
  EXPECT_TRUE(vxSetControlDataSource(edit.get(), source.get()));
  EXPECT_EQ(vxGetControlDataSource(edit.get()), source.get());

  other->Field = "Seat";
  EXPECT_FALSE(vxSetControlDataField(other.get(), "Name"));  // not an edit
  EXPECT_EQ(other->Field, "Seat");
  EXPECT_EQ(vxGetControlDataField(other.get()), "");
  EXPECT_FALSE(vxSetControlDataSource(other.get(), source.get()));  // not an edit, publishes no DataSource
  EXPECT_EQ(vxGetControlDataSource(other.get()), nullptr);
  EXPECT_EQ(vxGetControlDataSource(nullptr), nullptr);
}

TEST(Protocol, FieldAndKeyTests) {
  EXPECT_FALSE(vxValidFilterableFieldType(ftBytes));
  EXPECT_FALSE(vxValidFilterableFieldType(ftGraphic));
  EXPECT_TRUE(vxValidFilterableFieldType(ftMemo));
  EXPECT_TRUE(vxValidFilterableFieldType(ftFmtMemo));
  EXPECT_TRUE(isVXEditControl("lookupcombo"));
  EXPECT_FALSE(isVXEditControl("CheckBox"));

  struct Key {
    std::uint16_t key;
    bool valid;
  } keys[] = {{8, true}, {13, false}, {27, false}, {32, true}, {46, true}, {47, false},
              {65, true}, {111, true}, {112, false}, {145, false}, {146, true}};
  for (const Key& k : keys) EXPECT_EQ(vxIsValidChar(k.key), k.valid) << k.key;

  auto plain = std::make_unique<fwtest::TMemDataSet>(nullptr);
  plain->Define({{"Name", ftString, 10}});
  plain->Open();
  EXPECT_TRUE(vxisNonNuboField(plain->Fields(0)));  // not an engine dataset
  EXPECT_FALSE(vxisNonPhysicalField(plain->Fields(0)));
  EXPECT_TRUE(vxDataSetIsValidField(plain.get(), "NAME"));
  EXPECT_FALSE(vxDataSetIsValidField(nullptr, "Name"));
  EXPECT_EQ(vxAdjustPixels(10, 120), 12);
}

struct FakeEdit {
  std::string text;
  int selStart = 0, selLength = 0;
  const std::string& Text() const { return text; }
  void SetText(const std::string& s) { text = s; }
  int SelStart() const { return selStart; }
  int SelLength() const { return selLength; }
  void SetSelStart(int v) {
    selStart = v;
    selLength = 0;
  }
};

TEST(EditMasks, TypedKeysAreMatchedOnlyAtTheEndOfTheText) {
  struct Case {
    std::string text;
    int selStart, selLength;
    TChar key;
    bool autoFill;
    std::string after;
    TChar keyAfter;
  } cases[] = {
      {"12", 2, 0, U'3', true, "123-", 0},     // literal filled in
      {"12", 2, 0, U'3', false, "123", 0},
      {"12", 2, 0, U'x', true, "12x", 0},      // no match: the prospective text stays
      {"12", 0, 0, U'3', true, "12", U'3'},    // caret not at the end: untouched
      {"129", 2, 1, U'3', true, "123-", 0},    // the selection reaching the end is replaced
      {"12", 2, 0, U'\b', true, "12", U'\b'},  // a control key passes
  };
  for (const Case& c : cases) {
    FakeEdit e{c.text, c.selStart, c.selLength};
    TChar key = c.key;
    vxApplyPictureMask(&e, "###-####", c.autoFill, key);
    EXPECT_EQ(e.text, c.after) << c.text << " + " << static_cast<unsigned>(c.key);
    EXPECT_EQ(key, c.keyAfter);
    if (key == 0) {
      EXPECT_EQ(e.selStart, static_cast<int>(Utf8ToChars(e.text).size()));
    }
  }
  FakeEdit e{"123-456"};
  EXPECT_FALSE(vxValidPictureValue(&e, "###-####"));  // would be complete only with more digits
  e.text = "123-4567";
  EXPECT_TRUE(vxValidPictureValue(&e, "###-####"));
  e.text = "";
  EXPECT_TRUE(vxValidPictureValue(&e, "###-####"));
  e.text = "abc";
  EXPECT_TRUE(vxValidPictureValue(&e, ""));
}

TEST(Services, HelpOpensTheLibraryHelpFileByContext) {
  fw::test::ScriptedMessages s;
  vxHelp(0, "42");  // no such file here: the help service says so
  ASSERT_EQ(s->Requests.size(), 1u);
  EXPECT_NE(s->Requests[0].Text.find("lx_cpp.hlp"), std::string::npos);

  vxDebug("checkpoint");
  ASSERT_EQ(s->Requests.size(), 2u);
  EXPECT_EQ(s->Requests[1].Text, "checkpoint");
  EXPECT_EQ(s->Requests[1].Icon, TMessageIcon::Information);
}

}  // namespace

// Field values and conversions, blobs, calculated and look-up fields, data
// links and sources, over engine tables; and a dataset read from a form file.
#include <cmath>

#include "EngineFixture.h"
#include "FormReader.h"
#include "Strings.h"

namespace fwtest {
namespace {

using Fields = EngineTables;

TEST_F(Fields, BlankValuesReadByTheFrameworksRules) {
  TTable* t = OpenGuests(0);
  t->Append();
  t->FieldByName("ID")->SetAsInteger(1);
  t->Post();
  struct Case {
    const char* field;
    const char* asString;
    double asFloat;  // NAN: raises EConvertError
  } cases[] = {
      {"Name", "", NAN},  // a blank text is no number
      {"Amount", "", 0},
      {"Born", "", 0},
      {"Member", "", NAN},
      {"EventID", "", 0},
      {"Notes", "", NAN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    TField* f = t->FieldByName(c.field);
    EXPECT_TRUE(f->IsNull());
    EXPECT_TRUE(VarIsNull(f->Value()));
    EXPECT_EQ(f->AsString(), c.asString);
    EXPECT_EQ(f->Text(), f->IsBlob() ? "(Memo)" : "");
    if (std::isnan(c.asFloat)) {
      if (f->DataType() == ftString) EXPECT_THROW(f->AsFloat(), EConvertError);
      else EXPECT_THROW(f->AsFloat(), EDatabaseError);  // no such conversion for the type
    } else {
      EXPECT_EQ(f->AsFloat(), c.asFloat);
    }
  }
  EXPECT_EQ(t->FieldByName("EventID")->AsInteger(), 0);
  EXPECT_FALSE(t->FieldByName("Member")->AsBoolean());
  EXPECT_EQ(double(t->FieldByName("Born")->AsDateTime()), 0.0);
  EXPECT_THROW(t->FieldByName("Name")->AsInteger(), EConvertError);

  // Texts that are not numbers are refused as conversion errors.
  t->Edit();
  EXPECT_THROW(t->FieldByName("EventID")->SetAsString("abc"), EConvertError);
  EXPECT_THROW(t->FieldByName("Amount")->SetAsString("1.5x"), EConvertError);
  t->FieldByName("Name")->SetAsString("12");
  EXPECT_EQ(t->FieldByName("Name")->AsInteger(), 12);
  t->FieldByName("Name")->SetAsString("abc");
  EXPECT_THROW(t->FieldByName("Name")->AsInteger(), EConvertError);
  // Too long a text is cut to the field's size in characters, never inside one.
  t->FieldByName("Name")->SetAsString("ééééééééééééééééééééXYZ");
  EXPECT_EQ(t->FieldByName("Name")->AsString(), "éééééééééééééééééééé");
  t->FieldByName("Amount")->SetValue(Null());
  EXPECT_TRUE(t->FieldByName("Amount")->IsNull());
  t->FieldByName("Member")->SetValue(true);
  EXPECT_EQ(t->FieldByName("Member")->AsString(), "True");
  t->Post();
}

TEST_F(Fields, MemoContentGoesThroughStringsStreamsAndThePost) {
  TTable* t = OpenGuests(2);
  auto* notes = static_cast<TBlobField*>(t->FieldByName("Notes"));
  EXPECT_EQ(notes->BlobType(), ftMemo);
  TStringList lines;
  lines.Add("first line");
  lines.Add("zweite Zeile");
  t->Edit();
  notes->Assign(&lines);
  EXPECT_EQ(notes->AsString(), "first line\r\nzweite Zeile\r\n");
  t->Post();
  t->Next();
  t->Edit();
  {
    auto s = t->CreateBlobStream(notes, bmWrite);
    std::string big(100000, 'x');
    s->WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
  }
  EXPECT_EQ(notes->AsString().size(), 100000u);
  t->Cancel();  // the written content goes with the edit
  EXPECT_TRUE(notes->IsNull());
  EXPECT_THROW(t->CreateBlobStream(notes, bmWrite), EDatabaseError);

  t->Close();
  t->Open();  // default fields are made anew at each open
  notes = static_cast<TBlobField*>(t->FieldByName("Notes"));
  EXPECT_EQ(notes->Text(), "(Memo)");
  TStringList back;
  back.Assign(notes);
  EXPECT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Strings(1), "zweite Zeile");
  TStringStream out;
  notes->SaveToStream(out);
  EXPECT_EQ(out.DataString(), "first line\r\nzweite Zeile\r\n");
}

TEST_F(Fields, CalculatedAndLookupFieldsAreComputedForEveryBufferedRecord) {
  auto* events = new TTable(owner.get());
  events->SetDatabaseName(dir);
  events->SetTableName("Events.db");
  events->FieldDefs()->Add("EventID", ftInteger, 0, true);
  events->FieldDefs()->Add("Title", ftString, 30);
  events->IndexDefs()->Add("", "EventID", {ixPrimary});
  events->CreateTable();
  events->Open();
  for (const char* title : {"Wedding", "Dinner", "Dance"}) {
    events->Append();
    events->FieldByName("EventID")->SetAsInteger(events->RecordCount() + 1);
    events->FieldByName("Title")->SetAsString(title);
    events->Post();
  }
  TTable* t = MakeGuests();
  Fill(t, 6);
  t->FieldDefs()->Update();
  for (int i = 0; i < t->FieldDefs()->Count(); ++i) t->FieldDefs()->Items(i)->CreateField(owner.get());
  auto* twice = new TFloatField(owner.get());
  twice->SetFieldName("Twice");
  twice->SetCalculated(true);
  twice->SetDataSet(t);
  auto* title = new TStringField(owner.get());
  title->SetFieldName("Event");
  title->SetSize(30);
  title->SetFieldKind(fkLookup);
  title->SetLookupDataSet(events);
  title->SetKeyFields("EventID");
  title->SetLookupKeyFields("EventID");
  title->SetLookupResultField("Title");
  title->SetDataSet(t);
  t->OnCalcFields = [](TDataSet* ds) {
    ds->FieldByName("Twice")->SetAsFloat(ds->FieldByName("Amount")->AsFloat() * 2);
  };
  auto* src = new TDataSource(owner.get());
  src->SetDataSet(t);
  struct TGridLink : TDataLink {
  } grid;
  grid.SetBufferCount(4);
  grid.SetDataSource(src);
  t->Open();
  const char* titles[] = {"Dinner", "Dance", "Wedding", "Dinner"};
  for (int row = 0; row < grid.RecordCount(); ++row) {
    grid.SetActiveRecord(row);
    EXPECT_DOUBLE_EQ(twice->AsFloat(), (row + 1) * 3.0);
    EXPECT_EQ(title->AsString(), titles[row]);
  }
  grid.SetActiveRecord(0);
  EXPECT_THROW(twice->SetAsFloat(1), EDatabaseError);  // only OnCalcFields writes it
  t->Edit();
  EXPECT_THROW(twice->SetAsFloat(1), EDatabaseError);
  t->FieldByName("EventID")->SetAsInteger(3);
  EXPECT_EQ(title->AsString(), "Dance");  // recalculated with the key
  t->Cancel();
  EXPECT_EQ(title->AsString(), "Dinner");
}

class TFocusTarget : public TComponent, public IFocusableControl {
public:
  using TComponent::TComponent;
  bool CanFocus() const override { return true; }
  void SetFocus() override { ++Focused; }
  int Focused = 0;
};

TEST_F(Fields, FieldDataLinkEditsThroughItsSourceAndReachesItsControl) {
  TTable* t = OpenGuests(3);
  auto* src = new TDataSource(owner.get());
  auto control = std::make_unique<TFocusTarget>(nullptr);
  TFieldDataLink link;
  link.SetControl(control.get());
  std::vector<std::string> events;
  std::string shown, typed;
  link.OnDataChange = [&](TObject*) {
    events.push_back("data");
    shown = link.Field() ? link.Field()->AsString() : "";
  };
  link.OnEditingChange = [&](TObject*) { events.push_back(link.Editing() ? "editing" : "browsing"); };
  link.OnActiveChange = [&](TObject*) { events.push_back(link.Active() ? "active" : "inactive"); };
  link.OnUpdateData = [&](TObject*) { link.Field()->SetAsString(typed); };
  link.SetFieldName("Name");
  link.SetDataSource(src);
  EXPECT_TRUE(events.empty());
  src->SetDataSet(t);
  EXPECT_EQ(events, (std::vector<std::string>{"data", "active"}));
  EXPECT_EQ(shown, "Guest 01");
  EXPECT_EQ(link.Field(), t->FieldByName("Name"));

  // Typing: the control asks to edit, marks its change, the post writes it.
  events.clear();
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(t->State(), dsEdit);
  typed = "Typed";
  link.Modified();
  t->Post();
  EXPECT_EQ(t->FieldByName("Name")->AsString(), "Typed");
  EXPECT_EQ(events, (std::vector<std::string>{"editing", "data", "browsing", "data"}));

  // Changes of other fields do not concern the link; Next shows the next value.
  events.clear();
  t->Edit();
  t->FieldByName("Amount")->SetAsFloat(1);
  t->Cancel();
  t->Next();
  EXPECT_EQ(shown, "Guest 02");

  // Without AutoEdit, or read-only, the link does not start an edit.
  src->SetAutoEdit(false);
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(t->State(), dsBrowse);
  src->SetAutoEdit(true);
  link.SetReadOnly(true);
  EXPECT_FALSE(link.Edit());
  link.SetReadOnly(false);

  // A field's FocusControl reaches the control through the link: here by the
  // required-field check of a post.
  t->Append();
  t->FieldByName("Name")->SetAsString("x");
  EXPECT_THROW(t->Post(), EDatabaseError);
  EXPECT_EQ(control->Focused, 0);  // ID is not this link's field
  t->Cancel();
  t->FieldByName("Name")->FocusControl();
  EXPECT_EQ(control->Focused, 1);

  t->Close();
  EXPECT_EQ(link.Field(), nullptr);
  EXPECT_FALSE(link.Active());
}

TEST_F(Fields, DisableControlsNestsAndLinksHearOnceAtTheLastEnable) {
  TTable* t = OpenGuests(10);
  auto* src = new TDataSource(owner.get());
  src->SetDataSet(t);
  struct TCounting : TDataLink {
    int changed = 0, scrolled = 0, states = 0;
    void DataSetChanged() override { ++changed; }
    void DataSetScrolled(int) override { ++scrolled; }
    void EditingChanged() override { ++states; }
  } link;
  link.SetDataSource(src);
  t->DisableControls();
  t->DisableControls();
  EXPECT_TRUE(t->ControlsDisabled());
  t->Next();
  t->Edit();
  t->FieldByName("Name")->SetAsString("x");
  t->Post();
  t->Last();
  t->EnableControls();
  EXPECT_TRUE(t->ControlsDisabled());
  EXPECT_EQ(link.changed + link.scrolled + link.states, 0);
  t->EnableControls();
  EXPECT_FALSE(t->ControlsDisabled());
  EXPECT_EQ(link.changed, 1);
  EXPECT_EQ(link.scrolled, 0);
  EXPECT_EQ(link.states, 0);  // back in browse mode as it was
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 10);

  // Closing while disabled: the link hears the state at the last enable.
  t->DisableControls();
  t->Close();
  EXPECT_TRUE(link.Active());
  t->EnableControls();
  EXPECT_FALSE(link.Active());
}

// A form class for reading datasets from a form file.
class TDataTestForm : public TComponent {
  FW_CLASS(TDataTestForm, TComponent)
public:
  using TComponent::TComponent;
  TTable* SeatTable = nullptr;
  TDataSource* SeatSource = nullptr;
  int Opened = 0;
  void SeatTableAfterOpen(TDataSet*) { ++Opened; }
};

}  // namespace

FW_PUBLISH(TDataTestForm) {
  c.Field("SeatTable", &TDataTestForm::SeatTable);
  c.Field("SeatSource", &TDataTestForm::SeatSource);
  c.Method("SeatTableAfterOpen", &TDataTestForm::SeatTableAfterOpen);
}

namespace {

TEST_F(Fields, FormFileSetsDatasetPropertiesFieldsAndEvents) {
  Fill(MakeGuests(), 2);
  std::string form = "object DataTestForm: TDataTestForm\n"
                     "  object SeatTable: TTable\n"
                     "    Active = True\n"
                     "    AfterOpen = SeatTableAfterOpen\n"
                     "    DatabaseName = '" + dir + "'\n"
                     "    TableName = 'Guests.db'\n"
                     "    IndexName = 'ByName'\n"
                     "    object SeatTableName: TStringField\n"
                     "      DisplayLabel = 'Guest'\n"
                     "      FieldName = 'Name'\n"
                     "      Size = 20\n"
                     "    end\n"
                     "    object SeatTableID: TIntegerField\n"
                     "      FieldName = 'ID'\n"
                     "      Visible = False\n"
                     "    end\n"
                     "  end\n"
                     "  object SeatSource: TDataSource\n"
                     "    DataSet = SeatTable\n"
                     "    AutoEdit = False\n"
                     "  end\n"
                     "end\n";
  auto f = std::make_unique<TDataTestForm>(nullptr);
  ReadComponentText(f.get(), form, "test.dfm");
  ASSERT_NE(f->SeatTable, nullptr);
  EXPECT_TRUE(f->SeatTable->Active());
  EXPECT_EQ(f->Opened, 1);
  EXPECT_EQ(f->SeatSource->DataSet(), f->SeatTable);
  EXPECT_FALSE(f->SeatSource->AutoEdit());
  EXPECT_EQ(f->SeatTable->FieldCount(), 2);
  EXPECT_EQ(f->SeatTable->Fields(0)->DisplayName(), "Guest");
  EXPECT_FALSE(f->SeatTable->FieldByName("ID")->Visible());
  EXPECT_EQ(f->SeatTable->FieldByName("Name")->AsString(), "Guest 01");
  // Other code finds the settings by published name.
  EXPECT_EQ(GetStrProp(f->SeatTable, "TableName"), "Guests.db");
  EXPECT_EQ(GetObjectProp(f->SeatSource, "DataSet"), f->SeatTable);
}

}  // namespace
}  // namespace fwtest

// The lookup list and the lookup combo on Qt's offscreen platform, over
// native tables: keys resolved and refused, the drop-down's size and place,
// picking and writing up to three keys, values not in the list, Esc, the
// search timer on a manual clock, and the search over tables with and
// without indexes.
#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "MemDataSet.h"
#include "StdCtrls.h"
#include "TempDir.h"
#include "UiTest.h"
#include "VxTables.h"
#include "Vxdblook.h"
#include "Vxquery.h"
#include "Vxtable.h"

namespace vx {
namespace {

using namespace fw;
using namespace fw::test;

struct City {
  const char* id;
  const char* name;
  const char* region;
  const char* zone;
};

const City cities[] = {{"C1", "Åland", "R1", "Z1"},   {"C2", "Böblingen", "R1", "Z2"}, {"C3", "Bonn", "R2", "Z1"},
                       {"C4", "Celle", "R2", "Z2"},    {"C5", "Dresden", "R3", "Z1"},   {"C6", "Essen", "R3", "Z2"},
                       {"C7", "Füssen", "R4", "Z1"},   {"C8", "Görlitz", "R4", "Z2"},   {"C9", "Halle", "R5", "Z1"},
                       {"D1", "Jena", "R5", "Z2"},     {"D2", "Köln", "R6", "Z1"},      {"D3", "Lübeck", "R6", "Z2"}};

class LookupTest : public UiTest {
protected:
  LookupTest() : form(std::make_unique<TForm>(nullptr)) {
    SetKeyboardState(TKeyboardState{});
    vxtest::MakeTable(dir.Path(), "städte.db",
                      {{"Id", ORVEX_FT_STRING, 4}, {"Name", ORVEX_FT_STRING, 20}, {"Region", ORVEX_FT_STRING, 4},
                       {"Zone", ORVEX_FT_STRING, 4}},
                      {{1, 3, 4}, {2}, {3, 2}});
    vxtest::MakeTable(dir.Path(), "gäste.db",
                      {{"Guest", ORVEX_FT_STRING, 20}, {"City", ORVEX_FT_STRING, 4}, {"Region", ORVEX_FT_STRING, 4},
                       {"Zone", ORVEX_FT_STRING, 4}});
    form->SetBounds(100, 100, 400, 300);
    lookup = Open("städte.db");
    for (const City& c : cities) {
      lookup->Append();
      lookup->FieldByName("Id")->SetAsString(c.id);
      lookup->FieldByName("Name")->SetAsString(c.name);
      lookup->FieldByName("Region")->SetAsString(c.region);
      lookup->FieldByName("Zone")->SetAsString(c.zone);
      lookup->Post();
    }
    lookup->First();
    guests = Open("gäste.db");
    for (const City& c : {cities[2], cities[11]}) {
      guests->Append();
      guests->FieldByName("Guest")->SetAsString("Zoë");
      guests->FieldByName("City")->SetAsString(c.id);
      guests->FieldByName("Region")->SetAsString(c.region);
      guests->FieldByName("Zone")->SetAsString(c.zone);
      guests->Post();
    }
    guests->First();
    source = new TvxDataSource(form.get());
    source->SetDataSet(guests);
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 200, 100, 24);
  }
  ~LookupTest() override {
    Screen->SetSize(0, 0);
    if (previous_) SetTimerClock(std::move(previous_));
  }
  TvxTable* Open(const std::string& name) {
    auto* t = new TvxTable(form.get());
    t->SetDatabaseName(dir.Path());
    t->SetTableName(name);
    t->Open();
    return t;
  }
  // A combo over the cities showing their names, bound to the guest's city.
  TvxDBLookupCombo* MakeCombo(const std::string& keys = "Id") {
    auto* c = new TvxDBLookupCombo(form.get());
    c->SetParent(form.get());
    c->SetBounds(10, 10, 200, 24);
    c->Loaded();
    c->Selected()->Add("Name\t20\tCity");
    c->SetLookupTable(lookup);
    c->SetLookupField(keys);
    c->SetDataSource(source);
    c->SetDataField("City");
    return c;
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    ASSERT_TRUE(PumpUntil([c] { return c->Focused(); }));
  }
  void Type(TWinControl* c, const std::string& keys) {
    for (TChar ch : Utf8ToChars(keys)) {
      int code = ch >= U'a' && ch <= U'z' ? static_cast<int>(ch - U'a' + U'A') : static_cast<int>(ch);
      if (ch > 127) code = 0x41;  // any letter key brings the character
      Key(WidgetOf(c), code, Qt::NoModifier, QString::fromStdString(CharToUtf8(ch)));
    }
  }
  TManualTimerClock* ManualClock() {
    auto clock = std::make_unique<TManualTimerClock>();
    TManualTimerClock* c = clock.get();
    previous_ = SetTimerClock(std::move(clock));
    return c;
  }
  // A shown lookup list of the cities on the guests' City field.
  template <typename List = TvxDBLookupList>
  List* ShowCityList() {
    auto* list = new List(form.get());
    list->SetParent(form.get());
    list->SetBounds(10, 40, 200, 150);
    list->SetLookupTable(lookup);
    list->SetLookupField("Id");
    list->SetDataSource(source);
    list->SetDataField("City");
    ShowActive(form.get());
    return list;
  }

  TempDir dir;
  std::unique_ptr<TForm> form;
  TvxTable* lookup;
  TvxTable* guests;
  TvxDataSource* source;
  TEdit* other;

private:
  std::unique_ptr<TTimerClock> previous_;
};

TEST_F(LookupTest, TheListResolvesItsKeysAndStopsAtTheFirstMissingOne) {
  auto* list = new TvxDBLookupList(form.get());
  list->SetParent(form.get());
  list->SetLookupTable(lookup);
  struct Case {
    const char* field;
    int keys;
    const char* key2;  // "" for none
  } cases[] = {{"Id", 1, ""},
               {"Id;Region", 2, "Region"},
               {"Id;Region;Zone", 3, "Region"},
               {"Id;Nope;Zone", 1, ""}};  // Zone does not stand in for the missing key
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    list->SetLookupField(c.field);
    EXPECT_EQ(list->KeyCount(), c.keys);
    EXPECT_EQ(list->KeyField(0)->FieldName(), "Id");
    EXPECT_EQ(list->KeyField(1) ? list->KeyField(1)->FieldName() : std::string(), c.key2);
  }
  try {
    list->SetLookupField("Nope");
    FAIL() << "a missing first key was taken";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Error: Field 'Nope' not found");
  }
}

TEST_F(LookupTest, RefusalsAndUnbinding) {
  TvxDBLookupCombo* combo = MakeCombo();
  auto* citySource = new TvxDataSource(form.get());
  citySource->SetDataSet(lookup);
  try {
    combo->SetDataSource(citySource);
    FAIL() << "the lookup table's own source was taken";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Unable to use duplicate DataSource and LookupSource");
  }
  auto* list = new TvxDBLookupList(form.get());
  list->SetParent(form.get());
  list->SetDataSource(source);
  EXPECT_THROW(list->SetLookupTable(guests), EInvalidOperation);
  list->SetLookupTable(lookup);
  list->SetLookupTable(nullptr);  // nil unbinds
  EXPECT_EQ(list->LookupTable(), nullptr);

  combo->SetLookupTable(nullptr);
  combo->DropDown();
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "No lookup table specified!");
  combo->SetLookupTable(lookup);
  combo->SetLookupField("Id");
  lookup->Close();
  combo->DropDown();
  ASSERT_EQ(messages->Requests.size(), 2u);
  EXPECT_EQ(messages->Requests[1].Text, "Lookup table is not active!");
  EXPECT_FALSE(combo->ListVisible());
}

TEST_F(LookupTest, TheDropDownIsSizedByItsRowsTitlesAndLines) {
  Screen->SetSize(1024, 768);
  TvxDBLookupCombo* combo = MakeCombo();
  ShowActive(form.get());
  Focus(combo);
  struct Case {
    TvxDBLookupListOptions options;
    TLeftRight alignment;
    int width;  // of the combo
    bool opens;
  } cases[] = {{{}, taLeftJustify, 200, true},
               {{loTitles}, taLeftJustify, 200, true},
               {{loTitles, loRowLines, loColLines}, taRightJustify, 200, true},
               {{}, taLeftJustify, 20, false}};  // 20 pixels and less never open
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    combo->SetOptions(c.options);
    combo->SetDropDownAlignment(c.alignment);
    combo->SetBounds(40, 10, c.width, 24);
    combo->DropDown();
    ASSERT_EQ(combo->ListVisible(), c.opens);
    if (!c.opens) continue;
    TvxPopupGrid* list = combo->List();
    const int lines = c.options.Contains(loRowLines) ? 1 : 0;
    const int titles = c.options.Contains(loTitles) ? 1 : 0;
    const int rows = (list->DefaultRowHeight() + lines) * (titles + 8) + 5 - 2 * lines;
    EXPECT_TRUE(list->Height() == rows || list->Height() == rows + GetSystemMetrics(SM_CYHSCROLL)) << list->Height();
    const TPoint origin = combo->ClientOrigin();
    EXPECT_EQ(list->Top(), origin.Y + combo->Height() - 1);
    EXPECT_GE(list->Width(), combo->Width() - 4);
    if (c.alignment == taRightJustify)
      EXPECT_EQ(list->Left(), origin.X + 1 + combo->Width() - list->Width());
    else
      EXPECT_EQ(list->Left(), origin.X);
    EXPECT_EQ(list->TitleOffset(), titles);
    // The value's row is the highlighted one: the guest lives in Bonn.
    EXPECT_EQ(lookup->FieldByName("Name")->AsString(), "Bonn");
    EXPECT_EQ(combo->Text(), "Bonn");
    combo->CloseUp(false);
    EXPECT_FALSE(combo->ListVisible());
  }
}

TEST_F(LookupTest, PickingByKeysWritesAllThreeKeys) {
  TvxDBLookupCombo* combo = MakeCombo("Id;Region;Zone");
  ShowActive(form.get());
  Focus(combo);
  EXPECT_EQ(combo->Text(), "Bonn");
  Key(WidgetOf(combo), Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(combo->ListVisible());
  EXPECT_TRUE(combo->Focused());  // the list took no focus
  // The names in the index's order: Bonn, Böblingen, Celle (the engine orders by code).
  Key(WidgetOf(combo), Qt::Key_Down);
  Key(WidgetOf(combo), Qt::Key_Down);
  EXPECT_EQ(combo->Text(), "Celle");
  Key(WidgetOf(combo), Qt::Key_Return);
  EXPECT_FALSE(combo->ListVisible());
  guests->Post();
  EXPECT_EQ(guests->FieldByName("City")->AsString(), "C4");
  EXPECT_EQ(guests->FieldByName("Region")->AsString(), "R2");
  EXPECT_EQ(guests->FieldByName("Zone")->AsString(), "Z2");
}

TEST_F(LookupTest, EscRestoresTheTextAndValueOfEntry) {
  TvxDBLookupCombo* combo = MakeCombo();
  ShowActive(form.get());
  Focus(combo);
  Key(WidgetOf(combo), Qt::Key_Down, Qt::AltModifier);
  Key(WidgetOf(combo), Qt::Key_Down);
  EXPECT_EQ(combo->Text(), "Böblingen");
  Key(WidgetOf(combo), Qt::Key_Escape);
  EXPECT_FALSE(combo->ListVisible());
  EXPECT_EQ(combo->Text(), "Bonn");
  EXPECT_EQ(combo->LookupValue(), "C3");
  EXPECT_EQ(guests->FieldByName("City")->AsString(), "C3");
}

TEST_F(LookupTest, AValueNotInTheListIsAcceptedOrRefusedByOnNotInList) {
  auto* clock = ManualClock();
  TvxDBLookupCombo* combo = MakeCombo();
  ShowActive(form.get());
  for (bool accept : {false, true}) {
    SCOPED_TRACE(accept);
    Focus(combo);
    std::vector<std::string> asked;
    combo->OnNotInList = [&](TObject*, TDataSet* table, const std::string& value, bool& Accept) {
      EXPECT_EQ(table, lookup);
      asked.push_back(value);
      Accept = accept;
    };
    Key(WidgetOf(combo), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo->ListVisible());
    Type(combo, "Zwickau");
    clock->Advance(400);
    EXPECT_FALSE(combo->Found());
    Key(WidgetOf(combo), Qt::Key_Return);
    EXPECT_EQ(asked, std::vector<std::string>{"Zwickau"});
    EXPECT_FALSE(combo->ListVisible());
    if (!accept) {
      EXPECT_EQ(combo->Text(), "Bonn");
      EXPECT_EQ(combo->LookupValue(), "C3");
    } else {
      EXPECT_EQ(combo->Text(), "Zwickau");
    }
    combo->OnNotInList = nullptr;
    guests->Cancel();
  }
}

TEST_F(LookupTest, TheSearchWaitsForAPauseInTyping) {
  auto* clock = ManualClock();
  // A lookup table that is not a library table waits the full 333 ms.
  auto* mem = new fwtest::TMemDataSet(form.get());
  mem->Define({{"Id", ftString, 4}, {"Name", ftString, 20}});
  for (const City& c : cities) mem->AddRow({fwtest::TMemDataSet::Str(c.id), fwtest::TMemDataSet::Str(c.name)});
  mem->Open();
  auto* combo = new TvxDBLookupCombo(form.get());
  combo->SetParent(form.get());
  combo->SetBounds(10, 10, 200, 24);
  combo->Loaded();
  combo->Selected()->Add("Name\t20\tCity");
  combo->SetLookupTable(mem);
  combo->SetLookupField("Id");
  ShowActive(form.get());
  Focus(combo);
  Key(WidgetOf(combo), Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(combo->ListVisible());
  Type(combo, "Gör");
  EXPECT_EQ(combo->SearchTimer()->Interval(), 333u);
  clock->Advance(332);
  EXPECT_NE(combo->LastSearchText(), "Gör");  // three quick keys: no search yet
  clock->Advance(1);
  EXPECT_EQ(combo->LastSearchText(), "Gör");
  EXPECT_EQ(mem->FieldByName("Name")->AsString(), "Görlitz");
  EXPECT_FALSE(clock->Running(combo->SearchTimer()));  // one search, and the timer stopped
  combo->CloseUp(false);

  // A desktop library table: 166 ms from the first key released with the list open.
  TvxDBLookupCombo* desk = MakeCombo();
  desk->SetBounds(10, 50, 200, 24);
  Focus(desk);
  Key(WidgetOf(desk), Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(desk->ListVisible());
  Type(desk, "Lü");
  EXPECT_EQ(desk->SearchTimer()->Interval(), 166u);
  clock->Advance(165);
  EXPECT_NE(lookup->FieldByName("Name")->AsString(), "Lübeck");
  clock->Advance(1);

  EXPECT_EQ(lookup->FieldByName("Name")->AsString(), "Lübeck");
  EXPECT_EQ(desk->LookupValue(), "D3");
  Key(WidgetOf(desk), Qt::Key_Return);
  guests->Post();
  EXPECT_EQ(guests->FieldByName("City")->AsString(), "D3");
}

TEST_F(LookupTest, TheSearchChoosesByTheLookupTablesIndexes) {
  TvxDBLookupCombo* combo = MakeCombo();
  ShowActive(form.get());
  auto* plain = Open("gäste.db");
  combo->SetDataSource(nullptr);
  struct Case {
    TvxTable* table;
    const char* lookupField;
    const char* index;  // the table's current index: "" the primary one, "Name" the display's
    bool sequential;
    int searchIndex;
  } cases[] = {
      {lookup, "Id", "Name", false, 0},  // the name is the index's first field
      {lookup, "Id", "", false, -1},     // indexed, but not on the name: a record search
      {plain, "City", "", true, -1},     // no index at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lookupField) + " " + c.index);
    combo->SetLookupField("");
    combo->SetLookupTable(c.table);
    combo->SetLookupField(c.lookupField);
    if (std::string(c.index).empty())
      c.table->SetIndexName("");
    else
      combo->UpdateSearchIndex(true);
    EXPECT_EQ(c.table->GetIndexFieldName(), std::string(c.index).empty() ? c.table->IndexToFields("").substr(0, 2)
                                                                           : std::string("Name"));
    EXPECT_EQ(combo->UseSeqSearch(), c.sequential);
    EXPECT_EQ(combo->GetSearchIndex(), c.searchIndex);
  }
  // Both searches find the city as it is typed.
  for (const char* index : {"Name", ""}) {
    SCOPED_TRACE(index);
    combo->SetLookupField("");
    combo->SetLookupTable(lookup);
    combo->SetLookupField("Id");
    Focus(combo);
    Key(WidgetOf(combo), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo->ListVisible());
    if (std::string(index).empty()) lookup->SetIndexName("");
    combo->SetText("Ess");
    combo->PerformSearch();
    EXPECT_TRUE(combo->Found());
    EXPECT_EQ(lookup->FieldByName("Id")->AsString(), "C6");
    combo->CloseUp(false);
  }
}

TEST_F(LookupTest, FindRecordCutsALongTextOnlyForAPartialMatch) {
  auto* mem = new fwtest::TMemDataSet(form.get());
  mem->Define({{"Name", ftString, 5}});
  for (const char* n : {"Jones", "Smith"}) mem->AddRow({fwtest::TMemDataSet::Str(n)});
  mem->Open();
  auto* combo = new TvxDBLookupCombo(form.get());
  combo->SetParent(form.get());
  combo->SetLookupTable(mem);
  combo->SetLookupField("Name");
  EXPECT_FALSE(combo->FindRecord("Smithson", "Name", mtExactMatch, false));
  EXPECT_TRUE(combo->FindRecord("Smithson", "Name", mtPartialMatchStart, false));
  EXPECT_EQ(mem->FieldByName("Name")->AsString(), "Smith");
}

TEST_F(LookupTest, WithoutLinkFieldsNothingIsWrittenAndTheRecordStaysInBrowse) {
  TvxDBLookupCombo* combo = MakeCombo();
  bool modified = true;
  combo->VxChangeFromLink(lookup, modified);
  EXPECT_FALSE(modified);
  EXPECT_EQ(guests->State(), dsBrowse);
}

TEST_F(LookupTest, AListOnItsOwnHighlightsItsValueAndTakesKeysWithoutACombo) {
  auto* list = ShowCityList();
  EXPECT_EQ(list->Value(), "C3");
  list->Repaint();
  Pump();
  EXPECT_EQ(list->PickedRow(), 2);
  Focus(list);
  Key(WidgetOf(list), Qt::Key_Down);  // no combo to tell: nothing fails
  EXPECT_EQ(list->Value(), "C4");
  guests->Post();
  EXPECT_EQ(guests->FieldByName("City")->AsString(), "C4");  // the row picked is the field's value
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

// The list's highlight test, as its painting runs it.
class TProbedList : public TvxDBLookupList {
  FW_CLASS(TProbedList, TvxDBLookupList)
public:
  using TvxDBLookupList::HighlightCell;
  using TvxDBLookupList::TvxDBLookupList;
};

FW_IMPLEMENT_CLASS(TProbedList)

TEST_F(LookupTest, AHighlightTestThatRaisesPutsTheRecordWindowBack) {
  auto* list = ShowCityList<TProbedList>();
  ASSERT_GT(list->DataLink()->RecordCount(), 3);
  const int active = list->DataLink()->ActiveRecord();
  ASSERT_NE(active, 3);
  lookup->FieldByName("Id")->OnGetText = [](TField*, std::string&, bool) { throw EConvertError("unreadable"); };
  EXPECT_THROW(list->HighlightCell(0, 3, "", {}), EConvertError);
  lookup->FieldByName("Id")->OnGetText = nullptr;
  EXPECT_EQ(list->DataLink()->ActiveRecord(), active);
}

// The combo's own key handling, reached as the window reaches it.
class TKeyedCombo : public TvxDBLookupCombo {
  FW_CLASS(TKeyedCombo, TvxDBLookupCombo)
public:
  using TvxDBLookupCombo::TvxDBLookupCombo;
  void Press(Word& Key, TShiftState Shift) { KeyDown(Key, Shift); }
};

FW_IMPLEMENT_CLASS(TKeyedCombo)

TEST_F(LookupTest, InsideAGridTheClosedComboHandsKeysToTheGrid) {
  auto* grid = new TvxCustomDBGrid(form.get());
  grid->SetParent(form.get());
  grid->SetBounds(10, 40, 360, 200);
  grid->SetDataSource(source);
  auto* combo = new TKeyedCombo(form.get());
  combo->SetParent(grid);
  combo->SetBounds(20, 20, 200, 24);
  combo->Loaded();
  combo->Selected()->Add("Name\t20\tCity");
  combo->SetLookupTable(lookup);
  combo->SetLookupField("Id");
  ShowActive(form.get());
  std::vector<Word> gridKeys;
  grid->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { gridKeys.push_back(Key); };
  struct Case {
    Word key;
    TShiftState shift;
    bool alwaysShowEditor;
    int caret;  // -1: at the end of the text
    TvxDBLookupComboStyle style;
    bool handed;
  } cases[] = {
      {VK_RIGHT, {}, true, -1, csDropDown, true},      // at the end, the editor always shown
      {VK_RIGHT, {}, true, 1, csDropDown, false},      // inside the text
      {VK_RIGHT, {ssCtrl}, true, 1, csDropDown, true},  // Ctrl always goes
      {VK_RIGHT, {}, false, -1, csDropDown, false},    // without the option it stays in the edit
      {VK_LEFT, {}, true, 0, csDropDown, true},
      {VK_LEFT, {}, false, 0, csDropDown, false},
      {VK_RIGHT, {}, false, 1, csDropDownList, true},  // not editable: always the grid's
      {VK_NEXT, {}, false, 1, csDropDown, true},
      {VK_UP, {}, false, 1, csDropDown, true},
      {VK_INSERT, {}, false, 1, csDropDown, true},
      {VK_DELETE, {ssCtrl}, false, 1, csDropDown, true},
      {VK_DELETE, {}, false, 1, csDropDown, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.key) + (c.shift.Contains(ssCtrl) ? " ctrl" : "") +
                 (c.alwaysShowEditor ? " always" : "") + " caret " + std::to_string(c.caret));
    TvxDBGridOptions o = grid->Options();
    if (c.alwaysShowEditor)
      o.Include(dgAlwaysShowEditor);
    else
      o.Exclude(dgAlwaysShowEditor);
    grid->SetOptions(o);
    combo->SetStyle(c.style);
    Focus(combo);
    combo->SetText("Essen");
    combo->SetSelStart(c.caret < 0 ? 5 : c.caret);
    combo->SetSelLength(0);
    Word key = c.key;
    combo->Press(key, c.shift);
    // The grid (or the editor it shows at once) has the focus then.
    EXPECT_EQ(key == 0 && !combo->Focused(), c.handed);
  }
  // F2 only removes the selection while the grid's handler leaves the key alone.
  Focus(combo);
  combo->SetStyle(csDropDown);
  combo->SelectAll();
  gridKeys.clear();
  Word key = VK_F2;
  combo->Press(key, {});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(combo->SelLength(), 0);
  EXPECT_TRUE(combo->Focused());
  EXPECT_EQ(gridKeys, std::vector<Word>{VK_F2});
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

TEST_F(LookupTest, AListOnlyComboPaintsItsTextHighlightedWhileFocused) {
  TvxDBLookupCombo* combo = MakeCombo();
  combo->SetStyle(csDropDownList);
  ShowActive(form.get());
  auto highlighted = [&] {
    const QImage image = WidgetOf(combo)->grab().toImage();
    const QColor highlight = ToQColor(clHighlight);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (QColor(image.pixel(x, y)) == highlight) ++n;
    return n;
  };
  Focus(other);
  EXPECT_EQ(highlighted(), 0);
  Focus(combo);
  EXPECT_GT(highlighted(), 100);  // behind "Bonn"
  EXPECT_FALSE(combo->Editable());
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

TEST_F(LookupTest, AMasterLinkedLookupTableSearchesWithinItsMastersRecords) {
  vxtest::MakeTable(dir.Path(), "regionen.db", {{"Region", ORVEX_FT_STRING, 4}}, {{1}});
  TvxTable* regions = Open("regionen.db");
  for (const char* r : {"R1", "R2", "R3"}) {
    regions->Append();
    regions->FieldByName("Region")->SetAsString(r);
    regions->Post();
  }
  ASSERT_TRUE(regions->Locate("Region", "R2", {}));
  auto* regionSource = new TvxDataSource(form.get());
  regionSource->SetDataSet(regions);
  auto* detail = new TvxTable(form.get());
  detail->SetDatabaseName(dir.Path());
  detail->SetTableName("städte.db");
  detail->SetIndexName("Index2");
  detail->SetMasterSource(regionSource);
  detail->SetMasterFields("Region");
  detail->Open();
  auto* combo = new TvxDBLookupCombo(form.get());
  combo->SetParent(form.get());
  combo->SetBounds(10, 10, 200, 24);
  combo->Loaded();
  combo->Selected()->Add("Name\t20\tCity");
  combo->SetLookupTable(detail);
  combo->SetLookupField("Id");
  ShowActive(form.get());
  EXPECT_FALSE(combo->UseSeqSearch());
  EXPECT_EQ(combo->GetSearchIndex(), 1);  // the name follows the master's field in the index
  struct Case {
    const char* value;
    const char* field;
    TvxLocateMatchType match;
    bool found;
    const char* id;  // the record then, when found
  } cases[] = {
      {"Ce", "Name", mtPartialMatchStart, true, "C4"},  // through the index, after the master's key
      {"C3", "Id", mtExactMatch, true, "C3"},           // not in the index: a record search
      {"Dres", "Name", mtPartialMatchStart, false, ""},  // another region's city
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(combo->DoFindRecord(c.value, c.field, c.match), c.found);
    if (c.found) {
      EXPECT_EQ(detail->FieldByName("Id")->AsString(), c.id);
    }
    EXPECT_EQ(detail->FieldByName("Region")->AsString(), "R2");
  }
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

TEST_F(LookupTest, AQueryLookupTableIsSearchedByLocate) {
  auto* query = new TvxQuery(form.get());
  query->SetDatabaseName(dir.Path());
  query->SQL()->SetText("SELECT Id, Name FROM \"städte.db\"");
  query->Open();
  // A live answer on the table searches by locate on the table's index of the field.
  auto* live = new TvxQuery(form.get());
  live->SetDatabaseName(dir.Path());
  live->SQL()->SetText("SELECT * FROM \"städte.db\"");
  live->SetRequestLive(true);
  live->Open();
  ASSERT_TRUE(live->CanModify());
  auto* liveCombo = new TvxDBLookupCombo(form.get());
  liveCombo->SetParent(form.get());
  liveCombo->SetLookupTable(live);
  liveCombo->SetLookupField("Id");
  EXPECT_TRUE(liveCombo->FindRecord("Gör", "Name", mtPartialMatchStart, false));
  EXPECT_EQ(live->FieldByName("Id")->AsString(), "C8");
  EXPECT_FALSE(liveCombo->FindRecord("Gör", "Name", mtExactMatch, false));

  auto* combo = new TvxDBLookupCombo(form.get());
  combo->SetParent(form.get());
  combo->SetLookupTable(query);
  combo->SetLookupField("Id");
  EXPECT_TRUE(combo->UseSeqSearch());
  EXPECT_EQ(combo->GetSearchIndex(), -1);
  struct Case {
    const char* value;
    TvxLocateMatchType match;
    bool found;
    const char* name;
  } cases[] = {
      {"köl", mtPartialMatchStart, true, "Köln"},  // a query that is not live: without regard to case
      {"Jena", mtExactMatch, true, "Jena"},
      {"jena", mtExactMatch, false, ""},  // exact is exact
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    query->First();
    EXPECT_EQ(combo->FindRecord(c.value, "Name", c.match, false), c.found);
    if (c.found) {
      EXPECT_EQ(query->FieldByName("Name")->AsString(), c.name);
    }
  }
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

TEST_F(LookupTest, AnUnboundComboOverANumberKeyOpensAndTakesAnyCharacter) {
  vxtest::MakeTable(dir.Path(), "tische.db", {{"No", ORVEX_FT_INTEGER}, {"Name", ORVEX_FT_STRING, 20}}, {{1}});
  TvxTable* tables = Open("tische.db");
  for (int i = 1; i <= 3; ++i) {
    tables->Append();
    tables->FieldByName("No")->SetAsInteger(i);
    tables->FieldByName("Name")->SetAsString("Tisch " + std::to_string(i));
    tables->Post();
  }
  auto* combo = new TvxDBLookupCombo(form.get());
  combo->SetParent(form.get());
  combo->SetBounds(10, 10, 200, 24);
  combo->Loaded();
  combo->Selected()->Add("Name\t20\tTable");
  combo->SetLookupTable(tables);
  combo->SetLookupField("No");
  ShowActive(form.get());
  Focus(combo);
  EXPECT_NO_THROW(combo->DropDown());  // no value yet: nothing to look up, nothing to fail on
  EXPECT_TRUE(combo->ListVisible());
  combo->CloseUp(false);
  combo->SetText("");
  Type(combo, "Ø");  // no field to refuse it
  EXPECT_EQ(combo->Text(), "Ø");
}

}  // namespace
}  // namespace vx

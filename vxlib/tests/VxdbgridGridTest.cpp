// The full data grid on Qt's offscreen platform over native tables made in
// the test's folder: edit controls of the form laid over the current cell,
// check boxes, memo and rich-edit cells, fixed data columns, the records
// selected by clicks and their bookmark list, and a form file holding one.
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "DataSource.h"
#include "FormReader.h"
#include "Scope.h"
#include "Streams.h"
#include "Table.h"
#include "TempDir.h"
#include "UiTest.h"
#include "VxTables.h"
#include "Vxcommon.h"
#include "Vxdbcomb.h"
#include "Vxdbedit.h"
#include "Vxdbgrid.h"
#include "Vxdblook.h"
#include "Vxmemo.h"
#include "Vxtable.h"

namespace vx {
namespace {

using namespace fw;

// The protected parts a test drives.
class TTestDBGrid : public TvxDBGrid {
  FW_CLASS(TTestDBGrid, TvxDBGrid)
public:
  using TvxDBGrid::InplaceEditor;
  using TvxDBGrid::TabStops;
  using TvxDBGrid::TvxDBGrid;
  void Press(Word key, TShiftState shift = {}) { KeyDown(key, shift); }
  TPoint Centre(int col, int row) const {
    const TRect r = CellRect(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void ClickCell(int col, int row, TShiftState shift = {}) {
    const TPoint p = Centre(col, row);
    MouseDown(mbLeft, shift, p.X, p.Y);
    MouseUp(mbLeft, shift, p.X, p.Y);
  }
  // The second press of a double click, as the window system sends it.
  void DoubleClick(int col, int row) {
    ClickCell(col, row);
    const TPoint p = Centre(col, row);
    Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(p.X, p.Y));
    Perform(WM_LBUTTONUP, 0, MakeLParam(p.X, p.Y));
  }
};

FW_IMPLEMENT_CLASS(TTestDBGrid)

// Columns of the guest table, as grid columns (the indicator is column 0).
constexpr int kId = 1, kName = 2, kCity = 3, kAttending = 4, kNotes = 5, kLetter = 6;

class DBGridTest : public fw::test::UiTest {
protected:
  DBGridTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(40, 40, 760, 420);
    form->SetName("GuestForm");
  }

  // Guests: ID, Name, City, Attending, Notes (memo), Letter (formatted memo);
  // "Guest 1" ... in ID order, cities alternating, every other one attending.
  void MakeGuests(int records, TComponent* owner = nullptr, bool selectedField = false) {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"ID", ORVEX_FT_INTEGER},
                       {"Name", ORVEX_FT_STRING, 20},
                       {"City", ORVEX_FT_STRING, 12},
                       {"Attending", ORVEX_FT_STRING, 1},
                       {"Notes", ORVEX_FT_MEMO},
                       {"Letter", ORVEX_FT_FMTMEMO}},
                      {{1}});
    table = new TvxTable(owner ? owner : form.get());
    table->SetName("Guests");
    table->SetDatabaseName(dir.Path());
    table->SetTableName("guests.db");
    if (selectedField) {
      table->FieldDefs()->Update();
      for (int i = 0; i < table->FieldDefs()->Count(); ++i) table->FieldDefs()->Items(i)->CreateField(table);
      auto* calc = new TStringField(table);
      calc->SetFieldName("Selected");
      calc->SetSize(1);
      calc->SetCalculated(true);
      calc->SetDataSet(table);
    }
    table->Open();
    for (int i = 1; i <= records; ++i) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(i);
      table->FieldByName("Name")->SetAsString("Guest " + std::to_string(i));
      table->FieldByName("City")->SetAsString(i % 2 ? "Lorvik" : "Amsel");
      table->FieldByName("Attending")->SetAsString(i % 2 ? "Y" : "N");
      table->FieldByName("Notes")->SetAsString("Note of guest " + std::to_string(i));
      table->FieldByName("Letter")->SetAsString("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b Dear\\b0  guest " +
                                                std::to_string(i) + "\\par}");
      table->Post();
    }
    table->First();
    source = new TvxDataSource(form.get());
    source->SetDataSet(table);
  }
  void MakeGrid() {
    grid = new TTestDBGrid(form.get());
    grid->SetName("Grid");
    grid->SetParent(form.get());
    grid->SetBounds(10, 10, 730, 300);
    grid->Loaded();
    grid->SetDataSource(source);
    ShowActive(form.get());
    FocusGrid();
  }
  void FocusGrid() {
    grid->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return grid->Focused(); }));
  }
  void Paint() {
    grid->Repaint();
    Pump();
  }
  void SetControlType(const std::string& line) {
    table->ControlType()->Clear();
    if (!line.empty()) table->ControlType()->Add(line);
    grid->RefreshDisplay();
  }
  int Id() const { return table->FieldByName("ID")->AsInteger(); }
  std::vector<int> SelectedIds() {
    std::vector<int> ids;
    const TBookmark keep = table->GetBookmark();
    for (const TBookmark& b : grid->SelectedList()) {
      table->GotoBookmark(b);
      ids.push_back(Id());
    }
    table->GotoBookmark(keep);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  void GoTo(int id) {
    table->First();
    while (!table->Eof() && Id() != id) table->Next();
  }

  fw::test::TempDir dir;
  std::unique_ptr<TForm> form;
  TvxTable* table = nullptr;
  TvxDataSource* source = nullptr;
  TTestDBGrid* grid = nullptr;
};

// ---------------------------------------------------------------- binding

TEST_F(DBGridTest, OnlyLibraryDatasetsAndSourcesCount) {
  MakeGuests(2);
  MakeGrid();
  EXPECT_TRUE(grid->IsDataGrid());
  EXPECT_EQ(grid->DataSource(), source);
  // A plain source over a library dataset binds, but is no library source.
  auto* plain = new TDataSource(form.get());
  plain->SetDataSet(table);
  grid->SetDataSource(plain);
  EXPECT_EQ(grid->DataSource(), nullptr);
  EXPECT_EQ(grid->GetFieldCount(), 6);
  EXPECT_TRUE(messages->Requests.empty());
  // A dataset that is not the library's is refused and the grid unbound.
  auto* foreign = new TTable(form.get());
  foreign->SetDatabaseName(dir.Path());
  foreign->SetTableName("guests.db");
  foreign->Open();
  auto* foreignSource = new TDataSource(form.get());
  foreignSource->SetDataSet(foreign);
  grid->SetDataSource(foreignSource);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "vxGrid must use an Lumerix compatible TDataSet.");
  EXPECT_EQ(messages->Requests[0].Icon, TMessageIcon::Information);
  EXPECT_EQ(grid->DataSource(), nullptr);
  EXPECT_FALSE(grid->DataLink()->Active());
}

TEST_F(DBGridTest, ActiveFieldAndRowFollowNamesAndStayOnRecords) {
  MakeGuests(5);
  MakeGrid();
  grid->SetActiveField("cITY");
  EXPECT_EQ(grid->Col(), kCity);
  EXPECT_EQ(grid->GetActiveField()->FieldName(), "City");
  EXPECT_EQ(grid->GetActiveCol(), kCity - 1);
  EXPECT_EQ(grid->FieldName(kAttending), "Attending");
  grid->SetActiveField("Nickname");  // no such field: nothing moves
  EXPECT_EQ(grid->Col(), kCity);

  struct Case {
    int row;
    int active;  // the link's active record afterwards
  } cases[] = {{2, 2}, {1000, 4}, {1, 1}, {-3, 0}};
  for (const Case& c : cases) {
    grid->SetActiveRow(c.row);
    EXPECT_EQ(grid->DataLink()->ActiveRecord(), c.active) << c.row;
    EXPECT_EQ(grid->Row(), c.active + grid->TitleOffset()) << c.row;
    EXPECT_EQ(grid->GetActiveRow(), c.active) << c.row;
    EXPECT_EQ(Id(), c.active + 1) << c.row;
  }
}

// ---------------------------------------------------------------- controls over the current cell

TEST_F(DBGridTest, EditControlsLieOverTheCurrentCell) {
  auto* module = new TComponent(form.get());  // the dataset's owner, where qualified names look
  module->SetName("Data");
  MakeGuests(4, module);
  vxtest::MakeTable(dir.Path(), "cities.db", {{"Name", ORVEX_FT_STRING, 12}, {"Country", ORVEX_FT_STRING, 12}},
                    {{1}});
  auto* cities = new TvxTable(form.get());
  cities->SetDatabaseName(dir.Path());
  cities->SetTableName("cities.db");
  cities->Open();
  for (const char* c : {"Amsel", "Lorvik", "Varne"}) {
    cities->Append();
    cities->FieldByName("Name")->SetAsString(c);
    cities->FieldByName("Country")->SetAsString("Norland");
    cities->Post();
  }
  auto* nameEdit = new TvxDBEdit(form.get());
  nameEdit->SetName("NameEdit");
  nameEdit->SetParent(form.get());
  auto* cityCombo = new TvxDBComboBox(form.get());
  cityCombo->SetName("CityCombo");
  cityCombo->SetParent(form.get());
  cityCombo->Loaded();
  for (const char* c : {"Amsel", "Lorvik", "Varne"}) cityCombo->Items()->Add(c);
  auto* cityLookup = new TvxDBLookupCombo(form.get());
  cityLookup->SetName("CityLookup");
  cityLookup->SetParent(form.get());
  cityLookup->Loaded();
  cityLookup->Selected()->Add("Name\t12\tCity");
  cityLookup->SetLookupTable(cities);
  cityLookup->SetLookupField("Name");
  auto* moduleEdit = new TvxDBEdit(module);
  moduleEdit->SetName("CityEdit");
  moduleEdit->SetParent(form.get());
  MakeGrid();
  table->Next();  // Guest 2, of Amsel

  struct Case {
    const char* name;
    std::string line;
    int col;
    TCustomEdit* control;  // nullptr: a plain cell
    TControl* button;      // the drop-down button; nullptr: none
  } cases[] = {
      {"CustomEdit", "Name;CustomEdit;NameEdit", kName, nameEdit, nullptr},
      {"Combo", "City;Combo;CityCombo", kCity, cityCombo, cityCombo->Button()},
      {"LookupCombo", "City;LookupCombo;CityLookup", kCity, cityLookup, cityLookup->Button()},
      {"a qualified name, by its last part", "City;CustomEdit;Other.Forms.CityEdit", kCity, moduleEdit, nullptr},
      {"a missing control", "Name;CustomEdit;Nowhere", kName, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetControlType(c.line);
    FocusGrid();
    grid->SetSelectedIndex(c.col - 1);
    Paint();
    const std::string shown = table->FieldByName(c.col == kName ? "Name" : "City")->DisplayText();
    if (!c.control) {
      EXPECT_EQ(grid->CurrentControl(), nullptr);
      EXPECT_FALSE(grid->IsVXControl(c.col, grid->Row()));
      grid->Press(VK_F2);  // a plain cell opens the grid's own editor
      ASSERT_NE(grid->InplaceEditor(), nullptr);
      EXPECT_TRUE(grid->InplaceEditor()->Visible());
      grid->SetEditorMode(false);
      continue;
    }
    EXPECT_EQ(grid->CurrentControl(), c.control);
    EXPECT_TRUE(c.control->Visible());
    EXPECT_EQ(c.control->Parent(), grid);
    EXPECT_EQ(c.control->BoundsRect(), grid->CellRect(c.col, grid->Row()));
    EXPECT_EQ(c.control->Text(), shown);
    EXPECT_EQ(c.control->BorderStyle(), bsNone);
    EXPECT_TRUE(grid->Focused()) << "laid, not focused, without dgAlwaysShowEditor";

    grid->Press(VK_F2);
    EXPECT_TRUE(PumpUntil([&] { return c.control->Focused(); }));
    FocusGrid();

    if (c.button) {
      const auto droppedDown = [&] {
        return c.control == cityLookup ? cityLookup->ListVisible() : cityCombo->IsDroppedDown();
      };
      const auto closeUp = [&] {
        Key(WidgetOf(c.control), Qt::Key_Escape);
        Pump();
        FocusGrid();
        Paint();
      };
      Key(WidgetOf(grid), Qt::Key_Down, Qt::AltModifier);
      EXPECT_TRUE(PumpUntil(droppedDown)) << "Alt+Down opens the combo in the cell";
      EXPECT_TRUE(c.control->Focused());
      EXPECT_EQ(Id(), 2) << "the grid did not move";
      closeUp();

      // The button shows at the cell's right edge, arrow and all, and a click on it opens the combo.
      QWidget* top = WidgetOf(form.get());
      const QRect face(top->mapFromGlobal(WidgetOf(c.button)->mapToGlobal(QPoint(0, 0))), WidgetOf(c.button)->size());
      const TRect cell = grid->CellRect(c.col, grid->Row());
      EXPECT_EQ(c.button->ClientToScreen({c.button->Width(), 0}).X, grid->ClientToScreen({cell.Right, 0}).X);
      QWidget* hit = top->childAt(face.center());
      EXPECT_EQ(hit, WidgetOf(c.button)) << "the button is hidden";
      const QImage shot = top->grab().toImage();
      int dark = 0;  // the arrow and the edge's shadow, on a light face
      for (int y = face.top(); y <= face.bottom(); ++y)
        for (int x = face.left(); x <= face.right(); ++x) dark += qGray(shot.pixel(x, y)) < 64;
      EXPECT_GT(dark, 4) << "no arrow drawn";
      EXPECT_LT(dark, face.width() * face.height() / 2) << "no face drawn";
      const QPoint centre = top->mapToGlobal(face.center());
      fw::test::SendMouse(hit, QEvent::MouseButtonPress, centre, Qt::LeftButton);
      fw::test::SendMouse(hit, QEvent::MouseButtonRelease, centre, Qt::NoButton);
      EXPECT_TRUE(PumpUntil(droppedDown)) << "a click on the button opens the combo in the cell";
      closeUp();
    }

    // A typed key goes into the control, replacing its text.
    Key(WidgetOf(grid), Qt::Key_V, Qt::NoModifier, "V");
    EXPECT_TRUE(PumpUntil([&] { return c.control->Focused() && c.control->Text().rfind("V", 0) == 0; }))
        << c.control->Text();
    c.control->SetText(shown);
    table->Cancel();
    FocusGrid();

    // Leaving the column hides the control.
    grid->SetSelectedIndex(0);
    Paint();
    EXPECT_FALSE(c.control->Visible());
  }

  // With dgAlwaysShowEditor the control takes the focus as it is laid.
  SetControlType("City;Combo;CityCombo");
  FocusGrid();
  grid->SetSelectedIndex(kCity - 1);
  grid->SetOptions(grid->Options() + TvxDBGridOptions{dgAlwaysShowEditor});
  Paint();
  EXPECT_TRUE(PumpUntil([&] { return cityCombo->Focused(); }));
  EXPECT_EQ(cityCombo->SelLength(), static_cast<int>(cityCombo->Text().size()));
}

TEST_F(DBGridTest, TheControlFollowsItsCellWhenTheColumnsScroll) {
  MakeGuests(3);
  auto* cityEdit = new TvxDBEdit(form.get());
  cityEdit->SetName("CityEdit");
  cityEdit->SetParent(form.get());
  table->ControlType()->Add("City;CustomEdit;CityEdit");
  MakeGrid();
  grid->SetWidth(260);
  grid->SetSelectedIndex(kCity - 1);
  Paint();
  ASSERT_TRUE(cityEdit->Visible());
  const TRect before = cityEdit->BoundsRect();
  // One column more to the left shows: the cell moves right.
  ASSERT_GT(grid->LeftCol(), 1);
  grid->SetLeftCol(grid->LeftCol() - 1);
  EXPECT_FALSE(cityEdit->Visible()) << "hidden when its cell moved";
  Paint();
  EXPECT_TRUE(cityEdit->Visible()) << "and laid again where the cell is now";
  EXPECT_EQ(cityEdit->BoundsRect(), grid->CellRect(kCity, grid->Row()));
  EXPECT_NE(cityEdit->BoundsRect(), before);
  grid->SetLeftCol(kLetter);
  Pump();
  EXPECT_FALSE(cityEdit->Visible()) << "hidden while its cell is out of view";
}

TEST_F(DBGridTest, SetControlTypeWritesTheLineAndPreparesTheControl) {
  MakeGuests(1);
  auto* cityEdit = new TvxDBEdit(form.get());
  cityEdit->SetName("CityEdit");
  cityEdit->SetParent(form.get());
  MakeGrid();
  struct Case {
    TvxFieldControlType type;
    std::string params;
    std::string line;  // empty: no line for the field
  } cases[] = {
      {fctCheckBox, "Y;N", "City;CheckBox;Y;N"},
      {fctBitmap, "Stretch To Fit;Source Copy", "City;Bitmap;Stretch To Fit;Source Copy"},
      {fctLookupCombo, "CityEdit", "City;CustomEdit;CityEdit"},
      {fctRichEdit, "CityEdit", "City;RichEdit;CityEdit"},
      {fctField, "", ""},
      {fctComboBox, "CityEdit", "City;CustomEdit;CityEdit"},
      {fctNone, "", ""},
  };
  for (const Case& c : cases) {
    grid->SetControlType("City", c.type, c.params);
    const TStrings* lines = table->ControlType();
    EXPECT_EQ(lines->Count() ? lines->Strings(0) : std::string(), c.line) << c.type;
  }
  EXPECT_EQ(cityEdit->Parent(), grid);
  EXPECT_FALSE(cityEdit->Visible());
  EXPECT_EQ(cityEdit->DataField(), "City");
  EXPECT_EQ(cityEdit->DataSource(), source);
}

// ---------------------------------------------------------------- check boxes

TEST_F(DBGridTest, CheckBoxesToggleByMouseAndSpace) {
  MakeGuests(4);
  table->ControlType()->Add("Attending;CheckBox;Y;N");
  MakeGrid();
  auto attending = [this] { return table->FieldByName("Attending")->AsString(); };
  struct Case {
    const char* name;
    bool singleClickOption;
    bool doubleClick;
    bool toggles;
  } cases[] = {
      {"single click without the option", false, false, false},
      {"double click without the option", false, true, true},
      {"single click with the option", true, false, true},
      {"double click with the option: only its first press", true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TvxEditControlOptions o = grid->EditControlOptions();
    if (c.singleClickOption) o.Include(ecoCheckboxSingleClick);
    else o.Exclude(ecoCheckboxSingleClick);
    grid->SetEditControlOptions(o);
    const std::string before = attending();
    if (c.doubleClick) grid->DoubleClick(kAttending, grid->Row());
    else grid->ClickCell(kAttending, grid->Row());
    EXPECT_EQ(attending() != before, c.toggles) << before << " -> " << attending();
    table->Cancel();
  }
  EXPECT_FALSE(grid->InplaceEditor() && grid->InplaceEditor()->Visible());

  // Space toggles; a value that differs from "Y" in letter case paints
  // checked, and a toggle clears it.
  table->First();
  grid->SetSelectedIndex(kAttending - 1);
  grid->Press(VK_SPACE);
  EXPECT_EQ(attending(), "N");
  grid->Press(VK_SPACE);
  EXPECT_EQ(attending(), "Y");
  table->FieldByName("Attending")->SetAsString("y");
  grid->Press(VK_SPACE);
  EXPECT_EQ(attending(), "N");
  table->Post();

  // A read-only field keeps its value.
  table->FieldByName("Attending")->SetReadOnly(true);
  grid->Press(VK_SPACE);
  EXPECT_EQ(attending(), "N");
  EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DBGridTest, ASelectedCheckBoxSelectsTheRecordWithoutEditing) {
  MakeGuests(3, nullptr, true);
  table->ControlType()->Add("Selected;CheckBox;T;F");
  MakeGrid();
  const int col = 7;  // after the six stored fields
  ASSERT_EQ(grid->FieldName(col), "Selected");
  EXPECT_TRUE(grid->IsSelectedCheckbox(col));
  grid->SetEditControlOptions({ecoCheckboxSingleClick});
  grid->SetReadOnly(true);  // the selection does not need an editable grid
  table->Next();
  grid->ClickCell(col, grid->Row());
  EXPECT_EQ(SelectedIds(), std::vector<int>{2});
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_TRUE(grid->IsSelected());
  grid->ClickCell(col, grid->Row());
  EXPECT_TRUE(SelectedIds().empty());
  grid->SetSelectedIndex(col - 1);
  grid->SetReadOnly(false);
  grid->Press(VK_SPACE);
  EXPECT_EQ(SelectedIds(), std::vector<int>{2});
  EXPECT_EQ(table->State(), dsBrowse);
}

// ---------------------------------------------------------------- memo and rich-edit cells

TEST_F(DBGridTest, MemoCellsShowMemoOrTheirText) {
  MakeGuests(2);
  MakeGrid();
  EXPECT_EQ(grid->GetFieldValue(kNotes - 1), "(Memo)");
  grid->SetMemoAttributes({mSizeable, mWordWrap, mGridShow});
  EXPECT_EQ(grid->GetFieldValue(kNotes - 1), "Note of guest 1");
  table->Next();
  EXPECT_EQ(grid->GetFieldValue(kNotes - 1), "Note of guest 2");
  // Typing into a memo cell opens no editor.
  grid->SetSelectedIndex(kNotes - 1);
  Key(WidgetOf(grid), Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_FALSE(grid->InplaceEditor() && grid->InplaceEditor()->Visible());
  // An empty dataset shows nothing, also without mGridShow.
  table->First();
  while (!table->Eof()) table->Delete();
  grid->SetMemoAttributes({mSizeable, mWordWrap});
  EXPECT_EQ(grid->GetFieldValue(kNotes - 1), "");
}

TEST_F(DBGridTest, TheMemoDialogOpensByF2AndByADoubleClick) {
  MakeGuests(2);
  MakeGrid();
  grid->Font()->SetName("DejaVu Sans");
  table->FieldByName("Notes")->SetDisplayLabel("Guest~notes");
  std::vector<std::string> seen;
  bool typeAndKeep = true;
  grid->OnMemoOpen = [&](TvxDBGrid* g, TvxMemoDialog* d) {
    seen.push_back("open " + d->Caption() + (d->MemoAttributes().Contains(mViewOnly) ? " view" : " edit"));
    EXPECT_EQ(g, grid);
    EXPECT_EQ(d->DataField(), "Notes");
    EXPECT_EQ(d->Font()->Name(), "DejaVu Sans");
    // What the user does once the dialog shows.
    d->OnInitDialog = [&](TvxMemoDlg* dlg) {
      QTimer::singleShot(0, [&, dlg] {
        if (typeAndKeep) {
          dlg->Memo->SetSelStart(static_cast<int>(dlg->Memo->Text().size()));
          Key(WidgetOf(dlg->Memo), Qt::Key_A, Qt::NoModifier, "!");
          Key(WidgetOf(dlg->Memo), Qt::Key_F2);
        } else {
          Key(WidgetOf(dlg->Memo), Qt::Key_Escape);
        }
      });
    };
  };
  grid->OnMemoClose = [&](TvxDBGrid*, bool Cancel) { seen.push_back(Cancel ? "cancel" : "ok"); };

  grid->SetSelectedIndex(kNotes - 1);
  grid->Press(VK_F2);
  EXPECT_EQ(seen, (std::vector<std::string>{"open Guest notes edit", "ok"}));
  EXPECT_EQ(table->FieldByName("Notes")->AsString(), "Note of guest 1!");
  table->Post();

  seen.clear();
  typeAndKeep = false;
  grid->DoubleClick(kNotes, grid->Row());
  EXPECT_EQ(seen, (std::vector<std::string>{"open Guest notes edit", "cancel"}));
  EXPECT_EQ(table->FieldByName("Notes")->AsString(), "Note of guest 1!");

  // A grid that cannot edit shows the memo to read only; one without the
  // dialog opens none.
  seen.clear();
  grid->SetReadOnly(true);
  grid->Press(VK_F2);
  EXPECT_EQ(seen, (std::vector<std::string>{"open Guest notes view", "cancel"}));
  seen.clear();
  grid->SetMemoAttributes({mDisableDialog});
  grid->Press(VK_F2);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(TvxMemoDialog::StaticClass(), TvxMemoDialog::StaticClass());
  int dialogs = 0;
  for (int i = 0; i < grid->ComponentCount(); ++i)
    dialogs += dynamic_cast<TvxMemoDialog*>(grid->Components(i)) ? 1 : 0;
  EXPECT_EQ(dialogs, 0) << "every dialog is freed";
}

TEST_F(DBGridTest, RichEditCellsShowThePlainTextOfTheirRtf) {
  MakeGuests(2);
  auto* letterEdit = new TRichEdit(form.get());
  letterEdit->SetName("LetterEdit");
  letterEdit->SetParent(form.get());
  std::vector<Word> keys;
  letterEdit->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { keys.push_back(Key); };
  table->ControlType()->Add("Letter;RichEdit;LetterEdit");
  MakeGrid();
  TCustomEdit* control = nullptr;
  EXPECT_TRUE(grid->IsRichEditCell(kLetter, 1, control));
  EXPECT_EQ(control, letterEdit);
  EXPECT_EQ(grid->GetFieldValue(kLetter - 1), "Dear guest 1");
  table->Next();
  EXPECT_EQ(grid->GetFieldValue(kLetter - 1), "Dear guest 2");
  // F2 and a double click go to the form's rich edit.
  grid->SetSelectedIndex(kLetter - 1);
  grid->Press(VK_F2);
  grid->DoubleClick(kLetter, grid->Row());
  EXPECT_EQ(keys, (std::vector<Word>{VK_F2, VK_F2}));
  // Without the control the cell is still a rich-edit cell.
  SetControlType("Letter;RichEdit;Nowhere");
  EXPECT_TRUE(grid->IsRichEditCell(kLetter, 1, control));
  EXPECT_EQ(control, nullptr);
  EXPECT_EQ(grid->GetFieldValue(kLetter - 1), "Dear guest 2");
}

// ---------------------------------------------------------------- fixed data columns

TEST_F(DBGridTest, FixedColumnsStayAndOutOfRangeValuesAreRefusedWhileDesigning) {
  MakeGuests(3);
  MakeGrid();
  grid->SetFixedCols(1);
  EXPECT_EQ(grid->TvxCustomDBGrid::FixedCols(), 2);
  EXPECT_FALSE(grid->TabStops(1));
  EXPECT_TRUE(grid->TabStops(2));
  EXPECT_GE(grid->Col(), 2);
  // A layout keeps the current column.
  grid->SetSelectedIndex(kCity - 1);
  grid->LayoutChanged();
  EXPECT_EQ(grid->Col(), kCity);
  grid->Press(VK_HOME);
  EXPECT_EQ(grid->Col(), 2) << "Home stops at the first column that scrolls";

  grid->SetComponentState(csDesigning, true);
  struct Case {
    int value;
    bool refused;
  } cases[] = {{-1, true}, {6, true}, {5, false}, {0, false}};
  for (const Case& c : cases) {
    messages->Requests.clear();
    const int before = grid->FixedCols();
    grid->SetFixedCols(c.value);
    if (c.refused) {
      ASSERT_EQ(messages->Requests.size(), 1u) << c.value;
      EXPECT_EQ(messages->Requests[0].Text, "Invalid value for FixedCols");
      EXPECT_EQ(messages->Requests[0].Icon, TMessageIcon::Warning);
      EXPECT_EQ(grid->FixedCols(), before);
    } else {
      EXPECT_TRUE(messages->Requests.empty()) << c.value;
      EXPECT_EQ(grid->FixedCols(), c.value);
      EXPECT_EQ(grid->TvxCustomDBGrid::FixedCols(), 1 + c.value);
    }
  }
  grid->SetComponentState(csDesigning, false);
}

// ---------------------------------------------------------------- multi-select

class MultiSelect : public DBGridTest {
protected:
  void SetUp() override {
    MakeGuests(12);
    MakeGrid();
    grid->SetOptions(grid->Options() + TvxDBGridOptions{dgMultiSelect});
    grid->SetMultiSelectOptions({msoShiftSelect});
  }
  // Clicks the row of the guest with that ID (on the screen: IDs 1 to 12).
  void ClickGuest(int id, TShiftState shift = {}) {
    const int first = table->FieldByName("ID")->AsInteger() - grid->DataLink()->ActiveRecord();
    grid->ClickCell(kName, id - first + grid->TitleOffset(), shift);
  }
};

TEST_F(MultiSelect, CtrlAndShiftClicksSelectRecordsAndRanges) {
  ClickGuest(3, {ssCtrl});
  ClickGuest(5, {ssCtrl});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 5}));
  ClickGuest(3, {ssCtrl});
  EXPECT_EQ(SelectedIds(), std::vector<int>{5});
  Paint();
  EXPECT_TRUE(grid->IsSelectedRow(4));
  EXPECT_FALSE(grid->IsSelectedRow(2));

  // Shift extends from the anchor (the last record clicked), either way.
  ClickGuest(7, {ssCtrl});
  ClickGuest(10, {ssShift});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{5, 7, 8, 9, 10}));
  EXPECT_EQ(Id(), 10) << "the clicked record stays current";
  ClickGuest(2, {ssCtrl});
  ClickGuest(1, {ssShift});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{1, 2, 5, 7, 8, 9, 10}));
  EXPECT_EQ(Id(), 1);
  grid->UnselectAll();
  ClickGuest(8, {ssCtrl});
  ClickGuest(4, {ssShift});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{4, 5, 6, 7, 8}));
  EXPECT_EQ(Id(), 4);
  EXPECT_FALSE(table->ControlsDisabled());

  // With msoAutoUnselect a plain click starts again.
  grid->SetMultiSelectOptions({msoShiftSelect, msoAutoUnselect});
  ClickGuest(10);
  EXPECT_EQ(SelectedIds(), std::vector<int>{10});
  ClickGuest(12, {ssShift});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{10, 11, 12}));
}

TEST_F(MultiSelect, ARangeWhoseAnchorIsGoneStopsAtTheEnd) {
  ClickGuest(6, {ssCtrl});
  const TBookmark anchor = table->GetBookmark();
  ClickGuest(3, {ssCtrl});
  const TBookmark clicked = table->GetBookmark();
  GoTo(6);
  table->Delete();
  GoTo(3);
  grid->SelectRecordRange(clicked, anchor);
  EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(Id(), 3);
  EXPECT_FALSE(table->ControlsDisabled());

  // The other way round: from the anchor, gone, to the record clicked.
  grid->UnselectAll();
  GoTo(9);
  grid->SelectRecordRange(table->GetBookmark(), anchor);
  EXPECT_EQ(SelectedIds(), (std::vector<int>{9, 10, 11, 12}));
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST_F(MultiSelect, SelectAllUnselectAllAndTheEventThatRefuses) {
  std::vector<std::string> events;
  grid->OnMultiSelectRecord = [&](TvxDBGrid*, bool Selecting, bool& Accept) {
    events.push_back((Selecting ? "select " : "unselect ") + std::to_string(Id()));
    Accept = Id() != 4;
  };
  ClickGuest(4, {ssCtrl});
  ClickGuest(7, {ssCtrl});
  EXPECT_EQ(SelectedIds(), std::vector<int>{7});
  GoTo(5);
  grid->SelectAll();
  EXPECT_EQ(SelectedIds().size(), 12u);
  EXPECT_EQ(Id(), 5) << "back where it was";
  EXPECT_EQ(events, (std::vector<std::string>{"select 4", "select 7"})) << "SelectAll raises no event";
  Paint();
  for (int r = 0; r < grid->DataLink()->RecordCount(); ++r) EXPECT_TRUE(grid->IsSelectedRow(r)) << r;
  ClickGuest(4, {ssCtrl});
  EXPECT_EQ(SelectedIds().size(), 12u) << "the event refused";
  ClickGuest(2, {ssCtrl});
  EXPECT_EQ(SelectedIds().size(), 11u);
  grid->UnselectAll();
  EXPECT_TRUE(grid->SelectedList().empty());
  for (int r = 0; r < grid->DataLink()->RecordCount(); ++r) EXPECT_FALSE(grid->IsSelectedRow(r)) << r;
}

TEST_F(DBGridTest, AFailingWalkLeavesTheControlsEnabled) {
  MakeGuests(12, nullptr, true);
  MakeGrid();
  grid->SetOptions(grid->Options() + TvxDBGridOptions{dgMultiSelect});
  int reads = 0, failAt = -1;
  table->OnCalcFields = [&](TDataSet*) {
    if (++reads == failAt) throw EDatabaseError("The walk fails");
  };
  failAt = reads + 3;
  EXPECT_THROW(grid->SelectAll(), EDatabaseError);
  EXPECT_FALSE(table->ControlsDisabled());

  failAt = -1;
  GoTo(2);
  const TBookmark from = table->GetBookmark();
  GoTo(8);
  const TBookmark to = table->GetBookmark();
  GoTo(2);
  failAt = reads + 1;
  EXPECT_THROW(grid->SelectRecordRange(from, to), EDatabaseError);
  EXPECT_FALSE(table->ControlsDisabled());
  failAt = -1;
}

TEST_F(MultiSelect, TheListSortsIntoDatasetOrder) {
  for (int id : {9, 2, 12, 5, 1, 7}) {
    GoTo(id);
    grid->SelectRecord();
  }
  grid->SortSelectedList();
  std::vector<int> order;
  for (const TBookmark& b : grid->SelectedList()) {
    table->GotoBookmark(b);
    order.push_back(Id());
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2, 5, 7, 9, 12}));
  table->Last();
  EXPECT_NE(grid->findBookmark(), nullptr);
  table->Prior();
  EXPECT_EQ(grid->findBookmark(), nullptr);
}

// ---------------------------------------------------------------- dependents and form files

class TDependent : public TComponent {
  FW_CLASS(TDependent, TComponent)
public:
  using TComponent::TComponent;
  std::vector<TComponent*> Removed;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) Removed.push_back(AComponent);
  }
};

FW_IMPLEMENT_CLASS(TDependent)

TEST_F(DBGridTest, DependentsHearOfTheGridsRemoval) {
  MakeGuests(1);
  MakeGrid();
  auto dependent = std::make_unique<TDependent>(nullptr);
  auto gone = std::make_unique<TDependent>(nullptr);
  grid->AddDependent(dependent.get());
  grid->AddDependent(gone.get());
  gone.reset();  // a dependent that goes first is let go
  TvxDBGrid* g = grid;
  delete grid;
  EXPECT_EQ(dependent->Removed, std::vector<TComponent*>{g});
}

class TGridForm : public TForm {
  FW_CLASS(TGridForm, TForm)
public:
  using TForm::TForm;
};

FW_IMPLEMENT_CLASS(TGridForm)

TEST_F(DBGridTest, AFormFileHoldsTheGridWithItsProperties) {
  MakeGuests(3);
  auto* f = new TGridForm(nullptr);
  std::unique_ptr<TGridForm> owned(f);
  const std::string text = "object GridForm: TGridForm\n"
                           "  object GuestTable: TvxTable\n"
                           "    DatabaseName = '" + dir.Path() + "'\n"
                           "    TableName = 'guests.db'\n"
                           "    ControlType.Strings = (\n"
                           "      'Attending;CheckBox;Y;N')\n"
                           "    Active = True\n"
                           "  end\n"
                           "  object GuestSource: TvxDataSource\n"
                           "    DataSet = GuestTable\n"
                           "  end\n"
                           "  object Grid: TvxDBGrid\n"
                           "    Left = 8\n"
                           "    Top = 8\n"
                           "    Width = 600\n"
                           "    Height = 240\n"
                           "    DataSource = GuestSource\n"
                           "    FixedCols = 1\n"
                           "    MemoAttributes = [mWordWrap, mGridShow]\n"
                           "    EditControlOptions = [ecoCheckboxSingleClick]\n"
                           "    MultiSelectOptions = [msoAutoUnselect, msoShiftSelect]\n"
                           "    Options = [dgEditing, dgTitles, dgIndicator, dgColLines, dgRowLines, dgTabs, "
                           "dgMultiSelect]\n"
                           "    KeyOptions = [dgEnterToTab]\n"
                           "    TitleLines = 2\n"
                           "    TitleColor = clYellow\n"
                           "    ShowVertScrollBar = False\n"
                           "    Selected.Strings = (\n"
                           "      'Name'#9'16'#9'Guest'\n"
                           "      'Notes'#9'20'#9'Notes')\n"
                           "    UseTFields = False\n"
                           "  end\n"
                           "end\n";
  ReadComponentText(f, text, "gridform.dfm");
  auto* g = dynamic_cast<TvxDBGrid*>(f->FindComponent("Grid"));
  ASSERT_NE(g, nullptr);
  EXPECT_NE(g->DataSource(), nullptr);
  EXPECT_EQ(g->FixedCols(), 1);
  EXPECT_EQ(g->MemoAttributes(), (TvxMemoAttributes{mWordWrap, mGridShow}));
  EXPECT_EQ(g->EditControlOptions(), TvxEditControlOptions{ecoCheckboxSingleClick});
  EXPECT_EQ(g->MultiSelectOptions(), (TvxMultiSelectOptions{msoAutoUnselect, msoShiftSelect}));
  EXPECT_TRUE(g->Options().Contains(dgMultiSelect));
  EXPECT_EQ(g->KeyOptions(), TvxDBGridKeyOptions{dgEnterToTab});
  EXPECT_EQ(g->TitleLines(), 2);
  EXPECT_EQ(g->TitleColor(), clYellow);
  EXPECT_FALSE(g->ShowVertScrollBar());
  EXPECT_FALSE(g->UseTFields());
  EXPECT_EQ(g->Selected()->Count(), 2);
  f->Show();
  Pump();
  EXPECT_EQ(g->GetFieldCount(), 2);
  EXPECT_EQ(g->GetFieldValue(1), "Note of guest 1");

  // The defaults a form file leaves out.
  struct Default {
    const char* name;
    std::int64_t value;
  } defaults[] = {{"MemoAttributes", TvxMemoAttributes{mSizeable, mWordWrap}.ToBits()},
                  {"FixedCols", 0},
                  {"ShowVertScrollBar", 1},
                  {"EditControlOptions", TvxEditControlOptions{ecoSearchOwnerForm}.ToBits()},
                  {"BorderStyle", bsSingle},
                  {"Color", clWindow},
                  {"DefaultDrawing", 1},
                  {"EditCalculated", 0},
                  {"KeyOptions", TvxDBGridKeyOptions{dgAllowDelete, dgAllowInsert}.ToBits()},
                  {"MultiSelectOptions", 0},
                  {"Options", 7421},
                  {"ParentColor", 0},
                  {"ReadOnly", 0},
                  {"RowHeightPercent", 100},
                  {"TabStop", 1},
                  {"UseTFields", 1}};
  auto fresh = std::make_unique<TvxDBGrid>(nullptr);
  for (const Default& d : defaults) {
    const TPropInfo* p = GetPropInfo(fresh.get(), d.name);
    ASSERT_NE(p, nullptr) << d.name;
    EXPECT_EQ(p->DefaultValue, d.value) << d.name;
    EXPECT_EQ(GetOrdProp(fresh.get(), p), d.value) << d.name;
  }
  EXPECT_FALSE(GetPropInfo(fresh.get(), "IndicatorButton")->IsStored);
  for (const char* event : {"OnMemoOpen", "OnMemoClose", "OnMultiSelectRecord", "OnCalcCellColors",
                            "OnTitleButtonClick", "OnColEnter", "OnCheckValue", "OnTopRowChanged", "OnDblClick"})
    EXPECT_NE(GetPropInfo(fresh.get(), event), nullptr) << event;
}

}  // namespace
}  // namespace vx

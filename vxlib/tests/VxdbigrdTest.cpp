// The library's data grid on Qt's offscreen platform over native tables made
// in the test's folder: the field map and the layout, the keys and the
// records they reach, the scroll bar, the in-place editor against pictures,
// the write-back of column moves and widths, and what the cells paint.
#include <QImage>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Fields.h"
#include "MemDataSet.h"
#include "Resources.h"
#include "Scope.h"
#include "StdCtrls.h"
#include "Streams.h"
#include "TempDir.h"
#include "UiTest.h"
#include "VxTables.h"
#include "Vxconst.h"
#include "Vxdbedit.h"
#include "Vxdbigrd.h"
#include "Vxintl.h"
#include "Vxtable.h"

namespace vx {
namespace {

using namespace fw;

// The protected parts a test looks at.
class TTestGrid : public TvxCustomDBGrid {
  FW_CLASS(TTestGrid, TvxCustomDBGrid)
public:
  using TvxCustomDBGrid::CellRect;
  using TvxCustomDBGrid::ColumnMoved;
  using TvxCustomDBGrid::InplaceEditor;
  using TvxCustomDBGrid::KeyDown;
  using TvxCustomDBGrid::MouseDown;
  using TvxCustomDBGrid::MouseUp;
  using TvxCustomDBGrid::TabStops;
  using TvxCustomDBGrid::TvxCustomDBGrid;
  using TvxCustomDBGrid::WMVScroll;
  void Press(Word key, TShiftState shift = {}) { KeyDown(key, shift); }
  void VScroll(int code, int pos = 0) {
    TMessage m{WM_VSCROLL, static_cast<WPARAM>(code | (pos << 16)), 0, 0};
    WMVScroll(m);
  }
};

FW_IMPLEMENT_CLASS(TTestGrid)

class GridTest : public fw::test::UiTest {
protected:
  GridTest() : form(std::make_unique<TForm>(nullptr)) { form->SetBounds(40, 40, 640, 400); }

  // Guests: ID, Name, City, Phone, Seats; records "Guest 1" ... in ID order.
  void MakeGuests(int records, const std::string& phonePicture = {}) {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"ID", ORVEX_FT_INTEGER},
                       {"Name", ORVEX_FT_STRING, 20},
                       {"City", ORVEX_FT_STRING, 12},
                       {"Phone", ORVEX_FT_STRING, 14, phonePicture},
                       {"Seats", ORVEX_FT_SMALLINT}},
                      {{1}});
    table = new TvxTable(form.get());
    table->SetDatabaseName(dir.Path());
    table->SetTableName("guests.db");
    table->Open();
    for (int i = 1; i <= records; ++i) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(i);
      table->FieldByName("Name")->SetAsString("Guest " + std::to_string(i));
      table->FieldByName("City")->SetAsString(i % 2 ? "Lorvik" : "Amsel");
      table->Post();
    }
    table->First();
    source = new TvxDataSource(form.get());
    source->SetDataSet(table);
  }
  void MakeGrid() {
    grid = new TTestGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(10, 10, 600, 300);
    grid->SetDataSource(source);
    ShowActive(form.get());
    grid->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return grid->Focused(); }));
  }
  std::vector<int> Widths() const {
    std::vector<int> w;
    for (int i = 0; i < grid->ColCount(); ++i) w.push_back(grid->ColWidths(i));
    return w;
  }
  int CharWidth() {
    grid->Canvas()->SetFont(grid->Font());
    return grid->Canvas()->TextWidth("0");
  }
  int Id() const { return table->FieldByName("ID")->AsInteger(); }
  std::vector<std::string> Lines(const TStrings* s) const {
    std::vector<std::string> v;
    for (int i = 0; i < s->Count(); ++i) v.push_back(s->Strings(i));
    return v;
  }
  QImage Grab() {
    grid->Repaint();
    Pump();
    return WidgetOf(grid)->grab().toImage();
  }

  fw::test::TempDir dir;
  std::unique_ptr<TForm> form;
  TvxTable* table = nullptr;
  TvxDataSource* source = nullptr;
  TTestGrid* grid = nullptr;
};

// ---------------------------------------------------------------- layout

TEST_F(GridTest, ColumnsFollowTheFieldsOrTheSelectedLines) {
  MakeGuests(3);
  MakeGrid();
  const int cw = CharWidth();
  EXPECT_EQ(grid->GetFieldCount(), 5);
  EXPECT_EQ(grid->ColCount(), 6);
  EXPECT_EQ(grid->ColWidths(0), 11);
  EXPECT_EQ(grid->ColWidths(2), std::max(20 * cw + 4, 0));

  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> fields;  // mapped, in order
    std::vector<std::string> kept;    // Selected afterwards
    int nameChars;                    // width of the Name column in characters (0: not checked)
  } cases[] = {
      {"two parts", {"Name\t7", "City\t5"}, {"Name", "City"}, {"Name\t7", "City\t5"}, 7},
      {"three parts", {"City\t5\tTown", "Name\t9\tGuest"}, {"City", "Name"}, {"City\t5\tTown", "Name\t9\tGuest"}, 9},
      {"a missing field", {"Name\t6", "Nickname\t8", "Seats\t3"}, {"Name", "Seats"}, {"Name\t6", "Seats\t3"}, 6},
      {"no usable width", {"Name", "City\tabc"}, {"Name", "City"}, {"Name", "City\tabc"}, 20},
  };
  grid->SetUseTFields(false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->Selected()->Clear();
    for (const std::string& l : c.lines) grid->Selected()->Add(l);
    grid->LayoutChanged();
    std::vector<std::string> mapped;
    for (int i = 0; i < grid->GetFieldCount(); ++i) mapped.push_back(grid->GetFields(i)->FieldName());
    EXPECT_EQ(mapped, c.fields);
    EXPECT_EQ(Lines(grid->Selected()), c.kept);
    EXPECT_EQ(grid->ColCount(), 1 + static_cast<int>(c.fields.size()));
    // The title is never narrower than its text: measure with the title font.
    grid->Canvas()->SetFont(grid->TitleFont());
    const int titleWidth = grid->Canvas()->TextWidth(c.nameChars == 9 ? "Guest" : "Name") + 4;
    const int col = 1 + static_cast<int>(std::find(c.fields.begin(), c.fields.end(), "Name") - c.fields.begin());
    EXPECT_EQ(grid->ColWidths(col), std::max(c.nameChars * cw + 4, titleWidth));
  }
  // Without a map the Selected lines still give the columns.
  grid->SetDataSource(nullptr);
  grid->Selected()->Clear();
  for (const char* l : {"A\t3", "B\t3", "C\t3"}) grid->Selected()->Add(l);
  grid->LayoutChanged();
  EXPECT_EQ(grid->ColCount(), 4);
  grid->SetUseTFields(true);
  EXPECT_EQ(grid->ColCount(), 2);  // nothing mapped: one empty data column
}

TEST_F(GridTest, ATitleIsAsWideAsItsWidestLinePiece) {
  MakeGuests(1);
  MakeGrid();
  table->FieldByName("Seats")->SetDisplayWidth(1);
  table->FieldByName("Seats")->SetDisplayLabel("Seats at~the table");
  grid->LayoutChanged();
  grid->Canvas()->SetFont(grid->TitleFont());
  const int widest = grid->Canvas()->TextWidth("the table");
  const int whole = grid->Canvas()->TextWidth("Seats at~the table");
  EXPECT_EQ(grid->ColWidths(5), std::max(widest, grid->Canvas()->TextWidth("Seats at")) + 4);
  EXPECT_LT(grid->ColWidths(5), whole + 4);
}

TEST_F(GridTest, TabStopsSkipReadOnlyAndCalculatedFields) {
  MakeGuests(0);
  table->Close();
  table->FieldDefs()->Update();
  for (int i = 0; i < table->FieldDefs()->Count(); ++i) table->FieldDefs()->Items(i)->CreateField(form.get());
  auto* calc = new TStringField(form.get());
  calc->SetFieldName("Label");
  calc->SetSize(10);
  calc->SetCalculated(true);
  calc->SetDataSet(table);
  table->FieldByName("City")->SetReadOnly(true);
  table->Open();
  MakeGrid();
  struct Case {
    bool editCalculated;
    std::vector<bool> stops;  // ID, Name, City, Phone, Seats, Label
  } cases[] = {{false, {true, true, false, true, true, false}}, {true, {true, true, false, true, true, true}}};
  for (const Case& c : cases) {
    grid->SetEditCalculated(c.editCalculated);
    grid->LayoutChanged();
    std::vector<bool> stops;
    for (int i = 1; i < grid->ColCount(); ++i) stops.push_back(grid->TabStops(i));
    EXPECT_EQ(stops, c.stops) << c.editCalculated;
  }
}

TEST_F(GridTest, RowHeightsFollowTheFontTitleLinesAndPercent) {
  MakeGuests(2);
  MakeGrid();
  grid->Canvas()->SetFont(grid->Font());
  const int th = grid->Canvas()->TextHeight("W");
  struct Case {
    const char* name;
    int titleLines, percent;
    bool rowLines;
    int row, title;
  } cases[] = {
      {"defaults", 1, 100, true, th + 3, th + 4},
      {"two title lines", 2, 100, true, th + 3, 2 * th + 4},
      {"half height", 1, 50, true, (th + 3) * 50 / 100, th + 4},
      {"no row lines", 1, 100, false, th + 2, th + 5},
      {"title lines 0 ignored", 0, 100, true, th + 3, th + 4},
      {"percent -5 ignored", 1, -5, true, th + 3, th + 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->SetTitleLines(1);
    grid->SetRowHeightPercent(100);
    grid->SetTitleLines(c.titleLines);
    grid->SetRowHeightPercent(c.percent);
    TvxDBGridOptions o = grid->Options();
    if (c.rowLines) o.Include(dgRowLines);
    else o.Exclude(dgRowLines);
    grid->SetOptions(o);
    grid->LayoutChanged();
    EXPECT_EQ(grid->DefaultRowHeight(), c.row);
    EXPECT_EQ(grid->RowHeights(0), c.title);
  }
  EXPECT_EQ(grid->RowHeightPercent(), 100);
  EXPECT_EQ(grid->TitleLines(), 1);
}

TEST_F(GridTest, TheMapGrowsByDoublingAndStopsAtItsLimit) {
  MakeGuests(0);
  MakeGrid();
  TvxGridDataLink* link = grid->DataLink();
  link->ClearMapping();
  EXPECT_FALSE(link->AddMapping("Nickname"));
  EXPECT_EQ(link->FieldCount(), 0);
  std::vector<int> capacities;
  for (int i = 0; i < vxMaxMappedColumns; ++i) {
    ASSERT_TRUE(link->AddMapping(i % 2 ? "name" : "ID"));
    if (capacities.empty() || capacities.back() != link->MapCapacity()) capacities.push_back(link->MapCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16380}));
  try {
    link->AddMapping("City");
    FAIL() << "the 16381st column was mapped";
  } catch (const EInvalidGridOperation& e) {
    EXPECT_STREQ(e.what(), "Grid requested to display more than 256 columns");
  }
  EXPECT_EQ(link->FieldCount(), vxMaxMappedColumns);
  // Outside the map there is no field, below it as well as past it.
  EXPECT_EQ(link->GetFields(-1), nullptr);
  EXPECT_EQ(link->GetFields(vxMaxMappedColumns), nullptr);
  EXPECT_EQ(link->GetFields(1)->FieldName(), "Name");
}

TEST_F(GridTest, TheCornerButtonSizesTheIndicatorColumnAndTitleRow) {
  MakeGuests(1);
  MakeGrid();
  auto* button = new TvxIButton(form.get());
  button->SetParent(grid);
  grid->SetIndicatorButton(button);
  button->SetBounds(5, 5, 20, 40);
  EXPECT_EQ(button->Left(), 0);
  EXPECT_EQ(button->Top(), 0);
  EXPECT_EQ(grid->IndicatorWidth(), 19);
  EXPECT_EQ(grid->ColWidths(0), 19);
  EXPECT_EQ(grid->RowHeights(0), 40 - 1);  // with row lines
}

TEST_F(GridTest, OptionsMapOntoTheCellGrid) {
  MakeGuests(1);
  MakeGrid();
  EXPECT_EQ(grid->Options().ToBits(), 7421u);
  EXPECT_EQ(grid->KeyOptions(), (TvxDBGridKeyOptions{dgAllowDelete, dgAllowInsert}));
  grid->SetOptions(TvxDBGridOptions{dgRowSelect, dgEditing, dgTabs});
  EXPECT_EQ(grid->TCustomGrid::Options(), (TGridOptions{goRowSelect, goTabs}));
  grid->SetOptions(TvxDBGridOptions{dgEditing, dgColumnResize, dgColLines});
  EXPECT_EQ(grid->TCustomGrid::Options(),
            (TGridOptions{goEditing, goColSizing, goColMoving, goFixedVertLine, goVertLine}));
  // Without titles and indicator the data starts at the first cell.
  EXPECT_EQ(grid->FixedCols(), 0);
  EXPECT_EQ(grid->FixedRows(), 0);
  EXPECT_EQ(grid->ColCount(), 5);
}

// ---------------------------------------------------------------- keys

TEST_F(GridTest, KeysMoveThroughRecordsAndColumns) {
  MakeGuests(40);
  MakeGrid();
  const int page = grid->VisibleRowCount();
  ASSERT_GT(page, 3);
  ASSERT_LT(page, 40);
  struct Case {
    const char* name;
    int startId, startCol;
    Word key;
    TShiftState shift;
    int id, col;
  } cases[] = {
      {"Down", 5, 1, VK_DOWN, {}, 6, 1},
      {"Up", 5, 1, VK_UP, {}, 4, 1},
      {"PgDn", 1, 0, VK_NEXT, {}, 1 + page, 0},
      {"PgUp", 1 + page, 0, VK_PRIOR, {}, 1, 0},
      {"Home", 5, 3, VK_HOME, {}, 5, 0},
      {"End", 5, 0, VK_END, {}, 5, 4},
      {"Left", 5, 2, VK_LEFT, {}, 5, 1},
      {"Left at the first", 5, 0, VK_LEFT, {}, 5, 0},
      {"Right", 5, 2, VK_RIGHT, {}, 5, 3},
      {"Right at the last", 5, 4, VK_RIGHT, {}, 5, 4},
      {"Ctrl+Home", 9, 2, VK_HOME, {ssCtrl}, 1, 2},
      {"Ctrl+End", 9, 2, VK_END, {ssCtrl}, 40, 2},
      {"Ctrl+Left", 9, 2, VK_LEFT, {ssCtrl}, 9, 0},
      {"Ctrl+Right", 9, 2, VK_RIGHT, {ssCtrl}, 9, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    table->First();
    table->MoveBy(c.startId - 1);
    grid->SetSelectedIndex(c.startCol);
    ASSERT_EQ(Id(), c.startId);
    ASSERT_EQ(grid->SelectedIndex(), c.startCol);
    grid->Press(c.key, c.shift);
    EXPECT_EQ(Id(), c.id);
    EXPECT_EQ(grid->SelectedIndex(), c.col);
    EXPECT_EQ(grid->Row() - 1, grid->DataLink()->ActiveRecord());
  }
  // The same through the window's own key events.
  table->First();
  Key(WidgetOf(grid), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Id(), 40);
  Key(WidgetOf(grid), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Id(), 1);
  Key(WidgetOf(grid), Qt::Key_PageDown);
  EXPECT_EQ(Id(), 1 + page);
  // Ctrl+Up and Ctrl+PgUp go to the first row on screen, Ctrl+Down and Ctrl+PgDn to the last.
  table->First();
  table->MoveBy(page + 3);
  const int firstShown = Id() - grid->DataLink()->ActiveRecord();
  grid->Press(VK_DOWN, {ssCtrl});
  EXPECT_EQ(Id(), firstShown + grid->DataLink()->BufferCount() - 1);
  grid->Press(VK_PRIOR, {ssCtrl});
  EXPECT_EQ(Id(), firstShown);
  // The scroll bar's page codes move a page as PgDn and PgUp do.
  table->First();
  grid->VScroll(SB_PAGEDOWN);
  EXPECT_EQ(Id(), 1 + page);
  grid->VScroll(SB_PAGEUP);
  EXPECT_EQ(Id(), 1);
  // Row select: Left and Right move by record, Home and End to the ends.
  grid->SetOptions(grid->Options() + TvxDBGridOptions{dgRowSelect});
  table->First();
  grid->Press(VK_RIGHT);
  EXPECT_EQ(Id(), 2);
  grid->Press(VK_LEFT);
  EXPECT_EQ(Id(), 1);
  grid->Press(VK_END);
  EXPECT_EQ(Id(), 40);
}

TEST_F(GridTest, EndAndHomeOfAOneFieldDataSetGoToTheLastAndFirstRecord) {
  MakeGuests(6);
  table->Close();
  table->FieldDefs()->Update();
  table->FieldDefs()->Items(1)->CreateField(form.get());  // only Name
  table->Open();
  MakeGrid();
  grid->Press(VK_END);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Guest 6");
  grid->Press(VK_HOME);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Guest 1");
}

TEST_F(GridTest, DownAppendsAtTheEndAndAnUntouchedAppendIsCancelled) {
  MakeGuests(3);
  MakeGrid();
  table->Last();
  grid->Press(VK_DOWN);
  EXPECT_EQ(table->State(), dsInsert);
  grid->Press(VK_DOWN);  // again on the untouched new record: nothing
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->RecordCount(), 3);
  grid->Press(VK_UP);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Id(), 3);
  // Without dgAllowInsert, or read-only, Down stops at the last record.
  grid->SetKeyOptions({dgAllowDelete});
  grid->Press(VK_DOWN);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->SetKeyOptions({dgAllowDelete, dgAllowInsert});
  grid->SetReadOnly(true);
  grid->Press(VK_DOWN);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->Press(VK_INSERT);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->SetReadOnly(false);
  grid->Press(VK_INSERT);
  EXPECT_EQ(table->State(), dsInsert);
}

TEST_F(GridTest, TabWrapsToTheNextAndPreviousRecord) {
  MakeGuests(5);
  MakeGrid();
  struct Case {
    const char* name;
    std::vector<std::string> selected;  // empty: all fields
    int startId, startCol;
    TShiftState shift;
    int id, col;
  } cases[] = {
      {"forward within the record", {}, 2, 1, {}, 2, 2},
      {"forward past the last column", {}, 2, 4, {}, 3, 0},
      {"backward past the first column", {}, 3, 0, {ssShift}, 2, 4},
      {"a single tab stop stays put", {"Name\t10"}, 2, 0, {}, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->SetUseTFields(c.selected.empty());
    grid->Selected()->Clear();
    for (const std::string& l : c.selected) grid->Selected()->Add(l);
    grid->LayoutChanged();
    table->First();
    table->MoveBy(c.startId - 1);
    grid->SetSelectedIndex(c.startCol);
    grid->Press(VK_TAB, c.shift);
    EXPECT_EQ(Id(), c.id);
    EXPECT_EQ(grid->SelectedIndex(), c.col);
    EXPECT_FALSE(grid->TabWrap());
  }
  // Read-only columns are passed over.
  grid->SetUseTFields(true);
  table->FieldByName("Name")->SetReadOnly(true);
  grid->LayoutChanged();
  table->First();
  grid->SetSelectedIndex(0);
  grid->Press(VK_TAB);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  // Enter moves as Tab with dgEnterToTab only.
  grid->Press(VK_RETURN);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  grid->SetKeyOptions(grid->KeyOptions() + TvxDBGridKeyOptions{dgEnterToTab});
  grid->Press(VK_RETURN);
  EXPECT_EQ(grid->SelectedIndex(), 3);
}

TEST_F(GridTest, TabWithoutColumnsDoesNothing) {
  MakeGuests(4);
  MakeGrid();
  grid->SetUseTFields(false);  // no Selected lines: nothing mapped
  ASSERT_EQ(grid->GetFieldCount(), 0);
  table->MoveBy(2);
  grid->Press(VK_TAB, {ssShift});
  grid->Press(VK_TAB);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(GridTest, CtrlDelAndEscAskFirst) {
  MakeGuests(3);
  MakeGrid();
  struct Case {
    int answer;
    int records;
  } deletes[] = {{mrCancel, 3}, {mrOk, 2}};
  for (const Case& c : deletes) {
    messages->Requests.clear();
    messages->Answers = {c.answer};
    Word key = VK_DELETE;
    grid->KeyDown(key, {ssCtrl});
    EXPECT_EQ(key, 0);
    ASSERT_EQ(messages->Requests.size(), 1u);
    EXPECT_EQ(messages->Requests[0].Text, "Delete record?");
    EXPECT_EQ(table->RecordCount(), c.records);
  }
  // Without dgConfirmDelete nothing is asked; without dgAllowDelete nothing goes.
  grid->SetKeyOptions({dgAllowInsert});
  grid->Press(VK_DELETE, {ssCtrl});
  EXPECT_EQ(table->RecordCount(), 2);

  // Esc on a changed record asks whether to drop the change.
  struct EscCase {
    int answer;
    TDataSetState state;
    std::string city;
  } escapes[] = {{mrNo, dsEdit, "Varne"}, {mrYes, dsBrowse, "Lorvik"}};
  table->First();
  const std::string city = table->FieldByName("City")->AsString();
  escapes[1].city = city;
  for (const EscCase& c : escapes) {
    table->Edit();
    table->FieldByName("City")->SetAsString("Varne");
    messages->Requests.clear();
    messages->Answers = {c.answer};
    grid->Press(VK_ESCAPE);
    ASSERT_EQ(messages->Requests.size(), 1u);
    EXPECT_EQ(messages->Requests[0].Text, "Discard changes to this record?");
    EXPECT_EQ(table->State(), c.state);
    EXPECT_EQ(table->FieldByName("City")->AsString(), c.city);
  }
}

TEST_F(GridTest, LeavingTheGridCancelsAnUntouchedInsertOrPostsTheCell) {
  MakeGuests(3);
  auto* other = new TEdit(form.get());
  other->SetParent(form.get());
  other->SetBounds(10, 320, 100, 20);
  MakeGrid();
  struct Case {
    const char* name;
    bool cancelOnExit, typed;
    TDataSetState state;
  } cases[] = {
      {"untouched, cancel on exit", true, false, dsBrowse},
      {"untouched, kept", false, false, dsInsert},
      {"typed into", true, true, dsInsert},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TvxDBGridOptions o = grid->Options();
    if (c.cancelOnExit) o.Include(dgCancelOnExit);
    else o.Exclude(dgCancelOnExit);
    grid->SetOptions(o);
    grid->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return grid->Focused(); }));
    table->Insert();
    if (c.typed) table->FieldByName("City")->SetAsString("Varne");
    other->SetFocus();
    ASSERT_TRUE(PumpUntil([other] { return other->Focused(); }));
    EXPECT_EQ(table->State(), c.state);
    if (table->State() != dsBrowse) table->Cancel();
  }
}

// ---------------------------------------------------------------- scroll bar

// A dataset of as many records as it is told, without holding them.
class THugeDataSet : public fwtest::TMemDataSet {
  FW_CLASS(THugeDataSet, fwtest::TMemDataSet)
public:
  using TMemDataSet::TMemDataSet;
  int Count = 20'000'000;
  int At = 1;
  int GetRecordCountInternal() override { return Count; }
  int GetRecNoInternal() override { return At; }
  void SetRecNoInternal(int v) override { At = v; }
};
FW_IMPLEMENT_CLASS(THugeDataSet)

TEST_F(GridTest, TheScrollBarFollowsTheRecordNumber) {
  MakeGuests(10);
  MakeGrid();
  auto pos = [this] { return GetScrollPos(grid->Handle(), SB_VERT); };
  int min = 0, max = 0;
  GetScrollRange(grid->Handle(), SB_VERT, &min, &max);
  EXPECT_EQ(max, 200);
  table->MoveBy(3);
  EXPECT_EQ(pos(), 66);  // (4 - 1) * 200 div 9
  table->Last();
  EXPECT_EQ(pos(), 200);
  table->First();
  EXPECT_EQ(pos(), 0);

  struct Case {
    const char* name;
    int code, thumb, startId, id;
  } cases[] = {
      {"line down", SB_LINEDOWN, 0, 4, 5},
      {"line up", SB_LINEUP, 0, 4, 3},
      {"top", SB_TOP, 0, 4, 1},
      {"bottom", SB_BOTTOM, 0, 4, 10},
      {"thumb at 0", SB_THUMBPOSITION, 0, 4, 1},
      {"thumb at 200", SB_THUMBPOSITION, 200, 4, 10},
      {"thumb at 100", SB_THUMBPOSITION, 100, 1, 6},
      {"thumb tracking", SB_THUMBTRACK, 100, 4, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    table->First();
    table->MoveBy(c.startId - 1);
    grid->VScroll(c.code, c.thumb);
    EXPECT_EQ(Id(), c.id);
  }
  // Line down at the end appends nothing.
  table->Last();
  grid->VScroll(SB_LINEDOWN);
  EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(GridTest, OneRecordCountsAsTwoAndHugeCountsDoNotOverflow) {
  MakeGuests(1);
  MakeGrid();
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 0);

  auto* huge = new THugeDataSet(form.get());
  huge->Define({{"N", ftInteger}});
  for (int i = 0; i < 50; ++i) huge->AddRow({fwtest::TMemDataSet::Int(i)});
  huge->Open();
  source->SetDataSet(huge);
  huge->MoveBy(5);
  huge->At = 15'000'001;
  grid->UpdateScrollBar();
  // 15,000,000 * 200 div 19,999,999: past 32 bits on the way.
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 150);
  grid->VScroll(SB_THUMBPOSITION, 150);
  EXPECT_EQ(huge->At, 15'000'001);
}

// Not sequenced: five steps.
class TUnsequenced : public fwtest::TMemDataSet {
  FW_CLASS(TUnsequenced, fwtest::TMemDataSet)
public:
  using TMemDataSet::TMemDataSet;
  bool IsSequenced() override { return false; }
};
FW_IMPLEMENT_CLASS(TUnsequenced)

TEST_F(GridTest, ADataSetWithoutRecordNumbersHasFiveThumbPlaces) {
  MakeGuests(0);
  auto* ds = new TUnsequenced(form.get());
  ds->Define({{"N", ftInteger}});
  for (int i = 1; i <= 60; ++i) ds->AddRow({fwtest::TMemDataSet::Int(i)});
  ds->Open();
  source->SetDataSet(ds);
  MakeGrid();
  auto n = [ds] { return ds->Fields(0)->AsInteger(); };
  int min = 0, max = 0;
  GetScrollRange(grid->Handle(), SB_VERT, &min, &max);
  EXPECT_EQ(max, 4);
  ds->First();
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 0);
  ds->MoveBy(10);
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 2);
  const int page = grid->VisibleRowCount();
  struct Case {
    int thumb, start, n;
  } cases[] = {{0, 30, 1}, {1, 30, 30 - page}, {2, 30, 30}, {3, 30, 30 + page}, {4, 30, 60}};
  for (const Case& c : cases) {
    ds->First();
    ds->MoveBy(c.start - 1);
    grid->VScroll(SB_THUMBPOSITION, c.thumb);
    EXPECT_EQ(n(), c.n) << c.thumb;
  }
  ds->Last();
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 4);
}

// ---------------------------------------------------------------- editing

TEST_F(GridTest, TypingInTheEditorFollowsThePicture) {
  MakeGuests(2, "(###) ###-####");
  MakeGrid();
  grid->SetSelectedIndex(3);
  std::vector<bool> checks;
  grid->OnCheckValue = [&](TObject*, bool valid) { checks.push_back(valid); };
  Key(WidgetOf(grid), Qt::Key_F2);
  auto* editor = dynamic_cast<TvxInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpUntil([editor] { return editor->Focused(); }));
  EXPECT_TRUE(editor->HavePictureMask());
  auto type = [&](const std::string& keys) {
    for (char ch : keys) Key(WidgetOf(editor), QChar(ch).toUpper().unicode(), Qt::NoModifier, QString(QChar(ch)));
  };
  type("(555");
  EXPECT_EQ(editor->Text(), "(555) ");
  EXPECT_EQ(editor->SelStart(), 6);
  type("1");
  EXPECT_EQ(editor->Text(), "(555) 1");  // the literals come by themselves
  EXPECT_EQ(editor->SelStart(), 7);
  const std::size_t beeps = messages->Beeps.size();
  type("x");  // refused at the end of the text
  EXPECT_EQ(editor->Text(), "(555) 1");
  EXPECT_EQ(messages->Beeps.size(), beeps + 1);
  type("234567");
  EXPECT_EQ(editor->Text(), "(555) 123-4567");
  ASSERT_FALSE(checks.empty());
  EXPECT_TRUE(checks.back());
  // Leaving the column writes the text into the record.
  grid->Press(VK_RIGHT);
  EXPECT_EQ(table->FieldByName("Phone")->AsString(), "(555) 123-4567");
}

TEST_F(GridTest, LeavingAnIncompletePictureIsRefused) {
  MakeGuests(2, "(###) ###-####");
  MakeGrid();
  grid->SetSelectedIndex(3);
  Key(WidgetOf(grid), Qt::Key_F2);
  auto* editor = dynamic_cast<TvxInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpUntil([editor] { return editor->Focused(); }));
  for (char ch : std::string("(55")) Key(WidgetOf(editor), ch, Qt::NoModifier, QString(QChar(ch)));
  ASSERT_EQ(editor->Text(), "(55");
  const std::size_t beeps = messages->Beeps.size();
  try {
    grid->SetSelectedIndex(1);
    FAIL() << "the column changed";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Invalid input value.  Use escape key to abandon changes");
  }
  EXPECT_EQ(messages->Beeps.size(), beeps + 1);
  EXPECT_EQ(grid->SelectedIndex(), 3);
  EXPECT_EQ(editor->Text(), "(55");
  // With the dataset's own handler it is told instead, and nothing is raised.
  std::vector<std::string> told;
  table->OnInvalidValue = [&](TDataSet*, TField* f) { told.push_back(f->FieldName()); };
  grid->SetSelectedIndex(1);
  EXPECT_EQ(told, (std::vector<std::string>{"Phone"}));
  EXPECT_EQ(grid->SelectedIndex(), 3);
}

// ---------------------------------------------------------------- write-back

TEST_F(GridTest, ColumnWidthsAndMovesAreWrittenBack) {
  MakeGuests(2);
  MakeGrid();
  const int cw = CharWidth();
  // A column 75 pixels wide at 7 pixels a "0" holds 10 characters.
  grid->SetColWidths(2, 10 * cw + 5);
  EXPECT_EQ(table->FieldByName("Name")->DisplayWidth(), (10 * cw + 5 + cw / 2 - 3) / cw);

  grid->SetUseTFields(false);
  for (const char* l : {"Name\t8", "City\t6\tTown", "Seats\t3"}) grid->Selected()->Add(l);
  grid->LayoutChanged();
  grid->SetColWidths(1, 12 * cw + 4);
  grid->SetColWidths(2, 7 * cw + 4);
  auto chars = [&](int col) { return std::to_string((grid->ColWidths(col) + cw / 2 - 3) / cw); };
  // Every line is written again: two parts stay two, a label stays.
  EXPECT_EQ(Lines(grid->Selected()),
            (std::vector<std::string>{"Name\t" + chars(1), "City\t" + chars(2) + "\tTown", "Seats\t" + chars(3)}));
  EXPECT_EQ(chars(1), std::to_string((12 * cw + 4 + cw / 2 - 3) / cw));
  std::vector<std::pair<int, int>> moved;
  grid->OnColumnMoved = [&](TObject*, int from, int to) { moved.emplace_back(from, to); };
  grid->ColumnMoved(3, 1);
  EXPECT_EQ(grid->Selected()->Strings(0), "Seats\t" + chars(1));
  EXPECT_EQ(grid->GetFields(0)->FieldName(), "Seats");
  grid->SetUseTFields(true);
  grid->ColumnMoved(1, 3);  // ID goes where City is
  EXPECT_EQ(table->FieldByName("ID")->Index(), 2);
  EXPECT_EQ(moved, (std::vector<std::pair<int, int>>{{2, 0}, {0, 2}}));
}

// ---------------------------------------------------------------- painting

bool Dark(QRgb p) { return qGray(p) < 100; }

// Rows of the rectangle that hold dark pixels, gathered in runs.
int InkBands(const QImage& img, const TRect& r) {
  int bands = 0;
  bool inBand = false;
  for (int y = r.Top; y < r.Bottom; ++y) {
    bool ink = false;
    for (int x = r.Left + 1; x < r.Right - 1 && !ink; ++x) ink = Dark(img.pixel(x, y));
    if (ink && !inBand) ++bands;
    inBand = ink;
  }
  return bands;
}

int Count(const QImage& img, const TRect& r, const std::function<bool(QRgb)>& test) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += test(img.pixel(x, y)) ? 1 : 0;
  return n;
}

std::string BitmapBytes(int w, int h, TColor colour, bool withHeader) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas()->Brush()->SetColor(colour);
  b.Canvas()->FillRect(Rect(0, 0, w, h));
  TMemoryStream s;
  b.SaveToStream(s);
  std::string bytes(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
  if (!withHeader) return bytes;
  std::string head(8, '\0');
  const std::uint16_t one = 1, kind = 0x0100;
  const auto size = static_cast<std::uint32_t>(bytes.size());
  std::memcpy(&head[0], &one, 2);
  std::memcpy(&head[2], &kind, 2);
  std::memcpy(&head[4], &size, 4);
  return head + bytes;
}

class PaintTest : public GridTest {
protected:
  // Guests with a flag, a photo and a note.
  void MakeTable(const std::vector<std::pair<std::string, std::string>>& rows) {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"ID", ORVEX_FT_INTEGER},
                       {"Name", ORVEX_FT_STRING, 20},
                       {"Flag", ORVEX_FT_STRING, 5},
                       {"Photo", ORVEX_FT_GRAPHIC}},
                      {{1}});
    table = new TvxTable(form.get());
    table->SetDatabaseName(dir.Path());
    table->SetTableName("guests.db");
    table->Open();
    int id = 0;
    for (const auto& [flag, photo] : rows) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(++id);
      table->FieldByName("Name")->SetAsString("Guest " + std::to_string(id));
      table->FieldByName("Flag")->SetAsString(flag);
      if (!photo.empty()) table->FieldByName("Photo")->SetAsString(photo);
      table->Post();
    }
    table->First();
    source = new TvxDataSource(form.get());
    source->SetDataSet(table);
  }
  // Client coordinates of a cell in the viewport image.
  QImage Shot() {
    grid->Invalidate();
    Pump();
    return fw::test::Viewport(grid)->grab().toImage();
  }
};

TEST_F(PaintTest, TitlesBreakAtTheirMarksOnlyWithMoreTitleLines) {
  MakeTable({{"", ""}});
  MakeGrid();
  grid->SetUseTFields(false);
  grid->Selected()->Add("Name\t12\tGuest~name");
  struct Case {
    int titleLines;
    int bands;
  } cases[] = {{1, 1}, {2, 2}};
  for (const Case& c : cases) {
    grid->SetTitleLines(c.titleLines);
    grid->LayoutChanged();
    TRect title = grid->CellRect(1, 0);
    InflateRect(title, -2, -2);  // inside the cell's lines
    EXPECT_EQ(InkBands(Shot(), title), c.bands) << c.titleLines;
  }
}

TEST_F(PaintTest, APressedTitleButtonIsSunkenAndClicks) {
  MakeTable({{"", ""}});
  MakeGrid();
  grid->SetTitleButtons(true);
  grid->SetOptions(grid->Options() - TvxDBGridOptions{dgColumnResize});
  std::vector<std::string> clicked;
  grid->OnTitleButtonClick = [&](TObject*, const std::string& name) { clicked.push_back(name); };
  const TRect title = grid->CellRect(2, 0);
  auto corner = [&] { return QColor(Shot().pixel(title.Left, title.Top)); };
  EXPECT_EQ(corner(), QColor(Qt::white));  // raised: the light edge
  const int x = (title.Left + title.Right) / 2, y = (title.Top + title.Bottom) / 2;
  grid->MouseDown(mbLeft, {}, x, y);
  EXPECT_EQ(corner(), QColor(Qt::black));  // sunken
  EXPECT_TRUE(clicked.empty());
  grid->MouseUp(mbLeft, {}, x, y);
  EXPECT_EQ(corner(), QColor(Qt::white));
  EXPECT_EQ(clicked, (std::vector<std::string>{"Name"}));
  // Let go elsewhere: no click.
  grid->MouseDown(mbLeft, {}, x, y);
  grid->MouseUp(mbLeft, {}, x, y + 200);
  EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(PaintTest, TheIndicatorShowsTheStateAndItsColour) {
  MakeTable({{"", ""}, {"", ""}});
  MakeGrid();
  auto* yellow = new TTestGrid(form.get());
  yellow->SetParent(form.get());
  yellow->SetBounds(10, 320, 600, 70);
  yellow->SetIndicatorColor(icYellow);
  yellow->SetDataSource(source);
  Pump();
  auto indicator = [](TTestGrid* g) {
    g->Invalidate();
    Pump();
    QImage img = fw::test::Viewport(g)->grab().toImage();
    const TRect r = g->CellRect(0, g->Row());
    return img.copy(r.Left, r.Top, r.Width(), r.Height());
  };
  auto isYellow = [](QRgb p) { return qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) == 0; };
  const QImage browse = indicator(grid);
  table->Edit();
  const QImage edit = indicator(grid);
  const QImage editYellow = indicator(yellow);
  table->Cancel();
  table->Insert();
  const QImage insert = indicator(grid);
  table->Cancel();
  for (const QImage* img : {&browse, &edit, &insert}) {
    const TRect all = Rect(0, 0, img->width(), img->height());
    EXPECT_GT(Count(*img, all, Dark), 5);
    EXPECT_EQ(Count(*img, all, isYellow), 0);
  }
  EXPECT_NE(browse, edit);
  EXPECT_NE(edit, insert);
  EXPECT_NE(browse, insert);
  // The yellow grid draws its own copy; the black one and the shared picture stay black.
  const TRect inside = Rect(1, 1, editYellow.width() - 2, editYellow.height() - 2);  // within the cell's lines
  EXPECT_GT(Count(editYellow, inside, isYellow), 5);
  EXPECT_EQ(Count(editYellow, inside, [](QRgb p) { return qGray(p) < 30; }), 0);
  EXPECT_EQ(indicator(grid), browse);
  const TBitmap* shared = vxGridIndicatorBitmap(dsEdit);
  bool sharedBlack = false;
  for (int y = 0; y < shared->Height(); ++y)
    for (int x = 0; x < shared->Width(); ++x)
      sharedBlack |= ColorToRGB(const_cast<TBitmap*>(shared)->Canvas()->Pixels(x, y)) == 0;
  EXPECT_TRUE(sharedBlack);
}

TEST_F(PaintTest, CheckBoxesInBothStyles) {
  MakeTable({{"Yes", ""}, {"yES", ""}, {"No", ""}});
  table->ControlType()->Add("Flag;CheckBox;Yes;No");
  MakeGrid();
  grid->SetSelectedIndex(0);
  const TvxCheckBoxInGridStyle saved = vxInternational()->CheckBoxInGridStyle();
  TScopeExit restore([saved] { vxInternational()->SetCheckBoxInGridStyle(saved); });
  struct Case {
    TvxCheckBoxInGridStyle style;
    bool xMark;
  } cases[] = {{cbStyleXmark, true}, {cbStyleCheckmark, false}, {cbStyleAuto, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    vxInternational()->SetCheckBoxInGridStyle(c.style);
    const QImage img = Shot();
    for (int row : {1, 2, 3}) {
      const TRect cell = grid->CellRect(3, row);
      const int L = (cell.Left + cell.Right - 10) / 2, T = (cell.Top + cell.Bottom - 10) / 2;
      const bool checked = row != 3;
      EXPECT_EQ(Count(img, Rect(L + 2, T + 2, L + 8, T + 8), Dark) > 0, checked) << row;
      EXPECT_TRUE(Dark(img.pixel(L, T + 5))) << "the frame, row " << row;
      if (checked) {
        EXPECT_EQ(Dark(img.pixel(L + 2, T + 2)), c.xMark) << row;
        EXPECT_EQ(Dark(img.pixel(L + 2, T + 6)), !c.xMark) << row;
      }
    }
  }
}

TEST_F(PaintTest, BitmapCellsByFitAndCopyMode) {
  const std::string red = BitmapBytes(20, 10, clRed, false);
  MakeTable({{"", red}, {"", BitmapBytes(20, 10, clRed, true)}, {"", "not a picture at all"}});
  table->ControlType()->Add("Photo;Bitmap;Original Size;Source Copy");
  MakeGrid();
  grid->SetRowHeightPercent(150);
  grid->SetUseTFields(false);
  grid->Selected()->Add("Name\t8");
  grid->Selected()->Add("Photo\t20");
  grid->LayoutChanged();
  auto isRed = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
  auto isCyan = [](QRgb p) { return qRed(p) < 60 && qGreen(p) > 200 && qBlue(p) > 200; };
  // Extent of the red pixels in a cell: columns and rows.
  auto extent = [&](const QImage& img, const TRect& r, auto test) {
    int cols = 0, rows = 0;
    for (int x = r.Left; x < r.Right; ++x) cols += Count(img, Rect(x, r.Top, x + 1, r.Bottom), test) > 0;
    for (int y = r.Top; y < r.Bottom; ++y) rows += Count(img, Rect(r.Left, y, r.Right, y + 1), test) > 0;
    return std::pair{cols, rows};
  };
  const TRect cell = grid->CellRect(2, 1);
  const int w = cell.Width(), h = cell.Height();
  ASSERT_GT(h, 20);
  ASSERT_GT(w, 2 * h);
  struct Case {
    const char* params;
    int cols, rows;  // -1: not checked
    bool cyan;
  } cases[] = {
      {"Original Size;Source Copy", 20, 10, false},
      {"Stretch To Fit;Source Copy", w, h, false},
      {"Fit Height;Source Copy", 2 * h - 1, h - 1, false},
      {"Fit Width;Source Copy", w, -1, false},
      {"Original Size;Not Source Copy", 20, 10, true},
      {"Original Size;not source copy", 20, 10, false},  // names are matched exactly
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params);
    table->ControlType()->Clear();
    table->ControlType()->Add(std::string("Photo;Bitmap;") + c.params);
    const QImage img = Shot();
    for (int row : {1, 2}) {  // without and with the graphic header
      auto [cols, rows] =
          c.cyan ? extent(img, grid->CellRect(2, row), isCyan) : extent(img, grid->CellRect(2, row), isRed);
      EXPECT_NEAR(cols, c.cols, 1) << row;
      if (c.rows >= 0) {
        EXPECT_NEAR(rows, c.rows, 1) << row;
      }
    }
    // A blob that is no picture paints the background only.
    EXPECT_EQ(Count(img, grid->CellRect(2, 3), isRed), 0);
  }
}

TEST_F(PaintTest, ARecordBeingInsertedLeavesTheOtherRowsTheirPictures) {
  const std::string red = BitmapBytes(20, 10, clRed, false);
  MakeTable({{"", red}, {"", red}});
  table->ControlType()->Add("Photo;Bitmap;Stretch To Fit;Source Copy");
  MakeGrid();
  auto reds = [&](const QImage& img, int row) {
    return Count(img, grid->CellRect(4, row), [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; });
  };
  const QImage browsing = Shot();
  ASSERT_GT(reds(browsing, 1), 20);
  table->Append();
  const QImage inserting = Shot();
  EXPECT_GT(reds(inserting, 1), 20);
  EXPECT_GT(reds(inserting, 2), 20);
  EXPECT_EQ(reds(inserting, 3), 0);
  table->Cancel();
}

TEST_F(PaintTest, WrappedTextBreaksAtLineBreaks) {
  MakeTable({{"", ""}, {"", ""}});
  table->Edit();
  table->FieldByName("Name")->SetAsString("Ann\r\nBo");
  table->Post();
  table->Next();
  table->Edit();
  table->FieldByName("Name")->Clear();
  table->Post();
  table->First();
  MakeGrid();
  grid->SetRowHeightPercent(300);
  grid->SetSelectedIndex(2);
  // An empty text is a cell in the window's colour, never what lay there before.
  const QImage shot = Shot();
  TRect empty = grid->CellRect(2, 2);
  InflateRect(empty, -2, -2);
  EXPECT_EQ(Count(shot, empty, [](QRgb p) { return QColor(p) != QColor(Qt::white); }), 0);
  struct Case {
    bool wrap;
    int bands;
  } cases[] = {{true, 2}, {false, 1}};
  for (const Case& c : cases) {
    TvxDBGridOptions o = grid->Options();
    if (c.wrap) o.Include(dgWordWrap);
    else o.Exclude(dgWordWrap);
    grid->SetOptions(o);
    EXPECT_EQ(InkBands(Shot(), grid->CellRect(2, 1)), c.bands) << c.wrap;
  }
}

// Bitmaps through a lookup field and through a calculated field that the
// dataset's lookup lines define.
TEST_F(PaintTest, LookupBitmapsLeaveTheLookupTableWhereItWas) {
  vxtest::MakeTable(dir.Path(), "photos.db", {{"ID", ORVEX_FT_INTEGER}, {"Photo", ORVEX_FT_GRAPHIC}}, {{1}});
  auto* photos = new TvxTable(form.get());
  photos->SetDatabaseName(dir.Path());
  photos->SetTableName("photos.db");
  photos->Open();
  const TColor colours[] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    photos->Append();
    photos->FieldByName("ID")->SetAsInteger(i + 1);
    photos->FieldByName("Photo")->SetAsString(BitmapBytes(8, 8, colours[i], false));
    photos->Post();
  }
  MakeGuests(0);
  table->Close();
  table->FieldDefs()->Update();
  for (int i = 0; i < table->FieldDefs()->Count(); ++i) table->FieldDefs()->Items(i)->CreateField(form.get());
  auto* picture = new TStringField(form.get());
  picture->SetFieldName("Picture");
  picture->SetSize(10);
  picture->SetFieldKind(fkLookup);
  picture->SetLookupDataSet(photos);
  picture->SetKeyFields("Seats");
  picture->SetLookupKeyFields("ID");
  picture->SetLookupResultField("Photo");
  picture->SetDataSet(table);
  auto* face = new TStringField(form.get());
  face->SetFieldName("Face");
  face->SetSize(10);
  face->SetCalculated(true);
  face->SetDataSet(table);
  table->LookupFields()->Add("Face;" + dir.Path() + ";photos.db;Photo;");
  table->LookupLinks()->Add("Seats;ID");
  table->ControlType()->Add("Picture;Bitmap;Stretch To Fit;Source Copy");
  table->ControlType()->Add("Face;Bitmap;Stretch To Fit;Source Copy");
  table->Open();
  for (int seats : {2, 3, 7}) {  // 7 has no photo
    table->Append();
    table->FieldByName("Seats")->SetAsInteger(seats);
    table->FieldByName("ID")->SetAsInteger(seats);
    table->Post();
  }
  table->First();
  MakeGrid();
  photos->First();  // the photo of ID 1 is current
  const QImage img = Shot();
  EXPECT_EQ(photos->FieldByName("ID")->AsInteger(), 1);
  auto green = [](QRgb p) { return qGreen(p) > 200 && qRed(p) < 60 && qBlue(p) < 60; };
  auto blue = [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; };
  auto red = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60; };
  for (int col : {6, 7}) {  // the lookup field, the calculated one
    SCOPED_TRACE(col);
    auto has = [&](int row, auto test) { return Count(img, grid->CellRect(col, row), test) > 20; };
    EXPECT_TRUE(has(1, green));
    EXPECT_TRUE(has(2, blue));
    EXPECT_FALSE(has(3, red));
  }
}

// ---------------------------------------------------------------- an edit inside the grid

TEST_F(GridTest, AnEditInsideTheGridHandsItsMovesToIt) {
  MakeGuests(5);
  MakeGrid();
  auto* edit = new TvxDBEdit(form.get());
  edit->SetParent(grid);
  edit->SetBounds(20, 30, 100, 20);
  edit->SetDataSource(source);
  edit->SetDataField("City");
  std::vector<Word> handled;
  grid->OnKeyDown = [&](TObject*, Word& key, TShiftState) { handled.push_back(key); };
  struct Case {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    int id, col;
  } cases[] = {
      {"Down", Qt::Key_Down, Qt::NoModifier, 2, 0},
      {"PgDn", Qt::Key_PageDown, Qt::NoModifier, 5, 0},
      {"Up", Qt::Key_Up, Qt::NoModifier, 4, 0},
      {"Tab", Qt::Key_Tab, Qt::NoModifier, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([edit] { return edit->Focused(); }));
    handled.clear();
    Key(WidgetOf(edit), c.key, c.mods);
    EXPECT_EQ(Id(), c.id);
    EXPECT_EQ(grid->SelectedIndex(), c.col);
    EXPECT_FALSE(handled.empty());  // the grid's handler heard the key first
    EXPECT_TRUE(grid->Focused());
  }
}

}  // namespace
}  // namespace vx

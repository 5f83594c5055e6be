// The cell grid, its editor, the draw grid and the string grid, offscreen.
#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QScrollBar>
#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "FormReader.h"
#include "Grids.h"
#include "Scope.h"
#include "UiTest.h"

namespace fw::test {
namespace {

// A string grid that shows what the grid does through its protected hooks.
class TProbeGrid : public TStringGrid {
public:
  using TStringGrid::TStringGrid;
  using TCustomGrid::GridState;
  using TCustomGrid::InSizingZone;
  using TCustomGrid::InvalidateCell;
  using TCustomGrid::MoveColRow;

  std::vector<std::string> Log;  // hooks in the order they ran
  std::vector<Word> GridKeys;    // keys that reached the grid's KeyDown
  std::vector<TGridScrollDirection> Timed;
  bool AcceptDigits = true;
  bool Modify = true;
  int Widths = 0;

protected:
  TInplaceEdit* CreateEditor() override {
    Log.push_back("CreateEditor");
    return TStringGrid::CreateEditor();
  }
  bool CanEditShow() override {
    bool r = TStringGrid::CanEditShow();
    if (r) Log.push_back("CanEditShow");
    return r;
  }
  bool CanEditAcceptKey(TChar Key) override {
    Log.push_back("CanEditAcceptKey " + CharToUtf8(Key));
    return AcceptDigits || Key < '0' || Key > '9';
  }
  bool CanEditModify() override {
    Log.push_back("CanEditModify");
    return Modify;
  }
  int GetEditLimit() override {
    Log.push_back("GetEditLimit");
    return 12;
  }
  std::string GetEditMask(int ACol, int ARow) override {
    Log.push_back("GetEditMask " + std::to_string(ACol) + "," + std::to_string(ARow));
    return TStringGrid::GetEditMask(ACol, ARow);
  }
  std::string GetEditText(int ACol, int ARow) override {
    Log.push_back("GetEditText " + std::to_string(ACol) + "," + std::to_string(ARow));
    return TStringGrid::GetEditText(ACol, ARow);
  }
  void SetEditText(int ACol, int ARow, const std::string& Value) override {
    Log.push_back("SetEditText " + std::to_string(ACol) + "," + std::to_string(ARow) + " " + Value);
    TStringGrid::SetEditText(ACol, ARow, Value);
  }
  void KeyDown(Word& Key, TShiftState Shift) override {
    GridKeys.push_back(Key);
    TStringGrid::KeyDown(Key, Shift);
  }
  void TimedScroll(TGridScrollDirection Direction) override {
    Timed.push_back(Direction);
    TStringGrid::TimedScroll(Direction);
  }
  void ColWidthsChanged() override {
    ++Widths;
    TStringGrid::ColWidthsChanged();
  }
};

QScrollBar* VBar(TControl* c) { return static_cast<QAbstractScrollArea*>(WidgetOf(c))->verticalScrollBar(); }

// Eight columns of 60 and forty rows of 20 with lines of 1: with the border
// (2) and both bars (16) the client area is 280 x 231, which shows the fixed
// row and ten rows whole, the fixed column and three columns whole.
class GridTest : public UiTest {
protected:
  GridTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(20, 20, 400, 320);
    grid = new TProbeGrid(form.get());
    grid->SetParent(form.get());
    grid->SetColCount(8);
    grid->SetRowCount(40);
    grid->SetDefaultColWidth(60);
    grid->SetDefaultRowHeight(20);
    grid->SetBounds(10, 10, 300, 251);
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(320, 10, 60, 24);
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    ASSERT_TRUE(PumpUntil([c] { return c->Focused(); }));
  }
  // The grid, or its editor when it shows at once, has the focus.
  void Show() {
    ShowActive(form.get());
    grid->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return grid->Focused() || (Editor() && Editor()->hasFocus()); }));
  }
  QPoint CellCentre(int col, int row) {
    TRect r = grid->CellRect(col, row);
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  QWidget* Editor() { return grid->InplaceEditor() ? WidgetOf(grid->InplaceEditor()) : nullptr; }

  std::unique_ptr<TForm> form;
  TProbeGrid* grid;
  TEdit* other;
};

TEST_F(GridTest, KeysMoveTheCurrentCellAndTheView) {
  struct Case {
    const char* name;
    TGridOptions extra;
    TGridCoord start, startTop;  // current cell; LeftCol, TopRow
    int key;
    Qt::KeyboardModifiers mods;
    TGridCoord cell, top;
  } cases[] = {
      {"down", {}, {1, 1}, {1, 1}, Qt::Key_Down, Qt::NoModifier, {1, 2}, {1, 1}},
      {"up stops at the fixed row", {}, {1, 1}, {1, 1}, Qt::Key_Up, Qt::NoModifier, {1, 1}, {1, 1}},
      {"left stops at the fixed column", {}, {1, 1}, {1, 1}, Qt::Key_Left, Qt::NoModifier, {1, 1}, {1, 1}},
      {"right", {}, {1, 1}, {1, 1}, Qt::Key_Right, Qt::NoModifier, {2, 1}, {1, 1}},
      {"down off the last row shown scrolls", {}, {1, 10}, {1, 1}, Qt::Key_Down, Qt::NoModifier, {1, 11}, {1, 2}},
      {"page down keeps a row", {}, {1, 1}, {1, 1}, Qt::Key_PageDown, Qt::NoModifier, {1, 10}, {1, 10}},
      {"page up", {}, {1, 20}, {1, 15}, Qt::Key_PageUp, Qt::NoModifier, {1, 11}, {1, 6}},
      {"end shows the last column", {}, {1, 1}, {1, 1}, Qt::Key_End, Qt::NoModifier, {7, 1}, {5, 1}},
      {"home", {}, {5, 3}, {3, 1}, Qt::Key_Home, Qt::NoModifier, {1, 3}, {1, 1}},
      {"ctrl+home", {}, {4, 20}, {2, 15}, Qt::Key_Home, Qt::ControlModifier, {1, 1}, {1, 1}},
      {"ctrl+end", {}, {1, 1}, {1, 1}, Qt::Key_End, Qt::ControlModifier, {7, 39}, {5, 30}},
      {"ctrl+down scrolls only", {}, {1, 1}, {1, 1}, Qt::Key_Down, Qt::ControlModifier, {1, 1}, {1, 2}},
      {"ctrl+page down: the last row shown", {}, {1, 3}, {1, 1}, Qt::Key_PageDown, Qt::ControlModifier, {1, 10},
       {1, 1}},
      {"tab skips a column that is no tab stop", {goTabs}, {1, 1}, {1, 1}, Qt::Key_Tab, Qt::NoModifier, {3, 1}, {1, 1}},
      {"tab at the row's end: the next row", {goTabs}, {7, 1}, {5, 1}, Qt::Key_Tab, Qt::NoModifier, {1, 2}, {1, 1}},
      {"shift+tab at the row's start: the row above", {goTabs}, {1, 2}, {1, 1}, Qt::Key_Backtab,
       Qt::ShiftModifier, {7, 1}, {5, 1}},
      {"row select: right is the next row", {goRowSelect}, {1, 1}, {1, 1}, Qt::Key_Right, Qt::NoModifier, {1, 2},
       {1, 1}},
      {"row select: end is the last row", {goRowSelect}, {1, 1}, {1, 1}, Qt::Key_End, Qt::NoModifier, {1, 39},
       {1, 30}},
  };
  Show();
  grid->SetTabStops(2, false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->SetOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect} + c.extra);
    grid->SetCol(c.start.X);
    grid->SetRow(c.start.Y);
    grid->SetLeftCol(c.startTop.X);
    grid->SetTopRow(c.startTop.Y);
    Key(WidgetOf(grid), c.key, c.mods, c.key == Qt::Key_Tab || c.key == Qt::Key_Backtab ? "\t" : "");
    EXPECT_EQ(grid->Col(), c.cell.X);
    EXPECT_EQ(grid->Row(), c.cell.Y);
    EXPECT_EQ(grid->LeftCol(), c.top.X);
    EXPECT_EQ(grid->TopRow(), c.top.Y);
  }
  // Shift and an arrow stretch the selection; the anchor stays.
  grid->SetOptions({goRangeSelect});
  grid->SetCol(2);
  grid->SetRow(3);
  Key(WidgetOf(grid), Qt::Key_Down, Qt::ShiftModifier);
  Key(WidgetOf(grid), Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 3, 4}));
}

TEST_F(GridTest, VisibleRowsAreTheRowsThatFitAndExist) {
  ShowActive(form.get());
  // Row 0 is fixed (20 + 1); the client area is 231 high.
  struct Case {
    int rowCount;
    std::vector<std::pair<int, int>> heights;  // row, height
    int top;
    int visible;
  } cases[] = {
      {1000, {}, 1, 10},
      {1000, {{1, 50}, {2, 50}}, 1, 7},    // 21 + 51 + 51 + 4 * 21 + 20 = 227
      {1000, {{3, 100}}, 1, 6},            // 21 + 2 * 21 + 101 + 2 * 21 + 20 = 226
      {1000, {{3, 100}}, 3, 6},            // from the tall row: 21 + 101 + 4 * 21 + 20 = 226
      {6, {}, 1, 5},                        // never more than there are
      {1000, {{1, 300}}, 1, 0},            // the first row does not fit whole
  };
  for (const Case& c : cases) {
    grid->SetDefaultRowHeight(20);  // every row back to the default
    grid->SetRowCount(c.rowCount);
    for (auto [row, h] : c.heights) grid->SetRowHeights(row, h);
    grid->SetTopRow(c.top);
    EXPECT_EQ(grid->VisibleRowCount(), c.visible) << c.rowCount << " rows from " << c.top;
  }
}

TEST_F(GridTest, MoveColRowMovesNeitherAnchorNorView) {
  ShowActive(form.get());
  grid->SetCol(2);
  grid->SetRow(3);
  grid->MoveColRow(3, 30, false, false);
  EXPECT_EQ(grid->Col(), 3);
  EXPECT_EQ(grid->Row(), 30);
  EXPECT_EQ(grid->TopRow(), 1);  // row 30 is not brought into view
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 3, 30}));
  grid->MoveColRow(4, 5, true, true);
  EXPECT_EQ(grid->Selection(), (TGridRect{4, 5, 4, 5}));
  // Without goRangeSelect the anchor always follows.
  grid->SetOptions({goFixedVertLine, goFixedHorzLine});
  grid->MoveColRow(2, 25, false, true);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 25, 2, 25}));
  EXPECT_EQ(grid->TopRow(), 16);  // shown as the last row whole
  EXPECT_THROW(grid->MoveColRow(8, 1, true, true), EInvalidGridOperation);
}

TEST_F(GridTest, CellRectAndMouseCoordAgree) {
  ShowActive(form.get());
  grid->SetColWidths(2, 90);
  grid->SetRowHeights(4, 35);
  int checked = 0;
  for (TGridCoord top : {TGridCoord{1, 1}, TGridCoord{3, 12}}) {
    grid->SetLeftCol(top.X);
    grid->SetTopRow(top.Y);
    for (int col = 0; col < grid->ColCount(); ++col)
      for (int row = 0; row < grid->RowCount(); ++row) {
        TRect r = grid->CellRect(col, row);
        bool scrolledOut = (col >= 1 && col < top.X) || (row >= 1 && row < top.Y);
        if (scrolledOut) {
          EXPECT_TRUE(IsRectEmpty(r)) << col << "," << row;
          continue;
        }
        if (IsRectEmpty(r)) {  // beyond the client area
          EXPECT_TRUE(col > top.X + 2 || row > top.Y + 9) << col << "," << row;
          continue;
        }
        ++checked;
        for (TPoint p : {TPoint{r.Left, r.Top}, TPoint{r.Right, r.Bottom}}) {  // the line after a cell is its own
          if (p.X >= grid->ClientWidth() || p.Y >= grid->ClientHeight()) continue;
          EXPECT_EQ(grid->MouseCoord(p.X, p.Y), (TGridCoord{col, row})) << col << "," << row;
        }
      }
  }
  EXPECT_GT(checked, 60);
  EXPECT_EQ(grid->MouseCoord(-1, 5), (TGridCoord{-1, -1}));
  EXPECT_EQ(grid->MouseCoord(5, grid->ClientHeight()), (TGridCoord{-1, -1}));
  grid->SetTopRow(39);  // clamped: the last rows fill the view
  EXPECT_EQ(grid->TopRow(), 30);
}

TEST_F(GridTest, ColumnsAreSizedAndMovedByTheMouse) {
  grid->SetOptions(grid->Options() + TGridOptions{goColSizing, goColMoving});
  std::vector<std::pair<int, int>> moved;
  grid->OnColumnMoved = [&](TObject*, int from, int to) { moved.emplace_back(from, to); };
  for (int c = 0; c < 8; ++c) grid->SetCells(c, 0, "Title " + std::to_string(c));
  grid->SetCells(1, 5, "one");
  Show();
  QWidget* vp = Viewport(grid);

  // A press on the line after column 1, in the title row, drags its edge.
  TRect r = grid->CellRect(1, 0);
  EXPECT_TRUE(grid->InSizingZone(r.Right, 10));
  EXPECT_FALSE(grid->InSizingZone(r.Right, 30));  // not in a data row
  EXPECT_FALSE(grid->InSizingZone((r.Left + r.Right) / 2, 10));
  int before = grid->Widths;
  Mouse(vp, QEvent::MouseMove, QPoint(r.Right + 1, 10), Qt::NoButton);
  EXPECT_EQ(vp->cursor().shape(), Qt::SplitHCursor);  // the cursor says a press sizes
  Mouse(vp, QEvent::MouseMove, QPoint(r.Right - 20, 10), Qt::NoButton);
  EXPECT_NE(vp->cursor().shape(), Qt::SplitHCursor);
  Mouse(vp, QEvent::MouseButtonPress, QPoint(r.Right, 10), Qt::LeftButton);
  Mouse(vp, QEvent::MouseMove, QPoint(r.Right + 25, 12), Qt::LeftButton);
  EXPECT_EQ(grid->ColWidths(1), 60);  // a line moves, the column waits for the release
  QWidget* line = vp->findChild<QWidget*>("InvertedLines");
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->isVisible());
  Mouse(vp, QEvent::MouseButtonRelease, QPoint(r.Right + 25, 12), Qt::NoButton);
  EXPECT_FALSE(line->isVisible());
  EXPECT_EQ(grid->ColWidths(1), 85);
  EXPECT_EQ(grid->Widths, before + 1);
  EXPECT_EQ(grid->GridState(), gsNormal);

  // A title dragged onto another column moves the column with its cells.
  QPoint from = CellCentre(1, 0), to = CellCentre(3, 0);
  Mouse(vp, QEvent::MouseButtonPress, from, Qt::LeftButton);
  EXPECT_EQ(grid->GridState(), gsColMoving);
  Mouse(vp, QEvent::MouseMove, to, Qt::LeftButton);
  Mouse(vp, QEvent::MouseButtonRelease, to, Qt::NoButton);
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(moved[0], (std::pair{1, 3}));
  EXPECT_EQ(grid->Cells(3, 0), "Title 1");
  EXPECT_EQ(grid->Cells(3, 5), "one");
  EXPECT_EQ(grid->Cells(1, 0), "Title 2");
  EXPECT_EQ(grid->ColWidths(3), 85);  // the width goes with it
}

TEST_F(GridTest, AClickSelectsAndADragBeyondTheEdgeScrollsOnTheTimer) {
  auto clock = std::make_unique<TManualTimerClock>();
  TManualTimerClock* c = clock.get();
  auto previous = SetTimerClock(std::move(clock));
  TScopeExit restore([&] { SetTimerClock(std::move(previous)); });
  Show();
  QWidget* vp = Viewport(grid);
  Mouse(vp, QEvent::MouseButtonPress, CellCentre(2, 9), Qt::LeftButton);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 9);
  Mouse(vp, QEvent::MouseMove, QPoint(CellCentre(2, 9).x(), grid->ClientHeight() + 10), Qt::LeftButton);
  c->Advance(59);
  EXPECT_TRUE(grid->Timed.empty());
  c->Advance(121);  // three ticks of 60 ms
  ASSERT_EQ(grid->Timed.size(), 3u);
  EXPECT_EQ(grid->Timed[0], TGridScrollDirection{sdDown});
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 9, 2, 12}));
  EXPECT_EQ(grid->TopRow(), 3);  // row 12 is the last row shown whole
  Mouse(vp, QEvent::MouseButtonRelease, QPoint(CellCentre(2, 9).x(), grid->ClientHeight() + 10), Qt::NoButton);
  c->Advance(600);
  EXPECT_EQ(grid->Timed.size(), 3u);  // the timer went with the button
}

// A control that hears its bar but does not move it.
class TStillGrid : public TDrawGrid {
public:
  using TDrawGrid::TDrawGrid;
  std::vector<std::pair<int, int>> Heard;  // code, position

protected:
  void WMVScroll(TMessage& Message) override { Heard.emplace_back(Message.ScrollCode(), Message.ScrollPos()); }
};

TEST_F(GridTest, ScrollBarActionsArriveAsTheirCodes) {
  Show();
  QScrollBar* bar = VBar(grid);
  ASSERT_TRUE(bar->isVisible());
  struct Case {
    QAbstractSlider::SliderAction action;
    int top;
  } cases[] = {
      {QAbstractSlider::SliderSingleStepAdd, 2}, {QAbstractSlider::SliderPageStepAdd, 11},
      {QAbstractSlider::SliderSingleStepSub, 10}, {QAbstractSlider::SliderToMaximum, 30},
      {QAbstractSlider::SliderPageStepSub, 21}, {QAbstractSlider::SliderToMinimum, 1},
  };
  for (const Case& c : cases) {
    bar->triggerAction(c.action);
    EXPECT_EQ(grid->TopRow(), c.top) << c.action;
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), c.top - 1);
    EXPECT_EQ(bar->value(), c.top - 1);
  }
  // The thumb dragged: the grid follows where it is let go.
  bar->setSliderDown(true);
  bar->setSliderPosition(17);
  EXPECT_EQ(grid->TopRow(), 1);  // no tracking without goThumbTracking
  bar->setSliderDown(false);
  EXPECT_EQ(grid->TopRow(), 18);
  grid->SetOptions(grid->Options() + TGridOptions{goThumbTracking});
  bar->setSliderDown(true);
  bar->setSliderPosition(5);
  EXPECT_EQ(grid->TopRow(), 6);  // tracking: the rows follow the thumb
  bar->setSliderDown(false);

  auto* still = new TStillGrid(form.get());
  still->SetParent(form.get());
  still->SetBounds(10, 10, 200, 100);
  still->SetRowCount(50);
  QScrollBar* b = VBar(still);
  ASSERT_TRUE(b->isVisible());
  SetScrollPos(still->Handle(), SB_VERT, 4);
  b->triggerAction(QAbstractSlider::SliderPageStepAdd);
  DragThumb(b, 20);
  EXPECT_EQ(still->Heard, (std::vector<std::pair<int, int>>{
                              {SB_PAGEDOWN, 0}, {SB_THUMBTRACK, 20}, {SB_THUMBPOSITION, 20}, {SB_ENDSCROLL, 0}}));
  EXPECT_EQ(b->value(), 4);  // where its control left it
  EXPECT_EQ(GetScrollPos(still->Handle(), SB_VERT), 4);

  // An empty range hides the bar and gives its room to the client area.
  int width = still->ClientWidth();
  SetScrollRange(still->Handle(), SB_VERT, 0, 0);
  Pump();
  EXPECT_FALSE(b->isVisible());
  EXPECT_EQ(still->ClientWidth(), width + GetSystemMetrics(SM_CXVSCROLL));
  SetScrollRange(still->Handle(), SB_VERT, 0, 4);
  Pump();
  EXPECT_TRUE(b->isVisible());
}

// Only what changed is drawn: one changed cell, nothing for a cell out of
// view, and after scrolling by a row (the rows that stay move their pixels)
// only the row that comes in.
TEST_F(GridTest, OnlyWhatChangedIsDrawn) {
  std::vector<std::pair<int, int>> drawn;
  grid->OnDrawCell = [&](TObject*, int col, int row, TRect, TGridDrawState) { drawn.emplace_back(col, row); };
  Show();
  auto settle = [&] {
    Pump();
    drawn.clear();
  };
  ASSERT_TRUE(PumpUntil([&] { return !drawn.empty(); }));
  settle();
  grid->SetCells(3, 4, "changed");
  ASSERT_TRUE(PumpUntil([&] { return !drawn.empty(); }));
  Pump();
  EXPECT_EQ(drawn, (std::vector<std::pair<int, int>>{{3, 4}}));
  settle();
  grid->SetCells(3, 35, "far");
  Pump();
  EXPECT_TRUE(drawn.empty());
  grid->SetTopRow(2);
  ASSERT_TRUE(PumpUntil([&] { return !drawn.empty(); }));
  Pump();
  std::vector<std::pair<int, int>> row11;
  for (int col = 0; col <= 4; ++col) row11.emplace_back(col, 11);  // the fourth column shows in part
  EXPECT_EQ(drawn, row11);
}

TEST_F(GridTest, EditorHooksRunInOrder) {
  grid->SetOptions(grid->Options() + TGridOptions{goEditing});
  grid->SetCells(1, 1, "ab");
  Show();
  grid->Log.clear();
  Key(WidgetOf(grid), Qt::Key_F2);
  ASSERT_NE(grid->InplaceEditor(), nullptr);
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->Log, (std::vector<std::string>{"CanEditShow", "CreateEditor", "GetEditMask 1,1",
                                                 "GetEditText 1,1", "GetEditLimit", "CanEditShow"}));
  EXPECT_EQ(grid->InplaceEditor()->MaxLength(), 12);
  ASSERT_TRUE(PumpUntil([&] { return grid->InplaceEditor()->Focused(); }));
  EXPECT_EQ(grid->InplaceEditor()->SelStart(), 2);  // F2: the caret at the end

  grid->Log.clear();
  Key(Editor(), Qt::Key_C, Qt::NoModifier, "c");
  EXPECT_EQ(grid->Log, (std::vector<std::string>{"CanEditAcceptKey c", "CanEditModify", "SetEditText 1,1 abc"}));
  EXPECT_EQ(grid->Cells(1, 1), "abc");

  // Leaving the cell hides the editor; its text has gone on already.
  grid->Log.clear();
  Key(Editor(), Qt::Key_Down);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_FALSE(grid->InplaceEditor()->Visible());
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_TRUE(grid->Log.empty()) << grid->Log.front();
  EXPECT_TRUE(grid->Focused());

  // A typing key opens the editor with the character in place of the text.
  grid->SetCells(1, 2, "old");
  grid->Log.clear();
  Key(WidgetOf(grid), Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(grid->Cells(1, 2), "x");
  ASSERT_TRUE(PumpUntil([&] { return grid->InplaceEditor()->Focused(); }));
  EXPECT_EQ(grid->Log, (std::vector<std::string>{"CanEditShow", "GetEditMask 1,2", "GetEditText 1,2",
                                                 "GetEditLimit", "CanEditShow", "CanEditAcceptKey x",
                                                 "CanEditModify", "SetEditText 1,2 x"}));
  // The focus leaving the grid hides the editor; the mode stays for its return.
  Focus(other);
  EXPECT_FALSE(grid->InplaceEditor()->Visible());
  grid->SetFocus();
  EXPECT_TRUE(PumpUntil([&] { return grid->InplaceEditor()->Visible(); }));
  EXPECT_EQ(grid->InplaceEditor()->Text(), "x");
}

TEST_F(GridTest, TheEditorHandsKeysToTheGrid) {
  grid->SetOptions(grid->Options() + TGridOptions{goEditing, goAlwaysShowEditor, goTabs});
  grid->SetCells(2, 2, "abcd");
  grid->SetCol(2);
  grid->SetRow(2);
  Show();
  ASSERT_TRUE(PumpUntil([&] { return grid->InplaceEditor() && grid->InplaceEditor()->Focused(); }));
  TInplaceEdit* ed = grid->InplaceEditor();
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    int caret;  // -1: all selected
    bool toGrid;
  } cases[] = {
      {Qt::Key_Up, Qt::NoModifier, 2, true},        {Qt::Key_Down, Qt::NoModifier, 2, true},
      {Qt::Key_PageUp, Qt::NoModifier, 2, true},    {Qt::Key_PageDown, Qt::NoModifier, 2, true},
      {Qt::Key_Escape, Qt::NoModifier, 2, true},    {Qt::Key_Tab, Qt::NoModifier, 2, true},
      {Qt::Key_Insert, Qt::NoModifier, 2, true},    {Qt::Key_Delete, Qt::ControlModifier, 2, true},
      {Qt::Key_Delete, Qt::NoModifier, 2, false},   {Qt::Key_Left, Qt::NoModifier, 2, false},
      {Qt::Key_Left, Qt::NoModifier, 0, true},      {Qt::Key_Left, Qt::ControlModifier, 2, true},
      {Qt::Key_Home, Qt::NoModifier, 2, false},     {Qt::Key_Home, Qt::NoModifier, -1, true},
      {Qt::Key_Right, Qt::NoModifier, 2, false},    {Qt::Key_Right, Qt::NoModifier, 4, true},
      {Qt::Key_End, Qt::NoModifier, 2, false},      {Qt::Key_End, Qt::ControlModifier, 2, true},
  };
  for (const Case& c : cases) {
    grid->SetCol(2);
    grid->SetRow(2);
    grid->SetCells(2, 2, "abcd");
    ASSERT_TRUE(ed->Visible());
    if (c.caret < 0) ed->SelectAll();
    else ed->Perform(EM_SETSEL, static_cast<WPARAM>(c.caret), c.caret);
    grid->GridKeys.clear();
    Key(WidgetOf(ed), c.key, c.mods, c.key == Qt::Key_Tab ? "\t" : "");
    EXPECT_EQ(!grid->GridKeys.empty(), c.toGrid) << "key " << std::hex << c.key << " caret " << c.caret;
  }
  // A character the grid refuses beeps and leaves the text; with no right
  // to modify, keys leave it too.
  grid->SetCol(2);
  grid->SetRow(2);
  ed->Deselect();
  grid->AcceptDigits = false;
  Key(WidgetOf(ed), Qt::Key_5, Qt::NoModifier, "5");
  EXPECT_EQ(ed->Text(), "abcd");
  EXPECT_EQ(messages->Beeps.size(), 1u);
  grid->Modify = false;
  Key(WidgetOf(ed), Qt::Key_Q, Qt::NoModifier, "q");
  Key(WidgetOf(ed), Qt::Key_Backspace);
  ed->Perform(EM_SETSEL, 0, 0);
  Key(WidgetOf(ed), Qt::Key_Delete);
  EXPECT_EQ(ed->Text(), "abcd");
  grid->Modify = true;
  Key(WidgetOf(ed), Qt::Key_Q, Qt::NoModifier, "q");
  EXPECT_EQ(grid->Cells(2, 2), "qabcd");
}

TEST_F(GridTest, TheEditorFollowsItsCellWhenTheGridScrolls) {
  grid->SetOptions(grid->Options() + TGridOptions{goEditing});
  Show();
  grid->SetRow(5);
  Key(WidgetOf(grid), Qt::Key_F2);
  TInplaceEdit* ed = grid->InplaceEditor();
  ASSERT_TRUE(ed && ed->Visible());
  EXPECT_EQ(ed->BoundsRect(), grid->CellRect(1, 5));
  grid->SetTopRow(3);
  EXPECT_EQ(ed->BoundsRect(), grid->CellRect(1, 5));
  grid->SetTopRow(8);  // the cell scrolls out: the editor hides
  EXPECT_FALSE(ed->Visible());
}

TEST_F(GridTest, FormFilesGiveWidthsAndHeightsAsLists) {
  auto owner = std::make_unique<TForm>(nullptr);
  ReadComponentText(owner.get(), R"(object Form: TForm
  object Grid: TStringGrid
    ColCount = 5
    FixedCols = 0
    RowCount = 3
    DefaultRowHeight = 18
    Options = [goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing]
    ColWidths = (84 84 51 64 87)
    RowHeights = (18 30 18)
  end
end
)",
                    "inline");
  auto* g = static_cast<TStringGrid*>(owner->FindComponent("Grid"));
  ASSERT_NE(g, nullptr);
  std::vector<int> widths;
  for (int i = 0; i < g->ColCount(); ++i) widths.push_back(g->ColWidths(i));
  EXPECT_EQ(widths, (std::vector<int>{84, 84, 51, 64, 87}));
  EXPECT_EQ(g->RowHeights(1), 30);
  EXPECT_EQ(g->FixedCols(), 0);
  EXPECT_TRUE(g->Options().Contains(goColSizing));
}

TEST_F(GridTest, RowsAndColumnsOfAStringGridAreLists) {
  TStrings* row = grid->Rows(0);
  auto titles = std::make_unique<TStringList>();
  titles->SetText("DLL Name\nVersion Number\nDate\n");
  row->Assign(titles.get());
  EXPECT_EQ(grid->Cells(0, 0), "DLL Name");
  EXPECT_EQ(grid->Cells(2, 0), "Date");
  EXPECT_EQ(grid->Cells(3, 0), "");
  EXPECT_EQ(grid->Cols(1)->Strings(0), "Version Number");
  EXPECT_EQ(grid->Cols(1)->Count(), 40);
  EXPECT_THROW(row->Delete(0), EInvalidGridOperation);
  grid->SetRowCount(2);  // cells outside the grid go
  grid->SetRowCount(40);
  EXPECT_EQ(grid->Cells(0, 0), "DLL Name");
  grid->SetCells(0, 30, "x");
  grid->SetRowCount(20);
  grid->SetRowCount(40);
  EXPECT_EQ(grid->Cells(0, 30), "");
}

}  // namespace
}  // namespace fw::test

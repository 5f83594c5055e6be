// The cell grid: TCustomGrid, a window of cells in columns and rows, with
// fixed (title) rows and columns that stay while the rest scrolls, a current
// cell and a selection, grid lines, scroll bars and an in-place editor
// (TInplaceEdit); TDrawGrid, whose cells a handler paints, and TStringGrid,
// which keeps a text a cell and draws it.
//
// Coordinates. A cell is (ACol, ARow) from (0, 0); the fixed columns are
// 0 .. FixedCols - 1, the fixed rows 0 .. FixedRows - 1. LeftCol and TopRow are
// the first scrolling column and row shown. A cell is its width by its height;
// the grid line (GridLineWidth, when lines are drawn in that direction) lies
// right of and below it and belongs to it when a point is looked up.
//
// Painting. Paint calls DrawCell for each cell that meets the part being
// repainted, with the canvas's font and brush set for the cell's state; with
// DefaultDrawing the grid fills the cell first, draws the grid lines by
// Options, raises the fixed cells and draws the focus rectangle.
//
// Scroll bars. The grid sets its bars itself (SetScrollRange, SetScrollPos)
// and moves by the WM_VSCROLL and WM_HSCROLL they send. A descendant that
// keeps a bar for something else (a record position) says so in
// OwnsScrollBar and handles the bar's messages itself (WMVScroll).
//
// The editor. With goEditing the editor shows over the current cell on F2,
// Enter or a typing key, and always with goAlwaysShowEditor; it takes its
// text, mask and length from GetEditText, GetEditMask and GetEditLimit, passes
// each change the user makes to SetEditText, and hides when the current cell
// changes (following its cell while the grid scrolls) or when the focus
// leaves the grid. Its text goes to SetEditText once more when it hides with
// a text not yet passed.
#pragma once
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Mask.h"
#include "StdCtrls.h"

namespace fw {

class TCustomGrid;

// A grid asked to do what it cannot (an index out of range, more fixed
// columns than columns).
FW_EXCEPTION(EInvalidGridOperation, Exception)

FW_ENUM(TGridOption, goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
        goColSizing, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking)
using TGridOptions = TFlags<TGridOption>;
FW_ENUM(TGridDrawStateItem, gdSelected, gdFocused, gdFixed)
using TGridDrawState = TFlags<TGridDrawStateItem>;
FW_ENUM(TGridScrollDirectionItem, sdLeft, sdRight, sdUp, sdDown)
using TGridScrollDirection = TFlags<TGridScrollDirectionItem>;
// What the mouse is doing with the grid.
FW_ENUM(TGridState, gsNormal, gsSelecting, gsColSizing, gsColMoving)

struct TGridCoord {
  int X = 0;
  int Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// A block of cells, both corners included.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TGridRect&) const = default;
  bool Contains(int ACol, int ARow) const { return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom; }
};

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TGetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, std::string& Value)>;
using TSetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, const std::string& Value)>;
using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;

// ---------------------------------------------------------------- in-place editor

// The editor of a grid's cells: a borderless masked edit laid over the
// current cell. Up, Down, PgUp, PgDn, Esc, Tab, Insert and Ctrl+Del go to the
// grid's KeyDown; with goAlwaysShowEditor so do Left and Home when Ctrl is
// held or the caret is at the start, Right and End at the end. A character
// that the grid's CanEditAcceptKey refuses beeps; a key that would change the
// text changes it only when CanEditModify allows.
class TInplaceEdit : public TCustomMaskEdit {
  FW_CLASS(TInplaceEdit, TCustomMaskEdit)
public:
  explicit TInplaceEdit(TComponent* AOwner);

  TCustomGrid* Grid() const { return grid_; }
  // Reads text, mask and length from the grid's hooks for its current cell.
  virtual void UpdateContents();
  // The caret to the end of the text, nothing selected.
  void Deselect();
  // Placed over Loc (client coordinates of the grid) and shown.
  void Move(const TRect& Loc);
  bool PosEqual(const TRect& Rect) const;
  // Follows its cell: placed over Loc, or hidden when Loc is empty.
  void UpdateLoc(const TRect& Loc);
  // Hides it; the grid takes the focus when the editor had it.
  void Hide();
  // Where the text is written inside the editor.
  TRect TextRect() const;
  bool EditCanModify() override;
  void Dispatch(TMessage& Message) override;

protected:
  friend class TCustomGrid;
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(TChar& Key) override;
  void Change() override;
  void BoundsChanged() override;
  void WMPaste(TMessage& Message) override;
  void WMCut(TMessage& Message) override;

private:
  void SetGrid(TCustomGrid* grid) { grid_ = grid; }
  TCustomGrid* grid_ = nullptr;
  bool updating_ = false;  // the text is being set from the grid
};

// ---------------------------------------------------------------- the grid

class TCustomGrid : public TCustomControl {
  FW_CLASS(TCustomGrid, TCustomControl)
public:
  explicit TCustomGrid(TComponent* AOwner);
  ~TCustomGrid() override;

  // ---- size
  int ColCount() const { return colCount_; }
  void SetColCount(int v);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int v);
  // Fewer than the columns (rows); EInvalidGridOperation otherwise.
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int v);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int v);
  int DefaultColWidth() const { return defaultColWidth_; }
  // Every column takes the new width.
  void SetDefaultColWidth(int v);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int v);
  int ColWidths(int Index) const;
  void SetColWidths(int Index, int Value);
  int RowHeights(int Index) const;
  void SetRowHeights(int Index, int Value);
  // Whether Tab stops in the column (goTabs); true unless set.
  bool TabStops(int Index) const;
  void SetTabStops(int Index, bool Value);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int v);

  // ---- where
  int Col() const { return current_.X; }
  void SetCol(int v);
  int Row() const { return current_.Y; }
  void SetRow(int v);
  // The current cell and the anchor, the other corner (goRangeSelect); with
  // goRowSelect the selection spans the scrolling columns.
  TGridRect Selection() const;
  void SetSelection(const TGridRect& v);
  TGridCoord Anchor() const { return anchor_; }
  int TopRow() const { return topLeft_.Y; }
  void SetTopRow(int v);
  int LeftCol() const { return topLeft_.X; }
  void SetLeftCol(int v);
  // Scrolling rows (columns) shown whole from TopRow (LeftCol); never more
  // than there are.
  int VisibleRowCount() const;
  int VisibleColCount() const;

  // ---- look and behaviour
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions v);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor v);

  // ---- cells and points
  // The cell's rectangle in client coordinates; empty when no part shows.
  TRect CellRect(int ACol, int ARow) const;
  // The cell under a client point; (-1, -1) outside every cell.
  TGridCoord MouseCoord(int X, int Y) const;
  void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

  // ---- the editor
  bool EditorMode() const { return editorMode_; }
  void SetEditorMode(bool v);
  TInplaceEdit* InplaceEditor() const { return inplaceEdit_; }

  TRect GetClientRect() const override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  bool ReadProperty(const std::string& name, const TFormValue& value) override;
  void Loaded() override;

protected:
  friend class TInplaceEdit;

  // ---- hooks
  virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) = 0;
  // Asked before a cell becomes current; false keeps the current one.
  virtual bool SelectCell(int ACol, int ARow);
  // TopRow or LeftCol changed; the editor follows its cell.
  virtual void TopLeftChanged();
  virtual void ColumnMoved(int FromIndex, int ToIndex);
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  // ColCount or RowCount changed (from the old counts).
  virtual void CountsChanged(int OldColCount, int OldRowCount);
  // Asked before the grid acts on a key of KeyDown; false drops the key.
  virtual bool CanGridAcceptKey(Word Key, TShiftState Shift);
  // The mouse, pressed in the data area, is held beyond its edge (a timer
  // asks every 60 ms): the current cell or the anchor moves one cell that
  // way and comes into view.
  virtual void TimedScroll(TGridScrollDirection Direction);
  // Whether the grid sets this bar (SB_VERT, SB_HORZ) from its rows or columns.
  virtual bool OwnsScrollBar(int Bar) const;
  // Whether a column may be sized by the mouse.
  virtual bool CanSizeCol(int ACol) const;

  // ---- editor hooks
  virtual TInplaceEdit* CreateEditor();
  // Whether the editor may show over the current cell now.
  virtual bool CanEditShow();
  virtual bool CanEditAcceptKey(TChar Key);
  virtual bool CanEditModify();
  virtual int GetEditLimit();
  virtual std::string GetEditMask(int ACol, int ARow);
  virtual std::string GetEditText(int ACol, int ARow);
  virtual void SetEditText(int ACol, int ARow, const std::string& Value);
  void ShowEditor();
  // Passes the editor's text on and hides it.
  void HideEditor();
  // Shows the editor and types Ch into it.
  void ShowEditorChar(TChar Ch);
  // The editor reads its cell's text again.
  void InvalidateEditor();
  // Places the editor over the current cell, showing it when it can show.
  void UpdateEdit();
  // Passes the editor's text to SetEditText when it is not passed yet.
  void UpdateText();

  // ---- moving
  // Makes (ACol, ARow) current; MoveAnchor: the anchor comes too (always
  // without goRangeSelect); Show: the view scrolls to show the cell.
  void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
  // As the keyboard and the mouse move: MoveColRow showing the cell, then Click.
  void FocusCell(int ACol, int ARow, bool MoveAnchor);
  void MoveAnchor(const TGridCoord& NewAnchor);
  void MoveTopLeft(int ALeft, int ATop);
  // The column moves to ToIndex with its width and tab stop; ColumnMoved.
  void MoveColumn(int FromIndex, int ToIndex);
  // The view scrolls to show the cell whole.
  void ClampInView(const TGridCoord& Coord);

  // Raises EInvalidGridOperation for a cell outside the grid.
  void CheckCoord(int ACol, int ARow) const;
  // Moves item From of a list to To, the items between closing up.
  template <class V>
  static void MoveItem(V& List, int From, int To) {
    if (From < 0 || To < 0 || static_cast<std::size_t>(std::max(From, To)) >= List.size()) return;
    auto from = List.begin() + From, to = List.begin() + To;
    if (From < To) std::rotate(from, from + 1, to + 1);
    else std::rotate(to, from, from + 1);
  }

  // ---- state
  bool IsActiveControl() const;
  TGridState GridState() const { return gridState_; }
  // Whether a client point lies where a press would size a column.
  bool InSizingZone(int X, int Y) const;
  // Rows (columns) from the first to the last shown whole when TopRow is the top.
  int LastFullVisibleRow() const;
  int LastFullVisibleCol() const;

  // ---- repainting
  void InvalidateCell(int ACol, int ARow);
  void InvalidateCol(int ACol);
  void InvalidateRow(int ARow);
  void InvalidateGrid();
  void InvalidateGridRect(const TGridRect& R);
  // The pixels of a block of cells, within what shows.
  TRect BoxRect(const TGridRect& R) const;

  // ---- scroll bars
  virtual void UpdateScrollRange();
  virtual void UpdateScrollPos();

  // ---- the control
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(TChar& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DoEnter() override;
  void DoExit() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& Params) override;
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void FontChanged() override;
  void ColorChanged() override;

  // ---- messages
  virtual void WMVScroll(TMessage& Message);
  virtual void WMHScroll(TMessage& Message);
  virtual void WMSetCursor(TMessage& Message);
  virtual void WMSize(TMessage& Message);
  virtual void WMTimer(TMessage& Message);
  virtual void WMChar(TMessage& Message);
  virtual void WMGetDlgCode(TMessage& Message);
  virtual void WMSetFocus(TMessage& Message);
  virtual void WMKillFocus(TMessage& Message);
  virtual void WMCancelMode(TMessage& Message);

private:
  struct TAxis;
  TAxis Axis(bool Horz) const;
  void SelectionMoved(const TGridRect& OldSel);
  void TopLeftMoved(const TGridCoord& OldTopLeft);
  void ScrollBarMessage(int Bar, int Code, int Pos);
  void AfterSizeChange();
  void EndGridState(bool Cancelled);
  int SizingColAt(int X, int Y) const;
  int MoveTargetAt(int X) const;
  void DrawSizingLine();
  void DrawMoveLine();
  void PaintLines(TCanvas* c, const TRect& clip);
  void HideEdit();

  int colCount_ = 5;
  int rowCount_ = 5;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  std::vector<int> colWidths_;   // empty: every column DefaultColWidth
  std::vector<int> rowHeights_;  // empty: every row DefaultRowHeight
  std::vector<bool> tabStops_;   // empty: every column a tab stop
  std::vector<int> loadedColWidths_, loadedRowHeights_;  // read before the counts were known
  TGridCoord current_{1, 1};
  TGridCoord anchor_{1, 1};
  TGridCoord topLeft_{1, 1};
  TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  TScrollStyle scrollBars_ = ssBoth;
  bool defaultDrawing_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  TColor fixedColor_ = clBtnFace;

  TGridState gridState_ = gsNormal;
  TPoint mouse_;          // the last mouse point while a button is held
  int sizingIndex_ = -1;  // the column being sized
  int sizingPos_ = 0;     // where its right edge is drawn now
  int sizingOfs_ = 0;     // the press's distance from the edge
  int moveIndex_ = -1;    // the column being moved
  int movePos_ = -1;      // where it would go
  bool lineShown_ = false;
  int lineX_ = 0;

  TInplaceEdit* inplaceEdit_ = nullptr;
  int inplaceCol_ = -1;
  int inplaceRow_ = -1;
  std::string passedText_;  // the editor's text as SetEditText last heard it
  bool editorMode_ = false;
  bool updatingScroll_ = false;
};

// ---------------------------------------------------------------- draw grid

// A grid whose cells OnDrawCell paints.
class TDrawGrid : public TCustomGrid {
  FW_CLASS(TDrawGrid, TCustomGrid)
public:
  explicit TDrawGrid(TComponent* AOwner);

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  TMovedEvent OnColumnMoved;
  TGetEditEvent OnGetEditText;
  TSetEditEvent OnSetEditText;

protected:
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
  bool SelectCell(int ACol, int ARow) override;
  void TopLeftChanged() override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  std::string GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;
};

// ---------------------------------------------------------------- string grid

class TStringGrid;

// A row or a column of a string grid as a list of lines.
class TStringGridStrings : public TStrings {
  FW_CLASS(TStringGridStrings, TStrings)
public:
  TStringGridStrings(TStringGrid* Grid, bool IsCol, int Index) : grid_(Grid), isCol_(IsCol), index_(Index) {}
  int Count() const override;
  std::string Strings(int index) const override;
  void SetStrings(int index, const std::string& s) override;
  // The first empty cell takes s; -1 when none is empty.
  int Add(const std::string& s) override;
  void SetObjects(int index, TObject* object) override;
  void Clear() override;
  // A grid's row keeps its cells: raise EInvalidGridOperation.
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;

private:
  TStringGrid* grid_;
  bool isCol_;
  int index_;
};

// A grid of texts, one a cell, drawn as text; the editor edits them.
class TStringGrid : public TDrawGrid {
  FW_CLASS(TStringGrid, TDrawGrid)
public:
  explicit TStringGrid(TComponent* AOwner);
  ~TStringGrid() override;

  std::string Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const std::string& Value);
  TStrings* Cols(int Index);
  void SetCols(int Index, const TStrings* Value);
  TStrings* Rows(int Index);
  void SetRows(int Index, const TStrings* Value);

protected:
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void CountsChanged(int OldColCount, int OldRowCount) override;
  std::string GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;

private:
  friend class TStringGridStrings;
  std::string& Cell(int ACol, int ARow);
  // Texts by row, each row as long as it needs to be.
  std::vector<std::vector<std::string>> cells_;
  std::vector<std::unique_ptr<TStringGridStrings>> cols_, rows_;
  bool settingFromEditor_ = false;
};

}  // namespace fw

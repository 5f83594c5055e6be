// The cell grid: geometry, painting, keys, mouse and scroll bars.
#include "Grids.h"

#include <QAbstractScrollArea>
#include <QFrame>
#include <algorithm>

#include "Forms.h"
#include "QtControls.h"
#include "Scope.h"
#include "Text.h"

namespace fw {

FW_IMPLEMENT_CLASS(EInvalidGridOperation)
FW_IMPLEMENT_CLASS(TCustomGrid)

namespace {

constexpr unsigned kScrollTimer = 1;
constexpr unsigned kScrollTimerMs = 60;
// How near a column's edge a press in a fixed row sizes the column.
constexpr int kSizingZone = 3;
constexpr int kMinColWidth = 2;
constexpr TColor kFixedLineColor = clBlack;
constexpr TColor kLineColor = clSilver;

// The viewport is the client area; the grid paints all of it and moves its
// cells itself, so Qt neither fills nor scrolls it.
class TGridWidget : public TBridgedScroll<QAbstractScrollArea> {
public:
  TGridWidget(TCustomGrid* grid, QWidget* parent) : TBridgedScroll<QAbstractScrollArea>(grid, parent) {
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    OwnScrollBars(this, grid);
  }

protected:
  void scrollContentsBy(int, int) override {}
};

}  // namespace

// ---------------------------------------------------------------- geometry

// One direction of the grid: the columns (left to right) or the rows.
struct TCustomGrid::TAxis {
  int Count = 0;
  int Fixed = 0;
  int First = 0;  // the first scrolling cell shown
  int View = 0;   // the client area's extent
  int Line = 0;   // the grid line after each cell
  int Default = 0;
  const std::vector<int>* Extents = nullptr;

  int Extent(int i) const { return Extents->empty() ? Default : (*Extents)[static_cast<std::size_t>(i)]; }
  int Pitch(int i) const { return Extent(i) + Line; }
  int FixedExtent() const {
    int p = 0;
    for (int i = 0; i < Fixed && i < Count; ++i) p += Pitch(i);
    return p;
  }
  // Where cell i starts, shown or not (a scrolled-out cell starts before the
  // scrolling part).
  int Pos(int i) const {
    int p = 0;
    if (i < Fixed) {
      for (int j = 0; j < i; ++j) p += Pitch(j);
      return p;
    }
    p = FixedExtent();
    if (i < First) return p - 1;
    for (int j = First; j < i && p < View; ++j) p += Pitch(j);
    return p;
  }
  bool Shown(int i) const {
    return i >= 0 && i < Count && (i < Fixed || (i >= First && i <= LastVisible())) && Pos(i) < View;
  }
  // The last cell that shows at least in part.
  int LastVisible() const {
    int p = FixedExtent(), i = First;
    while (i < Count && p < View) p += Pitch(i++);
    return i - 1;
  }
  // The last cell that shows whole.
  int LastFull() const {
    int p = FixedExtent(), i = First;
    while (i < Count && p + Extent(i) <= View) p += Pitch(i++);
    return i - 1;
  }
  // The first scrolling cell that shows cell i whole as the last one (or
  // i itself when even it does not fit).
  int FirstToShow(int i) const {
    int room = View - FixedExtent();
    int first = i;
    int used = Extent(i);
    while (first > Fixed && used + Pitch(first - 1) <= room) used += Pitch(--first);
    return std::max(first, Fixed);
  }
  int MaxFirst() const { return Count > Fixed ? FirstToShow(Count - 1) : Fixed; }
  // Where the cells shown end, the last one's line included.
  int End() const {
    int p = FixedExtent();
    for (int i = First; i < Count && p < View; ++i) p += Pitch(i);
    return p;
  }
  // The cell whose area (its line included) holds pixel p; -1 for none.
  int CellAt(int p) const {
    if (p < 0 || p >= View) return -1;
    int pos = 0;
    for (int i = 0; i < Fixed && i < Count; ++i)
      if (p < (pos += Pitch(i))) return i;
    for (int i = First; i < Count; ++i)
      if (p < (pos += Pitch(i))) return i;
    return -1;
  }
  // The pixels [from, to) of the cells lo..hi that show, lines included.
  bool Span(int lo, int hi, int& from, int& to) const {
    lo = std::max(lo, 0);
    hi = std::min(hi, Count - 1);
    int last = LastVisible();
    int a = lo < Fixed ? lo : std::max(lo, First);
    int b = hi >= First ? std::min(hi, last) : std::min(hi, Fixed - 1);
    if (a > b || (a >= Fixed && a > last)) return false;
    from = Pos(a);
    to = Pos(b) + Pitch(b);
    return from < View;
  }
};

TCustomGrid::TAxis TCustomGrid::Axis(bool Horz) const {
  TAxis a;
  TRect client = ClientRect();
  if (Horz) {
    a.Count = colCount_;
    a.Fixed = fixedCols_;
    a.First = topLeft_.X;
    a.View = client.Width();
    a.Line = options_.Contains(goFixedVertLine) || options_.Contains(goVertLine) ? gridLineWidth_ : 0;
    a.Default = defaultColWidth_;
    a.Extents = &colWidths_;
  } else {
    a.Count = rowCount_;
    a.Fixed = fixedRows_;
    a.First = topLeft_.Y;
    a.View = client.Height();
    a.Line = options_.Contains(goFixedHorzLine) || options_.Contains(goHorzLine) ? gridLineWidth_ : 0;
    a.Default = defaultRowHeight_;
    a.Extents = &rowHeights_;
  }
  return a;
}

// ---------------------------------------------------------------- construction

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csCaptureMouse, csOpaque, csDoubleClicks});
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

TControlBridge* TCustomGrid::CreateWidget(const TCreateParams& Params) {
  auto* w = new TGridWidget(this, ParentWidgetOf(this));
  ApplyFrameStyle(w, Params);
  return w;
}

void TCustomGrid::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollRange();
}

TRect TCustomGrid::GetClientRect() const {
  int b = BorderExtent();
  int w = Width() - 2 * b, h = Height() - 2 * b;
  if (auto* area = dynamic_cast<QAbstractScrollArea*>(WidgetOf(this))) {
    if (area->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) w -= GetSystemMetrics(SM_CXVSCROLL);
    if (area->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) h -= GetSystemMetrics(SM_CYHSCROLL);
  }
  return Rect(0, 0, std::max(w, 0), std::max(h, 0));
}

void TCustomGrid::Loaded() {
  TCustomControl::Loaded();
  // Widths read before the counts were: they apply now.
  for (std::size_t i = 0; i < loadedColWidths_.size() && static_cast<int>(i) < colCount_; ++i)
    SetColWidths(static_cast<int>(i), loadedColWidths_[i]);
  for (std::size_t i = 0; i < loadedRowHeights_.size() && static_cast<int>(i) < rowCount_; ++i)
    SetRowHeights(static_cast<int>(i), loadedRowHeights_[i]);
  loadedColWidths_.clear();
  loadedRowHeights_.clear();
}

bool TCustomGrid::ReadProperty(const std::string& name, const TFormValue& value) {
  bool cols = SameText(name, "ColWidths");
  if (!cols && !SameText(name, "RowHeights")) return TCustomControl::ReadProperty(name, value);
  if (value.Kind != TFormValue::vaList) throw EReadError("Invalid property value");
  std::vector<int> list;
  for (const TFormValue& v : value.List) {
    if (v.Kind != TFormValue::vaInteger) throw EReadError("Invalid property value");
    list.push_back(static_cast<int>(v.Int));
  }
  if (ComponentState().Contains(csLoading)) {
    (cols ? loadedColWidths_ : loadedRowHeights_) = list;
    return true;
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    int index = static_cast<int>(i);
    if (cols && index < colCount_) SetColWidths(index, list[i]);
    if (!cols && index < rowCount_) SetRowHeights(index, list[i]);
  }
  return true;
}

// ---------------------------------------------------------------- size

namespace {
// Keeps a list of extents as long as the count, new ones at the default.
void ResizeExtents(std::vector<int>& v, int count, int def) {
  if (!v.empty()) v.resize(static_cast<std::size_t>(count), def);
}
}  // namespace

void TCustomGrid::SetColCount(int v) {
  if (v < 1) v = 1;
  if (v == colCount_) return;
  if (v <= fixedCols_) SetFixedCols(v - 1);
  int old = colCount_;
  colCount_ = v;
  ResizeExtents(colWidths_, v, defaultColWidth_);
  if (!tabStops_.empty()) tabStops_.resize(static_cast<std::size_t>(v), true);
  CountsChanged(old, rowCount_);
  AfterSizeChange();
}

void TCustomGrid::SetRowCount(int v) {
  if (v < 1) v = 1;
  if (v == rowCount_) return;
  if (v <= fixedRows_) SetFixedRows(v - 1);
  int old = rowCount_;
  rowCount_ = v;
  ResizeExtents(rowHeights_, v, defaultRowHeight_);
  CountsChanged(colCount_, old);
  AfterSizeChange();
}

void TCustomGrid::SetFixedCols(int v) {
  if (v < 0) throw EInvalidGridOperation("Grid index out of range");
  if (v >= colCount_) throw EInvalidGridOperation("Fixed column count must be less than column count");
  if (v == fixedCols_) return;
  fixedCols_ = v;
  // The grid starts again at its first scrolling cell.
  topLeft_ = current_ = anchor_ = {fixedCols_, fixedRows_};
  AfterSizeChange();
}

void TCustomGrid::SetFixedRows(int v) {
  if (v < 0) throw EInvalidGridOperation("Grid index out of range");
  if (v >= rowCount_) throw EInvalidGridOperation("Fixed row count must be less than row count");
  if (v == fixedRows_) return;
  fixedRows_ = v;
  topLeft_ = current_ = anchor_ = {fixedCols_, fixedRows_};
  AfterSizeChange();
}

// The counts or the fixed cells changed: the current cell, the anchor and the
// view stay within the grid.
void TCustomGrid::AfterSizeChange() {
  auto inside = [this](TGridCoord& c) {
    c.X = std::clamp(c.X, fixedCols_, colCount_ - 1);
    c.Y = std::clamp(c.Y, fixedRows_, rowCount_ - 1);
  };
  TGridCoord oldTopLeft = topLeft_;
  inside(current_);
  inside(anchor_);
  inside(topLeft_);
  if (inplaceCol_ >= colCount_ || inplaceRow_ >= rowCount_) inplaceCol_ = inplaceRow_ = -1;
  UpdateScrollRange();
  if (!(topLeft_ == oldTopLeft)) TopLeftChanged();
  InvalidateGrid();
  UpdateEdit();
}

void TCustomGrid::SetDefaultColWidth(int v) {
  if (v < 0) v = 0;
  colWidths_.clear();
  if (v == defaultColWidth_) return;
  defaultColWidth_ = v;
  ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int v) {
  if (v < 0) v = 0;
  rowHeights_.clear();
  if (v == defaultRowHeight_) return;
  defaultRowHeight_ = v;
  RowHeightsChanged();
}

namespace {
int ExtentOf(const std::vector<int>& extents, int count, int def, int index) {
  if (index < 0 || index >= count || extents.empty()) return def;
  return extents[static_cast<std::size_t>(index)];
}

// False when the extent was that already.
bool SetExtentOf(std::vector<int>& extents, int count, int def, int index, int value) {
  if (index < 0 || index >= count) throw EInvalidGridOperation("Grid index out of range");
  value = std::max(value, 0);
  if (value == ExtentOf(extents, count, def, index)) return false;
  if (extents.empty()) extents.assign(static_cast<std::size_t>(count), def);
  extents[static_cast<std::size_t>(index)] = value;
  return true;
}
}  // namespace

int TCustomGrid::ColWidths(int Index) const { return ExtentOf(colWidths_, colCount_, defaultColWidth_, Index); }

void TCustomGrid::SetColWidths(int Index, int Value) {
  if (SetExtentOf(colWidths_, colCount_, defaultColWidth_, Index, Value)) ColWidthsChanged();
}

int TCustomGrid::RowHeights(int Index) const { return ExtentOf(rowHeights_, rowCount_, defaultRowHeight_, Index); }

void TCustomGrid::SetRowHeights(int Index, int Value) {
  if (SetExtentOf(rowHeights_, rowCount_, defaultRowHeight_, Index, Value)) RowHeightsChanged();
}

bool TCustomGrid::TabStops(int Index) const {
  if (Index < 0 || Index >= colCount_ || tabStops_.empty()) return true;
  return tabStops_[static_cast<std::size_t>(Index)];
}

void TCustomGrid::SetTabStops(int Index, bool Value) {
  if (Index < 0 || Index >= colCount_) throw EInvalidGridOperation("Grid index out of range");
  if (tabStops_.empty()) tabStops_.assign(static_cast<std::size_t>(colCount_), true);
  tabStops_[static_cast<std::size_t>(Index)] = Value;
}

void TCustomGrid::SetGridLineWidth(int v) {
  v = std::max(v, 0);
  if (v == gridLineWidth_) return;
  gridLineWidth_ = v;
  AfterSizeChange();
}

void TCustomGrid::ColWidthsChanged() {
  UpdateScrollRange();
  InvalidateGrid();
  UpdateEdit();
}

void TCustomGrid::RowHeightsChanged() {
  UpdateScrollRange();
  InvalidateGrid();
  UpdateEdit();
}

void TCustomGrid::CountsChanged(int, int) {}

// ---------------------------------------------------------------- where

void TCustomGrid::CheckCoord(int ACol, int ARow) const {
  if (ACol < 0 || ARow < 0 || ACol >= colCount_ || ARow >= rowCount_)
    throw EInvalidGridOperation("Grid index out of range");
}

void TCustomGrid::SetCol(int v) {
  if (v != current_.X) FocusCell(v, current_.Y, true);
}

void TCustomGrid::SetRow(int v) {
  if (v != current_.Y) FocusCell(current_.X, v, true);
}

TGridRect TCustomGrid::Selection() const {
  TGridRect r{std::min(current_.X, anchor_.X), std::min(current_.Y, anchor_.Y), std::max(current_.X, anchor_.X),
              std::max(current_.Y, anchor_.Y)};
  if (options_.Contains(goRowSelect)) {
    r.Left = fixedCols_;
    r.Right = colCount_ - 1;
  }
  return r;
}

void TCustomGrid::SetSelection(const TGridRect& v) {
  CheckCoord(v.Left, v.Top);
  CheckCoord(v.Right, v.Bottom);
  TGridRect old = Selection();
  anchor_ = {v.Left, v.Top};
  current_ = {v.Right, v.Bottom};
  SelectionMoved(old);
}

void TCustomGrid::SetTopRow(int v) {
  if (v != topLeft_.Y) MoveTopLeft(topLeft_.X, v);
}

void TCustomGrid::SetLeftCol(int v) {
  if (v != topLeft_.X) MoveTopLeft(v, topLeft_.Y);
}

int TCustomGrid::LastFullVisibleRow() const { return Axis(false).LastFull(); }

int TCustomGrid::LastFullVisibleCol() const { return Axis(true).LastFull(); }

int TCustomGrid::VisibleRowCount() const { return std::max(0, LastFullVisibleRow() - topLeft_.Y + 1); }

int TCustomGrid::VisibleColCount() const { return std::max(0, LastFullVisibleCol() - topLeft_.X + 1); }

TRect TCustomGrid::CellRect(int ACol, int ARow) const {
  TAxis h = Axis(true), v = Axis(false);
  if (!h.Shown(ACol) || !v.Shown(ARow)) return TRect{};
  int x = h.Pos(ACol), y = v.Pos(ARow);
  return Rect(x, y, x + h.Extent(ACol), y + v.Extent(ARow));
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const {
  int c = Axis(true).CellAt(X), r = Axis(false).CellAt(Y);
  if (c < 0 || r < 0) return {-1, -1};
  return {c, r};
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
  TGridCoord c = MouseCoord(X, Y);
  ACol = c.X;
  ARow = c.Y;
}

TRect TCustomGrid::BoxRect(const TGridRect& R) const {
  int l = 0, r = 0, t = 0, b = 0;
  if (!Axis(true).Span(R.Left, R.Right, l, r) || !Axis(false).Span(R.Top, R.Bottom, t, b)) return TRect{};
  TRect client = ClientRect();
  return Rect(l, t, std::min(r, client.Right), std::min(b, client.Bottom));
}

// ---------------------------------------------------------------- moving

bool TCustomGrid::SelectCell(int, int) { return true; }

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show) {
  CheckCoord(ACol, ARow);
  if (!SelectCell(ACol, ARow)) return;
  TGridRect old = Selection();
  current_ = {ACol, ARow};
  if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
  if (MoveAnchor || !options_.Contains(goRangeSelect)) anchor_ = current_;
  if (options_.Contains(goRowSelect)) current_.X = fixedCols_;
  if (Show) ClampInView(current_);
  SelectionMoved(old);
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
  auto alive = LifeToken();
  MoveColRow(ACol, ARow, MoveAnchor, true);
  if (!*alive) return;
  UpdateEdit();
  Click();
}

void TCustomGrid::MoveAnchor(const TGridCoord& NewAnchor) {
  if (!options_.Contains(goRangeSelect)) return MoveColRow(NewAnchor.X, NewAnchor.Y, true, true);
  CheckCoord(NewAnchor.X, NewAnchor.Y);
  TGridRect old = Selection();
  anchor_ = NewAnchor;
  if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
  ClampInView(NewAnchor);
  SelectionMoved(old);
}

void TCustomGrid::ClampInView(const TGridCoord& Coord) {
  if (!HandleAllocated()) return;
  TAxis h = Axis(true), v = Axis(false);
  TGridCoord top = topLeft_;
  if (Coord.X >= fixedCols_) {
    if (Coord.X < top.X) top.X = Coord.X;
    else if (Coord.X > h.LastFull()) top.X = std::max(top.X, h.FirstToShow(Coord.X));
  }
  if (Coord.Y >= fixedRows_) {
    if (Coord.Y < top.Y) top.Y = Coord.Y;
    else if (Coord.Y > v.LastFull()) top.Y = std::max(top.Y, v.FirstToShow(Coord.Y));
  }
  MoveTopLeft(top.X, top.Y);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
  TGridCoord old = topLeft_;
  // The view never leaves room below the last row that another row could use.
  ALeft = std::clamp(ALeft, fixedCols_, Axis(true).MaxFirst());
  ATop = std::clamp(ATop, fixedRows_, Axis(false).MaxFirst());
  if (ALeft == old.X && ATop == old.Y) return;
  topLeft_ = {ALeft, ATop};
  TopLeftMoved(old);
}

void TCustomGrid::TopLeftMoved(const TGridCoord& Old) {
  UpdateScrollPos();
  if (HandleAllocated()) {
    TRect client = ClientRect();
    TAxis h = Axis(true), v = Axis(false);
    if (Old.X == topLeft_.X) {
      // Only the rows moved: the rows below the fixed ones move their pixels
      // when part of them stays in view.
      TRect area = Rect(0, v.FixedExtent(), client.Right, client.Bottom);
      int dy = 0;
      for (int i = std::min(Old.Y, topLeft_.Y); i < std::max(Old.Y, topLeft_.Y) && dy <= area.Height(); ++i)
        dy += v.Pitch(i);
      if (dy < area.Height()) ScrollWindow(Handle(), 0, Old.Y < topLeft_.Y ? -dy : dy, &area, &area);
      else InvalidateRect(Handle(), &area, false);
    } else if (Old.Y == topLeft_.Y) {
      TRect area = Rect(h.FixedExtent(), 0, client.Right, client.Bottom);
      int dx = 0;
      for (int i = std::min(Old.X, topLeft_.X); i < std::max(Old.X, topLeft_.X) && dx <= area.Width(); ++i)
        dx += h.Pitch(i);
      if (dx < area.Width()) ScrollWindow(Handle(), Old.X < topLeft_.X ? -dx : dx, 0, &area, &area);
      else InvalidateRect(Handle(), &area, false);
    } else {
      InvalidateGrid();
    }
  }
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
  if (editorMode_ && inplaceEdit_) inplaceEdit_->UpdateLoc(CellRect(current_.X, current_.Y));
}

void TCustomGrid::SelectionMoved(const TGridRect& Old) {
  if (!HandleAllocated()) return;
  TGridRect now = Selection();
  if (now == Old) return;
  InvalidateGridRect(Old);
  InvalidateGridRect(now);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
  CheckCoord(FromIndex, 0);
  CheckCoord(ToIndex, 0);
  if (FromIndex == ToIndex) return;
  MoveItem(colWidths_, FromIndex, ToIndex);
  MoveItem(tabStops_, FromIndex, ToIndex);
  // The current column and the anchor stay with their columns.
  auto follow = [&](int& x) {
    if (x == FromIndex) x = ToIndex;
    else if (FromIndex < ToIndex && x > FromIndex && x <= ToIndex) --x;
    else if (FromIndex > ToIndex && x >= ToIndex && x < FromIndex) ++x;
  };
  follow(current_.X);
  follow(anchor_.X);
  ColumnMoved(FromIndex, ToIndex);
  InvalidateGrid();
  UpdateEdit();
}

void TCustomGrid::ColumnMoved(int, int) {}

// ---------------------------------------------------------------- look

void TCustomGrid::SetOptions(TGridOptions v) {
  if (v == options_) return;
  if (v.Contains(goRowSelect)) v.Exclude(goAlwaysShowEditor);
  TGridOptions old = options_;
  options_ = v;
  if (!editorMode_ && v.Contains(goAlwaysShowEditor)) ShowEditor();
  else if (old.Contains(goAlwaysShowEditor) && !v.Contains(goAlwaysShowEditor)) HideEditor();
  if (v.Contains(goRowSelect) && !old.Contains(goRowSelect)) MoveColRow(current_.X, current_.Y, true, false);
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  UpdateScrollRange();
}

void TCustomGrid::SetDefaultDrawing(bool v) {
  if (v == defaultDrawing_) return;
  defaultDrawing_ = v;
  InvalidateGrid();
}

void TCustomGrid::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

void TCustomGrid::SetFixedColor(TColor v) {
  if (v == fixedColor_) return;
  fixedColor_ = v;
  InvalidateGrid();
}

void TCustomGrid::FontChanged() {
  TCustomControl::FontChanged();
  InvalidateGrid();
}

void TCustomGrid::ColorChanged() {
  TCustomControl::ColorChanged();
  InvalidateGrid();
}

bool TCustomGrid::IsActiveControl() const {
  TCustomForm* form = GetParentForm(this);
  if (!form) return Focused() || (inplaceEdit_ && inplaceEdit_->Focused());
  TWinControl* active = form->ActiveControl();
  return active && (active == this || active == inplaceEdit_);
}

// ---------------------------------------------------------------- repainting

void TCustomGrid::InvalidateCell(int ACol, int ARow) { InvalidateGridRect({ACol, ARow, ACol, ARow}); }

void TCustomGrid::InvalidateCol(int ACol) { InvalidateGridRect({ACol, 0, ACol, rowCount_ - 1}); }

void TCustomGrid::InvalidateRow(int ARow) { InvalidateGridRect({0, ARow, colCount_ - 1, ARow}); }

void TCustomGrid::InvalidateGrid() {
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, false);
}

void TCustomGrid::InvalidateGridRect(const TGridRect& R) {
  if (!HandleAllocated()) return;
  TRect r = BoxRect(R);
  if (!IsRectEmpty(r)) InvalidateRect(Handle(), &r, false);
}

// ---------------------------------------------------------------- painting

void TCustomGrid::PaintLines(TCanvas* c, const TRect& clip) {
  TAxis h = Axis(true), v = Axis(false);
  if (h.Line == 0 && v.Line == 0) return;
  int right = h.End(), bottom = v.End();
  int fixedRight = h.FixedExtent(), fixedBottom = v.FixedExtent();
  auto fill = [&](int l, int t, int r, int b, bool drawn, TColor line, TColor back) {
    TRect rc = Rect(l, t, r, b);
    if (rc.Right <= clip.Left || rc.Left >= clip.Right || rc.Bottom <= clip.Top || rc.Top >= clip.Bottom) return;
    c->Brush()->SetColor(drawn ? line : back);
    c->FillRect(rc);
  };
  auto eachShown = [](const TAxis& a, auto&& f) {
    for (int i = 0; i < a.Fixed && i < a.Count; ++i) f(i, i < a.Fixed);
    for (int i = a.First; i <= a.LastVisible(); ++i) f(i, false);
  };
  c->Brush()->SetStyle(bsSolid);
  if (h.Line > 0)
    eachShown(h, [&](int col, bool fixedCol) {
      int x = h.Pos(col) + h.Extent(col);
      // Across the fixed rows, then across the scrolling ones.
      fill(x, 0, x + h.Line, fixedBottom, options_.Contains(goFixedVertLine), kFixedLineColor, fixedColor_);
      bool fixed = fixedCol;  // across the scrolling rows a fixed column's line is a fixed line
      fill(x, fixedBottom, x + h.Line, bottom,
           fixed ? options_.Contains(goFixedVertLine) : options_.Contains(goVertLine),
           fixed ? kFixedLineColor : kLineColor, fixed ? fixedColor_ : Color());
    });
  if (v.Line > 0)
    eachShown(v, [&](int row, bool fixedRow) {
      int y = v.Pos(row) + v.Extent(row);
      fill(0, y, fixedRight, y + v.Line, options_.Contains(goFixedHorzLine), kFixedLineColor, fixedColor_);
      bool fixed = fixedRow;
      fill(fixedRight, y, right, y + v.Line, fixed ? options_.Contains(goFixedHorzLine) : options_.Contains(goHorzLine),
           fixed ? kFixedLineColor : kLineColor, fixed ? fixedColor_ : Color());
    });
}

void TCustomGrid::Paint() {
  TCanvas* c = Canvas();
  TRect clip = c->ClipRect();
  TAxis h = Axis(true), v = Axis(false);
  bool active = IsActiveControl();
  TGridRect sel = Selection();
  c->SetFont(Font());
  TColor text = Font()->Color();
  TColor color = Color();
  bool highlightFocused = options_.Contains(goDrawFocusSelected) || options_.Contains(goRowSelect);

  struct TShown {
    int Index, Pos, Extent;
  };
  // The cells of an axis that show and meet the clip's span [lo, hi).
  auto shown = [](const TAxis& a, int lo, int hi) {
    std::vector<TShown> out;
    int pos = 0;
    auto take = [&](int i) {
      int e = a.Extent(i);
      if (pos + a.Pitch(i) > lo && pos < hi) out.push_back({i, pos, e});
      pos += a.Pitch(i);
    };
    for (int i = 0; i < a.Fixed && i < a.Count && pos < a.View; ++i) take(i);
    for (int i = a.First; i < a.Count && pos < a.View && pos < hi; ++i) take(i);
    return out;
  };
  std::vector<TShown> cols = shown(h, clip.Left, clip.Right), rows = shown(v, clip.Top, clip.Bottom);

  PaintLines(c, clip);
  for (const TShown& r : rows) {
    for (const TShown& col : cols) {
      TRect where = Rect(col.Pos, r.Pos, col.Pos + col.Extent, r.Pos + r.Extent);
      if (IsRectEmpty(where)) continue;
      TGridDrawState state;
      bool fixed = col.Index < fixedCols_ || r.Index < fixedRows_;
      if (fixed) {
        state.Include(gdFixed);
      } else {
        if (active && col.Index == current_.X && r.Index == current_.Y) state.Include(gdFocused);
        if (sel.Contains(col.Index, r.Index)) state.Include(gdSelected);
      }
      bool highlight = state.Contains(gdSelected) && (!state.Contains(gdFocused) || highlightFocused);
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(fixed ? fixedColor_ : highlight ? clHighlight : color);
      c->Font()->SetColor(highlight ? clHighlightText : text);
      if (defaultDrawing_) c->FillRect(where);
      DrawCell(col.Index, r.Index, where, state);
      if (defaultDrawing_ && fixed && Ctl3D()) {
        unsigned sides = (options_.Contains(goFixedVertLine) ? BF_LEFT | BF_RIGHT : 0u) |
                         (options_.Contains(goFixedHorzLine) ? BF_TOP | BF_BOTTOM : 0u);
        TRect edge = where;
        if (sides) DrawEdge(c, edge, BDR_RAISEDINNER, sides);
      }
    }
  }
  // What lies beyond the last column and the last row.
  int right = h.End(), bottom = v.End();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  if (right < clip.Right) c->FillRect(Rect(std::max(right, clip.Left), clip.Top, clip.Right, clip.Bottom));
  if (bottom < clip.Bottom)
    c->FillRect(Rect(clip.Left, std::max(bottom, clip.Top), std::min(right, clip.Right), clip.Bottom));

  bool editing = inplaceEdit_ && inplaceEdit_->Visible();
  if (defaultDrawing_ && active && !editing &&
      !(options_.Contains(goEditing) && options_.Contains(goAlwaysShowEditor))) {
    TRect focus = options_.Contains(goRowSelect) ? BoxRect({fixedCols_, current_.Y, colCount_ - 1, current_.Y})
                                                 : CellRect(current_.X, current_.Y);
    if (options_.Contains(goRowSelect) && !IsRectEmpty(focus)) {
      focus.Bottom -= v.Line;
      focus.Right = std::min(focus.Right, right - h.Line);
    }
    if (!IsRectEmpty(focus)) {
      c->Brush()->SetColor(color);
      c->DrawFocusRect(focus);
    }
  }
}

// ---------------------------------------------------------------- scroll bars

bool TCustomGrid::OwnsScrollBar(int) const { return true; }

void TCustomGrid::UpdateScrollRange() {
  if (!HandleAllocated() || updatingScroll_) return;
  TRestoreScope updating(updatingScroll_, true);
  // A bar that comes or goes changes the room for the other: twice is enough.
  for (int pass = 0; pass < 3; ++pass) {
    TRect before = ClientRect();
    TAxis h = Axis(true), v = Axis(false);
    if (OwnsScrollBar(SB_VERT)) {
      bool bar = (scrollBars_ == ssVertical || scrollBars_ == ssBoth) && v.MaxFirst() > fixedRows_;
      SetScrollRange(Handle(), SB_VERT, 0, bar ? v.MaxFirst() - fixedRows_ : 0);
    }
    if (OwnsScrollBar(SB_HORZ)) {
      bool bar = (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && h.MaxFirst() > fixedCols_;
      SetScrollRange(Handle(), SB_HORZ, 0, bar ? h.MaxFirst() - fixedCols_ : 0);
    }
    if (ClientRect() == before) break;
  }
  // The view never shows less than it could.
  TAxis h = Axis(true), v = Axis(false);
  int left = std::min(topLeft_.X, h.MaxFirst()), top = std::min(topLeft_.Y, v.MaxFirst());
  if (left != topLeft_.X || top != topLeft_.Y) MoveTopLeft(left, top);
  UpdateScrollPos();
}

void TCustomGrid::UpdateScrollPos() {
  if (!HandleAllocated()) return;
  if (OwnsScrollBar(SB_VERT)) SetScrollPos(Handle(), SB_VERT, topLeft_.Y - fixedRows_);
  if (OwnsScrollBar(SB_HORZ)) SetScrollPos(Handle(), SB_HORZ, topLeft_.X - fixedCols_);
}

void TCustomGrid::ScrollBarMessage(int Bar, int Code, int Pos) {
  if (!OwnsScrollBar(Bar)) return;
  bool vert = Bar == SB_VERT;
  TAxis a = Axis(!vert);
  int first = a.First, page = std::max(1, a.LastFull() - a.First);
  switch (Code) {
    case SB_LINEUP: --first; break;
    case SB_LINEDOWN: ++first; break;
    case SB_PAGEUP: first -= page; break;
    case SB_PAGEDOWN: first += page; break;
    case SB_THUMBTRACK:
      if (!options_.Contains(goThumbTracking)) return;
      first = Pos + a.Fixed;
      break;
    case SB_THUMBPOSITION: first = Pos + a.Fixed; break;
    case SB_TOP: first = a.Fixed; break;
    case SB_BOTTOM: first = a.MaxFirst(); break;
    default: return;
  }
  first = std::clamp(first, a.Fixed, a.MaxFirst());
  if (vert) MoveTopLeft(topLeft_.X, first);
  else MoveTopLeft(first, topLeft_.Y);
  // The bar comes back to where the view is, also when nothing moved.
  UpdateScrollPos();
}

void TCustomGrid::WMVScroll(TMessage& Message) { ScrollBarMessage(SB_VERT, Message.ScrollCode(), Message.ScrollPos()); }

void TCustomGrid::WMHScroll(TMessage& Message) { ScrollBarMessage(SB_HORZ, Message.ScrollCode(), Message.ScrollPos()); }

void TCustomGrid::WMSize(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  UpdateScrollRange();
  if (inplaceEdit_ && inplaceEdit_->Visible()) inplaceEdit_->UpdateLoc(CellRect(current_.X, current_.Y));
}

// ---------------------------------------------------------------- keys

bool TCustomGrid::CanGridAcceptKey(Word, TShiftState) { return true; }

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  if (!CanGridAcceptKey(Key, Shift)) {
    Key = 0;
    return;
  }
  TAxis h = Axis(true), v = Axis(false);
  int pageWidth = std::max(1, h.LastFull() - topLeft_.X);
  int pageHeight = std::max(1, v.LastFull() - topLeft_.Y);
  bool rowSelect = options_.Contains(goRowSelect);
  TGridCoord cur = current_, top = topLeft_;
  if (Shift.Contains(ssCtrl)) {
    switch (Key) {
      case VK_UP: --top.Y; break;
      case VK_DOWN: ++top.Y; break;
      case VK_LEFT:
        if (!rowSelect) {
          cur.X -= pageWidth;
          top.X -= pageWidth;
        }
        break;
      case VK_RIGHT:
        if (!rowSelect) {
          cur.X += pageWidth;
          top.X += pageWidth;
        }
        break;
      case VK_PRIOR: cur.Y = topLeft_.Y; break;
      case VK_NEXT: cur.Y = std::max(topLeft_.Y, v.LastFull()); break;
      case VK_HOME: cur = {fixedCols_, fixedRows_}; break;
      case VK_END: cur = {colCount_ - 1, rowCount_ - 1}; break;
      default: break;
    }
  } else {
    switch (Key) {
      case VK_UP: --cur.Y; break;
      case VK_DOWN: ++cur.Y; break;
      case VK_LEFT:
        if (rowSelect) --cur.Y;
        else --cur.X;
        break;
      case VK_RIGHT:
        if (rowSelect) ++cur.Y;
        else ++cur.X;
        break;
      case VK_NEXT:
        cur.Y += pageHeight;
        top.Y += pageHeight;
        break;
      case VK_PRIOR:
        cur.Y -= pageHeight;
        top.Y -= pageHeight;
        break;
      case VK_HOME:
        if (rowSelect) cur.Y = fixedRows_;
        else cur.X = fixedCols_;
        break;
      case VK_END:
        if (rowSelect) cur.Y = rowCount_ - 1;
        else cur.X = colCount_ - 1;
        break;
      case VK_TAB:
        if (options_.Contains(goTabs) && !Shift.Contains(ssAlt)) {
          bool back = Shift.Contains(ssShift);
          // The next column that Tab stops in, row after row, round to the top.
          do {
            if (back) {
              if (--cur.X < fixedCols_) {
                cur.X = colCount_ - 1;
                if (--cur.Y < fixedRows_) cur.Y = rowCount_ - 1;
              }
            } else if (++cur.X >= colCount_) {
              cur.X = fixedCols_;
              if (++cur.Y >= rowCount_) cur.Y = fixedRows_;
            }
          } while (!TabStops(cur.X) && cur.X != current_.X);
          Shift.Exclude(ssShift);  // Shift+Tab goes back, it does not select
        }
        break;
      case VK_F2: SetEditorMode(true); break;
      default: break;
    }
  }
  top.X = std::clamp(top.X, fixedCols_, h.MaxFirst());
  top.Y = std::clamp(top.Y, fixedRows_, v.MaxFirst());
  if (!(top == topLeft_)) MoveTopLeft(top.X, top.Y);
  cur.X = std::clamp(cur.X, fixedCols_, colCount_ - 1);
  cur.Y = std::clamp(cur.Y, fixedRows_, rowCount_ - 1);
  if (!(cur == current_)) FocusCell(cur.X, cur.Y, !Shift.Contains(ssShift));
}

void TCustomGrid::KeyPress(TChar& Key) {
  TCustomControl::KeyPress(Key);
  // Enter opens and closes the editor.
  if (Key == 13 && options_.Contains(goEditing) && !options_.Contains(goAlwaysShowEditor)) {
    if (editorMode_) HideEditor();
    else SetEditorMode(true);
    Key = 0;
  }
}

void TCustomGrid::WMChar(TMessage& Message) {
  auto ch = static_cast<TChar>(Message.WParam);
  // A typing key opens the editor with the character.
  if (options_.Contains(goEditing) && !options_.Contains(goRowSelect) && (ch == 8 || (ch >= 32 && ch != 127))) {
    ShowEditorChar(ch);
    if (inplaceEdit_ && inplaceEdit_->Visible()) return;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomGrid::WMGetDlgCode(TMessage& Message) {
  Message.Result = DLGC_WANTARROWS;
  if (options_.Contains(goRowSelect)) return;
  if (options_.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
  if (options_.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
}

// ---------------------------------------------------------------- focus

void TCustomGrid::WMSetFocus(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  InvalidateGridRect(Selection());
  UpdateEdit();
}

void TCustomGrid::WMKillFocus(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  InvalidateGridRect(Selection());
}

void TCustomGrid::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == inplaceEdit_) {
    inplaceEdit_ = nullptr;
    inplaceCol_ = inplaceRow_ = -1;
  }
}

void TCustomGrid::DoEnter() {
  TCustomControl::DoEnter();
  InvalidateGridRect(Selection());
}

void TCustomGrid::DoExit() {
  // The editor keeps its mode: it comes back with the focus.
  HideEdit();
  InvalidateGridRect(Selection());
  TCustomControl::DoExit();
}

// ---------------------------------------------------------------- mouse

int TCustomGrid::SizingColAt(int X, int Y) const {
  if (!options_.Contains(goColSizing)) return -1;
  TAxis h = Axis(true), v = Axis(false);
  if (Y < 0 || Y >= v.FixedExtent()) return -1;
  auto near = [&](int col) {
    int edge = h.Pos(col) + h.Extent(col) + h.Line / 2;
    return std::abs(X - edge) <= kSizingZone && CanSizeCol(col);
  };
  for (int i = 0; i < h.Fixed && i < h.Count; ++i)
    if (near(i)) return i;
  for (int i = h.First; i <= h.LastVisible(); ++i)
    if (near(i)) return i;
  return -1;
}

bool TCustomGrid::InSizingZone(int X, int Y) const { return SizingColAt(X, Y) >= 0; }

bool TCustomGrid::CanSizeCol(int) const { return true; }

// The column before which a dragged column would go, for the point X.
int TCustomGrid::MoveTargetAt(int X) const {
  TAxis h = Axis(true);
  int col = h.CellAt(std::clamp(X, h.FixedExtent(), std::max(h.FixedExtent(), h.View - 1)));
  if (col < 0) col = h.LastVisible();
  return std::clamp(col, fixedCols_, colCount_ - 1);
}

void TCustomGrid::DrawSizingLine() {
  InvertLine(this, lineX_, 0, lineX_, ClientHeight());
  lineShown_ = !lineShown_;
}

void TCustomGrid::DrawMoveLine() {
  TAxis h = Axis(true);
  int x = h.Pos(movePos_);
  if (movePos_ > moveIndex_) x += h.Pitch(movePos_);
  lineX_ = std::max(0, x - 1);
  DrawSizingLine();
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  if (CanFocus() && !IsActiveControl()) {
    SetFocus();
    if (!*alive) return;
    if (!IsActiveControl()) {
      SetMouseCapture(false);
      return;
    }
  }
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    DblClick();
  } else if (Button == mbLeft) {
    mouse_ = {X, Y};
    if (int col = SizingColAt(X, Y); col >= 0) {
      TAxis h = Axis(true);
      gridState_ = gsColSizing;
      sizingIndex_ = col;
      sizingOfs_ = X - (h.Pos(col) + h.Extent(col));
      sizingPos_ = X - sizingOfs_;
      lineX_ = sizingPos_;
      DrawSizingLine();
    } else if (TGridCoord cell = MouseCoord(X, Y); cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
      if (options_.Contains(goEditing) && cell == current_ && !options_.Contains(goAlwaysShowEditor)) {
        ShowEditor();
      } else {
        if (Shift.Contains(ssShift)) MoveAnchor(cell);
        else FocusCell(cell.X, cell.Y, true);
        if (!*alive) return;
        gridState_ = gsSelecting;
        SetTimer(Handle(), kScrollTimer, kScrollTimerMs);
      }
    } else if (options_.Contains(goColMoving) && cell.Y >= 0 && cell.Y < fixedRows_ && cell.X >= fixedCols_) {
      gridState_ = gsColMoving;
      moveIndex_ = movePos_ = cell.X;
      UpdateWindow(Handle());
      DrawMoveLine();
    }
  }
  if (!*alive) return;
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  mouse_ = {X, Y};
  switch (gridState_) {
    case gsSelecting: {
      TGridCoord cell = MouseCoord(X, Y);
      if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ &&
          !(cell == (options_.Contains(goRangeSelect) ? anchor_ : current_)))
        MoveAnchor(cell);
      break;
    }
    case gsColSizing: {
      TAxis h = Axis(true);
      int x = std::max(X - sizingOfs_, h.Pos(sizingIndex_) + kMinColWidth);
      if (x != lineX_) {
        if (lineShown_) DrawSizingLine();
        lineX_ = sizingPos_ = x;
        DrawSizingLine();
      }
      break;
    }
    case gsColMoving: {
      int target = MoveTargetAt(X);
      if (target != movePos_) {
        if (lineShown_) DrawSizingLine();
        movePos_ = target;
        DrawMoveLine();
      }
      break;
    }
    default:
      // The cursor tells where a press would size a column.
      Perform(WM_SETCURSOR, Handle(), MakeLParam(1, static_cast<int>(WM_MOUSEMOVE)));
      break;
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  switch (gridState_) {
    case gsSelecting:
      MouseMove(Shift, X, Y);
      if (!*alive) return;
      EndGridState(false);
      UpdateEdit();
      Click();
      break;
    case gsColSizing: {
      int index = sizingIndex_, right = sizingPos_;
      EndGridState(false);
      TAxis h = Axis(true);
      int width = std::max(kMinColWidth, right - h.Pos(index));
      if (width != ColWidths(index)) SetColWidths(index, width);
      break;
    }
    case gsColMoving: {
      int from = moveIndex_, to = movePos_;
      EndGridState(false);
      if (from != to) MoveColumn(from, to);
      break;
    }
    default: break;
  }
  if (!*alive) return;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::EndGridState(bool) {
  if (lineShown_) DrawSizingLine();
  if (gridState_ == gsSelecting && HandleAllocated()) KillTimer(Handle(), kScrollTimer);
  gridState_ = gsNormal;
  sizingIndex_ = moveIndex_ = movePos_ = -1;
}

void TCustomGrid::WMCancelMode(TMessage& Message) {
  if (gridState_ != gsNormal) EndGridState(true);
  TCustomControl::Dispatch(Message);
}

void TCustomGrid::WMSetCursor(TMessage& Message) {
  QWidget* client = ClientWidgetOf(this);
  if (!client) return;
  // The mouse's last place: the messages of the grid's own mouse moves keep it.
  if (gridState_ == gsColSizing || (gridState_ == gsNormal && InSizingZone(mouse_.X, mouse_.Y))) {
    client->setCursor(CursorOf(crHSplit));
    Message.Result = 1;
  } else {
    client->unsetCursor();
  }
}

void TCustomGrid::WMTimer(TMessage& Message) {
  if (Message.WParam != kScrollTimer || gridState_ != gsSelecting) return;
  TAxis h = Axis(true), v = Axis(false);
  TGridScrollDirection dir;
  if (mouse_.X < h.FixedExtent()) dir.Include(sdLeft);
  else if (mouse_.X >= h.View) dir.Include(sdRight);
  if (mouse_.Y < v.FixedExtent()) dir.Include(sdUp);
  else if (mouse_.Y >= v.View) dir.Include(sdDown);
  if (!dir.Empty()) TimedScroll(dir);
}

void TCustomGrid::TimedScroll(TGridScrollDirection Direction) {
  TGridCoord from = options_.Contains(goRangeSelect) ? anchor_ : current_;
  TGridCoord to = from;
  if (Direction.Contains(sdLeft) && to.X > fixedCols_) --to.X;
  if (Direction.Contains(sdRight) && to.X < colCount_ - 1) ++to.X;
  if (Direction.Contains(sdUp) && to.Y > fixedRows_) --to.Y;
  if (Direction.Contains(sdDown) && to.Y < rowCount_ - 1) ++to.Y;
  if (!(to == from)) MoveAnchor(to);
}

// ---------------------------------------------------------------- messages

void TCustomGrid::DefaultHandler(TMessage& Message) {
  // The grid does all its keys itself; the scroll area would scroll by them.
  if (Message.Msg >= WM_KEYFIRST && Message.Msg <= WM_KEYLAST) return;
  TCustomControl::DefaultHandler(Message);
}

void TCustomGrid::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_VSCROLL: return WMVScroll(Message);
    case WM_HSCROLL: return WMHScroll(Message);
    case WM_SETCURSOR: return WMSetCursor(Message);
    case WM_SIZE: return WMSize(Message);
    case WM_TIMER: return WMTimer(Message);
    case WM_CHAR: return WMChar(Message);
    case WM_GETDLGCODE: return WMGetDlgCode(Message);
    case WM_SETFOCUS: return WMSetFocus(Message);
    case WM_KILLFOCUS: return WMKillFocus(Message);
    case WM_CANCELMODE: return WMCancelMode(Message);
    case WM_MOUSEWHEEL: {
      // A notch scrolls three lines, as the bar's arrows do.
      int delta = static_cast<std::int16_t>((Message.WParam >> 16) & 0xFFFF);
      int code = delta > 0 ? SB_LINEUP : SB_LINEDOWN;
      auto alive = LifeToken();
      for (int i = 0; i < 3 * std::max(1, std::abs(delta) / 120) && *alive; ++i)
        Perform(WM_VSCROLL, static_cast<WPARAM>(code), 0);
      return;
    }
    default: TCustomControl::Dispatch(Message);
  }
}

}  // namespace fw

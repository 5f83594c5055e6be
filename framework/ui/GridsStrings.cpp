// The draw grid and the string grid.
#include <algorithm>

#include "Grids.h"
#include "Scope.h"

namespace fw {

// ---------------------------------------------------------------- draw grid

FW_PUBLISH(TDrawGrid) {
  c.Property("BorderStyle", &TDrawGrid::BorderStyle, &TDrawGrid::SetBorderStyle).Default(bsSingle);
  c.Property("ColCount", &TDrawGrid::ColCount, &TDrawGrid::SetColCount).Default(5);
  c.Property("DefaultColWidth", &TDrawGrid::DefaultColWidth, &TDrawGrid::SetDefaultColWidth).Default(64);
  c.Property("DefaultDrawing", &TDrawGrid::DefaultDrawing, &TDrawGrid::SetDefaultDrawing).Default(true);
  c.Property("DefaultRowHeight", &TDrawGrid::DefaultRowHeight, &TDrawGrid::SetDefaultRowHeight).Default(24);
  c.Property("FixedColor", &TDrawGrid::FixedColor, &TDrawGrid::SetFixedColor).SetTypeName("TColor");
  c.Property("FixedCols", &TDrawGrid::FixedCols, &TDrawGrid::SetFixedCols).Default(1);
  c.Property("FixedRows", &TDrawGrid::FixedRows, &TDrawGrid::SetFixedRows).Default(1);
  c.Property("GridLineWidth", &TDrawGrid::GridLineWidth, &TDrawGrid::SetGridLineWidth).Default(1);
  c.Property("Options", &TDrawGrid::Options, &TDrawGrid::SetOptions);
  c.Property("RowCount", &TDrawGrid::RowCount, &TDrawGrid::SetRowCount).Default(5);
  c.Property("ScrollBars", &TDrawGrid::ScrollBars, &TDrawGrid::SetScrollBars).Default(ssBoth);
  c.Event("OnColumnMoved", &TDrawGrid::OnColumnMoved);
  c.Event("OnDrawCell", &TDrawGrid::OnDrawCell);
  c.Event("OnGetEditText", &TDrawGrid::OnGetEditText);
  c.Event("OnSelectCell", &TDrawGrid::OnSelectCell);
  c.Event("OnSetEditText", &TDrawGrid::OnSetEditText);
  c.Event("OnTopLeftChanged", &TDrawGrid::OnTopLeftChanged);
}

TDrawGrid::TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

void TDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TDrawGrid::SelectCell(int ACol, int ARow) {
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
  return can;
}

void TDrawGrid::TopLeftChanged() {
  TCustomGrid::TopLeftChanged();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TDrawGrid::ColumnMoved(int FromIndex, int ToIndex) {
  if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

std::string TDrawGrid::GetEditText(int ACol, int ARow) {
  std::string value;
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, value);
  return value;
}

void TDrawGrid::SetEditText(int ACol, int ARow, const std::string& Value) {
  if (OnSetEditText) OnSetEditText(this, ACol, ARow, Value);
}

// ---------------------------------------------------------------- the lines of a row or column

FW_IMPLEMENT_CLASS(TStringGridStrings)

int TStringGridStrings::Count() const { return isCol_ ? grid_->RowCount() : grid_->ColCount(); }

std::string TStringGridStrings::Strings(int index) const {
  CheckIndex(index, Count());
  return isCol_ ? grid_->Cells(index_, index) : grid_->Cells(index, index_);
}

void TStringGridStrings::SetStrings(int index, const std::string& s) {
  CheckIndex(index, Count());
  if (isCol_) grid_->SetCells(index_, index, s);
  else grid_->SetCells(index, index_, s);
}

int TStringGridStrings::Add(const std::string& s) {
  for (int i = 0; i < Count(); ++i)
    if (Strings(i).empty()) {
      SetStrings(i, s);
      return i;
    }
  return -1;
}

void TStringGridStrings::SetObjects(int, TObject*) {}

void TStringGridStrings::Clear() {
  for (int i = 0; i < Count(); ++i) SetStrings(i, std::string());
}

void TStringGridStrings::Insert(int, const std::string&) {
  throw EInvalidGridOperation("A row or column of a grid keeps its cells: lines cannot be inserted");
}

void TStringGridStrings::Delete(int) {
  throw EInvalidGridOperation("A row or column of a grid keeps its cells: lines cannot be deleted");
}

// ---------------------------------------------------------------- string grid

FW_IMPLEMENT_CLASS(TStringGrid)

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}

TStringGrid::~TStringGrid() = default;

std::string TStringGrid::Cells(int ACol, int ARow) const {
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return std::string();
  auto r = static_cast<std::size_t>(ARow), c = static_cast<std::size_t>(ACol);
  if (r >= cells_.size() || c >= cells_[r].size()) return std::string();
  return cells_[r][c];
}

std::string& TStringGrid::Cell(int ACol, int ARow) {
  auto r = static_cast<std::size_t>(ARow), c = static_cast<std::size_t>(ACol);
  if (r >= cells_.size()) cells_.resize(r + 1);
  if (c >= cells_[r].size()) cells_[r].resize(c + 1);
  return cells_[r][c];
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
  CheckCoord(ACol, ARow);
  std::string& cell = Cell(ACol, ARow);
  if (cell == Value) return;
  cell = Value;
  InvalidateCell(ACol, ARow);
  // A text set from outside shows in the editor of its cell.
  if (!settingFromEditor_ && EditorMode() && ACol == Col() && ARow == Row()) InvalidateEditor();
}

TStrings* TStringGrid::Cols(int Index) {
  CheckCoord(Index, 0);
  auto i = static_cast<std::size_t>(Index);
  if (i >= cols_.size()) cols_.resize(i + 1);
  if (!cols_[i]) cols_[i] = std::make_unique<TStringGridStrings>(this, true, Index);
  return cols_[i].get();
}

void TStringGrid::SetCols(int Index, const TStrings* Value) { Cols(Index)->Assign(Value); }

TStrings* TStringGrid::Rows(int Index) {
  CheckCoord(0, Index);
  auto i = static_cast<std::size_t>(Index);
  if (i >= rows_.size()) rows_.resize(i + 1);
  if (!rows_[i]) rows_[i] = std::make_unique<TStringGridStrings>(this, false, Index);
  return rows_[i].get();
}

void TStringGrid::SetRows(int Index, const TStrings* Value) { Rows(Index)->Assign(Value); }

void TStringGrid::CountsChanged(int, int) {
  // Cells outside the grid are gone; they do not come back when it grows.
  auto rows = static_cast<std::size_t>(RowCount()), cols = static_cast<std::size_t>(ColCount());
  if (cells_.size() > rows) cells_.resize(rows);
  for (auto& r : cells_)
    if (r.size() > cols) r.resize(cols);
  if (cols_.size() > cols) cols_.resize(cols);
  if (rows_.size() > rows) rows_.resize(rows);
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (DefaultDrawing()) Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
  TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex) {
  for (auto& r : cells_) {
    if (r.size() < static_cast<std::size_t>(ColCount())) r.resize(static_cast<std::size_t>(ColCount()));
    MoveItem(r, FromIndex, ToIndex);
  }
  TDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

std::string TStringGrid::GetEditText(int ACol, int ARow) {
  std::string value = Cells(ACol, ARow);
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, value);
  return value;
}

void TStringGrid::SetEditText(int ACol, int ARow, const std::string& Value) {
  {
    TRestoreScope setting(settingFromEditor_, true);
    SetCells(ACol, ARow, Value);
  }
  TDrawGrid::SetEditText(ACol, ARow, Value);
}

}  // namespace fw

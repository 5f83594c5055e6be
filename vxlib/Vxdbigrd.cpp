#include "Vxdbigrd.h"

#include <algorithm>
#include <cstring>

#include "Bitmap.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Resources.h"
#include "Scope.h"
#include "Services.h"
#include "Streams.h"
#include "Text.h"
#include "Vxcommon.h"
#include "Vxconst.h"
#include "Vxintl.h"
#include "Vxlocate.h"
#include "Vxpict.h"
#include "Vxstr.h"

namespace vx {

using namespace fw;

namespace {

// What every grid shares: the indicator pictures and the scratch bitmap the
// check boxes are drawn on, made by the first grid and freed by the last.
struct TSharedBitmaps {
  std::unique_ptr<TBitmap> Browse, Edit, Insert, Scratch;
  int Grids = 0;
};

// Never destroyed: the framework frees the forms left at exit after this
// library's statics are gone, and their grids still let go of the bitmaps.
TSharedBitmaps& Shared() {
  static TSharedBitmaps& s = *new TSharedBitmaps;
  return s;
}

void AddGrid() {
  TSharedBitmaps& s = Shared();
  if (s.Grids++ > 0) return;
  auto load = [](const char* name) {
    auto b = std::make_unique<TBitmap>();
    b->LoadFromResourceName(name);
    return b;
  };
  s.Scratch = std::make_unique<TBitmap>();
  s.Browse = load("VXDBGARROW");
  s.Edit = load("VXDBEDIT");
  s.Insert = load("VXDBINSERT");
}

void RemoveGrid() {
  TSharedBitmaps& s = Shared();
  if (--s.Grids > 0) return;
  s.Browse.reset();
  s.Edit.reset();
  s.Insert.reset();
  s.Scratch.reset();
}

bool IsWhite(TColor c) { return ColorToRGB(c) == ColorToRGB(clWhite); }

std::string Lower(std::string s) {
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return s;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

// The pieces of a title between its "~" line breaks.
std::vector<std::string> TitlePieces(const std::string& title) {
  std::vector<std::string> pieces;
  int pos = 1;
  std::string piece;
  while (pos > 0) {
    strGetToken(title, "~", pos, piece);
    pieces.push_back(piece);
  }
  return pieces;
}

}  // namespace

const TBitmap* vxGridIndicatorBitmap(TDataSetState State) {
  TSharedBitmaps& s = Shared();
  return State == dsEdit ? s.Edit.get() : State == dsInsert ? s.Insert.get() : s.Browse.get();
}

int vxLiveGridCount() { return Shared().Grids; }

// ---------------------------------------------------------------- TvxGridDataLink

FW_IMPLEMENT_CLASS(TvxGridDataLink)

bool TvxGridDataLink::GetDefaultFields() const { return !DataSet() || DataSet()->DefaultFields(); }

TField* TvxGridDataLink::GetFields(int I) const {
  if (I < 0 || I >= FieldCount() || !DataSet()) return nullptr;
  return DataSet()->Fields(map_[static_cast<std::size_t>(I)]);
}

bool TvxGridDataLink::AddMapping(const std::string& FieldName) {
  if (FieldCount() >= vxMaxMappedColumns) throw EInvalidGridOperation(LoadStr(vxsTooManyColumns));
  TField* field = DataSet() ? DataSet()->FindField(FieldName) : nullptr;
  if (!field) return false;
  if (capacity_ == 0) {
    capacity_ = 8;
  } else if (FieldCount() >= capacity_) {
    capacity_ = std::max(std::min(capacity_ * 2, vxMaxMappedColumns), FieldCount());
  }
  map_.reserve(static_cast<std::size_t>(capacity_));
  map_.push_back(field->Index());
  return true;
}

void TvxGridDataLink::ClearMapping() {
  map_.clear();
  map_.shrink_to_fit();
  capacity_ = 0;
}

void TvxGridDataLink::Reset() {
  if (modified_) {
    RecordChanged(nullptr);
    return;
  }
  TDataSet* ds = DataSet();
  if (!ds) return;
  if ((ds->State() == dsEdit || ds->State() == dsInsert) && ds->Modified()) {
    if (MessageDlg(vxInternational()->UserMessages()->vxDBGridDiscardChanges(), mtConfirmation, {mbYes, mbNo}, 0) !=
        mrYes)
      return;
  }
  ds->Cancel();
}

void TvxGridDataLink::UpdateData() {
  TRestoreScope updating(inUpdateData_, true);
  if (modified_) grid_->UpdateData();
  modified_ = false;
}

void TvxGridDataLink::ActiveChanged() { grid_->LinkActive(Active()); }

void TvxGridDataLink::DataSetChanged() {
  grid_->DataChanged();
  modified_ = false;
}

void TvxGridDataLink::DataSetScrolled(int Distance) { grid_->Scroll(Distance); }

void TvxGridDataLink::EditingChanged() { grid_->EditingChanged(); }

void TvxGridDataLink::LayoutChanged() { grid_->LayoutChanged(); }

void TvxGridDataLink::RecordChanged(TField* Field) {
  if (Field && inUpdateData_) return;
  grid_->RecordChanged(Field);
  modified_ = false;
}

// ---------------------------------------------------------------- TvxIButton

FW_IMPLEMENT_CLASS(TvxIButton)

void TvxIButton::Loaded() {
  TSpeedButton::Loaded();
  if (auto* grid = dynamic_cast<TvxCustomDBGrid*>(Parent())) {
    grid->indicatorButton_ = this;
    grid->SetIndicatorWidth(Width() - 1);
  }
}

void TvxIButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != Width() || AHeight != Height();
  TSpeedButton::SetBounds(std::min(ALeft, 0), std::min(ATop, 0), AWidth, AHeight);
  auto* grid = dynamic_cast<TvxCustomDBGrid*>(Parent());
  if (resized && grid && !ComponentState().Contains(csLoading)) {
    grid->indicatorWidth_ = Width() - 1;
    grid->LayoutChanged();
  }
}

// ---------------------------------------------------------------- TvxCustomDBGrid

FW_PUBLISH(TvxCustomDBGrid) {}

TvxCustomDBGrid::TvxCustomDBGrid(TComponent* AOwner)
    : TCustomGrid(AOwner),
      selected_(std::make_unique<TStringList>()),
      titleFont_(std::make_unique<TFont>()),
      dataLink_(std::make_unique<TvxGridDataLink>(this)) {
  // The cells are drawn here, the platform only lays out and draws the lines.
  TCustomGrid::SetDefaultDrawing(false);
  AddGrid();
  SetScrollBars(ssHorizontal);
  TCustomGrid::SetOptions(
      {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing, goColMoving, goEditing, goTabs});
  SetColCount(2);
  SetRowCount(2);
  SetColor(clWindow);
  SetParentColor(false);
  titleFont_->Assign(Font());
  titleFont_->OnChange = [this](TObject*) { TitleFontChanged(); };
}

TvxCustomDBGrid::~TvxCustomDBGrid() { RemoveGrid(); }

void TvxCustomDBGrid::BeforeDestruction() {
  // The link lets go while the grid is whole: its leaving is an event.
  dataLink_->SetDataSource(nullptr);
  TCustomGrid::BeforeDestruction();
}

void TvxCustomDBGrid::SetDataSource(TDataSource* Value) {
  if (Value == DataSource()) return;
  dataLink_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  LinkActive(dataLink_->Active());
}

void TvxCustomDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomGrid::Notification(AComponent, Operation);
  if (Operation != opRemove || !dataLink_) return;
  if (AComponent == DataSource()) SetDataSource(nullptr);
  if (AComponent == indicatorButton_) indicatorButton_ = nullptr;
}

void TvxCustomDBGrid::SetIndicatorButton(TvxIButton* Value) {
  indicatorButton_ = Value;
  if (Value) Value->FreeNotification(this);
  LayoutChanged();
}

TField* TvxCustomDBGrid::GetColField(int DataCol) const {
  if (DataCol < 0 || !dataLink_->Active() || DataCol >= GetFieldCount()) return nullptr;
  return GetFields(DataCol);
}

TField* TvxCustomDBGrid::SelectedField() const { return GetColField(SelectedIndex()); }

void TvxCustomDBGrid::SetSelectedField(TField* Value) {
  if (!Value) return;
  for (int i = 0; i < GetFieldCount(); ++i)
    if (GetFields(i) == Value) MoveCol(i);
}

void TvxCustomDBGrid::SetSelected(const TStrings* Value) {
  selected_->Assign(Value);
  LayoutChanged();
}

std::vector<std::string> TvxCustomDBGrid::SelectedParts(const std::string& Line) { return Split(Line, '\t'); }

bool TvxCustomDBGrid::FindSelectedLine(const std::string& FieldName, std::vector<std::string>& Parts) const {
  for (int i = 0; i < selected_->Count(); ++i) {
    Parts = SelectedParts(selected_->Strings(i));
    if (SameText(Parts[0], FieldName)) return true;
  }
  return false;
}

bool TvxCustomDBGrid::IsValidCell(int ACol, int ARow) const {
  TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
  const int dbCol = ACol - indicatorOffset_, dbRow = ARow - titleOffset_;
  return ds && dbCol >= 0 && dbCol < GetFieldCount() && dbRow >= 0 && vxDataSet(ds);
}

bool TvxCustomDBGrid::IsMemoField(int ACol, int ARow) const {
  TField* f = GetColField(ACol - indicatorOffset_);
  return ARow - titleOffset_ >= 0 && dynamic_cast<TBlobField*>(f) != nullptr;
}

bool TvxCustomDBGrid::IsCheckBox(int ACol, int ARow, std::string& CheckedValue, std::string& UncheckedValue) {
  if (!IsValidCell(ACol, ARow)) return false;
  TField* f = GetColField(ACol - indicatorOffset_);
  const TStrings* lines = vxGetControlType(DataSource()->DataSet());
  if (!f || !lines) return false;
  for (int i = 0; i < lines->Count(); ++i) {
    std::vector<std::string> parts = Split(lines->Strings(i), ';');
    if (parts.size() > 3 && parts[0] == f->FieldName() && parts[1] == "CheckBox") {
      CheckedValue = parts[2];
      UncheckedValue = parts[3];
      if (ACol == Col()) {
        checkedValue_ = CheckedValue;
        uncheckedValue_ = UncheckedValue;
      }
      return true;
    }
  }
  return false;
}

bool TvxCustomDBGrid::IsSelectedCheckbox(int ACol) {
  std::string on, off;
  TField* f = GetColField(ACol - indicatorOffset_);
  return IsCheckBox(ACol, titleOffset_, on, off) && f && Lower(f->FieldName()) == "selected";
}

void TvxCustomDBGrid::SetPictureMask(const std::string& FieldName, const std::string& Mask) {
  if (DataSource() && DataSource()->DataSet())
    vxSetPictureMask(DataSource()->DataSet(), FieldName, Mask, false, false, true, false, false);
}

void TvxCustomDBGrid::SetPictureAutoFill(const std::string& FieldName, bool AutoFill) {
  if (DataSource() && DataSource()->DataSet())
    vxSetPictureMask(DataSource()->DataSet(), FieldName, "", AutoFill, false, false, true, false);
}

void TvxCustomDBGrid::SetColWidthsPixels(int I, int W) {
  TRestoreScope layout(inLayout_, true);
  SetColWidths(I, W);
}

// ---- settings

void TvxCustomDBGrid::SetOptions(TvxDBGridOptions Value) {
  if (Value == options_) return;
  TGridOptions g;
  if (Value.Contains(dgColLines)) g += TGridOptions{goFixedVertLine, goVertLine};
  if (Value.Contains(dgRowLines)) g += TGridOptions{goFixedHorzLine, goHorzLine};
  if (Value.Contains(dgColumnResize)) g += TGridOptions{goColSizing, goColMoving};
  if (Value.Contains(dgTabs)) g.Include(goTabs);
  if (Value.Contains(dgRowSelect)) g.Include(goRowSelect);
  else if (Value.Contains(dgEditing)) g.Include(goEditing);
  if (Value.Contains(dgAlwaysShowEditor)) g.Include(goAlwaysShowEditor);
  TCustomGrid::SetOptions(g);
  const TvxDBGridOptions changed = (Value - options_) + (options_ - Value);
  if (changed.Contains(dgWordWrap)) {
    if (auto* e = dynamic_cast<TvxInplaceEdit*>(InplaceEditor())) e->SetWordWrap(Value.Contains(dgWordWrap));
    Invalidate();
  }
  options_ = Value;
  if ((changed * TvxDBGridOptions::FromBits(0x236F)).ToBits() != 0) LayoutChanged();
}

void TvxCustomDBGrid::SetTitleFont(const TFont* Value) {
  titleFont_->Assign(Value);
  LayoutChanged();
}

void TvxCustomDBGrid::TitleFontChanged() {
  if (!titleFollowsParent_ && !ComponentState().Contains(csLoading)) SetParentFont(false);
  if (options_.Contains(dgTitles)) LayoutChanged();
}

void TvxCustomDBGrid::SetTitleColor(TColor Value) {
  if (Value == titleColor_) return;
  titleColor_ = Value;
  Invalidate();
}

void TvxCustomDBGrid::SetIndicatorColor(TIndicatorColorType Value) {
  if (Value == indicatorColor_) return;
  indicatorColor_ = Value;
  LayoutChanged();
}

void TvxCustomDBGrid::SetTitleAlignment(TAlignment Value) {
  if (Value == titleAlignment_) return;
  titleAlignment_ = Value;
  LayoutChanged();
}

void TvxCustomDBGrid::SetTitleLines(int Value) {
  if (Value <= 0 || Value == titleLines_) return;
  titleLines_ = Value;
  LayoutChanged();
}

void TvxCustomDBGrid::SetRowHeightPercent(int Value) {
  if (Value <= 0) {
    rowHeightPercent_ = 100;
    return;
  }
  if (Value == rowHeightPercent_) return;
  rowHeightPercent_ = Value;
  LayoutChanged();
}

void TvxCustomDBGrid::SetTitleButtons(bool Value) {
  if (Value == titleButtons_) return;
  titleButtons_ = Value;
  Invalidate();
}

void TvxCustomDBGrid::SetShowVertScrollBar(bool Value) {
  if (Value == showVertScrollBar_) return;
  showVertScrollBar_ = Value;
  UpdateScrollBar();
  Invalidate();
}

bool TvxCustomDBGrid::GetShowHorzScrollBar() const { return ScrollBars() == ssHorizontal || ScrollBars() == ssBoth; }

void TvxCustomDBGrid::SetShowHorzScrollBar(bool Value) {
  if (Value == GetShowHorzScrollBar()) return;
  SetScrollBars(Value ? ssHorizontal : ssNone);
}

void TvxCustomDBGrid::SetUseTFields(bool Value) {
  if (Value == useTFields_) return;
  useTFields_ = Value;
  LayoutChanged();
}

void TvxCustomDBGrid::SetIndicatorWidth(int Value) {
  if (Value == indicatorWidth_) return;
  indicatorWidth_ = Value;
  LayoutChanged();
}

void TvxCustomDBGrid::Loaded() {
  TCustomGrid::Loaded();
  LayoutChanged();
}

void TvxCustomDBGrid::CreateWnd() {
  TCustomGrid::CreateWnd();
  LayoutChanged();
  UpdateScrollBar();
}

void TvxCustomDBGrid::FontChanged() {
  TCustomGrid::FontChanged();
  LayoutChanged();
}

void TvxCustomDBGrid::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_PARENTFONTCHANGED) {
    TCustomGrid::Dispatch(Message);
    if (ParentFont()) {
      TRestoreScope following(titleFollowsParent_, true);
      titleFont_->Assign(Font());
    }
    LayoutChanged();
    return;
  }
  TCustomGrid::Dispatch(Message);
}

// ---- layout

void TvxCustomDBGrid::DefineFieldMap() {
  TDataSet* ds = dataLink_->DataSet();
  if (!ds) return;
  if (useTFields_) {
    for (int i = 0; i < ds->FieldCount(); ++i)
      if (ds->Fields(i)->Visible()) dataLink_->AddMapping(ds->Fields(i)->FieldName());
    return;
  }
  for (int i = 0; i < selected_->Count();) {
    const std::string name = SelectedParts(selected_->Strings(i))[0];
    if (dataLink_->Active() && !ds->FindField(name)) {
      selected_->Delete(i);
      continue;
    }
    dataLink_->AddMapping(name);
    ++i;
  }
}

void TvxCustomDBGrid::LayoutChanged() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying) || !HandleAllocated() ||
      layoutLock_ != 0)
    return;
  {
    ++layoutLock_;
    TScopeExit unlock([this] { --layoutLock_; });
    TRestoreScope layout(inLayout_, true);
    titleOffset_ = options_.Contains(dgTitles) ? 1 : 0;
    CalcRowHeight();
    indicatorOffset_ = options_.Contains(dgIndicator) ? 1 : 0;
    dataLink_->ClearMapping();
    if (dataLink_->Active()) DefineFieldMap();
    int dataCols = GetFieldCount();
    if (dataCols == 0 && !useTFields_) dataCols = selected_->Count();
    const int cols = std::max(1, dataCols) + indicatorOffset_;
    if (FixedCols() >= cols) SetFixedCols(0);
    SetColCount(cols);
    SetFixedCols(indicatorOffset_);
    if (indicatorOffset_) {
      SetColWidths(0, indicatorWidth_);
      SetTabStops(0, false);
      if (Col() == 0) MoveColRow(1, Row(), false, false);
    }
    HideControls();
    UpdateRowCount();
    const int visible = VisibleRowCount();
    SetColumnAttributes();
    if (VisibleRowCount() != visible) UpdateRowCount();
  }
  UpdateActive();
  if (AllowPerfectFit()) DoPerfectFit();
  Invalidate();
}

void TvxCustomDBGrid::SetColumnAttributes() {
  TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
  if (!ds) return;
  const int count = useTFields_ ? GetFieldCount() : selected_->Count();
  TCanvas* c = Canvas();
  for (int i = 0; i < count && i + indicatorOffset_ < ColCount(); ++i) {
    TField* field = nullptr;
    std::vector<std::string> parts;
    if (useTFields_) {
      field = GetFields(i);
    } else {
      parts = SelectedParts(selected_->Strings(i));
      field = ds->FindField(parts[0]);
    }
    if (!field) continue;
    // A line whose width is missing or no number takes the field's own.
    int chars = field->DisplayWidth();
    if (!useTFields_ && parts.size() > 1) chars = StrToIntDef(Trim(parts[1]), field->DisplayWidth());
    c->SetFont(Font());
    int width = chars * c->TextWidth("0") + 4;
    if (options_.Contains(dgTitles)) {
      c->SetFont(titleFont_.get());
      const std::string title = useTFields_ || parts.size() < 3 ? field->DisplayLabel() : parts[2];
      int widest = 0;
      for (const std::string& piece : TitlePieces(title)) widest = std::max(widest, c->TextWidth(piece));
      width = std::max(width, widest + 4);
    }
    const int col = indicatorOffset_ + i;
    SetColWidths(col, width);
    bool stop = !field->ReadOnly();
    if (stop && !editCalculated_ && field->Calculated()) stop = false;
    SetTabStops(col, stop);
  }
}

void TvxCustomDBGrid::CalcRowHeight() {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  int h = c->TextHeight("W") + 2;
  if (options_.Contains(dgRowLines)) ++h;
  SetDefaultRowHeight(h * rowHeightPercent_ / 100);
  if (!options_.Contains(dgTitles)) return;
  c->SetFont(titleFont_.get());
  int title = c->TextHeight("W") * titleLines_ + 4;
  if (!options_.Contains(dgRowLines)) ++title;
  if (options_.Contains(dgIndicator) && indicatorButton_)
    title = std::max(title, indicatorButton_->Height()) + (options_.Contains(dgRowLines) ? -1 : 1);
  SetRowHeights(0, title);
}

void TvxCustomDBGrid::UpdateRowCount() {
  if (inRowCountUpdate_) return;
  TRestoreScope updating(inRowCountUpdate_, true);
  if (RowCount() <= titleOffset_) SetRowCount(titleOffset_ + 1);
  SetFixedRows(titleOffset_);
  if (dataLink_->Active() && dataLink_->RecordCount() > 0 && HandleAllocated()) {
    SetRowCount(1000);
    const int visible = std::max(1, VisibleRowCount());
    if (visible < dataLink_->BufferCount() && Row() >= visible + titleOffset_) {
      Invalidate();
      DoTopRowChanged();
    }
    dataLink_->SetBufferCount(visible);
    SetRowCount(dataLink_->RecordCount() + titleOffset_);
    UpdateActive();
  } else {
    SetRowCount(titleOffset_ + 1);
  }
}

void TvxCustomDBGrid::UpdateActive() {
  if (!dataLink_->Active() || !HandleAllocated()) return;
  int target = dataLink_->ActiveRecord() + titleOffset_;
  if (target != Row()) {
    if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
    if (target >= VisibleRowCount() + titleOffset_) {
      UpdateRowCount();
      target = VisibleRowCount() + titleOffset_ - 1;
    }
    target = std::clamp(target, titleOffset_, RowCount() - 1);
    MoveColRow(Col(), target, false, false);
  }
  TField* f = SelectedField();
  if (f && f->Text() != editText_) InvalidateEditor();
}

void TvxCustomDBGrid::TopLeftChanged() {
  // The rows are the records shown: they never scroll away.
  if (TopRow() != titleOffset_ && titleOffset_ < RowCount()) SetTopRow(titleOffset_);
  TCustomGrid::TopLeftChanged();
}

void TvxCustomDBGrid::LinkActive(bool Active) {
  if (!Active) HideEditor();
  LayoutChanged();
  UpdateScrollBar();
  if (Active) {
    anchorValid_ = false;
    anchor_ = TBookmark{};
  }
}

void TvxCustomDBGrid::DataChanged() {
  if (DataSource() && DataSource()->State() != dsInsert) appended_ = false;
  if (!HandleAllocated()) return;
  if (!keepControls_ && DataSource() && DataSource()->State() == dsBrowse) HideControls();
  UpdateRowCount();
  UpdateScrollBar();
  UpdateActive();
  InvalidateEditor();
  // Whatever was waiting to be repainted goes with the rest: all of it is new.
  InvalidateRect(Handle(), nullptr, false);
}

void TvxCustomDBGrid::EditingChanged() {
  if (DataSource() && DataSource()->State() != dsInsert) appended_ = false;
  if (options_.Contains(dgIndicator)) InvalidateIndicatorRow();
}

void TvxCustomDBGrid::InvalidateIndicatorRow() {
  if (!HandleAllocated()) return;
  if (indicatorRow_ >= 0 && indicatorRow_ < RowCount()) InvalidateCell(0, indicatorRow_);
  InvalidateCell(0, Row());
}

void TvxCustomDBGrid::RecordChanged(TField* Field) {
  if (!HandleAllocated()) return;
  int first = 0, last = ColCount() - 1;
  if (Field) {
    first = ColCount();
    for (int i = 0; i < GetFieldCount(); ++i)
      if (GetFields(i) == Field) {
        first = i + indicatorOffset_;
        break;
      }
    last = first;
  }
  if (first < ColCount()) InvalidateGridRect({first, Row(), last, Row()});
  TField* selected = SelectedField();
  if ((!Field || Field == selected) && selected && selected->Text() != editText_) InvalidateEditor();
}

void TvxCustomDBGrid::DoTopRowChanged() {
  if (OnTopRowChanged) OnTopRowChanged(this);
}

// ---- perfect fit and the last column

bool TvxCustomDBGrid::AllowPerfectFit() const {
  const TAlign a = Align();
  return (a == alNone || a == alLeft || a == alRight) && options_.Contains(dgPerfectRowFit) &&
         ComponentState().Contains(csDesigning) && !ComponentState().Contains(csLoading);
}

void TvxCustomDBGrid::DoPerfectFit() {
  const int bottom = CellRect(0, RowCount() - 1).Bottom + DefaultRowHeight() + 1;
  const bool bar = IsScrollBarVisible();
  const int margin = bar ? 5 : 4;
  if (bar) {
    const int hs = GetSystemMetrics(SM_CYHSCROLL);
    if (Height() < hs + bottom + DefaultRowHeight() + margin - 1) SetHeight(hs + bottom + margin - 1);
  } else if (Height() < DefaultRowHeight() + bottom + margin) {
    SetHeight(bottom + margin);
  }
}

bool TvxCustomDBGrid::IsScrollBarVisible() {
  const int line = options_.Contains(dgColLines) ? GridLineWidth() : 0;
  int sum = 0;
  for (int i = 0; i < ColCount(); ++i) sum += ColWidths(i) + line;
  sum += showVertScrollBar_ ? GetSystemMetrics(SM_CXVSCROLL) + 1 : 1;
  return sum > Width() && GetShowHorzScrollBar();
}

void TvxCustomDBGrid::SizeLastColumn() {
  {
    TRestoreScope layout(inLayout_, true);
    SetColumnAttributes();
  }
  const int line = GridLineWidth();
  int sum = showVertScrollBar_ ? GetSystemMetrics(SM_CXVSCROLL) + 5 : 0;
  if (options_.Contains(dgIndicator)) sum += ColWidths(0) + line;
  const int last = ColCount() - 1;
  for (int i = LeftCol(); i < last; ++i) sum += ColWidths(i) + line;
  if (sum > Width()) return;
  sum += ColWidths(last) + line;
  if (sum < Width()) SetColWidthsPixels(last, ColWidths(last) + Width() - sum);
}

void TvxCustomDBGrid::WMSize(TMessage& Message) {
  TCustomGrid::WMSize(Message);
  if (layoutLock_ != 0) return;
  HideControls();
  HideEditor();
  UpdateRowCount();
  UpdateScrollBar();
  if (AllowPerfectFit()) DoPerfectFit();
}

// ---------------------------------------------------------------- painting

bool TvxCustomDBGrid::HighlightCell(int, int DataRow, const std::string&, TGridDrawState State) {
  if (options_.Contains(dgMultiSelect)) return IsSelectedRow(DataRow);
  return State.Contains(gdSelected) && (options_.Contains(dgAlwaysShowSelection) || Focused());
}

bool TvxCustomDBGrid::IsVXControl(int, int) { return false; }

void TvxCustomDBGrid::DoCalcCellColors(TField* Field, TGridDrawState State, bool Highlight, TFont* AFont,
                                       TBrush* ABrush) {
  if (OnCalcCellColors) OnCalcCellColors(this, Field, State, Highlight, AFont, ABrush);
  whiteBrush_ = IsWhite(Canvas()->Brush()->Color());
}

void TvxCustomDBGrid::DoTitleButtonClick(const std::string& AFieldName) {
  if (OnTitleButtonClick) OnTitleButtonClick(this, AFieldName);
}

void TvxCustomDBGrid::DoCalcTitleAttributes(const std::string& AFieldName, TFont* AFont, TBrush* ABrush,
                                            TAlignment& ATitleAlignment) {
  if (OnCalcTitleAttributes) OnCalcTitleAttributes(this, AFieldName, AFont, ABrush, ATitleAlignment);
}

TColor TvxCustomDBGrid::CellColor(int) { return Color(); }

std::string TvxCustomDBGrid::GetFieldValue(int ACol) {
  TField* f = GetColField(ACol);
  return f ? f->DisplayText() : std::string();
}

void TvxCustomDBGrid::DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
  if (OnDrawDataCell) OnDrawDataCell(this, Rect, Field, State);
}

void TvxCustomDBGrid::DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState) {
  if (Field) WriteAlignedText(Canvas(), Rect, 2, Field->Alignment(), Field->DisplayText(), 2);
}

void TvxCustomDBGrid::DrawCellText(const TRect& R, int ACol, int ARow, const std::string& Text, TAlignment Alignment) {
  TCanvas* c = Canvas();
  const int pressed = ACol == pressedCol_ && ARow == pressedRow_ ? 1 : 0;
  const int indent = 3 + pressed;
  if (ARow >= titleOffset_) {
    // The wrapped writer leaves the cell as it was where there is no text.
    if (options_.Contains(dgWordWrap)) {
      c->FillRect(R);
      vxWriteTextLines(c, R, indent, Alignment, Text, 2 + pressed);
    } else {
      WriteAlignedText(c, R, indent, Alignment, Text, 2 + pressed);
    }
    return;
  }
  const int th = c->TextHeight("W");
  const std::vector<std::string> pieces = TitlePieces(Text);
  const int lines = titleLines_ == 1 ? 1 : static_cast<int>(pieces.size());
  const int top = static_cast<int>(RowHeights(0) / 2.0 - th * lines / 2.0);
  if (titleLines_ == 1) {
    WriteAlignedText(c, R, indent, Alignment, Text, top + pressed);
    return;
  }
  WriteAlignedText(c, R, indent, Alignment, pieces[0], top + pressed);
  for (std::size_t k = 1; k < pieces.size(); ++k) {
    TRect line = R;
    line.Top = std::min(R.Bottom, R.Top + top + static_cast<int>(k) * th - 1);
    WriteAlignedText(c, line, indent, Alignment, pieces[k], 1 + pressed);
  }
}

void TvxCustomDBGrid::DrawIndicator(const TRect& R) {
  TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
  const TBitmap* b = vxGridIndicatorBitmap(ds ? ds->State() : dsInactive);
  if (!b || b->Empty()) return;
  TCanvas* c = Canvas();
  const int x = (R.Left + R.Right - b->Width()) / 2 + 1;
  const int y = (R.Top + R.Bottom - b->Height()) / 2;
  if (indicatorColor_ == icYellow) {
    // A copy takes the colours: the shared picture stays black on white for
    // every other grid.
    TBitmap tinted;
    tinted.Assign(b);
    TCanvas* tc = tinted.Canvas();
    const TColor back = c->Brush()->Color();
    for (int py = 0; py < tinted.Height(); ++py)
      for (int px = 0; px < tinted.Width(); ++px) {
        const TColor p = ColorToRGB(tc->Pixels(px, py));
        if (p == ColorToRGB(clWhite)) tc->SetPixels(px, py, back);
        else if (p == ColorToRGB(clBlack)) tc->SetPixels(px, py, RGB(255, 255, 0));
      }
    c->SetCopyMode(SRCCOPY);
    c->Draw(x, y, &tinted);
  } else {
    c->SetCopyMode(SRCAND);
    c->Draw(x, y, b);
  }
  c->SetCopyMode(SRCCOPY);
}

void TvxCustomDBGrid::DrawTitleButton(const TRect& R, bool Pressed) {
  TCanvas* c = Canvas();
  TPen* pen = c->Pen();
  const TColor keep = pen->Color();
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    pen->SetColor(color);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  const int L = R.Left, T = R.Top, Rt = R.Right, B = R.Bottom;
  if (Pressed) {
    line(clBlack, L, T, L, B);
    line(clBlack, L, T, Rt, T);
    line(clGray, L + 1, T + 1, L + 1, B - 1);
    line(clGray, L + 1, B - 1, Rt, B - 1);
    line(clBtnHighlight, Rt, B - 1, Rt, T - 1);
  } else {
    line(clGray, L, T, L, B - 1);
    line(clGray, L, B - 1, Rt - 1, B - 1);
    line(clGray, Rt - 1, B - 1, Rt - 1, T);
    line(clBtnHighlight, L, T, L, B);
    line(clBtnHighlight, L + 1, T, Rt - 1, T);
    line(clBtnShadow, L, B - 1, Rt, B - 1);
  }
  pen->SetColor(keep);
}

void TvxCustomDBGrid::DrawCell(int ACol, int ARow, const TRect& R, TGridDrawState State) {
  whiteBrush_ = focusDrawn_ = linesDone_ = false;
  TCanvas* c = Canvas();
  const bool fixed = State.Contains(gdFixed);
  c->SetFont(fixed ? titleFont_.get() : Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(fixed ? titleColor_ : Color());
  if (DrawControlTypeCell(ACol, ARow, R, State)) return;
  const int dataRow = options_.Contains(dgTitles) ? ARow - 1 : ARow;
  const int dataCol = options_.Contains(dgIndicator) ? ACol - 1 : ACol;
  if (dataRow < 0) {
    TAlignment align = titleAlignment_;
    std::string title;
    TField* f = dataCol >= 0 ? GetColField(dataCol) : nullptr;
    if (f) {
      if (dataCol == 0 && options_.Contains(dgIndicator) && indicatorButton_ && indicatorButton_->Visible())
        indicatorButton_->Invalidate();
      title = f->DisplayLabel();
      std::vector<std::string> parts;
      if (!useTFields_ && FindSelectedLine(f->FieldName(), parts) && parts.size() >= 3) title = parts[2];
      DoCalcTitleAttributes(f->FieldName(), c->Font(), c->Brush(), align);
    }
    DrawCellText(R, ACol, ARow, title, align);
    if (f && titleButtons_) {
      linesDone_ = true;
      DrawTitleButton(R, ACol == pressedCol_ && ARow == pressedRow_);
    }
  } else if (!dataLink_->Active()) {
    c->FillRect(R);
  } else if (dataCol < 0) {
    c->FillRect(R);
    if (dataRow == dataLink_->ActiveRecord()) {
      DrawIndicator(R);
      indicatorRow_ = titleOffset_ + dataRow;
    }
  } else {
    TvxActiveRecordScope record(dataLink_.get(), dataRow);
    paintRow_ = dataRow;
    paintCol_ = dataCol;
    TField* f = GetColField(dataCol);
    const std::string text = dataRow < dataLink_->RecordCount() ? GetFieldValue(dataCol) : std::string();
    const bool highlight = HighlightCell(dataCol, dataRow, text, State);
    if (highlight) {
      c->Brush()->SetColor(clHighlight);
      c->Font()->SetColor(clHighlightText);
    }
    DoCalcCellColors(f, State, highlight, c->Font(), c->Brush());
    const TAlignment align = f ? f->Alignment() : taLeftJustify;
    if (defaultDrawing_) DrawCellText(R, ACol, ARow, text, align);
    DrawDataCell(R, f, State);
    if (defaultDrawing_ && highlight && !ComponentState().Contains(csDesigning) && !options_.Contains(dgRowSelect) &&
        IsActiveControl()) {
      c->DrawFocusRect(R);
      focusDrawn_ = true;
    }
  }
  if (!linesDone_) Draw3DLines(R, ACol, ARow, State);
}

void TvxCustomDBGrid::PaintControlBackground(int ACol, int ARow, const TRect& R, TGridDrawState State,
                                             bool& Highlight) {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(State.Contains(gdFixed) ? titleColor_ : Color());
  paintRow_ = ARow - titleOffset_;
  paintCol_ = ACol - indicatorOffset_;
  TField* f = GetColField(paintCol_);
  Highlight = HighlightCell(paintCol_, paintRow_, std::string(), State);
  if (Highlight) {
    c->Brush()->SetColor(clHighlight);
    c->Font()->SetColor(clHighlightText);
  }
  DoCalcCellColors(f, State, Highlight, c->Font(), c->Brush());
  c->FillRect(R);
  if (Highlight && !ComponentState().Contains(csDesigning) && IsActiveControl() && !options_.Contains(dgRowSelect)) {
    c->DrawFocusRect(R);
    focusDrawn_ = true;
  }
}

bool TvxCustomDBGrid::DrawControlTypeCell(int ACol, int ARow, const TRect& R, TGridDrawState State) {
  if (!IsValidCell(ACol, ARow)) return false;
  const int dataCol = ACol - indicatorOffset_, dataRow = ARow - titleOffset_;
  TField* f = GetColField(dataCol);
  if (!f || dataRow >= dataLink_->RecordCount()) return false;
  std::string type, params;
  vxDataSet_GetControl(DataSource()->DataSet(), f->FieldName(), type, params);
  if (type == "CheckBox") {
    const std::vector<std::string> values = Split(params, ';');
    const std::string checked = values[0], unchecked = values.size() > 1 ? values[1] : std::string();
    TvxActiveRecordScope record(dataLink_.get(), dataRow);
    const std::string value = f->Calculated() && Lower(f->FieldName()) == "selected"
                                  ? (IsSelected() ? checked : unchecked)
                                  : GetFieldValue(dataCol);
    bool highlight = false;
    PaintControlBackground(ACol, ARow, R, State, highlight);
    const int left = (R.Left + R.Right - 10) / 2, top = (R.Top + R.Bottom - 10) / 2;
    DrawCheckBox(Rect(left, top, left + 10, top + 10), ACol, ARow, vxEqualStr(value, checked));
  } else if (type == "Bitmap") {
    const int active = dataLink_->ActiveRecord();
    TvxActiveRecordScope record(dataLink_.get(), dataRow);
    DrawBitmapCell(ACol, ARow, f, params, R, State, active);
  } else {
    return false;
  }
  Draw3DLines(R, ACol, ARow, State);
  return true;
}

void TvxCustomDBGrid::LoadBitmapFromBlob(TField* Field, TBitmap* Bitmap) {
  Bitmap->Clear();
  TDataSet* ds = Field ? Field->DataSet() : nullptr;
  if (!ds) return;
  try {
    std::unique_ptr<TStream> s = ds->CreateBlobStream(Field, bmRead);
    const std::int64_t size = s->Size();
    if (size >= 8) {
      std::uint16_t a = 0, b = 0;
      std::uint32_t n = 0;
      s->ReadBuffer(&a, 2);
      s->ReadBuffer(&b, 2);
      s->ReadBuffer(&n, 4);
      // A graphic field's own header goes; any other first bytes are the picture's.
      if (!(a == 1 && b == 0x0100 && static_cast<std::int64_t>(n) == size - 8)) s->SetPosition(0);
    }
    Bitmap->LoadFromStream(*s);
  } catch (const Exception&) {
    Bitmap->Clear();
  }
}

void TvxCustomDBGrid::DrawBitmapCell(int ACol, int ARow, TField* Field, const std::string& Params, const TRect& R,
                                     TGridDrawState State, int ActiveRecord) {
  bool highlight = false;
  auto background = [&] { PaintControlBackground(ACol, ARow, R, State, highlight); };
  TDataSet* ds = DataSource()->DataSet();
  TField* source = Field;
  TBitmap picture;
  if (Field->Lookup()) {
    TDataSet* lookup = Field->LookupDataSet();
    TField* key = ds->FindField(Field->KeyFields());
    if (!lookup || !key) return background();
    // The search moves the lookup dataset's cursor: it goes back where it
    // was, so that controls on that dataset do not change record on a repaint.
    const TBookmark keep = lookup->GetBookmark();
    TScopeExit back([&] {
      if (!keep.IsNull() && lookup->BookmarkValid(keep)) lookup->GotoBookmark(keep);
    });
    if (!vxDataSetFindRecord(lookup, key->Text(), Field->LookupKeyFields(), mtExactMatch, false)) return background();
    source = lookup->FindField(Field->LookupResultField());
    if (!source) return background();
    LoadBitmapFromBlob(source, &picture);
  } else if (Field->Calculated()) {
    std::string key;
    if (!vxDataSetLookupDisplayField(Field, key, source) || !source) return background();
    LoadBitmapFromBlob(source, &picture);
  } else if (!(ds->State() == dsInsert && ARow - titleOffset_ == ActiveRecord)) {
    // Only the record being inserted has no picture yet; the others keep theirs.
    LoadBitmapFromBlob(source, &picture);
  }
  if (picture.Width() < 1 || picture.Height() < 1) return background();

  const std::vector<std::string> parts = Split(Params, ';');
  const std::string fit = parts[0], mode = parts.size() > 1 ? parts[1] : std::string();
  static const std::pair<const char*, TCopyMode> kModes[] = {
      {"Source Copy", SRCCOPY},          {"Source Paint", SRCPAINT}, {"Source And", SRCAND},
      {"Source Invert", SRCINVERT},      {"Source Erase", SRCERASE}, {"Not Source Copy", NOTSRCCOPY},
      {"Not Source Erase", NOTSRCERASE}, {"Merge Paint", MERGEPAINT}};
  TCopyMode copy = SRCCOPY;
  for (const auto& [name, value] : kModes)
    if (mode == name) copy = value;
  TCanvas* c = Canvas();
  const TCopyMode keepMode = c->CopyMode();
  TScopeExit restore([&] { c->SetCopyMode(keepMode); });
  c->SetCopyMode(SRCCOPY);
  background();
  c->SetCopyMode(copy);
  const int w = R.Width(), h = R.Height(), bw = picture.Width(), bh = picture.Height();
  TCanvas* src = picture.Canvas();
  if (fit == "Original Size") {
    const int cw = std::min(bw, w - 1), ch = std::min(bh, h - 1);
    if (cw > 0 && ch > 0)
      c->CopyRect(Rect(R.Left + 1, R.Top + 1, R.Left + 1 + cw, R.Top + 1 + ch), src, Rect(0, 0, cw, ch));
  } else if (fit == "Stretch To Fit") {
    c->CopyRect(R, src, Rect(0, 0, bw, bh));
  } else if (fit == "Fit Height") {
    int width = static_cast<int>(static_cast<std::int64_t>(bw) * h / bh);
    int srcW = bw;
    if (width > w) {
      srcW = width > 0 ? static_cast<int>(static_cast<std::int64_t>(bw) * w / width) : bw;
      width = w;
    }
    if (width > 2 && h > 2)
      c->CopyRect(Rect(R.Left + 1, R.Top, R.Left + width, R.Top + h - 1), src, Rect(0, 0, srcW, bh));
  } else if (fit == "Fit Width") {
    int height = static_cast<int>(static_cast<std::int64_t>(w) * bh / bw);
    int srcH = bh;
    if (height > h) {
      srcH = height > 0 ? static_cast<int>(static_cast<std::int64_t>(bh) * h / height) : bh;
      height = h;
    }
    if (w > 2 && height > 2)
      c->CopyRect(Rect(R.Left + 1, R.Top, R.Left + w, R.Top + height - 1), src, Rect(0, 0, bw, srcH));
  }
  if (highlight) {
    c->SetCopyMode(SRCCOPY);
    const TColor keep = c->Brush()->Color();
    c->Brush()->SetColor(clHighlight);
    c->FrameRect(R);
    c->Brush()->SetColor(keep);
    linesDone_ = true;
  }
}

void TvxCustomDBGrid::DrawCheckBox(const TRect& Rect, int, int, bool Checked) {
  const TvxCheckBoxInGridStyle style = vxInternational()->CheckBoxInGridStyle();
  // The framework always has the newer visual style, where Auto means check marks.
  if (style == cbStyleCheckmark || style == cbStyleAuto) return DrawCheckBox_Checkmark(Rect, Checked);
  TBitmap* scratch = Shared().Scratch.get();
  if (scratch->Width() < ClientWidth() || scratch->Height() < ClientHeight())
    scratch->SetSize(ClientWidth() + 2, ClientHeight() + 2);
  TCanvas* s = scratch->Canvas();
  const int L = Rect.Left, T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
  s->Brush()->SetStyle(bsSolid);
  s->Brush()->SetColor(clWindow);
  s->FillRect(Rect);
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    s->Pen()->SetColor(color);
    s->MoveTo(x1, y1);
    s->LineTo(x2, y2);
  };
  line(clBlack, R - 1, T, L, T);
  line(clBlack, L, T, L, B);
  line(clGrayText, L + 1, B - 1, R - 1, B - 1);
  line(clGrayText, R - 1, B - 1, R - 1, T);
  line(clWhite, L - 1, B, R, B);
  line(clWhite, R, B, R, T - 1);
  line(clGray, L - 1, B, L - 1, T - 1);
  line(clGray, L - 1, T - 1, R + 1, T - 1);
  if (Checked) {
    line(clBlack, R - 2, T + 2, L + 1, B - 1);
    line(clBlack, R - 3, T + 2, L + 1, B - 2);
    line(clBlack, R - 2, T + 3, L + 2, B - 1);
    line(clBlack, L + 2, T + 2, R - 1, B - 1);
    line(clBlack, L + 3, T + 2, R - 2, B - 1);
    line(clBlack, L + 2, T + 3, R - 1, B - 2);
  }
  const TRect box = fw::Rect(L - 1, T - 1, R + 2, B + 2);
  Canvas()->SetCopyMode(SRCCOPY);
  Canvas()->CopyRect(box, s, box);
}

void TvxCustomDBGrid::DrawCheckBox_Checkmark(const TRect& Rect, bool Checked) {
  TBitmap* scratch = Shared().Scratch.get();
  if (scratch->Width() < ClientWidth() + 2 || scratch->Height() < ClientHeight() + 2)
    scratch->SetSize(ClientWidth() + 2, ClientHeight() + 2);
  TCanvas* s = scratch->Canvas();
  const int L = Rect.Left, T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
  s->Brush()->SetStyle(bsSolid);
  s->Brush()->SetColor(clWindow);
  s->FillRect(Rect);
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    s->Pen()->SetColor(color);
    s->MoveTo(x1, y1);
    s->LineTo(x2, y2);
  };
  line(clBlack, R - 1, T, L, T);
  line(clBlack, L, T, L, B);
  line(clGrayText, L + 1, B - 1, R - 1, B - 1);
  line(clGrayText, R - 1, B - 1, R - 1, T);
  line(clWhite, L - 1, B, R, B);
  line(clWhite, R, B, R, T - 1);
  line(clGray, L - 1, B, L - 1, T - 1);
  line(clGray, L - 1, T - 1, R + 1, T - 1);
  if (Checked) {
    for (int i = 0; i <= 2; ++i) line(clBlack, L + i + 2, T + i + 4, L + i + 2, B + i - 3);
    for (int i = 0; i <= 3; ++i) line(clBlack, L + i + 5, T - i + 5, L + i + 5, B - i - 2);
  }
  const TRect box = fw::Rect(L - 1, T - 1, R + 2, B + 2);
  Canvas()->SetCopyMode(SRCCOPY);
  Canvas()->CopyRect(box, s, box);
}

void TvxCustomDBGrid::Draw3DLines(const TRect& R, int ACol, int ARow, TGridDrawState State) {
  if (linesDone_) return;
  linesDone_ = true;
  TCanvas* c = Canvas();
  const bool fixed = State.Contains(gdFixed);
  const bool whiteGrid = IsWhite(Color());
  if (!fixed && whiteGrid) {
    if (whiteBrush_) return;
    if (HighlightCell(ACol - indicatorOffset_, ARow - titleOffset_, std::string(), State) &&
        ColorToRGB(c->Brush()->Color()) == ColorToRGB(clHighlight))
      return;
  }
  if (!Ctl3D() && !fixed) return;
  const TColor dark = fixed ? clBlack : clBtnShadow;
  TPen* pen = c->Pen();
  const TColor keepColor = pen->Color();
  const int keepWidth = pen->Width();
  TScopeExit restore([&] {
    pen->SetColor(keepColor);
    pen->SetWidth(keepWidth);
  });
  pen->SetWidth(1);
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    pen->SetColor(color);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  const bool rowLines = options_.Contains(dgRowLines);
  const int L = R.Left, T = R.Top, Rt = R.Right - 1, B = R.Bottom - 1;
  if (options_.Contains(dgColLines)) {
    if (!rowLines) {
      line(clBtnHighlight, L, T, L, B + 1);
      if (!fixed) line(clBtnShadow, Rt, T, Rt, B + 1);
    } else if (whiteBrush_) {
      line(clBtnHighlight, L, T, L, B + 1);
    } else {
      if (!focusDrawn_) line(clBtnHighlight, L, T, L, B + 1);
      line(dark, Rt, T, Rt, B + 1);
    }
  }
  if (whiteGrid && ARow < titleOffset_ && !rowLines) line(clBlack, L, B - 1, Rt + 1, B - 1);
  if (rowLines) {
    if (whiteBrush_) {
      line(clBtnHighlight, L, T, Rt + 1, T);
    } else {
      if (!focusDrawn_) line(clBtnHighlight, L, T, Rt + 1, T);
      line(dark, L, B, Rt + 1, B);
    }
  } else if (ARow < titleOffset_) {
    line(clBtnHighlight, L, T, Rt + 1, T);
  } else if (ACol == 0 && ARow == titleOffset_ && indicatorButton_ && options_.Contains(dgIndicator)) {
    line(clBtnHighlight, L, T, Rt + 1, T);
    line(clBtnShadow, L, T - 1, Rt + 1, T - 1);
  }
}

// ---------------------------------------------------------------- editing hooks

TInplaceEdit* TvxCustomDBGrid::CreateEditor() { return new TvxInplaceEdit(this); }

bool TvxCustomDBGrid::CanEditShow() {
  if (tabWrap_ || !TCustomGrid::CanEditShow() || !dataLink_->Active()) return false;
  TField* f = SelectedField();
  return f && !IsMemoField(Col(), Row()) && !IsVXControl(Col(), Row());
}

bool TvxCustomDBGrid::CanEditAcceptKey(TChar Key) {
  TField* f = SelectedField();
  return dataLink_->Active() && GetFieldCount() > 0 && f && f->IsValidChar(Key);
}

bool TvxCustomDBGrid::CanEditModify() {
  if (readOnly_ || !dataLink_->Active() || dataLink_->ReadOnly() || GetFieldCount() == 0) return false;
  TField* f = SelectedField();
  if (!f) return false;
  if (!f->CanModify() && !(editCalculated_ && vxisNonPhysicalField(f) && !f->ReadOnly())) return false;
  dataLink_->Edit();
  if (!dataLink_->Editing()) return false;
  dataLink_->Modified();
  return true;
}

int TvxCustomDBGrid::GetEditLimit() {
  TField* f = SelectedField();
  return dynamic_cast<TStringField*>(f) ? f->Size() : 0;
}

std::string TvxCustomDBGrid::GetEditMask(int ACol, int) {
  TField* f = GetColField(ACol - indicatorOffset_);
  return f ? f->EditMask() : std::string();
}

std::string TvxCustomDBGrid::GetEditText(int ACol, int) {
  TField* f = GetColField(ACol - indicatorOffset_);
  editText_ = f ? f->Text() : std::string();
  return editText_;
}

void TvxCustomDBGrid::SetEditText(int, int, const std::string& Value) { editText_ = Value; }

void TvxCustomDBGrid::UpdateData() {
  if (TField* f = SelectedField()) f->SetText(editText_);
}

void TvxCustomDBGrid::Edit() {
  if (!readOnly_) dataLink_->Edit();
}

// ---------------------------------------------------------------- moving

void TvxCustomDBGrid::ColEnter() {
  if (OnColEnter) OnColEnter(this);
}

void TvxCustomDBGrid::ColExit() {
  if (OnColExit) OnColExit(this);
}

void TvxCustomDBGrid::MoveCol(int DataCol) {
  auto* editor = dynamic_cast<TvxInplaceEdit*>(InplaceEditor());
  if (editor && editor->HavePictureMask() && dataLink_->IsModified() && !editor->IsValidPictureValue(editor->Text()) &&
      !editor->Picture()->AllowInvalidExit()) {
    editor->SelectAll();
    if (editor->Visible() && editor->CanFocus()) editor->SetFocus();
    dataLink_->Modified();
    TDataSet* ds = dataLink_->DataSet();
    if (TvxInvalidValueEvent handler = vxGetOnInvalidValue(ds)) {
      handler(ds, SelectedField());
      return;
    }
    MessageBeep(0);
    throw EInvalidOperation(LoadStr(vxsInvalidInputValue));
  }
  dataLink_->UpdateData();
  DataCol = std::min(DataCol, GetFieldCount() - 1);
  DataCol = std::max({DataCol, 0, FixedCols() - indicatorOffset_});
  if (DataCol == SelectedIndex()) return;
  if (!inColExit_) {
    const int before = SelectedIndex();
    {
      TRestoreScope exiting(inColExit_, true);
      ColExit();
    }
    if (SelectedIndex() != before) return;
  }
  HideEditor();
  if (!tabWrap_ && options_.Contains(dgAlwaysShowEditor) && !IsVXControl(DataCol + indicatorOffset_, Row())) {
    HideControls();
    MoveColRow(DataCol + indicatorOffset_, Row(), true, true);
    if (!IsMemoField(Col(), Row())) ShowEditor();
  } else {
    MoveColRow(DataCol + indicatorOffset_, Row(), true, true);
  }
  ColEnter();
}

bool TvxCustomDBGrid::UntouchedInsert() const {
  TDataSet* ds = dataLink_->DataSet();
  return ds && ds->State() == dsInsert && !ds->Modified() && !dataLink_->IsModified();
}

bool TvxCustomDBGrid::AtEnd() const {
  TDataSet* ds = dataLink_->DataSet();
  return ds->Eof() || (appended_ && ds->State() == dsInsert);
}

void TvxCustomDBGrid::NextRecord() {
  TDataSet* ds = dataLink_->DataSet();
  if (UntouchedInsert()) {
    if (AtEnd()) return;
    ds->Cancel();
  } else if (ds->Eof() && dataLink_->ActiveRecord() >= 0 && dataLink_->ActiveRecord() < dataLink_->RecordCount() - 1 &&
             ds->State() != dsInsert) {
    dataLink_->SetActiveRecord(dataLink_->ActiveRecord() + 1);
  } else {
    ds->Next();
  }
  if (ds->Eof() && ds->CanModify() && options_.Contains(dgEditing) && keyOptions_.Contains(dgAllowInsert) &&
      !readOnly_) {
    HideControls();
    ds->Append();
    appended_ = true;
  }
}

void TvxCustomDBGrid::PriorRecord() {
  TDataSet* ds = dataLink_->DataSet();
  if (UntouchedInsert() && AtEnd()) ds->Cancel();
  else if (ds->Bof() && dataLink_->ActiveRecord() > 0) dataLink_->SetActiveRecord(dataLink_->ActiveRecord() - 1);
  else ds->Prior();
}

void TvxCustomDBGrid::TabMove(bool Forward) {
  const int count = GetFieldCount();
  // Without columns there is nowhere to stop: the walk would never end.
  if (count == 0) return;
  const int start = SelectedIndex();
  int i = start;
  for (;;) {
    i += Forward ? 1 : -1;
    if (i >= count) {
      HideControls();
      if (start != 0 && TabStops(indicatorOffset_)) tabWrap_ = true;
      NextRecord();
      i = 0;
    } else if (i < 0) {
      HideControls();
      if (start != count - 1 && TabStops(count - 1 + indicatorOffset_)) tabWrap_ = true;
      PriorRecord();
      i = count - 1;
    }
    if (i == start) break;
    if (TabStops(i + indicatorOffset_)) {
      tabWrap_ = false;
      MoveCol(i);
      break;
    }
    tabWrap_ = false;
  }
  tabWrap_ = false;
}

void TvxCustomDBGrid::DeleteRecord() {
  TDataSet* ds = dataLink_->DataSet();
  if (!keyOptions_.Contains(dgAllowDelete) || readOnly_ || !ds->CanModify() || !options_.Contains(dgEditing)) return;
  if (options_.Contains(dgConfirmDelete) && MessageDlg(LoadStr(vxsDeleteRecord), mtConfirmation, mbOKCancel, 0) != mrOk)
    return;
  ds->Delete();
  HideEditor();
}

void TvxCustomDBGrid::KeyDown(Word& Key, TShiftState Shift) {
  // The platform grid's own moves are by rows; these are by records.
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0 || !dataLink_->Active() || !CanGridAcceptKey(Key, Shift)) return;
  TDataSet* ds = dataLink_->DataSet();
  const bool rowSelect = options_.Contains(dgRowSelect);
  if (Shift.Contains(ssCtrl)) {
    switch (Key) {
      case VK_PRIOR:
      case VK_UP: ds->MoveBy(-dataLink_->ActiveRecord()); break;
      case VK_NEXT:
      case VK_DOWN: ds->MoveBy(dataLink_->BufferCount() - dataLink_->ActiveRecord() - 1); break;
      case VK_END: ds->Last(); break;
      case VK_HOME: ds->First(); break;
      case VK_LEFT: MoveCol(0); break;
      case VK_RIGHT: MoveCol(ds->FieldCount() - 1); break;
      case VK_DELETE:
        DeleteRecord();
        Key = 0;
        break;
      default: break;
    }
    return;
  }
  const bool byRecord = ds->FieldCount() == 1 || rowSelect;
  switch (Key) {
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) TabMove(!Shift.Contains(ssShift));
      break;
    case VK_RETURN:
      if (keyOptions_.Contains(dgEnterToTab)) TabMove(!Shift.Contains(ssShift));
      break;
    case VK_ESCAPE:
      dataLink_->Reset();
      if (!options_.Contains(dgAlwaysShowEditor)) {
        HideEditor();
      } else if (OnCheckValue) {
        if (auto* e = dynamic_cast<TvxInplaceEdit*>(InplaceEditor())) e->IsValidPictureValue(e->Text());
      }
      break;
    case VK_PRIOR: ds->MoveBy(-VisibleRowCount()); break;
    case VK_NEXT: ds->MoveBy(VisibleRowCount()); break;
    case VK_END:
      if (byRecord) ds->Last();
      else MoveCol(ds->FieldCount() - 1);
      break;
    case VK_HOME:
      if (byRecord) ds->First();
      else MoveCol(0);
      break;
    case VK_LEFT:
      if (rowSelect) PriorRecord();
      else MoveCol(SelectedIndex() - 1);
      break;
    case VK_UP: PriorRecord(); break;
    case VK_RIGHT:
      if (rowSelect) NextRecord();
      else MoveCol(SelectedIndex() + 1);
      break;
    case VK_DOWN: NextRecord(); break;
    case VK_INSERT:
      if (!readOnly_ && options_.Contains(dgEditing) && keyOptions_.Contains(dgAllowInsert)) ds->Insert();
      break;
    case VK_F2:
      if (TField* f = SelectedField(); f && !f->IsBlob() && !IsVXControl(Col(), Row())) SetEditorMode(true);
      break;
    default: break;
  }
}

void TvxCustomDBGrid::KeyPress(TChar& Key) {
  if (Key == 13 && keyOptions_.Contains(dgEnterToTab)) Key = 9;
  if (Key == 13 && !options_.Contains(dgAlwaysShowEditor)) dataLink_->UpdateData();
  TCustomGrid::KeyPress(Key);
}

// ---------------------------------------------------------------- scrolling

void TvxCustomDBGrid::UpdateScrollBar() {
  if (!showVertScrollBar_ || !dataLink_->Active() || !HandleAllocated()) {
    if (HandleAllocated()) SetScrollRange(Handle(), SB_VERT, 0, 0);
    return;
  }
  TDataSet* ds = dataLink_->DataSet();
  int max = 4, pos = 2;
  if (ds->IsSequenced()) {
    max = 200;
    const std::int64_t count = std::max(2, ds->RecordCount());
    if (ds->Bof()) pos = 0;
    else if (ds->Eof()) pos = 200;
    else pos = static_cast<int>((static_cast<std::int64_t>(ds->RecNo()) - 1) * 200 / (count - 1));
  } else {
    pos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
  }
  int min = 0, oldMax = 0;
  GetScrollRange(Handle(), SB_VERT, &min, &oldMax);
  if (oldMax != max) SetScrollRange(Handle(), SB_VERT, 0, max);
  if (GetScrollPos(Handle(), SB_VERT) != pos) SetScrollPos(Handle(), SB_VERT, pos);
}

void TvxCustomDBGrid::WMVScroll(TMessage& Message) {
  if (!AcquireFocus() || !dataLink_->Active()) return;
  TDataSet* ds = dataLink_->DataSet();
  const int page = VisibleRowCount();
  const int pos = Message.ScrollPos();
  switch (Message.ScrollCode()) {
    case SB_LINEUP: PriorRecord(); break;
    case SB_LINEDOWN:
      if (UntouchedInsert()) {
        if (!AtEnd()) ds->Cancel();
      } else if (ds->Eof() && dataLink_->ActiveRecord() >= 0 &&
                 dataLink_->ActiveRecord() < dataLink_->RecordCount() - 1 && ds->State() != dsInsert) {
        dataLink_->SetActiveRecord(dataLink_->ActiveRecord() + 1);
      } else {
        ds->Next();
      }
      break;
    case SB_PAGEUP: ds->MoveBy(-page); break;
    case SB_PAGEDOWN: ds->MoveBy(page); break;
    case SB_THUMBPOSITION:
      if (ds->IsSequenced()) {
        if (pos <= 0) {
          ds->First();
        } else if (pos >= 200) {
          ds->Last();
        } else {
          ds->CheckBrowseMode();
          ds->SetRecNo(static_cast<int>(static_cast<std::int64_t>(ds->RecordCount()) * pos / 200 + 1));
        }
      } else {
        switch (pos) {
          case 0: ds->First(); break;
          case 1: ds->MoveBy(-page); break;
          case 3: ds->MoveBy(page); break;
          case 4: ds->Last(); break;
          default: break;
        }
      }
      break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    default: return;
  }
  UpdateScrollBar();
}

void TvxCustomDBGrid::Scroll(int Distance) {
  if (!HandleAllocated()) return;
  const TRect oldRow = BoxRect({0, Row(), ColCount() - 1, Row()});
  UpdateScrollBar();
  UpdateActive();
  InvalidateRect(Handle(), &oldRow, false);
  InvalidateRow(Row());
  HideEditor();
  if (Distance != 0) {
    HideControls();
    bool whole = false;
    if (std::abs(Distance) > VisibleRowCount()) {
      Invalidate();
      whole = true;
    } else {
      const TRect client = ClientRect();
      TRect rows = BoxRect({FixedCols(), titleOffset_, ColCount() - 1, RowCount() - 1});
      rows.Left = 0;
      rows.Right = client.Right;
      rows.Bottom = client.Bottom;
      const int pitch = DefaultRowHeight() + (options_.Contains(dgRowLines) ? GridLineWidth() : 0);
      if (!IsRectEmpty(rows)) ScrollWindow(Handle(), 0, -pitch * Distance, &rows, &rows);
      if (options_.Contains(dgIndicator)) InvalidateIndicatorRow();
      InvalidateRow(Row());
    }
    if (options_.Contains(dgAlwaysShowEditor) && !IsVXControl(Col(), Row()) && !IsMemoField(Col(), Row())) ShowEditor();
    if (whole) return;
  }
  if (!tabWrap_ && Visible()) Update();
  if (Distance != 0) DoTopRowChanged();
}

void TvxCustomDBGrid::TimedScroll(TGridScrollDirection Direction) {
  if (!dataLink_->Active()) return;
  TDataSet* ds = dataLink_->DataSet();
  if (Direction.Contains(sdUp)) ds->MoveBy(-dataLink_->ActiveRecord() - 1);
  else if (Direction.Contains(sdDown)) ds->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord());
  else TCustomGrid::TimedScroll(Direction);
}

// ---------------------------------------------------------------- mouse and focus

bool TvxCustomDBGrid::AcquireFocus() {
  if (!acquireFocus_ || !CanFocus() || ComponentState().Contains(csDesigning)) return true;
  if (!Focused() && !(InplaceEditor() && InplaceEditor()->Focused())) SetFocus();
  return Focused() || (InplaceEditor() && InplaceEditor()->Focused());
}

void TvxCustomDBGrid::PressTitleButton(TMouseButton Button, int X, int Y) {
  if (!titleButtons_ || Button != mbLeft || ComponentState().Contains(csDesigning)) return;
  const TGridCoord cell = MouseCoord(X, Y);
  if (cell.Y < 0 || cell.Y >= titleOffset_) return;
  pressedCol_ = cell.X;
  pressedRow_ = cell.Y;
  InvalidateCell(cell.X, cell.Y);
}

void TvxCustomDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  if (!AcquireFocus() || !*alive) return;
  auto pressEvent = [&] {
    if (!OnMouseDown) return;
    Repaint();
    OnMouseDown(this, Button, Shift, X, Y);
  };
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    DblClick();
    return;
  }
  if (InSizingZone(X, Y)) {
    dataLink_->UpdateData();
    TCustomGrid::MouseDown(Button, Shift, X, Y);
    return;
  }
  const TGridCoord cell = MouseCoord(X, Y);
  if (cell.Y < 0) return pressEvent();
  if (cell.Y < titleOffset_) {
    PressTitleButton(Button, X, Y);
    if (ComponentState().Contains(csDesigning) || options_.Contains(dgColumnResize)) {
      // The platform's column drag raises the press event itself.
      TCustomGrid::MouseDown(Button, Shift, X, Y);
      return;
    }
    return pressEvent();
  }
  if (!dataLink_->Active()) return pressEvent();
  if (cell.X == Col() && cell.Y == Row() && !IsVXControl(cell.X, cell.Y) && !IsMemoField(cell.X, cell.Y)) {
    ShowEditor();
  } else {
    if (cell.Y != Row()) tabWrap_ = true;
    {
      TScopeExit clear([this] { tabWrap_ = false; });
      if (cell.X >= FixedCols()) MoveCol(cell.X - indicatorOffset_);
    }
    if (!*alive) return;
    dataLink_->DataSet()->MoveBy(cell.Y - Row());
  }
  if (!*alive) return;
  if (options_.Contains(dgMultiSelect) && !IsSelectedCheckbox(cell.X)) {
    if (Shift.Contains(ssCtrl) || Shift.Contains(ssShift)) {
      if (IsSelected()) UnselectRecord();
      else SelectRecord();
    } else if (multiSelectOptions_.Contains(msoAutoUnselect) && Button == mbLeft) {
      UnselectAll();
      SelectRecord();
    }
  }
  if (options_.Contains(dgMultiSelect) && multiSelectOptions_.Contains(msoShiftSelect) &&
      (Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || multiSelectOptions_.Contains(msoAutoUnselect))) {
    anchorValid_ = true;
    dataLink_->DataSet()->CheckBrowseMode();
    anchor_ = dataLink_->DataSet()->GetBookmark();
  }
  pressEvent();
}

void TvxCustomDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  TCustomGrid::MouseUp(Button, Shift, X, Y);
  if (!*alive || pressedCol_ < 0) return;
  const int col = pressedCol_, row = pressedRow_;
  pressedCol_ = -1;
  InvalidateCell(col, row);
  const TGridCoord cell = MouseCoord(X, Y);
  if (cell.X == col && cell.Y == row && Y >= 0)
    if (TField* f = GetColField(col - indicatorOffset_)) DoTitleButtonClick(f->FieldName());
  pressedRow_ = -1;
}

void TvxCustomDBGrid::DoExit() {
  if (dataLink_->Active()) {
    // A value the record refuses keeps the focus here.
    TScopeFail keepFocus([this] { SetFocus(); });
    if (options_.Contains(dgCancelOnExit) && UntouchedInsert() && AllowCancelOnExit()) dataLink_->DataSet()->Cancel();
    else dataLink_->UpdateData();
  }
  TCustomGrid::DoExit();
}

// ---------------------------------------------------------------- columns moved and sized

void TvxCustomDBGrid::ColumnMoved(int FromIndex, int ToIndex) {
  const int from = FromIndex - indicatorOffset_, to = ToIndex - indicatorOffset_;
  if (!useTFields_) {
    if (from >= 0 && to >= 0 && from < selected_->Count() && to < selected_->Count()) {
      const std::string line = selected_->Strings(from);
      selected_->Delete(from);
      selected_->Insert(to, line);
    }
    LayoutChanged();
  } else if (dataLink_->Active() && GetFieldCount() > 0) {
    TField* a = GetFields(from);
    TField* b = GetFields(to);
    if (a && b) a->SetIndex(b->Index());
  }
  if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TvxCustomDBGrid::ColWidthsChanged() {
  TCustomGrid::ColWidthsChanged();
  if (inLayout_ || !updateFields_ || !dataLink_->Active() || !HandleAllocated()) return;
  {
    ++layoutLock_;
    TScopeExit unlock([this] { --layoutLock_; });
    TCanvas* c = Canvas();
    c->SetFont(Font());
    // Some fonts measure "0" as nothing; one pixel keeps the division sound.
    const int cw = std::max(1, c->TextWidth("0"));
    auto chars = [&](int col) { return (ColWidths(col) + cw / 2 - 3) / cw; };
    if (useTFields_) {
      for (int i = 0; i < GetFieldCount() && i + indicatorOffset_ < ColCount(); ++i)
        if (TField* f = GetFields(i)) f->SetDisplayWidth(chars(i + indicatorOffset_));
    } else {
      TStringList old;
      old.Assign(selected_.get());
      for (int i = 0; i < old.Count() && i + indicatorOffset_ < ColCount(); ++i) {
        const std::vector<std::string> parts = SelectedParts(old.Strings(i));
        std::string line = parts[0] + "\t" + IntToStr(chars(i + indicatorOffset_));
        if (parts.size() > 2) line += "\t" + parts[2];
        selected_->SetStrings(i, line);
      }
    }
  }
  LayoutChanged();
}

// ---------------------------------------------------------------- TvxInplaceEdit

FW_IMPLEMENT_CLASS(TvxInplaceEdit)

TvxInplaceEdit::TvxInplaceEdit(TComponent* AOwner)
    : TInplaceEdit(AOwner), picture_(std::make_unique<TvxDBPicture>(this)) {
  if (auto* g = dynamic_cast<TvxCustomDBGrid*>(AOwner)) wordWrap_ = g->Options().Contains(dgWordWrap);
}

TvxInplaceEdit::~TvxInplaceEdit() = default;

TvxCustomDBGrid* TvxInplaceEdit::DBGrid() const { return dynamic_cast<TvxCustomDBGrid*>(Grid()); }

void TvxInplaceEdit::SetWordWrap(bool Value) {
  if (Value == wordWrap_) return;
  wordWrap_ = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TvxInplaceEdit::CreateParams(TCreateParams& Params) {
  TInplaceEdit::CreateParams(Params);
  Params.Style &= ~(ES_WANTRETURN | ES_AUTOVSCROLL);
  if (BorderStyle() == bsNone || wordWrap_) Params.Style |= ES_MULTILINE;
  if (wordWrap_) Params.Style = (Params.Style | ES_AUTOVSCROLL) & ~ES_AUTOHSCROLL;
}

bool TvxInplaceEdit::HavePictureMask() const { return useInGridEditor_ && !picture_->PictureMask().empty(); }

bool TvxInplaceEdit::IsValidPictureValue(const std::string& S) {
  bool valid = true;
  if (!S.empty() && HavePictureMask()) {
    std::string s = S;
    valid = TvxPictureValidator(picture_->PictureMask(), false).Picture(s, false) == prComplete;
  }
  if (TvxCustomDBGrid* g = DBGrid(); g && g->OnCheckValue) g->OnCheckValue(this, valid);
  return valid;
}

void TvxInplaceEdit::LoadPicture() {
  TvxCustomDBGrid* g = DBGrid();
  TDataSet* ds = g && g->DataSource() ? g->DataSource()->DataSet() : nullptr;
  TField* f = g ? g->SelectedField() : nullptr;
  if (!ds || !f) return;
  std::string mask;
  bool autoFill = false;
  vxPictureByField(ds, f->FieldName(), true, mask, autoFill, useInGridEditor_);
  picture_->SetOwnValues(mask, autoFill, false);
  IsValidPictureValue(f->Text());
}

void TvxInplaceEdit::DoEnter() {
  TInplaceEdit::DoEnter();
  LoadPicture();
}

void TvxInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  TvxCustomDBGrid* g = DBGrid();
  if (g &&
      ((Key == VK_RETURN && g->KeyOptions().Contains(dgEnterToTab)) || (Key == VK_DELETE && Shift.Contains(ssCtrl)))) {
    auto alive = LifeToken();
    if (g->CanFocus()) g->SetFocus();
    g->KeyDown(Key, Shift);
    Key = 0;
    if (*alive) Invalidate();
    return;
  }
  TInplaceEdit::KeyDown(Key, Shift);
}

void TvxInplaceEdit::KeyUp(Word& Key, TShiftState Shift) {
  TvxCustomDBGrid* g = DBGrid();
  if (g && Key == VK_RETURN && g->KeyOptions().Contains(dgEnterToTab)) Key = VK_TAB;
  const Word key = Key;
  TInplaceEdit::KeyUp(Key, Shift);
  if (key == VK_DELETE && g && g->OnCheckValue) IsValidPictureValue(Text());
}

void TvxInplaceEdit::KeyPress(TChar& Key) {
  TvxCustomDBGrid* g = DBGrid();
  if (g && Key == 13 && g->KeyOptions().Contains(dgEnterToTab)) Key = 9;
  auto alive = LifeToken();
  const TChar typed = Key;
  // The picture decides about printable keys; the platform only whether the
  // cell may change at all.
  if (!HavePictureMask() || typed < 32) {
    TInplaceEdit::KeyPress(Key);
    if (!*alive || !HavePictureMask() || typed != 8 || Key == 0) return;
    if (g && g->OnCheckValue) {
      TChars t = Utf8ToChars(Text());
      const int caret = std::clamp(SelStart(), 0, static_cast<int>(t.size()));
      if (caret > 0) t.erase(static_cast<std::size_t>(caret - 1), 1);
      IsValidPictureValue(CharsToUtf8(t));
    }
    return;
  }
  if (g && !g->CanEditAcceptKey(Key)) {
    Key = 0;
    MessageBeep(0);
    return;
  }
  if (g && !g->CanEditModify()) {
    Key = 0;
    return;
  }
  const TChars text = Utf8ToChars(Text());
  const int oldLen = static_cast<int>(text.size());
  const int caret = std::clamp(SelStart(), 0, oldLen);
  const int selLen = std::clamp(SelLength(), 0, oldLen - caret);
  TChars prospective = text.substr(0, static_cast<std::size_t>(caret));
  prospective += Key;
  prospective += text.substr(static_cast<std::size_t>(caret + selLen));
  const int proLen = static_cast<int>(prospective.size());
  if (MaxLength() > 0 && proLen > MaxLength() && proLen > oldLen) {
    Key = 0;
    return;
  }
  std::string s = CharsToUtf8(prospective);
  const bool autoFill = picture_->AutoFill();
  const TvxPicResult result = TvxPictureValidator(picture_->PictureMask(), autoFill).Picture(s, autoFill);
  const bool allSelected = oldLen > 0 && selLen >= oldLen;
  auto check = [&](bool valid) {
    if (g && g->OnCheckValue) g->OnCheckValue(this, valid);
  };
  switch (result) {
    case prComplete:
    case prIncomplete: {
      const int newLen = static_cast<int>(Utf8ToChars(s).size());
      const int growth = newLen - oldLen;
      SetText(s);
      if (g) g->SetEditText(g->Col(), g->Row(), Text());
      int at = caret + growth;
      if (allSelected) at = newLen;
      else if (result == prComplete && growth <= 0) at = caret + 1;
      SetSelStart(std::clamp(at, 0, newLen));
      SetSelLength(0);
      Key = 0;
      check(result == prComplete);
      break;
    }
    case prError:
      if (caret + selLen < oldLen) {
        TInplaceEdit::KeyPress(Key);
        check(false);
      } else {
        Key = 0;
        MessageBeep(0);
      }
      break;
    default:
      TInplaceEdit::KeyPress(Key);
      check(true);
      break;
  }
}

void TvxInplaceEdit::WMPaste(TMessage& Message) {
  TInplaceEdit::WMPaste(Message);
  if (TvxCustomDBGrid* g = DBGrid()) {
    g->Edit();
    g->DataLink()->Modified();
  }
}

void TvxInplaceEdit::FontChanged() {
  TInplaceEdit::FontChanged();
  TRect r = BorderStyle() == bsNone ? Rect(2, 2, ClientWidth() - 1, ClientHeight())
                                    : Rect(0, 0, ClientWidth() - 1, ClientHeight());
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

}  // namespace vx

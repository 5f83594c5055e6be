#include "DBGrids.h"

#include <algorithm>

#include "Dialogs.h"
#include "Forms.h"
#include "Scope.h"
#include "Text.h"

namespace fw {

namespace {

constexpr int kIndicatorWidth = 11;

TDBGridOptions DefaultDBGridOptions() {
  return {dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
          dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
}

}  // namespace

// ---------------------------------------------------------------- the data link

// Hands the dataset's events to the grid and keeps whether the edited text
// of the current cell is still to go into its field.
class TDBGrid::TGridDataLink : public TDataLink {
public:
  explicit TGridDataLink(TDBGrid* grid) : grid_(grid) {}
  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }
  // Esc: the cell's change goes first, then the record's.
  void Reset() {
    if (modified_) RecordChanged(nullptr);
    else if (DataSet()) DataSet()->Cancel();
  }

protected:
  void ActiveChanged() override { grid_->LinkActive(Active()); }
  void DataSetChanged() override {
    grid_->DataChanged();
    modified_ = false;
  }
  void DataSetScrolled(int Distance) override { grid_->Scroll(Distance); }
  void EditingChanged() override { grid_->EditingChanged(); }
  void LayoutChanged() override {
    grid_->LayoutChanged();
    TDataLink::LayoutChanged();
  }
  void RecordChanged(TField* Field) override {
    grid_->RecordChanged(Field);
    modified_ = false;
  }
  void UpdateData() override {
    if (modified_) grid_->UpdateData();
    modified_ = false;
  }

private:
  TDBGrid* grid_;
  bool modified_ = false;
};

// ---------------------------------------------------------------- columns

FW_IMPLEMENT_CLASS(TColumnTitle)

std::string TColumnTitle::Caption() const {
  if (assigned_) return caption_;
  TField* f = column_->Field();
  return f ? f->DisplayLabel() : column_->FieldName();
}

void TColumnTitle::SetCaption(const std::string& v) {
  caption_ = v;
  assigned_ = true;
  column_->Changed(false);
}

void TColumnTitle::RestoreDefaults() {
  assigned_ = false;
  caption_.clear();
}

void TColumnTitle::Assign(const TPersistent* Source) {
  auto* t = dynamic_cast<const TColumnTitle*>(Source);
  if (!t) return TPersistent::Assign(Source);
  caption_ = t->caption_;
  assigned_ = t->assigned_;
  column_->Changed(false);
}

TPersistent* TColumnTitle::GetOwner() const { return column_; }

FW_PUBLISH(TColumn) {
  c.Property("FieldName", &TColumn::FieldName, &TColumn::SetFieldName);
  c.Property("ReadOnly", &TColumn::ReadOnly, &TColumn::SetReadOnly);
  c.Property("Title", &TColumn::Title, &TColumn::SetTitle);
  c.Property("Width", &TColumn::Width, &TColumn::SetWidth);
}

// The collection hears of the new column once the column is whole.
TColumn::TColumn(TCollection* Collection) : TCollectionItem(nullptr), title_(std::make_unique<TColumnTitle>(this)) {
  SetCollection(Collection);
}

TColumn::~TColumn() = default;

TDBGrid* TColumn::Grid() const {
  auto* c = dynamic_cast<TDBGridColumns*>(Collection());
  return c ? c->Grid() : nullptr;
}

void TColumn::SetFieldName(const std::string& v) {
  if (v == fieldName_) return;
  fieldName_ = v;
  Changed(false);
}

TField* TColumn::Field() const {
  TDBGrid* g = Grid();
  TDataSet* ds = g && g->DataSource() ? g->DataSource()->DataSet() : nullptr;
  return ds && !fieldName_.empty() ? ds->FindField(fieldName_) : nullptr;
}

int TColumn::DefaultWidth() const {
  TDBGrid* g = Grid();
  TField* f = Field();
  if (!g || !f) return 64;
  TCanvas* c = g->Canvas();
  c->SetFont(g->Font());
  int w = f->DisplayWidth() * c->TextWidth("0") + 4;
  if (g->Options().Contains(dgTitles)) w = std::max(w, c->TextWidth(title_->Caption()) + 4);
  return w;
}

int TColumn::Width() const { return widthSet_ ? width_ : DefaultWidth(); }

void TColumn::SetWidth(int v) {
  v = std::max(v, 0);
  if (widthSet_ && v == width_) return;
  width_ = v;
  widthSet_ = true;
  Changed(false);
}

bool TColumn::ReadOnly() const {
  if (readOnlySet_) return readOnly_;
  TField* f = Field();
  return f && (f->ReadOnly() || f->Calculated() || f->Lookup());
}

void TColumn::SetReadOnly(bool v) {
  readOnly_ = v;
  readOnlySet_ = true;
  Changed(false);
}

TAlignment TColumn::Alignment() const {
  if (alignmentSet_) return alignment_;
  TField* f = Field();
  return f ? f->Alignment() : taLeftJustify;
}

void TColumn::SetAlignment(TAlignment v) {
  alignment_ = v;
  alignmentSet_ = true;
  Changed(false);
}

void TColumn::RestoreDefaults() {
  widthSet_ = readOnlySet_ = alignmentSet_ = false;
  title_->RestoreDefaults();
  Changed(false);
}

void TColumn::Assign(const TPersistent* Source) {
  auto* c = dynamic_cast<const TColumn*>(Source);
  if (!c) return TCollectionItem::Assign(Source);
  fieldName_ = c->fieldName_;
  width_ = c->width_;
  widthSet_ = c->widthSet_;
  readOnly_ = c->readOnly_;
  readOnlySet_ = c->readOnlySet_;
  alignment_ = c->alignment_;
  alignmentSet_ = c->alignmentSet_;
  title_->Assign(c->title_.get());
}

std::string TColumn::DisplayName() const { return fieldName_.empty() ? ClassName() : fieldName_; }

FW_IMPLEMENT_CLASS(TDBGridColumns)

TDBGridColumns::TDBGridColumns(TDBGrid* Grid) : TCollection(TColumn::StaticClass()), grid_(Grid) {}

TPersistent* TDBGridColumns::GetOwner() const { return grid_; }

TCollectionItem* TDBGridColumns::CreateItem() { return new TColumn(this); }

void TDBGridColumns::Update(TCollectionItem*) {
  if (building_) return;
  // Columns changed from outside are the user's from now on.
  state_ = csCustomized;
  grid_->LayoutChanged();
}

void TDBGridColumns::SetState(TDBGridColumnsState v) {
  if (v == state_) return;
  state_ = v;
  if (v == csDefault) {
    {
      TRestoreScope building(building_, true);
      Clear();
    }
    RebuildColumns();
  }
  grid_->LayoutChanged();
}

void TDBGridColumns::RestoreDefaults() {
  {
    TRestoreScope building(building_, true);
    for (int i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
  }
  grid_->LayoutChanged();
}

void TDBGridColumns::RebuildColumns() {
  TDataSet* ds = grid_->DataSource() ? grid_->DataSource()->DataSet() : nullptr;
  TRestoreScope building(building_, true);
  std::vector<std::pair<std::string, int>> widths;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->widthSet_) widths.emplace_back(Items(i)->FieldName(), Items(i)->width_);
  Clear();
  if (!ds) return;
  for (int i = 0; i < ds->FieldCount(); ++i) {
    TField* f = ds->Fields(i);
    if (!f->Visible()) continue;
    TColumn* c = Add();
    c->fieldName_ = f->FieldName();
    for (auto& [name, w] : widths)
      if (SameText(name, c->fieldName_)) {
        c->width_ = w;
        c->widthSet_ = true;
      }
  }
}

// ---------------------------------------------------------------- the grid

FW_PUBLISH(TDBGrid) {
  c.Property("BorderStyle", &TDBGrid::BorderStyle, &TDBGrid::SetBorderStyle).Default(bsSingle);
  c.Property("Columns", &TDBGrid::Columns, &TDBGrid::SetColumns);
  c.Property("DataSource", &TDBGrid::DataSource, &TDBGrid::SetDataSource);
  c.Property("DefaultDrawing", &TDBGrid::DefaultDrawing, &TDBGrid::SetDefaultDrawing).Default(true);
  c.Property("FixedColor", &TDBGrid::FixedColor, &TDBGrid::SetFixedColor).SetTypeName("TColor");
  c.Property("Options", &TDBGrid::Options, &TDBGrid::SetOptions)
      .Default(static_cast<std::int64_t>(DefaultDBGridOptions().ToBits()));
  c.Property("ReadOnly", &TDBGrid::ReadOnly, &TDBGrid::SetReadOnly).Default(false);
  c.Property("ScrollBars", &TDBGrid::ScrollBars, &TDBGrid::SetScrollBars).Default(ssBoth);
  c.Event("OnColEnter", &TDBGrid::OnColEnter);
  c.Event("OnColExit", &TDBGrid::OnColExit);
}

TDBGrid::TDBGrid(TComponent* AOwner)
    : TCustomGrid(AOwner),
      dataLink_(std::make_unique<TGridDataLink>(this)),
      columns_(std::make_unique<TDBGridColumns>(this)) {
  dbOptions_ = TDBGridOptions::FromBits(0);
  SetOptions(DefaultDBGridOptions());
  SetColCount(2);
  SetRowCount(2);
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::BeforeDestruction() {
  // The link lets go while the grid is whole: its leaving is an event.
  dataLink_->SetDataSource(nullptr);
  TCustomGrid::BeforeDestruction();
}

TDataSource* TDBGrid::DataSource() const { return dataLink_->DataSource(); }

void TDBGrid::SetDataSource(TDataSource* v) {
  if (v == DataSource()) return;
  dataLink_->SetDataSource(v);
  if (v) v->FreeNotification(this);
  LinkActive(dataLink_->Active());
}

void TDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomGrid::Notification(AComponent, Operation);
  if (Operation == opRemove && dataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBGrid::SetOptions(TDBGridOptions v) {
  if (v == dbOptions_) return;
  dbOptions_ = v;
  TGridOptions g;
  if (v.Contains(dgColLines)) g += TGridOptions{goFixedVertLine, goVertLine};
  if (v.Contains(dgRowLines)) g += TGridOptions{goFixedHorzLine, goHorzLine};
  if (v.Contains(dgColumnResize)) g += TGridOptions{goColSizing, goColMoving};
  if (v.Contains(dgTabs)) g.Include(goTabs);
  if (v.Contains(dgRowSelect)) g.Include(goRowSelect);
  else if (v.Contains(dgEditing)) g.Include(goEditing);
  TCustomGrid::SetOptions(g);
  LayoutChanged();
}

void TDBGrid::SetReadOnly(bool v) {
  if (v == readOnly_) return;
  readOnly_ = v;
  if (v) HideEditor();
  LayoutChanged();
}

bool TDBGrid::CanEditGrid() const { return dbOptions_.Contains(dgEditing) && !readOnly_; }

void TDBGrid::Loaded() {
  TCustomGrid::Loaded();
  LayoutChanged();
}

void TDBGrid::CreateWnd() {
  TCustomGrid::CreateWnd();
  LayoutChanged();
  UpdateScrollBar();
}

void TDBGrid::FontChanged() {
  TCustomGrid::FontChanged();
  LayoutChanged();
}

// ---- layout

TField* TDBGrid::GetColField(int DataCol) const {
  if (DataCol < 0 || DataCol >= columns_->Count() || !dataLink_->Active()) return nullptr;
  return columns_->Items(DataCol)->Field();
}

int TDBGrid::SelectedIndex() const { return Col() - indicatorOffset_; }

void TDBGrid::SetSelectedIndex(int v) { MoveCol(v); }

TField* TDBGrid::SelectedField() const { return GetColField(SelectedIndex()); }

void TDBGrid::SetSelectedField(TField* v) {
  if (!v) return;
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->Items(i)->Field() == v) return MoveCol(i);
}

void TDBGrid::LayoutChanged() {
  if (layoutLock_ > 0 || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  ++layoutLock_;
  TScopeExit unlock([this] { --layoutLock_; });
  titleOffset_ = dbOptions_.Contains(dgTitles) ? 1 : 0;
  indicatorOffset_ = dbOptions_.Contains(dgIndicator) ? 1 : 0;
  if (columns_->State() == csDefault) columns_->RebuildColumns();
  int dataCols = std::max(1, columns_->Count());
  if (FixedCols() >= indicatorOffset_ + dataCols) SetFixedCols(0);
  SetColCount(indicatorOffset_ + dataCols);
  SetFixedCols(indicatorOffset_);
  if (indicatorOffset_) {
    SetColWidths(0, kIndicatorWidth);
    SetTabStops(0, false);
  }
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumn* c = columns_->Items(i);
    TField* f = c->Field();
    SetColWidths(i + indicatorOffset_, c->Width());
    SetTabStops(i + indicatorOffset_, f && !c->ReadOnly() && f->CanModify());
  }
  // A row is a line of text with a little room, and its line.
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  SetDefaultRowHeight(canvas->TextHeight("Wg") + 4);
  if (SelectedIndex() < 0) MoveColRow(indicatorOffset_, Row(), true, false);
  UpdateRowCount();
  InvalidateGrid();
}

void TDBGrid::UpdateRowCount() {
  if (inRowCountUpdate_) return;
  TRestoreScope updating(inRowCountUpdate_, true);
  if (RowCount() <= titleOffset_) SetRowCount(titleOffset_ + 1);
  SetFixedRows(titleOffset_);
  if (dataLink_->Active() && HandleAllocated()) {
    // As many records as rows fit.
    SetRowCount(1000);
    dataLink_->SetBufferCount(std::max(1, VisibleRowCount()));
    SetRowCount(std::max(1, dataLink_->RecordCount()) + titleOffset_);
    UpdateActive();
  } else {
    SetRowCount(titleOffset_ + 1);
  }
}

int TDBGrid::RowOfRecord() const { return dataLink_->ActiveRecord() + titleOffset_; }

void TDBGrid::UpdateActive() {
  if (!dataLink_->Active() || !HandleAllocated()) return;
  int row = std::min(RowOfRecord(), RowCount() - 1);
  if (row != Row()) {
    MoveColRow(Col(), row, false, false);
    InvalidateIndicator();
  }
  TField* f = SelectedField();
  if (f && EditorMode() && f->Text() != editText_) InvalidateEditor();
}

void TDBGrid::LinkActive(bool Active) {
  if (!Active) HideEditor();
  appended_ = false;
  LayoutChanged();
  UpdateScrollBar();
}

void TDBGrid::DataChanged() {
  if (!HandleAllocated()) return;
  if (DataSource() && DataSource()->State() != dsInsert) appended_ = false;
  UpdateRowCount();
  UpdateScrollBar();
  UpdateActive();
  InvalidateEditor();
  InvalidateGrid();
}

void TDBGrid::EditingChanged() {
  if (DataSource() && DataSource()->State() != dsInsert) appended_ = false;
  InvalidateIndicator();
}

void TDBGrid::RecordChanged(TField* Field) {
  if (!HandleAllocated()) return;
  InvalidateRow(Row());
  TField* selected = SelectedField();
  if ((!Field || Field == selected) && selected && selected->Text() != editText_) InvalidateEditor();
}

void TDBGrid::Scroll(int Distance) {
  if (!HandleAllocated()) return;
  int old = Row();
  UpdateScrollBar();
  UpdateActive();
  if (Distance != 0) {
    HideEditor();
    // The records moved under the rows: the rows that stay move their pixels.
    TRect client = ClientRect();
    TRect rows = BoxRect({0, titleOffset_, ColCount() - 1, RowCount() - 1});
    rows.Right = client.Right;
    rows.Bottom = client.Bottom;
    int pitch = DefaultRowHeight() + (dbOptions_.Contains(dgRowLines) ? GridLineWidth() : 0);
    if (std::abs(Distance) < VisibleRowCount() && !IsRectEmpty(rows)) {
      ScrollWindow(Handle(), 0, -pitch * Distance, &rows, &rows);
      InvalidateRow(std::clamp(old - Distance, titleOffset_, RowCount() - 1));
      InvalidateRow(Row());
      InvalidateIndicator();
    } else {
      InvalidateGrid();
    }
  }
}

void TDBGrid::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  TDataSet* ds = dataLink_->Active() ? dataLink_->DataSet() : nullptr;
  bool bar = ScrollBars() == ssVertical || ScrollBars() == ssBoth;
  if (!ds || !bar) {
    SetScrollRange(Handle(), SB_VERT, 0, 0);
    return;
  }
  TRect before = ClientRect();
  int max = 4, pos = 2;
  if (ds->IsSequenced()) {
    max = std::max(1, ds->RecordCount() - 1);
    int recNo = ds->State() == dsInsert ? -1 : ds->RecNo();
    pos = ds->Bof() ? 0 : ds->Eof() ? max : recNo > 0 ? recNo - 1 : GetScrollPos(Handle(), SB_VERT);
  } else {
    pos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
  }
  SetScrollRange(Handle(), SB_VERT, 0, max);
  if (GetScrollPos(Handle(), SB_VERT) != pos) SetScrollPos(Handle(), SB_VERT, pos);
  // The bar took or gave room: as many records as now fit.
  if (!(ClientRect() == before)) UpdateRowCount();
}

bool TDBGrid::OwnsScrollBar(int Bar) const { return Bar != SB_VERT; }

bool TDBGrid::CanSizeCol(int ACol) const { return ACol >= indicatorOffset_; }

void TDBGrid::WMSize(TMessage& Message) {
  TCustomGrid::WMSize(Message);
  if (layoutLock_ == 0) {
    HideEditor();
    UpdateRowCount();
    UpdateScrollBar();
  }
}

void TDBGrid::TopLeftChanged() {
  // The rows are the records shown: they never scroll away.
  if (TopRow() != titleOffset_ && titleOffset_ < RowCount()) SetTopRow(titleOffset_);
  TCustomGrid::TopLeftChanged();
}

// ---- columns moved and sized by the user

void TDBGrid::ColumnMoved(int FromIndex, int ToIndex) {
  int from = FromIndex - indicatorOffset_, to = ToIndex - indicatorOffset_;
  if (from < 0 || to < 0 || from >= columns_->Count() || to >= columns_->Count()) return;
  if (columns_->State() == csDefault) {
    // The fields move: the default columns follow their order.
    TField* a = columns_->Items(from)->Field();
    TField* b = columns_->Items(to)->Field();
    if (a && b) a->SetIndex(b->Index());
  } else {
    columns_->Items(from)->SetIndex(to);
  }
  LayoutChanged();
}

void TDBGrid::ColWidthsChanged() {
  if (layoutLock_ == 0) {
    TRestoreScope building(columns_->building_, true);
    for (int i = 0; i < columns_->Count() && i + indicatorOffset_ < ColCount(); ++i) {
      TColumn* c = columns_->Items(i);
      int w = ColWidths(i + indicatorOffset_);
      if (w != c->Width()) c->SetWidth(w);
    }
  }
  TCustomGrid::ColWidthsChanged();
}

// ---- painting

void TDBGrid::DrawIndicator(const TRect& R) {
  TDataSetState state = DataSource() ? DataSource()->State() : dsInactive;
  // An arrow for the current record, a text beam while it is edited, an
  // asterisk for a new one.
  TBitmap b;
  b.LoadFromResourceName(state == dsEdit ? "DBGRID_EDIT" : state == dsInsert ? "DBGRID_INSERT" : "DBGRID_ARROW");
  TCanvas* c = Canvas();
  // Black on white, ANDed on: the white takes the cell's colour.
  TScopeExit copy([c, keep = c->CopyMode()] { c->SetCopyMode(keep); });
  c->SetCopyMode(SRCAND);
  c->Draw((R.Left + R.Right - b.Width()) / 2, (R.Top + R.Bottom - b.Height()) / 2, &b);
}

void TDBGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  TCanvas* c = Canvas();
  int dataCol = ACol - indicatorOffset_;
  if (ARow < titleOffset_) {
    if (dataCol >= 0 && dataCol < columns_->Count())
      c->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, columns_->Items(dataCol)->Title()->Caption());
    return;
  }
  int record = ARow - titleOffset_;
  bool active = dataLink_->Active();
  if (dataCol < 0) {
    if (active && record == dataLink_->ActiveRecord()) DrawIndicator(ARect);
    return;
  }
  // The selection shows while the grid has the focus, or always with dgAlwaysShowSelection.
  bool highlight = AState.Contains(gdSelected) && (IsActiveControl() || dbOptions_.Contains(dgAlwaysShowSelection));
  c->Brush()->SetColor(highlight ? clHighlight : Color());
  c->Font()->SetColor(highlight ? clHighlightText : Font()->Color());
  if (DefaultDrawing()) c->FillRect(ARect);
  TField* f = active && dataCol < columns_->Count() ? columns_->Items(dataCol)->Field() : nullptr;
  if (!f || record >= dataLink_->RecordCount()) return;
  std::string text;
  {
    int keep = dataLink_->ActiveRecord();
    dataLink_->SetActiveRecord(record);
    TScopeExit back([&] { dataLink_->SetActiveRecord(keep); });
    text = f->DisplayText();
  }
  if (!DefaultDrawing()) return;
  TAlignment align = columns_->Items(dataCol)->Alignment();
  int x = ARect.Left + 2;
  if (align == taRightJustify) x = ARect.Right - 3 - c->TextWidth(text);
  else if (align == taCenter) x = (ARect.Left + ARect.Right - c->TextWidth(text)) / 2;
  c->TextRect(ARect, x, ARect.Top + 2, text);
}

void TDBGrid::InvalidateIndicator() {
  if (indicatorOffset_ && HandleAllocated()) InvalidateCol(0);
}

// ---- editing

bool TDBGrid::CanEditShow() {
  if (!TCustomGrid::CanEditShow() || !dataLink_->Active() || !CanEditGrid()) return false;
  TField* f = SelectedField();
  return f && !f->IsBlob();
}

bool TDBGrid::CanEditAcceptKey(TChar Key) {
  TField* f = SelectedField();
  return dataLink_->Active() && f && f->IsValidChar(Key);
}

bool TDBGrid::CanEditModify() {
  if (readOnly_ || !dataLink_->Active() || dataLink_->ReadOnly()) return false;
  TField* f = SelectedField();
  if (!f || !f->CanModify() || columns_->Items(SelectedIndex())->ReadOnly()) return false;
  dataLink_->Edit();
  if (!dataLink_->Editing()) return false;
  dataLink_->SetModified();
  return true;
}

int TDBGrid::GetEditLimit() {
  TField* f = SelectedField();
  return f && f->DataType() == ftString ? f->Size() : 0;
}

std::string TDBGrid::GetEditMask(int ACol, int) {
  TField* f = GetColField(ACol - indicatorOffset_);
  return f ? f->EditMask() : std::string();
}

std::string TDBGrid::GetEditText(int ACol, int) {
  TField* f = GetColField(ACol - indicatorOffset_);
  editText_ = f ? f->Text() : std::string();
  return editText_;
}

void TDBGrid::SetEditText(int, int, const std::string& Value) { editText_ = Value; }

void TDBGrid::UpdateData() {
  TField* f = SelectedField();
  if (f) f->SetText(editText_);
}

// ---- moving

void TDBGrid::ColEnter() {
  if (OnColEnter) OnColEnter(this);
}

void TDBGrid::ColExit() {
  if (OnColExit) OnColExit(this);
}

void TDBGrid::MoveCol(int DataCol) {
  dataLink_->UpdateRecord();
  DataCol = std::clamp(DataCol, 0, std::max(0, columns_->Count() - 1));
  if (DataCol == SelectedIndex()) return;
  if (!inColExit_) {
    int before = SelectedIndex();
    {
      TRestoreScope exiting(inColExit_, true);
      ColExit();
    }
    if (SelectedIndex() != before) return;  // the handler moved on itself
  }
  MoveColRow(DataCol + indicatorOffset_, Row(), true, true);
  ColEnter();
}

bool TDBGrid::UntouchedInsert() const {
  TDataSet* ds = dataLink_->DataSet();
  return ds && ds->State() == dsInsert && !ds->Modified() && !dataLink_->Modified();
}

void TDBGrid::NextRow(bool Append) {
  TDataSet* ds = dataLink_->DataSet();
  if (UntouchedInsert()) {
    // An appended record nothing was typed into stays until it is left upwards.
    if (appended_ || ds->Eof()) return;
    ds->Cancel();
  } else {
    ds->Next();
  }
  if (Append && ds->Eof() && ds->State() == dsBrowse && CanEditGrid() && ds->CanModify()) {
    ds->Append();
    appended_ = true;
  }
}

void TDBGrid::PriorRow() {
  TDataSet* ds = dataLink_->DataSet();
  if (UntouchedInsert() && (appended_ || ds->Eof())) ds->Cancel();
  else ds->Prior();
}

void TDBGrid::TabMove(bool Forward) {
  int count = columns_->Count();
  if (count == 0) return;
  int start = SelectedIndex(), i = start;
  for (;;) {
    i += Forward ? 1 : -1;
    if (i >= count) {
      if (!TabStops(indicatorOffset_) && start == 0) return;
      NextRow(true);
      i = 0;
    } else if (i < 0) {
      PriorRow();
      i = count - 1;
    }
    if (i == start) return;
    if (TabStops(i + indicatorOffset_)) return MoveCol(i);
  }
}

void TDBGrid::DeleteRecord() {
  TDataSet* ds = dataLink_->DataSet();
  if (!CanEditGrid() || !ds->CanModify() || ds->IsEmpty()) return;
  if (dbOptions_.Contains(dgConfirmDelete) &&
      MessageDlg("Delete record?", mtConfirmation, mbOKCancel, 0) != mrOk)
    return;
  ds->Delete();
  HideEditor();
}

void TDBGrid::KeyDown(Word& Key, TShiftState Shift) {
  // The grid's own movement is by records, not by rows.
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0 || !dataLink_->Active() || !CanGridAcceptKey(Key, Shift)) return;
  TDataSet* ds = dataLink_->DataSet();
  bool rowSelect = dbOptions_.Contains(dgRowSelect);
  int last = columns_->Count() - 1;
  if (Shift.Contains(ssCtrl)) {
    switch (Key) {
      case VK_UP:
      case VK_PRIOR: ds->MoveBy(-dataLink_->ActiveRecord()); break;
      case VK_DOWN:
      case VK_NEXT: ds->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord() - 1); break;
      case VK_HOME: ds->First(); break;
      case VK_END: ds->Last(); break;
      case VK_LEFT: MoveCol(0); break;
      case VK_RIGHT: MoveCol(last); break;
      case VK_DELETE:
        DeleteRecord();
        Key = 0;
        break;
      default: break;
    }
    return;
  }
  switch (Key) {
    case VK_UP: PriorRow(); break;
    case VK_DOWN: NextRow(true); break;
    case VK_LEFT:
      if (rowSelect) PriorRow();
      else MoveCol(SelectedIndex() - 1);
      break;
    case VK_RIGHT:
      if (rowSelect) NextRow(false);
      else MoveCol(SelectedIndex() + 1);
      break;
    case VK_PRIOR: ds->MoveBy(-std::max(1, VisibleRowCount())); break;
    case VK_NEXT: ds->MoveBy(std::max(1, VisibleRowCount())); break;
    case VK_HOME:
      if (rowSelect) ds->First();
      else MoveCol(0);
      break;
    case VK_END:
      if (rowSelect) ds->Last();
      else MoveCol(last);
      break;
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) TabMove(!Shift.Contains(ssShift));
      break;
    case VK_ESCAPE:
      dataLink_->Reset();
      HideEditor();
      break;
    case VK_INSERT:
      if (CanEditGrid() && ds->CanModify()) {
        ds->Insert();
        appended_ = false;
      }
      break;
    case VK_F2: SetEditorMode(true); break;
    default: break;
  }
}

void TDBGrid::KeyPress(TChar& Key) {
  // Enter puts the cell's text into the record before the editor closes.
  if (Key == 13 && EditorMode()) dataLink_->UpdateRecord();
  TCustomGrid::KeyPress(Key);
}

void TDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  if (CanFocus() && !IsActiveControl()) {
    SetFocus();
    if (!*alive || !IsActiveControl()) return;
  }
  TGridCoord cell = MouseCoord(X, Y);
  bool dataCell = Button == mbLeft && !Shift.Contains(ssDouble) && cell.Y >= titleOffset_ &&
                  dataLink_->Active() && !InSizingZone(X, Y);
  if (!dataCell) {
    if (Button == mbLeft && InSizingZone(X, Y)) dataLink_->UpdateRecord();
    return TCustomGrid::MouseDown(Button, Shift, X, Y);
  }
  if (cell.X == Col() && cell.Y == Row() && cell.X >= indicatorOffset_) {
    if (CanEditGrid()) ShowEditor();
  } else {
    if (cell.Y != Row()) dataLink_->DataSet()->MoveBy(cell.Y - Row());
    if (!*alive) return;
    if (cell.X >= indicatorOffset_) MoveCol(cell.X - indicatorOffset_);
  }
  if (!*alive) return;
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TDBGrid::DoExit() {
  if (dataLink_->Active()) {
    // A value the record refuses keeps the focus here.
    TScopeFail keepFocus([this] { SetFocus(); });
    if (dbOptions_.Contains(dgCancelOnExit) && UntouchedInsert()) dataLink_->DataSet()->Cancel();
    else dataLink_->UpdateRecord();
  }
  TCustomGrid::DoExit();
}

void TDBGrid::WMVScroll(TMessage& Message) {
  if (!dataLink_->Active()) return;
  TDataSet* ds = dataLink_->DataSet();
  int page = std::max(1, VisibleRowCount());
  switch (Message.ScrollCode()) {
    case SB_LINEUP: PriorRow(); break;
    case SB_LINEDOWN: NextRow(false); break;
    case SB_PAGEUP: ds->MoveBy(-page); break;
    case SB_PAGEDOWN: ds->MoveBy(page); break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    case SB_THUMBPOSITION: {
      int pos = Message.ScrollPos();
      int min = 0, max = 0;
      GetScrollRange(Handle(), SB_VERT, &min, &max);
      if (pos <= min) ds->First();
      else if (pos >= max) ds->Last();
      else if (ds->IsSequenced()) ds->SetRecNo(pos + 1);
      else if (pos == 1) ds->MoveBy(-page);
      else if (pos == 3) ds->MoveBy(page);
      break;
    }
    default: return;  // the thumb being dragged, the end of a scroll
  }
  UpdateScrollBar();
}

}  // namespace fw

#include "Vxdblook.h"

#include <algorithm>

#include "Bitmap.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "Format.h"
#include "Forms.h"
#include "Messages.h"
#include "Resources.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"
#include "Vxcommon.h"
#include "Vxconst.h"
#include "Vxintl.h"
#include "Vxquery.h"
#include "Vxstr.h"
#include "Vxtable.h"

namespace vx {

using namespace fw;

namespace {

std::vector<std::string> Split(const std::string& S, char Sep) {
  TStringList parts;
  strBreakApart(S, std::string(1, Sep), &parts);
  std::vector<std::string> out;
  for (int i = 0; i < parts.Count(); ++i) out.push_back(parts.Strings(i));
  return out;
}

std::vector<std::string> SplitNames(const std::string& Names) {
  std::vector<std::string> out;
  for (const std::string& s : Split(Names, ';')) out.push_back(Trim(s));
  return out;
}

// The field name of a Selected line: the text before its first TAB.
std::string SelectedFieldName(const std::string& Line) { return Split(Line, '\t')[0]; }

bool IsEditState(const TDataSet* DataSet) {
  return DataSet && (DataSet->State() == dsEdit || DataSet->State() == dsInsert);
}

bool ReadOnlyTable(TDataSet* DataSet) {
  auto* t = dynamic_cast<TTable*>(DataSet);
  return t && t->ReadOnly();
}

// The lookup-side (Lookup) or master-side fields of a LookupLinks line.
std::vector<std::string> LinkSide(const std::string& Links, bool Lookup) {
  std::vector<std::string> parts = SplitNames(Links), out;
  for (std::size_t i = Lookup ? 1 : 0; i < parts.size(); i += 2)
    if (!parts[i].empty()) out.push_back(parts[i]);
  return out;
}

void HideWindow(TWinControl* Control) {
  SetWindowPos(Control->Handle(), 0, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

bool IsNavigationKey(Word Key) {
  return Key == VK_PRIOR || Key == VK_NEXT || Key == VK_END || Key == VK_HOME || Key == VK_UP || Key == VK_DOWN;
}

}  // namespace

// ---------------------------------------------------------------- TvxDBLookupList

FW_PUBLISH(TvxDBLookupList) {
  c.Property("DataField", &TvxDBLookupList::DataField, &TvxDBLookupList::SetDataField);
  c.Property("DataSource", &TvxDBLookupList::DataSource, &TvxDBLookupList::SetDataSource);
  c.Property("LookupField", &TvxDBLookupList::LookupField, &TvxDBLookupList::SetLookupField);
  c.Property("LookupTable", &TvxDBLookupList::LookupTable, &TvxDBLookupList::SetLookupTable);
  c.Property("Options", &TvxDBLookupList::ListOptions, &TvxDBLookupList::SetListOptions);
  c.Property("ReadOnly", &TvxDBLookupList::ReadOnly, &TvxDBLookupList::SetReadOnly).Default(false);
  c.Property("Selected", &TvxDBLookupList::Selected, &TvxDBLookupList::SetSelected);
  c.Event("OnClick", &TvxDBLookupList::OnClick);
}

TvxDBLookupList::TvxDBLookupList(TComponent* AOwner)
    : TvxCustomDBGrid(AOwner), fieldLink_(std::make_unique<TFieldDataLink>()) {
  fieldLink_->SetControl(this);
  fieldLink_->OnDataChange = [this](TObject*) { FieldDataChange(); };
  fieldLink_->OnUpdateData = [this](TObject*) { FieldUpdateData(); };
  fieldLink_->OnActiveChange = [this](TObject*) {
    if (fieldLink_->Active() && lookupSource_ && lookupSource_->DataSet() && lookupSource_->DataSet()->Active())
      FieldDataChange();
  };
  lookupSource_ = new TDataSource(this);
  TvxCustomDBGrid::SetDataSource(lookupSource_);
  SetOptions(TvxDBGridOptions{dgRowSelect});
  SetFixedCols(0);
  SetFixedRows(0);
  SetBounds(Left(), Top(), 121, 97);
}

TvxDBLookupList::~TvxDBLookupList() {
  fieldLink_->OnDataChange = nullptr;
  fieldLink_->OnUpdateData = nullptr;
  fieldLink_->OnActiveChange = nullptr;
  fieldLink_->SetDataSource(nullptr);
}

TDataSet* TvxDBLookupList::LookupTable() const {
  TDataSource* s = TvxCustomDBGrid::DataSource();
  return s ? s->DataSet() : nullptr;
}

void TvxDBLookupList::SetLookupTable(TDataSet* Value) {
  if (!lookupSource_) {
    MessageDlg("Lookup Source is not created", mtError, {mbOK}, 0);
    return;
  }
  if (Value && DataSource() && Value == DataSource()->DataSet()) throw EInvalidOperation(LoadStr(vxsDuplicateSource));
  if (TvxCustomDBGrid::DataSource() != lookupSource_) TvxCustomDBGrid::SetDataSource(lookupSource_);
  lookupSource_->SetDataSet(Value);
  if (Value) Value->FreeNotification(this);
  NewLayout();
}

void TvxDBLookupList::SetLookupSource(TDataSource* Value) {
  if (Value && (Value == DataSource() || (Value->DataSet() && Value->DataSet() == fieldLink_->DataSet())))
    throw EInvalidOperation(LoadStr(vxsDuplicateSource));
  TvxCustomDBGrid::SetDataSource(Value ? Value : lookupSource_);
  NewLayout();
}

void TvxDBLookupList::SetDataSource(TDataSource* Value) {
  if (Value && (Value == LookupSource() || (Value->DataSet() && Value->DataSet() == LookupTable())))
    throw EInvalidOperation(LoadStr(vxsDuplicateSource));
  fieldLink_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TvxDBLookupList::SetDataField(const std::string& Value) {
  fieldLink_->SetFieldName(Value);
  InitFields(false);
}

void TvxDBLookupList::SetLookupField(const std::string& Value) {
  if (Value == lookupField_) return;
  lookupField_ = Value;
  NewLayout();
}

void TvxDBLookupList::SetListOptions(TvxDBLookupListOptions Value) {
  listOptions_ = Value;
  TvxDBGridOptions o{dgRowSelect};
  if (Value.Contains(loColLines)) o.Include(dgColLines);
  if (Value.Contains(loRowLines)) o.Include(dgRowLines);
  if (Value.Contains(loTitles)) o.Include(dgTitles);
  SetOptions(o);
}

void TvxDBLookupList::ClearValues() {
  for (std::string& v : value_) v.clear();
}

void TvxDBLookupList::NewLayout() {
  InitFields(true);
  LayoutChanged();
  ClearValues();
  FieldDataChange();
}

void TvxDBLookupList::InitFields(bool RaiseOnMissing) {
  std::fill(std::begin(keyFields_), std::end(keyFields_), nullptr);
  displayField_ = nullptr;
  keyCount_ = 0;
  TDataSet* ds = LookupTable();
  if (!ds || !ds->Active() || lookupField_.empty()) return;
  std::vector<std::string> names = SplitNames(lookupField_);
  TField* bound = combo_ ? combo_->Field() : nullptr;
  std::string links;
  if (combo_ && combo_->IsCalculated() && bound) {
    links = vxDataSetGetLinks(bound->DataSet(), bound->FieldName());
    if (!links.empty()) names = LinkSide(links, true);
  }
  // The keys end at the first one missing: a later one cannot stand in for it.
  for (std::size_t i = 0; i < names.size() && i < 3; ++i) {
    TField* f = ds->FindField(names[i]);
    if (!f) {
      if (i == 0 && RaiseOnMissing)
        throw EInvalidOperation(Format(LoadStr(vxsFieldNotFound), {std::string("Error"), lookupField_}));
      break;
    }
    keyFields_[i] = f;
    keyCount_ = static_cast<int>(i) + 1;
  }
  if (Selected()->Count() > 0) {
    displayField_ = ds->FindField(SelectedFieldName(Selected()->Strings(0)));
  } else if (!links.empty()) {
    displayField_ = ds->FindField(vxDataSetGetDisplayField(bound->DataSet(), bound->FieldName()));
  }
  if (!displayField_) displayField_ = keyFields_[0];
}

bool TvxDBLookupList::ValuesMatch() {
  for (int i = 0; i < 3; ++i)
    if (keyFields_[i] && keyFields_[i]->Text() != value_[i]) return false;
  return keyFields_[0] != nullptr;
}

void TvxDBLookupList::SetValue(const std::string& V) {
  if (!HandleAllocated() && Parent() && GetParentForm(this)) HandleNeeded();
  if (fieldLink_->Active() && DataLink()->Active() && fieldLink_->DataSet() == LookupTable())
    throw EInvalidOperation(LoadStr(vxsDuplicateSource));
  const bool titleRow = TitleOffset() > 0 && Row() == 0;
  if (V == value_[0] && !titleRow) return;
  if (!DataLink()->Active() || !keyFields_[0]) return;
  value_[0] = V;
  pickedRow_ = -1;
  if (nestedDataChange_ > 0 && combo_ && combo_->IsCalculated() && combo_->Field()) {
    displayValue_ = combo_->Field()->Text();
  } else if (keyFields_[0] == displayField_) {
    displayValue_ = V;
  } else if (!combo_ || combo_->Visible()) {
    DoLookup(false);
    displayValue_ = found_ && displayField_ ? displayField_->Text() : std::string();
  }
  Invalidate();
}

void TvxDBLookupList::SetDisplayValue(const std::string& V) {
  const bool titleRow = TitleOffset() > 0 && Row() == 0;
  if ((V == displayValue_ && !titleRow) || !DataLink()->Active() || !displayField_) return;
  pickedRow_ = -1;
  TDataSet* ds = LookupTable();
  auto* table = dynamic_cast<TvxTable*>(ds);
  const bool caseSensitive = combo_ && combo_->SeqSearchOptions().Contains(ssoCaseSensitive);
  const std::string field = displayField_->FieldName();
  bool found;
  if (combo_ && combo_->UseSeqSearch())
    found = combo_->FindRecord(V, field, mtExactMatch, caseSensitive);
  else if (table && table->MasterSource() && combo_)
    found = combo_->DoFindRecord(V, field, mtExactMatch);
  else if (table)
    found = table->vxFindRecord(V, field, mtExactMatch, caseSensitive);
  else
    found = vxDataSetFindRecord(ds, V, field, mtExactMatch, caseSensitive);
  if (combo_) {
    combo_->SetFound(found || combo_->LookupValue().empty());
    combo_->SetLastTypedText(V);
  }
  displayValue_ = V;
  if (keyFields_[0] == displayField_) {
    value_[0] = V;
  } else if (found) {
    value_[0] = keyFields_[0]->Text();
  } else {
    value_[0].clear();
    displayValue_.clear();
  }
  Invalidate();
}

void TvxDBLookupList::DoLookup(bool Settle) {
  found_ = false;
  if (!HandleAllocated() || !DataLink()->Active() || !keyFields_[0]) return;
  TDataSet* ds = LookupTable();
  if (!combo_) {
    // On its own, the list finds its value by the first key alone.
    found_ = !value_[0].empty() &&
             vxDataSetFindRecord(ds, value_[0], keyFields_[0]->FieldName(), mtExactMatch, true);
    return;
  }
  if (!combo_->Visible()) return;
  auto* table = dynamic_cast<TvxTable*>(ds);
  if (combo_->IsCalculated()) {
    TField* f = combo_->Field();
    std::vector<std::string> masters, lookups;
    if (f->Lookup()) {
      masters = SplitNames(f->KeyFields());
      lookups = SplitNames(f->LookupKeyFields());
    } else {
      const std::string links = vxDataSetGetLinks(f->DataSet(), f->FieldName());
      masters = LinkSide(links, false);
      lookups = LinkSide(links, true);
    }
    if (!masters.empty() && !lookups.empty()) {
      TField* master = f->DataSet()->FindField(masters.back());
      const std::string value = master ? master->Text() : std::string();
      const std::string field = lookups.back();
      if (table && !table->MasterSource()) combo_->UpdateSearchIndex(false);
      found_ = table ? combo_->DoFindRecord(value, field, mtExactMatch)
                     : combo_->FindRecord(value, field, mtExactMatch, false);
    }
    if (Settle) combo_->UpdateSearchIndex(true);
    if (found_) {
      for (int i = 0; i < 3; ++i) value_[i] = keyFields_[i] ? keyFields_[i]->Text() : std::string();
    } else {
      ds->First();
      ClearValues();
      Invalidate();
    }
    return;
  }
  if (!lookupField_.empty()) combo_->UpdateSearchIndex(false);
  if (ds->State() == dsSetKey) return;
  if (!combo_->DataSource() && keyFields_[0] == displayField_) {
    value_[0] = combo_->Text();
    displayValue_ = combo_->Text();
  }
  FastLookup();
  if (Settle) {
    combo_->SetFound(found_ || combo_->LookupValue().empty());
    combo_->SetLastTypedText(combo_->Text());
    combo_->UpdateSearchIndex(true);
    if (!found_) ds->First();
  }
}

void TvxDBLookupList::FastLookup() {
  found_ = false;
  if (!HandleAllocated() || !combo_ || !combo_->Visible() || lookupField_.empty() || !keyFields_[0]) return;
  const std::string value = combo_->Field() ? combo_->Field()->Text() : combo_->LookupValue();
  // No value, or none the key could hold (a text for a number): no record has it.
  if (value.empty() || !vxFieldIsValidValue(keyFields_[0], value)) return;
  TDataSet* ds = LookupTable();
  auto* table = dynamic_cast<TvxTable*>(ds);
  // Keys 2 and 3 come from the data fields of the same names.
  auto bound = [&](int i) {
    TDataSet* data = combo_->FieldLink()->DataSet();
    TField* f = data && keyFields_[i] ? data->FindField(keyFields_[i]->FieldName()) : nullptr;
    if (f) value_[i] = f->Text();
    return value_[i];
  };
  if (combo_->UseSeqSearch()) {
    found_ = combo_->FindRecord(value, keyFields_[0]->FieldName(), mtExactMatch,
                                combo_->SeqSearchOptions().Contains(ssoCaseSensitive));
  } else if (table && keyFields_[1]) {
    std::vector<Variant> keys{Variant(value), Variant(bound(1))};
    if (keyFields_[2]) keys.push_back(Variant(bound(2)));
    found_ = table->vxFindKey(keys);
  } else if (table && table->MasterSource()) {
    found_ = combo_->DoFindRecord(value, keyFields_[0]->FieldName(), mtExactMatch);
  } else if (table) {
    found_ = table->vxFindKey({Variant(value)});
  }
}

// ---- painting

bool TvxDBLookupList::HighlightCell(int, int DataRow, const std::string&, TGridDrawState) {
  if (!DataLink()->Active() || !keyFields_[0]) return false;
  if (CanEdit() && (tracking_ || inKey_)) {
    const bool current = DataRow + TitleOffset() == Row();
    if (current) pickedRow_ = DataRow;
    return current;
  }
  TvxGridDataLink* link = DataLink();
  const int old = link->ActiveRecord();
  link->SetActiveRecord(DataRow);
  // The record window goes back however the test ends.
  TScopeExit restore([link, old] { link->SetActiveRecord(old); });
  const bool match = ValuesMatch();
  if (match) pickedRow_ = DataRow;
  return match;
}

void TvxDBLookupList::Paint() {
  TvxCustomDBGrid::Paint();
  if (!Focused() || pickedRow_ < 0) return;
  const int row = pickedRow_ + TitleOffset();
  if (row >= RowCount()) return;
  TRect r = CellRect(0, row);
  r.Right = CellRect(ColCount() - 1, row).Right;
  Canvas()->DrawFocusRect(r);
}

void TvxDBLookupList::InvalidatePicked() {
  if (HandleAllocated() && pickedRow_ >= 0 && pickedRow_ + TitleOffset() < RowCount())
    InvalidateGridRect({0, pickedRow_ + TitleOffset(), ColCount() - 1, pickedRow_ + TitleOffset()});
}

// ---- layout

void TvxDBLookupList::DefineFieldMap() {
  InitFields(false);
  if (!keyFields_[0]) return;
  TvxCustomDBGrid::DefineFieldMap();
  if (UseTFields() && GetFieldCount() == 0) DataLink()->AddMapping(keyFields_[0]->FieldName());
}

void TvxDBLookupList::SetColumnAttributes() {
  TvxCustomDBGrid::SetColumnAttributes();
  const int count = ColCount();
  if (count == 0 || !DataLink()->Active()) return;
  const int line = listOptions_.Contains(loColLines) ? 1 : 0;
  int others = 0;
  for (int i = 0; i < count - 1; ++i) others += ColWidths(i) + line;
  const int rest = ClientWidth() - others;
  if (count == 1 || rest > 15) SetColWidths(count - 1, std::max(rest, 1));
}

void TvxDBLookupList::WMSize(TMessage& Message) {
  if (ComponentState().Contains(csDestroying) || (!Visible() && !sizing_)) return;
  TvxCustomDBGrid::WMSize(Message);
  SetColumnAttributes();
}

// ---- data

void TvxDBLookupList::FieldDataChange() {
  if (ComponentState().Contains(csLoading)) return;
  TField* f = fieldLink_->Field();
  SetValue(f ? f->Text() : std::string());
}

void TvxDBLookupList::FieldUpdateData() {
  if (TField* f = fieldLink_->Field()) f->SetText(value_[0]);
}

void TvxDBLookupList::LinkActive(bool Active) {
  TvxCustomDBGrid::LinkActive(Active);
  if (!Active || !DataLink()->Active()) return;
  LookupActiveChange();
}

void TvxDBLookupList::LookupActiveChange() {
  InitFields(false);
  SetValue("");
  FieldDataChange();
}

void TvxDBLookupList::DataChanged() {
  TvxCustomDBGrid::DataChanged();
  if (!combo_ || ComponentState().Contains(csLoading) || combo_->DataField().empty()) return;
  auto* table = dynamic_cast<TvxTable*>(LookupTable());
  if (!table || !table->MasterSource() || table->MasterFields().empty() || table->State() != dsBrowse) return;
  if (table->SearchDepth() > 0 || nestedDataChange_ > 0) return;
  // A detail lookup table followed its master: show the value again for the new master record.
  ++nestedDataChange_;
  TScopeExit done([this] { --nestedDataChange_; });
  value_[0].clear();
  combo_->DataChange();
}

void TvxDBLookupList::Scroll(int Distance) {
  TvxCustomDBGrid::Scroll(Distance);
  if (pickedRow_ < 0) return;
  pickedRow_ -= Distance;
  if (pickedRow_ < 0 || pickedRow_ >= std::max(1, VisibleRowCount())) pickedRow_ = -1;
}

void TvxDBLookupList::WMVScroll(TMessage& Message) {
  TDataSet* ds = LookupTable();
  if (!Visible() || !ds || !ds->Active()) return TvxCustomDBGrid::WMVScroll(Message);
  switch (static_cast<int>(Message.WParam & 0xFFFF)) {
    case SB_LINEUP: ds->MoveBy(-DataLink()->ActiveRecord() - 1); return;
    case SB_LINEDOWN: ds->MoveBy(DataLink()->RecordCount() - DataLink()->ActiveRecord()); return;
    case SB_THUMBPOSITION: pickedRow_ = -1; break;
    default: break;
  }
  TvxCustomDBGrid::WMVScroll(Message);
}

void TvxDBLookupList::CreateWnd() {
  TvxCustomDBGrid::CreateWnd();
  FieldDataChange();
}

void TvxDBLookupList::Loaded() {
  TvxCustomDBGrid::Loaded();
  FieldDataChange();
}

void TvxDBLookupList::Notification(TComponent* AComponent, TOperation Operation) {
  TvxCustomDBGrid::Notification(AComponent, Operation);
  if (Operation != opRemove || !fieldLink_) return;
  if (AComponent == fieldLink_->DataSource()) fieldLink_->SetDataSource(nullptr);
  if (AComponent == lookupSource_) lookupSource_ = nullptr;
  if (lookupSource_ && AComponent == lookupSource_->DataSet()) {
    lookupSource_->SetDataSet(nullptr);
    InitFields(false);
  }
}

bool TvxDBLookupList::CanEdit() { return !fieldLink_->DataSource() || fieldLink_->Editing(); }

// ---- mouse

void TvxDBLookupList::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (ComponentState().Contains(csDesigning)) return TvxCustomDBGrid::MouseDown(Button, Shift, X, Y);
  if (CanFocus() && TabStop()) {
    SetFocus();
    if (!Focused()) {
      if (GetCaptureControl() == this) SetCaptureControl(nullptr);
      return;
    }
  }
  if (Shift.Contains(ssDouble)) {
    DblClick();
    return;
  }
  const TGridCoord cell = MouseCoord(X, Y);
  TDataSet* ds = LookupTable();
  if (Button == mbLeft && cell.Y >= TitleOffset() && ds && ds->Active() && displayField_) {
    fieldLink_->Edit();
    tracking_ = true;
    SetTimer(Handle(), 1, 60);
    InvalidatePicked();
    const int dataRow = std::min(cell.Y - TitleOffset(), std::max(0, DataLink()->RecordCount() - 1));
    ds->MoveBy(dataRow - DataLink()->ActiveRecord());
    pickedRow_ = DataLink()->ActiveRecord();
    InvalidatePicked();
  }
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TvxDBLookupList::MouseMove(TShiftState Shift, int X, int Y) {
  if (tracking_) {
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y >= TitleOffset() && cell.Y - TitleOffset() < DataLink()->RecordCount())
      LookupTable()->MoveBy(cell.Y - TitleOffset() - DataLink()->ActiveRecord());
  }
  TvxCustomDBGrid::MouseMove(Shift, X, Y);
}

void TvxDBLookupList::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (tracking_) {
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y >= TitleOffset() && cell.Y - TitleOffset() < DataLink()->RecordCount())
      LookupTable()->MoveBy(cell.Y - TitleOffset() - DataLink()->ActiveRecord());
    StopTracking();
    ListClick();
  }
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TvxDBLookupList::StopTracking() {
  if (!tracking_) return;
  tracking_ = false;
  if (HandleAllocated()) KillTimer(Handle(), 1);
}

void TvxDBLookupList::ListClick() {
  if (CanEdit() && displayField_) {
    if (fieldLink_->Editing()) fieldLink_->Modified();
    displayValue_ = displayField_->Text();
    value_[0] = keyFields_[0] == displayField_ ? displayValue_ : keyFields_[0]->Text();
    for (int i = 1; i < 3; ++i)
      if (keyFields_[i]) value_[i] = keyFields_[i]->Text();
  }
  if (OnClick) OnClick(this);
}

// ---- keys

void TvxDBLookupList::KeyDown(Word& Key, TShiftState Shift) {
  const Word key = Key;
  {
    TRestoreScope handling(inKey_, true);
    TvxCustomDBGrid::KeyDown(Key, Shift);
  }
  if (IsNavigationKey(key) && CanEdit()) {
    Invalidate();
    ListClick();
  }
}

void TvxDBLookupList::KeyPress(TChar& Key) {
  if (Key == 27) {
    fieldLink_->Reset();
    Key = 0;
    return;
  }
  TvxCustomDBGrid::KeyPress(Key);
}

bool TvxDBLookupList::CanGridAcceptKey(Word Key, TShiftState Shift) {
  if (Key == VK_INSERT) return false;
  if (Key < VK_PRIOR || Key > VK_DOWN) return true;
  fieldLink_->Edit();
  // A list on its own has no combo to tell.
  if (combo_) combo_->FieldLink()->Modified();
  if (!CanEdit() && (Key == VK_LEFT || Key == VK_UP || Key == VK_RIGHT || Key == VK_DOWN)) return false;
  TDataSet* ds = LookupTable();
  if (!ds || !ds->Active()) return true;
  if (pickedRow_ >= 0) {
    if (pickedRow_ != DataLink()->ActiveRecord()) ds->MoveBy(pickedRow_ - DataLink()->ActiveRecord());
    return true;
  }
  if (!ValuesMatch()) {
    ds->First();
    MoveColRow(Col(), TitleOffset(), false, false);
    Word none = 0;
    if (OnKeyDown) OnKeyDown(this, none, Shift);
    ListClick();
    return false;
  }
  // The current record holds the value: a new lookup would go back to the
  // field's stored value and lose the row the keys have moved to.
  return true;
}

// ---- messages

void TvxDBLookupList::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_EXIT: {
      {
        // The list keeps the focus when the record refuses the value.
        TScopeFail refocus([this] {
          if (CanFocus()) SetFocus();
        });
        fieldLink_->UpdateRecord();
      }
      TvxCustomDBGrid::Dispatch(Message);
      InvalidatePicked();
      return;
    }
    case CM_ENTER:
      TvxCustomDBGrid::Dispatch(Message);
      InvalidatePicked();
      return;
    case WM_TIMER:
      if (Message.WParam == 1 && tracking_) {
        // Held below or above the rows: the list scrolls by a row.
        const TPoint p = ScreenToClient(GetCursorPos());
        if (p.Y < 0)
          LookupTable()->Prior();
        else if (p.Y >= ClientHeight())
          LookupTable()->Next();
        return;
      }
      break;
    case WM_CANCELMODE: StopTracking(); break;
    default: break;
  }
  TvxCustomDBGrid::Dispatch(Message);
}

// ---------------------------------------------------------------- TvxPopupGrid

FW_IMPLEMENT_CLASS(TvxPopupGrid)

TvxPopupGrid::TvxPopupGrid(TComponent* AOwner) : TvxDBLookupList(AOwner) {
  combo_ = dynamic_cast<TvxDBCustomLookupCombo*>(AOwner);
  SetTabStop(false);
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
}

void TvxPopupGrid::CreateParams(TCreateParams& Params) {
  TvxDBLookupList::CreateParams(Params);
  Params.Style |= WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW;
}

void TvxPopupGrid::CreateWnd() {
  TvxDBLookupList::CreateWnd();
  if (ComponentState().Contains(csDesigning)) return;
  // A pop-up window draws as focused while the combo keeps the focus.
  TMessage focus{WM_SETFOCUS, 0, 0, 0};
  DefaultHandler(focus);
  if (combo_) combo_->DataChange();
}

bool TvxPopupGrid::CanEdit() {
  if (!combo_) return TvxDBLookupList::CanEdit();
  TDataSource* source = combo_->DataSource();
  if (!source || combo_->FieldLink()->Editing()) return true;
  return combo_->IsCalculated() && (IsEditState(source->DataSet()) || source->AutoEdit());
}

void TvxPopupGrid::LinkActive(bool Active) {
  TvxCustomDBGrid::LinkActive(Active);
  if (!Active || !DataLink()->Active() || !Parent()) return;
  if (!KeyField(0)) InitFields(true);
  SetValue("");
  if (combo_) combo_->DataChange();
}

void TvxPopupGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (combo_) combo_->EnableEdit();
  TvxDBLookupList::MouseDown(Button, Shift, X, Y);
}

void TvxPopupGrid::Dispatch(TMessage& Message) {
  TvxDBLookupList::Dispatch(Message);
  if (Message.Msg == WM_LBUTTONUP && combo_) combo_->CloseUp(true);
}

// ---------------------------------------------------------------- TvxComboButton

FW_IMPLEMENT_CLASS(TvxComboButton)

namespace {

TvxDBCustomLookupCombo* ComboOf(const TControl* Button) {
  const TControl* panel = Button->Parent();
  return dynamic_cast<TvxDBCustomLookupCombo*>(panel ? panel->Parent() : nullptr);
}

}  // namespace

void TvxComboButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TSpeedButton::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  if (TvxDBCustomLookupCombo* combo = ComboOf(this)) combo->ButtonPressed();
}

namespace {

LPARAM PointParam(TPoint P) { return static_cast<LPARAM>((P.X & 0xFFFF) | ((P.Y & 0xFFFF) << 16)); }

}  // namespace

void TvxComboButton::MouseMove(TShiftState Shift, int X, int Y) {
  TSpeedButton::MouseMove(Shift, X, Y);
  TvxDBCustomLookupCombo* combo = ComboOf(this);
  if (!combo || !Shift.Contains(ssLeft) || !combo->ListVisible()) return;
  TvxPopupGrid* list = combo->List();
  const TPoint p = list->ScreenToClient(ClientToScreen({X, Y}));
  if (handedOver_) {
    list->Perform(WM_MOUSEMOVE, MK_LBUTTON, PointParam(p));
    return;
  }
  if (p.X < 0 || p.Y < 0 || p.X >= list->ClientWidth() || p.Y >= list->ClientHeight()) return;
  // Dragged from the button into the open list: the list takes the press.
  handedOver_ = true;
  TSpeedButton::MouseUp(mbLeft, Shift, X, Y);
  list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(p));
}

void TvxComboButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TvxDBCustomLookupCombo* combo = ComboOf(this);
  if (!handedOver_ || !combo || Button != mbLeft) return TSpeedButton::MouseUp(Button, Shift, X, Y);
  handedOver_ = false;
  TvxPopupGrid* list = combo->List();
  list->Perform(WM_LBUTTONUP, 0, PointParam(list->ScreenToClient(ClientToScreen({X, Y}))));
}

void TvxComboButton::Paint() {
  bool defaultPaint = true;
  if (TvxDBCustomLookupCombo* combo = ComboOf(this))
    combo->DrawButton(Canvas(), TRect{0, 0, ClientWidth(), ClientHeight()}, State(), combo->ControlState(),
                      defaultPaint);
  if (defaultPaint) TSpeedButton::Paint();
}

// ---------------------------------------------------------------- TvxDBCustomLookupCombo

FW_PUBLISH(TvxDBCustomLookupCombo) {}

TvxDBCustomLookupCombo::TvxDBCustomLookupCombo(TComponent* AOwner)
    : TCustomEdit(AOwner), fieldLink_(std::make_unique<TFieldDataLink>()) {
  fieldLink_->SetControl(this);
  fieldLink_->OnDataChange = [this](TObject*) { DataChange(); };
  fieldLink_->OnEditingChange = [this](TObject*) { EditingChange(); };
  fieldLink_->OnUpdateData = [this](TObject*) { UpdateData(); };
  fieldLink_->OnActiveChange = [this](TObject*) { ActiveChange(); };
  vxCreateButtonPanel(this, panel_);
  button_ = new TvxComboButton(panel_);
  button_->SetParent(panel_);
  button_->SetBounds(0, 0, panel_->Width(), panel_->Height());
  button_->SetWidth(vxComboButtonWidth());
  button_->SetControlStyle(button_->ControlStyle() + TControlStyle{csReplicatable});
  if (TBitmap* glyph = LoadComboGlyph()) button_->SetGlyph(glyph);
  list_ = new TvxPopupGrid(this);
  list_->SetVisible(false);
  list_->SetParent(this);
  list_->OnClick = [this](TObject* Sender) { GridClick(Sender); };
  list_->SetCtl3D(Ctl3D());
  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetInterval(searchDelay_);
  timer_->OnTimer = [this](TObject* Sender) { OnEditTimerEvent(Sender); };
  SetHeight(25);
  TCustomEdit::SetReadOnly(true);
}

TvxDBCustomLookupCombo::~TvxDBCustomLookupCombo() {
  fieldLink_->OnDataChange = nullptr;
  fieldLink_->OnEditingChange = nullptr;
  fieldLink_->OnUpdateData = nullptr;
  fieldLink_->OnActiveChange = nullptr;
  fieldLink_->SetDataSource(nullptr);
}

TBitmap* TvxDBCustomLookupCombo::LoadComboGlyph() {
  if (!glyph_) {
    glyph_ = std::make_unique<TBitmap>();
    LoadSystemBitmap(glyph_.get(), OBM_COMBO);
  }
  return glyph_.get();
}

void TvxDBCustomLookupCombo::DrawButton(TCanvas*, const TRect&, TButtonState, TControlState, bool&) {}

// ---- binding

void TvxDBCustomLookupCombo::SetDataSource(TDataSource* Value) {
  if (Value && LookupTable() && Value->DataSet() == LookupTable())
    throw EInvalidOperation(LoadStr(vxsDuplicateSource));
  fieldLink_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TvxDBCustomLookupCombo::SetDataField(const std::string& Value) {
  fieldLink_->SetFieldName(Value);
  calcType_ = cftUnknown;
  list_->InitFields(false);
}

void TvxDBCustomLookupCombo::SetReadOnly(bool Value) {
  fieldLink_->SetReadOnly(Value);
  TCustomEdit::SetReadOnly(!CanEdit());
}

void TvxDBCustomLookupCombo::SetLookupTable(TDataSet* Value) {
  list_->SetLookupTable(Value);
  if (Value) Value->FreeNotification(this);
  DataChange();
}

void TvxDBCustomLookupCombo::SetLookupField(const std::string& Value) {
  list_->SetLookupField(Value);
  list_->InitFields(true);
  DataChange();
}

void TvxDBCustomLookupCombo::SetShowButton(bool Value) {
  panel_->SetVisible(Value);
  if (HandleAllocated()) SetEditRect();
  Invalidate();
}

bool TvxDBCustomLookupCombo::IsCalculated() {
  if (calcType_ == cftUnknown) {
    TField* f = Field();
    const bool calc = f && (f->Lookup() || (f->Calculated() && !vxDataSetGetLinks(f->DataSet(), f->FieldName()).empty()));
    if (f) calcType_ = calc ? cftCalculated : cftNotCalculated;
    return calc;
  }
  return calcType_ == cftCalculated;
}

bool TvxDBCustomLookupCombo::ListVisible() const { return list_->Visible(); }

IvxEditGrid* TvxDBCustomLookupCombo::Grid() const { return dynamic_cast<IvxEditGrid*>(Parent()); }

// ---- values

std::string TvxDBCustomLookupCombo::Value() { return Editable() ? Text() : list_->Value(); }

void TvxDBCustomLookupCombo::SetValue(const std::string& V) {
  if (fieldLink_->Active() && list_->DataLink()->Active() && fieldLink_->DataSet() == LookupTable())
    throw EInvalidOperation(LoadStr(vxsDuplicateSource));
  const bool keyIsDisplay = list_->KeyField(0) && list_->KeyField(0) == list_->DisplayField();
  if (list_->Value() == V && (!Text().empty() || V.empty()) && !(keyIsDisplay && Text() != V)) return;
  if (list_->DataLink()->Active()) {
    if (!inChangeFromLink_) list_->SetValue(V);
    SetText(list_->DisplayValue());
  } else if ((LookupField().empty() && !LookupTable()) || (LookupTable() && !LookupTable()->Active())) {
    SetText(V);
  }
}

void TvxDBCustomLookupCombo::SetDisplayValue(const std::string& V) {
  if (V == list_->DisplayValue() || !list_->DataLink()->Active()) return;
  list_->SetDisplayValue(V);
  SetText(list_->DisplayValue());
}

bool TvxDBCustomLookupCombo::IsLookupRequired() {
  for (int i = 0; i < 3; ++i) {
    TField* k = list_->KeyField(i);
    const std::string& v = i == 0 ? list_->Value() : i == 1 ? list_->Value2() : list_->Value3();
    if (k && k->Text() != v) return true;
  }
  return false;
}

bool TvxDBCustomLookupCombo::Editable() { return ListVisible() || style_ == csDropDown || autoDropDown_; }

bool TvxDBCustomLookupCombo::MouseEditable() { return ListVisible() || style_ == csDropDown; }

bool TvxDBCustomLookupCombo::CanEdit() {
  bool result = true;
  if (TDataSource* source = DataSource()) {
    if (DataField().empty())
      result = true;
    else if (IsCalculated())
      result = IsEditState(source->DataSet()) || source->AutoEdit();
    else
      result = fieldLink_->Editing() && Editable();
  }
  if (result && !ListVisible() && style_ == csDropDownList) result = autoDropDown_;
  return result && !ReadOnly();
}

void TvxDBCustomLookupCombo::EnableEdit() {
  TRestoreScope changing(changing_, true);
  fieldLink_->Edit();
  TCustomEdit::SetReadOnly(!CanEdit());
}

// ---- layout

void TvxDBCustomLookupCombo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
  if (BorderStyle() == bsNone) Params.Style |= ES_MULTILINE;
}

void TvxDBCustomLookupCombo::MinimumHeight() {
  TCanvas* c = list_->Canvas();
  c->SetFont(Font());
  int minimum = 2 * GetSystemMetrics(SM_CYBORDER) + c->TextHeight("W") + 1;
  if (BorderStyle() == bsSingle) minimum += 2;
  if (Height() < minimum) SetHeight(minimum);
}

void TvxDBCustomLookupCombo::BoundsChanged() {
  TCustomEdit::BoundsChanged();
  MinimumHeight();
  UpdateButtonPosition();
}

void TvxDBCustomLookupCombo::UpdateButtonPosition() {
  vxPlaceButtonPanel(this, panel_, button_);
  if (HandleAllocated()) SetEditRect();
}

void TvxDBCustomLookupCombo::SetEditRect() {
  const int inset = BorderStyle() == bsNone ? 2 : 0;
  TRect r{inset, inset, ShowButton() ? panel_->Left() - 2 : ClientWidth() - 2, ClientHeight() + 1};
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TvxDBCustomLookupCombo::Loaded() {
  TCustomEdit::Loaded();
  button_->SetWidth(vxComboButtonWidth());
  UpdateButtonPosition();
  DataChange();
}

void TvxDBCustomLookupCombo::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomEdit::Notification(AComponent, Operation);
  if (Operation != opRemove || !fieldLink_) return;
  if (AComponent == fieldLink_->DataSource()) fieldLink_->SetDataSource(nullptr);
}

// ---- the field link

void TvxDBCustomLookupCombo::SaveEntry() {
  savedText_ = Text();
  savedValue_ = list_->Value();
}

void TvxDBCustomLookupCombo::RestoreEntry() {
  list_->SetDisplayValue(savedText_);
  list_->SetValue(savedValue_);
  SetText(savedText_);
}

bool TvxDBCustomLookupCombo::IsTableDetailOfSource() {
  auto* table = dynamic_cast<TvxTable*>(LookupTable());
  TDataSet* data = fieldLink_->DataSet();
  if (!table || !data || !table->MasterSource() || table->MasterSource()->DataSet() != data) return false;
  if (table->IndexFieldCount() == 0 || table->MasterFields().empty()) return false;
  TField* master = data->FindField(SplitNames(table->MasterFields())[0]);
  // The detail has not followed its master yet.
  return master && table->IndexFields(0)->Text() != master->Text();
}

void TvxDBCustomLookupCombo::DataChange() {
  if (changing_) return;
  TField* f = Field();
  if (!f || ComponentState().Contains(csLoading)) {
    if (!f && !DataSource()) return;
    SetText("");
    return;
  }
  auto* table = dynamic_cast<TvxTable*>(LookupTable());
  if (IsCalculated() && table && table->MasterSource()) {
    SetText(f->Text());
    return;
  }
  if (IsTableDetailOfSource()) return;
  TDataSet* data = f->DataSet();
  bool keysChanged = false;
  for (int i = 1; i < 3; ++i) {
    TField* key = list_->KeyField(i);
    TField* same = key && data ? data->FindField(key->FieldName()) : nullptr;
    if (!same) continue;
    const std::string v = same->Text();
    if (v != (i == 1 ? list_->Value2() : list_->Value3())) keysChanged = true;
    if (i == 1)
      list_->SetValue2(v);
    else
      list_->SetValue3(v);
  }
  if (keysChanged) list_->value_[0].clear();  // the same first key with other keys is another record
  list_->SetValue(f->Text());
  SetText(list_->DisplayValue());
  if (data->State() == dsBrowse) SaveEntry();
  if (Focused()) SelectAll();
}

void TvxDBCustomLookupCombo::EditingChange() { TCustomEdit::SetReadOnly(!CanEdit()); }

void TvxDBCustomLookupCombo::ActiveChange() {
  calcType_ = cftUnknown;
  list_->InitFields(false);
  DataChange();
}

void TvxDBCustomLookupCombo::UpdateData() {
  if (closing_) return;
  if (!Text().empty() && !ListVisible()) CloseUp(true);
  TField* f = Field();
  if (!f) return;
  if (IsCalculated()) {
    bool modified = false;
    if (list_->PickedRow() >= 0) VxChangeFromLink(LookupTable(), modified);
    return;
  }
  const bool keyIsDisplay = list_->KeyField(0) == list_->DisplayField();
  const std::string v = keyIsDisplay ? Text() : list_->Value();
  if (f->Text() != v) f->SetText(v);
  if (list_->PickedRow() < 0 && !IsLookupDlg()) return;
  for (int i = 1; i < 3; ++i) {
    TField* key = list_->KeyField(i);
    TField* same = key ? f->DataSet()->FindField(key->FieldName()) : nullptr;
    if (same && same->Text() != key->Text()) same->SetText(key->Text());
  }
}

void TvxDBCustomLookupCombo::VxChangeFromLink(TDataSet* Table, bool& Modified) {
  Modified = false;
  if (inChangeFromLink_) return;
  TRestoreScope guard(inChangeFromLink_, true);
  TField* f = Field();
  if (!f) return;
  TDataSet* data = f->DataSet();
  const std::vector<std::string> links =
      f->Lookup() ? SplitNames(f->KeyFields()) : LinkSide(vxDataSetGetLinks(data, f->FieldName()), false);
  // Without link fields there is nothing to write, and nothing changes.
  if (links.empty()) return;
  const std::string values[3] = {list_->Value(), list_->Value2(), list_->Value3()};
  std::vector<int> differing;
  for (std::size_t i = 0; i < links.size() && i < 3; ++i) {
    TField* link = data->FindField(links[i]);
    if (link && link->Text() != values[i]) differing.push_back(static_cast<int>(i));
  }
  Modified = !differing.empty();
  if (Modified && !ReadOnlyTable(data)) {
    data->Edit();
    if (IsEditState(data)) {
      auto* table = dynamic_cast<TvxTable*>(Table);
      if (table && table->MasterSource()) differing = {differing.back()};
      for (int i : differing) data->FieldByName(links[static_cast<std::size_t>(i)])->SetText(values[i]);
    }
  }
  Invalidate();
}

// ---- dropping down

void TvxDBCustomLookupCombo::EnsureSelected() {
  if (Selected()->Count() > 0) return;
  TField* f = list_->KeyField(0);
  if (IsCalculated() && list_->DisplayField()) f = list_->DisplayField();
  if (!f) return;
  Selected()->Add(f->DisplayLabel() + "\t" + IntToStr(f->DisplayWidth()) + "\t" + f->FieldName());
}

int TvxDBCustomLookupCombo::ListHeight(int Rows) const {
  const int lines = list_->ListOptions().Contains(loRowLines) ? 1 : 0;
  const int titles = list_->ListOptions().Contains(loTitles) ? 1 : 0;
  return (list_->DefaultRowHeight() + lines) * (titles + Rows) + 5 - 2 * lines;
}

void TvxDBCustomLookupCombo::HideList() {
  if (list_->HandleAllocated()) HideWindow(list_);
  list_->SetVisible(false);
  list_->StopTracking();
}

void TvxDBCustomLookupCombo::DropDown() {
  TDataSet* table = LookupTable();
  if (!table || !table->Active()) {
    MessageDlg(table ? "Lookup table is not active!" : "No lookup table specified!", mtInformation, {mbOK}, 0);
    button_->SetEnabled(false);
    button_->Repaint();
    button_->SetEnabled(Enabled());
    button_->Repaint();
    return;
  }
  if (ListVisible() || Width() <= 20) return;
  list_->SetPickedRow(-1);
  EnsureSelected();
  if (!immediateSearch_) {
    auto* query = dynamic_cast<TvxQuery*>(table);
    if (query && query->DataSource()) EnableEdit();
    list_->HandleNeeded();
    list_->DoLookup(true);
  }
  if (UseTFields())
    vxDataSetUpdateFieldProperties(table, Selected());
  else
    list_->LayoutChanged();
  if (OnDropDown) OnDropDown(this);

  rows_ = dropDownCount_ == 0 ? 1 : dropDownCount_;
  {
    TRestoreScope sizing(list_->sizing_, true);
    list_->SetHeight(ListHeight(rows_));
    RedrawListGrid();
    list_->LayoutChanged();
    auto* vxTable = dynamic_cast<TvxTable*>(table);
    const bool rangeSearch = vxTable && (vxTable->NarrowSearch() ||
                                         (vxTable->SyncSQLByRange() && vxDataSetIsSQLBased(vxTable)));
    const int records = list_->DataLink()->RecordCount();
    if (records < rows_ && !rangeSearch) {
      // Fewer records than rows: the list is only as high as they need.
      const std::string text = Text();
      rows_ = std::max(records, 1);
      list_->SetShowVertScrollBar(false);
      list_->SetHeight(ListHeight(rows_));
      RedrawListGrid();
      list_->LayoutChanged();
      SetText(text);
    } else if (!list_->ShowVertScrollBar()) {
      list_->SetShowVertScrollBar(true);
    }
  }
  if (LookupField().empty()) list_->SetDisplayValue(Text());
  SetWindowPos(list_->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  list_->Invalidate();
  lastSearchText_ = list_->DisplayValue();
  if (CanFocus() && !Focused()) SetFocus();
  TCustomEdit::SetReadOnly(!CanEdit());
  if (!immediateSearch_) SelectAll();
  Invalidate();
}

void TvxDBCustomLookupCombo::RedrawListGrid() {
  if (Width() <= 20) return;
  const TPoint origin = ClientOrigin();
  int height = list_->Height();
  int y = origin.Y + Height() - 1 + (BorderStyle() == bsNone ? 1 : 0);
  if (y + height > Screen->Height()) {
    y = origin.Y - height + 1;
    if (y < 0) y = origin.Y + Height() - 1 + (BorderStyle() == bsNone ? 1 : 0);
  }
  TCanvas* c = list_->Canvas();
  c->SetFont(list_->Font());
  const int digit = c->TextWidth("0");
  const int line = list_->GridLineWidth();
  std::vector<int> widths;
  if (UseTFields()) {
    for (int i = 0; i < LookupTable()->FieldCount(); ++i)
      if (LookupTable()->Fields(i)->Visible()) widths.push_back(LookupTable()->Fields(i)->DisplayWidth());
  } else {
    for (int i = 0; i < Selected()->Count(); ++i) {
      const std::vector<std::string> parts = Split(Selected()->Strings(i), '\t');
      widths.push_back(parts.size() > 1 ? StrToIntDef(Trim(parts[1]), 10) : 10);
    }
  }
  const int columns = static_cast<int>(widths.size());
  auto natural = [&](int Except) {
    int n = GetSystemMetrics(SM_CXHTHUMB) + 1;
    for (int i = 0; i < columns - Except; ++i) n += digit * widths[static_cast<std::size_t>(i)] + line;
    return n;
  };
  const int bw = button_->Width();
  int width = dropDownWidth_ != 0 ? dropDownWidth_ : natural(0) + columns * line + bw;
  int x;
  if (dropDownAlignment_ == taRightJustify) {
    width = std::max(Width() - 4, std::min(Width() + origin.X - 2, width));
    x = origin.X + 1 + Width() - width;
  } else {
    width = std::max(Width() - 4, std::min(Screen->Width() - origin.X - 2, width));
    x = origin.X;
  }
  if (width <= natural(1) + columns * line + bw + 1 && rows_ > 0)
    height = ListHeight(rows_) + GetSystemMetrics(SM_CYHSCROLL);
  TRestoreScope sizing(list_->sizing_, true);
  SetWindowPos(list_->Handle(), HWND_TOP, x, y, width, height, SWP_NOACTIVATE);
}

// ---- painting

void TvxDBCustomLookupCombo::WMPaint(TMessage& Message) {
  IvxEditGrid* grid = Grid();
  const bool copy = ControlState().Contains(csPaintCopy);
  if (Editable() && !(grid && grid->IsDataGrid() && !Focused()) && !copy) {
    if (ListVisible()) RedrawListGrid();
    TCustomEdit::WMPaint(Message);
    return;
  }
  PaintSelf();
}

void TvxDBCustomLookupCombo::PaintSelf() {
  if (!canvas_) {
    canvas_ = std::make_unique<TControlCanvas>();
    canvas_->SetControl(this);
  }
  TCanvas* c = canvas_.get();
  IvxEditGrid* grid = Grid();
  const bool copy = ControlState().Contains(csPaintCopy);
  c->SetFont(Font());
  TRect r = ClientRect();
  if (BorderStyle() == bsSingle && !Ctl3D()) {
    c->Brush()->SetColor(clWindowFrame);
    c->FrameRect(r);
    InflateRect(r, -1, -1);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(r);
  if (!Enabled())
    c->Font()->SetColor(clGrayText);
  else if (grid && grid->IsDataGrid())
    c->Font()->SetColor(grid->GridFontColor());
  std::string text = Text();
  if (copy && list_->DisplayField()) {
    // A copy in a repeated row shows that row's value, looked up for it.
    list_->FastLookup();
    text = list_->Found() ? list_->DisplayField()->Text() : std::string();
  }
  TRect textRect = r;
  if (ShowButton()) textRect.Right = panel_->Left();
  const bool selected = !copy && Focused() && (style_ == csDropDownList || grid);
  if (selected) {
    TRect mark{textRect.Left + 1, textRect.Top + 1, textRect.Left + 3 + c->TextWidth(text), textRect.Bottom - 1};
    mark.Right = std::min(mark.Right, textRect.Right - 1);
    c->Brush()->SetColor(clHighlight);
    c->Font()->SetColor(clHighlightText);
    c->FillRect(mark);
    c->TextRect(mark, mark.Left + 1, textRect.Top + 2, text);
    c->DrawFocusRect(mark);
    return;
  }
  c->TextRect(textRect, textRect.Left + 2, textRect.Top + 2, text);
}

// ---- closing

void TvxDBCustomLookupCombo::TakeCurrentRow() {
  if (!found_ || !list_->DataLink()->Active()) return;
  list_->ListClick();
}

void TvxDBCustomLookupCombo::CloseUp(bool Accept) {
  if (closing_) return;
  TRestoreScope closing(closing_, true);
  if (!ListVisible()) {
    if (OnNotInList && Text() != savedText_) {
      UpdateSearchIndex(true);
      PerformSearch();
      if (!found_ && !Text().empty()) {
        bool accept = false;
        {
          TRestoreScope inNotInList(inNotInList_, true);
          OnNotInList(this, LookupTable(), Text(), accept);
        }
        if (!accept) {
          RestoreEntry();
          if (Focused()) SelectAll();
        }
      }
    }
    savedText_ = Text();
    return;
  }
  // Whatever fails, the list goes and the flags are reset.
  TScopeFail reset([this] {
    HideList();
    immediateSearch_ = false;
    inNotInList_ = false;
  });
  const bool editable = !DataSource() || fieldLink_->Editing() || IsCalculated();
  const bool keyIsDisplay = list_->KeyField(0) && list_->KeyField(0) == list_->DisplayField();
  bool notInList = false;
  if (Accept && !found_ && editable) {
    HideList();
    if ((style_ == csDropDown && keyIsDisplay) || OnNotInList) {
      bool accepted = true;
      if (OnNotInList && !Text().empty()) {
        TRestoreScope inNotInList(inNotInList_, true);
        OnNotInList(this, LookupTable(), Text(), accepted);
      }
      if (!accepted) {
        RestoreEntry();
        Invalidate();
        return;
      }
      notInList = true;
      if (keyIsDisplay) {
        list_->SetDisplayValue(Text());
        list_->SetValue(Text());
        if (Field() && Field()->Text() != Text()) {
          fieldLink_->Edit();
          Field()->SetText(Text());
        }
      } else {
        list_->value_[0] = list_->KeyField(0) ? list_->KeyField(0)->Text() : std::string();
        if (!DataSource()) SetText(lastTypedText_);
      }
    }
  }
  bool written = false;
  if (Accept && editable) {
    if (!DataSource()) {
      if (found_ && !notInList) {
        SetText(list_->DisplayValue());
        GridClick(nullptr);
      } else if (!found_ && !notInList && (style_ == csDropDownList || !keyIsDisplay)) {
        SetText("");
        list_->ClearValues();
      }
    } else if (IsCalculated()) {
      VxChangeFromLink(LookupTable(), written);
      SetText(Field()->Text());
    } else if (TField* f = Field()) {
      const std::string saved = savedText_;
      TScopeFail restore([this, saved] { SetText(saved); });
      TDataSet* data = f->DataSet();
      if (list_->PickedRow() >= 0 || found_) {
        for (int i = 1; i < 3; ++i) {
          TField* key = list_->KeyField(i);
          TField* same = key ? data->FindField(key->FieldName()) : nullptr;
          const std::string& v = i == 1 ? list_->Value2() : list_->Value3();
          if (same && same->Text() != v) {
            fieldLink_->Edit();
            same->SetText(v);
            written = true;
          }
        }
      }
      if (!found_ && style_ == csDropDownList && !keyIsDisplay) SetText(list_->DisplayValue());
      if (f->Text() != list_->Value() && (found_ || notInList || list_->Value().empty())) {
        fieldLink_->Edit();
        f->SetText(list_->Value());
        written = true;
      }
    }
  }
  HideList();
  Invalidate();
  if (written) SaveEntry();
  SetModified(written);
  if (OnCloseUp) OnCloseUp(this, LookupTable(), DataSource() ? DataSource()->DataSet() : nullptr, written);
}

void TvxDBCustomLookupCombo::GridClick(TObject*) {
  found_ = true;
  if (DataSource() && !fieldLink_->Editing()) EnableEdit();
  const bool editable = !DataSource() || fieldLink_->Editing() || Modified();
  if (!editable || (IsCalculated() && ReadOnlyTable(fieldLink_->DataSet()))) return;
  fieldLink_->Modified();
  SetText(list_->DisplayValue());
  SelectAll();
  lastSearchText_ = Text();
}

void TvxDBCustomLookupCombo::ButtonPressed() {
  if (!Focused()) {
    if (!CanFocus()) return;
    SetFocus();
    if (!Focused()) return;
  }
  if (ListVisible()) {
    if (found_) GridClick(nullptr);
    CloseUp(true);
  } else {
    DropDown();
  }
}

// ---- the search

bool TvxDBCustomLookupCombo::UseSeqSearch() {
  auto* t = dynamic_cast<TvxTable*>(LookupTable());
  if (!t) return true;
  if (t->IndexDefs()->Count() == 0) t->UpdateIndexes();
  return !(t->IndexDefs()->Count() > 0 && t->IndexFieldCount() > 0);
}

int TvxDBCustomLookupCombo::GetSearchIndex() {
  auto* t = dynamic_cast<TvxTable*>(LookupTable());
  if (!t || !vxHasIndex(t)) return -1;
  // Plain typing searches the display field unless a master link names another.
  const std::string field =
      !searchField_.empty() ? searchField_ : list_->DisplayField() ? list_->DisplayField()->FieldName() : std::string();
  if (field.empty()) return 0;
  const std::string wanted = LowerCase(field);
  for (int i = 0; i < t->IndexFieldCount(); ++i)
    if (LowerCase(t->IndexFields(i)->FieldName()) == wanted) return i;
  return -1;
}

void TvxDBCustomLookupCombo::UpdateSearchIndex(bool Immediate) {
  auto* t = dynamic_cast<TvxTable*>(LookupTable());
  if (!t || !t->Active() || vxIsTableQuery(t)) return;
  const bool master = t->MasterSource() != nullptr;
  // A lookup by key runs on the key's index; a search for typed text on the display's.
  if (!Immediate) {
    if (LookupField().empty()) return;
    t->SetToIndexContainingField(LookupField());
    if (master) {
      searchField_ = SplitNames(LookupField()).back();
      list_->FastLookup();
    }
    return;
  }
  if (!orderByDisplay_) return;
  EnsureSelected();
  t->SetToIndexContainingFields(Selected());
  if (master && Selected()->Count() > 0) {
    searchField_ = SelectedFieldName(Selected()->Strings(0));
    list_->FastLookup();
  }
}

void TvxDBCustomLookupCombo::PerformSearch() {
  lastSearchText_.clear();
  OnEditTimerEvent(nullptr);
}

void TvxDBCustomLookupCombo::OnEditTimerEvent(TObject*) {
  timer_->SetEnabled(false);
  const std::string text = Text();
  TDataSet* table = LookupTable();
  if (text == lastSearchText_ || !table || !table->Active()) return;
  TField* display = list_->DisplayField();
  if (!display) return;
  const bool showing = ListVisible();
  const bool caseSensitive = seqSearchOptions_.Contains(ssoCaseSensitive);
  bool found = false;
  if (UseSeqSearch()) {
    if (!seqSearchOptions_.Contains(ssoEnabled)) return;
    const TvxLocateMatchType match = showing || immediateSearch_ ? mtPartialMatchStart : mtExactMatch;
    found = FindRecord(text, display->FieldName(), match, caseSensitive);
    if (!found && display == list_->KeyField(0)) {
      list_->SetValue("");
      found_ = false;
      return;
    }
  } else {
    auto* t = static_cast<TvxTable*>(table);
    const int index = GetSearchIndex();
    if (index == -1) {
      found = DoFindRecord(text, searchField_.empty() ? display->FieldName() : searchField_,
                           showing ? mtPartialMatchStart : mtExactMatch);
    } else if (showing || immediateSearch_) {
      found = t->vxFindNearest(text, index);
    } else {
      std::vector<Variant> keys;
      for (int i = 0; i < index && i < 2; ++i) keys.push_back(Variant(t->IndexFields(i)->Text()));
      keys.push_back(Variant(text));
      found = t->vxFindKey(keys);
    }
  }
  lastTypedText_ = text;
  found_ = found;
  // The found record's keys as they stand: no lookup of its own (it would go back to the field's value).
  for (int i = 0; i < 3; ++i) list_->value_[i] = list_->KeyField(i) ? list_->KeyField(i)->Text() : std::string();
  list_->displayValue_ = display->Text();
  if (!showing) list_->SetPickedRow(-1);
  if (showMatchText_ && found && lastSearchText_ != "~~~~") {
    const int caret = SelStart();
    const std::string kept = caret == 0 ? text : CharsToUtf8(Utf8ToChars(text).substr(0, static_cast<std::size_t>(caret)));
    SetText(display->Text());
    SetModified(true);
    const int from = static_cast<int>(CharLength(kept));
    SetSelStart(from);
    SetSelLength(static_cast<int>(CharLength(Text())) - from);
    if (!showing) list_->SetPickedRow(0);
  }
  lastSearchText_ = text;
  if (showing) list_->Invalidate();
}

bool TvxDBCustomLookupCombo::FindRecord(const std::string& Value, const std::string& FieldName,
                                        TvxLocateMatchType MatchType, bool CaseSensitive) {
  TDataSet* ds = LookupTable();
  if (!ds) return false;
  if (auto* t = dynamic_cast<TvxTable*>(ds)) return t->vxFindRecord(Value, FieldName, MatchType, CaseSensitive);
  TField* f = ds->FindField(FieldName);
  if (!f) return false;
  if (f->Text() == Value) return true;
  std::string v = Value;
  if (f->DataType() == ftString && static_cast<int>(CharLength(v)) > f->Size()) {
    // Only a partial search may drop what the field cannot hold: an exact
    // one for a longer text has no match.
    if (MatchType == mtExactMatch) return false;
    v = CharsToUtf8(Utf8ToChars(v).substr(0, static_cast<std::size_t>(f->Size())));
  }
  if (v.empty() || !vxFieldIsValidLocateValue(f, v)) {
    list_->Invalidate();
    return false;
  }
  const bool nonPhysical = vxisNonPhysicalField(f);
  if (!vxInternational()->UseLocateMethodForSearch() || nonPhysical)
    return vxDataSetFindRecord(ds, v, FieldName, MatchType, nonPhysical ? false : CaseSensitive);
  THourGlassScope hourGlass;
  auto* query = dynamic_cast<TvxQuery*>(ds);
  if (query && query->RequestLive() && query->CanModify()) {
    if (query->DataSource()) return vxDataSetFindRecord(ds, v, FieldName, MatchType, CaseSensitive);
    TLocateOptions options;
    if (MatchType != mtExactMatch) options.Include(loPartialKey);
    try {
      if (query->isValidIndexField(FieldName, false)) {
        options.Include(loCaseInsensitive);
        return ds->Locate(FieldName, Variant(v), options);
      }
      if (query->isValidIndexField(FieldName, true)) return ds->Locate(FieldName, Variant(v), options);
    } catch (const Exception&) {
      // The search by locate is a shortcut; the record scan answers all the same.
    }
    return vxDataSetFindRecord(ds, v, FieldName, MatchType, CaseSensitive);
  }
  TLocateOptions options;
  if (query) {
    if (MatchType != mtExactMatch) options = TLocateOptions{loCaseInsensitive, loPartialKey};
  } else {
    if (!CaseSensitive) options.Include(loCaseInsensitive);
    if (MatchType != mtExactMatch) options.Include(loPartialKey);
  }
  return ds->Locate(FieldName, Variant(v), options);
}

bool TvxDBCustomLookupCombo::DoFindRecord(const std::string& Value, const std::string& FieldName,
                                          TvxLocateMatchType MatchType) {
  auto* t = dynamic_cast<TvxTable*>(LookupTable());
  const bool caseSensitive = seqSearchOptions_.Contains(ssoCaseSensitive);
  if (!t) return FindRecord(Value, FieldName, MatchType, caseSensitive);
  int n = -1;
  bool scan = false;
  if (t->MasterSource() && !t->MasterFields().empty()) {
    n = static_cast<int>(std::count(t->MasterFields().begin(), t->MasterFields().end(), ';'));
    scan = !(n + 1 < t->IndexFieldCount() && vxEqualStr(t->IndexFields(n + 1)->FieldName(), FieldName));
  }
  if (MatchType == mtExactMatch) {
    TField* f = t->FindField(FieldName);
    if (f && AnsiSameText(f->Text(), Value)) return true;
  }
  if (scan) return t->vxFindRecord(Value, FieldName, MatchType, caseSensitive);
  if (n >= 0) return t->vxFindNearest(Value, n + 1);
  const int index = GetSearchIndex();
  if (index == -1) return FindRecord(Value, FieldName, MatchType, caseSensitive);
  return t->vxFindNearest(Value, index);
}

// ---- keys

void TvxDBCustomLookupCombo::HandToGrid(Word& Key, TShiftState Shift) {
  IvxEditGrid* grid = Grid();
  grid->GridControl()->SetFocus();
  grid->GridKeyDown(Key, Shift);
  Key = 0;
}

void TvxDBCustomLookupCombo::KeyDown(Word& Key, TShiftState Shift) {
  if (GetKeyState(VK_MENU) < 0) Shift.Include(ssAlt);
  const bool showing = ListVisible();
  if (IvxEditGrid* grid = Grid(); grid && !showing) {
    const int length = static_cast<int>(CharLength(Text()));
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool atEnd = SelStart() + SelLength() >= length;
    const bool atStart = SelStart() == 0;
    const bool editable = Editable();
    switch (Key) {
      case VK_ESCAPE:
        if (!Modified()) {
          TRestoreScope handOver(escHandOver_, true);
          HandToGrid(Key, Shift);
        }
        break;
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN:
        if (!Shift.Contains(ssAlt)) HandToGrid(Key, Shift);
        break;
      case VK_INSERT: HandToGrid(Key, Shift); break;
      case VK_DELETE:
        if (ctrl) HandToGrid(Key, Shift);
        break;
      case VK_END:
      case VK_RIGHT:
        if (!editable || (grid->AlwaysShowEditor() && (ctrl || atEnd))) HandToGrid(Key, Shift);
        break;
      case VK_HOME:
      case VK_LEFT:
        if (!editable || (grid->AlwaysShowEditor() && (ctrl || atStart))) HandToGrid(Key, Shift);
        break;
      case VK_F2:
        grid->GridOnKeyDown(Key, Shift);
        if (Key == VK_F2) {
          SetSelLength(0);
          Key = 0;
          return;
        }
        break;
      default: break;
    }
    if (Key != 0) grid->GridOnKeyDown(Key, Shift);
  }
  const bool deleting = Key == VK_BACK || Key == VK_DELETE;
  if (showMatchText_ && deleting && !showing && style_ == csDropDownList && !allowClearKey_) Key = 0;
  if (Key != 0) {
    if (vxIsValidChar(Key) && autoDropDown_ && !showing) immediateSearch_ = true;
    TCustomEdit::KeyDown(Key, Shift);
    if (Key == VK_BACK || Key == VK_INSERT || Key == VK_DELETE) {
      if (Editable()) EnableEdit();
      if (!CanEdit()) Key = 0;
    }
    if (!Editable() && !IsCalculated() && (Key == VK_END || Key == VK_HOME || Key == VK_LEFT || Key == VK_RIGHT))
      Key = 0;
    if (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) {
      if (ListVisible()) {
        EnableEdit();
        if (!DataSource() || fieldLink_->Editing() || IsCalculated()) {
          Word k = Key;
          list_->KeyDown(k, Shift);
        }
        Key = 0;
      } else if (Shift.Contains(ssAlt)) {
        DropDown();
        Key = 0;
      }
    }
    if (Key == VK_ESCAPE && ListVisible()) Key = 0;
  }
  if (showMatchText_) {
    if (deleting && ListVisible())
      lastSearchText_ = "~~~~";
    else
      lastSearchText_.clear();
  }
}

void TvxDBCustomLookupCombo::KeyUp(Word& Key, TShiftState Shift) {
  const bool deleting = Key == VK_BACK || Key == VK_DELETE;
  if (allowClearKey_ && deleting) {
    if (ListVisible()) {
      if (!IsCalculated() && Text().empty()) {
        EnableEdit();
        list_->SetValue("");
        list_->SetDisplayValue("");
        list_->SetPickedRow(-1);
        Key = 0;
      }
    } else if (SelLength() > 0 && SelLength() >= static_cast<int>(CharLength(Text()))) {
      SetText("");
      if (IsCalculated()) {
        list_->ClearValues();
        bool modified = false;
        VxChangeFromLink(LookupTable(), modified);
      } else if (Field()) {
        EnableEdit();
        list_->SetValue("");
      } else {
        SetValue("");
      }
    }
  }
  TCustomEdit::KeyUp(Key, Shift);
  const std::string text = Text();
  if ((text != lastSearchText_ || CharLength(lastSearchText_) == 1) && vxIsValidChar(Key)) {
    TDataSet* table = LookupTable();
    auto* vxTable = dynamic_cast<TvxTable*>(table);
    if (ListVisible()) {
      // Desktop tables answer fast enough for a shorter pause.
      if (vxTable && !vxDataSetIsSQLBased(vxTable)) timer_->SetInterval(searchDelay_ / 2);
      timer_->SetEnabled(false);
      timer_->SetEnabled(true);
    }
    if (showMatchText_ && deleting) {
      if (text.empty() && vxTable && !vxIsTableQuery(vxTable) && vxTable->NarrowSearch()) vxTable->FastCancelRange();
      if (!ListVisible() && style_ == csDropDownList && !allowClearKey_) {
        Key = 0;
        return;
      }
    }
    if (!ListVisible() && !autoDropDown_ && showMatchText_ && !text.empty() && !deleting) {
      UpdateSearchIndex(true);
      TRestoreScope immediate(immediateSearch_, true);
      OnEditTimerEvent(nullptr);
    } else if (!ListVisible() && autoDropDown_ && !text.empty()) {
      UpdateSearchIndex(true);
      TRestoreScope immediate(immediateSearch_, true);
      OnEditTimerEvent(nullptr);
      DropDown();
    }
  }
  immediateSearch_ = false;
  if (vxIsValidChar(Key) && !ListVisible()) fieldLink_->Modified();
}

void TvxDBCustomLookupCombo::KeyPress(TChar& Key) {
  if (Key == 13 && ListVisible()) {
    TakeCurrentRow();
    CloseUp(true);
    SelectAll();
    Key = 0;
    return;
  }
  if (Key == 27) {
    const bool showing = ListVisible();
    if (showing) CloseUp(false);
    if (Field()) {
      {
        TRestoreScope changing(changing_, true);
        RestoreEntry();
        SetModified(false);
        fieldLink_->Reset();
      }
      SelectAll();
      if (IvxEditGrid* grid = Grid(); grid && (!Editable() || !showing)) grid->GridControl()->SetFocus();
    } else {
      list_->SetDisplayValue(savedText_);
      SetValue(savedValue_);
      SetText(savedText_);
    }
    Key = 0;
    return;
  }
  // Without a field any character is welcome.
  if (!ListVisible() && Key >= 32 && Field() && !Field()->IsValidChar(Key) && !autoDropDown_ && !showMatchText_ &&
      Editable()) {
    MessageBeep(0);
    Key = 0;
    return;
  }
  if (Key == 8 || Key == 22 || Key == 24 || Key >= 32) {
    if (Editable()) EnableEdit();
    if (!CanEdit()) Key = 0;
  }
  if (Key == 9 || Key == 13) Key = 0;
  if (Key != 0) TCustomEdit::KeyPress(Key);
}

void TvxDBCustomLookupCombo::CNKeyDown(TMessage& Message) {
  if (ComponentState().Contains(csDesigning)) return TCustomEdit::CNKeyDown(Message);
  const Word key = Message.CharCode();
  IvxEditGrid* grid = Grid();
  if (key == VK_ESCAPE) {
    if (!grid && ListVisible()) return;
    if (!ListVisible() && Modified()) {
      list_->SetDisplayValue(savedText_);
      list_->SetValue(savedValue_);
      SetText(savedText_);
      SetModified(true);
      TRestoreScope changing(changing_, true);
      fieldLink_->Reset();
      return;
    }
  }
  if (immediateSearch_) return;
  const bool enterToTab = grid && key == VK_RETURN && grid->EnterToTab();
  if ((key == VK_TAB || enterToTab) && ListVisible()) {
    TakeCurrentRow();
    CloseUp(true);
    SelectAll();
  }
  if (key == VK_TAB || key == VK_RETURN) {
    if (ListVisible()) return;
    if (grid) {
      grid->GridControl()->SetFocus();
      if (grid->GridFocused() && (key == VK_TAB || enterToTab)) {
        Word k = key;
        grid->GridKeyDown(k, KeyDataToShiftState(Message.KeyData()));
      }
      Message.Result = 1;
      return;
    }
  }
  TCustomEdit::CNKeyDown(Message);
}

void TvxDBCustomLookupCombo::Change() {
  TCustomEdit::Change();
  if (fieldLink_->Editing()) fieldLink_->Modified();
}

void TvxDBCustomLookupCombo::DoEnter() {
  TCustomEdit::DoEnter();
  list_->SetDisplayValue(Text());
  if (IvxEditGrid* grid = Grid(); grid && grid->IsDataGrid()) SelectAll();
  if (!escHandOver_) SetModified(false);
  if (!ListVisible()) SaveEntry();
}

void TvxDBCustomLookupCombo::WndProc(TMessage& Message) {
  if (Message.Msg == WM_CHAR && autoDropDown_ && !ListVisible() && Grid() &&
      vxIsValidChar(static_cast<std::uint16_t>(Message.WParam)))
    immediateSearch_ = true;
  TCustomEdit::WndProc(Message);
}

void TvxDBCustomLookupCombo::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PASTE:
    case WM_CUT:
      if (Editable()) EnableEdit();
      if (!CanEdit()) return;
      TCustomEdit::Dispatch(Message);
      if (Message.Msg == WM_PASTE) fieldLink_->Modified();
      return;
    case WM_KILLFOCUS:
      TCustomEdit::Dispatch(Message);
      if (ListVisible()) {
        TakeCurrentRow();
        CloseUp(true);
      }
      return;
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(Message.LParam);
      if (sender == this || sender == panel_ || sender == button_ || sender == list_) return;
      if (ListVisible()) {
        if (!found_ && fieldLink_->Editing()) {
          EnableEdit();
          fieldLink_->Modified();
        }
        TakeCurrentRow();
        CloseUp(true);
      }
      return;
    }
    case CM_EXIT:
      if (!escHandOver_) {
        TScopeFail refocus([this] {
          SelectAll();
          if (CanFocus()) SetFocus();
        });
        fieldLink_->UpdateRecord();
        SetSelStart(0);
      }
      break;
    case CM_ENTER:
      TCustomEdit::Dispatch(Message);
      if (AutoSelect() && !ControlState().Contains(csLButtonDown)) SelectAll();
      if (!Editable()) Invalidate();
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!MouseEditable()) {
        if (CanFocus()) SetFocus();
        if (ListVisible())
          CloseUp(true);
        else
          DropDown();
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
      TCustomEdit::Dispatch(Message);
      button_->SetEnabled(Enabled());
      return;
    case CM_GETDATALINK: Message.Result = reinterpret_cast<LRESULT>(fieldLink_.get()); return;
    default: break;
  }
  TCustomEdit::Dispatch(Message);
}

// ---------------------------------------------------------------- TvxDBLookupCombo

FW_PUBLISH(TvxDBLookupCombo) {
  c.Property("AllowClearKey", &TvxDBLookupCombo::AllowClearKey, &TvxDBLookupCombo::SetAllowClearKey).Default(false);
  c.Property("AutoDropDown", &TvxDBLookupCombo::AutoDropDown, &TvxDBLookupCombo::SetAutoDropDown).Default(false);
  c.Property("DataField", &TvxDBLookupCombo::DataField, &TvxDBLookupCombo::SetDataField);
  c.Property("DataSource", &TvxDBLookupCombo::DataSource, &TvxDBLookupCombo::SetDataSource);
  c.Property("DropDownCount", &TvxDBLookupCombo::DropDownCount, &TvxDBLookupCombo::SetDropDownCount).Default(8);
  c.Property("DropDownWidth", &TvxDBLookupCombo::DropDownWidth, &TvxDBLookupCombo::SetDropDownWidth).Default(0);
  c.Property("LookupField", &TvxDBLookupCombo::LookupField, &TvxDBLookupCombo::SetLookupField);
  c.Property("LookupTable", &TvxDBLookupCombo::LookupTable, &TvxDBLookupCombo::SetLookupTable);
  c.Property("Options", &TvxDBLookupCombo::Options, &TvxDBLookupCombo::SetOptions);
  c.Property("OrderByDisplay", &TvxDBLookupCombo::OrderByDisplay, &TvxDBLookupCombo::SetOrderByDisplay)
      .Default(true);
  c.Property("ReadOnly", &TvxDBLookupCombo::ReadOnly, &TvxDBLookupCombo::SetReadOnly).Default(false);
  c.Property("Selected", &TvxDBLookupCombo::Selected, &TvxDBLookupCombo::SetSelected);
  c.Property("ShowButton", &TvxDBLookupCombo::ShowButton, &TvxDBLookupCombo::SetShowButton).Default(true);
  c.Property("ShowMatchText", &TvxDBLookupCombo::ShowMatchText, &TvxDBLookupCombo::SetShowMatchText)
      .Default(false);
  c.Property("Style", &TvxDBLookupCombo::Style, &TvxDBLookupCombo::SetStyle).Default(csDropDown);
  c.Property("UseTFields", &TvxDBLookupCombo::UseTFields, &TvxDBLookupCombo::SetUseTFields).Default(true);
}

}  // namespace vx

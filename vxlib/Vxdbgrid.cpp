#include "Vxdbgrid.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Scope.h"
#include "StdCtrls.h"
#include "Streams.h"
#include "Vxcommon.h"
#include "Vxdbedit.h"
#include "Text.h"
#include "Vxmemo.h"
#include "Vxstr.h"
#include "Vxtable.h"

namespace vx {

using namespace fw;

void WriteAlignedText(TCanvas* Canvas, const TRect& Rect, int Indent, TAlignment Alignment, const std::string& Text,
                      int TopOffset, int Width) {
  int x = Rect.Left + Indent;
  if (Alignment != taLeftJustify && Width < 0) Width = Canvas->TextWidth(Text);
  if (Alignment == taRightJustify)
    x = Rect.Right - Width - 3;
  else if (Alignment == taCenter)
    x = Rect.Left + (Rect.Right - Rect.Left) / 2 - Width / 2;
  Canvas->TextRect(Rect, x, Rect.Top + TopOffset, Text);
}

namespace {

// A word with what ends it: the blanks after it, one TAB, or one line break
// (kept as a CR whatever its spelling). Blanks before the word belong to it
// too; they occur only at the start of the text and after a TAB or a break.
// The separators are ASCII, so they are found byte by byte in UTF-8 text.
struct TPiece {
  std::string Text;
  bool Breaks = false;
};

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<TPiece> Pieces(const std::string& s) {
  std::vector<TPiece> pieces;
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t start = i;
    while (i < n && s[i] == ' ') ++i;
    while (i < n && !IsSeparator(s[i])) ++i;
    TPiece p{s.substr(start, i - start)};
    if (i < n) {
      if (s[i] == ' ') {
        while (i < n && s[i] == ' ') p.Text += s[i++];
      } else if (s[i] == '\t') {
        p.Text += s[i++];
      } else {
        const char first = s[i++];
        if (i < n && (s[i] == '\r' || s[i] == '\n') && s[i] != first) ++i;
        p.Text += '\r';
        p.Breaks = true;
      }
    }
    pieces.push_back(std::move(p));
  }
  return pieces;
}

bool EndsInDropped(const std::string& s) {
  return !s.empty() && (s.back() == '\t' || s.back() == '\r' || s.back() == '\n');
}

}  // namespace

void vxWriteTextLines(TCanvas* Canvas, const TRect& Rect, int Indent, TAlignment Alignment, const std::string& Text,
                      int TopOffset) {
  if (Indent < 0) Indent = 0;
  const std::string text = Text.substr(0, Text.find('\0'));
  const int room = Rect.Right - Rect.Left - Indent;
  // Most cells hold one line: a single word left-aligned is written as it
  // stands, fitting or clipped; other text that fits needs one measure, not
  // one a word. Shaping the text is most of a cell's painting.
  if (!text.empty() && Rect.Top < Rect.Bottom && text.find_first_of("\t\r\n") == std::string::npos) {
    const std::size_t word = text.find_first_not_of(' ');
    if (Alignment == taLeftJustify && word == 0 && text.find(' ') == std::string::npos) {
      WriteAlignedText(Canvas, Rect, Indent, Alignment, text, TopOffset);
      return;
    }
    const int width = Canvas->TextWidth(text);
    if (width <= room) {
      WriteAlignedText(Canvas, Rect, Indent, Alignment, text, TopOffset, width);
      return;
    }
  }
  const std::vector<TPiece> pieces = Pieces(text);
  int top = Rect.Top;
  int lineHeight = 0;
  bool first = true;
  bool stripLeading = false;
  std::size_t next = 0;
  while (next < pieces.size() && top < Rect.Bottom) {
    const std::size_t lineStart = next;
    std::string line;
    for (;;) {
      std::string candidate = line + pieces[next].Text;
      if (stripLeading) candidate.erase(0, candidate.find_first_not_of(" \t"));
      std::string measured = candidate;
      if (!measured.empty() && (measured.back() == '\r' || measured.back() == '\n')) measured.pop_back();
      if (Canvas->TextWidth(measured) > room) {
        if (next == lineStart) {  // a word wider than the rectangle: alone, clipped
          line = candidate;
          ++next;
        }
        break;
      }
      line = candidate;
      if (pieces[next++].Breaks || next == pieces.size()) break;
    }
    // A line that ended at its blanks was wrapped; its successor starts at
    // the next word. After a TAB or a break the blanks that follow count.
    stripLeading = !EndsInDropped(line);
    if (EndsInDropped(line)) line.pop_back();
    if (first) lineHeight = Canvas->TextHeight(line);
    const TRect r{Rect.Left, top, Rect.Right, Rect.Bottom};
    WriteAlignedText(Canvas, r, Indent, Alignment, line, first ? TopOffset : 0);
    top += lineHeight + (first ? TopOffset : 0);
    first = false;
  }
}

// ---------------------------------------------------------------- memo dialog

FW_PUBLISH(TvxMemoDialog) {
  c.Property("DataSource", &TvxMemoDialog::DataSource, &TvxMemoDialog::SetDataSource);
  c.Property("DataField", &TvxMemoDialog::DataField, &TvxMemoDialog::SetDataField);
  c.Property("Font", &TvxMemoDialog::Font, &TvxMemoDialog::SetFont);
  c.Property("MemoAttributes", &TvxMemoDialog::MemoAttributes, &TvxMemoDialog::SetMemoAttributes)
      .Default(TvxMemoAttributes{mSizeable, mWordWrap}.ToBits());
  c.Property("Caption", &TvxMemoDialog::Caption, &TvxMemoDialog::SetCaption);
  c.Property("DlgLeft", &TvxMemoDialog::DlgLeft, &TvxMemoDialog::SetDlgLeft).Default(0);
  c.Property("DlgTop", &TvxMemoDialog::DlgTop, &TvxMemoDialog::SetDlgTop).Default(0);
  c.Property("DlgWidth", &TvxMemoDialog::DlgWidth, &TvxMemoDialog::SetDlgWidth).Default(561);
  c.Property("DlgHeight", &TvxMemoDialog::DlgHeight, &TvxMemoDialog::SetDlgHeight).Default(396);
  c.Event("OnInitDialog", &TvxMemoDialog::OnInitDialog);
  c.Event("OnCloseDialog", &TvxMemoDialog::OnCloseDialog);
  c.Event("OnUserButton1Click", &TvxMemoDialog::OnUserButton1Click);
  c.Event("OnUserButton2Click", &TvxMemoDialog::OnUserButton2Click);
  c.Property("UserButton1Caption", &TvxMemoDialog::UserButton1Caption, &TvxMemoDialog::SetUserButton1Caption);
  c.Property("UserButton2Caption", &TvxMemoDialog::UserButton2Caption, &TvxMemoDialog::SetUserButton2Caption);
}

TvxMemoDialog::TvxMemoDialog(TComponent* AOwner)
    : TComponent(AOwner), DataLink_(std::make_unique<TFieldDataLink>()), Font_(std::make_unique<TFont>()) {}

TvxMemoDialog::~TvxMemoDialog() { DataLink_->SetDataSource(nullptr); }

void TvxMemoDialog::SetDataSource(TDataSource* Value) {
  DataLink_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TvxMemoDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && DataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

void TvxMemoDialog::DoInitDialog() {
  if (OnInitDialog) OnInitDialog(Form_);
}

void TvxMemoDialog::DoCloseDialog() {
  if (OnCloseDialog) OnCloseDialog(Form_);
}

bool TvxMemoDialog::Execute() {
  return vxEditMemoField(Screen->ActiveForm(), this, !MemoAttributes_.Contains(mViewOnly));
}

// ---------------------------------------------------------------- TvxDBGrid

namespace {

std::string Key(const TBookmark& b) { return std::string(b.Data.begin(), b.Data.end()); }

bool SameBounds(const TControl* c, const TRect& r) { return c->BoundsRect() == r; }

// An event of the core, published as the full grid's.
template <class V>
V TvxDBGrid::* Own(V TvxCustomDBGrid::* Member) {
  return Member;
}

}  // namespace

FW_PUBLISH(TvxDBGrid) {
  c.Property("Selected", &TvxDBGrid::Selected, &TvxDBGrid::SetSelected);
  c.Property("MemoAttributes", &TvxDBGrid::MemoAttributes, &TvxDBGrid::SetMemoAttributes)
      .Default(TvxMemoAttributes{mSizeable, mWordWrap}.ToBits());
  c.Property("TitleColor", &TvxDBGrid::TitleColor, &TvxDBGrid::SetTitleColor).SetTypeName("TColor").Default(clBtnFace);
  c.Event("OnMemoOpen", &TvxDBGrid::OnMemoOpen);
  c.Event("OnMemoClose", &TvxDBGrid::OnMemoClose);
  c.Event("OnMultiSelectRecord", &TvxDBGrid::OnMultiSelectRecord);
  c.Property("FixedCols", &TvxDBGrid::FixedCols, &TvxDBGrid::SetFixedCols).Default(0);
  c.Property("ShowHorzScrollBar", &TvxDBGrid::GetShowHorzScrollBar, &TvxDBGrid::SetShowHorzScrollBar);
  c.Property("ShowVertScrollBar", &TvxDBGrid::ShowVertScrollBar, &TvxDBGrid::SetShowVertScrollBar).Default(true);
  c.Property("EditControlOptions", &TvxDBGrid::EditControlOptions, &TvxDBGrid::SetEditControlOptions)
      .Default(TvxEditControlOptions{ecoSearchOwnerForm}.ToBits());
  c.Property("IndicatorButton", &TvxDBGrid::IndicatorButton, &TvxDBGrid::SetIndicatorButton).Stored(false);
  c.Property("BorderStyle", &TvxDBGrid::BorderStyle, &TvxDBGrid::SetBorderStyle).Default(bsSingle);
  c.Property("Color", &TvxDBGrid::Color, &TvxDBGrid::SetColor).SetTypeName("TColor").Default(clWindow);
  c.Property("DataSource", &TvxDBGrid::DataSource, &TvxDBGrid::SetDataSource);
  c.Property("DefaultDrawing", &TvxDBGrid::DefaultDrawing, &TvxDBGrid::SetDefaultDrawing).Default(true);
  c.Property("EditCalculated", &TvxDBGrid::EditCalculated, &TvxDBGrid::SetEditCalculated).Default(false);
  c.Property("KeyOptions", &TvxDBGrid::KeyOptions, &TvxDBGrid::SetKeyOptions)
      .Default(TvxDBGridKeyOptions{dgAllowDelete, dgAllowInsert}.ToBits());
  c.Property("MultiSelectOptions", &TvxDBGrid::MultiSelectOptions, &TvxDBGrid::SetMultiSelectOptions).Default(0);
  c.Property("Options", &TvxDBGrid::Options, &TvxDBGrid::SetOptions).Default(vxDefaultGridOptions.ToBits());
  c.Property("ParentColor", &TvxDBGrid::ParentColor, &TvxDBGrid::SetParentColor).Default(false);
  c.Property("ReadOnly", &TvxDBGrid::ReadOnly, &TvxDBGrid::SetReadOnly).Default(false);
  c.Property("RowHeightPercent", &TvxDBGrid::RowHeightPercent, &TvxDBGrid::SetRowHeightPercent).Default(100);
  c.Property("TabStop", &TvxDBGrid::TabStop, &TvxDBGrid::SetTabStop).Default(true);
  c.Property("TitleAlignment", &TvxDBGrid::TitleAlignment, &TvxDBGrid::SetTitleAlignment).Default(taLeftJustify);
  c.Property("TitleFont", &TvxDBGrid::TitleFont, &TvxDBGrid::SetTitleFont);
  c.Property("TitleLines", &TvxDBGrid::TitleLines, &TvxDBGrid::SetTitleLines).Default(1);
  c.Property("TitleButtons", &TvxDBGrid::TitleButtons, &TvxDBGrid::SetTitleButtons).Default(false);
  c.Property("UseTFields", &TvxDBGrid::UseTFields, &TvxDBGrid::SetUseTFields).Default(true);
  c.Event("OnCalcCellColors", Own(&TvxDBGrid::OnCalcCellColors));
  c.Event("OnCalcTitleAttributes", Own(&TvxDBGrid::OnCalcTitleAttributes));
  c.Event("OnTitleButtonClick", Own(&TvxDBGrid::OnTitleButtonClick));
  c.Event("OnColEnter", Own(&TvxDBGrid::OnColEnter));
  c.Event("OnColExit", Own(&TvxDBGrid::OnColExit));
  c.Event("OnDrawDataCell", Own(&TvxDBGrid::OnDrawDataCell));
  c.Property("IndicatorColor", &TvxDBGrid::IndicatorColor, &TvxDBGrid::SetIndicatorColor).Default(icBlack);
  c.Event("OnCheckValue", Own(&TvxDBGrid::OnCheckValue));
  c.Event("OnColumnMoved", Own(&TvxDBGrid::OnColumnMoved));
  c.Event("OnTopRowChanged", Own(&TvxDBGrid::OnTopRowChanged));
}

TvxDBGrid::TvxDBGrid(TComponent* AOwner) : TvxCustomDBGrid(AOwner) {}

TvxDBGrid::~TvxDBGrid() = default;

void TvxDBGrid::BeforeDestruction() {
  ClearSelected();
  // Each dependent hears of the grid's going while the grid is whole.
  const std::vector<TComponent*> dependents = std::move(dependents_);
  dependents_.clear();
  for (TComponent* d : dependents) TvxCheatCastNotify::DoNotification(d, this, opRemove);
  SetCurrentControl(nullptr);
  TvxCustomDBGrid::BeforeDestruction();
}

void TvxDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
  TvxCustomDBGrid::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == currentControl_) currentControl_ = nullptr;
  if (AComponent == richEdit_) richEdit_ = nullptr;
  dependents_.erase(std::remove(dependents_.begin(), dependents_.end(), AComponent), dependents_.end());
}

TDataSource* TvxDBGrid::DataSource() const { return dynamic_cast<TvxDataSource*>(TvxCustomDBGrid::DataSource()); }

TDataSet* TvxDBGrid::GridDataSet() const {
  TDataSource* s = TvxCustomDBGrid::DataSource();
  return s ? s->DataSet() : nullptr;
}

// ---- binding

void TvxDBGrid::RedrawGrid() {
  TDataSet* ds = GridDataSet();
  if (redrawing_ || !ds) return;
  if (!vxDataSet(ds)) {
    MessageDlg("vxGrid must use an Lumerix compatible TDataSet.", mtInformation, {mbOK}, 0);
    SetDataSource(nullptr);
    return;
  }
  InitControls();
  const bool designing = ComponentState().Contains(csDesigning);
  {
    ds->DisableControls();
    TScopeExit enable([ds] { ds->EnableControls(); });
    vxDataSetRemoveObsolete(ds, vxGetLookupFields(ds), vxGetLookupLinks(ds), vxGetControlType(ds));
    vxDataSetRemoveObsoleteControls(ControlRoot(), ds);
    TRestoreScope redrawing(redrawing_, true);
    bool calculated = false;
    for (int i = 0; i < ds->FieldCount(); ++i) calculated = calculated || ds->Fields(i)->Calculated();
    if (Selected()->Count() > 0 && (designing || !calculated)) ApplySelected();
    if (designing) {
      if (UseTFields()) UpdateSelectedProperty();
      UpdateRowCount();
    }
  }
  redrawnOnce_ = true;
}

void TvxDBGrid::ApplySelected() {
  if (!UseTFields()) {
    RefreshDisplay();
    return;
  }
  if (TDataSet* ds = GridDataSet()) vxDataSetUpdateFieldProperties(ds, Selected());
}

void TvxDBGrid::UpdateSelectedProperty() {
  // Only a form being designed keeps Selected in step with the fields.
  TCustomForm* form = GetParentForm(this);
  if (redrawing_ || !redrawnOnce_ || !form || !form->ComponentState().Contains(csDesigning)) return;
  if (TDataSet* ds = GridDataSet()) vxDataSetUpdateSelected(ds, Selected());
}

void TvxDBGrid::RefreshDisplay() {
  HideControls();
  SetCurrentControl(nullptr);
  controlsInitialised_ = false;
  InitControls();
  LayoutChanged();
}

TComponent* TvxDBGrid::ControlRoot() {
  if (editControlOptions_.Contains(ecoSearchOwnerForm)) return vxGetOwnerForm(this);
  return GetParentForm(this);
}

void TvxDBGrid::PrepareControl(TCustomEdit* Control, const std::string& Field) {
  Control->Hide();
  Control->SetParent(this);
  vxSetControlDataSource(Control, TvxCustomDBGrid::DataSource());
  vxSetControlDataField(Control, Field);
  Control->SetCtl3D(false);
  Control->SetFont(Font());
  Control->SetBorderStyle(bsNone);
}

void TvxDBGrid::InitControls() {
  const bool designing = ComponentState().Contains(csDesigning);
  if (controlsInitialised_ && !designing) return;
  TDataSet* ds = GridDataSet();
  if (!ds || ComponentState().Contains(csLoading) || !loaded_) return;
  if (const TStrings* lines = vxGetControlType(ds)) {
    const TDataSource* source = TvxCustomDBGrid::DataSource();
    for (int i = 0; i < lines->Count(); ++i) {
      std::string field, type, params;
      if (vxControlTypeParts(lines->Strings(i), field, type, params) < 2) continue;
      if (!isVXEditControl(type) && type != "RichEdit") continue;
      TCustomEdit* control = GetComponent(params);
      if (!control || source->ComponentState().Contains(csDesigning)) continue;
      PrepareControl(control, field);
    }
  }
  controlsInitialised_ = true;
}

void TvxDBGrid::LinkActive(bool Active) {
  {
    TRestoreScope linking(inLinkActive_, true);
    TvxCustomDBGrid::LinkActive(Active);
  }
  if (Active) RedrawGrid();
}

void TvxDBGrid::Loaded() {
  TvxCustomDBGrid::Loaded();
  loaded_ = true;
  if (!controlsInitialised_) RefreshDisplay();
}

void TvxDBGrid::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_CTL3DCHANGED) {
    TvxCustomDBGrid::Dispatch(Message);
    if (ComponentState().Contains(csDesigning)) RedrawGrid();
    return;
  }
  if (Message.Msg == WM_LBUTTONDBLCLK) {
    auto alive = LifeToken();
    TvxCustomDBGrid::Dispatch(Message);
    if (!*alive) return;
    TCustomEdit* control = nullptr;
    if (IsRichEditCell(Col(), Row(), control)) {
      if (control) control->Perform(WM_KEYDOWN, VK_F2, 0);
    } else if (IsMemoCell(Col(), Row())) {
      CallMemoDialog();
    }
    return;
  }
  TvxCustomDBGrid::Dispatch(Message);
}

// ---- settings

void TvxDBGrid::SetMemoAttributes(TvxMemoAttributes Value) {
  memoAttributes_ = Value;
  RedrawGrid();
  Invalidate();
}

void TvxDBGrid::SetFixedCols(int Value) {
  TDataSet* ds = GridDataSet();
  if (ComponentState().Contains(csDesigning) &&
      (Value < 0 || (ds && ds->Active() && XIndicatorOffset() + Value >= ColCount()))) {
    MessageDlg("Invalid value for FixedCols", mtWarning, {mbOK}, 0);
    return;
  }
  fixedCols_ = Value;
  LayoutChanged();
}

void TvxDBGrid::LayoutChanged() {
  // The platform grid starts again at its first scrolling column whenever
  // its fixed columns change, and a layout changes them twice: the
  // current column stays where it was.
  const int col = Col();
  TvxCustomDBGrid::LayoutChanged();
  if (col != Col() && col >= TCustomGrid::FixedCols() && col < ColCount()) MoveColRow(col, Row(), true, false);
}

void TvxDBGrid::SetColumnAttributes() {
  if (UseTFields() && !inLinkActive_) UpdateSelectedProperty();
  TDataSet* ds = GridDataSet();
  const int fixed = XIndicatorOffset() + fixedCols_;
  if (fixed != TCustomGrid::FixedCols() && ds && ds->Active() && fixed < ColCount() && fixedCols_ >= 0)
    TCustomGrid::SetFixedCols(fixed);
  TvxCustomDBGrid::SetColumnAttributes();
  // After the core's attributes, which give every data column its stop.
  for (int c = 0; c < TCustomGrid::FixedCols(); ++c) SetTabStops(c, false);
  if (!DataLink()->Active()) return;
  for (int i = 0; i < GetFieldCount(); ++i) {
    TField* f = GetFields(i);
    const int col = i + IndicatorOffset();
    if (!f || !f->Calculated() || col < TCustomGrid::FixedCols() || col >= ColCount()) continue;
    TCustomEdit* control = nullptr;
    std::string type, params;
    vxDataSet_GetControl(ds, f->FieldName(), type, params);
    if (IsCustomEditCell(col, TitleOffset(), control) || IsSelectedCheckbox(col) || type == "Bitmap")
      SetTabStops(col, true);
  }
}

// ---- cell controls

TCustomEdit* TvxDBGrid::GetComponent(const std::string& Name) {
  TComponent* root = ControlRoot();
  TComponent* found = vxFindNamedControl(root, GridDataSet(), Name);
  return dynamic_cast<TCustomEdit*>(found);
}

bool TvxDBGrid::CellControlName(int ACol, int ARow, bool (*Wanted)(const std::string& Type), std::string& Name) {
  if (!IsValidCell(ACol, ARow)) return false;
  TField* f = GetColField(ACol - IndicatorOffset());
  const TStrings* lines = vxGetControlType(GridDataSet());
  if (!f || !lines) return false;
  for (int i = 0; i < lines->Count(); ++i) {
    std::string field, type;
    vxControlTypeParts(lines->Strings(i), field, type, Name);
    if (field == f->FieldName() && Wanted(type)) return true;
  }
  return false;
}

bool TvxDBGrid::IsCustomEditCell(int ACol, int ARow, TCustomEdit*& Control) {
  Control = nullptr;
  std::string name;
  if (!CellControlName(ACol, ARow, isVXEditControl, name)) return false;
  Control = GetComponent(name);
  if (!Control) return false;
  TCustomForm* form = GetParentForm(Control);
  return !(form && vxIsClass(form->ClassType(), "TvxRecordViewForm"));
}

bool TvxDBGrid::IsRichEditCell(int ACol, int ARow, TCustomEdit*& Control) {
  Control = nullptr;
  std::string name;
  if (!CellControlName(ACol, ARow, [](const std::string& Type) { return Type == "RichEdit"; }, name)) return false;
  Control = GetComponent(name);
  return true;
}

bool TvxDBGrid::IsVXControl(int ACol, int ARow) {
  if (!IsValidCell(ACol, ARow)) return false;
  TField* f = GetColField(ACol - IndicatorOffset());
  if (!f) return false;
  std::string type, params;
  vxDataSet_GetControl(GridDataSet(), f->FieldName(), type, params);
  if (type == "Bitmap" || type == "CheckBox") return true;
  // A cell whose control is not on the form is a plain cell, editor and all.
  TCustomEdit* control = nullptr;
  return isVXEditControl(type) && IsCustomEditCell(ACol, ARow, control);
}

bool TvxDBGrid::CanEditGrid() const { return Options().Contains(dgEditing) && !ReadOnly(); }

bool TvxDBGrid::IsMemoCell(int ACol, int ARow) const {
  // A picture's blob is a bitmap cell, never a memo to edit.
  if (!IsMemoField(ACol, ARow)) return false;
  TField* f = GetColField(ACol - IndicatorOffset());
  std::string type, params;
  vxDataSet_GetControl(GridDataSet(), f->FieldName(), type, params);
  return type != "Bitmap";
}

void TvxDBGrid::SetControlType(const std::string& Field, TvxFieldControlType Type, const std::string& Parameters) {
  TDataSet* ds = GridDataSet();
  if (!ds) return;
  std::string type;
  switch (Type) {
    case fctCheckBox: type = "CheckBox"; break;
    case fctBitmap: type = "Bitmap"; break;
    case fctCustom:
    case fctLookupCombo:
    case fctComboBox: type = "CustomEdit"; break;
    case fctRichEdit: type = "RichEdit"; break;
    default: break;
  }
  if (type == "CustomEdit" || type == "RichEdit")
    if (TCustomEdit* control = GetComponent(Parameters)) PrepareControl(control, Field);
  vxDataSet_SetControl(ds, Field, type, Parameters);
}

void TvxDBGrid::SetCurrentControl(TCustomEdit* Control) {
  if (Control == currentControl_) return;
  if (currentControl_) currentControl_->RemoveFreeNotification(this);
  currentControl_ = Control;
  if (Control) Control->FreeNotification(this);
}

bool TvxDBGrid::LayControl(TCustomEdit* Control, int ACol, int ARow, const TRect& R, TGridDrawState State) {
  const bool designing = ComponentState().Contains(csDesigning);
  if (designing) return false;
  SetCurrentControl(Control);
  const int dataCol = ACol - IndicatorOffset(), dataRow = ARow - TitleOffset();
  const bool highlight = HighlightCell(dataCol, dataRow, std::string(), State);
  TCustomForm* form = GetParentForm(this);
  auto validate = [&] {
    if (HandleAllocated()) ValidateRect(Handle(), &R);
    return true;
  };
  if (State.Contains(gdSelected)) {
    if (form && form->ActiveControl() == Control && Control->Parent() == this) {
      if (Control->Left() != R.Left || Control->Left() + Control->Width() != R.Right) Control->SetBoundsRect(R);
      return validate();
    }
    if (highlight && form && form->ActiveControl() == this) {
      {
        TvxActiveRecordScope record(DataLink(), dataRow);
        TField* f = GetColField(dataCol);
        const bool lookup = vxIsClass(Control->ClassType(), "TvxDBCustomLookupCombo");
        Control->SetText(lookup && f ? f->DisplayText() : GetFieldValue(dataCol));
      }
      if (!SameBounds(Control, R)) Control->SetBoundsRect(R);
      if (Control->Parent() != this) Control->SetParent(this);
      if (Control->Visible()) {
        if (AlwaysShowEditor() && Control->CanFocus()) Control->SetFocus();
        Control->Invalidate();
      } else {
        Control->Show();
        if (AlwaysShowEditor() && Control->CanFocus()) {
          Control->SetFocus();
          Control->SelectAll();
        }
        Control->Invalidate();
        if (!inPaint_) Update();
      }
      return validate();
    }
  }
  if (Control->Visible() && SameBounds(Control, R)) {
    Control->Invalidate();
    if (!inPaint_) Update();
    return validate();
  }
  return false;
}

void TvxDBGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (!inDrawCell_ && ACol == Col() && ARow == Row() && CanEditGrid()) {
    TRestoreScope drawing(inDrawCell_, true);
    TCustomEdit* control = nullptr;
    if (IsCustomEditCell(ACol, ARow, control) && LayControl(control, ACol, ARow, ARect, AState)) return;
  }
  TvxCustomDBGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TvxDBGrid::RedrawCurrentCell() {
  TCustomEdit* control = nullptr;
  if (CanEditGrid() && IsCustomEditCell(Col(), Row(), control)) {
    TRestoreScope drawing(inDrawCell_, true);
    LayControl(control, Col(), Row(), CellRect(Col(), Row()), TGridDrawState{gdSelected, gdFocused});
  }
  InvalidateCell(Col(), Row());
}

void TvxDBGrid::HideControls() {
  TCustomEdit* c = currentControl_;
  if (!c || !c->Visible() || c->Parent() != this) return;
  const bool hadFocus = c->Focused();
  c->Hide();
  if (hadFocus && CanFocus()) SetFocus();
}

void TvxDBGrid::Paint() {
  TRestoreScope painting(inPaint_, true);
  RefreshBookmarkList();
  if (!ShowVertScrollBar() && HandleAllocated()) SetScrollRange(Handle(), SB_VERT, 0, 0);
  TDataSet* ds = GridDataSet();
  if (currentControl_ && currentControl_->Visible() && ds && ds->Active()) {
    // A control whose field no longer shows goes with it.
    const std::string name = vxGetControlDataField(currentControl_);
    bool shown;
    if (UseTFields()) {
      TField* f = ds->FindField(name);
      shown = f && f->Visible();
    } else {
      int index = 0;
      shown = vxFindSelected(Selected(), name, index);
    }
    if (!shown) HideControls();
  }
  TvxCustomDBGrid::Paint();
  if (Focused() && !TabWrap() && !IsMemoField(Col(), Row()) && AlwaysShowEditor() && !IsVXControl(Col(), Row()))
    ShowEditor();
}

bool TvxDBGrid::CanEditShow() {
  if (!TvxCustomDBGrid::CanEditShow()) return false;
  if (AlwaysShowEditor() && !Focused() && InplaceEditor() && !InplaceEditor()->Visible()) return false;
  return !IsVXControl(Col(), Row()) && !IsMemoField(Col(), Row());
}

void TvxDBGrid::TopLeftChanged() {
  TvxCustomDBGrid::TopLeftChanged();
  TCustomEdit* c = currentControl_;
  if (!c || !c->Visible() || c->Parent() != this) return;
  const TRect r = CellRect(Col(), Row());
  if (IsRectEmpty(r)) {
    HideControls();
  } else if (!SameBounds(c, r)) {
    HideControls();
    Invalidate();
  }
}

void TvxDBGrid::ColEnter() {
  TCustomEdit* control = nullptr;
  if (CanEditGrid() && IsCustomEditCell(Col(), Row(), control)) {
    TDataSource* source = TvxCustomDBGrid::DataSource();
    if (vxGetControlDataSource(control) != source) vxSetControlDataSource(control, source);
    if (TField* f = SelectedField(); f && !SameText(vxGetControlDataField(control), f->FieldName()))
      vxSetControlDataField(control, f->FieldName());
    if (control->Parent() != this) control->SetParent(this);
    control->SetCtl3D(false);
    control->SetBorderStyle(bsNone);
  }
  TvxCustomDBGrid::ColEnter();
}

void TvxDBGrid::ColExit() {
  TvxCustomDBGrid::ColExit();
  if (ComponentState().Contains(csDesigning) || !currentControl_) return;
  TCustomForm* form = GetParentForm(this);
  if (form && (form->ActiveControl() == this || form->ActiveControl() == currentControl_)) HideControls();
}

void TvxDBGrid::Scroll(int Distance) {
  if (currentControl_ && currentControl_->Visible() && currentControl_->Focused() && CanFocus()) SetFocus();
  TvxCustomDBGrid::Scroll(Distance);
  RefreshBookmarkList();
}

void TvxDBGrid::DataChanged() {
  TvxCustomDBGrid::DataChanged();
  RefreshBookmarkList();
}

void TvxDBGrid::ColumnMoved(int FromIndex, int ToIndex) {
  HideControls();
  TvxCustomDBGrid::ColumnMoved(FromIndex, ToIndex);
}

void TvxDBGrid::DoExit() {
  HideControls();
  HideEditor();
  TvxCustomDBGrid::DoExit();
}

void TvxDBGrid::FlushChanges() {
  TvxCustomDBGrid::FlushChanges();
  // The control posts its value as it does when the focus leaves it.
  if (currentControl_ && currentControl_->Visible()) currentControl_->Perform(CM_EXIT, 0, 0);
}

// ---- keys and the mouse

void TvxDBGrid::KeyDown(Word& Key, TShiftState Shift) {
  TCustomEdit* control = nullptr;
  if (Key == VK_DOWN && Shift.Contains(ssAlt) && IsCustomEditCell(Col(), Row(), control) && control->Visible()) {
    if (control->CanFocus()) control->SetFocus();
    vxPlayKeystroke(control->Handle(), VK_DOWN, VK_MENU);
    Key = 0;
    return;
  }
  auto alive = LifeToken();
  TvxCustomDBGrid::KeyDown(Key, Shift);
  if (!*alive || Key == 0 || !DataLink()->Active() || !CanGridAcceptKey(Key, Shift)) return;
  const int col = Col(), row = Row();
  if (!(IsMemoField(col, row) || CanEditGrid() || IsSelectedCheckbox(col))) return;
  std::string on, off;
  if (IsCheckBox(col, row, on, off)) {
    if (Key == VK_SPACE) ToggleCheckBox(col, row);
  } else if (IsCustomEditCell(col, row, control)) {
    if (!control->Visible() || !control->CanFocus()) return;
    if (Key == VK_F2) {
      control->SetFocus();
    } else if (dynamic_cast<TvxDBCustomEdit*>(control) && vxIsValidChar(Key)) {
      control->SetFocus();
      TvxCheatCastKeyDown::DoKeyDown(control, Key, Shift);
    }
  } else if (IsRichEditCell(col, row, control)) {
    if (Key == VK_F2 && control) control->Perform(WM_KEYDOWN, VK_F2, 0);
    InvalidateCell(col, row);
  } else if (IsMemoCell(col, row)) {
    if (Key == VK_F2) CallMemoDialog();
    if (*alive) InvalidateCell(col, row);
  }
}

void TvxDBGrid::WMChar(TMessage& Message) {
  const int col = Col(), row = Row();
  if (!IsMemoField(col, row) && !IsVXControl(col, row)) {
    TvxCustomDBGrid::WMChar(Message);
    return;
  }
  const auto ch = static_cast<TChar>(Message.WParam);
  TCustomEdit* control = nullptr;
  if (CanEditGrid() && (ch == 8 || ch > 31) && IsCustomEditCell(col, row, control) && control->Visible() &&
      control->CanFocus()) {
    control->SetFocus();
    control->SelectAll();
    PostMessage(control->Handle(), WM_CHAR, Message.WParam, Message.LParam);
  }
}

void TvxDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  // What the core's press changes, taken before it runs.
  const bool anchorValid = anchorValid_;
  const TBookmark anchor = anchor_;
  const bool doubleClick = Shift.Contains(ssDouble);
  auto alive = LifeToken();
  TvxCustomDBGrid::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != mbLeft) return;
  Repaint();
  const TGridCoord cell = MouseCoord(X, Y);
  if (!IsValidCell(cell.X, cell.Y)) return;
  if (!(CanEditGrid() || IsSelectedCheckbox(cell.X) || Options().Contains(dgMultiSelect))) return;
  std::string on, off;
  TCustomEdit* control = nullptr;
  const bool single = editControlOptions_.Contains(ecoCheckboxSingleClick);
  if (IsCheckBox(cell.X, cell.Y, on, off)) {
    if ((CanEditGrid() || IsSelectedCheckbox(cell.X)) && single != doubleClick) ToggleCheckBox(cell.X, cell.Y);
  } else if (cell.X == Col() && cell.Y == Row() && CanEditGrid() && IsCustomEditCell(cell.X, cell.Y, control) &&
             !control->Visible()) {
    RedrawCurrentCell();
  }
  if (!*alive) return;
  TDataSet* ds = GridDataSet();
  if (Options().Contains(dgMultiSelect) && Shift.Contains(ssShift) && anchorValid && ds) {
    TBookmark from = ds->GetBookmark();
    SelectRecordRange(from, anchor);
  }
}

void TvxDBGrid::ToggleCheckBox(int ACol, int ARow) {
  std::string on, off;
  if (!IsCheckBox(ACol, ARow, on, off)) return;
  TField* f = GetColField(ACol - IndicatorOffset());
  if (!f || f->ReadOnly()) return;
  if (f->Calculated() && LowerCase(f->FieldName()) == "selected") {
    RefreshBookmarkList();
    if (IsSelected()) UnselectRecord();
    else SelectRecord();
    return;
  }
  TDataSource* source = TvxCustomDBGrid::DataSource();
  if (!source || !(source->AutoEdit() || source->State() == dsEdit || source->State() == dsInsert)) return;
  DataLink()->Edit();
  // The box shows checked for the checked value in any letter case; a
  // click on it must clear it, so the toggle compares as the painting does.
  const std::string value = GetFieldValue(ACol - IndicatorOffset());
  f->SetText(vxEqualStr(value, on) ? off : on);
  InvalidateCell(ACol, ARow);
}

void TvxDBGrid::CallMemoDialog() {
  if (memoAttributes_.Contains(mDisableDialog)) return;
  TField* f = SelectedField();
  if (!f) return;
  auto dialog = std::make_unique<TvxMemoDialog>(this);
  auto alive = LifeToken();
  TScopeExit after([&] {
    dialog.reset();
    if (!*alive) return;
    RedrawCurrentCell();
    SetEditorMode(false);
  });
  dialog->SetDataSource(TvxCustomDBGrid::DataSource());
  dialog->SetDataField(f->FieldName());
  TvxMemoAttributes attributes = memoAttributes_;
  if (!CanEditGrid() || f->ReadOnly()) attributes.Include(mViewOnly);
  dialog->SetMemoAttributes(attributes);
  std::string caption = f->DisplayLabel();
  std::replace(caption.begin(), caption.end(), '~', ' ');
  dialog->SetCaption(caption);
  dialog->SetFont(Font());
  dialog->SetDlgLeft(-1);
  if (OnMemoOpen) OnMemoOpen(this, dialog.get());
  const bool ok = dialog->Execute();
  if (OnMemoClose) OnMemoClose(this, !ok);
}

// ---- cells

std::string TvxDBGrid::GetFieldValue(int DataCol) {
  TField* f = GetColField(DataCol);
  if (!f) return {};
  const int col = DataCol + IndicatorOffset();
  TCustomEdit* control = nullptr;
  if (dynamic_cast<TBlobField*>(f) && IsRichEditCell(col, TitleOffset(), control)) {
    if (!richEdit_) {
      richEdit_ = new TRichEdit(this);
      richEdit_->SetVisible(false);
      richEdit_->SetParent(this);
    }
    std::string text;
    try {
      std::unique_ptr<TStream> s = f->DataSet()->CreateBlobStream(f, bmRead);
      richEdit_->LoadFromStream(*s);
      text = richEdit_->Text();
    } catch (const EDatabaseError&) {
      text.clear();
    }
    return text;
  }
  if (f->DataType() == ftMemo) {
    TDataSet* ds = f->DataSet();
    if (ds->Bof() && ds->Eof() && ds->State() != dsInsert) return {};
    if (!memoAttributes_.Contains(mGridShow)) return "(Memo)";
    try {
      return f->AsString();
    } catch (const Exception&) {
      return "(Memo)";
    }
  }
  if (IsCustomEditCell(col, TitleOffset(), control)) {
    std::string text;
    if (auto* edit = dynamic_cast<TvxDBCustomEdit*>(control); edit && edit->GetFieldMapText(text)) return text;
  }
  return f->DisplayText();
}

void TvxDBGrid::SetFieldValue(int DataCol, const std::string& Value) {
  if (TField* f = GetColField(DataCol)) f->SetText(Value);
}

std::string TvxDBGrid::FieldName(int ACol) const {
  TField* f = GetColField(ACol - IndicatorOffset());
  return f ? f->FieldName() : std::string();
}

int TvxDBGrid::GetActiveRow() const { return Row() - (Options().Contains(dgTitles) ? 1 : 0); }

int TvxDBGrid::GetActiveCol() const { return Col() - XIndicatorOffset(); }

void TvxDBGrid::SetActiveField(const std::string& Name) {
  if (!DataLink()->Active()) return;
  for (int i = 0; i < GetFieldCount(); ++i)
    if (TField* f = GetFields(i); f && SameText(f->FieldName(), Name)) {
      SetSelectedIndex(i);
      return;
    }
}

void TvxDBGrid::SetActiveRow(int DataRow) {
  TDataLink* link = DataLink();
  if (!link->Active() || link->RecordCount() == 0) return;
  // Only a row that holds a record can be the active one.
  DataRow = std::clamp(DataRow, 0, link->RecordCount() - 1);
  MoveColRow(Col(), DataRow + TitleOffset(), false, false);
  link->SetActiveRecord(DataRow);
  Invalidate();
}

void TvxDBGrid::InvalidateCurrentRow() {
  if (!HandleAllocated()) return;
  for (int c = 0; c < ColCount(); ++c) InvalidateCell(c, Row());
}

// ---- dependents

void TvxDBGrid::AddDependent(TComponent* Component) {
  if (!Component || std::find(dependents_.begin(), dependents_.end(), Component) != dependents_.end()) return;
  dependents_.push_back(Component);
  Component->FreeNotification(this);
}

void TvxDBGrid::RemoveDependent(TComponent* Component) {
  dependents_.erase(std::remove(dependents_.begin(), dependents_.end(), Component), dependents_.end());
}

// ---- multi-select

void TvxDBGrid::AddSelected(const TBookmark& Bookmark) {
  if (Bookmark.IsNull() || !selectedKeys_.insert(Key(Bookmark)).second) return;
  selectedList_.push_back(Bookmark);
}

void TvxDBGrid::RemoveEntry(std::size_t Index) {
  selectedKeys_.erase(Key(selectedList_[Index]));
  if (TDataSet* ds = GridDataSet()) ds->FreeBookmark(selectedList_[Index]);
  selectedList_.erase(selectedList_.begin() + static_cast<std::ptrdiff_t>(Index));
}

void TvxDBGrid::ClearSelected() {
  if (TDataSet* ds = GridDataSet())
    for (TBookmark& b : selectedList_) ds->FreeBookmark(b);
  selectedList_.clear();
  selectedKeys_.clear();
}

int TvxDBGrid::Order(const TBookmark& A, const TBookmark& B) {
  const int c = vxDataSetCompareBookmarks(GridDataSet(), A, B);
  return c == 2 ? 0 : c;
}

int TvxDBGrid::OrderOrLast(const TBookmark& A, const TBookmark& B) {
  try {
    return Order(A, B);
  } catch (const EDatabaseError&) {
    TDataSet* ds = GridDataSet();
    const bool aGone = !ds->BookmarkValid(A), bGone = !ds->BookmarkValid(B);
    return aGone == bGone ? 0 : aGone ? 1 : -1;
  }
}

bool TvxDBGrid::IsSelectedRecord() {
  TDataSet* ds = GridDataSet();
  if (!ds || ds->State() == dsEdit || ds->State() == dsInsert || selectedKeys_.empty()) return false;
  const TBookmark b = ds->GetBookmark();
  return !b.IsNull() && selectedKeys_.count(Key(b)) > 0;
}

const TBookmark* TvxDBGrid::findBookmark() {
  TDataSet* ds = GridDataSet();
  if (!ds || selectedKeys_.empty()) return nullptr;
  const TBookmark b = ds->GetBookmark();
  if (b.IsNull() || selectedKeys_.count(Key(b)) == 0) return nullptr;
  for (const TBookmark& e : selectedList_)
    if (e == b) return &e;
  return nullptr;
}

void TvxDBGrid::RefreshBookmarkList() {
  TDataLink* link = DataLink();
  const int rows = link->Active() ? link->RecordCount() : 0;
  rowFlags_.assign(static_cast<std::size_t>(std::max(rows, 0)), false);
  if (selectedList_.empty()) return;
  for (int r = 0; r < rows; ++r) {
    TvxActiveRecordScope record(link, r);
    rowFlags_[static_cast<std::size_t>(r)] = IsSelectedRecord();
  }
}

bool TvxDBGrid::IsSelectedRow(int DataRow) {
  return DataRow >= 0 && DataRow < static_cast<int>(rowFlags_.size()) && rowFlags_[static_cast<std::size_t>(DataRow)];
}

bool TvxDBGrid::IsSelected() { return IsSelectedRow(DataLink()->ActiveRecord()); }

void TvxDBGrid::SelectRecord() {
  TDataSet* ds = GridDataSet();
  if (!ds || !ds->Active()) return;
  if (anchorValid_) {
    ds->CheckBrowseMode();
    anchor_ = ds->GetBookmark();
  }
  ds->CheckBrowseMode();
  RefreshBookmarkList();
  if (IsSelectedRecord()) return;
  bool accept = true;
  if (OnMultiSelectRecord) OnMultiSelectRecord(this, true, accept);
  if (!accept) return;
  AddSelected(ds->GetBookmark());
  RefreshBookmarkList();
  InvalidateCurrentRow();
}

void TvxDBGrid::UnselectRecord() {
  TDataSet* ds = GridDataSet();
  if (!ds || !IsSelectedRecord()) return;
  bool accept = true;
  if (OnMultiSelectRecord) OnMultiSelectRecord(this, false, accept);
  if (!accept) return;
  const TBookmark b = ds->GetBookmark();
  for (std::size_t i = 0; i < selectedList_.size(); ++i)
    if (selectedList_[i] == b) {
      RemoveEntry(i);
      break;
    }
  RefreshBookmarkList();
  InvalidateCurrentRow();
}

void TvxDBGrid::SelectAll() {
  TDataSet* ds = GridDataSet();
  if (!ds || !ds->Active()) return;
  ClearSelected();
  {
    ds->CheckBrowseMode();
    TBookmark keep = ds->GetBookmark();
    // The controls come back whatever the walk meets.
    ds->DisableControls();
    TScopeExit enable([ds] { ds->EnableControls(); });
    selectedList_.reserve(static_cast<std::size_t>(std::max(0, ds->RecordCount())));
    for (ds->First(); !ds->Eof(); ds->Next()) AddSelected(ds->GetBookmark());
    if (!keep.IsNull()) ds->GotoBookmark(keep);
    ds->FreeBookmark(keep);
  }
  RefreshBookmarkList();
  Invalidate();
}

void TvxDBGrid::UnselectAll() {
  ClearSelected();
  Invalidate();
  rowFlags_.assign(rowFlags_.size(), false);
}

void TvxDBGrid::RemoveSelected(const TBookmark& From, const TBookmark& To) {
  if (!GridDataSet()) return;
  for (std::size_t i = selectedList_.size(); i-- > 0;) {
    const TBookmark& e = selectedList_[i];
    if (OrderOrLast(e, From) >= 0 && OrderOrLast(e, To) <= 0) RemoveEntry(i);
  }
  RefreshBookmarkList();
  Invalidate();
}

void TvxDBGrid::SelectRecordRange(const TBookmark& From, const TBookmark& To) {
  TDataSet* ds = GridDataSet();
  TDataLink* link = DataLink();
  if (!ds || !ds->Active() || From.IsNull() || To.IsNull()) return;
  const int screenRow = link->ActiveRecord();
  // The controls come back on every path, an error's included.
  ds->DisableControls();
  TScopeExit enable([ds] { ds->EnableControls(); });
  if (OrderOrLast(From, To) < 0) {
    RemoveSelected(From, To);
    // An anchor that is gone is never reached: the dataset's end stops the walk.
    for (;;) {
      const TBookmark b = ds->GetBookmark();
      AddSelected(b);
      if (OrderOrLast(b, To) >= 0) break;
      ds->Next();
      if (ds->Eof()) break;
    }
    ds->GotoBookmark(From);
  } else {
    ds->GotoBookmark(To);
    RemoveSelected(To, From);
    try {
      AddSelected(ds->GetBookmark());
      while (OrderOrLast(ds->GetBookmark(), From) < 0) {
        ds->Next();
        if (ds->Eof()) break;
        AddSelected(ds->GetBookmark());
      }
    } catch (const EDatabaseError&) {
      // A record the walk cannot read ends it; what it selected stays.
    }
    ds->GotoBookmark(From);
  }
  // The window follows the dataset now, so that the clicked record comes
  // back to the row it was clicked on.
  ds->EnableControls();
  ds->DisableControls();
  const int rows = VisibleRowCount();
  if (link->ActiveRecord() < screenRow) ds->MoveBy(-screenRow);
  else if (rows - 1 - screenRow != 0) ds->MoveBy(rows - 1 - screenRow);
  ds->EnableControls();
  ds->DisableControls();
  int row = -1;
  for (int r = 0; r < link->RecordCount() && row < 0; ++r) {
    TvxActiveRecordScope record(link, r);
    if (ds->GetBookmark() == From) row = r;
  }
  if (row >= 0) SetActiveRow(row);
  else ds->GotoBookmark(From);
  RefreshBookmarkList();
  Invalidate();
}

void TvxDBGrid::SortSelectedList() {
  std::vector<TBookmark>& v = selectedList_;
  // Quicksort on the middle entry; the bounds hold whatever the dataset answers.
  std::function<void(int, int)> sort = [&](int lo, int hi) {
    while (lo < hi) {
      const TBookmark pivot = v[static_cast<std::size_t>(lo + (hi - lo) / 2)];
      int i = lo, j = hi;
      while (i <= j) {
        while (i <= hi && Order(v[static_cast<std::size_t>(i)], pivot) < 0) ++i;
        while (j >= lo && Order(v[static_cast<std::size_t>(j)], pivot) > 0) --j;
        if (i <= j) std::swap(v[static_cast<std::size_t>(i++)], v[static_cast<std::size_t>(j--)]);
      }
      if (j - lo < hi - i) {
        sort(lo, j);
        lo = i;
      } else {
        sort(i, hi);
        hi = j;
      }
    }
  };
  if (GridDataSet() && v.size() > 1) sort(0, static_cast<int>(v.size()) - 1);
}

}  // namespace vx

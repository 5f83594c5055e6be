// The core of the library's data grids: TvxCustomDBGrid over the framework's
// cell grid, bound to a dataset by TvxGridDataLink. Its columns are the
// dataset's visible fields (UseTFields) or the lines of its Selected list
// ("Field TAB width TAB title", "~" breaking a title into lines); its rows
// are the link's record window. Cells that the dataset's ControlType list
// makes check boxes or bitmaps are drawn as such. The in-place editor
// (TvxInplaceEdit) checks typing against the field's picture.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Buttons.h"
#include "DataSource.h"
#include "Fields.h"
#include "Grids.h"
#include "Vxdbedit.h"
#include "VxdbgridBase.h"

namespace fw {
class TBitmap;
}

namespace vx {

class TvxCustomDBGrid;

FW_ENUM(TvxDBGridOption, dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
        dgTabs, dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgWordWrap, dgPerfectRowFit,
        dgMultiSelect)
using TvxDBGridOptions = fw::TFlags<TvxDBGridOption>;
FW_ENUM(TvxDBGridKeyOption, dgEnterToTab, dgAllowDelete, dgAllowInsert)
using TvxDBGridKeyOptions = fw::TFlags<TvxDBGridKeyOption>;
FW_ENUM(TIndicatorColorType, icBlack, icYellow)
FW_ENUM(TvxMultiSelectOption, msoAutoUnselect, msoShiftSelect)
using TvxMultiSelectOptions = fw::TFlags<TvxMultiSelectOption>;

inline constexpr TvxDBGridOptions vxDefaultGridOptions = TvxDBGridOptions::FromBits(7421);
inline constexpr int vxMaxMappedColumns = 16380;

using TvxDrawDataCellEvent =
    std::function<void(fw::TObject* Sender, const fw::TRect& Rect, fw::TField* Field, fw::TGridDrawState State)>;
using TCalcCellColorsEvent = std::function<void(fw::TObject* Sender, fw::TField* Field, fw::TGridDrawState State,
                                                bool Highlight, fw::TFont* AFont, fw::TBrush* ABrush)>;
using TCalcTitleAttributesEvent =
    std::function<void(fw::TObject* Sender, const std::string& AFieldName, fw::TFont* AFont, fw::TBrush* ABrush,
                       fw::TAlignment& ATitleAlignment)>;
using TTitleButtonClickEvent = std::function<void(fw::TObject* Sender, const std::string& AFieldName)>;

// The link's active record moved to a row (to paint or test it), and back
// after, however the work ends.
class TvxActiveRecordScope {
public:
  TvxActiveRecordScope(fw::TDataLink* Link, int Record) : link_(Link), keep_(Link->ActiveRecord()) {
    link_->SetActiveRecord(Record);
  }
  ~TvxActiveRecordScope() { link_->SetActiveRecord(keep_); }
  TvxActiveRecordScope(const TvxActiveRecordScope&) = delete;
  TvxActiveRecordScope& operator=(const TvxActiveRecordScope&) = delete;

private:
  fw::TDataLink* link_;
  int keep_;
};

// ---------------------------------------------------------------- the data link

class TvxGridDataLink : public fw::TDataLink {
  FW_CLASS(TvxGridDataLink, fw::TDataLink)
public:
  explicit TvxGridDataLink(TvxCustomDBGrid* AGrid) : grid_(AGrid) {}
  ~TvxGridDataLink() override { ClearMapping(); }

  bool GetDefaultFields() const;
  // Nil for any index outside the map.
  fw::TField* GetFields(int I) const;
  // False, the map unchanged, for a name the dataset lacks; raises
  // EInvalidGridOperation once the map is full.
  bool AddMapping(const std::string& FieldName);
  void ClearMapping();
  int FieldCount() const { return static_cast<int>(map_.size()); }
  int MapCapacity() const { return capacity_; }

  bool IsModified() const { return modified_; }
  void Modified() { modified_ = true; }
  // Esc: the cell's change goes first; then, asked when it was changed, the record's.
  void Reset();
  void UpdateData() override;

protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int Distance) override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(fw::TField* Field) override;

private:
  TvxCustomDBGrid* grid_;
  std::vector<std::int32_t> map_;
  int capacity_ = 0;
  bool modified_ = false;
  bool inUpdateData_ = false;
};

// ---------------------------------------------------------------- the in-place editor

class TvxInplaceEdit : public fw::TInplaceEdit {
  FW_CLASS(TvxInplaceEdit, fw::TInplaceEdit)
public:
  explicit TvxInplaceEdit(fw::TComponent* AOwner);
  ~TvxInplaceEdit() override;

  TvxDBPicture* Picture() const { return picture_.get(); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  bool HavePictureMask() const;
  bool IsValidPictureValue(const std::string& Text);
  // The field's picture as the dataset gives it, then the field's text checked.
  void LoadPicture();

protected:
  void CreateParams(fw::TCreateParams& Params) override;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyUp(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyPress(fw::TChar& Key) override;
  void WMPaste(fw::TMessage& Message) override;
  void DoEnter() override;
  void FontChanged() override;

private:
  TvxCustomDBGrid* DBGrid() const;
  std::unique_ptr<TvxDBPicture> picture_;
  bool wordWrap_ = false;
  bool useInGridEditor_ = false;
};

// ---------------------------------------------------------------- the corner button

class TvxIButton : public fw::TSpeedButton {
  FW_CLASS(TvxIButton, fw::TSpeedButton)
public:
  using fw::TSpeedButton::TSpeedButton;
  void Loaded() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
};

// ---------------------------------------------------------------- the grid

class TvxCustomDBGrid : public fw::TCustomGrid, public IvxEditGrid {
  FW_CLASS(TvxCustomDBGrid, fw::TCustomGrid)
public:
  explicit TvxCustomDBGrid(fw::TComponent* AOwner);
  ~TvxCustomDBGrid() override;

  // ---- data
  fw::TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(fw::TDataSource* Value);
  TvxGridDataLink* DataLink() const { return dataLink_.get(); }
  int GetFieldCount() const { return dataLink_->FieldCount(); }
  fw::TField* GetFields(int I) const { return dataLink_->GetFields(I); }
  fw::TField* GetColField(int DataCol) const;
  int SelectedIndex() const { return Col() - indicatorOffset_; }
  void SetSelectedIndex(int Value) { MoveCol(Value); }
  fw::TField* SelectedField() const;
  void SetSelectedField(fw::TField* Value);
  fw::TStrings* Selected() const { return selected_.get(); }
  void SetSelected(const fw::TStrings* Value);

  // ---- cells
  bool IsValidCell(int ACol, int ARow) const;
  bool IsMemoField(int ACol, int ARow) const;
  bool IsCheckBox(int ACol, int ARow, std::string& CheckedValue, std::string& UncheckedValue);
  bool IsSelectedCheckbox(int ACol);
  void SetPictureMask(const std::string& FieldName, const std::string& Mask);
  void SetPictureAutoFill(const std::string& FieldName, bool AutoFill);
  int GetColWidthsPixels(int I) const { return ColWidths(I); }
  void SetColWidthsPixels(int I, int W);

  // ---- look and behaviour
  TvxDBGridOptions Options() const { return options_; }
  void SetOptions(TvxDBGridOptions Value);
  TvxDBGridKeyOptions KeyOptions() const { return keyOptions_; }
  void SetKeyOptions(TvxDBGridKeyOptions Value) { keyOptions_ = Value; }
  TvxMultiSelectOptions MultiSelectOptions() const { return multiSelectOptions_; }
  void SetMultiSelectOptions(TvxMultiSelectOptions Value) { multiSelectOptions_ = Value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  fw::TFont* TitleFont() const { return titleFont_.get(); }
  void SetTitleFont(const fw::TFont* Value);
  fw::TColor TitleColor() const { return titleColor_; }
  void SetTitleColor(fw::TColor Value);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool Value) { defaultDrawing_ = Value; }
  TIndicatorColorType IndicatorColor() const { return indicatorColor_; }
  void SetIndicatorColor(TIndicatorColorType Value);
  fw::TAlignment TitleAlignment() const { return titleAlignment_; }
  void SetTitleAlignment(fw::TAlignment Value);
  int TitleLines() const { return titleLines_; }
  void SetTitleLines(int Value);
  int RowHeightPercent() const { return rowHeightPercent_; }
  void SetRowHeightPercent(int Value);
  bool TitleButtons() const { return titleButtons_; }
  void SetTitleButtons(bool Value);
  bool ShowVertScrollBar() const { return showVertScrollBar_; }
  void SetShowVertScrollBar(bool Value);
  bool GetShowHorzScrollBar() const;
  void SetShowHorzScrollBar(bool Value);
  bool EditCalculated() const { return editCalculated_; }
  void SetEditCalculated(bool Value) { editCalculated_ = Value; }
  bool UseTFields() const { return useTFields_; }
  void SetUseTFields(bool Value);
  int IndicatorWidth() const { return indicatorWidth_; }
  void SetIndicatorWidth(int Value);
  TvxIButton* IndicatorButton() const { return indicatorButton_; }
  void SetIndicatorButton(TvxIButton* Value);
  int TitleOffset() const { return titleOffset_; }
  int IndicatorOffset() const { return indicatorOffset_; }
  // Whether the edited text of the cell or a record is under a Tab move.
  bool TabWrap() const { return tabWrap_; }

  // ---- layout
  void SizeLastColumn();
  bool IsScrollBarVisible();
  bool AllowPerfectFit() const;
  void DoPerfectFit();
  void UpdateScrollBar();
  void MoveCol(int DataCol);
  bool AcquireFocus();
  void DefaultDrawDataCell(const fw::TRect& Rect, fw::TField* Field, fw::TGridDrawState State);

  // ---- what the data link reports
  virtual void LayoutChanged();
  virtual void Scroll(int Distance);
  virtual void LinkActive(bool Active);
  virtual void DataChanged();
  virtual void FlushChanges() { dataLink_->UpdateData(); }
  void EditingChanged();
  void RecordChanged(fw::TField* Field);
  // Writes the edited text into the selected field.
  void UpdateData();
  void Edit();

  // ---- IvxEditGrid
  fw::TWinControl* GridControl() override { return this; }
  // The full grid (TvxDBGrid) says so; the core serves the lighter relatives too.
  bool IsDataGrid() const override { return false; }
  bool AlwaysShowEditor() const override { return options_.Contains(dgAlwaysShowEditor); }
  bool TabsMove() const override { return options_.Contains(dgTabs); }
  bool GridFocused() const override { return Focused(); }
  fw::TColor GridFontColor() const override { return Font()->Color(); }
  void GridKeyDown(fw::Word& Key, fw::TShiftState Shift) override { KeyDown(Key, Shift); }
  void GridOnKeyDown(fw::Word& Key, fw::TShiftState Shift) override {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
  }
  bool EnterToTab() const override { return keyOptions_.Contains(dgEnterToTab); }

  void Loaded() override;
  void Dispatch(fw::TMessage& Message) override;

  fw::TNotifyEvent OnColEnter;
  fw::TNotifyEvent OnColExit;
  TvxDrawDataCellEvent OnDrawDataCell;
  TCalcCellColorsEvent OnCalcCellColors;
  TCalcTitleAttributesEvent OnCalcTitleAttributes;
  TTitleButtonClickEvent OnTitleButtonClick;
  TvxValidateEvent OnCheckValue;
  fw::TNotifyEvent OnTopRowChanged;
  fw::TMovedEvent OnColumnMoved;

protected:
  friend class TvxGridDataLink;
  friend class TvxInplaceEdit;
  friend class TvxIButton;

  virtual void DefineFieldMap();
  virtual void SetColumnAttributes();
  virtual bool HighlightCell(int DataCol, int DataRow, const std::string& Value, fw::TGridDrawState State);
  virtual bool IsVXControl(int ACol, int ARow);
  virtual void DoCalcCellColors(fw::TField* Field, fw::TGridDrawState State, bool Highlight, fw::TFont* AFont,
                                fw::TBrush* ABrush);
  virtual void DoTitleButtonClick(const std::string& AFieldName);
  virtual void DoCalcTitleAttributes(const std::string& AFieldName, fw::TFont* AFont, fw::TBrush* ABrush,
                                     fw::TAlignment& ATitleAlignment);
  virtual fw::TColor CellColor(int ACol);
  virtual void DrawCheckBox(const fw::TRect& Rect, int ACol, int ARow, bool Checked);
  virtual void RefreshBookmarkList() {}
  virtual void HideControls() {}
  virtual void UnselectAll() {}
  virtual void DoTopRowChanged();
  virtual void SelectRecord() {}
  virtual void UnselectRecord() {}
  virtual void CalcRowHeight();
  virtual bool AllowCancelOnExit() { return true; }
  virtual void ColEnter();
  virtual void ColExit();
  virtual std::string GetFieldValue(int ACol);
  virtual void DrawDataCell(const fw::TRect& Rect, fw::TField* Field, fw::TGridDrawState State);
  virtual bool IsSelectedRow(int) { return false; }
  virtual bool IsSelected() { return false; }

  void UpdateRowCount();
  void UpdateActive();
  void DrawCheckBox_Checkmark(const fw::TRect& Rect, bool Checked);
  void Draw3DLines(const fw::TRect& Rect, int ACol, int ARow, fw::TGridDrawState State);
  // The bitmap of a blob field of the current record; empty when it holds none.
  static void LoadBitmapFromBlob(fw::TField* Field, fw::TBitmap* Bitmap);

  // ---- the cell grid's hooks
  void DrawCell(int ACol, int ARow, const fw::TRect& ARect, fw::TGridDrawState AState) override;
  bool OwnsScrollBar(int Bar) const override { return Bar != fw::SB_VERT; }
  bool CanSizeCol(int ACol) const override { return ACol >= indicatorOffset_; }
  void TopLeftChanged() override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void ColWidthsChanged() override;
  void TimedScroll(fw::TGridScrollDirection Direction) override;
  fw::TInplaceEdit* CreateEditor() override;
  bool CanEditShow() override;
  bool CanEditAcceptKey(fw::TChar Key) override;
  bool CanEditModify() override;
  int GetEditLimit() override;
  std::string GetEditMask(int ACol, int ARow) override;
  std::string GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyPress(fw::TChar& Key) override;
  void MouseDown(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  void MouseUp(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  void DoExit() override;
  void CreateWnd() override;
  void FontChanged() override;
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;
  void BeforeDestruction() override;
  void WMVScroll(fw::TMessage& Message) override;
  void WMSize(fw::TMessage& Message) override;

private:
  void TitleFontChanged();
  void NextRecord();
  void PriorRecord();
  void TabMove(bool Forward);
  void DeleteRecord();
  void DrawIndicator(const fw::TRect& Rect);
  void InvalidateIndicatorRow();
  bool UntouchedInsert() const;
  // At the end of the dataset, also on a record the grid appended (the
  // dataset does not report its end there).
  bool AtEnd() const;
  void DrawCellText(const fw::TRect& Rect, int ACol, int ARow, const std::string& Text, fw::TAlignment Alignment);
  bool DrawControlTypeCell(int ACol, int ARow, const fw::TRect& Rect, fw::TGridDrawState State);
  void PaintControlBackground(int ACol, int ARow, const fw::TRect& Rect, fw::TGridDrawState State, bool& Highlight);
  // ActiveRecord: the link's active record before the paint moved it to the cell's row.
  void DrawBitmapCell(int ACol, int ARow, fw::TField* Field, const std::string& Params, const fw::TRect& Rect,
                      fw::TGridDrawState State, int ActiveRecord);
  void DrawTitleButton(const fw::TRect& Rect, bool Pressed);
  void PressTitleButton(fw::TMouseButton Button, int X, int Y);
  // Splits a Selected line at its TABs.
  static std::vector<std::string> SelectedParts(const std::string& Line);
  bool FindSelectedLine(const std::string& FieldName, std::vector<std::string>& Parts) const;

  std::unique_ptr<fw::TStringList> selected_;
  std::unique_ptr<fw::TFont> titleFont_;
  fw::TColor titleColor_ = fw::clBtnFace;
  bool readOnly_ = false;
  int titleOffset_ = 1;
  int indicatorOffset_ = 1;
  int layoutLock_ = 0;
  bool inLayout_ = false;
  bool inColExit_ = false;
  bool defaultDrawing_ = true;
  bool titleFollowsParent_ = false;
  TvxDBGridOptions options_ = vxDefaultGridOptions;
  TvxDBGridKeyOptions keyOptions_{dgAllowDelete, dgAllowInsert};
  std::unique_ptr<TvxGridDataLink> dataLink_;
  std::string editText_;
  TIndicatorColorType indicatorColor_ = icBlack;
  fw::TAlignment titleAlignment_ = fw::taLeftJustify;
  int rowHeightPercent_ = 100;
  int titleLines_ = 1;
  bool showVertScrollBar_ = true;
  bool titleButtons_ = false;
  bool editCalculated_ = false;
  bool useTFields_ = true;
  int indicatorWidth_ = 11;
  TvxIButton* indicatorButton_ = nullptr;
  bool inRowCountUpdate_ = false;
  int paintRow_ = -1;
  int paintCol_ = -1;
  bool whiteBrush_ = false;
  bool focusDrawn_ = false;
  bool linesDone_ = false;
  int indicatorRow_ = -1;
  int pressedCol_ = -1;
  int pressedRow_ = -1;
  TvxMultiSelectOptions multiSelectOptions_;
  bool tabWrap_ = false;
  bool appended_ = false;

protected:
  bool updateFields_ = true;
  bool acquireFocus_ = true;
  bool keepControls_ = false;
  bool anchorValid_ = false;
  fw::TBookmark anchor_;
  std::string checkedValue_;
  std::string uncheckedValue_;
};

// The indicator bitmaps the grids share while any grid lives (for checking
// what they draw): browse, edit and insert.
const fw::TBitmap* vxGridIndicatorBitmap(fw::TDataSetState State);
int vxLiveGridCount();

}  // namespace vx

// The library's grid unit: the full data grid TvxDBGrid, and (from
// VxdbgridBase.h) the text writers, IvxEditGrid and the memo dialog
// component.
//
// TvxDBGrid is the core grid (Vxdbigrd) with what the dataset's ControlType
// list asks for beyond painting: an edit control of the form ("CustomEdit",
// "LookupCombo", "Combo") laid over the current cell and kept there while
// the grid scrolls, rich-edit cells shown as their plain text, check boxes
// toggled by the mouse and Space, memo cells shown as "(Memo)" or as their
// text and edited in the memo dialog, data columns that stay while the rest
// scroll (FixedCols), and records selected by Ctrl and Shift clicks, kept
// as a list of bookmarks. It refuses datasets that are not the library's.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "VxdbgridBase.h"
#include "Vxdbigrd.h"

namespace fw {
class TCustomEdit;
class TRichEdit;
}

namespace vx {

FW_ENUM(TvxEditControlOption, ecoCheckboxSingleClick, ecoSearchOwnerForm)
using TvxEditControlOptions = fw::TFlags<TvxEditControlOption>;
FW_ENUM(TvxFieldControlType, fctNone, fctField, fctCheckBox, fctBitmap, fctCustom, fctLookupCombo, fctComboBox,
        fctRichEdit)

class TvxDBGrid;
using TvxMemoOpenEvent = std::function<void(TvxDBGrid* Grid, TvxMemoDialog* MemoDialog)>;
using TvxMemoCloseEvent = std::function<void(TvxDBGrid* Grid, bool Cancel)>;
using TvxSelectRecordEvent = std::function<void(TvxDBGrid* Grid, bool Selecting, bool& Accept)>;

class TvxDBGrid : public TvxCustomDBGrid {
  FW_CLASS(TvxDBGrid, TvxCustomDBGrid)
public:
  explicit TvxDBGrid(fw::TComponent* AOwner);
  ~TvxDBGrid() override;

  // ---- binding
  // The grid's source when it is a TvxDataSource; nullptr for any other.
  fw::TDataSource* DataSource() const;
  void SetDataSource(fw::TDataSource* Value) { TvxCustomDBGrid::SetDataSource(Value); }
  // Refuses a dataset that is not the library's ("vxGrid must use an
  // Lumerix compatible TDataSet."), prepares the cell controls, drops the
  // dataset's lines for fields and controls that are gone, applies Selected.
  void RedrawGrid();
  void ApplySelected();
  void UpdateSelectedProperty();
  void RefreshDisplay();
  // The ControlType lines' edit and rich-edit controls become hidden
  // children of the grid, bound to its source and to their fields.
  void InitControls();

  // ---- settings
  TvxMemoAttributes MemoAttributes() const { return memoAttributes_; }
  void SetMemoAttributes(TvxMemoAttributes Value);
  // Data columns that stay while the others scroll (the indicator not counted).
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int Value);
  TvxEditControlOptions EditControlOptions() const { return editControlOptions_; }
  void SetEditControlOptions(TvxEditControlOptions Value) { editControlOptions_ = Value; }

  // ---- cell controls
  // The edit control of that name (a TCustomEdit) on the owner form, or with
  // ecoSearchOwnerForm off on the parent form; a qualified name
  // ("Form.Control") is the part after its last "." among the components of
  // the dataset's owner.
  fw::TCustomEdit* GetComponent(const std::string& Name);
  bool IsCustomEditCell(int ACol, int ARow, fw::TCustomEdit*& Control);
  bool IsRichEditCell(int ACol, int ARow, fw::TCustomEdit*& Control);
  bool IsVXControl(int ACol, int ARow) override;
  bool CanEditGrid() const;
  void SetControlType(const std::string& FieldName, TvxFieldControlType Type, const std::string& Parameters);
  // The edit control laid over the current cell last; nullptr when none.
  fw::TCustomEdit* CurrentControl() const { return currentControl_; }

  // ---- cells and places
  void SetFieldValue(int DataCol, const std::string& Value);
  std::string FieldName(int ACol) const;
  int GetRowCount() const { return RowCount(); }
  int GetColCount() const { return ColCount(); }
  int GetActiveRow() const;
  int GetActiveCol() const;
  fw::TField* GetActiveField() const { return SelectedField(); }
  void SetActiveField(const std::string& Name);
  // The current row and the link's active record, kept to the records it holds.
  void SetActiveRow(int DataRow);
  int XIndicatorOffset() const { return Options().Contains(dgIndicator) ? 1 : 0; }
  void InvalidateCurrentRow();
  void ToggleCheckBox(int ACol, int ARow);
  void CallMemoDialog();
  std::string GetFieldValue(int DataCol) override;

  // ---- multi-select
  // The selection holds a bookmark a selected record. Every dataset of the
  // framework gives a record one bookmark, whose bytes its comparison
  // answers 0 for and nothing else: the row flags look the bookmarks up by
  // their bytes rather than comparing each row with every entry.
  const std::vector<fw::TBookmark>& SelectedList() const { return selectedList_; }
  int SelectedCount() const { return static_cast<int>(selectedList_.size()); }
  void SelectRecord() override;
  void UnselectRecord() override;
  void SelectAll();
  void UnselectAll() override;
  bool IsSelectedRecord();
  bool IsSelected() override;
  bool IsSelectedRow(int DataRow) override;
  void RefreshBookmarkList() override;
  // The entry for the current record, or nullptr.
  const fw::TBookmark* findBookmark();
  // Drops the entries from From to To, both included, in dataset order.
  void RemoveSelected(const fw::TBookmark& From, const fw::TBookmark& To);
  // Selects the records from From (the record clicked) to To (the anchor),
  // dropping earlier entries of that range first.
  void SelectRecordRange(const fw::TBookmark& From, const fw::TBookmark& To);
  void SortSelectedList();

  // ---- dependents: told of the grid's removal when it goes
  void AddDependent(fw::TComponent* Component);
  void RemoveDependent(fw::TComponent* Component);

  // ---- IvxEditGrid
  bool IsDataGrid() const override { return true; }

  // ---- what the data link reports
  void LayoutChanged() override;
  void Scroll(int Distance) override;
  void LinkActive(bool Active) override;
  void DataChanged() override;
  void FlushChanges() override;

  void Loaded() override;
  void Dispatch(fw::TMessage& Message) override;

  TvxMemoOpenEvent OnMemoOpen;
  TvxMemoCloseEvent OnMemoClose;
  TvxSelectRecordEvent OnMultiSelectRecord;

protected:
  void Paint() override;
  bool CanEditShow() override;
  void DrawCell(int ACol, int ARow, const fw::TRect& ARect, fw::TGridDrawState AState) override;
  void SetColumnAttributes() override;
  void HideControls() override;
  void ColEnter() override;
  void ColExit() override;
  void TopLeftChanged() override;
  void DoExit() override;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void MouseDown(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void WMChar(fw::TMessage& Message) override;
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;
  void BeforeDestruction() override;

private:
  fw::TDataSet* GridDataSet() const;
  // The form whose components ControlType names.
  fw::TComponent* ControlRoot();
  // The control name of the cell's ControlType line whose type is Wanted.
  bool CellControlName(int ACol, int ARow, bool (*Wanted)(const std::string& Type), std::string& Name);
  // A control of the ControlType list made ready to sit in a cell.
  void PrepareControl(fw::TCustomEdit* Control, const std::string& FieldName);
  // The edit control over the current cell: placed, filled and shown as
  // the cell's state asks; true when it covers the cell.
  bool LayControl(fw::TCustomEdit* Control, int ACol, int ARow, const fw::TRect& Rect, fw::TGridDrawState State);
  // The current cell laid out again as selected (its control shown over it).
  void RedrawCurrentCell();
  void SetCurrentControl(fw::TCustomEdit* Control);
  bool IsMemoCell(int ACol, int ARow) const;
  void AddSelected(const fw::TBookmark& Bookmark);
  void RemoveEntry(std::size_t Index);
  void ClearSelected();
  // -1, 0 or 1 by the dataset's order; its answer 2 counts as the same record.
  int Order(const fw::TBookmark& A, const fw::TBookmark& B);
  // As Order, but a record the dataset cannot place (deleted) lies after every other.
  int OrderOrLast(const fw::TBookmark& A, const fw::TBookmark& B);

  TvxMemoAttributes memoAttributes_{mSizeable, mWordWrap};
  bool redrawing_ = false;
  bool redrawnOnce_ = false;
  bool controlsInitialised_ = false;
  bool inDrawCell_ = false;
  bool inPaint_ = false;
  int fixedCols_ = 0;
  bool inLinkActive_ = false;
  bool loaded_ = false;
  TvxEditControlOptions editControlOptions_{ecoSearchOwnerForm};
  fw::TRichEdit* richEdit_ = nullptr;  // made on first need, owned and parented by the grid
  std::vector<fw::TBookmark> selectedList_;
  std::unordered_set<std::string> selectedKeys_;  // the bytes of every entry
  std::vector<fw::TComponent*> dependents_;
  std::vector<bool> rowFlags_;  // a visible row each: selected
  fw::TCustomEdit* currentControl_ = nullptr;
};

}  // namespace vx

// The data grid: TDBGrid shows the records of a data source's dataset as
// rows and its fields as columns, and edits them in place.
//
// Rows. The grid's data link buffers the rows that fit in the window, never
// the table: the dataset reads as many records as are shown. A row is a
// record of that window; the current row is the dataset's current record.
// The indicator column (dgIndicator) marks it with an arrow while browsing, a
// beam while it is edited and a star while it is inserted.
//
// Columns. While Columns().State() is csDefault the columns are the dataset's
// visible fields, made again whenever the fields change; csCustomized keeps
// the columns as they are (a column whose field is gone shows nothing).
// RestoreDefaults gives every column its field's width, title and rules back.
//
// Editing (dgEditing, not ReadOnly). Typing or F2 starts an edit of the
// current record; the edited text goes into the field when the cell is left
// and the record is posted when the row changes. Esc first drops the change
// of the cell, then cancels the record. Down past the last record appends
// one; an appended record that nothing was typed into is cancelled when it
// is left. Ctrl+Del deletes the record, after "Delete record?" with
// dgConfirmDelete. Blob cells show their kind ("(Memo)") and are not edited
// in place.
//
// The vertical scroll bar follows the record position: the record number
// for a dataset that knows its record numbers, else the start, the middle or
// the end.
#pragma once
#include <memory>
#include <string>

#include "DataSource.h"
#include "Fields.h"
#include "Grids.h"

namespace fw {

class TDBGrid;
class TDBGridColumns;

FW_ENUM(TDBGridOption, dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
        dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit)
using TDBGridOptions = TFlags<TDBGridOption>;
FW_ENUM(TDBGridColumnsState, csDefault, csCustomized)

// The title of a column: its field's DisplayLabel unless set.
class TColumnTitle : public TPersistent {
  FW_CLASS(TColumnTitle, TPersistent)
public:
  explicit TColumnTitle(class TColumn* Column) : column_(Column) {}
  std::string Caption() const;
  void SetCaption(const std::string& v);
  bool IsDefault() const { return !assigned_; }
  void RestoreDefaults();
  void Assign(const TPersistent* Source) override;
  TPersistent* GetOwner() const override;

private:
  TColumn* column_;
  std::string caption_;
  bool assigned_ = false;
};

// One column: a field by name, with a width, a title and a read-only flag
// that follow the field unless they are set.
class TColumn : public TCollectionItem {
  FW_CLASS(TColumn, TCollectionItem)
public:
  explicit TColumn(TCollection* Collection);
  ~TColumn() override;

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& v);
  // The field of the grid's dataset, or nullptr.
  TField* Field() const;
  // Pixels; by default the field's display width in digits, or the title's
  // when that is wider.
  int Width() const;
  void SetWidth(int v);
  int DefaultWidth() const;
  bool ReadOnly() const;
  void SetReadOnly(bool v);
  TAlignment Alignment() const;
  void SetAlignment(TAlignment v);
  TColumnTitle* Title() const { return title_.get(); }
  void SetTitle(const TColumnTitle* v) { title_->Assign(v); }
  TDBGrid* Grid() const;
  // Width, title, read-only flag and alignment follow the field again.
  void RestoreDefaults();
  void Assign(const TPersistent* Source) override;
  std::string DisplayName() const override;

private:
  friend class TColumnTitle;
  friend class TDBGridColumns;
  std::string fieldName_;
  int width_ = 0;
  bool widthSet_ = false;
  bool readOnly_ = false;
  bool readOnlySet_ = false;
  TAlignment alignment_ = taLeftJustify;
  bool alignmentSet_ = false;
  std::unique_ptr<TColumnTitle> title_;
};

class TDBGridColumns : public TCollection {
  FW_CLASS(TDBGridColumns, TCollection)
public:
  explicit TDBGridColumns(TDBGrid* Grid);
  TColumn* Add() { return static_cast<TColumn*>(TCollection::Add()); }
  TColumn* Items(int Index) const { return static_cast<TColumn*>(TCollection::Items(Index)); }
  TDBGrid* Grid() const { return grid_; }
  TPersistent* GetOwner() const override;

  TDBGridColumnsState State() const { return state_; }
  // csDefault: the columns are made again from the dataset's fields;
  // csCustomized: the columns shown now are kept as they are.
  void SetState(TDBGridColumnsState v);
  void RestoreDefaults();
  // Columns for the dataset's visible fields, in field order; the widths
  // set on columns of the same fields stay.
  void RebuildColumns();

protected:
  TCollectionItem* CreateItem() override;
  void Update(TCollectionItem* Item) override;

private:
  friend class TDBGrid;
  TDBGrid* grid_;
  TDBGridColumnsState state_ = csDefault;
  bool building_ = false;
};

class TDBGrid : public TCustomGrid {
  FW_CLASS(TDBGrid, TCustomGrid)
public:
  explicit TDBGrid(TComponent* AOwner);
  ~TDBGrid() override;

  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* v);
  TDBGridColumns* Columns() const { return columns_.get(); }
  void SetColumns(const TDBGridColumns* v) { columns_->Assign(v); }
  TDBGridOptions Options() const { return dbOptions_; }
  void SetOptions(TDBGridOptions v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  // The current column (from 0, the indicator not counted) and its field.
  int SelectedIndex() const;
  void SetSelectedIndex(int v);
  TField* SelectedField() const;
  void SetSelectedField(TField* v);
  // The field a grid column shows (the indicator column has none).
  TField* GetColField(int DataCol) const;

  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;

  void Loaded() override;

protected:
  friend class TDBGridColumns;
  friend class TColumn;

  void BeforeDestruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateWnd() override;
  void FontChanged() override;

  // ---- the grid's hooks
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
  bool OwnsScrollBar(int Bar) const override;
  bool CanSizeCol(int ACol) const override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void ColWidthsChanged() override;
  void TopLeftChanged() override;
  bool CanEditShow() override;
  bool CanEditAcceptKey(TChar Key) override;
  bool CanEditModify() override;
  int GetEditLimit() override;
  std::string GetEditMask(int ACol, int ARow) override;
  std::string GetEditText(int ACol, int ARow) override;
  void SetEditText(int ACol, int ARow, const std::string& Value) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(TChar& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DoExit() override;
  void WMVScroll(TMessage& Message) override;
  void WMSize(TMessage& Message) override;

  // ---- the data grid's own
  virtual void ColEnter();
  virtual void ColExit();
  // Makes data column DataCol current, writing the cell's edit first.
  void MoveCol(int DataCol);
  void LayoutChanged();
  void UpdateRowCount();
  void UpdateActive();
  void UpdateScrollBar();
  void Scroll(int Distance);
  void DataChanged();
  void EditingChanged();
  void RecordChanged(TField* Field);
  void LinkActive(bool Active);
  // Writes the edited text into the selected field.
  void UpdateData();

private:
  class TGridDataLink;
  int RowOfRecord() const;
  bool CanEditGrid() const;
  void NextRow(bool Append);
  void PriorRow();
  void TabMove(bool Forward);
  void DeleteRecord();
  void DrawIndicator(const TRect& Rect);
  void InvalidateIndicator();
  bool UntouchedInsert() const;

  std::unique_ptr<TGridDataLink> dataLink_;
  std::unique_ptr<TDBGridColumns> columns_;
  TDBGridOptions dbOptions_{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                            dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
  bool readOnly_ = false;
  int titleOffset_ = 1;
  int indicatorOffset_ = 1;
  std::string editText_;
  int layoutLock_ = 0;
  bool inColExit_ = false;
  bool appended_ = false;  // the record being inserted was appended by the grid
  bool inRowCountUpdate_ = false;
};

}  // namespace fw

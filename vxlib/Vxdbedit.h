// The library's edit in three layers: TvxCustomMaskEdit checks typing
// against a picture mask, TvxDBCustomEdit binds it to a field of a dataset
// (and fills dates and times in from the clock on Space, hands navigation
// keys to an enclosing library grid, and paints itself while it has no
// focus), TvxDBEdit publishes it. TvxDBPicture holds an edit's picture
// settings; while the edit is bound to a field they live in the dataset's
// PictureMasks list instead.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "DataSource.h"
#include "Mask.h"
#include "VxdbgridBase.h"

namespace fw {
class TControlCanvas;
}

namespace vx {

class TvxDataSource;
class TvxCustomMaskEdit;

FW_ENUM(TvxEditDataType, vxDefault, vxEdtDate, vxEdtTime, vxEdtDateTime)

using TvxValidateEvent = std::function<void(fw::TObject* Sender, bool PassesPictureTest)>;

// ---------------------------------------------------------------- TvxDBPicture

class TvxDBPicture : public fw::TPersistent {
  FW_CLASS(TvxDBPicture, fw::TPersistent)
public:
  explicit TvxDBPicture(fw::TCustomMaskEdit* AOwner) : owner_(AOwner) {}

  fw::TCustomMaskEdit* Owner() const { return owner_; }
  // The owner is a data-aware edit bound to a field of a dataset.
  bool DataSetBacked() const;

  std::string PictureMask() const;
  // Refused, with a warning, for a field whose native table stores a picture.
  void SetPictureMask(const std::string& Value);
  bool AutoFill() const;
  void SetAutoFill(bool Value);
  // Always False while dataset-backed.
  bool AllowInvalidExit() const;
  void SetAllowInvalidExit(bool Value);

  void Assign(const fw::TPersistent* Source) override;
  // The object's own values, whatever the dataset says.
  void SetOwnValues(const std::string& Mask, bool AutoFill, bool AllowInvalidExit);

private:
  void Changed();
  fw::TCustomMaskEdit* owner_;
  std::string mask_;
  bool autoFill_ = true;
  bool allowInvalidExit_ = false;
};

// ---------------------------------------------------------------- TvxCustomMaskEdit

class TvxCustomMaskEdit : public fw::TCustomMaskEdit {
  FW_CLASS(TvxCustomMaskEdit, fw::TCustomMaskEdit)
public:
  explicit TvxCustomMaskEdit(fw::TComponent* AOwner);
  ~TvxCustomMaskEdit() override;

  TvxDBPicture* Picture() const { return picture_.get(); }
  virtual void SetPicture(const TvxDBPicture* Value) { picture_->Assign(Value); }
  bool UsePictureMask() const { return usePictureMask_; }
  void SetUsePictureMask(bool v) { usePictureMask_ = v; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool ShowVertScrollBar() const { return showVertScrollBar_; }
  void SetShowVertScrollBar(bool v);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v);

  bool HavePictureMask() const;
  // True when the mask itself is malformed.
  bool IsValidPictureMask() const;
  // S is empty, there is no mask, or S matches it completely; tells
  // OnCheckValue either way.
  bool IsValidPictureValue(const std::string& S);
  // Rewrites the text as the picture makes it (filled-in literals, case).
  void ApplyMask();

  TvxValidateEvent OnCheckValue;

protected:
  void CreateParams(fw::TCreateParams& Params) override;
  void CreateWnd() override;
  void BoundsChanged() override;
  void KeyPress(fw::TChar& Key) override;
  void KeyUp(fw::Word& Key, fw::TShiftState Shift) override;
  void DoExit() override;
  // Sends the text rectangle to the window.
  virtual void SetEditRect();
  virtual void DoOnCheckValue(bool Valid);
  // Makes the control ready to change its text (the data-aware edit puts its
  // record into edit state).
  virtual void EnableEdit() {}

  bool KeyAccepted() const { return keyAccepted_; }
  bool ExitRefused() const { return exitRefused_; }

private:
  std::unique_ptr<TvxDBPicture> picture_;
  bool usePictureMask_ = true;
  bool wordWrap_ = false;
  bool showVertScrollBar_ = false;
  bool wantReturns_ = false;
  bool keyAccepted_ = false;
  bool exitRefused_ = false;
};

// ---------------------------------------------------------------- TvxDBCustomEdit

class TvxDBCustomEdit : public TvxCustomMaskEdit, public fw::IFocusableControl {
  FW_CLASS(TvxDBCustomEdit, TvxCustomMaskEdit)
public:
  explicit TvxDBCustomEdit(fw::TComponent* AOwner);
  ~TvxDBCustomEdit() override;

  bool AutoFillDate() const { return autoFillDate_; }
  void SetAutoFillDate(bool v) { autoFillDate_ = v; }
  TvxEditDataType UnboundDataType() const { return unboundDataType_; }
  void SetUnboundDataType(TvxEditDataType v) { unboundDataType_ = v; }
  // Only a TvxDataSource counts; any other source reads as none.
  fw::TDataSource* DataSource() const;
  void SetDataSource(fw::TDataSource* Value);
  const std::string& DataField() const { return dataLink_->FieldName(); }
  void SetDataField(const std::string& Value);
  // The link's read-only flag; the window's own state is TCustomEdit's.
  bool ReadOnly() const { return dataLink_->ReadOnly(); }
  void SetReadOnly(bool Value);
  fw::TField* Field() const { return dataLink_->Field(); }
  fw::TFieldDataLink* DataLink() const { return dataLink_.get(); }
  // The edit shows the field's edit text (it has the focus) rather than its display text.
  bool ShowsEditText() const { return focused_; }

  void SetPicture(const TvxDBPicture* Value) override;
  bool EditCanModify() override;
  void Reset() override;
  void SetModified(bool Value);

  // Fills in the date or time part at the caret from the clock; whether it did.
  bool DoAutoFillDate();

  bool CanFocus() const override { return TvxCustomMaskEdit::CanFocus(); }
  void SetFocus() override { TvxCustomMaskEdit::SetFocus(); }
  void Dispatch(fw::TMessage& Message) override;
  void Loaded() override;

  virtual bool Editable() { return true; }
  virtual fw::TRect GetClientEditRect() { return ClientRect(); }
  virtual std::string GetStoredText() { return Text(); }
  virtual void ShowText(fw::TCanvas* Canvas, const fw::TRect& Rect, int X, int Y, const std::string& Text);
  virtual bool GetShowButton() { return false; }
  virtual void SetShowButton(bool) {}
  // The text that a grid's field map gives for the field, while a copy is painted.
  virtual bool GetFieldMapText(std::string& Text) {
    (void)Text;
    return false;
  }

protected:
  void Change() override;
  void DoEnter() override;
  void EnableEdit() override;
  void KeyPress(fw::TChar& Key) override;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void CNKeyDown(fw::TMessage& Message) override;
  void WMPaint(fw::TMessage& Message) override;
  void WMPaste(fw::TMessage& Message) override;
  void WMCut(fw::TMessage& Message) override;
  void FontChanged() override;
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;
  // Where a button edit's icon sits; the text ends before it.
  virtual int GetIconIndent() { return 0; }
  virtual int GetIconLeft() { return ClientWidth() - 1; }
  // The text's distance from the edge where the edit paints it itself.
  int TextMargin() const { return textMargin_; }

  // The library grid that holds the edit, or nullptr.
  IvxEditGrid* Grid() const;

  // The field's value shown again (the field link's data-change handler).
  void DataChange();

private:
  void EditingChange();
  void UpdateData();
  void CMEnter(fw::TMessage& Message);
  void CMExit(fw::TMessage& Message);
  void SetFocusedState(bool Value);
  bool IsMemo() const;
  bool IsDateField() const;
  TvxEditDataType DataKind() const;
  void PaintSelf();
  void MakeEditable();

  std::unique_ptr<fw::TFieldDataLink> dataLink_;
  bool autoFillDate_ = true;
  TvxEditDataType unboundDataType_ = vxDefault;
  fw::TAlignment alignment_ = fw::taLeftJustify;
  bool focused_ = false;
  // The framework always has the new-style look, where the margin is one pixel.
  int textMargin_ = 1;
  std::string savedText_;
  std::unique_ptr<fw::TControlCanvas> canvas_;
};

// ---------------------------------------------------------------- TvxDBEdit

class TvxDBEdit : public TvxDBCustomEdit {
  FW_CLASS(TvxDBEdit, TvxDBCustomEdit)
public:
  using TvxDBCustomEdit::TvxDBCustomEdit;
};

}  // namespace vx

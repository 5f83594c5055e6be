// Data-aware controls of the framework: the check box, the memo and the
// image that show and edit one field of a data source's current record, and
// the navigator that moves through a dataset and edits it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Buttons.h"
#include "DataSource.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"

namespace fw {

// Checked when the field's value is ValueChecked, unchecked when it is
// ValueUnchecked, grayed otherwise (also for a blank field). A Boolean field
// is read and written as True and False; any other field as text, where each
// value may list several spellings separated by ";" (compared without regard
// to case) and the first one is written.
class TDBCheckBox : public TCustomCheckBox, public IFocusableControl {
  FW_CLASS(TDBCheckBox, TCustomCheckBox)
public:
  explicit TDBCheckBox(TComponent* AOwner);
  ~TDBCheckBox() override;

  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* v);
  const std::string& DataField() const { return dataLink_->FieldName(); }
  void SetDataField(const std::string& v) { dataLink_->SetFieldName(v); }
  TField* Field() const { return dataLink_->Field(); }
  bool ReadOnly() const { return dataLink_->ReadOnly(); }
  void SetReadOnly(bool v) { dataLink_->SetReadOnly(v); }
  const std::string& ValueChecked() const { return valueChecked_; }
  void SetValueChecked(const std::string& v);
  const std::string& ValueUnchecked() const { return valueUnchecked_; }
  void SetValueUnchecked(const std::string& v);

  bool CanFocus() const override { return TCustomCheckBox::CanFocus(); }
  void SetFocus() override { TCustomCheckBox::SetFocus(); }
  void Dispatch(TMessage& Message) override;

protected:
  void Toggle() override;
  void KeyPress(TChar& Key) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TCheckBoxState FieldState() const;
  void DataChange();
  void UpdateData();

  std::unique_ptr<TFieldDataLink> dataLink_;
  std::string valueChecked_ = "True";
  std::string valueUnchecked_ = "False";
};

// What every control here does with CM_EXIT (its change goes into the
// record; a value the record refuses keeps the focus on the control) and
// CM_GETDATALINK; true when the message is answered.
bool FieldControlMessage(TWinControl* Control, TFieldDataLink* Link, TMessage& Message);

// ---------------------------------------------------------------- memo

// The text of a field (a memo field's whole content, or any field's Text).
// Typing edits the record when it can be edited; Esc shows the field again;
// the text goes into the record when the memo is left or the record is
// posted (UpdateRecord), not before.
class TDBMemo : public TCustomMemo, public IFocusableControl {
  FW_CLASS(TDBMemo, TCustomMemo)
public:
  explicit TDBMemo(TComponent* AOwner);
  ~TDBMemo() override;

  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* v);
  const std::string& DataField() const { return dataLink_->FieldName(); }
  void SetDataField(const std::string& v) { dataLink_->SetFieldName(v); }
  TField* Field() const { return dataLink_->Field(); }
  bool ReadOnly() const { return dataLink_->ReadOnly(); }
  void SetReadOnly(bool v) { dataLink_->SetReadOnly(v); }

  bool CanFocus() const override { return TCustomMemo::CanFocus(); }
  void SetFocus() override { TCustomMemo::SetFocus(); }
  void Dispatch(TMessage& Message) override;

protected:
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(TChar& Key) override;
  void WMPaste(TMessage& Message) override;
  void WMCut(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void DataChange();
  void EditingChange();
  void UpdateData();

  std::unique_ptr<TFieldDataLink> dataLink_;
  bool loading_ = false;
};

// ---------------------------------------------------------------- image

// The picture of a graphic (or other blob) field, drawn at its size or
// stretched over the control. Cut, copy and paste go through the clipboard
// (Ctrl+X, Ctrl+C, Ctrl+V, and Shift+Del, Ctrl+Ins, Shift+Ins); a pasted
// picture edits the record and Modified says so until the field is read
// again. The picture goes into the field when the image is left or the
// record is posted (UpdateRecord): as a BMP file, behind the 8-byte header of
// graphic fields (1 and 256 as 16-bit numbers, then the size of the rest as
// a 32-bit number), which is skipped again when read. Content that is not a
// picture shows nothing.
class TDBImage : public TCustomControl, public IFocusableControl {
  FW_CLASS(TDBImage, TCustomControl)
public:
  explicit TDBImage(TComponent* AOwner);
  ~TDBImage() override;

  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* v);
  const std::string& DataField() const { return dataLink_->FieldName(); }
  void SetDataField(const std::string& v) { dataLink_->SetFieldName(v); }
  TField* Field() const { return dataLink_->Field(); }
  bool ReadOnly() const { return dataLink_->ReadOnly(); }
  void SetReadOnly(bool v) { dataLink_->SetReadOnly(v); }
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* v) { picture_->Assign(v); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  // The picture was changed since the field was read.
  bool Modified() const { return modified_; }

  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  bool CanFocus() const override { return TCustomControl::CanFocus(); }
  void SetFocus() override { TCustomControl::SetFocus(); }
  void Dispatch(TMessage& Message) override;

protected:
  void Paint() override;
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(TChar& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void DataChange();
  void UpdateData();
  void PictureChanged();

  std::unique_ptr<TFieldDataLink> dataLink_;
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  bool modified_ = false;
  bool loading_ = false;
};

// ---------------------------------------------------------------- navigator

FW_ENUM(TNavigateBtn, nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh)
using TButtonSet = TFlags<TNavigateBtn>;

class TDBNavigator;

class TNavButton : public TSpeedButton {
  FW_CLASS(TNavButton, TSpeedButton)
public:
  TNavButton(TDBNavigator* Navigator, TNavigateBtn Index);
  TNavigateBtn Index() const { return index_; }
  void Click() override;

private:
  TDBNavigator* navigator_;
  TNavigateBtn index_;
};

// A row of buttons that move through a data source's dataset and edit it:
// first, prior, next, last, insert, delete, edit, post, cancel, refresh. A
// button is enabled when its action makes sense in the dataset's state: the
// moves away from the ends, editing when the dataset can be modified, post
// and cancel while a record is edited, refresh while none is.
class TDBNavigator : public TCustomPanel {
  FW_CLASS(TDBNavigator, TCustomPanel)
public:
  explicit TDBNavigator(TComponent* AOwner);
  ~TDBNavigator() override;

  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* v);
  TButtonSet VisibleButtons() const { return visibleButtons_; }
  void SetVisibleButtons(TButtonSet v);
  // Delete asks "Delete record?" first.
  bool ConfirmDelete() const { return confirmDelete_; }
  void SetConfirmDelete(bool v) { confirmDelete_ = v; }
  TNavButton* Buttons(TNavigateBtn Index) const { return buttons_[static_cast<std::size_t>(Index)]; }
  // Does what the button does.
  void BtnClick(TNavigateBtn Index);

protected:
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void EnabledChanged() override;

private:
  class TNavDataLink;
  void UpdateButtons();

  std::unique_ptr<TNavDataLink> dataLink_;
  std::vector<TNavButton*> buttons_;
  TButtonSet visibleButtons_;
  bool confirmDelete_ = true;
};

}  // namespace fw

// Data-aware controls of the framework: the check box that shows and edits
// one field of a data source's current record.
#pragma once
#include <memory>
#include <string>

#include "DataSource.h"
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

}  // namespace fw

// Data sources and data links: how controls hear of a dataset's changes and
// see its records.
//
// A data link looks at BufferCount records of its dataset's record window:
// its first record is a buffer index of the dataset that follows the active
// record, so that the active record stays inside the link's part of the
// window. When the window moves, each link hears DataSetScrolled with the
// number of records its own part moved by (0 when the active record only
// moved inside it). A link may make any of its buffered records active
// (ActiveRecord) to read that record's fields without events; the dataset
// puts its cursor back on the active record at the next navigation.
//
// A dataset notifies its data sources, which pass events to their links:
// first to those that buffer more than one record (grids), then to the
// others, so that a single-record control sees a grid's window already moved.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "DataSet.h"

namespace fw {

class TDataLink;
class TField;

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
  FW_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* Value);
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool Value) { autoEdit_ = Value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  TDataSetState State() const { return state_; }
  // Puts the dataset into dsEdit when AutoEdit allows it and it is browsing.
  void Edit();
  bool IsLinkedTo(const TDataSet* DataSet) const;
  int LinkCount() const { return static_cast<int>(links_.size()); }

  TDataChangeEvent OnDataChange;
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;
  void AddDataLink(TDataLink* Link);
  void RemoveDataLink(TDataLink* Link);
  void DataEvent(TDataEvent Event, std::intptr_t Info);
  void NotifyDataLinks(TDataEvent Event, std::intptr_t Info);
  void UpdateState();
  void SetState(TDataSetState Value);
  void DoDataChange(TField* Field);

  TDataSet* dataSet_ = nullptr;
  std::vector<TDataLink*> links_;
  bool autoEdit_ = true;
  bool enabled_ = true;
  TDataSetState state_ = dsInactive;
};

// The base of the objects by which controls follow a data source. A control
// holds its link (std::unique_ptr) and overrides the virtuals it needs.
class TDataLink : public TPersistent {
  FW_CLASS(TDataLink, TPersistent)
public:
  TDataLink() = default;
  ~TDataLink() override;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }
  bool Active() const { return active_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  virtual bool Editing() const { return editing_; }
  // Asks the data source to edit; true when the link is then editing.
  virtual bool Edit();
  // Writes the control's pending change into the record (UpdateData)
  // without hearing the field change that it causes.
  void UpdateRecord();
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int Value);
  // Records of the window that this link sees, from 0 to BufferCount.
  int RecordCount() const;
  // The active record within the link's part of the window.
  int ActiveRecord() const;
  void SetActiveRecord(int Value);
  // Buffer index of the dataset where the link's part of the window starts.
  int FirstRecord() const { return firstRecord_; }

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** /*Field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}

private:
  friend class TDataSource;
  friend class TDataSet;
  void DataEvent(TDataEvent Event, std::intptr_t Info);
  void UpdateState();
  void UpdateRange();
  void SetActive(bool Value);
  void SetEditing(bool Value);

  TDataSource* dataSource_ = nullptr;
  int firstRecord_ = 0;
  int bufferCount_ = 1;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
};

// A control that a field's FocusControl can reach: the controls of the user
// interface that show a field implement it.
class IFocusableControl {
public:
  virtual ~IFocusableControl() = default;
  virtual bool CanFocus() const = 0;
  virtual void SetFocus() = 0;
};

// The link of a control that shows one field.
class TFieldDataLink : public TDataLink {
  FW_CLASS(TFieldDataLink, TDataLink)
public:
  TFieldDataLink() = default;

  TComponent* Control() const { return control_; }
  void SetControl(TComponent* Value) { control_ = Value; }
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& Value);
  TField* Field() const { return field_; }
  bool CanModify() const;
  bool Editing() const override { return fieldEditing_; }
  bool Edit() override;
  // The control's text differs from the field's value.
  bool GetModified() const { return modified_; }
  void Modified() { modified_ = true; }
  // Shows the field's value again, dropping the control's change.
  void Reset() { RecordChanged(nullptr); }

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;

protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField** FieldRef) override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

private:
  void UpdateField();
  void SetField(TField* Value);
  void SetFieldEditing(bool Value);

  TComponent* control_ = nullptr;
  std::string fieldName_;
  TField* field_ = nullptr;
  bool fieldEditing_ = false;
  bool modified_ = false;
};

}  // namespace fw

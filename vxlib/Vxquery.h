// The library's other datasets: TvxQuery (an SQL query), TvxStoredProc (a
// stored procedure) and TvxQBE (a query-by-example text with named
// parameters, whose answer can be kept as a table). Like TvxTable they carry
// the per-field lists, lookup fields and the OnFilter event; they have no
// filter lines. Their record callback is installed once the dataset is open
// (and by SetOnFilter while it is); TvxStoredProc's sees every record, with
// no hourglass and no Escape. TvxQuery and TvxStoredProc check picture masks
// before posting; TvxQBE does not.
//
// A QBE that changes data answers no records: opening runs it once and
// leaves the dataset closed, without an error.
#pragma once
#include <memory>
#include <string>

#include "Query.h"
#include "Strings.h"
#include "Vxcommon.h"

namespace vx {

class TvxQuery;
class TvxStoredProc;
class TvxQBE;

using TvxQueryFilterEvent = std::function<void(TvxQuery* Query, bool& Accept)>;
using TvxStoredProcFilterEvent = std::function<void(TvxStoredProc* StoredProc, bool& Accept)>;
using TvxQBEFilterEvent = std::function<void(TvxQBE* QBE, bool& Accept)>;

// The per-field lists the three datasets publish; the setters take copies.
class TvxFieldLists {
public:
  TvxFieldLists();
  fw::TStrings* LookupFields() const { return lookupFields_.get(); }
  void SetLookupFields(fw::TStrings* Value) { lookupFields_->Assign(Value); }
  fw::TStrings* LookupLinks() const { return lookupLinks_.get(); }
  void SetLookupLinks(fw::TStrings* Value) { lookupLinks_->Assign(Value); }
  fw::TStrings* ControlType() const { return controlType_.get(); }
  void SetControlType(fw::TStrings* Value) { controlType_->Assign(Value); }
  fw::TStrings* PictureMasks() const { return pictureMasks_.get(); }
  void SetPictureMasks(fw::TStrings* Value) { pictureMasks_->Assign(Value); }

private:
  std::unique_ptr<fw::TStringList> lookupFields_, lookupLinks_, controlType_, pictureMasks_;
};

// The OnFilter callback of a dataset that gets it once open.
class TvxCallbackFilter {
public:
  TvxCallbackFilter(bool WithOptions, const char* NoHandleMessage)
      : withOptions_(WithOptions), noHandleMessage_(NoHandleMessage) {}
  // Installs the callback on the open dataset (Assigned) or removes it; an
  // open dataset whose engine refuses the callback says so.
  void Apply(fw::TDBDataSet* DataSet, bool Assigned);
  // The dataset opened on a new cursor, which has no filter yet.
  void Opened(fw::TDBDataSet* DataSet, bool Assigned);

private:
  bool withOptions_;
  const char* noHandleMessage_;
  hNuboFilter handle_ = 0;
};

class TvxQuery : public fw::TQuery, public TvxFieldLists, public TvxFilterHost, public TvxLookupHost {
  FW_CLASS(TvxQuery, fw::TQuery)
public:
  explicit TvxQuery(fw::TComponent* AOwner);

  bool ValidateWithMask() const { return ValidateWithMask_; }
  void SetValidateWithMask(bool Value) { ValidateWithMask_ = Value; }
  TvxInvalidValueEvent OnInvalidValue;
  const TvxQueryFilterEvent& OnFilter() const { return OnFilter_; }
  void SetOnFilter(const TvxQueryFilterEvent& Value);
  fw::TDataSetNotifyEvent OnFilterEscape;
  TvxOnFilterOptions OnFilterOptions() const override { return OnFilterOptions_; }
  void SetOnFilterOptions(TvxOnFilterOptions Value) override;

  fw::TParam* vxFilterField(const std::string& FieldName);
  void ResetMouseCursor();
  void RemoveObsoleteLinks();
  bool IsValidField(const std::string& Name);
  // Keeps the answer as the table Name (":alias:name" names an alias's directory).
  bool SaveAnswerTable(const std::string& Name);
  bool SetLookupField(fw::TField* Field);
  // The named fields lead an index of the answer whose case rule is CaseSensitive.
  bool isValidIndexField(const std::string& FieldName, bool CaseSensitive);

  bool HasOnFilter() const override { return static_cast<bool>(OnFilter_); }
  void DoOnFilter(bool& Accept) override { OnFilter_(this, Accept); }
  void DoOnFilterEscape() override {
    if (OnFilterEscape) OnFilterEscape(this);
  }
  bool IsSequenced() override;

protected:
  void DataEvent(fw::TDataEvent Event, std::intptr_t Info) override;
  void DoAfterOpen() override;
  void DoBeforePost() override;
  void DoOnCalcFields() override;
  int GetNextRecords() override;

private:
  bool ValidateWithMask_ = true;
  TvxQueryFilterEvent OnFilter_;
  TvxOnFilterOptions OnFilterOptions_{ofoEnabled, ofoShowHourGlass};
  TvxCallbackFilter Callback_;
};

class TvxStoredProc : public fw::TStoredProc, public TvxFieldLists, public TvxFilterHost, public TvxLookupHost {
  FW_CLASS(TvxStoredProc, fw::TStoredProc)
public:
  explicit TvxStoredProc(fw::TComponent* AOwner);

  bool ValidateWithMask() const { return ValidateWithMask_; }
  void SetValidateWithMask(bool Value) { ValidateWithMask_ = Value; }
  TvxInvalidValueEvent OnInvalidValue;
  const TvxStoredProcFilterEvent& OnFilter() const { return OnFilter_; }
  void SetOnFilter(const TvxStoredProcFilterEvent& Value);
  fw::TDataSetNotifyEvent OnFilterEscape;
  TvxOnFilterOptions OnFilterOptions() const override { return OnFilterOptions_; }
  void SetOnFilterOptions(TvxOnFilterOptions Value) override;

  fw::TParam* vxFilterField(const std::string& FieldName);
  void ResetMouseCursor();
  void RemoveObsoleteLinks();
  bool IsValidField(const std::string& Name);

  bool HasOnFilter() const override { return static_cast<bool>(OnFilter_); }
  void DoOnFilter(bool& Accept) override { OnFilter_(this, Accept); }
  void DoOnFilterEscape() override {
    if (OnFilterEscape) OnFilterEscape(this);
  }
  bool IsSequenced() override;

protected:
  void DataEvent(fw::TDataEvent Event, std::intptr_t Info) override;
  void DoAfterOpen() override;
  void DoBeforePost() override;
  void DoOnCalcFields() override;
  int GetNextRecords() override;

private:
  bool ValidateWithMask_ = true;
  TvxStoredProcFilterEvent OnFilter_;
  TvxOnFilterOptions OnFilterOptions_{ofoEnabled, ofoShowHourGlass};
  TvxCallbackFilter Callback_;
};

class TvxQBE : public fw::TDBDataSet, public TvxFieldLists, public TvxFilterHost, public TvxLookupHost {
  FW_CLASS(TvxQBE, fw::TDBDataSet)
public:
  explicit TvxQBE(fw::TComponent* AOwner);

  TvxInvalidValueEvent OnInvalidValue;
  const TvxQBEFilterEvent& OnFilter() const { return OnFilter_; }
  void SetOnFilter(const TvxQBEFilterEvent& Value);
  fw::TDataSetNotifyEvent OnFilterEscape;
  TvxOnFilterOptions OnFilterOptions() const override { return OnFilterOptions_; }
  void SetOnFilterOptions(TvxOnFilterOptions Value) override;
  fw::TStrings* QBE() const { return QBE_.get(); }
  // Takes a copy; an open dataset runs the new text at once.
  void SetQBE(fw::TStrings* Value);
  // Where the answer is kept: a table name, ":alias:name", or empty for nowhere.
  const std::string& AnswerTable() const { return AnswerTable_; }
  void SetAnswerTable(const std::string& Value) { AnswerTable_ = Value; }
  bool AuxiliaryTables() const { return AuxiliaryTables_; }
  void SetAuxiliaryTables(bool Value) { AuxiliaryTables_ = Value; }
  bool BlankAsZero() const { return BlankAsZero_; }
  void SetBlankAsZero(bool Value) { BlankAsZero_ = Value; }
  fw::TComponent* UpdateObject() const { return UpdateObject_; }
  void SetUpdateObject(fw::TComponent* Value);

  // Parameters: the text's "~name" references take their values.
  void ClearParams();
  std::string GetParam(const std::string& Name) const;
  void SetParam(const std::string& Name, const std::string& Value);
  bool SaveAnswerTable(const std::string& Name);
  // Runs the text with the parameters put in: the engine's result, and the
  // answer's cursor in Cursor (0 when it answers nothing).
  virtual OrvexResult PerformQuery(hOrvexCursor& Cursor);

  fw::TParam* vxFilterField(const std::string& FieldName);
  void ResetMouseCursor();
  void RemoveObsoleteLinks();
  bool IsValidField(const std::string& Name);

  bool HasOnFilter() const override { return static_cast<bool>(OnFilter_); }
  void DoOnFilter(bool& Accept) override { OnFilter_(this, Accept); }
  void DoOnFilterEscape() override {
    if (OnFilterEscape) OnFilterEscape(this);
  }
  bool IsSequenced() override;

protected:
  void DataEvent(fw::TDataEvent Event, std::intptr_t Info) override;
  void DoAfterOpen() override;
  void DoOnCalcFields() override;
  int GetNextRecords() override;
  // Runs the text ahead of the framework's opening, which then gets its cursor.
  void OpenCursor(bool InfoQuery) override;
  hOrvexCursor CreateHandle() override;
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;

private:
  TvxQBEFilterEvent OnFilter_;
  TvxOnFilterOptions OnFilterOptions_{ofoEnabled, ofoShowHourGlass};
  TvxCallbackFilter Callback_;
  std::unique_ptr<fw::TStringList> QBE_;
  std::string AnswerTable_;
  bool AuxiliaryTables_ = true;
  bool BlankAsZero_ = true;
  fw::TComponent* UpdateObject_ = nullptr;
  std::unique_ptr<fw::TStringList> ParamNames_;
  std::unique_ptr<fw::TStringList> ParamValues_;
  hOrvexCursor MadeAhead_ = 0;
  bool MadeAheadSet_ = false;
  bool NoAnswer_ = false;
  // The engine's message of a run that gave no cursor.
  std::string RunError_;
};

// The directory of a desktop alias, from the engine's configuration; empty
// when the alias or its path is unknown.
std::string vxGetAlias(const std::string& Alias);
// Keeps Cursor's answer as the table Name (":alias:name" puts it in the
// alias's directory), copying it when Name lies on another file system than
// the session's private directory. False, after a message, when it cannot.
bool vxSaveAnswerTable(fw::TDBDataSet* DataSet, hOrvexCursor Cursor, const std::string& Name);

}  // namespace vx

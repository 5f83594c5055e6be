#include "Vxquery.h"

#include <sys/stat.h>

#include "Database.h"
#include "Dialogs.h"
#include "Files.h"
#include "Forms.h"
#include "Scope.h"
#include "Text.h"
#include "Vxfilter.h"
#include "Vxtable.h"

using namespace fw;

namespace vx {

namespace {

constexpr const char* kLiveQueryMessage =
    "Local filtering is not supported on a Live-Query which contains a Where clause in the SQL string. To perform "
    "a local filter on this query, you will need to set its RequestLive property to False.";
constexpr const char* kQBEFilterMessage = "Local Filtering is not supported on this QBE.";

// The published lists, mask settings and filter events the three share.
template <typename T>
void PublishShared(fw::TClassBuilder<T>& c) {
  c.Property("ControlType", &T::ControlType, &T::SetControlType);
  c.Property("LookupFields", &T::LookupFields, &T::SetLookupFields);
  c.Property("LookupLinks", &T::LookupLinks, &T::SetLookupLinks);
  c.Property("PictureMasks", &T::PictureMasks, &T::SetPictureMasks);
  c.Event("OnInvalidValue", &T::OnInvalidValue);
  c.Property("OnFilter", &T::OnFilter, &T::SetOnFilter);
  c.Event("OnFilterEscape", &T::OnFilterEscape);
  c.Property("OnFilterOptions", &T::OnFilterOptions, &T::SetOnFilterOptions)
      .Default(TvxOnFilterOptions{ofoEnabled, ofoShowHourGlass}.ToBits());
}

}  // namespace

FW_PUBLISH(TvxQuery) {
  PublishShared(c);
  c.Property("ValidateWithMask", &TvxQuery::ValidateWithMask, &TvxQuery::SetValidateWithMask).Default(1);
}

FW_PUBLISH(TvxStoredProc) {
  PublishShared(c);
  c.Property("ValidateWithMask", &TvxStoredProc::ValidateWithMask, &TvxStoredProc::SetValidateWithMask).Default(1);
}

FW_PUBLISH(TvxQBE) {
  PublishShared(c);
  c.Property("QBE", &TvxQBE::QBE, &TvxQBE::SetQBE);
  c.Property("AnswerTable", &TvxQBE::AnswerTable, &TvxQBE::SetAnswerTable);
  c.Property("AuxiliaryTables", &TvxQBE::AuxiliaryTables, &TvxQBE::SetAuxiliaryTables).Default(1);
  c.Property("BlankAsZero", &TvxQBE::BlankAsZero, &TvxQBE::SetBlankAsZero).Default(1);
  c.Property("UpdateObject", &TvxQBE::UpdateObject, &TvxQBE::SetUpdateObject);
}

// ---------------------------------------------------------------- shared parts

TvxFieldLists::TvxFieldLists()
    : lookupFields_(std::make_unique<TStringList>()),
      lookupLinks_(std::make_unique<TStringList>()),
      controlType_(std::make_unique<TStringList>()),
      pictureMasks_(std::make_unique<TStringList>()) {}

void TvxCallbackFilter::Apply(TDBDataSet* DataSet, bool Assigned) {
  // A closed dataset gets its callback when it opens.
  if (!DataSet->Active()) return;
  if (!vxSetFilterFunction(Assigned ? vxRecordFilterCallback(withOptions_) : nullptr, DataSet, handle_))
    MessageDlg(noHandleMessage_, mtWarning, {mbOK}, 0);
}

void TvxCallbackFilter::Opened(TDBDataSet* DataSet, bool Assigned) {
  handle_ = 0;  // the old cursor took its filter with it
  if (Assigned) Apply(DataSet, true);
}

namespace {

// The members each of the three has, with the same behaviour.
template <typename T>
void CalcFields(T* DataSet) {
  DataSet->RemoveObsoleteLinks();
  vxDataSetDoOnCalcFields(DataSet, DataSet->LookupFields(), DataSet->LookupLinks(), DataSet->LookupTables());
}

template <typename T>
void RemoveObsolete(T* DataSet) {
  vxDataSetRemoveObsolete(DataSet, DataSet->LookupFields(), DataSet->LookupLinks(), DataSet->ControlType());
}

}  // namespace

// ---------------------------------------------------------------- TvxQuery

TvxQuery::TvxQuery(TComponent* AOwner) : TQuery(AOwner), Callback_(true, kLiveQueryMessage) {}

void TvxQuery::SetOnFilter(const TvxQueryFilterEvent& Value) {
  OnFilter_ = Value;
  Callback_.Apply(this, static_cast<bool>(Value));
}

void TvxQuery::SetOnFilterOptions(TvxOnFilterOptions Value) {
  vxDataSetSetOnFilterOptions(this, *this, OnFilterOptions_, Value);
}

TParam* TvxQuery::vxFilterField(const std::string& FieldName) {
  return vxDataSetFilterField(this, FilterState(), FieldName);
}

void TvxQuery::ResetMouseCursor() { vxDataSetResetMouseCursor(*this); }
void TvxQuery::RemoveObsoleteLinks() { RemoveObsolete(this); }
bool TvxQuery::IsValidField(const std::string& Name) { return vxDataSetIsValidField(this, Name); }
bool TvxQuery::SaveAnswerTable(const std::string& Name) { return vxSaveAnswerTable(this, Handle(), Name); }
bool TvxQuery::SetLookupField(TField* Field) { return vxSetLookupField(this, Field); }

bool TvxQuery::isValidIndexField(const std::string& FieldName, bool CaseSensitive) {
  return MapsToIndex(FieldName, !CaseSensitive);
}

bool TvxQuery::IsSequenced() { return !OnFilter_ && TQuery::IsSequenced(); }

void TvxQuery::DataEvent(TDataEvent Event, std::intptr_t Info) {
  TQuery::DataEvent(Event, Info);
  ResetMouseCursor();
  vxDataSetShowPendingRecords(this, *this, Event);
}

void TvxQuery::DoAfterOpen() {
  TQuery::DoAfterOpen();
  Callback_.Opened(this, static_cast<bool>(OnFilter_));
}

void TvxQuery::DoBeforePost() {
  TQuery::DoBeforePost();
  if (ValidateWithMask_) vxValidatePictureFields(this, OnInvalidValue);
}

void TvxQuery::DoOnCalcFields() {
  CalcFields(this);
  TQuery::DoOnCalcFields();
}

int TvxQuery::GetNextRecords() {
  const int n = TQuery::GetNextRecords();
  ResetMouseCursor();
  return n;
}

// ---------------------------------------------------------------- TvxStoredProc

// The stored procedure's callback tests every record: no hourglass, no Escape.
TvxStoredProc::TvxStoredProc(TComponent* AOwner) : TStoredProc(AOwner), Callback_(false, kLiveQueryMessage) {}

void TvxStoredProc::SetOnFilter(const TvxStoredProcFilterEvent& Value) {
  OnFilter_ = Value;
  Callback_.Apply(this, static_cast<bool>(Value));
}

void TvxStoredProc::SetOnFilterOptions(TvxOnFilterOptions Value) {
  vxDataSetSetOnFilterOptions(this, *this, OnFilterOptions_, Value);
}

TParam* TvxStoredProc::vxFilterField(const std::string& FieldName) {
  return vxDataSetFilterField(this, FilterState(), FieldName);
}

void TvxStoredProc::ResetMouseCursor() { vxDataSetResetMouseCursor(*this); }
void TvxStoredProc::RemoveObsoleteLinks() { RemoveObsolete(this); }
bool TvxStoredProc::IsValidField(const std::string& Name) { return vxDataSetIsValidField(this, Name); }
bool TvxStoredProc::IsSequenced() { return !OnFilter_ && TStoredProc::IsSequenced(); }

void TvxStoredProc::DataEvent(TDataEvent Event, std::intptr_t Info) {
  TStoredProc::DataEvent(Event, Info);
  ResetMouseCursor();
  vxDataSetShowPendingRecords(this, *this, Event);
}

void TvxStoredProc::DoAfterOpen() {
  TStoredProc::DoAfterOpen();
  Callback_.Opened(this, static_cast<bool>(OnFilter_));
}

void TvxStoredProc::DoBeforePost() {
  TStoredProc::DoBeforePost();
  if (ValidateWithMask_) vxValidatePictureFields(this, OnInvalidValue);
}

void TvxStoredProc::DoOnCalcFields() {
  CalcFields(this);
  TStoredProc::DoOnCalcFields();
}

int TvxStoredProc::GetNextRecords() {
  const int n = TStoredProc::GetNextRecords();
  ResetMouseCursor();
  return n;
}

// ---------------------------------------------------------------- TvxQBE

TvxQBE::TvxQBE(TComponent* AOwner)
    : TDBDataSet(AOwner),
      Callback_(true, kQBEFilterMessage),
      QBE_(std::make_unique<TStringList>()),
      ParamNames_(std::make_unique<TStringList>()),
      ParamValues_(std::make_unique<TStringList>()) {}

void TvxQBE::SetOnFilter(const TvxQBEFilterEvent& Value) {
  OnFilter_ = Value;
  Callback_.Apply(this, static_cast<bool>(Value));
}

void TvxQBE::SetOnFilterOptions(TvxOnFilterOptions Value) {
  vxDataSetSetOnFilterOptions(this, *this, OnFilterOptions_, Value);
}

void TvxQBE::SetQBE(TStrings* Value) {
  QBE_->Assign(Value);
  if (!Active()) return;
  Close();
  Open();
}

void TvxQBE::SetUpdateObject(TComponent* Value) {
  if (UpdateObject_ == Value) return;
  if (UpdateObject_) UpdateObject_->RemoveFreeNotification(this);
  UpdateObject_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TvxQBE::Notification(TComponent* AComponent, TOperation Operation) {
  TDBDataSet::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == UpdateObject_) UpdateObject_ = nullptr;
}

void TvxQBE::ClearParams() {
  ParamNames_->Clear();
  ParamValues_->Clear();
}

std::string TvxQBE::GetParam(const std::string& Name) const {
  const int i = ParamNames_->IndexOf(Name);
  return i < 0 ? std::string() : ParamValues_->Strings(i);
}

void TvxQBE::SetParam(const std::string& Name, const std::string& Value) {
  const int i = ParamNames_->IndexOf(Name);
  if (i >= 0) {
    ParamValues_->SetStrings(i, Value);
    return;
  }
  ParamNames_->Add(Name);
  ParamValues_->Add(Value);
}

bool TvxQBE::SaveAnswerTable(const std::string& Name) { return vxSaveAnswerTable(this, Handle(), Name); }

namespace {

bool IsReferenceChar(char C) {
  return C == '#' || C == '_' || (C >= '0' && C <= '9') || (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}

// Line with each "~Name" (the name without regard to case) replaced by
// Value; the search goes on after the value put in, which may itself hold
// a reference.
void PutParam(std::string& Line, const std::string& Name, const std::string& Value) {
  const std::string lowerName = AnsiLowerCase(Name);
  std::size_t from = 0;
  while ((from = Line.find('~', from)) != std::string::npos) {
    if (AnsiLowerCase(Line.substr(from + 1, Name.size())) != lowerName) {
      ++from;
      continue;
    }
    Line.replace(from, Name.size() + 1, Value);
    from += Value.size();
  }
}

// Every reference left, a parameter never set, becomes one blank.
void BlankUnsetParams(std::string& Line) {
  std::size_t from = 0;
  while ((from = Line.find('~', from)) != std::string::npos) {
    std::size_t end = from + 1;
    while (end < Line.size() && IsReferenceChar(Line[end])) ++end;
    Line.replace(from, end - from, " ");
    ++from;
  }
}

}  // namespace

OrvexResult TvxQBE::PerformQuery(hOrvexCursor& Cursor) {
  Cursor = 0;
  // The stored values stay as the user gave them: each run converts a copy.
  auto lines = std::make_unique<TStringList>();
  lines->Assign(QBE_.get());
  for (int i = 0; i < lines->Count(); ++i) {
    std::string line = lines->Strings(i);
    if (line.find('~') == std::string::npos) continue;
    for (int p = ParamNames_->Count() - 1; p >= 0; --p)
      PutParam(line, ParamNames_->Strings(p), Translate(ParamValues_->Strings(p), true));
    BlankUnsetParams(line);
    lines->SetStrings(i, line);
  }
  const std::string text = vxGetQueryText(lines.get(), false);

  hNuboStmt stmt = 0;
  Check(NuboQAlloc(DBHandle(), qrylangQBE, &stmt));
  TScopeExit release([&stmt] { Check(NuboQFree(&stmt)); });
  THourGlassScope hourGlass;
  Check(NuboSetProp(stmt, stmtAUXTBLS, AuxiliaryTables_ ? 1 : 0));
  if (BlankAsZero_) Check(NuboSetProp(stmt, stmtBLANKS, 1));
  OrvexResult result = NuboQPrepare(stmt, text.c_str());
  if (result == ORVEX_OK) result = NuboQExec(stmt, &Cursor);
  return result;
}

hOrvexCursor TvxQBE::CreateHandle() {
  if (MadeAheadSet_) {
    MadeAheadSet_ = false;
    return MadeAhead_;
  }
  NoAnswer_ = false;
  RunError_.clear();
  if (QBE_->Count() == 0 || QBE_->Strings(0).empty()) return TDBDataSet::CreateHandle();
  for (;;) {
    hOrvexCursor cursor = 0;
    OrvexResult result = ORVEX_OK;
    try {
      result = PerformQuery(cursor);
      if (result >= ORVEX_ERR_PASSWORD && result <= ORVEX_ERR_PASSWORDFIELD) {
        if (DBSession()->GetPassword()) continue;
        return 0;
      }
      Check(result);
    } catch (const EDatabaseError& e) {
      RunError_ = e.Message();
      return 0;
    }
    if (!cursor) {
      NoAnswer_ = true;
      return 0;
    }
    vxSaveAnswerTable(this, cursor, AnswerTable_);
    return cursor;
  }
}

void TvxQBE::OpenCursor(bool InfoQuery) {
  SetDBFlag(dbfOpened, true);
  MadeAhead_ = CreateHandle();
  if (NoAnswer_) return;
  if (!MadeAhead_ && !RunError_.empty()) DatabaseError("Error creating cursor handle: " + RunError_, this);
  MadeAheadSet_ = true;
  TScopeExit clear([this] { MadeAheadSet_ = false; });
  TDBDataSet::OpenCursor(InfoQuery);
}

TParam* TvxQBE::vxFilterField(const std::string& FieldName) {
  return vxDataSetFilterField(this, FilterState(), FieldName);
}

void TvxQBE::ResetMouseCursor() { vxDataSetResetMouseCursor(*this); }
void TvxQBE::RemoveObsoleteLinks() { RemoveObsolete(this); }
bool TvxQBE::IsValidField(const std::string& Name) { return vxDataSetIsValidField(this, Name); }
bool TvxQBE::IsSequenced() { return !OnFilter_ && TDBDataSet::IsSequenced(); }

void TvxQBE::DataEvent(TDataEvent Event, std::intptr_t Info) {
  TDBDataSet::DataEvent(Event, Info);
  ResetMouseCursor();
  vxDataSetShowPendingRecords(this, *this, Event);
}

void TvxQBE::DoAfterOpen() {
  TDBDataSet::DoAfterOpen();
  Callback_.Opened(this, static_cast<bool>(OnFilter_));
}

void TvxQBE::DoOnCalcFields() {
  CalcFields(this);
  TDBDataSet::DoOnCalcFields();
}

int TvxQBE::GetNextRecords() {
  const int n = TDBDataSet::GetNextRecords();
  ResetMouseCursor();
  return n;
}

// ---------------------------------------------------------------- answers kept as tables

std::string vxGetAlias(const std::string& Alias) {
  const std::string path = "\\Databases\\" + Alias + "\\db info";
  hOrvexCursor list = 0;
  const OrvexResult r = NuboOpenCfgInfoList(0, 1, 0, path.c_str(), &list);
  if (r == ORVEX_ERR_NOENTRIES) return {};
  Check(r);
  TScopeExit close([&list] { NuboCloseCursor(&list); });
  OrvexCfgDesc desc{};
  while (NuboGetNextRecord(list, 0, &desc, nullptr) == ORVEX_OK)
    if (AnsiLowerCase(desc.name) == "path") return desc.value;
  return {};
}

namespace {

// The device of the file system a directory lies on; -1 when it cannot be read.
long long DeviceOf(const std::string& Directory) {
  struct stat st {};
  if (Directory.empty() || ::stat(Directory.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_dev);
}

// The directory a table name lies in: its own, or the database's for a bare name.
std::string DirectoryOf(const TDBDataSet* DataSet, const std::string& Name) {
  if (!Name.empty() && Name[0] == '/') return ExtractFilePath(Name);
  const std::string base = DataSet->DatabaseName().empty() ? "." : DataSet->DatabaseName();
  return ExtractFilePath(IncludeTrailingPathDelimiter(base) + Name);
}

}  // namespace

bool vxSaveAnswerTable(TDBDataSet* DataSet, hOrvexCursor Cursor, const std::string& AName) {
  if (AName.empty()) return false;
  std::string name = AName;
  if (name[0] == ':') {
    const std::string rest = name.substr(1);
    const std::size_t colon = rest.find(':');
    const std::string alias = colon == std::string::npos ? rest : rest.substr(0, colon);
    const std::string file = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    const std::string directory = vxGetAlias(alias);
    if (directory.empty()) {
      MessageDlg("Invalid Alias in QBE", mtError, {mbOK}, 0);
      return false;
    }
    name = directory.back() != '/' && (file.empty() || file[0] != '/') ? directory + "/" + file : directory + file;
  }
  try {
    const std::string privateDir =
        DataSet->DBSession()->PrivateDir().empty() ? GetCurrentDir() : DataSet->DBSession()->PrivateDir();
    const long long device = DeviceOf(DirectoryOf(DataSet, name));
    if (device != -1 && device != DeviceOf(privateDir)) {
      Check(NuboSetToBegin(Cursor));
      NuboDeleteTable(DataSet->DBHandle(), name.c_str(), "KALMURE");  // none there is as good
      Check(NuboCopyCursor(Cursor, name.c_str(), "KALMURE", ORVEX_COPY_REPLACE));
      return true;
    }
    const OrvexResult r = NuboQKeepAsTable(Cursor, name.c_str(), -1);
    if (r != ORVEX_OK) {
      ShowMessage(NuboErrorText(r) + "(" + name + ")");
      return false;
    }
    return NuboQFinishKeep(Cursor) == ORVEX_OK;
  } catch (const Exception&) {
    MessageDlg("Unable to create answer table " + name, mtWarning, {mbOK}, 0);
    return false;
  }
}

}  // namespace vx

#include "Vxtable.h"

#include <algorithm>
#include <cstring>

#include "Database.h"
#include "Dialogs.h"
#include "Files.h"
#include "Forms.h"
#include "Query.h"
#include "Scope.h"
#include "Text.h"
#include "Vxfilter.h"
#include "Vxintl.h"
#include "Vxlocate.h"
#include "Vxstr.h"

using namespace fw;

namespace vx {

FW_PUBLISH(TvxTable) {
  c.Property("LookupFields", &TvxTable::LookupFields, &TvxTable::SetLookupFields);
  c.Property("LookupLinks", &TvxTable::LookupLinks, &TvxTable::SetLookupLinks);
  c.Property("ControlType", &TvxTable::ControlType, &TvxTable::SetControlType);
  c.Property("PictureMasks", &TvxTable::PictureMasks, &TvxTable::SetPictureMasks);
  c.Property("vxFilter", &TvxTable::vxFilter, &TvxTable::setFilterArray);
  // Stored: always written, whatever their value.
  c.Property("SyncSQLByRange", &TvxTable::SyncSQLByRange, &TvxTable::SetSyncSQLByRange);
  c.Property("NarrowSearch", &TvxTable::NarrowSearch, &TvxTable::SetNarrowSearch);
  c.Property("NarrowSearchUpperChar", &TvxTable::NarrowSearchUpperChar, &TvxTable::SetNarrowSearchUpperChar)
      .Default(255)
      .SetTypeName("Word");
  c.Property("Query", &TvxTable::Query, &TvxTable::SetQuery);
  c.Property("TableName", &TvxTable::GetTableName, &TvxTable::SetTableName).SetTypeName("TFileName");
  c.Property("ValidateWithMask", &TvxTable::ValidateWithMask, &TvxTable::SetValidateWithMask);
  c.Event("OnInvalidValue", &TvxTable::OnInvalidValue);
  c.Property("OnFilter", &TvxTable::OnFilter, &TvxTable::SetOnFilter);
  c.Event("OnFilterEscape", &TvxTable::OnFilterEscape);
  c.Property("OnFilterOptions", &TvxTable::OnFilterOptions, &TvxTable::SetOnFilterOptions)
      .Default(TvxOnFilterOptions{ofoEnabled, ofoShowHourGlass}.ToBits());
}

FW_IMPLEMENT_CLASS(TvxDataSource)

namespace {

constexpr std::uint16_t kPackFlag = 0xFFFF;

bool EndsWithB(const std::string& lower) { return !lower.empty() && lower.back() == 'b'; }

}  // namespace

TvxTable::TvxTable(TComponent* AOwner)
    : TTable(AOwner),
      LookupFields_(std::make_unique<TStringList>()),
      LookupLinks_(std::make_unique<TStringList>()),
      ControlType_(std::make_unique<TStringList>()),
      vxFilter_(std::make_unique<TStringList>()),
      Query_(std::make_unique<TStringList>()),
      PictureMasks_(std::make_unique<TStringList>()),
      KalMasks_(std::make_unique<TStringList>()) {}

TvxTable::~TvxTable() {
  FreeLookupTables();
  for (bool* p : DependentFlags_) *p = true;
}

// ---------------------------------------------------------------- properties

void TvxTable::setFilterArray(TStrings* Value) {
  vxFilter_->Assign(Value);
  if (Active() && !vxSetFilter(FilterString(), this, ExpressionFilter_, false))
    MessageDlg("Fail to set filter", mtWarning, {mbOK}, 0);
}

void TvxTable::SetQuery(TStrings* Lines) {
  if (Active()) Close();
  if (Lines && Lines->Count() > 0) {
    SetTableName("");
    SetIndexFieldNames("");
    SetMasterFields("");
    SetMasterSource(nullptr);
  }
  Query_->Assign(Lines);
}

void TvxTable::SetTableName(const std::string& Value) {
  TTable::SetTableName(Value);
  if (!Value.empty()) Query_->Clear();
}

void TvxTable::SetOnFilter(const TvxTableFilterEvent& Value) {
  OnFilter_ = Value;
  // A table without a cursor gets its callback when it is prepared.
  vxSetFilterFunction(OnFilter_ ? vxRecordFilterCallback(true) : nullptr, this, CallbackFilter_);
}

void TvxTable::SetOnFilterOptions(TvxOnFilterOptions Value) {
  vxDataSetSetOnFilterOptions(this, *this, OnFilterOptions_, Value);
}

// ---------------------------------------------------------------- kind of table

bool TvxTable::IsKalmureTable() const {
  if (TableType() != ttDefault) return TableType() == ttKalmure;
  const std::string lower = AnsiLowerCase(TableName());
  return Pos(".db", lower) > 0 && EndsWithB(lower);
}

bool TvxTable::IsZentorTable() const {
  if (TableType() == ttZentor) return true;
  return SameText(ExtractFileExt(TableName()), ".DBF");
}

bool TvxTable::isSequencableTable() const { return Handle() != 0 && IsKalmureTable(); }

// ---------------------------------------------------------------- stored pictures

std::string TvxTable::GetDBPicture(const std::string& FieldName) {
  if (!IsKalmureTable()) return {};
  DoInitKalMasks();
  for (int i = 0; i < KalMasks_->Count(); ++i) {
    const std::string line = KalMasks_->Strings(i);
    int pos = 1;
    std::string name, picture;
    strGetToken(line, "\t", pos, name);
    if (name != FieldName) continue;
    if (pos >= 1) strGetToken(line, "\t", pos, picture);
    return picture;
  }
  return {};
}

void TvxTable::DoInitKalMasks() {
  if (!MasksUnread_) return;
  MasksUnread_ = false;  // once, also when the table is not native or the read fails
  const bool wasActive = Active();
  if (!wasActive) OpenCursor(false);
  TScopeExit closeAgain([this, wasActive] {
    if (!wasActive) CloseCursor();
  });
  if (!IsKalmureTable()) return;
  const std::string name = AnsiToNative(TableName(), 259);
  KalMasks_->Clear();
  hOrvexCursor list = 0;
  if (NuboOpenVchkList(DBHandle(), name.c_str(), "KALMURE", &list) != ORVEX_OK) return;
  std::vector<std::uint8_t> rec(sizeof(OrvexVchkDesc) + 1, 0);  // the extra byte ends the last picture
  while (NuboGetNextRecord(list, 0, rec.data(), nullptr) == ORVEX_OK) {
    std::uint16_t fieldNo;
    std::memcpy(&fieldNo, rec.data(), sizeof fieldNo);
    for (int i = 0; i < FieldCount(); ++i) {
      TField* f = Fields(i);
      if (f->FieldNo() != fieldNo) continue;
      KalMasks_->Add(f->FieldName() + "\t" +
                     reinterpret_cast<const char*>(rec.data() + offsetof(OrvexVchkDesc, picture)));
      break;
    }
  }
  NuboCloseCursor(&list);
}

// ---------------------------------------------------------------- queries

OrvexResult TvxTable::PerformQuery(hOrvexCursor& Cursor) {
  THourGlassScope hourGlass;
  Cursor = 0;
  const bool qbe = QueryLanguage_ == "QBE";
  const std::string text = vxGetQueryText(Query_.get(), !qbe);
  hNuboStmt stmt = 0;
  Check(NuboQAlloc(DBHandle(), qbe ? qrylangQBE : qrylangSQL, &stmt));
  TScopeExit release([&] { Check(NuboQFree(&stmt)); });
  if (qbe) {
    Check(NuboSetProp(stmt, stmtAUXTBLS, 0));
    Check(NuboSetProp(stmt, stmtBLANKS, 1));
  }
  OrvexResult result = NuboQPrepare(stmt, text.c_str());
  if (result == ORVEX_OK) result = NuboQExec(stmt, &Cursor);
  return result;
}

// ---------------------------------------------------------------- packing

bool TvxTable::Pack(std::string& Msg) {
  Msg.clear();
  bool native, second;
  if (TableType() != ttDefault) {
    native = TableType() == ttKalmure;
    second = TableType() == ttZentor;
  } else {
    const std::string lower = AnsiLowerCase(TableName());
    native = Pos(".db", lower) > 0 && EndsWithB(lower);
    second = Pos(".dbf", lower) > 0;
  }
  if (!native && !second) {
    Msg = "Invalid table type for packing.";
    return false;
  }

  const bool wasExclusive = Exclusive();
  const bool wasActive = Active();
  DisableControls();
  TScopeExit enable([this] { EnableControls(); });
  // Put the table back as it was on every way out; a failure to reopen it
  // must not hide the failure that brought us here.
  TScopeExit restore([&] {
    Close();
    SetExclusive(wasExclusive);
    SetActive(wasActive);
  });

  bool result = false;
  {
    TScopeFail dropHold([this] {
      if (DBFlags().Contains(dbfDatabase)) SetDBFlag(dbfDatabase, false);
    });
    Close();
    SetExclusive(true);
    if (native) {
      OrvexTableDesc desc{};
      std::strncpy(desc.name, AnsiToNative(TableName(), 260).c_str(), sizeof desc.name - 1);
      std::strncpy(desc.driverType, "KALMURE", sizeof desc.driverType - 1);
      SetActive(true);
      OrvexCursorProps props{};
      Check(NuboGetCursorProps(Handle(), &props));
      desc.protectedFlag = props.protectedFlag;
      SetActive(false);
      desc.packFlag = kPackFlag;
      THourGlassScope hourGlass;
      SetDBFlag(dbfDatabase, true);
      const OrvexResult r = NuboDoRestructure(DBHandle(), 1, &desc, nullptr, nullptr, nullptr, 0);
      SetDBFlag(dbfDatabase, false);
      if (r != ORVEX_OK)
        Msg = NuboErrorText(r);
      else
        result = true;
    } else {
      THourGlassScope hourGlass;
      Open();
      const OrvexResult r = NuboPackTable(DBHandle(), Handle(), nullptr, nullptr, 1);
      if (r != ORVEX_OK)
        Msg = NuboErrorText(r);
      else
        result = true;
    }
  }
  return result;
}

int TvxTable::GetFilterCount() { return RecordCount(); }

void TvxTable::AddDependentTablePtr(bool* P) { DependentFlags_.push_back(P); }

void TvxTable::RemoveDependentTablePtr(bool* P) { std::erase(DependentFlags_, P); }

// ---------------------------------------------------------------- lookup tables

void TvxTable::RefreshLinks() {
  for (TvxTable* t : LookupTables())
    if (t->Active()) t->Refresh();
}

void TvxTable::RemoveObsoleteLinks() {
  vxDataSetRemoveObsolete(this, LookupFields_.get(), LookupLinks_.get(), ControlType_.get());
}

bool TvxTable::IsValidField(const std::string& Name) { return vxDataSetIsValidField(this, Name); }

bool TvxTable::SetLookupField(TField* Field) { return vxSetLookupField(this, Field); }

// ---------------------------------------------------------------- filters

std::string TvxTable::FilterString() const {
  std::string text;
  bool first = true;
  for (int i = 0; i < vxFilter_->Count(); ++i) {
    std::string line = vxFilter_->Strings(i);
    strStripTrailing(line, strWhiteSpace());
    if (line.empty()) continue;
    text += first ? line : " AND (" + line + ")";
    first = false;
  }
  return text;
}

bool TvxTable::FilterActivate() {
  const bool result = vxSetFilter(FilterString(), this, ExpressionFilter_, Preparing_);
  if (OnFilter_) vxSetFilterFunction(vxRecordFilterCallback(true), this, CallbackFilter_);
  return result;
}

bool TvxTable::setFilter(const std::string& Text) {
  if (!vxSetFilter(Text, this, ExpressionFilter_, false)) {
    MessageDlg("Fail to set filter", mtWarning, {mbOK}, 0);
    return false;
  }
  vxFilter_->Clear();
  vxFilter_->Add(Text);
  return true;
}

TParam* TvxTable::vxFilterField(const std::string& FieldName) {
  return vxDataSetFilterField(this, FilterState(), FieldName);
}

void TvxTable::ResetMouseCursor() { vxDataSetResetMouseCursor(*this); }

// ---------------------------------------------------------------- searches and indexes

namespace {

// The text of a key value: integers in decimal, Booleans "True" or "False",
// floats by the float-to-text, texts as they are; empty for anything else.
std::string KeyText(const Variant& Value) {
  if (VarTypeIsInteger(VarType(Value))) return std::to_string(Value.AsInt64());
  switch (VarType(Value)) {
    case varBoolean: return Value.AsBoolean() ? "True" : "False";
    case varSingle:
    case varDouble:
    case varCurrency: return FloatToStr(Value.AsDouble());
    case varString:
    case varOleStr: return Value.AsString();
    default: return {};
  }
}

// Raises the table's search depth for the scope.
class TSearchDepth {
public:
  explicit TSearchDepth(int& Depth) : depth_(Depth) { ++depth_; }
  ~TSearchDepth() { --depth_; }
  TSearchDepth(const TSearchDepth&) = delete;
  TSearchDepth& operator=(const TSearchDepth&) = delete;

private:
  int& depth_;
};

}  // namespace

bool TvxTable::vxFindNearest(const std::string& Value, int FieldIndex) {
  TSearchDepth depth(SearchDepth_);
  return vxTableFindNearest(this, Value, FieldIndex);
}

bool TvxTable::vxFindRecord(const std::string& Value, const std::string& FieldName, TvxLocateMatchType MatchType,
                            bool CaseSensitive) {
  TSearchDepth depth(SearchDepth_);
  return vxDataSetFindRecord(this, Value, FieldName, MatchType, CaseSensitive);
}

bool TvxTable::CurrentRecordHasKeys(const std::vector<Variant>& KeyValues) {
  if (IsEmpty()) return false;
  for (std::size_t i = 0; i < KeyValues.size(); ++i)
    if (AnsiLowerCase(KeyText(KeyValues[i])) != AnsiLowerCase(IndexFields(static_cast<int>(i))->AsString()))
      return false;
  return true;
}

bool TvxTable::vxFindKey(const std::vector<Variant>& KeyValues) {
  if (IndexFieldCount() == 0) return false;
  if (static_cast<int>(KeyValues.size()) > IndexFieldCount()) {
    MessageDlg("Table " + Name() + ": FindKey has too many lookup values for index " + IndexName(), mtWarning,
               {mbOK}, 0);
    return false;
  }
  TSearchDepth depth(SearchDepth_);
  if (vxDataSetIsSQLBased(this) && SyncSQLByRange_) {
    if (CurrentRecordHasKeys(KeyValues) && !(Bof() && Eof()) && (!RangeEndSet() || ExactRangeMode_)) return true;
    if (KeyValues.empty() || KeyText(KeyValues[0]).empty()) {
      if (!ExactRangeMode_) CancelRange();
      return false;
    }
    if (ExactRangeMode_)
      SetRange(KeyValues, KeyValues);
    else
      vxSetRangeStart(KeyValues);
    First();
    return CurrentRecordHasKeys(KeyValues);
  }
  if (NarrowSearch_) CancelRange();
  if (CurrentRecordHasKeys(KeyValues)) return true;
  return FindKey(KeyValues);
}

void TvxTable::vxSetRangeStart(const std::vector<Variant>& KeyValues) {
  CheckBrowseMode();
  SetRangeStart();
  const int n = std::min(static_cast<int>(KeyValues.size()), IndexFieldCount());
  for (int i = 0; i < n; ++i) IndexFields(i)->SetAsString(KeyText(KeyValues[static_cast<std::size_t>(i)]));
  SetKeyFieldCount(n);
  SetRangeEnd();
  ApplyRange();
}

void TvxTable::FastCancelRange() {
  if (!vxInternational()->UseFastCancelRange() || !vxDataSetIsSQLBased(this)) {
    CancelRange();
    return;
  }
  // Reopening drops the range at once on a server; the columns shown stay.
  auto selected = std::make_unique<TStringList>();
  vxDataSetUpdateSelected(this, selected.get());
  Close();
  Open();
  vxDataSetUpdateFieldProperties(this, selected.get());
}

// The framework's ApplyRange sets the range every time: it keeps no current
// range to compare with, so there is nothing to clear.
void TvxTable::ClearCurrentRangeBuffers() {}

void TvxTable::SyncSQLTable(TTable* Table) {
  if (Table == this) return;
  vxWithControlsHeld(this, [&] {
    SetRangeStart();
    for (int i = 0; i < IndexFieldCount(); ++i) {
      TField* key = IndexFields(i);
      if (TField* source = Table->FindField(key->FieldName())) key->SetAsString(source->AsString());
    }
    SetRangeEnd();
    ApplyRange();
  });
}

void TvxTable::UpdateIndexes() {
  TIndexDefs* defs = IndexDefs();
  if (defs->Count() == 0 || (defs->Count() > 1 && defs->Items(0)->Name() == Name() + "Index0")) defs->Update();
}

std::string TvxTable::IndexToFields(const std::string& Name) {
  UpdateIndexes();
  TIndexDefs* defs = IndexDefs();
  for (int i = 0; i < defs->Count(); ++i) {
    TIndexDef* d = defs->Items(i);
    // Without a name, the primary index: named so, or the engine's unnamed one.
    if (Name.empty() ? d->Name() == "PrimaryKey" || d->Options().Contains(ixPrimary) : d->Name() == Name)
      return d->Fields();
  }
  return {};
}

std::string TvxTable::GetIndexFieldName() {
  std::string fields = IndexFieldNames().empty() ? IndexToFields(IndexName()) : IndexFieldNames();
  int pos = 1;
  std::string first;
  strGetToken(fields, ";", pos, first);
  return first;
}

bool TvxTable::SetIndexFieldName(const std::string& Name) { return SetToIndexContainingField(Name); }

bool TvxTable::isCaseInsensitiveIndex() {
  const std::string field = GetIndexFieldName();
  return !field.empty() && IndexDefs()->GetIndexForFields(field, true) != nullptr;
}

bool TvxTable::FindFieldsToIndex(const std::string& Fields, bool CaseSensitive, std::string& IndexName,
                                 bool ExactLength) {
  const std::string want = AnsiUpperCase(Fields);
  TIndexDefs* defs = IndexDefs();
  for (int i = 0; i < defs->Count(); ++i) {
    TIndexDef* d = defs->Items(i);
    const std::string have = AnsiUpperCase(d->Fields());
    if (have.compare(0, want.size(), want) != 0) continue;
    if (d->Options().Contains(ixCaseInsensitive) == CaseSensitive) continue;
    if (ExactLength && have.size() != want.size()) continue;
    if (have.size() != want.size() && have[want.size()] != ';') continue;
    IndexName = d->Name();
    return true;
  }
  return false;
}

std::string TvxTable::FieldsToIndex(const std::string& Fields) {
  std::string name = "?";
  UpdateIndexes();
  for (const auto& [caseSensitive, exact] : {std::pair{false, true}, {true, true}, {false, false}, {true, false}})
    if (FindFieldsToIndex(Fields, caseSensitive, name, exact)) break;
  return name;
}

std::string TvxTable::FieldstoIndexWithCase(const std::string& Fields, bool CaseSensitive) {
  std::string name = "?";
  UpdateIndexes();
  if (!FindFieldsToIndex(Fields, CaseSensitive, name, true)) FindFieldsToIndex(Fields, CaseSensitive, name, false);
  return name;
}

bool TvxTable::SetToIndexContainingField(const std::string& Fields) {
  if (Fields.empty() || Query_->Count() > 0) return false;
  UpdateIndexes();
  TSearchDepth depth(SearchDepth_);
  std::string name;
  if (!MasterSource() || IgnoreMaster_) {
    name = FieldsToIndex(Fields);
  } else {
    // The master's fields lead the index; the field sought follows them.
    int pos = 1;
    std::string first;
    strGetToken(Fields, ";", pos, first);
    const int masters = static_cast<int>(GetFieldList(MasterFields()).size());
    std::string list;
    for (int i = 0; i < masters && i < IndexFieldCount(); ++i) list += IndexFields(i)->FieldName() + ";";
    name = FieldsToIndex(list + first);
  }
  if (name == "?") return false;
  const std::string current = IndexFieldNames().empty() ? IndexName() : FieldsToIndex(IndexFieldNames());
  if (!AnsiSameText(name, current)) {
    if (MasterSource()) ClearCurrentRangeBuffers();
    vxChangeIndexName(name);
  }
  return true;
}

bool TvxTable::SetToIndexContainingFields(TStrings* List) {
  if (!List || List->Count() == 0) return false;
  int pos = 1;
  std::string first;
  strGetToken(List->Strings(0), "\t", pos, first);
  return SetToIndexContainingField(first);
}

void TvxTable::vxChangeIndexName(const std::string& Name) {
  UpdateIndexes();
  const int i = IndexDefs()->IndexOf(Name);
  if (i >= 0) vxChangeIndex(IndexDefs()->Items(i));
}

void TvxTable::vxChangeIndex(TIndexDef* IndexDef) { vxTableChangeIndex(this, IndexDef); }

// ---------------------------------------------------------------- overrides

bool TvxTable::IsSequenced() {
  if (!TTable::IsSequenced()) return false;
  return !OnFilter_ && FilterString().empty();
}

void TvxTable::CloseCursor() {
  FreeLookupTables();
  TTable::CloseCursor();
  // The cursor took its filters with it.
  ExpressionFilter_ = 0;
  CallbackFilter_ = 0;
  FilterState().ShowAllPending = false;
  if (Query_->Count() > 0) SetTableName("");
}

void TvxTable::DataEvent(TDataEvent Event, std::intptr_t Info) {
  TTable::DataEvent(Event, Info);
  ResetMouseCursor();
  vxDataSetShowPendingRecords(this, *this, Event);
}

void TvxTable::DoBeforePost() {
  TTable::DoBeforePost();
  if (ValidateWithMask_) vxValidatePictureFields(this, OnInvalidValue);
}

void TvxTable::DoOnCalcFields() {
  RemoveObsoleteLinks();
  vxDataSetDoOnCalcFields(this, LookupFields_.get(), LookupLinks_.get(), LookupTables());
  TTable::DoOnCalcFields();
}

int TvxTable::GetNextRecords() {
  const int n = TTable::GetNextRecords();
  ResetMouseCursor();
  return n;
}

void TvxTable::InitFieldDefs() {
  if (Query_->Count() == 0) {
    TTable::InitFieldDefs();
    return;
  }
  if (Active()) return;
  TScopeExit close([this] { CloseCursor(); });
  OpenCursor(true);
}

void TvxTable::OpenCursor(bool InfoQuery) {
  if (Query_->Count() > 0) {
    std::string first = AnsiLowerCase(Query_->Strings(0));
    const int blank = Pos(" ", first);
    if (blank > 0) first = Copy(first, 1, blank - 1);
    QueryLanguage_ = first == "query" ? "QBE" : "SQL";
  }
  TTable::OpenCursor(InfoQuery);
  Sequencable_ = isSequencableTable();
}

hOrvexCursor TvxTable::CreateHandle() {
  if (Query_->Count() == 0) return TTable::CreateHandle();
  SetTableName("");
  SetIndexFieldNames("");
  SetMasterFields("");
  SetMasterSource(nullptr);
  hOrvexCursor cursor = 0;
  Check(PerformQuery(cursor));
  // a query that changed data has run; the open can only say it answered nothing
  if (!cursor) NoResultSet(this);
  return cursor;
}

void TvxTable::PrepareCursor() {
  TTable::PrepareCursor();
  Preparing_ = true;
  TScopeExit done([this] { Preparing_ = false; });
  if (!FilterString().empty() || OnFilter_) FilterActivate();
}

}  // namespace vx

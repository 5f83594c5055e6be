#include "Query.h"

#include <cstring>

#include "Chars.h"
#include "DataSource.h"
#include "Database.h"
#include "EngineLib.h"
#include "Fields.h"
#include "Scope.h"
#include "Strings.h"
#include "Text.h"

namespace fw {

FW_IMPLEMENT_CLASS(ENoResultSet)
FW_IMPLEMENT_CLASS(TStatementDataSet)

FW_PUBLISH(TQuery) {
  c.Property("DataSource", &TQuery::DataSource, &TQuery::SetDataSource);
  c.Property("ParamCheck", &TQuery::ParamCheck, &TQuery::SetParamCheck).Default(1);
  c.Property("Params", &TQuery::Params, &TQuery::SetParams);
  c.Property("RequestLive", &TQuery::RequestLive, &TQuery::SetRequestLive).Default(0);
  c.Property("SQL", &TQuery::SQL, &TQuery::SetSQL);
}

FW_PUBLISH(TStoredProc) {
  c.Property("Params", &TStoredProc::Params, &TStoredProc::SetParams);
  c.Property("StoredProcName", &TStoredProc::StoredProcName, &TStoredProc::SetStoredProcName);
}

[[noreturn]] void NoResultSet(const TComponent* owner) {
  std::string msg = "The statement returns no records";
  throw ENoResultSet(owner->Name().empty() ? msg : owner->Name() + ": " + msg);
}

namespace {

bool IsNameByte(char c) {
  auto b = static_cast<unsigned char>(c);
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' || b == '$' ||
         b >= 0x80;
}

// The names of the :name parameters of a statement's text, each once, in
// the order they first appear; quotes and comments skipped.
std::vector<std::string> ParamNamesOf(const std::string& sql) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < sql.size();) {
    char c = sql[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      char close = c == '[' ? ']' : c;
      std::size_t end = sql.find(close, i + 1);
      i = end == std::string::npos ? sql.size() : end + 1;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      std::size_t end = sql.find('\n', i);
      i = end == std::string::npos ? sql.size() : end + 1;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      std::size_t end = sql.find("*/", i + 2);
      i = end == std::string::npos ? sql.size() : end + 2;
    } else if (c == ':' && i + 1 < sql.size() && IsNameByte(sql[i + 1]) &&
               (i == 0 || !IsNameByte(sql[i - 1]))) {
      std::size_t end = i + 1;
      while (end < sql.size() && IsNameByte(sql[end])) ++end;
      std::string name = sql.substr(i + 1, end - i - 1);
      bool seen = false;
      for (const std::string& n : names) seen = seen || AnsiSameText(n, name);
      if (!seen) names.push_back(name);
      i = end;
    } else {
      ++i;
    }
  }
  return names;
}

// A list of parameters of these names, each keeping the value of the
// same-named one of the old list.
void Remake(TParams* params, const std::vector<std::string>& names) {
  TParams fresh;
  for (const std::string& name : names) {
    TParam* p = fresh.CreateParam(ftUnknown, name, ptInput);
    if (TParam* old = params->FindParam(name)) {
      p->Assign(old);
      p->SetName(name);
    }
  }
  params->Assign(&fresh);
}

TFieldType TypeOfValue(const Variant& v) {
  switch (VarType(v)) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord: return ftInteger;
    case varBoolean: return ftBoolean;
    case varDate: return ftDateTime;
    case varString:
    case varOleStr: return ftString;
    default: return ftFloat;
  }
}

void BindValue(hOrvexStmt h, std::uint16_t no, const TParam& p) {
  TEngineLib& e = Engine();
  if (p.IsNull()) return Check(e.QBindParam(h, no, ORVEX_FT_STRING, 0, nullptr));
  TFieldType type = p.DataType() == ftUnknown ? TypeOfValue(p.Value()) : p.DataType();
  switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo: {
      std::string s = p.AsString();
      return Check(e.QBindParam(h, no, ORVEX_FT_STRING, static_cast<std::uint32_t>(s.size()), s.c_str()));
    }
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic: {
      std::string s = p.AsString();
      return Check(e.QBindParam(h, no, ORVEX_FT_BLOB, static_cast<std::uint32_t>(s.size()), s.data()));
    }
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftBoolean:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftFloat:
    case ftCurrency: {
      TParam typed(nullptr, p.Name());
      typed.SetDataType(type == ftAutoInc ? ftInteger : type);
      typed.SetValue(p.Value());
      std::uint8_t buf[8] = {};
      typed.GetData(buf);
      return Check(e.QBindParam(h, no, static_cast<std::uint16_t>(typed.DataType()),
                                static_cast<std::uint32_t>(typed.GetDataSize()), buf));
    }
    default: {
      double d = p.AsFloat();
      return Check(e.QBindParam(h, no, ORVEX_FT_FLOAT, sizeof d, &d));
    }
  }
}

}  // namespace

// ---------------------------------------------------------------- TStatement

void TStatement::Prepare(hOrvexDb Db, const std::string& Text, bool Procedure) {
  Free();
  TEngineLib& e = Engine();
  Check(e.QAlloc(Db, ORVEX_LANG_SQL, &handle_));
  TScopeFail free([this] { Free(); });
  std::string text = AnsiToNative(Text);
  Check(Procedure ? e.QPrepareProc(handle_, text.c_str()) : e.QPrepare(handle_, text.c_str()));
}

void TStatement::Free() {
  if (handle_) Engine().QFree(&handle_);
  handle_ = 0;
}

std::vector<std::string> TStatement::ParamNames() const {
  std::uint16_t n = 0;
  Check(Engine().QParamCount(handle_, &n));
  std::vector<std::string> names;
  for (std::uint16_t i = 1; i <= n; ++i) {
    char name[ORVEX_PARAM_NAME_SIZE] = {};
    Check(Engine().QParamName(handle_, i, name));
    names.push_back(NativeToAnsi(name));
  }
  return names;
}

void TStatement::Bind(const TParams* Params, TDataSet* Fields, const TComponent* Owner) const {
  std::vector<std::string> names = ParamNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto no = static_cast<std::uint16_t>(i + 1);
    const TParam* p = Params ? Params->FindParam(names[i]) : nullptr;
    if (p && p->Bound()) {
      BindValue(handle_, no, *p);
      continue;
    }
    TField* f = Fields && Fields->Active() ? Fields->FindField(names[i]) : nullptr;
    if (!f) DatabaseError("No value for parameter '" + names[i] + "'", Owner);
    TParam fromField;
    fromField.AssignField(f);
    BindValue(handle_, no, fromField);
  }
}

hOrvexCursor TStatement::Execute(bool Live, int& RowsAffected) const {
  TEngineLib& e = Engine();
  Check(e.SetProp(handle_, ORVEX_STMT_LIVE, Live ? 1 : 0));
  hOrvexCursor c = 0;
  Check(e.QExec(handle_, &c));
  std::int32_t rows = -1;
  e.GetProp(handle_, ORVEX_STMT_ROWS_AFFECTED, &rows, sizeof rows, nullptr);
  RowsAffected = rows;
  return c;
}

// ---------------------------------------------------------------- TStatementDataSet

void TStatementDataSet::OpenCursor(bool InfoQuery) {
  SetDBFlag(dbfOpened, true);
  if (!Handle()) {
    hOrvexCursor c = CreateHandle();
    if (!c) NoResultSet(this);
    SetHandle(c);
  }
  TDBDataSet::OpenCursor(InfoQuery);
}

hOrvexCursor TStatementDataSet::Run(const TParams* Params, TDataSet* Fields, bool Live) {
  statement_.Bind(Params, Fields, this);
  return statement_.Execute(Live, rowsAffected_);
}

// ---------------------------------------------------------------- TQuery

// Follows the dataset that gives unset parameters their values: an open
// query runs again on its new record.
class TQuery::TParamLink : public TDataLink {
public:
  explicit TParamLink(TQuery* query) : query_(query) {}

protected:
  void ActiveChanged() override {
    if (Active()) query_->MasterChanged();
  }
  void RecordChanged(TField* Field) override {
    if (!Field) query_->MasterChanged();
  }

private:
  TQuery* query_;
};

TQuery::TQuery(TComponent* AOwner)
    : TStatementDataSet(AOwner), sql_(std::make_unique<TStringList>()), params_(std::make_unique<TParams>()),
      link_(std::make_unique<TParamLink>(this)) {
  sql_->OnChange = [this](TObject*) { QueryChanged(); };
}

TQuery::~TQuery() = default;

void TQuery::BeforeDestruction() {
  link_->SetDataSource(nullptr);
  TStatementDataSet::BeforeDestruction();
  FreeStatement();
  SetDBFlag(dbfPrepared, false);
}

TStrings* TQuery::SQL() const { return sql_.get(); }

void TQuery::SetSQL(TStrings* Value) { sql_->Assign(Value); }

std::string TQuery::Text() const { return sql_->Text(); }

void TQuery::QueryChanged() {
  // while a form is read nothing is open, and Close would drop a streamed Active
  if (!ComponentState().Contains(csLoading)) Close();
  FreeStatement();
  if (userPrepared_) {
    userPrepared_ = false;
    SetDBFlag(dbfPrepared, false);
  }
  if (paramCheck_) MakeParams();
  DataEvent(dePropertyChange, 0);
}

void TQuery::MakeParams() { Remake(params_.get(), ParamNamesOf(Text())); }

TDataSource* TQuery::DataSource() const { return link_->DataSource(); }

void TQuery::SetDataSource(TDataSource* Value) {
  if (Value && Value->IsLinkedTo(this)) DatabaseError("Circular datalinks are not allowed", this);
  if (TDataSource* old = link_->DataSource()) old->RemoveFreeNotification(this);
  if (Value) Value->FreeNotification(this);
  link_->SetDataSource(Value);
}

void TQuery::Notification(TComponent* AComponent, TOperation Operation) {
  TStatementDataSet::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == link_->DataSource()) link_->SetDataSource(nullptr);
}

void TQuery::SetRequestLive(bool Value) {
  if (Value == requestLive_) return;
  CheckInactive();
  requestLive_ = Value;
}

void TQuery::MasterChanged() {
  if (!Active() || ComponentState().Contains(csDestroying)) return;
  DisableControls();
  TScopeExit enable([this] { EnableControls(); });
  Close();
  Open();
}

void TQuery::PrepareStatement() {
  if (Trim(Text()).empty()) DatabaseError("No SQL statement available", this);
  Statement().Prepare(DBHandle(), Text(), false);
}

void TQuery::FreeStatement() { Statement().Free(); }

void TQuery::Prepare() {
  if (Prepared()) return;
  SetDBFlag(dbfPrepared, true);
  TScopeFail release([this] { SetDBFlag(dbfPrepared, false); });
  if (!Statement().Prepared()) PrepareStatement();
  userPrepared_ = true;
}

void TQuery::UnPrepare() {
  Close();
  FreeStatement();
  userPrepared_ = false;
  SetDBFlag(dbfPrepared, false);
}

void TQuery::SetPrepared(bool Value) {
  if (Value) Prepare();
  else UnPrepare();
}

hOrvexCursor TQuery::CreateHandle() {
  if (!Statement().Prepared()) PrepareStatement();
  return Run(params_.get(), link_->DataSource() ? link_->DataSource()->DataSet() : nullptr, requestLive_);
}

void TQuery::CloseCursor() {
  TStatementDataSet::CloseCursor();
  if (!userPrepared_) FreeStatement();
}

void TQuery::ExecSQL() {
  CheckInactive();
  SetDBFlag(dbfExecSQL, true);
  TScopeExit release([this] {
    if (!userPrepared_) FreeStatement();
    SetDBFlag(dbfExecSQL, false);
  });
  hOrvexCursor c = CreateHandle();
  if (c) Engine().CloseCursor(&c);
}

// ---------------------------------------------------------------- TStoredProc

TStoredProc::TStoredProc(TComponent* AOwner) : TStatementDataSet(AOwner), params_(std::make_unique<TParams>()) {}

TStoredProc::~TStoredProc() = default;

void TStoredProc::BeforeDestruction() {
  TStatementDataSet::BeforeDestruction();
  Statement().Free();
  SetDBFlag(dbfPrepared, false);
}

void TStoredProc::SetStoredProcName(const std::string& Value) {
  if (Value == storedProcName_) return;
  CheckInactive();
  UnPrepare();
  storedProcName_ = Value;
}

void TStoredProc::Prepare() {
  if (Prepared()) return;
  if (storedProcName_.empty()) DatabaseError("Missing StoredProcName property", this);
  SetDBFlag(dbfPrepared, true);
  TScopeFail release([this] { SetDBFlag(dbfPrepared, false); });
  Statement().Prepare(DBHandle(), storedProcName_, true);
  Remake(params_.get(), Statement().ParamNames());
}

void TStoredProc::UnPrepare() {
  Close();
  Statement().Free();
  SetDBFlag(dbfPrepared, false);
}

void TStoredProc::SetPrepared(bool Value) {
  if (Value) Prepare();
  else UnPrepare();
}

hOrvexCursor TStoredProc::CreateHandle() {
  Prepare();
  return Run(params_.get(), nullptr, false);
}

void TStoredProc::ExecProc() {
  CheckInactive();
  SetDBFlag(dbfExecProc, true);
  TScopeExit release([this] { SetDBFlag(dbfExecProc, false); });
  hOrvexCursor c = CreateHandle();
  if (c) Engine().CloseCursor(&c);
}

}  // namespace fw

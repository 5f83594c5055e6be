#include "Database.h"

#include <algorithm>
#include <set>

#include "EngineLib.h"
#include "Files.h"
#include "NuboDataSet.h"
#include "Scope.h"
#include "Strings.h"
#include "Text.h"

namespace fw {

FW_PUBLISH(TDatabase) {
  c.Property("Connected", &TDatabase::Connected, &TDatabase::SetConnected).Default(0);
  c.Property("DatabaseName", &TDatabase::DatabaseName, &TDatabase::SetDatabaseName);
  c.Property("KeepConnection", &TDatabase::KeepConnection, &TDatabase::SetKeepConnection).Default(1);
  c.Property("Params", &TDatabase::Params, &TDatabase::SetParams);
  c.Property("TransIsolation", &TDatabase::TransIsolation, &TDatabase::SetTransIsolation).Default(tiReadCommitted);
}
FW_IMPLEMENT_CLASS(TSession)

// ---------------------------------------------------------------- TDatabase

TDatabase::TDatabase(TComponent* AOwner)
    : TComponent(AOwner), params_(std::make_unique<TStringList>()), session_(&fw::Session()) {
  session_->AddDatabase(this);
}

void TDatabase::BeforeDestruction() {
  Close();
  TComponent::BeforeDestruction();
}

TDatabase::~TDatabase() {
  if (session_) session_->RemoveDatabase(this);
}

void TDatabase::SetDatabaseName(const std::string& Value) {
  if (Value == databaseName_) return;
  if (Connected()) DatabaseError("Cannot perform this operation on an open database", this);
  databaseName_ = Value;
}

TStrings* TDatabase::Params() const { return params_.get(); }

void TDatabase::SetParams(TStrings* Value) { params_->Assign(Value); }

std::string TDatabase::Directory() const {
  std::string path = params_->Values("PATH");
  return path.empty() ? databaseName_ : path;
}

void TDatabase::Loaded() {
  TComponent::Loaded();
  if (streamedConnected_) {
    streamedConnected_ = false;
    SetConnected(true);
  }
}

void TDatabase::SetConnected(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    streamedConnected_ = Value;
    return;
  }
  if (Value == Connected()) return;
  if (Value) {
    std::string dir = Directory();
    if (dir.empty()) DatabaseError("Database name missing", this);
    hOrvexDb db = 0;
    Check(Engine().OpenDatabase(dir.c_str(), "STANDARD", &db));
    handle_ = db;
  } else {
    CloseDataSets();
    if (InTransaction()) Rollback();
    Engine().CloseDatabase(&handle_);
    handle_ = 0;
  }
}

void TDatabase::StartTransaction() {
  if (!Connected()) DatabaseError("Cannot perform this operation on a closed database", this);
  Check(Engine().BeginTran(handle_, static_cast<std::uint16_t>(transIsolation_)));
}

void TDatabase::Commit() {
  if (!Connected()) DatabaseError("Cannot perform this operation on a closed database", this);
  Check(Engine().EndTran(handle_, 1));
}

void TDatabase::Rollback() {
  if (!Connected()) DatabaseError("Cannot perform this operation on a closed database", this);
  Check(Engine().EndTran(handle_, 0));
}

bool TDatabase::InTransaction() const {
  std::uint32_t in = 0;
  return Connected() && Engine().GetProp(handle_, ORVEX_DB_IN_TRANSACTION, &in, sizeof in, nullptr) == ORVEX_OK &&
         in != 0;
}

void TDatabase::CloseDataSets() {
  std::vector<TDBDataSet*> sets = dataSets_;
  for (TDBDataSet* d : sets)
    if (std::find(dataSets_.begin(), dataSets_.end(), d) != dataSets_.end()) d->Close();
}

// ---------------------------------------------------------------- TSession

TSession::TSession(TComponent* AOwner) : TComponent(AOwner) {
  // The engine binding must outlive the session, which closes databases
  // when it goes.
  Engine();
}

TSession::~TSession() {
  // The temporary databases it owns go while the session's lists still exist;
  // the others only lose their session.
  DestroyComponents();
  std::vector<TDatabase*> dbs = databases_;
  for (TDatabase* d : dbs) {
    d->Close();
    d->session_ = nullptr;
  }
}

void TSession::AddDatabase(TDatabase* Database) { databases_.push_back(Database); }

void TSession::RemoveDatabase(TDatabase* Database) { std::erase(databases_, Database); }

TDatabase* TSession::FindDatabase(const std::string& DatabaseName) const {
  // A name with a path in it is a directory, which this system's files tell
  // apart by case; other names are component names.
  bool isPath = DatabaseName.find('/') != std::string::npos;
  for (TDatabase* d : databases_)
    if (isPath ? d->DatabaseName() == DatabaseName : AnsiSameText(d->DatabaseName(), DatabaseName)) return d;
  return nullptr;
}

TDatabase* TSession::OpenDatabase(const std::string& DatabaseName) {
  TDatabase* db = FindDatabase(DatabaseName);
  bool made = false;
  if (!db) {
    if (DatabaseName.empty()) DatabaseError("Database name missing");
    db = new TDatabase(this);  // owned by the session
    db->SetDatabaseName(DatabaseName);
    db->SetTemporary(true);
    db->SetKeepConnection(keepConnections_);
    made = true;
  }
  {
    TScopeFail forget([&] {
      if (made) delete db;
    });
    db->Open();
  }
  ++db->refCount_;
  return db;
}

void TSession::CloseDatabase(TDatabase* Database) {
  if (!Database) return;
  if (Database->refCount_ > 0) --Database->refCount_;
  if (Database->refCount_ > 0 || Database->KeepConnection()) return;
  if (Database->Temporary()) delete Database;
  else Database->Close();
}

void TSession::DropConnections() {
  std::vector<TDatabase*> dbs = databases_;
  for (TDatabase* d : dbs)
    if (d->Temporary() && d->refCount_ == 0) delete d;
}

void TSession::SetPrivateDir(const std::string& Value) {
  if (Value == privateDir_) return;
  std::string dir = AnsiToNative(Value);
  Check(Engine().SetPrivateDir(dir.empty() ? nullptr : dir.c_str()));
  privateDir_ = Value;
}

bool TSession::GetPassword() {
  if (OnPassword) {
    bool cont = false;
    OnPassword(this, cont);
    return cont;
  }
  std::string password;
  if (!PasswordPrompt || !PasswordPrompt(password)) return false;
  AddPassword(password);
  return true;
}

void TSession::AddPassword(const std::string& Password) {
  if (std::find(passwords_.begin(), passwords_.end(), Password) == passwords_.end()) passwords_.push_back(Password);
}

void TSession::RemovePassword(const std::string& Password) { std::erase(passwords_, Password); }

namespace {

// The records of a list cursor that open makes on a database, and the
// database's directory.
template <typename Rec, typename Open>
std::vector<Rec> ListOf(TSession& session, const std::string& DatabaseName, Open open, std::string& Directory) {
  TDatabase* db = session.OpenDatabase(DatabaseName);
  TScopeExit closeDatabase([&] { session.CloseDatabase(db); });
  Directory = db->Directory();
  hOrvexCursor cur = 0;
  TScopeExit closeCursor([&] {
    if (cur) Engine().CloseCursor(&cur);
  });
  Check(open(db->Handle(), &cur));
  std::vector<Rec> out;
  Rec rec;
  while (Engine().GetNextRecord(cur, 0, &rec, nullptr) == ORVEX_OK) out.push_back(rec);
  return out;
}

}  // namespace

void TSession::GetTableNames(const std::string& DatabaseName, const std::string& Pattern, bool Extensions,
                             bool /*SystemTables*/, TStrings* List) {
  TUpdateScope update(List);
  List->Clear();
  std::string dir;
  auto tables = ListOf<OrvexTableListRec>(
      *this, DatabaseName, [](hOrvexDb db, hOrvexCursor* cur) { return Engine().OpenTableList(db, cur); }, dir);
  std::set<std::string> matching;
  bool all = Pattern.empty() || Pattern == "*";
  if (!all) {
    TSearchRec f;
    if (FindFirst(IncludeTrailingPathDelimiter(dir) + Pattern, faAnyFile, f) == 0) {
      do matching.insert(f.Name);
      while (FindNext(f) == 0);
    }
    FindClose(f);
  }
  for (const OrvexTableListRec& rec : tables) {
    std::string name = NativeToAnsi(rec.name);
    if (!all && !matching.count(name)) continue;
    List->Add(Extensions ? name : ChangeFileExt(name, ""));
  }
}

void TSession::GetStoredProcNames(const std::string& DatabaseName, TStrings* List) {
  TUpdateScope update(List);
  List->Clear();
  std::string dir;
  auto procs = ListOf<OrvexProcListRec>(
      *this, DatabaseName, [](hOrvexDb db, hOrvexCursor* cur) { return Engine().OpenProcList(db, cur); }, dir);
  for (const OrvexProcListRec& rec : procs) List->Add(NativeToAnsi(rec.name));
}

TSession& Session() {
  static const std::unique_ptr<TSession> session = std::make_unique<TSession>(nullptr);
  return *session;
}

}  // namespace fw


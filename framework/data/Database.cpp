#include "Database.h"

#include <algorithm>
#include <set>

#include "EngineLib.h"
#include "Files.h"
#include "FormatSettings.h"
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
  if (!path.empty()) return path;
  if (session_ && !databaseName_.empty() && databaseName_.find('/') == std::string::npos) {
    session_->Handle();
    OrvexDbDesc desc{};
    if (Engine().GetDatabaseDesc(AnsiToNative(databaseName_).c_str(), &desc) == ORVEX_OK && desc.path[0])
      return NativeToAnsi(desc.path);
  }
  return databaseName_;
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
    // The engine tells an alias from a directory and opens the alias's folder.
    std::string path = params_->Values("PATH");
    std::string name = path.empty() ? databaseName_ : path;
    if (name.empty()) DatabaseError("Database name missing", this);
    if (session_) session_->Handle();
    hOrvexDb db = 0;
    Check(Engine().OpenDatabase(AnsiToNative(name).c_str(), nullptr, &db));
    handle_ = db;
    if (session_) session_->DBNotification(dbOpen, databaseName_, this);
  } else {
    CloseDataSets();
    if (InTransaction()) Rollback();
    Engine().CloseDatabase(&handle_);
    handle_ = 0;
    if (session_) session_->DBNotification(dbClose, databaseName_, this);
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
  if (handle_) Engine().StopEngine();
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

// ---------------------------------------------------------------- the engine

namespace {

TSession::TConfigFileHook& ConfigFileHook() {
  static TSession::TConfigFileHook hook;
  return hook;
}

// The engine's configuration lists: NAME and value of each record.
std::vector<std::pair<std::string, std::string>> ReadCfgList(const std::string& Path) {
  std::vector<std::pair<std::string, std::string>> entries;
  hOrvexCursor cur = 0;
  OrvexResult r = Engine().OpenCfgInfoList(0, 1, 0, AnsiToNative(Path).c_str(), &cur);
  if (r == ORVEX_ERR_NOENTRIES) return entries;
  Check(r);
  TScopeExit close([&] { Engine().CloseCursor(&cur); });
  auto rec = std::make_unique<OrvexCfgDesc>();
  while (Engine().GetNextRecord(cur, 0, rec.get(), nullptr) == ORVEX_OK)
    entries.emplace_back(NativeToAnsi(rec->name), NativeToAnsi(rec->value));
  return entries;
}

// NAME=value lines as the engine takes them: each ended by a NUL, the block by an empty one.
std::string ParamBlock(const TStrings* List) {
  std::string block;
  for (int i = 0; List && i < List->Count(); ++i) block += AnsiToNative(List->Strings(i)) + '\0';
  return block + '\0';
}

void AddLines(TStrings* List, const std::vector<std::pair<std::string, std::string>>& Entries, bool Values) {
  TUpdateScope update(List);
  List->Clear();
  for (const auto& [name, value] : Entries) List->Add(Values ? name + "=" + value : name);
}

bool IsTrue(const std::string& Value) { return SameText(Value, "TRUE"); }

// The first character of a one-character setting, else the old one.
char OneChar(const std::string& Value, char Old, bool AllowEmpty) {
  if (Value.size() == 1 && static_cast<unsigned char>(Value[0]) < 0x80) return Value[0];
  return AllowEmpty && Value.empty() ? '\0' : Old;
}

}  // namespace

void TSession::SetConfigFileHook(TConfigFileHook Hook) { ConfigFileHook() = std::move(Hook); }

std::string TSession::DefaultConfigFile() { return SettingsDir() + "/nubo.cfg"; }

void TSession::AddStartProc(TStartProc Proc) { startProcs_.push_back(std::move(Proc)); }

void TSession::SetActive(bool Value) {
  if (Value == Active()) return;
  if (!Value) {
    std::vector<TDatabase*> dbs = databases_;
    for (TDatabase* d : dbs) d->Close();
    Engine().StopEngine();
    handle_ = 0;
    return;
  }
  std::string file = ConfigFileHook() ? ConfigFileHook()() : std::string();
  if (file.empty()) {
    file = DefaultConfigFile();
    // Its folder, so that the engine can lock the file and save it later.
    ForceDirectories(ExtractFileDir(file));
  }
  OrvexHandle h = 0;
  Check(Engine().StartEngine(AnsiToNative(file).c_str(), &h));
  handle_ = h;
  TScopeFail stop([&] {
    Engine().StopEngine();
    handle_ = 0;
  });
  Check(Engine().SetProp(handle_, ORVEX_SES_CFGMODE, configMode_.ToBits()));
  TakeEngineFormats();
  for (const TStartProc& p : startProcs_) p(*this);
}

OrvexHandle TSession::Handle() {
  Open();
  return handle_;
}

void TSession::TakeEngineFormats() {
  TConfigModeScope mode(*this, {cfmSession, cfmPersistent});
  TStringList date, time, number;
  GetConfigParams("\\SYSTEM\\FORMATS\\%s", "DATE", &date);
  GetConfigParams("\\SYSTEM\\FORMATS\\%s", "TIME", &time);
  GetConfigParams("\\SYSTEM\\FORMATS\\%s", "NUMBER", &number);
  if (date.Count()) {
    DateSeparator = OneChar(date.Values("SEPARATOR"), DateSeparator, false);
    std::string d = IsTrue(date.Values("LEADINGZEROD")) ? "dd" : "d";
    std::string m = IsTrue(date.Values("LEADINGZEROM")) ? "MM" : "M";
    std::string y = IsTrue(date.Values("FOURDIGITYEAR")) ? "yyyy" : "yy";
    int order = StrToIntDef(date.Values("MODE"), 0);
    ShortDateFormat = order == 1 ? d + "/" + m + "/" + y : order == 2 ? y + "/" + m + "/" + d : m + "/" + d + "/" + y;
    TwoDigitYearCenturyWindow = IsTrue(date.Values("YEARBIASED")) ? 50 : 0;
  }
  if (time.Count()) {
    bool twelve = IsTrue(time.Values("TWELVEHOUR"));
    TimeAMString = time.Values("AMSTRING");
    TimePMString = time.Values("PMSTRING");
    std::string h = twelve ? "h" : "hh", ampm = twelve ? " AMPM" : "";
    ShortTimeFormat = h + ":mm" + ampm;
    std::string seconds;
    if (IsTrue(time.Values("SECONDS"))) seconds = IsTrue(time.Values("MILSECONDS")) ? ":ss.zzz" : ":ss";
    LongTimeFormat = h + ":mm" + seconds + ampm;
  }
  if (number.Count()) {
    DecimalSeparator = OneChar(number.Values("DECIMALSEPARATOR"), DecimalSeparator, false);
    ThousandSeparator = OneChar(number.Values("THOUSANDSEPARATOR"), ThousandSeparator, true);
    int digits = StrToIntDef(number.Values("DECIMALDIGITS"), CurrencyDecimals);
    if (digits >= 0 && digits <= 18) CurrencyDecimals = static_cast<std::uint8_t>(digits);
  }
}

// ---------------------------------------------------------------- configuration

void TSession::SetConfigMode(TConfigModes Value) {
  if (handle_) Check(Engine().SetProp(handle_, ORVEX_SES_CFGMODE, Value.ToBits()));
  configMode_ = Value;
}

void TSession::GetAliasNames(TStrings* List) {
  Handle();
  AddLines(List, ReadCfgList("\\DATABASES"), false);
}

std::string TSession::GetAliasDriverName(const std::string& AliasName) {
  Handle();
  auto desc = std::make_unique<OrvexDbDesc>();
  Check(Engine().GetDatabaseDesc(AnsiToNative(AliasName).c_str(), desc.get()));
  return NativeToAnsi(desc->type);
}

void TSession::GetAliasParams(const std::string& AliasName, TStrings* List) {
  GetAliasDriverName(AliasName);  // an unknown alias raises
  auto entries = ReadCfgList("\\DATABASES\\" + AliasName + "\\DB INFO");
  std::erase_if(entries, [](const auto& e) { return SameText(e.first, "TYPE"); });
  AddLines(List, entries, true);
}

void TSession::GetDriverNames(TStrings* List) {
  Handle();
  hOrvexCursor cur = 0;
  Check(Engine().OpenDriverList(&cur));
  TScopeExit close([&] { Engine().CloseCursor(&cur); });
  std::vector<std::pair<std::string, std::string>> entries;
  auto rec = std::make_unique<OrvexCfgDesc>();
  while (Engine().GetNextRecord(cur, 0, rec.get(), nullptr) == ORVEX_OK)
    entries.emplace_back(NativeToAnsi(rec->name), "");
  AddLines(List, entries, false);
}

void TSession::GetDriverParams(const std::string& DriverName, TStrings* List) {
  Handle();
  if (ReadCfgList("\\DRIVERS\\" + DriverName).empty())
    throw EDBEngineError(ORVEX_ERR_UNKNOWNDRIVER, Engine().ErrorText(ORVEX_ERR_UNKNOWNDRIVER) + ": " + DriverName);
  AddLines(List, ReadCfgList("\\DRIVERS\\" + DriverName + "\\DB OPEN"), true);
}

void TSession::GetConfigParams(const std::string& Path, const std::string& Section, TStrings* List) {
  Handle();
  AddLines(List, ReadCfgList(StringReplace(Path, "%s", Section, {rfReplaceAll})), true);
}

void TSession::ModifyConfigParams(const std::string& Path, const std::string& Section, TStrings* List) {
  Handle();
  std::string path = StringReplace(Path, "%s", Section, {rfReplaceAll});
  Check(Engine().CfgModifyParams(AnsiToNative(path).c_str(), ParamBlock(List).c_str()));
}

void TSession::AddAlias(const std::string& Name, const std::string& Driver, TStrings* List) {
  Handle();
  Check(Engine().CfgAddAlias(AnsiToNative(Name).c_str(), AnsiToNative(Driver).c_str(), ParamBlock(List).c_str()));
  DBNotification(dbAddAlias, Name, nullptr);
}

void TSession::AddStandardAlias(const std::string& Name, const std::string& Path, const std::string& DefaultDriver) {
  TStringList params;
  params.Add("PATH=" + Path);
  params.Add("DEFAULT DRIVER=" + DefaultDriver);
  AddAlias(Name, "STANDARD", &params);
}

void TSession::ModifyAlias(const std::string& Name, TStrings* List) {
  Handle();
  Check(Engine().CfgModifyAlias(AnsiToNative(Name).c_str(), ParamBlock(List).c_str()));
}

void TSession::DeleteAlias(const std::string& Name) {
  Handle();
  Check(Engine().CfgDeleteAlias(AnsiToNative(Name).c_str()));
  DBNotification(dbDeleteAlias, Name, nullptr);
}

void TSession::AddDriver(const std::string& Name, TStrings* List) {
  Handle();
  Check(Engine().CfgAddDriver(AnsiToNative(Name).c_str(), ParamBlock(List).c_str()));
}

void TSession::ModifyDriver(const std::string& Name, TStrings* List) {
  Handle();
  Check(Engine().CfgModifyDriver(AnsiToNative(Name).c_str(), ParamBlock(List).c_str()));
}

void TSession::DeleteDriver(const std::string& Name) {
  Handle();
  Check(Engine().CfgDeleteDriver(AnsiToNative(Name).c_str()));
}

void TSession::SaveConfigFile() {
  Handle();
  TConfigModeScope mode(*this, cfmPersistent);
  Check(Engine().SaveConfigFile(0, nullptr, -1));
}

bool TSession::IsAlias(const std::string& Name) {
  Handle();
  auto desc = std::make_unique<OrvexDbDesc>();
  return Engine().GetDatabaseDesc(AnsiToNative(Name).c_str(), desc.get()) == ORVEX_OK;
}

void TSession::DBNotification(TDatabaseEvent Event, const std::string& Name, TDatabase* Database) {
  if (dbNotifyEnabled_ && OnDBNotify) OnDBNotify(Event, Name, Database);
}

// ---------------------------------------------------------------- TNuboCallback

TNuboCallback::TNuboCallback(TSession* Session, std::uint16_t CBType, void* Buffer, std::uint16_t BufferSize,
                             TMethod Method)
    : session_(Session), registeredWith_(Session->Handle()), type_(CBType), method_(std::move(Method)) {
  Check(Engine().RegisterCallback(registeredWith_, CBType, reinterpret_cast<std::uintptr_t>(this), BufferSize, Buffer,
                                  &TNuboCallback::Call));
  session_->callbacks_.push_back(this);
}

TNuboCallback::~TNuboCallback() {
  auto& all = session_->callbacks_;
  bool latest = true;
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if ((*it)->type_ == type_) {
      latest = *it == this;
      break;
    }
  std::erase(all, this);
  // Only the last registration of its type is the engine's, and only while the session runs.
  if (latest && session_->handle_ == registeredWith_)
    Engine().RegisterCallback(registeredWith_, type_, 0, 0, nullptr, nullptr);
}

std::uint16_t TNuboCallback::Call(std::uint16_t, std::uintptr_t Data, void* Buffer) {
  try {
    return reinterpret_cast<TNuboCallback*>(Data)->method_(Buffer);
  } catch (...) {
    return ORVEX_CB_DEFAULT;
  }
}

TSession& Session() {
  static const std::unique_ptr<TSession> session = std::make_unique<TSession>(nullptr);
  return *session;
}

}  // namespace fw


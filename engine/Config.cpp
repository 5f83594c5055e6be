#include "Config.h"

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "Chars.h"
#include "ConfigFile.h"
#include "Cursor.h"
#include "Errors.h"
#include "OdbcLayer.h"

namespace orvex {

// The layouts the header promises.
static_assert(sizeof(OrvexCfgDesc) == 4260 && offsetof(OrvexCfgDesc, value) == 162 &&
              offsetof(OrvexCfgDesc, node) == 4258);
static_assert(sizeof(OrvexDbDesc) == 4354 && offsetof(OrvexDbDesc, path) == 256 &&
              offsetof(OrvexDbDesc, layer) == 4352);
static_assert(sizeof(OrvexInputReq) == 778 && offsetof(OrvexInputReq, message) == 10 &&
              offsetof(OrvexInputReq, options) == 138);

namespace {

const CfgPath kDatabases = {"DATABASES"};
const CfgPath kDrivers = {"DRIVERS"};
const CfgPath kSystemInit = {"SYSTEM", "INIT"};
constexpr const char* kDriverSections[] = {"INIT", "DB OPEN", "TABLE CREATE"};

std::string Fold(std::string_view s) {
  fw::TChars chars = fw::Utf8ToChars(s);
  for (fw::TChar& c : chars) c = fw::CharLower(c);
  return fw::CharsToUtf8(chars);
}

bool Under(const CfgPath& path, const CfgPath& prefix) {
  if (path.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (!SameName(path[i], prefix[i])) return false;
  return true;
}

CfgPath AliasInfo(const std::string& name) { return {"DATABASES", name, "DB INFO"}; }

// The options of a NUL-separated block of NAME=value lines, checked.
std::vector<Option> ParseParams(const char* block) {
  std::vector<Option> params;
  for (const char* p = block; p && *p; p += std::strlen(p) + 1) {
    std::string line = p;
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) Fail(ORVEX_ERR_INVALIDPARAM, "parameter without '=': " + line);
    Option o{line.substr(0, eq), line.substr(eq + 1)};
    CheckOption(o.name, o.value);
    params.push_back(std::move(o));
  }
  return params;
}

std::string Text(const char* s, const char* what) {
  if (!s) Fail(ORVEX_ERR_INVALIDPARAM, what);
  return s;
}

void NoType(const std::vector<Option>& params) {
  for (const Option& o : params)
    if (SameName(o.name, "TYPE")) Fail(ORVEX_ERR_INVALIDPARAM, "TYPE is the alias's driver");
}

hOrvexCursor NewList(const std::vector<Option>& entries, bool nodes) {
  std::vector<std::string> records;
  records.reserve(entries.size());
  for (const Option& o : entries) {
    OrvexCfgDesc d{};
    CopyText(d.name, sizeof d.name, o.name);
    CopyText(d.value, sizeof d.value, o.value);
    d.node = nodes;
    records.emplace_back(reinterpret_cast<const char*>(&d), sizeof d);
  }
  return TheHandles().Add(std::make_unique<ListCursor>(sizeof(OrvexCfgDesc), std::move(records)));
}

class SystemObject : public Object {
public:
  SystemObject() : Object(Kind::System) {}
};

OrvexHandle& SystemHandle() {
  static OrvexHandle handle = 0;
  if (!TheHandles().Find(handle, Kind::System)) handle = TheHandles().Add(std::make_unique<SystemObject>());
  return handle;
}

}  // namespace

// ---------------------------------------------------------------- paths, sections, stores

CfgPath ParsePath(std::string_view text) {
  CfgPath path;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('\\', at);
    if (end == std::string_view::npos) end = text.size();
    if (end > at) path.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return path;
}

std::string PathText(const CfgPath& path) {
  std::string s;
  for (const std::string& p : path) s += "\\" + p;
  return s;
}

bool SameName(std::string_view a, std::string_view b) { return FoldedCompare(a, b) == 0; }

const Option* Section::Find(std::string_view name) const {
  for (const Option& o : options)
    if (SameName(o.name, name)) return &o;
  return nullptr;
}

std::string Section::Value(std::string_view name) const {
  const Option* o = Find(name);
  return o ? o->value : std::string();
}

void Section::Set(const std::string& name, const std::string& value) {
  for (Option& o : options)
    if (SameName(o.name, name)) {
      o.value = value;
      return;
    }
  options.push_back({name, value});
}

std::string CfgStore::Key(const CfgPath& path) {
  std::string key;
  for (const std::string& p : path) key += "\\" + Fold(p);
  return key;
}

const Section* CfgStore::Find(const CfgPath& path) const {
  auto it = index_.find(Key(path));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

Section* CfgStore::Find(const CfgPath& path) {
  auto it = index_.find(Key(path));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

Section& CfgStore::Ensure(const CfgPath& path) {
  if (Section* s = Find(path)) return *s;
  index_.emplace(Key(path), sections_.size());
  sections_.push_back({path, {}});
  return sections_.back();
}

bool CfgStore::HasNode(const CfgPath& path) const {
  return std::any_of(sections_.begin(), sections_.end(), [&](const Section& s) { return Under(s.path, path); });
}

std::vector<std::string> CfgStore::Children(const CfgPath& path) const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const Section& s : sections_)
    if (s.path.size() > path.size() && Under(s.path, path) && seen.insert(Fold(s.path[path.size()])).second)
      names.push_back(s.path[path.size()]);
  return names;
}

void CfgStore::Remove(const CfgPath& path) {
  std::erase_if(sections_, [&](const Section& s) { return Under(s.path, path); });
  Reindex();
}

void CfgStore::CopyNode(const CfgStore& from, const CfgPath& path) {
  Remove(path);
  for (const Section& s : from.sections_)
    if (Under(s.path, path)) sections_.push_back(s);
  Reindex();
}

void CfgStore::Reindex() {
  index_.clear();
  for (std::size_t i = 0; i < sections_.size(); ++i) index_.emplace(Key(sections_[i].path), i);
}

void CheckEntryName(const std::string& name) {
  fw::TChars chars = fw::Utf8ToChars(name);
  if (chars.empty() || chars.size() > ORVEX_CFG_MAX_NAME_CHARS)
    Fail(ORVEX_ERR_INVALIDNAME, "\"" + name + "\": 1 to 31 characters");
  for (fw::TChar c : chars)
    if (c == ':' || c == '\\' || c < 0x20 || c == 0x7F || (c >= 0xDC80 && c <= 0xDCFF))
      Fail(ORVEX_ERR_INVALIDNAME, "\"" + name + "\"");
}

void CheckOption(const std::string& name, const std::string& value) {
  if (name.empty()) Fail(ORVEX_ERR_INVALIDNAME, "an option without a name");
  if (name.size() >= ORVEX_CFG_NAME_SIZE) Fail(ORVEX_ERR_VALUETOOLONG, name.substr(0, 40) + "...");
  for (char c : name)
    if (c == '=' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) Fail(ORVEX_ERR_INVALIDNAME, "option " + name);
  if (value.size() >= ORVEX_CFG_VALUE_SIZE) Fail(ORVEX_ERR_VALUETOOLONG, "value of " + name);
}

// ---------------------------------------------------------------- Config

Config& Config::Get() {
  // Never destroyed: the framework's session stops the engine at exit, after
  // this library's statics would be gone.
  static Config* config = new Config;
  return *config;
}

Config::Config() : persistent_(DefaultStore()) {}

OrvexHandle Config::Start(const std::string& file) {
  if (CurrentSession()) Fail(ORVEX_ERR_STARTED);
  std::string path = AbsolutePath(file);
  auto lock = ConfigLock::Take(path);
  CfgStore store = DefaultStore();
  if (!path.empty() && ::access(path.c_str(), F_OK) == 0) store = ReadConfigFile(path);
  OrvexHandle h = TheHandles().Add(std::make_unique<Session>());
  persistent_ = std::move(store);
  sessionStore_ = CfgStore();
  activeFile_ = path;
  lock_ = std::move(lock);
  sessionHandle_ = h;
  return h;
}

void Config::Stop() {
  if (CurrentSession()) TheHandles().Remove(sessionHandle_);
  sessionHandle_ = 0;
  lock_.reset();
  sessionStore_ = CfgStore();
  persistent_ = DefaultStore();
  activeFile_.clear();
}

Session* Config::CurrentSession() const {
  return static_cast<Session*>(TheHandles().Find(sessionHandle_, Kind::Session));
}

unsigned Config::Mode() const {
  Session* s = CurrentSession();
  return s ? s->mode : ORVEX_CFG_ALL;
}

void Config::Activate(const std::string& file, CfgStore store) {
  std::unique_ptr<ConfigLock> lock;
  if (CurrentSession()) {
    if (lock_ && !lock_->Alone()) Fail(ORVEX_ERR_CFGINUSE, activeFile_);
    lock = ConfigLock::Take(file);
  }
  persistent_ = std::move(store);
  activeFile_ = file;
  lock_ = std::move(lock);
}

void Config::Save(const std::string& file) const {
  if (file.empty() && activeFile_.empty()) Fail(ORVEX_ERR_INVALIDPARAM, "there is no active configuration file");
  WriteConfigFile(file.empty() ? activeFile_ : file, persistent_);
}

void Config::Merge(const CfgStore& from, bool overwrite) {
  unsigned layer = WriteLayer(Mode());
  CfgStore merged = LayerStore(layer);
  for (const Section& s : from.Sections()) {
    Section& to = merged.Ensure(s.path);
    for (const Option& o : s.options)
      if (overwrite || !to.Find(o.name)) to.Set(o.name, o.value);
  }
  // Every alias the file brings must name a driver that is there after the merge.
  std::unordered_set<std::string> drivers;
  auto take = [&](const CfgStore& l, unsigned) {
    for (const std::string& d : l.Children(kDrivers)) drivers.insert(Fold(d));
    return false;
  };
  take(merged, 0);
  ForLayers(ORVEX_CFG_ALL, take);
  for (const Section& s : from.Sections()) {
    if (s.path.size() != 3 || !Under(s.path, kDatabases) || !SameName(s.path[2], "DB INFO")) continue;
    std::string type = merged.Find(s.path)->Value("TYPE");
    if (type.empty() || !drivers.count(Fold(type))) Fail(ORVEX_ERR_UNKNOWNDRIVER, s.path[1] + ": " + type);
  }
  LayerStore(layer) = std::move(merged);
}

unsigned Config::WriteLayer(unsigned mode) const {
  if (mode & ORVEX_CFG_PERSISTENT) return ORVEX_CFG_PERSISTENT;
  if (mode & ORVEX_CFG_SESSION) return ORVEX_CFG_SESSION;
  Fail(ORVEX_ERR_NOTSUPPORTED, "the virtual configuration is read only");
}

CfgStore& Config::LayerStore(unsigned layer) {
  return layer == ORVEX_CFG_SESSION ? sessionStore_ : layer == ORVEX_CFG_PERSISTENT ? persistent_ : virtual_;
}

CfgStore Config::BuildVirtual() const {
  CfgStore v;
  if (SameName(Setting(kSystemInit, "AUTO ODBC"), "FALSE")) return v;
  auto templateSection = [&](const char* name) {
    CfgPath path = {"DRIVERS", "ODBC", name};
    for (const CfgStore* s : std::initializer_list<const CfgStore*>{&sessionStore_, &persistent_, &DefaultStore()})
      if (const Section* found = s->Find(path)) return *found;
    return Section{};
  };
  Section init = templateSection("INIT"), open = templateSection("DB OPEN");
  auto holdable = [](const std::string& name) {
    try {
      CheckEntryName(name);
    } catch (const Error&) {
      return false;
    }
    return true;
  };
  OdbcInventory inv = ReadOdbcInventory();
  std::unordered_map<std::string, std::string> drivers;  // folded name: as the layer spells it
  for (const std::string& d : inv.drivers) {
    if (!holdable(d) || IsFixedDriver(d) || !drivers.emplace(Fold(d), d).second) continue;
    Section& i = v.Ensure({"DRIVERS", d, "INIT"});
    i.options = init.options;
    i.Set("ODBC DRIVER", d);
    v.Ensure({"DRIVERS", d, "DB OPEN"}).options = open.options;
  }
  for (const OdbcInventory::Source& s : inv.sources) {
    auto driver = drivers.find(Fold(s.driver));
    if (driver == drivers.end() || !holdable(s.name) || v.Find(AliasInfo(s.name))) continue;
    Section& info = v.Ensure(AliasInfo(s.name));
    info.options.reserve(open.options.size() + 1);
    info.options.push_back({"TYPE", driver->second});
    info.options.insert(info.options.end(), open.options.begin(), open.options.end());
    info.Set("ODBC DSN", s.name);
  }
  return v;
}

bool Config::ForLayers(unsigned mode, const std::function<bool(const CfgStore&, unsigned)>& visit) {
  for (unsigned bit : {ORVEX_CFG_SESSION, ORVEX_CFG_PERSISTENT, ORVEX_CFG_VIRTUAL}) {
    if (!(mode & bit)) continue;
    if (bit == ORVEX_CFG_VIRTUAL) virtual_ = BuildVirtual();
    if (visit(LayerStore(bit), bit)) return true;
  }
  return false;
}

std::vector<Option> Config::List(const CfgPath& path, bool& nodes) {
  // One pass, so that the virtual layer is read once: a section ends it, the
  // names below the path gather until then.
  std::vector<Option> section, names;
  std::unordered_set<std::string> seen;
  bool found = ForLayers(Mode(), [&](const CfgStore& l, unsigned) {
    if (const Section* s = l.Find(path)) {
      section = s->options;
      return true;
    }
    for (std::string& n : l.Children(path))
      if (seen.insert(Fold(n)).second) names.push_back({std::move(n), {}});
    return false;
  });
  nodes = !found;
  return found ? section : names;
}

std::vector<std::string> Config::DriverNames() {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  ForLayers(Mode(), [&](const CfgStore& l, unsigned) {
    for (std::string& n : l.Children(kDrivers))
      if (IsListedDriver(n) && seen.insert(Fold(n)).second) names.push_back(std::move(n));
    return false;
  });
  return names;
}

std::optional<Config::Alias> Config::FindAlias(const std::string& name) {
  std::optional<Alias> found;
  ForLayers(Mode(), [&](const CfgStore& l, unsigned layer) {
    const Section* s = l.Find(AliasInfo(name));
    if (s) {
      found = Alias{s->path[1], s->Value("TYPE"), {}, s->Value("DEFAULT DRIVER"), layer};
      if (SameName(found->type, "STANDARD")) found->path = s->Value("PATH");
    }
    return s != nullptr;
  });
  return found;
}

CfgStore& Config::WritableNode(const CfgPath& node, const CfgPath& probe, OrvexResult missing,
                               const std::string& name) {
  auto has = [&](const CfgStore& s) { return probe.empty() ? s.HasNode(node) : s.Find(probe) != nullptr; };
  unsigned layer = WriteLayer(Mode());
  CfgStore& target = LayerStore(layer);
  if (has(target)) return target;
  unsigned below = layer == ORVEX_CFG_SESSION ? ORVEX_CFG_PERSISTENT | ORVEX_CFG_VIRTUAL : ORVEX_CFG_VIRTUAL;
  if (!ForLayers(below, [&](const CfgStore& l, unsigned) {
        if (has(l)) target.CopyNode(l, node);
        return has(l);
      }))
    Fail(missing, name);
  return target;
}

void Config::AddAlias(const std::string& name, const std::string& driver, const std::vector<Option>& params) {
  CheckEntryName(name);
  CheckOption("TYPE", driver);
  NoType(params);
  CfgStore& target = LayerStore(WriteLayer(Mode()));
  if (target.HasNode({"DATABASES", name})) Fail(ORVEX_ERR_NAMEEXISTS, name);
  auto hasDriver = [&](const CfgStore& l, unsigned) { return l.HasNode({"DRIVERS", driver}); };
  if (driver.empty() || !ForLayers(ORVEX_CFG_ALL, hasDriver)) Fail(ORVEX_ERR_UNKNOWNDRIVER, driver);
  Section s{AliasInfo(name), {{"TYPE", driver}}};
  for (const Option& o : params) s.Set(o.name, o.value);
  target.Ensure(s.path).options = std::move(s.options);
}

void Config::ModifyAlias(const std::string& name, const std::vector<Option>& params) {
  NoType(params);
  CfgStore& target = WritableNode({"DATABASES", name}, AliasInfo(name), ORVEX_ERR_UNKNOWNALIAS, name);
  Section* s = target.Find(AliasInfo(name));
  for (const Option& o : params) s->Set(o.name, o.value);
}

void Config::DeleteAlias(const std::string& name) {
  CfgStore& target = LayerStore(WriteLayer(Mode()));
  if (!target.Find(AliasInfo(name))) Fail(ORVEX_ERR_UNKNOWNALIAS, name);
  target.Remove({"DATABASES", name});
}

void Config::AddDriver(const std::string& name, const std::vector<Option>& params) {
  CheckEntryName(name);
  CfgStore& target = LayerStore(WriteLayer(Mode()));
  if (target.HasNode({"DRIVERS", name})) Fail(ORVEX_ERR_NAMEEXISTS, name);
  Section init{{"DRIVERS", name, "INIT"}, {}};
  for (const Option& o : params) init.Set(o.name, o.value);
  Section open{{"DRIVERS", name, "DB OPEN"}, {}};
  CfgPath templ = {"DRIVERS", "ODBC", "DB OPEN"};
  for (const CfgStore* l : std::initializer_list<const CfgStore*>{&sessionStore_, &persistent_, &DefaultStore()})
    if (const Section* t = l->Find(templ)) {
      open.options = t->options;
      break;
    }
  target.Ensure(init.path).options = std::move(init.options);
  target.Ensure(open.path).options = std::move(open.options);
}

void Config::ModifyDriver(const std::string& name, const std::vector<Option>& params) {
  CfgStore& target = WritableNode({"DRIVERS", name}, {}, ORVEX_ERR_UNKNOWNDRIVER, name);
  for (const Option& o : params)
    for (const char* section : kDriverSections) {
      Section* s = target.Find({"DRIVERS", name, section});
      if (s && s->Find(o.name)) {
        s->Set(o.name, o.value);
        break;
      }
    }
}

void Config::DeleteDriver(const std::string& name) {
  CfgStore& target = LayerStore(WriteLayer(Mode()));
  if (!target.HasNode({"DRIVERS", name})) Fail(ORVEX_ERR_UNKNOWNDRIVER, name);
  target.Remove({"DRIVERS", name});
}

void Config::ModifyParams(const CfgPath& path, const std::vector<Option>& params) {
  if (path.empty()) Fail(ORVEX_ERR_INVALIDPARAM, "configuration path");
  CfgStore& target = WritableNode(path, path, ORVEX_ERR_NOSUCHPATH, PathText(path));
  Section* s = target.Find(path);
  for (const Option& o : params)
    if (s->Find(o.name)) s->Set(o.name, o.value);
}

std::string Config::Setting(const CfgPath& path, std::string_view option) const {
  for (const CfgStore* l : {&sessionStore_, &persistent_})
    if (const Section* s = l->Find(path)) return s->Value(option);
  return {};
}

Config::Target Config::ResolveDatabase(const std::string& name) {
  if (name.find('/') == std::string::npos) {
    if (std::optional<Alias> a = FindAlias(name)) {
      if (!SameName(a->type, "STANDARD")) Fail(ORVEX_ERR_NOTSUPPORTED, a->name + ": " + a->type);
      if (a->path.empty()) Fail(ORVEX_ERR_DIRNOTFOUND, a->name + ": no PATH");
      return {a->path, a->defaultDriver};
    }
  }
  return {name, Setting(kSystemInit, "DEFAULT DRIVER")};
}

NewTableSettings SettingsForNewTable(const char* driver) {
  Config& c = Config::Get();
  std::string ld = c.Setting({"DRIVERS", driver, "INIT"}, "LANGDRIVER");
  NewTableSettings s{FindLangDriver(ld), 4096};
  if (!s.langDriver) Fail(ORVEX_ERR_UNKNOWNLD, ld);
  std::string block = c.Setting({"DRIVERS", driver, "TABLE CREATE"}, "BLOCK SIZE");
  char* end = nullptr;
  long size = std::strtol(block.c_str(), &end, 10);
  if (end && !*end && size >= 512 && size <= 65536 && (size & (size - 1)) == 0) s.pageSize = static_cast<int>(size);
  return s;
}

// ---------------------------------------------------------------- input requests

bool RetryBusy(const std::string& file, int waits, bool writing) {
  Session* s = Config::Get().CurrentSession();
  if (!writing || !s || !s->inputRequest.fn) return waits < 5;
  if (s->busyAnswer) return *s->busyAnswer == 1;
  Session::Callback cb = s->inputRequest;
  OrvexInputReq req{};
  req.kind = ORVEX_INPUTREQ_TABLEBUSY;
  req.optionCount = 2;
  req.chosen = 1;
  std::string name = file.substr(file.rfind('/') + 1);
  CopyText(req.message, sizeof req.message, "The table " + name + " is being changed by another program.");
  CopyText(req.options[0].keyword, sizeof req.options[0].keyword, "Retry");
  CopyText(req.options[0].help, sizeof req.options[0].help, "Wait for the other program to finish, then post again.");
  CopyText(req.options[1].keyword, sizeof req.options[1].keyword, "Fail");
  CopyText(req.options[1].help, sizeof req.options[1].help, "Give up: the post fails and the record stays as it is.");
  std::memcpy(cb.buffer, &req, sizeof req);
  if (cb.fn(ORVEX_CB_INPUTREQ, cb.clientData, cb.buffer) != ORVEX_CB_ANSWERED) return false;
  std::memcpy(&req, cb.buffer, sizeof req);
  // The callback may have stopped the session it was called for.
  if (req.save == -1)
    if (Session* now = Config::Get().CurrentSession()) now->busyAnswer = req.chosen;
  return req.chosen == 1;
}

// ---------------------------------------------------------------- entries

namespace {

template <typename T>
T& Out(T* p, const char* what) {
  if (!p) Fail(ORVEX_ERR_INVALIDPARAM, what);
  return *p;
}

template <typename T>
T& Out(void* p, const char* what) {
  return Out(static_cast<T*>(p), what);
}

void Zero(OrvexHandle file, const char* what) {
  if (file != 0) Fail(ORVEX_ERR_NOTSUPPORTED, what);
}

// Takes an opened file out of the handle table: its new owner is the caller.
std::unique_ptr<ConfigFileObject> TakeFile(OrvexHandle file) {
  TheHandles().Get<ConfigFileObject>(file, Kind::ConfigFile);
  return std::unique_ptr<ConfigFileObject>(static_cast<ConfigFileObject*>(TheHandles().Remove(file).release()));
}

Session& SessionOf(OrvexHandle h) { return TheHandles().Get<Session>(h, Kind::Session); }

// The object of a property call: the system (nullptr) or the session; others have none of ours.
Session* PropertyObject(OrvexHandle object) {
  if (object == 0 || TheHandles().Find(object, Kind::System)) return nullptr;
  if (auto* s = static_cast<Session*>(TheHandles().Find(object, Kind::Session))) return s;
  Fail(ORVEX_ERR_NOTSUPPORTED, "properties of this object");
}

void PutValue(const void* data, std::size_t size, void* value, std::uint16_t maxLength, std::uint16_t* length,
              bool text) {
  if (size > 0xFFFF) Fail(ORVEX_ERR_BUFFERSIZE);
  if (length) *length = static_cast<std::uint16_t>(size);
  if (size + (text ? 1 : 0) > maxLength) Fail(ORVEX_ERR_BUFFERSIZE);
  if (!value) Fail(ORVEX_ERR_INVALIDPARAM, "value");
  std::memcpy(value, data, size);
  if (text) static_cast<char*>(value)[size] = 0;
}

}  // namespace

OrvexResult GetSysHandle(OrvexHandle* handle) {
  return RunEntry([&] { Out(handle, "handle") = SystemHandle(); });
}

OrvexResult SystemGetProp(OrvexHandle object, std::uint32_t property, void* value, std::uint16_t maxLength,
                          std::uint16_t* length) {
  return RunEntry([&] {
    if (length) *length = 0;
    Session* session = PropertyObject(object);
    if (!session) {
      if (property != ORVEX_SYS_CFGFILE) Fail(ORVEX_ERR_NOTSUPPORTED, "system property");
      const std::string& name = Config::Get().ActiveFile();
      return PutValue(name.data(), name.size(), value, maxLength, length, true);
    }
    Session& s = *session;
    std::uint32_t v = 0;
    if (property == ORVEX_SES_CFGMODE) v = s.mode;
    else if (property == ORVEX_SES_ALIASLIST) v = s.aliasList;
    else Fail(ORVEX_ERR_NOTSUPPORTED, "session property");
    PutValue(&v, sizeof v, value, maxLength, length, false);
  });
}

OrvexResult SystemSetProp(OrvexHandle object, std::uint32_t property, std::uint64_t value) {
  return RunEntry([&] {
    Session* session = PropertyObject(object);
    if (!session) {
      if (property != ORVEX_SYS_CFGFILEHANDLE) Fail(ORVEX_ERR_NOTSUPPORTED, "system property");
      if (value > 0xFFFFFFFFu) Fail(ORVEX_ERR_INVALIDHANDLE);
      std::unique_ptr<ConfigFileObject> f = TakeFile(static_cast<OrvexHandle>(value));
      return Config::Get().Activate(f->path, std::move(f->store));
    }
    Session& s = *session;
    if (property == ORVEX_SES_CFGMODE) {
      if (value > ORVEX_CFG_ALL) Fail(ORVEX_ERR_INVALIDPARAM, "configuration mode");
      s.mode = static_cast<unsigned>(value);
    } else if (property == ORVEX_SES_ALIASLIST) {
      s.aliasList = static_cast<std::uint32_t>(value);
    } else {
      Fail(ORVEX_ERR_NOTSUPPORTED, "session property");
    }
  });
}

OrvexResult StartEngine(const char* configFile, OrvexHandle* session) {
  return RunEntry([&] {
    Out(session, "session handle") = 0;
    *session = Config::Get().Start(configFile ? configFile : "");
  });
}

OrvexResult StopEngine() {
  return RunEntry([&] { Config::Get().Stop(); });
}

OrvexResult SetCurrentSession(OrvexHandle session) {
  return RunEntry([&] { SessionOf(session); });
}

OrvexResult RegisterCallback(OrvexHandle session, std::uint16_t type, std::uintptr_t clientData,
                             std::uint16_t bufferSize, void* buffer, OrvexCallbackFn callback) {
  return RunEntry([&] {
    Session& s = SessionOf(session);
    if (type != ORVEX_CB_INPUTREQ) Fail(ORVEX_ERR_NOTSUPPORTED, "callback type " + std::to_string(type));
    if (callback && (!buffer || bufferSize < sizeof(OrvexInputReq))) Fail(ORVEX_ERR_INVALIDPARAM, "callback buffer");
    s.inputRequest = callback ? Session::Callback{clientData, bufferSize, buffer, callback} : Session::Callback{};
  });
}

OrvexResult OpenCfgInfoList(OrvexHandle file, std::uint16_t mode, std::uint16_t flags, const char* path,
                            hOrvexCursor* cursor) {
  return RunEntry([&] {
    Out(cursor, "cursor handle") = 0;
    Zero(file, "configuration file handle");
    if (mode != 1 || flags != 0) Fail(ORVEX_ERR_INVALIDPARAM, "list mode");
    bool nodes = false;
    std::vector<Option> entries = Config::Get().List(ParsePath(Text(path, "path")), nodes);
    if (entries.empty()) Fail(ORVEX_ERR_NOENTRIES, path);
    *cursor = NewList(entries, nodes);
  });
}

OrvexResult OpenDriverList(hOrvexCursor* cursor) {
  return RunEntry([&] {
    Out(cursor, "cursor handle") = 0;
    std::vector<Option> entries;
    for (std::string& n : Config::Get().DriverNames()) entries.push_back({std::move(n), {}});
    *cursor = NewList(entries, true);
  });
}

OrvexResult GetDatabaseDesc(const char* aliasName, void* desc) {
  return RunEntry([&] {
    OrvexDbDesc& d = Out<OrvexDbDesc>(desc, "description");
    std::string name = Text(aliasName, "alias name");
    std::optional<Config::Alias> a = Config::Get().FindAlias(name);
    if (!a) Fail(ORVEX_ERR_UNKNOWNALIAS, name);
    d = OrvexDbDesc{};
    CopyText(d.name, sizeof d.name, a->name);
    CopyText(d.type, sizeof d.type, a->type);
    CopyText(d.path, sizeof d.path, a->path);
    d.layer = static_cast<std::uint16_t>(a->layer);
  });
}

OrvexResult GetOptionDesc(OrvexHandle file, const char* path, const char* option, void* desc) {
  return RunEntry([&] {
    char* out = &Out<char>(desc, "description");
    *out = 0;
    Zero(file, "configuration file handle");
    std::string name = Text(option, "option");
    const char* text = OptionDescription(ParsePath(Text(path, "path")), name);
    if (!text) Fail(ORVEX_ERR_NOOPTIONDESC, std::string(path) + " " + name);
    CopyText(out, ORVEX_OPTION_DESC_SIZE, text);
  });
}

OrvexResult OpenConfigFile(const char* path, std::uint16_t create, OrvexHandle* file) {
  return RunEntry([&] {
    Out(file, "file handle") = 0;
    if (create != 0) Fail(ORVEX_ERR_INVALIDPARAM, "create");
    std::string name = AbsolutePath(Text(path, "path"));
    CfgStore store = ReadConfigFile(name);
    *file = TheHandles().Add(std::make_unique<ConfigFileObject>(name, std::move(store)));
  });
}

OrvexResult SaveConfigFile(OrvexHandle file, const char* path, std::int16_t flag) {
  return RunEntry([&] {
    Zero(file, "configuration file handle");
    if (flag != -1) Fail(ORVEX_ERR_INVALIDPARAM, "save flag");
    Config::Get().Save(path ? path : "");
  });
}

OrvexResult MergeConfigFile(OrvexHandle session, OrvexHandle file, std::uint16_t overwrite) {
  return RunEntry([&] {
    std::unique_ptr<ConfigFileObject> f = TakeFile(file);
    if (session) SessionOf(session);
    if (overwrite > 1) Fail(ORVEX_ERR_INVALIDPARAM, "overwrite");
    Config::Get().Merge(f->store, overwrite != 0);
  });
}

OrvexResult CfgAddAlias(const char* name, const char* driver, const char* params) {
  return RunEntry(
      [&] { Config::Get().AddAlias(Text(name, "alias name"), Text(driver, "driver"), ParseParams(params)); });
}

OrvexResult CfgModifyAlias(const char* name, const char* params) {
  return RunEntry([&] { Config::Get().ModifyAlias(Text(name, "alias name"), ParseParams(params)); });
}

OrvexResult CfgDeleteAlias(const char* name) {
  return RunEntry([&] { Config::Get().DeleteAlias(Text(name, "alias name")); });
}

OrvexResult CfgAddDriver(const char* name, const char* params) {
  return RunEntry([&] { Config::Get().AddDriver(Text(name, "driver name"), ParseParams(params)); });
}

OrvexResult CfgModifyDriver(const char* name, const char* params) {
  return RunEntry([&] { Config::Get().ModifyDriver(Text(name, "driver name"), ParseParams(params)); });
}

OrvexResult CfgDeleteDriver(const char* name) {
  return RunEntry([&] { Config::Get().DeleteDriver(Text(name, "driver name")); });
}

OrvexResult CfgModifyParams(const char* path, const char* params) {
  return RunEntry([&] { Config::Get().ModifyParams(ParsePath(Text(path, "path")), ParseParams(params)); });
}

}  // namespace orvex

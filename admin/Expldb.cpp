#include "Expldb.h"

#include <cstring>
#include <utility>

#include "Chars.h"
#include "DbXCtrl.h"
#include "EngineLib.h"
#include "NuboDataSet.h"
#include "Scope.h"
#include "Text.h"

using namespace fw;

namespace dbx {

FW_IMPLEMENT_CLASS(TDatabases)
FW_IMPLEMENT_CLASS(TDb)
FW_IMPLEMENT_CLASS(TDbODBC)
FW_IMPLEMENT_CLASS(TDbAliasIdentity)
FW_IMPLEMENT_CLASS(TDbAliasProperty)
FW_IMPLEMENT_CLASS(TDbObjectRef)
FW_IMPLEMENT_CLASS(TQueryScript)

namespace {

// Aliases are looked for in this order; the first layer that has one is its mode.
constexpr TConfigMode kModeOrder[] = {cfmSession, cfmPersistent, cfmVirtual};

struct TDbClassRegistry {
  std::vector<std::pair<std::string, TExploreClass>> Classes;  // in registration order
  TExploreClass Default;
  std::vector<std::pair<char, TObjectRefFactory>> RefClasses;
};

TDbClassRegistry& Registry() {
  static TDbClassRegistry registry;
  return registry;
}

// Switches the session's database notifications for a block.
class TNotifyScope : public TPropertyScope<TSession, bool> {
public:
  TNotifyScope(TSession& session, bool on)
      : TPropertyScope(session, &TSession::DBNotifyEnabled, &TSession::SetDBNotifyEnabled, on) {}
};

bool AliasExistsIn(const std::string& alias, TConfigMode mode) {
  TConfigModeScope scope(Session(), TConfigModes{mode});
  return Session().IsAlias(alias);
}

// The first layer of the set, in the order above, that has the alias.
bool FindAliasMode(const std::string& alias, TConfigModes modes, TConfigMode& found) {
  for (TConfigMode mode : kModeOrder)
    if (modes.Contains(mode) && AliasExistsIn(alias, mode)) {
      found = mode;
      return true;
    }
  return false;
}

std::string AliasDriver(const std::string& alias, TConfigMode mode) {
  try {
    TConfigModeScope scope(Session(), TConfigModes{mode});
    return Session().GetAliasDriverName(alias);
  } catch (const Exception&) {
    return {};
  }
}

// The parameters as NAME=value lines: a modify keeps empty values (they
// clear the option), an add leaves them out.
std::unique_ptr<TStringList> ParameterList(TEProperties& properties, bool keepEmpty) {
  auto list = std::make_unique<TStringList>();
  for (int i = 0; i < properties.Count(); ++i) {
    auto* property = dynamic_cast<TDbAliasProperty*>(properties.Property(i));
    if (!property) continue;
    std::string value = property->GetText(0);
    if (value.empty() && !keepEmpty) continue;
    list->Add(property->Name() + "=" + value);
  }
  return list;
}

void DropEmptyValues(TStringList& list) {
  for (int i = list.Count() - 1; i >= 0; --i)
    if (ValuePart(list.Strings(i)).empty()) list.Delete(i);
}

int HelpContextOf(const std::string& driverType) {
  TMDManager& text = GetMDManager();
  std::string value = text.ReadString("Properties", JoinKey({driverType, "HelpContext"}));
  if (value.empty()) value = text.ReadString("Properties", JoinKey({"", "HelpContext"}));
  return StrToIntDef(value, 0);
}

}  // namespace

// ---------------------------------------------------------------- TDatabases

void TDatabases::Init(TExploreObject* parent) {
  TExploreObject::Init(parent);
  // Alias names are the engine's, which ignores case.
  Children().NameCompare = [](std::string_view a, std::string_view b) { return AnsiCompareText(a, b); };
  SetAttributes(opRefresh | opNew | opApply | opCancel);
  SetName("Databases");
  TSession& session = Session();
  Check(Engine().SetCurrentSession(session.Handle()));
  previousNotify_ = session.OnDBNotify;
  session.OnDBNotify = [this](TDatabaseEvent event, const std::string& name, TDatabase* database) {
    DatabaseNotify(event, name, database);
  };
  notifyInstalled_ = true;
}

void TDatabases::BeforeDestroy() {
  if (notifyInstalled_) Session().OnDBNotify = std::move(previousNotify_);
  notifyInstalled_ = false;
  TExploreObject::BeforeDestroy();
}

std::string TDatabases::GetValidationText() { return "All Database Aliases"; }

TExploreObject* TDatabases::FindAliasNode(std::string_view alias) const {
  TExploreList& children = Children();
  for (int i = 0; i < children.Count(); ++i)
    if (children.NameCompare(children.Item(i)->Name(), alias) == 0) return children.Item(i);
  return nullptr;
}

TDb* TDatabases::AliasNode(std::string_view alias) const { return dynamic_cast<TDb*>(FindAliasNode(alias)); }

void TDatabases::LoadChildren() {
  TSession& session = Session();
  OrvexHandle handle = session.Handle();
  std::uint32_t listing = 0;
  if (Engine().GetProp(handle, ORVEX_SES_ALIASLIST, &listing, sizeof listing, nullptr) == ORVEX_OK && listing != 1) {
    Engine().SetProp(handle, ORVEX_SES_ALIASLIST, 1);
    Engine().SetProp(handle, ORVEX_SES_ALIASLIST, listing);
  }
  for (TConfigMode mode : kModeOrder) {
    if (!viewModes_.Contains(mode)) continue;
    TStringList names;
    {
      TConfigModeScope scope(session, TConfigModes{mode});
      session.GetAliasNames(&names);
    }
    for (int i = 0; i < names.Count(); ++i) {
      const std::string& name = names.Strings(i);
      if (!FindAliasNode(name)) MakeChild(name, AliasDriver(name, mode), mode);
    }
  }
  Children().Sort();
  TExploreObject::LoadChildren();
}

TDb* TDatabases::MakeChild(const std::string& name, const std::string& driver, TConfigMode mode) {
  // The registry holds alias classes only.
  auto* child = static_cast<TDb*>(DbClassFor(driver).Create(this));
  child->SetCachedTypeName(driver);
  child->SetMode(mode);
  child->SetName(name);
  if (TDatabase* database = Session().FindDatabase(name); database && database->Connected()) child->Attach(database);
  return child;
}

TExploreObject* TDatabases::DoRefresh() {
  RefreshChildren(*this);
  return TExploreObject::DoRefresh();
}

void TDatabases::DatabaseNotify(TDatabaseEvent event, const std::string& name, TDatabase* database) {
  if (previousNotify_) previousNotify_(event, name, database);
  switch (event) {
    case dbOpen:
    case dbClose:
      if (TDb* child = AliasNode(name)) child->Attach(event == dbOpen ? database : nullptr);
      break;
    case dbAddAlias: {
      TConfigMode mode = cfmPersistent;
      if (!FindAliasMode(name, cfmAllModes, mode)) break;
      std::string driver = AliasDriver(name, mode);
      TDb* child = AliasNode(name);
      if (child && child->CachedTypeName() != driver) {
        child->DetachAndRelease();
        child = nullptr;
      }
      if (child) {
        child->SetMode(mode);
      } else if (Children().Loaded()) {
        child = MakeChild(name, driver, mode);
        child->ResortInParent();
        child->UpdateState();
        child->Release(lsIdle);
      }
      break;
    }
    case dbDeleteAlias: {
      // An alias the view modes hide has no node; nothing here shows it.
      TDb* child = AliasNode(name);
      if (!child) break;
      TConfigModes rest;
      if (child->Mode() == cfmSession) rest = {cfmPersistent, cfmVirtual};
      if (child->Mode() == cfmPersistent) rest = {cfmVirtual};
      TConfigMode mode = cfmPersistent;
      if (FindAliasMode(name, rest, mode) && AliasDriver(name, mode) == child->CachedTypeName())
        child->SetMode(mode);
      else
        child->DetachAndRelease();
      break;
    }
  }
}

void TDatabases::DoCreate(TExploreObject*& result, const std::string& parameter) {
  auto* child = static_cast<TDb*>(DbClassFor(parameter).Create(this));
  child->SetCachedTypeName(parameter);
  child->SetMode(cfmPersistent);
  result = child;
  TExploreObject::DoCreate(result, parameter);
}

void TDatabases::DoCreateChild(TExploreObject*& result, TExploreObject* source, int /*kind*/) {
  auto* alias = dynamic_cast<TDb*>(source);
  if (!alias) RaiseNotSupported();
  result = NewObject(alias->DriverType());
  TEProperties& from = source->Properties();
  TEProperties& to = result->Properties();
  for (int i = 0; i < from.GetCount(); ++i) {
    TEProperty* property = from.Property(i);
    auto* target = dynamic_cast<TEProperty*>(to.Find(property->Name()));
    if (target && target->GetAttributes().Contains(paEditable)) target->SetTextVia(0, property->GetText(0));
  }
}

std::uint8_t TDatabases::AllowedChildKinds(TExploreObject* source) {
  auto* alias = dynamic_cast<TDb*>(source);
  return alias && alias->EditState() < esDeleted && Enabled(opNew) ? 1 : 0;
}

// ---------------------------------------------------------------- TDb

void TDb::Init(TExploreObject* parent) {
  TERoot::Init(parent);
  auto operations =
      static_cast<std::uint16_t>(DeclaredOperations() | opOpen | opModify | opApply | opCancel | opDelete | opRename);
  if (parent && (parent->DeclaredOperations() & opNew)) operations |= opNew;
  SetAttributes(operations);
}

void TDb::BeforeDestroy() {
  database_ = nullptr;
  TERoot::BeforeDestroy();
}

void TDb::SetMode(TConfigMode mode) {
  if (mode == mode_) return;
  if (IsActive()) SetActive(false);
  mode_ = mode;
  Properties().Unload();
  if (mode == cfmVirtual)
    ChangeAttributes(0, opDelete | opRename);
  else
    ChangeAttributes(opDelete | opRename, 0);
}

std::string TDb::DriverType() {
  if (typeName_.empty() && !Name().empty()) typeName_ = AliasDriver(Name(), mode_);
  return typeName_;
}

std::string TDb::GetTypeName() { return DriverType(); }

TConfigMode TDb::WriteMode() const { return mode_ == cfmVirtual ? cfmPersistent : mode_; }

void TDb::SaveUnlessSession() {
  if (mode_ != cfmSession) Session().SaveConfigFile();
}

void TDb::SetName(const std::string& name) {
  if (name == Name()) return;
  TERoot::SetName(name);
  if (LockState() != lsConstructing && Children().Loaded() && Enabled(opRefresh)) Refresh();
}

void TDb::SetActive(bool active) {
  TSession& session = Session();
  TDatabase* database = nullptr;
  if (active) {
    try {
      database = session.OpenDatabase(Name());
    } catch (const EDBEngineError&) {
      throw;
    } catch (const EDatabaseError&) {
      return;
    }
    database->SetKeepConnection(true);
  } else if (TDatabase* open = database_) {
    if (open->Temporary())
      delete open;
    else
      open->Close();
  }
  auto* databases = dynamic_cast<TDatabases*>(Parent());
  if (!databases) {
    Attach(database);
    return;
  }
  // The session's notification attaches; anything else means another node took it.
  if (databases->FindAliasNode(Name()) != this || IsActive() != active) throw EAbortOp();
}

void TDb::Attach(TDatabase* database) {
  if (database == database_) return;
  if (database && !database->Temporary() && Session().FindDatabase(Name()) != database)
    RaiseDbXError(kInternalError, "Session could not find " + Name());
  database_ = database;
  if (EditState() == esModified)
    Properties().Unload();
  else if (LockState() == lsIdle && Children().Loaded() && Enabled(opRefresh))
    Refresh();
  TERoot::SetActive(database != nullptr);
}

void TDb::LoadProperties() {
  std::string driver = DriverType();
  Properties().Add<TDbAliasIdentity>(driver);
  RunLocked(LockState() != lsIdle ? LockState() : lsRefreshing, [&] {
    TSession& session = Session();
    TConfigModeScope scope(session, TConfigModes{mode_});
    TStringList params;
    if (EditState() == esNew || Name().empty())
      session.GetDriverParams(driver, &params);
    else
      session.GetAliasParams(Name(), &params);
    params.Sort();
    for (int i = 0; i < params.Count(); ++i) Properties().Add<TDbAliasProperty>(params.Strings(i));
  });
  HelpContext = HelpContextOf(GetTypeName());
}

void TDb::LoadObjectRefs(TEObjectRefs& refs) {
  for (const std::string& line : GetMDManager().ReadNumbered("Properties", JoinKey({GetTypeName(), "Objects"}))) {
    if (line.empty()) continue;
    for (const auto& [letter, factory] : Registry().RefClasses)
      if (letter == line[0]) {
        refs.Add(factory(&refs, line.substr(1)));
        break;
      }
  }
}

void TDb::DoCreate(TExploreObject*& result, const std::string& parameter) {
  if (TExploreObject* parent = Parent()) result = parent->NewObject(parameter);
}

void TDb::DoRename(const std::string& name) {
  if (EditState() == esBrowse)
    RenameAlias(Name(), name);
  else
    TERoot::DoRename(name);
}

void TDb::RenameAlias(const std::string& from, const std::string& to) {
  TSession& session = Session();
  {
    TNotifyScope quiet(session, false);
    TConfigModeScope scope(session, TConfigModes{WriteMode()});
    TStringList old;
    session.GetAliasParams(from, &old);
    std::unique_ptr<TStringList> params;
    if (Properties().Loaded()) {
      params = ParameterList(Properties(), false);
    } else {
      params = std::make_unique<TStringList>();
      params->Assign(&old);
      DropEmptyValues(*params);
    }
    std::string driver = DriverType();
    session.DeleteAlias(from);
    // Put back what was deleted when the new name is refused, so that the
    // alias is not lost; the add's error is the one reported.
    TScopeFail restore([&] {
      try {
        session.AddAlias(from, driver, &old);
      } catch (const Exception&) {
      }
    });
    session.AddAlias(to, driver, params.get());
  }
  TERoot::SetName(to);
  Properties().Unload();
  SaveUnlessSession();
}

void TDb::DoDelete() {
  if (EditState() != esBrowse) {
    TERoot::DoDelete();
    return;
  }
  TSession& session = Session();
  bool save = mode_ != cfmSession;
  TConfigMode mode = WriteMode();
  // The deletion notification takes the node out, or gives it the layer
  // where the alias still is.
  RunLocked(LockState(), [&] {
    TNotifyScope notify(session, true);
    TConfigModeScope scope(session, TConfigModes{mode});
    session.DeleteAlias(Name());
  });
  if (save) session.SaveConfigFile();
}

void TDb::DoApply() {
  TSession& session = Session();
  {
    TNotifyScope quiet(session, false);
    switch (EditState()) {
      case esModified:
        if (!SavedName().empty()) {
          RenameAlias(SavedName(), Name());
        } else if (Properties().PendingCount() > 0) {
          {
            auto params = ParameterList(Properties(), true);
            TConfigModeScope scope(session, TConfigModes{WriteMode()});
            session.ModifyAlias(Name(), params.get());
          }
          SaveUnlessSession();
        }
        break;
      case esNew: {
        std::string name = ValidateNameOrRaise(Name());
        {
          auto params = ParameterList(Properties(), false);
          TConfigModeScope scope(session, TConfigModes{WriteMode()});
          session.AddAlias(name, DriverType(), params.get());
        }
        SaveUnlessSession();
        TERoot::SetName(name);
        break;
      }
      case esDeleted:
        {
          TConfigModeScope scope(session, TConfigModes{WriteMode()});
          session.DeleteAlias(Name());
        }
        SaveUnlessSession();
        break;
      default:
        break;
    }
  }
  TERoot::DoApply();
}

void TDb::DoCancel() {
  Properties().Unload();
  TERoot::DoCancel();
}

TDbXErrorPtr TDb::ValidateName(const std::string& name) {
  if (!IsValidConfigName(name)) return MakeDbXError("\"" + name + "\" is not a valid name");
  if (dynamic_cast<TDatabases*>(Parent())) return CheckUniqueName(Parent(), this, name);
  return nullptr;
}

void TDb::AssignPropertyEditor(TEPropertyDef* definition) {
  if (definition->InheritsFrom(TDbAliasProperty::StaticClass())) AssignOptionEditor(*this, definition);
}

// ---------------------------------------------------------------- properties

TDbAliasIdentity::TDbAliasIdentity(const std::string& driverType) {
  SetName("Identity");
  SetCaption("Type");
  SetLevel(1);
  SetTypeCode(ftString);
  InitValue(Variant(driverType));
}

TDbAliasProperty::TDbAliasProperty(const std::string& line) {
  SetName(NamePart(line));
  SetLevel(2);
  SetTypeCode(ftString);
  // not yet in a list: nobody to tell
  TEPropertyDef::SetAttributeWord(static_cast<std::uint16_t>(TEPropertyAttributes{paEditable, paGetEditor}.ToBits()));
  InitValue(Variant(ValuePart(line)));
}

std::string TDbAliasProperty::GetDescription() {
  auto* alias = dynamic_cast<TDb*>(Object());
  if (!alias) return {};
  std::string driver = alias->InheritsFrom(TDbODBC::StaticClass()) ? "ODBC" : alias->CachedTypeName();
  return EngineOptionDescription("\\DRIVERS\\" + driver + "\\DB OPEN", Name());
}

// ---------------------------------------------------------------- TDbObjectRef

TDbObjectRef::TCodes TDbObjectRef::Parse(const std::string& line) {
  static constexpr std::uint16_t kDefaultMask = opNew | opDelete | opModify | opRename;
  static constexpr int kCardinality[] = {0, 1, 1, 2, 2, 2};
  static constexpr bool kReverse[] = {false, false, false, false, true, true};
  std::string rest = line;
  auto field = [&rest] {
    std::size_t colon = rest.find(':');
    std::string text = rest.substr(0, colon);
    rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    return text;
  };
  TCodes codes;
  std::string kind = field();
  static const std::pair<const char*, int> kKinds[] = {{"", 0}, {"C", 1}, {"O", 2}, {"P", 3}, {"R", 4}, {"I", 5}};
  codes.Kind = 1;
  for (const auto& [letter, code] : kKinds)
    if (kind == letter) codes.Kind = code;
  std::string cardinality = field();
  static const struct {
    const char* text;
    int code;
    bool reverse;
  } kCards[] = {{"", 0, false}, {"0M", 1, false}, {"1M", 2, false}, {"01", 3, false},
                {"11", 4, false}, {"M0", 1, true}, {"M1", 2, true}};
  codes.Cardinality = kCardinality[codes.Kind];
  codes.Reverse = kReverse[codes.Kind];
  for (const auto& card : kCards)
    if (cardinality == card.text) {
      codes.Cardinality = card.code;
      codes.Reverse = card.reverse;
    }
  codes.Mask = ParseAttributeLetters(field(), kDefaultMask);
  codes.Name = field();
  codes.Definition = rest;
  return codes;
}

TDbObjectRef::TDbObjectRef(TEObjectRefs* list, const std::string& line) : TDbObjectRef(list, Parse(line)) {}

// The base keeps the cardinality and its reverse flag in its two cardinality bytes.
TDbObjectRef::TDbObjectRef(TEObjectRefs* list, const TCodes& codes)
    : TEObjectRef(list, codes.Name, codes.Definition, codes.Cardinality, codes.Kind, codes.Reverse ? 1 : 0,
                  codes.Mask) {}

void RegisterObjectRefClass(char letter, TObjectRefFactory factory) {
  auto& classes = Registry().RefClasses;
  for (auto& entry : classes)
    if (entry.first == letter) {
      entry.second = factory;
      return;
    }
  classes.emplace_back(letter, factory);
}

// ---------------------------------------------------------------- registry and routines

void RegisterDbClass(TExploreClass cls, const std::string& driverType) {
  auto& classes = Registry().Classes;
  for (auto& entry : classes)
    if (entry.first == driverType) {
      entry.second = cls;
      return;
    }
  classes.emplace_back(driverType, cls);
}

void SetDefaultDbClass(TExploreClass cls) { Registry().Default = cls; }

TExploreClass DbClassFor(const std::string& driverType) {
  TDbClassRegistry& registry = Registry();
  for (const auto& [type, cls] : registry.Classes)
    if (type == driverType) return cls;
  return registry.Default ? registry.Default : ExploreClassOf<TDb>();
}

void RefreshChildren(TExploreObject& node) {
  TExploreList& children = node.Children();
  bool anyOpen = false;
  for (int i = 0; i < children.Count(); ++i) anyOpen = anyOpen || children.Item(i)->IsActive();
  if (anyOpen) {
    for (int i = 0; i < children.Count(); ++i)
      if (children.Item(i)->Enabled(opRefresh)) children.Item(i)->Refresh();
  } else {
    // Nothing open to keep: the list is read afresh when next needed.
    children.Unload();
  }
}

bool IsValidConfigName(const std::string& name) {
  // Counted in characters: a name of 31 non-ASCII letters is as good as one of 31 ASCII ones.
  return !name.empty() && CharLength(name) <= ORVEX_CFG_MAX_NAME_CHARS && name.find_first_of(":\\") == std::string::npos;
}

void AssignOptionEditor(TExploreObject& object, TEPropertyDef* definition) {
  if (auto values = GetPropertyValues(nullptr, definition->Name()))
    definition->SetEditor(std::move(values));
  else
    definition->SetEditor(FindRegisteredEditor(object.ClassType(), object.GetTypeName(), definition->Name()));
}

std::string EngineOptionDescription(const std::string& path, const std::string& option) {
  try {
    char desc[ORVEX_OPTION_DESC_SIZE] = {};
    if (Engine().GetOptionDesc(0, NativeFromAnsi(0, path).c_str(), NativeFromAnsi(0, option).c_str(), desc) !=
        ORVEX_OK)
      return {};
    return NativeToAnsi(std::string_view(desc, strnlen(desc, sizeof desc)));
  } catch (const Exception&) {
    return {};
  }
}

TDb* OwningDb(TExploreObject* object) {
  while (object && !dynamic_cast<TDb*>(object)) object = object->Parent();
  return static_cast<TDb*>(object);
}

TDatabase* GetConnectedDatabase(TExploreObject* object) {
  auto* schema = dynamic_cast<TEObjects*>(object);
  auto* alias = schema ? dynamic_cast<TDb*>(schema->Root()) : nullptr;
  TDatabase* database = alias ? alias->Database() : nullptr;
  return database && database->Connected() ? database : nullptr;
}

TDatabases* FindDatabasesNode() {
  TDbXRoot* root = GetDbXRoot();
  return root ? static_cast<TDatabases*>(root->Children().Find(TDatabases::StaticClass(), "")) : nullptr;
}

// ---------------------------------------------------------------- TQueryScript

TQueryScript::TQueryScript(TComponent* owner) : TQuery(owner), scanner_(std::make_unique<TScanner>()) {
  SetParamCheck(false);
  auto* sql = static_cast<TStringList*>(SQL());
  previousChange_ = sql->OnChange;
  scanner_->SetTerminator(U';');
  scanner_->SetKeyword("---");
  Follow(true);
}

TQueryScript::~TQueryScript() { Follow(false); }

void TQueryScript::UseOptions(const std::string& keyword, TChar terminator, TChar escape, bool doubledQuotes,
                              const std::vector<std::string>& comments) {
  scanner_->SetKeyword(keyword);
  scanner_->SetTerminator(terminator);
  scanner_->SetEscapeChar(escape);
  scanner_->SetDoubledQuotes(doubledQuotes);
  scanner_->SetBrackets(comments);
}

void TQueryScript::Follow(bool on) {
  auto* sql = static_cast<TStringList*>(SQL());
  if (on)
    sql->OnChange = [this](TObject* sender) { SqlChanged(sender); };
  else
    sql->OnChange = previousChange_;
}

void TQueryScript::SqlChanged(TObject* sender) {
  scanner_->SetText("");
  if (previousChange_) previousChange_(sender);
}

hOrvexCursor TQueryScript::RunStatement() { return TQuery::CreateHandle(); }

void TQueryScript::CloseResult(hOrvexCursor& cursor) { Engine().CloseCursor(&cursor); }

hOrvexCursor TQueryScript::CreateHandle() {
  TStrings* sql = SQL();
  if (scanner_->Text().empty())
    scanner_->SetText(StringReplace(sql->Text(), "\r", "", {rfReplaceAll}));
  else
    scanner_->SetPosition(1);  // a run again without an edit starts at the first statement
  std::string script = scanner_->Text();

  hOrvexCursor result = 0;
  bool produced = false;
  Follow(false);
  TScopeExit follow([&] {
    Follow(true);
    if (!produced) sql->SetText(script);
  });
  TScopeFail close([&] {
    if (result) CloseResult(result);
  });
  sql->Clear();
  sql->Add("");
  count_ = 0;
  while (scanner_->Position() != -1) {
    std::string statement = scanner_->NextItem();
    ++count_;
    if (statement.empty()) continue;
    if (produced) DatabaseError("A result set was generated, but there are more statements");
    sql->SetStrings(0, statement);
    result = RunStatement();
    produced = result != 0;
  }
  return result;
}

// ---------------------------------------------------------------- the unit

void InitExpldb() {
  RegisterDbXRootClass(ExploreClassOf<TDatabases>());
  for (const char* type : {"STANDARD", "MSACCESS", "SYBASE", "MSSQL", "ORACLE", "CORVANE", "INFORMIX", "DB2"})
    RegisterDbClass(ExploreClassOf<TDb>(), type);
  SetDefaultDbClass(ExploreClassOf<TDbODBC>());
  RegisterObjectRefClass('O', [](TEObjectRefs* list, const std::string& line) -> std::unique_ptr<TEObjectRef> {
    return std::make_unique<TDbObjectRef>(list, line);
  });
}

void DoneExpldb() { Registry() = TDbClassRegistry(); }

}  // namespace dbx

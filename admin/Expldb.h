// The explorer's first top-level node, "Databases": the engine's database
// aliases, listed for the configuration modes of its view-mode set; each
// alias a node that opens, closes and edits its parameters, written in the
// configuration mode it lives in. Beside them the query that runs the SQL
// page's scripts one statement at a time.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Database.h"
#include "DbExplif.h"
#include "DbSchema.h"
#include "Query.h"

namespace dbx {

class TDb;

class TDatabases : public TExploreObject {
  FW_CLASS(TDatabases, TExploreObject)
public:
  TDatabases() = default;

  // The modes whose aliases are listed; all three at first.
  fw::TConfigModes ViewModes() const { return viewModes_; }
  void SetViewModes(fw::TConfigModes modes) { viewModes_ = modes; }

  std::string GetValidationText() override;
  // The node of an alias among the children made so far (none are loaded
  // for it); none when there is none.
  TExploreObject* FindAliasNode(std::string_view alias) const;

  void LoadChildren() override;
  TExploreObject* DoRefresh() override;
  // parameter: the driver type of the new alias.
  void DoCreate(TExploreObject*& result, const std::string& parameter) override;
  // A copy of a dropped alias.
  void DoCreateChild(TExploreObject*& result, TExploreObject* source, int kind) override;
  std::uint8_t AllowedChildKinds(TExploreObject* source) override;

protected:
  void Init(TExploreObject* parent) override;
  void BeforeDestroy() override;

private:
  void DatabaseNotify(fw::TDatabaseEvent event, const std::string& name, fw::TDatabase* database);
  TDb* MakeChild(const std::string& name, const std::string& driver, fw::TConfigMode mode);
  TDb* AliasNode(std::string_view alias) const;

  fw::TConfigModes viewModes_ = fw::cfmAllModes;
  fw::TDatabaseNotifyEvent previousNotify_;
  bool notifyInstalled_ = false;
};

// One alias. Its mode is the configuration layer it was found in; a
// virtual alias (from unixODBC) can be neither deleted nor renamed.
class TDb : public TERoot {
  FW_CLASS(TDb, TERoot)
public:
  TDb() = default;

  fw::TConfigMode Mode() const { return mode_; }
  // A new mode closes the alias and reads its parameters again.
  void SetMode(fw::TConfigMode mode);
  // The driver type as found, without asking the session.
  const std::string& CachedTypeName() const { return typeName_; }
  // The driver type, asked of the session once (empty when it fails).
  std::string DriverType();
  void SetCachedTypeName(const std::string& name) { typeName_ = name; }
  fw::TDatabase* Database() const { return database_; }
  // Takes the database the session opened or closed (none) for the alias.
  void Attach(fw::TDatabase* database);

  void SetName(const std::string& name) override;
  int GetKind() override { return okDatabase; }
  std::string GetTypeName() override;
  bool IsActive() override { return database_ != nullptr; }
  void SetActive(bool active) override;
  void LoadProperties() override;
  void LoadObjectRefs(TEObjectRefs& refs) override;
  void DoCreate(TExploreObject*& result, const std::string& parameter) override;
  void DoRename(const std::string& name) override;
  void DoDelete() override;
  void DoApply() override;
  void DoCancel() override;
  TDbXErrorPtr ValidateName(const std::string& name) override;
  void AssignPropertyEditor(TEPropertyDef* definition) override;

protected:
  void Init(TExploreObject* parent) override;
  void BeforeDestroy() override;

private:
  // Adds, modifies and deletes go to the alias's own layer; a virtual
  // alias is written as a persistent one.
  fw::TConfigMode WriteMode() const;
  void SaveUnlessSession();
  void RenameAlias(const std::string& from, const std::string& to);

  std::string typeName_;
  fw::TConfigMode mode_ = fw::cfmPersistent;
  fw::TDatabase* database_ = nullptr;
};

// An alias of a driver that stands on ODBC.
class TDbODBC : public TDb {
  FW_CLASS(TDbODBC, TDb)
public:
  TDbODBC() = default;
  std::string GetTypeName() override { return "ODBC"; }
};

// ---------------------------------------------------------------- properties

class TDbAliasIdentity : public TEProperty {
  FW_CLASS(TDbAliasIdentity, TEProperty)
public:
  explicit TDbAliasIdentity(const std::string& driverType = {});
};

// One alias parameter from its NAME=value line.
class TDbAliasProperty : public TEProperty {
  FW_CLASS(TDbAliasProperty, TEProperty)
public:
  explicit TDbAliasProperty(const std::string& line = {});
  std::string GetDescription() override;
};

// ---------------------------------------------------------------- schema object kinds

// A kind of schema object from a line kind:cardinality:attributes:name:definition.
class TDbObjectRef : public TEObjectRef {
  FW_CLASS(TDbObjectRef, TEObjectRef)
public:
  TDbObjectRef(TEObjectRefs* list, const std::string& line);

  // The codes a line gives: kind 0 to 5; cardinality 0 to 4 with its
  // reverse flag; the attribute letters applied to the default mask.
  struct TCodes {
    int Kind = 0;
    int Cardinality = 0;
    bool Reverse = false;
    std::uint16_t Mask = 0;
    std::string Name;
    std::string Definition;
  };
  static TCodes Parse(const std::string& line);

private:
  TDbObjectRef(TEObjectRefs* list, const TCodes& codes);
};

using TObjectRefFactory = std::unique_ptr<TEObjectRef> (*)(TEObjectRefs* list, const std::string& line);
// Object reference classes by the letter that starts a line of an
// "<type>:Objects" list.
void RegisterObjectRefClass(char letter, TObjectRefFactory factory);

// ---------------------------------------------------------------- registry and routines

// The class of the aliases of a driver type; registering a type again
// replaces its class.
void RegisterDbClass(TExploreClass cls, const std::string& driverType);
// The class of every type without its own.
void SetDefaultDbClass(TExploreClass cls);
TExploreClass DbClassFor(const std::string& driverType);

// The open database of the alias at the top of a schema object's tree.
fw::TDatabase* GetConnectedDatabase(TExploreObject* object);
// The alias at the top of an object's tree (the object itself for an alias).
TDb* OwningDb(TExploreObject* object);

// A refresh of a node of the engine's configuration: with an open child
// each child refreshes itself, else the children are read again.
void RefreshChildren(TExploreObject& node);
// A name of the engine's configuration (an alias or a driver): 1 to 31
// characters as the user counts them, neither ':' nor '\\'.
bool IsValidConfigName(const std::string& name);
// The option's value list from the property-definition text, else the
// registered editor or value list for the object's class and type.
void AssignOptionEditor(TExploreObject& object, TEPropertyDef* definition);
// The engine's description of an option at a configuration path; empty
// when it has none or the engine cannot be reached.
std::string EngineOptionDescription(const std::string& path, const std::string& option);

// The root's "Databases" node; none without a root or such a node.
TDatabases* FindDatabasesNode();

// ---------------------------------------------------------------- SQL scripts

// A query whose run takes its SQL text as a script and runs its statements
// one after another; the last one's answer, if any, is the query's. Only
// the last statement may answer rows.
class TQueryScript : public fw::TQuery {
  FW_CLASS(TQueryScript, fw::TQuery)
public:
  explicit TQueryScript(fw::TComponent* owner);
  ~TQueryScript() override;

  // The window's settings: the separator keyword, the terminator, the
  // escape character, doubled quotes and the comment pairs.
  void UseOptions(const std::string& keyword, TChar terminator, TChar escape, bool doubledQuotes,
                  const std::vector<std::string>& comments);
  TScanner& Scanner() { return *scanner_; }
  int StatementCount() const { return count_; }

protected:
  hOrvexCursor CreateHandle() override;
  // Runs one statement, and closes an answer that must not be kept; the
  // tests see the statements here.
  virtual hOrvexCursor RunStatement();
  virtual void CloseResult(hOrvexCursor& cursor);

private:
  void SqlChanged(fw::TObject* sender);
  void Follow(bool on);

  fw::TNotifyEvent previousChange_;
  std::unique_ptr<TScanner> scanner_;
  int count_ = 0;
};

// The unit's start: "Databases" becomes a top-level class of the root and
// the alias classes are registered; the end frees the registries.
void InitExpldb();
void DoneExpldb();

}  // namespace dbx

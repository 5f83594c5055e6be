// Databases and the session that keeps them. A database is a directory of
// desktop tables (a "standard" database); datasets name it by its directory,
// by an alias of the engine's configuration, or by the DatabaseName of a
// TDatabase component. The session finds the database of a name, making a
// temporary one when no component has it, and counts the holds of the
// datasets that use it. It also starts the engine and is the programs' way
// into the engine's configuration.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "OrvexApi.h"
#include "Scope.h"
#include "Sets.h"

namespace fw {

class TDatabase;
class TDBDataSet;
class TNuboCallback;
class TSession;
class TStrings;
class TStringList;

// Isolation levels of a transaction. The engine serves each with a stricter
// one: a transaction reads one snapshot of each table from its first read.
FW_ENUM(TTransIsolation, tiDirtyRead, tiReadCommitted, tiRepeatableRead)

// The layers of the engine's configuration that the session reads and
// writes: virtual 1 (from unixODBC), persistent 2 (the configuration file),
// session 4 (this run only). Reads look in session, persistent, virtual order.
FW_ENUM(TConfigMode, cfmVirtual, cfmPersistent, cfmSession)
using TConfigModes = TFlags<TConfigMode>;
inline constexpr TConfigModes cfmAllModes = {cfmVirtual, cfmPersistent, cfmSession};

// What the session tells its database-notification handler: a database
// opened or closed (with the TDatabase), an alias added or deleted (its name).
enum TDatabaseEvent : int { dbOpen = 0, dbClose = 1, dbAddAlias = 4, dbDeleteAlias = 5 };
using TDatabaseNotifyEvent = std::function<void(TDatabaseEvent Event, const std::string& Name, TDatabase* Database)>;

class TDatabase : public TComponent {
  FW_CLASS(TDatabase, TComponent)
public:
  explicit TDatabase(TComponent* AOwner);
  ~TDatabase() override;

  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const std::string& Value);
  hOrvexDb Handle() const { return handle_; }
  bool Connected() const { return handle_ != 0; }
  void SetConnected(bool Value);
  void Open() { SetConnected(true); }
  // Closes the datasets that use the database first.
  void Close() { SetConnected(false); }
  // Whether the database is an SQL server. No SQL server opens here: every
  // database is a directory of desktop tables. The answer is virtual so
  // that tests reach the SQL-server ways of the library with a database
  // that says it is one.
  virtual bool IsSQLBased() const { return false; }
  // Stay connected when the last dataset closes.
  bool KeepConnection() const { return keepConnection_; }
  void SetKeepConnection(bool Value) { keepConnection_ = Value; }
  // "PATH=directory" names the directory when the name is not one.
  TStrings* Params() const;
  void SetParams(TStrings* Value);
  // Made by the session for a name that no component had.
  bool Temporary() const { return temporary_; }
  void SetTemporary(bool Value) { temporary_ = Value; }
  // The directory that holds the tables.
  std::string Directory() const;
  TSession* Session() const { return session_; }

  // Transactions of the database's statements (queries and stored
  // procedures); posts of tables stay outside them. Closing the database
  // rolls a transaction back. A transaction over several tables is atomic
  // for each table's file, not across them: after a crash one table may
  // hold its part of a commit and another not.
  void StartTransaction();
  void Commit();
  void Rollback();
  bool InTransaction() const;
  TTransIsolation TransIsolation() const { return transIsolation_; }
  void SetTransIsolation(TTransIsolation Value) { transIsolation_ = Value; }

  int DataSetCount() const { return static_cast<int>(dataSets_.size()); }
  TDBDataSet* DataSets(int Index) const { return dataSets_.at(static_cast<std::size_t>(Index)); }
  void CloseDataSets();

  void Loaded() override;

protected:
  void BeforeDestruction() override;

private:
  friend class TSession;
  friend class TDBDataSet;
  std::string databaseName_;
  hOrvexDb handle_ = 0;
  bool keepConnection_ = true;
  bool temporary_ = false;
  bool streamedConnected_ = false;
  TTransIsolation transIsolation_ = tiReadCommitted;
  int refCount_ = 0;
  std::unique_ptr<TStringList> params_;
  TSession* session_ = nullptr;
  std::vector<TDBDataSet*> dataSets_;
};

using TPasswordEvent = std::function<void(TObject* Sender, bool& Continue)>;
// Asks the user for a password; false when the user cancels.
using TPasswordPrompt = std::function<bool(std::string& Password)>;

class TSession : public TComponent {
  FW_CLASS(TSession, TComponent)
public:
  explicit TSession(TComponent* AOwner);
  ~TSession() override;

  int DatabaseCount() const { return static_cast<int>(databases_.size()); }
  TDatabase* Databases(int Index) const { return databases_.at(static_cast<std::size_t>(Index)); }
  // The database of that DatabaseName (without regard to case), or nullptr.
  TDatabase* FindDatabase(const std::string& DatabaseName) const;
  // Finds or makes the database, connects it and holds it.
  TDatabase* OpenDatabase(const std::string& DatabaseName);
  // Releases a hold; a temporary database without holds is freed unless
  // connections are kept.
  void CloseDatabase(TDatabase* Database);
  bool KeepConnections() const { return keepConnections_; }
  void SetKeepConnections(bool Value) { keepConnections_ = Value; }
  // Closes the temporary databases that no dataset holds.
  void DropConnections();

  // The directory for the engine's temporary files (answers of queries kept
  // in files); empty: the system's temporary directory.
  const std::string& PrivateDir() const { return privateDir_; }
  void SetPrivateDir(const std::string& Value);

  // Passwords for protected tables: OnPassword when assigned, else the
  // prompt; a password given is added. True when one was given.
  bool GetPassword();
  void AddPassword(const std::string& Password);
  void RemovePassword(const std::string& Password);
  void RemoveAllPasswords() { passwords_.clear(); }
  const std::vector<std::string>& Passwords() const { return passwords_; }
  TPasswordEvent OnPassword;
  TPasswordPrompt PasswordPrompt;

  // The tables of a database whose file names match Pattern ("*", "*.db"),
  // with or without their extensions; the engine has no system tables.
  void GetTableNames(const std::string& DatabaseName, const std::string& Pattern, bool Extensions,
                     bool SystemTables, TStrings* List);
  // The stored procedures of a database (its files NAME.sql), by name.
  void GetStoredProcNames(const std::string& DatabaseName, TStrings* List);

  // ------------------------------------------------------------ the engine
  // The session starts the engine when it is first needed, with the
  // configuration file that the hook names (the programs give the registry's
  // "CONFIGFILE01" under "Software\Tarvos\Database Engine" through it), else
  // DefaultConfigFile(); then the framework's date, time and number settings
  // take the engine's formats, and the start-up procedures run in the order
  // they were added.
  using TConfigFileHook = std::function<std::string()>;
  static void SetConfigFileHook(TConfigFileHook Hook);
  // nubo.cfg in the settings folder (Files.h: SettingsDir).
  static std::string DefaultConfigFile();
  using TStartProc = std::function<void(TSession& Session)>;
  void AddStartProc(TStartProc Proc);
  bool Active() const { return handle_ != 0; }
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  // Closes the databases, then stops the engine.
  void Close() { SetActive(false); }
  // The engine's session, started when need be.
  OrvexHandle Handle();

  // ------------------------------------------------------------ configuration
  // Every call below reads or writes in this mode (all three at first).
  TConfigModes ConfigMode() const { return configMode_; }
  void SetConfigMode(TConfigModes Value);
  // Lists are of names, or of NAME=value lines.
  void GetAliasNames(TStrings* List);
  std::string GetAliasDriverName(const std::string& AliasName);
  void GetAliasParams(const std::string& AliasName, TStrings* List);  // without TYPE
  void GetDriverNames(TStrings* List);
  void GetDriverParams(const std::string& DriverName, TStrings* List);  // its DB OPEN section
  // Path with "%s" standing for Section ("\DRIVERS\%s\INIT"); a path
  // without entries gives an empty list.
  void GetConfigParams(const std::string& Path, const std::string& Section, TStrings* List);
  // Changes only the options that the section holds.
  void ModifyConfigParams(const std::string& Path, const std::string& Section, TStrings* List);
  void AddAlias(const std::string& Name, const std::string& Driver, TStrings* List);
  void AddStandardAlias(const std::string& Name, const std::string& Path, const std::string& DefaultDriver);
  // Sets each option given; an empty value stays as "NAME=".
  void ModifyAlias(const std::string& Name, TStrings* List);
  void DeleteAlias(const std::string& Name);
  // INIT from List, DB OPEN from the template driver ODBC.
  void AddDriver(const std::string& Name, TStrings* List);
  // Each option to the driver's section that holds it.
  void ModifyDriver(const std::string& Name, TStrings* List);
  void DeleteDriver(const std::string& Name);
  // Writes the persistent configuration to the active file.
  void SaveConfigFile();
  bool IsAlias(const std::string& Name);

  // ------------------------------------------------------------ notifications
  // Called for databases opened and closed and aliases added and deleted
  // through the session, unless switched off.
  TDatabaseNotifyEvent OnDBNotify;
  bool DBNotifyEnabled() const { return dbNotifyEnabled_; }
  void SetDBNotifyEnabled(bool Value) { dbNotifyEnabled_ = Value; }
  void DBNotification(TDatabaseEvent Event, const std::string& Name, TDatabase* Database);

private:
  friend class TDatabase;
  friend class TNuboCallback;
  void AddDatabase(TDatabase* Database);
  void RemoveDatabase(TDatabase* Database);
  void TakeEngineFormats();

  std::vector<TDatabase*> databases_;
  bool keepConnections_ = true;
  std::string privateDir_;
  std::vector<std::string> passwords_;
  OrvexHandle handle_ = 0;
  TConfigModes configMode_ = cfmAllModes;
  std::vector<TStartProc> startProcs_;
  bool dbNotifyEnabled_ = true;
  std::vector<TNuboCallback*> callbacks_;  // the last of a type is the registered one
};

// Sets a session's configuration mode for a block and puts the old one back
// however the block ends.
class TConfigModeScope : public TPropertyScope<TSession, TConfigModes> {
public:
  TConfigModeScope(TSession& Session, TConfigModes Mode)
      : TPropertyScope(Session, &TSession::ConfigMode, &TSession::SetConfigMode, Mode) {}
};

// A callback of the engine's registered for as long as the object lives (or
// the session runs): the engine fills Buffer and calls Method, whose answer
// it takes (ORVEX_CB_ANSWERED or ORVEX_CB_DEFAULT). An exception from Method
// never reaches the engine: the answer is then ORVEX_CB_DEFAULT.
class TNuboCallback {
public:
  using TMethod = std::function<std::uint16_t(void* Buffer)>;
  TNuboCallback(TSession* Session, std::uint16_t CBType, void* Buffer, std::uint16_t BufferSize, TMethod Method);
  ~TNuboCallback();
  TNuboCallback(const TNuboCallback&) = delete;
  TNuboCallback& operator=(const TNuboCallback&) = delete;

private:
  static std::uint16_t Call(std::uint16_t Type, std::uintptr_t Data, void* Buffer);
  TSession* session_;
  OrvexHandle registeredWith_;
  std::uint16_t type_;
  TMethod method_;
};

// The program's session.
TSession& Session();

}  // namespace fw

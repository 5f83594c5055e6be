// Databases and the session that keeps them. A database is a directory of
// desktop tables (a "standard" database); datasets name it by its directory
// or by the DatabaseName of a TDatabase component. The session finds the
// database of a name, making a temporary one when no component has it, and
// counts the holds of the datasets that use it.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "OrvexApi.h"

namespace fw {

class TDBDataSet;
class TSession;
class TStrings;
class TStringList;

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

  // The directory for the engine's temporary files.
  const std::string& PrivateDir() const { return privateDir_; }
  void SetPrivateDir(const std::string& Value) { privateDir_ = Value; }

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

private:
  friend class TDatabase;
  void AddDatabase(TDatabase* Database);
  void RemoveDatabase(TDatabase* Database);

  std::vector<TDatabase*> databases_;
  bool keepConnections_ = true;
  std::string privateDir_;
  std::vector<std::string> passwords_;
};

// The program's session.
TSession& Session();

}  // namespace fw

// The vendors' client tools and the ODBC administrator, started from the
// explorer's action menu. A tool is found through the vendor's registry
// entries; failing that, the user may point at it once and the place is
// remembered under the engine's "CFGUtils" key.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "DbExplif.h"

namespace dbx {

// A string value under HKEY_LOCAL_MACHINE, the key opened without creating
// it; "" when the key or the value is missing.
std::string MachineString(const std::string& key, const std::string& value);

// The client folders the vendors' setups register; "" when not registered.
std::string InformixFolder();
std::string Db2Folder();

// True when the object's class name is one of names (not its base classes').
bool ClassNameIn(const TExploreObject& object, std::initializer_list<const char*> names);

// The place remembered under valueName of "CFGUtils" when a file is there;
// else the user is asked to find program and a folder holding it is
// remembered. path is "" when nothing was found.
void FindVendorUtility(const std::string& program, std::string& path, const std::string& valueName);

// Starts the program with no arguments in its own folder; the process's
// current folder stays as it was.
void StartVendorProgram(const std::string& path);

// The ODBC administrator the registry names, else as FindVendorUtility
// finds it; "" when there is none.
std::string FindOdbcAdmin();
void RunOdbcAdmin();

enum class TVendor { Sybase, Informix, Db2, Corvane, Oracle, MSSQL };

// A vendor's tool, shown for that vendor's aliases and drivers.
class TRAVendorTool : public TERegisteredAction {
  FW_CLASS(TRAVendorTool, TERegisteredAction)
public:
  // programs: the names tried in each of the vendor's folders, in order; the
  // user is asked for the first.
  TRAVendorTool(TVendor vendor, std::string caption, std::vector<std::string> programs, std::string valueName);

  int GetState(TExploreObject& object) override;
  void Execute(TExploreObject& object) override;
  // The program to start; "" when it was not found and the user did not point at it.
  std::string Locate() const;

private:
  TVendor vendor_;
  std::vector<std::string> programs_;
  std::string valueName_;
};

class TRAODBCAdmin : public TERegisteredAction {
  FW_CLASS(TRAODBCAdmin, TERegisteredAction)
public:
  TRAODBCAdmin();
  int GetState(TExploreObject& object) override;
  void Execute(TExploreObject& object) override;
};

class TRASYBASE_1Config : public TRAVendorTool {
  FW_CLASS(TRASYBASE_1Config, TRAVendorTool)
public:
  TRASYBASE_1Config();
};

class TRASYBASE_2Config : public TRAVendorTool {
  FW_CLASS(TRASYBASE_2Config, TRAVendorTool)
public:
  TRASYBASE_2Config();
};

class TRASYBASE_3Config : public TRAVendorTool {
  FW_CLASS(TRASYBASE_3Config, TRAVendorTool)
public:
  TRASYBASE_3Config();
};

class TRADB2_1Config : public TRAVendorTool {
  FW_CLASS(TRADB2_1Config, TRAVendorTool)
public:
  TRADB2_1Config();
};

class TRAINFORMIX_1Config : public TRAVendorTool {
  FW_CLASS(TRAINFORMIX_1Config, TRAVendorTool)
public:
  TRAINFORMIX_1Config();
};

class TRAINFORMIX_2Config : public TRAVendorTool {
  FW_CLASS(TRAINFORMIX_2Config, TRAVendorTool)
public:
  TRAINFORMIX_2Config();
};

class TRACorvane_1Config : public TRAVendorTool {
  FW_CLASS(TRACorvane_1Config, TRAVendorTool)
public:
  TRACorvane_1Config();
};

class TRACorvane_2Config : public TRAVendorTool {
  FW_CLASS(TRACorvane_2Config, TRAVendorTool)
public:
  TRACorvane_2Config();
};

class TRACorvane_3Config : public TRAVendorTool {
  FW_CLASS(TRACorvane_3Config, TRAVendorTool)
public:
  TRACorvane_3Config();
};

class TRAOracle_1Config : public TRAVendorTool {
  FW_CLASS(TRAOracle_1Config, TRAVendorTool)
public:
  TRAOracle_1Config();
};

class TRAOracle_2Config : public TRAVendorTool {
  FW_CLASS(TRAOracle_2Config, TRAVendorTool)
public:
  TRAOracle_2Config();
};

class TRAMSSQL_1Config : public TRAVendorTool {
  FW_CLASS(TRAMSSQL_1Config, TRAVendorTool)
public:
  TRAMSSQL_1Config();
};

class TRAMSSQL_2Config : public TRAVendorTool {
  FW_CLASS(TRAMSSQL_2Config, TRAVendorTool)
public:
  TRAMSSQL_2Config();
};

// The version dialog's action, the ODBC administrator and the vendors'
// tools, in their menu order.
void RegisterVendorActions();

}  // namespace dbx

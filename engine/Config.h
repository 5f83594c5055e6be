// The configuration store: sections of NAME=value options under paths, in
// three layers (virtual, persistent, session), read and written in the
// current session's mode; the engine's session with its lock on the active
// configuration file and its callbacks; the settings the engine itself
// applies. OrvexApi.h, section 8, gives the rules.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Handles.h"
#include "LangDrivers.h"

namespace orvex {

struct Option {
  std::string name, value;
};

// A path's parts: "\DRIVERS\KALMURE\INIT" is DRIVERS, KALMURE, INIT.
using CfgPath = std::vector<std::string>;
CfgPath ParsePath(std::string_view text);
std::string PathText(const CfgPath& path);
// Names, option names and path parts compare without regard to case.
bool SameName(std::string_view a, std::string_view b);

struct Section {
  CfgPath path;
  std::vector<Option> options;

  const Option* Find(std::string_view name) const;
  std::string Value(std::string_view name) const;               // "" when missing
  void Set(const std::string& name, const std::string& value);  // replaces or appends
};

// One layer: its sections in the order they were made.
class CfgStore {
public:
  const Section* Find(const CfgPath& path) const;
  Section* Find(const CfgPath& path);
  // The section of path, made at the end when missing.
  Section& Ensure(const CfgPath& path);
  // Whether a section lies at or below path.
  bool HasNode(const CfgPath& path) const;
  // The names right below path, each once, in the order they first appear.
  std::vector<std::string> Children(const CfgPath& path) const;
  // Takes out the sections at and below path.
  void Remove(const CfgPath& path);
  // The sections at and below path become from's.
  void CopyNode(const CfgStore& from, const CfgPath& path);
  const std::vector<Section>& Sections() const { return sections_; }

private:
  static std::string Key(const CfgPath& path);
  void Reindex();
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> index_;
};

// Checks a name of an alias or driver (ORVEX_ERR_INVALIDNAME) and the sizes
// of option names and values (ORVEX_ERR_VALUETOOLONG); what detail names.
void CheckEntryName(const std::string& name);
void CheckOption(const std::string& name, const std::string& value);

// The store as it is when there is no configuration file.
const CfgStore& DefaultStore();
// The description of an option of a default section, or of a driver's
// sections when path names the driver alone; nullptr when there is none.
const char* OptionDescription(const CfgPath& path, const std::string& option);
// Drivers whose names are the engine's own: never virtual, never listed as drivers.
bool IsFixedDriver(std::string_view name);
bool IsListedDriver(std::string_view name);  // a name the driver list shows

class Session;

class Config {
public:
  static Config& Get();

  // ------------------------------------------------------------ the session
  OrvexHandle Start(const std::string& file);
  void Stop();
  Session* CurrentSession() const;
  // The current session's mode; every layer without a session.
  unsigned Mode() const;
  const std::string& ActiveFile() const { return activeFile_; }
  // Makes the store of an opened file the persistent layer and its file the active one.
  void Activate(const std::string& file, CfgStore store);
  void Save(const std::string& file) const;
  void Merge(const CfgStore& from, bool overwrite);

  // ------------------------------------------------------------ reading
  // Visits the layers of a mode in reading order until visit answers true
  // (and then answers true); the virtual one is read afresh when reached.
  bool ForLayers(unsigned mode, const std::function<bool(const CfgStore&, unsigned layer)>& visit);
  // A section's options, or else the names below the path (nodes set); empty when none.
  std::vector<Option> List(const CfgPath& path, bool& nodes);
  std::vector<std::string> DriverNames();
  struct Alias {
    std::string name, type, path, defaultDriver;
    unsigned layer = 0;
  };
  std::optional<Alias> FindAlias(const std::string& name);

  // ------------------------------------------------------------ writing
  void AddAlias(const std::string& name, const std::string& driver, const std::vector<Option>& params);
  void ModifyAlias(const std::string& name, const std::vector<Option>& params);
  void DeleteAlias(const std::string& name);
  void AddDriver(const std::string& name, const std::vector<Option>& params);
  void ModifyDriver(const std::string& name, const std::vector<Option>& params);
  void DeleteDriver(const std::string& name);
  void ModifyParams(const CfgPath& path, const std::vector<Option>& params);

  // ------------------------------------------------------------ the engine's own settings
  // A value of the session and persistent layers; "" when missing.
  std::string Setting(const CfgPath& path, std::string_view option) const;
  // What a folder opened as a database is: its directory and the driver of
  // table names without an extension.
  struct Target {
    std::string directory, defaultDriver;
  };
  Target ResolveDatabase(const std::string& name);

private:
  Config();
  unsigned WriteLayer(unsigned mode) const;
  CfgStore& LayerStore(unsigned layer);
  CfgStore BuildVirtual() const;
  // The node in the written layer, copied there from the first layer below
  // that has it when missing; whether a layer has it is whether it holds the
  // section probe (or, probe empty, anything at or below node).
  CfgStore& WritableNode(const CfgPath& node, const CfgPath& probe, OrvexResult missing, const std::string& name);

  CfgStore persistent_, sessionStore_, virtual_;
  std::string activeFile_;
  OrvexHandle sessionHandle_ = 0;
  std::unique_ptr<class ConfigLock> lock_;
};

// What a new table gets from its driver's settings.
struct NewTableSettings {
  const LangDriver* langDriver;
  int pageSize;
};
// driver: "KALMURE" or "ZENTOR". ORVEX_ERR_UNKNOWNLD for a language driver the engine lacks.
NewTableSettings SettingsForNewTable(const char* driver);

// The engine's session: its configuration mode and its callbacks.
class Session : public Object {
public:
  Session() : Object(Kind::Session) {}
  unsigned mode = 7;
  std::uint32_t aliasList = 0;  // kept for callers, no effect
  struct Callback {
    std::uintptr_t clientData = 0;
    std::uint16_t size = 0;
    void* buffer = nullptr;
    OrvexCallbackFn fn = nullptr;
  };
  Callback inputRequest;
  std::optional<std::int16_t> busyAnswer;  // a remembered answer to the busy question
};

// Entries 72, 83, 400, 409, 410, 1063, 1064 and 1101 to 1112.
OrvexResult GetSysHandle(OrvexHandle* handle);
OrvexResult GetDatabaseDesc(const char* aliasName, void* desc);
OrvexResult SaveConfigFile(OrvexHandle file, const char* path, std::int16_t flag);
OrvexResult GetOptionDesc(OrvexHandle file, const char* path, const char* option, void* desc);
OrvexResult MergeConfigFile(OrvexHandle session, OrvexHandle file, std::uint16_t overwrite);
OrvexResult OpenCfgInfoList(OrvexHandle file, std::uint16_t mode, std::uint16_t flags, const char* path,
                            hOrvexCursor* cursor);
OrvexResult OpenConfigFile(const char* path, std::uint16_t create, OrvexHandle* file);
// 1071 and 1072 for the system object and the session; the entries pass on
// what is not a statement's or a database's.
OrvexResult SystemGetProp(OrvexHandle object, std::uint32_t property, void* value, std::uint16_t maxLength,
                          std::uint16_t* length);
OrvexResult SystemSetProp(OrvexHandle object, std::uint32_t property, std::uint64_t value);
OrvexResult StartEngine(const char* configFile, OrvexHandle* session);
OrvexResult StopEngine();
OrvexResult SetCurrentSession(OrvexHandle session);
OrvexResult RegisterCallback(OrvexHandle session, std::uint16_t type, std::uintptr_t clientData,
                             std::uint16_t bufferSize, void* buffer, OrvexCallbackFn callback);
OrvexResult OpenDriverList(hOrvexCursor* cursor);
OrvexResult CfgAddAlias(const char* name, const char* driver, const char* params);
OrvexResult CfgModifyAlias(const char* name, const char* params);
OrvexResult CfgDeleteAlias(const char* name);
OrvexResult CfgAddDriver(const char* name, const char* params);
OrvexResult CfgModifyDriver(const char* name, const char* params);
OrvexResult CfgDeleteDriver(const char* name);
OrvexResult CfgModifyParams(const char* path, const char* params);

// Asked when a statement finds its table file held by another writer, after
// each wait of a second: whether to wait again. writing: the statement
// changes the table (only then is the user asked).
bool RetryBusy(const std::string& file, int waits, bool writing);

}  // namespace orvex

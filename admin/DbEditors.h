// The editors and value lists that the administrator registers for the
// options of aliases and drivers: folder and file pickers, the engine's
// language drivers, server names and data sources read from the vendors'
// client installations (registry keys, their files, the ODBC and DB2
// libraries), and fixed lists.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DbExplif.h"

namespace fw {
class TStrings;
}

namespace dbx {

// ---------------------------------------------------------------- editors

// Picks a folder for the property.
class TREFolder : public TERegisteredEditor {
  FW_CLASS(TREFolder, TERegisteredEditor)
public:
  using TERegisteredEditor::TERegisteredEditor;
  void Edit(TEProperty& property) override;
};

class TREPath : public TREFolder {
  FW_CLASS(TREPath, TREFolder)
public:
  TREPath();
};

class TRESchemaCacheDir : public TREFolder {
  FW_CLASS(TRESchemaCacheDir, TREFolder)
public:
  TRESchemaCacheDir();
};

class TRENetDir : public TREFolder {
  FW_CLASS(TRENetDir, TREFolder)
public:
  TRENetDir();
};

// Picks an existing file of one extension for the property.
class TREFile : public TERegisteredEditor {
  FW_CLASS(TREFile, TERegisteredEditor)
public:
  TREFile(fw::TClass ownerClass, std::string typeName, std::string propertyName, std::string extension,
          std::string filter);
  void Edit(TEProperty& property) override;

private:
  std::string extension_;
  std::string filter_;
};

class TRECorvaneServerName : public TREFile {
  FW_CLASS(TRECorvaneServerName, TREFile)
public:
  TRECorvaneServerName();
};

class TREAccessDbName : public TREFile {
  FW_CLASS(TREAccessDbName, TREFile)
public:
  explicit TREAccessDbName(fw::TClass ownerClass = nullptr);
};

class TREAccessSystemDB : public TREFile {
  FW_CLASS(TREAccessSystemDB, TREFile)
public:
  explicit TREAccessSystemDB(fw::TClass ownerClass = nullptr);
};

// ---------------------------------------------------------------- language drivers

struct TLdObj {
  std::string Name;  // the symbolic name, at most 20 characters
  std::uint16_t Family = 0;
};

struct TLdEntry {
  std::string Description;
  TLdObj Driver;
};

// The engine's language drivers by description, the empty "none" first;
// read once a program, on first use.
const std::vector<TLdEntry>& LanguageDrivers();
// Reads the list when it is empty.
void LoadLanguageDrivers();

// Shows a language driver by its description and stores its symbolic name.
class TRVLangDr : public TERegisteredValues {
  FW_CLASS(TRVLangDr, TERegisteredValues)
public:
  using TERegisteredValues::TERegisteredValues;
  std::string GetText(TEProperty& property, int kind) override;
  void SetText(TEProperty& property, int kind, const std::string& text) override;
  TDbXErrorPtr ValidateValue(TEProperty& property) override;
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;

protected:
  virtual bool Offers(const TLdEntry& /*entry*/) const { return true; }
};

class TRVLangDriver : public TRVLangDr {
  FW_CLASS(TRVLangDriver, TRVLangDr)
public:
  TRVLangDriver();
};

// The drivers of the code-page families 2 and 18.
class TRVDesktopLangDriver : public TRVLangDr {
  FW_CLASS(TRVDesktopLangDriver, TRVLangDr)
public:
  explicit TRVDesktopLangDriver(std::string driverType);

protected:
  bool Offers(const TLdEntry& entry) const override;
};

class TRVZentorLangDriver : public TRVDesktopLangDriver {
  FW_CLASS(TRVZentorLangDriver, TRVDesktopLangDriver)
public:
  TRVZentorLangDriver() : TRVDesktopLangDriver("ZENTOR") {}
};

class TRVFoxProLangDriver : public TRVDesktopLangDriver {
  FW_CLASS(TRVFoxProLangDriver, TRVDesktopLangDriver)
public:
  TRVFoxProLangDriver() : TRVDesktopLangDriver("FOXPRO") {}
};

// ---------------------------------------------------------------- server names and data sources

// A list of what a vendor's client installation knows: nothing for an
// alias not yet applied.
class TRVClientList : public TERegisteredValues {
  FW_CLASS(TRVClientList, TERegisteredValues)
public:
  using TERegisteredValues::TERegisteredValues;
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;

protected:
  virtual std::vector<std::string> ReadNames(TEProperty& property) = 0;
};

class TRVODBCDSN : public TRVClientList {
  FW_CLASS(TRVODBCDSN, TRVClientList)
public:
  TRVODBCDSN();

protected:
  std::vector<std::string> ReadNames(TEProperty& property) override;
};

class TRVDb2DSN : public TRVClientList {
  FW_CLASS(TRVDb2DSN, TRVClientList)
public:
  TRVDb2DSN();

protected:
  std::vector<std::string> ReadNames(TEProperty& property) override;
};

class TRVORAServerName : public TRVClientList {
  FW_CLASS(TRVORAServerName, TRVClientList)
public:
  TRVORAServerName();

protected:
  std::vector<std::string> ReadNames(TEProperty& property) override;
};

class TRVSYBServerName : public TRVClientList {
  FW_CLASS(TRVSYBServerName, TRVClientList)
public:
  TRVSYBServerName();

protected:
  std::vector<std::string> ReadNames(TEProperty& property) override;
};

class TRVMSSServerName : public TRVClientList {
  FW_CLASS(TRVMSSServerName, TRVClientList)
public:
  TRVMSSServerName();

protected:
  std::vector<std::string> ReadNames(TEProperty& property) override;
};

class TRVINFServerName : public TRVClientList {
  FW_CLASS(TRVINFServerName, TRVClientList)
public:
  TRVINFServerName();

protected:
  std::vector<std::string> ReadNames(TEProperty& property) override;
};

// ---------------------------------------------------------------- fixed lists

class TRVVendorInit : public TERegisteredValues {
  FW_CLASS(TRVVendorInit, TERegisteredValues)
public:
  TRVVendorInit();
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;
};

class TRVLevel : public TERegisteredValues {
  FW_CLASS(TRVLevel, TERegisteredValues)
public:
  TRVLevel();
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;
};

class TRVBlockSize : public TERegisteredValues {
  FW_CLASS(TRVBlockSize, TERegisteredValues)
public:
  TRVBlockSize();
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;
};

// The engine's two libraries of a driver; no other value is taken.
class TRVDll32 : public TERegisteredValues {
  FW_CLASS(TRVDll32, TERegisteredValues)
public:
  TRVDll32(std::string driverType, std::vector<std::string> libraries);
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;
  TDbXErrorPtr ValidateValue(TEProperty& property) override;

private:
  std::vector<std::string> libraries_;
};

class TRVSybaseDll32 : public TRVDll32 {
  FW_CLASS(TRVSybaseDll32, TRVDll32)
public:
  TRVSybaseDll32();
};

class TRVAccessDll32 : public TRVDll32 {
  FW_CLASS(TRVAccessDll32, TRVDll32)
public:
  TRVAccessDll32();
};

// ---------------------------------------------------------------- shared routines

// The folder picker over the property's text, which takes the folder chosen.
void EditFolderOption(TEProperty& property);
// The data sources that the ODBC driver manager lists for the driver of
// that description, each once in a row.
void GetOdbcDataSources(const std::string& driverDescription, fw::TStrings* list);
// The data sources of the DB2 client, unfiltered.
void GetDb2DataSources(fw::TStrings* list);
// The service names of a tnsnames.ora text, in order.
std::vector<std::string> ReadTnsNames(const fw::TStrings& lines);
// The server names of a sql.ini text: its bracketed lines.
std::vector<std::string> ReadSqlIniServers(const fw::TStrings& lines);

// The first block of registrations, and the second, which follows the
// vendors' actions.
void RegisterAliasEditors();
void RegisterDriverEditors();

}  // namespace dbx

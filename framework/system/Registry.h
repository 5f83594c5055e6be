// The registry: keys and values kept in one text file of our own.
//
// The file is the one that the environment variable FW_REGISTRY names, or
// else "registry" in the settings folder (Files.h, SettingsDir:
// $XDG_CONFIG_HOME/velloria, ~/.config/velloria). It is
// read when a key is opened and written whole on every change: to a
// temporary file beside it, flushed to the disk, then renamed over it, so
// that a failed or interrupted write leaves the old file as it was. A file
// that is there but cannot be read (a folder, no permission) and a write that
// fails raise ERegistryException naming the file and the reason.
//
// Keys are paths with '\' between their parts, compared without regard to
// case; a path that starts with '\' counts from the root key, any other from
// the current key. A missing key or value reads as the default (empty, 0,
// false). Integers and booleans are stored as integers (a boolean as 0 or
// 1); reading a value of another type raises ERegistryException.
//
// The format, line by line: "[ROOT\path]" opens a key; the lines after it
// are its values, `"name"=sz:"text"` or `"name"=dword:<decimal>` (the name ""
// is the key's default value); in quoted text a backslash escapes '\\', '"',
// and \n \r \t; "#" starts a comment line.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Exceptions.h"

namespace fw {

FW_EXCEPTION(ERegistryException, Exception)

using HKEY = std::uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;

FW_ENUM(TRegDataType, rdUnknown, rdString, rdExpandString, rdInteger, rdBinary)

// The file the registry lives in, as the rules above choose it.
std::string RegistryFileName();

// A string value of the engine's key "Software\Tarvos\Database Engine" under
// HKEY_LOCAL_MACHINE ("DLLPATH", "CONFIGFILE01"); "" when the key or the
// value is missing or the registry cannot be read. The programs hand these to
// the framework's engine binding and session.
std::string ReadEngineSetting(const std::string& Name);

class TRegistry : public TObject {
  FW_CLASS(TRegistry, TObject)
public:
  TRegistry();  // RootKey HKEY_CURRENT_USER, no key open
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return rootKey_; }
  void SetRootKey(HKEY v);  // closes the current key
  // The open key's path below the root, without a leading '\'; "" at the root.
  const std::string& CurrentPath() const { return currentPath_; }
  bool HasCurrentKey() const { return open_; }

  // Opens Key; with CanCreate a missing key is made (and written). False
  // when the key is missing and not to be made.
  bool OpenKey(const std::string& Key, bool CanCreate);
  // Opens an existing key for reading only: writes then raise.
  bool OpenKeyReadOnly(const std::string& Key);
  void CloseKey();
  bool CreateKey(const std::string& Key);
  bool DeleteKey(const std::string& Key);  // with everything below it
  bool KeyExists(const std::string& Key);
  bool ValueExists(const std::string& Name) const;
  bool DeleteValue(const std::string& Name);
  TRegDataType GetDataType(const std::string& Name) const;
  std::vector<std::string> GetKeyNames() const;    // subkeys of the open key
  std::vector<std::string> GetValueNames() const;  // in the order they were made

  std::string ReadString(const std::string& Name) const;
  void WriteString(const std::string& Name, const std::string& Value);
  int ReadInteger(const std::string& Name) const;
  void WriteInteger(const std::string& Name, int Value);
  bool ReadBool(const std::string& Name) const;
  void WriteBool(const std::string& Name, bool Value);

  struct TStore;

private:
  std::string Resolve(const std::string& key) const;
  void Modify(const char* what, const std::string& name, const std::function<void(TStore&)>& change);

  HKEY rootKey_ = HKEY_CURRENT_USER;
  std::string currentPath_;
  bool open_ = false;
  bool readOnly_ = false;
  std::unique_ptr<TStore> store_;  // the file as read when the key was opened
};

// The registry as sections and entries of a key: Create(FileName) opens
// FileName under HKEY_CURRENT_USER (made when written to), sections are its
// subkeys, and every value is stored as a string: integers in decimal,
// booleans as "0" and "1". Reading an integer accepts decimal, "$" and "0x"
// hexadecimal; an unreadable value gives the default.
class TRegIniFile : public TObject {
  FW_CLASS(TRegIniFile, TObject)
public:
  explicit TRegIniFile(const std::string& FileName);
  ~TRegIniFile() override;
  TRegIniFile(const TRegIniFile&) = delete;
  TRegIniFile& operator=(const TRegIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }
  TRegistry& Registry() { return reg_; }

  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default);
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  std::vector<std::string> ReadSection(const std::string& Section);  // the idents
  std::vector<std::string> ReadSections();
  void EraseSection(const std::string& Section);
  void DeleteKey(const std::string& Section, const std::string& Ident);

private:
  std::string SectionKey(const std::string& section) const;
  std::string fileName_;
  TRegistry reg_;
};

}  // namespace fw

#include "Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>

#include "Files.h"
#include "Text.h"

namespace fw {

// ---------------------------------------------------------------- the store

struct TRegValue {
  std::string Name;
  TRegDataType Type = rdString;
  std::string Str;
  std::int64_t Int = 0;
};

struct TRegKey {
  std::string Path;  // ROOT\part\part, as first written
  std::vector<TRegValue> Values;

  TRegValue* Find(const std::string& name) {
    for (auto& v : Values)
      if (AnsiSameText(v.Name, name)) return &v;
    return nullptr;
  }
};

namespace {

bool SamePath(const std::string& a, const std::string& b) { return AnsiSameText(a, b); }

// a lies below b (or is b).
bool IsBelow(const std::string& a, const std::string& b) {
  if (a.size() < b.size()) return false;
  if (!SamePath(a.substr(0, b.size()), b)) return false;
  return a.size() == b.size() || a[b.size()] == '\\';
}

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// Reads a quoted text starting at s[i] == '"'; i ends after the closing quote.
std::optional<std::string> Unquote(const std::string& s, std::size_t& i) {
  if (i >= s.size() || s[i] != '"') return std::nullopt;
  std::string out;
  for (++i; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      ++i;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (s[i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        if (i + 2 >= s.size()) return std::nullopt;
        out += static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
        break;
      }
      default: out += s[i];
    }
  }
  return std::nullopt;
}

}  // namespace

struct TRegistry::TStore {
  std::vector<TRegKey> Keys;

  TRegKey* Find(const std::string& path) {
    for (auto& k : Keys)
      if (SamePath(k.Path, path)) return &k;
    return nullptr;
  }
  bool Exists(const std::string& path) const {
    if (path.find('\\') == std::string::npos) return true;  // a root
    for (const auto& k : Keys)
      if (IsBelow(k.Path, path)) return true;
    return false;
  }
  TRegKey& Ensure(const std::string& path) {
    if (TRegKey* k = Find(path)) return *k;
    Keys.push_back(TRegKey{path, {}});
    return Keys.back();
  }
  void EraseTree(const std::string& path) {
    std::erase_if(Keys, [&](const TRegKey& k) { return IsBelow(k.Path, path); });
  }
  std::vector<std::string> Children(const std::string& path) const {
    std::vector<std::string> names;
    for (const auto& k : Keys) {
      if (k.Path.size() <= path.size() || !IsBelow(k.Path, path)) continue;
      std::string rest = k.Path.substr(path.size() + 1);
      std::string name = rest.substr(0, rest.find('\\'));
      bool seen = false;
      for (const auto& n : names) seen = seen || AnsiSameText(n, name);
      if (!seen) names.push_back(name);
    }
    return names;
  }

  std::string Text() const {
    std::string out = "# velloria registry\n";
    for (const auto& k : Keys) {
      out += "[" + k.Path + "]\n";
      for (const auto& v : k.Values) {
        out += Quote(v.Name) + "=";
        if (v.Type == rdInteger)
          out += "dword:" + std::to_string(v.Int) + "\n";
        else
          out += "sz:" + Quote(v.Str) + "\n";
      }
    }
    return out;
  }

  void Parse(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    TRegKey* key = nullptr;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      if (line[0] == '[') {
        std::size_t close = line.rfind(']');
        key = close == std::string::npos ? nullptr : &Ensure(line.substr(1, close - 1));
        continue;
      }
      if (!key) continue;
      std::size_t i = 0;
      auto name = Unquote(line, i);
      if (!name || i >= line.size() || line[i] != '=') continue;
      std::string rest = line.substr(i + 1);
      TRegValue v;
      v.Name = *name;
      if (rest.rfind("dword:", 0) == 0) {
        v.Type = rdInteger;
        v.Int = std::strtoll(rest.c_str() + 6, nullptr, 10);
      } else if (rest.rfind("sz:", 0) == 0) {
        std::size_t j = 3;
        auto s = Unquote(rest, j);
        if (!s) continue;
        v.Str = *s;
      } else {
        continue;
      }
      if (TRegValue* old = key->Find(v.Name))
        *old = v;
      else
        key->Values.push_back(v);
    }
  }
};

// ---------------------------------------------------------------- the file

std::string RegistryFileName() {
  if (const char* env = std::getenv("FW_REGISTRY"); env && *env) return env;
  return SettingsDir() + "/registry";
}

namespace {

bool UsesDefaultLocation() {
  const char* env = std::getenv("FW_REGISTRY");
  return !env || !*env;
}

// The file's text; nullopt, with the reason in error, when the file is
// there but cannot be read. A file that is not there yet reads as empty.
std::optional<std::string> ReadRegistryFile(const std::string& file, std::string& error) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::string();
    error = std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    error = std::strerror(EISDIR);
    return std::nullopt;
  }
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::string text;
  char buffer[8192];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
}

void MakeDirectories(const std::string& file) {
  for (std::size_t i = 1; i < file.size(); ++i) {
    if (file[i] != '/') continue;
    std::string dir = file.substr(0, i);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

// Writes text to a temporary file beside file, syncs it and renames it over
// file; false, with file untouched and the reason in error, when any step fails.
bool WriteAtomically(const std::string& file, const std::string& text, std::string& error) {
  if (UsesDefaultLocation()) MakeDirectories(file);
  struct stat st {};
  if (stat(file.c_str(), &st) == 0) {
    // Renaming over them would succeed: a folder or a read-only file is refused as writing to it would be.
    if (S_ISDIR(st.st_mode) || access(file.c_str(), W_OK) != 0) {
      error = std::strerror(S_ISDIR(st.st_mode) ? EISDIR : errno);
      return false;
    }
  }
  std::string tmp = file + ".tmp" + std::to_string(getpid());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  const char* p = text.data();
  std::size_t left = text.size();
  int failure = 0;
  while (!failure && left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure = n < 0 ? errno : ENOSPC;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (!failure && fsync(fd) != 0) failure = errno;
  if (close(fd) != 0 && !failure) failure = errno;
  if (!failure && rename(tmp.c_str(), file.c_str()) != 0) failure = errno;
  if (!failure) return true;
  unlink(tmp.c_str());
  error = std::strerror(failure);
  return false;
}

// A file that is there but cannot be read is an error, for reading as for
// writing: defaults read from it would be wrong, and writing over it would lose it.
std::unique_ptr<TRegistry::TStore> LoadStore() {
  auto store = std::make_unique<TRegistry::TStore>();
  const std::string file = RegistryFileName();
  std::string error;
  auto text = ReadRegistryFile(file, error);
  if (!text) throw ERegistryException("Cannot read the registry file " + file + ": " + error);
  store->Parse(*text);
  return store;
}

const char* RootName(HKEY k) {
  switch (k) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    default: return "HKEY_CURRENT_USER";
  }
}

}  // namespace

// ---------------------------------------------------------------- TRegistry

TRegistry::TRegistry() : store_(std::make_unique<TStore>()) {}
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY v) {
  CloseKey();
  rootKey_ = v;
}

std::string TRegistry::Resolve(const std::string& key) const {
  std::string path = (!key.empty() && key[0] == '\\') || !open_ ? std::string() : currentPath_;
  std::size_t i = 0;
  while (i <= key.size()) {
    std::size_t j = key.find('\\', i);
    if (j == std::string::npos) j = key.size();
    std::string part = key.substr(i, j - i);
    if (part.find_first_of("\r\n[]") != std::string::npos)
      throw ERegistryException("Invalid registry key name '" + key + "'");
    if (!part.empty()) path += (path.empty() ? "" : "\\") + part;
    i = j + 1;
  }
  return path;
}

namespace {
std::string FullPath(HKEY root, const std::string& path) {
  return std::string(RootName(root)) + (path.empty() ? "" : "\\" + path);
}
}  // namespace

void TRegistry::Modify(const char* what, const std::string& name, const std::function<void(TStore&)>& change) {
  auto fresh = LoadStore();
  change(*fresh);
  const std::string file = RegistryFileName();
  std::string error;
  if (!WriteAtomically(file, fresh->Text(), error))
    throw ERegistryException(std::string(what) + " '" + name + "': cannot write the registry file " + file + ": " +
                             error);
  store_ = std::move(fresh);
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  std::string path = Resolve(Key);
  std::string full = FullPath(rootKey_, path);
  store_ = LoadStore();
  if (!store_->Exists(full)) {
    if (!CanCreate) return false;
    // A key that cannot be made is a key that does not open.
    try {
      Modify("Failed to create key", Key, [&](TStore& s) { s.Ensure(full); });
    } catch (const ERegistryException&) {
      return false;
    }
  }
  currentPath_ = path;
  open_ = true;
  readOnly_ = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  if (!OpenKey(Key, false)) return false;
  readOnly_ = true;
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  readOnly_ = false;
  currentPath_.clear();
}

bool TRegistry::CreateKey(const std::string& Key) {
  std::string full = FullPath(rootKey_, Resolve(Key));
  Modify("Failed to create key", Key, [&](TStore& s) { s.Ensure(full); });
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  std::string full = FullPath(rootKey_, Resolve(Key));
  if (full.find('\\') == std::string::npos) return false;  // never a root
  auto fresh = LoadStore();
  if (!fresh->Exists(full)) return false;
  Modify("Failed to delete key", Key, [&](TStore& s) { s.EraseTree(full); });
  return true;
}

bool TRegistry::KeyExists(const std::string& Key) {
  return LoadStore()->Exists(FullPath(rootKey_, Resolve(Key)));
}

namespace {
TRegValue* FindValue(TRegistry::TStore& s, const std::string& full, const std::string& name) {
  TRegKey* k = s.Find(full);
  return k ? k->Find(name) : nullptr;
}
}  // namespace

bool TRegistry::ValueExists(const std::string& Name) const {
  return open_ && FindValue(*store_, FullPath(rootKey_, currentPath_), Name);
}

TRegDataType TRegistry::GetDataType(const std::string& Name) const {
  if (!open_) return rdUnknown;
  TRegValue* v = FindValue(*store_, FullPath(rootKey_, currentPath_), Name);
  return v ? v->Type : rdUnknown;
}

bool TRegistry::DeleteValue(const std::string& Name) {
  if (!ValueExists(Name)) return false;
  if (readOnly_) throw ERegistryException("Failed to delete value '" + Name + "'");
  std::string full = FullPath(rootKey_, currentPath_);
  Modify("Failed to delete value", Name, [&](TStore& s) {
    if (TRegKey* k = s.Find(full)) std::erase_if(k->Values, [&](const TRegValue& v) { return AnsiSameText(v.Name, Name); });
  });
  return true;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
  if (!open_) return {};
  return store_->Children(FullPath(rootKey_, currentPath_));
}

std::vector<std::string> TRegistry::GetValueNames() const {
  std::vector<std::string> names;
  if (!open_) return names;
  if (TRegKey* k = store_->Find(FullPath(rootKey_, currentPath_)))
    for (const auto& v : k->Values) names.push_back(v.Name);
  return names;
}

std::string TRegistry::ReadString(const std::string& Name) const {
  if (!open_) return {};
  TRegValue* v = FindValue(*store_, FullPath(rootKey_, currentPath_), Name);
  if (!v) return {};
  if (v->Type != rdString && v->Type != rdExpandString)
    throw ERegistryException("Invalid data type for '" + Name + "'");
  return v->Str;
}

int TRegistry::ReadInteger(const std::string& Name) const {
  if (!open_) return 0;
  TRegValue* v = FindValue(*store_, FullPath(rootKey_, currentPath_), Name);
  if (!v) return 0;
  if (v->Type != rdInteger) throw ERegistryException("Invalid data type for '" + Name + "'");
  return static_cast<int>(v->Int);
}

bool TRegistry::ReadBool(const std::string& Name) const { return ReadInteger(Name) != 0; }

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  if (!open_ || readOnly_) throw ERegistryException("Failed to set data for '" + Name + "'");
  std::string full = FullPath(rootKey_, currentPath_);
  Modify("Failed to set data for", Name, [&](TStore& s) {
    TRegKey& k = s.Ensure(full);
    TRegValue v{Name, rdString, Value, 0};
    if (TRegValue* old = k.Find(Name))
      *old = v;
    else
      k.Values.push_back(v);
  });
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  if (!open_ || readOnly_) throw ERegistryException("Failed to set data for '" + Name + "'");
  std::string full = FullPath(rootKey_, currentPath_);
  Modify("Failed to set data for", Name, [&](TStore& s) {
    TRegKey& k = s.Ensure(full);
    TRegValue v{Name, rdInteger, {}, Value};
    if (TRegValue* old = k.Find(Name))
      *old = v;
    else
      k.Values.push_back(v);
  });
}

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

FW_IMPLEMENT_CLASS(TRegistry)
FW_IMPLEMENT_CLASS(ERegistryException)

// ---------------------------------------------------------------- TRegIniFile

TRegIniFile::TRegIniFile(const std::string& FileName) : fileName_(FileName) { reg_.SetRootKey(HKEY_CURRENT_USER); }
TRegIniFile::~TRegIniFile() = default;

std::string TRegIniFile::SectionKey(const std::string& section) const {
  return "\\" + fileName_ + (section.empty() ? "" : "\\" + section);
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
  if (!reg_.OpenKey(SectionKey(Section), false) || !reg_.ValueExists(Ident)) return Default;
  if (reg_.GetDataType(Ident) == rdInteger) return std::to_string(reg_.ReadInteger(Ident));
  return reg_.ReadString(Ident);
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  reg_.OpenKey(SectionKey(Section), true);
  reg_.WriteString(Ident, Value);
}

int TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

std::vector<std::string> TRegIniFile::ReadSection(const std::string& Section) {
  if (!reg_.OpenKey(SectionKey(Section), false)) return {};
  return reg_.GetValueNames();
}

std::vector<std::string> TRegIniFile::ReadSections() {
  if (!reg_.OpenKey(SectionKey(""), false)) return {};
  return reg_.GetKeyNames();
}

void TRegIniFile::EraseSection(const std::string& Section) {
  reg_.CloseKey();
  reg_.DeleteKey(SectionKey(Section));
}

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  if (reg_.OpenKey(SectionKey(Section), false)) reg_.DeleteValue(Ident);
}

FW_IMPLEMENT_CLASS(TRegIniFile)

std::string ReadEngineSetting(const std::string& Name) {
  try {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    return reg.OpenKeyReadOnly("Software\\Tarvos\\Database Engine") ? reg.ReadString(Name) : std::string();
  } catch (const ERegistryException&) {
    return {};
  }
}

}  // namespace fw

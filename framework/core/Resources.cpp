#include "Resources.h"

#include <map>
#include <mutex>

#include "Exceptions.h"

namespace fw {

namespace {

std::string Key(std::string_view name) {
  std::string k(name);
  for (char& c : k) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c == '\\') c = '/';
  }
  return k;
}

struct Table {
  std::mutex lock;
  std::map<std::string, TResourceData> entries;
};

Table& TheTable() {
  static Table t;
  return t;
}

}  // namespace

void RegisterResource(const char* name, const unsigned char* data, std::size_t size) {
  Table& t = TheTable();
  std::lock_guard g(t.lock);
  t.entries[Key(name)] = TResourceData{data, size};
}

TResourceData FindResourceData(std::string_view name) {
  Table& t = TheTable();
  std::lock_guard g(t.lock);
  auto it = t.entries.find(Key(name));
  return it == t.entries.end() ? TResourceData{} : it->second;
}

std::string ResourceText(std::string_view name) {
  TResourceData d = FindResourceData(name);
  if (!d.Data) throw EResNotFound("Resource " + std::string(name) + " not found");
  return std::string(reinterpret_cast<const char*>(d.Data), d.Size);
}

namespace {

struct StringTable {
  std::mutex lock;
  std::map<int, const char*> entries;
};

StringTable& TheStrings() {
  static StringTable t;
  return t;
}

}  // namespace

void RegisterString(int Ident, const char* Text) {
  StringTable& t = TheStrings();
  std::lock_guard g(t.lock);
  t.entries[Ident] = Text;
}

std::string LoadStr(int Ident) {
  StringTable& t = TheStrings();
  std::lock_guard g(t.lock);
  auto it = t.entries.find(Ident);
  return it == t.entries.end() ? std::string() : std::string(it->second);
}

}  // namespace fw

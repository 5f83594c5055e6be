#include "Object.h"

#include <map>
#include <mutex>

#include "Exceptions.h"

namespace fw {

namespace {

// Identifiers (class, property, enumeration names) are ASCII; compared as the
// framework compares them, without regard to case.
char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool SameIdent(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::string FoldKey(std::string_view s) {
  std::string k(s);
  for (char& c : k) c = Fold(c);
  return k;
}

struct Registry {
  std::mutex lock;
  std::map<std::string, TClass> classes;  // by folded name
  std::vector<TClass> order;
  std::map<std::string, std::vector<std::pair<std::string, std::int64_t>>> consts;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

}  // namespace

// ---------------------------------------------------------------- TObject

TClass TObject::StaticClass() {
  static const TClassInfo info = [] {
    TClassInfo i;
    i.Name = "TObject";
    return i;
  }();
  return &info;
}

const std::string& TObject::ClassName() const { return ClassType()->Name; }
TClass TObject::ClassParent() const { return ClassType()->Parent; }
bool TObject::InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }
bool TObject::InheritsFrom(std::string_view className) const { return ClassType()->InheritsFrom(className); }
bool TObject::ClassNameIs(std::string_view name) const { return SameIdent(ClassName(), name); }

bool TClassInfo::InheritsFrom(TClass c) const {
  for (TClass k = this; k; k = k->Parent)
    if (k == c) return true;
  return false;
}

bool TClassInfo::InheritsFrom(std::string_view name) const {
  for (TClass k = this; k; k = k->Parent)
    if (SameIdent(k->Name, name)) return true;
  return false;
}

// ---------------------------------------------------------------- enumerations

int TEnumInfo::ValueOf(std::string_view name) const {
  for (std::size_t i = 0; i < Names.size(); ++i)
    if (SameIdent(Names[i], name)) return static_cast<int>(i);
  return -1;
}

const std::string& TEnumInfo::NameOf(int value) const {
  static const std::string none;
  if (value < 0 || static_cast<std::size_t>(value) >= Names.size()) return none;
  return Names[static_cast<std::size_t>(value)];
}

TEnumInfo MakeEnumInfo(const char* typeName, const char* names) {
  TEnumInfo info;
  info.TypeName = typeName;
  std::string cur;
  auto flush = [&] {
    // "name = value" is not supported: values count from 0 as declared
    if (!cur.empty()) info.Names.push_back(cur);
    cur.clear();
  };
  for (const char* p = names; *p; ++p) {
    if (*p == ',') flush();
    else if (*p != ' ' && *p != '\t' && *p != '\n') cur += *p;
  }
  flush();
  return info;
}

const TEnumInfo* BooleanEnumInfo() {
  static const TEnumInfo info{"Boolean", {"False", "True"}};
  return &info;
}

void RegisterIntegerConsts(const std::string& typeName,
                           std::vector<std::pair<std::string, std::int64_t>> map) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  auto& v = r.consts[FoldKey(typeName)];
  v.insert(v.end(), map.begin(), map.end());
}

std::optional<std::int64_t> IdentToInt(std::string_view typeName, std::string_view ident) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  auto it = r.consts.find(FoldKey(typeName));
  if (it == r.consts.end()) return std::nullopt;
  for (auto& [n, v] : it->second)
    if (SameIdent(n, ident)) return v;
  return std::nullopt;
}

std::optional<std::string> IntToIdent(std::string_view typeName, std::int64_t value) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  auto it = r.consts.find(FoldKey(typeName));
  if (it == r.consts.end()) return std::nullopt;
  for (auto& [n, v] : it->second)
    if (v == value) return n;
  return std::nullopt;
}

// ---------------------------------------------------------------- class registry

bool RegisterClassInfo(TClass c) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  auto [it, inserted] = r.classes.emplace(FoldKey(c->Name), c);
  if (inserted) r.order.push_back(c);
  return inserted;
}

TClass GetClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  auto it = r.classes.find(FoldKey(name));
  return it == r.classes.end() ? nullptr : it->second;
}

TClass FindClass(std::string_view name) {
  TClass c = GetClass(name);
  if (!c) throw EClassNotFound("Class " + std::string(name) + " not found");
  return c;
}

std::vector<TClass> RegisteredClasses() {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  return r.order;
}

// ---------------------------------------------------------------- property access

const TPropInfo* GetPropInfo(TClass c, std::string_view name) {
  // A class that publishes a property again hides its ancestor's.
  for (TClass k = c; k; k = k->Parent)
    for (auto& p : k->Props)
      if (SameIdent(p->Name, name)) return p.get();
  return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name) {
  return obj ? GetPropInfo(obj->ClassType(), name) : nullptr;
}

bool IsPublishedProp(const TObject* obj, std::string_view name) { return GetPropInfo(obj, name) != nullptr; }

std::vector<const TPropInfo*> GetPropList(TClass c) {
  std::vector<TClass> chain;
  for (TClass k = c; k; k = k->Parent) chain.push_back(k);
  std::vector<const TPropInfo*> out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (auto& p : (*it)->Props) {
      bool hidden = false;
      for (auto& q : out)
        if (SameIdent(q->Name, p->Name)) {
          q = p.get();  // republished: keep the place, take the descendant's record
          hidden = true;
        }
      if (!hidden) out.push_back(p.get());
    }
  return out;
}

namespace detail {
void ThrowMethodMismatch(const std::string& prop) {
  throw EPropertyError("Handler for " + prop + " has the wrong parameters");
}
void ThrowReadOnly(const std::string& prop) { throw EPropertyError("Property " + prop + " is read-only"); }
}  // namespace detail

namespace {

[[noreturn]] void WrongKind(const TPropInfo* p) {
  throw EPropertyError("Invalid property type: " + p->Name + " is of type " + p->TypeName);
}

const TPropInfo* Need(const TObject* obj, std::string_view name) {
  const TPropInfo* p = GetPropInfo(obj, name);
  if (!p)
    throw EPropertyError("Property " + std::string(name) + " does not exist" +
                         (obj ? " on " + obj->ClassName() : std::string()));
  return p;
}

}  // namespace

std::int64_t GetOrdProp(const TObject* obj, const TPropInfo* p) {
  if (!p->GetOrd) WrongKind(p);
  return p->GetOrd(obj);
}

void SetOrdProp(TObject* obj, const TPropInfo* p, std::int64_t v) {
  if (!p->GetOrd) WrongKind(p);
  if (!p->SetOrd) detail::ThrowReadOnly(p->Name);
  p->SetOrd(obj, v);
}

double GetFloatProp(const TObject* obj, const TPropInfo* p) {
  if (p->GetFloat) return p->GetFloat(obj);
  if (p->Kind == tkInteger || p->Kind == tkInt64) return static_cast<double>(p->GetOrd(obj));
  WrongKind(p);
}

void SetFloatProp(TObject* obj, const TPropInfo* p, double v) {
  if (!p->GetFloat) WrongKind(p);
  if (!p->SetFloat) detail::ThrowReadOnly(p->Name);
  p->SetFloat(obj, v);
}

std::string GetStrProp(const TObject* obj, const TPropInfo* p) {
  if (!p->GetStr) WrongKind(p);
  return p->GetStr(obj);
}

void SetStrProp(TObject* obj, const TPropInfo* p, const std::string& v) {
  if (!p->GetStr) WrongKind(p);
  if (!p->SetStr) detail::ThrowReadOnly(p->Name);
  p->SetStr(obj, v);
}

TObject* GetObjectProp(const TObject* obj, const TPropInfo* p) {
  if (!p->GetObj) WrongKind(p);
  return p->GetObj(obj);
}

void SetObjectProp(TObject* obj, const TPropInfo* p, TObject* v) {
  if (!p->GetObj) WrongKind(p);
  if (!p->SetObj) detail::ThrowReadOnly(p->Name);
  if (v && p->PropClass() && !v->InheritsFrom(p->PropClass()))
    throw EPropertyError("Invalid property value: " + p->Name + " takes a " + p->PropClass()->Name +
                         ", not a " + v->ClassName());
  p->SetObj(obj, v);
}

std::any GetMethodProp(const TObject* obj, const TPropInfo* p) {
  if (!p->GetMethod) WrongKind(p);
  return p->GetMethod(obj);
}

void SetMethodProp(TObject* obj, const TPropInfo* p, const std::any& v) {
  if (!p->GetMethod) WrongKind(p);
  if (!p->SetMethod) detail::ThrowReadOnly(p->Name);
  p->SetMethod(obj, v);
}

std::string GetEnumProp(const TObject* obj, const TPropInfo* p) {
  if (p->Kind != tkEnumeration) WrongKind(p);
  return p->EnumType->NameOf(static_cast<int>(p->GetOrd(obj)));
}

void SetEnumProp(TObject* obj, const TPropInfo* p, std::string_view valueName) {
  if (p->Kind != tkEnumeration) WrongKind(p);
  int v = p->EnumType->ValueOf(valueName);
  if (v < 0) throw EPropertyError("Invalid property value: " + std::string(valueName) + " for " + p->Name);
  SetOrdProp(obj, p, v);
}

std::string GetSetProp(const TObject* obj, const TPropInfo* p) {
  if (p->Kind != tkSet) WrongKind(p);
  auto bits = static_cast<std::uint64_t>(p->GetOrd(obj));
  std::string out = "[";
  for (std::size_t i = 0; i < p->EnumType->Names.size() && i < 64; ++i)
    if (bits & (std::uint64_t{1} << i)) {
      if (out.size() > 1) out += ',';
      out += p->EnumType->Names[i];
    }
  return out + "]";
}

void SetSetProp(TObject* obj, const TPropInfo* p, std::string_view text) {
  if (p->Kind != tkSet) WrongKind(p);
  std::uint64_t bits = 0;
  std::string cur;
  auto flush = [&] {
    if (cur.empty()) return;
    int v = p->EnumType->ValueOf(cur);
    if (v < 0) throw EPropertyError("Invalid property value: " + cur + " for " + p->Name);
    bits |= std::uint64_t{1} << v;
    cur.clear();
  };
  for (char ch : text) {
    if (ch == ',' || ch == '[' || ch == ']') flush();
    else if (ch != ' ') cur += ch;
  }
  flush();
  SetOrdProp(obj, p, static_cast<std::int64_t>(bits));
}

std::int64_t GetOrdProp(const TObject* obj, std::string_view name) { return GetOrdProp(obj, Need(obj, name)); }
void SetOrdProp(TObject* obj, std::string_view name, std::int64_t v) { SetOrdProp(obj, Need(obj, name), v); }
std::string GetStrProp(const TObject* obj, std::string_view name) { return GetStrProp(obj, Need(obj, name)); }
void SetStrProp(TObject* obj, std::string_view name, const std::string& v) { SetStrProp(obj, Need(obj, name), v); }
TObject* GetObjectProp(const TObject* obj, std::string_view name) { return GetObjectProp(obj, Need(obj, name)); }
void SetObjectProp(TObject* obj, std::string_view name, TObject* v) { SetObjectProp(obj, Need(obj, name), v); }

const TMethodInfo* FindMethod(TClass c, std::string_view name) {
  for (TClass k = c; k; k = k->Parent)
    for (auto& m : k->Methods)
      if (SameIdent(m.Name, name)) return &m;
  return nullptr;
}

const TFieldInfo* FindField(TClass c, std::string_view name) {
  for (TClass k = c; k; k = k->Parent)
    for (auto& f : k->Fields)
      if (SameIdent(f.Name, name)) return &f;
  return nullptr;
}

}  // namespace fw

// The object model: TObject with its class record, the class registry, and the
// published properties, fields and methods of each class (run-time type
// information). Other layers find a property by name on an object whose class
// they do not know, and the form reader sets properties and binds handlers
// through the same records.
//
// A class takes part by naming itself and its parent in its body and
// describing what it publishes in its source file:
//
//   class TButton : public TControl {
//     FW_CLASS(TButton, TControl)
//   public: ...
//   };
//
//   namespace fw {
//   FW_PUBLISH(TButton) {
//     c.Property("Caption", &TButton::Caption, &TButton::SetCaption);
//     c.Property("Default", &TButton::Default, &TButton::SetDefault).Default(false);
//     c.Event("OnClick", &TButton::OnClick);
//   }
//   }
//
// FW_PUBLISH also enters the class into the class registry, so that FindClass
// and the form reader know it from the start of the program.
#pragma once
#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "Sets.h"

namespace fw {

class TObject;
class TComponent;
class TCollection;
struct TClassInfo;
struct TPropInfo;
using TClass = const TClassInfo*;

// ---------------------------------------------------------------- TObject

class TObject {
public:
  using inherited = void;
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }

  const std::string& ClassName() const;
  TClass ClassParent() const;
  bool InheritsFrom(TClass c) const;
  // By name, without regard to case: also matches classes known only by name.
  bool InheritsFrom(std::string_view className) const;
  bool ClassNameIs(std::string_view name) const;
};

#define FW_CLASS(Self, Parent)                                          \
public:                                                                 \
  using inherited = Parent;                                             \
  static ::fw::TClass StaticClass();                                    \
  ::fw::TClass ClassType() const override { return Self::StaticClass(); }

// ---------------------------------------------------------------- enumerations

// Names of an enumeration's values, by ordinal from 0.
struct TEnumInfo {
  std::string TypeName;
  std::vector<std::string> Names;

  // -1 when the name is not one of the values (compared without regard to case)
  int ValueOf(std::string_view name) const;
  const std::string& NameOf(int value) const;  // "" when out of range
};

TEnumInfo MakeEnumInfo(const char* typeName, const char* commaSeparatedNames);

// Declares an unscoped enumeration whose value names the object model knows:
//   FW_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)
// The names are found through FwEnumInfo by argument-dependent look-up, so
// the macro works in any namespace.
#define FW_ENUM(Name, ...)                                                  \
  enum Name : int { __VA_ARGS__ };                                          \
  inline const ::fw::TEnumInfo* FwEnumInfo(Name) {                          \
    static const ::fw::TEnumInfo info = ::fw::MakeEnumInfo(#Name, #__VA_ARGS__); \
    return &info;                                                           \
  }

const TEnumInfo* BooleanEnumInfo();  // False, True

// Identifier names of integer types (colours, cursors): "clWindow" for a
// property of type "TColor". Registered by the layer that owns the type.
void RegisterIntegerConsts(const std::string& typeName,
                           std::vector<std::pair<std::string, std::int64_t>> map);
std::optional<std::int64_t> IdentToInt(std::string_view typeName, std::string_view ident);
std::optional<std::string> IntToIdent(std::string_view typeName, std::int64_t value);

// ---------------------------------------------------------------- type information

enum TTypeKind {
  tkUnknown,
  tkInteger,
  tkInt64,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
};

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkUnknown;
  std::string TypeName;                  // "Integer", "Boolean", "TAlign", "string", ...
  const TEnumInfo* EnumType = nullptr;   // the enumeration, or a set's element type
  TClass (*PropClassOf)() = nullptr;     // the declared class of a class property
  std::optional<std::int64_t> DefaultValue;  // ordinal default for streaming
  // The values a form file may give an integer property: its type's range,
  // or narrower where larger values make no sense (positions, sizes).
  std::optional<std::pair<std::int64_t, std::int64_t>> ValueRange;
  bool IsStored = true;
  bool HasSetter = false;

  std::function<std::int64_t(const TObject*)> GetOrd;  // integer, char, enumeration, set
  std::function<void(TObject*, std::int64_t)> SetOrd;
  std::function<double(const TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<std::string(const TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<TObject*(const TObject*)> GetObj;
  std::function<void(TObject*, TObject*)> SetObj;
  std::function<std::any(const TObject*)> GetMethod;   // holds a std::function
  std::function<void(TObject*, const std::any&)> SetMethod;  // raises EPropertyError on a mismatch

  // Settings made while publishing: c.Property(...).Default(0).TypeName("TColor")
  TClass PropClass() const { return PropClassOf ? PropClassOf() : nullptr; }

  TPropInfo& Default(std::int64_t v) {
    DefaultValue = v;
    return *this;
  }
  TPropInfo& Stored(bool s) {
    IsStored = s;
    return *this;
  }
  TPropInfo& SetTypeName(std::string n) {
    TypeName = std::move(n);
    return *this;
  }
  TPropInfo& Range(std::int64_t lo, std::int64_t hi) {
    ValueRange = {lo, hi};
    return *this;
  }
};

// A published method: bound to an instance it gives a std::function of the
// method's own signature, wrapped in std::any.
struct TMethodInfo {
  std::string Name;
  std::function<std::any(TObject*)> Bind;
};

// A published field: a pointer member that the form reader sets to the
// component of the same name.
struct TFieldInfo {
  std::string Name;
  TClass (*FieldClassOf)() = nullptr;
  TClass FieldClass() const { return FieldClassOf ? FieldClassOf() : nullptr; }
  std::function<void(TObject* self, TObject* value)> Set;  // value is of FieldClass
  std::function<TObject*(const TObject* self)> Get;
};

struct TClassInfo {
  std::string Name;
  TClass Parent = nullptr;
  // Creates an instance with an owner; set for components.
  std::function<TComponent*(TComponent* owner)> CreateComponent;
  // Creates an item of a collection; set for collection items.
  std::function<TObject*(TCollection*)> CreateItem;
  // Creates an instance without arguments; set for other default-constructible classes.
  std::function<TObject*()> CreateObject;
  std::vector<std::unique_ptr<TPropInfo>> Props;  // this class's own, in publishing order
  std::vector<TMethodInfo> Methods;
  std::vector<TFieldInfo> Fields;

  bool InheritsFrom(TClass c) const;
  bool InheritsFrom(std::string_view name) const;
};

// ---------------------------------------------------------------- class registry

bool RegisterClassInfo(TClass c);          // the same name twice keeps the first
TClass GetClass(std::string_view name);    // nullptr when unknown (without regard to case)
TClass FindClass(std::string_view name);   // raises EClassNotFound
std::vector<TClass> RegisteredClasses();

// ---------------------------------------------------------------- property access

const TPropInfo* GetPropInfo(TClass c, std::string_view name);  // inherited too; nullptr when absent
const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name);
bool IsPublishedProp(const TObject* obj, std::string_view name);
std::vector<const TPropInfo*> GetPropList(TClass c);  // ancestors' first

std::int64_t GetOrdProp(const TObject* obj, const TPropInfo* p);
void SetOrdProp(TObject* obj, const TPropInfo* p, std::int64_t v);
double GetFloatProp(const TObject* obj, const TPropInfo* p);
void SetFloatProp(TObject* obj, const TPropInfo* p, double v);
std::string GetStrProp(const TObject* obj, const TPropInfo* p);
void SetStrProp(TObject* obj, const TPropInfo* p, const std::string& v);
TObject* GetObjectProp(const TObject* obj, const TPropInfo* p);
void SetObjectProp(TObject* obj, const TPropInfo* p, TObject* v);
std::any GetMethodProp(const TObject* obj, const TPropInfo* p);
void SetMethodProp(TObject* obj, const TPropInfo* p, const std::any& v);
std::string GetEnumProp(const TObject* obj, const TPropInfo* p);
void SetEnumProp(TObject* obj, const TPropInfo* p, std::string_view valueName);
std::string GetSetProp(const TObject* obj, const TPropInfo* p);  // "[a,b]"
void SetSetProp(TObject* obj, const TPropInfo* p, std::string_view text);

// By name; a missing property raises EPropertyError naming it.
std::int64_t GetOrdProp(const TObject* obj, std::string_view name);
void SetOrdProp(TObject* obj, std::string_view name, std::int64_t v);
std::string GetStrProp(const TObject* obj, std::string_view name);
void SetStrProp(TObject* obj, std::string_view name, const std::string& v);
TObject* GetObjectProp(const TObject* obj, std::string_view name);
void SetObjectProp(TObject* obj, std::string_view name, TObject* v);

// The event handler of a published event property, or an empty function when
// the property is absent, unassigned or of another signature.
template <typename Sig>
std::function<Sig> GetEventProp(const TObject* obj, std::string_view name) {
  const TPropInfo* p = GetPropInfo(obj, name);
  if (!p || p->Kind != tkMethod) return {};
  std::any a = p->GetMethod(obj);
  if (auto* f = std::any_cast<std::function<Sig>>(&a)) return *f;
  return {};
}

const TMethodInfo* FindMethod(TClass c, std::string_view name);  // inherited too
const TFieldInfo* FindField(TClass c, std::string_view name);

// A published method bound to obj, or an empty function when obj publishes no
// such method or it has another signature.
template <typename Sig>
std::function<Sig> MethodAddress(TObject* obj, std::string_view name) {
  if (!obj) return {};
  const TMethodInfo* m = FindMethod(obj->ClassType(), name);
  if (!m) return {};
  std::any a = m->Bind(obj);
  if (auto* f = std::any_cast<std::function<Sig>>(&a)) return *f;
  return {};
}

// ---------------------------------------------------------------- publishing

namespace detail {

template <typename T>
struct IsFlags : std::false_type {};
template <typename E>
struct IsFlags<TFlags<E>> : std::true_type {
  using Enum = E;
};

template <typename T>
struct IsFunction : std::false_type {};
template <typename Sig>
struct IsFunction<std::function<Sig>> : std::true_type {};

template <typename M>
struct MemberFn;
template <typename C, typename R, typename... A>
struct MemberFn<R (C::*)(A...)> {
  using Sig = R(A...);
};

[[noreturn]] void ThrowMethodMismatch(const std::string& prop);
[[noreturn]] void ThrowReadOnly(const std::string& prop);

// Fills the accessors of p from a getter and a setter of value type V.
template <typename T, typename V, typename Get, typename Set>
void Bind(TPropInfo& p, Get get, Set set) {
  constexpr bool hasSet = !std::is_same_v<Set, std::nullptr_t>;
  p.HasSetter = hasSet;
  auto self = [](const TObject* o) { return static_cast<const T*>(o); };
  auto mself = [](TObject* o) { return static_cast<T*>(o); };
  if constexpr (std::is_same_v<V, bool>) {
    p.Kind = tkEnumeration;
    p.TypeName = "Boolean";
    p.EnumType = BooleanEnumInfo();
    p.GetOrd = [=](const TObject* o) -> std::int64_t { return get(self(o)) ? 1 : 0; };
    if constexpr (hasSet) p.SetOrd = [=](TObject* o, std::int64_t v) { set(mself(o), v != 0); };
  } else if constexpr (std::is_same_v<V, char> || std::is_same_v<V, char32_t>) {
    p.Kind = tkChar;
    p.TypeName = "Char";
    p.GetOrd = [=](const TObject* o) -> std::int64_t { return static_cast<std::int64_t>(get(self(o))); };
    if constexpr (hasSet) p.SetOrd = [=](TObject* o, std::int64_t v) { set(mself(o), static_cast<V>(v)); };
  } else if constexpr (std::is_enum_v<V>) {
    p.Kind = tkEnumeration;
    p.EnumType = FwEnumInfo(V{});
    p.TypeName = p.EnumType->TypeName;
    p.GetOrd = [=](const TObject* o) -> std::int64_t { return static_cast<std::int64_t>(get(self(o))); };
    if constexpr (hasSet) p.SetOrd = [=](TObject* o, std::int64_t v) { set(mself(o), static_cast<V>(v)); };
  } else if constexpr (IsFlags<V>::value) {
    p.Kind = tkSet;
    p.EnumType = FwEnumInfo(typename IsFlags<V>::Enum{});
    p.TypeName = "set of " + p.EnumType->TypeName;
    p.GetOrd = [=](const TObject* o) -> std::int64_t { return static_cast<std::int64_t>(get(self(o)).ToBits()); };
    if constexpr (hasSet)
      p.SetOrd = [=](TObject* o, std::int64_t v) { set(mself(o), V::FromBits(static_cast<std::uint64_t>(v))); };
  } else if constexpr (std::is_integral_v<V>) {
    p.Kind = sizeof(V) > 4 ? tkInt64 : tkInteger;
    p.TypeName = sizeof(V) > 4 ? "Int64" : "Integer";
    if constexpr (sizeof(V) <= 4)
      p.ValueRange = {static_cast<std::int64_t>(std::numeric_limits<V>::min()),
                      static_cast<std::int64_t>(std::numeric_limits<V>::max())};
    p.GetOrd = [=](const TObject* o) -> std::int64_t { return static_cast<std::int64_t>(get(self(o))); };
    if constexpr (hasSet) p.SetOrd = [=](TObject* o, std::int64_t v) { set(mself(o), static_cast<V>(v)); };
  } else if constexpr (std::is_floating_point_v<V>) {
    p.Kind = tkFloat;
    p.TypeName = "Double";
    p.GetFloat = [=](const TObject* o) -> double { return static_cast<double>(get(self(o))); };
    if constexpr (hasSet) p.SetFloat = [=](TObject* o, double v) { set(mself(o), static_cast<V>(v)); };
  } else if constexpr (std::is_same_v<V, std::string>) {
    p.Kind = tkString;
    p.TypeName = "string";
    p.GetStr = [=](const TObject* o) -> std::string { return get(self(o)); };
    if constexpr (hasSet) p.SetStr = [=](TObject* o, const std::string& v) { set(mself(o), v); };
  } else if constexpr (std::is_pointer_v<V> && std::is_base_of_v<TObject, std::remove_pointer_t<V>>) {
    using C = std::remove_cv_t<std::remove_pointer_t<V>>;
    p.Kind = tkClass;
    p.PropClassOf = &C::StaticClass;  // resolved late: classes may refer to each other
    p.GetObj = [=](const TObject* o) -> TObject* { return const_cast<C*>(get(self(o))); };
    if constexpr (hasSet)
      p.SetObj = [=](TObject* o, TObject* v) { set(mself(o), static_cast<C*>(v)); };
  } else if constexpr (IsFunction<V>::value) {
    p.Kind = tkMethod;
    p.TypeName = "event";
    p.GetMethod = [=](const TObject* o) -> std::any {
      V f = get(self(o));
      if (!f) return {};
      return std::any(std::move(f));
    };
    if constexpr (hasSet) {
      std::string name = p.Name;
      p.SetMethod = [=](TObject* o, const std::any& a) {
        if (!a.has_value()) return set(mself(o), V{});
        const V* f = std::any_cast<V>(&a);
        if (!f) ThrowMethodMismatch(name);
        set(mself(o), *f);
      };
    }
  } else {
    static_assert(sizeof(V) == 0, "this value type cannot be published");
  }
}

}  // namespace detail

template <typename T>
class TClassBuilder {
public:
  explicit TClassBuilder(TClassInfo& info) : info_(info) {}

  // A property read and written through methods; a null setter makes it read-only.
  // Class properties take and give pointers; events are std::function values.
  template <typename Getter, typename Setter = std::nullptr_t>
  TPropInfo& Property(const char* name, Getter getter, Setter setter = nullptr) {
    using V = std::decay_t<std::invoke_result_t<Getter, const T&>>;
    auto get = [getter](const T* o) -> V { return std::invoke(getter, *o); };
    auto& p = Add(name);
    if constexpr (std::is_same_v<Setter, std::nullptr_t>) {
      detail::Bind<T, V>(p, get, nullptr);
    } else {
      auto set = [setter](T* o, V v) { std::invoke(setter, *o, std::move(v)); };
      detail::Bind<T, V>(p, get, set);
    }
    return p;
  }

  // A property that is a data member of the class.
  template <typename V>
  TPropInfo& Member(const char* name, V T::*member) {
    auto& p = Add(name);
    detail::Bind<T, V>(
        p, [member](const T* o) -> V { return o->*member; },
        [member](T* o, V v) { o->*member = std::move(v); });
    return p;
  }

  // An event: a public std::function member.
  template <typename Sig>
  TPropInfo& Event(const char* name, std::function<Sig> T::*member) {
    return Member(name, member);
  }

  // A published method that form files bind to events and callers look up by name.
  template <typename M>
  void Method(const char* name, M method) {
    using Sig = typename detail::MemberFn<M>::Sig;
    info_.Methods.push_back(TMethodInfo{name, [method](TObject* o) -> std::any {
                                          T* self = static_cast<T*>(o);
                                          return std::function<Sig>(
                                              [self, method](auto&&... a) -> decltype(auto) {
                                                return (self->*method)(std::forward<decltype(a)>(a)...);
                                              });
                                        }});
  }

  // A published field: a pointer to a component that the form reader fills in.
  template <typename C>
  void Field(const char* name, C* T::*member) {
    info_.Fields.push_back(TFieldInfo{
        name, &C::StaticClass,
        [member](TObject* o, TObject* v) { static_cast<T*>(o)->*member = static_cast<C*>(v); },
        [member](const TObject* o) -> TObject* { return static_cast<const T*>(o)->*member; }});
  }

  // Builds the class record; used by FW_PUBLISH.
  static TClassInfo Make(const char* name, void (*publish)(TClassBuilder&)) {
    TClassInfo info;
    info.Name = name;
    if constexpr (!std::is_void_v<typename T::inherited>) info.Parent = T::inherited::StaticClass();
    if constexpr (!std::is_abstract_v<T>) {
      if constexpr (std::is_constructible_v<T, TComponent*>) {
        info.CreateComponent = [](TComponent* owner) -> TComponent* { return new T(owner); };
      } else if constexpr (std::is_constructible_v<T, TCollection*>) {
        info.CreateItem = [](TCollection* c) -> TObject* { return new T(c); };
      } else if constexpr (std::is_default_constructible_v<T>) {
        info.CreateObject = []() -> TObject* { return new T(); };
      }
    }
    TClassBuilder b(info);
    if (publish) publish(b);
    return info;
  }

private:
  TPropInfo& Add(const char* name) {
    info_.Props.push_back(std::make_unique<TPropInfo>());
    info_.Props.back()->Name = name;
    return *info_.Props.back();
  }
  TClassInfo& info_;
};

// Defines Self::StaticClass() and registers the class; the block that follows
// publishes its properties through the builder `c`. Use it inside the class's
// namespace, with the plain class name.
#define FW_PUBLISH(Self)                                                                 \
  static void fwPublish_##Self(::fw::TClassBuilder<Self>& c);                           \
  ::fw::TClass Self::StaticClass() {                                                     \
    static const ::fw::TClassInfo info = ::fw::TClassBuilder<Self>::Make(#Self, &fwPublish_##Self); \
    return &info;                                                                        \
  }                                                                                      \
  [[maybe_unused]] static const bool fwRegistered_##Self = ::fw::RegisterClassInfo(Self::StaticClass()); \
  static void fwPublish_##Self([[maybe_unused]] ::fw::TClassBuilder<Self>& c)

// A class that publishes nothing of its own.
#define FW_IMPLEMENT_CLASS(Self) \
  FW_PUBLISH(Self) {}

}  // namespace fw

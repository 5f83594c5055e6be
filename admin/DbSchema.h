// Schema objects: a root (TERoot) that describes, through object
// definitions and descriptors of the kinds of objects below a node, which
// sets of schema objects (tables, indexes, columns ...) hang below it; the
// sets fill themselves from datasets that the root opens, their objects bind
// their properties to the dataset's fields, refer to each other, and render
// their texts from templates with backquoted macros.
//
// The database object derives its root from TERoot and supplies the
// descriptors, definitions and queries; nothing here reads the
// property-definition text for them.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DbExplif.h"

namespace fw {
class TDataSet;
class TField;
}  // namespace fw

namespace dbx {

class TERoot;
class TEObject;
class TEObjectDef;
class TEObjectRef;
class TEObjectRefs;
class TEObjectSet;
class TEProp;
class TExpander;

// ---------------------------------------------------------------- descriptors

// Kinds of descriptors.
enum : int {
  rkNone = 0,
  rkOwned = 1,      // 1 to 3: child sets that follow their object's edit state
  rkOwnedLines = 3,  // ... whose texts are joined with line feeds
  rkReference = 4,   // 4 and 5: sets of references to objects elsewhere
  rkRefOnly = 5,     // a reference that shows no set of its own
};

// One kind of object below a node.
class TEObjectRef : public fw::TObject {
  FW_CLASS(TEObjectRef, fw::TObject)
public:
  TEObjectRef(TEObjectRefs* list, const std::string& displayName, std::string defName, int cardA, int kind, int cardB,
              std::uint16_t mask);

  TEObjectRefs* List() const { return list_; }
  // The definition, looked up by its name on first use.
  TEObjectDef* Definition();
  const std::string& DisplayName() const { return displayName_; }
  const std::string& DefName() const { return defName_; }
  // Cardinality A: 0 none needed, 1 at least one. B: 0 any number, 1 at
  // most one.
  int CardA() const { return cardA_; }
  int Kind() const { return kind_; }
  int CardB() const { return cardB_; }
  std::uint16_t Mask() const { return mask_; }
  bool IsReference() const { return kind_ == rkReference || kind_ == rkRefOnly; }
  bool Optional() const { return cardA_ == 0; }

  // For a reference: the set below the nearest ancestor of from that holds
  // the objects referred to (the set of the definition that is no
  // reference); for any other kind, the set of this kind below from.
  TEObjectSet* TargetSet(TExploreObject* from);
  // The object of that name in the target set. A set filled more than a
  // second ago is filled again once before the object counts as missing;
  // then none for an optional kind, else an error.
  TEObject* FindTarget(TExploreObject* from, const std::string& name);

private:
  TEObjectRefs* list_;
  TEObjectDef* definition_ = nullptr;
  std::string displayName_;
  std::string defName_;
  std::uint8_t cardA_;
  std::uint8_t kind_;
  std::uint8_t cardB_;
  std::uint16_t mask_;
};

// The descriptors below a node: the root's own, or those of a definition's
// objects. Filled on first use by the root's LoadObjectRefs.
class TEObjectRefs : public fw::TObject {
  FW_CLASS(TEObjectRefs, fw::TObject)
public:
  TEObjectRefs(TERoot* root, TEObjectDef* definition) : root_(root), definition_(definition) {}
  TEObjectRefs(const TEObjectRefs&) = delete;
  TEObjectRefs& operator=(const TEObjectRefs&) = delete;

  TERoot* Root() const { return root_; }
  // None for the root's own.
  TEObjectDef* Definition() const { return definition_; }
  std::uint32_t Word = 0;  // the loader's

  bool Loaded() const { return loaded_; }
  void Load();
  void Clear();
  int Count();
  TEObjectRef* Item(int index);
  TEObjectRef* Add(const std::string& displayName, const std::string& defName, int cardA, int kind, int cardB,
                   std::uint16_t mask);
  // By display name, or by definition name.
  TEObjectRef* Find(std::string_view name);

private:
  TERoot* root_;
  TEObjectDef* definition_;
  bool loaded_ = false;
  std::vector<std::unique_ptr<TEObjectRef>> items_;
};

// ---------------------------------------------------------------- definitions

// The definition of a property of schema objects: the class to make and the
// hooks that run when a value is read from a field or written.
using TPropHook = std::function<void(TEProp& property, std::uint32_t data)>;

class TEPropDef : public TEPropertyDef {
  FW_CLASS(TEPropDef, TEPropertyDef)
public:
  using TEPropertyDef::TEPropertyDef;

  TEPropertyClass PropClass;
  TPropHook ReadHook;
  TPropHook WriteHook;
  std::uint32_t ReadData = 0;
  std::uint32_t WriteData = 0;
  // The field read: by position when 0 or more, else by name.
  int FieldIndex = -1;
  // For a reference: the descriptor whose target set holds what it refers to.
  TEObjectRef* RefTarget = nullptr;

  void Assign(TEPropertyDef& definition) override;
};

// The definition of one kind of schema object: its properties (the key
// parts among them), the class of its objects and the descriptors of the
// sets below them.
class TEObjectDef : public TEPropertyDefs {
  FW_CLASS(TEObjectDef, TEPropertyDefs)
public:
  TEObjectDef(TERoot* root, std::string name, int kind);
  ~TEObjectDef() override;

  TERoot* Root() const { return root_; }
  const std::string& Name() const { return name_; }
  int Kind() const { return kind_; }
  TEPropDef* AddProp(const std::string& name, const std::string& caption, int level, int typeCode,
                     TEPropertyClass cls);
  // Indexes of the key parts among the definitions, in name order.
  std::vector<int> KeyParts;
  // The class of the objects; TEObject when none is given.
  TExploreClass ObjectClass;
  // For references: the definition of the objects referred to; none: this one.
  std::string TargetDef;
  // The set's name comparison and its sort; none: the list's own.
  TExploreList::TNameCompare Compare;
  TExploreList::TSortEvent Sort;
  // Runs when an object has read its row.
  std::function<void(TEObject& object, fw::TDataSet& dataset)> ReadHook;
  // Copies an object's own content into a copy; none: the text, else the
  // property values.
  std::function<void(TEObject& source, TEObject& copy)> CopyStep;

  // The descriptors of the sets below the objects.
  TEObjectRefs& Refs() { return *refs_; }
  bool HasDescriptors() { return refs_->Count() > 0; }
  // The name's key parts: cut at ".".
  virtual std::vector<std::string> SplitName(const std::string& name);
  TEObject* MakeObject(TExploreObject* parent);

private:
  TERoot* root_;
  std::string name_;
  int kind_;
  std::unique_ptr<TEObjectRefs> refs_;
};

// The definitions of a root, by exact name; a missing one is asked from
// the root, which may make it.
class TEObjectDefs : public fw::TObject {
  FW_CLASS(TEObjectDefs, fw::TObject)
public:
  explicit TEObjectDefs(TERoot* root) : root_(root) {}
  TEObjectDefs(const TEObjectDefs&) = delete;
  TEObjectDefs& operator=(const TEObjectDefs&) = delete;

  TERoot* Root() const { return root_; }
  TEObjectDef* Find(std::string_view name);
  TEObjectDef* Add(std::unique_ptr<TEObjectDef> definition);
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }

private:
  TERoot* root_;
  std::vector<std::unique_ptr<TEObjectDef>> items_;
};

// ---------------------------------------------------------------- nodes

// Every schema node: it knows its root, keeps its text until told that the
// text is stale, and reads the extra steps of paths.
class TEObjects : public TExploreObject {
  FW_CLASS(TEObjects, TExploreObject)
public:
  TERoot* Root() const { return root_; }
  void InvalidateText();
  // " " this object, "<" the parent (past a set), ">" the objects a
  // descriptor reaches from here (its display name in double quotes, or its
  // definition name), "^" the root.
  TExploreObject* FindChild(TScanner& scanner) override;
  std::string ExpandTemplate(const std::string& text) override;

protected:
  TEObjects() = default;
  void Init(TExploreObject* parent) override;
  // The descriptors of the sets below this node.
  virtual TEObjectRefs* ChildRefs() { return nullptr; }
  void MakeSets();

  bool textStale_ = true;
  std::string text_;

private:
  friend class TERoot;
  TERoot* root_ = nullptr;
};

// A root of schema objects (the database object derives from it).
class TERoot : public TEObjects {
  FW_CLASS(TERoot, TEObjects)
public:
  TERoot();
  ~TERoot() override;

  TEObjectDefs& Definitions() { return *defs_; }
  TEObjectRefs& Refs() { return *refs_; }
  bool ShowSystemData() const { return showSystemData_; }
  bool EditsEnabled() const { return editsEnabled_; }

  virtual void LoadObjectRefs(TEObjectRefs& refs);
  virtual TEObjectDef* CreateObjectDef(const std::string& name);
  // A dataset of the set's rows, open.
  virtual std::unique_ptr<fw::TDataSet> OpenObjectQuery(TEObjectSet& set);
  virtual std::string FormatValue(int typeCode, const fw::Variant& value);
  virtual std::string Separator(int kind);
  virtual bool ObjectExists(TEObject& object);
  virtual bool CanNumber(TEObjectSet* set, TEObject* object);
  // Writes 1-based positions into the key of a numbered set's objects, the
  // given one last, and sorts the set again.
  virtual void Renumber(TEObjectSet* set, TEObject* object);

  void LoadChildren() override;
  TExploreObject* DoRefresh() override;

protected:
  void Init(TExploreObject* parent) override;
  void BeforeDestroy() override;
  TEObjectRefs* ChildRefs() override { return refs_.get(); }

private:
  void CopyFlags();

  std::unique_ptr<TEObjectDefs> defs_;
  std::unique_ptr<TEObjectRefs> refs_;
  bool showSystemData_ = false;
  bool editsEnabled_ = false;
};

// The objects of one kind below a node.
class TEObjectSet : public TEObjects {
  FW_CLASS(TEObjectSet, TEObjects)
public:
  explicit TEObjectSet(TEObjectRef* ref) : ref_(ref) {}

  TEObjectRef* Ref() const { return ref_; }
  TEObjectDef* Definition() const { return ref_->Definition(); }
  // The clock (milliseconds) of the last fill.
  std::uint32_t FillTime() const { return fillTime_; }

  std::uint8_t AllowedChildKinds(TExploreObject* source) override;
  void DoCreateChild(TExploreObject*& result, TExploreObject* source, int kind) override;
  void DoCreate(TExploreObject*& result, const std::string& parameter) override;
  void LoadChildren() override;
  TExploreObject* DoRefresh() override;
  void Validate(fw::TStrings* errors) override;
  std::string GetTextAt(int index) override;
  // A copy of source in this set, with a name of its own and copies of its
  // sets' objects.
  TEObject* CopyObject(TEObject* source);

protected:
  void Init(TExploreObject* parent) override;

private:
  TEObjectRef* ref_;
  std::uint32_t fillTime_ = 0;
};

// A schema object: a row of its set's dataset.
class TEObject : public TEObjects {
  FW_CLASS(TEObject, TEObjects)
public:
  explicit TEObject(TEObjectDef* definition = nullptr) : def_(definition) {}

  TEObjectDef* Definition() const { return def_; }
  void SetDefinition(TEObjectDef* definition) { def_ = definition; }
  TEObjectSet* Set() const;

  int GetKind() override;
  std::string GetTypeName() override;
  std::string GetPath() override;
  void LoadProperties() override;
  void LoadChildren() override;
  void LinkNotification(TExploreObject* object, bool isChild, bool added, bool isTarget) override;
  TExploreObject* DoRefresh() override;
  void DoApply() override;
  TDbXErrorPtr ValidateName(const std::string& name) override;
  void PropertyChanged(TEProperty* property) override;
  std::string GetTextAt(int index) override;

  // Reads the row the dataset stands on into the properties and the name.
  void ReadFields(fw::TDataSet& dataset);
  // The name from the key parts' texts.
  std::string KeyName();
  // The key parts from the name.
  void SetKeyFromName();
  void DoRename(const std::string& name) override;
  // Whether the object is in the database; asked of the root once, while
  // the object is unchanged.
  bool Exists();
  // The text before the first change (index 0).
  const std::string& OriginalText() const { return originalText_; }

protected:
  void Init(TExploreObject* parent) override;
  TEObjectRefs* ChildRefs() override;

private:
  // The property of a definition's index, the list filled first.
  TEProperty* KeyPart(int index);

  TEObjectDef* def_;
  std::string originalText_;
  bool textCaptured_ = false;
  std::optional<bool> exists_;
};

// An object that stands for another: its name comes from the path it
// refers to.
class TERefObject : public TEObject {
  FW_CLASS(TERefObject, TEObject)
public:
  using TEObject::TEObject;
  const std::string& RefPath() const { return refPath_; }
  void SetRefPath(const std::string& path);

private:
  std::string refPath_;
};

// The names of a path's steps joined with "."; "Internal error: Cannot find
// name in path " for a step that is none.
std::string NameFromPath(const std::string& path);

// ---------------------------------------------------------------- properties

class TEProp : public TEProperty {
  FW_CLASS(TEProp, TEProperty)
public:
  TEPropDef* PropDef() const { return propDef_; }
  void SetPropDef(TEPropDef* definition) { propDef_ = definition; }
  void AssignValue(const fw::Variant& value) override;

private:
  TEPropDef* propDef_ = nullptr;
};

// A property read from a dataset's field.
class TEFieldProp : public TEProp {
  FW_CLASS(TEFieldProp, TEProp)
public:
  void ReadField(fw::TField& field);
};

// A reference to another schema object, kept as its handle.
class TERefProp : public TEProp {
  FW_CLASS(TERefProp, TEProp)
public:
  TExploreObject* Referred() const;
  // Links the owner to the object (none: to nothing).
  void SetReferred(TExploreObject* object);
  std::string GetText(int kind) override;
  void SetTextVia(int kind, const std::string& text) override;
  void StoreValue(const fw::Variant& value) override;
  void Edit() override;
};

// ---------------------------------------------------------------- templates

// The root's macro methods, found by name from templates: a class's own
// first, then its ancestors'.
using TMacroMethod = std::function<std::string(TExpander& expander, TEObjects& object)>;
void RegisterMacroMethod(fw::TClass cls, const std::string& name, TMacroMethod method);
void RegisterPropHook(fw::TClass cls, const std::string& name, TPropHook hook);
TPropHook FindPropHook(fw::TClass cls, const std::string& name);

class TExpander {
public:
  explicit TExpander(TEObjects& object) : object_(&object) {}

  // The template with each backquoted part expanded.
  std::string ExpandText(const std::string& text);
  // A template's inner text, for an object.
  std::string ExpandMacro(TEObjects& object, const std::string& text);
  // An identifier of the macro text being read (macro methods read their
  // arguments with it).
  std::string ReadIdentifier();
  // ExpandText for a template that the root gives: counts the depth, so that
  // a template that reaches itself ends.
  std::string ExpandNested(TEObjects& object, const std::string& text);

private:
  TEObjects* object_;
  TScanner* scanner_ = nullptr;
  int depth_ = 0;
};

// The unit's start: the root's macro methods.
void InitDbSchema();
void DoneDbSchema();

}  // namespace dbx

// The explorer object model: every node of the administrator's trees is a
// TExploreObject. It knows what it supports (operation bits) and what is
// enabled right now, carries pending edits (edit states) that spread to its
// parent, validates itself, and tells one listener, the main window, of every
// change through numbered events. Beside it: its properties with their
// definitions, editors and value lists, and the actions that objects offer.
//
// Lifetime: an object is counted by its locks and frees itself when it is
// released below zero; nobody deletes one. Objects are made with
// TExploreObject::Create<T>(parent), which runs the class's Init once the
// object is whole (virtual calls reach the subclass there), and a subclass's
// clean-up that needs virtual calls goes into BeforeDestroy, not its
// destructor.
#pragma once
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DbXUtils.h"
#include "Object.h"
#include "Sets.h"
#include "Strings.h"
#include "Variant.h"

namespace fw {
class TTreeNode;
}

namespace dbx {

class TExploreObject;
class TExploreList;
class TEPropertyDefs;
class TEProperties;
class TEPropertyDef;
class TEProperty;
class TEPropertyEditor;
class TEActions;

// ---------------------------------------------------------------- operations

// Bit n stands for the n-th letter of kOperationLetters.
enum : std::uint16_t {
  opData = 0x002,      // A: show data
  opText = 0x004,      // T: has a text
  opOpen = 0x008,      // O: can be opened and closed
  opRefresh = 0x010,   // F
  opEditText = 0x020,  // E: text editable; follows M
  opNew = 0x040,       // N: new child
  opDelete = 0x080,    // D
  opModify = 0x100,    // M: edit properties
  opRename = 0x200,    // R
  opApply = 0x400,     // S: apply (save)
  opCancel = 0x800,    // C
};
inline constexpr std::string_view kOperationLetters{"\0ATOFENDMRSC", 12};

// "+" adds the letters that follow (the initial mode), "-" removes them;
// other characters are ignored.
std::uint16_t ParseAttributeLetters(std::string_view text, std::uint16_t mask);

enum TEditState : std::uint8_t { esBrowse, esChildPending, esModified, esNew, esDeleted };
enum TValidity : std::uint8_t { vaValid, vaNeedsValidation, vaInvalid };
enum TLockState : std::uint8_t {
  lsIdle,
  lsRefreshing,
  lsLoading,
  lsEditing,
  lsConstructing,
  lsReleased,
  lsApplying,
  lsCancelling,
  lsValidating,
  lsNotifying,
};

// Whether a child or property list tells its owner of a change: not while the
// owner loads, is being made or goes.
inline bool PassesToOwner(int lockState) {
  return lockState != lsLoading && lockState != lsConstructing && lockState != lsReleased;
}

// Kind codes of GetKind.
enum TObjectKind : int {
  okNone,
  okSystem,
  okDatabase,
  okDataset,
  okPrimaryKey,
  okForeignKey,
  okUniqueConstraint,
  okIndex,
  okColumn,
  okColumnReference,
  okType,
  okExecutable,
  okExpression,
};

// ---------------------------------------------------------------- events

enum : int {
  evOperations = 0,  // enabled operations changed; argument: the previous mask
  evProperties = 1,  // 0 removed or emptied, 1 added or filled, 2 value stored, 3 attributes
  evOpening = 2,     // Open/Close about to change the state; the wanted state
  evActive = 3,      // SetActive done; the new state
  evEditState = 4,   // the new edit state
  evValidity = 5,    // the new validity
  evChildAdded = 6,  // the child, or none when the children were loaded
  evChildRemoved = 7,
  evName = 8,        // the new name
  evChildMoved = 9,  // the child moved to its sorted place
  evChanged = 10,    // NotifyChanged
  evAskSave = 11,    // handled by the listener; the model never fires it
  evDestroying = 12,
};

// The argument of an event: a number, an object or a text.
struct TExploreArg {
  TExploreArg() = default;
  TExploreArg(int number) : Number(number) {}
  TExploreArg(TExploreObject* object) : Object(object) {}
  TExploreArg(std::string text) : Text(std::move(text)) {}
  bool IsSet() const { return Number != 0 || Object != nullptr || !Text.empty(); }

  int Number = 0;
  TExploreObject* Object = nullptr;
  std::string Text;
};

using TExploreChangeEvent = std::function<void(TExploreObject* sender, int event, const TExploreArg& arg)>;

// ---------------------------------------------------------------- errors

// The list value that means "raise instead of collect".
fw::TStrings* RaiseToken();
// Nothing without an error; raises it when the list is absent or the raise
// token; else adds its message with the object attached.
void ReportOrCollectError(fw::TStrings* errors, TExploreObject* object, TDbXErrorPtr error);
// A name as a step of a path: in double quotes unless FindPath reads it
// back plain.
std::string PathStep(std::string_view name);
// "\"name\" is not a unique name" when another child of parent has the name.
TDbXErrorPtr CheckUniqueName(TExploreObject* parent, TExploreObject* object, const std::string& name);

// ---------------------------------------------------------------- class references

// A class of explore objects, for registries that create objects by class.
struct TExploreClass {
  fw::TClass Class = nullptr;
  TExploreObject* (*Create)(TExploreObject* parent) = nullptr;
  explicit operator bool() const { return Class != nullptr; }
};

template <typename T>
TExploreClass ExploreClassOf();

// ---------------------------------------------------------------- TExploreList

// The children of an object, or one of its link lists. It does not own its
// items: they live by their lock counts.
class TExploreList : public fw::TObject {
  FW_CLASS(TExploreList, fw::TObject)
public:
  using TNameCompare = std::function<int(std::string_view, std::string_view)>;
  using TSortEvent = std::function<int(TExploreObject*, TExploreObject*)>;

  TExploreList(TExploreObject* owner, bool children);
  TExploreList(const TExploreList&) = delete;
  TExploreList& operator=(const TExploreList&) = delete;

  TExploreObject* Owner() const { return owner_; }
  bool Loaded() const { return loaded_; }
  int PendingCount() const { return pending_; }

  // Count and Item never load; GetCount and GetItem fill the list first.
  int Count() const { return static_cast<int>(items_.size()); }
  TExploreObject* Item(int index) const;
  int GetCount();
  TExploreObject* GetItem(int index);

  int IndexOf(const TExploreObject* object) const;
  TExploreObject* FindByName(std::string_view name);
  TExploreObject* FindOrRaise(std::string_view name);  // "Object %s does not exist"
  // The first item of the class (any when none) whose type name equals
  // typeName exactly (any when empty).
  TExploreObject* Find(fw::TClass cls, std::string_view typeName);
  void Sort();
  // Items whose edit state is in the set: bit n for state n.
  int CountInState(std::uint8_t states) const;
  void SetLoaded(bool flag);
  void Load() { SetLoaded(true); }
  void Unload() { SetLoaded(false); }
  int AggregateValidity() const;
  void ValidateAll(fw::TStrings* errors);
  void SetEditStateAll(int state);

  TNameCompare NameCompare;  // case-sensitive by default
  TSortEvent OnSort;         // children lists: by name under NameCompare

private:
  friend class TExploreObject;
  // The children list's handler of its items' events.
  void Changed(TExploreObject* sender, int event, const TExploreArg& arg);
  // Counts a child's move to a new edit state, before the child stores it.
  void CountEditState(const TExploreObject* sender, int state);
  void MoveToSortedPlace(TExploreObject* object);
  void Append(TExploreObject* object) { items_.push_back(object); }
  void Remove(TExploreObject* object);

  TExploreObject* owner_;
  bool loaded_ = false;
  int pending_ = 0;
  std::vector<TExploreObject*> items_;
};

// ---------------------------------------------------------------- TExploreObject

class TExploreObject : public fw::TObject {
  FW_CLASS(TExploreObject, fw::TObject)
public:
  TExploreObject(const TExploreObject&) = delete;
  TExploreObject& operator=(const TExploreObject&) = delete;

  // Makes an object of class T under parent (or without one). With a parent
  // the object comes out under its construction lock, which the creator ends
  // with Release.
  template <typename T, typename... Args>
  static T* Create(TExploreObject* parent, Args&&... args) {
    std::unique_ptr<T> object(new T(std::forward<Args>(args)...));
    object->Construct(parent);
    return object.release();  // from here on its lock count owns it
  }

  // ------------------------------------------------------------ fields
  const std::string& Name() const { return name_; }
  const std::string& SavedName() const { return savedName_; }
  std::uint16_t DeclaredOperations() const { return declared_; }
  std::uint16_t DisabledOperations() const { return disabled_; }
  std::uint16_t EnabledOperations() const { return enabled_; }
  bool Enabled(std::uint16_t operation) const { return (enabled_ & operation) != 0; }
  int EditState() const { return editState_; }
  int Validity() const { return validity_; }
  int LockState() const { return lockState_; }
  int LockCount() const { return lockCount_; }
  bool Destroying() const { return destroying_; }
  TEProperties& Properties() const { return *properties_; }
  TExploreObject* Parent() const { return parent_; }
  TExploreList& Children() const { return *children_; }
  TExploreList* FindLinkList(int n) const { return links_[n].get(); }
  TExploreList& GetLinkList(int n);

  int HelpContext = 0;
  fw::TTreeNode* TreeNode = nullptr;  // the view's; the model never touches it
  TExploreChangeEvent OnChange;       // the listener

  // ------------------------------------------------------------ virtual operations
  virtual void SetName(const std::string& name);
  virtual std::string GetPath();
  virtual int GetKind() { return okNone; }
  virtual std::string GetTypeName();
  virtual bool IsActive() { return false; }
  virtual void SetActive(bool active);
  virtual void UpdateState();
  virtual TExploreObject* FindChild(TScanner& scanner);
  virtual void LinkNotification(TExploreObject* object, bool isChild, bool added, bool isTarget);
  virtual void LinkRenamed(TExploreObject* /*object*/) {}
  virtual void LoadProperties() {}
  virtual void LoadChildren() {}
  virtual TEActions* GetActions();
  virtual std::string GetValidationText();
  // Bit n: the object accepts a child of kind n made from source.
  virtual std::uint8_t AllowedChildKinds(TExploreObject* /*source*/) { return 0; }

  virtual void Validate(fw::TStrings* errors);
  virtual TExploreObject* DoRefresh() { return this; }
  virtual void DoCreateChild(TExploreObject*& result, TExploreObject* source, int kind);
  virtual void DoCreate(TExploreObject*& result, const std::string& parameter);
  virtual void DoRename(const std::string& name);
  virtual void DoDelete();
  virtual void DoApply();
  virtual void DoCancel();
  virtual void DoEndEdit();
  virtual TDbXErrorPtr ValidateName(const std::string& name);
  virtual TDbXErrorPtr ValidateText(const std::string& /*text*/) { return nullptr; }
  virtual void AssignPropertyEditor(TEPropertyDef* definition);
  virtual void PropertyChanged(TEProperty* /*property*/) {}
  virtual std::string GetTextAt(int /*index*/) { return {}; }
  virtual void DoSetText(const std::string& text);
  virtual std::string MakeUniqueName(const std::string& base, bool numbered);
  // A text with backquoted macros, expanded for this object; objects that
  // have no expander show it as written.
  virtual std::string ExpandTemplate(const std::string& text) { return text; }
  // The type whose section of the property-definition text a root reads
  // for a level (0, then 1).
  virtual std::string SectionType(int /*level*/) { return GetTypeName(); }

  // ------------------------------------------------------------ public operations
  // Each raises "Operation not supported" when its operation is not enabled.
  void Open();
  void Close();
  void Refresh();
  TExploreObject* CreateChild(TExploreObject* source, int kind);
  TExploreObject* NewObject(const std::string& parameter);
  void Edit();
  void EndEdit();
  void Rename(const std::string& name);
  void SetText(const std::string& text);
  std::string GetText(int index);  // 0 definition, 1 complete text, 2 changes
  void Delete();
  void Apply();
  void Cancel();
  TExploreObject* FindPath(std::string_view path);
  void NotifyChanged() { Fire(evChanged, 0); }
  void Load();

  // The checker that dialogs use: raises the name's error, else gives the
  // name made unique.
  std::string ValidateNameOrRaise(const std::string& name);

  // ------------------------------------------------------------ locks
  int Lock(int state);
  // Drops one lock; the object frees itself when the count goes below zero.
  // False when it did.
  bool Release(int state);
  // Release, then validate when the last lock went (failed: the operation
  // raised, which leaves the object invalid).
  bool ReleaseAndCheck(int state, bool failed = false);
  // Lock, run, ReleaseAndCheck, also when the operation raises. False when
  // the object freed itself.
  bool RunLocked(int state, const std::function<void()>& operation);

  // ------------------------------------------------------------ other operations
  std::string GetOriginalName() const { return savedName_.empty() ? name_ : savedName_; }
  // Takes the object out of the tree and drops one lock, which frees it
  // unless someone else holds it: for a node whose thing went elsewhere.
  void DetachAndRelease();
  // A number that leads back to the object while it lives (FromHandle) and
  // to none once it goes; never given to another object.
  std::int64_t Handle();
  static TExploreObject* FromHandle(std::int64_t handle);
  bool IsClosed();
  bool IsAncestorOf(const TExploreObject* other) const;
  void ResortInParent();
  void ChangeAttributes(std::uint16_t set, std::uint16_t clear);
  void SetAttributes(std::uint16_t mask);
  void AddDependent(TExploreObject* object);
  void RemoveDependent(TExploreObject* object);
  void SetParent(TExploreObject* parent);
  void RequestValidation(int level);
  void ValidateIfNeeded(fw::TStrings* errors);
  void ChangeState(int state);
  void SetEditState(int state);
  void SetValidity(int level);

  // Properties by name; a missing one raises "Property %s does not exist".
  void SetPropertyValue(const std::string& name, const fw::Variant& value);
  std::string GetPropertyText(const std::string& name);        // display text
  std::string GetPropertyStoredText(const std::string& name);  // stored text
  void SetPropertyText(const std::string& name, const std::string& text);
  void StorePropertyValue(const std::string& name, const fw::Variant& value, bool notify);

protected:
  TExploreObject();
  ~TExploreObject() override;

  // The construction that needs virtual calls, run once the object is
  // whole: subclasses extend it and call the inherited one first.
  virtual void Init(TExploreObject* parent);
  // The destruction that needs virtual calls, while the object is still
  // whole: subclasses do their own part, then call the inherited one.
  virtual void BeforeDestroy();

  // Every notification to the object arrives here.
  virtual void Changed(fw::TObject* sender, int event, const TExploreArg& arg);
  void Fire(int event, const TExploreArg& arg);
  void NotifyParentAndDependents(int event, const TExploreArg& arg);
  void EndPendingEdits();
  void FinishEdits();
  void RenameTo(const std::string& name);
  void SetChildrenLoaded(bool flag);

private:
  friend class TExploreList;
  friend class TEProperties;
  friend class TEProperty;

  void Construct(TExploreObject* parent);
  void Free();
  void BeginDestroy();
  void ValidateNow(fw::TStrings* errors);
  void ApplyMasks(std::uint16_t disabled);
  void FlagValidation();
  void ReturnToBrowseUnlessPending();
  void LoadUnlessClosed();
  void DropHandle();
  void ReleaseChildren();
  static void Require(bool condition);

  std::string name_;
  std::string savedName_;
  std::uint16_t declared_ = 0;
  std::uint16_t disabled_ = 0xC10;
  std::uint16_t enabled_ = 0;
  std::uint8_t editState_ = esBrowse;
  std::uint8_t validity_ = vaValid;
  std::uint8_t lockState_ = lsIdle;
  int lockCount_ = 0;
  bool destroying_ = false;
  std::int64_t handle_ = 0;  // 0 until asked for
  std::unique_ptr<TEProperties> properties_;
  TExploreObject* parent_ = nullptr;
  std::unique_ptr<TExploreList> children_;
  std::unique_ptr<TExploreList> links_[2];
};

template <typename T>
TExploreClass ExploreClassOf() {
  return {T::StaticClass(), [](TExploreObject* parent) -> TExploreObject* { return TExploreObject::Create<T>(parent); }};
}

// ---------------------------------------------------------------- properties

FW_ENUM(TEPropertyAttribute, paEditable, paEditNew, paRequired, paSubProperties, paAutoUpdate, paSortList, paEditor,
        paValues, paCompare, paGetEditor, paGetValue)
using TEPropertyAttributes = fw::TFlags<TEPropertyAttribute>;

// Type codes: the framework's field type order.
enum : int {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
};

// The variant kind a property of the type code holds; varEmpty: any.
fw::TVarType VariantKindOfType(int typeCode);
// 0 none, 1 other, 2 number, 3 text, 4 date.
int ValueClassOfKind(fw::TVarType kind);

// A class of properties, for definitions that name the class to make.
struct TEPropertyClass {
  fw::TClass Class = nullptr;
  std::unique_ptr<TEProperty> (*Create)() = nullptr;
  explicit operator bool() const { return Class != nullptr; }
};

template <typename T>
TEPropertyClass PropertyClassOf();

class TEPropertyDef : public fw::TObject {
  FW_CLASS(TEPropertyDef, fw::TObject)
public:
  explicit TEPropertyDef(std::string name = {}, std::string caption = {}, int level = 0, int typeCode = ftUnknown);
  TEPropertyDef(const TEPropertyDef&) = delete;
  TEPropertyDef& operator=(const TEPropertyDef&) = delete;

  TEPropertyDefs* List() const { return list_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  int Level() const { return level_; }
  void SetLevel(int level) { level_ = static_cast<std::uint8_t>(level); }
  int TypeCode() const { return typeCode_; }
  void SetTypeCode(int code) { typeCode_ = static_cast<std::uint8_t>(code); }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int context) { helpContext_ = static_cast<std::uint16_t>(context); }
  TEPropertyAttributes Attributes() const { return attributes_; }
  TEPropertyEditor* Editor() const { return editor_; }

  virtual int GetLevel() { return level_; }
  virtual void SetAttributeWord(std::uint16_t word);
  virtual void Assign(TEPropertyDef& definition);
  virtual std::string GetDescription() { return {}; }

  std::string GetCaption() const { return caption_.empty() ? name_ : caption_; }
  // Looks the editor up on first use.
  TEPropertyEditor* GetEditor();
  // An editor that lives elsewhere (the registry's live to the program's end).
  void SetEditor(TEPropertyEditor* editor);
  // An editor kept alive as long as the definition holds it.
  void SetEditor(std::shared_ptr<TEPropertyEditor> editor);

protected:
  TEPropertyAttributes attributes_{paGetEditor};

private:
  friend class TEPropertyDefs;
  TEPropertyDefs* list_ = nullptr;
  std::string name_;
  std::string caption_;
  std::uint8_t level_ = 0;
  std::uint8_t typeCode_ = ftUnknown;
  std::uint16_t helpContext_ = 0;
  TEPropertyEditor* editor_ = nullptr;
  std::shared_ptr<TEPropertyEditor> heldEditor_;
};

using TGetStrProc = std::function<void(const std::string&)>;

class TEProperty : public TEPropertyDef {
  FW_CLASS(TEProperty, TEPropertyDef)
public:
  using TEPropertyDef::TEPropertyDef;

  // The list and object the property belongs to; "Internal error" for a
  // property outside any object's list.
  TEProperties& Properties() const;
  TExploreObject* Object() const;
  int EditState() const { return editState_; }
  const fw::Variant& Value() const { return value_; }

  int GetLevel() override;
  void SetAttributeWord(std::uint16_t word) override;

  virtual fw::Variant GetValue() { return value_; }
  virtual void AssignValue(const fw::Variant& value);
  virtual std::string GetText(int kind);  // 0 stored text, 1 display text
  virtual void SetTextVia(int kind, const std::string& text);
  virtual TDbXErrorPtr GetError();
  virtual int GetDisplayLimit() { return 0; }
  virtual void StoreValue(const fw::Variant& value);
  virtual void SetTextValue(int kind, const std::string& text);
  virtual void Edit();
  virtual void ApplyValue() {}
  // The editor's values for this property.
  virtual void GetValues(const TGetStrProc& callback);

  // AssignValue under an editing lock of the object; raises the property's
  // error once no lock is left.
  void SetValue(const fw::Variant& value);
  TEPropertyAttributes GetAttributes() const;
  void SetEditState(int state);

protected:
  // The value a property is made with, set in its constructor, before it is
  // in a list: nothing is told.
  void InitValue(const fw::Variant& value) { value_ = value; }

private:
  friend class TEProperties;
  std::uint8_t editState_ = esBrowse;
  fw::Variant value_ = fw::Null();
};

template <typename T>
TEPropertyClass PropertyClassOf() {
  static_assert(std::derived_from<T, TEProperty>);
  return {T::StaticClass(), []() -> std::unique_ptr<TEProperty> { return std::make_unique<T>(); }};
}

// Definitions, owned. Count and Item never load; GetCount and GetItem may.
class TEPropertyDefs : public fw::TObject {
  FW_CLASS(TEPropertyDefs, fw::TObject)
public:
  TEPropertyDefs() = default;
  TEPropertyDefs(const TEPropertyDefs&) = delete;
  TEPropertyDefs& operator=(const TEPropertyDefs&) = delete;
  ~TEPropertyDefs() override;

  int Count() const { return static_cast<int>(items_.size()); }
  TEPropertyDef* Item(int index) const;
  virtual int GetCount() { return Count(); }
  virtual TEPropertyDef* GetItem(int index) { return Item(index); }
  TEPropertyDef* Find(std::string_view name);
  TEPropertyDef* FindOrRaise(std::string_view name);  // "Property %s does not exist"

  // Makes a definition of class T in this list. A property needs an object
  // and goes into the object's TEProperties.
  template <typename T, typename... Args>
    requires(std::derived_from<T, TEPropertyDef> && !std::derived_from<T, TEProperty>)
  T* Add(Args&&... args) {
    return static_cast<T*>(Insert(std::make_unique<T>(std::forward<Args>(args)...)));
  }

  // Hands the definition its editor; nothing here.
  virtual void AssignEditor(TEPropertyDef* /*definition*/) {}
  virtual void Clear();

  std::function<int(std::string_view, std::string_view)> NameCompare;

protected:
  TEPropertyDef* Insert(std::unique_ptr<TEPropertyDef> item);
  // Raises when the list cannot hold the item.
  virtual void Admit(const TEPropertyDef& /*item*/) {}
  virtual void Inserted(TEPropertyDef* /*item*/) {}
  // Takes the last item out; its owner frees it.
  std::unique_ptr<TEPropertyDef> TakeLast();

private:
  std::vector<std::unique_ptr<TEPropertyDef>> items_;
};

// The properties of an object, filled on first use by its LoadProperties.
class TEProperties : public TEPropertyDefs {
  FW_CLASS(TEProperties, TEPropertyDefs)
public:
  explicit TEProperties(TExploreObject* owner) : owner_(owner) {}
  ~TEProperties() override;

  TExploreObject* Owner() const { return owner_; }
  bool Loaded() const { return loaded_; }
  int PendingCount() const { return pending_; }
  TEProperty* Property(int index) const;  // never loads

  template <typename T, typename... Args>
    requires std::derived_from<T, TEProperty>
  T* Add(Args&&... args) {
    return static_cast<T*>(Insert(std::make_unique<T>(std::forward<Args>(args)...)));
  }
  // A property of a class known only at run time, made after the
  // definition; "Internal error" when no class is given.
  TEProperty* Add(const TEPropertyClass& cls, TEPropertyDef& definition);

  int GetCount() override;
  TEPropertyDef* GetItem(int index) override;
  void AssignEditor(TEPropertyDef* definition) override;
  void Clear() override;

  void SetLoaded(bool flag);
  void Load() { SetLoaded(true); }
  void Unload() { SetLoaded(false); }
  TEProperty* PropertyByName(std::string_view name);  // "Property %s does not exist"
  TEProperty* FindByCaption(std::string_view caption);  // captions without regard to case
  TEProperty* FindByCaptionOrRaise(std::string_view caption);
  // Properties whose display level lies in [levelFrom, levelTo] and whose
  // attributes hold all (or any) of the mask's.
  int CountMatching(int levelFrom, int levelTo, bool all, TEPropertyAttributes mask);
  // 0 with nothing pending, 2 when a pending property has an error, else 1.
  int AggregateValidity();
  void Validate(fw::TStrings* errors);
  void SetEditStateAll(int state);

protected:
  void Admit(const TEPropertyDef& item) override;
  void Inserted(TEPropertyDef* item) override;

private:
  friend class TEProperty;
  // The handler of the properties' events.
  void Changed(TEProperty* sender, int event, const TExploreArg& arg);

  TExploreObject* owner_;
  bool loaded_ = false;
  int pending_ = 0;
};

// ---------------------------------------------------------------- editors and value lists

class TEPropertyEditor : public fw::TObject {
  FW_CLASS(TEPropertyEditor, fw::TObject)
public:
  explicit TEPropertyEditor(TEPropertyAttributes bits = {}) : bits_(bits) {}
  TEPropertyEditor(const TEPropertyEditor&) = delete;
  TEPropertyEditor& operator=(const TEPropertyEditor&) = delete;

  // The attribute bits that the editor adds to a property.
  TEPropertyAttributes Bits() const { return bits_; }

  virtual std::string GetText(TEProperty& property, int kind);
  virtual std::string ValueToText(int kind, const fw::Variant& value);
  virtual TDbXErrorPtr ValidateValue(TEProperty& /*property*/) { return nullptr; }
  virtual void SetText(TEProperty& property, int kind, const std::string& text);
  // The values offered to the property that asks: a list shared by many
  // properties may differ by the property's object.
  virtual void GetValues(const TGetStrProc& /*callback*/, TEProperty& /*property*/) {}
  virtual void Edit(TEProperty& /*property*/) {}

protected:
  TEPropertyAttributes bits_;
};

// A list of values to offer.
class TEStringValues : public TEPropertyEditor {
  FW_CLASS(TEStringValues, TEPropertyEditor)
public:
  TEStringValues() : TEPropertyEditor(TEPropertyAttributes(paValues)) {}

  fw::TStringList& Strings() { return strings_; }

  virtual fw::Variant GetValueAt(int index);
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;
  // Steps the property to the next value, from the last back to the first.
  void Edit(TEProperty& property) override;

protected:
  fw::TStringList strings_;
};

// An editor or value list found by object class, type name and property
// name; the registry holds it from its registration to the program's end.
class TERegisteredPE : public TEPropertyEditor {
  FW_CLASS(TERegisteredPE, TEPropertyEditor)
public:
  // An empty class, type name or property name matches every one.
  TERegisteredPE(TEPropertyAttributes bits, fw::TClass ownerClass, std::string typeName, std::string propertyName)
      : TEPropertyEditor(bits),
        ownerClass_(ownerClass),
        typeName_(std::move(typeName)),
        propertyName_(std::move(propertyName)) {}

  fw::TClass OwnerClass() const { return ownerClass_; }
  const std::string& TypeName() const { return typeName_; }
  const std::string& PropertyName() const { return propertyName_; }
  bool Matches(fw::TClass objectClass, std::string_view typeName, std::string_view propertyName) const;

private:
  fw::TClass ownerClass_;
  std::string typeName_;
  std::string propertyName_;
};

class TERegisteredEditor : public TERegisteredPE {
  FW_CLASS(TERegisteredEditor, TERegisteredPE)
public:
  TERegisteredEditor(fw::TClass ownerClass, std::string typeName, std::string propertyName)
      : TERegisteredPE(TEPropertyAttributes(paEditor), ownerClass, std::move(typeName), std::move(propertyName)) {}
};

class TERegisteredValues : public TERegisteredPE {
  FW_CLASS(TERegisteredValues, TERegisteredPE)
public:
  TERegisteredValues(fw::TClass ownerClass, std::string typeName, std::string propertyName)
      : TERegisteredPE(TEPropertyAttributes(paValues), ownerClass, std::move(typeName), std::move(propertyName)) {}
};

// Enters an editor or value list into the registry, which owns it.
template <typename T, typename... Args>
T* RegisterPropertyEditor(Args&&... args);
void AddRegisteredEditor(std::unique_ptr<TERegisteredPE> editor);
// The last registered entry that matches, or none.
TERegisteredPE* FindRegisteredEditor(fw::TClass objectClass, std::string_view typeName, std::string_view propertyName);

template <typename T, typename... Args>
T* RegisterPropertyEditor(Args&&... args) {
  auto editor = std::make_unique<T>(std::forward<Args>(args)...);
  T* raw = editor.get();
  AddRegisteredEditor(std::move(editor));
  return raw;
}

// ---------------------------------------------------------------- actions

class TEAction;

// An object's own actions first, then every registered one.
class TEActions : public fw::TObject {
  FW_CLASS(TEActions, fw::TObject)
public:
  TEActions() = default;
  TEActions(const TEActions&) = delete;
  TEActions& operator=(const TEActions&) = delete;
  ~TEActions() override;

  virtual int Count();
  virtual TEAction* GetItem(int index);
  TEAction* GetByName(std::string_view name);
  TEAction* GetByNameOrRaise(std::string_view name);  // "Object %s does not exist"

  template <typename T, typename... Args>
  T* Add(Args&&... args);

protected:
  int OwnCount() const { return static_cast<int>(items_.size()); }
  TEAction* OwnItem(int index) const { return items_[static_cast<std::size_t>(index)].get(); }

private:
  std::vector<std::unique_ptr<TEAction>> items_;
};

// The one list of registered actions.
class TERegisteredActions : public TEActions {
  FW_CLASS(TERegisteredActions, TEActions)
public:
  int Count() override { return OwnCount(); }
  TEAction* GetItem(int index) override;
};

enum : int { asDisabled = 0, asEnabled = 1, asHidden = 2 };

class TEAction : public fw::TObject {
  FW_CLASS(TEAction, fw::TObject)
public:
  explicit TEAction(std::string name) : name_(std::move(name)) {}
  TEAction(const TEAction&) = delete;
  TEAction& operator=(const TEAction&) = delete;

  TEActions* List() const { return list_; }
  const std::string& Name() const { return name_; }  // also the menu text
  std::uint32_t HelpContext = 0;

  virtual int GetState(TExploreObject& object);
  virtual void Execute(TExploreObject& /*object*/) {}

private:
  friend class TEActions;
  TEActions* list_ = nullptr;
  std::string name_;
};

template <typename T, typename... Args>
T* TEActions::Add(Args&&... args) {
  auto action = std::make_unique<T>(std::forward<Args>(args)...);
  T* raw = action.get();
  raw->list_ = this;
  items_.push_back(std::move(action));
  return raw;
}

class TERegisteredAction : public TEAction {
  FW_CLASS(TERegisteredAction, TEAction)
public:
  // An empty class or type name shows the action for every object.
  TERegisteredAction(fw::TClass objectClass, std::string name, std::string typeName)
      : TEAction(std::move(name)), objectClass_(objectClass), typeName_(std::move(typeName)) {}

  int GetState(TExploreObject& object) override;

private:
  fw::TClass objectClass_;
  std::string typeName_;
};

// The global list of registered actions.
TERegisteredActions& RegisteredActions();

template <typename T, typename... Args>
T* RegisterAction(Args&&... args) {
  return RegisteredActions().Add<T>(std::forward<Args>(args)...);
}

// Nothing without an action; "Operation not supported" unless its state is 1.
void ExecuteAction(TEAction* action, TExploreObject& object);

// ---------------------------------------------------------------- values

std::string VarToText(const fw::Variant& value);  // "" for Null, "????" when it does not convert
fw::Variant TextToVariant(const std::string& text);  // "" gives Null
int VariantToIntDef(const fw::Variant& value);
// The object's handle as an integer; none gives Null.
fw::Variant ObjectToVariant(TExploreObject* object);
// The object of a handle while it lives; none for Null, anything that is no
// handle, and the handle of an object that went.
TExploreObject* VariantToObject(const fw::Variant& value);
// Null, Unassigned and "" are all empty and equal; a failed comparison
// counts as different.
bool VariantsEqual(const fw::Variant& a, const fw::Variant& b);

// ---------------------------------------------------------------- unit start

// The unit's start and end: the editor registry and the registered actions
// exist between the two.
void InitDbExplif();
void DoneDbExplif();

}  // namespace dbx

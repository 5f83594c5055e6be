// TPersistent, TComponent and collections: the ownership and notification
// rules that every component follows.
//
// Ownership: a component created with an owner belongs to it; the owner frees
// what it owns, in reverse order of creation, when it is freed. A component
// without an owner is held by whoever created it (std::unique_ptr).
// Free notification: a component that holds a pointer to another one that it
// does not own asks it for FreeNotification and hears Notification(x,
// opRemove) before x goes.
// Destruction: delete (by an owner, a unique_ptr or by hand) runs the virtual
// BeforeDestruction on the whole component, then the destructors; so a
// component lives on the heap only, and one freed otherwise stops the program.
#pragma once
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "Object.h"

namespace fw {

class TComponent;
class TCollection;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// A value as a form file writes it; given to ReadProperty for the properties
// that a class reads itself.
struct TFormProperty;
struct TFormValue {
  enum TKind { vaNull, vaInteger, vaFloat, vaString, vaIdent, vaSet, vaList, vaCollection, vaBinary };
  TKind Kind = vaNull;
  std::int64_t Int = 0;
  double Float = 0;
  std::string Str;                    // string, identifier, or the bytes of binary data
  std::vector<std::string> Set;       // the names of a set
  std::vector<TFormValue> List;       // ( ... )
  std::vector<std::vector<TFormProperty>> Items;  // < item ... end ... >
  int Line = 0;
};

struct TFormProperty {
  std::string Name;  // may be a path: Font.Style
  TFormValue Value;
  int Line = 0;
};

FW_ENUM(TOperation, opInsert, opRemove)
FW_ENUM(TComponentStateItem, csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
        csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
using TComponentState = TFlags<TComponentStateItem>;
// Horizontal alignment of a text: of a control's caption, of a field's value.
FW_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)

class TPersistent : public TObject {
  FW_CLASS(TPersistent, TObject)
public:
  // Copies Source into this object; a class that does not know Source's class
  // asks Source to AssignTo it, and failing that raises EConvertError.
  virtual void Assign(const TPersistent* Source);
  // A property that the class reads from a form file itself, beyond its
  // published ones (a string list's lines, a bitmap's data). Returns false when
  // name is not such a property.
  virtual bool ReadProperty(const std::string& name, const TFormValue& value);
  // The object that owns this one, for naming in messages; nullptr by default.
  virtual TPersistent* GetOwner() const { return nullptr; }
  std::string GetNamePath() const;

protected:
  virtual void AssignTo(TPersistent* Dest) const;
};

class TComponent : public TPersistent {
  FW_CLASS(TComponent, TPersistent)
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  TComponent* FindComponent(std::string_view name) const;  // owned components, without regard to case

  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& value);
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t v) { tag_ = v; }
  TComponentState ComponentState() const { return state_; }

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  // Marks this component and what it owns as being destroyed; freeing a
  // component does it before anything else.
  void Destroying();
  // Freeing: Destroying and BeforeDestruction while the object is whole, then
  // the destructors and the memory.
  static void operator delete(TComponent* component, std::destroying_delete_t);
  // The allocation that matches it, and what frees a component whose
  // constructor raised.
  static void* operator new(std::size_t size);
  static void operator delete(void* memory);

  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Called once on each component after a form file has been read into it.
  virtual void Loaded();

  // The component under which a form file nests this one (a control's parent).
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* /*value*/) {}

  TPersistent* GetOwner() const override { return owner_; }

  // Component state bits that the form reader and descendants set.
  void SetComponentState(TComponentStateItem item, bool on);

protected:
  // The part of the destruction that needs virtual calls (closing a cursor,
  // freeing a window): a subclass does its own part, then calls the inherited one.
  virtual void BeforeDestruction() {}
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void ValidateRename(TComponent* AComponent, const std::string& curName, const std::string& newName);

private:
  void Insert(TComponent* c);
  void Remove(TComponent* c);
  void RemoveNotification(TComponent* c);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  std::string name_;
  std::intptr_t tag_ = 0;
  TComponentState state_;
  bool freed_ = false;  // by operator delete
};

bool IsValidIdent(std::string_view s);

// ---------------------------------------------------------------- collections

class TCollectionItem : public TPersistent {
  FW_CLASS(TCollectionItem, TPersistent)
public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return collection_; }
  void SetCollection(TCollection* c);
  int Index() const;
  void SetIndex(int value);
  virtual std::string DisplayName() const { return ClassName(); }
  TPersistent* GetOwner() const override;

protected:
  // Tells the collection that this item changed (AllItems: the whole collection).
  void Changed(bool AllItems);

private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
};

// A list of items of one class that the collection owns.
class TCollection : public TPersistent {
  FW_CLASS(TCollection, TPersistent)
public:
  explicit TCollection(TClass itemClass);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TClass ItemClass() const { return itemClass_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  void Assign(const TPersistent* Source) override;

protected:
  // Creates one item of the collection's class; descendants whose items take
  // more than the collection override it.
  virtual TCollectionItem* CreateItem();
  // Item is nullptr when more than one item changed.
  virtual void Update(TCollectionItem* /*item*/) {}

private:
  friend class TCollectionItem;
  void Changed();
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  TClass itemClass_;
  std::vector<TCollectionItem*> items_;
  int updateCount_ = 0;
};

}  // namespace fw

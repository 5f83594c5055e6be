#include "Classes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "Exceptions.h"
#include "Scope.h"

namespace fw {

FW_IMPLEMENT_CLASS(TPersistent)

FW_PUBLISH(TComponent) {
  c.Property("Name", &TComponent::Name, &TComponent::SetName);
  c.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

FW_IMPLEMENT_CLASS(TCollectionItem)
FW_IMPLEMENT_CLASS(TCollection)

// ---------------------------------------------------------------- TPersistent

void TPersistent::Assign(const TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + Dest->ClassName());
}

bool TPersistent::ReadProperty(const std::string&, const TFormValue&) { return false; }

std::string TPersistent::GetNamePath() const {
  if (auto* c = dynamic_cast<const TComponent*>(this)) return c->Name();
  TPersistent* owner = GetOwner();
  std::string s = owner ? owner->GetNamePath() : std::string();
  return s.empty() ? ClassName() : s + "." + ClassName();
}

// ---------------------------------------------------------------- TComponent

bool IsValidIdent(std::string_view s) {
  if (s.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(s[0])) return false;
  for (char c : s)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

void* TComponent::operator new(std::size_t size) { return ::operator new(size); }

void TComponent::operator delete(void* memory) { ::operator delete(memory); }

void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
  void* memory = dynamic_cast<void*>(component);
  component->freed_ = true;
  component->Destroying();
  component->BeforeDestruction();
  component->~TComponent();
  ::operator delete(memory);
}

TComponent::~TComponent() {
  // Only a constructor that raised may leave a component without delete.
  if (!freed_ && std::uncaught_exceptions() == 0) {
    std::fputs("fatal: a component was destroyed without delete (on the stack, as a member or a static)\n", stderr);
    std::abort();
  }
  Destroying();
  // Partners first, while this component is still in its owner's list.
  while (!freeNotifies_.empty()) {
    TComponent* partner = freeNotifies_.back();
    freeNotifies_.pop_back();
    partner->RemoveNotification(this);
    partner->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& v = owner_->components_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    const std::string& n = c->name_;
    if (n.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < n.size() && same; ++i) {
      char a = n[i], b = name[i];
      if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
      if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
      same = a == b;
    }
    if (same) return c;
  }
  return nullptr;
}

void TComponent::SetName(const std::string& value) {
  if (value == name_) return;
  if (!value.empty() && !IsValidIdent(value))
    throw EComponentError("'" + value + "' is not a valid component name");
  if (owner_) owner_->ValidateRename(this, name_, value);
  else ValidateRename(nullptr, name_, value);
  name_ = value;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& curName, const std::string& newName) {
  if (!AComponent || newName.empty()) return;
  TComponent* other = FindComponent(newName);
  if (other && other != AComponent && curName != newName)
    throw EComponentError("A component named " + newName + " already exists");
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent->name_.empty()) ValidateRename(AComponent, std::string(), AComponent->name_);
  Insert(AComponent);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
}

void TComponent::Remove(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it != components_.end()) components_.erase(it);
  c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  // Reverse order of creation; each is taken out of the list before it goes,
  // so that nothing can reach a half-destroyed component through its owner.
  while (!components_.empty()) {
    TComponent* c = components_.back();
    if (c->state_.Contains(csFreeNotification)) RemoveComponent(c);
    else Remove(c);
    delete c;
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  // Components of one owner hear of each other through the owner.
  if (!owner_ || AComponent->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end()) {
      freeNotifies_.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* c) {
  auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), c);
  if (it != freeNotifies_.end()) freeNotifies_.erase(it);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // The owner passes the news to everything it owns. Iterate over a copy: a
  // handler may free components.
  std::vector<TComponent*> owned = components_;
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    TComponent* c = *it;
    if (c != AComponent && std::find(components_.begin(), components_.end(), c) != components_.end())
      c->Notification(AComponent, Operation);
  }
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::SetComponentState(TComponentStateItem item, bool on) {
  if (on) state_.Include(item);
  else state_.Exclude(item);
}

// ---------------------------------------------------------------- collections

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* c) {
  if (c == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (c) c->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& v = collection_->items_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TCollectionItem::SetIndex(int value) {
  int cur = Index();
  if (cur < 0 || value == cur || !collection_) return;
  auto& v = collection_->items_;
  value = std::clamp(value, 0, static_cast<int>(v.size()) - 1);
  v.erase(v.begin() + cur);
  v.insert(v.begin() + value, this);
  Changed(true);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

void TCollectionItem::Changed(bool AllItems) {
  if (!collection_ || collection_->updateCount_ > 0) return;
  collection_->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(TClass itemClass) : itemClass_(itemClass) {}

TCollection::~TCollection() {
  ++updateCount_;  // no change events while going
  while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::CreateItem() {
  if (!itemClass_ || !itemClass_->CreateItem)
    throw EInvalidOperation("Cannot create an item of class " + (itemClass_ ? itemClass_->Name : std::string("nil")));
  return static_cast<TCollectionItem*>(itemClass_->CreateItem(this));
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = CreateItem();
  if (item->collection_ != this) item->SetCollection(this);
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TCollection*>(Source);
  if (!src) return TPersistent::Assign(Source);
  TUpdateScope update(*this);
  Clear();
  for (TCollectionItem* it : src->items_) Add()->Assign(it);
}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
  item->collection_ = nullptr;
  Changed();
}

}  // namespace fw

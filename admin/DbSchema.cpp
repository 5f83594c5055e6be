#include "DbSchema.h"

#include <algorithm>
#include <map>

#include "DataSet.h"
#include "DbXCtrl.h"
#include "Fields.h"
#include "Format.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"

using namespace std::string_view_literals;

namespace dbx {

FW_IMPLEMENT_CLASS(TEObjectRef)
FW_IMPLEMENT_CLASS(TEObjectRefs)
FW_IMPLEMENT_CLASS(TEPropDef)
FW_IMPLEMENT_CLASS(TEObjectDef)
FW_IMPLEMENT_CLASS(TEObjectDefs)
FW_IMPLEMENT_CLASS(TEObjects)
FW_IMPLEMENT_CLASS(TERoot)
FW_IMPLEMENT_CLASS(TEObjectSet)
FW_IMPLEMENT_CLASS(TEObject)
FW_IMPLEMENT_CLASS(TERefObject)
FW_IMPLEMENT_CLASS(TEProp)
FW_IMPLEMENT_CLASS(TEFieldProp)
FW_IMPLEMENT_CLASS(TERefProp)

namespace {

// A set filled longer ago than this is filled again before an object that
// is not in it counts as missing.
constexpr std::uint32_t kRefillAfterMs = 1000;
// Templates that reach themselves through ETemplates end here.
constexpr int kMaxTemplateDepth = 32;

const TCharSet& PathDelimiters() {
  static const TCharSet s(U"\0\"!#%&'()*+,-/:;<=>?@"sv);
  return s;
}

bool IsIdentChar(TChar c) { return c == U'$' || c == U'_' || fw::IsDigit(c) || fw::IsLetter(c) || c >= 0x80; }

std::string JoinParts(const std::vector<std::string>& parts) {
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) joined += (i ? "." : "") + parts[i];
  return joined;
}

bool IsNumericType(int typeCode) { return ValueClassOfKind(VariantKindOfType(typeCode)) == 2; }

// The value of a text for a property of the type code; the text itself when
// it is no such value.
fw::Variant ValueOfText(const std::string& text, int typeCode) {
  fw::Variant value = TextToVariant(text);
  fw::TVarType kind = VariantKindOfType(typeCode);
  if (fw::VarIsNull(value) || kind == fw::varEmpty) return value;
  try {
    return fw::VarAsType(value, kind);
  } catch (const fw::Exception&) {
    return value;
  }
}

// ---------------------------------------------------------------- the macro registry

struct TPublished {
  TMacroMethod Macro;
  TPropHook Hook;
};

std::map<fw::TClass, std::map<std::string, TPublished>>& Published() {
  static std::map<fw::TClass, std::map<std::string, TPublished>> published;
  return published;
}

const TPublished* FindPublished(fw::TClass cls, const std::string& name) {
  for (fw::TClass c = cls; c; c = c->Parent) {
    auto it = Published().find(c);
    if (it == Published().end()) continue;
    auto entry = it->second.find(name);
    if (entry != it->second.end()) return &entry->second;
  }
  return nullptr;
}

}  // namespace

void RegisterMacroMethod(fw::TClass cls, const std::string& name, TMacroMethod method) {
  Published()[cls][name].Macro = std::move(method);
}

void RegisterPropHook(fw::TClass cls, const std::string& name, TPropHook hook) {
  Published()[cls][name].Hook = std::move(hook);
}

TPropHook FindPropHook(fw::TClass cls, const std::string& name) {
  const TPublished* entry = FindPublished(cls, name);
  return entry ? entry->Hook : TPropHook();
}

// ---------------------------------------------------------------- TEObjectRef

TEObjectRef::TEObjectRef(TEObjectRefs* list, const std::string& displayName, std::string defName, int cardA,
                         int kind, int cardB, std::uint16_t mask)
    : list_(list),
      displayName_(UnquoteDouble(displayName)),
      defName_(std::move(defName)),
      cardA_(static_cast<std::uint8_t>(cardA)),
      kind_(static_cast<std::uint8_t>(kind)),
      cardB_(static_cast<std::uint8_t>(cardB)),
      mask_(mask) {}

TEObjectDef* TEObjectRef::Definition() {
  if (!definition_) definition_ = list_->Root()->Definitions().Find(defName_);
  return definition_;
}

TEObjectSet* TEObjectRef::TargetSet(TExploreObject* from) {
  if (!IsReference()) {
    TExploreList& children = from->Children();
    for (int i = 0; i < children.GetCount(); ++i)
      if (auto* set = dynamic_cast<TEObjectSet*>(children.Item(i)); set && set->Ref() == this) return set;
    return nullptr;
  }
  TEObjectDef* def = Definition();
  const std::string& target = def && !def->TargetDef.empty() ? def->TargetDef : defName_;
  for (TExploreObject* node = from; dynamic_cast<TEObjects*>(node); node = node->Parent()) {
    TExploreList& children = node->Children();
    for (int i = 0; i < children.GetCount(); ++i) {
      auto* set = dynamic_cast<TEObjectSet*>(children.Item(i));
      if (set && !set->Ref()->IsReference() && set->Ref()->DefName() == target) return set;
    }
  }
  return nullptr;
}

TEObject* TEObjectRef::FindTarget(TExploreObject* from, const std::string& name) {
  TEObjectSet* set = TargetSet(from);
  auto find = [&]() -> TEObject* {
    return set ? dynamic_cast<TEObject*>(set->Children().FindByName(name)) : nullptr;
  };
  TEObject* object = find();
  // Someone may have made it since the set was read.
  if (!object && set && fw::GetTickCount() - set->FillTime() > kRefillAfterMs && set->Enabled(opRefresh)) {
    set->Refresh();
    object = find();
  }
  if (object || Optional()) return object;
  if (set && set->EditState() == esBrowse)
    RaiseDbXError(fw::Format("Object not found.  %s must be refreshed, or is incomplete", {set->Name()}));
  TExploreObject* owner = set && set->Parent() ? set->Parent() : from;
  RaiseDbXError(fw::Format("No %s defined for %s", {name, owner->Name()}));
}

// ---------------------------------------------------------------- TEObjectRefs

void TEObjectRefs::Load() {
  if (loaded_) return;
  loaded_ = true;
  fw::TScopeFail undo([this] { Clear(); });
  root_->LoadObjectRefs(*this);
}

void TEObjectRefs::Clear() {
  items_.clear();
  loaded_ = false;
}

int TEObjectRefs::Count() {
  Load();
  return static_cast<int>(items_.size());
}

TEObjectRef* TEObjectRefs::Item(int index) {
  Load();
  if (index < 0 || index >= static_cast<int>(items_.size()))
    throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<std::size_t>(index)].get();
}

TEObjectRef* TEObjectRefs::Add(const std::string& displayName, const std::string& defName, int cardA, int kind,
                               int cardB, std::uint16_t mask) {
  items_.push_back(std::make_unique<TEObjectRef>(this, displayName, defName, cardA, kind, cardB, mask));
  return items_.back().get();
}

TEObjectRef* TEObjectRefs::Find(std::string_view name) {
  Load();
  for (const auto& item : items_)
    if (item->DisplayName() == name || item->DefName() == name) return item.get();
  return nullptr;
}

// ---------------------------------------------------------------- definitions

void TEPropDef::Assign(TEPropertyDef& definition) {
  TEPropertyDef::Assign(definition);
  if (auto* other = dynamic_cast<TEPropDef*>(&definition)) {
    PropClass = other->PropClass;
    ReadHook = other->ReadHook;
    WriteHook = other->WriteHook;
    ReadData = other->ReadData;
    WriteData = other->WriteData;
    FieldIndex = other->FieldIndex;
    RefTarget = other->RefTarget;
  }
}

TEObjectDef::TEObjectDef(TERoot* root, std::string name, int kind)
    : root_(root), name_(std::move(name)), kind_(kind), refs_(std::make_unique<TEObjectRefs>(root, this)) {}

TEObjectDef::~TEObjectDef() = default;

TEPropDef* TEObjectDef::AddProp(const std::string& name, const std::string& caption, int level, int typeCode,
                                TEPropertyClass cls) {
  TEPropDef* definition = Add<TEPropDef>(name, caption, level, typeCode);
  definition->PropClass = cls;
  return definition;
}

std::vector<std::string> TEObjectDef::SplitName(const std::string& name) { return SplitByChars(name, TCharSet(U".")); }

TEObject* TEObjectDef::MakeObject(TExploreObject* parent) {
  if (ObjectClass) return static_cast<TEObject*>(ObjectClass.Create(parent));
  return TExploreObject::Create<TEObject>(parent, this);
}

TEObjectDef* TEObjectDefs::Find(std::string_view name) {
  for (const auto& item : items_)
    if (item->Name() == name) return item.get();
  return root_->CreateObjectDef(std::string(name));
}

TEObjectDef* TEObjectDefs::Add(std::unique_ptr<TEObjectDef> definition) {
  items_.push_back(std::move(definition));
  return items_.back().get();
}

// ---------------------------------------------------------------- TEObjects

void TEObjects::Init(TExploreObject* parent) {
  TExploreObject::Init(parent);
  if (auto* root = dynamic_cast<TERoot*>(this))
    root_ = root;
  else if (auto* above = dynamic_cast<TEObjects*>(parent))
    root_ = above->root_;
  SetAttributes(DeclaredOperations() | opRefresh);
}

void TEObjects::InvalidateText() {
  textStale_ = true;
  text_.clear();
}

TExploreObject* TEObjects::FindChild(TScanner& scanner) {
  switch (scanner.ReadChar(0)) {
    case U' ':
      scanner.Next();
      return this;
    case U'<': {
      scanner.Next();
      TExploreObject* parent = Parent();
      if (dynamic_cast<TEObjectSet*>(parent)) parent = parent->Parent();
      return parent;
    }
    case U'^':
      scanner.Next();
      return root_;
    case U'>': {
      scanner.Next();
      std::string name = scanner.CharIs(0, U'"') ? UnquoteDouble("\"" + scanner.ReadQuoted() + "\"")
                                                 : scanner.ReadUntil(PathDelimiters());
      TEObjectRefs* refs = ChildRefs();
      TEObjectRef* ref = refs ? refs->Find(name) : nullptr;
      if (!ref) RaiseDbXError("Object " + name + " does not exist");
      return ref->TargetSet(this);
    }
    default:
      return TExploreObject::FindChild(scanner);
  }
}

std::string TEObjects::ExpandTemplate(const std::string& text) { return TExpander(*this).ExpandText(text); }

void TEObjects::MakeSets() {
  TEObjectRefs* refs = ChildRefs();
  if (!refs) return;
  for (int i = 0; i < refs->Count(); ++i) {
    TEObjectRef* ref = refs->Item(i);
    if (ref->DisplayName().empty() || ref->Kind() == rkRefOnly) continue;
    TExploreObject::Create<TEObjectSet>(this, ref)->SetName(ref->DisplayName());
  }
}

// ---------------------------------------------------------------- TERoot

TERoot::TERoot() : defs_(std::make_unique<TEObjectDefs>(this)), refs_(std::make_unique<TEObjectRefs>(this, nullptr)) {}

TERoot::~TERoot() = default;

void TERoot::Init(TExploreObject* parent) {
  TEObjects::Init(parent);
  CopyFlags();
}

void TERoot::BeforeDestroy() {
  // The sets and objects point into the descriptors and definitions: they go first.
  TEObjects::BeforeDestroy();
  refs_->Clear();
  defs_->Clear();
}

void TERoot::CopyFlags() {
  if (TDbXRoot* root = GetDbXRoot()) {
    showSystemData_ = root->ShowSystemData();
    editsEnabled_ = root->EditsEnabled();
  }
}

void TERoot::LoadObjectRefs(TEObjectRefs& /*refs*/) { RaiseNotSupported(); }

TEObjectDef* TERoot::CreateObjectDef(const std::string& /*name*/) { RaiseNotSupported(); }

std::unique_ptr<fw::TDataSet> TERoot::OpenObjectQuery(TEObjectSet& /*set*/) { RaiseNotSupported(); }

std::string TERoot::FormatValue(int typeCode, const fw::Variant& value) {
  std::string text = VarToText(value);
  if (typeCode != ftString && typeCode != ftMemo) return text;
  return "'" + fw::StringReplace(text, "'", "''", {fw::rfReplaceAll}) + "'";
}

std::string TERoot::Separator(int kind) { return kind == 0 ? "\n\n" : ""; }

bool TERoot::ObjectExists(TEObject& /*object*/) { return false; }

bool TERoot::CanNumber(TEObjectSet* set, TEObject* object) {
  if (!set && object) set = object->Set();
  if (!set) return false;
  TEObjectDef* def = set->Definition();
  if (!def || (def->Kind() != okColumn && def->Kind() != okColumnReference) || def->KeyParts.size() != 1) return false;
  int key = def->KeyParts[0];
  return key >= 0 && key < def->Count() && IsNumericType(def->Item(key)->TypeCode());
}

void TERoot::Renumber(TEObjectSet* set, TEObject* object) {
  TExploreList& children = set->Children();
  std::vector<TEObject*> items;
  for (int i = 0; i < children.Count(); ++i)
    if (auto* item = dynamic_cast<TEObject*>(children.Item(i)); item && item != object) items.push_back(item);
  if (object) items.push_back(object);
  std::erase_if(items, [](TEObject* item) { return item->EditState() == esDeleted; });
  // The names first, so that each number is checked against the final ones.
  for (std::size_t i = 0; i < items.size(); ++i) items[i]->SetName(std::to_string(i + 1));
  int key = set->Definition()->KeyParts[0];
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* property = static_cast<TEProperty*>(items[i]->Properties().GetItem(key));
    fw::Variant number(static_cast<int>(i + 1));
    if (VariantToIntDef(property->Value()) == static_cast<int>(i + 1)) continue;
    // A drop is the user's change; a fill only puts the numbers in order.
    if (object)
      property->SetValue(number);
    else
      property->StoreValue(number);
  }
  children.Sort();
}

void TERoot::LoadChildren() {
  if ((DeclaredOperations() & opOpen) && !IsActive() && Enabled(opOpen)) Open();
  MakeSets();
}

TExploreObject* TERoot::DoRefresh() {
  // The sets hold the descriptors and their objects the definitions: they go
  // before those are read afresh.
  Children().Unload();
  refs_->Clear();
  defs_->Clear();
  CopyFlags();
  return TEObjects::DoRefresh();
}

// ---------------------------------------------------------------- TEObjectSet

void TEObjectSet::Init(TExploreObject* parent) {
  TEObjects::Init(parent);
  SetAttributes(DeclaredOperations() | (ref_->Mask() & (opNew | opApply | opCancel)));
}

void TEObjectSet::LoadChildren() {
  TEObjectDef* def = Definition();
  TERoot* root = Root();
  TExploreList& children = Children();
  if (def->Compare) children.NameCompare = def->Compare;
  if (def->Sort) {
    children.OnSort = def->Sort;
  } else if (root->CanNumber(this, nullptr)) {
    int key = def->KeyParts[0];
    children.OnSort = [key](TExploreObject* a, TExploreObject* b) {
      return VariantToIntDef(static_cast<TEProperty*>(a->Properties().GetItem(key))->Value()) -
             VariantToIntDef(static_cast<TEProperty*>(b->Properties().GetItem(key))->Value());
    };
  }
  // A new parent is not in the database yet.
  if (!Parent() || Parent()->EditState() != esNew) {
    std::unique_ptr<fw::TDataSet> rows = root->OpenObjectQuery(*this);
    for (rows->First(); !rows->Eof(); rows->Next()) {
      TEObject* object = ref_->IsReference() ? TExploreObject::Create<TERefObject>(this, def) : def->MakeObject(this);
      object->ReadFields(*rows);
    }
  }
  children.Sort();
  if (root->CanNumber(this, nullptr)) root->Renumber(this, nullptr);
  fillTime_ = fw::GetTickCount();
}

TExploreObject* TEObjectSet::DoRefresh() {
  Children().Unload();
  InvalidateText();
  return TEObjects::DoRefresh();
}

std::uint8_t TEObjectSet::AllowedChildKinds(TExploreObject* source) {
  auto* object = dynamic_cast<TEObject*>(source);
  if (!object || object->EditState() >= esDeleted || !(DeclaredOperations() & opNew)) return 0;
  if (object->GetTypeName() != Definition()->Name() || !object->Root() ||
      object->Root()->GetTypeName() != Root()->GetTypeName())
    return 0;
  std::uint8_t kinds = 1;
  if (object->Enabled(opDelete)) kinds |= 2;
  return kinds;
}

void TEObjectSet::DoCreateChild(TExploreObject*& result, TExploreObject* source, int kind) {
  auto* object = static_cast<TEObject*>(source);
  if (kind == 1 && object->Parent() == this && Root()->CanNumber(this, object)) {
    Root()->Renumber(this, object);
    result = object;
    return;
  }
  result = CopyObject(object);
  if (kind != 1) return;
  std::int64_t handle = object->Handle();
  object->Delete();
  if (TExploreObject* left = TExploreObject::FromHandle(handle); left && left->Enabled(opApply)) left->Apply();
}

void TEObjectSet::DoCreate(TExploreObject*& result, const std::string& parameter) {
  TEObjectDef* def = Definition();
  std::string name = parameter;
  if (name.empty() && def->Kind() == okColumnReference) {
    // A new reference names itself after the first target not taken yet.
    TEObjectSet* target = ref_->TargetSet(this);
    for (int i = 0; target && name.empty() && i < target->Children().GetCount(); ++i) {
      const std::string& candidate = target->Children().Item(i)->Name();
      if (!Children().FindByName(candidate)) name = candidate;
    }
    if (name.empty()) RaiseDbXError(fw::Format("Cannot create a new %s", {def->Name()}));
  }
  TEObject* object = ref_->IsReference() ? TExploreObject::Create<TERefObject>(this, def) : def->MakeObject(this);
  result = object;
  TEObjects::DoCreate(result, name);
  object->SetName(name.empty() ? object->MakeUniqueName("", true) : name);
  object->SetKeyFromName();
  object->ResortInParent();
}

TEObject* TEObjectSet::CopyObject(TEObject* source) {
  auto* copy = static_cast<TEObject*>(NewObject(""));
  if (TEObjectDef* def = Definition(); def->CopyStep) {
    def->CopyStep(*source, *copy);
  } else if (source->Enabled(opText) && copy->Enabled(opText)) {
    copy->SetText(source->GetText(0));
  } else {
    TEProperties& from = source->Properties();
    TEProperties& to = copy->Properties();
    for (int i = 0; i < from.GetCount() && i < to.GetCount(); ++i) to.Property(i)->StoreValue(from.Property(i)->Value());
  }
  copy->SetName(copy->MakeUniqueName(source->Name(), true));
  copy->SetKeyFromName();

  TExploreList& sets = source->Children();
  for (int i = 0; sets.Loaded() && i < sets.Count(); ++i) {
    auto* set = dynamic_cast<TEObjectSet*>(sets.Item(i));
    auto* mine = set ? dynamic_cast<TEObjectSet*>(copy->Children().FindByName(set->Name())) : nullptr;
    if (!mine) continue;
    for (int k = 0; k < set->Children().GetCount(); ++k)
      if (auto* item = dynamic_cast<TEObject*>(set->Children().Item(k)); item && item->EditState() != esDeleted)
        mine->CopyObject(item)->EndEdit();
  }
  return copy;
}

void TEObjectSet::Validate(fw::TStrings* errors) {
  TEObjects::Validate(errors);
  int count = Children().Count() - Children().CountInState(1u << esDeleted);
  std::string owner = Parent() ? Parent()->Name() : std::string();
  if (ref_->CardA() >= 1 && count == 0)
    ReportOrCollectError(errors, this, MakeDbXError(fw::Format("No %s defined for %s", {ref_->DisplayName(), owner})));
  if (ref_->CardB() == 1 && count > 1)
    ReportOrCollectError(errors, this,
                         MakeDbXError(fw::Format("There may only be %d %s %s", {1, ref_->DisplayName(), "items"})));
}

std::string TEObjectSet::GetTextAt(int index) {
  bool pending = EditState() != esBrowse || (Parent() && Parent()->EditState() != esBrowse);
  if (index > 0 && !pending) return {};
  std::string text;
  TExploreList& children = Children();
  for (int i = 0; i < children.GetCount(); ++i) {
    auto* object = dynamic_cast<TEObject*>(children.Item(i));
    if (!object || (index > 0 && object->Exists())) continue;
    std::string piece = object->GetText(index);
    if (ref_->Kind() == rkOwnedLines)
      text += piece + "\n";
    else
      text += Root()->Separator(0) + piece;
  }
  return text;
}

// ---------------------------------------------------------------- TEObject

void TEObject::Init(TExploreObject* parent) {
  TEObjects::Init(parent);
  TEObjectSet* set = Set();
  if (!def_ && set) def_ = set->Definition();
  std::uint16_t mask = set ? set->Ref()->Mask() : 0;
  SetAttributes(DeclaredOperations() | (mask & ~opNew));
}

TEObjectSet* TEObject::Set() const { return dynamic_cast<TEObjectSet*>(Parent()); }

TEObjectRefs* TEObject::ChildRefs() { return def_ ? &def_->Refs() : nullptr; }

int TEObject::GetKind() { return def_ ? def_->Kind() : okNone; }

std::string TEObject::GetTypeName() { return def_ ? def_->Name() : TEObjects::GetTypeName(); }

std::string TEObject::GetPath() {
  std::string step = Name();
  if (def_ && !def_->KeyParts.empty()) {
    std::vector<std::string> parts;
    for (int key : def_->KeyParts) parts.push_back(KeyPart(key)->GetText(1));
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    step = JoinParts(parts);
  }
  return Parent() ? Parent()->GetPath() + "/" + PathStep(step) : PathStep(step);
}

void TEObject::LoadProperties() {
  if (!def_) return;
  for (int i = 0; i < def_->Count(); ++i) {
    auto* definition = static_cast<TEPropDef*>(def_->Item(i));
    TEProperty* property = Properties().Add(definition->PropClass, *definition);
    if (auto* prop = dynamic_cast<TEProp*>(property)) prop->SetPropDef(definition);
  }
}

void TEObject::LoadChildren() { MakeSets(); }

TEProperty* TEObject::KeyPart(int index) { return static_cast<TEProperty*>(Properties().GetItem(index)); }

std::string TEObject::KeyName() {
  if (!def_ || def_->KeyParts.empty()) return Name();
  std::vector<std::string> parts;
  for (int key : def_->KeyParts) parts.push_back(KeyPart(key)->GetText(0));
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  return JoinParts(parts);
}

void TEObject::SetKeyFromName() {
  if (!def_ || def_->KeyParts.empty()) return;
  std::vector<std::string> parts = def_->SplitName(Name());
  if (parts.size() != def_->KeyParts.size()) return;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    TEProperty* property = KeyPart(def_->KeyParts[k]);
    property->StoreValue(ValueOfText(parts[k], property->TypeCode()));
  }
}

void TEObject::DoRename(const std::string& name) {
  TEObjects::DoRename(name);
  SetKeyFromName();
}

void TEObject::ReadFields(fw::TDataSet& dataset) {
  TEProperties& properties = Properties();
  for (int i = 0; i < properties.GetCount(); ++i) {
    auto* property = dynamic_cast<TEFieldProp*>(properties.Property(i));
    if (!property || (property->PropDef() && property->PropDef()->Attributes().Contains(paGetValue))) continue;
    int position = property->PropDef() ? property->PropDef()->FieldIndex : -1;
    fw::TField* field = position >= 0 ? (position < dataset.FieldCount() ? dataset.Fields(position) : nullptr)
                                      : dataset.FindField(property->Name());
    if (field) property->ReadField(*field);
  }
  std::string name = KeyName();
  if (auto* reference = dynamic_cast<TERefObject*>(this))
    reference->SetRefPath(name);
  else
    SetName(name);
  InvalidateText();
  exists_.reset();
  if (def_ && def_->ReadHook) def_->ReadHook(*this, dataset);
  if (def_ && !def_->HasDescriptors()) Children().Load();
}

TExploreObject* TEObject::DoRefresh() {
  TEObjectSet* set = Set();
  if (!set || !def_) return TEObjects::DoRefresh();
  std::unique_ptr<fw::TDataSet> rows = Root()->OpenObjectQuery(*set);
  for (rows->First(); !rows->Eof(); rows->Next()) {
    std::vector<std::string> parts;
    for (int key : def_->KeyParts) {
      auto* definition = static_cast<TEPropDef*>(def_->Item(key));
      fw::TField* field = definition->FieldIndex >= 0 ? rows->Fields(definition->FieldIndex)
                                                      : rows->FindField(definition->Name());
      parts.push_back(field ? field->AsString() : std::string());
    }
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    if (JoinParts(parts) == Name()) {
      ReadFields(*rows);
      return TEObjects::DoRefresh();
    }
  }
  // The row went: so does the object.
  DetachAndRelease();
  return nullptr;
}

void TEObject::DoApply() {
  TEProperties& properties = Properties();
  for (int i = 0; i < properties.Count(); ++i)
    if (properties.Property(i)->Attributes().Contains(paGetValue)) properties.Property(i)->GetValue();
  if (TExploreList* linked = FindLinkList(0)) {
    std::vector<TExploreObject*> targets;
    for (int i = 0; i < linked->Count(); ++i) targets.push_back(linked->Item(i));
    for (TExploreObject* target : targets)
      if (target->Enabled(opApply) && target->LockState() != lsApplying && target->LockCount() == 0 &&
          !target->IsAncestorOf(this))
        target->Apply();
  }
  bool deleted = EditState() == esDeleted;
  TEObjects::DoApply();
  if (!deleted && Enabled(opRefresh)) Refresh();
}

TDbXErrorPtr TEObject::ValidateName(const std::string& name) {
  TDbXErrorPtr invalid = MakeDbXError("\"" + name + "\" is not a valid name");
  if (name.empty()) return invalid;
  if (def_ && !def_->KeyParts.empty() && def_->SplitName(name).size() != def_->KeyParts.size()) return invalid;
  if (GetKind() == okColumnReference)
    if (TEObjectSet* set = Set()) try {
        set->Ref()->FindTarget(set, name);
      } catch (const EDbXError& e) {
        return MakeDbXError(e.Message());
      }
  return TEObjects::ValidateName(name);
}

void TEObject::PropertyChanged(TEProperty* property) {
  InvalidateText();
  TEObjects::PropertyChanged(property);
}

std::string TEObject::GetTextAt(int index) {
  if (textStale_) {
    text_ = def_ ? ExpandTemplate(GetMDManager().ReadRootString(Root(), "Template:" + def_->Name())) : std::string();
    textStale_ = false;
  }
  if (!textCaptured_ && EditState() == esBrowse) {
    originalText_ = text_;
    textCaptured_ = true;
  }
  switch (index) {
    case 0:
      return text_;
    case 1: {
      std::string text = text_;
      TExploreList& sets = Children();
      for (int i = 0; i < sets.GetCount(); ++i) text += sets.Item(i)->GetText(1);
      return text;
    }
    default:
      return EditState() == esBrowse ? std::string() : text_;
  }
}

bool TEObject::Exists() {
  if (!exists_ && EditState() <= esChildPending) exists_ = Root()->ObjectExists(*this);
  return exists_.value_or(false);
}

void TEObject::LinkNotification(TExploreObject* object, bool isChild, bool added, bool isTarget) {
  TEObjects::LinkNotification(object, isChild, added, isTarget);
  if (isChild || added || isTarget || Destroying()) return;
  // The link to a referred object went, with the object or without it: a
  // reference to it would point at nothing.
  TEProperties& properties = Properties();
  for (int i = 0; i < properties.Count(); ++i) {
    auto* reference = dynamic_cast<TERefProp*>(properties.Property(i));
    if (!reference || fw::VarIsNull(reference->Value())) continue;
    TExploreObject* referred = reference->Referred();
    if (!referred || referred == object) reference->TEProp::StoreValue(fw::Null());
  }
}

// ---------------------------------------------------------------- TERefObject

void TERefObject::SetRefPath(const std::string& path) {
  refPath_ = path;
  SetName(NameFromPath(path));
}

std::string NameFromPath(const std::string& path) {
  TScanner scanner;
  scanner.SetDoubledQuotes(true);
  scanner.SetText(path);
  std::vector<std::string> names;
  auto readName = [&] {
    return scanner.CharIs(0, U'"') ? UnquoteDouble("\"" + scanner.ReadQuoted() + "\"")
                                   : scanner.ReadUntil(PathDelimiters());
  };
  while (scanner.InRange()) {
    TChar c = scanner.ReadChar(0);
    if (c == U'/' || c == U'<' || c == U'^' || c == U' ') {
      scanner.Next();
    } else if (c == U'>' || c == U':') {
      scanner.Next();
      readName();  // a descriptor or a type, no name
    } else if (c == U'"' || IsIdentChar(c)) {
      names.push_back(readName());
    } else {
      RaiseDbXError(kInternalError, "Cannot find name in path " + path);
    }
  }
  return JoinParts(names);
}

// ---------------------------------------------------------------- properties

void TEProp::AssignValue(const fw::Variant& value) {
  TEProperty::AssignValue(value);
  if (propDef_ && propDef_->WriteHook) propDef_->WriteHook(*this, propDef_->WriteData);
}

void TEFieldProp::ReadField(fw::TField& field) {
  // Blobs stay unread unless a memo that is shown.
  bool shownMemo = TypeCode() == ftMemo && Level() > 0;
  StoreValue(field.IsNull() || (field.IsBlob() && !shownMemo) ? fw::Null() : field.Value());
  if (TEPropDef* definition = PropDef(); definition && definition->ReadHook)
    definition->ReadHook(*this, definition->ReadData);
}

TExploreObject* TERefProp::Referred() const { return VariantToObject(Value()); }

void TERefProp::SetReferred(TExploreObject* object) { StoreValue(ObjectToVariant(object)); }

std::string TERefProp::GetText(int kind) {
  TExploreObject* object = Referred();
  if (object) return object->Name();
  return kind == 1 ? "<none>" : std::string();
}

void TERefProp::SetTextVia(int /*kind*/, const std::string& text) {
  TExploreObject* object = nullptr;
  if (!text.empty() && text != "<none>") {
    TEObjectRef* target = PropDef() ? PropDef()->RefTarget : nullptr;
    if (!target) RaiseNotSupported();
    object = target->FindTarget(Object(), text);
  }
  SetValue(ObjectToVariant(object));
}

void TERefProp::StoreValue(const fw::Variant& value) {
  TExploreObject* before = Referred();
  TEProp::StoreValue(value);
  TExploreObject* after = Referred();
  if (before == after) return;
  TExploreObject* owner = Object();
  if (before) owner->RemoveDependent(before);
  if (after) owner->AddDependent(after);
}

void TERefProp::Edit() {
  if (TExploreObject* object = Referred()) object->NotifyChanged();
}

// ---------------------------------------------------------------- TExpander

std::string TExpander::ExpandText(const std::string& text) {
  std::string result;
  std::size_t position = 0;
  for (;;) {
    std::size_t open = text.find('`', position);
    if (open == std::string::npos) break;
    std::size_t close = text.find('`', open + 1);
    if (close == std::string::npos) RaiseDbXError(kMappingError, "Bad template: " + text);
    result += text.substr(position, open - position);
    result += ExpandMacro(*object_, text.substr(open + 1, close - open - 1));
    position = close + 1;
  }
  return result + text.substr(position);
}

std::string TExpander::ExpandNested(TEObjects& object, const std::string& text) {
  if (depth_ >= kMaxTemplateDepth) RaiseDbXError(kMappingError, "Bad template: " + text);
  fw::TRestoreScope depth(depth_, depth_ + 1);
  fw::TRestoreScope current(object_, &object);
  return ExpandText(text);
}

std::string TExpander::ReadIdentifier() {
  while (scanner_ && scanner_->CharIs(0, U' ')) scanner_->Next();
  std::u32string chars;
  while (scanner_ && scanner_->InRange() && IsIdentChar(scanner_->ReadChar(0))) chars += scanner_->ReadChar(1);
  return fw::CharsToUtf8(chars);
}

std::string TExpander::ExpandMacro(TEObjects& object, const std::string& text) {
  TScanner scanner;
  scanner.SetText(text);
  fw::TRestoreScope reading(scanner_, &scanner);
  TEObjects* current = &object;
  bool output = true, suppressEmpty = false;
  std::string result;
  auto add = [&](const std::string& piece) {
    if (suppressEmpty && piece.empty())
      output = false;
    else
      result += piece;
  };
  auto badTemplate = [&] { RaiseDbXError(kMappingError, "Bad template: " + text); };
  auto property = [&](const std::string& name) { return current->Properties().PropertyByName(name); };
  auto readNumber = [&] {
    std::string digits;
    while (scanner.InRange() && fw::IsDigit(scanner.ReadChar(0))) digits += static_cast<char>(scanner.ReadChar(1));
    return digits.empty() ? 0 : std::stoi(digits);
  };

  for (bool walking = true; walking;) {
    TChar c = scanner.ReadChar(1);
    switch (c) {
      case 0:
        walking = false;
        break;
      case U' ':
        break;
      case U'!':
        suppressEmpty = !suppressEmpty;
        break;
      case U'"':
        add(current->Properties().FindByCaptionOrRaise(scanner.ReadUntil(TCharSet(U"\"")))->GetText(1));
        break;
      case U'#': {
        TExploreObject* parent = current->Parent();
        add(std::to_string(parent ? parent->Children().IndexOf(current) + 1 : 0));
        break;
      }
      case U'\'':
        add(scanner.ReadUntil(TCharSet(U"'")));
        break;
      case U'*':
        add(current->GetText(0));
        break;
      case U':': {
        TEProperty* p = property(ReadIdentifier());
        add(current->Root()->FormatValue(p->TypeCode(), p->GetValue()));
        break;
      }
      case U'=':
        add(property(ReadIdentifier())->GetText(0));
        break;
      case U'@':
        add(property(ReadIdentifier())->GetText(1));
        break;
      case U'N':
      case U'O': {
        std::string name = c == U'N' ? current->Name() : current->GetOriginalName();
        bool quote = scanner.CharIs(0, U'Q');
        if (quote) scanner.Next();
        int first = readNumber(), last = first;
        if (first > 0 && scanner.CharIs(0, U'-')) {
          scanner.Next();
          last = readNumber();
        }
        if (first > 0) {
          auto* schemaObject = dynamic_cast<TEObject*>(current);
          std::vector<std::string> parts = schemaObject && schemaObject->Definition()
                                               ? schemaObject->Definition()->SplitName(name)
                                               : SplitByChars(name, TCharSet(U"."));
          if (last <= 0 || last > static_cast<int>(parts.size())) last = static_cast<int>(parts.size());
          std::vector<std::string> chosen;
          for (int i = first; i <= last; ++i) chosen.push_back(parts[static_cast<std::size_t>(i - 1)]);
          name = JoinParts(chosen);
        }
        add(quote ? current->Root()->FormatValue(ftString, name) : name);
        break;
      }
      case U'[': {
        std::string setName = scanner.ReadUntil(TCharSet(U":"));
        std::string format = scanner.ReadUntil(TCharSet(U":"));
        std::string itemTemplate = scanner.ReadUntil(TCharSet(U"]"));
        auto* set = dynamic_cast<TEObjects*>(current->Children().FindByName(setName));
        if (!set) RaiseDbXError(kMappingError, "No link object found: " + text);
        if (format.empty()) format = "%s\n%s";
        std::string joined;
        bool first = true;
        for (int i = 0; i < set->Children().GetCount(); ++i) {
          auto* item = dynamic_cast<TEObjects*>(set->Children().Item(i));
          if (!item || item->EditState() == esDeleted) continue;
          std::string piece = ExpandMacro(*item, itemTemplate);
          joined = first ? piece : fw::Format(format, {joined, piece});
          first = false;
        }
        add(joined);
        break;
      }
      case U'\\':
        switch (scanner.ReadChar(1)) {
          case U'N':
            add("\n");
            break;
          case U'Q':
            add("'");
            break;
          default:
            badTemplate();
        }
        break;
      case U'{': {
        TExploreObject* found = current->FindPath(scanner.ReadUntil(TCharSet(U"}")));
        current = dynamic_cast<TEObjects*>(found);
        if (!current) {
          output = false;
          walking = false;
        }
        break;
      }
      default: {
        if (!IsIdentChar(c)) badTemplate();
        scanner.Back();
        std::string name = ReadIdentifier();
        TERoot* root = current->Root();
        const TPublished* method = root ? FindPublished(root->ClassType(), name) : nullptr;
        if (!method || !method->Macro)
          RaiseDbXError(kInternalError,
                        "Method " + name + " not found in " + (root ? root->ClassName() : std::string("TERoot")));
        add(method->Macro(*this, *current));
        break;
      }
    }
  }
  return output ? result : std::string();
}

// ---------------------------------------------------------------- unit start

void InitDbSchema() {
  fw::TClass root = TERoot::StaticClass();
  RegisterMacroMethod(root, "EDefaultName", [](TExpander&, TEObjects& object) {
    return object.Name().empty() ? object.GetTypeName() + "1" : object.Name();
  });
  RegisterMacroMethod(root, "EType",
                      [](TExpander&, TEObjects& object) { return object.GetPropertyStoredText("Type"); });
  RegisterMacroMethod(root, "ETemplates", [](TExpander& expander, TEObjects& object) {
    std::string name = expander.ReadIdentifier();
    std::string text = GetMDManager().ReadRootString(object.Root(), "Template:" + name);
    return fw::Trim(expander.ExpandNested(object, text));
  });
  RegisterPropHook(root, "PTrim", [](TEProp& property, std::uint32_t) {
    if (!property.Attributes().Contains(paGetValue)) property.StoreValue(fw::Variant(fw::Trim(property.GetText(0))));
  });
}

void DoneDbSchema() { Published().clear(); }

}  // namespace dbx

#include "DbExplif.h"

#include "Scope.h"
#include "Text.h"

namespace dbx {

FW_IMPLEMENT_CLASS(TEPropertyDef)
FW_IMPLEMENT_CLASS(TEProperty)
FW_IMPLEMENT_CLASS(TEPropertyDefs)
FW_IMPLEMENT_CLASS(TEProperties)

// ---------------------------------------------------------------- TEPropertyDef

TEPropertyDef::TEPropertyDef(std::string name, std::string caption, int level, int typeCode)
    : name_(std::move(name)),
      caption_(std::move(caption)),
      level_(static_cast<std::uint8_t>(level)),
      typeCode_(static_cast<std::uint8_t>(typeCode)) {}

void TEPropertyDef::SetAttributeWord(std::uint16_t word) { attributes_ = TEPropertyAttributes::FromBits(word); }

void TEPropertyDef::Assign(TEPropertyDef& definition) {
  caption_ = definition.caption_;
  level_ = definition.level_;
  name_ = definition.name_;
  typeCode_ = definition.typeCode_;
  helpContext_ = definition.helpContext_;
  attributes_ = definition.attributes_;
  if (!attributes_.Contains(paGetEditor)) {
    editor_ = definition.editor_;
    heldEditor_ = definition.heldEditor_;
  }
}

TEPropertyEditor* TEPropertyDef::GetEditor() {
  if (attributes_.Contains(paGetEditor)) {
    attributes_.Exclude(paGetEditor);
    if (list_) list_->AssignEditor(this);
  }
  return editor_;
}

void TEPropertyDef::SetEditor(TEPropertyEditor* editor) {
  attributes_.Exclude(paGetEditor);
  if (editor_) attributes_ -= editor_->Bits();
  editor_ = editor;
  if (editor_) attributes_ += editor_->Bits();
  if (heldEditor_.get() != editor) heldEditor_.reset();
}

void TEPropertyDef::SetEditor(std::shared_ptr<TEPropertyEditor> editor) {
  SetEditor(editor.get());
  heldEditor_ = std::move(editor);
}

// ---------------------------------------------------------------- TEProperty

TEProperties& TEProperty::Properties() const {
  auto* list = dynamic_cast<TEProperties*>(List());
  if (!list) RaiseDbXError(kInternalError, "Property " + Name() + " belongs to no object");
  return *list;
}

TExploreObject* TEProperty::Object() const { return Properties().Owner(); }

int TEProperty::GetLevel() {
  constexpr TEPropertyAttributes kShownAnyway{paEditable, paRequired, paSubProperties, paGetValue};
  if (Level() > 0 && (attributes_ * kShownAnyway).Empty() && VariantsEqual(value_, fw::Unassigned()) && !GetEditor())
    return 0;
  return Level();
}

void TEProperty::SetAttributeWord(std::uint16_t word) {
  TEPropertyDef::SetAttributeWord(word);
  Properties().Changed(this, evProperties, 3);
}

void TEProperty::AssignValue(const fw::Variant& value) {
  if (VariantsEqual(value_, value)) return;
  if (!GetAttributes().Contains(paEditable)) RaiseDbXError("Cannot edit " + GetCaption());
  SetEditState(esModified);
  if (fw::VarIsNull(value)) {
    StoreValue(fw::Null());
  } else {
    fw::TVarType kind = VariantKindOfType(TypeCode());
    fw::Variant converted = value;
    if (kind != fw::varEmpty) {
      try {
        converted = fw::VarAsType(value, kind);
      } catch (const fw::Exception&) {
        RaiseDbXError(GetCaption() + " cannot have a value of " + VarToText(value));
      }
    }
    StoreValue(converted);
  }
  Object()->PropertyChanged(this);
}

std::string TEProperty::GetText(int kind) {
  if (TEPropertyEditor* editor = GetEditor()) return editor->GetText(*this, kind);
  return VarToText(GetValue());
}

void TEProperty::SetTextVia(int kind, const std::string& text) {
  if (TEPropertyEditor* editor = GetEditor())
    editor->SetText(*this, kind, text);
  else
    SetValue(TextToVariant(text));
}

TDbXErrorPtr TEProperty::GetError() {
  if (editState_ == esBrowse) return nullptr;
  if (attributes_.Contains(paRequired) && GetText(1).empty())
    return MakeDbXError("A value must be specified for " + GetCaption());
  if (TEPropertyEditor* editor = GetEditor()) return editor->ValidateValue(*this);
  return nullptr;
}

void TEProperty::StoreValue(const fw::Variant& value) {
  value_ = value;
  attributes_.Exclude(paGetValue);
  Properties().Changed(this, evProperties, 2);
}

void TEProperty::SetTextValue(int /*kind*/, const std::string& text) { StoreValue(TextToVariant(text)); }

void TEProperty::Edit() {
  if (TEPropertyEditor* editor = GetEditor()) editor->Edit(*this);
}

void TEProperty::GetValues(const TGetStrProc& callback) {
  if (TEPropertyEditor* editor = GetEditor()) editor->GetValues(callback, *this);
}

void TEProperty::SetValue(const fw::Variant& value) {
  TExploreObject* object = Object();
  if (!object->RunLocked(lsEditing, [&] { AssignValue(value); })) return;
  if (object->LockCount() == 0)
    if (TDbXErrorPtr error = GetError()) throw EDbXError(*error);
}

TEPropertyAttributes TEProperty::GetAttributes() const {
  TExploreObject* object = Object();
  TEPropertyAttributes attributes = attributes_;
  if (!object->Enabled(opModify))
    attributes.Exclude(paEditable);
  else if (attributes.Contains(paEditNew) && object->EditState() == esNew)
    attributes.Include(paEditable);
  return attributes;
}

void TEProperty::SetEditState(int state) {
  if (!(state > editState_ || (state == esBrowse && editState_ != esBrowse))) return;
  Properties().Changed(this, evEditState, state);
  editState_ = static_cast<std::uint8_t>(state);
}

// ---------------------------------------------------------------- TEPropertyDefs

TEPropertyDefs::~TEPropertyDefs() = default;

TEPropertyDef* TEPropertyDefs::Item(int index) const {
  if (index < 0 || index >= Count())
    throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<std::size_t>(index)].get();
}

TEPropertyDef* TEPropertyDefs::Find(std::string_view name) {
  for (int i = 0; i < GetCount(); ++i) {
    TEPropertyDef* item = Item(i);
    if (NameCompare ? NameCompare(item->Name(), name) == 0 : item->Name() == name) return item;
  }
  return nullptr;
}

TEPropertyDef* TEPropertyDefs::FindOrRaise(std::string_view name) {
  TEPropertyDef* item = Find(name);
  if (!item) RaiseDbXError("Property " + std::string(name) + " does not exist");
  return item;
}

void TEPropertyDefs::Clear() { items_.clear(); }

TEPropertyDef* TEPropertyDefs::Insert(std::unique_ptr<TEPropertyDef> item) {
  Admit(*item);
  TEPropertyDef* raw = item.get();
  raw->list_ = this;
  items_.push_back(std::move(item));
  Inserted(raw);
  return raw;
}

std::unique_ptr<TEPropertyDef> TEPropertyDefs::TakeLast() {
  std::unique_ptr<TEPropertyDef> item = std::move(items_.back());
  items_.pop_back();
  return item;
}

// ---------------------------------------------------------------- TEProperties

TEProperties::~TEProperties() = default;

TEProperty* TEProperties::Property(int index) const { return static_cast<TEProperty*>(Item(index)); }

int TEProperties::GetCount() {
  Load();
  return Count();
}

TEPropertyDef* TEProperties::GetItem(int index) {
  Load();
  return Item(index);
}

void TEProperties::AssignEditor(TEPropertyDef* definition) { owner_->AssignPropertyEditor(definition); }

void TEProperties::Clear() {
  while (Count() > 0) {
    auto* last = static_cast<TEProperty*>(Item(Count() - 1));
    Changed(last, evProperties, 0);
    TakeLast();
  }
}

TEProperty* TEProperties::Add(const TEPropertyClass& cls, TEPropertyDef& definition) {
  if (!cls) RaiseDbXError(kInternalError, "No prop class: " + definition.Name());
  std::unique_ptr<TEProperty> property = cls.Create();
  property->Assign(definition);
  return static_cast<TEProperty*>(Insert(std::move(property)));
}

// Property, Clear and Inserted read every item as a property.
void TEProperties::Admit(const TEPropertyDef& item) {
  if (!dynamic_cast<const TEProperty*>(&item))
    RaiseDbXError(kInternalError, "Definition " + item.Name() + " is no property");
}

void TEProperties::Inserted(TEPropertyDef* item) {
  auto* property = static_cast<TEProperty*>(item);
  int state = owner_->EditState();
  if (state == esNew || state == esDeleted) property->editState_ = static_cast<std::uint8_t>(state);
  Changed(property, evProperties, 1);
}

void TEProperties::SetLoaded(bool flag) {
  if (flag == loaded_) return;
  bool alive = owner_->RunLocked(lsLoading, [&] {
    loaded_ = flag;
    // a half-filled list is emptied, so that the next fill starts afresh
    fw::TScopeFail undo([&] {
      if (flag) Clear();
      loaded_ = !flag;
    });
    if (flag)
      owner_->LoadProperties();
    else
      Clear();
  });
  if (!alive) return;
  if (PassesToOwner(owner_->LockState())) owner_->Changed(this, evProperties, flag ? 1 : 0);
}

TEProperty* TEProperties::PropertyByName(std::string_view name) {
  Load();
  return static_cast<TEProperty*>(FindOrRaise(name));
}

TEProperty* TEProperties::FindByCaption(std::string_view caption) {
  Load();
  for (int i = 0; i < Count(); ++i)
    if (fw::AnsiSameText(Property(i)->GetCaption(), caption)) return Property(i);
  return nullptr;
}

TEProperty* TEProperties::FindByCaptionOrRaise(std::string_view caption) {
  TEProperty* property = FindByCaption(caption);
  if (!property) RaiseDbXError("Property " + std::string(caption) + " does not exist");
  return property;
}

int TEProperties::CountMatching(int levelFrom, int levelTo, bool all, TEPropertyAttributes mask) {
  Load();
  int n = 0;
  for (int i = 0; i < Count(); ++i) {
    TEProperty* property = Property(i);
    int level = property->GetLevel();
    if (level < levelFrom || level > levelTo) continue;
    TEPropertyAttributes held = property->GetAttributes() * mask;
    if (all ? held == mask : !held.Empty()) ++n;
  }
  return n;
}

int TEProperties::AggregateValidity() {
  if (pending_ == 0) return vaValid;
  for (int i = 0; i < Count(); ++i) {
    TEProperty* property = Property(i);
    if (property->editState_ != esBrowse && property->GetError()) return vaInvalid;
  }
  return vaNeedsValidation;
}

void TEProperties::Validate(fw::TStrings* errors) {
  for (int i = 0; i < Count(); ++i) {
    TEProperty* property = Property(i);
    if (property->editState_ != esBrowse) ReportOrCollectError(errors, owner_, property->GetError());
  }
}

void TEProperties::SetEditStateAll(int state) {
  for (int i = 0; i < Count(); ++i) Property(i)->SetEditState(state);
}

void TEProperties::Changed(TEProperty* sender, int event, const TExploreArg& arg) {
  if (event == evProperties && (arg.Number == 0 || arg.Number == 1)) {
    if (sender->editState_ != esBrowse) pending_ += arg.Number == 1 ? 1 : -1;
  } else if (event == evEditState) {
    if ((sender->editState_ != esBrowse) != (arg.Number != esBrowse)) pending_ += arg.Number != esBrowse ? 1 : -1;
  }
  if (PassesToOwner(owner_->LockState())) owner_->Changed(sender, event, arg);
}

}  // namespace dbx

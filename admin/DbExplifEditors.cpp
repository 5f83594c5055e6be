#include "DbExplif.h"

#include "Text.h"

namespace dbx {

FW_IMPLEMENT_CLASS(TEPropertyEditor)
FW_IMPLEMENT_CLASS(TEStringValues)
FW_IMPLEMENT_CLASS(TERegisteredPE)
FW_IMPLEMENT_CLASS(TERegisteredEditor)
FW_IMPLEMENT_CLASS(TERegisteredValues)
FW_IMPLEMENT_CLASS(TEActions)
FW_IMPLEMENT_CLASS(TERegisteredActions)
FW_IMPLEMENT_CLASS(TEAction)
FW_IMPLEMENT_CLASS(TERegisteredAction)

namespace {

// The unit's globals, alive from InitDbExplif to DoneDbExplif.
std::unique_ptr<std::vector<std::unique_ptr<TERegisteredPE>>> editorRegistry;
std::unique_ptr<TERegisteredActions> registeredActions;

}  // namespace

// ---------------------------------------------------------------- values

fw::TVarType VariantKindOfType(int typeCode) {
  switch (typeCode) {
    case ftString:
    case ftMemo:
      return fw::varString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return fw::varInteger;
    case ftBoolean:
      return fw::varBoolean;
    case ftFloat:
      return fw::varDouble;
    case ftCurrency:
    case ftBCD:
      return fw::varCurrency;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return fw::varDate;
    default:
      return fw::varEmpty;
  }
}

int ValueClassOfKind(fw::TVarType kind) {
  switch (kind) {
    case fw::varSmallint:
    case fw::varInteger:
    case fw::varSingle:
    case fw::varDouble:
    case fw::varCurrency:
    case fw::varShortInt:
    case fw::varByte:
    case fw::varWord:
    case fw::varLongWord:
    case fw::varInt64:
      return 2;
    case fw::varDate:
      return 4;
    case fw::varOleStr:
    case fw::varString:
      return 3;
    case fw::varError:
    case fw::varBoolean:
    case fw::varVariant:
      return 1;
    default:
      return 0;
  }
}

std::string VarToText(const fw::Variant& value) {
  if (fw::VarIsNull(value) || fw::VarIsEmpty(value)) return {};
  try {
    return fw::VarToStr(value);
  } catch (const fw::Exception&) {
    return "????";
  }
}

fw::Variant TextToVariant(const std::string& text) { return text.empty() ? fw::Null() : fw::Variant(text); }

int VariantToIntDef(const fw::Variant& value) {
  if (fw::VarIsNull(value) || fw::VarIsEmpty(value)) return 0;
  try {
    return value.AsInteger();
  } catch (const fw::Exception&) {
    return 0;
  }
}

fw::Variant ObjectToVariant(TExploreObject* object) {
  if (!object) return fw::Null();
  return fw::Variant(static_cast<long long>(object->Handle()));
}

TExploreObject* VariantToObject(const fw::Variant& value) {
  switch (fw::VarType(value)) {
    case fw::varSmallint:
    case fw::varInteger:
    case fw::varShortInt:
    case fw::varByte:
    case fw::varWord:
    case fw::varLongWord:
    case fw::varInt64:
      return TExploreObject::FromHandle(value.AsInt64());
    default:
      return nullptr;
  }
}

bool VariantsEqual(const fw::Variant& a, const fw::Variant& b) {
  auto blank = [](const fw::Variant& v) {
    return fw::VarIsNull(v) || fw::VarIsEmpty(v) || (fw::VarType(v) == fw::varString && v.AsString().empty());
  };
  if (blank(a) && blank(b)) return true;
  try {
    return a == b;
  } catch (const fw::Exception&) {
    return false;
  }
}

// ---------------------------------------------------------------- editors

std::string TEPropertyEditor::GetText(TEProperty& property, int kind) { return ValueToText(kind, property.GetValue()); }

std::string TEPropertyEditor::ValueToText(int /*kind*/, const fw::Variant& value) { return VarToText(value); }

void TEPropertyEditor::SetText(TEProperty& property, int /*kind*/, const std::string& text) {
  property.SetValue(TextToVariant(text));
}

fw::Variant TEStringValues::GetValueAt(int index) { return fw::Variant(strings_.Strings(index)); }

void TEStringValues::GetValues(const TGetStrProc& callback, TEProperty& /*property*/) {
  for (int i = 0; i < strings_.Count(); ++i) callback(strings_.Strings(i));
}

void TEStringValues::Edit(TEProperty& property) {
  int n = strings_.Count();
  if (n == 0) return;
  int current = -1;
  fw::Variant value = property.GetValue();
  for (int i = 0; i < n && current < 0; ++i)
    if (VariantsEqual(GetValueAt(i), value)) current = i;
  int next = current + 1 >= n ? 0 : current + 1;
  property.SetValue(GetValueAt(next));
}

bool TERegisteredPE::Matches(fw::TClass objectClass, std::string_view typeName, std::string_view propertyName) const {
  return (!ownerClass_ || (objectClass && objectClass->InheritsFrom(ownerClass_))) &&
         (typeName_.empty() || typeName_ == typeName) && (propertyName_.empty() || propertyName_ == propertyName);
}

void AddRegisteredEditor(std::unique_ptr<TERegisteredPE> editor) {
  if (!editorRegistry) RaiseDbXError(kInternalError, "Editor registry does not exist");
  editorRegistry->push_back(std::move(editor));
}

TERegisteredPE* FindRegisteredEditor(fw::TClass objectClass, std::string_view typeName, std::string_view propertyName) {
  if (!editorRegistry) return nullptr;
  for (auto it = editorRegistry->rbegin(); it != editorRegistry->rend(); ++it)
    if ((*it)->Matches(objectClass, typeName, propertyName)) return it->get();
  return nullptr;
}

// ---------------------------------------------------------------- actions

TEActions::~TEActions() = default;

int TEActions::Count() { return OwnCount() + (registeredActions ? registeredActions->Count() : 0); }

TEAction* TEActions::GetItem(int index) {
  if (index >= 0 && index < OwnCount()) return OwnItem(index);
  if (registeredActions && index >= OwnCount() && index < Count()) return registeredActions->GetItem(index - OwnCount());
  throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TEAction* TEActions::GetByName(std::string_view name) {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i)->Name() == name) return GetItem(i);
  return nullptr;
}

TEAction* TEActions::GetByNameOrRaise(std::string_view name) {
  TEAction* action = GetByName(name);
  if (!action) RaiseDbXError("Object " + std::string(name) + " does not exist");
  return action;
}

TEAction* TERegisteredActions::GetItem(int index) {
  if (index < 0 || index >= OwnCount())
    throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return OwnItem(index);
}

int TEAction::GetState(TExploreObject& object) { return object.EditState() == esBrowse ? asEnabled : asDisabled; }

int TERegisteredAction::GetState(TExploreObject& object) {
  if ((objectClass_ && !object.InheritsFrom(objectClass_)) || (!typeName_.empty() && object.GetTypeName() != typeName_))
    return asHidden;
  return TEAction::GetState(object);
}

TERegisteredActions& RegisteredActions() {
  if (!registeredActions) RaiseDbXError(kInternalError, "Action registry does not exist");
  return *registeredActions;
}

void ExecuteAction(TEAction* action, TExploreObject& object) {
  if (!action) return;
  if (action->GetState(object) != asEnabled) RaiseNotSupported();
  action->Execute(object);
}

// ---------------------------------------------------------------- unit start

void InitDbExplif() {
  editorRegistry = std::make_unique<std::vector<std::unique_ptr<TERegisteredPE>>>();
  registeredActions = std::make_unique<TERegisteredActions>();
}

void DoneDbExplif() {
  registeredActions.reset();
  editorRegistry.reset();
}

}  // namespace dbx

#include "DbExplif.h"

#include <algorithm>
#include <unordered_map>

#include "Scope.h"
#include "Text.h"

namespace dbx {

using namespace std::string_view_literals;

FW_IMPLEMENT_CLASS(TExploreList)
FW_IMPLEMENT_CLASS(TExploreObject)

namespace {

constexpr int kDestroyingLockCount = -16383;  // 0xC001 as a signed 16-bit count

// Characters that end a plain name in a path.
const TCharSet& PathDelimiters() {
  static const TCharSet s(U"\0\"!#%&'()*+,-/:;<=>?@"sv);
  return s;
}

bool StartsPlainName(TChar c) { return c == U'$' || c == U'_' || fw::IsDigit(c) || fw::IsLetter(c) || c >= 0x80; }

// Whether FindPath reads the name back unquoted.
bool ReadsBackPlain(std::string_view name) {
  TChars chars = fw::Utf8ToChars(name);
  if (chars.empty() || !StartsPlainName(chars[0])) return false;
  return std::none_of(chars.begin(), chars.end(), [](TChar c) { return PathDelimiters().Contains(c); });
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

// ---------------------------------------------------------------- errors

fw::TStrings* RaiseToken() {
  static fw::TStringList token;
  return &token;
}

void ReportOrCollectError(fw::TStrings* errors, TExploreObject* object, TDbXErrorPtr error) {
  if (!error) return;
  if (!errors || errors == RaiseToken()) throw EDbXError(*error);
  errors->AddObject(error->Message(), object);
}

TDbXErrorPtr CheckUniqueName(TExploreObject* parent, TExploreObject* object, const std::string& name) {
  TExploreList& children = parent->Children();
  for (int i = 0; i < children.Count(); ++i) {
    TExploreObject* child = children.Item(i);
    if (child != object && children.NameCompare(child->Name(), name) == 0)
      return MakeDbXError(Quoted(name) + " is not a unique name");
  }
  return nullptr;
}

std::uint16_t ParseAttributeLetters(std::string_view text, std::uint16_t mask) {
  bool adding = true;
  for (char c : text) {
    if (c == '+') {
      adding = true;
    } else if (c == '-') {
      adding = false;
    } else {
      std::size_t pos = kOperationLetters.find(c, 1);
      if (pos == std::string_view::npos) continue;
      auto bit = static_cast<std::uint16_t>(1u << pos);
      mask = adding ? static_cast<std::uint16_t>(mask | bit) : static_cast<std::uint16_t>(mask & ~bit);
    }
  }
  return mask;
}

// ---------------------------------------------------------------- TExploreList

TExploreList::TExploreList(TExploreObject* owner, bool children)
    : NameCompare([](std::string_view a, std::string_view b) { return fw::CompareStr(a, b); }),
      owner_(owner),
      loaded_(!children) {
  if (children) OnSort = [this](TExploreObject* a, TExploreObject* b) { return NameCompare(a->Name(), b->Name()); };
}

TExploreObject* TExploreList::Item(int index) const {
  if (index < 0 || index >= Count())
    throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<std::size_t>(index)];
}

int TExploreList::GetCount() {
  Load();
  return Count();
}

TExploreObject* TExploreList::GetItem(int index) {
  Load();
  return Item(index);
}

int TExploreList::IndexOf(const TExploreObject* object) const {
  auto it = std::find(items_.begin(), items_.end(), object);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TExploreObject* TExploreList::FindByName(std::string_view name) {
  Load();
  for (TExploreObject* item : items_)
    if (NameCompare(item->Name(), name) == 0) return item;
  return nullptr;
}

TExploreObject* TExploreList::FindOrRaise(std::string_view name) {
  TExploreObject* item = FindByName(name);
  if (!item) RaiseDbXError("Object " + std::string(name) + " does not exist");
  return item;
}

TExploreObject* TExploreList::Find(fw::TClass cls, std::string_view typeName) {
  Load();
  for (TExploreObject* item : items_)
    if ((!cls || item->InheritsFrom(cls)) && (typeName.empty() || item->GetTypeName() == typeName)) return item;
  return nullptr;
}

void TExploreList::Sort() {
  Load();
  if (OnSort)
    std::stable_sort(items_.begin(), items_.end(),
                     [this](TExploreObject* a, TExploreObject* b) { return OnSort(a, b) < 0; });
}

int TExploreList::CountInState(std::uint8_t states) const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [states](TExploreObject* item) {
    return item->editState_ < 8 && (states >> item->editState_) & 1;
  }));
}

void TExploreList::SetLoaded(bool flag) {
  if (flag == loaded_) return;
  owner_->Changed(this, flag ? evChildAdded : evChildRemoved, 0);
}

int TExploreList::AggregateValidity() const {
  if (pending_ == 0) return vaValid;
  int validity = vaValid;
  for (TExploreObject* item : items_) {
    validity = std::max<int>(validity, item->validity_);
    if (validity == vaInvalid) break;
  }
  return validity;
}

void TExploreList::ValidateAll(fw::TStrings* errors) {
  for (int i = 0; i < Count(); ++i) items_[static_cast<std::size_t>(i)]->ValidateIfNeeded(errors);
}

void TExploreList::SetEditStateAll(int state) {
  std::vector<TExploreObject*> items = items_;
  for (TExploreObject* item : items) item->ChangeState(state);
}

void TExploreList::CountEditState(const TExploreObject* sender, int state) {
  // Only a move between zero and non-zero changes the count; a state set to
  // the one it already has must not.
  if ((sender->editState_ != 0) != (state != 0)) pending_ += state != 0 ? 1 : -1;
}

void TExploreList::Changed(TExploreObject* sender, int event, const TExploreArg& arg) {
  switch (event) {
    case evEditState:
      CountEditState(sender, arg.Number);
      break;
    case evChildAdded:
      if (TExploreObject* child = arg.Object) {
        if (child->lockState_ != lsConstructing) MoveToSortedPlace(child);
        if (child->editState_ != 0) ++pending_;
      }
      break;
    case evChildRemoved:
      if (arg.Object && arg.Object->editState_ != 0) --pending_;
      break;
    case evName:
      MoveToSortedPlace(sender);
      if (PassesToOwner(owner_->lockState_)) owner_->Changed(sender, evChildMoved, sender);
      break;
    default:
      break;
  }
  if (PassesToOwner(owner_->lockState_)) owner_->Changed(sender, event, arg);
}

void TExploreList::MoveToSortedPlace(TExploreObject* object) {
  if (!OnSort) return;
  auto it = std::find(items_.begin(), items_.end(), object);
  if (it == items_.end()) return;
  items_.erase(it);
  int i = Count() - 1;
  while (i >= 0 && OnSort(items_[static_cast<std::size_t>(i)], object) > 0) --i;
  items_.insert(items_.begin() + (i + 1), object);
}

void TExploreList::Remove(TExploreObject* object) {
  auto it = std::find(items_.begin(), items_.end(), object);
  if (it != items_.end()) items_.erase(it);
}

// ---------------------------------------------------------------- TExploreObject: life

TExploreObject::TExploreObject()
    : properties_(std::make_unique<TEProperties>(this)), children_(std::make_unique<TExploreList>(this, true)) {}

TExploreObject::~TExploreObject() { DropHandle(); }

namespace {

// Handles are counted up and never given again, so a handle kept past its
// object's end finds nothing.
struct THandles {
  std::int64_t last = 0;
  std::unordered_map<std::int64_t, TExploreObject*> objects;
};

THandles& Handles() {
  static THandles handles;
  return handles;
}

}  // namespace

std::int64_t TExploreObject::Handle() {
  if (handle_ == 0) {
    THandles& handles = Handles();
    handle_ = ++handles.last;
    handles.objects[handle_] = this;
  }
  return handle_;
}

TExploreObject* TExploreObject::FromHandle(std::int64_t handle) {
  const THandles& handles = Handles();
  auto it = handles.objects.find(handle);
  return it == handles.objects.end() ? nullptr : it->second;
}

void TExploreObject::DropHandle() {
  if (handle_ == 0) return;
  Handles().objects.erase(handle_);
  handle_ = 0;
}

void TExploreObject::Construct(TExploreObject* parent) {
  // undo what Init did; the creator frees the object
  fw::TScopeFail undo([this] {
    BeginDestroy();
    BeforeDestroy();
  });
  Init(parent);
}

void TExploreObject::Init(TExploreObject* parent) {
  if (parent) {
    Lock(lsConstructing);
    SetParent(parent);
  }
}

void TExploreObject::Free() {
  BeginDestroy();
  fw::TScopeExit erase([this] { delete this; });
  BeforeDestroy();
}

void TExploreObject::BeginDestroy() {
  if (destroying_) return;
  // marked first, so that whatever the listener does while it hears of the
  // end cannot free the object a second time
  destroying_ = true;
  lockState_ = lsReleased;
  lockCount_ = kDestroyingLockCount;
  validity_ = vaValid;
  DropHandle();  // an object on its way out is no longer found
  Fire(evDestroying, 0);
}

void TExploreObject::BeforeDestroy() {
  if (links_[1]) {
    std::vector<TExploreObject*> linkers = links_[1]->items_;
    for (TExploreObject* other : linkers) other->RemoveDependent(this);
  }
  if (links_[0]) {
    std::vector<TExploreObject*> targets = links_[0]->items_;
    for (TExploreObject* other : targets) RemoveDependent(other);
  }
  ReleaseChildren();
  properties_->Clear();
  SetParent(nullptr);
}

// Last first. A child that a lock keeps alive leaves the tree: it must not
// point at a parent that no longer holds it.
void TExploreObject::ReleaseChildren() {
  while (children_->Count() > 0) {
    TExploreObject* child = children_->items_.back();
    if (child->Release(lsReleased) && child->parent_ == this) child->SetParent(nullptr);
  }
}

int TExploreObject::Lock(int state) {
  int previous = lockState_;
  lockState_ = static_cast<std::uint8_t>(state);
  ++lockCount_;
  return previous;
}

bool TExploreObject::Release(int state) {
  lockState_ = static_cast<std::uint8_t>(state);
  --lockCount_;
  // Freed once: releases below zero while the object is going do nothing.
  if (destroying_) return true;
  if (lockCount_ < 0) {
    Free();
    return false;
  }
  return true;
}

bool TExploreObject::ReleaseAndCheck(int state, bool failed) {
  if (!Release(state)) return false;
  if (lockCount_ == 0) RequestValidation(failed ? vaInvalid : vaValid);
  return true;
}

bool TExploreObject::RunLocked(int state, const std::function<void()>& operation) {
  int previous = Lock(state);
  {
    fw::TScopeFail release([&] { ReleaseAndCheck(previous, true); });
    operation();
  }
  return ReleaseAndCheck(previous);
}

// ---------------------------------------------------------------- TExploreObject: names and masks

void TExploreObject::Fire(int event, const TExploreArg& arg) {
  if (OnChange) OnChange(this, event, arg);
}

void TExploreObject::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  if (lockState_ != lsConstructing) NotifyParentAndDependents(evName, name);
  Fire(evName, name);
}

std::string PathStep(std::string_view name) { return ReadsBackPlain(name) ? std::string(name) : QuoteString(name); }

std::string TExploreObject::GetPath() {
  std::string step = PathStep(name_);
  return parent_ ? parent_->GetPath() + "/" + step : step;
}

std::string TExploreObject::GetTypeName() {
  const std::string& name = ClassName();
  return !name.empty() && name[0] == 'T' ? name.substr(1) : name;
}

void TExploreObject::SetActive(bool active) {
  constexpr std::uint16_t kWhileOpen = opNew | opDelete | opModify | opRename;
  ApplyMasks(active ? static_cast<std::uint16_t>(disabled_ | kWhileOpen)
                    : static_cast<std::uint16_t>(disabled_ & ~kWhileOpen));
  Fire(evActive, active ? 1 : 0);
}

void TExploreObject::UpdateState() {
  std::uint16_t enable = 0, disable = 0;
  if (editState_ == esBrowse) {
    enable = opData | opOpen | opRefresh;
    if (!IsActive()) {
      enable |= opDelete | opModify | opRename;
      if (!children_->Loaded()) enable |= opNew;
    }
    disable = opApply | opCancel;
  } else {
    enable = opCancel;
    if (validity_ == vaValid || editState_ == esDeleted)
      enable |= opApply;
    else
      disable |= opApply;
    disable |= opData | opOpen | opRefresh;
    if (editState_ == esDeleted) disable |= opDelete | opModify | opRename;
  }
  ApplyMasks(static_cast<std::uint16_t>((disabled_ & ~enable) | disable));
}

void TExploreObject::ApplyMasks(std::uint16_t disabled) {
  // E follows M
  bool modify = (declared_ & opModify) && !(disabled & opModify);
  disabled = modify ? static_cast<std::uint16_t>(disabled & ~opEditText) : static_cast<std::uint16_t>(disabled | opEditText);
  std::uint16_t previous = enabled_;
  disabled_ = disabled;
  enabled_ = static_cast<std::uint16_t>(declared_ & ~disabled_);
  if (enabled_ != previous) Fire(evOperations, previous);
}

void TExploreObject::SetAttributes(std::uint16_t mask) {
  declared_ = mask;
  UpdateState();
}

void TExploreObject::ChangeAttributes(std::uint16_t set, std::uint16_t clear) {
  SetAttributes(static_cast<std::uint16_t>((declared_ & ~clear) | set));
}

bool TExploreObject::IsClosed() { return IsActive() != ((declared_ & opOpen) != 0); }

bool TExploreObject::IsAncestorOf(const TExploreObject* other) const {
  for (const TExploreObject* p = other ? other->parent_ : nullptr; p; p = p->parent_)
    if (p == this) return true;
  return false;
}

void TExploreObject::ResortInParent() {
  if (parent_) parent_->children_->MoveToSortedPlace(this);
}

// ---------------------------------------------------------------- TExploreObject: links

TExploreList& TExploreObject::GetLinkList(int n) {
  if (!links_[n]) links_[n] = std::make_unique<TExploreList>(this, false);
  return *links_[n];
}

void TExploreObject::SetParent(TExploreObject* parent) {
  if (parent == parent_) return;
  if (TExploreObject* old = parent_) {
    old->children_->Remove(this);
    parent_ = nullptr;
    old->LinkNotification(this, true, false, true);
    LinkNotification(old, true, false, false);
  }
  parent_ = parent;
  if (parent_) {
    parent_->children_->Append(this);
    parent_->LinkNotification(this, true, true, true);
    LinkNotification(parent_, true, true, false);
  }
}

void TExploreObject::AddDependent(TExploreObject* object) {
  if (!object || GetLinkList(0).IndexOf(object) >= 0) return;
  GetLinkList(0).Append(object);
  object->GetLinkList(1).Append(this);
  LinkNotification(object, false, true, false);
  object->LinkNotification(this, false, true, true);
}

void TExploreObject::RemoveDependent(TExploreObject* object) {
  if (!object || !links_[0] || links_[0]->IndexOf(object) < 0) return;
  links_[0]->Remove(object);
  if (object->links_[1]) object->links_[1]->Remove(this);
  LinkNotification(object, false, false, false);
  object->LinkNotification(this, false, false, true);
}

void TExploreObject::LinkNotification(TExploreObject* object, bool isChild, bool added, bool isTarget) {
  if (isChild && isTarget) children_->Changed(object, added ? evChildAdded : evChildRemoved, object);
}

void TExploreObject::NotifyParentAndDependents(int event, const TExploreArg& arg) {
  int previous = Lock(lsNotifying);
  fw::TScopeExit release([&] { Release(previous); });
  if (parent_ && parent_->lockState_ != lsNotifying) {
    parent_->children_->Changed(this, event, arg);
  } else if (parent_ && event == evEditState) {
    // A path through links came back to a child of a parent still telling
    // others of its own change: the parent hears of it no more, but its
    // count must follow.
    parent_->children_->CountEditState(this, arg.Number);
  }
  if (links_[1]) {
    std::vector<TExploreObject*> dependents = links_[1]->items_;
    for (TExploreObject* other : dependents)
      if (other->lockState_ != lsNotifying && !IsAncestorOf(other)) other->Changed(this, event, arg);
  }
}

// ---------------------------------------------------------------- TExploreObject: notifications

void TExploreObject::Changed(fw::TObject* sender, int event, const TExploreArg& arg) {
  // Holds the object while the notification runs; releasing may free it.
  // Ending the hold checks validity like any last lock, or a flag set here
  // would keep S disabled until some later edit.
  bool hold = event != evValidity && (arg.IsSet() || editState_ != esBrowse) && lockCount_ == 0;
  int held = hold ? Lock(lockState_) : 0;
  {
    fw::TScopeFail release([&] {
      if (hold) ReleaseAndCheck(held, true);
    });
    switch (event) {
      case evProperties:
        Fire(evProperties, arg);
        if (arg.Number == 1) {
          auto* property = dynamic_cast<TEProperty*>(sender);
          if ((property && property->EditState() != esBrowse) ||
              (sender == properties_.get() && properties_->PendingCount() > 0))
            ChangeState(esModified);
        } else if (arg.Number == 2) {
          FlagValidation();
        }
        break;
      case evEditState:
        if (dynamic_cast<TEProperty*>(sender)) {
          if (arg.Number != esBrowse) ChangeState(esModified);
        } else if (arg.Number != esBrowse) {
          ChangeState(esChildPending);
        } else {
          ReturnToBrowseUnlessPending();
        }
        FlagValidation();
        break;
      case evValidity:
        RequestValidation(arg.Number);
        break;
      case evChildAdded:
      case evChildRemoved:
        if (sender == children_.get()) {
          if (event == evChildRemoved) Fire(evChildRemoved, 0);
          SetChildrenLoaded(event == evChildAdded);
          if (event == evChildAdded) Fire(evChildAdded, 0);
          if (children_->PendingCount() > 0)
            ChangeState(esChildPending);
          else
            ReturnToBrowseUnlessPending();
          FlagValidation();
        } else if (links_[1] && sender == links_[1].get()) {
          // a link list tells nothing
        } else {
          Fire(event, arg.Object);
          if (event == evChildAdded && arg.Object && arg.Object->editState_ != esBrowse)
            ChangeState(esChildPending);
          else
            ReturnToBrowseUnlessPending();
          FlagValidation();
        }
        break;
      case evName:
        LinkRenamed(dynamic_cast<TExploreObject*>(sender));
        break;
      case evChildMoved:
        Fire(evChildMoved, arg);
        FlagValidation();
        break;
      default:
        break;
    }
  }
  if (hold) ReleaseAndCheck(held);
}

void TExploreObject::FlagValidation() {
  if (editState_ != esBrowse && editState_ != esDeleted && validity_ != vaNeedsValidation)
    SetValidity(vaNeedsValidation);
}

void TExploreObject::ReturnToBrowseUnlessPending() {
  if (editState_ <= esChildPending && children_->PendingCount() == 0) ChangeState(esBrowse);
}

void TExploreObject::SetChildrenLoaded(bool flag) {
  RunLocked(lsLoading, [&] {
    if (flag) {
      children_->loaded_ = true;
      {
        // what was made so far goes, so that the next fill starts afresh
        fw::TScopeFail unload([this] {
          ReleaseChildren();
          children_->loaded_ = false;
        });
        LoadChildren();
      }
      std::vector<TExploreObject*> made = children_->items_;
      for (TExploreObject* child : made) {
        child->UpdateState();
        if (child->lockState_ == lsConstructing && child->lockCount_ > 0) child->Release(lsIdle);
      }
    } else {
      ReleaseChildren();
      children_->loaded_ = false;
    }
    UpdateState();
  });
}

// ---------------------------------------------------------------- TExploreObject: edit states

void TExploreObject::ChangeState(int state) {
  if (state > editState_ || (state == esBrowse && editState_ != esBrowse)) SetEditState(state);
}

void TExploreObject::SetEditState(int state) {
  NotifyParentAndDependents(evEditState, state);
  if (state != editState_) Fire(evEditState, state);
  editState_ = static_cast<std::uint8_t>(state);
  switch (state) {
    case esBrowse:
      savedName_.clear();
      if (properties_->PendingCount() > 0) properties_->SetEditStateAll(esBrowse);
      if (children_->PendingCount() > 0) children_->SetEditStateAll(esBrowse);
      SetValidity(vaValid);
      break;
    case esNew:
    case esDeleted:
      if (!savedName_.empty()) {
        std::string saved = std::move(savedName_);
        savedName_.clear();
        SetName(saved);
      }
      properties_->SetEditStateAll(state);
      children_->SetEditStateAll(state);
      if (state == esDeleted)
        SetValidity(vaValid);
      else
        RequestValidation(vaNeedsValidation);
      break;
    default:
      RequestValidation(vaNeedsValidation);
      break;
  }
  UpdateState();
}

// ---------------------------------------------------------------- TExploreObject: validation

void TExploreObject::SetValidity(int level) {
  // Nothing of a deleted object is validated again, so a level above 0 would
  // stay and block its parent's Apply.
  if (editState_ == esDeleted) level = vaValid;
  Fire(evValidity, level);
  validity_ = static_cast<std::uint8_t>(level);
  NotifyParentAndDependents(evValidity, level);
  if (!destroying_) UpdateState();
}

void TExploreObject::RequestValidation(int level) {
  if (level > vaValid ? validity_ >= level : validity_ == vaValid) return;
  if (editState_ == esBrowse || editState_ >= esDeleted) return;
  if (destroying_) {
    SetValidity(vaValid);
    return;
  }
  if (lockState_ == lsValidating || (level == vaNeedsValidation && lockCount_ > 0) || level == vaInvalid) {
    SetValidity(level);
    return;
  }
  try {
    ValidateNow(RaiseToken());
  } catch (const EDbXError&) {
  }
}

void TExploreObject::ValidateNow(fw::TStrings* errors) {
  int previous = Lock(lsValidating);
  fw::TScopeExit release([&] { Release(previous); });
  try {
    bool realList = errors && errors != RaiseToken();
    bool single = lockCount_ == 1;
    int before = realList ? errors->Count() : 0;
    if (realList || single) Validate(errors);
    if (realList) {
      SetValidity(errors->Count() == before ? vaValid : vaInvalid);
    } else if (single) {
      SetValidity(children_->AggregateValidity());
    } else {
      // Nested in another lock nothing was validated, so the object cannot
      // count as valid yet: its own last lock validates it.
      int known = properties_->PendingCount() > 0 ? properties_->AggregateValidity() : children_->AggregateValidity();
      SetValidity(known == vaInvalid ? vaInvalid : vaNeedsValidation);
    }
  } catch (const EDbXError&) {
    SetValidity(vaInvalid);
    if (!errors) throw;
  }
}

void TExploreObject::ValidateIfNeeded(fw::TStrings* errors) {
  if (validity_ != vaValid) ValidateNow(errors);
}

void TExploreObject::Validate(fw::TStrings* errors) {
  ReportOrCollectError(errors, this, ValidateName(name_));
  if (Enabled(opEditText)) ReportOrCollectError(errors, this, ValidateText(GetText(0)));
  if (editState_ > esChildPending) properties_->Validate(errors);
  if (!IsClosed()) children_->ValidateAll(errors);
}

std::string TExploreObject::GetValidationText() {
  try {
    ValidateIfNeeded(nullptr);
  } catch (const EDbXError& e) {
    return e.Message();
  }
  return {};
}

TDbXErrorPtr TExploreObject::ValidateName(const std::string& name) {
  if (name.empty()) return MakeDbXError(Quoted("") + " is not a valid name");
  if (parent_) return CheckUniqueName(parent_, this, name);
  return nullptr;
}

std::string TExploreObject::ValidateNameOrRaise(const std::string& name) {
  if (TDbXErrorPtr error = ValidateName(name)) throw EDbXError(*error);
  return MakeUniqueName(name, false);
}

std::string TExploreObject::MakeUniqueName(const std::string& base, bool numbered) {
  if (!numbered) return base;
  std::string stem = base.empty() ? GetTypeName() + "1" : base;
  std::size_t digits = 0;
  while (digits < 9 && digits < stem.size() && fw::IsDigit(static_cast<unsigned char>(stem[stem.size() - 1 - digits])))
    ++digits;
  long long start = digits ? std::stoll(stem.substr(stem.size() - digits)) : 0;
  stem.resize(stem.size() - digits);
  for (long long i = 0;; ++i) {
    long long n = start + i;
    std::string candidate = n == 0 ? stem : stem + std::to_string(n);
    TDbXErrorPtr error = ValidateName(candidate);
    if (!error) return candidate;
    if (i >= 4096) throw EDbXError(*error);
  }
}

// ---------------------------------------------------------------- TExploreObject: operations' steps

void TExploreObject::DoCreateChild(TExploreObject*& result, TExploreObject* /*source*/, int /*kind*/) {
  result = nullptr;
}

void TExploreObject::DoCreate(TExploreObject*& result, const std::string& /*parameter*/) {
  if (result) result->ChangeState(esNew);
}

void TExploreObject::DoRename(const std::string& name) {
  if (editState_ < esNew && savedName_.empty() && (declared_ & (opApply | opCancel))) savedName_ = name_;
  SetName(name);
}

void TExploreObject::DoDelete() {
  if (editState_ == esNew)
    DetachAndRelease();
  else
    ChangeState(esDeleted);
}

void TExploreObject::DetachAndRelease() {
  SetParent(nullptr);
  Release(lsReleased);
}

void TExploreObject::DoApply() {
  EndPendingEdits();
  FinishEdits();
}

void TExploreObject::DoCancel() {
  EndPendingEdits();
  FinishEdits();
}

void TExploreObject::DoEndEdit() {
  savedName_.clear();
  if (editState_ == esDeleted) return;
  if (children_->PendingCount() == 0) {
    ChangeState(esBrowse);
  } else {
    SetEditState(esChildPending);
    if (properties_->PendingCount() > 0) properties_->SetEditStateAll(esBrowse);
  }
}

void TExploreObject::EndPendingEdits() {
  Require(lockState_ == lsApplying || lockState_ == lsCancelling);
  bool applying = lockState_ == lsApplying;
  if (!children_->Loaded() || children_->PendingCount() == 0) return;
  for (int i = 0; i < children_->Count();) {
    TExploreObject* child = children_->items_[static_cast<std::size_t>(i)];
    bool alive = true;
    if (child->editState_ != esBrowse && child->lockState_ != lsApplying && child->lockState_ != lsCancelling) {
      int previous = child->Lock(applying ? lsApplying : lsCancelling);
      bool aborted = false;
      {
        fw::TScopeFail release([&] { child->ReleaseAndCheck(previous, true); });
        try {
          if (applying)
            child->DoApply();
          else
            child->DoCancel();
        } catch (const EAbortOp&) {
          aborted = true;
        }
      }
      alive = child->ReleaseAndCheck(previous, aborted);
    }
    if (alive && i < children_->Count() && children_->items_[static_cast<std::size_t>(i)] == child) ++i;
  }
}

void TExploreObject::FinishEdits() {
  bool applying = lockState_ == lsApplying;
  if (applying) {
    for (int i = 0; i < properties_->Count(); ++i) {
      TEProperty* property = properties_->Property(i);
      if (property->EditState() != esBrowse) property->ApplyValue();
    }
  }
  if ((editState_ == esDeleted && applying) || (editState_ == esNew && !applying)) {
    DetachAndRelease();
    return;
  }
  if (children_->PendingCount() > 0) return;
  if (!applying && !savedName_.empty()) {
    std::string saved = std::move(savedName_);
    savedName_.clear();
    SetName(saved);
  }
  savedName_.clear();
  ChangeState(esBrowse);
}

void TExploreObject::RenameTo(const std::string& name) {
  std::string unique = MakeUniqueName(name, false);
  // the same name is no rename: no state change, no event
  if (unique == name_) return;
  ChangeState(esModified);
  RequestValidation(vaNeedsValidation);
  DoRename(unique);
}

void TExploreObject::DoSetText(const std::string& /*text*/) { RaiseNotSupported(); }

TEActions* TExploreObject::GetActions() { return &RegisteredActions(); }

void TExploreObject::AssignPropertyEditor(TEPropertyDef* definition) {
  definition->SetEditor(FindRegisteredEditor(ClassType(), GetTypeName(), definition->Name()));
}

// ---------------------------------------------------------------- TExploreObject: paths

TExploreObject* TExploreObject::FindChild(TScanner& scanner) {
  TChar c = scanner.ReadChar(0);
  if (c == U'.') {
    scanner.Next();
    TExploreObject* object = this;
    while (object && scanner.CharIs(0, U'.')) {
      scanner.Next();
      object = object->parent_;
    }
    return object;
  }
  if (c == U'/') {
    scanner.Next();
    return this;
  }
  if (c == U':') {
    scanner.Next();
    std::string typeName = scanner.ReadUntil(PathDelimiters());
    return typeName.empty() ? nullptr : children_->Find(nullptr, typeName);
  }
  if (c == U'"') {
    // undoubled, as GetPath doubled them
    std::string name = UnquoteDouble("\"" + scanner.ReadQuoted() + "\"");
    return children_->FindByName(name);
  }
  if (StartsPlainName(c)) return children_->FindByName(scanner.ReadUntil(PathDelimiters()));
  RaiseDbXError(kInternalError, "Bad find path: " + scanner.Text());
}

TExploreObject* TExploreObject::FindPath(std::string_view path) {
  TScanner scanner;
  scanner.SetDoubledQuotes(true);
  scanner.SetText(path);
  TExploreObject* object = this;
  if (scanner.CharIs(0, U'/')) {
    while (object->parent_) object = object->parent_;
    scanner.Next();
  }
  while (object && scanner.InRange()) object = object->FindChild(scanner);
  return object;
}

// ---------------------------------------------------------------- TExploreObject: public operations

void TExploreObject::Require(bool condition) {
  if (!condition) RaiseNotSupported();
}

void TExploreObject::LoadUnlessClosed() {
  if (!IsClosed()) Load();
}

void TExploreObject::Load() {
  properties_->Load();
  children_->Load();
}

void TExploreObject::Open() {
  Require(Enabled(opOpen));
  if (IsActive()) return;
  Fire(evOpening, 1);
  SetActive(true);
}

void TExploreObject::Close() {
  Require(Enabled(opOpen));
  if (!IsActive()) return;
  Fire(evOpening, 0);
  SetActive(false);
}

void TExploreObject::Refresh() {
  Require(Enabled(opRefresh));
  if (RunLocked(lsRefreshing, [this] { DoRefresh(); })) UpdateState();
}

namespace {

// A new object that failed to come whole stays, invalid, for the user to see
// and cancel; its construction lock goes.
void AbandonNew(TExploreObject* result, TExploreObject* source) {
  if (!result || result == source) return;
  result->SetValidity(vaInvalid);
  if (result->LockCount() > 0) result->Release(lsIdle);
}

}  // namespace

TExploreObject* TExploreObject::CreateChild(TExploreObject* source, int kind) {
  LoadUnlessClosed();
  Require(kind >= 0 && kind <= 7 && ((AllowedChildKinds(source) >> kind) & 1));
  TExploreObject* result = nullptr;
  fw::TScopeFail abandon([&] { AbandonNew(result, source); });
  DoCreateChild(result, source, kind);
  return result;
}

TExploreObject* TExploreObject::NewObject(const std::string& parameter) {
  LoadUnlessClosed();
  Require(Enabled(opNew));
  TExploreObject* result = nullptr;
  {
    fw::TScopeFail abandon([&] { AbandonNew(result, nullptr); });
    DoCreate(result, parameter);
  }
  if (result && result->lockCount_ > 0) result->lockState_ = lsEditing;
  return result;
}

void TExploreObject::Edit() {
  LoadUnlessClosed();
  Require(Enabled(opModify) && (lockState_ == lsIdle || lockState_ == lsEditing));
  int previous = Lock(lsEditing);
  fw::TScopeFail release([&] { ReleaseAndCheck(previous, true); });
  ChangeState(esModified);
}

void TExploreObject::EndEdit() {
  Require(lockState_ == lsEditing);
  if (!Release(lockCount_ == 1 ? lsIdle : lsEditing)) return;
  if (lockCount_ == 0) ValidateIfNeeded(nullptr);
}

void TExploreObject::Rename(const std::string& name) {
  LoadUnlessClosed();
  Require(Enabled(opRename));
  if (!RunLocked(lsEditing, [&] { RenameTo(name); })) return;
  if (lockCount_ == 0 && validity_ != vaValid)
    if (TDbXErrorPtr error = ValidateName(name_)) throw EDbXError(*error);
}

void TExploreObject::SetText(const std::string& text) {
  LoadUnlessClosed();
  Require(Enabled(opText));
  bool alive = RunLocked(lsEditing, [&] {
    ChangeState(esModified);
    RequestValidation(vaNeedsValidation);
    DoSetText(text);
  });
  if (!alive) return;
  if (lockCount_ == 0 && validity_ != vaValid)
    if (TDbXErrorPtr error = ValidateText(text)) throw EDbXError(*error);
}

std::string TExploreObject::GetText(int index) {
  if (index < 2 && editState_ == esDeleted) return {};
  return GetTextAt(index);
}

void TExploreObject::Delete() {
  LoadUnlessClosed();
  Require(Enabled(opDelete));
  RunLocked(lsEditing, [this] { DoDelete(); });
}

void TExploreObject::Apply() {
  LoadUnlessClosed();
  Require(lockCount_ == 0 && (editState_ == esBrowse || Enabled(opApply)));
  if (editState_ == esBrowse) return;
  RunLocked(lsApplying, [this] { DoApply(); });
}

void TExploreObject::Cancel() {
  LoadUnlessClosed();
  Require(lockCount_ == 0 && (editState_ == esBrowse || Enabled(opCancel)));
  if (editState_ == esBrowse) return;
  RunLocked(lsCancelling, [this] { DoCancel(); });
}

// ---------------------------------------------------------------- TExploreObject: properties by name

void TExploreObject::SetPropertyValue(const std::string& name, const fw::Variant& value) {
  properties_->PropertyByName(name)->SetValue(value);
}

std::string TExploreObject::GetPropertyText(const std::string& name) {
  return properties_->PropertyByName(name)->GetText(1);
}

std::string TExploreObject::GetPropertyStoredText(const std::string& name) {
  return properties_->PropertyByName(name)->GetText(0);
}

void TExploreObject::SetPropertyText(const std::string& name, const std::string& text) {
  properties_->PropertyByName(name)->SetTextVia(1, text);
}

void TExploreObject::StorePropertyValue(const std::string& name, const fw::Variant& value, bool notify) {
  TEProperty* property = properties_->PropertyByName(name);
  property->StoreValue(value);
  if (notify) PropertyChanged(property);
}

}  // namespace dbx

#include "DbXCtrl.h"

#include <map>
#include <optional>

#include "Files.h"
#include "MessageService.h"
#include "Resources.h"
#include "Streams.h"
#include "Text.h"

namespace dbx {

using namespace std::string_view_literals;

FW_IMPLEMENT_CLASS(TESimpleValues)
FW_IMPLEMENT_CLASS(TEValueMap)
FW_IMPLEMENT_CLASS(TMDManager)
FW_IMPLEMENT_CLASS(TDbXRoot)

namespace {

constexpr const char* kResourceName = "DBXDBI";
constexpr const char* kFileName = "DbX.DbI";
constexpr const char* kVersion = "3.00";

// The unit's globals.
TDbXRoot* theRoot = nullptr;
std::unique_ptr<std::vector<TExploreClass>> rootClasses;
std::unique_ptr<TMDManager> manager;
// key to value list, or to none when the text has no list for the key
std::unique_ptr<std::map<std::string, std::shared_ptr<TESimpleValues>>> valueLists;

// A display that is a template of the property's object; it is one piece,
// as its colons are its own.
bool IsTemplate(std::string_view display) { return !display.empty() && display[0] == '`'; }

std::string ShortPart(const std::string& display) { return IsTemplate(display) ? display : TextBefore(display, ':'); }

std::string LongPart(const std::string& display) {
  if (IsTemplate(display) || display.find(':') == std::string::npos) return display;
  return UnquoteDouble(TextAfter(display, ':'));
}

std::string Shown(int kind, const std::string& display) { return kind == 1 ? LongPart(display) : ShortPart(display); }

}  // namespace

// ---------------------------------------------------------------- value lists

int TESimpleValues::IndexOfText(const std::string& text) { return strings_.IndexOf(text); }

TDbXErrorPtr TESimpleValues::ValidateValue(TEProperty& property) {
  std::string text = VarToText(property.GetValue());
  if (open_ || text.empty() || IndexOfText(text) >= 0) return nullptr;
  return MakeDbXError(property.GetCaption() + " cannot have a value of " + text);
}

fw::Variant TEValueMap::GetValueAt(int index) { return fw::Variant(NamePart(strings_.Strings(index))); }

std::optional<std::string> TEValueMap::DisplayOf(const std::string& text) {
  for (int i = 0; i < strings_.Count(); ++i) {
    std::string line = strings_.Strings(i);
    if (fw::AnsiSameText(NamePart(line), text)) return ValuePart(line);
  }
  // an empty stored part makes the first line the default
  if (strings_.Count() > 0 && NamePart(strings_.Strings(0)).empty()) return ValuePart(strings_.Strings(0));
  return std::nullopt;
}

std::string TEValueMap::ValueToText(int kind, const fw::Variant& value) {
  std::string text = VarToText(value);
  std::optional<std::string> display = DisplayOf(text);
  return display ? Shown(kind, *display) : text;
}

std::string TEValueMap::GetText(TEProperty& property, int kind) {
  std::string text = VarToText(property.GetValue());
  std::optional<std::string> display = DisplayOf(text);
  if (!display) return text;
  std::string shown = Shown(kind, *display);
  return IsTemplate(shown) ? property.Object()->ExpandTemplate(shown) : shown;
}

std::string TEValueMap::TextToValue(int kind, const std::string& text) {
  for (int i = 0; i < strings_.Count(); ++i) {
    std::string line = strings_.Strings(i);
    std::string display = ValuePart(line);
    if (fw::AnsiSameText(Shown(kind, display), text)) return NamePart(line);
  }
  return text;
}

void TEValueMap::SetText(TEProperty& property, int kind, const std::string& text) {
  property.SetValue(TextToVariant(TextToValue(kind, text)));
}

int TEValueMap::IndexOfText(const std::string& text) {
  for (int i = 0; i < strings_.Count(); ++i)
    if (fw::AnsiSameText(NamePart(strings_.Strings(i)), text)) return i;
  return -1;
}

void TEValueMap::GetValues(const TGetStrProc& callback, TEProperty& /*property*/) {
  fw::TStringList shown;
  shown.SetSorted(true);
  shown.SetDuplicates(fw::dupIgnore);
  for (int i = 0; i < strings_.Count(); ++i) {
    std::string display = LongPart(ValuePart(strings_.Strings(i)));
    if (!display.empty() && !IsTemplate(display)) shown.Add(display);
  }
  for (int i = 0; i < shown.Count(); ++i) callback(shown.Strings(i));
}

// ---------------------------------------------------------------- TMDManager

TMDManager::TMDManager() { Reload(); }

void TMDManager::Clear() { sections_.clear(); }

void TMDManager::Reload() {
  Clear();
  std::unique_ptr<fw::TStream> stream;
  if (fw::FindResourceData(kResourceName).Data) {
    stream = std::make_unique<fw::TResourceStream>(kResourceName);
  } else {
    try {
      stream = std::make_unique<fw::TFileStream>(fw::ExtractFilePath(fw::ParamStr(0)) + kFileName,
                                                 fw::fmOpenRead | fw::fmShareDenyWrite);
    } catch (const fw::EFOpenError&) {
      return;  // no text
    }
  }
  fw::TStringList lines;
  lines.LoadFromStream(*stream);
  Parse(lines);
}

void TMDManager::Parse(const fw::TStrings& lines) {
  TSection* current = nullptr;
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Strings(i);
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      sections_.push_back(TSection{line.substr(1, line.size() - 2), {}});
      current = &sections_.back();
    } else if (current) {
      current->Lines.push_back(line);
    }
  }
}

const TMDManager::TSection* TMDManager::FindSection(std::string_view name) const {
  for (const TSection& section : sections_)
    if (fw::AnsiSameText(section.Name, name)) return &section;
  return nullptr;
}

std::string TMDManager::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) {
  if (const TSection* s = FindSection(section)) {
    for (const std::string& line : s->Lines) {
      // cut after the name as the line has it: a name equal without regard
      // to case may differ from the key in length (K, the Kelvin sign)
      std::string name = NamePart(line);
      if (fw::AnsiSameText(name, key)) return name.size() < line.size() ? line.substr(name.size() + 1) : "";
    }
  }
  return std::string(defaultValue);
}

std::vector<std::string> TMDManager::ReadNumbered(std::string_view section, std::string_view key) {
  std::vector<std::string> list;
  for (int n = 1; n <= 256; ++n) {
    std::string value = ReadString(section, std::string(key) + std::to_string(n));
    if (value.empty()) break;
    list.push_back(value);
  }
  return list;
}

std::string RootSection(TExploreObject* root, int level) {
  return root ? "Properties " + root->SectionType(level) : "Properties";
}

std::string TMDManager::ReadRootString(TExploreObject* root, std::string_view key) {
  for (int level = 0; level <= 1; ++level) {
    std::string section = RootSection(root, level);
    std::string value = ReadString(section, key);
    if (value.empty()) {
      std::vector<std::string> numbered = ReadNumbered(section, key);
      value = JoinStrings(numbered, ' ');
    }
    if (!value.empty()) return value;
  }
  return {};
}

std::vector<std::string> TMDManager::ReadRootList(TExploreObject* root, std::string_view key) {
  const TCharSet comma(U","sv);
  for (int level = 0; level <= 1; ++level) {
    std::string section = RootSection(root, level);
    std::vector<std::string> items;
    std::string value = ReadString(section, key);
    if (!value.empty()) {
      items = SplitByChars(value, comma);
    } else {
      for (const std::string& part : ReadNumbered(section, key)) {
        std::vector<std::string> pieces = SplitByChars(part, comma);
        items.insert(items.end(), pieces.begin(), pieces.end());
      }
    }
    if (!items.empty()) return items;
  }
  return {};
}

TMDManager& GetMDManager() {
  if (!manager) manager = std::make_unique<TMDManager>();
  return *manager;
}

std::string JoinKey(std::initializer_list<std::string_view> parts) {
  std::string key;
  bool first = true;
  for (std::string_view part : parts) {
    if (!first) key += ':';
    key += part;
    first = false;
  }
  return key;
}

std::shared_ptr<TESimpleValues> GetPropertyValues(TExploreObject* root, const std::string& option,
                                                  TValuesFactory valuesClass) {
  if (!valueLists) RaiseDbXError(kInternalError, "Value list cache does not exist");
  std::string key = JoinKey({root ? root->GetTypeName() : std::string(), option, "Values"});
  if (auto it = valueLists->find(key); it != valueLists->end()) return it->second;

  std::vector<std::string> items = GetMDManager().ReadRootList(root, option + ":Values");
  std::shared_ptr<TESimpleValues> values;
  if (!items.empty()) {
    bool open = IndexInListOrRaise(items.front(), {"", "Closed", "Open"}) == 2;
    values = valuesClass();
    values->SetOpen(open);
    for (std::size_t i = 1; i < items.size(); ++i) {
      const std::string& item = items[i];
      if (item.find('=') != std::string::npos)
        values->Strings().Add(NamePart(item) + "=" + UnquoteDouble(ValuePart(item)));
      else
        values->Strings().Add(UnquoteDouble(item));
    }
  }
  (*valueLists)[key] = values;
  return values;
}

std::string DbXVersionMessage() {
  std::string version = GetMDManager().ReadString("Version", "DbXVersion");
  if (version.empty())
    return std::string(kFileName) + " was not found or identified.  It is needed to explore databases";
  if (version != kVersion)
    return std::string(kFileName) + " version mismatch: expecting " + kVersion + ", found " + version;
  return {};
}

// ---------------------------------------------------------------- TDbXRoot

TDbXRoot* GetDbXRoot() { return theRoot; }

void RegisterDbXRootClass(TExploreClass cls) {
  if (!rootClasses) rootClasses = std::make_unique<std::vector<TExploreClass>>();
  rootClasses->push_back(cls);
}

void TDbXRoot::Init(TExploreObject* parent) {
  if (!parent) {
    if (theRoot) RaiseDbXError(kInternalError, "DbXRoot already exists");
    theRoot = this;
  }
  TExploreObject::Init(parent);
  SetAttributes(static_cast<std::uint16_t>(DeclaredOperations() | opRefresh | opApply | opCancel));
  SetName(ClassName());
}

void TDbXRoot::BeforeDestroy() {
  if (!Parent() && theRoot == this) theRoot = nullptr;
  TExploreObject::BeforeDestroy();
}

std::string TDbXRoot::GetPath() { return Parent() ? TExploreObject::GetPath() : "/"; }

void TDbXRoot::LoadChildren() {
  Properties().Load();
  if (!rootClasses) return;
  for (const TExploreClass& cls : *rootClasses) cls.Create(this);
}

TExploreObject* TDbXRoot::DoRefresh() {
  GetMDManager().Reload();
  if (valueLists) valueLists->clear();
  Properties().Unload();
  std::vector<TExploreObject*> children;
  for (int i = 0; i < Children().Count(); ++i) children.push_back(Children().Item(i));
  for (TExploreObject* child : children)
    if (child->Enabled(opRefresh)) child->Refresh();
  Properties().Load();
  return this;
}

void TDbXRoot::SetShowSystemData(bool flag) {
  if (flag == showSystemData_) return;
  showSystemData_ = flag;
  if (!Children().Loaded()) return;
  std::vector<TExploreObject*> children;
  for (int i = 0; i < Children().Count(); ++i) children.push_back(Children().Item(i));
  for (TExploreObject* child : children)
    if (child->Children().Loaded() && child->Enabled(opRefresh)) child->Refresh();
}

// ---------------------------------------------------------------- unit start

void InitDbXCtrl() {
  std::string message = DbXVersionMessage();
  if (!message.empty()) {
    fw::ShowMessageBox(message, "", fw::MB_OK | fw::MB_ICONERROR);  // no window owns it yet
    fw::Abort();
  }
  valueLists = std::make_unique<std::map<std::string, std::shared_ptr<TESimpleValues>>>();
}

void DoneDbXCtrl() {
  valueLists.reset();
  manager.reset();
  rootClasses.reset();
}

}  // namespace dbx

// The explorer's one root object, whose children are one node per registered
// top-level class, and the reader of the property-definition text: the
// INI-like text carried in the program as the resource "DBXDBI" (the file
// "DbX.DbI" beside the program when the resource is missing) that gives the
// version stamp, the value lists of engine options and the help contexts of
// driver types.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DbExplif.h"

namespace dbx {

// ---------------------------------------------------------------- value lists

// A value list from the property-definition text. Open: any value is
// allowed, the list only offers some.
class TESimpleValues : public TEStringValues {
  FW_CLASS(TESimpleValues, TEStringValues)
public:
  bool Open() const { return open_; }
  void SetOpen(bool open) { open_ = open; }

  TDbXErrorPtr ValidateValue(TEProperty& property) override;
  // Position of a value in the list, without regard to case; -1 when absent.
  virtual int IndexOfText(const std::string& text);

private:
  bool open_ = false;
};

// Lines stored=display, where display may be short:long (the long part
// possibly in double quotes): the property stores the stored part and shows
// the display.
class TEValueMap : public TESimpleValues {
  FW_CLASS(TEValueMap, TESimpleValues)
public:
  fw::Variant GetValueAt(int index) override;
  // kind 1 the long display, kind 0 the short one
  std::string ValueToText(int kind, const fw::Variant& value) override;
  virtual std::string TextToValue(int kind, const std::string& text);
  void SetText(TEProperty& property, int kind, const std::string& text) override;
  int IndexOfText(const std::string& text) override;  // by stored part
  // The long displays, sorted, each once, without empty ones and templates.
  void GetValues(const TGetStrProc& callback, TEProperty& property) override;
  // A display that begins with a backquote is a template of the property's
  // object, shown expanded.
  std::string GetText(TEProperty& property, int kind) override;

private:
  // The display part for a stored value, or none when the value is shown as
  // it is.
  std::optional<std::string> DisplayOf(const std::string& text);
};

// ---------------------------------------------------------------- the text

class TMDManager : public fw::TObject {
  FW_CLASS(TMDManager, fw::TObject)
public:
  TMDManager();  // reads the text at once
  TMDManager(const TMDManager&) = delete;
  TMDManager& operator=(const TMDManager&) = delete;

  void Clear();
  // Reads the resource, else the file beside the program; neither leaves
  // the manager empty.
  void Reload();
  // The text after "key=" in the first section of that name; both names
  // compared without regard to case, nothing trimmed.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue = {});
  // key1, key2 ... up to the first missing or empty one.
  std::vector<std::string> ReadNumbered(std::string_view section, std::string_view key);
  // The root's own section first, then its second level; a key that is not
  // there is read as numbered keys.
  std::string ReadRootString(TExploreObject* root, std::string_view key);
  std::vector<std::string> ReadRootList(TExploreObject* root, std::string_view key);

  int SectionCount() const { return static_cast<int>(sections_.size()); }

private:
  struct TSection {
    std::string Name;
    std::vector<std::string> Lines;
  };
  void Parse(const fw::TStrings& lines);
  const TSection* FindSection(std::string_view name) const;

  std::vector<TSection> sections_;
};

// The manager, made on first use.
TMDManager& GetMDManager();

std::string JoinKey(std::initializer_list<std::string_view> parts);  // "a:b:c"

// The section a root reads for a level (0, then 1): "Properties" and the
// root's SectionType; "Properties" alone without a root.
std::string RootSection(TExploreObject* root, int level);

// The value list of an engine option from the text, made of the given class
// and cached (the answer that there is none as well) until the root's next
// Refresh. A property that holds the list keeps it alive past that.
using TValuesFactory = std::shared_ptr<TESimpleValues> (*)();
template <typename T = TESimpleValues>
std::shared_ptr<TESimpleValues> MakeValues() {
  return std::make_shared<T>();
}
std::shared_ptr<TESimpleValues> GetPropertyValues(TExploreObject* root, const std::string& option,
                                                  TValuesFactory valuesClass = &MakeValues<TESimpleValues>);

// The message that stops the start when the text is missing or of another
// version; empty when it is the one this program reads.
std::string DbXVersionMessage();

// ---------------------------------------------------------------- the root

class TDbXRoot : public TExploreObject {
  FW_CLASS(TDbXRoot, TExploreObject)
public:
  TDbXRoot() = default;

  bool ShowSystemData() const { return showSystemData_; }
  void SetShowSystemData(bool flag);
  bool EditsEnabled() const { return editsEnabled_; }
  void SetEditsEnabled(bool flag) { editsEnabled_ = flag; }

  std::string GetPath() override;
  void LoadChildren() override;
  TExploreObject* DoRefresh() override;

protected:
  void Init(TExploreObject* parent) override;
  void BeforeDestroy() override;

private:
  bool showSystemData_ = false;
  bool editsEnabled_ = false;
};

TDbXRoot* GetDbXRoot();
// In the order of the units' start: the order of the root's children.
void RegisterDbXRootClass(TExploreClass cls);

// ---------------------------------------------------------------- unit start

// Checks the text's version (a failure shows its message and raises the
// silent abort) and makes the value-list cache.
void InitDbXCtrl();
// Frees the cache, the manager and the list of root classes.
void DoneDbXCtrl();

}  // namespace dbx

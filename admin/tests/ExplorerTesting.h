// A test root of fake classes for the explorer window: a "Databases" node
// of openable databases (which have an icon of their own, "DBX_FAKEDB") with
// tables below them, and a "Settings" node; and answers about schema objects
// by name.
#pragma once
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "UiTest.h"

namespace dbx::testing {

constexpr std::uint16_t kFakeOperations = opRefresh | opNew | opDelete | opModify | opRename | opApply | opCancel;

class TFakeNode : public TExploreObject {
  FW_CLASS(TFakeNode, TExploreObject)
public:
  TFakeNode() = default;

  std::vector<std::string> childNames;  // made by LoadChildren, sorted
  TExploreClass childClass;             // of this class; TFakeNode when none
  std::function<void(TFakeNode&)> makeProperties;
  std::uint16_t operations = kFakeOperations;
  bool active = false;
  int kind = okNone;
  std::string validation;  // the validation text to give; empty: the model's own
  int validationAsked = 0;
  bool failApply = false;
  bool failRename = false;
  std::uint8_t childKinds = 0;  // what AllowedChildKinds answers for any source
  int madeKind = -1;            // the kind of the last child made from a source
  std::unique_ptr<TEActions> actions;  // none: the registered ones

  TFakeNode* Child(int i) { return static_cast<TFakeNode*>(Children().GetItem(i)); }
  TFakeNode* Find(const std::string& name) { return static_cast<TFakeNode*>(Children().FindByName(name)); }
  // A child made now, as one made later than the load.
  TFakeNode* AddChild(const std::string& name);

  bool IsActive() override { return active; }
  void SetActive(bool value) override {
    active = value;
    TExploreObject::SetActive(value);
  }
  int GetKind() override { return kind; }
  std::string GetValidationText() override {
    ++validationAsked;
    return validation.empty() ? TExploreObject::GetValidationText() : validation;
  }
  void LoadChildren() override;
  void LoadProperties() override {
    if (makeProperties) makeProperties(*this);
  }
  void DoCreate(TExploreObject*& result, const std::string& parameter) override {
    result = MakeChild();
    TExploreObject::DoCreate(result, parameter);
  }
  void DoApply() override {
    if (failApply) RaiseDbXError("cannot apply " + Name());
    TExploreObject::DoApply();
  }
  void DoRename(const std::string& name) override {
    if (failRename) RaiseDbXError("cannot rename " + Name());
    TExploreObject::DoRename(name);
  }
  std::uint8_t AllowedChildKinds(TExploreObject*) override { return childKinds; }
  // A copy of the source, named after it with " copy".
  void DoCreateChild(TExploreObject*& result, TExploreObject* source, int childKind) override {
    madeKind = childKind;
    result = MakeChild();
    result->SetName(source->Name() + " copy");
    TExploreObject::DoCreate(result, "");
    // Left in its edit, as a new object is, for its namer to end.
    result->Release(lsIdle);
    result->Lock(lsEditing);
  }
  TEActions* GetActions() override { return actions ? actions.get() : TExploreObject::GetActions(); }

protected:
  void Init(TExploreObject* parent) override {
    TExploreObject::Init(parent);
    SetAttributes(operations);
  }
  // Makes one child of the node's child class.
  TFakeNode* MakeChild();
};

class TFakeTable : public TFakeNode {
  FW_CLASS(TFakeTable, TFakeNode)
};

// Openable, with an icon of its own.
class TFakeDb : public TFakeNode {
  FW_CLASS(TFakeDb, TFakeNode)
protected:
  void Init(TExploreObject* parent) override;
};

// Without an icon: shows its parent class's.
class TFakeDbPart : public TFakeDb {
  FW_CLASS(TFakeDbPart, TFakeDb)
};

// The top nodes; what they hold is set before the root loads them.
class TFakeDatabases : public TFakeNode {
  FW_CLASS(TFakeDatabases, TFakeNode)
public:
  static std::vector<std::string> names;
  std::string GetValidationText() override { return "All Fake Databases"; }

protected:
  void Init(TExploreObject* parent) override;
};

class TFakeSettings : public TFakeNode {
  FW_CLASS(TFakeSettings, TFakeNode)
public:
  std::string GetValidationText() override { return "Fake Settings"; }

protected:
  void Init(TExploreObject* parent) override;
};

class TFakeRoot : public TDbXForm {
  FW_CLASS(TFakeRoot, TDbXForm)
};

// Schema answers by the object's name: "set..." is an object set (of
// references for "setref..."), "schema..." a schema object, "sql..." lies in
// an open database, "root..." is a database root, "ref..." a reference.
class TFakeSchema : public TSchemaQuestions {
public:
  TFakeSchema();
  bool IsSchemaObject(TExploreObject* o) override { return o->Name().rfind("schema", 0) == 0; }
  bool IsObjectSet(TExploreObject* o) override { return o->Name().rfind("set", 0) == 0; }
  int ReferenceKind(TExploreObject* o) override { return o->Name().rfind("setref", 0) == 0 ? 4 : 1; }
  TEPropertyDefs* ObjectDefinitions(TExploreObject*) override { return &definitions; }
  TExploreObject* OpenDatabase(TExploreObject* o) override { return o->Name().rfind("sql", 0) == 0 ? o : nullptr; }
  bool IsDatabaseRoot(TExploreObject* o) override { return o->Name().rfind("root", 0) == 0; }
  bool IsReference(TExploreObject* o) override { return o->Name().rfind("ref", 0) == 0; }

  TEPropertyDefs definitions;
};

// The two properties of a database: "Alias" and "Path".
void DatabaseProperties(TFakeNode& node);

// A window bound to a fake root, shown. The root's top classes are chosen
// before Bind; the units run from set-up to tear-down.
class ExplorerTest : public fw::test::UiTest {
protected:
  void SetUp() override;
  void TearDown() override;
  void Bind(std::initializer_list<TExploreClass> tops = {ExploreClassOf<TFakeDatabases>()});
  // Frees the window, which unbinds it.
  void CloseWindow();

  TFakeNode* Top(int i) { return static_cast<TFakeNode*>(root->Children().GetItem(i)); }
  TFakeNode* Databases() { return Top(0); }
  fw::TTreeView* Tree() { return form->CurrentTree(); }
  void Select(TExploreObject* o) { Tree()->SetSelected(o->TreeNode); }
  // The node texts below a node (the top level without one), as
  // "a(b c) d".
  std::string Texts(fw::TTreeNode* parent = nullptr);
  std::vector<std::string> VisibleTabs();

  TFakeRoot* root = nullptr;
  TDbExplorerForm* form = nullptr;
  std::vector<std::string> errors;
};

}  // namespace dbx::testing

#include "ExplorerTesting.h"

#include <algorithm>

namespace dbx::testing {

using namespace fw;

FW_IMPLEMENT_CLASS(TFakeNode)
FW_IMPLEMENT_CLASS(TFakeTable)
FW_IMPLEMENT_CLASS(TFakeDb)
FW_IMPLEMENT_CLASS(TFakeDbPart)
FW_IMPLEMENT_CLASS(TFakeDatabases)
FW_IMPLEMENT_CLASS(TFakeSettings)
FW_IMPLEMENT_CLASS(TFakeRoot)

std::vector<std::string> TFakeDatabases::names;

TFakeNode* TFakeNode::MakeChild() {
  TExploreObject* made = childClass ? childClass.Create(this) : TExploreObject::Create<TFakeNode>(this);
  return static_cast<TFakeNode*>(made);
}

void TFakeNode::LoadChildren() {
  for (const std::string& name : childNames) MakeChild()->SetName(name);
  Children().Sort();
}

TFakeNode* TFakeNode::AddChild(const std::string& name) {
  Children().Load();
  // Named once made, so that the list puts it in its place and says so.
  TFakeNode* child = MakeChild();
  child->Release(lsIdle);
  child->SetName(name);
  return child;
}

void TFakeDb::Init(TExploreObject* parent) {
  operations = kFakeOperations | opOpen;
  makeProperties = DatabaseProperties;
  childClass = ExploreClassOf<TFakeDbPart>();
  childNames = {"orders", "guests"};
  TFakeNode::Init(parent);
}

void TFakeDatabases::Init(TExploreObject* parent) {
  childNames = names;
  childClass = ExploreClassOf<TFakeDb>();
  TFakeNode::Init(parent);
  SetName("Databases");
}

void TFakeSettings::Init(TExploreObject* parent) {
  childNames = {"formats", "drivers"};
  TFakeNode::Init(parent);
  SetName("Settings");
}

void DatabaseProperties(TFakeNode& node) {
  TEProperties& p = node.Properties();
  auto editable = static_cast<std::uint16_t>(TEPropertyAttributes(paEditable).ToBits());
  p.Add<TEProperty>("ALIAS", "Alias", 2, ftString)->SetAttributeWord(editable);
  p.Add<TEProperty>("PATH", "Path", 2, ftString)->SetAttributeWord(editable);
  p.Add<TEProperty>("NOTE", "Note", 3, ftString)->SetAttributeWord(editable);
}

TFakeSchema::TFakeSchema() {
  definitions.Add<TEPropertyDef>("TYPE", "Type", 1, ftString);
  definitions.Add<TEPropertyDef>("SIZE", "Size in pages", 1, ftInteger);
  definitions.Add<TEPropertyDef>("NOTE", "Note", 2, ftString);
}

void ExplorerTest::SetUp() {
  StartModelUnits();
  SetSchemaQuestions(std::make_unique<TFakeSchema>());
  TFakeDatabases::names = {"gamma", "alpha", "beta"};
  Application->OnException = [this](TObject*, const Exception& e) { errors.push_back(e.Message()); };
}

void ExplorerTest::TearDown() {
  Application->OnException = nullptr;
  CloseWindow();
  if (root) root->Release(lsReleased);
  SetSchemaQuestions(nullptr);
  StopModelUnits();
}

void ExplorerTest::Bind(std::initializer_list<TExploreClass> tops) {
  for (const TExploreClass& cls : tops) RegisterDbXRootClass(cls);
  root = TExploreObject::Create<TFakeRoot>(nullptr);
  form = NewForm<TDbExplorerForm>(nullptr);
  root->SetForm(form);
  ShowActive(form);
}

void ExplorerTest::CloseWindow() {
  delete std::exchange(form, nullptr);
}

std::string ExplorerTest::Texts(TTreeNode* parent) {
  std::string text;
  TTreeNode* node = parent ? parent->GetFirstChild() : Tree()->Items()->GetFirstNode();
  for (; node; node = node->getNextSibling()) {
    if (!text.empty()) text += " ";
    text += node->Text();
    if (node->Count() > 0) text += "(" + Texts(node) + ")";
  }
  return text;
}

std::vector<std::string> ExplorerTest::VisibleTabs() {
  std::vector<std::string> tabs;
  for (int i = 0; i < form->InfoPages->PageCount(); ++i)
    if (form->InfoPages->Pages(i)->TabVisible()) tabs.push_back(form->InfoPages->Pages(i)->Caption());
  return tabs;
}

}  // namespace dbx::testing

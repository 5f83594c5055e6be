#include <string>
#include <vector>

#include "ModelTesting.h"

namespace dbx::testing {
namespace {

using fw::Null;
using fw::Variant;
using Log = std::vector<std::string>;

std::uint16_t Word(TEPropertyAttributes attributes) { return static_cast<std::uint16_t>(attributes.ToBits()); }

// The properties every test node has.
void DriverProperties(TNode& node) {
  TEProperties& p = node.Properties();
  p.Add<TEProperty>("PORT", "Port", 2, ftInteger)->SetAttributeWord(Word({paEditable, paGetEditor}));
  p.Add<TEProperty>("PATH", "", 2, ftString)->SetAttributeWord(Word({paEditable, paRequired, paGetEditor}));
  p.Add<TEProperty>("TYPE", "Type", 1, ftString);
  p.Add<TEProperty>("NAME", "Name", 2, ftString)->SetAttributeWord(Word({paEditNew, paGetEditor}));
  p.Add<TEProperty>("ON", "On", 2, ftBoolean)->SetAttributeWord(Word({paEditable, paGetEditor}));
}

class PropertiesTest : public ModelTest {
protected:
  void SetUp() override {
    ModelTest::SetUp();
    root = TExploreObject::Create<TNode>(nullptr, &destroyed);
    root->SetName("root");
    root->childProperties = DriverProperties;
    node = root->AddChild("n");
  }
  void TearDown() override {
    root->Release(lsReleased);
    EXPECT_EQ(destroyed, made);
    ModelTest::TearDown();
  }
  TEProperty* Prop(const char* name) { return node->Properties().PropertyByName(name); }

  int destroyed = 0;
  int made = 2;
  TRecorder recorder{{evProperties, evEditState}};
  TNode* root = nullptr;
  TNode* node = nullptr;
};

TEST_F(PropertiesTest, AssignValue) {
  struct Case {
    const char* property;
    Variant value;
    std::string error;   // empty: none
    std::string text;    // the display text afterwards
    fw::TVarType kind;   // of the stored value
    int propertyState;
    int objectState;
  } cases[] = {
      {"PORT", Variant("42"), "", "42", fw::varInteger, esModified, esModified},
      {"PORT", Variant(7), "", "7", fw::varInteger, esModified, esModified},
      {"PORT", Variant("abc"), "Port cannot have a value of abc", "", fw::varNull, esModified, esModified},
      {"ON", Variant("True"), "", "True", fw::varBoolean, esModified, esModified},
      {"ON", Variant("maybe"), "On cannot have a value of maybe", "", fw::varNull, esModified, esModified},
      {"PORT", Null(), "", "", fw::varNull, esBrowse, esBrowse},   // equal to what it has
      {"PATH", Variant(""), "", "", fw::varNull, esBrowse, esBrowse},  // an empty text equals Null
      {"TYPE", Variant("x"), "Cannot edit Type", "", fw::varNull, esBrowse, esBrowse},
      {"NAME", Variant("x"), "Cannot edit Name", "", fw::varNull, esBrowse, esBrowse},  // applied: read-only
  };
  for (const Case& c : cases) {
    TNode* n = root->AddChild("case");
    ++made;
    recorder.Follow(n);
    TEProperty* p = n->Properties().PropertyByName(c.property);
    recorder.Take();
    try {
      p->SetValue(c.value);
      EXPECT_EQ(c.error, "") << c.property << ": no error";
    } catch (const EDbXError& e) {
      EXPECT_EQ(e.Message(), c.error) << c.property;
    }
    EXPECT_EQ(p->GetText(1), c.text) << c.property;
    EXPECT_EQ(fw::VarType(p->Value()), c.kind) << c.property;
    EXPECT_EQ(p->EditState(), c.propertyState) << c.property;
    EXPECT_EQ(n->EditState(), c.objectState) << c.property;
    if (c.objectState == esBrowse) {
      EXPECT_EQ(recorder.Take(), Log{}) << c.property << ": nothing changed, nothing sent";
    }
    n->Cancel();
    n->Delete();
    root->Apply();
  }
}

TEST_F(PropertiesTest, EditNewAndReadOnlyStates) {
  TExploreObject* fresh = root->NewObject("");
  ++made;
  fresh->SetPropertyValue("NAME", Variant("first"));
  fresh->SetPropertyValue("PATH", Variant("/data"));
  EXPECT_EQ(fresh->Properties().PropertyByName("NAME")->EditState(), esNew) << "made while its object is new";
  fresh->Rename("fresh");
  fresh->EndEdit();
  root->Apply();
  ExpectDbXError([&] { fresh->SetPropertyValue("NAME", Variant("second")); }, "Cannot edit Name");
  EXPECT_EQ(fresh->GetPropertyText("NAME"), "first");

  node->Delete();
  ExpectDbXError([&] { node->SetPropertyValue("PORT", Variant(1)); }, "Cannot edit Port");
  EXPECT_FALSE(Prop("PORT")->GetAttributes().Contains(paEditable));
  node->Cancel();
  EXPECT_TRUE(Prop("PORT")->GetAttributes().Contains(paEditable));
  ExpectDbXError([&] { node->SetPropertyValue("NONE", Variant(1)); }, "Property NONE does not exist");
}

TEST_F(PropertiesTest, RequiredValueIsCheckedOnceEdited) {
  EXPECT_EQ(Prop("PATH")->GetError(), nullptr) << "an unedited empty value is no error";
  node->StorePropertyValue("PATH", Variant("/data"), false);
  ExpectDbXError([&] { node->SetPropertyValue("PATH", Null()); }, "A value must be specified for PATH");
  EXPECT_EQ(node->Validity(), vaInvalid);
  EXPECT_FALSE(node->Enabled(opApply));

  fw::TStringList errors;
  node->ValidateIfNeeded(&errors);
  ASSERT_EQ(errors.Count(), 1);
  EXPECT_EQ(errors.Strings(0), "A value must be specified for PATH");
  EXPECT_EQ(errors.Objects(0), node);

  node->SetPropertyText("PATH", "/other");
  EXPECT_EQ(node->Validity(), vaValid);
  EXPECT_TRUE(node->Enabled(opApply));
}

TEST_F(PropertiesTest, PendingPropertiesMakeTheObjectModified) {
  recorder.Follow(root);
  node->SetPropertyValue("PORT", Variant(1));
  node->SetPropertyValue("ON", Variant(true));
  EXPECT_EQ(node->Properties().PendingCount(), 2);
  EXPECT_EQ(recorder.Take(), (Log{"n 1(1)", "root 4(1)", "n 4(2)", "n 1(2)", "n 1(2)"}));
  node->Apply();
  EXPECT_EQ(node->Properties().PendingCount(), 0);
  EXPECT_EQ(Prop("PORT")->EditState(), esBrowse);
  EXPECT_EQ(node->GetPropertyStoredText("PORT"), "1");
  node->Properties().Unload();
  EXPECT_EQ(recorder.Take(), (Log{"root 4(0)", "n 4(0)", "n 1(0)"}));
}

TEST_F(PropertiesTest, LevelHidesEmptyReadOnlyValues) {
  EXPECT_EQ(Prop("TYPE")->GetLevel(), 0);
  node->StorePropertyValue("TYPE", Variant("STANDARD"), false);
  EXPECT_EQ(Prop("TYPE")->GetLevel(), 1);
  EXPECT_EQ(Prop("PORT")->GetLevel(), 2);
  EXPECT_EQ(node->Properties().CountMatching(1, 2, false, TEPropertyAttributes{paEditable}), 3);
  EXPECT_EQ(node->Properties().CountMatching(2, 2, true, TEPropertyAttributes{paEditable, paRequired}), 1);
  EXPECT_EQ(node->Properties().FindByCaption("port"), Prop("PORT"));
  EXPECT_EQ(node->Properties().FindByCaption("path"), Prop("PATH")) << "the name stands in for an empty caption";
}

TEST_F(PropertiesTest, LastRegisteredEditorWins) {
  auto* byClass = RegisterPropertyEditor<TERegisteredEditor>(TNode::StaticClass(), "", "PATH");
  auto* forAll = RegisterPropertyEditor<TERegisteredValues>(nullptr, "", "PATH");
  auto* other = RegisterPropertyEditor<TERegisteredEditor>(TOtherNode::StaticClass(), "", "PORT");
  auto* typed = RegisterPropertyEditor<TERegisteredEditor>(TExploreObject::StaticClass(), "Node", "PORT");
  struct Case {
    fw::TClass cls;
    const char* typeName;
    const char* property;
    TERegisteredPE* found;
  } cases[] = {
      {TNode::StaticClass(), "Node", "PATH", forAll},
      {TNode::StaticClass(), "Node", "PORT", typed},
      {TOtherNode::StaticClass(), "OtherNode", "PORT", other},
      {TOtherNode::StaticClass(), "Node", "PORT", typed},
      {TNode::StaticClass(), "Node", "TYPE", nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(FindRegisteredEditor(c.cls, c.typeName, c.property), c.found) << c.property;
  EXPECT_NE(byClass, nullptr);

  EXPECT_EQ(Prop("PATH")->GetEditor(), forAll);
  EXPECT_TRUE(Prop("PATH")->Attributes().Contains(paValues));
  EXPECT_EQ(Prop("PORT")->GetEditor(), typed);
  EXPECT_TRUE(Prop("PORT")->Attributes().Contains(paEditor));
  Prop("PORT")->SetEditor(nullptr);
  EXPECT_FALSE(Prop("PORT")->Attributes().Contains(paEditor));
}

TEST_F(PropertiesTest, ValueListStepsAndWraps) {
  TEStringValues values;
  TEProperty* path = Prop("PATH");
  path->SetEditor(&values);
  path->Edit();
  EXPECT_EQ(path->GetText(1), "") << "no values, no step";
  for (const char* v : {"A", "B", "C"}) values.Strings().Add(v);
  std::vector<std::string> seen;
  for (int i = 0; i < 4; ++i) {
    path->Edit();
    seen.push_back(path->GetText(1));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"A", "B", "C", "A"}));
  std::vector<std::string> offered;
  path->GetValues([&](const std::string& s) { offered.push_back(s); });
  EXPECT_EQ(offered, (std::vector<std::string>{"A", "B", "C"}));
  path->SetEditor(nullptr);
}

// Properties need an object: a plain list of definitions takes none, an
// object's list takes nothing else.
template <typename List, typename T>
concept CanAdd = requires(List& list) { list.template Add<T>("X"); };
static_assert(CanAdd<TEPropertyDefs, TEPropertyDef>);
static_assert(!CanAdd<TEPropertyDefs, TEProperty>);
static_assert(CanAdd<TEProperties, TEProperty>);
static_assert(!CanAdd<TEProperties, TEPropertyDef>);

TEST_F(PropertiesTest, APropertyOutsideAnObjectsListIsRefused) {
  TEPropertyDefs& asDefinitions = node->Properties();
  int count = node->Properties().GetCount();
  ExpectDbXError([&] { asDefinitions.Add<TEPropertyDef>("X"); }, "Internal error: Definition X is no property");
  EXPECT_EQ(node->Properties().Count(), count);

  TEProperty orphan("ORPHAN");
  ExpectDbXError([&] { orphan.SetValue(Variant(1)); }, "Internal error: Property ORPHAN belongs to no object");
  ExpectDbXError([&] { orphan.SetAttributeWord(Word({paEditable})); },
                 "Internal error: Property ORPHAN belongs to no object");
}

// A property class that a definition names, seen by its text.
class TBracketProperty : public TEProperty {
  FW_CLASS(TBracketProperty, TEProperty)
public:
  using TEProperty::TEProperty;
  std::string GetText(int kind) override { return "<" + TEProperty::GetText(kind) + ">"; }
};

FW_IMPLEMENT_CLASS(TBracketProperty)

TEST_F(PropertiesTest, PropertiesOfAClassNamedAtRunTime) {
  TEPropertyDef definition("HOST", "Host", 2, ftString);
  definition.SetAttributeWord(Word({paEditable, paRequired}));
  node->Properties().Load();
  recorder.Follow(node);
  TEProperty* host = node->Properties().Add(PropertyClassOf<TBracketProperty>(), definition);
  EXPECT_EQ(recorder.Take(), (Log{"n 1(1)"}));
  EXPECT_TRUE(host->InheritsFrom(TBracketProperty::StaticClass()));
  EXPECT_EQ(node->Properties().PropertyByName("HOST"), host);
  EXPECT_EQ(host->GetCaption(), "Host");
  EXPECT_EQ(host->TypeCode(), ftString);
  EXPECT_TRUE(host->GetAttributes().Contains(paRequired));
  host->SetValue(Variant("db1"));
  EXPECT_EQ(host->GetText(1), "<db1>");
  EXPECT_EQ(node->EditState(), esModified);
  ExpectDbXError([&] { node->Properties().Add(TEPropertyClass{}, definition); }, "Internal error: No prop class: HOST");
}

// A list shared by every object that offers the asking object's own
// values, and none while that object is new.
class TOwnersValues : public TERegisteredValues {
public:
  TOwnersValues() : TERegisteredValues(nullptr, "", "PATH") {}
  void GetValues(const TGetStrProc& callback, TEProperty& property) override {
    TExploreObject* owner = property.Object();
    if (owner->EditState() != esNew) callback(owner->Name() + "/data");
  }
};

TEST_F(PropertiesTest, AValueListKnowsWhoAsks) {
  RegisterPropertyEditor<TOwnersValues>();
  TNode* other = root->AddChild("m");
  TExploreObject* fresh = root->NewObject("");
  made += 2;
  auto offered = [](TExploreObject* object) {
    std::vector<std::string> values;
    object->Properties().PropertyByName("PATH")->GetValues([&](const std::string& s) { values.push_back(s); });
    return values;
  };
  EXPECT_EQ(offered(node), (std::vector<std::string>{"n/data"}));
  EXPECT_EQ(offered(other), (std::vector<std::string>{"m/data"}));
  EXPECT_EQ(offered(fresh), std::vector<std::string>{});
  fresh->Rename("f");
  fresh->SetPropertyText("PATH", "f/data");
  fresh->EndEdit();
  fresh->Delete();
}

class TCountingAction : public TERegisteredAction {
public:
  using TERegisteredAction::TERegisteredAction;
  void Execute(TExploreObject&) override { ++runs; }
  int runs = 0;
};

TEST_F(PropertiesTest, ActionsShowByClassAndTypeAndRunWhenEnabled) {
  auto* all = RegisterAction<TCountingAction>(nullptr, "All", "");
  RegisterAction<TERegisteredAction>(TOtherNode::StaticClass(), "Other only", "");
  RegisterAction<TERegisteredAction>(nullptr, "Typed", "OtherNode");
  TEActions* actions = node->GetActions();
  ASSERT_EQ(actions->Count(), 3);
  EXPECT_EQ(actions->GetByName("All")->GetState(*node), asEnabled);
  EXPECT_EQ(actions->GetByName("Other only")->GetState(*node), asHidden);
  EXPECT_EQ(actions->GetByName("Typed")->GetState(*node), asHidden);
  ExpectDbXError([&] { actions->GetByNameOrRaise("None"); }, "Object None does not exist");
  ExpectDbXError([&] { ExecuteAction(actions->GetByName("Typed"), *node); }, "Operation not supported");

  ExecuteAction(all, *node);
  EXPECT_EQ(all->runs, 1);
  node->Edit();
  EXPECT_EQ(all->GetState(*node), asDisabled) << "pending edits";
  ExpectDbXError([&] { ExecuteAction(all, *node); }, "Operation not supported");
  node->EndEdit();
  ExecuteAction(nullptr, *node);

  TEActions own;
  own.Add<TEAction>("Mine");
  ASSERT_EQ(own.Count(), 4);
  EXPECT_EQ(own.GetItem(0)->Name(), "Mine");
  EXPECT_EQ(own.GetItem(1), all);
}

TEST(ValuesTest, TextAndEquality) {
  EXPECT_EQ(VarToText(Null()), "");
  EXPECT_EQ(VarToText(fw::Unassigned()), "");
  EXPECT_EQ(VarToText(Variant(42)), "42");
  EXPECT_EQ(VarToText(fw::VarArrayOf({Variant(1), Variant(2)})), "????");
  EXPECT_TRUE(fw::VarIsNull(TextToVariant("")));
  EXPECT_EQ(VariantToIntDef(Null()), 0);
  EXPECT_EQ(VariantToIntDef(Variant("12")), 12);
  EXPECT_TRUE(fw::VarIsNull(ObjectToVariant(nullptr)));

  struct Case {
    Variant a, b;
    bool equal;
  } cases[] = {
      {Null(), Variant(""), true},      {fw::Unassigned(), Null(), true}, {Variant("a"), Variant("a"), true},
      {Variant("a"), Variant("A"), false}, {Variant(1), Variant(1.0), true}, {Variant("x"), Variant(1), false},
      {Null(), Variant(0), false},      {Variant(""), Variant(" "), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VariantsEqual(c.a, c.b), c.equal) << VarToText(c.a) << " / " << VarToText(c.b);
    EXPECT_EQ(VariantsEqual(c.b, c.a), c.equal) << VarToText(c.b) << " / " << VarToText(c.a);
  }
}

}  // namespace
}  // namespace dbx::testing

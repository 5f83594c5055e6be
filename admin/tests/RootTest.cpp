#include <fstream>
#include <string>
#include <vector>

#include "DbXCtrl.h"
#include "DbXUnits.h"
#include "Files.h"
#include "ModelTesting.h"
#include "Resources.h"
#include "ScriptedMessages.h"

namespace dbx::testing {
namespace {

using Items = std::vector<std::string>;

// Puts another text in the place of the program's property-definition text
// (none at all for nullptr) and reads it; the program's text comes back at
// the end of the scope.
class TTextSwap {
public:
  explicit TTextSwap(const char* text) : saved_(fw::FindResourceData("DBXDBI")) {
    if (text) {
      text_ = text;
      fw::RegisterResource("DBXDBI", reinterpret_cast<const unsigned char*>(text_.data()), text_.size());
    } else {
      fw::RegisterResource("DBXDBI", nullptr, 0);
    }
  }
  ~TTextSwap() { fw::RegisterResource("DBXDBI", saved_.Data, saved_.Size); }
  TTextSwap(const TTextSwap&) = delete;
  TTextSwap& operator=(const TTextSwap&) = delete;

private:
  fw::TResourceData saved_;
  std::string text_;
};

Items Strings(const TEStringValues& values) {
  Items items;
  auto& list = const_cast<TEStringValues&>(values).Strings();
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Strings(i));
  return items;
}

// The tests register top-level classes of their own.
class RootTest : public ::testing::Test {
protected:
  void SetUp() override { StartModelUnits(); }
  void TearDown() override { StopModelUnits(); }
};

TEST_F(RootTest, TheProgramsTextIsReadFromItsResource) {
  EXPECT_NE(fw::FindResourceData("DBXDBI").Data, nullptr) << "the model's library carries the text";
  TMDManager& md = GetMDManager();
  EXPECT_EQ(md.SectionCount(), 2);
  EXPECT_EQ(md.ReadString("Version", "DbXVersion"), "3.00");
  EXPECT_EQ(md.ReadString("VERSION", "dbxversion"), "3.00");
  EXPECT_EQ(md.ReadString("Version", "DbXName"), "\"Nubo Administration Facility\"");
  EXPECT_EQ(md.ReadString("Properties", ":HelpContext"), "4039");
  EXPECT_EQ(md.ReadString("Properties", "SYBASE:HelpContext"), "4033") << "blank lines do not end a section";
  EXPECT_EQ(md.ReadString("Properties", "NONE:HelpContext", "-"), "-");
  EXPECT_EQ(md.ReadString("Nowhere", "DbXVersion", "-"), "-");
  EXPECT_EQ(md.ReadNumbered("Properties", "NET PROTOCOL:Values"),
            (Items{"Closed,TNS,TCP/IP,SPX/IPX,NETBIOS,NAMED PIPES,DECNET,3270,VINES", "APPC,ASYNC"}));
  EXPECT_EQ(md.ReadRootString(nullptr, "NET PROTOCOL:Values"),
            "Closed,TNS,TCP/IP,SPX/IPX,NETBIOS,NAMED PIPES,DECNET,3270,VINES APPC,ASYNC");
}

TEST_F(RootTest, SectionsKeysAndNumberedKeys) {
  TTextSwap swap(
      "; a comment\n"
      "before=any section\n"
      "[properties]\n"
      " LEAD=blank\n"
      "M1=a\r\n"
      "M2=b\n"
      "M4=d\n"
      "E1=x\nE2=\nE3=z\n"
      "EQ=a=b\n"
      "\xE2\x84\xAA=kelvin\n"
      "NOVALUE\n"
      "[Properties Node]\n"
      "L=1,2\n"
      "[Properties]\n"
      "LATER=second section of the name\n");
  TMDManager& md = GetMDManager();
  md.Reload();
  EXPECT_EQ(md.SectionCount(), 3);
  EXPECT_EQ(md.ReadString("Properties", "LEAD", "-"), "-") << "no trimming";
  EXPECT_EQ(md.ReadString("Properties", " LEAD"), "blank");
  EXPECT_EQ(md.ReadString("Properties", "EQ"), "a=b");
  EXPECT_EQ(md.ReadString("Properties", "k"), "kelvin") << "cut after the name as the text has it";
  EXPECT_EQ(md.ReadString("Properties", "NOVALUE", "-"), "") << "a key without \"=\" has an empty value";
  EXPECT_EQ(md.ReadString("Properties", "LATER", "-"), "-") << "the first section of a name wins";
  EXPECT_EQ(md.ReadString("Properties", "before", "-"), "-");
  EXPECT_EQ(md.ReadNumbered("Properties", "M"), (Items{"a", "b"})) << "stops at the first gap";
  EXPECT_EQ(md.ReadNumbered("Properties", "E"), (Items{"x"})) << "stops at the first empty value";

  TNode* node = TExploreObject::Create<TNode>(nullptr);
  EXPECT_EQ(md.ReadRootList(node, "L"), (Items{"1", "2"}));
  node->Release(lsReleased);
  EXPECT_EQ(md.ReadRootList(nullptr, "L"), Items{});
  EXPECT_EQ(md.ReadRootList(nullptr, "M"), (Items{"a", "b"}));
}

TEST_F(RootTest, ValueListsFromTheText) {
  std::shared_ptr<TESimpleValues> protocols = GetPropertyValues(nullptr, "NET PROTOCOL");
  ASSERT_NE(protocols, nullptr);
  EXPECT_FALSE(protocols->Open());
  EXPECT_EQ(Strings(*protocols), (Items{"TNS", "TCP/IP", "SPX/IPX", "NETBIOS", "NAMED PIPES", "DECNET", "3270", "VINES",
                                        "APPC", "ASYNC"}));
  EXPECT_EQ(GetPropertyValues(nullptr, "NET PROTOCOL"), protocols) << "cached";
  EXPECT_EQ(Strings(*GetPropertyValues(nullptr, "OPEN MODE")), (Items{"READ/WRITE", "READ ONLY"}));
  EXPECT_EQ(GetPropertyValues(nullptr, "PATH"), nullptr);

  TTextSwap swap(
      "[Properties]\n"
      "PATH:Values=Closed,C:\\\n"
      "EMPTY:Values=Open\n"
      "Q:Values=closed,\"a b\",x=\"long text\",y=plain\n"
      "BAD:Values=Shut,A\n");
  GetMDManager().Reload();
  EXPECT_EQ(GetPropertyValues(nullptr, "PATH"), nullptr) << "none stays none until the root refreshes";
  std::shared_ptr<TESimpleValues> empty = GetPropertyValues(nullptr, "EMPTY");
  ASSERT_NE(empty, nullptr) << "a list of no values is a list";
  EXPECT_TRUE(empty->Open());
  EXPECT_EQ(empty->Strings().Count(), 0);
  EXPECT_EQ(Strings(*GetPropertyValues(nullptr, "Q")), (Items{"a b", "x=long text", "y=plain"}));
  ExpectDbXError([] { GetPropertyValues(nullptr, "BAD"); }, "Mapping error: Shut not found in string list");
}

TEST_F(RootTest, SimpleValuesValidate) {
  int destroyed = 0;
  TNode* node = TExploreObject::Create<TNode>(nullptr, &destroyed);
  node->SetName("n");
  node->loadProperties = [](TNode& n) {
    n.Properties().Add<TEProperty>("OPEN MODE", "Open mode", 2, ftString)->SetAttributeWord(
        static_cast<std::uint16_t>(TEPropertyAttributes{paEditable}.ToBits()));
  };
  TEProperty* mode = node->Properties().PropertyByName("OPEN MODE");
  std::shared_ptr<TESimpleValues> values = GetPropertyValues(nullptr, "OPEN MODE");
  mode->SetEditor(values);
  mode->SetValue(fw::Variant("read only"));
  EXPECT_EQ(mode->GetError(), nullptr) << "compared without regard to case";
  ExpectDbXError([&] { mode->SetValue(fw::Variant("APPEND")); }, "Open mode cannot have a value of APPEND");
  values->SetOpen(true);
  EXPECT_EQ(mode->GetError(), nullptr) << "an open list allows any value";
  EXPECT_EQ(values->IndexOfText("Read Only"), 1);
  node->Release(lsReleased);
  EXPECT_EQ(destroyed, 1);
}

TEST_F(RootTest, ValueMapShowsDisplaysAndStoresKeys) {
  TEValueMap map;
  for (const char* line : {"=:Default", "S=Short:\"Long name\"", "X=Plain", "Y=`N`", "Z=Plain", "E="})
    map.Strings().Add(line);
  struct Case {
    int kind;
    const char* value;
    const char* text;
  } shown[] = {
      {1, "S", "Long name"}, {0, "S", "Short"}, {1, "s", "Long name"}, {1, "X", "Plain"},
      {0, "X", "Plain"},     {1, "zz", "Default"}, {0, "zz", ""},
  };
  for (const Case& c : shown) EXPECT_EQ(map.ValueToText(c.kind, fw::Variant(c.value)), c.text) << c.value;
  EXPECT_EQ(map.TextToValue(1, "long name"), "S");
  EXPECT_EQ(map.TextToValue(0, "SHORT"), "S");
  EXPECT_EQ(map.TextToValue(1, "other"), "other");
  EXPECT_EQ(map.IndexOfText("x"), 2);
  EXPECT_EQ(VarToText(map.GetValueAt(1)), "S");
  Items offered;
  TEProperty asking("P");
  map.GetValues([&](const std::string& s) { offered.push_back(s); }, asking);
  EXPECT_EQ(offered, (Items{"Default", "Long name", "Plain"}));

  TEValueMap mapWithoutDefault;
  mapWithoutDefault.Strings().Add("S=Short");
  EXPECT_EQ(mapWithoutDefault.ValueToText(1, fw::Variant("other")), "other");
}

// Stands in for the schema objects' template expander.
class TExpandingNode : public TNode {
  FW_CLASS(TExpandingNode, TNode)
public:
  using TNode::TNode;
  std::string ExpandTemplate(const std::string& text) override { return text + " of " + Name(); }
};

FW_IMPLEMENT_CLASS(TExpandingNode)

TEST_F(RootTest, ValueMapExpandsTemplatesForThePropertysObject) {
  auto map = std::make_shared<TEValueMap>();
  for (const char* line : {"Y=`N`", "C=`:TYPE`", "S=Short:`N`", "X=Plain"}) map->Strings().Add(line);
  auto withMap = [map](TNode& n) { n.Properties().Add<TEProperty>("P", "P", 2, ftString)->SetEditor(map); };
  TNode* expanding = TExploreObject::Create<TExpandingNode>(nullptr);
  expanding->SetName("t");
  expanding->loadProperties = withMap;
  TNode* plain = TExploreObject::Create<TNode>(nullptr);
  plain->loadProperties = withMap;

  struct Case {
    TNode* object;
    const char* value;
    int kind;
    const char* text;
  } cases[] = {
      {expanding, "Y", 1, "`N` of t"},
      {expanding, "Y", 0, "`N` of t"},
      {expanding, "C", 1, "`:TYPE` of t"},  // a template is not cut at its colons
      {expanding, "S", 1, "`N` of t"},
      {expanding, "S", 0, "Short"},
      {expanding, "X", 1, "Plain"},
      {expanding, "`Q`", 1, "`Q`"},  // a value the map does not hold is shown as it is
      {plain, "Y", 1, "`N`"},        // no expander: as written
  };
  for (const Case& c : cases) {
    c.object->StorePropertyValue("P", fw::Variant(c.value), false);
    EXPECT_EQ(c.object->Properties().PropertyByName("P")->GetText(c.kind), c.text) << c.value << " " << c.kind;
  }
  Items offered;
  expanding->Properties().PropertyByName("P")->GetValues([&](const std::string& s) { offered.push_back(s); });
  EXPECT_EQ(offered, (Items{"Plain"})) << "templates are not offered";
  expanding->Release(lsReleased);
  plain->Release(lsReleased);
}

// A root whose two levels read sections of their own.
class TLevelRoot : public TNode {
  FW_CLASS(TLevelRoot, TNode)
public:
  using TNode::TNode;
  std::string SectionType(int level) override { return level == 0 ? "Alias" : "Driver"; }
};

FW_IMPLEMENT_CLASS(TLevelRoot)

TEST_F(RootTest, ARootReadsTheSectionsOfItsLevels) {
  TTextSwap swap(
      "[Properties Alias]\nA:Values=Closed,one\n"
      "[Properties Driver]\nA:Values=Closed,two\nB:Values=Closed,three\n"
      "[Properties LevelRoot]\nB:Values=Closed,four\n");
  GetMDManager().Reload();
  TNode* root = TExploreObject::Create<TLevelRoot>(nullptr);
  EXPECT_EQ(RootSection(root, 0), "Properties Alias");
  EXPECT_EQ(RootSection(root, 1), "Properties Driver");
  EXPECT_EQ(RootSection(nullptr, 1), "Properties");
  EXPECT_EQ(GetMDManager().ReadRootString(root, "A:Values"), "Closed,one");
  EXPECT_EQ(GetMDManager().ReadRootString(root, "B:Values"), "Closed,three") << "level 1 when level 0 has nothing";
  EXPECT_EQ(Strings(*GetPropertyValues(root, "B")), (Items{"three"}));
  root->Release(lsReleased);
}

// Top-level classes as the program registers them, counting their ends.
int topsDestroyed = 0;
int refreshes = 0;

class TTopZeta : public TNode {
  FW_CLASS(TTopZeta, TNode)
public:
  ~TTopZeta() override { ++topsDestroyed; }
  TExploreObject* DoRefresh() override {
    ++refreshes;
    return this;
  }

protected:
  void Init(TExploreObject* parent) override {
    TNode::Init(parent);
    SetName("Zeta");
  }
};

class TTopAlpha : public TTopZeta {
  FW_CLASS(TTopAlpha, TTopZeta)
protected:
  void Init(TExploreObject* parent) override {
    TTopZeta::Init(parent);
    SetName("Alpha");
  }
};

FW_IMPLEMENT_CLASS(TTopZeta)
FW_IMPLEMENT_CLASS(TTopAlpha)

TEST_F(RootTest, OneRootWithItsRegisteredClasses) {
  topsDestroyed = 0;
  RegisterDbXRootClass(ExploreClassOf<TTopZeta>());
  RegisterDbXRootClass(ExploreClassOf<TTopAlpha>());
  TDbXRoot* root = TExploreObject::Create<TDbXRoot>(nullptr);
  EXPECT_EQ(GetDbXRoot(), root);
  EXPECT_EQ(root->Name(), "TDbXRoot");
  EXPECT_EQ(root->GetPath(), "/");
  EXPECT_EQ(root->DeclaredOperations(), opRefresh | opApply | opCancel);
  ExpectDbXError([] { TExploreObject::Create<TDbXRoot>(nullptr); }, "Internal error: DbXRoot already exists");
  EXPECT_EQ(GetDbXRoot(), root) << "the failed second root leaves the first in place";

  ASSERT_EQ(root->Children().GetCount(), 2);
  EXPECT_EQ(root->Children().Item(0)->Name(), "Zeta") << "in the order of registration";
  EXPECT_EQ(root->Children().Item(1)->Name(), "Alpha");
  EXPECT_EQ(root->FindPath("//Alpha"), root->Children().Item(1));
  EXPECT_EQ(root->Children().Item(0)->GetPath(), "//Zeta");

  refreshes = 0;
  root->SetShowSystemData(true);
  EXPECT_EQ(refreshes, 0) << "only children whose own children are loaded";
  root->Children().Item(0)->Load();
  root->SetShowSystemData(false);
  EXPECT_EQ(refreshes, 1);
  root->Refresh();
  EXPECT_EQ(refreshes, 3);

  root->Children().Item(1)->Delete();
  root->Apply();
  EXPECT_EQ(topsDestroyed, 1);
  root->Release(lsReleased);
  EXPECT_EQ(topsDestroyed, 2);
  EXPECT_EQ(GetDbXRoot(), nullptr);
}

TEST_F(RootTest, RefreshRereadsTheTextAndKeepsListsInUse) {
  TDbXRoot* root = TExploreObject::Create<TDbXRoot>(nullptr);
  TEPropertyDef holder("OPEN MODE");
  holder.SetEditor(std::static_pointer_cast<TEPropertyEditor>(GetPropertyValues(nullptr, "OPEN MODE")));
  std::weak_ptr<TESimpleValues> before = GetPropertyValues(nullptr, "OPEN MODE");
  EXPECT_EQ(GetPropertyValues(nullptr, "NEW"), nullptr);

  TTextSwap swap("[Version]\nDbXVersion=3.00\n[Properties]\nNEW:Values=Closed,A\nOPEN MODE:Values=Closed,ONE\n");
  root->Refresh();
  ASSERT_FALSE(before.expired()) << "a property still holds the list";
  EXPECT_EQ(Strings(*static_cast<TEStringValues*>(holder.GetEditor())), (Items{"READ/WRITE", "READ ONLY"}));
  EXPECT_EQ(Strings(*GetPropertyValues(nullptr, "OPEN MODE")), (Items{"ONE"}));
  EXPECT_EQ(Strings(*GetPropertyValues(nullptr, "NEW")), (Items{"A"}));
  holder.SetEditor(nullptr);
  EXPECT_TRUE(before.expired());
  root->Release(lsReleased);
}

TEST(VersionCheckTest, AMissingOrOtherTextStopsTheStart) {
  const std::string besideProgram = fw::ExtractFilePath(fw::ParamStr(0)) + "DbX.DbI";
  std::remove(besideProgram.c_str());
  {
    TTextSwap missing(nullptr);
    {
      fw::test::ScriptedMessages boxes;
      EXPECT_THROW(StartModelUnits(), fw::EAbort);
      ASSERT_EQ(boxes->Requests.size(), 1u);
      EXPECT_EQ(boxes->Requests[0].Text, "DbX.DbI was not found or identified.  It is needed to explore databases");
      EXPECT_EQ(boxes->Requests[0].Caption, "");
      EXPECT_EQ(boxes->Requests[0].Flags, fw::MB_OK | fw::MB_ICONERROR);
    }
    EXPECT_THROW(RegisteredActions(), EDbXError) << "the units started before are ended";
    EXPECT_EQ(DbXVersionMessage(), "DbX.DbI was not found or identified.  It is needed to explore databases");
    DoneDbXCtrl();

    // the file beside the program stands in for the resource
    std::ofstream(besideProgram) << "[Version]\r\nDbXVersion=3.0\r\n";
    EXPECT_EQ(DbXVersionMessage(), "DbX.DbI version mismatch: expecting 3.00, found 3.0");
    DoneDbXCtrl();
    std::remove(besideProgram.c_str());
  }
  EXPECT_EQ(DbXVersionMessage(), "");
  DoneDbXCtrl();
  StartModelUnits();
  StopModelUnits();
}

}  // namespace
}  // namespace dbx::testing

// Schema objects over native tables of the engine: a root of tables with
// their columns, slots (numbered) and indexes, whose index columns refer to
// the table's columns.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Database.h"
#include "DbSchema.h"
#include "DbXCtrl.h"
#include "DbXUnits.h"
#include "Fields.h"
#include "Resources.h"
#include "Scope.h"
#include "Services.h"
#include "Table.h"
#include "TempDir.h"

namespace dbx::testing {
namespace {

using Names = std::vector<std::string>;
using Row = std::vector<std::string>;

constexpr std::uint16_t kObjectOps = opNew | opDelete | opModify | opRename | opApply | opCancel;

// A table file of text fields (a field "#name" is an integer, "~name" a
// memo, "*name" a blob) with its rows.
void MakeTable(const std::string& dir, const std::string& name, const Names& fields, const std::vector<Row>& rows) {
  std::filesystem::remove(std::filesystem::path(dir) / name);
  auto table = std::make_unique<fw::TTable>(nullptr);
  table->SetDatabaseName(dir);
  table->SetTableName(name);
  for (const std::string& f : fields) {
    switch (f[0]) {
      case '#': table->FieldDefs()->Add(f.substr(1), fw::ftInteger); break;
      case '~': table->FieldDefs()->Add(f.substr(1), fw::ftMemo); break;
      case '*': table->FieldDefs()->Add(f.substr(1), fw::ftBlob); break;
      default: table->FieldDefs()->Add(f, fw::ftString, 40);
    }
  }
  table->CreateTable();
  table->Open();
  for (const Row& row : rows) {
    table->Append();
    for (std::size_t i = 0; i < row.size(); ++i)
      if (!row[i].empty()) table->Fields(static_cast<int>(i))->SetAsString(row[i]);
    table->Post();
  }
  table->Close();
  fw::Session().DropConnections();
}

// The root reads its objects from the tables of a folder: Tables.db, and
// for a table's sets "<table>_<definition>.db" (only those the tests read
// are made).
class TTestRoot : public TERoot {
  FW_CLASS(TTestRoot, TERoot)
public:
  explicit TTestRoot(std::string dir = {}) : dir_(std::move(dir)) {}

  void LoadObjectRefs(TEObjectRefs& refs) override {
    TEObjectDef* owner = refs.Definition();
    std::string name = owner ? owner->Name() : std::string();
    if (!owner) {
      refs.Add("Tables", "Table", 0, rkOwned, 0, kObjectOps);
    } else if (name == "Table") {
      refs.Add("Columns", "Column", 1, rkOwned, 0, kObjectOps);
      refs.Add("Slots", "Slot", 0, rkOwnedLines, 0, kObjectOps);
      refs.Add("Indexes", "Index", 0, rkOwned, 1, kObjectOps);
    } else if (name == "Index") {
      refs.Add("\"Index Columns\"", "IndexColumn", 1, rkReference, 0, kObjectOps);
    }
  }

  TEObjectDef* CreateObjectDef(const std::string& name) override {
    auto field = PropertyClassOf<TEFieldProp>();
    std::unique_ptr<TEObjectDef> def;
    if (name == "Table") {
      def = std::make_unique<TEObjectDef>(this, name, okDataset);
      def->AddProp("Name", "Table name", 1, ftString, field)->SetAttributeWord(1);
      def->AddProp("Notes", "", 1, ftMemo, field)->SetAttributeWord(1);
      def->AddProp("Key", "Key column", 1, ftInteger, PropertyClassOf<TERefProp>())->SetAttributeWord(1);
      def->KeyParts = {0};
    } else if (name == "Column") {
      def = std::make_unique<TEObjectDef>(this, name, okColumn);
      def->AddProp("Name", "", 1, ftString, field)->SetAttributeWord(1);
      def->AddProp("Type", "Data type", 1, ftString, field)->SetAttributeWord(1);
      def->AddProp("Notes", "", 1, ftMemo, field);
      def->AddProp("Hidden", "", 0, ftMemo, field);
      def->AddProp("Picture", "", 1, ftBlob, field);
      def->AddProp("Size", "", 1, ftInteger, field)->SetAttributeWord(0x401);  // editable, value fetched later
      def->AddProp("Second", "", 1, ftString, field)->FieldIndex = 1;
      TEPropDef* trimmed = def->AddProp("Trimmed", "", 1, ftString, field);
      trimmed->FieldIndex = 1;
      trimmed->ReadHook = FindPropHook(ClassType(), "PTrim");
      def->KeyParts = {0};
    } else if (name == "Slot") {
      def = std::make_unique<TEObjectDef>(this, name, okColumn);
      def->AddProp("No", "", 1, ftInteger, field)->SetAttributeWord(1);
      def->AddProp("Label", "", 1, ftString, field)->SetAttributeWord(1);
      def->KeyParts = {0};
    } else if (name == "Index") {
      def = std::make_unique<TEObjectDef>(this, name, okIndex);
      def->AddProp("Name", "", 1, ftString, field)->SetAttributeWord(1);
      def->KeyParts = {0};
    } else if (name == "IndexColumn") {
      def = std::make_unique<TEObjectDef>(this, name, okColumnReference);
      def->AddProp("Column", "", 1, ftString, field)->SetAttributeWord(1);
      def->KeyParts = {0};
      def->TargetDef = "Column";
    } else if (name == "NoClass") {
      def = std::make_unique<TEObjectDef>(this, name, okNone);
      def->AddProp("Name", "", 1, ftString, TEPropertyClass{});
    } else {
      RaiseNotSupported();
    }
    return Definitions().Add(std::move(def));
  }

  std::unique_ptr<fw::TDataSet> OpenObjectQuery(TEObjectSet& set) override {
    std::string file = "Tables.db";
    if (set.Parent() != this) {
      std::string prefix = set.Parent()->Name();
      if (auto* index = dynamic_cast<TEObject*>(set.Parent()); index && index->GetKind() == okIndex)
        prefix = index->Parent()->Parent()->Name() + "_" + prefix;
      file = prefix + "_" + set.Definition()->Name() + ".db";
    }
    ++queries;
    auto table = std::make_unique<fw::TTable>(nullptr);
    table->SetDatabaseName(dir_);
    table->SetTableName(file);
    table->Open();
    return table;
  }

  int queries = 0;

protected:
  void Init(TExploreObject* parent) override {
    TERoot::Init(parent);
    SetAttributes(DeclaredOperations() | opApply | opCancel);
  }

private:
  std::string dir_;
};
FW_IMPLEMENT_CLASS(TTestRoot)

// The text the tests read templates from, the version kept.
constexpr char kTemplates[] =
    "[Version]\r\nDbXVersion=3.00\r\n[Properties TestRoot]\r\n"
    "Template:Column=`N`: `=Type`\r\n"
    "Template:Slot=`N`=`=Label`\r\n"
    "Template:Decl=  CREATE `NQ` \r\n"
    "Template:Loop=`ETemplates Loop`\r\n";

class SchemaTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartModelUnits();
    savedText = fw::FindResourceData("DBXDBI");
    fw::RegisterResource("DBXDBI", reinterpret_cast<const unsigned char*>(kTemplates), sizeof kTemplates - 1);
    GetMDManager().Reload();
    MakeTable(dir, "Tables.db", {"Name", "~Notes"}, {{"Guests", "first\nsecond"}, {"Events", ""}, {"dbo.Audit", ""}});
    const Names columns = {"Name", "Type", "~Notes", "~Hidden", "*Picture", "#Size"};
    MakeTable(dir, "Guests_Column.db", columns,
              {{"ID", " Integer ", "the key", "secret", "PNG", "4"}, {"Name", "Text", "", "", "", "40"},
               {"Email", "Text", "", "", "", "80"}});
    MakeTable(dir, "Events_Column.db", columns, {{"ID", "Integer", "", "", "", "4"}});
    MakeTable(dir, "Guests_Slot.db", {"#No", "Label"}, {{"20", "c"}, {"5", "a"}, {"10", "b"}});
    MakeTable(dir, "Guests_Index.db", {"Name"}, {{"ByName"}});
    MakeTable(dir, "Guests_ByName_IndexColumn.db", {"Column"}, {{"Name"}});
    top = TExploreObject::Create<TDbXRoot>(nullptr);
    top->Children().Load();
    root = TExploreObject::Create<TTestRoot>(top, dir);
    root->SetName("Wedding");
    root->Release(lsIdle);
  }
  void TearDown() override {
    top->Release(lsReleased);
    fw::Session().DropConnections();
    fw::RegisterResource("DBXDBI", savedText.Data, savedText.Size);
    GetMDManager().Reload();
    StopModelUnits();
    fw::SetTickCountClock(nullptr);
  }

  template <typename T = TEObjects>
  T* At(const std::string& path) {
    auto* object = dynamic_cast<T*>(root->FindPath(path));
    EXPECT_NE(object, nullptr) << path;
    return object;
  }
  Names ChildNames(TExploreObject* node) {
    Names names;
    for (int i = 0; i < node->Children().GetCount(); ++i) names.push_back(node->Children().Item(i)->Name());
    return names;
  }
  std::string Expand(TEObjects* object, const std::string& text) { return TExpander(*object).ExpandText(text); }

  fw::test::TempDir temp;
  std::string dir = temp.Path();
  fw::TResourceData savedText;
  TDbXRoot* top = nullptr;
  TTestRoot* root = nullptr;
};

TEST_F(SchemaTest, SetsFillFromTheRootsTablesAndReadTheirFields) {
  EXPECT_EQ(ChildNames(root), Names{"Tables"});
  EXPECT_EQ(ChildNames(At("Tables")), (Names{"Events", "Guests", "dbo.Audit"}));
  auto* id = At<TEObject>("Tables/Guests/Columns/ID");
  EXPECT_EQ(id->GetKind(), okColumn);
  EXPECT_EQ(id->GetTypeName(), "Column");
  EXPECT_EQ(id->DeclaredOperations(), (kObjectOps & ~opNew) | opRefresh);
  EXPECT_EQ(At("Tables")->DeclaredOperations(), opRefresh | opNew | opApply | opCancel);

  struct {
    const char* property;
    fw::Variant value;
  } cases[] = {
      {"Type", fw::Variant(" Integer ")},
      {"Notes", fw::Variant("the key")},  // a memo that is shown
      {"Hidden", fw::Null()},             // a memo that is not
      {"Picture", fw::Null()},            // a blob
      {"Size", fw::Null()},               // fetched later, not read
      {"Second", fw::Variant(" Integer ")},  // by position
      {"Trimmed", fw::Variant("Integer")},   // the read hook trims it
  };
  for (const auto& c : cases) EXPECT_TRUE(VariantsEqual(id->Properties().PropertyByName(c.property)->Value(), c.value)) << c.property << ": " << VarToText(id->Properties().PropertyByName(c.property)->Value());

  EXPECT_EQ(At<TEObjects>("Tables/Guests")->GetPropertyText("Notes"), "first\nsecond");
  // A definition without descriptors leaves its objects' children loaded, and empty.
  EXPECT_TRUE(id->Children().Loaded());
  EXPECT_EQ(id->Children().Count(), 0);

  // An object refreshed reads its row again; without its row it goes.
  MakeTable(dir, "Guests_Column.db", {"Name", "Type"}, {{"ID", "Counter"}});
  id->Refresh();
  EXPECT_EQ(id->GetPropertyText("Type"), "Counter");
  std::int64_t email = At("Tables/Guests/Columns/Email")->Handle();
  At("Tables/Guests/Columns/Email")->Refresh();
  EXPECT_EQ(TExploreObject::FromHandle(email), nullptr);
  EXPECT_EQ(ChildNames(At("Tables/Guests/Columns")), (Names{"ID", "Name"}));
}

TEST_F(SchemaTest, SetsCountTheirObjectsAndTheRootReadsItsDescriptionAgain) {
  auto* indexes = At<TEObjectSet>("Tables/Guests/Indexes");  // at most one
  auto* columns = At<TEObjectSet>("Tables/Events/Columns");  // at least one
  indexes->NewObject("ByEmail")->EndEdit();
  At("Tables/Events/Columns/ID")->Delete();
  fw::TStringList errors;
  indexes->Validate(&errors);
  columns->Validate(&errors);
  EXPECT_EQ(errors.Text(), "There may only be 1 Indexes items\r\nNo Columns defined for Events\r\n");
  EXPECT_NE(indexes->Validity(), vaValid);
  EXPECT_FALSE(root->Enabled(opApply)) << "an invalid set holds the apply back";

  root->Cancel();
  root->Refresh();
  EXPECT_EQ(root->Definitions().Count(), 0) << "read again when next asked";
  EXPECT_EQ(ChildNames(At("Tables")), (Names{"Events", "Guests", "dbo.Audit"}));
  EXPECT_EQ(ChildNames(At("Tables/Guests/Columns")), (Names{"Email", "ID", "Name"}));
}

TEST_F(SchemaTest, PathStepsFindTheirObjects) {
  auto* guests = At<TEObject>("Tables/Guests");
  auto* index = At<TEObject>("Tables/Guests/Indexes/ByName");
  auto* id = At<TEObject>("Tables/Guests/Columns/ID");
  EXPECT_EQ(id->FindPath(" "), id);
  EXPECT_EQ(id->FindPath("<"), guests) << "past the set";
  EXPECT_EQ(id->FindPath("<<"), root);
  EXPECT_EQ(id->FindPath("^"), root);
  EXPECT_EQ(guests->FindPath(">Column"), At("Tables/Guests/Columns")) << "by definition name";
  EXPECT_EQ(guests->FindPath(">\"Columns\"/Name"), At("Tables/Guests/Columns/Name")) << "by display name";
  EXPECT_EQ(index->FindPath(">\"Index Columns\""), At("Tables/Guests/Columns")) << "a reference reaches its target";
  EXPECT_EQ(index->FindPath("^/Tables/Events"), At("Tables/Events"));
  try {
    guests->FindPath(">Nope");
    ADD_FAILURE() << "no such descriptor";
  } catch (const EDbXError& e) {
    EXPECT_STREQ(e.what(), "Object Nope does not exist");
  }
  for (TExploreObject* object : std::initializer_list<TExploreObject*>{
           root, guests, id, index, At("Tables/dbo.Audit"), At("Tables/Guests/Indexes/ByName/\"Index Columns\"/Name")}) {
    EXPECT_EQ(object->FindPath(object->GetPath()), object) << object->GetPath();
  }
  EXPECT_EQ(id->GetPath(), "//Wedding/Tables/Guests/Columns/ID");

  EXPECT_EQ(NameFromPath("<\"Columns\"/ID"), "Columns.ID");
  EXPECT_EQ(NameFromPath("^/Tables/>Column/\"dbo.Audit\""), "Tables.dbo.Audit");
  try {
    NameFromPath("Tables/,x");
    ADD_FAILURE();
  } catch (const EDbXError& e) {
    EXPECT_STREQ(e.what(), "Internal error: Cannot find name in path Tables/,x");
  }
}

TEST_F(SchemaTest, TemplatesExpandEveryMacro) {
  auto* guests = At<TEObjects>("Tables/Guests");
  auto* id = At<TEObjects>("Tables/Guests/Columns/ID");
  auto* audit = At<TEObjects>("Tables/dbo.Audit");
  struct {
    TEObjects* object;
    std::string text, expected;
  } cases[] = {
      {guests, "a `N` b", "a Guests b"},
      {guests, "`NQ`", "'Guests'"},
      {audit, "`N2`|`N1-2`|`NQ1`|`N2-`", "Audit|dbo.Audit|'dbo'|Audit"},
      {guests, "`'lit'`", "lit"},
      {guests, "`=Name` `:Name` `@Key`", "Guests 'Guests' <none>"},
      {guests, "`\"table NAME\"`", "Guests"},
      {id, "`#`", "2"},
      {guests, "`*`", ""},
      {id, "`*`", "ID:  Integer "},
      {guests, "`[Columns:%s, %s:N]`", "Email, ID, Name"},
      {guests, "`[Columns::N]`", "Email\nID\nName"},
      {guests, "`\\N\\Q`", "\n'"},
      {guests, "`{>Column/ID}=Type`", " Integer "},
      {guests, "x`{>Column/Nope}=Type`y", "xy"},
      {guests, "`!=Notes`|`!'a'=Notes`", "first\nsecond|afirst\nsecond"},
      {At<TEObjects>("Tables/Events"), "[`!'a'=Notes'b'`]", "[]"},
      {id, "`EDefaultName` `EType`", "ID  Integer "},
      {guests, "`ETemplates Decl`", "CREATE 'Guests'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.object, c.text), c.expected) << c.text;

  struct {
    std::string text, message;
  } errors[] = {
      {"`N", "Mapping error: Bad template: `N"},
      {"`\\X`", "Mapping error: Bad template: \\X"},
      {"`,`", "Mapping error: Bad template: ,"},
      {"`[Nope::N]`", "Mapping error: No link object found: [Nope::N]"},
      {"`Unknown`", "Internal error: Method Unknown not found in TTestRoot"},
      {"`Ölfeld`", "Internal error: Method Ölfeld not found in TTestRoot"},
      {"`=Nope`", "Property Nope does not exist"},
      {"`\"Nope`", "Mapping error: Token not found: Nope"},
      {"`ETemplates Loop`", "Mapping error: Bad template: `ETemplates Loop`"},
  };
  for (const auto& e : errors) {
    try {
      Expand(guests, e.text);
      ADD_FAILURE() << e.text;
    } catch (const EDbXError& error) {
      EXPECT_EQ(std::string(error.what()), e.message) << e.text;
    }
  }
}

TEST_F(SchemaTest, SetTextsJoinTheirObjectsTexts) {
  EXPECT_EQ(At("Tables/Guests/Columns")->GetText(0), "\n\nEmail: Text\n\nID:  Integer \n\nName: Text");
  EXPECT_EQ(At("Tables/Guests/Slots")->GetText(0), "1=a\n2=b\n3=c\n") << "kind 3: a line each";
  EXPECT_EQ(At("Tables/Guests/Columns")->GetText(2), "") << "no edits pending";
  EXPECT_THROW(At("Tables/Guests/Columns")->SetText("x"), EDbXError);
}

TEST_F(SchemaTest, NumberedSetsAreRenumbered) {
  auto* slots = At<TEObjectSet>("Tables/Guests/Slots");
  EXPECT_TRUE(root->CanNumber(slots, nullptr));
  EXPECT_FALSE(root->CanNumber(At<TEObjectSet>("Tables/Guests/Columns"), nullptr)) << "a text key";
  EXPECT_FALSE(root->CanNumber(At<TEObjectSet>("Tables"), nullptr));
  auto labels = [&] {
    Names names;
    for (int i = 0; i < slots->Children().GetCount(); ++i) {
      TExploreObject* slot = slots->Children().Item(i);
      names.push_back(slot->Name() + "=" + slot->GetPropertyText("Label") + "/" + slot->GetPropertyText("No"));
    }
    return names;
  };
  EXPECT_EQ(labels(), (Names{"1=a/1", "2=b/2", "3=c/3"}));
  EXPECT_EQ(slots->Children().Item(0)->EditState(), esBrowse) << "the fill is no edit";

  TExploreObject* first = slots->Children().Item(0);
  EXPECT_EQ(slots->AllowedChildKinds(first), 3);
  EXPECT_EQ(slots->CreateChild(first, 1), first);
  EXPECT_EQ(labels(), (Names{"1=b/1", "2=c/2", "3=a/3"}));
  EXPECT_EQ(first->EditState(), esModified);
}

TEST_F(SchemaTest, ObjectsAreCopiedAndMovedBetweenSets) {
  auto* guestColumns = At<TEObjectSet>("Tables/Guests/Columns");
  auto* eventColumns = At<TEObjectSet>("Tables/Events/Columns");
  auto* email = At<TEObject>("Tables/Guests/Columns/Email");
  EXPECT_EQ(eventColumns->AllowedChildKinds(email), 3);
  EXPECT_EQ(At<TEObjectSet>("Tables")->AllowedChildKinds(email), 0) << "another kind of object";
  EXPECT_EQ(eventColumns->AllowedChildKinds(At("Tables/Guests")), 0);

  TExploreObject* copy = eventColumns->CreateChild(email, 0);
  ASSERT_NE(copy, nullptr);
  copy->EndEdit();
  EXPECT_EQ(copy->Name(), "Email");
  EXPECT_EQ(copy->EditState(), esNew);
  EXPECT_EQ(copy->GetPropertyText("Type"), "Text");
  TExploreObject* again = eventColumns->CreateChild(email, 0);
  again->EndEdit();
  EXPECT_EQ(again->Name(), "Email1") << "a unique numbered name";
  EXPECT_EQ(again->GetPropertyText("Name"), "Email1") << "the key follows the name";
  EXPECT_EQ(ChildNames(guestColumns), (Names{"Email", "ID", "Name"})) << "a copy leaves the source";

  TExploreObject* moved = eventColumns->CreateChild(At("Tables/Guests/Columns/Name"), 1);
  moved->EndEdit();
  EXPECT_EQ(moved->Name(), "Name");
  EXPECT_EQ(ChildNames(guestColumns), (Names{"Email", "ID"})) << "the source was deleted and applied";
  EXPECT_EQ(ChildNames(eventColumns), (Names{"Email", "Email1", "ID", "Name"}));

  // A table is copied with its sets' objects.
  auto* tables = At<TEObjectSet>("Tables");
  At("Tables/Guests/Slots")->Children().Load();
  TExploreObject* table = tables->CreateChild(At("Tables/Guests"), 0);
  table->EndEdit();
  EXPECT_EQ(table->Name(), "Guests1");
  EXPECT_EQ(ChildNames(table->FindPath("Columns")), (Names{"Email", "ID"}));
  EXPECT_EQ(ChildNames(table->FindPath("Slots")), (Names{"1", "2", "3"}));
  EXPECT_EQ(table->FindPath("Columns/ID")->EditState(), esNew);
  int before = root->queries;
  TExploreObject* emptyTable = tables->NewObject("Seating");
  emptyTable->EndEdit();
  EXPECT_EQ(ChildNames(emptyTable->FindPath("Columns")), Names{});
  EXPECT_EQ(root->queries, before) << "a new table's sets are not read from the database";

  // Cancel of the root drops every copy.
  root->Cancel();
  EXPECT_EQ(ChildNames(tables), (Names{"Events", "Guests", "dbo.Audit"}));
  EXPECT_EQ(ChildNames(eventColumns), (Names{"ID"}));
}

TEST_F(SchemaTest, NamesAreCheckedAgainstTheDefinition) {
  auto* id = At<TEObject>("Tables/Guests/Columns/ID");
  struct {
    std::string name, message;
  } cases[] = {
      {"", "\"\" is not a valid name"},
      {"a.b", "\"a.b\" is not a valid name"},
      {"Email", "\"Email\" is not a unique name"},
      {"Phone", ""},
  };
  for (const auto& c : cases) {
    TDbXErrorPtr error = id->ValidateName(c.name);
    EXPECT_EQ(error ? error->Message() : "", c.message) << c.name;
  }
  auto* indexColumn = At<TEObject>("Tables/Guests/Indexes/ByName/\"Index Columns\"/Name");
  TDbXErrorPtr missing = indexColumn->ValidateName("Phone");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->Message(), "Object not found.  Columns must be refreshed, or is incomplete");
  EXPECT_EQ(indexColumn->ValidateName("Email"), nullptr);

  // A new index column takes the first column the index does not hold yet.
  auto* indexColumns = At<TEObjectSet>("Tables/Guests/Indexes/ByName/\"Index Columns\"");
  TExploreObject* made = indexColumns->NewObject("");
  made->EndEdit();
  EXPECT_EQ(made->Name(), "Email");
  indexColumns->NewObject("")->EndEdit();
  try {
    indexColumns->NewObject("");
    ADD_FAILURE() << "every column is taken";
  } catch (const EDbXError& e) {
    EXPECT_STREQ(e.what(), "Cannot create a new IndexColumn");
  }
  EXPECT_EQ(ChildNames(indexColumns), (Names{"Email", "ID", "Name"}));

  EXPECT_THROW(root->Definitions().Find("Other"), EDbXError) << "the root makes no such definition";
  auto* noClass = root->Definitions().Find("NoClass");
  auto* object = TExploreObject::Create<TEObject>(nullptr, noClass);
  fw::TScopeExit free([object] { object->Release(lsReleased); });
  try {
    object->Properties().Load();
    ADD_FAILURE();
  } catch (const EDbXError& e) {
    EXPECT_STREQ(e.what(), "Internal error: No prop class: Name");
  }
}

TEST_F(SchemaTest, AReferenceLooksAgainOnlyAfterASecond) {
  std::uint32_t now = 100000;
  fw::SetTickCountClock([&now] { return now; });
  auto* indexColumns = At<TEObjectSet>("Tables/Guests/Indexes/ByName/\"Index Columns\"");
  TEObjectRef* ref = indexColumns->Ref();
  auto* columns = At<TEObjectSet>("Tables/Guests/Columns");
  EXPECT_EQ(ref->FindTarget(indexColumns, "Email"), At("Tables/Guests/Columns/Email"));

  MakeTable(dir, "Guests_Column.db", {"Name", "Type"}, {{"ID", "Integer"}, {"Phone", "Text"}});
  now += 500;
  EXPECT_THROW(ref->FindTarget(indexColumns, "Phone"), EDbXError) << "filled just now";
  EXPECT_EQ(ChildNames(columns), (Names{"Email", "ID", "Name"}));
  now += 600;
  TEObject* phone = ref->FindTarget(indexColumns, "Phone");
  EXPECT_EQ(phone, At("Tables/Guests/Columns/Phone")) << "filled again";
  EXPECT_EQ(ChildNames(columns), (Names{"ID", "Phone"}));
}

TEST_F(SchemaTest, AReferenceIsClearedWhenItsObjectGoes) {
  auto* guests = At<TEObject>("Tables/Guests");
  TEProperty* key = guests->Properties().PropertyByName("Key");
  auto* columnsRef = root->Definitions().Find("Table")->Refs().Find("Columns");
  static_cast<TEProp*>(key)->PropDef()->RefTarget = columnsRef;

  guests->SetPropertyText("Key", "ID");
  auto* reference = static_cast<TERefProp*>(key);
  EXPECT_EQ(reference->Referred(), At("Tables/Guests/Columns/ID"));
  EXPECT_EQ(key->GetText(1), "ID");
  EXPECT_EQ(guests->EditState(), esModified);

  std::vector<int> events;
  TExploreObject* id = reference->Referred();
  id->OnChange = [&events](TExploreObject*, int event, const TExploreArg&) { events.push_back(event); };
  key->Edit();
  EXPECT_EQ(events, std::vector<int>{evChanged}) << "editing the reference selects its object";

  guests->SetPropertyText("Key", "Email");
  EXPECT_EQ(id->FindLinkList(1)->Count(), 0) << "the link moved with the reference";

  At("Tables/Guests/Columns")->Children().Unload();  // the columns go
  EXPECT_TRUE(fw::VarIsNull(key->Value()));
  EXPECT_EQ(key->GetText(1), "<none>");
  EXPECT_EQ(key->GetText(0), "");
}

}  // namespace
}  // namespace dbx::testing

// The administrator's main window on a demonstration root, to look at under
// Xvfb: three trees on tabs ("Databases", "Configuration" and a database of
// schema objects, "Wedding"), one alias open, one with pending edits, the
// Definition page of an alias in the inspector with the value list of one
// row dropped. With "schema" the window shows the columns of a table of
// "Wedding" on the Summary page instead. It runs until it is closed, or for
// the seconds given.
//
//   Xvfb :57 -screen 0 1024x768x24 & DISPLAY=:57 build/normal/tools/admin-gallery/admin-gallery [schema] [seconds] &
//   DISPLAY=:57 import -window root shot.png
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Database.h"
#include "DbSchema.h"
#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "ExtCtrls.h"
#include "Fields.h"
#include "Files.h"
#include "Table.h"

using namespace fw;
using namespace dbx;

namespace {

constexpr std::uint16_t kOperations = opRefresh | opNew | opDelete | opModify | opRename | opApply | opCancel;

std::uint16_t Word(TEPropertyAttributes a) { return static_cast<std::uint16_t>(a.ToBits()); }

// Value lists of the demonstration, alive as long as the program.
TEStringValues* Values(std::initializer_list<const char*> values) {
  static std::vector<std::unique_ptr<TEStringValues>> lists;
  auto list = std::make_unique<TEStringValues>();
  for (const char* v : values) list->Strings().Add(v);
  lists.push_back(std::move(list));
  return lists.back().get();
}

class TDemoNode : public TExploreObject {
  FW_CLASS(TDemoNode, TExploreObject)
public:
  std::vector<std::string> names;
  TExploreClass childClass;
  std::uint16_t operations = kOperations;
  bool active = false;
  bool IsActive() override { return active; }
  void SetActive(bool value) override {
    active = value;
    TExploreObject::SetActive(value);
  }
  void LoadChildren() override {
    for (const std::string& name : names) childClass.Create(this)->SetName(name);
    Children().Sort();
  }

protected:
  void Init(TExploreObject* parent) override {
    TExploreObject::Init(parent);
    SetAttributes(operations);
  }
};

// An alias of a standard database, with options to edit.
class TDemoDb : public TDemoNode {
  FW_CLASS(TDemoDb, TDemoNode)
public:
  void LoadProperties() override {
    TEProperties& p = Properties();
    auto add = [&](const char* name, const char* caption, std::uint16_t attributes, const char* value) {
      TEProperty* property = p.Add<TEProperty>(name, caption, 2, dbx::ftString);
      property->SetAttributeWord(attributes);
      property->StoreValue(Variant(std::string(value)));
      return property;
    };
    std::uint16_t editable = Word({paEditable});
    add("TYPE", "Type", 0, "STANDARD");
    add("PATH", "Path", editable, ("/home/guest/" + Name()).c_str());
    add("DEFAULT DRIVER", "Default driver", editable, "KALMURE")
        ->SetEditor(Values({"KALMURE", "ZENTOR", "FOXPRO", "ASCIIDRV"}));
    add("ENABLE BCD", "Enable BCD", editable, "FALSE")->SetEditor(Values({"FALSE", "TRUE"}));
    add("OPEN MODE", "Open mode", editable, "READ/WRITE")->SetEditor(Values({"READ/WRITE", "READ ONLY"}));
    add("SHARE MODE", "Share mode", editable, "SHARED")->SetEditor(Values({"EXCLUSIVE", "SHARED"}));
  }

protected:
  void Init(TExploreObject* parent) override {
    operations = kOperations | opOpen;
    TDemoNode::Init(parent);
  }
};

class TDemoDatabases : public TDemoNode {
  FW_CLASS(TDemoDatabases, TDemoNode)
public:
  std::string GetValidationText() override { return "All Database Aliases"; }

protected:
  void Init(TExploreObject* parent) override {
    names = {"SEATING", "GUESTS", "SAMPLES", "Zürich Übersicht"};
    childClass = ExploreClassOf<TDemoDb>();
    TDemoNode::Init(parent);
    SetName("Databases");
  }
};

class TDemoDriver : public TDemoNode {
  FW_CLASS(TDemoDriver, TDemoNode)
};

class TDemoConfig : public TDemoNode {
  FW_CLASS(TDemoConfig, TDemoNode)
public:
  std::string GetValidationText() override { return "Drivers and System"; }

protected:
  void Init(TExploreObject* parent) override {
    names = {"STANDARD", "KALMURE", "ZENTOR", "FOXPRO"};
    childClass = ExploreClassOf<TDemoDriver>();
    TDemoNode::Init(parent);
    SetName("Configuration");
  }
};

// A database of schema objects: its tables and their columns, read from
// native tables made in a folder of the demonstration's own.
std::string& SchemaFolder() {
  static std::string folder;
  return folder;
}

void MakeTable(const std::string& name, const std::vector<std::pair<std::string, TFieldType>>& fields,
               const std::vector<std::vector<std::string>>& rows) {
  auto table = std::make_unique<TTable>(nullptr);
  table->SetDatabaseName(SchemaFolder());
  table->SetTableName(name);
  for (const auto& [field, type] : fields) table->FieldDefs()->Add(field, type, type == fw::ftString ? 60 : 0);
  table->CreateTable();
  table->Open();
  for (const auto& row : rows) {
    table->Append();
    for (std::size_t i = 0; i < row.size(); ++i) table->Fields(static_cast<int>(i))->SetAsString(row[i]);
    table->Post();
  }
}

void MakeSchemaTables() {
  using fw::ftInteger;
  using fw::ftMemo;
  using fw::ftString;
  MakeTable("Tables.db", {{"Name", ftString}, {"Notes", ftMemo}},
            {{"Gäste", "Who is invited"}, {"Events", "The day's parts"}, {"Tische", ""}});
  const std::vector<std::pair<std::string, TFieldType>> columns = {
      {"Name", ftString}, {"Type", ftString}, {"Size", ftInteger}, {"Notes", ftMemo}};
  MakeTable("Gäste_Columns.db", columns,
            {{"ID", "Integer", "4", "The key"}, {"Name", "Text", "40", ""}, {"Email", "Text", "80", ""},
             {"Größe", "Number", "8", "Party size"}});
  MakeTable("Events_Columns.db", columns, {{"ID", "Integer", "4", ""}, {"Datum", "Date", "4", ""}});
  MakeTable("Tische_Columns.db", columns, {{"Nummer", "Integer", "4", ""}});
}

class TDemoSchema : public TERoot {
  FW_CLASS(TDemoSchema, TERoot)
public:
  std::string GetValidationText() override { return "Tables and their columns"; }
  void LoadObjectRefs(TEObjectRefs& refs) override {
    if (!refs.Definition())
      refs.Add("Tables", "Table", 0, rkOwned, 0, kOperations);
    else if (refs.Definition()->Name() == "Table")
      refs.Add("Columns", "Column", 1, rkOwned, 0, kOperations);
  }
  TEObjectDef* CreateObjectDef(const std::string& name) override {
    auto field = PropertyClassOf<TEFieldProp>();
    std::uint16_t editable = Word({paEditable});
    auto def = std::make_unique<TEObjectDef>(this, name, name == "Table" ? okDataset : okColumn);
    def->AddProp("Name", "Name", 1, dbx::ftString, field)->SetAttributeWord(editable);
    if (name == "Column") {
      def->AddProp("Type", "Type", 1, dbx::ftString, field)->SetAttributeWord(editable);
      def->AddProp("Size", "Size", 1, dbx::ftInteger, field)->SetAttributeWord(editable);
    }
    def->AddProp("Notes", "Notes", 1, dbx::ftMemo, field)->SetAttributeWord(editable);
    def->KeyParts = {0};
    return Definitions().Add(std::move(def));
  }
  std::unique_ptr<TDataSet> OpenObjectQuery(TEObjectSet& set) override {
    auto table = std::make_unique<TTable>(nullptr);
    table->SetDatabaseName(SchemaFolder());
    table->SetTableName(set.Parent() == this ? "Tables.db" : set.Parent()->Name() + "_Columns.db");
    table->Open();
    return table;
  }

protected:
  void Init(TExploreObject* parent) override {
    TERoot::Init(parent);
    SetAttributes(DeclaredOperations() | opApply | opCancel);
    SetName("Wedding");
  }
};

class TDemoRoot : public TDbXForm {
  FW_CLASS(TDemoRoot, TDbXForm)
};

FW_IMPLEMENT_CLASS(TDemoNode)
FW_IMPLEMENT_CLASS(TDemoDb)
FW_IMPLEMENT_CLASS(TDemoDatabases)
FW_IMPLEMENT_CLASS(TDemoDriver)
FW_IMPLEMENT_CLASS(TDemoConfig)
FW_IMPLEMENT_CLASS(TDemoSchema)
FW_IMPLEMENT_CLASS(TDemoRoot)

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  Application->Initialize();
  StartModelUnits();
  RegisterDbXRootClass(ExploreClassOf<TDemoDatabases>());
  RegisterDbXRootClass(ExploreClassOf<TDemoConfig>());
  RegisterDbXRootClass(ExploreClassOf<TDemoSchema>());
  bool schema = argc > 1 && std::string(argv[1]) == "schema";
  if (schema) {
    --argc;
    ++argv;
  }
  SchemaFolder() = (std::filesystem::temp_directory_path() / ("admin-gallery." + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(SchemaFolder());
  MakeSchemaTables();
  TDemoRoot* root = TExploreObject::Create<TDemoRoot>(nullptr);
  TDbExplorerForm* form = nullptr;
  Application->CreateForm(form);
  root->SetForm(form);
  form->SetBounds(40, 30, 760, 460);
  form->PropList()->SetMiddle(150);
  form->Show();

  // One alias open, one with an edit pending; the window shows a third.
  TExploreObject* databases = root->Children().GetItem(0);
  databases->Children().Load();
  databases->Children().FindByName("GUESTS")->Open();
  TExploreObject* samples = databases->Children().FindByName("SAMPLES");
  samples->Edit();
  samples->SetPropertyText("OPEN MODE", "READ ONLY");
  samples->EndEdit();
  TExploreObject* seating = databases->Children().FindByName("SEATING");
  form->SetActiveObject(seating);
  TPropExplBox* inspector = form->PropList();
  int row = inspector->IndexOfName("Default driver");
  inspector->SetCurrentIndex(row);
  inspector->SetFocus();

  auto* later = new TTimer(form);
  later->SetInterval(300);
  later->OnTimer = [&](TObject*) {
    later->SetEnabled(false);
    if (schema) {
      form->Trees->SetTabIndex(2);
      form->TreesChange(form->Trees);
      for (const char* path : {"//Wedding", "//Wedding/Tables", "//Wedding/Tables/Gäste"})
        if (TExploreObject* node = root->FindPath(path); node && node->TreeNode) node->TreeNode->Expand(false);
      form->SetActiveObject(root->FindPath("//Wedding/Tables/Gäste/Columns"));
      form->ShowPage(form->TabSummary);
    } else {
      inspector->ListButton()->DropDown();
    }
  };
  if (argc > 1) {
    auto* stop = new TTimer(form);
    stop->SetInterval(static_cast<unsigned>(std::atoi(argv[1]) * 1000));
    stop->OnTimer = [](TObject*) { Application->Terminate(); };
  }
  auto alive = form->LifeToken();
  Application->Run();
  if (*alive) delete form;  // closing it frees it
  root->Release(lsReleased);
  StopModelUnits();
  Session().DropConnections();
  std::filesystem::remove_all(SchemaFolder());
  return 0;
}
